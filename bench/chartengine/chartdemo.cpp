// Renders the recorder's live chart with its track cursor to PNG files for a
// visual check: chartdemo [output directory]. The viewer has its own
// screenshot driver.
#include "Chart.h"
#include "DemoCharts.h"
#include "PlotArea.h"
#include "XYChart.h"
#include "display/LiveChart.h"

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
        LiveChart::build(690, 260, live.times, live.values, 1000, QStringLiteral("CH1"), 0xff0000));
    LiveChart::drawTrackCursor(ch1.get(), 420, 1000);
    const QString liveFile = dir + QStringLiteral("/recorder-live-chart.png");
    out << (ch1->makeChart(liveFile) ? "wrote " : "FAILED ") << liveFile << '\n';

    // The cursor on a missing reading: a gap in the line, "N/A" in the legend, no dot.
    std::unique_ptr<XYChart> gap(
        LiveChart::build(690, 260, live.times, live.values, 1000, QStringLiteral("CH2"), 0x00cc00));
    LiveChart::drawTrackCursor(gap.get(), gap->getXCoor(live.times[36 + 37 * 3]), 1000);
    const QString gapFile = dir + QStringLiteral("/recorder-live-chart-missing.png");
    out << (gap->makeChart(gapFile) ? "wrote " : "FAILED ") << gapFile << '\n';

    DemoCharts::LiveSeries none = DemoCharts::makeLiveSeries(0, 300000, 0);
    std::fill(std::begin(none.times), std::end(none.times), Chart::NoValue);
    std::fill(std::begin(none.values), std::end(none.values), Chart::NoValue);
    std::unique_ptr<XYChart> ch2(LiveChart::build(690, 260, none.times, none.values, 300000,
                                                  QStringLiteral("CH2"), 0x00cc00));
    LiveChart::drawTrackCursor(ch2.get(), ch2->getPlotArea()->getRightX(), 300000);
    const QString emptyFile = dir + QStringLiteral("/recorder-empty-chart.png");
    out << (ch2->makeChart(emptyFile) ? "wrote " : "FAILED ") << emptyFile << '\n';

    return 0;
}
