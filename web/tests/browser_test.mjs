// The page in a real Chromium (Debian's, headless), driven by puppeteer-core:
//
// - a table of states named in the address, each composed by the page and
//   by the native zarvo-render with the same options: the SHA-256 of the
//   page's canvas bytes equals that of zarvo-render's canvas, and what the
//   presenter shows equals the canvas;
// - pictures through the picture path (PNG, BMP, JPEG), against
//   zarvo-render --picture: PNG and BMP byte for byte; for JPEG, whose
//   decoders may round differently, the difference is measured and printed;
// - the live page: it loads and draws, a key moves the selection, a tap on
//   a menu label selects it, a tap on the spectrum switches the panel, keys
//   do not scroll the page, a bad picture gets its message and the picture
//   before stays, Esc stops and Enter starts again, a browser without
//   WebAssembly SIMD gets a message.
//
//   node browser_test.mjs SITE_DIR ZARVO_RENDER ASSETS_DIR [--screenshot FILE]
import {test, after, before} from 'node:test';
import assert from 'node:assert/strict';
import {createHash} from 'node:crypto';
import {execFileSync} from 'node:child_process';
import {mkdtempSync, readFileSync, writeFileSync, rmSync, existsSync} from 'node:fs';
import {createServer} from 'node:http';
import {tmpdir} from 'node:os';
import {join, resolve, extname} from 'node:path';
import puppeteer from 'puppeteer-core';

const args = process.argv.slice(2);
const screenshotAt = args.indexOf('--screenshot');
const screenshot = screenshotAt >= 0 ? resolve(args.splice(screenshotAt, 2)[1]) : null;
const [site, render, assets] = args.map((a) => resolve(a));
if (!site || !render || !assets) {
  console.error('usage: node browser_test.mjs SITE_DIR ZARVO_RENDER ASSETS_DIR [--screenshot FILE]');
  process.exit(64);
}
const chromiumPath = process.env.ZARVO_CHROMIUM || '/usr/lib/chromium/chromium';
const work = mkdtempSync(join(tmpdir(), 'zarvo-browser-test-'));

// ---- the native side ----

// The canvas zarvo-render writes for these options (a binary PPM: a header
// of three lines, then the RGB bytes).
function renderCanvas(options) {
  const out = join(work, 'render.ppm');
  execFileSync(render, ['--assets', assets, '--out', out, ...options]);
  const ppm = readFileSync(out);
  let at = 0;
  for (let lines = 0; lines < 3; ++at) {
    if (ppm[at] === 0x0a) {
      ++lines;
    }
  }
  return ppm.subarray(at);
}

const sha256 = (bytes) => createHash('sha256').update(bytes).digest('hex');

// zarvo-render's options for a query string of the same names.
function renderOptions(query) {
  const options = [];
  for (const [name, value] of new URLSearchParams(query)) {
    options.push('--' + name);
    if (name !== 'phase-panel') {
      options.push(value);
    }
  }
  return options;
}

// ---- pictures, made with ImageMagick ----

// `format` (e.g. 'bmp3:') says which form of the file's format to write.
function makePicture(name, convertArgs, format = '') {
  const path = join(work, name);
  execFileSync('/usr/bin/convert', [...convertArgs, format + path]);
  return path;
}

// The JPEG file at `path` with an EXIF block saying `orientation` (1-8)
// put right after its start marker.
function withOrientation(path, orientation) {
  const jpeg = readFileSync(path);
  const tiff = Buffer.from([0x49, 0x49, 0x2a, 0, 8, 0, 0, 0,  // little-endian, IFD at 8
    1, 0, 0x12, 0x01, 3, 0, 1, 0, 0, 0, orientation, 0, 0, 0,  // one entry: orientation
    0, 0, 0, 0]);  // no next IFD
  const app1 = Buffer.concat([Buffer.from([0xff, 0xe1, 0, 2 + 6 + tiff.length]),
    Buffer.from('Exif\0\0', 'latin1'), tiff]);
  writeFileSync(path, Buffer.concat([jpeg.subarray(0, 2), app1, jpeg.subarray(2)]));
  return path;
}

