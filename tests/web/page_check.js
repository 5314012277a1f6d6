// The player page plays stories `nev web` wrote through to their end, each by keys, mouse
// clicks or taps: every wait's canvas is render's frame for that wait, byte for byte; at each
// choice, once the item render picked is lit, the canvas is render's choice frame; the page's
// text, frame, choice and end events are render's log lines (but the clock and file names); and
// the page returns to its first screen.
//   node page_check.js PLAN.json
// PLAN: [{name, site, render, picks: [item, …], by: 'keys' | 'clicks' | 'taps'}, …]
'use strict';
const fs = require('fs');
const path = require('path');
const { startServer, launchBrowser } = require('./browser');

const plan = JSON.parse(fs.readFileSync(process.argv[2], 'utf8'));
const logged = new Set(['text', 'frame', 'choice', 'end']);

// Render's log as the page tells it.
function renderEvents(folder) {
  return fs.readFileSync(path.join(folder, 'events.jsonl'), 'utf8').split('\n').filter(Boolean)
    .map((line) => JSON.parse(line)).filter((e) => logged.has(e.event))
    .map(({ t, ...rest }) => {
      if (rest.event === 'frame') delete rest.file;
      return JSON.stringify(rest);
    });
}

// Installed in the page before it starts: every event's detail, and the canvas at each frame.
function record() {
  window.nevCheck = { events: [], frames: [], ended: false };
  window.nevCheck.pixels = () => {
    const canvas = document.getElementById('nev-picture');
    return canvas.getContext('2d').getImageData(0, 0, canvas.width, canvas.height).data;
  };
  window.nevCheck.render = async (url) => {
    const reply = await fetch(url);
    if (!reply.ok) return null;
    const image = await createImageBitmap(await reply.blob(),
      { colorSpaceConversion: 'none', premultiplyAlpha: 'none' });
    const context = new OffscreenCanvas(image.width, image.height).getContext('2d');
    context.drawImage(image, 0, 0);
    return context.getImageData(0, 0, image.width, image.height).data;
  };
  window.nevCheck.same = (a, b) => a && b && a.length === b.length && a.every((v, i) => v === b[i]);
  for (const type of ['text', 'frame', 'choice', 'end']) {
    addEventListener('nev-' + type, (event) => {
      const { t, ...detail } = event.detail;
      window.nevCheck.events.push(JSON.stringify({ event: type, ...detail }));
      if (type === 'frame') window.nevCheck.frames.push({ at: detail.at, pixels: window.nevCheck.pixels() });
      if (type === 'end') window.nevCheck.ended = true;
    });
  }
}

// The reader's hand: a click at a wait, and lighting then taking an item at a choice.
function hand(page, by) {
  const at = async (row) => {
    const box = await page.$eval('#nev-picture', (c) => {
      const r = c.getBoundingClientRect();
      return { x: r.left, y: r.top, width: r.width, height: r.height, rows: c.height };
    });
    return [box.x + box.width / 2, box.y + (row + 0.5) * box.height / box.rows];
  };
  let touch = null;
  return {
    async advance() {
      if (by === 'keys') return page.keyboard.press('Enter');
      const [x, y] = await at(0);
      return by === 'taps' ? page.touchscreen.tap(x, y) : page.mouse.click(x, y);
    },
    async light(item, row) {
      if (by === 'keys') {
        for (let i = 0; i <= item; ++i) await page.keyboard.press('ArrowDown');
        return;
      }
      const [x, y] = await at(row);
      if (by === 'taps') touch = await page.touchscreen.touchStart(x, y);
      else await page.mouse.move(x, y);
    },
    async take() {
      if (by === 'keys') return page.keyboard.press('Enter');
      if (by === 'taps') return touch.end();
      await page.mouse.down();
      return page.mouse.up();
    },
  };
}

