#include "ForwarderUplink.h"

#include "ForwarderLogging.h"
#include "store/ServerConnection.h"
#include "store/ServerSchema.h"

#include <QDateTime>
#include <QHostInfo>
#include <QtEndian>

#include <charconv>
#include <cstring>

namespace {

// Array literals for unnest(): one statement carries a whole batch.
class ArrayText
{
public:
    void number(qint64 v)
    {
        separate();
        m_text += QByteArray::number(v);
    }
    void real(bool isNull, double v)
    {
        separate();
        if (isNull) {
            m_text += "NULL";
            return;
        }
        char buffer[32];
        const auto r = std::to_chars(buffer, buffer + sizeof buffer, v);
        m_text.append(buffer, int(r.ptr - buffer));
    }
    void text(const QByteArray &v)
    {
        separate();
        m_text += '"';
        for (char c : v) {
            if (c == '"' || c == '\\')
                m_text += '\\';
            m_text += c;
        }
        m_text += '"';
    }
    QByteArray done() const { return m_text + '}'; }

private:
    void separate() { m_text += m_text.size() > 1 ? "," : ""; }
    QByteArray m_text = "{";
};

// A row kept as text whatever its bytes: invalid UTF-8 shows as \xNN.
QString printable(const QByteArray &bytes)
{
    QString out;
    for (int i = 0; i < bytes.size();) {
        const uchar c = uchar(bytes.at(i));
        int length = c < 0x80           ? 1
                     : (c >> 5) == 0x6  ? 2
                     : (c >> 4) == 0xe  ? 3
                     : (c >> 3) == 0x1e ? 4
                                        : 0;
        bool valid = length > 0 && i + length <= bytes.size() && c != 0;
        for (int k = 1; valid && k < length; ++k)
            valid = (uchar(bytes.at(i + k)) & 0xc0) == 0x80;
        const QString decoded = valid ? QString::fromUtf8(bytes.mid(i, length)) : QString();
        if (valid && !decoded.contains(QChar::ReplacementCharacter)) {
            out += decoded;
            i += length;
        } else {
            out += QStringLiteral("\\x%1").arg(c, 2, 16, QLatin1Char('0'));
            ++i;
        }
    }
    return out;
}

QString realText(bool isNull, double v)
{
    return isNull ? QStringLiteral("NULL") : QString::number(v, 'g', 17);
}

QString describe(const ForwarderSpool::Reading &r)
{
    return QStringLiteral("serialno=%1 channel1=%2 channel2=%3 pointDate=%4")
        .arg(printable(r.serialNo), realText(r.null1, r.channel1), realText(r.null2, r.channel2))
        .arg(r.pointDate);
}

QString describe(const ForwarderSpool::Event &e)
{
    return QStringLiteral("eventTime=%1 kind=%2 serialno=%3 channel=%4 value=%5 limitValue=%6 "
                          "detail=%7 repeats=%8")
        .arg(e.time)
        .arg(printable(e.kind), printable(e.serialNo))
        .arg(e.channel)
        .arg(realText(!e.hasValue, e.value), realText(!e.hasLimit, e.limit), printable(e.detail))
        .arg(e.repeats);
}

bool isRowRefusal(const QByteArray &state)
{
    // Data exceptions, constraint violations, a trigger's own refusal, a
    // value of the wrong type.
    return state.startsWith("22") || state.startsWith("23") || state.startsWith("P0") ||
           state == "42804";
}

qint64 int8At(const char *p)
{
    return qFromBigEndian<qint64>(reinterpret_cast<const uchar *>(p));
}

double float8At(const char *p)
{
    const quint64 bits = qFromBigEndian<quint64>(reinterpret_cast<const uchar *>(p));
    double v;
    std::memcpy(&v, &bits, sizeof v);
    return v;
}

// Text parameters are never SQL NULL, also when empty.
QByteArray utf8(const QString &text)
{
    QByteArray bytes = text.toUtf8();
    return bytes.isNull() ? QByteArray("") : bytes;
}

QByteArray nowText()
{
    return QByteArray::number(QDateTime::currentSecsSinceEpoch());
}

} // namespace

ForwarderUplink::ForwarderUplink(ServerConnection &connection, const ForwarderSettings &settings)
    : m_connection(connection), m_settings(settings), m_timeoutMs(settings.statementTimeoutMs)
{
}

QString ForwarderUplink::clashText()
{
    return QStringLiteral(
        "The server holds other readings under this project's store id than its database: "
        "another recorder forwards with a copy of this project file, or the project's database "
        "was replaced. Nothing more is sent; the readings wait in the project's database. Give "
        "this project a new store id in the Server dialog.");
}

