// Runs in the page: the demo's music rendered through sound.js without a sound card, and its
// effects through an OfflineAudioContext. Each check is {name, ok, detail}.
'use strict';

const kRate = 44100;
const kBlock = 4096;
// The loop begins again where the data ends: the synthesizer's own loop would be 30 ms late,
// a replay after the engine answered (two blocks here) some 200 ms.
const kSeamWindows = 1;

async function fetchBytes(url) {
  const response = await fetch(url);
  if (!response.ok) throw new Error(url + ': ' + response.status);
  return new Uint8Array(await response.arrayBuffer());
}

function peak(samples) {
  let top = 0;
  for (const value of samples) top = Math.max(top, Math.abs(value));
  return top;
}

// Renders `blocks` blocks of music into `into` (an array of Float32Array blocks of the left
// channel), telling `onEnded` of each piece the sound reports ended after its block.
function render(sound, blocks, into, onEnded = () => {}) {
  for (let i = 0; i < blocks; ++i) {
    const left = new Float32Array(kBlock);
    sound.renderMusic(left, new Float32Array(kBlock));
    into.push(left);
    for (const piece of sound.takeEndedPieces()) onEnded(piece, into.length * kBlock);
  }
}

function joined(blocks) {
  const all = new Float32Array(blocks.length * kBlock);
  blocks.forEach((block, i) => all.set(block, i * kBlock));
  return all;
}

