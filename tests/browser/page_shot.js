// A picture of the live view for the README: the demo receiver with the file browser open.
//   node tests/browser/page_shot.js TAPSIM OUT.png
'use strict';

const {runOnPage} = require('./serve.js');

const [tapsim, out] = process.argv.slice(2);
runOnPage(tapsim, async (page) => {
  for (const key of ['Sat', 'Filelist', 'v', 'v']) {
    await page.click(`#remote .key[data-key="${key}"]`);
    await page.waitForTimeout(300);
  }
  await page.waitForFunction(() => [...document.querySelectorAll('#remote img')]
    .every((img) => img.complete));
  await page.waitForTimeout(500);
  await page.screenshot({path: out});
});
