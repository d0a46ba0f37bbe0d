// The live view (tapsim --serve) in headless Chromium: the page is driven as a user would (the
// remote control, the keyboard, the buttons) and checked against what the receiver shows.
//   node serve_test.js TAPSIM [CHROMIUM]
// One receiver for the whole file, on a small disk made here; the tests run in order and the
// last ones end the TAP and switch the receiver off.
'use strict';

const test = require('node:test');
const assert = require('node:assert');
const fs = require('node:fs');
const os = require('node:os');
const path = require('node:path');
const {startServe, stopServe, launchBrowser} = require('./serve.js');

const tapsim = process.argv[2];
const browserPath = process.argv[3] || '/usr/bin/chromium';
if (!tapsim) {
  console.error('usage: node serve_test.js TAPSIM [CHROMIUM]');
  process.exit(2);
}

// The disk: folders for the file browser's list, a file to download, and links that lead out
// of the disk to a file beside it.
const top = fs.mkdtempSync(path.join(os.tmpdir(), 'serve_test.'));
const disk = path.join(top, 'disk');
const SECRET = 'the secret beside the disk\n';
fs.writeFileSync(path.join(top, 'secret.txt'), SECRET);
for (const folder of ['Folder1', 'Folder2', 'Folder3', 'Folder4', 'Folder5', 'Folder6',
  'Folder7', 'Folder8', 'Folder9', 'Captures']) {
  fs.mkdirSync(path.join(disk, folder), {recursive: true});
}
const NOTE = 'a note on the disk\n';
fs.writeFileSync(path.join(disk, 'Captures', 'note.txt'), NOTE);
fs.symlinkSync('../secret.txt', path.join(disk, 'escape'));
fs.symlinkSync('../../secret.txt', path.join(disk, 'Captures', 'up'));
fs.symlinkSync('..', path.join(disk, 'parent'));

let server; // the tapsim process
let serverErr; // () => what it wrote to stderr
let base; // http://127.0.0.1:PORT
let browser;
let page;

// Bounded waits on the page.
const WAIT = {timeout: 15000};
const texts = (p) => p.$$eval('#texts li', (items) => items.map((li) => li.textContent));
const frame = (p) => p.$eval('#screen', (img) => Number(img.dataset.frame));
async function waitForText(p, part) {
  await p.waitForFunction((t) => [...document.querySelectorAll('#texts li')]
    .some((li) => li.textContent.includes(t)), part, WAIT);
}
async function waitForNoText(p, part) {
  await p.waitForFunction((t) => ![...document.querySelectorAll('#texts li')]
    .some((li) => li.textContent.includes(t)), part, WAIT);
}
async function click(p, key) {
  await p.click(`#remote .key[data-key="${key}"]`);
}
// The first value of fn() that is not undefined, tried for at most 15 s.
async function poll(fn) {
  for (let i = 0; i < 150; i++) {
    const v = await fn();
    if (v !== undefined) return v;
    await new Promise((r) => setTimeout(r, 100));
  }
  throw new Error('timed out');
}
// The receiver's view as the server has it now.
async function state() {
  return (await fetch(`${base}/state`)).json();
}
// Back to live TV: Exit until no window is open.
async function closeWindows(p) {
  for (let i = 0; i < 6 && (await state()).texts.length > 0; i++) {
    await click(p, 'Exit');
    await p.waitForTimeout(150);
  }
  await p.waitForFunction(() => document.querySelectorAll('#texts li').length === 0, null, WAIT);
}

test.before(async () => {
  let stderr;
  ({base, server, stderr} = await startServe(tapsim, ['--disk', disk]));
  serverErr = stderr;
  browser = await launchBrowser(browserPath);
  page = await browser.newPage({viewport: {width: 1400, height: 900}});
  await page.goto(base + '/');
  await page.waitForFunction(() => Number(document.getElementById('screen').dataset.frame) > 0,
    null, WAIT);
});

test.after(async () => {
  if (browser) await browser.close();
  if (server) await stopServe(server);
  fs.rmSync(top, {recursive: true, force: true});
  const err = serverErr ? serverErr() : '';
  assert.doesNotMatch(err, /AddressSanitizer|runtime error|LeakSanitizer/, err);
});

