// The music's state around the SoundFont synthesizer, where the synthesizer renders: on the
// audio thread in the page (music_worklet.js), on the calling thread in the sound checks. The
// engine's model: each music device plays one MIDI file once and tells when its data has ended;
// a looping piece is closed and opened again by the engine. The synthesizer goes on looping by
// itself at the end of the data, and the engine's replay of the same bytes takes that playback
// over, so a loop has no gap however late the engine answers.
'use strict';

(function (scope) {
  const kAllDevices = 0xFFFFFFFF;
  const kInaudible = 1e-5;  // -100 dB: what a reverb's tail fades through for a long while

  function sameBytes(a, b) {
    if (a.length !== b.length) return false;
    for (let i = 0; i < a.length; ++i) if (a[i] !== b[i]) return false;
    return true;
  }

  // The tick a standard MIDI file reaches after `ms`, through its tempo map; null when the
  // file cannot be read.
  function tickAt(bytes, ms) {
    if (bytes.length < 14) return null;
    const view = new DataView(bytes.buffer, bytes.byteOffset, bytes.byteLength);
    const division = view.getUint16(12);
    if (division === 0 || division & 0x8000) return null;
    const tempos = [[0, 500000]];
    for (let at = 14; at + 8 <= bytes.length; at += 8 + view.getUint32(at + 4)) {
      const stop = Math.min(bytes.length, at + 8 + view.getUint32(at + 4));
      let i = at + 8, tick = 0, status = 0;
      const number = () => {
        let value = 0;
        for (let n = 0; n < 4 && i < stop; ++n) {
          const b = bytes[i++];
          value = value * 128 + (b & 127);
          if (b < 128) break;
        }
        return value;
      };
      while (i < stop) {
        tick += number();
        if (bytes[i] === 0xFF) {
          const type = bytes[i + 1];
          i += 2;
          const size = number();
          if (type === 0x51 && size === 3) tempos.push([tick, (bytes[i] << 16) | (bytes[i + 1] << 8) | bytes[i + 2]]);
          i += size;
          if (type === 0x2F) break;
        } else if (bytes[i] === 0xF0 || bytes[i] === 0xF7) {
          ++i;
          i += number();
        } else {
          if (bytes[i] & 0x80) status = bytes[i++];
          i += (status & 0xF0) === 0xC0 || (status & 0xF0) === 0xD0 ? 1 : 2;
        }
      }
    }
    tempos.sort((a, b) => a[0] - b[0]);
    let left = ms * 1000;  // microseconds
    for (let k = 0; k < tempos.length; ++k) {
      const tempo = tempos[k][1] || 500000;
      const span = k + 1 < tempos.length ? (tempos[k + 1][0] - tempos[k][0]) * tempo / division : Infinity;
      if (left < span) return Math.floor(tempos[k][0] + left * division / tempo);
      left -= span;
    }
    return null;
  }

  // `events.ended(piece)` once a piece's data has played; `events.began(id, frames)` when a
  // device's piece starts or is taken over, `frames` into it.
  function createMusicCore(sampleRate, events) {
    let synth = null;
    const devices = new Map();  // id -> {bytes, lengthMs}
    // What the synthesizer plays: the device, its piece, frames played since its data began,
    // the piece's length in frames; `ended` once its end was told, `orphaned` once its device
    // was closed after that (kept for a moment in case the engine plays it again).
    let playing = null;
    let waiting = null;  // a play asked for before the synthesizer was ready

    function stopSynth() {
      if (synth) synth.stopPlayer();
      playing = null;
    }

    function startPlayer(bytes, loop) {
      synth.resetPlayer();
      synth.addSMFDataToPlayer(bytes.buffer);
      // -1: for ever, until the engine closes it; 1: once, tail left to ring out.
      synth.setPlayerLoop(loop ? -1 : 1);
    }

    function begin(id, piece, fromMs, loop) {
      const device = devices.get(id);
      if (!device) return;
      stopSynth();
      startPlayer(device.bytes, loop);
      const length = Math.round(device.lengthMs * sampleRate / 1000);
      // A piece resumed where a save left it; past its end it starts over.
      const from = fromMs > 0 && fromMs < device.lengthMs ? tickAt(device.bytes, fromMs) : null;
      synth.playPlayer();
      const frames = from !== null ? Math.round(fromMs * sampleRate / 1000) : 0;
      playing = { id, piece, loop, bytes: device.bytes, frames, length, ended: false, orphaned: false,
                  seekTo: from };
      events.began(id, frames);
    }

    return {
      // The synthesizer, its SoundFont loaded: a play asked for before it starts now.
      ready(made) {
        synth = made;
        if (waiting) {
          const { id, piece, fromMs, loop } = waiting;
          waiting = null;
          begin(id, piece, fromMs, loop);
        }
      },

      open(id, bytes, lengthMs) {
        devices.set(id, { bytes, lengthMs: lengthMs || 0 });
      },

      play(id, piece, fromMs, loop) {
        const device = devices.get(id);
        if (!device) return false;
        if (playing && playing.orphaned && playing.loop && !fromMs &&
            sameBytes(playing.bytes, device.bytes)) {
          // The engine's replay of the piece that just looped: the synthesizer is already
          // past its beginning, by the frames played beyond the old end.
          playing = { ...playing, id, piece, frames: playing.frames - playing.length,
                      ended: false, orphaned: false };
          events.began(id, playing.frames);
          return true;
        }
        waiting = null;
        if (!synth) {
          stopSynth();
          waiting = { id, piece, fromMs, loop };
          return true;
        }
        begin(id, piece, fromMs, loop);
        return true;
      },

      position(id) {
        if (!playing || playing.id !== id || playing.orphaned) return null;
        return Math.floor(playing.frames * 1000 / sampleRate);
      },

      close(id) {
        const all = id === kAllDevices;
        if (!all && !devices.has(id)) return false;
        if (all) devices.clear(); else devices.delete(id);
        if (waiting && (all || waiting.id === id)) waiting = null;
        if (playing && (all || playing.id === id)) {
          if (!all && playing.ended) playing.orphaned = true;  // dropped at the next render
          else stopSynth();
        }
        return true;
      },

      // Whether anything is or is about to be heard from the music.
      busy() {
        return playing !== null || waiting !== null;
      },

      // Renders into `left` and `right` (Float32Arrays of one length), counting the frames and
      // telling each end of a piece's data; true when the block is audible.
      render(left, right) {
        if (playing && playing.orphaned) stopSynth();
        if (!synth) {
          left.fill(0);
          right.fill(0);
          return false;
        }
        if (playing && playing.seekTo !== null) {
          // Once the player runs: a seek before its first step is lost.
          synth.render([left.subarray(0, 1), right.subarray(0, 1)]);
          synth.seekPlayer(playing.seekTo);
          playing.seekTo = null;
        }
        const untilSeam = playing && playing.loop && playing.length > 0 ? playing.length - playing.frames : 0;
        if (untilSeam > 0 && untilSeam < left.length) {
          // The loop begins again exactly where the piece's data ends: the synthesizer's own
          // loop would come some 30 ms late, after it found every track done.
          synth.render([left.subarray(0, untilSeam), right.subarray(0, untilSeam)]);
          startPlayer(playing.bytes, true);
          synth.playPlayer();
          playing.seekTo = null;
          synth.render([left.subarray(untilSeam), right.subarray(untilSeam)]);
        } else {
          synth.render([left, right]);
        }
        if (playing) {
          playing.frames += left.length;
          // The file's own length, or where the synthesizer found the data ended, if earlier.
          const over = playing.length > 0 && playing.frames >= playing.length;
          if (!playing.ended && (over || !synth.isPlayerPlaying())) {
            playing.ended = true;
            events.ended(playing.piece);
          }
          return true;
        }
        for (let i = 0; i < left.length; ++i) {
          if (Math.abs(left[i]) > kInaudible || Math.abs(right[i]) > kInaudible) return true;
        }
        return false;
      },
    };
  }

  scope.nevMusicCore = { createMusicCore, tickAt, kAllDevices };
})(globalThis);
