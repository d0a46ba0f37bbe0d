// A picture of the live view for the README: the demo receiver with the file browser open.
//   node tests/browser/page_shot.js TAPSIM OUT.png
'use strict';

const {spawn} = require('node:child_process');
const {chromium} = require('playwright-core');

async function main() {
  const [tapsim, out] = process.argv.slice(2);
  const server = spawn(tapsim, ['--serve'], {stdio: ['ignore', 'pipe', 'inherit']});
  const base = await new Promise((resolve, reject) => {
    let text = '';
    const timer = setTimeout(() => reject(new Error('tapsim did not start')), 60000);
    server.stdout.on('data', (d) => {
      text += d;
      const m = text.match(/serving on (http:\/\/[\d.]+:\d+)\//);
      if (m) {
        clearTimeout(timer);
        resolve(m[1]);
      }
    });
  });
  const browser = await chromium.launch({executablePath: '/usr/bin/chromium', args: ['--no-sandbox']});
  try {
    const page = await browser.newPage({viewport: {width: 1380, height: 800}});
    await page.goto(base + '/');
    await page.waitForFunction(() => window.tapsim.timing().frame > 0);
    for (const key of ['Sat', 'Filelist', 'v', 'v']) {
      await page.click(`#remote .key[data-key="${key}"]`);
      await page.waitForTimeout(300);
    }
    await page.waitForFunction(() => [...document.querySelectorAll('#remote img')]
      .every((img) => img.complete));
    await page.waitForTimeout(500);
    await page.screenshot({path: out});
  } finally {
    await browser.close();
    server.kill('SIGTERM');
  }
}

main().catch((e) => {
  console.error(e);
  process.exit(1);
});
