// The player page plays stories `nev web` wrote through to their end by keys, clicks or taps:
// each wait's canvas is render's frame, byte for byte; at each choice, once render's item is
// lit, so is its choice frame; the page's events are render's log (but the clock and frame
// files); and the page returns to its first screen.
//   node page_check.js PLAN.json
// PLAN: [{name, site, render, picks: [item, …], by: 'keys' | 'clicks' | 'taps', query?, says?,
//         rest?}, …]
// `says`: what the first screen's message line must hold before the story starts; `rest`: a
// second's rest at the first wait and at the first choice before going on.
'use strict';
const fs = require('fs');
const path = require('path');
const { startServer, launchBrowser } = require('./browser');

const plan = JSON.parse(fs.readFileSync(process.argv[2], 'utf8'));
const told = ['text', 'frame', 'choice', 'end'];

// In the page before it starts: each event, and the canvas at each frame.
function record(told) {
  const pixels = (c = document.getElementById('nev-picture')) =>
    c.getContext('2d').getImageData(0, 0, c.width, c.height).data;
  const same = (a, b) => a && b && a.length === b.length && a.every((v, i) => v === b[i]);
  const nev = window.nevCheck = { events: [], frames: [], ended: false, pixels, same };
  nev.render = async (url) => {  // render's PNG, as it stands
    const reply = await fetch(url);
    if (!reply.ok) return null;
    const image = await createImageBitmap(await reply.blob(),
      { colorSpaceConversion: 'none', premultiplyAlpha: 'none' });
    const canvas = new OffscreenCanvas(image.width, image.height);
    canvas.getContext('2d').drawImage(image, 0, 0);
    return pixels(canvas);
  };
  for (const type of told) {
    addEventListener('nev-' + type, ({ detail: { t, ...detail } }) => {
      nev.events.push(JSON.stringify({ event: type, ...detail }));
      if (type === 'frame') nev.frames.push({ at: detail.at, pixels: pixels() });
      nev.ended ||= type === 'end';
    });
  }
}

// Resting at frame `n`, a wait or a choice: once the auto slot is written, the page wakes the
// engine only for what is for it (a piece of music's end): at a wait it blinks the marker by
// itself (twice a blink would be some 22 times a second), at a choice it shows the items as they
// are (the engine goes over them every 4 ms); what follows, as render has it.
async function rest(page, n, say, rested) {
  const { at, wakes, shown, other } = await page.evaluate(async (n) => {
    const take = nevPage.takeInput;
    const counts = { at: window.nevCheck.frames[n].at, wakes: 0, shown: 0, other: 0 };
    await new Promise((done) => setTimeout(done, 500));
    nevPage.takeInput = () => { ++counts.wakes; return take(); };
    for (const end = performance.now() + 1000; performance.now() < end;) {
      await new Promise((done) => setTimeout(done, 20));
      ++counts[window.nevCheck.same(window.nevCheck.pixels(), window.nevCheck.frames[n].pixels) ? 'shown' : 'other'];
    }
    nevPage.takeInput = take;
    return counts;
  }, n);
  rested.add(at);
  if (wakes > 6) say(`resting at a ${at}, the engine was woken ${wakes} times in a second`);
  if (at === 'wait' && (shown === 0 || other === 0)) {
    say(`resting at a wait, the marker did not blink (${shown} shown, ${other} not)`);
  }
  if (at === 'choice' && other > 0) say(`resting at a choice, the picture changed ${other} times`);
}

