// The page's speed, in headless chromium from a local server: its own load and start → first
// picture with a cold cache, the CPU it takes idling at a click wait, and how fast it types and
// skips against render's virtual clock. Prints the figures; judges none.
//   node bench.js SITE FAST_SITE SILENT_SITE TIMES.json
// The demo, the demo typed at no delay, and the demo without music, as `nev web` writes them;
// TIMES: render's virtual milliseconds for the same runs: {play, fast} from the first wait to the
// end, {skip} the whole demo skipped.
'use strict';
const fs = require('fs');
const path = require('path');
const { startServer, launchBrowser } = require('../../tests/web/browser');

const [site, fastSite, silentSite, timesFile] = process.argv.slice(2);
const times = JSON.parse(fs.readFileSync(timesFile, 'utf8'));
const idleSeconds = Number(process.env.NEV_BENCH_IDLE_SECONDS || 5);
const kIdleSettleMs = 3000;
const blinkMs = Number(process.env.NEV_BENCH_BLINK_MS || 45);  // the demo's character delay
const kMarkerSide = 24;

function watch() {
  window.nevBench = { frames: 0, chars: 0, at: '' };
  for (const type of ['start', 'first-picture', 'end']) {
    addEventListener('nev-' + type, () => { window.nevBench[type] = performance.now(); });
  }
  addEventListener('nev-frame', (e) => {
    ++window.nevBench.frames;
    window.nevBench.at = e.detail.at;
  });
  addEventListener('nev-text', (e) => { window.nevBench.chars += [...e.detail.text].length; });
}

// A /proc stat file's parent pid and CPU ticks (user + system).
function statOf(path) {
  const stat = fs.readFileSync(path, 'utf8');
  const fields = stat.slice(stat.lastIndexOf(')') + 2).split(' ');
  return { parent: Number(fields[1]), ticks: Number(fields[11]) + Number(fields[12]) };
}

// CPU seconds (user + system) of the browser and every process under it, in all, by the kind
// of process (browser, renderer, gpu-process, the audio and network services, …) and of the
// renderers' main threads (their pages' thread).
function cpuSeconds(rootPid) {
  const parent = new Map();
  const used = new Map();
  const kind = new Map();
  const mainThread = new Map();
  for (const pid of fs.readdirSync('/proc').filter((name) => /^\d+$/.test(name))) {
    try {
      const stat = statOf(`/proc/${pid}/stat`);
      parent.set(Number(pid), stat.parent);
      used.set(Number(pid), stat.ticks);
      const command = fs.readFileSync(`/proc/${pid}/cmdline`, 'utf8');
      const type = /--type=([\w-]+)/.exec(command);
      const service = /--utility-sub-type=(?:[\w]+\.)*?(\w+)\.mojom/.exec(command);
      kind.set(Number(pid), service ? service[1].toLowerCase() : type ? type[1] : 'browser');
      if (type && type[1] === 'renderer') mainThread.set(Number(pid), statOf(`/proc/${pid}/task/${pid}/stat`).ticks);
    } catch (error) { /* gone meanwhile */ }
  }
  const under = (pid) => pid === rootPid || (parent.has(pid) && pid > 1 && under(parent.get(pid)));
  const byKind = {};
  let ticks = 0;
  let pageThreads = 0;
  for (const [pid, t] of used) {
    if (!under(pid)) continue;
    ticks += t;
    byKind[kind.get(pid)] = (byKind[kind.get(pid)] || 0) + t / 100;
    pageThreads += mainThread.get(pid) || 0;
  }
  return { all: ticks / 100, byKind, pageThreads: pageThreads / 100 };  // USER_HZ
}

async function freshPage(browser, url, pagePath) {
  const context = await browser.createBrowserContext();
  const page = await context.newPage();
  await page.evaluateOnNewDocument(watch);
  const session = await page.createCDPSession();
  await session.send('Network.setCacheDisabled', { cacheDisabled: true });
  await page.goto(url + pagePath);
  await page.waitForSelector('#nev-start:not([hidden])');
  const loaded = await page.evaluate(() => Math.round(performance.now()));
  await page.keyboard.press('Enter');
  return { context, page, session, loaded };
}

