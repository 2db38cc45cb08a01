// The viewer's chart shows what was recorded: every channel joined from
// reading to reading, broken at nulls, at outages and across the hour that
// does not exist when the clocks go forward; labels under a minute apart
// show seconds; legends name channel and device. Runs in a zone with
// daylight saving (CMake sets TZ).
#include "Axis.h"
#include "Chart.h"
#include "DataSet.h"
#include "GenerateLinearQueries.h"
#include "Layer.h"
#include "LineLayer.h"
#include "PlotArea.h"
#include "SeriesAlignment.h"
#include "TestProject.h"
#include "ViewPortManager.h"
#include "ViewerChart.h"
#include "ViewerSeries.h"
#include "XYChart.h"
#include "core/NoValue.h"

#include <QTemporaryDir>
#include <QtTest>

#include <functional>
#include <memory>

namespace {

// Local wall-clock time of the test's zone as Unix seconds.
qint64 local(const char *text)
{
    return QDateTime::fromString(QString::fromLatin1(text), "yyyy-MM-dd hh:mm:ss")
        .toSecsSinceEpoch();
}

DeviceRows rowsOf(const std::vector<qint64> &times, const std::function<double(qint64)> &value)
{
    DeviceRows r;
    for (qint64 t : times) {
        r.times.push_back(quint32(t));
        r.values[0].push_back(value(t));
    }
    return r;
}

std::vector<qint64> every(qint64 from, qint64 to, qint64 step)
{
    std::vector<qint64> t;
    for (qint64 s = from; s <= to; s += step)
        t.push_back(s);
    return t;
}

// What the worker makes of aligned rows.
ViewerSeries seriesOf(const std::vector<DeviceRows> &devices, int channels, int intervalMs)
{
    std::vector<ChannelRef> refs;
    for (int c = 0; c < channels; ++c)
        refs.push_back({c, 0});
    const AlignedSeries a = alignSeries(devices, refs);
    ViewerSeries s;
    s.times = a.times;
    s.values = a.values;
    auto map = std::make_shared<LocalTimeMap>(a.times.first(), a.times.last());
    s.timeMap = map;
    for (quint32 t : a.times)
        s.x.append(map->chartTime(t));
    for (int c = 0; c < channels; ++c)
        s.legends << QString("Channel %1 [Device %1]").arg(c + 1);
    s.makeLines(a.points, intervalMs);
    return s;
}

struct Drawn
{
    std::unique_ptr<XYChart> chart;
    QImage image;
};

Drawn draw(const ViewerSeries &s, ViewPortManager &vp)
{
    Drawn d;
    d.chart.reset(ViewerChart::build(900, 400, s, &vp));
    d.image = d.chart->makeChart();
    return d;
}

Drawn drawWhole(const ViewerSeries &s, ViewPortManager &vp)
{
    vp.setFullRange("x", s.x.first(), s.x.last());
    vp.setViewPortWidth(1);
    vp.setViewPortLeft(0);
    return draw(s, vp);
}

// Pixels of one line colour (red 0xff0000 or green 0x00cc00) in the plot
// area between two chart times.
int colourBetween(const Drawn &d, double from, double to, bool green)
{
    const PlotArea *plot = d.chart->getPlotArea();
    int n = 0;
    for (int x = d.chart->getXCoor(from); x <= d.chart->getXCoor(to); ++x)
        for (int y = plot->getTopY(); y <= plot->getBottomY(); ++y) {
            const QRgb c = d.image.pixel(x, y);
            const int main = green ? qGreen(c) : qRed(c);
            const int other = green ? qMax(qRed(c), qBlue(c)) : qMax(qGreen(c), qBlue(c));
            if (main > 140 && other < 90)
                ++n;
        }
    return n;
}

} // namespace

