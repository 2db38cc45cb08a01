// Forwards one spool to a server until killed, as the recorder's forwarder
// does; with --exit-when-done it ends (status 0) once the server holds every
// reading. For the tests that kill a forwarding process.
//
// moravin-forward-spool CONNECTION SPOOL STORE_ID [--batch N] [--exit-when-done]

#include "store/Forwarder.h"

#include <QCoreApplication>
#include <QStringList>
#include <QTextStream>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    const bool exitWhenDone = args.removeAll(QStringLiteral("--exit-when-done")) > 0;
    int batch = 5000;
    const int b = args.indexOf(QStringLiteral("--batch"));
    if (b >= 0 && b + 1 < args.size()) {
        batch = args.at(b + 1).toInt();
        args.removeAt(b + 1);
        args.removeAt(b);
    }
    if (args.size() != 3 || batch <= 0) {
        QTextStream(stderr) << "usage: moravin-forward-spool CONNECTION SPOOL STORE_ID "
                               "[--batch N] [--exit-when-done]\n";
        return 2;
    }
    ForwarderSettings settings;
    settings.connection = args.at(0);
    settings.spoolPath = args.at(1);
    settings.storeId = QUuid::fromString(args.at(2));
    settings.projectName = QStringLiteral("killed");
    settings.batchRows = batch;
    settings.pollMs = 50;
    settings.firstRetryMs = 100;
    settings.longestRetryMs = 1000;
    Forwarder forwarder(settings);
    QObject::connect(&forwarder, &Forwarder::problem,
                     [](const QString &message) { QTextStream(stderr) << message << '\n'; });
    if (exitWhenDone)
        QObject::connect(&forwarder, &Forwarder::waitingChanged, &app, [&](qint64 waiting) {
            if (waiting == 0 && forwarder.state() == Forwarder::State::Connected)
                app.quit();
        });
    forwarder.start();
    return app.exec();
}
