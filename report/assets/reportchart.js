/*
 * The report's line chart: a date axis, one line per graph, a legend below
 * and a cursor with a date balloon. Drawn as SVG so that printing and the PDF
 * export keep it as vectors. ES5 only: it runs in QtWebKit.
 */
var ReportChart = (function () {
    'use strict';

    var SVG_NS = 'http://www.w3.org/2000/svg';
    var DATE_STEPS = [60000, 120000, 300000, 600000, 900000, 1800000, 3600000, 7200000,
                      10800000, 21600000, 43200000, 86400000];
    var MAX_DATE_LABELS = 12;
    var LEGEND_HEIGHT = 24;
    var AXIS_HEIGHT = 18;
    var MARGIN = { left: 54, right: 18, top: 12 };

    function svg(name, attrs, parent) {
        var node = document.createElementNS(SVG_NS, name);
        for (var key in attrs) {
            if (attrs.hasOwnProperty(key)) {
                node.setAttribute(key, attrs[key]);
            }
        }
        if (parent) {
            parent.appendChild(node);
        }
        return node;
    }

    function text(parent, x, y, content, attrs) {
        var node = svg('text', attrs || {}, parent);
        node.setAttribute('x', x);
        node.setAttribute('y', y);
        node.appendChild(document.createTextNode(content));
        return node;
    }

    function pad(n) {
        return (n < 10 ? '0' : '') + n;
    }

    // Tokens as in the graph settings: YYYY MM DD JJ (hour 0-23) NN SS.
    function formatDate(date, format) {
        return format.replace('YYYY', String(date.getFullYear()))
            .replace('MM', pad(date.getMonth() + 1))
            .replace('DD', pad(date.getDate()))
            .replace('JJ', pad(date.getHours()))
            .replace('NN', pad(date.getMinutes()))
            .replace('SS', pad(date.getSeconds()));
    }

    // 1, 2 or 5 times a power of ten, giving at most about count steps.
    function niceStep(range, count) {
        var raw = range / count;
        var power = Math.pow(10, Math.floor(Math.log(raw) / Math.LN10));
        var steps = [1, 2, 5, 10];
        for (var i = 0; i < steps.length; ++i) {
            if (steps[i] * power >= raw) {
                return steps[i] * power;
            }
        }
        return 10 * power;
    }

    function decimalsFor(step) {
        return Math.max(0, Math.min(6, -Math.floor(Math.log(step) / Math.LN10 + 1e-9)));
    }

    // Local clock times from the first one at or after begin to end.
    function dateTicks(begin, end, step) {
        var ticks = [];
        var first = new Date(begin);
        var day = new Date(first.getFullYear(), first.getMonth(), first.getDate());
        var minutes = step / 60000;
        for (var k = 0; ticks.length < 500 && k < 5000; ++k) {
            var t = new Date(day.getFullYear(), day.getMonth(), day.getDate(), 0, k * minutes);
            if (t.getTime() > end) {
                break;
            }
            if (t.getTime() >= begin) {
                ticks.push(t);
            }
        }
        return ticks;
    }

    function Chart(container, config) {
        this.container = container;
        this.data = config.dataProvider || [];
        this.graphs = config.graphs || [];
        this.categoryField = config.categoryField || 'datetime';
        this.colors = config.colors || ['#FF0000', '#00CC00', '#0000FF', '#CCCC00'];
        this.balloonFormat = config.balloonDateFormat || 'YYYY-MM-DD JJ:NN:SS';
        this.times = [];
        for (var i = 0; i < this.data.length; ++i) {
            this.times.push(this.data[i][this.categoryField].getTime());
        }
        this.draw();
    }

    Chart.prototype.visibleGraphs = function () {
        var out = [];
        for (var i = 0; i < this.graphs.length; ++i) {
            if (!this.graphs[i].hidden) {
                out.push(i);
            }
        }
        return out;
    };

    Chart.prototype.valueRange = function () {
        var min = Infinity;
        var max = -Infinity;
        var visible = this.visibleGraphs();
        for (var i = 0; i < this.data.length; ++i) {
            for (var g = 0; g < visible.length; ++g) {
                var v = this.data[i][this.graphs[visible[g]].valueField];
                if (typeof v === 'number' && isFinite(v)) {
                    min = Math.min(min, v);
                    max = Math.max(max, v);
                }
            }
        }
        if (min === Infinity) {
            min = 0;
            max = 1;
        }
        if (min === max) {
            min -= 1;
            max += 1;
        }
        var step = niceStep(max - min, 5);
        return { min: Math.floor(min / step) * step, max: Math.ceil(max / step) * step,
                 step: step };
    };

    Chart.prototype.draw = function () {
        var width = this.container.clientWidth || 860;
        var height = this.container.clientHeight || 250;
        while (this.container.firstChild) {
            this.container.removeChild(this.container.firstChild);
        }
        var root = svg('svg', { width: width, height: height, 'class': 'report-chart',
                                'font-family': 'Segoe UI, Arial, sans-serif',
                                'font-size': '11' }, this.container);
        var plot = { left: MARGIN.left, top: MARGIN.top, right: width - MARGIN.right,
                     bottom: height - LEGEND_HEIGHT - AXIS_HEIGHT };
        this.plot = plot;
        var t0 = this.times.length ? this.times[0] : 0;
        var t1 = this.times.length ? this.times[this.times.length - 1] : 1;
        if (t1 === t0) {
            t0 -= 1800000;
            t1 += 1800000;
        }
        var values = this.valueRange();
        this.x = function (t) {
            return plot.left + (t - t0) / (t1 - t0) * (plot.right - plot.left);
        };
        this.y = function (v) {
            return plot.bottom - (v - values.min) / (values.max - values.min) *
                (plot.bottom - plot.top);
        };
        this.t0 = t0;
        this.t1 = t1;

        this.drawValueAxis(root, values);
        this.drawDateAxis(root);
        this.drawLines(root);
        this.drawLegend(root, height);
        this.drawCursor(root);
    };

    Chart.prototype.drawValueAxis = function (root, values) {
        var plot = this.plot;
        var decimals = decimalsFor(values.step);
        var axis = svg('g', { 'class': 'value-axis' }, root);
        for (var v = values.min, n = 0; v <= values.max + values.step / 2 && n < 50;
             v += values.step, ++n) {
            var y = Math.round(this.y(v)) + 0.5;
            svg('line', { x1: plot.left, x2: plot.right, y1: y, y2: y, stroke: '#000000',
                          'stroke-opacity': 0.12 }, axis);
            text(axis, plot.left - 6, y + 4, v.toFixed(decimals),
                 { 'text-anchor': 'end', fill: '#333333' });
        }
        svg('rect', { x: plot.left, y: plot.top, width: plot.right - plot.left,
                      height: plot.bottom - plot.top, fill: 'none', stroke: '#999999' }, axis);
    };

    Chart.prototype.drawDateAxis = function (root) {
        var plot = this.plot;
        var span = this.t1 - this.t0;
        var step = DATE_STEPS[DATE_STEPS.length - 1];
        for (var i = 0; i < DATE_STEPS.length; ++i) {
            if (span / DATE_STEPS[i] <= MAX_DATE_LABELS) {
                step = DATE_STEPS[i];
                break;
            }
        }
        var axis = svg('g', { 'class': 'date-axis' }, root);
        var ticks = dateTicks(this.t0, this.t1, step);
        for (var k = 0; k < ticks.length; ++k) {
            var x = Math.round(this.x(ticks[k].getTime())) + 0.5;
            var midnight = ticks[k].getHours() === 0 && ticks[k].getMinutes() === 0;
            svg('line', { x1: x, x2: x, y1: plot.top, y2: plot.bottom, stroke: '#000000',
                          'stroke-opacity': midnight ? 0.3 : 0.08 }, axis);
            text(axis, x, plot.bottom + 14, formatDate(ticks[k], midnight ? 'MM-DD' : 'JJ:NN'),
                 { 'text-anchor': 'middle', fill: '#333333',
                   'font-weight': midnight ? 'bold' : 'normal' });
        }
    };

    // A graph joins its own points: a data item without its field belongs to
    // other graphs and is passed over. A null value is a break of the line
    // (a stored null reading or an outage), kept unless the graph connects.
    Chart.prototype.pathFor = function (graph) {
        var segments = [];
        var current = [];
        for (var i = 0; i < this.data.length; ++i) {
            var v = this.data[i][graph.valueField];
            if (v === null || (typeof v === 'number' && !isFinite(v))) {
                if (graph.connect === false && current.length) {
                    segments.push(current);
                    current = [];
                }
                continue;
            }
            if (typeof v !== 'number') {
                continue;
            }
            current.push([this.x(this.times[i]), this.y(v)]);
        }
        if (current.length) {
            segments.push(current);
        }
        var smooth = graph.type === 'smoothedLine';
        var d = '';
        for (var s = 0; s < segments.length; ++s) {
            d += this.segmentPath(segments[s], smooth);
        }
        return d;
    };

    Chart.prototype.segmentPath = function (p, smooth) {
        var f = function (n) { return n.toFixed(2); };
        if (p.length === 1) {
            return 'M' + f(p[0][0] - 1) + ',' + f(p[0][1]) + 'L' + f(p[0][0] + 1) + ',' +
                f(p[0][1]);
        }
        var d = 'M' + f(p[0][0]) + ',' + f(p[0][1]);
        for (var i = 1; i < p.length; ++i) {
            if (!smooth) {
                d += 'L' + f(p[i][0]) + ',' + f(p[i][1]);
                continue;
            }
            // Catmull-Rom through the neighbours, as cubic Bezier curves.
            var a = p[Math.max(0, i - 2)];
            var b = p[i - 1];
            var c = p[i];
            var e = p[Math.min(p.length - 1, i + 1)];
            d += 'C' + f(b[0] + (c[0] - a[0]) / 6) + ',' + f(b[1] + (c[1] - a[1]) / 6) + ' ' +
                f(c[0] - (e[0] - b[0]) / 6) + ',' + f(c[1] - (e[1] - b[1]) / 6) + ' ' +
                f(c[0]) + ',' + f(c[1]);
        }
        return d;
    };

    Chart.prototype.drawLines = function (root) {
        var plot = this.plot;
        var clipId = 'report-chart-clip';
        var defs = svg('defs', {}, root);
        var clip = svg('clipPath', { id: clipId }, defs);
        svg('rect', { x: plot.left, y: plot.top, width: plot.right - plot.left,
                      height: plot.bottom - plot.top }, clip);
        var lines = svg('g', { 'class': 'lines', 'clip-path': 'url(#' + clipId + ')' }, root);
        for (var g = 0; g < this.graphs.length; ++g) {
            var graph = this.graphs[g];
            if (graph.hidden) {
                continue;
            }
            svg('path', { d: this.pathFor(graph), fill: 'none',
                          stroke: this.colors[g % this.colors.length],
                          'stroke-width': 1.5,
                          'stroke-opacity': typeof graph.lineAlpha === 'number' ?
                              graph.lineAlpha : 1,
                          'class': 'graph-line', 'data-field': graph.valueField }, lines);
        }
    };

    Chart.prototype.drawLegend = function (root, height) {
        var self = this;
        var legend = svg('g', { 'class': 'legend' }, root);
        var count = Math.max(1, this.graphs.length);
        var column = (this.plot.right - this.plot.left) / count;
        var y = height - LEGEND_HEIGHT / 2;
        for (var g = 0; g < this.graphs.length; ++g) {
            var graph = this.graphs[g];
            var color = graph.hidden ? '#AAAAAA' : this.colors[g % this.colors.length];
            var x = this.plot.left + g * column;
            var entry = svg('g', { 'class': 'legend-entry', cursor: 'pointer' }, legend);
            svg('rect', { x: x, y: y - 9, width: column, height: 18, fill: '#FFFFFF',
                          'fill-opacity': 0 }, entry);
            svg('line', { x1: x, x2: x + 18, y1: y, y2: y, stroke: color,
                          'stroke-width': 2 }, entry);
            svg('circle', { cx: x + 9, cy: y, r: 3.5, fill: color }, entry);
            text(entry, x + 24, y + 4, graph.title || graph.valueField,
                 { fill: graph.hidden ? '#AAAAAA' : '#222222', 'class': 'legend-title' });
            entry.addEventListener('click', (function (index) {
                return function () {
                    self.graphs[index].hidden = !self.graphs[index].hidden;
                    self.draw();
                };
            }(g)), false);
        }
    };

    Chart.prototype.nearestIndex = function (t) {
        var lo = 0;
        var hi = this.times.length - 1;
        while (hi - lo > 1) {
            var mid = (lo + hi) >> 1;
            if (this.times[mid] <= t) {
                lo = mid;
            } else {
                hi = mid;
            }
        }
        return Math.abs(this.times[hi] - t) < Math.abs(t - this.times[lo]) ? hi : lo;
    };

    Chart.prototype.drawCursor = function (root) {
        var self = this;
        var plot = this.plot;
        var cursor = svg('g', { 'class': 'cursor', display: 'none' }, root);
        var line = svg('line', { y1: plot.top, y2: plot.bottom, stroke: '#000000',
                                 'stroke-opacity': 0.6 }, cursor);
        var dateBox = svg('rect', { height: 18, rx: 3, fill: '#333333' }, cursor);
        var dateText = text(cursor, 0, plot.bottom + 13, '',
                            { fill: '#FFFFFF', 'text-anchor': 'middle',
                              'class': 'balloon-date' });
        var valueGroup = svg('g', { 'class': 'balloon-values' }, cursor);
        var overlay = svg('rect', { x: plot.left, y: plot.top, width: plot.right - plot.left,
                                    height: plot.bottom - plot.top, fill: '#FFFFFF',
                                    'fill-opacity': 0, 'class': 'cursor-area' }, root);
        this.showCursorAt = function (t) {
            if (!self.times.length) {
                return;
            }
            var i = self.nearestIndex(t);
            var x = self.x(self.times[i]);
            cursor.setAttribute('display', 'inline');
            line.setAttribute('x1', x);
            line.setAttribute('x2', x);
            dateText.firstChild.nodeValue = formatDate(new Date(self.times[i]),
                                                       self.balloonFormat);
            var w = 132;
            var bx = Math.max(plot.left, Math.min(plot.right - w, x - w / 2));
            dateBox.setAttribute('x', bx);
            dateBox.setAttribute('y', plot.bottom + 1);
            dateBox.setAttribute('width', w);
            dateText.setAttribute('x', bx + w / 2);
            while (valueGroup.firstChild) {
                valueGroup.removeChild(valueGroup.firstChild);
            }
            for (var g = 0; g < self.graphs.length; ++g) {
                var graph = self.graphs[g];
                var v = self.data[i][graph.valueField];
                if (graph.hidden || typeof v !== 'number') {
                    continue;
                }
                var y = self.y(v);
                var color = self.colors[g % self.colors.length];
                var left = x + 56 > plot.right;
                svg('circle', { cx: x, cy: y, r: 3, fill: color }, valueGroup);
                svg('rect', { x: left ? x - 54 : x + 6, y: y - 8, width: 48, height: 16,
                              rx: 2, fill: '#FFFFFF', stroke: color }, valueGroup);
                text(valueGroup, left ? x - 30 : x + 30, y + 4, v.toFixed(2),
                     { 'text-anchor': 'middle', fill: '#222222', 'class': 'balloon-value' });
            }
        };
        overlay.addEventListener('mousemove', function (event) {
            var box = root.getBoundingClientRect();
            var px = event.clientX - box.left;
            self.showCursorAt(self.t0 + (px - plot.left) / (plot.right - plot.left) *
                              (self.t1 - self.t0));
        }, false);
        overlay.addEventListener('mouseout', function () {
            cursor.setAttribute('display', 'none');
        }, false);
    };

    return {
        make: function (container, config) {
            return new Chart(container, config);
        },
        formatDate: formatDate,
        niceStep: niceStep
    };
}());