test('the page draws the remote control from the key table, with icons', async () => {
  const keys = await (await fetch(`${base}/keys`)).json();
  await page.waitForFunction(() => [...document.querySelectorAll('#remote img')]
    .every((img) => img.complete), null, WAIT);
  const buttons = await page.$$eval('#remote .key', (bs) => bs.map((b) => ({
    name: b.dataset.key,
    column: b.style.gridColumnStart,
    row: b.style.gridRowStart,
    icon: b.querySelector('img') ? b.querySelector('img').naturalWidth : 0,
  })));
  assert.strictEqual(buttons.length, keys.length);
  for (const k of keys) {
    const b = buttons.find((x) => x.name === k.name);
    assert.ok(b, k.name);
    assert.deepStrictEqual([b.column, b.row], [String(k.column), String(k.row)], k.name);
    // A key with an icon shows a loaded picture, the one without its name.
    if (k.icon) assert.ok(b.icon > 0, `${k.name}: icon not loaded`);
  }
  const shortcuts = await page.$eval('#shortcuts', (t) => t.textContent);
  assert.match(shortcuts, /tthe TAP key \(Sat\)/);
});

test('remote-control keys open and close the TAP\'s windows', async () => {
  await closeWindows(page);
  const cases = [
    // keys, a text the window shows
    [['Sat', 'Mute'], 'TAP-Taste + '],
    [['Sat', 'Filelist'], 'TovakRC File Browser'],
  ];
  for (const [keys, shown] of cases) {
    for (const key of keys) await click(page, key);
    await waitForText(page, shown);
    await click(page, 'Exit');
    await waitForNoText(page, shown);
  }
});

test('keyboard shortcuts stand for remote-control keys', async () => {
  await closeWindows(page);
  await page.keyboard.press('t'); // the TAP key
  await page.keyboard.press('f'); // Filelist
  await waitForText(page, 'TovakRC File Browser');
  const before = await cursorLine();
  await page.keyboard.press('ArrowDown');
  const after = await poll(async () => {
    const line = await cursorLine();
    return line.text !== before.text ? line : undefined;
  });
  assert.strictEqual(after.text, before.column[before.column.indexOf(before.text) + 1],
    'ArrowDown moves the cursor one line down');
  await page.keyboard.press('Escape');
  await waitForNoText(page, 'TovakRC File Browser');
});

// The TAP's cursor line is yellow on dark red, in the file browser as in the menu.
const CURSOR = {fg: '0xffffff00', bg: '0xff800000'};
// The cursor line's text and the texts of its column from top to bottom.
async function cursorLine() {
  const runs = (await state()).screen.regions.flatMap((r) => r.texts);
  const cursor = runs.filter((t) => t.fg === CURSOR.fg && t.bg === CURSOR.bg);
  assert.ok(cursor.length >= 1, 'a cursor line: ' + JSON.stringify(runs));
  // Of the cursor line's texts, the one in the longest column (the names, not the numbers).
  const columnOf = (c) => runs.filter((t) => t.x === c.x).sort((a, b) => a.y - b.y);
  const best = cursor.reduce((a, b) => (columnOf(b).length > columnOf(a).length ? b : a));
  return {text: best.text, column: columnOf(best).map((t) => t.text)};
}

test('a held remote-control key repeats and moves the cursor more than once', async () => {
  await closeWindows(page);
  await click(page, 'Sat');
  await click(page, 'Menu'); // the settings menu: a long list of lines
  await waitForText(page, 'TovakRC Men');
  const codes = await (await fetch(`${base}/keys`)).json();
  const down = codes.find((k) => k.name === 'v').code;
  const start = await cursorLine();
  const startTick = (await state()).tick;
  const button = await page.$('#remote .key[data-key="v"]');
  const box = await button.boundingBox();
  await page.mouse.move(box.x + box.width / 2, box.y + box.height / 2);
  await page.mouse.down();
  await page.waitForTimeout(1150); // the first repeat after 500 ms, then every 100 ms
  await page.mouse.up();
  // The key events the TAP got since, as the page's trace panel shows them: the press, the
  // repeats and at last the release.
  const hex = (c) => '0x' + c.toString(16);
  const keyEvents = await poll(async () => {
    const events = (await page.$eval('#trace', (t) => t.textContent)).split('\n')
      .filter((l) => l.includes('"ev":"key"')).map((l) => JSON.parse(l))
      .filter((e) => e.tick >= startTick);
    return events.some((e) => e.code === hex(down | 0x2000000)) ? events : undefined;
  });
  const repeats = keyEvents.filter((e) => e.code === hex(down | 0x1000000)).length;
  assert.ok(repeats >= 2, 'repeats: ' + JSON.stringify(keyEvents));
  await page.waitForTimeout(300); // the screen after the last of them
  // The press moves the cursor once; only the repeats move it on (the TAP's windows take some
  // of the repeats, never more than were sent).
  const end = await cursorLine();
  const moved = end.column.indexOf(end.text) - end.column.indexOf(start.text);
  assert.ok(end.column.includes(start.text), JSON.stringify(end));
  assert.ok(moved >= 2 && moved <= 1 + repeats, `moved ${moved} lines with ${repeats} repeats`);
  await closeWindows(page);
});