async function play(browser, url, story, problems) {
  const context = await browser.createBrowserContext();
  const page = await context.newPage();
  const say = (text) => problems.push(`${story.name}: ${text}`);
  page.on('console', (m) => { if (m.type() === 'error' && !/is a stub/.test(m.text())) console.error('page: ' + m.text()); });
  page.on('pageerror', (error) => say('page: ' + error.message));
  if (story.by === 'taps') await page.setViewport({ width: 800, height: 600, hasTouch: true, isMobile: true });
  await page.evaluateOnNewDocument(record);
  await page.goto(`${url}/${story.name}/index.html`);
  await page.waitForSelector('#nev-start:not([hidden])');
  await page.keyboard.press('Enter');  // the first key starts the story
  const reader = hand(page, story.by);
  const picks = [...story.picks];
  const renderFrame = (n) => `${story.renderUrl}${String(n + 1).padStart(4, '0')}.png`;
  let seen = 0;
  let waits = 0;
  while (!(await page.evaluate(() => window.nevCheck.ended))) {
    await page.waitForFunction((n) => window.nevCheck.frames.length > n || window.nevCheck.ended ||
                               document.querySelector('#nev-dialog[open]'), { timeout: 30000 }, seen);
    // A box over the story: its button, as a reader would.
    if (await page.$('#nev-dialog[open]')) await page.click('#nev-dialog-buttons button');
    const frames = await page.evaluate(() => window.nevCheck.frames.map((f) => f.at));
    for (; seen < frames.length; ++seen) {
      if (frames[seen] === 'wait') {
        ++waits;
        const same = await page.evaluate(async (n, file) => window.nevCheck.same(
          window.nevCheck.frames[n].pixels, await window.nevCheck.render(file)), seen, renderFrame(seen));
        if (!same) say(`frame ${seen + 1}: the canvas at the wait differs from render's`);
        await reader.advance();
      } else if (frames[seen] === 'choice') {
        const item = picks.length > 0 ? picks.shift() : 0;
        // The middle of the rows where render's frame differs from the unlit one: the item.
        const row = await page.evaluate(async (n, file) => {
          const want = window.nevCheck.want = await window.nevCheck.render(file);
          const unlit = window.nevCheck.frames[n].pixels;
          const width = document.getElementById('nev-picture').width;
          let top = -1, bottom = -1;
          for (let i = 0; want && i < want.length; i += 4) {
            if (want[i] !== unlit[i] || want[i + 1] !== unlit[i + 1] || want[i + 2] !== unlit[i + 2]) {
              if (top < 0) top = Math.floor(i / 4 / width);
              bottom = Math.floor(i / 4 / width);
            }
          }
          return Math.round((top + bottom) / 2);
        }, seen, renderFrame(seen));
        await reader.light(item, row);
        const lit = await page.waitForFunction(
          () => window.nevCheck.same(window.nevCheck.pixels(), window.nevCheck.want),
          { timeout: 5000, polling: 50 }).then(() => true, () => false);
        if (!lit) say(`frame ${seen + 1}: with item ${item} lit the canvas never became render's choice frame`);
        await reader.take();
      }
    }
  }
  await page.waitForSelector('#nev-first:not([hidden]) #nev-start:not([hidden])');
  const events = await page.evaluate(() => window.nevCheck.events);
  const want = renderEvents(story.render);
  for (let i = 0; i < Math.max(events.length, want.length); ++i) {
    if (events[i] !== want[i]) {
      say(`event ${i + 1}: the page told ${events[i]}, render ${want[i]}`);
      break;
    }
  }
  if (waits === 0) say('no wait was seen');
  await context.close();
  return waits;
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
  const told = [];
  try {
    for (const story of plan) told.push(`${story.name} by ${story.by}: ${await play(browser, server.url, story, problems)} waits`);
  } finally {
    await browser.close();
    await server.close();
  }
  for (const problem of problems) console.error('page check: ' + problem);
  if (problems.length > 0) process.exit(1);
  console.log(`page check: the page played ${told.join(', ')}, each frame and event render's`);
})().catch((error) => {
  console.error('page check: ' + error.message);
  process.exit(1);
});
