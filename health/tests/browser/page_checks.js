// Browser checks of the page of known cameras that health_page_fixture
// writes (its header lists the cameras, statuses and findings these checks
// expect). Run by health_page_driver after checks_common.js.
const day = 86400;
const firstNight = 1388541600;  // 2014-01-01 02:00 UT, night 0
const present = firstNight + 119 * day;
check('the page got ready', await until(pageReady, 20000), reportStatus.dataset.state);

// ---- The first screen ----
const totals = document.getElementById('totals').textContent;
check('totals line', totals === '2 ACTION \u00b7 2 WATCH \u00b7 1 UNKNOWN \u00b7 3 OK', totals);
const rows = [...document.querySelectorAll('#overview tbody tr')];
const order = rows.map((r) => r.dataset.camera).join(',');
check('overview by status, then most recent trouble first', order === '3,2,5,4,7,1,6,8', order);
const stripOrder = [...document.querySelectorAll('#strips .strip-row')].map((r) => r.dataset.camera).join(',');
check('strips in the overview order', stripOrder === order, stripOrder);
const row = (camera) => rows.find((r) => r.dataset.camera === String(camera));
const cellText = (camera, name) => row(camera).querySelector('td.' + name).textContent;
check('moved: what to do', cellText(2, 'to-do') ===
      'calibrations before 2014-04-11 02:00 UT no longer fit this pointing: do not use them for later meteors',
      cellText(2, 'to-do'));
check('zero-point drop: what to do', cellText(3, 'to-do') ===
      'sensitivity down 0.70 mag since 2014-04-21 02:00 UT: check the lens for dew or dirt', cellText(3, 'to-do'));
const since3 = row(3).cells[3];
check('since: short time, age in days, exact time on hover',
      since3.textContent === '2014-04-21 02:00 UT (9 days)' &&
      since3.querySelector('time').title === '2014-04-21T02:00:00.000 UT', since3.textContent);
check('unknown camera: what is wrong with its table',
      cellText(5, 'to-do').includes('FitCoefs table has no readable row'), cellText(5, 'to-do'));
check('OK camera: nothing to do', cellText(1, 'to-do') === 'none' && cellText(1, 'happened') === 'none');
const inView = (element) => {
  const r = element.getBoundingClientRect();
  return r.top >= 0 && r.bottom <= window.innerHeight && r.right <= window.innerWidth;
};
window.scrollTo(0, 0);
await frame();
const actionRows = rows.filter((r) => r.dataset.status === 'ACTION');
check('totals and every ACTION camera with what to do visible without scrolling',
      inView(document.getElementById('totals')) && actionRows.every((r) => inView(r.querySelector('td.to-do'))),
      actionRows.map((r) => r.querySelector('td.to-do').getBoundingClientRect().bottom).join(' '));
check('every strip visible beside the overview',
      [...document.querySelectorAll('#strips .strip-row')].every(inView) &&
      document.getElementById('strips').getBoundingClientRect().left >=
      document.querySelector('#overview table').getBoundingClientRect().right);
await shot('first-screen');

// ---- The strips: the last 90 nights, coloured by each night's worst finding ----
const kinds = document.body.dataset.findingKinds.split(' ');
const code = (kind) => String.fromCharCode(97 + kinds.indexOf(kind));
const strip = (camera) => document.querySelector('#strips .strip-row[data-camera="' + camera + '"] canvas');
const nights2 = strip(2).dataset.nights;
check('strip of 90 nights', nights2.length === 90, nights2.length);
// Night 30 is the strip's first: camera 2 moved on night 100, skipped 90.
check('moved night, skipped night, clear night', nights2[70] === code('moved') && nights2[60] === '.' &&
      nights2[69] === '0' && nights2[71] === '0', nights2);
const cell = (camera, night) => pixel(strip(camera), night * 3 + 1, 6);
check('strip cells drawn in the finding colours',
      sameColour(cell(2, 70), hexColour('#d62728')) && sameColour(cell(2, 60), hexColour('#dddddd')) &&
      sameColour(cell(2, 69), hexColour('#9fd49f')), [cell(2, 70), cell(2, 60), cell(2, 69)].join(' | '));
