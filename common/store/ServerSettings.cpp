#include "ServerSettings.h"

#include "ServerConnection.h"

#include <QSettings>

namespace {

const QString Group = QStringLiteral("Server");
const QString ConnectionKey = QStringLiteral("Server/Connection");
const QString ReadConnectionKey = QStringLiteral("Server/ReadConnection");
const QString StoreIdKey = QStringLiteral("Server/StoreId");

} // namespace

QString ServerSettings::readerConnection() const
{
    return readConnection.trimmed().isEmpty() ? connection.trimmed() : readConnection.trimmed();
}

QString ServerSettings::passwordRefusal()
{
    return QStringLiteral("A password does not belong in the project file: put it in ~/.pgpass "
                          "or in a service file (~/.pg_service.conf).");
}

ServerSettings ServerSettings::read(const QString &projectPath)
{
    QSettings file(projectPath, QSettings::IniFormat);
    ServerSettings s;
    s.connection = file.value(ConnectionKey).toString();
    s.readConnection = file.value(ReadConnectionKey).toString();
    s.storeId = QUuid::fromString(file.value(StoreIdKey).toString());
    return s;
}

bool ServerSettings::write(const QString &projectPath, const ServerSettings &settings,
                           QString *message)
{
    if (ServerConnection::containsPassword(settings.connection) ||
        ServerConnection::containsPassword(settings.readConnection)) {
        *message = passwordRefusal();
        return false;
    }
    QSettings file(projectPath, QSettings::IniFormat);
    file.setValue(ConnectionKey, settings.connection.trimmed());
    file.setValue(ReadConnectionKey, settings.readConnection.trimmed());
    if (!settings.storeId.isNull())
        file.setValue(StoreIdKey, settings.storeId.toString(QUuid::WithoutBraces));
    file.sync();
    if (file.status() != QSettings::NoError) {
        *message = QStringLiteral("The project file cannot be written: %1").arg(projectPath);
        return false;
    }
    return true;
}

QUuid ServerSettings::ensureStoreId(const QString &projectPath)
{
    QSettings file(projectPath, QSettings::IniFormat);
    const QUuid existing = QUuid::fromString(file.value(StoreIdKey).toString());
    if (!existing.isNull())
        return existing;
    const QUuid made = QUuid::createUuid();
    file.setValue(StoreIdKey, made.toString(QUuid::WithoutBraces));
    file.sync();
    return file.status() == QSettings::NoError ? made : QUuid();
}

bool ServerSettings::isSiteProject(const QString &projectPath)
{
    QSettings file(projectPath, QSettings::IniFormat);
    return !file.value(ConnectionKey).toString().trimmed().isEmpty() &&
           file.value(QStringLiteral("databaseName")).toString().isEmpty();
}
