// Passes the music through unchanged and hands the page the mono mix (the
// mean of the channels) of every block, stamped with the block's first
// sample frame, so the page can take the spectrum of what is being heard.
class AudioTap extends AudioWorkletProcessor {
  constructor() {
    super();
    this.pending = null;   // a few blocks go out together: fewer messages
    this.pendingFrame = 0;
    this.filled = 0;
  }

  process(inputs, outputs) {
    const input = inputs[0];
    const output = outputs[0];
    const frames = output[0] ? output[0].length : 128;
    for (let c = 0; c < output.length; ++c) {
      if (input[c]) output[c].set(input[c]);
      else output[c].fill(0);
    }
    if (!this.pending) {
      this.pending = new Float32Array(frames * 4);
      this.pendingFrame = currentFrame;
      this.filled = 0;
    }
    const mono = this.pending.subarray(this.filled, this.filled + frames);
    const channels = input.length;
    if (channels > 0) {
      for (let i = 0; i < frames; ++i) {
        let sum = 0;
        for (let c = 0; c < channels; ++c) sum += input[c][i];
        mono[i] = sum / channels;
      }
    } else {
      mono.fill(0);
    }
    this.filled += frames;
    if (this.filled === this.pending.length) {
      this.port.postMessage({ frame: this.pendingFrame, samples: this.pending }, [this.pending.buffer]);
      this.pending = null;
    }
    return true;
  }
}

registerProcessor('ziv-audio-tap', AudioTap);
