// Browser checks of the demo's report: the first screen, every chart drawn
// once its section is scrolled to, no label clipped, no script error; a
// screenshot of the first screen and of the first camera's section.
check('the page got ready', await until(pageReady, 30000), reportStatus.dataset.state);
window.scrollTo(0, 0);
await frame();
const totals = document.getElementById('totals');
const rows = [...document.querySelectorAll('#overview tbody tr')];
const rank = { ACTION: 0, UNKNOWN: 1, WATCH: 2, OK: 3 };
check('overview sorted by status', rows.every((r, i) => i === 0 ||
      rank[rows[i - 1].dataset.status] <= rank[r.dataset.status]), rows.map((r) => r.dataset.status).join(' '));
const counted = Object.keys(rank).map((s) => rows.filter((r) => r.dataset.status === s).length);
check('totals agree with the overview', Object.keys(rank).every((s, i) => counted[i] === 0 ||
      totals.querySelector('[data-status="' + s + '"]').textContent === counted[i] + ' ' + s), totals.textContent);
await shot('first-screen');
const first = document.querySelector('details.camera');
first.scrollIntoView({ block: 'start' });
await until(() => first.querySelector('.charts').dataset.counted === '1', 10000);
await shot('camera', first);
check('every chart drawn once its section is in view', await drawEverything(120000),
      reportStatus.dataset.chartsDrawn + ' of ' + reportStatus.dataset.chartsExpected);
const alive = Object.values(window.reportCharts).flat();
const clipped = alive.flatMap(clippedLabels);
check('no axis label cut off', alive.length > 0 && clipped.length === 0, clipped.join('; '));
check('no script error', reportStatus.dataset.errors === '0', reportStatus.dataset.lastError);
return { checks: checks, figures: figures };