async function play(browser, url, story, say) {
  const context = await browser.createBrowserContext();
  const page = await context.newPage();
  page.on('pageerror', (error) => say('page: ' + error.message));
  if (story.by === 'taps') await page.setViewport({ width: 800, height: 600, hasTouch: true, isMobile: true });
  await page.evaluateOnNewDocument(record, told);
  await page.goto(`${url}/${story.name}/index.html${story.query || ''}`);
  await page.waitForSelector('#nev-start:not([hidden])');
  const status = await page.$eval('#nev-status', (line) => line.textContent);
  if (!status.includes(story.says || '')) say(`the first screen says "${status}", not "${story.says}"`);
  await page.keyboard.press('Enter');
  // Where a picture row is on the screen, at the picture's middle.
  const at = (row) => page.$eval('#nev-picture', (c, row) => {
    const box = c.getBoundingClientRect();
    return [box.left + box.width / 2, box.top + (row + 0.5) * box.height / c.height];
  }, row);
  const click = async (row) => {
    const [x, y] = await at(row);
    if (story.by === 'taps') return page.touchscreen.touchStart(x, y);
    await page.mouse.move(x, y);
    return { end: async () => { await page.mouse.down(); await page.mouse.up(); } };
  };
  const frame = (n) => `${story.renderUrl}${String(n + 1).padStart(4, '0')}.png`;
  const picks = [...story.picks];
  const rested = new Set();
  let seen = 0;
  while (!(await page.evaluate(() => window.nevCheck.ended))) {
    await page.waitForFunction((n) => window.nevCheck.frames.length > n || window.nevCheck.ended ||
                               document.querySelector('#nev-dialog[open]'), { timeout: 30000 }, seen);
    // A box over the story: its button, as a reader would.
    if (await page.$('#nev-dialog[open]')) await page.click('#nev-dialog-buttons button');
    const frames = await page.evaluate(() => window.nevCheck.frames.map((f) => f.at));
    for (; seen < frames.length; ++seen) {
      if (frames[seen] === 'wait') {
        if (!(await page.evaluate(async (n, file) => window.nevCheck.same(
          window.nevCheck.frames[n].pixels, await window.nevCheck.render(file)), seen, frame(seen)))) {
          say(`frame ${seen + 1}: the canvas at the wait differs from render's`);
        }
        if (story.rest && !rested.has('wait')) await rest(page, seen, say, rested);
        if (story.by === 'keys') await page.keyboard.press('Enter');
        else await (await click(0)).end();
      } else if (frames[seen] === 'choice') {
        if (story.rest && !rested.has('choice')) await rest(page, seen, say, rested);
        const item = picks.length > 0 ? picks.shift() : 0;
        // The item lies where render's frame differs from the unlit one.
        const row = await page.evaluate(async (n, file) => {
          const want = window.nevCheck.want = await window.nevCheck.render(file);
          const unlit = window.nevCheck.frames[n].pixels;
          const rows = [];
          for (let i = 0; want && i < want.length; i += 4) {
            if (want[i] !== unlit[i] || want[i + 1] !== unlit[i + 1] || want[i + 2] !== unlit[i + 2]) {
              rows.push(Math.floor(i / 4 / document.getElementById('nev-picture').width));
            }
          }
          return Math.round((rows[0] + rows[rows.length - 1]) / 2);
        }, seen, frame(seen));
        let finger = null;
        if (story.by === 'keys') for (let i = 0; i <= item; ++i) await page.keyboard.press('ArrowDown');
        else finger = await click(row);
        if (!(await page.waitForFunction(() => window.nevCheck.same(window.nevCheck.pixels(), window.nevCheck.want),
          { timeout: 5000, polling: 50 }).then(() => true, () => false))) {
          say(`frame ${seen + 1}: with item ${item} lit the canvas never became render's choice frame`);
        }
        if (finger) await finger.end();
        else await page.keyboard.press('Enter');
      }
    }
  }
  await page.waitForSelector('#nev-first:not([hidden]) #nev-start:not([hidden])');
  const events = await page.evaluate(() => window.nevCheck.events);
  const want = fs.readFileSync(path.join(story.render, 'events.jsonl'), 'utf8').split('\n')
    .filter(Boolean).map((line) => JSON.parse(line)).filter((e) => told.includes(e.event))
    .map(({ t, ...rest }) => JSON.stringify(rest.event === 'frame' ? { event: 'frame', at: rest.at } : rest));
  const differ = want.findIndex((line, i) => events[i] !== line);
  if (differ >= 0 || events.length !== want.length) {
    say(`event ${differ + 1}: the page told ${events[differ]}, render ${want[differ]}`);
  }
  await context.close();
  return `${story.name}${story.query || ''} by ${story.by}: ${seen} frames`;
}

(async () => {
  const mounts = {};
  plan.forEach((story, i) => {
    mounts[`/${story.name}/`] = story.site;
    mounts[(story.renderUrl = `/render${i}/`)] = story.render;
  });
  const server = await startServer(mounts);
  const browser = await launchBrowser();
  const problems = [];
  const played = [];
  try {
    for (const story of plan) played.push(await play(browser, server.url, story, (text) => problems.push(`${story.name}: ${text}`)));
  } finally {
    await browser.close();
    await server.close();
  }
  for (const problem of problems) console.error('page check: ' + problem);
  if (problems.length > 0) process.exit(1);
  console.log(`page check: the page played ${played.join(', ')}, each frame and event render's`);
})().catch((error) => {
  console.error('page check: ' + error.message);
  process.exit(1);
});