// The pixels of two PNG pictures compared in the page (decoded by the browser): their sizes and
// the number of pixels that differ.
async function comparePictures(p, a, b) {
  return p.evaluate(async ({a, b}) => {
    const pixels = async (src) => {
      const img = new Image();
      img.src = src;
      await img.decode();
      const c = document.createElement('canvas');
      c.width = img.naturalWidth;
      c.height = img.naturalHeight;
      const g = c.getContext('2d');
      g.drawImage(img, 0, 0);
      return {w: c.width, h: c.height, data: g.getImageData(0, 0, c.width, c.height).data};
    };
    const x = await pixels(a);
    const y = await pixels(b);
    let differ = 0;
    for (let i = 0; i < Math.min(x.data.length, y.data.length); i += 4) {
      if (x.data[i] !== y.data[i] || x.data[i + 1] !== y.data[i + 1] ||
          x.data[i + 2] !== y.data[i + 2]) differ++;
    }
    return {sizes: [x.w, x.h, y.w, y.h], differ};
  }, {a, b});
}
const screenshot = async (p) => 'data:image/png;base64,' +
  (await p.locator('#screen').screenshot()).toString('base64');

test('the shown screen is the server\'s picture of that frame', async () => {
  await closeWindows(page);
  await page.waitForTimeout(300); // no more frames
  const liveTv = await screenshot(page);
  await click(page, 'Sat');
  await click(page, 'Mute');
  await waitForText(page, 'TAP-Taste + ');
  await page.waitForTimeout(300);
  const shown = await frame(page);
  const withWindow = await screenshot(page);
  const same = await comparePictures(page, withWindow, `/frame/${shown}.png`);
  assert.deepStrictEqual(same.sizes, [720, 576, 720, 576]);
  assert.strictEqual(same.differ, 0, 'the screenshot equals the frame\'s PNG');
  // The window is on it: a large part differs from live TV.
  const other = await comparePictures(page, liveTv, withWindow);
  assert.ok(other.differ > 20000, `${other.differ} pixels differ from live TV`);
  await closeWindows(page);
});

test('"wait 10 min" moves the receiver\'s clock on by ten minutes', async () => {
  const seconds = (text) => Date.parse(text.replace(' ', 'T') + 'Z') / 1000;
  const before = seconds(await page.$eval('#clock', (c) => c.textContent));
  await page.click('#wait');
  await page.waitForFunction((b) => {
    const t = document.getElementById('clock').textContent;
    return Date.parse(t.replace(' ', 'T') + 'Z') / 1000 >= b + 600;
  }, before, WAIT);
  const after = seconds(await page.$eval('#clock', (c) => c.textContent));
  assert.ok(after - before >= 600 && after - before < 660, `${before} -> ${after}`);
});

test('two pages watching see the same frames', async () => {
  await closeWindows(page);
  const second = await browser.newPage({viewport: {width: 1400, height: 900}});
  try {
    await second.goto(base + '/');
    const now = await frame(page);
    await second.waitForFunction((f) => Number(document.getElementById('screen').dataset.frame) >= f,
      now, WAIT);
    // A key from the second page, seen by both.
    await click(second, 'Sat');
    await click(second, 'Mute');
    for (const p of [page, second]) await waitForText(p, 'TAP-Taste + ');
    await page.waitForTimeout(300);
    const server = (await state()).frame;
    for (const p of [page, second]) {
      await p.waitForFunction((f) => Number(document.getElementById('screen').dataset.frame) === f,
        server, WAIT);
    }
    assert.deepStrictEqual(await texts(second), await texts(page));
    await closeWindows(second);
  } finally {
    await second.close();
  }
});

test('only files inside the disk can be downloaded', async () => {
  // The file list offers the file; its link downloads it.
  await page.click('#refresh');
  const link = page.locator('#files a', {hasText: 'Captures/note.txt'});
  await link.waitFor(WAIT);
  const [download] = await Promise.all([page.waitForEvent('download', WAIT), link.click()]);
  assert.strictEqual(fs.readFileSync(await download.path(), 'utf8'), NOTE);
  // The links that lead out are not offered.
  const listed = await page.$$eval('#files a', (as) => as.map((a) => a.textContent));
  assert.ok(!listed.includes('escape') && !listed.includes('Captures/up'), listed.join());
  const refused = [
    '../secret.txt', '%2e%2e/secret.txt', '%2E%2E%2Fsecret.txt', '..%2fsecret.txt',
    'Captures/../../secret.txt', '%2e%2e%2f%2e%2e%2fsecret.txt', encodeURIComponent(path.join(top, 'secret.txt')),
    '%2fetc%2fpasswd', 'escape', 'Captures/up', 'parent/secret.txt', '%252e%252e/secret.txt',
    'Captures', '',
  ];
  for (const query of refused) {
    const r = await page.request.get(`${base}/download?path=${query}`);
    const body = await r.text();
    assert.strictEqual(r.status(), 404, query);
    assert.notStrictEqual(body, SECRET, query);
  }
  // Inside, by the same route.
  const r = await page.request.get(`${base}/download?path=Captures%2Fnote.txt`);
  assert.strictEqual(await r.text(), NOTE);
});

