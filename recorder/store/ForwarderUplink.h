#pragma once

#include "ForwarderSettings.h"
#include "ForwarderSpool.h"

#include <QStringList>

#include <vector>

class ServerConnection;
class ServerResult;

// The forwarder's writes to the server: the store's registration, the
// high-water marks, batches of readings and events, and the catalogue.
// Every write is idempotent, so a batch whose answer was lost is simply sent
// again. Runs on the forwarder's thread.
class ForwarderUplink
{
public:
    enum class Outcome
    {
        Ok,
        Lost,    // the connection is gone: try again later
        Refused, // the server refuses (rights, disk, schema): try again later
        Clash,   // the store holds other readings than this spool: stop
        // Inside a send only: a row of the batch is refused (found by
        // splitting the batch and kept aside).
        RowRefused
    };
    struct Status
    {
        Outcome outcome = Outcome::Ok;
        QString message;
        bool ok() const { return outcome == Outcome::Ok; }
    };

    ForwarderUplink(ServerConnection &connection, const ForwarderSettings &settings);

    // Schema, the store's row, the identity check against the spool, and
    // the marks up to which the server holds this store's rows.
    Status attach(ForwarderSpool &spool);
    qint64 readingsMark() const { return m_readingsMark; }
    qint64 eventsMark() const { return m_eventsMark; }
    int storeKey() const { return m_storeKey; }

    // Stores rows (ascending ids above readingsMark()); rows the server
    // refuses are kept in moravin_rejected and described in refusals.
    Status sendReadings(const std::vector<ForwarderSpool::Reading> &rows, QStringList *refusals);
    // New events and events changed since they were sent (a merged repeat).
    Status sendEvents(const std::vector<ForwarderSpool::Event> &events, QStringList *refusals);
    Status updateCatalogue(const QVector<ServerDevice> &devices);
    // The store's last contact, for the catalogue.
    Status touch();

    static QString clashText();

private:
    Status classify(const ServerResult &result, const QString &what);
    Status fail(const ServerResult &result, const QString &what);
    template <typename Row, typename Insert, typename Describe>
    Status sendSplitting(const std::vector<Row> &rows, size_t begin, size_t end, const char *table,
                         Insert insert, Describe describe, QStringList *refusals);
    Status insertReadings(const std::vector<ForwarderSpool::Reading> &rows, size_t begin,
                          size_t end);
    Status insertEvents(const std::vector<ForwarderSpool::Event> &events, size_t begin, size_t end);
    Status reject(const char *table, qint64 localId, const QString &rowText, const QString &reason);
    Status verify(const std::vector<ForwarderSpool::Reading> &rows, size_t begin, size_t end);

    ServerConnection &m_connection;
    const ForwarderSettings &m_settings;
    int m_timeoutMs;
    int m_storeKey = 0;
    QByteArray m_key;
    qint64 m_readingsMark = 0;
    qint64 m_eventsMark = 0;
};
