// The viewer's speed and memory figures on a benchmark database, each beside
// its anchor and the ratio: chart generation for one day and for the whole
// recording against sqlite3 reading the same rows, peak memory, drawing,
// mouse move, scroll step, the engine's 1,000,000-point line against
// QCustomPlot, CSV export against sqlite3 -csv, and the start of the program.
// Usage: trendora_bench [file.dat]
// The database defaults to the cache folder (BenchDatabase) and is made when
// missing (BenchDatabase::monthPath() for the month of sixteen devices); the
// project file is written beside it.
#include "Axis.h"
#include "BenchDatabase.h"
#include "Chart.h"
#include "CsvFormat.h"
#include "GenerateLinearQueries.h"
#include "LineLayer.h"
#include "QChartViewer.h"
#include "Trendora.h"
#include "ViewPortManager.h"
#include "ViewerChart.h"
#include "XYChart.h"

#include "companion/CompanionChannel.h"
#include "core/CompanionProjectReader.h"
#include "store/ReadingsDatabase.h"
#include "store/ReadingsRange.h"

#include <QApplication>
#include <QDateTimeEdit>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QListWidget>
#include <QMouseEvent>
#include <QProcess>
#include <QScrollBar>
#include <QTextStream>
#include <QThread>
#include <QWindow>

#include <algorithm>
#include <cmath>
#include <functional>
#include <memory>
#include <vector>

namespace {

QTextStream out(stdout);

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

double medianMs(int runs, const std::function<void()> &work)
{
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer t;
        t.start();
        work();
        times.push_back(t.nsecsElapsed() / 1e6);
    }
    return median(times);
}

double runMs(const QString &program, const QStringList &args, const QString &outputFile = QString())
{
    QProcess p;
    p.setStandardOutputFile(outputFile.isEmpty() ? QProcess::nullDevice() : outputFile);
    QElapsedTimer t;
    t.start();
    p.start(program, args);
    p.waitForFinished(600000);
    return p.exitCode() == 0 && p.exitStatus() == QProcess::NormalExit ? t.nsecsElapsed() / 1e6
                                                                       : -1;
}

long peakKb()
{
    QFile f("/proc/self/status");
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : f.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toLong();
    return -1;
}

void line(const QString &what, double value, const QString &unit, const QString &anchorName,
          double anchor, double limitRatio)
{
    out << what << ": " << QString::number(value, 'f', 2) << " " << unit;
    if (anchor > 0) {
        const double ratio = value / anchor;
        out << " | " << anchorName << ": " << QString::number(anchor, 'f', 2) << " " << unit
            << " | ratio " << QString::number(ratio, 'f', 2) << " (limit "
            << QString::number(limitRatio, 'f', 2) << ") "
            << (ratio <= limitRatio ? "MET" : "NOT MET");
    } else if (!anchorName.isEmpty()) {
        out << " | limit " << QString::number(limitRatio, 'f', 2) << " " << unit << " "
            << (value <= limitRatio ? "MET" : "NOT MET");
    }
    out << "\n";
    out.flush();
}

// "<what>: <ms> ms | <anchor>: <ms> ms | ratio <r>", then the limit's verdict.
void figure(const QString &what, double ms, const QString &anchorName, double anchorMs,
            const QString &limit, bool met)
{
    out << what << ": " << QString::number(ms, 'f', 1) << " ms | " << anchorName << ": "
        << QString::number(anchorMs, 'f', 1) << " ms | ratio "
        << QString::number(anchorMs > 0 ? ms / anchorMs : 0, 'f', 3) << "\n"
        << "  " << limit << ": " << (met ? "MET" : "NOT MET") << "\n";
    out.flush();
}

double engineLineMs(int points)
{
    std::vector<double> x(static_cast<size_t>(points)), y(static_cast<size_t>(points));
    for (int i = 0; i < points; ++i) {
        x[size_t(i)] = 63900000000.0 + i;
        y[size_t(i)] = 20 + 5 * std::sin(i / 50000.0) + std::sin(i * 0.7);
    }
    return medianMs(11, [&] {
        XYChart c(1000, 500, 0xffffff, Chart::Transparent);
        c.setPlotArea(55, 20, 920, 440);
        c.xAxis()->setDateScale(x.front(), x.back());
        LineLayer *layer = c.addLineLayer2();
        layer->setFastLineMode();
        layer->setXData(DoubleArray(x.data(), points));
        // As QCustomPlot is told that its keys are sorted.
        layer->setXDataSorted(true);
        layer->addDataSet(DoubleArray(y.data(), points), 0xff0000, QStringLiteral("CH1"));
        c.makeChart();
    });
}

