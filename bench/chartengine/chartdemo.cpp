// Renders the recorder's live chart and the viewer's chart, each with a track
// cursor, to PNG files for a visual check: chartdemo [output directory].
#include "Chart.h"
#include "DemoCharts.h"
#include "PlotArea.h"
#include "XYChart.h"

#include <QDir>
#include <QGuiApplication>
#include <QTextStream>

#include <memory>

int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    const QString dir = app.arguments().value(1, QStringLiteral("."));
    QDir().mkpath(dir);
    QTextStream out(stdout);

    const double newest = Chart::chartTime(2026, 3, 14, 15, 9, 26);
    const DemoCharts::LiveSeries live = DemoCharts::makeLiveSeries(newest, 1000, 37);
    std::unique_ptr<XYChart> ch1(
        DemoCharts::buildLiveChart(690, 260, live, 1000, QStringLiteral("CH1"), 0xff0000));
    DemoCharts::drawLiveTrackCursor(ch1.get(), 420, 1000);
    const QString liveFile = dir + QStringLiteral("/recorder-live-chart.png");
    out << (ch1->makeChart(liveFile) ? "wrote " : "FAILED ") << liveFile << '\n';

    // The cursor on a missing reading: a gap in the line, "N/A" in the legend, no dot.
    std::unique_ptr<XYChart> gap(
        DemoCharts::buildLiveChart(690, 260, live, 1000, QStringLiteral("CH2"), 0x00cc00));
    DemoCharts::drawLiveTrackCursor(gap.get(), gap->getXCoor(live.times[36 + 37 * 3]), 1000);
    const QString gapFile = dir + QStringLiteral("/recorder-live-chart-missing.png");
    out << (gap->makeChart(gapFile) ? "wrote " : "FAILED ") << gapFile << '\n';

    DemoCharts::LiveSeries none = DemoCharts::makeLiveSeries(0, 300000, 0);
    std::fill(std::begin(none.times), std::end(none.times), Chart::NoValue);
    std::fill(std::begin(none.values), std::end(none.values), Chart::NoValue);
    std::unique_ptr<XYChart> ch2(
        DemoCharts::buildLiveChart(690, 260, none, 300000, QStringLiteral("CH2"), 0x00cc00));
    DemoCharts::drawLiveTrackCursor(ch2.get(), ch2->getPlotArea()->getRightX(), 300000);
    const QString emptyFile = dir + QStringLiteral("/recorder-empty-chart.png");
    out << (ch2->makeChart(emptyFile) ? "wrote " : "FAILED ") << emptyFile << '\n';

    const DemoCharts::ViewerData data =
        DemoCharts::makeViewerData(20000, Chart::chartTime(2025, 12, 20, 0, 0, 0), 60);
    const struct
    {
        const char *name;
        double left;
        double width;
    } views[] = {{"viewer-chart-hours", 0.8, 0.01},
                 {"viewer-chart-days", 0.5, 0.5},
                 {"viewer-chart-full", 0, 1}};
    for (const auto &v : views) {
        std::unique_ptr<XYChart> c(DemoCharts::buildViewerChart(1060, 480, data, v.left, v.width));
        DemoCharts::drawViewerTrackCursor(c.get(), 600);
        const QString file =
            dir + QLatin1Char('/') + QLatin1String(v.name) + QStringLiteral(".png");
        out << (c->makeChart(file) ? "wrote " : "FAILED ") << file << '\n';
    }
    return 0;
}
