// Drives the page in Debian's chromium, headless, for the browser tests.
//
//   node drive.mjs page    URL ARTEFACTS TRACK JUNK the page as a user meets it (JUNK: a file that is no audio)
//   node drive.mjs replay  URL HASHES               a trace replayed in the page against native hashes
//   node drive.mjs angles  URL                      cos and sin against the native table
//   node drive.mjs analyser URL                     the spectrum analyser against the native one
//   node drive.mjs heard   URL                      a track through the page's audio path against ziv-render's trace
//   node drive.mjs timing  URL                      600 frames of the show, timed in the page
//   node drive.mjs starts  URL                      one show at a time, with the default track held back
//
// Every check prints one line; the exit status is the number of failures (at most 100).
import fs from 'node:fs';
import path from 'node:path';
import puppeteer from 'puppeteer-core';

const [mode, url, ...rest] = process.argv.slice(2);
let failures = 0;
const check = (ok, what, detail = '') => {
  console.log(`${ok ? 'ok  ' : 'FAIL'} ${what}${detail ? `: ${detail}` : ''}`);
  if (!ok) failures += 1;
};

const browser = await puppeteer.launch({
  executablePath: process.env.ZIV_CHROMIUM || '/usr/bin/chromium',
  headless: true,
  protocolTimeout: 600000,
  // This machine's network is closed: background services only fill the log with refused connections.
  args: ['--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run', '--disable-background-networking',
    '--disable-component-update', '--disable-sync', '--window-size=1024,768'],
  defaultViewport: { width: 1024, height: 768 },
});

const problems = [];
async function openPage(address, prepare = null) {
  const page = await browser.newPage();
  if (prepare) await page.evaluateOnNewDocument(prepare);
  page.on('console', (m) => { if (m.type() === 'error') problems.push(`console: ${m.text()}`); });
  page.on('pageerror', (e) => problems.push(`page error: ${e.message}`));
  page.on('requestfailed', (r) => problems.push(`request failed: ${r.url()} ${r.failure()?.errorText}`));
  page.on('response', (r) => { if (r.status() >= 400) problems.push(`HTTP ${r.status()}: ${r.url()}`); });
  await page.goto(address, { waitUntil: 'load' });
  return page;
}

const state = (page) => page.evaluate(() => window.zivPage && window.zivPage.state);
async function waitFor(page, what, fn, arg, timeout = 30000) {
  try {
    await page.waitForFunction(fn, { timeout, polling: 50 }, arg);
    return true;
  } catch (e) {
    check(false, what, `timed out after ${timeout} ms (state ${await state(page)})`);
    return false;
  }
}
const waitState = (page, s, timeout) => waitFor(page, `state ${s}`, (x) => window.zivPage && window.zivPage.state === x, s, timeout);

// A hash of what the canvas shows now.
const canvasHash = (page) => page.evaluate(() => {
  const c = document.getElementById('screen');
  const d = c.getContext('2d').getImageData(0, 0, c.width, c.height).data;
  let h = 2166136261;
  for (let i = 0; i < d.length; i += 4) h = Math.imul(h ^ (d[i] | d[i + 1] << 8 | d[i + 2] << 16), 16777619);
  return h >>> 0;
});

async function focusedId(page) { return page.evaluate(() => document.activeElement && document.activeElement.id); }
async function boxes(page) {
  return page.evaluate(() => ({ sound: document.getElementById('opt-sound').checked,
    fullscreen: document.getElementById('opt-fullscreen').checked, loop: document.getElementById('opt-loop').checked,
    open: document.getElementById('options').open }));
}

// A show runs: frames are drawn, they change, and the music reaches the analyser.
async function checkShowRuns(page, what) {
  if (!(await waitFor(page, `${what}: 90 frames`, () => window.zivPage.frames >= 90, null, 30000))) return;
  const a = await canvasHash(page);
  await new Promise((r) => setTimeout(r, 700));
  const b = await canvasHash(page);
  check(a !== b, `${what}: the pictures change`);
  const heard = await page.evaluate(() => window.zivPage.loudestBand);
  check(heard > 0.05, `${what}: the analyser hears the music`, `loudest band ${heard}`);
}

