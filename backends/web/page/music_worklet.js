// The page's music rendered on the audio thread, so that music playing at a wait costs the
// page's own thread nothing. Loaded after the synthesizer's worklet scripts and music_core.js.
// The page posts batches of calls; this posts back only what the page must know: an end of a
// piece, where a piece began, and a long quiet (the page may then suspend the audio).
'use strict';

// The synthesizer's worklet script leaves its classes on the scope's class, not on the scope.
const { Synthesizer } = AudioWorkletGlobalScope.JSSynth;
const kQuietQuantaBeforeTelling = 375;  // about a second of silence with nothing playing

class NevMusicProcessor extends AudioWorkletProcessor {
  constructor() {
    super();
    this.quietQuanta = 0;
    this.serial = 0;  // the last batch of calls taken
    this.core = nevMusicCore.createMusicCore(sampleRate, {
      ended: (piece) => this.port.postMessage({ ended: piece }),
      began: (id, frames) => this.port.postMessage({ began: id, frames, at: currentFrame }),
    });
    this.port.onmessage = ({ data }) => {
      if (data.font) {
        this.load(data.font);
        return;
      }
      this.serial = data.serial;
      for (const call of data.calls) {
        const [name, ...args] = call;
        this.core[name](...args);
      }
      this.quietQuanta = 0;
    };
  }

  async load(font) {
    try {
      await Synthesizer.waitForWasmInitialized();
      const synth = new Synthesizer();
      synth.init(sampleRate);
      await synth.loadSFont(font);
      this.core.ready(synth);
      this.port.postMessage({ ready: true });
    } catch (error) {
      this.port.postMessage({ failed: String(error && error.message || error) });
    }
  }

  process(_inputs, outputs) {
    const [left, right] = outputs[0];
    if (this.core.render(left, right) || this.core.busy()) {
      this.quietQuanta = 0;
    } else if (++this.quietQuanta === kQuietQuantaBeforeTelling) {
      this.quietQuanta = 0;
      this.port.postMessage({ quiet: true, serial: this.serial });
    }
    return true;
  }
}

registerProcessor('nev-music', NevMusicProcessor);
