// Test modes of the page's test build (scripts/web.sh --test), loaded only
// when the address asks for one:
//   ?check=replay&trace=FILE   every record of a trace through the core; a hash per surface
//   ?check=angles&table=FILE   the rotating scene's cos and sin against a table made natively
//   ?check=analyser&table=FILE samples fed to the page's library: the spectra the desktop's measures
//   ?check=heard&track=WAV&trace=FILE
//                              the track through the page's own audio path (decoded, played by an
//                              offline context through the audio tap, fed to the library): every
//                              frame's spectrum against the trace ziv-render recorded of it
// `page` is what the checks use of the page: its ShowLibrary, makeTap and decode, and its figures.
const hex32 = (n) => (n >>> 0).toString(16).padStart(8, '0');
const kFps = 60;

async function fetchBytes(url) {
  const response = await fetch(url);
  if (!response.ok) throw new Error(`cannot fetch '${url}': ${response.status}`);
  return new Uint8Array(await response.arrayBuffer());
}

// The trace at `url` into the core's test exports: its records, or an error.
async function loadTrace(core, url) {
  const bytes = await fetchBytes(url);
  const data = core._ziv_alloc(bytes.length);
  core.HEAPU8.set(bytes, data);
  const records = core._ziv_test_trace_load(data, bytes.length);
  core._ziv_free(data);
  if (records < 0) throw new Error(`trace '${url}': ${core.UTF8ToString(core._ziv_test_error())}`);
  return records;
}

async function replay(core, url, page) {
  const records = await loadTrace(core, url);
  const lib = new page.ShowLibrary();
  const out = core._ziv_alloc(8);
  const hashes = new Array(records);
  const t0 = performance.now();
  for (let r = 0; r < records; ++r) {
    if (core._ziv_test_trace_frame(lib.show, r) !== 1) throw new Error(`record ${r}: ${core.UTF8ToString(core._ziv_last_error())}`);
    core._ziv_test_surface_hash(lib.show, out);
    const words = new Uint32Array(core.HEAPU8.buffer, out, 2);
    hashes[r] = hex32(words[0]) + hex32(words[1]);
  }
  const ms = performance.now() - t0;
  core._ziv_free(out);
  lib.destroy();
  return { records, hashes, msPerFrame: records ? ms / records : 0 };
}

// The table: int32 first, int32 count, then count float32 cosines and count
// float64 sines, little-endian, for elapsedMs first..first+count-1.
async function angles(core, url) {
  const bytes = await fetchBytes(url);
  const head = new DataView(bytes.buffer, 0, 8);
  const first = head.getInt32(0, true);
  const count = head.getInt32(4, true);
  if (bytes.length !== 8 + count * 12) return { error: `table of ${bytes.length} bytes for ${count} entries` };
  const cosines = core._ziv_alloc(count * 4);
  const sines = core._ziv_alloc(count * 8);
  core._ziv_test_rotation_terms(first, count, cosines, sines);
  const wasmCos = new Uint32Array(core.HEAPU8.buffer, cosines, count);
  const wasmSin = new Uint32Array(core.HEAPU8.buffer, sines, count * 2);
  const nativeCos = new DataView(bytes.buffer, 8, count * 4);
  const nativeSin = new DataView(bytes.buffer, 8 + count * 4, count * 8);
  let cosDiffer = 0;
  let sinDiffer = 0;
  const examples = [];
  for (let i = 0; i < count; ++i) {
    const c = nativeCos.getUint32(4 * i, true) !== wasmCos[i];
    const s = nativeSin.getUint32(8 * i, true) !== wasmSin[2 * i] || nativeSin.getUint32(8 * i + 4, true) !== wasmSin[2 * i + 1];
    cosDiffer += c;
    sinDiffer += s;
    if ((c || s) && examples.length < 10) {
      examples.push({ elapsedMs: first + i, nativeCos: nativeCos.getFloat32(4 * i, true),
        nativeSin: nativeSin.getFloat64(8 * i, true), wasmSin: new Float64Array(core.HEAPU8.buffer, sines, count)[i] });
    }
  }
  core._ziv_free(cosines);
  core._ziv_free(sines);
  return { first, count, cosDiffer, sinDiffer, examples };
}

// Counts the entries of `got` (the library's latest spectrum) whose bits differ from `expected`'s.
function differing(got, expected, count) {
  const a = new Uint32Array(got.buffer, got.byteOffset, count);
  const b = new Uint32Array(expected.buffer, expected.byteOffset, count);
  let differ = 0;
  let largest = 0;
  for (let k = 0; k < count; ++k) {
    if (a[k] !== b[k]) {
      differ += 1;
      largest = Math.max(largest, Math.abs(got[k] - expected[k]));
    }
  }
  return { differ, largest };
}

