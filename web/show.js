// The page around the show's core: the options dialog, the music through Web
// Audio, the frame loop on a canvas, full screen and the keys. The core is
// the show's library (ziv/ziv.h) in WebAssembly; the page hosts it as every
// program does: it feeds the samples it plays, then gives the heard position
// and the clock for each frame.
import createZivCore from './ziv_core.js';

// The show's figures come from the core, which owns them (see loadCore).
let kWidth = 0;
let kHeight = 0;
let kBands = 0;
let kBandsRead = 0;            // the show reads bands 0..kBandsRead-1
let kSampleRate = 0;           // everything is heard and analysed at this rate
let kShowLengthMs = 0;         // without looping, the first frame past this ends the show
let kDefaultTrack = '';
const kTimedFrames = 600;
// Samples fed and not yet heard that a show holds at most while the page draws
// no frames (a page in the background plays on): about 3 s, far more than any
// output delay.
const kMostWaiting = 1 << 17;

const $ = (id) => document.getElementById(id);
const screen = $('screen');
const stage = $('stage');
const statusLine = $('status');

// What tests and curious users can read: the page's state, never a way in.
const view = { state: 'loading', frames: 0, loudestBand: 0, track: '', error: '',
  options: null, fullscreen: false, timing: null };
window.zivPage = view;

const defaults = { sound: true, fullscreen: true, loop: false };
let accepted = { ...defaults };   // what the last OK chose; a cancelled dialog changes nothing
let noticeSeen = false;
let core = null;
let audio = null;                 // { context, tap }
let music = { buffer: null, custom: false };
let show = null;                  // the running show
let starting = null;              // the start under way: { cancelled }; one at a time
const liveSources = new Set();    // every source started and not yet stopped

function setStatus(text) { statusLine.textContent = text; }
function setState(s) { view.state = s; document.body.dataset.state = s; }

// ---- the core -------------------------------------------------------------

async function loadCore() {
  core = await createZivCore();
  [kWidth, kHeight, kBands, kBandsRead, kSampleRate, kShowLengthMs] =
    new Int32Array(core.HEAPU8.buffer, core._ziv_figures(), 6);
  screen.width = kWidth;
  screen.height = kHeight;
  kDefaultTrack = core.UTF8ToString(core._ziv_music_file());
  view.track = kDefaultTrack;
  $('track-name').textContent = kDefaultTrack;
  image = new ImageData(kWidth, kHeight);
  // The library decodes its pictures with the first show: now, not when the user starts one.
  new ShowLibrary().destroy();
  return core;
}

// A library call's code: negative ones stop with the library's own message.
function must(code, call) {
  if (code < 0) throw new Error(`${call}: ${core.UTF8ToString(core._ziv_last_error())}`);
  return code;
}

// One show of the library, fed every block the audio tap hears, by the audio
// context's sample frames: the first block's first frame is the show's
// position 0. The library allows one show at a time, so a new one ends the last.
// With keepUp, a show whose frames stop (a page in the background) still moves
// on with the samples fed, kMostWaiting behind them: its memory stays bounded
// and no later frame has to take in minutes of samples at once. The hops taken
// in are the same, so the spectra of later frames do not change.
let library = null;
class ShowLibrary {
  constructor({ keepUp = false } = {}) {
    if (library) library.destroy();
    const out = core._ziv_alloc(4);
    const code = core._ziv_create(0, out);
    this.show = core.HEAPU32[out >> 2];
    core._ziv_free(out);
    must(code, 'ziv_create');
    library = this;
    this.firstFrame = -1;     // the context's frame of position 0
    this.nextFrame = 0;       // the context's frame the next block should start at
    this.fed = 0;             // samples in the show's timeline
    this.heard = 0;           // the latest position given; positions never go back
    this.elapsedMs = 0;       // the latest clock given
    this.keepUp = keepUp;
    this.buffer = 0;          // room in the core for one block's samples
    this.room = 0;
    this.spectrum = core._ziv_alloc(kBands * 4);
  }

