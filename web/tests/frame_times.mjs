// The page's benchmark: each test's frame (compose_frame) in both layouts,
// in Chromium and in node, next to the native build's on the SSE4 target
// (128 bits wide, like WebAssembly's SIMD) and as dispatched. Run by
// bench/web_frames.sh. The four are measured in turn, in several rounds, and
// each figure is the median of its rounds: on a shared machine the load
// then falls on all four alike.
//
//   node frame_times.mjs SITE_DIR ZARVO_FRAME_TIMES ASSETS_DIR [ROUNDS]
import {createRequire} from 'node:module';
import {execFileSync} from 'node:child_process';
import {join, resolve} from 'node:path';
import puppeteer from 'puppeteer-core';

const [site, nativeTool, assets] = process.argv.slice(2, 5).map((a) => resolve(a));
const rounds = Number(process.argv[5] || 3);

// The same measurement everywhere: 20 frames of warm-up, then the median
// of 7 runs of 50 frames, per frame, in milliseconds; all of it twice, the
// first pass only to let the engine compile the module's hot code fully
// (it starts every function with a quick baseline compile).
function measure(module, now) {
  let times = {};
  for (let pass = 0; pass < 2; ++pass) {
    times = {};
  for (const condensed of [0, 1]) {
    module._zarvo_start(condensed, 16);
    for (let test = 0; test < module._zarvo_test_count(); ++test) {
      module._zarvo_set_state(test, 1, 0);
      for (let k = 0; k < 20; ++k) {
        module._zarvo_frame(0, 0, 0);
      }
      const runs = [];
      for (let run = 0; run < 7; ++run) {
        const start = now();
        for (let k = 0; k < 50; ++k) {
          module._zarvo_frame(0, 0, 0);
        }
        runs.push((now() - start) / 50);
      }
      runs.sort((a, b) => a - b);
      times[(condensed ? 'condensed' : 'full') + ' ' + test] = runs[3];
    }
  }
  }
  return times;
}

// The native tool's figures: one line "LAYOUT TEST MILLISECONDS" a frame.
function native(...target) {
  const times = {};
  const text = execFileSync(nativeTool, [assets, ...target], {encoding: 'utf8'});
  for (const line of text.trim().split('\n')) {
    const [layout, test, ms] = line.split(' ');
    times[layout + ' ' + test] = Number(ms);
  }
  return times;
}

const require = createRequire(import.meta.url);
const createZarvoModule = require(join(site, 'zarvo_page.js'));
const nodeModule = await createZarvoModule();
// The tests' labels, from the module's catalogue.
nodeModule._zarvo_start(0, 16);
const names = [];
for (let test = 0; test < nodeModule._zarvo_test_count(); ++test) {
  const at = nodeModule._zarvo_test_label(test);
  const end = nodeModule.HEAPU8.indexOf(0, at);
  names.push(Buffer.from(nodeModule.HEAPU8.subarray(at, end)).toString('latin1'));
}

const browser = await puppeteer.launch({executablePath: process.env.ZARVO_CHROMIUM ||
  '/usr/lib/chromium/chromium', headless: true, args: ['--no-sandbox']});
const page = await browser.newPage();
// A state page: the module is loaded and no loop runs beside the measurement.
await page.goto('file://' + join(site, 'index.html') + '?frames=1');
await page.waitForFunction(() => document.body.dataset.ready === 'state');
const version = await browser.version();

const samples = {sse4: [], dispatched: [], chromium: [], node: []};
for (let round = 0; round < rounds; ++round) {
  samples.sse4.push(native('sse4'));
  samples.dispatched.push(native());
  samples.chromium.push(await page.evaluate(`(${measure.toString()})(window.zarvoPage.module(),
    () => performance.now())`));
  samples.node.push(measure(nodeModule, () => performance.now()));
}
await browser.close();
const medianOf = (runs) => {
  const times = {};
  for (const key of Object.keys(runs[0])) {
    const values = runs.map((r) => r[key]).sort((a, b) => a - b);
    times[key] = values[Math.floor(values.length / 2)];
  }
  return times;
};
const sse4 = medianOf(samples.sse4);
const dispatched = medianOf(samples.dispatched);
const inChromium = medianOf(samples.chromium);
const inNode = medianOf(samples.node);

const f = (x) => x.toFixed(2).padStart(6);
console.log(`Frame times in ms (median of 7 runs of 50 frames, then of ${rounds} rounds); ` +
  `${version}, node ${process.version}; native: this build's zarvo-frame-times`);
console.log('layout     test              native SSE4  dispatched  Chromium    node' +
  '  Chromium/SSE4  node/SSE4');
let worstRatio = 0;
let worstMs = 0;
for (const layout of ['full', 'condensed']) {
  for (let test = 0; test < names.length; ++test) {
    const key = layout + ' ' + test;
    const ratio = inChromium[key] / sse4[key];
    worstRatio = Math.max(worstRatio, ratio);
    worstMs = Math.max(worstMs, inChromium[key]);
    console.log(`${layout.padEnd(10)} ${names[test].padEnd(17)} ${f(sse4[key])}      ` +
      `${f(dispatched[key])}     ${f(inChromium[key])}  ${f(inNode[key])}` +
      `     ${ratio.toFixed(2).padStart(5)}      ${(inNode[key] / sse4[key]).toFixed(2).padStart(5)}`);
  }
}
console.log(`slowest Chromium frame ${worstMs.toFixed(2)} ms (goal: under 8 ms); largest ` +
  `Chromium/SSE4 ratio ${worstRatio.toFixed(2)} (goal: at most 1.5)`);
