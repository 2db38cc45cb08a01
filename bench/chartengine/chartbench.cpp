// Times chart building and rendering: a large fast-line chart, the recorder's
// live charts and a track-cursor redraw. Prints one line per figure with the
// point count and the median over several runs.
#include "Axis.h"
#include "Chart.h"
#include "DemoCharts.h"
#include "LineLayer.h"
#include "QChartViewer.h"
#include "XYChart.h"
#include "display/LiveChart.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QMouseEvent>
#include <QTextStream>
#include <QThread>

#include <algorithm>
#include <cmath>
#include <functional>
#include <memory>
#include <vector>

namespace {

double medianMs(int runs, const std::function<void()> &work)
{
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        work();
        times.push_back(timer.nsecsElapsed() / 1e6);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

void fastLine(QTextStream &out, int points, int runs, double limitMs)
{
    std::vector<double> x(static_cast<size_t>(points));
    std::vector<double> y(static_cast<size_t>(points));
    const double start = Chart::chartTime(2026, 1, 1);
    for (int i = 0; i < points; ++i) {
        x[static_cast<size_t>(i)] = start + i;
        y[static_cast<size_t>(i)] = 20 + 5 * std::sin(i / 50000.0) + std::sin(i * 0.7);
    }
    int width = 0;
    const double ms = medianMs(runs, [&] {
        XYChart c(1000, 500, 0x595959, Chart::Transparent);
        c.setPlotArea(55, 55, 910, 410, c.linearGradientColor(0, 55, 0, 465, 0x595959, 0x303030),
                      -1, Chart::Transparent, 0x80303030, 0x80303030);
        c.setClipping(0);
        c.xAxis()->setDateScale(x.front(), x.back());
        LineLayer *layer = c.addLineLayer2();
        layer->setFastLineMode();
        layer->setXData(DoubleArray(x.data(), points));
        layer->addDataSet(DoubleArray(y.data(), points), 0xff0000, QStringLiteral("CH1"));
        width = c.makeChart().width();
    });
    out << "fast line 1000x500, points " << points << ": median " << QString::number(ms, 'f', 2)
        << " ms (limit " << limitMs << " ms, image width " << width << ")\n";
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QTextStream out(stdout);

    fastLine(out, 1000000, 21, 10);
    fastLine(out, 10000000, 7, 80);

    const double newest = Chart::chartTime(2026, 3, 14, 15, 9, 26);
    const DemoCharts::LiveSeries s1 = DemoCharts::makeLiveSeries(newest, 1000, 37);
    const DemoCharts::LiveSeries s2 = DemoCharts::makeLiveSeries(newest, 1000, 0);
    const double liveMs = medianMs(51, [&] {
        std::unique_ptr<XYChart> a(
            LiveChart::build(690, 260, s1.times, s1.values, 1000, QStringLiteral("CH1"), 0xff0000));
        std::unique_ptr<XYChart> b(
            LiveChart::build(690, 260, s2.times, s2.values, 1000, QStringLiteral("CH2"), 0x00cc00));
        LiveChart::drawTrackCursor(a.get(), 635, 1000);
        LiveChart::drawTrackCursor(b.get(), 635, 1000);
        a->makeChart();
        b->makeChart();
    });
    out << "live charts (two, 690x260), points 240: median " << QString::number(liveMs, 'f', 3)
        << " ms (limit 2 ms)\n";

    std::unique_ptr<XYChart> live(
        LiveChart::build(690, 260, s1.times, s1.values, 1000, QStringLiteral("CH1"), 0xff0000));
    live->makeChart();
    int mouseX = 50;
    const double moveMs = medianMs(101, [&] {
        mouseX = mouseX >= 600 ? 50 : mouseX + 7;
        LiveChart::drawTrackCursor(live.get(), mouseX, 1000);
        live->makeChart();
    });
    out << "track cursor redraw (dynamic layer only), points 240: median "
        << QString::number(moveMs, 'f', 3) << " ms (limit 1 ms)\n";

    // The same through the viewer widget: a handled mouse move whose handler
    // redraws the cursor and refreshes the display, as the chart panel does.
    QChartViewer viewer;
    viewer.setChart(live.get());
    QObject::connect(&viewer, &QChartViewer::mouseMovePlotArea, &viewer, [&] {
        LiveChart::drawTrackCursor(live.get(), viewer.plotAreaMouseX(), 1000);
        viewer.refreshDisplay();
    });
    int handled = 0;
    QObject::connect(&viewer, &QChartViewer::mouseMoveChart, &viewer, [&] { ++handled; });
    std::vector<double> times;
    for (int i = 0; i < 101; ++i) {
        // The viewer defers moves closer than 10 ms apart; space them out untimed.
        QThread::msleep(11);
        mouseX = mouseX >= 600 ? 50 : mouseX + 7;
        const QPointF pos(mouseX, 120);
        QMouseEvent e(QEvent::MouseMove, pos, pos, pos, Qt::NoButton, Qt::NoButton, Qt::NoModifier);
        QElapsedTimer timer;
        timer.start();
        QApplication::sendEvent(&viewer, &e);
        times.push_back(timer.nsecsElapsed() / 1e6);
    }
    std::sort(times.begin(), times.end());
    out << "viewer mouse move with track cursor, points 240: median "
        << QString::number(times[times.size() / 2], 'f', 3) << " ms (limit 1 ms, " << handled
        << " of 101 moves handled)\n";
    return 0;
}