async function pagePass(artefacts, testFile, junkFile) {
  const page = await openPage(url);
  if (!(await waitState(page, 'idle'))) return;

  // First start: the notice, then the dialog with its defaults and focus.
  await page.click('#start');
  await waitState(page, 'notice');
  check(await page.evaluate(() => !document.getElementById('notice').hidden), 'the photosensitivity notice comes first');
  await page.click('#notice-ok');
  await waitState(page, 'dialog');
  let b = await boxes(page);
  check(b.open && b.sound && b.fullscreen && !b.loop, 'dialog defaults: sound on, fullscreen on, loop off', JSON.stringify(b));
  check(await focusedId(page) === 'opt-sound', 'the focus starts on sound', await focusedId(page));

  // Tab order sound, loop, fullscreen, round again; Shift+Tab back; Space toggles.
  const order = [];
  for (let i = 0; i < 3; ++i) { await page.keyboard.press('Tab'); order.push(await focusedId(page)); }
  check(order.join() === 'opt-loop,opt-fullscreen,opt-sound', 'Tab: loop, fullscreen, then sound again', order.join());
  await page.keyboard.down('Shift'); await page.keyboard.press('Tab'); await page.keyboard.up('Shift');
  check(await focusedId(page) === 'opt-fullscreen', 'Shift+Tab goes back to fullscreen', await focusedId(page));
  await page.keyboard.press('Space');
  check(await page.evaluate(() => window.zivPage.options.fullscreen === false), 'Space unticks the focused box at once');
  await page.keyboard.press('Space');
  check(await page.evaluate(() => window.zivPage.options.fullscreen === true), 'Space again ticks it');
  await page.click('label:has(#opt-sound)');
  check(await page.evaluate(() => window.zivPage.options.sound === false), 'a click on a label toggles its box');

  // Escape cancels: no show, and the changes are not kept.
  await page.keyboard.press('Escape');
  await waitState(page, 'cancelled');
  check(!(await boxes(page)).open, 'Escape closes the dialog without a show');
  await page.click('#start');
  await waitState(page, 'dialog');
  b = await boxes(page);
  check(b.sound && b.fullscreen && !b.loop, 'a cancelled dialog changed nothing; no second notice', JSON.stringify(b));

  // The default track, windowed (Tab Tab Space unticks fullscreen), started with Enter.
  await page.keyboard.press('Tab'); await page.keyboard.press('Tab'); await page.keyboard.press('Space');
  await page.keyboard.press('Enter');
  if (await waitState(page, 'showing')) {
    check(!(await page.evaluate(() => window.zivPage.fullscreen)), 'fullscreen unticked: the show stays in the page');
    await checkShowRuns(page, 'default track');
    const shot = await page.$('#screen');
    await shot.screenshot({ path: path.join(artefacts, 'web-show.png') });
    await page.keyboard.press('Escape');
    await waitState(page, 'ended');
    check(await page.evaluate(() => window.zivPage.endedBy === 'escape'), 'Escape ends the show');
    const frames = await page.evaluate(() => window.zivPage.frames);
    await new Promise((r) => setTimeout(r, 300));
    check(frames === await page.evaluate(() => window.zivPage.frames), 'no frame is drawn after the end');
  }

  // Full screen: on by the dialog, F and a double-click toggle it, Escape ends the show.
  // The dialog opens as the last OK left it (windowed), so fullscreen is ticked again.
  await page.click('#start');
  await waitState(page, 'dialog');
  check(!(await boxes(page)).fullscreen, 'the dialog keeps what the last OK chose');
  await page.keyboard.press('Tab'); await page.keyboard.press('Tab'); await page.keyboard.press('Space');
  await page.keyboard.press('Enter');
  if (await waitState(page, 'showing')) {
    await waitFor(page, 'the show opens full screen', () => document.fullscreenElement !== null, null, 5000);
    await page.keyboard.press('f');
    await waitFor(page, 'F leaves full screen', () => document.fullscreenElement === null, null, 5000);
    check(await state(page) === 'showing', 'the show goes on in the page');
    await page.mouse.click(512, 384, { clickCount: 2 });
    await waitFor(page, 'a double-click enters full screen', () => document.fullscreenElement !== null, null, 5000);
    await waitFor(page, 'the picture grows to the screen', () => document.getElementById('screen').clientWidth > 640, null, 5000);
    const size = await page.evaluate(() => [document.getElementById('screen').clientWidth, document.getElementById('screen').clientHeight]);
    check(size[0] > 640 && size[0] * 3 === size[1] * 4, 'the picture keeps 4:3 in full screen', size.join('x'));
    await page.keyboard.press('Escape');
    await waitState(page, 'ended');
    check(await page.evaluate(() => document.fullscreenElement === null), 'Escape ends the show and full screen');
  }

  // A file of the user's, through the file input (as a drop or the Open button hands it over).
  const input = await page.$('#file');
  await input.uploadFile(testFile);
  if (await waitState(page, 'dialog')) {
    check(await page.evaluate(() => window.zivPage.track) === path.basename(testFile), 'the opened file is the music');
    await page.keyboard.press('Tab'); await page.keyboard.press('Tab'); await page.keyboard.press('Space');
    await page.keyboard.press('Enter');
    if (await waitState(page, 'showing')) {
      await checkShowRuns(page, path.basename(testFile));
      await page.keyboard.press('Escape');
      await waitState(page, 'ended');
    }
  }

  // A file the browser cannot decode: one line saying so, and no show.
  await (await page.$('#file')).uploadFile(junkFile);
  await waitFor(page, 'an undecodable file is refused', () => /cannot play/.test(document.getElementById('status').textContent), null, 10000);
  const said = await page.evaluate(() => document.getElementById('status').textContent);
  check(said.includes(`'${path.basename(junkFile)}'`), 'the refusal names the file', said);
  check(await state(page) === 'ended', 'no show starts for it', await state(page));
  check(await page.evaluate(() => window.zivPage.track) === path.basename(testFile), 'the last good music stays chosen');
  await page.close();
}

