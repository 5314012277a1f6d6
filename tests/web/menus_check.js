// The page's menus, backlog, scaling and touch in headless chromium, on the demo `nev web`
// wrote: a menu command goes through the shell and comes back as its tick; F11 and Escape go to
// full screen and back; the backlog holds the text typed; the scalings and a phone in both
// orientations show the whole picture; a long press hides the text; English chosen in the 言語
// menu goes on in English, the page's own captions too, and 原文 brings the Japanese back.
//   node menus_check.js WEB_OUT
'use strict';
const path = require('path');
const { withPage } = require('./browser');

const [webOut] = process.argv.slice(2).map((p) => path.resolve(p));
const sleep = (ms) => new Promise((done) => setTimeout(done, ms));

async function check(page) {
  const problems = [];
  const expect = (ok, what) => { if (!ok) problems.push(what); };
  await page.setViewport({ width: 800, height: 600, hasTouch: true });
  await page.evaluate(() => {
    window.nevCheck = { waits: 0, text: [] };
    addEventListener('nev-frame', (event) => { if (event.detail.at === 'wait') window.nevCheck.waits++; });
    addEventListener('nev-text', (event) => window.nevCheck.text.push(event.detail.text));
  });
  await page.waitForSelector('#nev-start:not([hidden])');
  await page.keyboard.press('Enter');
  await page.waitForFunction(() => window.nevCheck.waits > 0, { timeout: 30000 });

  const ticked = (caption) => page.$eval('#nev-menus', (menus, want) => [...menus.querySelectorAll('.nev-item')]
    .filter((item) => item.querySelector('.nev-caption').textContent === want)
    .map((item) => item.getAttribute('aria-checked')).join(), caption);
  const pick = async (caption) => {
    if (await page.$eval('#nev-menus', (menus) => menus.hidden)) await page.keyboard.press('Escape');
    await page.evaluate((want) => [...document.querySelectorAll('#nev-menus .nev-item')]
      .find((item) => item.textContent.includes(want)).click(), caption);
    await sleep(150);  // taken at the runner's next sleep
  };
  await page.keyboard.press('Escape');
  expect(await page.$$eval('#nev-menus:not([hidden]) .nev-tab', (tabs) => tabs.length) === 6, 'Escape opens the six menus');
  await pick('最速');
  await page.keyboard.press('Escape');
  expect(await ticked('最速') === 'true' && await ticked('デフォルト') === 'false', 'a speed picked is ticked alone');
  await page.keyboard.press('Escape');
  expect(await page.$eval('#nev-menus', (menus) => menus.hidden), 'Escape closes the menus');

  for (const [key, full, tick] of [['F11', true, 'フルスクリーン表示'], ['Escape', false, 'デフォルトウインドウサイズ']]) {
    await page.keyboard.press(key);
    await sleep(300);
    const shown = await page.evaluate(() => Boolean(document.fullscreenElement));
    expect(shown === full && await ticked(tick) === 'true', `${key}: full screen ${full}, ${tick} ticked`);
  }

  const canvasBox = () => page.$eval('#nev-picture', (c) => [c.getBoundingClientRect().width, c.getBoundingClientRect().height]);
  const scalings = [['整数倍だけ', [640, 480]], ['画面いっぱい', [800, 600]], ['縦横比を保つ', [800, 600]]];
  for (const [caption, size] of scalings) {
    await pick(caption);
    const box = await canvasBox();
    if (caption === '縦横比を保つ') expect(box[0] / box[1] === 4 / 3 && box[1] === 600, 'proportions kept');
    else expect(box[0] === size[0] && box[1] === size[1], `${caption}: ${box} not ${size}`);
  }
  for (const [width, height] of [[390, 844], [844, 390]]) {
    await page.setViewport({ width, height, hasTouch: true });
    // The page fits the picture in its resize handler, which runs after the viewport changed.
    await page.waitForFunction((w, h) => {
      const b = document.getElementById('nev-picture').getBoundingClientRect();
      return b.right <= w && b.bottom <= h && Math.max(b.width / w, b.height / h) > 0.99;
    }, { timeout: 5000 }, width, height).catch(() => {});
    const box = await page.$eval('#nev-picture', (c) => c.getBoundingClientRect().toJSON());
    expect(box.left >= 0 && box.top >= 0 && box.right <= width && box.bottom <= height &&
           Math.max(box.width / width, box.height / height) > 0.99, `${width}×${height}: the whole picture, as large as fits`);
  }

  await page.keyboard.press('PageUp');
  await page.waitForSelector('#nev-backlog:not([hidden])');
  const typed = await page.evaluate(() => window.nevCheck.text.join('\n'));
  const shown = await page.$eval('#nev-backlog', (log) => [...log.querySelectorAll('p')].map((p) => p.textContent).join('\n'));
  expect(shown.length > 0 && typed.includes(shown.split('\n').pop()), 'the backlog holds the text typed');
  await page.keyboard.press('Escape');
  expect(await page.$eval('#nev-backlog', (log) => log.hidden), 'Escape closes the backlog');

  // The open menus hold the story: a click given meanwhile takes effect once they close.
  await page.keyboard.press('Escape');
  const lines = await page.evaluate(() => { nevPage.queue([2, 10, 10, 0]); return window.nevCheck.text.length; });
  await sleep(800);
  expect(await page.evaluate(() => window.nevCheck.text.length) === lines, 'the open menus hold the story');
  await page.keyboard.press('Escape');
  await page.waitForFunction((n) => window.nevCheck.text.length > n, { timeout: 10000 }, lines).catch(() => {});
  expect(await page.evaluate(() => window.nevCheck.text.length) > lines, 'the story goes on once they close');

  const pixels = () => page.$eval('#nev-picture', (c) => c.toDataURL());
  const before = await pixels();
  const box = await page.$eval('#nev-picture', (c) => c.getBoundingClientRect().toJSON());
  await page.touchscreen.touchStart(box.left + box.width / 2, box.top + box.height / 2);
  await sleep(800);
  await page.touchscreen.touchEnd();
  await sleep(200);
  expect(await pixels() !== before, 'a long press hides the text');

  // The 言語 menu: English chosen, the story goes on from its place in English, remembered.
  expect(await ticked('原文') === 'true' && await ticked('English') === 'false', 'the 言語 menu offers the original, ticked, and English');
  const said = await page.evaluate(() => window.nevCheck.text.length);
  await pick('English');
  // The click shows the hidden text again, and the story goes on.
  await page.evaluate(() => nevPage.queue([2, 10, 10, 0]));
  await page.waitForFunction((n) => window.nevCheck.text.length > n, { timeout: 10000 }, said).catch(() => {});
  const next = await page.evaluate((n) => window.nevCheck.text.slice(n), said);
  expect(next.length > 0 && next.every((line) => /[a-z]/.test(line) && !/[\u3040-\u30ff\u4e00-\u9fff]/.test(line)),
    `after English was chosen the page typed ${JSON.stringify(next)}`);
  expect(await page.evaluate(() => Object.keys(localStorage).some((key) => key.startsWith('nev-language:') &&
    localStorage.getItem(key) === 'en')), 'the language chosen is remembered for the story');
  await page.keyboard.press('Escape');
  expect(await ticked('English') === 'true' && await ticked('Original') === 'false', 'English ticked once chosen');
  // Our own captions follow the language read, and go back to the Japanese with the original.
  const captions = () => page.evaluate(() => {
    const texts = (selector) => [...document.querySelectorAll(selector)].map((shown) => shown.textContent);
    return { tabs: texts('#nev-menus .nev-tab'), items: texts('#nev-menus .nev-caption'),
             slots: texts('#nev-slots-caption, #nev-slots .nev-slots-buttons button, #nev-slots-grid .nev-slot') };
  });
  const slotScreen = async (item) => {
    await pick(item);
    await page.waitForSelector('#nev-slots[open]', { timeout: 10000 }).catch(() => {});
    const shown = await captions();
    await page.$eval('#nev-slots button[value="0"]', (close) => close.click());
    return shown;
  };
  let seen = await slotScreen('All bookmarks');
  expect(seen.tabs.includes('Bookmarks') && seen.items.includes('Fastest') &&
         seen.slots.join().includes('Bookmarks') && seen.slots.join().includes('Q Quick'),
         `in English the page's own captions read ${JSON.stringify(seen)}`);
  await pick('Original');
  await page.waitForFunction(() => [...document.querySelectorAll('#nev-menus .nev-tab')]
    .some((tab) => tab.textContent === 'しおり'), { timeout: 10000 }).catch(() => {});
  seen = await slotScreen('しおりの一覧');
  expect(seen.tabs.includes('しおり') && seen.items.includes('最速') && !seen.items.includes('Original') &&
         seen.slots.join().includes('しおり') && seen.slots.join().includes('Q クイック'),
         `with the original the page's own captions read ${JSON.stringify(seen)}`);
  return problems;
}

withPage({ '/': webOut }, '/index.html', check).then((problems) => {
  for (const problem of problems) console.error(`menus check: ${problem}`);
  if (problems.length > 0) process.exit(1);
  console.log('menus check: menus, scaling, phone viewports, backlog and touch as they should be');
}, (error) => {
  console.error(`menus check: ${error.stack || error}`);
  process.exit(1);
});