ForwarderUplink::Status ForwarderUplink::classify(const ServerResult &result, const QString &what)
{
    Status s;
    s.message = QStringLiteral("%1: %2").arg(what, result.primaryMessage());
    s.outcome =
        ServerConnection::isConnectionState(result.state()) ? Outcome::Lost : Outcome::Refused;
    return s;
}

ForwarderUplink::Status ForwarderUplink::fail(const ServerResult &result, const QString &what)
{
    if (m_connection.isOpen())
        m_connection.exec("rollback", {}, m_timeoutMs);
    return classify(result, what);
}

ForwarderUplink::Status ForwarderUplink::attach(ForwarderSpool &spool)
{
    if (m_connection.serverVersion() < ServerSchema::MinimumServerVersion)
        return {Outcome::Refused, ServerSchema::serverTooOld(m_connection.serverVersionText())};
    QString message;
    const ServerSchema::Outcome schema = ServerSchema::ensure(m_connection, &message);
    if (schema == ServerSchema::Outcome::Newer || schema == ServerSchema::Outcome::Failed)
        return {m_connection.isOpen() ? Outcome::Refused : Outcome::Lost, message};

    const QByteArray storeId = m_settings.storeId.toString(QUuid::WithoutBraces).toUtf8();
    ServerResult found = m_connection.exec(
        "select store_key from moravin_stores where store_id = $1", {storeId}, m_timeoutMs);
    if (!found.ok())
        return classify(found, QStringLiteral("The store cannot be looked up"));
    const QString host = m_settings.host.isEmpty() ? QHostInfo::localHostName() : m_settings.host;
    const QString user = m_settings.user.isEmpty() ? qEnvironmentVariable("USER") : m_settings.user;
    if (found.rows() == 0) {
        ServerResult made = m_connection.exec(
            "insert into moravin_stores (store_id, project_name, host, os_user, project_path,"
            " created, last_seen) values ($1, $2, $3, $4, $5, $6, $6)"
            " on conflict (store_id) do nothing returning store_key",
            {storeId, utf8(m_settings.projectName), utf8(host), utf8(user),
             utf8(m_settings.projectPath), nowText()},
            m_timeoutMs);
        if (!made.ok())
            return classify(made, QStringLiteral("The server refuses this project's store"));
        if (made.rows() == 0) // another connection made it a moment ago
            return {Outcome::Clash, clashText()};
        m_storeKey = int(made.toInt64(0, 0));
    } else {
        m_storeKey = int(found.toInt64(0, 0));
    }
    m_key = QByteArray::number(m_storeKey);

    ServerResult marks = m_connection.exec(
        "select (select coalesce(max(local_id), 0) from moravin_readings where store_key = $1),"
        " (select coalesce(max(local_id), 0) from moravin_rejected where store_key = $1"
        " and table_name = 'readings'),"
        " (select coalesce(max(local_id), 0) from moravin_events where store_key = $1),"
        " (select coalesce(max(local_id), 0) from moravin_rejected where store_key = $1"
        " and table_name = 'events')",
        {m_key}, m_timeoutMs);
    if (!marks.ok())
        return classify(marks, QStringLiteral("The server's readings cannot be counted"));
    const qint64 stored = marks.toInt64(0, 0);
    m_readingsMark = std::max(stored, marks.toInt64(0, 1));
    m_eventsMark = std::max(marks.toInt64(0, 2), marks.toInt64(0, 3));

    // The server's last reading of this store must be the spool's reading
    // with that id; otherwise the store was fed from another database.
    if (stored > 0) {
        ServerResult last = m_connection.exec(
            "select local_id, serialno, channel1, channel2, pointdate from moravin_readings"
            " where store_key = $1 and local_id = $2",
            {m_key, QByteArray::number(stored)}, m_timeoutMs, true);
        if (!last.ok())
            return classify(last, QStringLiteral("The server's readings cannot be read"));
        ForwarderSpool::Reading server;
        server.id = int8At(last.raw(0, 0));
        server.serialNo = last.value(0, 1);
        server.null1 = last.isNull(0, 2);
        server.channel1 = server.null1 ? 0 : float8At(last.raw(0, 2));
        server.null2 = last.isNull(0, 3);
        server.channel2 = server.null2 ? 0 : float8At(last.raw(0, 3));
        server.pointDate = int8At(last.raw(0, 4));
        ForwarderSpool::Reading local;
        bool present = false;
        QString error;
        if (!spool.readingAt(stored, &local, &present, &error))
            return {Outcome::Refused,
                    QStringLiteral("The project's database cannot be read: %1").arg(error)};
        if (!present || !(local == server)) {
            qCWarning(lcForwarder)
                << "ForwarderUplink::attach : clash at" << stored
                << (present ? describe(local) : QStringLiteral("missing")) << describe(server);
            return {Outcome::Clash, clashText()};
        }
    }
    ServerResult touched = m_connection.exec(
        "update moravin_stores set project_name = $2, host = $3, os_user = $4, project_path = $5,"
        " last_seen = $6 where store_key = $1",
        {m_key, utf8(m_settings.projectName), utf8(host), utf8(user), utf8(m_settings.projectPath),
         nowText()},
        m_timeoutMs);
    if (!touched.ok())
        return classify(touched, QStringLiteral("The server refuses this project's store"));
    qCInfo(lcForwarder) << "ForwarderUplink::attach : store" << m_storeKey << "readings up to"
                        << m_readingsMark << "events up to" << m_eventsMark;
    return {};
}