// A 24-bit BMP of width x height white pixels, written by hand: ImageMagick
// refuses to make pictures wider than its own limit.
function whiteBmp(name, width, height) {
  const row = Math.ceil((3 * width) / 4) * 4;
  const bytes = Buffer.alloc(54 + row * height, 0xff);
  bytes.write('BM', 0);
  bytes.writeUInt32LE(bytes.length, 2);
  bytes.writeUInt32LE(0, 6);
  bytes.writeUInt32LE(54, 10);
  bytes.writeUInt32LE(40, 14);
  bytes.writeInt32LE(width, 18);
  bytes.writeInt32LE(height, 22);
  bytes.writeUInt16LE(1, 26);
  bytes.writeUInt16LE(24, 28);
  bytes.writeUInt32LE(0, 30);
  bytes.writeUInt32LE(row * height, 34);
  bytes.fill(0, 38, 54);
  const path = join(work, name);
  writeFileSync(path, bytes);
  return path;
}

// ---- the page, served from 127.0.0.1 ----

const types = {'.html': 'text/html', '.js': 'text/javascript', '.wasm': 'application/wasm'};
const server = createServer((request, response) => {
  const path = join(site, decodeURIComponent(new URL(request.url, 'http://x').pathname));
  if (!path.startsWith(site) || !existsSync(path)) {
    response.writeHead(404).end();
    return;
  }
  response.writeHead(200, {'Content-Type': types[extname(path)] || 'application/octet-stream'});
  response.end(readFileSync(path));
});
let origin;
let browser;

before(async () => {
  await new Promise((done) => server.listen(0, '127.0.0.1', done));
  origin = 'http://127.0.0.1:' + server.address().port;
  browser = await puppeteer.launch({executablePath: chromiumPath, headless: true,
    args: ['--no-sandbox', '--allow-file-access-from-files']});
});

after(async () => {
  if (browser) {
    await browser.close();
  }
  server.close();
  rmSync(work, {recursive: true, force: true});
});

async function openPage(query, width = 1700, height = 900) {
  const page = await browser.newPage();
  await page.setViewport({width, height, deviceScaleFactor: 1});
  page.on('pageerror', (error) => console.error('page error:', error.message));
  await page.goto(origin + '/index.html' + query);
  return page;
}

async function waitReady(page, ...values) {
  const wanted = JSON.stringify(values);
  await page.waitForFunction((w) => JSON.parse(w).includes(document.body.dataset.ready), {},
    wanted);
  return page.evaluate(() => document.body.dataset.ready);
}

const shownSha = (page) => page.evaluate(() => window.zarvoPage.shownSha256());
const outputSha = (page) => page.$eval('#canvas-sha256', (o) => o.value);
const message = (page) => page.$eval('#message', (m) => (m.hidden ? '' : m.textContent));
const state = (page) => page.evaluate(() => window.zarvoPage.state());
const pixel = (page, x, y) => page.evaluate((px, py) => window.zarvoPage.shownPixel(px, py), x, y);
// A click at canvas pixel (x, y), wherever the canvas sits and however it
// is scaled.
async function clickCanvas(page, x, y) {
  const box = await page.$eval('#canvas', (c) => {
    const r = c.getBoundingClientRect();
    return {left: r.left, top: r.top, scale: r.width / c.width};
  });
  await page.mouse.click(box.left + (x + 0.5) * box.scale, box.top + (y + 0.5) * box.scale);
}
const canvasBytes = async (page) =>
  Buffer.from(await page.evaluate(() => window.zarvoPage.canvasBase64()), 'base64');

// ---- states named in the address ----

// The number of tests, from the renderer's catalogue.
const testCount = execFileSync(render, ['--list-tests'], {encoding: 'utf8'}).trim().split('\n')
  .length;

