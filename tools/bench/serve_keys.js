// Key to updated screen in the live view (tapsim --serve), measured in headless Chromium: the
// settings menu is opened, then 200 keys (v and ^ by turns, each moves the cursor) are clicked
// on the page's remote control; for each, the time from the page sending the key to the page
// showing the next frame. Prints the median and the 95th percentile.
//   node tools/bench/serve_keys.js [TAPSIM] [KEYS]   (after tools/setup.sh and tools/build.sh)
'use strict';

const path = require('node:path');
const top = path.join(__dirname, '..', '..');
const {runOnPage} = require(path.join(top, 'tests', 'browser', 'serve.js'));

const tapsim = process.argv[2] || path.join(top, 'build', 'host', 'tapsim');
const count = Number(process.argv[3] || 200);

// The median, the 95th percentile and the largest of the values.
function report(what, values) {
  values.sort((a, b) => a - b);
  const at = (q) => values[Math.min(values.length - 1, Math.ceil(q * values.length) - 1)];
  console.log(`${what}: median ${at(0.5).toFixed(1)} ms, 95th percentile ` +
              `${at(0.95).toFixed(1)} ms, max ${values[values.length - 1].toFixed(1)} ms`);
}

runOnPage(tapsim, async (page) => {
  const frame = () => page.evaluate(() => window.tapsim.timing().frame);
  for (const key of ['Sat', 'Menu']) await page.click(`#remote .key[data-key="${key}"]`);
  await page.waitForFunction(() => [...document.querySelectorAll('#texts li')]
    .some((li) => li.textContent.includes('TovakRC Men')), null, {timeout: 10000});
  await page.waitForTimeout(500);
  const shown = [];
  const announced = [];
  for (let i = 0; i < count; i++) {
    const before = await frame();
    await page.click(`#remote .key[data-key="${i % 2 ? '^' : 'v'}"]`);
    await page.waitForFunction((b) => window.tapsim.timing().frame > b, before,
      {timeout: 10000, polling: 'raf'});
    const t = await page.evaluate(() => window.tapsim.timing());
    shown.push(t.shownAt - t.lastInputAt);
    announced.push(t.announcedAt - t.lastInputAt);
    await page.waitForTimeout(30);
  }
  console.log(`keys: ${shown.length}`);
  report('key to the new frame told to the page', announced);
  report('key to shown screen', shown);
});
