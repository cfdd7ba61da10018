// Passes the music through unchanged and hands the page every block's samples
// as they are, channels interleaved, stamped with the block's first sample
// frame: the page feeds them to the show's library, which mixes them to mono
// and measures the spectrum exactly as the desktop does. Nothing is computed
// here, so the samples the library gets are the ones that were played.
//
//   new AudioWorkletNode(context, 'ziv-audio-tap', { processorOptions: { channels }, ... })
//   tap.port.onmessage = (e) => feed(e.data.frame, e.data.samples);   // frames x channels floats
class AudioTap extends AudioWorkletProcessor {
  constructor(options) {
    super();
    this.channels = Math.max(1, (options.processorOptions && options.processorOptions.channels) || 1);
    this.pending = null;   // a few blocks go out together: fewer messages
    this.pendingFrame = 0;
    this.filled = 0;       // frames in pending
  }

  process(inputs, outputs) {
    const input = inputs[0];
    const output = outputs[0];
    const frames = output[0] ? output[0].length : 128;
    for (let c = 0; c < output.length; ++c) {
      if (input[c]) output[c].set(input[c]);
      else output[c].fill(0);
    }
    const channels = this.channels;
    if (!this.pending) {
      this.pending = new Float32Array(frames * 4 * channels);
      this.pendingFrame = currentFrame;
      this.filled = 0;
    }
    // A channel the input lacks (no music connected, or fewer channels) is silence.
    const at = this.filled * channels;
    for (let c = 0; c < channels; ++c) {
      const from = input[c];
      if (from) for (let i = 0; i < frames; ++i) this.pending[at + i * channels + c] = from[i];
      else for (let i = 0; i < frames; ++i) this.pending[at + i * channels + c] = 0;
    }
    this.filled += frames;
    if (this.filled * channels === this.pending.length) {
      this.port.postMessage({ frame: this.pendingFrame, samples: this.pending }, [this.pending.buffer]);
      this.pending = null;
    }
    return true;
  }
}

registerProcessor('ziv-audio-tap', AudioTap);