// Counts the music sources that play: started and not yet stopped.
function countSources() {
  window.zivSources = { started: 0, stopped: 0 };
  const start = AudioBufferSourceNode.prototype.start;
  const stop = AudioBufferSourceNode.prototype.stop;
  AudioBufferSourceNode.prototype.start = function (...a) {
    this.zivPlaying = true;
    window.zivSources.started += 1;
    return start.apply(this, a);
  };
  AudioBufferSourceNode.prototype.stop = function (...a) {
    if (this.zivPlaying) { this.zivPlaying = false; window.zivSources.stopped += 1; }
    return stop.apply(this, a);
  };
}
const playing = (page) => page.evaluate(() => window.zivSources.started - window.zivSources.stopped);
const pause = (ms) => new Promise((r) => setTimeout(r, ms));

// From the start button to OK, windowed; the default track is still on its way.
async function startWindowed(page, first) {
  await page.click('#start');
  if (first) { await waitState(page, 'notice'); await page.click('#notice-ok'); }
  await waitState(page, 'dialog');
  await page.keyboard.press('Tab'); await page.keyboard.press('Tab'); await page.keyboard.press('Space');
  await page.keyboard.press('Enter');
  return waitState(page, 'starting', 5000);
}

async function startsPass() {
  // Start, start and Enter again while the first start waits for the track: one show.
  let page = await openPage(url, countSources);
  if (!(await waitState(page, 'idle'))) return;
  if (await startWindowed(page, true)) {
    check(await page.evaluate(() => document.getElementById('start').disabled && document.getElementById('file').disabled),
      'the start controls are disabled while a start is under way');
    await page.evaluate(() => document.getElementById('start').click());
    await page.keyboard.press('Enter');
    check(await page.evaluate(() => !document.getElementById('options').open), 'no second dialog opens meanwhile');
    if (await waitState(page, 'showing', 30000)) {
      await pause(1000);
      check(await playing(page) === 1, 'one source plays', `${await playing(page)}`);
      check(await page.evaluate(() => !document.getElementById('start').disabled), 'the controls are back once the show runs');
      await page.evaluate(() => document.getElementById('start').click());   // starting while a show runs does nothing
      await pause(300);
      check(await state(page) === 'showing' && await playing(page) === 1, 'starting during the show does nothing');
      await page.keyboard.press('Escape');
      await waitState(page, 'ended');
      check(await playing(page) === 0, 'Escape stops every source', `${await playing(page)} still play`);
    }
  }
  await page.close();

  // Escape while the show starts: once the track arrives, nothing plays and no show runs.
  page = await openPage(url, countSources);
  if (await waitState(page, 'idle') && await startWindowed(page, true)) {
    await page.keyboard.press('Escape');
    await waitState(page, 'ended', 5000);
    await pause(12000);
    check(await state(page) === 'ended', 'Escape during a start ends it for good', await state(page));
    check(await playing(page) === 0, 'nothing plays after Escape during a start', `${await playing(page)} play`);
    check(await page.evaluate(() => window.zivPage.frames) === 0, 'no frame was drawn');
  }
  await page.close();

  // A file dropped right after OK replaces the start under way: one show, with the file.
  page = await openPage(url, countSources);
  if (await waitState(page, 'idle') && await startWindowed(page, true)) {
    await page.evaluate(() => {
      const rate = 44100, frames = rate;   // a second of a 440 Hz tone as a 16-bit WAV
      const b = new DataView(new ArrayBuffer(44 + 2 * frames));
      const text = (at, t) => { for (let i = 0; i < 4; ++i) b.setUint8(at + i, t.charCodeAt(i)); };
      text(0, 'RIFF'); b.setUint32(4, 36 + 2 * frames, true); text(8, 'WAVE'); text(12, 'fmt ');
      b.setUint32(16, 16, true); b.setUint16(20, 1, true); b.setUint16(22, 1, true); b.setUint32(24, rate, true);
      b.setUint32(28, 2 * rate, true); b.setUint16(32, 2, true); b.setUint16(34, 16, true); text(36, 'data');
      b.setUint32(40, 2 * frames, true);
      for (let i = 0; i < frames; ++i) b.setInt16(44 + 2 * i, Math.round(12000 * Math.sin(2 * Math.PI * 440 * i / rate)), true);
      const dt = new DataTransfer();
      dt.items.add(new File([b.buffer], 'dropped.wav', { type: 'audio/wav' }));
      document.dispatchEvent(new DragEvent('drop', { dataTransfer: dt, bubbles: true, cancelable: true }));
    });
    if (await waitState(page, 'dialog', 10000)) {
      await page.keyboard.press('Enter');
      if (await waitState(page, 'showing', 10000)) {
        await pause(12000);   // the held-back track has arrived by now
        check(await page.evaluate(() => window.zivPage.track) === 'dropped.wav', 'the dropped file is the music');
        check(await playing(page) === 1, 'one source plays after a drop during a start', `${await playing(page)}`);
        await page.keyboard.press('Escape');
        await waitState(page, 'ended');
        check(await playing(page) === 0, 'Escape stops every source', `${await playing(page)} still play`);
      }
    }
  }
  await page.close();
}

