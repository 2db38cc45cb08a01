// Fills project databases as recorders write them, without a GUI: for trying
// the forwarder by hand or from a script.
//
// moravin-spool-load DIR SPOOLS RATE SECONDS
//   writes DIR/recorder<i>.dat, RATE readings per second over SPOOLS spools
//   (16 devices each), a flush every 1.5 s, for SECONDS seconds.

#include "SpoolLoad.h"

#include <QCoreApplication>
#include <QDir>

#include <atomic>
#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 5) {
        fprintf(stderr, "usage: moravin-spool-load DIR SPOOLS RATE SECONDS\n");
        return 2;
    }
    QStringList paths;
    for (int i = 0; i < args.at(2).toInt(); ++i)
        paths << QDir(args.at(1)).filePath(QStringLiteral("recorder%1.dat").arg(i));
    SpoolLoad load(paths);
    QString error;
    std::atomic_bool stop{false};
    if (!QDir().mkpath(args.at(1)) || !load.open(&error) ||
        !load.run(args.at(3).toDouble(), args.at(4).toDouble(), 1500, stop, &error)) {
        fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    printf("%lld readings written\n", static_cast<long long>(load.written()));
    return 0;
}
