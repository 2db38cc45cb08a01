#include "BenchDatabase.h"

#include "core/ProjectFile.h"
#include "store/ReadingsDatabase.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTextStream>

QString BenchDatabase::defaultPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) +
           QStringLiteral("/moravin-bench/bench-10M.dat");
}

QString BenchDatabase::fromArguments(const QStringList &arguments)
{
    return QFileInfo(arguments.size() > 1 ? arguments.at(1) : defaultPath()).absoluteFilePath();
}

bool BenchDatabase::ensure(const QString &path)
{
    if (QFileInfo(path).isFile())
        return true;
    QDir().mkpath(QFileInfo(path).path());
    QTextStream(stdout) << "writing " << path << " with make-database.sh ...\n";
    QProcess make;
    make.setProcessChannelMode(QProcess::ForwardedChannels);
    make.start(QStringLiteral("sh"), {QStringLiteral(MORAVIN_MAKE_DATABASE), path});
    return make.waitForFinished(-1) && make.exitStatus() == QProcess::NormalExit &&
           make.exitCode() == 0;
}

QString BenchDatabase::writeProject(const QString &path)
{
    const QFileInfo info(path);
    const QString file = info.absolutePath() + QLatin1Char('/') + info.completeBaseName() + ".qpj";
    QFile::remove(file);
    const ProjectFile project(file);
    project.writeHeader(info.completeBaseName(), 1000, info.fileName());
    QList<DeviceSettings> devices;
    for (int n = 1; n <= 8; ++n) {
        DeviceSettings d;
        d.deviceNumber = QStringLiteral("BENCH%1").arg(n, 3, 10, QLatin1Char('0'));
        d.deviceName = QStringLiteral("Bench %1").arg(n);
        d.ch1Name = QStringLiteral("Temperature");
        d.ch2Name = QStringLiteral("Humidity");
        d.ch1Unit = 1;
        d.ch2Unit = 3;
        d.deviceInterface = DeviceSettings::Usb;
        devices.append(d);
    }
    project.saveDeviceList(devices);
    qint64 first = 0;
    qint64 last = 0;
    if (ReadingsDatabase(path).recordedPeriod(&first, &last)) {
        const QString format = QStringLiteral("yyyy-MM-dd hh:mm:ss");
        project.writeValue("record_start_time",
                           QDateTime::fromSecsSinceEpoch(first).toString(format));
        project.writeValue("record_stop_time",
                           QDateTime::fromSecsSinceEpoch(last).toString(format));
    }
    return file;
}