const nights3 = strip(3).dataset.nights;
check('a drop marks every night it covers', nights3.slice(80) === code('zero_point_drop').repeat(10) &&
      nights3[79] === '0', nights3);
check('a camera without calibrations is grey', strip(5).dataset.nights === '.'.repeat(90));

// ---- Sections ----
const sections = [...document.querySelectorAll('details.camera')];
check('OK sections closed, the others open',
      sections.every((s) => s.open === (s.dataset.status !== 'OK')) && sections.length === 8,
      sections.map((s) => s.id + ':' + s.open).join(' '));
check('every section links back to the overview',
      sections.every((s) => s.querySelector('summary a[href="#overview"]')));
document.querySelector('#strips .strip-row[data-camera="1"]').click();
await frame();
const section1 = document.getElementById('camera-1');
check('a strip click opens and shows a closed camera', section1.open && location.hash === '#camera-1' &&
      inView(section1.querySelector('summary')), section1.getBoundingClientRect().top);

// ---- Charts of camera 2 ----
const container = document.querySelector('.charts[data-camera="2"]');
container.scrollIntoView({ block: 'start' });
check('charts drawn when their section comes into view',
      await until(() => window.reportCharts[2] && window.reportCharts[2].length === 6, 10000));
const group = window.reportCharts[2];
const ranges = () => group.map((u) => u.scales.x.min + '..' + u.scales.x.max);
check('charts open on the last 90 days',
      group.every((u) => u.scales.x.min === present - 90 * day && u.scales.x.max === present), ranges().join(' '));
const offset = group[0];
const bandX = offset.valToPos(firstNight + 110 * day, 'x', true);
const top = devicePixel(offset.ctx.canvas, bandX, offset.bbox.top + 2);
const middle = devicePixel(offset.ctx.canvas, bandX, offset.bbox.top + offset.bbox.height / 2);
check('a finding spanning calibrations: a band along the top, no wash over the chart',
      top[0] > 180 && top[1] < 110 && top[3] > 200 && middle[3] < 20, top + ' / ' + middle);
await hoverAt(group[2], 200);
check('cursor shared by the camera\'s charts', group.every((u) => u.cursor.idx === group[2].cursor.idx) &&
      group[2].cursor.idx != null, group.map((u) => u.cursor.idx).join(' '));
const hover = group[4].root.querySelector('.u-legend .u-series:first-child .u-value').textContent;
check('hover time as YYYY-MM-DD HH:MM:SS UT', /^\d{4}-\d\d-\d\d \d\d:\d\d:\d\d UT$/.test(hover), hover);
await drag(group[2], 100, 300);
const zoomed = ranges();
check('zooming one chart zooms the camera\'s other five',
      zoomed.every((r) => r === zoomed[2]) && group[2].scales.x.max - group[2].scales.x.min < 80 * day,
      zoomed.join(' '));
await doubleClick(group[5], 200);
check('double-click shows everything on all six',
      group.every((u) => u.scales.x.min === firstNight && u.scales.x.max === present),
      ranges().join(' '));
await shot('camera', document.getElementById('camera-2'));

// ---- Axes ----
document.querySelector('.charts[data-camera="3"]').scrollIntoView({ block: 'start' });
await until(() => window.reportCharts[3], 10000);
const drawn = Object.values(window.reportCharts).flat();
const clipped = drawn.flatMap(clippedLabels);
const negative = drawn.flatMap((u) => u.axes[1]._values || []).filter((v) => /^[-\u2212]/.test(v));
check('no axis label cut off', clipped.length === 0 && drawn.length >= 12, clipped.join('; '));
check('negative labels keep their minus sign', negative.includes('-1,000') || negative.includes('-500'),
      negative.join(' '));
check('no script error', reportStatus.dataset.errors === '0', reportStatus.dataset.lastError);
return { checks: checks, figures: figures };