ForwarderUplink::Status ForwarderUplink::touch()
{
    ServerResult r =
        m_connection.exec("update moravin_stores set last_seen = $2 where store_key = $1",
                          {m_key, nowText()}, m_timeoutMs);
    return r.ok() ? Status{}
                  : classify(r, QStringLiteral("The store's last contact cannot be written"));
}

template <typename Row, typename Insert, typename Describe>
ForwarderUplink::Status ForwarderUplink::sendSplitting(const std::vector<Row> &rows, size_t begin,
                                                       size_t end, const char *table, Insert insert,
                                                       Describe describeRow, QStringList *refusals)
{
    Status s = insert(begin, end);
    if (s.outcome != Outcome::RowRefused)
        return s;
    // A row the server refuses: find it by halves, keep it aside with the
    // reason, and store the rest.
    const QString reason = s.message;
    if (end - begin == 1) {
        const Row &row = rows[begin];
        Status kept = reject(table, row.id, describeRow(row), reason);
        if (kept.ok())
            refusals->append(
                QStringLiteral("The server refused %1 %2 (%3): %4. It stays in the "
                               "project's database and is listed in "
                               "moravin_rejected on the server.")
                    .arg(QLatin1String(table == QByteArray("events") ? "event" : "reading"))
                    .arg(row.id)
                    .arg(describeRow(row), reason));
        return kept;
    }
    const size_t mid = begin + (end - begin) / 2;
    s = sendSplitting(rows, begin, mid, table, insert, describeRow, refusals);
    if (!s.ok())
        return s;
    return sendSplitting(rows, mid, end, table, insert, describeRow, refusals);
}

ForwarderUplink::Status ForwarderUplink::reject(const char *table, qint64 localId,
                                                const QString &rowText, const QString &reason)
{
    ServerResult r = m_connection.exec(
        "insert into moravin_rejected (store_key, table_name, local_id, row_text, reason, rejected)"
        " values ($1, $2, $3, $4, $5, $6) on conflict do nothing",
        {m_key, table, QByteArray::number(localId), utf8(rowText), utf8(reason), nowText()},
        m_timeoutMs);
    return r.ok()
               ? Status{}
               : classify(r, QStringLiteral("The server refuses a row and cannot keep it aside"));
}

ForwarderUplink::Status
ForwarderUplink::sendReadings(const std::vector<ForwarderSpool::Reading> &rows,
                              QStringList *refusals)
{
    if (rows.empty())
        return {};
    Status s = sendSplitting(
        rows, 0, rows.size(), "readings",
        [&](size_t b, size_t e) { return insertReadings(rows, b, e); },
        [](const ForwarderSpool::Reading &r) { return describe(r); }, refusals);
    if (s.ok())
        m_readingsMark = std::max(m_readingsMark, rows.back().id);
    return s;
}

