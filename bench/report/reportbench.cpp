// Usage: pagewright_bench [database] [runs (3)]
// The database defaults to the cache folder (BenchDatabase) and is made when
// missing (BenchDatabase::monthPath() for the month of sixteen devices); the
// project file is written beside it.
// Prints:
//  - MAKE REPORT to the filled page for 4 channels of 4 devices (one day),
//    beside one sqlite3 run of the same statement, and their ratio, also as
//    "one day, 4 channels, MAKE REPORT: <ms> ms | ..." with its limit;
//  - the peak resident memory;
//  - the program's start to its window shown.
#include "BenchDatabase.h"
#include "Report.h"
#include "core/CompanionProjectReader.h"

#include <QApplication>
#include <QDateTimeEdit>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QListWidget>
#include <QLoggingCategory>
#include <QProcess>
#include <QPushButton>
#include <QTimer>
#include <QWebView>

#include <sys/resource.h>

#include <algorithm>
#include <cstdio>

namespace {

void say(const QString &line)
{
    std::printf("%s\n", qPrintable(line));
    std::fflush(stdout);
}

double median(QVector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.isEmpty() ? 0 : v.at(v.size() / 2);
}

// Processor time (user + system) in seconds of this process or of its
// finished children.
double cpuSeconds(int who)
{
    rusage u{};
    getrusage(who, &u);
    return u.ru_utime.tv_sec + u.ru_stime.tv_sec + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

struct Timing
{
    double wall = -1;
    double cpu = -1;
};

// Peak resident set of this process in MB.
double peakResidentMb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    status.open(QIODevice::ReadOnly);
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toDouble() / 1024.0;
    }
    return 0;
}

// One report in a fresh window: MAKE REPORT to the filled page, in seconds.
Timing timeReport(const QString &projectFile, QString *startText, QString *endText)
{
    const auto read = CompanionProjectReader::read({"Pagewright", projectFile});
    Report report(read.projectFile, read.devices);
    report.show();
    if (!report.isFormLoaded()) {
        QEventLoop loading;
        QObject::connect(report.findChild<QWebView *>("webView"), &QWebView::loadFinished, &loading,
                         &QEventLoop::quit);
        loading.exec();
    }
    auto *list = report.findChild<QListWidget *>("listWidget_device");
    for (int row : {0, 2, 4, 6}) // channel 1 of BENCH001 to BENCH004
        report.slotConfigSelected(list->item(row));
    *startText = report.findChild<QDateTimeEdit *>("dateTimeEdit_start")
                     ->dateTime()
                     .toString("yyyy-MM-dd HH:mm:ss");
    *endText = report.findChild<QDateTimeEdit *>("dateTimeEdit_end")
                   ->dateTime()
                   .toString("yyyy-MM-dd HH:mm:ss");

    // Waits in the event loop as the program does, without polling.
    QEventLoop building;
    bool filled = false;
    QObject::connect(&report, &Report::reportFilled, &building, [&] {
        filled = true;
        building.quit();
    });
    QTimer::singleShot(600000, &building, &QEventLoop::quit);
    const double cpu = cpuSeconds(RUSAGE_SELF);
    QElapsedTimer timer;
    timer.start();
    report.findChild<QPushButton *>("btn_makeReport")->click();
    building.exec();
    if (!filled)
        return {};
    return {timer.nsecsElapsed() / 1e9, cpuSeconds(RUSAGE_SELF) - cpu};
}

// sqlite3 selecting the same rows once, output discarded, in seconds.
Timing timeSqlite(const QString &database, const QString &startText, const QString &endText)
{
    const QString format = QStringLiteral("yyyy-MM-dd HH:mm:ss");
    const QString sql =
        QStringLiteral("select pointDate, serialno, channel1, channel2 from kelvantis"
                       " where pointDate >= %1 and pointDate <= %2 and serialno in"
                       " ('BENCH001', 'BENCH002', 'BENCH003', 'BENCH004')")
            .arg(QDateTime::fromString(startText, format).toSecsSinceEpoch())
            .arg(QDateTime::fromString(endText, format).toSecsSinceEpoch());
    QProcess sqlite;
    sqlite.setStandardOutputFile(QProcess::nullDevice());
    const double cpu = cpuSeconds(RUSAGE_CHILDREN);
    QElapsedTimer timer;
    timer.start();
    sqlite.start(QStringLiteral("sqlite3"), {database, sql + QLatin1Char(';')});
    if (!sqlite.waitForFinished(600000) || sqlite.exitCode() != 0)
        return {};
    return {timer.nsecsElapsed() / 1e9, cpuSeconds(RUSAGE_CHILDREN) - cpu};
}

