// For the browser tests: a static server on 127.0.0.1 over a few folders, and Debian's
// chromium, headless, driven by puppeteer-core from tools/web/node_modules.
'use strict';

const fs = require('fs');
const http = require('http');
const path = require('path');

const sourceDir = path.resolve(__dirname, '../..');
const puppeteer = require(path.join(sourceDir, 'tools/web/node_modules/puppeteer-core'));

const types = {
  '.html': 'text/html; charset=utf-8', '.js': 'text/javascript', '.css': 'text/css',
  '.wasm': 'application/wasm', '.json': 'application/json', '.png': 'image/png',
};

// Serves `mounts` ({'/url/prefix/': '/folder', …}, the longest prefix first) until close().
// Resolves to {url, close}.
function startServer(mounts) {
  const prefixes = Object.keys(mounts).sort((a, b) => b.length - a.length);
  const server = http.createServer((request, response) => {
    const urlPath = decodeURIComponent(new URL(request.url, 'http://127.0.0.1').pathname);
    const prefix = prefixes.find((p) => urlPath.startsWith(p));
    const root = prefix && path.resolve(mounts[prefix]);
    const file = root && path.resolve(root, '.' + urlPath.slice(prefix.length - 1));
    if (!file || !file.startsWith(root + path.sep) || !fs.existsSync(file) ||
        !fs.statSync(file).isFile()) {
      response.writeHead(404).end();
      return;
    }
    response.writeHead(200, {
      'Content-Type': types[path.extname(file)] || 'application/octet-stream',
    });
    fs.createReadStream(file).pipe(response);
  });
  return new Promise((resolve) => {
    server.listen(0, '127.0.0.1', () => resolve({
      url: `http://127.0.0.1:${server.address().port}`,
      close: () => new Promise((done) => server.close(done)),
    }));
  });
}

function launchBrowser() {
  return puppeteer.launch({
    executablePath: process.env.NEV_CHROMIUM || '/usr/bin/chromium',
    headless: true,
    args: ['--no-sandbox', '--autoplay-policy=no-user-gesture-required', '--mute-audio'],
  });
}

// Opens `pagePath` of a server over `mounts` in a fresh browser, hands the page to `use`, and
// closes everything whatever happens. The page's console errors go to stderr.
async function withPage(mounts, pagePath, use) {
  const server = await startServer(mounts);
  const browser = await launchBrowser();
  try {
    const page = await browser.newPage();
    page.on('console', (message) => {
      if (message.type() === 'error') console.error('page: ' + message.text());
    });
    page.on('pageerror', (error) => console.error('page: ' + error.message));
    await page.goto(server.url + pagePath);
    return await use(page, server.url);
  } finally {
    await browser.close();
    await server.close();
  }
}

module.exports = { sourceDir, startServer, launchBrowser, withPage };
