// The report page's charts: the run's per-index arrays (base64 float32 in #run-data) drawn by
// uPlot, reduced for each view to the smallest and largest value per pixel column, so that a
// window of any length zooms smoothly down to single samples. A run over every channel holds a
// group of charts per channel; all of them show one view, as their windows are alike.
(function () {
  'use strict';

  var run = JSON.parse(document.getElementById('run-data').textContent);
  var runs = run.channels || [run];
  var n = runs.length ? runs[0].length : 0;
  var colours = {
    reference: '#0072b2',
    comparison: '#d55e00',
    critical: '#cc79a7',
    cluster: '0, 158, 115',
    ink: '#1a1a1a'
  };

  // An array of one value throughout comes as that value once, after a star.
  function decode(text) {
    if (!text) return null;
    if (text.charAt(0) === '*') {
      var one = decode(text.slice(1));
      return derive(n, function () { return one[0]; });
    }
    var bytes = atob(text);
    var view = new DataView(new ArrayBuffer(bytes.length));
    for (var i = 0; i < bytes.length; i++) view.setUint8(i, bytes.charCodeAt(i));
    var values = new Float32Array(bytes.length / 4);
    for (var k = 0; k < values.length; k++) values[k] = view.getFloat32(4 * k, true);
    return values;
  }

  function derive(count, f) {
    var values = new Float32Array(count);
    for (var i = 0; i < count; i++) values[i] = f(i);
    return values;
  }

  // Blocks of 8, 64, 512 ... samples, each holding the smallest or largest value of its samples
  // (NaN when none is a number): a column then reads a few blocks instead of all its samples.
  var fanOut = 8;

  function pyramid(values, largest) {
    var levels = [values];
    var below = values;
    while (below.length > 1) {
      var size = Math.ceil(below.length / fanOut);
      var level = new Float32Array(size);
      for (var b = 0; b < size; b++) {
        var m = NaN;
        var end = Math.min(below.length, (b + 1) * fanOut);
        for (var i = b * fanOut; i < end; i++) {
          var v = below[i];
          if (v === v && (largest ? !(v <= m) : !(v >= m))) m = v;
        }
        level[b] = m;
      }
      levels.push(level);
      below = level;
    }
    return levels;
  }

  // The smallest (or largest) value of samples begin .. end - 1.
  function extreme(levels, begin, end, largest) {
    var m = NaN;
    var i = begin;
    while (i < end) {
      var level = 0;
      var block = 1;
      while (level + 1 < levels.length && i % (block * fanOut) === 0 && i + block * fanOut <= end) {
        level++;
        block *= fanOut;
      }
      var v = levels[level][i / block];
      if (v === v && (largest ? !(v <= m) : !(v >= m))) m = v;
      i += block;
    }
    return m;
  }

  // A curve as the charts need it: its values and the reductions of them that they draw.
  function curve(values, wantLow, wantHigh) {
    return {
      values: values,
      low: wantLow ? pyramid(values, false) : null,
      high: wantHigh ? pyramid(values, true) : null
    };
  }

  // Every curve one run's charts draw.
  function runCurves(data) {
    var refMean = decode(data.referenceMean);
    var refSd = decode(data.referenceStdDev);
    var cmpMean = decode(data.comparisonMean);
    var cmpSd = decode(data.comparisonStdDev);
    var t = decode(data.t);
    var critT = decode(data.criticalT);
    var critDiff = decode(data.criticalDifference);
    var nothing = derive(n, function () { return NaN; });
    refMean = refMean || nothing;
    cmpMean = cmpMean || nothing;
    refSd = refSd || nothing;
    cmpSd = cmpSd || nothing;
    var difference = derive(n, function (i) { return refMean[i] - cmpMean[i]; });
    return {
      refMean: curve(refMean, true, true),
      refLow: curve(derive(n, function (i) { return refMean[i] - refSd[i]; }), true, false),
      refHigh: curve(derive(n, function (i) { return refMean[i] + refSd[i]; }), false, true),
      cmpMean: curve(cmpMean, true, true),
      cmpLow: curve(derive(n, function (i) { return cmpMean[i] - cmpSd[i]; }), true, false),
      cmpHigh: curve(derive(n, function (i) { return cmpMean[i] + cmpSd[i]; }), false, true),
      difference: curve(difference, true, true),
      critDiff: curve(critDiff || nothing, false, true),
      t: curve(t || nothing, true, true),
      critT: curve(derive(n, function (i) { return critT ? Math.abs(critT[i]) : NaN; }), false, true)
    };
  }

  // Each run's data, curves and the suffix of its elements' ids ("-2" for channel 2).
  var groups = runs.map(function (data, g) {
    return { index: g, data: data, curves: runCurves(data), suffix: run.channels ? '-' + (g + 1) : '' };
  });

  // How a series of a chart is reduced: 'line' (smallest, then largest value of each column),
  // 'low' or 'high' (an edge of a band), and a sign for the mirrored critical bounds.
  var charts = [
    {
      id: 'chart-means',
      title: 'Mean of each set, with \u00b1 1 standard deviation (LSB)',
      series: [
        { curve: 'refLow', kind: 'low', label: 'Reference \u2212 1 SD', stroke: 'rgba(0,114,178,0.35)' },
        { curve: 'refHigh', kind: 'high', label: 'Reference + 1 SD', stroke: 'rgba(0,114,178,0.35)' },
        { curve: 'cmpLow', kind: 'low', label: 'Comparison \u2212 1 SD', stroke: 'rgba(213,94,0,0.35)' },
        { curve: 'cmpHigh', kind: 'high', label: 'Comparison + 1 SD', stroke: 'rgba(213,94,0,0.35)' },
        { curve: 'cmpMean', kind: 'line', label: 'Comparison mean', stroke: colours.comparison, width: 2 },
        { curve: 'refMean', kind: 'line', label: 'Reference mean', stroke: colours.reference, width: 1 }
      ],
      bands: [
        { series: [2, 1], fill: 'rgba(0,114,178,0.15)' },
        { series: [4, 3], fill: 'rgba(213,94,0,0.15)' }
      ]
    },
    {
      id: 'chart-difference',
      title: 'Difference reference \u2212 comparison, with \u00b1 critical difference (LSB)',
      series: [
        { curve: 'critDiff', kind: 'high', sign: -1, label: '\u2212 critical difference', stroke: 'rgba(120,120,120,0.5)' },
        { curve: 'critDiff', kind: 'high', label: '+ critical difference', stroke: 'rgba(120,120,120,0.5)' },
        { curve: 'difference', kind: 'line', label: 'Difference', stroke: colours.ink, width: 1 }
      ],
      bands: [{ series: [2, 1], fill: 'rgba(140,140,140,0.25)' }]
    },
    {
      id: 'chart-t',
      title: 't, with \u00b1 critical t; shaded: clusters (darker: p below \u03b1)',
      series: [
        { curve: 't', kind: 'line', label: 't', stroke: colours.ink, width: 1 },
        { curve: 'critT', kind: 'high', label: '+ critical t', stroke: colours.critical, width: 1.5 },
        { curve: 'critT', kind: 'high', sign: -1, label: '\u2212 critical t', stroke: colours.critical, width: 1.5 }
      ],
      bands: [],
      clusters: true
    }
  ];

  function finiteOrNull(v) {
    return isFinite(v) ? v : null;
  }

  // The chart's data for indices lo .. hi over this many pixel columns: every sample when there
  // are no more than two a column, else two points a column.
  function reduce(chart, curves, lo, hi, columns) {
    var count = hi - lo + 1;
    var xs = [];
    var ys = chart.series.map(function () { return []; });
    var i, s;
    if (count <= 2 * columns) {
      for (i = lo; i <= hi; i++) {
        xs.push(i);
        for (s = 0; s < chart.series.length; s++) {
          var entry = chart.series[s];
          ys[s].push(finiteOrNull((entry.sign || 1) * curves[entry.curve].values[i]));
        }
      }
      return [xs].concat(ys);
    }
    for (var c = 0; c < columns; c++) {
      var begin = lo + Math.floor(c * count / columns);
      var end = lo + Math.floor((c + 1) * count / columns);
      if (end <= begin) continue;
      xs.push(begin, begin + (end - begin) / 2);
      for (s = 0; s < chart.series.length; s++) {
        var sp = chart.series[s];
        var cv = curves[sp.curve];
        var sign = sp.sign || 1;
        if (sp.kind === 'line') {
          ys[s].push(finiteOrNull(extreme(cv.low, begin, end, false)),
                     finiteOrNull(extreme(cv.high, begin, end, true)));
        } else {
          var v = sp.kind === 'low' ? extreme(cv.low, begin, end, false)
                                    : extreme(cv.high, begin, end, true);
          ys[s].push(finiteOrNull(sign * v), finiteOrNull(sign * v));
        }
      }
    }
    return [xs].concat(ys);
  }

  function valueRange(series) {
    var low = Infinity;
    var high = -Infinity;
    for (var s = 1; s < series.length; s++) {
      for (var i = 0; i < series[s].length; i++) {
        var v = series[s][i];
        if (v === null) continue;
        if (v < low) low = v;
        if (v > high) high = v;
      }
    }
    if (!(low <= high)) return [-1, 1];
    if (low === high) return [low - 1, high + 1];
    var margin = (high - low) * 0.06;
    return [low - margin, high + margin];
  }

  var view = { lo: 0, hi: Math.max(n - 1, 0) };
  var selected = { group: -1, k: -1 };
  var plots = [];
  var smallestView = 8;

  function chartWidth() {
    var section = document.getElementById('charts');
    return Math.max(320, section.clientWidth - 10);
  }

  function clampView(lo, hi) {
    var last = Math.max(n - 1, 0);
    var width = Math.min(Math.max(hi - lo, Math.min(smallestView, last)), last);
    lo = Math.max(0, Math.min(lo, last - width));
    return { lo: Math.round(lo), hi: Math.round(lo + width) };
  }

  function describeView() {
    var count = view.hi - view.lo + 1;
    var perColumn = count / plots[0].plot.bbox.width * (window.devicePixelRatio || 1);
    var startOffset = groups[0].data.startOffset;
    var text = 'Indices ' + view.lo + ' to ' + view.hi + ' of the window (' + count +
               ' samples; sample offsets ' + (startOffset + view.lo) + ' to ' +
               (startOffset + view.hi) + ')';
    text += perColumn > 2 ? ', about ' + Math.round(perColumn) + ' samples a pixel column'
                          : ', sample by sample';
    document.getElementById('range').textContent = text;
  }

  function render() {
    plots.forEach(function (entry) {
      var u = entry.plot;
      var columns = Math.max(1, Math.round(u.bbox.width));
      var reduced = reduce(entry.chart, entry.group.curves, view.lo, view.hi, columns);
      var range = valueRange(reduced);
      u.batch(function () {
        u.setData(reduced, false);
        u.setScale('x', { min: view.lo, max: view.hi });
        u.setScale('y', { min: range[0], max: range[1] });
      });
    });
    describeView();
  }

  function zoomTo(lo, hi) {
    view = clampView(lo, hi);
    render();
  }

  function drawClusters(u, group) {
    var data = group.data;
    var ctx = u.ctx;
    var top = u.bbox.top;
    var height = u.bbox.height;
    ctx.save();
    ctx.beginPath();
    ctx.rect(u.bbox.left, top, u.bbox.width, height);
    ctx.clip();
    data.clusters.forEach(function (cluster, k) {
      if (cluster.last < view.lo || cluster.first > view.hi) return;
      var left = u.valToPos(cluster.first - 0.5, 'x', true);
      var right = u.valToPos(cluster.last + 0.5, 'x', true);
      if (right - left < 1) {
        left = (left + right) / 2 - 0.5;
        right = left + 1;
      }
      var strong = cluster.p < data.alpha;
      var chosen = group.index === selected.group && k === selected.k;
      ctx.fillStyle = 'rgba(' + colours.cluster + ',' + (chosen ? 0.45 : strong ? 0.25 : 0.1) + ')';
      ctx.fillRect(left, top, right - left, height);
    });
    ctx.restore();
  }

  function makePlot(chart, group) {
    var element = document.getElementById(chart.id + group.suffix);
    var heading = document.createElement('h3');
    heading.textContent = chart.title;
    element.appendChild(heading);
    var opts = {
      width: chartWidth(),
      height: 240,
      scales: {
        x: { time: false, auto: false },
        y: { auto: false }
      },
      axes: [
        { label: 'Index in the analysis window', values: function (u, ticks) {
          return ticks.map(function (v) { return Number.isInteger(v) ? String(v) : ''; });
        } },
        { size: 70 }
      ],
      legend: { live: true },
      cursor: { drag: { x: true, y: false, setScale: false }, sync: { key: 'trellmark' } },
      series: [{ label: 'Index', value: function (u, v) { return v === null ? '' : Math.round(v); } }]
        .concat(chart.series.map(function (entry) {
          return { label: entry.label, stroke: entry.stroke, width: entry.width || 1, points: { show: false } };
        })),
      bands: chart.bands,
      hooks: {
        setSelect: [function (u) {
          if (u.select.width > 3) {
            var lo = u.posToVal(u.select.left, 'x');
            var hi = u.posToVal(u.select.left + u.select.width, 'x');
            zoomTo(Math.floor(lo), Math.ceil(hi));
          }
          u.setSelect({ left: 0, top: 0, width: 0, height: 0 }, false);
        }],
        drawClear: chart.clusters ? [function (u) { drawClusters(u, group); }] : []
      }
    };
    var plot = new uPlot(opts, reduce(chart, group.curves, 0, 0, 1), element);
    plot.over.addEventListener('wheel', function (event) {
      event.preventDefault();
      var at = plot.posToVal(event.offsetX, 'x');
      var factor = event.deltaY < 0 ? 0.75 : 1 / 0.75;
      zoomTo(at - (at - view.lo) * factor, at + (view.hi - at) * factor);
    }, { passive: false });
    plots.push({ chart: chart, plot: plot, group: group });
  }

  function pan(share) {
    var width = view.hi - view.lo;
    var step = Math.max(1, Math.round(width * share));
    zoomTo(view.lo + step, view.hi + step);
  }

  function zoomOut() {
    var width = view.hi - view.lo;
    zoomTo(view.lo - width / 2, view.hi + width / 2);
  }

  function reset() {
    selected = { group: -1, k: -1 };
    markSelected();
    zoomTo(0, n - 1);
  }

  // The range a cluster's row zooms onto: the cluster with a margin of its length each side.
  function clusterView(cluster) {
    var size = cluster.last - cluster.first + 1;
    return clampView(cluster.first - size, cluster.last + size);
  }

  function clusterRows(group) {
    return document.querySelectorAll('#clusters' + group.suffix + ' tbody tr');
  }

  function markSelected() {
    groups.forEach(function (group) {
      var rows = clusterRows(group);
      for (var r = 0; r < rows.length; r++) {
        rows[r].classList.toggle('selected', group.index === selected.group && r === selected.k);
      }
    });
  }

  // Cluster k of the group's table (of the first group when none is named).
  function selectCluster(k, g) {
    var group = groups[g || 0];
    selected = { group: group.index, k: k };
    markSelected();
    var range = clusterView(group.data.clusters[k]);
    zoomTo(range.lo, range.hi);
  }

  function fillClusterTable(group) {
    var data = group.data;
    var table = document.getElementById('clusters' + group.suffix);
    var listed = data.clusters.slice(0, 10);
    if (listed.length === 0) {
      table.outerHTML = '<p id="clusters' + group.suffix + '">No cluster with p below 0.5.</p>';
      return;
    }
    var head = table.createTHead().insertRow();
    ['', 'First index', 'Last index', 'Samples', 'Mass', 'p', '95 % Monte Carlo interval of p']
      .forEach(function (text) {
        var th = document.createElement('th');
        th.textContent = text;
        head.appendChild(th);
      });
    var body = table.createTBody();
    listed.forEach(function (cluster, k) {
      var row = body.insertRow();
      [String(k + 1), cluster.first, cluster.last, cluster.size, cluster.mass, cluster.pText,
       cluster.interval].forEach(function (text) {
        row.insertCell().textContent = String(text);
      });
      row.tabIndex = 0;
      row.addEventListener('click', function () { selectCluster(k, group.index); });
      row.addEventListener('keydown', function (event) {
        if (event.key === 'Enter') selectCluster(k, group.index);
      });
    });
    if (data.clusters.length > listed.length) {
      var more = document.createElement('p');
      more.className = 'hint';
      more.textContent = 'The t chart shades ' + (data.clusters.length - listed.length) +
                         ' more clusters with p below 0.5.';
      table.after(more);
    }
  }

  // For the tests: the page checks itself and writes what it found into #selftest.
  function selfTest() {
    var out = document.getElementById('selftest');
    var problems = [];
    var lines = [];
    var verdict = document.getElementById('verdict').textContent;
    lines.push('verdict: ' + verdict);
    var drawn = plots.filter(function (entry) {
      return entry.plot.root.querySelector('canvas') && entry.plot.data[0].length > 0;
    }).length;
    lines.push('charts: ' + drawn);
    if (drawn < 3 * groups.length) problems.push('fewer than three charts drawn for each run');
    var rowCount = 0;
    var first = null;
    groups.forEach(function (group) {
      var rows = clusterRows(group);
      rowCount += rows.length;
      if (!first && rows.length > 0) first = { group: group, row: rows[0] };
    });
    lines.push('cluster rows: ' + rowCount);
    function finish() {
      window.pageErrors.forEach(function (e) { problems.push('script error: ' + e); });
      lines.push(problems.length === 0 ? 'selftest: pass' : 'selftest: fail: ' + problems.join('; '));
      out.textContent = lines.join('\n');
      out.hidden = false;
    }
    if (!first) {
      finish();
      return;
    }
    first.row.dispatchEvent(new MouseEvent('click', { bubbles: true }));
    setTimeout(function () {
      var want = clusterView(first.group.data.clusters[0]);
      plots.forEach(function (entry, k) {
        var x = entry.plot.scales.x;
        lines.push('chart ' + (k + 1) + ' x: ' + x.min + ' to ' + x.max);
        if (x.min !== want.lo || x.max !== want.hi) {
          problems.push('chart ' + (k + 1) + ' shows ' + x.min + ' to ' + x.max + ', not ' +
                        want.lo + ' to ' + want.hi);
        }
      });
      document.getElementById('reset').click();
      setTimeout(function () {
        var x = plots[0].plot.scales.x;
        lines.push('after reset x: ' + x.min + ' to ' + x.max);
        if (x.min !== 0 || x.max !== Math.max(n - 1, 0)) problems.push('reset did not show the whole window');
        finish();
      }, 50);
    }, 50);
  }

  groups.forEach(function (group) {
    charts.forEach(function (chart) { makePlot(chart, group); });
    fillClusterTable(group);
  });
  document.getElementById('reset').addEventListener('click', reset);
  document.getElementById('left').addEventListener('click', function () { pan(-0.5); });
  document.getElementById('right').addEventListener('click', function () { pan(0.5); });
  document.getElementById('out').addEventListener('click', zoomOut);
  document.addEventListener('keydown', function (event) {
    if (event.target.tagName === 'INPUT') return;
    if (event.key === 'ArrowLeft') pan(-0.25);
    else if (event.key === 'ArrowRight') pan(0.25);
    else if (event.key === '-') zoomOut();
    else if (event.key === 'Escape' || event.key === 'Home') reset();
  });
  window.addEventListener('resize', function () {
    plots.forEach(function (entry) {
      entry.plot.setSize({ width: chartWidth(), height: 240 });
    });
    render();
  });
  render();
  window.trellmarkPage = { zoomTo: zoomTo, selectCluster: selectCluster, reset: reset, plots: plots };
  // "#cluster=3" opens the page on the third cluster of the table.
  var asked = /^#cluster=(\d+)$/.exec(location.hash);
  if (asked && +asked[1] >= 1 && +asked[1] <= Math.min(10, groups[0].data.clusters.length)) {
    selectCluster(+asked[1] - 1);
  }
  if (location.hash === '#selftest') setTimeout(selfTest, 0);
})();

