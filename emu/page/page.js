// The live view of tapsim --serve: the screen as the server pushes it, the remote control, the
// keyboard, the buttons, the screen texts, the trace and the disk.
'use strict';

const REPEAT_DELAY_MS = 500; // a key held this long repeats,
const REPEAT_EVERY_MS = 100; // this often
const TRACE_LINES = 300;

// Keyboard keys and the remote-control keys they stand for.
const SHORTCUTS = [
  ['ArrowUp', '^', 'up'], ['ArrowDown', 'v', 'down'], ['ArrowLeft', '<', 'left'],
  ['ArrowRight', '>', 'right'], ['Enter', 'Ok', 'Ok'], ['Escape', 'Exit', 'Exit'],
  ['t', 'Sat', 'the TAP key (Sat)'], ['m', 'Menu', 'Menu'], ['i', 'Info', 'Info'],
  ['g', 'Guide', 'Guide'], ['f', 'Filelist', 'Filelist'], ['r', 'Recall', 'Recall'],
  ['PageUp', 'P+', 'P+'], ['PageDown', 'P-', 'P-'], ['+', 'V+', 'V+'], ['-', 'V-', 'V-'],
  ['p', 'Play', 'Play'], ['s', 'Stop', 'Stop (the key)'], [' ', 'Pause', 'Pause'],
  ['w', 'White', 'White'], ['F1', 'F1', 'F1 (red)'], ['F2', 'F2', 'F2 (green)'],
  ['F3', 'F3', 'F3 (yellow)'], ['F4', 'F4', 'F4 (blue)'],
];
for (let d = 0; d <= 9; d++) SHORTCUTS.push([String(d), String(d), null]);
const KEY_OF = new Map(SHORTCUTS.map(([k, remote]) => [k, remote]));

const $ = (id) => document.getElementById(id);
const screenImg = $('screen');

// What the page sends goes out one after the other, so that the receiver gets it in order.
let sending = Promise.resolve();
let lastInputAt = 0; // performance.now() of the last key pressed (the benchmark reads it)
function send(body) {
  if (body.key && body.action === 'down') lastInputAt = performance.now();
  sending = sending.then(() => fetch('/input', {
    method: 'POST', headers: {'Content-Type': 'application/json'}, body: JSON.stringify(body),
  })).catch(() => {});
  return sending;
}

// A held key: "down" at once, then "repeat" while it is held, "up" when it is let go.
const held = new Map(); // remote key -> timers
function keyDown(key) {
  if (held.has(key)) return;
  const timers = {};
  held.set(key, timers);
  send({key, action: 'down'});
  timers.delay = setTimeout(() => {
    timers.every = setInterval(() => send({key, action: 'repeat'}), REPEAT_EVERY_MS);
  }, REPEAT_DELAY_MS);
}
function keyUp(key) {
  const timers = held.get(key);
  if (!timers) return;
  clearTimeout(timers.delay);
  clearInterval(timers.every);
  held.delete(key);
  send({key, action: 'up'});
}

async function buildRemote() {
  const keys = await (await fetch('/keys')).json();
  const remote = $('remote');
  for (const k of keys) {
    const b = document.createElement('button');
    b.type = 'button';
    b.className = 'key';
    b.dataset.key = k.name;
    b.title = k.name;
    b.style.gridColumn = k.column;
    b.style.gridRow = k.row;
    if (k.icon) {
      const img = document.createElement('img');
      img.src = `/icon/${k.icon}.png`;
      img.alt = k.name;
      b.append(img);
    } else {
      b.textContent = k.name;
    }
    b.addEventListener('pointerdown', (e) => {
      e.preventDefault();
      b.setPointerCapture(e.pointerId);
      b.classList.add('held');
      keyDown(k.name);
    });
    const release = () => { b.classList.remove('held'); keyUp(k.name); };
    b.addEventListener('pointerup', release);
    b.addEventListener('pointercancel', release);
    b.addEventListener('lostpointercapture', release);
    remote.append(b);
  }
}