async function replayPass(hashFile) {
  const page = await openPage(url);
  if (!(await waitState(page, 'checked', 600000))) return;
  const result = await page.evaluate(() => window.zivPage.check);
  if (result.error) return check(false, 'replay', result.error);
  const expected = fs.readFileSync(hashFile, 'utf8').trim().split('\n');
  let differing = 0;
  let first = -1;
  for (let i = 0; i < Math.max(expected.length, result.hashes.length); ++i) {
    if (expected[i] !== result.hashes[i]) { differing += 1; if (first < 0) first = i; }
  }
  check(result.records === expected.length, 'the page replayed every record', `${result.records} of ${expected.length}`);
  check(differing === 0, 'surfaces identical to ziv-render',
    `${differing} of ${expected.length} frames differ${first >= 0 ? `, first at frame ${first}` : ''}; ${result.msPerFrame.toFixed(2)} ms a frame in the page`);
}

async function anglesPass() {
  const page = await openPage(url);
  if (!(await waitState(page, 'checked', 120000))) return;
  const r = await page.evaluate(() => window.zivPage.check);
  if (r.error) return check(false, 'angles', r.error);
  check(r.cosDiffer === 0, `cos as float, elapsedMs ${r.first}..${r.first + r.count - 1}`, `${r.cosDiffer} of ${r.count} differ`);
  check(r.sinDiffer === 0, `sin in double, elapsedMs ${r.first}..${r.first + r.count - 1}`, `${r.sinDiffer} of ${r.count} differ`);
  if (r.examples.length) console.log(JSON.stringify(r.examples));
}