function stateTable() {
  const states = [];
  for (const layout of ['full', 'condensed']) {
    for (let select = 0; select < testCount; ++select) {
      states.push(`?layout=${layout}&select=${select}&frames=3`);
    }
  }
  for (let select = 0; select < testCount; ++select) {
    states.push(`?layout=condensed&phase-panel=1&select=${select}&frames=2`);
  }
  states.push(
    // Rare frame numbers: the last phase before the wrap, the wrap, far on.
    '?select=9&first-frame=999&frames=1', '?select=8&first-frame=1000&frames=2',
    '?select=7&first-frame=1073741000&frames=3', '?select=6&first-frame=501&frames=40',
    // Keys: the last arrow of a frame decides, a Space toggles; wrap-around.
    '?layout=condensed&keys=1:Down,2:Space,3:Down,3:Up&frames=4',
    '?keys=1:Up&frames=2', '?select=9&keys=1:Down&frames=2',
    '?layout=condensed&phase-panel=1&keys=2:Space,2:Space,5:Up&frames=6',
    // The clock: the rate line at other steps.
    '?select=4&ms-per-frame=0&frames=5', '?select=5&ms-per-frame=1000&frames=3',
    '?select=3&ms-per-frame=7&frames=120');
  return states;
}

test('every state named in the address gives zarvo-render\'s canvas, and shows it', async () => {
  const page = await openPage('');
  await waitReady(page, 'live');
  for (const query of stateTable()) {
    await page.goto(origin + '/index.html' + query);
    await waitReady(page, 'state', 'error');
    const want = sha256(renderCanvas(renderOptions(query)));
    assert.equal(await outputSha(page), want, query);
    assert.equal(await shownSha(page), want, 'shown ' + query);
  }
  await page.close();
});

test('a file page composes the same state as a served one', async () => {
  const page = await browser.newPage();
  await page.goto('file://' + join(site, 'index.html') + '?select=2&layout=condensed&frames=2');
  await waitReady(page, 'state');
  assert.equal(await outputSha(page),
    sha256(renderCanvas(['--select', '2', '--layout', 'condensed', '--frames', '2'])));
  await page.close();
});