ForwarderUplink::Status
ForwarderUplink::insertReadings(const std::vector<ForwarderSpool::Reading> &rows, size_t begin,
                                size_t end)
{
    ArrayText ids, serials, ch1, ch2, times;
    // Each device's span of this batch, for the catalogue.
    QVector<QByteArray> spanSerials;
    QVector<qint64> spanFirst, spanLast;
    for (size_t i = begin; i < end; ++i) {
        const ForwarderSpool::Reading &r = rows[i];
        ids.number(r.id);
        serials.text(r.serialNo);
        ch1.real(r.null1, r.channel1);
        ch2.real(r.null2, r.channel2);
        times.number(r.pointDate);
        const int k = spanSerials.indexOf(r.serialNo);
        if (k < 0) {
            spanSerials.append(r.serialNo);
            spanFirst.append(r.pointDate);
            spanLast.append(r.pointDate);
        } else {
            spanFirst[k] = std::min(spanFirst[k], r.pointDate);
            spanLast[k] = std::max(spanLast[k], r.pointDate);
        }
    }
    ArrayText devices, firsts, lasts;
    for (int k = 0; k < spanSerials.size(); ++k) {
        devices.text(spanSerials.at(k));
        firsts.number(spanFirst.at(k));
        lasts.number(spanLast.at(k));
    }

    ServerResult begun = m_connection.exec("begin", {}, m_timeoutMs);
    if (!begun.ok())
        return classify(begun, QStringLiteral("Readings cannot be sent"));
    ServerResult inserted = m_connection.exec(
        "insert into moravin_readings (store_key, local_id, serialno, channel1, channel2,"
        " pointdate) select $1, * from unnest($2::bigint[], $3::text[], $4::float8[],"
        " $5::float8[], $6::bigint[]) on conflict do nothing",
        {m_key, ids.done(), serials.done(), ch1.done(), ch2.done(), times.done()}, m_timeoutMs);
    if (!inserted.ok()) {
        Status s = fail(inserted, QStringLiteral("Readings cannot be stored"));
        if (isRowRefusal(inserted.state()))
            s = {Outcome::RowRefused, inserted.primaryMessage()};
        return s;
    }
    // Rows already there are either this batch sent before (its answer was
    // lost) or another database's rows under the same store id.
    if (inserted.affected() < qint64(end - begin)) {
        Status same = verify(rows, begin, end);
        if (!same.ok()) {
            if (m_connection.isOpen())
                m_connection.exec("rollback", {}, m_timeoutMs);
            return same;
        }
    }
    ServerResult spans = m_connection.exec(
        "insert into moravin_devices (store_key, serialno, first_point, last_point)"
        " select $1, * from unnest($2::text[], $3::bigint[], $4::bigint[])"
        " on conflict (store_key, serialno) do update set"
        " first_point = least(moravin_devices.first_point, excluded.first_point),"
        " last_point = greatest(moravin_devices.last_point, excluded.last_point)",
        {m_key, devices.done(), firsts.done(), lasts.done()}, m_timeoutMs);
    if (!spans.ok())
        return fail(spans, QStringLiteral("Readings cannot be stored"));
    ServerResult committed = m_connection.exec("commit", {}, m_timeoutMs);
    if (!committed.ok())
        return fail(committed, QStringLiteral("Readings cannot be stored"));
    return {};
}

ForwarderUplink::Status ForwarderUplink::verify(const std::vector<ForwarderSpool::Reading> &rows,
                                                size_t begin, size_t end)
{
    ServerResult stored = m_connection.exec(
        "select local_id, serialno, channel1, channel2, pointdate from moravin_readings"
        " where store_key = $1 and local_id >= $2 and local_id <= $3 order by local_id",
        {m_key, QByteArray::number(rows[begin].id), QByteArray::number(rows[end - 1].id)},
        m_timeoutMs, true);
    if (!stored.ok())
        return classify(stored, QStringLiteral("Readings cannot be compared"));
    int k = 0;
    for (size_t i = begin; i < end; ++i) {
        while (k < stored.rows() && int8At(stored.raw(k, 0)) < rows[i].id)
            ++k;
        if (k >= stored.rows() || int8At(stored.raw(k, 0)) != rows[i].id)
            return {Outcome::Clash, clashText()};
        ForwarderSpool::Reading server;
        server.id = rows[i].id;
        server.serialNo = stored.value(k, 1);
        server.null1 = stored.isNull(k, 2);
        server.channel1 = server.null1 ? 0 : float8At(stored.raw(k, 2));
        server.null2 = stored.isNull(k, 3);
        server.channel2 = server.null2 ? 0 : float8At(stored.raw(k, 3));
        server.pointDate = int8At(stored.raw(k, 4));
        if (!(server == rows[i]))
            return {Outcome::Clash, clashText()};
    }
    return {};
}

ForwarderUplink::Status
ForwarderUplink::sendEvents(const std::vector<ForwarderSpool::Event> &events, QStringList *refusals)
{
    if (events.empty())
        return {};
    Status s = sendSplitting(
        events, 0, events.size(), "events",
        [&](size_t b, size_t e) { return insertEvents(events, b, e); },
        [](const ForwarderSpool::Event &e) { return describe(e); }, refusals);
    if (s.ok())
        for (const ForwarderSpool::Event &e : events)
            m_eventsMark = std::max(m_eventsMark, e.id);
    return s;
}