// Frame n of a render at 60 fps: heard n x 44100 / 60 samples, the clock n x 1000 / 60 ms, truncated.
const framePosition = (n, rate) => Math.floor((n * rate) / kFps);
const frameClock = (n) => Math.floor((n * 1000) / kFps);

// The table: int32 frames, int32 samples, the mono samples (float32), then per
// frame the 512 float32 bands the desktop's library measured at it. The
// samples go to the page's library in the audio tap's blocks of 512, all of
// them before the first frame: once as they wait for their frames, once as a
// page in the background keeps up with them (its later frames must not change).
async function analyser(core, url, page) {
  const bytes = await fetchBytes(url);
  const head = new DataView(bytes.buffer, 0, 8);
  const frames = head.getInt32(0, true);
  const count = head.getInt32(4, true);
  const bands = 512;
  if (bytes.length !== 8 + 4 * count + frames * bands * 4) return { error: `table of ${bytes.length} bytes for ${frames} frames` };
  const samples = new Float32Array(bytes.buffer.slice(8, 8 + 4 * count));
  const spectra = new Float32Array(bytes.buffer.slice(8 + 4 * count));
  const pass = (keepUp) => {
    const lib = new page.ShowLibrary({ keepUp });
    for (let at = 0; at < count; at += 512) lib.feed(at, samples.subarray(at, Math.min(count, at + 512)), 1);
    const r = { frames: 0, bandsDiffer: 0, framesDiffer: 0, largest: 0 };
    for (let n = 0; n < frames; ++n) {
      if (framePosition(n, page.sampleRate) < lib.heard) continue;   // passed while in the background
      lib.draw(framePosition(n, page.sampleRate), frameClock(n));
      const d = differing(lib.spectrumNow(), spectra.subarray(n * bands, (n + 1) * bands), bands);
      r.frames += 1;
      r.bandsDiffer += d.differ;
      r.framesDiffer += d.differ > 0;
      r.largest = Math.max(r.largest, d.largest);
    }
    lib.destroy();
    return r;
  };
  return { ...pass(false), keptUp: pass(true) };
}

// The track as the page plays it, faster than real time: decoded by the
// page, played once and a half round (the show loops its music) by an
// offline context through the page's own audio tap, which feeds the page's
// library; then every frame of the trace at its heard position and clock.
async function heard(core, modes, page) {
  const records = await loadTrace(core, modes.get('trace'));
  const bands = core._ziv_test_trace_bands();
  const compared = Math.min(bands, page.bands);
  const buffer = await page.decode((await fetchBytes(modes.get('track'))).buffer);
  const lastPosition = framePosition(records - 1, page.sampleRate);
  const length = Math.ceil((lastPosition + 1) / 512) * 512;   // whole blocks of the tap
  const context = new OfflineAudioContext(buffer.numberOfChannels, length, page.sampleRate);
  await context.audioWorklet.addModule('audio_tap.js');
  const lib = new page.ShowLibrary();
  const tap = page.makeTap(context, buffer.numberOfChannels, lib);
  const source = new AudioBufferSourceNode(context, { buffer, loop: true });
  source.connect(tap).connect(context.destination);
  source.start();
  const t0 = performance.now();
  await context.startRendering();
  // The tap's blocks arrive as messages after the rendering; wait for the last.
  for (let waited = 0; lib.fed < length && waited < 60000; waited += 20) await new Promise((r) => setTimeout(r, 20));
  if (lib.fed < length) return { error: `the tap fed ${lib.fed} of ${length} samples` };
  const result = { records, bands: compared, trackSamples: buffer.length, channels: buffer.numberOfChannels,
    fed: lib.fed, framesDiffer: 0, entriesDiffer: 0, clocksDiffer: 0, largest: 0, firstDiffer: -1 };
  for (let n = 0; n < records; ++n) {
    lib.draw(framePosition(n, page.sampleRate), frameClock(n));
    const expected = new Float32Array(core.HEAPF32.buffer, core._ziv_test_trace_spectrum(n), compared).slice();
    const d = differing(lib.spectrumNow(), expected, compared);
    result.entriesDiffer += d.differ;
    result.framesDiffer += d.differ > 0;
    result.largest = Math.max(result.largest, d.largest);
    if (d.differ && result.firstDiffer < 0) result.firstDiffer = n;
    result.clocksDiffer += core._ziv_test_trace_ms(n) !== frameClock(n);
  }
  result.ms = performance.now() - t0;
  lib.destroy();
  return result;
}

export async function runCheck(core, modes, page) {
  try {
    const mode = modes.get('check');
    if (mode === 'replay') return await replay(core, modes.get('trace'), page);
    if (mode === 'angles') return await angles(core, modes.get('table'));
    if (mode === 'analyser') return await analyser(core, modes.get('table'), page);
    if (mode === 'heard') return await heard(core, modes, page);
    return { error: `unknown check '${mode}'` };
  } catch (e) {
    return { error: String(e) };
  }
}
