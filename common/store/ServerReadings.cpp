#include "ServerReadings.h"

#include "ServerSchema.h"
#include "core/NoValue.h"

#include <QtEndian>

#include <cstring>

namespace {

qint64 int8At(const char *p)
{
    return qFromBigEndian<qint64>(reinterpret_cast<const uchar *>(p));
}

double float8At(const char *p)
{
    const quint64 bits = qFromBigEndian<quint64>(reinterpret_cast<const uchar *>(p));
    double value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

} // namespace

ServerReadings::ServerReadings(const QString &connection, int timeoutMs)
    : m_setting(connection), m_timeoutMs(timeoutMs)
{
}

bool ServerReadings::connect()
{
    if (m_connection.isOpen() && m_checked)
        return true;
    m_checked = false;
    if (!m_connection.open(m_setting, m_timeoutMs)) {
        m_error = QStringLiteral("The server cannot be reached: %1").arg(m_connection.lastError());
        return false;
    }
    if (m_connection.serverVersion() < ServerSchema::MinimumServerVersion) {
        m_error = ServerSchema::serverTooOld(m_connection.serverVersionText());
        return false;
    }
    QString message;
    if (!ServerSchema::checkReadable(m_connection, &message)) {
        m_error = message;
        return false;
    }
    m_checked = true;
    return true;
}

ServerResult ServerReadings::query(const QByteArray &sql, const QVector<QByteArray> &params,
                                   bool binary)
{
    ServerResult r = m_connection.exec(sql, params, m_timeoutMs, binary);
    if (r.ok() || !ServerConnection::isConnectionState(r.state()) || m_connection.isOpen())
        return r;
    m_checked = false;
    if (!connect())
        return ServerResult::failure(m_error, "08006");
    return m_connection.exec(sql, params, m_timeoutMs, binary);
}

// Connects, then: -1, the store has nothing on the server; 0, no store set.
bool ServerReadings::storeKey(int *key)
{
    *key = 0;
    if (!connect())
        return false;
    if (m_storeId.isNull())
        return true;
    ServerResult r = query("select store_key from moravin_stores where store_id = $1",
                           {m_storeId.toString(QUuid::WithoutBraces).toUtf8()});
    if (!r.ok()) {
        m_error = r.errorText();
        return false;
    }
    *key = r.rows() ? int(r.toInt64(0, 0)) : -1;
    return true;
}

bool ServerReadings::read(const QStringList &serials, qint64 start, qint64 end,
                          std::vector<Row> *rows)
{
    m_error.clear();
    int key = 0;
    if (!storeKey(&key))
        return false;
    if (key < 0)
        return true;
    // One index range per device; the index holds the values, so the table
    // itself is not visited.
    const QByteArray sql =
        key ? QByteArray("select pointdate, channel1, channel2 from moravin_readings"
                         " where serialno = $1 and pointdate >= $2 and pointdate <= $3"
                         " and store_key = $4 order by pointdate, store_key, local_id")
            : QByteArray("select pointdate, channel1, channel2 from moravin_readings"
                         " where serialno = $1 and pointdate >= $2 and pointdate <= $3"
                         " order by pointdate, store_key, local_id");
    for (int d = 0; d < serials.size(); ++d) {
        QVector<QByteArray> params{serials.at(d).toUtf8(), QByteArray::number(start),
                                   QByteArray::number(end)};
        if (key)
            params.append(QByteArray::number(key));
        ServerResult r = query(sql, params, true);
        if (!r.ok()) {
            m_error =
                QStringLiteral("The server cannot read the readings: %1").arg(r.primaryMessage());
            return false;
        }
        const int n = r.rows();
        rows->reserve(rows->size() + size_t(n));
        for (int i = 0; i < n; ++i) {
            Row row;
            row.device = d;
            row.pointDate = int8At(r.raw(i, 0));
            row.channel1 = r.isNull(i, 1) ? NoValue : float8At(r.raw(i, 1));
            row.channel2 = r.isNull(i, 2) ? NoValue : float8At(r.raw(i, 2));
            rows->push_back(row);
        }
    }
    return true;
}

bool ServerReadings::span(qint64 *first, qint64 *last)
{
    m_error.clear();
    *first = *last = 0;
    int key = 0;
    if (!storeKey(&key))
        return false;
    if (key < 0)
        return false;
    ServerResult r = key ? query("select min(first_point), max(last_point) from moravin_devices"
                                 " where store_key = $1",
                                 {QByteArray::number(key)})
                         : query("select min(first_point), max(last_point) from moravin_devices");
    if (!r.ok()) {
        m_error = r.errorText();
        return false;
    }
    if (r.isNull(0, 0))
        return false;
    *first = r.toInt64(0, 0);
    *last = r.toInt64(0, 1);
    return true;
}

bool ServerReadings::events(qint64 start, qint64 end, QVector<EventRecord> *events)
{
    m_error.clear();
    events->clear();
    int key = 0;
    if (!storeKey(&key))
        return false;
    if (key < 0)
        return true;
    QVector<QByteArray> params{QByteArray::number(start), QByteArray::number(end)};
    if (key)
        params.append(QByteArray::number(key));
    ServerResult r = query(
        QByteArray("select event_time, kind, serialno, channel, value, limit_value, detail,"
                   " repeats from moravin_events where event_time >= $1 and event_time <= $2") +
            (key ? " and store_key = $3" : "") + " order by event_time, store_key, local_id",
        params);
    if (!r.ok()) {
        m_error =
            QStringLiteral("The server cannot read the event log: %1").arg(r.primaryMessage());
        return false;
    }
    for (int i = 0; i < r.rows(); ++i) {
        EventRecord e;
        e.time = r.toInt64(i, 0);
        e.kind = r.text(i, 1);
        e.serialNo = r.text(i, 2);
        e.channel = int(r.toInt64(i, 3));
        if (!r.isNull(i, 4))
            e.value = r.value(i, 4).toDouble();
        if (!r.isNull(i, 5))
            e.limit = r.value(i, 5).toDouble();
        e.detail = r.text(i, 6);
        e.repeats = int(r.toInt64(i, 7));
        events->append(e);
    }
    return true;
}

bool ServerReadings::catalogue(QVector<ServerProject> *projects)
{
    m_error.clear();
    projects->clear();
    if (!connect())
        return false;
    ServerResult r =
        query("select s.store_id, s.project_name, s.host, s.os_user, s.last_seen, d.serialno,"
              " d.device_name, d.ch1_name, d.ch2_name, d.ch1_unit, d.ch2_unit, d.ch1_custom,"
              " d.ch2_custom, d.ch1_min, d.ch1_max, d.ch2_min, d.ch2_max, d.position,"
              " d.first_point, d.last_point"
              " from moravin_stores s join moravin_devices d on d.store_key = s.store_key"
              " order by s.project_name, s.host, s.os_user, s.store_id,"
              " d.position < 0, d.position, d.serialno");
    if (!r.ok()) {
        m_error = QStringLiteral("The server cannot list the devices: %1").arg(r.primaryMessage());
        return false;
    }
    for (int i = 0; i < r.rows(); ++i) {
        const QString store = r.text(i, 0);
        if (projects->isEmpty() || projects->constLast().storeId != store) {
            ServerProject p;
            p.storeId = store;
            p.projectName = r.text(i, 1);
            p.host = r.text(i, 2);
            p.user = r.text(i, 3);
            p.lastSeen = r.toInt64(i, 4);
            projects->append(p);
        }
        ServerDevice d;
        d.serialNo = r.text(i, 5);
        d.deviceName = r.text(i, 6);
        d.ch1Name = r.text(i, 7);
        d.ch2Name = r.text(i, 8);
        d.ch1Unit = int(r.toInt64(i, 9));
        d.ch2Unit = int(r.toInt64(i, 10));
        d.ch1Custom = r.text(i, 11);
        d.ch2Custom = r.text(i, 12);
        d.ch1Min = r.value(i, 13).toDouble();
        d.ch1Max = r.value(i, 14).toDouble();
        d.ch2Min = r.value(i, 15).toDouble();
        d.ch2Max = r.value(i, 16).toDouble();
        d.position = int(r.toInt64(i, 17));
        d.firstPoint = r.toInt64(i, 18);
        d.lastPoint = r.toInt64(i, 19);
        projects->last().devices.append(d);
    }
    return true;
}
