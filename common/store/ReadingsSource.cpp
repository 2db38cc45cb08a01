#include "ReadingsSource.h"

#include "ReadingsDatabase.h"
#include "ServerLogging.h"
#include "ServerSettings.h"
#include "core/ProjectFile.h"

#include <thread>

ReadingsSource ReadingsSource::forProject(const QString &projectFile)
{
    ReadingsSource s;
    s.m_databasePath = ProjectFile(projectFile).databasePath();
    const ServerSettings server = ServerSettings::read(projectFile);
    if (!server.namesServer())
        return s;
    s.m_connection = server.readerConnection();
    s.m_site = ServerSettings::isSiteProject(projectFile);
    if (!s.m_site)
        s.m_storeId = server.storeId;
    qCDebug(lcServer) << "ReadingsSource :" << projectFile << "reads from the server"
                      << (s.m_site ? "(site)" : qPrintable(s.m_storeId.toString()));
    return s;
}

ReadingsSource ReadingsSource::file(const QString &databasePath)
{
    ReadingsSource s;
    s.m_databasePath = databasePath;
    return s;
}

bool ReadingsSource::recordedPeriod(qint64 *first, qint64 *last, const QString &name) const
{
    if (!isServer())
        return ReadingsDatabase(m_databasePath, name).recordedPeriod(first, last);
    ServerReadings reader(m_connection, TimeoutMs);
    reader.setStore(m_storeId);
    if (reader.span(first, last))
        return true;
    if (!reader.errorText().isEmpty())
        qCWarning(lcServer) << "ReadingsSource : no recorded period :" << reader.errorText();
    return false;
}

bool ReadingsSource::read(const ReadingsRequest &request, std::vector<ServerReadings::Row> *rows,
                          QString *errorText) const
{
    QStringList serials;
    for (const QByteArray &serial : request.serials)
        serials.append(QString::fromUtf8(serial));
    const auto readPart = [this, &request](const QStringList &part,
                                           std::vector<ServerReadings::Row> *out, QString *error) {
        ServerReadings reader(m_connection, TimeoutMs);
        reader.setStore(m_storeId);
        if (reader.read(part, request.start, request.end, out))
            return true;
        *error = reader.errorText();
        return false;
    };
    if (serials.size() < 2 || std::thread::hardware_concurrency() < 2)
        return readPart(serials, rows, errorText);
    // The second half of the devices on a second connection at once: the
    // server scans them in a second backend.
    const int half = (serials.size() + 1) / 2;
    std::vector<ServerReadings::Row> tail;
    QString tailError;
    bool tailOk = false;
    std::thread helper([&] { tailOk = readPart(serials.mid(half), &tail, &tailError); });
    const bool headOk = readPart(serials.mid(0, half), rows, errorText);
    helper.join();
    if (!headOk)
        return false;
    if (!tailOk) {
        *errorText = tailError;
        return false;
    }
    for (ServerReadings::Row &row : tail)
        row.device += half;
    rows->insert(rows->end(), tail.begin(), tail.end());
    return true;
}

bool ReadingsSource::events(qint64 start, qint64 end, QVector<EventRecord> *events,
                            QString *errorText) const
{
    ServerReadings reader(m_connection, TimeoutMs);
    reader.setStore(m_storeId);
    if (reader.events(start, end, events))
        return true;
    *errorText = reader.errorText();
    return false;
}

bool ReadingsSource::catalogue(QVector<ServerProject> *projects, QString *errorText) const
{
    ServerReadings reader(m_connection, TimeoutMs);
    if (reader.catalogue(projects))
        return true;
    *errorText = reader.errorText();
    return false;
}
