#include "SignalWatcher.h"
#include "Simulator.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("moravin-simulator"));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Simulates Kelvantis devices on pseudo-terminals and loopback sockets."));
    parser.addHelpOption();
    const QCommandLineOption usb(QStringLiteral("usb"),
                                 QStringLiteral("A USB device with this serial number."),
                                 QStringLiteral("serial"));
    const QCommandLineOption lan(
        QStringLiteral("lan"),
        QStringLiteral("A LAN device on a 127.x address: address[:port][/MAC]."),
        QStringLiteral("device"));
    const QCommandLineOption announce(
        QStringLiteral("announce"),
        QStringLiteral("File announcing the USB ports (default: $MORAVIN_SIMULATED_PORTS)."),
        QStringLiteral("file"));
    const QCommandLineOption discovery(
        QStringLiteral("discovery"),
        QStringLiteral("Discovery responder address:port, or \"none\"."),
        QStringLiteral("address:port"), QStringLiteral("127.0.0.255:50000"));
    const QCommandLineOption duration(QStringLiteral("duration"),
                                      QStringLiteral("Stop after this many seconds."),
                                      QStringLiteral("seconds"), QStringLiteral("3600"));
    const QCommandLineOption events(QStringLiteral("events"),
                                    QStringLiteral("Print every command received."));
    const QCommandLineOption quitOnEof(QStringLiteral("quit-on-eof"),
                                       QStringLiteral("Stop when standard input closes."));
    const QCommandLineOption seed(QStringLiteral("seed"),
                                  QStringLiteral("Seed of the reading noise."), QStringLiteral("n"),
                                  QStringLiteral("1"));
    parser.addOptions({usb, lan, announce, discovery, duration, events, quitOnEof, seed});
    parser.process(app);

    Simulator::Options options;
    options.usbSerials = parser.values(usb);
    options.lanDevices = parser.values(lan);
    options.announceFile = parser.isSet(announce) ? parser.value(announce)
                                                  : qEnvironmentVariable("MORAVIN_SIMULATED_PORTS");
    options.discovery =
        parser.value(discovery) == QLatin1String("none") ? QString() : parser.value(discovery);
    bool ok = false;
    options.durationSeconds = parser.value(duration).toInt(&ok);
    if (!ok || options.durationSeconds <= 0 || options.durationSeconds > 7 * 24 * 3600) {
        std::fputs("moravin-simulator: --duration must be 1 .. 604800 seconds\n", stderr);
        return 2;
    }
    options.events = parser.isSet(events);
    options.quitOnEof = parser.isSet(quitOnEof);
    options.seed = parser.value(seed).toUInt();

    Simulator simulator;
    SignalWatcher watcher;
    if (!watcher.install()) {
        std::fputs("moravin-simulator: cannot watch SIGINT/SIGTERM\n", stderr);
        return 1;
    }
    QObject::connect(&watcher, &SignalWatcher::stopRequested, &app, &QCoreApplication::quit);
    QString error;
    if (!simulator.start(options, &error)) {
        std::fprintf(stderr, "moravin-simulator: %s\n", qPrintable(error));
        simulator.stop();
        return 1;
    }
    const int result = app.exec();
    simulator.stop();
    return result;
}
