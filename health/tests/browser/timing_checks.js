// Times a page in the browser: first paint (Paint Timing), the page's own
// marks (first screen drawn, sections read), and all charts drawn by
// scrolling through every camera section, opening the closed ones, from
// navigation start. args.budget_ms, when given, is the time all charts
// must be drawn in; args.draw_all "no" stops after the first screen;
// args.sample N draws every N-th camera instead of all, each within
// args.section_budget_ms of being scrolled to, with args.first_screen_budget_ms
// and args.ready_budget_ms for the first screen and the sections read.
// Run early (health_page_driver --early), it also keeps a screenshot of the
// first screen as soon as it is drawn, and says how much of the page was
// read by then.
if (document.readyState === 'loading') {
  await until(() => performance.getEntriesByName('report-first-screen').length, 900000);
  figures.sections_read_at_first_screen = document.querySelectorAll('details.camera').length;
  await shot('first-screen-while-loading');
  figures.first_screen_shot_ms = Math.round(performance.now());
  // The first camera's charts, drawn once its section is scrolled to.
  await until(() => document.querySelector('.charts'), 900000);
  const first = document.querySelector('.charts');
  first.scrollIntoView({ block: 'start' });
  await until(() => first.dataset.counted === '1', 900000);
  figures.first_charts_ms = Math.round(performance.now());
  figures.loading_at_first_charts = document.readyState === 'loading' ? 'yes' : 'no';
  await shot('first-camera-while-loading');
  window.scrollTo(0, 0);
}
await until(pageReady, 1800000);
const mark = (name) => {
  const entry = performance.getEntriesByName(name)[0];
  return entry ? Math.round(entry.startTime) : -1;
};
// The paint entry is queued once the frame is presented, maybe after load.
const contentfulPaint = () => performance.getEntriesByType('paint').find((e) => e.name === 'first-contentful-paint');
await until(contentfulPaint, 10000);
const paint = contentfulPaint();
figures.cameras = document.querySelectorAll('details.camera').length;
figures.first_paint_ms = paint ? Math.round(paint.startTime) : -1;
figures.first_screen_ms = mark('report-first-screen');
figures.sections_read_ms = mark('report-ready');
figures.charts_expected = Number(reportStatus.dataset.chartsExpected);
check('first paint measured', figures.first_paint_ms > 0, figures.first_paint_ms);
check('first screen drawn before the sections were read',
      figures.first_screen_ms >= 0 && figures.first_screen_ms <= figures.sections_read_ms,
      figures.first_screen_ms + ' ' + figures.sections_read_ms);
if (args.sample) {
  // Cameras spread over the page, each drawn soon after it is scrolled to:
  // what a reader meets anywhere on a page of many cameras.
  const longest = await drawSample(Number(args.sample), Number(args.section_budget_ms || 60000));
  figures.longest_section_ms = longest;
  check('sampled sections drawn within ' + args.section_budget_ms + ' ms', longest >= 0 &&
        longest <= Number(args.section_budget_ms || 60000), longest);
  check('first screen within ' + args.first_screen_budget_ms + ' ms',
        figures.first_screen_ms <= Number(args.first_screen_budget_ms || 600000), figures.first_screen_ms);
  check('sections read within ' + args.ready_budget_ms + ' ms',
        figures.sections_read_ms <= Number(args.ready_budget_ms || 600000), figures.sections_read_ms);
  const clipped = Object.values(window.reportCharts).flat().flatMap(clippedLabels);
  check('no axis label cut off', clipped.length === 0, clipped.slice(0, 5).join('; '));
} else if (args.draw_all !== 'no') {
  // The page's height as it opens (OK sections closed), once the open
  // sections' charts are drawn.
  for (const container of document.querySelectorAll('details[open] .charts')) {
    container.scrollIntoView({ block: 'start' });
    await until(() => container.dataset.counted === '1', 60000);
  }
  figures.page_height_px = document.documentElement.scrollHeight;
  const budget = Number(args.budget_ms || 0);
  const all = await drawEverything(budget > 0 ? budget * 2 : 3600000);
  figures.all_drawn_ms = Math.round(performance.now());
  figures.charts_drawn = Number(reportStatus.dataset.chartsDrawn);
  figures.charts_alive = Object.values(window.reportCharts).flat().length;
  check('every chart drawn', all, reportStatus.dataset.chartsDrawn + ' of ' + figures.charts_expected);
  if (budget > 0) {
    check('all charts drawn within ' + budget + ' ms', figures.all_drawn_ms <= budget, figures.all_drawn_ms);
  }
  const clipped = Object.values(window.reportCharts).flat().flatMap(clippedLabels);
  check('no axis label cut off', clipped.length === 0, clipped.slice(0, 5).join('; '));
}
check('no script error', reportStatus.dataset.errors === '0', reportStatus.dataset.lastError);
return { checks: checks, figures: figures };