// Child mode: start-up to the window shown, then exit.
int startupChild(const QString &project)
{
    const CompanionProjectReader::Result r = CompanionProjectReader::read({"Trendora", project});
    if (!r.ok)
        return 1;
    Trendora w(r.projectFile, r.devices);
    w.show();
    while (!w.windowHandle() || !w.windowHandle()->isExposed())
        QApplication::processEvents(QEventLoop::AllEvents, 5);
    QApplication::processEvents();
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    Q_INIT_RESOURCE(moravin);
    const QStringList args = app.arguments();
    if (args.size() == 3 && args.at(1) == "--startup-child")
        return startupChild(args.at(2));

    const QString dat = BenchDatabase::fromArguments(args);
    if (!BenchDatabase::ensure(dat))
        return 1;
    const QFileInfo info(dat);
    const QString project = BenchDatabase::writeProject(dat);
    qint64 first = 0, last = 0;
    ReadingsDatabase(dat).recordedPeriod(&first, &last);
    out << "database " << dat << " (" << QFileInfo(dat).size() / 1048576 << " MB), readings "
        << QDateTime::fromSecsSinceEpoch(first).toString("yyyy-MM-dd hh:mm:ss") << " .. "
        << QDateTime::fromSecsSinceEpoch(last).toString("yyyy-MM-dd hh:mm:ss") << "\n";

    // 1. Generation of 4 channels of 4 devices over the whole range.
    const QString range = QString(" and pointDate >= %1 and pointDate <= %2").arg(first).arg(last);
    const QString scanSql = "select serialno, pointDate, channel1 from kelvantis where serialno in "
                            "('BENCH001','BENCH002','BENCH003','BENCH004')" +
                            range;
    runMs("sqlite3", {dat, "select count(*) from kelvantis"}); // warm the page cache
    // Each generation run follows one sqlite3 scan, so that both meet the
    // same load of the machine.
    std::vector<double> scans;

    QList<CompanionChannel> channels;
    for (int n = 1; n <= 4; ++n) {
        CompanionChannel c;
        c.deviceNumber = QString("BENCH%1").arg(n, 3, 10, QLatin1Char('0'));
        c.column = "channel1";
        c.channelName = "Temperature";
        channels.append(c);
    }
    // MAKE CHART until the series are ready, on a worker as the window runs it.
    const auto generate = [&](qint64 from, qint64 to, ViewerSeries *result) {
        GenerateLinearQueries worker("bench", dat, info.absolutePath(), channels,
                                     QString::number(from), QString::number(to));
        worker.setIntervalHint(1000);
        bool ok = false;
        QObject::connect(&worker, &GenerateLinearQueries::done, [&] { ok = true; });
        QObject::connect(&worker, &GenerateLinearQueries::error,
                         [&](const QString &e) { out << "error: " << e << "\n"; });
        QElapsedTimer t;
        t.start();
        worker.start(QThread::LowPriority);
        worker.wait();
        const double ms = t.nsecsElapsed() / 1e6;
        if (result)
            *result = worker.takeResult();
        return ok ? ms : -1;
    };

    // 0. One day in the middle of the recording, against a scan of the table.
    const qint64 dayStart = first + (last - first) / 86400 / 2 * 86400;
    const QString daySql =
        "select serialno, pointDate, channel1 from kelvantis where serialno in "
        "('BENCH001','BENCH002','BENCH003','BENCH004')" +
        QString(" and pointDate >= %1 and pointDate <= %2").arg(dayStart).arg(dayStart + 86399);
    // For the machine's state beside it: sqlite3 reading the row ids the
    // range was located in, which is the least any reader of the file reads.
    ReadingsRange located;
    located.locate(ReadingsDatabase(dat), dayStart, dayStart + 86399);
    QString spanSql = daySql + " and (";
    for (int i = 0; i < located.spans().size(); ++i)
        spanSql += QString(i ? " or " : "") + QString("rowid between %1 and %2")
                                                  .arg(located.spans().at(i).first)
                                                  .arg(located.spans().at(i).last);
    spanSql += located.spans().isEmpty() ? "0)" : ")";
    std::vector<double> dayGens;
    std::vector<double> dayScans;
    std::vector<double> spanScans;
    for (int i = 0; i < 5; ++i) {
        dayScans.push_back(runMs("sqlite3", {dat, daySql}));
        spanScans.push_back(runMs("sqlite3", {dat, spanSql}));
        dayGens.push_back(generate(dayStart, dayStart + 86399, nullptr));
        if (dayGens.back() < 0)
            return 1;
    }
    out << "one day: " << QDateTime::fromSecsSinceEpoch(dayStart).toString("yyyy-MM-dd hh:mm:ss")
        << " + 86399 s (medians of 5)\n";
    figure("one day, 4 channels, MAKE CHART", median(dayGens),
           "sqlite3 scanning the table for the same rows", median(dayScans), "limit 200 ms",
           median(dayGens) <= 200);
    out << "  beside it: sqlite3 reading the same rows within the located " << located.size()
        << " row ids (" << located.spans().size()
        << " spans): " << QString::number(median(spanScans), 'f', 1) << " ms\n";

    ViewerSeries series;
    std::vector<double> gens;
    const long kbBefore = peakKb();
    for (int i = 0; i < 3; ++i) {
        scans.push_back(runMs("sqlite3", {dat, scanSql}));
        series = ViewerSeries();
        gens.push_back(generate(first, last, &series));
        if (gens.back() < 0)
            return 1;
        if (i == 0) {
            const long kb = peakKb();
            const double arraysMb = (series.x.size() * 8.0 + series.times.size() * 4.0 +
                                     series.values.size() * series.x.size() * 8.0) /
                                    1048576.0;
            out << "time points " << series.rowCount() << ", channels " << series.values.size()
                << ", result arrays " << QString::number(arraysMb, 'f', 1) << " MB\n";
            line("peak resident memory after MAKE CHART", kb / 1024.0, "MB", "", 0, 0);
            line("  peak memory limit 2 x arrays + 100 MB", 2 * arraysMb + 100, "MB", "", 0, 0);
            out << "  " << (kb / 1024.0 <= 2 * arraysMb + 100 ? "MET" : "NOT MET")
                << " (peak before generation " << kbBefore / 1024 << " MB)\n";
        }
    }
    const qint64 days = (last - first + 43200) / 86400;
    figure(QString("%1 days, 4 channels, MAKE CHART").arg(days), median(gens),
           "sqlite3 reading exactly those rows", median(scans), "limit ratio 1.5 (medians of 3)",
           median(gens) <= 1.5 * median(scans));

    // 2. Drawing, mouse move and scroll step in the window.
    const CompanionProjectReader::Result pr = CompanionProjectReader::read({"Trendora", project});
    Trendora w(pr.projectFile, pr.devices);
    w.show();
    QApplication::processEvents();
    auto *list = w.findChild<QListWidget *>("listWidget_device");
    for (int row : {0, 2, 4, 6})
        w.slotConfigSelected(list->item(row));
    auto *start = w.findChild<QDateTimeEdit *>("dateTimeEdit_start");
    start->setDateTime(start->minimumDateTime());
    QEventLoop loop;
    QObject::connect(&w, &Trendora::chartReady, &loop, &QEventLoop::quit);
    QElapsedTimer t;
    t.start();
    w.slotView();
    loop.exec();
    line("MAKE CHART through the window, to the first chart shown", t.nsecsElapsed() / 1e6, "ms",
         "", 0, 0);
    series = w.series();
    QChartViewer *v = w.chartViewer();
    ViewPortManager *vp = v->viewPortManager();
    const QSize size = w.findChild<QWidget *>("frame_chart")->size();

    vp->setViewPortLeft(0);
    vp->setViewPortWidth(1);
    const double drawMs = medianMs(7, [&] {
        std::unique_ptr<XYChart> c(ViewerChart::build(size.width(), size.height(), series, vp));
        c->makeChart();
    });
    line(QString("draw whole range, %1 points, %2x%3")
             .arg(series.rowCount() * 4)
             .arg(size.width())
             .arg(size.height()),
         drawMs, "ms", "limit", 0, 40);
    v->requestViewPortUpdate(true, false);
    QThread::msleep(30);
    QApplication::processEvents();

    std::vector<double> moves;
    int x = vp->getPlotAreaLeft() + 10;
    for (int i = 0; i < 101; ++i) {
        QThread::msleep(11);
        x = x > vp->getPlotAreaLeft() + vp->getPlotAreaWidth() - 20 ? vp->getPlotAreaLeft() + 10
                                                                    : x + 7;
        const QPointF pos(x, vp->getPlotAreaTop() + 100);
        QMouseEvent e(QEvent::MouseMove, pos, pos, pos, Qt::NoButton, Qt::NoButton, Qt::NoModifier);
        QElapsedTimer m;
        m.start();
        QApplication::sendEvent(v, &e);
        moves.push_back(m.nsecsElapsed() / 1e6);
    }
    line("mouse move with track cursor, whole range (median of 101)", median(moves), "ms", "limit",
         0, 3);

    // Scroll steps at the initial zoom (newest fifth).
    vp->setViewPortWidth(0.2);
    vp->setViewPortLeft(0.4);
    v->requestViewPortUpdate(true, false);
    QThread::msleep(30);
    QApplication::processEvents();
    auto *bar = w.findChild<QScrollBar *>("horizontalScrollBar");
    std::vector<double> steps;
    for (int i = 0; i < 21; ++i) {
        QThread::msleep(25); // past the viewer's update interval
        QApplication::processEvents();
        QElapsedTimer s;
        s.start();
        bar->setValue(bar->value() + bar->singleStep());
        steps.push_back(s.nsecsElapsed() / 1e6);
    }
    line(QString("scroll step at width 0.2 (%1 points, median of 21)")
             .arg(series.rowCount() / 5 * 4),
         median(steps), "ms", "limit", 0, 20);

    // 3. One line of 1,000,000 points at 1000 x 500 against QCustomPlot.
    const double engine = engineLineMs(1000000);
    double qcp = -1;
    const QString qcpProgram = QCoreApplication::applicationDirPath() + "/qcustomplot_line_bench";
    if (QFileInfo(qcpProgram).isExecutable()) {
        QProcess p;
        p.start(qcpProgram, {"1000000", "11"});
        p.waitForFinished(300000);
        const QList<QByteArray> parts = p.readAllStandardOutput().trimmed().split(' ');
        if (parts.size() == 3)
            qcp = parts.at(2).toDouble();
    }
    if (qcp > 0)
        line("chart engine, one line of 1,000,000 points at 1000x500", engine, "ms",
             "QCustomPlot (adaptive sampling)", qcp, 0.5);
    else
        line("chart engine, one line of 1,000,000 points at 1000x500 (QCustomPlot not built)",
             engine, "ms", "", 0, 0);

    // 4. CSV export of the aligned time points.
    const QString csv = info.absolutePath() + "/bench-export.csv";
    const QString sqlCsv = info.absolutePath() + "/bench-sqlite.csv";
    std::vector<double> csvs;
    for (int i = 0; i < 3; ++i) {
        QFile f(csv);
        f.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text);
        QElapsedTimer c;
        c.start();
        CsvFormat::write(f, series);
        f.close();
        csvs.push_back(c.nsecsElapsed() / 1e6);
    }
    std::vector<double> sqlCsvs;
    const QString csvSql =
        QString("select pointDate, channel1, channel2, channel1, channel2 from kelvantis"
                " where serialno = 'BENCH001' limit %1")
            .arg(series.rowCount());
    for (int i = 0; i < 3; ++i)
        sqlCsvs.push_back(runMs("sqlite3", {"-csv", dat, csvSql}, sqlCsv));
    line(QString("CSV export, %1 lines x 5 fields (median of 3)").arg(series.rowCount()),
         median(csvs), "ms", "sqlite3 -csv, same lines and fields", median(sqlCsvs), 0.5);
    QFile::remove(csv);
    QFile::remove(sqlCsv);

    // 5. Program start to the window shown (child process, whole process life).
    std::vector<double> starts;
    for (int i = 0; i < 5; ++i)
        starts.push_back(
            runMs(QCoreApplication::applicationFilePath(), {"--startup-child", project}));
    line("start to window shown (process start to exit after exposure, median of 5)",
         median(starts), "ms", "limit", 0, 500);
    return 0;
}