// The spectrum's charts, when the run has one: both sets' mean level +- 1 SD per frequency bin
// on a logarithmic frequency axis, and t per bin; drag to zoom, double-click for all bins.
(function () {
  'use strict';

  var data = JSON.parse(document.getElementById('run-data').textContent);
  var spectrum = data.spectrum;
  if (!spectrum) return;

  function decode(text) {
    var bytes = atob(text);
    var view = new DataView(new ArrayBuffer(bytes.length));
    for (var i = 0; i < bytes.length; i++) view.setUint8(i, bytes.charCodeAt(i));
    var values = [];
    for (var k = 0; k < bytes.length / 4; k++) values.push(view.getFloat32(4 * k, true));
    return values;
  }

  var refMean = decode(spectrum.referenceMeanDb);
  var refSd = decode(spectrum.referenceSdDb);
  var cmpMean = decode(spectrum.comparisonMeanDb);
  var cmpSd = decode(spectrum.comparisonSdDb);
  var t = decode(spectrum.t);
  var hz = refMean.map(function (v, i) { return (i + 1) * spectrum.binHz; });
  function around(mean, sd, sign) {
    return mean.map(function (m, i) { return m + sign * sd[i]; });
  }
  var significant = {};
  spectrum.significantBins.forEach(function (bin) { significant[bin] = true; });

  // Significant bins shaded, clusters with p < 0.5 as a bar along the top.
  function shade(u) {
    var ctx = u.ctx;
    ctx.save();
    ctx.fillStyle = 'rgba(230, 159, 0, 0.2)';
    Object.keys(significant).forEach(function (bin) {
      var left = u.valToPos((+bin - 0.5) * spectrum.binHz, 'x', true);
      var right = u.valToPos((+bin + 0.5) * spectrum.binHz, 'x', true);
      ctx.fillRect(left, u.bbox.top, Math.max(right - left, 1), u.bbox.height);
    });
    spectrum.clusters.forEach(function (cluster) {
      if (!(cluster.p < 0.5)) return;
      ctx.fillStyle = cluster.p < 0.05 ? 'rgb(0, 158, 115)' : 'rgba(0, 158, 115, 0.35)';
      var left = u.valToPos((cluster.firstBin - 0.5) * spectrum.binHz, 'x', true);
      var right = u.valToPos((cluster.lastBin + 0.5) * spectrum.binHz, 'x', true);
      ctx.fillRect(left, u.bbox.top, Math.max(right - left, 2), 6);
    });
    ctx.restore();
  }

  var charts = [];
  function makeChart(id, title, series, values, bands) {
    var element = document.getElementById(id);
    var heading = document.createElement('h3');
    heading.textContent = title;
    element.appendChild(heading);
    var width = Math.max(320, document.getElementById('spectrum').clientWidth - 10);
    var chart = new uPlot({
      width: width,
      height: 240,
      scales: { x: { time: false, distr: 3 } },
      axes: [{ label: 'Frequency (Hz)' }, { size: 70 }],
      cursor: { drag: { x: true, y: false, setScale: true } },
      series: [{ label: 'Hz' }].concat(series),
      bands: bands || [],
      hooks: {
        drawClear: [shade],
        setScale: [function (u, key) {
          if (key !== 'x') return;
          charts.forEach(function (other) {
            if (other !== u && (other.scales.x.min !== u.scales.x.min ||
                                other.scales.x.max !== u.scales.x.max)) {
              other.setScale('x', { min: u.scales.x.min, max: u.scales.x.max });
            }
          });
        }]
      }
    }, [hz].concat(values), element);
    charts.push(chart);
  }

  makeChart('chart-spectrum', 'Mean level ± 1 SD (dB re 1 LSB²/Hz); significant bins shaded', [
    { label: 'Reference', stroke: '#0072b2', width: 1, points: { show: false } },
    { label: 'Reference - SD', stroke: 'rgba(0, 114, 178, 0.3)', points: { show: false } },
    { label: 'Reference + SD', stroke: 'rgba(0, 114, 178, 0.3)', points: { show: false } },
    { label: 'Comparison', stroke: '#d55e00', width: 1, points: { show: false } },
    { label: 'Comparison - SD', stroke: 'rgba(213, 94, 0, 0.3)', points: { show: false } },
    { label: 'Comparison + SD', stroke: 'rgba(213, 94, 0, 0.3)', points: { show: false } }
  ], [refMean, around(refMean, refSd, -1), around(refMean, refSd, 1), cmpMean,
      around(cmpMean, cmpSd, -1), around(cmpMean, cmpSd, 1)],
  [{ series: [3, 2], fill: 'rgba(0, 114, 178, 0.12)' },
   { series: [6, 5], fill: 'rgba(213, 94, 0, 0.12)' }]);
  makeChart('chart-spectrum-t', 't per frequency bin; clusters marked along the top',
    [{ label: 't', stroke: '#1a1a1a', width: 1, points: { show: false } }], [t]);
  window.trellmarkSpectrum = { charts: charts };
})();
