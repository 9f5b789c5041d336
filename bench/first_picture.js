// The preview's first picture: the time from navigation to the page's
// "tourwright-first-picture" mark, in a fresh headless Chromium page each
// time, and where that time goes (the model, the strip, the drawing context).
//   node bench/first_picture.js URL RUNS
'use strict';
const fs = require('fs');
const { chromium } = require('playwright-core');

async function main() {
  const [url, runs] = [process.argv[2], Number(process.argv[3] || 9)];
  const executablePath = fs.existsSync('/usr/lib/chromium/chromium') ? '/usr/lib/chromium/chromium'
    : '/usr/bin/chromium';
  const browser = await chromium.launch({ executablePath, headless: true,
    args: ['--no-sandbox', '--disable-gpu', '--use-angle=swiftshader', '--enable-unsafe-swiftshader'] });
  const times = [];
  for (let i = 0; i < runs; i++) {
    const context = await browser.newContext({ viewport: { width: 1280, height: 800 } });
    const page = await context.newPage();
    await page.goto(url);
    await page.waitForFunction(() => performance.getEntriesByName('tourwright-first-picture').length > 0,
      null, { timeout: 30000 });
    times.push(await page.evaluate(() => {
      const at = (name) => {
        const entry = performance.getEntriesByType('resource').filter((e) => e.name.endsWith(name))[0];
        return entry ? Math.round(entry.responseEnd) : -1;
      };
      return { first: Math.round(performance.getEntriesByName('tourwright-first-picture')[0].startTime),
        model: at('/_tourwright/tour.json'), strip: at('/preview.jpg') };
    }));
    await context.close();
  }
  await browser.close();
  times.sort((a, b) => a.first - b.first);
  const median = times[times.length >> 1];
  console.log('runs: ' + times.map((t) => t.first).join(' ') + ' ms');
  console.log(`first picture: ${median.first} ms after navigation (median of ${runs}; the model ` +
    `came at ${median.model} ms, the preview strip at ${median.strip} ms)`);
}
main().catch((error) => { console.error(error.message); process.exit(1); });