ForwarderUplink::Status
ForwarderUplink::insertEvents(const std::vector<ForwarderSpool::Event> &events, size_t begin,
                              size_t end)
{
    ArrayText ids, times, kinds, serials, channels, values, limits, details, repeats;
    for (size_t i = begin; i < end; ++i) {
        const ForwarderSpool::Event &e = events[i];
        ids.number(e.id);
        times.number(e.time);
        kinds.text(e.kind);
        serials.text(e.serialNo);
        channels.number(e.channel);
        values.real(!e.hasValue, e.value);
        limits.real(!e.hasLimit, e.limit);
        details.text(e.detail);
        repeats.number(e.repeats);
    }
    // A merged repeat changes an event after it was sent: the later
    // version replaces the earlier one.
    ServerResult r = m_connection.exec(
        "insert into moravin_events (store_key, local_id, event_time, kind, serialno, channel,"
        " value, limit_value, detail, repeats) select $1, * from unnest($2::bigint[],"
        " $3::bigint[], $4::text[], $5::text[], $6::integer[], $7::float8[], $8::float8[],"
        " $9::text[], $10::integer[]) on conflict (store_key, local_id) do update set"
        " event_time = excluded.event_time, value = excluded.value,"
        " limit_value = excluded.limit_value, detail = excluded.detail,"
        " repeats = excluded.repeats",
        {m_key, ids.done(), times.done(), kinds.done(), serials.done(), channels.done(),
         values.done(), limits.done(), details.done(), repeats.done()},
        m_timeoutMs);
    if (!r.ok()) {
        Status s = classify(r, QStringLiteral("Events cannot be stored"));
        if (isRowRefusal(r.state()))
            s = {Outcome::RowRefused, r.primaryMessage()};
        return s;
    }
    return {};
}

ForwarderUplink::Status ForwarderUplink::updateCatalogue(const QVector<ServerDevice> &devices)
{
    ServerResult begun = m_connection.exec("begin", {}, m_timeoutMs);
    if (!begun.ok())
        return classify(begun, QStringLiteral("The device catalogue cannot be updated"));
    ArrayText present;
    for (const ServerDevice &d : devices)
        present.text(utf8(d.serialNo));
    ServerResult gone = m_connection.exec(
        "update moravin_devices set position = -1, updated = $3 where store_key = $1"
        " and position >= 0 and serialno <> all($2::text[])",
        {m_key, present.done(), nowText()}, m_timeoutMs);
    if (!gone.ok())
        return fail(gone, QStringLiteral("The device catalogue cannot be updated"));
    for (int i = 0; i < devices.size(); ++i) {
        const ServerDevice &d = devices.at(i);
        ServerResult r = m_connection.exec(
            "insert into moravin_devices (store_key, serialno, position, device_name, ch1_name,"
            " ch2_name, ch1_unit, ch2_unit, ch1_custom, ch2_custom, ch1_min, ch1_max, ch2_min,"
            " ch2_max, updated) values ($1, $2, $3, $4, $5, $6, $7, $8, $9, $10, $11, $12, $13,"
            " $14, $15) on conflict (store_key, serialno) do update set"
            " position = excluded.position, device_name = excluded.device_name,"
            " ch1_name = excluded.ch1_name, ch2_name = excluded.ch2_name,"
            " ch1_unit = excluded.ch1_unit, ch2_unit = excluded.ch2_unit,"
            " ch1_custom = excluded.ch1_custom, ch2_custom = excluded.ch2_custom,"
            " ch1_min = excluded.ch1_min, ch1_max = excluded.ch1_max,"
            " ch2_min = excluded.ch2_min, ch2_max = excluded.ch2_max, updated = excluded.updated",
            {m_key, utf8(d.serialNo), QByteArray::number(i), utf8(d.deviceName), utf8(d.ch1Name),
             utf8(d.ch2Name), QByteArray::number(d.ch1Unit), QByteArray::number(d.ch2Unit),
             utf8(d.ch1Custom), utf8(d.ch2Custom), QByteArray::number(d.ch1Min, 'g', 17),
             QByteArray::number(d.ch1Max, 'g', 17), QByteArray::number(d.ch2Min, 'g', 17),
             QByteArray::number(d.ch2Max, 'g', 17), nowText()},
            m_timeoutMs);
        if (!r.ok())
            return fail(r, QStringLiteral("The device catalogue cannot be updated"));
    }
    ServerResult committed = m_connection.exec("commit", {}, m_timeoutMs);
    return committed.ok()
               ? Status{}
               : fail(committed, QStringLiteral("The device catalogue cannot be updated"));
}