// A request with the given Host header and body, answered with its status.
function request(method, urlPath, host, type, body) {
  const http = require('node:http');
  const url = new URL(base);
  return new Promise((resolve, reject) => {
    const req = http.request({host: url.hostname, port: url.port, path: urlPath, method,
      headers: {'Host': host, 'Content-Type': type}}, (res) => {
      res.resume();
      res.on('end', () => resolve(res.statusCode));
    });
    req.on('error', reject);
    req.end(body);
  });
}

test('requests another site could make are refused', async () => {
  const own = new URL(base).host;
  const port = new URL(base).port;
  const key = JSON.stringify({key: 'Sat', action: 'press'});
  const cases = [
    // method, path, Host, Content-Type, status
    ['GET', '/state', own, 'text/plain', 200],
    ['GET', '/state', `localhost:${port}`, 'text/plain', 200],
    ['GET', '/state', `attacker.test:${port}`, 'text/plain', 421],
    ['GET', '/download?path=Captures%2Fnote.txt', `attacker.test:${port}`, 'text/plain', 421],
    ['GET', '/state', '127.0.0.1', 'text/plain', 421], // another port
    ['POST', '/input', `attacker.test:${port}`, 'application/json', 421],
    // A form of another page can send text without asking first; JSON it cannot.
    ['POST', '/input', own, 'text/plain', 415],
    ['POST', '/input', own, 'application/x-www-form-urlencoded', 415],
    ['POST', '/input', own, 'application/json', 200],
  ];
  for (const [method, urlPath, host, type, status] of cases) {
    const body = method === 'POST' ? (status === 200 ? JSON.stringify({key: 'Exit'}) : key) : '';
    assert.strictEqual(await request(method, urlPath, host, type, body), status,
      `${method} ${urlPath} Host ${host} ${type}`);
  }
  // What /input takes: keys of the key table with an action, and three commands.
  const inputs = [
    [{key: 'Exit', action: 'press'}, 200],
    [{key: 'Exit'}, 200], // a press
    [{key: 'Exit', action: 'hold'}, 400],
    [{key: 'Nope'}, 400],
    [{key: 5}, 400],
    [{command: 'wait 1ms'}, 200],
    [{command: 'wait 60min'}, 200],
    [{command: 'wait 61min'}, 400],
    [{command: 'wait 2h'}, 400],
    [{command: 'wait'}, 400],
    [{command: 'snap x'}, 400], // other script commands are not for pages
    [{command: 'Sat'}, 400],
    [[], 400],
    ['not json', 400],
  ];
  for (const [body, status] of inputs) {
    const text = typeof body === 'string' ? body : JSON.stringify(body);
    assert.strictEqual(await request('POST', '/input', own, 'application/json', text), status, text);
  }
  // None of the refused keys arrived: no window opened.
  await page.waitForTimeout(300);
  assert.deepStrictEqual((await state()).texts, []);
});

// The events and calls in the page's trace panel.
const traced = async (p) => (await p.$eval('#trace', (t) => t.textContent)).split('\n')
  .filter((l) => l.startsWith('{')).map((l) => JSON.parse(l));

test('the stop event ends the TAP, and the page says so', async () => {
  assert.strictEqual((await state()).taps, 1);
  await page.click('#stop');
  await page.waitForFunction(() => document.getElementById('status').textContent ===
    'No TAP is running.', null, WAIT);
  assert.strictEqual((await state()).taps, 0);
  assert.ok((await traced(page)).some((e) => e.ev === 'stop'), 'the TAP got the stop event');
  assert.strictEqual(await page.$eval('#off', (p) => p.hidden), true, 'the receiver is still on');
});

test('power-off switches the receiver off, and the page says so', async () => {
  await page.click('#poweroff');
  await page.locator('#off').waitFor({state: 'visible', ...WAIT});
  assert.strictEqual(await page.$eval('#off', (p) => p.textContent),
    'The receiver is switched off.');
  assert.strictEqual(await page.$eval('#status', (s) => s.textContent),
    'The receiver is switched off.');
  assert.strictEqual((await state()).off, true);
  assert.ok((await traced(page)).some((e) => e.call === 'power_off'));
  // The receiver's clock stands still.
  const clock = (await state()).clock;
  await page.waitForTimeout(1200);
  assert.strictEqual((await state()).clock, clock);
});