test('a bad state gets a message and no canvas', async () => {
  for (const [query, part] of [[`?select=${testCount}`, `bad select '${testCount}'`],
    ['?layout=wide', 'layout'],
    ['?keys=1:Left', "bad key press '1:Left'"], ['?frames=0', "bad frames '0'"]]) {
    const page = await openPage(query);
    assert.equal(await waitReady(page, 'state', 'error'), 'error', query);
    assert.match(await message(page), new RegExp(part.replace(/[()']/g, '.')), query);
    assert.equal(await outputSha(page), 'error');
    await page.close();
  }
});

// ---- pictures ----

// Each picture through the page's picture path in a state, against
// zarvo-render --picture; `prepare` may change the page before it loads.
// Returns [page canvas, render canvas].
async function pictureCanvases(path, query, prepare = null) {
  let page;
  if (prepare === null) {
    page = await openPage(query);
  } else {
    page = await browser.newPage();
    await prepare(page);
    await page.goto(origin + '/index.html' + query);
  }
  await waitReady(page, 'state');
  const input = await page.$('#picture');
  await page.evaluate(() => { document.body.dataset.ready = 'busy'; });
  await input.uploadFile(path);
  assert.equal(await waitReady(page, 'state', 'error'), 'state', await message(page));
  const got = await canvasBytes(page);
  assert.equal(await shownSha(page), sha256(got), 'shown ' + path);
  await page.close();
  return [got, renderCanvas([...renderOptions(query), '--picture', path])];
}

test('PNG and BMP pictures give zarvo-render --picture\'s canvas', async () => {
  const pictures = [
    makePicture('gradient.png', ['-size', '300x200', 'gradient:red-blue', '-type', 'TrueColor']),
    makePicture('tall.png', ['-seed', '7', '-size', '97x1301', 'plasma:fractal']),
    makePicture('grey16.png', ['-size', '640x480', 'gradient:', '-depth', '16']),
    makePicture('one.png', ['-size', '1x1', 'xc:rgb(200,100,50)']),
    makePicture('wide.bmp', ['-size', '2048x300', 'pattern:checkerboard', '-type', 'TrueColor'],
      'bmp3:'),
    makePicture('palette.bmp', ['-size', '130x70', 'plasma:', '-colors', '16', '-type',
      'Palette'], 'bmp3:'),
    makePicture('large.png', ['-size', '4000x3000', 'gradient:navy-yellow', '-swirl', '200']),
    // Wider than WebGL's textures here: read through a 2-D canvas.
    makePicture('wider.png', ['-size', '10000x30', 'gradient:black-white', '-rotate', '0']),
  ];
  const queries = ['?select=0&frames=2', '?layout=condensed&select=2&phase-panel=1&frames=2',
    '?select=1&frames=1'];
  for (const [k, path] of pictures.entries()) {
    const [got, want] = await pictureCanvases(path, queries[k % queries.length]);
    assert.equal(sha256(got), sha256(want), path);
  }
});

test('a PNG with alpha over black gives zarvo-render --picture\'s canvas', async () => {
  const path = makePicture('alpha.png', ['-size', '120x80', 'xc:none', '-fill',
    'rgba(200,100,50,0.5)', '-draw', 'circle 60,40 60,5', '-fill', 'rgba(30,240,90,0.2)',
    '-draw', 'rectangle 0,0 50,70'], 'PNG32:');
  const [got, want] = await pictureCanvases(path, '?select=0&frames=2');
  assert.equal(sha256(got), sha256(want), path);
});

test('JPEG pictures: the difference from zarvo-render --picture, measured', async () => {
  const pictures = [
    resolve(assets, '..', 'docs', 'picture', 'example.jpg'),
    makePicture('plasma.jpg', ['-seed', '5', '-size', '800x600', 'plasma:', '-quality', '85']),
    makePicture('grey.jpg', ['-size', '512x512', 'gradient:', '-colorspace', 'Gray', '-quality',
      '90']),
    // Turned by its EXIF orientation (the page decodes with the orientation
    // applied, as zarvo-render reads it); progressive; CMYK.
    withOrientation(makePicture('oriented.jpg', ['-seed', '9', '-size', '300x200', 'plasma:']),
      6),
    makePicture('progressive.jpg', ['-seed', '4', '-size', '640x400', 'plasma:', '-interlace',
      'JPEG']),
    makePicture('cmyk.jpg', ['-seed', '6', '-size', '320x240', 'plasma:', '-colorspace', 'CMYK']),
  ];
  for (const path of pictures) {
    const [got, want] = await pictureCanvases(path, '?select=0&frames=2');
    // The input panel holds the picture's greys: rows 21-532, columns 21-532.
    let differing = 0;
    let largest = 0;
    for (let y = 21; y < 533; ++y) {
      for (let x = 21; x < 533; ++x) {
        const d = Math.abs(got[3 * (y * 1640 + x)] - want[3 * (y * 1640 + x)]);
        differing += d !== 0 ? 1 : 0;
        largest = Math.max(largest, d);
      }
    }
    console.log(`# JPEG ${path.split('/').pop()}: ${differing} of 262144 input-panel greys ` +
      `differ from zarvo-render's, by at most ${largest}; canvases ` +
      (sha256(got) === sha256(want) ? 'equal' : 'differ'));
    // Both decode the same file by the JPEG standard; a decoder's rounding
    // moves a grey by a step or two, never more.
    assert.ok(largest <= 3, `${path}: greys differ by ${largest}`);
  }
});

// ---- the live page ----

test('the live page draws, takes keys and taps, and never scrolls', async () => {
  const page = await openPage('', 1700, 700);
  await waitReady(page, 'live');
  assert.deepEqual(await state(page), {selection: 0, showMagnitude: true, width: 1640});
  // The bar behind "Ostrel" is white; the input panel shows the picture.
  await page.waitForFunction(() => window.zarvoPage.shownPixel(20, 557).join() === '255,255,255');
  const panel = await page.evaluate(() => {
    const shown = window.zarvoPage.shown();
    let lit = 0;
    for (let y = 21; y < 533; y += 16) {
      for (let x = 21; x < 533; x += 16) {
        lit += shown[3 * (y * 1640 + x)] > 0 ? 1 : 0;
      }
    }
    return lit;
  });
  assert.ok(panel > 500, `input panel lit at ${panel} of 1024 places`);

  await page.keyboard.press('ArrowDown');
  await page.waitForFunction(() => window.zarvoPage.state().selection === 1);
  await page.waitForFunction(() => window.zarvoPage.shownPixel(20, 569).join() === '255,255,255');
  await page.keyboard.press('ArrowUp');
  await page.keyboard.press('ArrowUp');
  await page.waitForFunction(() => window.zarvoPage.state().selection === 9);
  assert.equal(await page.evaluate(() => window.scrollY), 0, 'keys scrolled the page');
  await page.keyboard.press(' ');
  assert.equal(await page.evaluate(() => window.scrollY), 0, 'Space scrolled the page');

  // A tap on "Pattern" (menu row 5).
  await clickCanvas(page, 60, 557 + 12 * 5 + 5);
  await page.waitForFunction(() => window.zarvoPage.state().selection === 5);
  await page.waitForFunction(() => window.zarvoPage.shownPixel(20, 617).join() === '255,255,255');

  if (screenshot) {
    await page.keyboard.press('ArrowDown');
    await page.keyboard.press('ArrowDown');
    await page.keyboard.press('ArrowDown');
    await page.keyboard.press('ArrowDown');
    await page.waitForFunction(() => window.zarvoPage.state().selection === 9);
    await new Promise((done) => setTimeout(done, 3000));  // the rate settles
    await page.screenshot({path: screenshot, clip: {x: 0, y: 0, width: 1656, height: 860}});
  }
  await page.close();
});

test('the condensed page switches panels with Space and with a tap on the spectrum', async () => {
  const page = await openPage('', 1200, 900);
  await waitReady(page, 'live');
  assert.deepEqual(await state(page), {selection: 0, showMagnitude: true, width: 1100});
  await page.keyboard.press(' ');
  await page.waitForFunction(() => !window.zarvoPage.state().showMagnitude);
  await clickCanvas(page, 800, 300);
  await page.waitForFunction(() => window.zarvoPage.state().showMagnitude);
  // A tap on "VHS" (menu row 2).
  await clickCanvas(page, 40, 557 + 12 * 2 + 2);
  await page.waitForFunction(() => window.zarvoPage.state().selection === 2);
  await page.close();
});

test('a narrow page scales the canvas down to fit, unsmoothed', async () => {
  const page = await openPage('', 700, 600);
  await waitReady(page, 'live');
  const box = await page.$eval('#canvas', (c) => {
    const r = c.getBoundingClientRect();
    return {width: r.width, height: r.height, rendering: getComputedStyle(c).imageRendering};
  });
  assert.ok(box.width <= 700 && box.width > 600, `canvas ${box.width} wide`);
  assert.ok(Math.abs(box.height - box.width * 800 / 1100) < 1, `aspect ${box.width}x${box.height}`);
  assert.equal(box.rendering, 'pixelated');
  // A tap on a label still lands on it, scaled.
  await clickCanvas(page, 60, 557 + 12 * 7 + 5);
  await page.waitForFunction(() => window.zarvoPage.state().selection === 7);
  await page.close();
});

test('a bad picture gets one message and the picture before stays', async () => {
  const page = await openPage('');
  await waitReady(page, 'live');
  const input = await page.$('#picture');
  const good = makePicture('good.png', ['-size', '64x64', 'gradient:white-black']);
  await input.uploadFile(good);
  await page.waitForFunction(() => document.getElementById('message').hidden);
  await page.keyboard.press('Escape');
  await waitReady(page, 'stopped');
  const before = await canvasBytes(page);
  const cases = [
    [join(work, 'words.png'), 'not a PNG, JPEG or BMP image', 'just some words\n'],
    [join(work, 'cut.png'), 'cannot decode', readFileSync(good).subarray(0, 60)],
    [whiteBmp('huge.bmp', 16385, 2),
      'expected an image of at most 16384 x 16384 pixels, found an image of 16385 x 2'],
    [join(work, 'empty.bmp'), 'empty file', ''],
  ];
  for (const [path, part, bytes] of cases) {
    if (bytes !== undefined) {
      writeFileSync(path, bytes);
    }
    await input.uploadFile(path);
    await page.waitForFunction((p) => document.getElementById('message').textContent.includes(p),
      {}, part);
    assert.match(await message(page), new RegExp(part.replace(/[().]/g, '.')));
  }
  // Started again, the input panel still shows the good picture.
  await page.keyboard.press('Enter');
  await waitReady(page, 'live');
  await page.keyboard.press('Escape');
  await waitReady(page, 'stopped');
  const now = await canvasBytes(page);
  for (let y = 21; y < 533; y += 7) {
    const at = 3 * (y * 1640 + 21);
    assert.ok(before.subarray(at, at + 512 * 3).equals(now.subarray(at, at + 512 * 3)), `row ${y}`);
  }
  await page.close();
});

test('Esc and Q stop the loop, the page says how to start again, Enter starts it', async () => {
  const page = await openPage('');
  await waitReady(page, 'live');
  for (const key of ['Escape', 'q']) {
    await page.keyboard.press(key);
    await waitReady(page, 'stopped');
    assert.match(await message(page), /start again/);
    const shown = await shownSha(page);
    await new Promise((done) => setTimeout(done, 300));
    assert.equal(await shownSha(page), shown, 'the canvas changed after ' + key);
    await page.keyboard.press('Enter');
    await waitReady(page, 'live');
    assert.equal(await message(page), '');
  }
  await page.close();
});

test('without WebGL the page shows the canvas through a 2-D canvas, byte for byte', async () => {
  const page = await browser.newPage();
  await page.setViewport({width: 1700, height: 900, deviceScaleFactor: 1});
  await page.evaluateOnNewDocument(() => {
    for (const type of [HTMLCanvasElement, OffscreenCanvas]) {
      const getContext = type.prototype.getContext;
      type.prototype.getContext = function (kind, ...rest) {
        return kind.startsWith('webgl') ? null : getContext.call(this, kind, ...rest);
      };
    }
  });
  const query = '?layout=condensed&select=5&keys=1:Space&frames=2';
  await page.goto(origin + '/index.html' + query);
  await waitReady(page, 'state');
  assert.equal(await page.evaluate(() => document.body.dataset.presenter), '2d');
  const want = sha256(renderCanvas(renderOptions(query)));
  assert.equal(await outputSha(page), want);
  assert.equal(await shownSha(page), want);
  await page.close();
  // An opaque picture read through a 2-D canvas keeps its bytes as well.
  const picture = makePicture('opaque.png', ['-seed', '11', '-size', '333x222', 'plasma:']);
  const [got, wanted] = await pictureCanvases(picture, '?select=1&frames=2', (p) =>
    p.evaluateOnNewDocument(() => {
      const getContext = OffscreenCanvas.prototype.getContext;
      OffscreenCanvas.prototype.getContext = function (kind, ...rest) {
        return kind.startsWith('webgl') ? null : getContext.call(this, kind, ...rest);
      };
    }));
  assert.equal(sha256(got), sha256(wanted));
});

test('a picture dropped on the page takes the place of the selected picture test', async () => {
  const page = await openPage('');
  await waitReady(page, 'live');
  await page.keyboard.press('ArrowDown');  // Sierpinsky
  await page.waitForFunction(() => window.zarvoPage.state().selection === 1);
  const path = makePicture('dropped.png', ['-size', '200x100', 'gradient:black-white']);
  const bytes = readFileSync(path).toString('base64');
  await page.evaluate((data) => {
    const file = new File([Uint8Array.from(atob(data), (c) => c.charCodeAt(0))], 'dropped.png',
      {type: 'image/png'});
    const transfer = new DataTransfer();
    transfer.items.add(file);
    document.body.dispatchEvent(new DragEvent('drop', {dataTransfer: transfer, bubbles: true,
      cancelable: true}));
  }, bytes);
  await page.waitForFunction(() => document.getElementById('message').hidden);
  await page.keyboard.press('Escape');
  await waitReady(page, 'stopped');
  assert.equal((await state(page)).selection, 1);
  // The input panel is the picture zarvo-render makes of the same file.
  const got = await canvasBytes(page);
  const want = renderCanvas(['--select', '1', '--picture', path]);
  for (let y = 21; y < 533; ++y) {
    const at = 3 * (y * 1640 + 21);
    assert.ok(got.subarray(at, at + 512 * 3).equals(want.subarray(at, at + 512 * 3)), `row ${y}`);
  }
  await page.close();
});

test('a browser without WebAssembly SIMD gets a message, not a blank page', async () => {
  const page = await browser.newPage();
  await page.evaluateOnNewDocument(() => { WebAssembly.validate = () => false; });
  await page.goto(origin + '/index.html');
  assert.equal(await waitReady(page, 'unsupported'), 'unsupported');
  assert.match(await message(page), /WebAssembly SIMD/);
  assert.equal(await page.$eval('#canvas', (c) => c.hidden), true);
  await page.close();
});
