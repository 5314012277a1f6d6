// Drives the page's saves (see saves_check.sh): every loaded picture is render's frame.
//   node saves_check.js OUT
'use strict';
const fs = require('fs');
const path = require('path');
const { sourceDir, withPage } = require('./browser');

const out = path.resolve(process.argv[2]);

// Counts the page's waits, keeping the canvas as ▼ first shows; whether the last is render's `n`.
const watch = () => {
  window.waits = 0;
  addEventListener('nev-frame', (event) => {
    if (event.detail.at !== 'wait') return;
    ++window.waits;
    const canvas = document.getElementById('nev-picture');
    window.lastWait = canvas.getContext('2d').getImageData(0, 0, canvas.width, canvas.height).data;
  });
};
const canvasIs = (page, n) => page.evaluate(async (file) => {
  const image = await createImageBitmap(await (await fetch(file)).blob(),
    { colorSpaceConversion: 'none', premultiplyAlpha: 'none' });
  const want = new OffscreenCanvas(image.width, image.height).getContext('2d');
  want.drawImage(image, 0, 0);
  const a = want.getImageData(0, 0, image.width, image.height).data;
  const b = window.lastWait;
  return a.length === b.length && a.every((byte, i) => byte === b[i]);
}, `/render/${String(n).padStart(4, '0')}.png`);

async function startAt(page, url) {
  await page.waitForFunction(() => window.nevSaves.opened);  // not left while it opens
  await page.goto(url);
  await page.evaluate(watch);
  await page.waitForSelector('#nev-start:not([hidden])');
  await page.keyboard.press('Enter');
  await page.waitForFunction(() => window.waits > 0, { timeout: 30000 });
}
async function inSlotDialog(page, slot, button) {
  if (!(await page.$('#nev-slots[open]'))) {
    await page.evaluate(() => window.nevPage.queue([6, 0, 0, 44202]));  // しおりの一覧
    await page.waitForSelector('#nev-slots[open]');
  }
  await page.click(`#nev-slots-grid [data-slot="${slot}"]`);
  if (button) await page.click(`#nev-slots-${button}`);
}
async function loadAndExpect(page, slot, frame, problems, what) {
  const before = await page.evaluate(() => window.waits);
  await inSlotDialog(page, slot, 'load');
  await page.waitForFunction((n) => window.waits > n, { timeout: 30000 }, before);
  if (!(await canvasIs(page, frame))) problems.push(`${what}: not render's frame ${frame}`);
}

async function check(page, url) {
  const problems = [];
  await startAt(page, `${url}/index.html?new`);
  await page.keyboard.press('Enter');
  await page.waitForFunction(() => window.waits === 2, { timeout: 30000 });
  await inSlotDialog(page, 1, 'save');
  await page.waitForFunction(() => document.getElementById('nev-notice').textContent.includes('セーブしました'));
  await page.evaluate(() => window.nevSaves.stored());

  await startAt(page, `${url}/index.html?new`);
  await loadAndExpect(page, 1, 2, problems, 'slot 1 after a reload');
  await inSlotDialog(page, 1);
  await page.evaluate(() => {
    const make = URL.createObjectURL;
    URL.createObjectURL = (blob) => { window.exported = blob; return make(blob); };
  });
  await page.click('#nev-slots-export');
  const exported = await page.evaluate(async () => [...new Uint8Array(await window.exported.arrayBuffer())]);
  fs.writeFileSync(path.join(out, 'exported.sav'), Buffer.from(exported));
  await page.click(`#nev-slots-grid [data-slot="2"]`);
  const [chooser] = await Promise.all([page.waitForFileChooser(), page.click('#nev-slots-import')]);
  await chooser.accept([path.join(out, 'desktop.sav')]);
  await page.waitForFunction(() => document.getElementById('nev-notice').textContent.includes('読み込みました'));
  await loadAndExpect(page, 2, 3, problems, 'a desktop save');
  // The tab put away: its place is kept at once.
  const stores = await page.evaluate(() => {
    Object.defineProperty(document, 'visibilityState', { value: 'hidden' });
    document.dispatchEvent(new Event('visibilitychange'));
    return window.nevSaves.stores;
  });
  await page.waitForFunction((n) => window.nevSaves.stores > n + 1, {}, stores);
  await page.evaluate(() => window.nevSaves.stored());

  await startAt(page, `${url}/index.html?continue`);
  if (!(await canvasIs(page, 3))) problems.push('?continue: not the auto slot\'s wait');

  await page.goto(`${url}/player/index.html`);
  await page.evaluate(watch);
  const zip = await page.waitForSelector('#nev-zip');
  await zip.uploadFile(path.join(out, 'demo.zip'));
  await page.waitForSelector('#nev-start:not([hidden])');
  await page.keyboard.press('Enter');
  await page.waitForFunction(() => window.waits > 0, { timeout: 30000 });
  if (!(await canvasIs(page, 1))) problems.push('the zipped demo: not render\'s first frame');
  // Its translation, found inside the zip, is offered as a served story's is.
  const offered = await page.$$eval('#nev-menus .nev-item .nev-caption', (items) => items.map((item) => item.textContent));
  if (!offered.includes('English')) problems.push(`the zipped demo's 言語 menu: ${JSON.stringify(offered)}, no English`);
  return problems;
}

const mounts = { '/': path.join(out, 'site'), '/render/': path.join(out, 'render'),
                 '/player/': path.join(sourceDir, 'build/web') };
withPage(mounts, '/index.html', check).then((problems) => {
  for (const problem of problems) console.error('saves check: ' + problem);
  if (problems.length > 0) process.exit(1);
}, (error) => {
  console.error('saves check: ' + error.message);
  process.exit(1);
});
