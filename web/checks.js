// Test modes of the page, loaded only when the address asks for one:
//   ?check=replay&trace=FILE   every record of a trace through the core; a hash per surface
//   ?check=angles&table=FILE   the rotating scene's cos and sin against a table made natively
//   ?check=analyser&table=FILE the spectrum analyser against windows and spectra made natively
const hex32 = (n) => (n >>> 0).toString(16).padStart(8, '0');

async function fetchBytes(url) {
  const response = await fetch(url);
  if (!response.ok) throw new Error(`cannot fetch '${url}': ${response.status}`);
  return new Uint8Array(await response.arrayBuffer());
}

async function replay(core, url) {
  const bytes = await fetchBytes(url);
  const data = core._ziv_alloc(bytes.length);
  core.HEAPU8.set(bytes, data);
  const records = core._ziv_trace_load(data, bytes.length);
  core._ziv_free(data);
  if (records < 0) return { error: core.UTF8ToString(core._ziv_error()) };
  core._ziv_reset();
  const out = core._ziv_alloc(8);
  const hashes = new Array(records);
  const t0 = performance.now();
  for (let r = 0; r < records; ++r) {
    core._ziv_trace_frame(r);
    core._ziv_surface_hash(out);
    const words = new Uint32Array(core.HEAPU8.buffer, out, 2);
    hashes[r] = hex32(words[0]) + hex32(words[1]);
  }
  const ms = performance.now() - t0;
  core._ziv_free(out);
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
  core._ziv_rotation_terms(first, count, cosines, sines);
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

// The table: int32 windows, float64 dt, then per window 1024 float32 samples
// and the 512 float32 bands the native analyser made of them.
async function analyser(core, url) {
  const bytes = await fetchBytes(url);
  const head = new DataView(bytes.buffer, 0, 12);
  const windows = head.getInt32(0, true);
  const dt = head.getFloat64(4, true);
  const stride = (1024 + 512) * 4;
  if (bytes.length !== 12 + windows * stride) return { error: `table of ${bytes.length} bytes for ${windows} windows` };
  core._ziv_reset();
  let bandsDiffer = 0;
  let windowsDiffer = 0;
  let largest = 0;
  for (let w = 0; w < windows; ++w) {
    const at = 12 + w * stride;
    const input = new Float32Array(bytes.slice(at, at + 4096).buffer);
    const expected = new Uint32Array(bytes.slice(at + 4096, at + stride).buffer);
    new Float32Array(core.HEAPF32.buffer, core._ziv_window(), 1024).set(input);
    core._ziv_analyse(dt);
    const got = new Uint32Array(core.HEAPF32.buffer, core._ziv_spectrum(), 512);
    const gotF = new Float32Array(core.HEAPF32.buffer, core._ziv_spectrum(), 512);
    const expF = new Float32Array(expected.buffer);
    let differ = 0;
    for (let k = 0; k < 512; ++k) {
      if (got[k] !== expected[k]) {
        differ += 1;
        largest = Math.max(largest, Math.abs(gotF[k] - expF[k]));
      }
    }
    bandsDiffer += differ;
    windowsDiffer += differ > 0;
  }
  return { windows, bandsDiffer, windowsDiffer, largest };
}

export async function runCheck(core, modes) {
  try {
    const mode = modes.get('check');
    if (mode === 'replay') return await replay(core, modes.get('trace'));
    if (mode === 'angles') return await angles(core, modes.get('table'));
    if (mode === 'analyser') return await analyser(core, modes.get('table'));
    return { error: `unknown check '${mode}'` };
  } catch (e) {
    return { error: String(e) };
  }
}
