#include "ProjectFile.h"

#include <QFileInfo>
#include <QSettings>

ProjectFile::ProjectFile(const QString &path) : m_path(path) {}

QString ProjectFile::baseName() const
{
    return QFileInfo(m_path).completeBaseName();
}

QString ProjectFile::directory() const
{
    return QFileInfo(m_path).absolutePath();
}

bool ProjectFile::writeHeader(const QString &projectName, int dataInterval,
                              const QString &databaseName) const
{
    QSettings s(m_path, QSettings::IniFormat);
    s.setValue(QStringLiteral("projectName"), projectName);
    s.setValue(QStringLiteral("DataInterval"), dataInterval);
    s.setValue(QStringLiteral("databaseName"), databaseName);
    s.sync();
    return s.status() == QSettings::NoError;
}

bool ProjectFile::saveDeviceList(const QList<DeviceSettings> &devices) const
{
    QSettings s(m_path, QSettings::IniFormat);
    // A file QSettings could not parse is not ours to overwrite.
    if (s.status() != QSettings::NoError)
        return false;
    s.setValue(QStringLiteral("Backup"), s.value(QStringLiteral("DeviceList")).toByteArray());
    s.setValue(QStringLiteral("DeviceList"), DeviceListCodec::encode(devices));
    s.sync();
    return s.status() == QSettings::NoError;
}

DeviceListCodec::Result ProjectFile::loadDeviceList(DeviceListCodec::Reader reader) const
{
    return DeviceListCodec::decode(readValue(QStringLiteral("DeviceList")).toByteArray(), reader);
}

QString ProjectFile::projectName() const
{
    return readValue(QStringLiteral("projectName")).toString();
}

QString ProjectFile::databaseName() const
{
    return readValue(QStringLiteral("databaseName")).toString();
}

QString ProjectFile::databasePath() const
{
    return directory() + QLatin1Char('/') + databaseName();
}

int ProjectFile::storedDataInterval() const
{
    bool ok = false;
    const int value = readValue(QStringLiteral("DataInterval")).toString().toInt(&ok);
    return ok ? value : 0;
}

QString ProjectFile::recordStartTime() const
{
    return readValue(QStringLiteral("record_start_time")).toString();
}

QString ProjectFile::recordStopTime() const
{
    return readValue(QStringLiteral("record_stop_time")).toString();
}

QString ProjectFile::reportSubject() const
{
    return readValue(QStringLiteral("ReportSubject")).toString();
}

QString ProjectFile::reportAuthor() const
{
    return readValue(QStringLiteral("ReportAuthor")).toString();
}

bool ProjectFile::writeReportHeading(const QString &subject, const QString &author) const
{
    QSettings s(m_path, QSettings::IniFormat);
    if (s.status() != QSettings::NoError)
        return false;
    s.setValue(QStringLiteral("ReportSubject"), subject);
    s.setValue(QStringLiteral("ReportAuthor"), author);
    s.sync();
    return s.status() == QSettings::NoError;
}

bool ProjectFile::writeValue(const QString &key, const QVariant &value) const
{
    QSettings s(m_path, QSettings::IniFormat);
    if (s.status() != QSettings::NoError)
        return false;
    s.setValue(key, value);
    s.sync();
    return s.status() == QSettings::NoError;
}

QVariant ProjectFile::readValue(const QString &key) const
{
    return QSettings(m_path, QSettings::IniFormat).value(key);
}

QString ProjectFile::displayName(const QString &path, const QString &name)
{
    QString dir = QFileInfo(path).absolutePath();
    if (dir.size() > 40)
        dir = dir.left(40) + QStringLiteral("...");
    return dir + QLatin1Char('/') + name + QStringLiteral(".qpj");
}

QString ProjectFile::databaseNameFor(const QString &projectPath)
{
    return QFileInfo(projectPath).completeBaseName() + QStringLiteral(".dat");
}