// When a standard MIDI file's data ends, in milliseconds, as the engine measures it: the last
// event of any track, through the tempo map.
function midiLengthMs(bytes) {
  const view = new DataView(bytes.buffer, bytes.byteOffset, bytes.byteLength);
  const division = view.getUint16(12);
  const tempos = [[0, 500000]];
  let end = 0;
  for (let at = 14; at + 8 <= bytes.length; at += 8 + view.getUint32(at + 4)) {
    const stop = at + 8 + view.getUint32(at + 4);
    let i = at + 8;
    let tick = 0;
    let status = 0;
    const number = () => {
      let value = 0;
      for (;;) { const b = bytes[i++]; value = value * 128 + (b & 127); if (b < 128) return value; }
    };
    while (i < stop) {
      tick += number();
      if (bytes[i] === 0xFF) {
        const type = bytes[i + 1];
        i += 2;
        const size = number();
        if (type === 0x51) tempos.push([tick, (bytes[i] << 16) | (bytes[i + 1] << 8) | bytes[i + 2]]);
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
    end = Math.max(end, tick);
  }
  tempos.sort((a, b) => a[0] - b[0]);
  let ms = 0;
  for (let k = 0; k < tempos.length && tempos[k][0] < end; ++k) {
    const next = k + 1 < tempos.length ? Math.min(tempos[k + 1][0], end) : end;
    ms += (next - tempos[k][0]) * tempos[k][1] / division / 1000;
  }
  return ms;
}

// Loudness in 10 ms windows from `from`, `count` of them.
function envelope(samples, from, count) {
  const size = kRate / 100;
  const out = [];
  for (let w = 0; w < count; ++w) {
    let sum = 0;
    for (let i = from + w * size; i < from + (w + 1) * size; ++i) sum += samples[i] * samples[i];
    out.push(Math.sqrt(sum / size));
  }
  return out;
}

// How many 10 ms windows `later` lags behind `reference`, by the best match within ±0.5 s.
function lagWindows(reference, samples, at) {
  const wanted = envelope(reference, 0, 200);
  let best = { lag: 0, score: -Infinity };
  for (let lag = -50; lag <= 50; ++lag) {
    const got = envelope(samples, at + lag * kRate / 100, 200);
    let dot = 0, a = 0, b = 0;
    for (let w = 0; w < 200; ++w) { dot += wanted[w] * got[w]; a += wanted[w] ** 2; b += got[w] ** 2; }
    const score = dot / Math.sqrt(a * b || 1);
    if (score > best.score) best = { lag, score };
  }
  return best;
}

async function musicChecks(theme) {
  const sound = nevSound.createNevSound({ sampleRate: kRate });
  await sound.musicReady();
  const lengthMs = midiLengthMs(theme);
  const seamFrame = Math.round(lengthMs * kRate / 1000);

  // Its beginning, played once.
  const once = [];
  const first = sound.openMusic(theme, lengthMs);
  sound.playMusic(first, 1, 0, false);
  render(sound, Math.ceil(4 * kRate / kBlock), once);
  sound.closeMusic(first);
  const onceSamples = joined(once);

  // Resumed 1 s in, as a load puts it: half a second later it sounds as 1.5 s into the piece.
  const resumed = [];
  const again = sound.openMusic(theme, lengthMs);
  sound.playMusic(again, 4, 1000, false);
  render(sound, Math.ceil(3 * kRate / kBlock), resumed);
  sound.closeMusic(again);
  const resumedMatch = lagWindows(onceSamples.subarray(1.5 * kRate), joined(resumed), kRate / 2);

  // Looped as the engine loops it: told the end, it closes the device and plays the same file
  // on a new one, here late by two blocks, as a runner busy elsewhere would be.
  const looped = [];
  let device = sound.openMusic(theme, lengthMs);
  sound.playMusic(device, 2, 0, true);
  let told = 0;
  let toldAt = 0;
  render(sound, Math.ceil(seamFrame / kBlock) + 2, looped, (piece, frame) => {
    told = piece;
    toldAt = toldAt || frame;
  });
  sound.closeMusic(device);
  device = sound.openMusic(theme, lengthMs);
  sound.playMusic(device, 3, 0, true);
  const positionAfterReplay = sound.musicPosition(device);
  render(sound, Math.ceil(3 * kRate / kBlock), looped);
  const loopSamples = joined(looped);
  const match = lagWindows(onceSamples, loopSamples, seamFrame);
  const blockMs = kBlock * 1000 / kRate;

  return [
    { name: 'the demo music is heard', ok: peak(loopSamples) > 0.01,
      detail: `peak ${peak(loopSamples).toFixed(3)}` },
    { name: 'the end of a piece is told once its data has played', ok: told === 2 &&
        toldAt >= seamFrame && toldAt - seamFrame <= kBlock,
      detail: `piece ${told} told at frame ${toldAt}, its data ends at ${seamFrame}` },
    { name: 'the replay takes over the playing loop', ok: positionAfterReplay !== null &&
        positionAfterReplay >= 2 * blockMs - 1 && positionAfterReplay <= 3 * blockMs,
      detail: `position ${positionAfterReplay} ms just after the replay` },
    { name: 'a piece resumed at a position plays on from there',
      // Notes struck before the position are not heard: the match is looser than a seam's.
      ok: Math.abs(resumedMatch.lag) <= 2 && resumedMatch.score > 0.6,
      detail: `${resumedMatch.lag * 10} ms off the position (match ${resumedMatch.score.toFixed(3)})` },
    { name: 'a looped piece has no gap at its seam', ok: Math.abs(match.lag) <= kSeamWindows && match.score > 0.9,
      detail: `the second time through is ${match.lag * 10} ms off the seam (match ${match.score.toFixed(3)})` },
  ];
}

// Renders what playSound makes of `bytes` through an offline context; the left channel.
async function renderEffect(bytes) {
  const context = new OfflineAudioContext(2, kRate, kRate);
  const sound = nevSound.createNevSound({ context });
  sound.start();
  await sound.playSound(bytes);
  const rendered = await context.startRendering();
  return rendered.getChannelData(0);
}

async function effectChecks(bell) {
  const cases = [
    { name: 'a WAV effect is heard', bytes: bell },
    { name: 'a file that does not decode gets the default sound', bytes: new Uint8Array([1, 2, 3]) },
  ];
  const checks = [];
  for (const { name, bytes } of cases) {
    const samples = await renderEffect(bytes);
    checks.push({ name, ok: peak(samples) > 0.01, detail: `peak ${peak(samples).toFixed(3)}` });
  }
  // With no music, nothing but the effect keeps the audio graph running.
  const context = new AudioContext();
  const sound = nevSound.createNevSound({ context });
  sound.start();
  await sound.playSound(bell);
  const until = async (state) => {
    for (const end = performance.now() + 5000; context.state !== state && performance.now() < end;) {
      await new Promise((done) => setTimeout(done, 50));
    }
    return context.state;
  };
  const playing = await until('running');
  await until('suspended');
  checks.push({ name: 'an effect ended with no music playing lets the audio graph rest',
    ok: playing === 'running' && context.state === 'suspended', detail: `${playing}, then ${context.state}` });
  await context.close();
  return checks;
}

window.runSoundChecks = async () => {
  const [theme, bell] = await Promise.all(
    [fetchBytes('/demo/theme.mid'), fetchBytes('/demo/bell.wav')]);
  return [...await musicChecks(theme), ...await effectChecks(bell)];
};
