// The script of CalHealth.html. It runs before the first screen and takes
// up the page's parts as they are read: it draws every camera's strip of
// nights, and draws a camera's six charts when its section comes into view
// (and lets them go again when it is far out of view, so that a page of
// thousands of cameras stays light). The six charts of a camera
// share cursor and zoom: drag across one to zoom all, double-click to show
// everything; they open on the last 90 days.
(function () {
  'use strict';
  var status = document.getElementById('report-status');
  // Kind names in the order of the strips' codes ('a' is the first).
  var kindNames = document.body.dataset.findingKinds.split(' ');
  var expected = Number(status.dataset.chartsExpected);
  var drawnCount = 0;
  var day = 86400;

  var kindColours = {
    moved: '#d62728', pointing_outlier: '#ff7f0e', pointing_drift: '#17becf',
    scale_change: '#9467bd', zero_point_drop: '#1f77b4', poor_fit: '#8c564b',
    few_stars: '#e377c2', stale: '#7f7f7f', duplicate: '#bcbd22', clock: '#000000'
  };
  var noCalibrationColour = '#dddddd';
  var clearColour = '#9fd49f';
  var charts = [
    { title: 'Pointing offset from the reference (arcmin)',
      kinds: ['moved', 'pointing_outlier', 'pointing_drift'],
      lines: [['offset_az', '\u0394az\u00b7cos el', '#1f77b4'], ['offset_el', '\u0394el', '#d62728']],
      bands: [['offset_az', 'rgba(31,119,180,0.12)', '\u0394az normal'],
              ['offset_el', 'rgba(214,39,40,0.12)', '\u0394el normal']] },
    { title: 'Camera tilt (deg)', kinds: [],
      lines: [['tilt', 'tilt', '#2ca02c']], bands: [['tilt', 'rgba(44,160,44,0.15)', 'tilt normal']] },
    { title: 'Plate scale change (%)', kinds: ['scale_change'],
      lines: [['scale_change', 'scale change', '#9467bd']],
      bands: [['scale_change', 'rgba(148,103,189,0.15)', 'scale normal']] },
    { title: 'O\u2212C sigma (arcmin)', kinds: ['poor_fit'], stars: true,
      lines: [['oc_sigma', 'O\u2212C sigma', '#8c564b']],
      bands: [['oc_sigma', 'rgba(140,86,75,0.15)', 'O\u2212C normal']] },
    { title: 'Zero point (mag)', kinds: ['zero_point_drop'], stars: true,
      lines: [['zero_point', 'zero point', '#1f77b4']],
      bands: [['zero_point', 'rgba(31,119,180,0.15)', 'clear-night level', 'drop threshold']] },
    { title: 'Star count', kinds: ['few_stars'], stars: true,
      lines: [['star_count', 'stars', '#e377c2']],
      bands: [['star_count', 'rgba(227,119,194,0.15)', 'stars normal']] }
  ];
  // Marked on every chart: they concern the whole calibration.
  var everyChartKinds = ['stale', 'duplicate', 'clock'];

  // Counts an error on the status element and keeps its message.
  function recordError(error) {
    window.reportErrors.push(String(error && error.message ? error.message : error));
    status.dataset.errors = String(window.reportErrors.length);
    status.dataset.lastError = window.reportErrors[window.reportErrors.length - 1];
  }

  // Given seconds since 1970, returns "YYYY-MM-DD HH:MM:SS UT".
  function utText(seconds) {
    return new Date(Math.round(seconds * 1000)).toISOString().slice(0, 19).replace('T', ' ') + ' UT';
  }

  // uPlot's dates in UT, whatever the browser's time zone.
  function utcDate(seconds) { return uPlot.tzDate(new Date(seconds * 1e3), 'Etc/UTC'); }

  // ---- Strips: one cell per night, coloured by its worst finding. ----

  // Given a code of the strips, returns its colour.
  function nightColour(code) {
    if (code === '.') return noCalibrationColour;
    if (code === '0') return clearColour;
    return kindColours[kindNames[code.charCodeAt(0) - 97]] || '#000000';
  }

  var cellWidth = 3;   // pixels per night
  var cellHeight = 12;
  // Given a strip's canvas, draws one cell per night from its codes.
  function drawStrip(canvas) {
    var codes = canvas.dataset.nights;
    var ratio = window.devicePixelRatio || 1;
    canvas.style.width = codes.length * cellWidth + 'px';
    canvas.style.height = cellHeight + 'px';
    canvas.width = Math.round(codes.length * cellWidth * ratio);
    canvas.height = Math.round(cellHeight * ratio);
    var ctx = canvas.getContext('2d');
    ctx.scale(ratio, ratio);
    for (var i = 0; i < codes.length; i += 1) {
      ctx.fillStyle = nightColour(codes.charAt(i));
      ctx.fillRect(i * cellWidth, 0, cellWidth - 1, cellHeight);
    }
  }

  // Writes what the strips' colours stand for.
  function stripLegend(legend) {
    var entries = [['no calibration', noCalibrationColour], ['no finding', clearColour]];
    ['moved', 'scale_change', 'zero_point_drop', 'poor_fit', 'pointing_outlier', 'few_stars',
     'pointing_drift', 'duplicate'].forEach(function (kind) { entries.push([kind, kindColours[kind]]); });
    entries.forEach(function (entry) {
      var item = document.createElement('span');
      var swatch = document.createElement('i');
      swatch.style.background = entry[1];
      item.appendChild(swatch);
      item.appendChild(document.createTextNode(entry[0]));
      legend.appendChild(item);
    });
  }

  // ---- Charts ----

  // A y axis as wide as its widest label, so that no label (nor its minus
  // sign) is cut, and at least half a date wide, so that the time axis's
  // first label, centred on its tick, has room on the left too.
  function axisSize(u, values, axisIndex) {
    var axis = u.axes[axisIndex];
    var ratio = window.devicePixelRatio || 1;
    var size = axis.ticks.size + axis.gap;
    u.ctx.font = axis.font[0];
    var widest = 0;
    (values || []).forEach(function (v) { if (v != null) widest = Math.max(widest, u.ctx.measureText(v).width); });
    u.ctx.font = u.axes[0].font[0];
    var halfDate = u.ctx.measureText('0000-00-00').width / 2;
    return Math.ceil(Math.max(size + widest / ratio, halfDate / ratio)) + 2;
  }

  // Time labels in ISO order: dates, or month-day and time once zoomed in
  // below a day.
  function timeLabels(u, splits, axisIndex, space, increment) {
    return splits.map(function (s) {
      if (s == null) return null;
      var iso = new Date(s * 1000).toISOString();
      return increment >= day ? iso.slice(0, 10) : iso.slice(5, 16).replace('T', ' ');
    });
  }

  // Findings as marks: a line where each starts (dashed for a finding of
  // one calibration) and, for one that spans calibrations, a thin band
  // along the top over its span; bands of different kinds stack.
  function findingMarks(findings, kinds) {
    return {
      hooks: {
        draw: [function (u) {
          var ctx = u.ctx;
          var box = u.bbox;
          var ratio = window.devicePixelRatio || 1;
          var bandHeight = 4 * ratio;
          ctx.save();
          ctx.beginPath();
          ctx.rect(box.left, box.top, box.width, box.height);
          ctx.clip();
          findings.forEach(function (f) {
            var colour = kindColours[f.kind] || '#000';
            var x0 = u.valToPos(f.start, 'x', true);
            var x1 = u.valToPos(f.end, 'x', true);
            var row = Math.max(0, kinds.indexOf(f.kind));
            if (!f.single) {
              ctx.globalAlpha = 0.85;
              ctx.fillStyle = colour;
              ctx.fillRect(x0, box.top + row * (bandHeight + ratio), Math.max(x1 - x0, ratio), bandHeight);
            }
            ctx.globalAlpha = 0.9;
            ctx.strokeStyle = colour;
            ctx.lineWidth = 1.5 * ratio;
            ctx.setLineDash(f.single ? [4 * ratio, 3 * ratio] : []);
            ctx.beginPath();
            ctx.moveTo(x0, box.top);
            ctx.lineTo(x0, box.top + box.height);
            ctx.stroke();
          });
          ctx.restore();
        }]
      }
    };
  }

  // A chart of star data for a camera whose FitStars table gave none: its
  // title and why, in place of the chart.
  function drawNoStarData(element, camera, chart) {
    element.className = 'chart no-data';
    var title = document.createElement('div');
    title.className = 'no-data-title';
    title.textContent = chart.title;
    var text = document.createElement('p');
    text.textContent = 'No star data: ' + camera.no_star_data + '.';
    element.appendChild(title);
    element.appendChild(text);
  }

  // Given a camera's data, one of its charts, the chart's width and the
  // camera's group of charts, draws the chart into element and returns it
  // (null for a chart without data).
  function drawChart(element, camera, chart, width, group) {
    if (chart.stars && camera.no_star_data) {
      drawNoStarData(element, camera, chart);
      return null;
    }
    var series = [{ label: 'time', value: function (u, v) { return v == null ? '\u2014' : utText(v); } }];
    var data = [camera.t];
    chart.lines.forEach(function (line) {
      series.push({ label: line[1], stroke: line[2], width: 1.5,
                    points: { show: camera.t.length <= 400, size: 4 } });
      data.push(camera.series[line[0]]);
    });
    var bands = [];
    chart.bands.forEach(function (band) {
      var high = series.length;
      series.push({ label: band[3] ? band[2] : band[2] + ' max', stroke: 'rgba(0,0,0,0.15)', width: 0.5,
                    points: { show: false } });
      data.push(camera.series[band[0] + '_hi']);
      series.push({ label: band[3] || band[2] + ' min', stroke: 'rgba(0,0,0,0.15)', width: 0.5,
                    points: { show: false } });
      data.push(camera.series[band[0] + '_lo']);
      bands.push({ series: [high, high + 1], fill: band[1] });
    });
    var marks = camera.findings.filter(function (f) {
      return chart.kinds.indexOf(f.kind) >= 0 || everyChartKinds.indexOf(f.kind) >= 0;
    });
    return new uPlot({
      title: chart.title,
      width: width,
      height: 220,
      tzDate: utcDate,
      series: series,
      bands: bands,
      // The first ranging opens on the camera's default view; later ones
      // (double-click) show everything.
      scales: { x: { time: true, range: function (u, min, max) {
        if (u.openedOnView) return [min, max];
        u.openedOnView = true;
        return [camera.view[0], camera.view[1]];
      } } },
      axes: [{ values: timeLabels, space: 90 }, { size: axisSize }],
      cursor: { drag: { x: true, y: false }, sync: { key: 'camera-' + camera.camera, setSeries: false } },
      hooks: { setScale: [function (u, key) { if (key === 'x') group.follow(u); }] },
      plugins: [findingMarks(marks, chart.kinds.concat(everyChartKinds))]
    }, data, element);
  }

  // The charts of one camera: zooming one sets the others to its range.
  function ChartGroup() {
    this.charts = [];
    this.following = false;
  }
  ChartGroup.prototype.follow = function (leader) {
    if (this.following) return;
    this.following = true;
    var min = leader.scales.x.min;
    var max = leader.scales.x.max;
    this.charts.forEach(function (u) {
      if (u !== leader && (u.scales.x.min !== min || u.scales.x.max !== max)) {
        u.setScale('x', { min: min, max: max });
      }
    });
    this.following = false;
  };

  var chartsByCamera = {};
  window.reportCharts = chartsByCamera;

  // Given a camera's chart area and data, writes what its marks stand for.
  function markersLegend(container, camera) {
    var legend = document.createElement('p');
    legend.className = 'marks-legend';
    var kinds = [];
    camera.findings.forEach(function (f) { if (kinds.indexOf(f.kind) < 0) kinds.push(f.kind); });
    legend.appendChild(document.createTextNode(kinds.length ? 'Finding marks: ' : 'No findings to mark. '));
    kinds.forEach(function (kind) {
      var item = document.createElement('span');
      var swatch = document.createElement('i');
      swatch.style.background = kindColours[kind] || '#000';
      item.appendChild(swatch);
      item.appendChild(document.createTextNode(kind));
      legend.appendChild(item);
    });
    legend.appendChild(document.createTextNode(
      ' \u2014 a line where a finding starts, a band along the top over its span, dashed for one ' +
      'calibration. Shaded: the normal range of each line. Drag to zoom all six, double-click for everything.'));
    container.appendChild(legend);
  }

  // Given a camera's chart area, draws its six charts from the data it
  // carries (once while they stay), and counts them the first time.
  function drawCamera(container) {
    if (container.dataset.shown === '1') return;
    var started = performance.now();
    // The data precede the area, so they are whole once the area is read.
    var camera = JSON.parse(container.previousElementSibling.textContent);
    container.dataset.shown = '1';
    container.style.minHeight = '';
    var area = document.createElement('div');
    area.className = 'chart-area';
    container.appendChild(area);
    markersLegend(area, camera);
    var width = Math.max(320, Math.floor((container.clientWidth || 1000) / 2) - 16);
    var group = new ChartGroup();
    group.following = true;  // no following while the group is built
    charts.forEach(function (chart) {
      var element = document.createElement('div');
      element.className = 'chart';
      area.appendChild(element);
      try {
        var u = drawChart(element, camera, chart, width, group);
        if (u) group.charts.push(u);
      } catch (error) {
        recordError(error);
      }
    });
    group.following = false;
    chartsByCamera[camera.camera] = group.charts;
    performance.measure('charts of camera ' + camera.camera, { start: started });
    if (container.dataset.counted !== '1') {
      container.dataset.counted = '1';
      drawnCount += charts.length;
      updateStatus();
    }
  }

  // Lets a camera's charts go when its section is far out of view, keeping
  // its height so that the page does not jump.
  function releaseCamera(container) {
    if (container.dataset.shown !== '1') return;
    var area = container.querySelector('.chart-area');
    container.style.minHeight = container.offsetHeight + 'px';
    var camera = container.dataset.camera;
    (chartsByCamera[camera] || []).forEach(function (u) { u.destroy(); });
    delete chartsByCamera[camera];
    if (area) container.removeChild(area);
    container.dataset.shown = '0';
  }

  // Writes the charts drawn so far on the status element; "drawn" once
  // every chart has been drawn.
  function updateStatus() {
    status.dataset.chartsDrawn = String(drawnCount);
    if (drawnCount >= expected && status.dataset.state !== 'drawn') {
      status.dataset.state = 'drawn';
      performance.mark('report-all-drawn');
    }
    status.textContent = drawnCount + ' of ' + expected + ' charts drawn (a camera\u2019s charts are drawn ' +
                         'when its section comes into view). Drag across a chart to zoom the camera\u2019s six ' +
                         'charts, double-click to show everything.';
  }

  // A link to a camera's section opens it first.
  function openTarget(hash) {
    var target = hash && hash.length > 1 ? document.getElementById(hash.slice(1)) : null;
    if (target && target.tagName === 'DETAILS') target.open = true;
  }

  var near = new IntersectionObserver(function (entries) {
    entries.forEach(function (entry) {
      try {
        if (entry.isIntersecting) drawCamera(entry.target); else releaseCamera(entry.target);
      } catch (error) {
        recordError(error);
      }
    });
  }, { rootMargin: '100% 0px 100% 0px' });

  // Given a strip's row or the strips' legend, draws or writes it.
  function takeUpStrip(element) {
    if (element.classList.contains('strip-legend')) {
      stripLegend(element);
      performance.mark('report-first-screen');
    } else {
      var canvas = element.querySelector('canvas.strip');
      if (canvas) drawStrip(canvas);
    }
  }

  // Given a camera's section, watches its chart area.
  function takeUpSection(section) {
    var area = section.querySelector('.charts');
    if (area) near.observe(area);
  }

  // The children of a container taken up as the page is read: a child is
  // whole once the next one has begun, the last one once the page is read.
  function Reader(container, takeUp) {
    this.container = container;
    this.takeUp = takeUp;
    this.last = null;
  }
  Reader.prototype.advance = function (all) {
    for (;;) {
      var next = this.last ? this.last.nextElementSibling : this.container.firstElementChild;
      if (!next || (!all && !next.nextElementSibling)) return;
      try {
        this.takeUp(next);
      } catch (error) {
        recordError(error);
      }
      this.last = next;
    }
  };

  // The strips are drawn and the first cameras' charts can be while a page
  // of thousands of cameras is still being read; only the few containers
  // are watched, not every element.
  var readers = {};
  var reading = new MutationObserver(advanceReading);
  // Given a child of the first screen that has been read whole: once the
  // strips are, their last rows and legend are taken up too.
  function takeUpFirstScreen(child) {
    if (child.id !== 'strips' || !readers.strips) return;
    readers.strips.advance(true);
    performance.mark('report-first-screen');
  }
  function advanceReading() {
    var whole = document.readyState !== 'loading';
    [['first-screen', takeUpFirstScreen], ['strips', takeUpStrip], ['cameras', takeUpSection]].forEach(
      function (kind) {
        var container = document.getElementById(kind[0]);
        if (!container || readers[kind[0]]) return;
        readers[kind[0]] = new Reader(container, kind[1]);
        if (!whole) reading.observe(container, { childList: true });
      });
    ['strips', 'first-screen', 'cameras'].forEach(function (name) {
      if (readers[name]) readers[name].advance(whole);
    });
  }

  // Once the whole page is read: takes up the rest, opens a linked section,
  // and says the page is ready.
  function pageRead() {
    reading.disconnect();
    advanceReading();
    openTarget(window.location.hash);
    if (status.dataset.state === 'loading') status.dataset.state = 'ready';
    updateStatus();
    performance.mark('report-ready');
  }

  document.addEventListener('click', function (event) {
    var link = event.target.closest ? event.target.closest('a[href^="#camera-"]') : null;
    if (link) openTarget(link.getAttribute('href'));
  }, true);
  window.addEventListener('hashchange', function () { openTarget(window.location.hash); });
  if (document.readyState === 'loading') {
    reading.observe(document.body, { childList: true });
    document.addEventListener('DOMContentLoaded', pageRead);
  } else {
    pageRead();
  }
})();
