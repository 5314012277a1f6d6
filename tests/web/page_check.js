// The player page plays a story `nev web` wrote through to its end, by keys at each wait and at
// the choice; every wait's canvas is render's frame for that wait, byte for byte, and the page
// returns to its first screen.
//   node page_check.js WEB_OUT RENDER_OUT
'use strict';
const path = require('path');
const { withPage } = require('./browser');

const [webOut, renderOut] = process.argv.slice(2).map((p) => path.resolve(p));

async function check(page) {
  await page.evaluate(() => {
    window.nevCheck = { frames: [], ended: false };
    addEventListener('nev-frame', (event) => {
      const canvas = document.getElementById('nev-picture');
      const pixels = canvas.getContext('2d').getImageData(0, 0, canvas.width, canvas.height).data;
      window.nevCheck.frames.push({ at: event.detail.at, pixels });
    });
    addEventListener('nev-end', () => { window.nevCheck.ended = true; });
  });
  await page.waitForSelector('#nev-start:not([hidden])');
  await page.keyboard.press('Enter');  // the first key starts the story
  let seen = 0;
  while (!(await page.evaluate(() => window.nevCheck.ended))) {
    await page.waitForFunction((n) => window.nevCheck.frames.length > n || window.nevCheck.ended,
                               { timeout: 30000 }, seen);
    const frames = await page.evaluate(() => window.nevCheck.frames.map((f) => f.at));
    for (; seen < frames.length; ++seen) {
      if (frames[seen] === 'choice') {
        await page.keyboard.press('ArrowDown');
        // A key is seen once a whole pass over the items has drawn it lit.
        await new Promise((done) => setTimeout(done, 200));
      }
      if (frames[seen] !== 'end') await page.keyboard.press('Enter');
    }
  }
  await page.waitForSelector('#nev-first:not([hidden]) #nev-start:not([hidden])');
  // Each wait's canvas against render's PNG of it, decoded by the browser as it stands.
  return page.evaluate(async () => {
    const problems = [];
    let waits = 0;
    const frames = window.nevCheck.frames;
    for (let n = 0; n < frames.length; ++n) {
      if (frames[n].at !== 'wait') continue;
      ++waits;
      const reply = await fetch(`/render/${String(n + 1).padStart(4, '0')}.png`);
      if (!reply.ok) {
        problems.push(`frame ${n + 1}: render wrote none`);
        continue;
      }
      const image = await createImageBitmap(await reply.blob(),
        { colorSpaceConversion: 'none', premultiplyAlpha: 'none' });
      const canvas = new OffscreenCanvas(image.width, image.height);
      const context = canvas.getContext('2d');
      context.drawImage(image, 0, 0);
      const want = context.getImageData(0, 0, image.width, image.height).data;
      const got = frames[n].pixels;
      if (want.length !== got.length || want.some((byte, i) => byte !== got[i])) {
        problems.push(`frame ${n + 1}: the canvas differs from render's`);
      }
    }
    return { waits, problems };
  });
}

withPage({ '/': webOut, '/render/': renderOut }, '/index.html', check).then(({ waits, problems }) => {
  if (waits === 0) problems.push('no wait was seen');
  for (const problem of problems) console.error('page check: ' + problem);
  if (problems.length > 0) process.exit(1);
  console.log(`page check: the demo played through the page; its ${waits} waits are render's frames`);
}, (error) => {
  console.error('page check: ' + error.message);
  process.exit(1);
});
