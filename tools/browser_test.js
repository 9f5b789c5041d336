// The preview page in headless Chromium, against the example tour:
//   node tools/browser_test.js URL SCRIPT SCREENSHOT
// URL is a running preview of SCRIPT, a copy of examples/palace/palace.lst
// that this test changes while the page is open. Prints one line per check
// and "N passed, N failed" at the end; exits 1 when a check failed.
'use strict';
const fs = require('fs');
const path = require('path');
const { chromium } = require('playwright-core');

const [url, script, screenshot] = process.argv.slice(2);
const TIMEOUT = 20000;
let passed = 0, failed = 0;

function check(name, ok, detail) {
  if (ok) passed++; else failed++;
  console.log((ok ? 'ok   ' : 'FAIL ') + name + (ok || detail === undefined ? '' : ': ' + detail));
}

async function waitReady(page, scene) {
  await page.waitForFunction((s) => document.documentElement.dataset.state === 'ready' &&
    (s === null || document.documentElement.dataset.scene === s), scene, { timeout: TIMEOUT });
}

// The colour at the middle of a screenshot, read back through a canvas.
async function centreColour(page, png) {
  return page.evaluate(async (data) => {
    const picture = new Image();
    picture.src = 'data:image/png;base64,' + data;
    await picture.decode();
    const canvas = document.createElement('canvas');
    canvas.width = picture.width;
    canvas.height = picture.height;
    const context = canvas.getContext('2d');
    context.drawImage(picture, 0, 0);
    const pixel = context.getImageData(picture.width >> 1, picture.height >> 1, 1, 1).data;
    return [pixel[0], pixel[1], pixel[2]];
  }, png.toString('base64'));
}

// Where a point at `ath`/`atv` (degrees, atv growing downwards) shows in a
// view of `width` × `height` px looking at `hlookat`/`vlookat` with a vertical
// field of view of `fov` radians; null when it lies behind.
function project(ath, atv, view, width, height) {
  const rad = Math.PI / 180;
  const yaw = (ath - view.hlookat) * rad, pitch = atv * rad, tilt = view.vlookat * rad;
  const right = Math.cos(pitch) * Math.sin(yaw), up = -Math.sin(pitch);
  const forward = Math.cos(pitch) * Math.cos(yaw);
  const ahead = forward * Math.cos(tilt) - up * Math.sin(tilt);
  const above = up * Math.cos(tilt) + forward * Math.sin(tilt);
  if (ahead <= 0) return null;
  const focal = height / 2 / Math.tan(view.fov / 2);
  return [width / 2 + focal * right / ahead, height / 2 - focal * above / ahead];
}

