// Writes a project file beside a recording database, as the recorder would
// have left it, for trying the viewer on a generated database.
// Usage: trendora_make_project <file.dat> [devices (8)] [prefix (BENCH)] [interval ms (1000)]
//        [TCP port of the LAN devices (23)]
// The project is <file>.qpj; devices are <prefix>001.. with two channels each.
// record_start_time and record_stop_time are taken from the database's ends.
#include "core/ProjectFile.h"
#include "store/ReadingsDatabase.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFileInfo>
#include <QTextStream>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    QTextStream err(stderr);
    if (args.size() < 2) {
        err << "usage: trendora_make_project <file.dat> [devices] [prefix] [interval ms] [LAN "
               "port]\n";
        return 2;
    }
    const QFileInfo db(args.at(1));
    const int count = args.size() > 2 ? args.at(2).toInt() : 8;
    const QString prefix = args.size() > 3 ? args.at(3) : QStringLiteral("BENCH");
    const int interval = args.size() > 4 ? args.at(4).toInt() : 1000;
    const quint16 lanPort = args.size() > 5 ? quint16(args.at(5).toUInt()) : 23;
    const QString project = db.absolutePath() + QLatin1Char('/') + db.completeBaseName() + ".qpj";

    const ProjectFile file(project);
    file.writeHeader(db.completeBaseName(), interval, db.fileName());
    QList<DeviceSettings> devices;
    const QStringList names{"Freezer", "Cold room", "Lab",    "Store",
                            "Office",  "Hall",      "Cellar", "Roof"};
    for (int i = 1; i <= count; ++i) {
        DeviceSettings d;
        d.deviceNumber = prefix + QString::number(i).rightJustified(3, QLatin1Char('0'));
        d.deviceName =
            i == 2 ? QString() : names.value((i - 1) % names.size()) + QString(" %1").arg(i);
        d.ch1Name = QStringLiteral("Temperature");
        d.ch2Name = QStringLiteral("Humidity");
        d.ch1Unit = 1;
        d.ch2Unit = 3;
        d.deviceInterface = i % 2 ? DeviceSettings::Usb : DeviceSettings::Lan;
        d.interfaceAddress = i % 2 ? QStringLiteral("/dev/ttyACM%1").arg(i)
                                   : QStringLiteral("127.0.0.%1").arg(i + 10);
        d.tcpPort = d.deviceInterface == DeviceSettings::Lan ? lanPort : 23;
        d.ch1Min = -20;
        d.ch1Max = 40;
        d.ch2Min = 10;
        d.ch2Max = 90;
        devices.append(d);
    }
    file.saveDeviceList(devices);
    qint64 first = 0, last = 0;
    if (ReadingsDatabase(db.absoluteFilePath()).recordedPeriod(&first, &last)) {
        const QString format = QStringLiteral("yyyy-MM-dd hh:mm:ss");
        file.writeValue("record_start_time", QDateTime::fromSecsSinceEpoch(first).toString(format));
        file.writeValue("record_stop_time", QDateTime::fromSecsSinceEpoch(last).toString(format));
    }
    QTextStream(stdout) << project << "\n";
    return 0;
}
