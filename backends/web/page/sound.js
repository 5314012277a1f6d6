// The page's sound on Web Audio: MIDI music through the SoundFont synthesizer, WAV effects
// decoded by the browser. The music's own state lives beside the synthesizer (music_core.js):
// on the audio thread where the browser has AudioWorklet, else here under a ScriptProcessor.
'use strict';

(function () {
  const scriptBase = document.currentScript ? document.currentScript.src : location.href;
  const soundFolder = new URL('sound/', scriptBase);
  const kRenderFrames = 4096;
  // Silent blocks rendered here, with nothing playing, before the audio graph is suspended: an
  // idle page then costs the browser nothing for sound, and a release tail still rings out.
  const kQuietBlocksBeforeSuspend = 2;
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

  async function fetchFont() {
    const response = await fetch(new URL('TimGM6mb.sf2', soundFolder));
    if (!response.ok) throw new Error('no SoundFont (' + response.status + ')');
    return response.arrayBuffer();
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
  // Without a context the music can still be rendered here by renderMusic(), as the tests do.
  function createNevSound(options = {}) {
    let context = options.context || null;
    const sampleRate = () => (context ? context.sampleRate : options.sampleRate || 44100);
    let synthReady = null;  // a promise, made when music is first needed
    let musicGain = null;
    let soundGain = null;
    let musicVolume = 1;
    let soundVolume = 1;
    let defaultSound = null;
    let soundSource = null;
    let soundRequest = 0;
    let quietBlocks = 0;
    let suspending = false;  // asked to suspend, and not woken since
    let nextId = 1;
    const ended = [];
    const tellEnded = (piece) => {
      ended.push(piece);
      if (api.onPieceEnded) api.onPieceEnded();
    };

    // The music rendered here: its core (made when first needed).
    let core = null;
    // The music rendered on the audio thread: its node, the calls not yet posted (sent
    // together, so a close and the replay that takes the loop over arrive as one), the open
    // devices, and where the piece playing began on the context's clock.
    let node = null;
    let calls = [];
    let callsPosted = 0;
    const devices = new Set();
    let track = null;  // {id, frames, at}: `frames` into the piece at context frame `at`

    const onAudioThread = () => Boolean(context && context.audioWorklet);

    function localCore() {
      if (!core) core = nevMusicCore.createMusicCore(sampleRate(), { ended: tellEnded, began() {} });
      return core;
    }

    function call(...args) {
      if (calls.length === 0) queueMicrotask(postCalls);
      calls.push(args);
    }

    function postCalls() {
      if (!node || calls.length === 0) return;
      node.port.postMessage({ calls, serial: ++callsPosted });
      calls = [];
    }

    function heard(message) {
      if (message.ended !== undefined) {
        tellEnded(message.ended);
      } else if (message.began !== undefined) {
        if (devices.has(message.began)) track = { id: message.began, frames: message.frames, at: message.at };
      } else if (message.quiet) {
        // Told before a call still on its way: not quiet after all.
        if (message.serial === callsPosted && !soundSource) suspend();
      }
    }

    async function audioThreadSynth() {
      const worklet = context.audioWorklet;
      for (const script of ['libfluidsynth.js', 'js-synthesizer.worklet.min.js', 'music_core.js', 'music_worklet.js']) {
        await worklet.addModule(new URL(script, soundFolder));
      }
      const font = await fetchFont();
      node = new AudioWorkletNode(context, 'nev-music', { numberOfInputs: 0, outputChannelCount: [2] });
      node.connect(musicGain);
      const ready = new Promise((resolve, reject) => {
        node.port.onmessage = ({ data }) => {
          if (data.ready) resolve();
          else if (data.failed) reject(new Error(data.failed));
          else heard(data);
        };
      });
      node.port.postMessage({ font }, [font]);
      postCalls();
      await ready;
    }

    async function localSynth() {
      if (!window.JSSynth) {
        await loadScript(new URL('libfluidsynth.js', soundFolder));
        await loadScript(new URL('js-synthesizer.min.js', soundFolder));
      }
      await JSSynth.waitForReady();
      const font = await fetchFont();
      const made = new JSSynth.Synthesizer();
      made.init(sampleRate());
      await made.loadSFont(font);
      localCore().ready(made);
    }

    function ensureSynth() {
      if (!synthReady) {
        synthReady = onAudioThread() ? audioThreadSynth() : localSynth();
        synthReady.catch((error) => console.error('nev: no music: ' + error.message));
      }
      return synthReady;
    }

    // Nothing sounds: the audio graph stops costing the browser anything.
    function suspend() {
      if (!(context instanceof AudioContext) || suspending) return;
      suspending = true;
      context.suspend();
    }

    // The music's own node says when the graph has gone quiet; with no music yet, nothing
    // would, so the graph rests now.
    function restWithoutMusic() {
      if (onAudioThread() && !node && devices.size === 0) suspend();
    }

    // Something is about to sound: the graph runs again at once (the synthesizer's clock stood
    // still meanwhile, so the first note is neither late in the piece nor lost). A suspension
    // still under way counts as done, or the graph would stay suspended after it.
    function wake() {
      quietBlocks = 0;
      if (!(context instanceof AudioContext) || (context.state !== 'suspended' && !suspending)) return;
      suspending = false;
      context.resume();
    }

    // Renders the music here into `left` and `right` (Float32Arrays of one length).
    function renderMusic(left, right) {
      if (!core) {
        left.fill(0);
        right.fill(0);
        return false;
      }
      return core.render(left, right);
    }

    // The ScriptProcessor that renders here where the browser has no AudioWorklet.
    function scriptProcessor() {
      const processor = context.createScriptProcessor(kRenderFrames, 0, 2);
      // After the page was busy the browser asks for the same block of time several times
      // over and plays one answer: each gets the same music, which does not skip ahead.
      let lastTime = -Infinity;
      const lastBlock = [new Float32Array(kRenderFrames), new Float32Array(kRenderFrames)];
      processor.onaudioprocess = (event) => {
        const block = event.outputBuffer;
        const left = block.getChannelData(0);
        const right = block.getChannelData(1);
        if (event.playbackTime < lastTime + block.duration / 2) {
          left.set(lastBlock[0]);
          right.set(lastBlock[1]);
          return;
        }
        lastTime = event.playbackTime;
        const audible = renderMusic(left, right);
        lastBlock[0].set(left);
        lastBlock[1].set(right);
        if (audible || (core && core.busy()) || soundSource) quietBlocks = 0;
        else if (++quietBlocks >= kQuietBlocksBeforeSuspend) suspend();
      };
      processor.connect(musicGain);
    }

    const api = {
      createNevSound,
      renderMusic,
      sampleRate,

      // On the first gesture: browsers let sound start only then.
      start() {
        if (!context) context = new AudioContext();
        wake();
        if (!musicGain) {
          musicGain = context.createGain();
          soundGain = context.createGain();
          musicGain.gain.value = musicVolume;
          soundGain.gain.value = soundVolume;
          musicGain.connect(context.destination);
          soundGain.connect(context.destination);
          if (!onAudioThread()) scriptProcessor();
          defaultSound = chime(context);
        }
        // Allowed to sound from this gesture on; until something does, the graph rests.
        restWithoutMusic();
      },

      // The MIDI file's bytes (copied) and its length; the device's id.
      openMusic(bytes, lengthMs) {
        const id = nextId++;
        if (nextId === kAllDevices) nextId = 1;
        const copy = new Uint8Array(bytes);
        if (onAudioThread()) {
          devices.add(id);
          call('open', id, copy, lengthMs || 0);
        } else {
          localCore().open(id, copy, lengthMs || 0);
        }
        ensureSynth();
        return id;
      },

      // Plays the device from `fromMs` into its piece (0: its beginning). `loop`: the engine
      // is expected to play it again at its end.
      playMusic(id, piece, fromMs, loop = true) {
        wake();
        if (!onAudioThread()) return localCore().play(id, piece, fromMs, loop);
        if (!devices.has(id)) return false;
        call('play', id, piece, fromMs, loop);
        // Until the audio thread tells where it began.
        track = { id, frames: Math.round((fromMs || 0) * sampleRate() / 1000),
                  at: Math.round(context.currentTime * sampleRate()) };
        return true;
      },

      musicPosition(id) {
        if (!onAudioThread()) return core ? core.position(id) : null;
        if (!track || track.id !== id) return null;
        const frames = track.frames + context.currentTime * sampleRate() - track.at;
        return Math.max(0, Math.floor(frames * 1000 / sampleRate()));
      },

      closeMusic(id) {
        if (!onAudioThread()) return core ? core.close(id) : id === kAllDevices;
        const all = id === kAllDevices;
        if (!all && !devices.has(id)) return false;
        if (all) devices.clear(); else devices.delete(id);
        if (track && (all || track.id === id)) track = null;
        call('close', id);
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
            if (soundSource !== source) return;
            soundSource = null;
            restWithoutMusic();
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

      // Called when a piece ends, for a page that waits for that.
      onPieceEnded: null,

      // Whether a piece ended that the runner has not been told of.
      hasEndedPieces() {
        return ended.length > 0;
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
