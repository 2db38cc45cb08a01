#include "CompanionProjectReader.h"

#include "ProjectFile.h"

#include <QFileInfo>
#include <QLoggingCategory>

Q_LOGGING_CATEGORY(lcProjectReader, "moravin.common.core")

QString CompanionProjectReader::projectPathFromArguments(const QStringList &arguments)
{
    // The recorder passes the path in single quotes; a path with blanks
    // arrives split over several arguments.
    QString path = arguments.mid(1).join(QLatin1Char(' '));
    path.replace(QLatin1Char('\\'), QLatin1Char('/'));
    path.remove(QLatin1Char('\''));
    return path;
}

CompanionProjectReader::Result CompanionProjectReader::read(const QStringList &arguments)
{
    Result r;
    if (arguments.size() < 2) {
        r.errorText = QStringLiteral("Please Set Parameter project Name!");
        return r;
    }
    r.projectFile = projectPathFromArguments(arguments);
    if (!QFileInfo(r.projectFile).isFile()) {
        r.errorText = QStringLiteral("Project File \"%1\" is not exists!").arg(r.projectFile);
        return r;
    }

    const ProjectFile project(r.projectFile);
    r.databasePath = project.databasePath();
    // A project that names a server is read from there: its file may be on
    // another PC, and a site project has none.
    r.namesServer =
        !project.readValue(QStringLiteral("Server/Connection")).toString().trimmed().isEmpty();
    r.site = r.namesServer && project.databaseName().isEmpty();
    if (!r.namesServer &&
        (project.databaseName().isEmpty() || !QFileInfo(r.databasePath).isFile())) {
        r.errorText = QStringLiteral("DB File \"%1\" is not exists!").arg(r.databasePath);
        return r;
    }

    const QByteArray deviceList = project.readValue(QStringLiteral("DeviceList")).toByteArray();
    if (r.site && deviceList.isEmpty()) {
        r.ok = true; // the devices come from the server's catalogue
        return r;
    }
    qCDebug(lcProjectReader) << "DeviceList :" << deviceList;
    const DeviceListCodec::Result devices =
        DeviceListCodec::decode(deviceList, DeviceListCodec::Reader::Companion);
    if (!devices.ok) {
        r.errorText = QStringLiteral("Device Information is crashed!");
        return r;
    }
    r.devices = devices.devices;
    r.ok = true;
    return r;
}