// Goes on to the end, picking the first item at each choice and, unless `skipping`, clicking at
// once at each wait; the real milliseconds it took from the call.
async function through(page, skipping = false) {
  const begun = await page.evaluate(() => performance.now());
  let seen = await page.evaluate(() => window.nevBench.frames);
  let stops = 0;
  let stalls = 0;
  const ended = () => page.evaluate(() => window.nevBench.end !== undefined);
  if (skipping) await page.keyboard.down('Control');
  else if (seen > 0) await page.keyboard.press('Enter');
  while (!(await ended())) {
    const moved = await page.waitForFunction(
      (n) => window.nevBench.frames > n || window.nevBench.end !== undefined,
      { timeout: skipping ? 1000 : 60000, polling: 'raf' }, seen).then(() => true, () => false);
    if (!moved) {
      if (!skipping) throw new Error('the page stopped');
      ++stalls;  // skipping stays at an unread wait: a second lost, taken off below
      await page.keyboard.press('Enter');
      continue;
    }
    if (await ended()) break;
    seen = await page.evaluate(() => window.nevBench.frames);
    if (await page.evaluate(() => window.nevBench.at === 'choice')) {
      // A choice ends skipping: the key is let go, and held again once an item is picked.
      if (skipping) await page.keyboard.up('Control');
      await page.keyboard.press('ArrowDown');
      // The item is lit once a whole pass over the items has drawn it.
      await new Promise((done) => setTimeout(done, 200));
      await page.keyboard.press('Enter');
      if (skipping) await page.keyboard.down('Control');
    } else {
      stops += skipping ? 1 : 0;  // a wait skipping stopped at: unread text
      await page.keyboard.press('Enter');
    }
  }
  return page.evaluate((t0) => ({ ms: window.nevBench.end - t0, chars: window.nevBench.chars }), begun)
    .then((run) => ({ ...run, ms: run.ms - 1000 * stalls, stops: stops + stalls }));
}

// Clicks on through the waits to the first choice.
async function untilChoice(page) {
  while ((await page.evaluate(() => window.nevBench.at)) !== 'choice') {
    const seen = await page.evaluate(() => window.nevBench.frames);
    await page.keyboard.press('Enter');
    await page.waitForFunction((n) => window.nevBench.frames > n, { timeout: 60000 }, seen);
  }
}

async function barePage(browser, halfPeriod) {
  const context = await browser.createBrowserContext();
  const page = await context.newPage();
  await page.setContent(`<canvas id="c" width="640" height="480"></canvas><script>
    const picture = document.getElementById('c').getContext('2d', { alpha: false, desynchronized: true });
    const areas = [0, 255].map((grey) => new ImageData(new Uint8ClampedArray(${kMarkerSide ** 2 * 4}).fill(grey), ${kMarkerSide}));
    let deadline = performance.now(), flips = 0;
    const flip = () => {
      picture.putImageData(areas[++flips % 2], 300, 300);
      deadline += ${halfPeriod};
      setTimeout(flip, Math.max(deadline - performance.now(), 0));
    };
    flip();
  </script>`);
  return { context, page, session: await page.createCDPSession() };
}

// The share of a core the page's thread and the whole browser (and each kind of its processes)
// take over idleSeconds.
async function idle(browser, session) {
  // Settled first: the SoundFont read and the engine's code compiled in the background.
  await new Promise((done) => setTimeout(done, kIdleSettleMs));
  await session.send('Performance.enable');
  const taskSeconds = async () => (await session.send('Performance.getMetrics'))
    .metrics.find((m) => m.name === 'TaskDuration').value;
  const before = [await taskSeconds(), cpuSeconds(browser.process().pid)];
  await new Promise((done) => setTimeout(done, idleSeconds * 1000));
  const after = [await taskSeconds(), cpuSeconds(browser.process().pid)];
  const share = (from, to) => `${(100 * (to - from) / idleSeconds).toFixed(2)} %`;
  const kinds = Object.keys(after[1].byKind).sort()
    .map((kind) => [kind, share(before[1].byKind[kind] || 0, after[1].byKind[kind])])
    .filter(([, figure]) => figure !== '0.00 %').map(([kind, figure]) => `${kind} ${figure}`);
  return `the page's thread ${share(before[0], after[0])} of a core in tasks ` +
    `(${share(before[1].pageThreads, after[1].pageThreads)} in CPU time), the whole browser ` +
    `${share(before[1].all, after[1].all)} (${kinds.join(', ')})`;
}