  destroy() {
    if (!this.show) return;
    core._ziv_destroy(this.show);
    core._ziv_free(this.buffer);
    core._ziv_free(this.spectrum);
    this.show = 0;
    if (library === this) library = null;
  }

  // `samples`: frames x channels floats, interleaved, from the context's frame `frame` on.
  feed(frame, samples, channels) {
    if (!this.show) return;   // a block still on its way from a show that has ended
    if (this.firstFrame < 0) this.firstFrame = this.nextFrame = frame;
    // A gap between blocks is silence, so every later sample keeps its position.
    if (frame > this.nextFrame) this.feed(this.nextFrame, new Float32Array((frame - this.nextFrame) * channels), channels);
    const skip = Math.min(samples.length / channels, Math.max(0, this.nextFrame - frame));   // fed already
    const frames = samples.length / channels - skip;
    if (frames <= 0) return;
    if (this.room < frames * channels) {
      core._ziv_free(this.buffer);
      this.room = frames * channels;
      this.buffer = core._ziv_alloc(this.room * 4);
    }
    core.HEAPF32.set(samples.subarray(skip * channels), this.buffer >> 2);
    must(core._ziv_feed_f32(this.show, this.buffer, frames, kSampleRate, channels), 'ziv_feed_f32');
    this.fed += frames;
    this.nextFrame += frames;
    if (this.keepUp && this.fed - this.heard > kMostWaiting) this.moveTo(this.fed - kMostWaiting, this.elapsedMs);
  }

  // The show's position of the context's frame `frame` (0 before any block).
  positionOf(frame) { return this.firstFrame < 0 ? 0 : Math.max(0, frame - this.firstFrame); }

  // The frame for `position` samples heard and the clock: what is not fed yet cannot have been heard.
  draw(position, elapsedMs) {
    this.moveTo(Math.min(position, this.fed), elapsedMs);
    must(core._ziv_draw_frame(this.show, 0), 'ziv_draw_frame');
  }

  moveTo(position, elapsedMs) {
    this.heard = Math.max(this.heard, position);
    this.elapsedMs = elapsedMs;
    must(core._ziv_set_position(this.show, BigInt(this.heard), elapsedMs), 'ziv_set_position');
  }

  // The spectrum the latest frame was drawn from (valid until the core's memory grows).
  spectrumNow() {
    must(core._ziv_frame_spectrum(this.show, this.spectrum, kBands), 'ziv_frame_spectrum');
    return new Float32Array(core.HEAPF32.buffer, this.spectrum, kBands);
  }

  // The latest frame as R, G, B, A bytes.
  rgba() {
    const at = core._ziv_page_rgba(this.show);
    return core.HEAPU8.subarray(at, at + kWidth * kHeight * 4);
  }
}

// The tap that hears what the context plays and feeds it to `show`.
function makeTap(context, channels, show) {
  const tap = new AudioWorkletNode(context, 'ziv-audio-tap', {
    numberOfInputs: 1, numberOfOutputs: 1, outputChannelCount: [channels], processorOptions: { channels },
  });
  tap.port.onmessage = (e) => show.feed(e.data.frame, e.data.samples, channels);
  return tap;
}

// ---- music ----------------------------------------------------------------

async function ensureAudio() {
  if (audio) return audio;
  const context = new AudioContext({ sampleRate: kSampleRate, latencyHint: 'interactive' });
  await context.audioWorklet.addModule('audio_tap.js');
  audio = { context };
  return audio;
}

// Decoding needs no running context (nor a click): an offline one at the
// show's rate resamples whatever the file's rate is.
function decode(bytes) {
  return new OfflineAudioContext(1, 1, kSampleRate).decodeAudioData(bytes);
}

// The default track beside the page; without it the show runs silent.
async function loadDefaultTrack() {
  try {
    const response = await fetch(kDefaultTrack);
    return response.ok ? await decode(await response.arrayBuffer()) : null;
  } catch (e) {
    return null;
  }
}
let defaultTrack = null;          // the promise of it, started with the page