class TestViewerLines : public QObject
{
    Q_OBJECT
private:
    QTemporaryDir m_dir;

private slots:
    void aSlowerChannelIsJoinedReadingToReading()
    {
        // 10 s beside 1 s, the slow device's readings 5 s off the fast one's.
        const qint64 t0 = local("2026-01-10 12:00:00");
        const ViewerSeries s =
            seriesOf({rowsOf(every(t0, t0 + 600, 1), [](qint64 t) { return 20 + t % 3; }),
                      rowsOf(every(t0 + 5, t0 + 595, 10), [](qint64 t) { return 10 + t % 7; })},
                     2, 1000);
        QCOMPARE(s.rowCount(), 601);
        QCOMPARE(s.lines.size(), 2);
        QCOMPARE(s.lines[1].x.size(), 60);
        QCOMPARE(s.lines[1].x[1] - s.lines[1].x[0], 10.0);
        QVERIFY(s.lines[1].breaks.isEmpty());
        QVERIFY(!s.lines[1].values.contains(NoValue));
        // The fast channel reads between every two of the slow one's.
        QCOMPARE(s.lines[0].x.size(), 601);
        QVERIFY(s.lines[0].breaks.isEmpty());

        ViewPortManager vp;
        const Drawn d = drawWhole(s, vp);
        QCOMPARE(d.chart->getLayerCount(), 2);
        QCOMPARE(d.chart->getLayer(1)->getDataSet(0)->getDataName(),
                 QStringLiteral("Channel 2 [Device 2]"));
        // Green line all along the slow channel's span.
        const double x0 = s.lines[1].x.first();
        for (int k = 0; k < 59; k += 7) {
            const double a = s.lines[1].x[k] + 2;
            const double b = s.lines[1].x[k + 1] - 2;
            QVERIFY2(colourBetween(d, a, b, true) > 0, qPrintable(QString::number(k)));
        }
        QVERIFY(colourBetween(d, x0 - 20, x0 - 6, true) == 0);
    }

    void anOutageWithoutGapRowBreaksTheLine()
    {
        // 1 min beside 10 s in a 10 s project; the slow device is silent for
        // ten minutes, the fast one for 40 s (beyond three intervals), and it
        // stored one null.
        const qint64 t0 = local("2026-01-10 08:00:00");
        std::vector<qint64> fast = every(t0, t0 + 7200, 10);
        fast.erase(std::remove_if(fast.begin(), fast.end(),
                                  [&](qint64 t) { return t > t0 + 3000 && t < t0 + 3040; }),
                   fast.end());
        std::vector<qint64> slow = every(t0, t0 + 7200, 60);
        slow.erase(std::remove_if(slow.begin(), slow.end(),
                                  [&](qint64 t) { return t > t0 + 1800 && t < t0 + 2400; }),
                   slow.end());
        const ViewerSeries s = seriesOf(
            {rowsOf(fast, [&](qint64 t) { return t == t0 + 5000 ? NoValue : 20.0 + t % 30 / 10; }),
             rowsOf(slow, [](qint64 t) { return 24.0 + t % 180 / 60; })},
            2, 10000);
        QCOMPARE(s.lines[0].breaks.size(), 1);
        QCOMPARE(s.lines[1].breaks.size(), 1);
        const ViewerLine &slowLine = s.lines[1];
        const int at = slowLine.breaks.first();
        QCOMPARE(slowLine.x[at] - slowLine.x[at - 1], 600.0);

        ViewPortManager vp;
        const Drawn d = drawWhole(s, vp);
        const double x0 = s.x.first();
        QCOMPARE(colourBetween(d, x0 + 1830, x0 + 2370, true), 0);
        QVERIFY(colourBetween(d, x0 + 1200, x0 + 1700, true) > 0);
        QVERIFY(colourBetween(d, x0 + 2500, x0 + 3000, true) > 0);
        // A 40 s hole is a few pixels at this width: look at it closely.
        vp.setViewPortWidth(200.0 / 7200);
        vp.setViewPortLeft(2900.0 / 7200);
        const Drawn zoomed = draw(s, vp);
        QCOMPARE(colourBetween(zoomed, x0 + 3005, x0 + 3035, false), 0);
        QVERIFY(colourBetween(zoomed, x0 + 2950, x0 + 2990, false) > 0);
        QVERIFY(colourBetween(zoomed, x0 + 3050, x0 + 3090, false) > 0);
    }