function buildShortcuts() {
  const table = $('shortcuts');
  const named = {' ': 'Space'};
  for (const [k, , what] of SHORTCUTS) {
    if (!what) continue;
    const row = table.insertRow();
    row.insertCell().innerHTML = `<kbd>${named[k] || k}</kbd>`;
    row.insertCell().textContent = what;
  }
  const row = table.insertRow();
  row.insertCell().innerHTML = '<kbd>0</kbd>–<kbd>9</kbd>';
  row.insertCell().textContent = 'the digits';
}

document.addEventListener('keydown', (e) => {
  if (e.ctrlKey || e.altKey || e.metaKey || e.target.tagName === 'INPUT') return;
  const key = KEY_OF.get(e.key);
  if (!key) return;
  e.preventDefault();
  keyDown(key); // the keyboard's own repeats are left out: the hold repeats at its own pace
});
document.addEventListener('keyup', (e) => {
  const key = KEY_OF.get(e.key);
  if (key) keyUp(key);
});
window.addEventListener('blur', () => { for (const key of [...held.keys()]) keyUp(key); });

$('wait').addEventListener('click', () => send({command: 'wait 10min'}));
$('stop').addEventListener('click', () => send({command: 'stop'}));
$('poweroff').addEventListener('click', () => send({command: 'poweroff'}));
$('refresh').addEventListener('click', () => listDisk());

async function listDisk() {
  const files = await (await fetch('/disk')).json();
  const list = $('files');
  list.replaceChildren();
  for (const f of files) {
    const li = document.createElement('li');
    const a = document.createElement('a');
    a.href = '/download?path=' + encodeURIComponent(f.path);
    a.textContent = f.path;
    a.download = f.path.split('/').pop();
    li.append(a, ` ${f.size} bytes`);
    list.append(li);
  }
}

// The screen: a newer frame replaces the shown one once its picture has loaded.
let wantedFrame = 0;
let shownAt = 0; // performance.now() when the last frame was shown (the benchmark reads it)
let announcedAt = 0; // and when the server told of it
function showFrame(frame, png) {
  if (frame <= wantedFrame) return;
  wantedFrame = frame;
  announcedAt = performance.now();
  const img = new Image();
  img.onload = () => {
    if (frame < Number(screenImg.dataset.frame)) return;
    screenImg.src = img.src;
    screenImg.dataset.frame = String(frame);
    shownAt = performance.now();
  };
  // The picture comes with the message, or else from the server.
  img.src = png ? 'data:image/png;base64,' + png : `/frame/${frame}.png`;
}

function show(view) {
  showFrame(view.frame, view.png);
  $('clock').textContent = view.clock;
  document.body.dataset.seq = String(view.seq);
  const texts = $('texts');
  texts.replaceChildren(...view.texts.map((t) => {
    const li = document.createElement('li');
    li.textContent = t;
    return li;
  }));
  $('off').hidden = !view.off;
  document.body.classList.toggle('off', view.off);
  $('status').textContent = view.off ? 'The receiver is switched off.'
    : view.taps === 0 ? 'No TAP is running.' : '';
  if (view.trace.length) {
    const trace = $('trace');
    const atEnd = trace.scrollTop + trace.clientHeight >= trace.scrollHeight - 4;
    const lines = (trace.textContent ? trace.textContent.split('\n') : []).concat(view.trace);
    trace.textContent = lines.slice(-TRACE_LINES).join('\n');
    if (atEnd) trace.scrollTop = trace.scrollHeight;
  }
}

window.tapsim = {
  timing: () => ({lastInputAt, announcedAt, shownAt, frame: Number(screenImg.dataset.frame)}),
};

buildShortcuts();
buildRemote();
listDisk();
new EventSource('/events').onmessage = (e) => show(JSON.parse(e.data));
