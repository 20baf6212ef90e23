// Draws the charts of CalHealth.html from the data the page carries: per
// camera six time series with their rolling band shaded and the camera's
// findings marked. Zoom by dragging across a chart, double-click to reset;
// the legend shows time and values under the cursor.
(function () {
  'use strict';
  var status = document.getElementById('report-status');
  var cameras = JSON.parse(document.getElementById('health-data').textContent);

  var kindColours = {
    moved: '#d62728', pointing_outlier: '#ff7f0e', pointing_drift: '#17becf',
    scale_change: '#9467bd', zero_point_drop: '#1f77b4', poor_fit: '#8c564b',
    few_stars: '#e377c2', stale: '#7f7f7f', duplicate: '#bcbd22'
  };
  var charts = [
    { title: 'Pointing offset from the reference (arcmin)',
      kinds: ['moved', 'pointing_outlier', 'pointing_drift'],
      lines: [['offset_az', '\u0394az\u00b7cos el', '#1f77b4'], ['offset_el', '\u0394el', '#d62728']],
      bands: [['offset_az', 'rgba(31,119,180,0.12)'], ['offset_el', 'rgba(214,39,40,0.12)']] },
    { title: 'Camera tilt (deg)', kinds: [],
      lines: [['tilt', 'tilt', '#2ca02c']], bands: [['tilt', 'rgba(44,160,44,0.15)']] },
    { title: 'Plate scale change (%)', kinds: ['scale_change'],
      lines: [['scale_change', 'scale change', '#9467bd']], bands: [['scale_change', 'rgba(148,103,189,0.15)']] },
    { title: 'O\u2212C sigma (arcmin)', kinds: ['poor_fit'], stars: true,
      lines: [['oc_sigma', 'O\u2212C sigma', '#8c564b']], bands: [['oc_sigma', 'rgba(140,86,75,0.15)']] },
    { title: 'Zero point (mag; band: clear-night envelope down to the drop threshold)', kinds: ['zero_point_drop'], stars: true,
      lines: [['zero_point', 'zero point', '#1f77b4']], bands: [['zero_point', 'rgba(31,119,180,0.15)']] },
    { title: 'Star count', kinds: ['few_stars'], stars: true,
      lines: [['star_count', 'stars', '#e377c2']], bands: [['star_count', 'rgba(227,119,194,0.15)']] }
  ];

  function utcDate(seconds) { return uPlot.tzDate(new Date(seconds * 1e3), 'Etc/UTC'); }

  function recordError(error) {
    window.reportErrors.push(String(error && error.message ? error.message : error));
    status.dataset.errors = String(window.reportErrors.length);
    status.dataset.lastError = window.reportErrors[window.reportErrors.length - 1];
  }

  // Findings as coloured marks: a line at the start of each, and a shaded
  // span over the calibrations a finding covers.
  function findingMarks(findings) {
    return {
      hooks: {
        draw: [function (u) {
          var ctx = u.ctx;
          var top = u.bbox.top;
          var height = u.bbox.height;
          ctx.save();
          findings.forEach(function (f) {
            var colour = kindColours[f.kind] || '#000';
            var x0 = u.valToPos(f.start, 'x', true);
            var x1 = u.valToPos(f.end, 'x', true);
            if (x1 > x0 + 1) {
              ctx.globalAlpha = 0.08;
              ctx.fillStyle = colour;
              ctx.fillRect(x0, top, x1 - x0, height);
            }
            ctx.globalAlpha = 0.9;
            ctx.strokeStyle = colour;
            ctx.lineWidth = 2;
            ctx.setLineDash(f.kind === 'pointing_outlier' || f.kind === 'poor_fit' ? [4, 3] : []);
            ctx.beginPath();
            ctx.moveTo(x0, top);
            ctx.lineTo(x0, top + height);
            ctx.stroke();
          });
          ctx.restore();
        }]
      }
    };
  }

  // A chart of star data for a camera whose FitStars table gave none: its
  // title and why, in place of the chart.
  function drawNoStarData(container, camera, chart) {
    var element = document.createElement('div');
    element.className = 'chart no-data';
    var title = document.createElement('div');
    title.className = 'no-data-title';
    title.textContent = chart.title;
    var text = document.createElement('p');
    text.textContent = 'No star data: ' + camera.no_star_data + '.';
    element.appendChild(title);
    element.appendChild(text);
    container.appendChild(element);
  }

  function drawChart(container, camera, chart, width) {
    if (chart.stars && camera.no_star_data) {
      drawNoStarData(container, camera, chart);
      return;
    }
    var series = [{ label: 'time (UT)' }];
    var data = [camera.t];
    chart.lines.forEach(function (line) {
      series.push({ label: line[1], stroke: line[2], width: 1.5,
                    points: { show: camera.t.length <= 400, size: 4 } });
      data.push(camera.series[line[0]]);
    });
    var bands = [];
    chart.bands.forEach(function (band) {
      var high = series.length;
      series.push({ label: 'normal high', stroke: 'rgba(0,0,0,0.15)', width: 0.5, points: { show: false } });
      data.push(camera.series[band[0] + '_hi']);
      series.push({ label: 'normal low', stroke: 'rgba(0,0,0,0.15)', width: 0.5, points: { show: false } });
      data.push(camera.series[band[0] + '_lo']);
      bands.push({ series: [high, high + 1], fill: band[1] });
    });
    var marks = camera.findings.filter(function (f) {
      return chart.kinds.indexOf(f.kind) >= 0 || f.kind === 'stale' || f.kind === 'duplicate';
    });
    var element = document.createElement('div');
    element.className = 'chart';
    container.appendChild(element);
    new uPlot({
      title: chart.title,
      width: width,
      height: 220,
      tzDate: utcDate,
      series: series,
      bands: bands,
      scales: { x: { time: true } },
      cursor: { drag: { x: true, y: false } },
      plugins: [findingMarks(marks)]
    }, data, element);
  }

  var drawn = 0;
  cameras.forEach(function (camera) {
    var container = document.querySelector('.charts[data-camera="' + camera.camera + '"]');
    if (!container) { recordError('no chart area for camera ' + camera.camera); return; }
    var width = Math.max(320, Math.floor((container.clientWidth || 1000) / 2) - 16);
    charts.forEach(function (chart) {
      try {
        drawChart(container, camera, chart, width);
        drawn += 1;
      } catch (error) {
        recordError(error);
      }
    });
  });
  status.dataset.chartsDrawn = String(drawn);
  status.dataset.state = 'drawn';
  status.textContent = drawn + ' charts drawn. Drag across a chart to zoom, double-click to reset; ' +
                       'marks: findings (solid: changes, dashed: single calibrations).';
})();
