// Starting tapsim --serve and the system's chromium, for the browser tests, the benchmark and
// the README's picture.
'use strict';

const {spawn} = require('node:child_process');
const {chromium} = require('playwright-core');

// Runs `tapsim ARGS... --serve` and resolves, once it listens, with {base, server, stderr()}:
// base is "http://127.0.0.1:PORT".
function startServe(tapsim, args = []) {
  const server = spawn(tapsim, [...args, '--serve'], {stdio: ['ignore', 'pipe', 'pipe']});
  let err = '';
  server.stderr.on('data', (d) => {
    err += d;
  });
  return new Promise((resolve, reject) => {
    const timer = setTimeout(() => reject(new Error('tapsim did not start: ' + err)), 60000);
    let out = '';
    server.stdout.on('data', (d) => {
      out += d;
      const m = out.match(/serving on (http:\/\/127\.0\.0\.1:\d+)\//);
      if (m) {
        clearTimeout(timer);
        resolve({base: m[1], server, stderr: () => err});
      }
    });
    server.on('exit', (code) => reject(new Error(`tapsim ended (${code}): ${err}`)));
  });
}

// Ends tapsim as Ctrl-C would and waits for it.
async function stopServe(server) {
  if (server.exitCode !== null || server.signalCode !== null) return;
  const ended = new Promise((resolve) => server.on('exit', resolve));
  server.kill('SIGTERM');
  await ended;
}

// Debian's chromium, headless; as root (CI) without its sandbox.
function launchBrowser(executablePath = '/usr/bin/chromium') {
  return chromium.launch({executablePath, args: ['--no-sandbox']});
}

// A script's whole run: tapsim --serve, the browser and a page on the live view given to
// fn(page, base); everything ends afterwards, and a failure ends the process with status 1.
function runOnPage(tapsim, fn) {
  (async () => {
    const {base, server} = await startServe(tapsim);
    const browser = await launchBrowser();
    try {
      const page = await browser.newPage({viewport: {width: 1380, height: 800}});
      await page.goto(base + '/');
      await page.waitForFunction(() => window.tapsim.timing().frame > 0);
      await fn(page, base);
    } finally {
      await browser.close();
      await stopServe(server);
    }
  })().catch((e) => {
    console.error(e);
    process.exit(1);
  });
}

module.exports = {startServe, stopServe, launchBrowser, runOnPage};