async function useFile(file) {
  setStatus(`Reading ${file.name}…`);
  try {
    const buffer = await decode(await file.arrayBuffer());
    music = { buffer, custom: true };
    view.track = file.name;
    $('track-name').textContent = file.name;
    setStatus('');
    cancelStart('another track');
    if (show) endShow('another track');
    begin();
  } catch (e) {
    setStatus(`ziv: cannot play '${file.name}': the browser cannot decode it`);
  }
}

// ---- the options dialog ---------------------------------------------------

const dialog = $('options');
const boxes = { sound: $('opt-sound'), loop: $('opt-loop'), fullscreen: $('opt-fullscreen') };
const tabOrder = [boxes.sound, boxes.loop, boxes.fullscreen];
let chosen = null;

function openDialog() {
  chosen = { ...accepted };
  for (const [name, box] of Object.entries(boxes)) box.checked = chosen[name];
  view.options = chosen;
  setState('dialog');
  dialog.showModal();
  boxes.sound.focus();
}

function closeDialog(ok) {
  dialog.close();
  if (!ok) {
    setState('cancelled');
    setStatus('Cancelled.');
    $('start').focus();
    return;
  }
  accepted = { ...chosen };
  startShow();
}

for (const [name, box] of Object.entries(boxes)) {
  box.addEventListener('change', () => { chosen[name] = box.checked; });
}
$('opt-ok').addEventListener('click', () => closeDialog(true));
dialog.addEventListener('cancel', (e) => { e.preventDefault(); closeDialog(false); });
dialog.addEventListener('keydown', (e) => {
  if (e.key === 'Tab') {
    e.preventDefault();
    const at = tabOrder.indexOf(document.activeElement);
    const step = e.shiftKey ? -1 : 1;
    const next = at < 0 ? (step > 0 ? 0 : tabOrder.length - 1) : (at + step + tabOrder.length) % tabOrder.length;
    tabOrder[next].focus();
  } else if (e.key === 'Enter') {
    e.preventDefault();
    closeDialog(true);
  } else if (e.key === 'Escape') {
    e.preventDefault();
    closeDialog(false);
  }
});

// ---- start: notice, dialog, show --------------------------------------------

// The start controls (the button, the file picker) do nothing while a start is under way.
function setStartControls(enabled) {
  $('start').disabled = !enabled;
  $('file').disabled = !enabled;
}

function stopEverySource() {
  for (const source of liveSources) {
    try { source.stop(); } catch (e) { /* never started */ }
    source.disconnect();
  }
  liveSources.clear();
}

// Escape or a new track while the show is still starting: that start is dropped.
function cancelStart(why) {
  if (!starting) return;
  starting.cancelled = true;
  starting = null;
  stopEverySource();
  setStartControls(true);
  if (document.fullscreenElement) leaveFullscreen();
  view.endedBy = why;
  setState('ended');
  $('start').focus();
}

function begin() {
  if (show || starting) return;
  if (!noticeSeen) {
    setState('notice');
    $('notice').hidden = false;
    $('notice-ok').focus();
    return;
  }
  openDialog();
}

$('notice-ok').addEventListener('click', () => {
  noticeSeen = true;
  $('notice').hidden = true;
  openDialog();
});