    void theHourThatDoesNotExistIsNotDrawn()
    {
        // Clocks go forward at 02:00 on the last Sunday of March.
        const qint64 from = local("2026-03-29 00:00:00");
        const qint64 to = local("2026-03-29 05:00:00");
        QCOMPARE(to - from, qint64(4 * 3600));
        const ViewerSeries s = seriesOf(
            {rowsOf(every(from, to, 60), [](qint64 t) { return double(t % 600); })}, 1, 60000);
        QCOMPARE(s.lines[0].breaks.size(), 1);
        ViewPortManager vp;
        const Drawn d = drawWhole(s, vp);
        const double two = Chart::chartTime(2026, 3, 29, 2, 0, 0);
        const double three = Chart::chartTime(2026, 3, 29, 3, 0, 0);
        QCOMPARE(colourBetween(d, two + 300, three - 300, false), 0);
        QVERIFY(colourBetween(d, two - 3000, two - 300, false) > 0);
        QVERIFY(colourBetween(d, three + 300, three + 3000, false) > 0);
        // Where the clocks go back, the lived-twice hour is drawn through.
        const qint64 back = local("2026-10-25 01:00:00");
        const ViewerSeries autumn = seriesOf(
            {rowsOf(every(back, back + 4 * 3600, 60), [](qint64) { return 1.0; })}, 1, 60000);
        QVERIFY(autumn.lines[0].breaks.isEmpty());
    }

    void labelsUnderAMinuteApartShowSeconds()
    {
        const qint64 t0 = local("2026-01-10 03:57:40");
        const ViewerSeries s = seriesOf(
            {rowsOf(every(t0, t0 + 140, 1), [](qint64 t) { return double(t % 5); })}, 1, 1000);
        ViewPortManager vp;
        const Drawn d = drawWhole(s, vp);
        QStringList labels = d.chart->xAxis()->labels();
        labels.removeAll(QString());
        QVERIFY2(labels.size() >= 3, qPrintable(labels.join(' ')));
        QCOMPARE(QStringList(labels).removeDuplicates(), 0);
        QVERIFY2(labels.contains("03:58:00"), qPrintable(labels.join(' ')));
        // From a minute apart on, minutes are enough.
        vp.setFullRange("x", s.x.first() - 3 * 3600, s.x.last());
        std::unique_ptr<XYChart> wide(ViewerChart::build(900, 400, s, &vp));
        wide->layoutAxes();
        QVERIFY2(wide->xAxis()->labels().contains("03:00"),
                 qPrintable(wide->xAxis()->labels().join(' ')));
    }

    void theWorkerGivesEachChannelItsLineAndLegend()
    {
        using Row = TestProject::Row;
        const qint64 t0 = local("2026-01-10 00:00:00");
        std::vector<Row> rows;
        for (qint64 t = t0; t < t0 + 1200; ++t) {
            if (t < t0 + 500 || t >= t0 + 530)
                rows.push_back({"A", 20.0, 40.0, t});
            if ((t - t0) % 10 == 3)
                rows.push_back({"B", 5.0, {}, t});
        }
        const QString db = m_dir.filePath("lines.dat");
        QVERIFY(TestProject::makeDatabase(db, rows));
        QList<CompanionChannel> channels;
        for (const char *serial : {"A", "B"}) {
            DeviceSettings device;
            device.deviceNumber = serial;
            device.deviceName = QStringLiteral("Dev ") + serial;
            device.ch1Name = QStringLiteral("Temp ") + serial;
            channels << CompanionChannel::fromDevice(device, 1);
        }
        GenerateLinearQueries worker("t", db, m_dir.path(), channels, QString::number(t0),
                                     QString::number(t0 + 1199));
        worker.setIntervalHint(1000);
        QSignalSpy done(&worker, &GenerateLinearQueries::done);
        worker.start();
        QVERIFY(worker.wait(30000));
        QCOMPARE(done.count(), 1);
        const ViewerSeries s = worker.takeResult();
        QCOMPARE(s.lines.size(), 2);
        QCOMPARE(s.lines[0].breaks, QVector<int>{500});
        QCOMPARE(s.lines[1].x.size(), 120);
        QVERIFY(s.lines[1].breaks.isEmpty());
        QCOMPARE(s.legends, QStringList({"Temp A [Dev A]", "Temp B [Dev B]"}));
    }

    void visibleBreaksCountFromTheFirstPoint()
    {
        const QVector<int> breaks{3, 10, 20};
        QCOMPARE(ViewerChart::visibleBreaks(breaks, 0, 30), (QVector<int>{3, 10, 20}));
        QCOMPARE(ViewerChart::visibleBreaks(breaks, 10, 20), (QVector<int>{10}));
        QCOMPARE(ViewerChart::visibleBreaks(breaks, 4, 9), QVector<int>());
    }
};

QTEST_MAIN(TestViewerLines)
#include "tst_ViewerLines.moc"