const ms = (x) => `${Math.round(x)} ms`;

(async () => {
  const server = await startServer({ '/play/': site, '/fast/': fastSite, '/silent/': silentSite });
  const browser = await launchBrowser();
  try {
    const pageOf = (p) => freshPage(browser, server.url, p);
    // Cold load and the first picture, then idling at the first wait.
    let run = await pageOf('/play/index.html');
    await run.page.waitForFunction(() => window.nevBench.frames > 0, { timeout: 60000 });
    const first = await run.page.evaluate(() => window.nevBench['first-picture'] - window.nevBench.start);
    console.log(`web bench: the page's own load (cold cache, to its start offer): ${ms(run.loaded)}`);
    console.log(`web bench: start → the demo's first picture (cold cache): ${ms(first)} (budget 1500 ms)`);
    console.log(`web bench: idle at a click wait over ${idleSeconds} s, the demo's music playing: ` +
      `${await idle(browser, run.session)} (budget 1 %)`);
    // Typing at the story's own speed: through to the end, clicking at once at each wait.
    const played = await through(run.page);
    console.log(`web bench: typing at the story's speed: ${ms(played.ms)} in the page for render's ` +
      `${ms(times.play)} (${(times.play / played.ms).toFixed(2)} story ms per real ms)`);
    // Skipping: the demo again in the page that read it, Ctrl held from the first wait.
    await run.page.waitForSelector('#nev-first:not([hidden]) #nev-start:not([hidden])');
    await run.page.evaluate(() => { window.nevBench = { ...window.nevBench, frames: 0, end: undefined }; });
    await run.page.keyboard.press('Enter');
    await run.page.waitForFunction(() => window.nevBench.frames > 0, { timeout: 60000 });
    await through(run.page, true).then((skipped) => console.log(
      `web bench: skipping the demo from its first wait: ${ms(skipped.ms)} in the page, stopping at ` +
      `${skipped.stops} waits as unread (render's clock skipping all of it: ${ms(times.skip)})`),
    (error) => console.log(`web bench: skipping not measured: ${error.message}`));
    await run.context.close();
    run = await pageOf('/silent/index.html');
    await run.page.waitForFunction(() => window.nevBench.frames > 0, { timeout: 60000 });
    console.log(`web bench: idle at a click wait over ${idleSeconds} s, no music: ` +
      `${await idle(browser, run.session)} (budget 1 %)`);
    // The same wait with the text hidden, and the first choice: nothing on the screen changes.
    const picture = await (await run.page.$('#nev-picture')).boundingBox();
    await run.page.mouse.click(picture.x + 1, picture.y + 1, { button: 'right' });
    console.log(`web bench: idle at that wait with the text hidden: ${await idle(browser, run.session)}`);
    await run.page.mouse.click(picture.x + 1, picture.y + 1, { button: 'right' });
    await untilChoice(run.page);
    console.log(`web bench: idle at a choice, no item lit: ${await idle(browser, run.session)}`);
    await run.context.close();
    // What presenting the blink alone costs: a bare canvas flipping an area of the marker's size
    // at the same times, and nothing else.
    run = await barePage(browser, blinkMs);
    console.log(`web bench: for comparison, a bare page flipping a ${kMarkerSide}-pixel square every ` +
      `${blinkMs} ms: ${await idle(browser, run.session)}`);
    await run.context.close();
    // The fastest typing: every character at once.
    run = await pageOf('/fast/index.html');
    await run.page.waitForFunction(() => window.nevBench.frames > 0, { timeout: 60000 });
    const fast = await through(run.page);
    console.log(`web bench: typing at the fastest speed: ${fast.chars} characters and their waits in ` +
      `${ms(fast.ms)} (render's clock: ${ms(times.fast)})`);
    await run.context.close();
  } finally {
    await browser.close();
    await server.close();
  }
})().catch((error) => {
  // Timings are reported, never judged.
  console.log('web bench: the page could not be measured: ' + error.message);
});
