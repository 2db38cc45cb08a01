#pragma once

#include <QString>
#include <QUuid>

// The project file's [Server] group: where a project's readings are
// forwarded to and read from. Additive: files without it are local-only
// projects, and nothing else in the file changes meaning.
//
//   Connection      the recorder's libpq connection string or service name
//   ReadConnection  the viewer's and the report's (a replica, say); empty:
//                   Connection
//   StoreId         the project's identity on the server (a UUID), made once
//
// A password never goes here: libpq takes it from ~/.pgpass or the service
// file.
struct ServerSettings
{
    QString connection;
    QString readConnection;
    QUuid storeId;

    bool namesServer() const { return !connection.trimmed().isEmpty(); }
    // What the viewer and the report connect with.
    QString readerConnection() const;

    static ServerSettings read(const QString &projectPath);
    // Writes the group; refuses (false, with a message) a setting that
    // carries a password.
    static bool write(const QString &projectPath, const ServerSettings &settings, QString *message);
    // The project's store id, made and written on first use. Null when the
    // file cannot be written.
    static QUuid ensureStoreId(const QString &projectPath);
    // A project file that names a server and no local database: it shows
    // the devices of every recorder of the site.
    static bool isSiteProject(const QString &projectPath);

    static QString passwordRefusal();
};