async function main() {
  const executablePath = fs.existsSync('/usr/lib/chromium/chromium') ? '/usr/lib/chromium/chromium'
    : '/usr/bin/chromium';
  const browser = await chromium.launch({
    executablePath, headless: true, timeout: TIMEOUT,
    args: ['--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
      '--disable-background-networking', '--disable-component-update', '--disable-sync',
      '--use-angle=swiftshader', '--enable-unsafe-swiftshader'],
  });
  try {
    const page = await browser.newPage({ viewport: { width: 1200, height: 700 } });
    page.setDefaultTimeout(TIMEOUT);
    const errors = [];
    page.on('pageerror', (error) => errors.push(error.message));
    // A tile the author has not made yet: court's first tile of the back face.
    const tile = 'court.tiles/b/l1/1/l1_b_1_1.jpg';
    fs.rmSync(path.join(path.dirname(script), tile), { force: true });
    await page.goto(url);
    await waitReady(page, 'hall');
    check('the first scene is shown and ready', true);
    check('the page title names the tour', (await page.title()).includes('palace'), await page.title());

    const scenes = await page.$$eval('#scenes li', (items) => items.map((item) =>
      [item.querySelector('.name').textContent, item.querySelector('.title').textContent]));
    check('the scene list names both scenes with Korean titles',
      scenes.length === 2 && scenes[0][0] === 'hall' && scenes[1][0] === 'court' &&
      scenes.every((s) => /[\uac00-\ud7a3]/.test(s[1])), JSON.stringify(scenes));

    const hotspots = await page.$$eval('#pano .hotspot', (nodes) => nodes.map((node) =>
      [node.dataset.kind, node.querySelector('.caption').textContent]));
    const kinds = hotspots.map((h) => h[0]).join(' ');
    check('every hotspot of the scene is placed, with its kind',
      kinds === 'cross cross out still video video gallery reference', kinds);
    check('every hotspot has its Korean caption',
      hotspots.every((h) => /[\uac00-\ud7a3]/.test(h[1])), JSON.stringify(hotspots));

    // The page starts a scene at its hlookat/vlookat with a vertical field of
    // 90 degrees, narrowed where the horizontal one would pass 120.
    const model = await page.evaluate(() => fetch('/_tourwright/tour.json').then((r) => r.json()));
    const drawn = await page.evaluate(() => {
      const pano = document.getElementById('pano').getBoundingClientRect();
      const marks = Array.prototype.map.call(document.querySelectorAll('#pano .hotspot'), (node) => {
        const mark = node.querySelector('.mark').getBoundingClientRect();
        return [node.dataset.id, mark.left + mark.width / 2 - pano.left,
          mark.top + mark.height / 2 - pano.top];
      });
      return { width: pano.width, height: pano.height, marks };
    });
    const hall = model.scenes[0];
    const fov = Math.min(Math.PI / 2, 2 * Math.atan(Math.tan(Math.PI / 3) * drawn.height / drawn.width));
    const view = { hlookat: hall.hlookat, vlookat: hall.vlookat, fov };
    const inView = (at) => at && at[0] >= 0 && at[0] <= drawn.width && at[1] >= 0 && at[1] <= drawn.height;
    const placed = hall.hotspots.map((h) => [h.id, project(h.ath, h.atv, view, drawn.width, drawn.height)])
      .filter((p) => inView(p[1])).map((p) => [p[0], p[1], drawn.marks.find((m) => m[0] === p[0])]);
    check('the hotspots in view are drawn where their ath and atv project', placed.length > 0 &&
      placed.every((p) => p[2] && Math.hypot(p[2][1] - p[1][0], p[2][2] - p[1][1]) < 3), JSON.stringify(placed));

    await page.hover('#pano [data-id="CrossLink-1-1"]');
    check('the caption shows on hover',
      await page.isVisible('#pano [data-id="CrossLink-1-1"] .caption'));

    const shot = await page.locator('#stage').screenshot({ path: screenshot });
    const colour = await centreColour(page, shot);
    const background = [[0x20, 0x24, 0x2a], [0, 0, 0]];
    check('the panorama draws at the centre',
      !background.some((b) => b.every((c, i) => Math.abs(c - colour[i]) < 8)), String(colour));

    await page.$eval('#pano [data-id="GalleryEntrance-1-1"]', (node) => node.click());
    const objects = await page.$$eval('#panel .gallery-object', (nodes) => nodes.map((n) => n.textContent));
    check('the gallery entrance shows its objects with captions',
      objects.length === 3 && objects.every((o) => /[\uac00-\ud7a3]/.test(o)), JSON.stringify(objects));

    await page.$eval('#pano [data-id="CrossLink-1-1"]', (node) => node.click());
    await waitReady(page, 'court');
    check('a cross link takes the viewer to its target scene', true);
    await page.waitForFunction((t) => document.getElementById('missing').textContent.includes(t), tile);
    const missing = await page.textContent('#missing');
    check('a missing tile is listed by its row and column from 1',
      missing.includes('missing on face b (row 1, column 1): ' + tile), missing);
    check('a missing tile is listed and marked on its face',
      await page.$$eval('#pano .missing-tile', (nodes) => nodes.length) === 1);

    // The author saves the script: a cross link to a scene that does not exist.
    const bytes = fs.readFileSync(script);
    const at = bytes.lastIndexOf('#CROSSLINK\n') + '#CROSSLINK\n'.length;
    fs.writeFileSync(script, Buffer.concat([bytes.subarray(0, at),
      Buffer.from('garden 45 0 arrow $nowhere\n'), bytes.subarray(at)]));
    await page.waitForSelector('#pano .hotspot.broken[data-id="CrossLink-2-1"]', { state: 'attached' });
    const state = await page.evaluate(() => [document.documentElement.dataset.scene,
      document.querySelector('#pano .hotspot.broken .caption').textContent,
      document.querySelectorAll('#warnings li[data-line]').length]);
    check('a change of the script shows on the open page, in the same scene', state[0] === 'court', state[0]);
    check('the broken link is drawn broken with the warning', state[1].includes('garden'), state[1]);
    check('the warnings panel lists the warning', state[2] >= 1, String(state[2]));
    check('the page raised no script error', errors.length === 0, errors.join('; '));
  } finally {
    await browser.close();
  }
}

const timer = setTimeout(() => { console.log('FAIL the browser test took too long'); process.exit(1); },
  120000);
main().catch((error) => { check('the browser test ran', false, error.message); }).then(() => {
  clearTimeout(timer);
  console.log(`${passed} passed, ${failed} failed`);
  process.exit(failed ? 1 : 0);
});
