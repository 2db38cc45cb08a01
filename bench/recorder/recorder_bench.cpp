// The recorder at work: 16 simulated devices (8 USB on pseudo-terminals, 8 LAN
// on loopback) polled every second and recorded, with the dashboard shown.
// The event log is on, as always. Prints the recorder's CPU share and peak
// resident memory beside their limits, the events stored, and compares the
// rows the simulator answered with the rows stored. With --flapping every
// channel crosses its alarm limit on every poll.
//
// Usage: recorder_bench [--seconds N] [--flapping] [--mqtt] [--forward]   (600 s by default)
// --mqtt: every reading is also published to a loopback mosquitto, and a
// 60 s broker outage comes before the measured run.
// --forward: the project names a PostgreSQL server of the run's own.
#include "MoravinMain.h"
#include "MqttBench.h"
#include "PostgresServer.h"
#include "SimulatorProcess.h"
#include "core/ProjectFile.h"
#include "device/UsbPortDetector.h"
#include "store/ServerSettings.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QLoggingCategory>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>
#include <sys/resource.h>

namespace {

constexpr int UsbDevices = 8;
constexpr int LanDevices = 8;

double cpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

double peakResidentMb()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024.0;
}

void wait(int milliseconds)
{
    QEventLoop loop;
    QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
    loop.exec();
}

struct Stored
{
    qint64 readings = 0;
    qint64 gaps = 0;
    qint64 events = 0;
    qint64 alarmRepeats = 0;
};