async function startShow() {
  if (show || starting) return;
  const attempt = { cancelled: false };
  starting = attempt;
  setStartControls(false);
  setState('starting');
  let tap = null;
  let gain = null;
  let lib = null;
  try {
    // Full screen and sound both need the click or key that started this.
    const fullscreen = accepted.fullscreen ? enterFullscreen() : null;
    const { context } = await ensureAudio();
    await fullscreen;
    if (!music.custom) music.buffer = await defaultTrack;
    if (attempt.cancelled) return;
    lib = new ShowLibrary({ keepUp: true });
    tap = makeTap(context, music.buffer ? music.buffer.numberOfChannels : 2, lib);
    gain = new GainNode(context, { gain: accepted.sound ? 1 : 0 });
    tap.connect(gain).connect(context.destination);
    let source = null;
    if (music.buffer) {
      source = new AudioBufferSourceNode(context, { buffer: music.buffer, loop: true });
      source.connect(tap);
      source.start();
      liveSources.add(source);
    }
    await context.resume();
    if (attempt.cancelled) {
      tap.port.onmessage = null;
      tap.disconnect();
      gain.disconnect();
      lib.destroy();
      return;
    }
    starting = null;
    setStartControls(true);
    show = { source, tap, gain, lib, options: { ...accepted }, start: performance.now(),
      timing: { core: [], paint: [], interval: [], last: 0 } };
    view.frames = 0;
    view.timing = null;
    document.body.classList.add('showing');
    $('fullscreen-button').hidden = false;
    fitScreen();
    setState('showing');
    requestAnimationFrame(runFrame);
  } catch (e) {
    if (attempt.cancelled) return;
    starting = null;
    stopEverySource();
    if (tap) tap.disconnect();
    if (gain) gain.disconnect();
    if (lib) lib.destroy();
    setStartControls(true);
    view.error = String(e);
    setStatus(`ziv: the show cannot start: ${e.message || e}`);
    setState('idle');
  }
}

// Where the speakers are: the context time being heard now.
function heardPosition(context) {
  const stamp = context.getOutputTimestamp ? context.getOutputTimestamp() : null;
  const time = stamp && stamp.contextTime > 0 ? stamp.contextTime : Math.max(0, context.currentTime - (context.outputLatency || 0));
  return Math.floor(time * kSampleRate);
}

let image = null;                 // the canvas's pixels, once the core says how many
const painter = screen.getContext('2d', { alpha: false });

// The loudest of the bands the show reads: tells whether music reaches it.
function loudest(spectrum) {
  let m = 0;
  for (let k = 0; k < kBandsRead; ++k) m = Math.max(m, spectrum[k]);
  return m;
}

function runFrame(now) {
  if (!show) return;
  const s = show;
  const t0 = performance.now();
  const elapsedMs = Math.floor(t0 - s.start) | 0;
  s.lib.draw(s.lib.positionOf(heardPosition(audio.context)), elapsedMs);
  const t1 = performance.now();
  image.data.set(s.lib.rgba());
  painter.putImageData(image, 0, 0);
  const t2 = performance.now();
  view.frames += 1;
  view.loudestBand = loudest(s.lib.spectrumNow());
  timeFrame(s.timing, t1 - t0, t2 - t1, now);
  if (!s.options.loop && elapsedMs > kShowLengthMs) {
    endShow('time');
    return;
  }
  requestAnimationFrame(runFrame);
}

// The first kTimedFrames frames of every show: the core's time (the spectrum
// at the heard position and the frame), the painting's (colour conversion and canvas), and the time from
// one frame to the next.
function timeFrame(timing, coreMs, paintMs, now) {
  if (timing.core.length >= kTimedFrames) return;
  timing.core.push(coreMs);
  timing.paint.push(paintMs);
  if (timing.last) timing.interval.push(now - timing.last);
  timing.last = now;
  if (timing.core.length < kTimedFrames) return;
  const summary = (xs) => {
    const sorted = [...xs].sort((a, b) => a - b);
    const mean = xs.reduce((a, b) => a + b, 0) / xs.length;
    return { mean, p95: sorted[Math.floor(0.95 * (sorted.length - 1))], max: sorted[sorted.length - 1] };
  };
  const interval = summary(timing.interval);
  view.timing = { frames: timing.core.length, coreMs: summary(timing.core), paintMs: summary(timing.paint),
    intervalMs: interval, fps: 1000 / interval.mean };
}

function endShow(why) {
  const s = show;
  if (!s) return;
  show = null;
  stopEverySource();
  s.tap.port.onmessage = null;
  s.tap.disconnect();
  s.gain.disconnect();
  s.lib.destroy();
  document.body.classList.remove('showing');
  $('fullscreen-button').hidden = true;
  if (document.fullscreenElement) leaveFullscreen();
  view.endedBy = why;
  setState('ended');
  setStatus(why === 'time' ? 'The show has run its course.' : '');
  $('start').textContent = 'Start again';
  $('start').focus();
}

// ---- full screen and scaling ----------------------------------------------

