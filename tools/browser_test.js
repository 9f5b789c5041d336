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

// With a site root (the tour's files not at "/"), the page offers the
// site's viewer, whose page and stand-in viewer script the server serves;
// without one, it says what the site view needs.
async function checkSiteView(page, files) {
  const link = await page.evaluate(() => {
    const a = document.getElementById('site-view-link');
    return { shown: !a.hidden, href: a.getAttribute('href') || '',
      needs: document.getElementById('site-view-needs').textContent };
  });
  if (files === '/') {
    check('without a site root the page says what the site view needs',
      !link.shown && link.needs.includes('site root'), JSON.stringify(link));
    return;
  }
  const fetched = await page.evaluate(async (href) => {
    const tourPage = await (await fetch(href)).text();
    const viewer = await fetch('/VR/xsl3v/krpano.js');
    return [tourPage.includes('/VR/xsl3v/krpano.js'), viewer.status, (await viewer.text()).length];
  }, link.href);
  check('the site view is offered, its page and viewer script served',
    link.shown && link.href === files + 'palace.htm' && fetched[0] && fetched[1] === 200 &&
    fetched[2] > 0, JSON.stringify([link, fetched]));
  // Opened from the link: its loads are counted, to see it reloaded later.
  const [popup] = await Promise.all([page.waitForEvent('popup'), page.click('#site-view-link')]);
  const opened = { popup, loads: 0 };
  popup.on('load', () => opened.loads++);
  await popup.waitForLoadState('load');
  opened.before = opened.loads;
  await page.bringToFront();  // a page behind another draws no frames
  check('the link opens the tour\'s page in the site view',
    new URL(popup.url()).pathname === files + 'palace.htm', popup.url());
  return opened;
}

// Waits until the site view opened from the page has loaded again.
async function reloaded(opened) {
  const deadline = Date.now() + TIMEOUT;
  while (opened.loads <= opened.before && Date.now() < deadline) {
    await new Promise((resolve) => setTimeout(resolve, 100));
  }
  return opened.loads > opened.before;
}

async function waitReady(page, scene) {
  await page.waitForFunction((s) => document.documentElement.dataset.state === 'ready' &&
    (s === null || document.documentElement.dataset.scene === s), scene, { timeout: TIMEOUT });
}

// The colour at the middle of a screenshot, read back through a canvas in
// a blank page of its own: the preview page's policy loads no data: image.
async function centreColour(page, png) {
  const blank = await page.context().browser().newPage();
  try {
    return await readCentre(blank, png);
  } finally {
    await blank.close();
  }
}

