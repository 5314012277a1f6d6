// The page's sound on Web Audio: MIDI music through the SoundFont synthesizer, WAV effects
// decoded by the browser. The engine's model: each music device plays one MIDI file once and
// tells when its data has ended; a looping piece is closed and opened again by the engine.
// The synthesizer goes on looping by itself at the end of the data, and the engine's replay of
// the same bytes takes that playback over, so a loop has no gap however late the engine answers.
'use strict';

(function () {
  const scriptBase = document.currentScript ? document.currentScript.src : location.href;
  const soundFolder = new URL('sound/', scriptBase);
  const kRenderFrames = 4096;
  // Silent blocks rendered, with nothing playing, before the audio graph is suspended: an idle
  // page then costs the browser nothing for sound, and a release tail still rings out.
  const kQuietBlocksBeforeSuspend = 2;
  const kInaudible = 1e-5;  // -100 dB: what a reverb's tail fades through for a long while
  const kAllDevices = 0xFFFFFFFF;
  const kNoPieces = Object.freeze([]);

  function loadScript(url) {
    return new Promise((resolve, reject) => {
      const script = document.createElement('script');
      script.src = url;
      script.onload = resolve;
      script.onerror = () => reject(new Error('cannot load ' + url));
      document.head.appendChild(script);
    });
  }

  function sameBytes(a, b) {
    if (a.length !== b.length) return false;
    for (let i = 0; i < a.length; ++i) if (a[i] !== b[i]) return false;
    return true;
  }

  // A short chime, standing in for an effect whose file does not decode.
  function chime(context) {
    const rate = context.sampleRate;
    const buffer = context.createBuffer(1, Math.round(rate * 0.18), rate);
    const data = buffer.getChannelData(0);
    for (let i = 0; i < data.length; ++i) {
      const t = i / rate;
      data[i] = 0.4 * Math.min(1, t / 0.005) * Math.exp(-t / 0.06) * Math.sin(2 * Math.PI * 880 * t);
    }
    return buffer;
  }

  // One sound set-up over `options.context` (an AudioContext, made on start() when not given).
  // Without a context the music can still be rendered by renderMusic(), as the tests do.
  function createNevSound(options = {}) {
    let context = options.context || null;
    const sampleRate = () => (context ? context.sampleRate : options.sampleRate || 44100);
    let synth = null;
    let synthReady = null;  // a promise, made when music is first needed
    let musicGain = null;
    let soundGain = null;
    let musicVolume = 1;
    let soundVolume = 1;
    let defaultSound = null;
    let soundSource = null;
    let soundRequest = 0;
    let quietBlocks = 0;

    const devices = new Map();  // id -> {bytes, lengthMs}
    let nextId = 1;
    // What the synthesizer plays: the device, its piece, frames played since its data began,
    // the piece's length in frames; `ended` once its end was told, `orphaned` once its device
    // was closed after that (kept for a moment in case the engine plays it again).
    let playing = null;
    let waiting = null;  // a play asked for before the synthesizer was ready
    const ended = [];

    function ensureSynth() {
      if (!synthReady) {
        synthReady = (async () => {
          if (!window.JSSynth) {
            await loadScript(new URL('libfluidsynth.js', soundFolder));
            await loadScript(new URL('js-synthesizer.min.js', soundFolder));
          }
          await JSSynth.waitForReady();
          const response = await fetch(new URL('TimGM6mb.sf2', soundFolder));
          if (!response.ok) throw new Error('no SoundFont (' + response.status + ')');
          const font = await response.arrayBuffer();
          const made = new JSSynth.Synthesizer();
          made.init(sampleRate());
          await made.loadSFont(font);
          synth = made;
          if (waiting) {
            const { id, piece, loop } = waiting;
            waiting = null;
            begin(id, piece, loop);
          }
        })();
        synthReady.catch((error) => console.error('nev: no music: ' + error.message));
      }
      return synthReady;
    }

    function stopSynth() {
      if (synth) synth.stopPlayer();
      playing = null;
    }

    function begin(id, piece, loop) {
      const device = devices.get(id);
      if (!device) return;
      stopSynth();
      synth.resetPlayer();
      synth.addSMFDataToPlayer(device.bytes.buffer);
      // -1: for ever, until the engine closes it; 1: once, tail left to ring out.
      synth.setPlayerLoop(loop ? -1 : 1);
      synth.playPlayer();
      wake();
      playing = { id, piece, loop, bytes: device.bytes, frames: 0,
                  length: Math.round(device.lengthMs * sampleRate() / 1000),
                  ended: false, orphaned: false };
    }

    function dropOrphan() {
      if (playing && playing.orphaned) stopSynth();
    }

    // Something is about to sound: the graph runs again at once (the synthesizer's clock stood
    // still meanwhile, so the first note is neither late in the piece nor lost).
    function wake() {
      quietBlocks = 0;
      if (context && context.state === 'suspended' && context instanceof AudioContext) context.resume();
    }

    // After a block rendered with nothing to play.
    function suspendWhenQuiet(left, right) {
      if (playing || waiting || soundSource || !(context instanceof AudioContext)) {
        quietBlocks = 0;
        return;
      }
      for (let i = 0; i < left.length; ++i) {
        if (Math.abs(left[i]) > kInaudible || Math.abs(right[i]) > kInaudible) {
          quietBlocks = 0;
          return;
        }
      }
      if (++quietBlocks >= kQuietBlocksBeforeSuspend && context.state === 'running') context.suspend();
    }

    // Renders the music into `left` and `right` (Float32Arrays of one length), counting its
    // frames and noting each end of a piece's data.
    function renderMusic(left, right) {
      dropOrphan();
      if (!synth) {
        left.fill(0);
        right.fill(0);
        return;
      }
      synth.render([left, right]);
      if (!playing) return;
      playing.frames += left.length;
      // The file's own length, or where the synthesizer found the data ended, if earlier.
      const over = playing.length > 0 && playing.frames >= playing.length;
      if (!playing.ended && (over || !synth.isPlayerPlaying())) {
        playing.ended = true;
        ended.push(playing.piece);
      }
    }

    const api = {
      createNevSound,
      renderMusic,
      sampleRate,

      // On the first gesture: browsers let sound start only then.
      start() {
        if (!context) context = new AudioContext();
        if (context.state === 'suspended' && context instanceof AudioContext) context.resume();
        if (!musicGain) {
          musicGain = context.createGain();
          soundGain = context.createGain();
          musicGain.gain.value = musicVolume;
          soundGain.gain.value = soundVolume;
          musicGain.connect(context.destination);
          soundGain.connect(context.destination);
          const node = context.createScriptProcessor(kRenderFrames, 0, 2);
          // After the page was busy the browser asks for the same block of time several times
          // over and plays one answer: each gets the same music, which does not skip ahead.
          let lastTime = -Infinity;
          const lastBlock = [new Float32Array(kRenderFrames), new Float32Array(kRenderFrames)];
          node.onaudioprocess = (event) => {
            const block = event.outputBuffer;
            const left = block.getChannelData(0);
            const right = block.getChannelData(1);
            if (event.playbackTime < lastTime + block.duration / 2) {
              left.set(lastBlock[0]);
              right.set(lastBlock[1]);
              return;
            }
            lastTime = event.playbackTime;
            renderMusic(left, right);
            lastBlock[0].set(left);
            lastBlock[1].set(right);
            suspendWhenQuiet(left, right);
          };
          node.connect(musicGain);
          defaultSound = chime(context);
        }
      },

      // The MIDI file's bytes (copied) and its length; the device's id.
      openMusic(bytes, lengthMs) {
        const id = nextId++;
        if (nextId === kAllDevices) nextId = 1;
        devices.set(id, { bytes: new Uint8Array(bytes), lengthMs: lengthMs || 0 });
        ensureSynth();
        return id;
      },

      // Plays the device from its beginning (MIDI does not seek; `fromMs` is where the engine
      // would have it, and the piece starts over as on the desktop). `loop`: the engine is
      // expected to play it again at its end.
      playMusic(id, piece, fromMs, loop = true) {
        const device = devices.get(id);
        if (!device) return false;
        if (playing && playing.orphaned && playing.loop && !fromMs &&
            sameBytes(playing.bytes, device.bytes)) {
          // The engine's replay of the piece that just looped: the synthesizer is already
          // past its beginning, by the frames played beyond the old end.
          playing = { ...playing, id, piece, frames: playing.frames - playing.length,
                      ended: false, orphaned: false };
          return true;
        }
        waiting = null;
        if (!synth) {
          stopSynth();
          waiting = { id, piece, loop };
          wake();
          return true;
        }
        begin(id, piece, loop);
        return true;
      },

      musicPosition(id) {
        if (!playing || playing.id !== id || playing.orphaned) return null;
        return Math.floor(playing.frames * 1000 / sampleRate());
      },

      closeMusic(id) {
        const all = id === kAllDevices;
        if (!all && !devices.has(id)) return false;
        if (all) devices.clear(); else devices.delete(id);
        if (waiting && (all || waiting.id === id)) waiting = null;
        if (playing && (all || playing.id === id)) {
          if (!all && playing.ended) {
            playing.orphaned = true;
            queueMicrotask(dropOrphan);
          } else {
            stopSynth();
          }
        }
        return true;
      },

      // Stops the effect before at once; the new one starts when decoded (the promise).
      playSound(bytes) {
        if (!context) return Promise.resolve();
        wake();
        const request = ++soundRequest;
        if (soundSource) soundSource.stop();
        soundSource = null;
        const copy = new Uint8Array(bytes).buffer;
        const play = (buffer) => {
          if (request !== soundRequest) return;
          const source = context.createBufferSource();
          source.buffer = buffer;
          source.connect(soundGain || context.destination);
          source.onended = () => {
            if (soundSource === source) soundSource = null;
          };
          source.start();
          soundSource = source;
          wake();
        };
        return context.decodeAudioData(copy).then(play, () => play(defaultSound || chime(context)));
      },

      setVolumes(music, sound) {
        const clamp = (percent) => Math.min(100, Math.max(0, percent)) / 100;
        musicVolume = clamp(music);
        soundVolume = clamp(sound);
        if (musicGain) musicGain.gain.value = musicVolume;
        if (soundGain) soundGain.gain.value = soundVolume;
      },

      // Asked at every sleep of the runner: nothing is made while nothing ended.
      takeEndedPieces() {
        return ended.length === 0 ? kNoPieces : ended.splice(0);
      },

      // Resolves once the synthesizer and its SoundFont are ready (or rejects).
      musicReady: ensureSynth,
    };
    return api;
  }

  window.nevSound = createNevSound();
})();
