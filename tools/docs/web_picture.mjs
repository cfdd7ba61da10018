// The page during the show, windowed, in Debian's chromium, headless: the
// page's own core (its test build, which replays traces from memory) replays a
// trace that ziv-render recorded and its last frame is painted on the canvas, which the page then shows as it does during a show
// (so the picture is the same every time, and the frame is the desktop's).
//
//   node web_picture.mjs URL TRACE_NAME OUT.png      (TRACE_NAME beside the page)
import { createRequire } from 'node:module';
import path from 'node:path';
import { fileURLToPath } from 'node:url';

// The driver is the browser tests' (tests/web, installed by scripts/install-deps.sh).
const here = path.dirname(fileURLToPath(import.meta.url));
const require = createRequire(path.join(here, '../../tests/web/package.json'));
const puppeteer = require('puppeteer-core');

const [url, traceName, out] = process.argv.slice(2);
const browser = await puppeteer.launch({
  executablePath: process.env.ZIV_CHROMIUM || '/usr/bin/chromium',
  headless: true,
  args: ['--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run', '--disable-background-networking',
    '--disable-component-update', '--disable-sync', '--hide-scrollbars', '--font-render-hinting=none',
    '--window-size=960,600'],
  defaultViewport: { width: 960, height: 600 },
});
let status = 0;
try {
  const page = await browser.newPage();
  const problems = [];
  page.on('pageerror', (e) => problems.push(e.message));
  await page.goto(url, { waitUntil: 'load' });
  await page.waitForFunction(() => window.zivPage && window.zivPage.state === 'idle', { timeout: 60000 });
  const drawn = await page.evaluate(async (trace) => {
    const { default: createZivCore } = await import('./ziv_core.js');
    const core = await createZivCore();
    const response = await fetch(trace);
    if (!response.ok) return `cannot fetch ${trace}: ${response.status}`;
    const bytes = new Uint8Array(await response.arrayBuffer());
    const data = core._ziv_alloc(bytes.length);
    core.HEAPU8.set(bytes, data);
    const records = core._ziv_test_trace_load(data, bytes.length);
    core._ziv_free(data);
    if (records <= 0) return `the trace holds no frames (${records})`;
    const out = core._ziv_alloc(4);
    const created = core._ziv_create(0, out);
    const show = core.HEAPU32[out >> 2];
    core._ziv_free(out);
    if (created !== 0) return `no show: ${core.UTF8ToString(core._ziv_last_error())}`;
    for (let r = 0; r < records; ++r) {
      if (core._ziv_test_trace_frame(show, r) !== 1) return `record ${r}: ${core.UTF8ToString(core._ziv_last_error())}`;
    }
    const canvas = document.getElementById('screen');
    const rgba = core._ziv_page_rgba(show);
    const image = new ImageData(canvas.width, canvas.height);
    image.data.set(core.HEAPU8.subarray(rgba, rgba + canvas.width * canvas.height * 4));
    canvas.getContext('2d', { alpha: false }).putImageData(image, 0, 0);
    // What starting a show does to the page (show.js: startShow).
    document.body.classList.add('showing');
    document.getElementById('fullscreen-button').hidden = false;
    window.dispatchEvent(new Event('resize'));
    document.activeElement && document.activeElement.blur();
    return '';
  }, traceName);
  if (drawn || problems.length) throw new Error(drawn || problems.join('; '));
  await page.screenshot({ path: out });
} catch (e) {
  console.error(`web_picture: ${e.message || e}`);
  status = 1;
}
await browser.close();
process.exit(status);
