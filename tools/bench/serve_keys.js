// Key to updated screen in the live view (tapsim --serve), measured in headless Chromium: the
// settings menu is opened, then 200 keys (v and ^ by turns, each moves the cursor) are clicked
// on the page's remote control; for each, the time from the page sending the key to the page
// showing the next frame. Prints the median and the 95th percentile.
//   node tools/bench/serve_keys.js [TAPSIM] [KEYS]   (after tools/setup.sh and tools/build.sh)
'use strict';

const path = require('node:path');
const {spawn} = require('node:child_process');
const top = path.join(__dirname, '..', '..');
const {chromium} = require(path.join(top, 'tests', 'browser', 'node_modules', 'playwright-core'));

const tapsim = process.argv[2] || path.join(top, 'build', 'host', 'tapsim');
const count = Number(process.argv[3] || 200);

async function main() {
  const server = spawn(tapsim, ['--serve'], {stdio: ['ignore', 'pipe', 'inherit']});
  const base = await new Promise((resolve, reject) => {
    let out = '';
    const timer = setTimeout(() => reject(new Error('tapsim did not start')), 60000);
    server.stdout.on('data', (d) => {
      out += d;
      const m = out.match(/serving on (http:\/\/[\d.]+:\d+)\//);
      if (m) {
        clearTimeout(timer);
        resolve(m[1]);
      }
    });
  });
  const browser = await chromium.launch({executablePath: '/usr/bin/chromium', args: ['--no-sandbox']});
  try {
    const page = await browser.newPage({viewport: {width: 1400, height: 900}});
    await page.goto(base + '/');
    const frame = () => page.evaluate(() => window.tapsim.timing().frame);
    await page.waitForFunction(() => window.tapsim.timing().frame > 0);
    for (const key of ['Sat', 'Menu']) await page.click(`#remote .key[data-key="${key}"]`);
    await page.waitForFunction(() => [...document.querySelectorAll('#texts li')]
      .some((li) => li.textContent.includes('TovakRC Men')), null, {timeout: 10000});
    await page.waitForTimeout(500);
    const times = [];
    const announced = [];
    for (let i = 0; i < count; i++) {
      const before = await frame();
      await page.click(`#remote .key[data-key="${i % 2 ? '^' : 'v'}"]`);
      await page.waitForFunction((b) => window.tapsim.timing().frame > b, before,
        {timeout: 10000, polling: 'raf'});
      const t = await page.evaluate(() => window.tapsim.timing());
      times.push(t.shownAt - t.lastInputAt);
      announced.push(t.announcedAt - t.lastInputAt);
      await page.waitForTimeout(30);
    }
    const report = (what, values) => {
      values.sort((a, b) => a - b);
      const at = (q) => values[Math.min(values.length - 1, Math.ceil(q * values.length) - 1)];
      console.log(`${what}: median ${at(0.5).toFixed(1)} ms, 95th percentile ` +
                  `${at(0.95).toFixed(1)} ms, max ${values[values.length - 1].toFixed(1)} ms`);
    };
    console.log(`keys: ${times.length}`);
    report('key to the new frame told to the page', announced);
    report('key to shown screen', times);
  } finally {
    await browser.close();
    server.kill('SIGTERM');
  }
}

main().catch((e) => {
  console.error(e);
  process.exit(1);
});
