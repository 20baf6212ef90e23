// Helpers of the browser checks, run by health_page_driver before a check
// script, in the same async function.
const checks = [];
const figures = {};
// Records a check: its name, whether it held, and what was seen.
function check(name, ok, detail) {
  checks.push({ name: name, ok: !!ok, detail: detail === undefined ? '' : String(detail) });
}
const frame = () => new Promise((resolve) => requestAnimationFrame(() => resolve()));
// Waits frame by frame until test() holds; returns whether it did within
// timeoutMs.
async function until(test, timeoutMs) {
  const end = performance.now() + timeoutMs;
  while (!test()) {
    if (performance.now() > end) return false;
    await frame();
  }
  return true;
}
const reportStatus = document.getElementById('report-status');
const pageReady = () => reportStatus.dataset.state === 'ready' || reportStatus.dataset.state === 'drawn';

// Scrolls through every camera section in page order, opening the closed
// ones, waiting at each until its charts are drawn. Returns whether the
// page then says every chart was drawn.
async function drawEverything(timeoutMs) {
  const end = performance.now() + timeoutMs;
  for (const container of document.querySelectorAll('.charts')) {
    const section = container.closest('details');
    if (section && !section.open) section.open = true;
    container.scrollIntoView({ block: 'start' });
    if (!(await until(() => container.dataset.counted === '1', Math.max(0, end - performance.now())))) break;
  }
  return reportStatus.dataset.state === 'drawn';
}

// Scrolls to every step-th camera section in page order (the first and the
// last among them), opening the closed ones, and waits at each until its
// charts are drawn. Returns the longest wait in ms, or -1 when a section's
// charts were not drawn within timeoutMs.
async function drawSample(step, timeoutMs) {
  const containers = Array.from(document.querySelectorAll('.charts'));
  const sample = containers.filter((c, k) => k % step === 0 || k === containers.length - 1);
  let longest = 0;
  for (const container of sample) {
    const section = container.closest('details');
    if (section && !section.open) section.open = true;
    const start = performance.now();
    container.scrollIntoView({ block: 'start' });
    if (!(await until(() => container.dataset.counted === '1', timeoutMs))) return -1;
    longest = Math.max(longest, performance.now() - start);
  }
  return Math.round(longest);
}

// Given a chart, returns its axis labels that do not fit: a y label wider
// than the room its axis leaves it (the axis's size less its ticks and
// gap), or a time label, centred on its tick, reaching past the chart's
// edges. Widths are measured afresh.
function clippedLabels(u) {
  const canvas = document.createElement('canvas').getContext('2d');
  const ratio = window.devicePixelRatio || 1;
  const clipped = [];
  u.axes.forEach((axis, index) => {
    if (!axis.show) return;
    canvas.font = axis.font[0];
    const room = axis._size - axis.ticks.size - axis.gap;
    (axis._values || []).forEach((label, k) => {
      if (label == null) return;
      const width = canvas.measureText(label).width / ratio;
      if (axis.side === 1 || axis.side === 3) {
        if (width > room) clipped.push('axis ' + index + ' label ' + label + ' ' + width.toFixed(1) + ' px > ' + room);
        return;
      }
      const centre = u.bbox.left / ratio + u.valToPos(axis._splits[k], axis.scale);
      if (centre - width / 2 < 0 || centre + width / 2 > u.width) {
        clipped.push('time label ' + label + ' from ' + (centre - width / 2).toFixed(1) + ' to ' +
                     (centre + width / 2).toFixed(1) + ' of ' + u.width);
      }
    });
  });
  return clipped;
}

// Given a canvas and a point in CSS pixels, returns its colour as [r, g, b].
// (read from a copy, so that the page's canvas is never read back).
function pixel(canvas, x, y) {
  const ratio = canvas.width / canvas.getBoundingClientRect().width;
  return devicePixel(canvas, Math.floor(x * ratio), Math.floor(y * ratio)).slice(0, 3);
}
// Given a canvas and a point in its own pixels, returns [r, g, b, alpha].
function devicePixel(canvas, x, y) {
  const copy = document.createElement('canvas');
  copy.width = 1;
  copy.height = 1;
  const ctx = copy.getContext('2d', { willReadFrequently: true });
  ctx.drawImage(canvas, Math.round(x), Math.round(y), 1, 1, 0, 0, 1, 1);
  return [...ctx.getImageData(0, 0, 1, 1).data];
}
function hexColour(hex) {
  return [parseInt(hex.slice(1, 3), 16), parseInt(hex.slice(3, 5), 16), parseInt(hex.slice(5, 7), 16)];
}
const sameColour = (a, b) => a.every((v, i) => Math.abs(v - b[i]) <= 2);

// Brings a chart's plot area into view (input outside the view is lost)
// and returns its box.
async function plotBox(u) {
  const box = u.over.getBoundingClientRect();
  if (box.top < 0 || box.bottom > window.innerHeight) {
    u.over.scrollIntoView({ block: 'center' });
    await frame();
  }
  return u.over.getBoundingClientRect();
}
// Drags across a chart's plot area from x0 to x1 (CSS pixels from its left)
// with the browser's own mouse input.
async function drag(u, x0, x1) {
  const box = await plotBox(u);
  const y = box.top + box.height / 2;
  const at = (x) => box.left + x;
  await input([{ type: 'mouseMoved', x: at(x0), y: y },
               { type: 'mousePressed', x: at(x0), y: y, button: 'left', buttons: 1, clicks: 1 },
               { type: 'mouseMoved', x: at((x0 + x1) / 2), y: y, button: 'left', buttons: 1 },
               { type: 'mouseMoved', x: at(x1), y: y, button: 'left', buttons: 1 },
               { type: 'mouseReleased', x: at(x1), y: y, button: 'left', buttons: 0, clicks: 1 }]);
  await frame();
}
// Moves the mouse over a chart's plot area to x (CSS pixels from its left).
async function hoverAt(u, x) {
  const box = await plotBox(u);
  await input([{ type: 'mouseMoved', x: box.left + x, y: box.top + box.height / 2 }]);
  await frame();
}
// Double-clicks a chart's plot area at x (CSS pixels from its left).
async function doubleClick(u, x) {
  const box = await plotBox(u);
  const e = { x: box.left + x, y: box.top + box.height / 2, button: 'left' };
  await input([Object.assign({ type: 'mousePressed', buttons: 1, clicks: 1 }, e),
               Object.assign({ type: 'mouseReleased', buttons: 0, clicks: 1 }, e),
               Object.assign({ type: 'mousePressed', buttons: 1, clicks: 2 }, e),
               Object.assign({ type: 'mouseReleased', buttons: 0, clicks: 2 }, e)]);
  await frame();
}