let leavingOnPurpose = false;

async function enterFullscreen() {
  if (document.fullscreenElement) return;
  try {
    await stage.requestFullscreen({ navigationUI: 'hide' });
    // Escape should reach the page rather than only leave full screen.
    if (navigator.keyboard && navigator.keyboard.lock) navigator.keyboard.lock(['Escape']).catch(() => {});
  } catch (e) {
    setStatus('Full screen is not available here; the show runs in the page.');
  }
}

function leaveFullscreen() {
  leavingOnPurpose = true;
  document.exitFullscreen().catch(() => { leavingOnPurpose = false; });
}

function toggleFullscreen() {
  if (!show) return;
  if (document.fullscreenElement) leaveFullscreen();
  else enterFullscreen();
}

document.addEventListener('fullscreenchange', () => {
  view.fullscreen = Boolean(document.fullscreenElement);
  fitScreen();
  if (document.fullscreenElement) return;
  // Without a keyboard lock the browser takes Escape for itself and only
  // leaves full screen; that still means the show should end.
  const onPurpose = leavingOnPurpose;
  leavingOnPurpose = false;
  if (onPurpose) return;
  if (starting) cancelStart('escape');
  else if (show) endShow('escape');
});

// Whole factors when the area holds the picture at least twice, so pixels
// stay square; otherwise as large as the 4:3 aspect allows.
function fitScreen() {
  const w = stage.clientWidth || window.innerWidth;
  const h = stage.clientHeight || window.innerHeight;
  let scale = Math.min(w / kWidth, h / kHeight);
  if (scale >= 2) scale = Math.floor(scale);
  else if (!document.fullscreenElement) scale = Math.min(1, scale);
  screen.style.width = `${Math.floor(kWidth * scale)}px`;
  screen.style.height = `${Math.floor(kHeight * scale)}px`;
}
window.addEventListener('resize', fitScreen);

// ---- keys, clicks and drops -----------------------------------------------

document.addEventListener('keydown', (e) => {
  if (starting && e.key === 'Escape') {
    e.preventDefault();
    cancelStart('escape');
    return;
  }
  if (!show) return;
  if (e.key === 'Escape') {
    e.preventDefault();
    endShow('escape');
  } else if (e.key === 'f' || e.key === 'F') {
    e.preventDefault();
    toggleFullscreen();
  }
});
stage.addEventListener('dblclick', toggleFullscreen);
$('fullscreen-button').addEventListener('click', (e) => { e.stopPropagation(); toggleFullscreen(); });

$('start').addEventListener('click', begin);
$('file').addEventListener('change', (e) => {
  const file = e.target.files && e.target.files[0];
  e.target.value = '';
  if (file) useFile(file);
});
document.addEventListener('dragover', (e) => { e.preventDefault(); document.body.classList.add('dragging'); });
document.addEventListener('dragleave', () => document.body.classList.remove('dragging'));
document.addEventListener('drop', (e) => {
  e.preventDefault();
  document.body.classList.remove('dragging');
  const file = e.dataTransfer && e.dataTransfer.files[0];
  if (file) useFile(file);
});

// ---- start-up ---------------------------------------------------------------

async function main() {
  const modes = new URLSearchParams(location.search);
  if (!window.WebAssembly || !window.AudioWorkletNode) {
    setStatus('This page needs a browser with WebAssembly and AudioWorklet.');
    setState('unsupported');
    return;
  }
  await loadCore();
  const checking = modes.has('check') && core._ziv_test_trace_load;
  if (!checking) defaultTrack = loadDefaultTrack();
  // Only the test build has the checks (checks.js and the core's test exports).
  if (checking) {
    const { runCheck } = await import('./checks.js');
    view.check = await runCheck(core, modes, { ShowLibrary, makeTap, decode, sampleRate: kSampleRate, bands: kBands });
    setState('checked');
    return;
  }
  setStartControls(true);
  setState('idle');
}

main().catch((e) => {
  view.error = String(e);
  setStatus(`ziv: ${e.message || e}`);
  setState('failed');
});