async function readCentre(page, png) {
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

// A small PNG of one colour, for the tour's icons.
function png(width, height) {
  const zlib = require('zlib');
  const crcTable = Array.from({ length: 256 }, (_, n) => {
    let c = n;
    for (let k = 0; k < 8; k++) c = c & 1 ? 0xedb88320 ^ (c >>> 1) : c >>> 1;
    return c >>> 0;
  });
  const crc = (bytes) => {
    let c = 0xffffffff;
    for (const b of bytes) c = crcTable[(c ^ b) & 0xff] ^ (c >>> 8);
    return (c ^ 0xffffffff) >>> 0;
  };
  const chunk = (type, data) => {
    const head = Buffer.alloc(8);
    head.writeUInt32BE(data.length, 0);
    head.write(type, 4, 'latin1');
    const sum = Buffer.alloc(4);
    sum.writeUInt32BE(crc(Buffer.concat([head.subarray(4), data])), 0);
    return Buffer.concat([head, data, sum]);
  };
  const header = Buffer.alloc(13);
  header.writeUInt32BE(width, 0);
  header.writeUInt32BE(height, 4);
  header.set([8, 2, 0, 0, 0], 8);
  const row = Buffer.concat([Buffer.from([0]), Buffer.alloc(width * 3, 0xc0)]);
  return Buffer.concat([Buffer.from([0x89, 0x50, 0x4e, 0x47, 0x0d, 0x0a, 0x1a, 0x0a]),
    chunk('IHDR', header), chunk('IDAT', zlib.deflateSync(Buffer.concat(Array(height).fill(row)))),
    chunk('IEND', Buffer.alloc(0))]);
}

// Where the viewer draws the direction (ath, atv) in an area of w x h
// pixels for the scene element's view ({fovtype, fov, hlookat, vlookat}),
// and where it draws a point `dx`, `dy` off it on a plane facing the eye at
// `depth`. Worked out here from the view alone, not from the page.
function projected(view, ath, atv, w, h, dx = 0, dy = 0, depth = 1000) {
  const rad = Math.PI / 180;
  const half = Math.tan(Number(view.fov) * rad / 2);
  const f = String(view.fovtype).toUpperCase() === 'HFOV' ? w / 2 / half : h / 2 / half;
  const yaw = (ath - Number(view.hlookat)) * rad, pitch = atv * rad, tilt = Number(view.vlookat) * rad;
  const d = [Math.cos(pitch) * Math.sin(yaw), -Math.sin(pitch), Math.cos(pitch) * Math.cos(yaw)];
  const right = [Math.cos(yaw), 0, -Math.sin(yaw)];
  const up = [Math.sin(pitch) * Math.sin(yaw), Math.cos(pitch), Math.sin(pitch) * Math.cos(yaw)];
  const p = [0, 1, 2].map((i) => depth * d[i] + dx * right[i] + dy * up[i]);
  const y = p[1] * Math.cos(tilt) + p[2] * Math.sin(tilt), z = -p[1] * Math.sin(tilt) + p[2] * Math.cos(tilt);
  return { x: w / 2 + f * p[0] / z, y: h / 2 - f * y / z };
}

// The drawn centre of a hotspot's mark, in the panorama area.
async function drawnCentre(page, id) {
  return page.evaluate((i) => {
    const area = document.getElementById('pano').getBoundingClientRect();
    const box = document.querySelector('#pano [data-id="' + i + '"] .body').getBoundingClientRect();
    return { x: box.left + box.width / 2 - area.left, y: box.top + box.height / 2 - area.top,
      w: area.width, h: area.height };
  }, id);
}

async function sceneView(page, element) {
  return page.evaluate(async (e) => (await (await fetch('/_tourwright/tour.json')).json())
    .scenes.filter((s) => s.element === e)[0].view, element);
}

// Checks that hotspot `id` at (ath, atv) lands where the view of `element`
// (turned to `hlookat` when given) puts it.
async function checkFraming(page, name, element, id, ath, atv, hlookat) {
  const view = await sceneView(page, element);
  if (hlookat !== undefined) view.hlookat = hlookat;
  const drawn = await drawnCentre(page, id);
  const want = projected(view, ath, atv, drawn.w, drawn.h);
  check(name, Math.hypot(drawn.x - want.x, drawn.y - want.y) < 3,
    `drawn at ${drawn.x.toFixed(1)},${drawn.y.toFixed(1)}, the view puts it at ` +
    `${want.x.toFixed(1)},${want.y.toFixed(1)} in ${drawn.w}x${drawn.h}`);
}

// Inserts `text` after the line of `file` that holds `marker`.
function insertAfterLine(file, marker, text) {
  const bytes = fs.readFileSync(file);
  const at = bytes.indexOf('\n', bytes.indexOf(marker)) + 1;
  fs.writeFileSync(file, Buffer.concat([bytes.subarray(0, at), Buffer.from(text), bytes.subarray(at)]));
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
    const requested = [];
    page.on('request', (request) => requested.push(new URL(request.url()).pathname));
    const dir = path.dirname(script);
    // A tile the author has not made yet: court's first tile of the back face.
    const tile = 'court.tiles/b/l1/1/l1_b_1_1.jpg';
    fs.rmSync(path.join(dir, tile), { force: true });
    // The pictures the tour names: the photo a 512 px tile, a small icon and
    // hall's thumbnail; court's thumbnail and the network icon missing.
    const put = (name, bytes) => {
      const file = path.join(dir, name);
      fs.mkdirSync(path.dirname(file), { recursive: true });
      if (!fs.existsSync(file)) fs.writeFileSync(file, bytes);
    };
    const aTile = fs.readFileSync(path.join(dir, 'hall.tiles/f/l1/1/l1_f_1_1.jpg'));
    put('photo/vase01.jpg', aTile);
    put('icons/map.png', png(24, 24));
    put('hall.tiles/mobile_f.jpg', aTile);
    ['court.tiles/mobile_f.jpg', 'icons/network.png'].forEach((name) =>
      fs.rmSync(path.join(dir, name), { force: true }));
    // The tile XML names a strip of its own; the tour XML names hall.tiles/preview.jpg.
    const hallXml = path.join(dir, 'hall.xml');
    fs.writeFileSync(hallXml, fs.readFileSync(hallXml, 'latin1')
      .replace(/<preview url="[^"]*"/, '<preview url="hall.tiles/strip_of_the_tile_xml.jpg"'), 'latin1');
    // A level of court the page does not draw (700 px: not whole 512 px
    // tiles), none of its tiles made.
    const courtXml = path.join(dir, 'court.xml');
    fs.writeFileSync(courtXml, fs.readFileSync(courtXml, 'latin1').replace('</level>', '</level>\n' +
      '\t\t<level tiledimagewidth="700" tiledimageheight="700">\n' +
      '\t\t\t<cube url="court.tiles/%s/l2/%v/l2_%s_%v_%h.jpg" />\n\t\t</level>'), 'latin1');
    // A cross link in court where the view after a link's lookat(180) shows it.
    insertAfterLine(script, 'hall 330 5 arrow -90', 'hall 210 -10 arrow $back\n');
    await page.goto(url);
    await waitReady(page, 'hall');
    check('the first scene is shown and ready', true);
    const first = await page.evaluate(() =>
      (performance.getEntriesByName('tourwright-first-picture')[0] || {}).startTime);
    check('the first picture is marked', first !== undefined);
    console.log(`first picture: ${Math.round(first)} ms after navigation`);
    await checkFraming(page, 'the start view is framed as the tour XML\'s view says', 'hall',
      'CrossLink-1-1', 120, -5);
    // The tour's files: at "/", or at the tour's site path in the site view.
    const files = await page.evaluate(() => window.Tourwright.filesUrl);
    check('the preview strip is the one the tour XML names',
      requested.includes(files + 'hall.tiles/preview.jpg') &&
      !requested.some((r) => r.includes('strip_of_the_tile_xml')), requested.join(' '));
    check('the thumbnails are the ones the tour XML names',
      requested.includes(files + 'hall.tiles/mobile_f.jpg') &&
      await page.$$eval('#scenes .thumb.gap', (nodes) => nodes.length) === 1);
    const siteView = await checkSiteView(page, files);
    // A style image (the gallery entrance's /VR/style/gallery60.png): the
    // site root's picture in the site view, the page's own mark without one.
    await page.waitForFunction(() => {
      const img = document.querySelector('#pano [data-id="GalleryEntrance-1-1"] img');
      return !img || img.complete;
    });
    const entrance = await page.evaluate(() => {
      const node = document.querySelector('#pano [data-id="GalleryEntrance-1-1"]');
      const img = node && node.querySelector('img');
      return { drawn: node && node.dataset.drawn, src: img ? new URL(img.src).pathname : '',
        width: img ? img.naturalWidth : 0 };
    });
    check('a style image comes from the site root when there is one, else is the page\'s mark',
      files === '/' ? entrance.drawn === 'mark'
        : entrance.drawn === 'picture' && entrance.src === '/VR/style/gallery60.png' && entrance.width > 0,
      JSON.stringify(entrance));
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

    await page.hover('#pano [data-id="CrossLink-1-1"]');
    check('the caption shows on hover',
      await page.isVisible('#pano [data-id="CrossLink-1-1"] .caption'));

    const shot = await page.locator('#stage').screenshot({ path: screenshot });
    const colour = await centreColour(page, shot);
    const background = [[0x20, 0x24, 0x2a], [0, 0, 0]];
    check('the panorama draws at the centre',
      !background.some((b) => b.every((c, i) => Math.abs(c - colour[i]) < 8)), String(colour));

    await page.waitForFunction(() => document.querySelector('#pano [data-id="StillImage-1-1"] img')
      .naturalWidth > 0);
    const still = await page.evaluate(() => {
      const area = document.getElementById('pano').getBoundingClientRect();
      const picture = document.querySelector('#pano [data-id="StillImage-1-1"] img');
      const box = picture.getBoundingClientRect();
      return { w: area.width, h: area.height, width: picture.naturalWidth, height: picture.naturalHeight,
        box: [box.left - area.left, box.top - area.top, box.right - area.left, box.bottom - area.top] };
    });
    // The photo at scale 0.5, a plane at 45, 10 facing the eye.
    const hallView = await sceneView(page, 'hall');
    const corners = [[-1, -1], [1, -1], [-1, 1], [1, 1]].map(([sx, sy]) => projected(
      hallView, 45, 10, still.w, still.h, sx * still.width * 0.25,
      sy * still.height * 0.25));
    const want = [Math.min(...corners.map((c) => c.x)), Math.min(...corners.map((c) => c.y)),
      Math.max(...corners.map((c) => c.x)), Math.max(...corners.map((c) => c.y))];
    check('a still image is drawn as its picture, at its scale, in the panorama',
      want.every((v, i) => Math.abs(v - still.box[i]) < 3),
      `drawn ${still.box.map(Math.round)}, the viewer's ${want.map(Math.round)}`);
    await page.waitForFunction(() => document.querySelector('#pano [data-id="Reference-1-1"] img')
      .naturalWidth > 0);
    const icon = await page.$eval('#pano [data-id="Reference-1-1"]', (node) => [node.dataset.drawn,
      node.querySelector('img').naturalWidth, parseFloat(node.querySelector('img').style.width)]);
    check('a reference is drawn as its icon at its scale',
      icon[0] === 'picture' && Math.abs(icon[1] * 1.5 - icon[2]) < 0.01, String(icon));

    await page.$eval('#pano [data-id="GalleryEntrance-1-1"]', (node) => node.click());
    const objects = await page.$$eval('#panel .gallery-object', (nodes) => nodes.map((n) => n.textContent));
    check('the gallery entrance shows its objects with captions',
      objects.length === 3 && objects.every((o) => /[\uac00-\ud7a3]/.test(o)), JSON.stringify(objects));
    await waitReady(page, 'Gallery-1-1');
    check('the gallery entrance loads the gallery scene with its objects',
      await page.$$eval('#pano [data-id^="GalleryObject"]', (nodes) => nodes.length) >= 2);
    await page.$eval('#pano [data-id="goHome-1"]', (node) => node.click());
    await waitReady(page, 'hall');
    check('the gallery\'s way back leads to its scene', true);

    await page.$eval('#pano [data-id="CrossLink-1-1"]', (node) => node.click());
    await waitReady(page, 'court');
    check('a cross link takes the viewer to its target scene', true);
    await checkFraming(page, 'after a cross link the view turns as its lookat() says', 'court',
      'CrossLink-2-3', 210, -10, 180);
    await page.waitForFunction((t) => document.getElementById('missing').textContent.includes(t), tile);
    const missing = await page.textContent('#missing');
    check('a missing tile is listed by its row and column from 1',
      missing.includes('missing on face b (row 1, column 1): ' + tile), missing);
    check('a missing tile is listed and marked on its face',
      await page.$$eval('#pano .missing-tile', (nodes) => nodes.length) === 1);
    const listed = await page.textContent('#warnings');
    check('the missing tiles of a level the page does not draw are in the warnings',
      /25 of \d+ tiles missing in court\.tiles/.test(listed) && listed.includes('l2_'), listed);
    await page.waitForFunction(() => document.getElementById('missing').textContent
      .includes('icons/network.png'));
    check('a missing icon is a marked gap and listed',
      await page.$eval('#pano [data-id="Reference-2-1"]', (node) => node.dataset.drawn) === 'gap');
    await page.click('#fold');
    await page.waitForFunction(() => document.getElementById('pano').clientWidth === window.innerWidth);
    await page.waitForTimeout(100);
    check('with the side panel folded the area is the viewer page\'s, without a note',
      await page.$eval('#framing-note', (node) => node.hidden));
    await checkFraming(page, 'the framing holds when the area changes size', 'court',
      'CrossLink-2-3', 210, -10, 180);
    await page.click('#fold');

    // The author saves the script: a cross link to a scene that does not exist.
    const bytes = fs.readFileSync(script);
    const at = bytes.lastIndexOf('#CROSSLINK\n') + '#CROSSLINK\n'.length;
    fs.writeFileSync(script, Buffer.concat([bytes.subarray(0, at),
      Buffer.from('garden 45 0 arrow $nowhere\n'), bytes.subarray(at)]));
    // A second video in the gallery: two markers named "loading"; a scene
    // whose name begins with a digit.
    insertAfterLine(script, 'jar03 1 1', 'vid04 2 0.5 $film\n');
    fs.appendFileSync(script, '\n#SCENE\n5yard 0 0 $yard\n');
    await page.waitForSelector('#pano .hotspot.broken[data-id="CrossLink-2-1"]', { state: 'attached' });
    const state = await page.evaluate(() => [document.documentElement.dataset.scene,
      document.querySelector('#pano .hotspot.broken .caption').textContent,
      document.querySelectorAll('#warnings li[data-line]').length]);
    check('a change of the script shows on the open page, in the same scene', state[0] === 'court', state[0]);
    if (siteView) {
      check('the site view opened from the page reloads when the script changes',
        await reloaded(siteView));
    }
    check('the broken link is drawn broken with the warning', state[1].includes('garden'), state[1]);
    check('the warnings panel lists the warning', state[2] >= 1, String(state[2]));

    await page.click('#gallery-scenes [data-element="Gallery-1-1"] button');
    await waitReady(page, 'Gallery-1-1');
    const loading = await page.evaluate(() => [
      document.querySelectorAll('#pano [data-id="loading"]').length,
      (document.querySelector('#pano [data-id="loading"]') || { dataset: {} }).dataset.merged,
      document.getElementById('notices').textContent]);
    check('two hotspots of one name are merged into one, and the page says so',
      loading[0] === 1 && loading[1] === '2' && loading[2].includes('named loading'), String(loading));
    await page.click('#scenes [data-element="5yard"] button');
    await waitReady(page, '5yard');
    const yard = await page.evaluate(() => [document.getElementById('scene-notice').hidden,
      document.getElementById('scene-notice').textContent, document.querySelectorAll('#pano .hotspot').length]);
    check('a scene whose name begins with a digit is shown as the viewer shows it: not loaded',
      !yard[0] && yard[1].includes('digit') && yard[2] === 0, String(yard));
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