// The program started as the recorder starts it, until its window is shown.
QPair<double, double> timeStart(const QString &projectFile)
{
    QProcess program;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_LOGGING_RULES", "moravin.report.debug=true");
    program.setProcessEnvironment(env);
    program.setProcessChannelMode(QProcess::SeparateChannels);
    QElapsedTimer timer;
    timer.start();
    program.start(QStringLiteral(PAGEWRIGHT_PROGRAM), {"'" + projectFile + "'"});
    double shown = -1;
    double loaded = -1;
    QByteArray err;
    while ((shown < 0 || loaded < 0) && timer.elapsed() < 20000 &&
           program.state() != QProcess::NotRunning) {
        program.waitForReadyRead(50);
        err += program.readAllStandardError();
        if (shown < 0 && err.contains("window shown"))
            shown = timer.nsecsElapsed() / 1e9;
        if (loaded < 0 && err.contains("form loaded"))
            loaded = timer.nsecsElapsed() / 1e9;
    }
    program.kill();
    program.waitForFinished(5000);
    return {shown, loaded};
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QLoggingCategory::setFilterRules(QStringLiteral("moravin.*.debug=false"));
    Q_INIT_RESOURCE(moravin);
    Q_INIT_RESOURCE(report);
    const QStringList args = app.arguments();
    const QString database = BenchDatabase::fromArguments(args);
    const int runs = std::max(1, args.value(2, QStringLiteral("3")).toInt());
    if (!BenchDatabase::ensure(database)) {
        say(QStringLiteral("cannot make %1").arg(database));
        return 1;
    }
    const QString projectFile = BenchDatabase::writeProject(database);
    say(QStringLiteral("database %1 (%2 MB), platform %3")
            .arg(database)
            .arg(QFileInfo(database).size() / 1e6, 0, 'f', 0)
            .arg(QGuiApplication::platformName()));

    QString startText;
    QString endText;
    QVector<double> report;
    QVector<double> sqlite;
    QVector<double> reportCpu;
    QVector<double> sqliteCpu;
    timeSqlite(database, "2026-01-02 00:00:00", "2026-01-02 23:59:59"); // warm the page cache
    double peakAfterFirst = 0;
    for (int i = 0; i < runs; ++i) {
        const Timing r = timeReport(projectFile, &startText, &endText);
        if (i == 0)
            peakAfterFirst = peakResidentMb();
        const Timing s = timeSqlite(database, startText, endText);
        report << r.wall;
        reportCpu << r.cpu;
        sqlite << s.wall;
        sqliteCpu << s.cpu;
        say(QStringLiteral("run %1: report %2 s (processor %3 s), sqlite3 %4 s (processor %5 s)")
                .arg(i + 1)
                .arg(r.wall, 0, 'f', 3)
                .arg(r.cpu, 0, 'f', 3)
                .arg(s.wall, 0, 'f', 3)
                .arg(s.cpu, 0, 'f', 3));
    }
    say(QStringLiteral("report day %1 ~ %2, 4 channels of 4 devices").arg(startText, endText));
    say(QStringLiteral("MAKE REPORT to filled page (median of %1): %2 s")
            .arg(runs)
            .arg(median(report), 0, 'f', 3));
    say(QStringLiteral("sqlite3, same statement (median of %1): %2 s")
            .arg(runs)
            .arg(median(sqlite), 0, 'f', 3));
    say(QStringLiteral("ratio: %1 (limit 1.5); processor time ratio: %2")
            .arg(median(report) / median(sqlite), 0, 'f', 2)
            .arg(median(reportCpu) / median(sqliteCpu), 0, 'f', 2));
    say(QStringLiteral("one day, 4 channels, MAKE REPORT: %1 ms | sqlite3 scanning the table for "
                       "the same rows: %2 ms | ratio %3")
            .arg(median(report) * 1000, 0, 'f', 1)
            .arg(median(sqlite) * 1000, 0, 'f', 1)
            .arg(median(report) / median(sqlite), 0, 'f', 3));
    say(QStringLiteral("  limit 250 ms: %1").arg(median(report) <= 0.25 ? "MET" : "NOT MET"));
    say(QStringLiteral("peak resident memory: %1 MB after one report, %2 MB after all (limit 200)")
            .arg(peakAfterFirst, 0, 'f', 0)
            .arg(peakResidentMb(), 0, 'f', 0));

    QVector<double> shown;
    QVector<double> loaded;
    for (int i = 0; i < 5; ++i) {
        const auto t = timeStart(projectFile);
        shown << t.first;
        loaded << t.second;
    }
    say(QStringLiteral(
            "start to window shown (median of 5): %1 s (limit 0.5); to form loaded: %2 s")
            .arg(median(shown), 0, 'f', 3)
            .arg(median(loaded), 0, 'f', 3));
    return 0;
}
