// The page's sound in headless chromium: prints each check and "N passed, N failed".
'use strict';

const path = require('path');
const { sourceDir, withPage } = require('./browser');

const mounts = {
  '/web/': path.join(sourceDir, 'build/web'),
  '/test/': __dirname,
  '/demo/': path.join(sourceDir, 'demo'),
};

withPage(mounts, '/test/sound_check.html', async (page) => {
  await page.waitForFunction(() => typeof window.runSoundChecks == 'function');
  const checks = await page.evaluate(() => window.runSoundChecks());
  for (const check of checks) {
    console.log(`${check.ok ? 'ok  ' : 'FAIL'} ${check.name}: ${check.detail}`);
  }
  const failed = checks.filter((check) => !check.ok).length;
  console.log(`sound: ${checks.length - failed} passed, ${failed} failed`);
  process.exitCode = failed === 0 ? 0 : 1;
}).catch((error) => {
  console.error('sound check: ' + error.message);
  process.exitCode = 1;
});