Stored storedRows(const QString &path)
{
    Stored s;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), "bench");
        db.setDatabaseName(path);
        if (db.open()) {
            QSqlQuery q(db);
            q.exec(QStringLiteral("select count(*), sum(channel1 is null and channel2 is null) "
                                  "from kelvantis"));
            if (q.next()) {
                s.gaps = q.value(1).toLongLong();
                s.readings = q.value(0).toLongLong() - s.gaps;
            }
            q.exec(QStringLiteral("select count(*), sum(case when kind = 'alarm_end' then "
                                  "repeats else 0 end) from events"));
            if (q.next()) {
                s.events = q.value(0).toLongLong();
                s.alarmRepeats = q.value(1).toLongLong();
            }
        }
    }
    QSqlDatabase::removeDatabase(QStringLiteral("bench"));
    return s;
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM",
            qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    // Nothing of the run may leave loopback.
    qputenv("MORAVIN_DISCOVERY_ADDRESS", "127.0.0.1");
    QLoggingCategory::setFilterRules(QStringLiteral("moravin.*.debug=false"));
    QApplication app(argc, argv);
    Q_INIT_RESOURCE(moravin);

    int seconds = 600;
    const QStringList args = app.arguments();
    const int at = args.indexOf(QStringLiteral("--seconds"));
    if (at > 0 && at + 1 < args.size())
        seconds = args.at(at + 1).toInt();
    const bool flapping = args.contains(QStringLiteral("--flapping"));
    if (seconds < 5 || seconds > 24 * 3600) {
        std::fprintf(stderr,
                     "usage: recorder_bench [--seconds N] [--flapping] [--mqtt] [--forward], "
                     "N from 5 to 86400\n");
        return 2;
    }
    const bool mqtt = args.contains(QStringLiteral("--mqtt"));
    if (qEnvironmentVariableIsEmpty("MORAVIN_TEST_BINARY_DIR"))
        qputenv("MORAVIN_TEST_BINARY_DIR",
                QDir(app.applicationDirPath() + QStringLiteral("/../..")).absolutePath().toUtf8());

    QTemporaryDir dir;
    const QString announce = dir.filePath(QStringLiteral("ports"));
    qputenv(UsbPortDetector::AnnounceVariable, announce.toUtf8());
    QStringList simArgs{QStringLiteral("--announce"),  announce,
                        QStringLiteral("--discovery"), QStringLiteral("none"),
                        QStringLiteral("--duration"),  QString::number(seconds + 120)};
    QStringList serials;
    for (int i = 0; i < UsbDevices; ++i) {
        serials << QStringLiteral("BENCHU%1").arg(i);
        simArgs << QStringLiteral("--usb") << serials.last();
    }
    for (int i = 0; i < LanDevices; ++i)
        simArgs << QStringLiteral("--lan") << QStringLiteral("127.0.7.%1:0").arg(i + 1);
    SimulatorProcess simulator;
    if (!simulator.start(simArgs)) {
        std::fprintf(stderr, "recorder_bench: cannot start %s\n",
                     qPrintable(SimulatorProcess::binaryPath()));
        return 1;
    }

    QList<DeviceSettings> devices;
    QStringList ids = serials;
    for (const QString &serial : serials) {
        DeviceSettings d;
        d.deviceNumber = serial;
        d.deviceInterface = DeviceSettings::Usb;
        d.interfaceAddress = simulator.usbPort(serial);
        devices << d;
    }
    for (int i = 0; i < LanDevices; ++i) {
        const SimulatorProcess::Lan lan = simulator.lan(i);
        DeviceSettings d;
        d.deviceNumber = lan.mac;
        d.deviceInterface = DeviceSettings::Lan;
        d.interfaceAddress = lan.address;
        d.tcpPort = lan.port;
        devices << d;
        ids << lan.mac;
    }
    // Limits the simulated values stay within, and that flapping ones cross.
    for (DeviceSettings &d : devices) {
        d.ch1Min = -20;
        d.ch1Max = 40;
        d.ch2Min = 10;
        d.ch2Max = 90;
    }
    if (flapping) {
        for (const QString &id : qAsConst(ids))
            simulator.command(QStringLiteral("fault %1 flap").arg(id));
    }
    const QString project = dir.filePath(QStringLiteral("Bench.qpj"));
    ProjectFile(project).writeHeader(QStringLiteral("Bench"), 1000, QStringLiteral("Bench.dat"));
    ProjectFile(project).saveDeviceList(devices);
    MqttBench mqttBench;
    if (mqtt && !mqttBench.start(project))
        return 1;
    // --forward: the project names a server of the run's own (a Unix socket),
    // so that the recorder forwards as well; its limit is then 2.5 %.
    PostgresServer server;
    const bool forwarding = args.contains(QStringLiteral("--forward"));
    if (forwarding) {
        QString error;
        ServerSettings site;
        const bool up = server.setUp(&error);
        site.connection = server.connectionString();
        if (!up || !ServerSettings::write(project, site, &error)) {
            std::fprintf(stderr, "recorder_bench: %s\n", qPrintable(error));
            return 1;
        }
    }

    MoravinMain window;
    window.show();
    window.projectLoaded(project);
    wait(3000);

    // Requests in flight at the edges would blur the count: polling pauses
    // while the counters are read.
    auto requests = [&] {
        qint64 total = 0;
        for (const QString &id : qAsConst(ids))
            total += simulator.stat(id, QStringLiteral("requests"));
        return total;
    };
    window.session()->pollTimer()->stop();
    wait(500);
    const qint64 before = requests();
    window.slotStartRecord();
    window.session()->pollTimer()->start(1000);
    const MqttBench::Outage outage =
        mqtt ? mqttBench.outage(window.notifications(), cpuSeconds) : MqttBench::Outage{};

    const double cpuStart = cpuSeconds();
    QElapsedTimer wall;
    wall.start();
    wait(seconds * 1000);
    window.session()->pollTimer()->stop();
    const double cpu = cpuSeconds() - cpuStart;
    const double elapsed = wall.elapsed() / 1000.0;
    wait(500);
    const qint64 answered = requests() - before;
    window.slotStopRecord();
    const double peak = peakResidentMb();
    // The close writes what the stop left, the alarm ends among it.
    window.slotCloseProject();
    while (window.session()->isClosing())
        wait(100);
    const Stored stored = storedRows(dir.filePath(QStringLiteral("Bench.dat")));

    const double cpuLimit = flapping ? 3.0 : 2.0;
    const double share = 100.0 * cpu / elapsed;
    std::printf("recorder_bench: %d devices (%d USB, %d LAN) at 1 s, recording, dashboard shown, "
                "event log on%s\n",
                UsbDevices + LanDevices, UsbDevices, LanDevices,
                flapping ? ", all 32 channels flapping across their limits" : "");
    std::printf("  duration        %8.1f s\n", elapsed);
    std::printf("  CPU share       %8.2f %% of one core   (limit %.0f %%, ratio %.2f)\n", share,
                cpuLimit, share / cpuLimit);
    std::printf("  peak RSS        %8.1f MB               (limit 100 MB, ratio %.2f)\n", peak,
                peak / 100.0);
    std::printf("  events stored   %8lld   (alarm repeats merged: %lld)\n",
                static_cast<long long>(stored.events), static_cast<long long>(stored.alarmRepeats));
    std::printf("  rows answered   %8lld\n", static_cast<long long>(answered));
    std::printf("  rows stored     %8lld   (+ %lld gap rows)\n",
                static_cast<long long>(stored.readings), static_cast<long long>(stored.gaps));
    std::printf("  difference      %8lld\n", static_cast<long long>(answered - stored.readings));
    if (mqtt)
        mqttBench.print(outage, 100.0 * cpu / elapsed, peak);
    if (forwarding)
        std::printf(
            "  forwarded       %8s   (CPU limit 2.5 %% with forwarding)\n",
            qPrintable(server.query(QStringLiteral("select count(*) from moravin_readings"))));
    return 0;
}