async function analyserPass() {
  const page = await openPage(url);
  if (!(await waitState(page, 'checked', 120000))) return;
  const r = await page.evaluate(() => window.zivPage.check);
  if (r.error) return check(false, 'analyser', r.error);
  check(r.bandsDiffer === 0, `the page's analyser gives the native bands, ${r.frames} frames in a row`,
    `${r.bandsDiffer} bands in ${r.framesDiffer} frames differ, by up to ${r.largest}`);
  const k = r.keptUp;
  check(k.frames > 0 && k.frames < r.frames && k.bandsDiffer === 0,
    'the same bands after keeping up with the samples in the background', `${k.frames} frames compared; ` +
    `${k.bandsDiffer} bands in ${k.framesDiffer} frames differ, by up to ${k.largest}`);
}

async function heardPass() {
  const page = await openPage(url);
  if (!(await waitState(page, 'checked', 600000))) return;
  const r = await page.evaluate(() => window.zivPage.check);
  if (r.error) return check(false, 'heard', r.error);
  console.log(`${r.records} frames of ${r.bands} entries; the track ${r.trackSamples} samples in ${r.channels} channels, ` +
    `${r.fed} fed through the audio tap; ${(r.ms / 1000).toFixed(1)} s in the page`);
  check(r.records > 0 && r.fed > r.trackSamples, 'the page heard the whole track and then its loop');
  check(r.clocksDiffer === 0, 'every frame at the clock ziv-render gave it', `${r.clocksDiffer} differ`);
  check(r.entriesDiffer === 0, `every frame's spectrum is ziv-render's, bit for bit`,
    `${r.entriesDiffer} entries in ${r.framesDiffer} of ${r.records} frames differ, by up to ${r.largest}, first at frame ${r.firstDiffer}`);
}

async function timingPass() {
  const page = await openPage(url);
  if (!(await waitState(page, 'idle'))) return;
  await page.click('#start');
  await page.click('#notice-ok');
  await waitState(page, 'dialog');
  await page.keyboard.press('Tab'); await page.keyboard.press('Tab'); await page.keyboard.press('Space');
  await page.keyboard.press('Enter');
  if (!(await waitFor(page, '600 timed frames', () => window.zivPage.timing !== null, null, 60000))) return;
  const t = await page.evaluate(() => window.zivPage.timing);
  const f = (x) => `mean ${x.mean.toFixed(2)} ms, p95 ${x.p95.toFixed(2)} ms, max ${x.max.toFixed(2)} ms`;
  console.log(`${t.frames} frames of the show in the page`);
  console.log(`  core (spectrum + frame): ${f(t.coreMs)}`);
  console.log(`  painting (RGBA + canvas): ${f(t.paintMs)}`);
  console.log(`  frame to frame:           ${f(t.intervalMs)} (${t.fps.toFixed(1)} fps)`);
  check(t.fps > 58, 'the show holds 60 frames a second', `${t.fps.toFixed(1)} fps`);
  await page.close();
}

try {
  if (mode === 'page') await pagePass(rest[0], rest[1], rest[2]);
  else if (mode === 'replay') await replayPass(rest[0]);
  else if (mode === 'angles') await anglesPass();
  else if (mode === 'analyser') await analyserPass();
  else if (mode === 'heard') await heardPass();
  else if (mode === 'timing') await timingPass();
  else if (mode === 'starts') await startsPass();
  else check(false, `unknown mode '${mode}'`);
  check(problems.length === 0, 'no console errors, failed requests or page errors', problems.slice(0, 5).join(' | '));
} catch (e) {
  check(false, 'the browser session', e.stack || String(e));
} finally {
  await browser.close();
}
process.exit(Math.min(failures, 100));
