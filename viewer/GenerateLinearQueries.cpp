#include "GenerateLinearQueries.h"

#include "ChannelKey.h"
#include "core/NoValue.h"

#include <QListWidgetItem>
#include <QLoggingCategory>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlError>

#include <sqlite3.h>

#include <algorithm>
#include <new>
#include <thread>

Q_LOGGING_CATEGORY(lcGenerate, "moravin.viewer.generate")

namespace {

// Tables smaller than this are read by one thread.
constexpr qint64 ParallelRows = 200000;

struct Statement
{
    sqlite3_stmt *stmt = nullptr;
    ~Statement() { sqlite3_finalize(stmt); }
};

struct RawConnection
{
    sqlite3 *db = nullptr;
    ~RawConnection() { sqlite3_close(db); }
};

QString sqliteError(sqlite3 *db)
{
    return QString::fromUtf8(db ? sqlite3_errmsg(db) : "out of memory");
}

QString readErrorText(const QString &detail)
{
    return QStringLiteral("The data file cannot be read (%1).\nPlease retry.").arg(detail);
}

} // namespace

GenerateLinearQueries::GenerateLinearQueries(const QString &connectionTag, const QString &dbPath,
                                             const QString &projectDir,
                                             const QList<QListWidgetItem *> &items,
                                             const QString &startText, const QString &endText,
                                             QObject *parent)
    : QThread(parent), m_connectionTag(connectionTag), m_dbPath(dbPath), m_projectDir(projectDir),
      m_startText(startText), m_endText(endText)
{
    for (const QListWidgetItem *item : items) {
        m_keys.append(item ? item->data(Qt::ToolTipRole).toString() : QString());
        m_titles.append(item ? ChannelKey::titleFromItemText(item->text()) : QString());
        m_legends.append(item ? ViewerSeries::legendFromItemText(item->text()) : QString());
    }
}

GenerateLinearQueries::GenerateLinearQueries(const QString &connectionTag, const QString &dbPath,
                                             const QString &projectDir, const QStringList &keys,
                                             const QStringList &titles, const QString &startText,
                                             const QString &endText, QObject *parent)
    : QThread(parent), m_connectionTag(connectionTag), m_dbPath(dbPath), m_projectDir(projectDir),
      m_keys(keys), m_titles(titles), m_startText(startText), m_endText(endText)
{
    while (m_titles.size() < m_keys.size())
        m_titles.append(QString());
    m_legends = m_titles;
}

GenerateLinearQueries::~GenerateLinearQueries()
{
    if (QSqlDatabase::contains(connectionName()))
        QSqlDatabase::removeDatabase(connectionName());
    qCDebug(lcGenerate) << "~GenerateLinearQueries()";
}

ViewerSeries GenerateLinearQueries::takeResult()
{
    ViewerSeries r = m_result;
    m_result = ViewerSeries();
    return r;
}

GenerateLinearQueries::Plan GenerateLinearQueries::makePlan() const
{
    Plan plan;
    for (const QString &key : m_keys) {
        const ChannelKey k = ChannelKey::split(key);
        ChannelRef ref;
        if (k.valid) {
            int d = plan.serials.indexOf(k.serial);
            if (d < 0) {
                d = plan.serials.size();
                plan.serials.append(k.serial);
            }
            ref.device = d;
            ref.column = k.column == QLatin1String("channel2") ? 1 : 0;
            plan.needColumn[ref.column] = true;
        } else {
            qCDebug(lcGenerate) << "GenerateLinearQueries : no channel in key" << key;
        }
        plan.refs.push_back(ref);
    }
    return plan;
}

void GenerateLinearQueries::run()
{
    QString errorText;
    bool ok = false;
    try {
        ok = runJob(&errorText);
    } catch (const std::bad_alloc &) {
        m_result = ViewerSeries();
        errorText = graphErrorText();
    }
    if (QSqlDatabase::contains(connectionName()))
        QSqlDatabase::removeDatabase(connectionName());
    if (ok)
        emit done(m_result.rowCount());
    else
        emit error(errorText);
}

bool GenerateLinearQueries::scan(sqlite3 *db, qint64 rowLo, qint64 rowHi, const Plan &plan,
                                 size_t reserve, std::vector<DeviceRows> &out,
                                 QString *errorText) const
{
    // One pass over the rows of the range; every value is a bound parameter.
    const int devices = plan.serials.size();
    QString sql = QStringLiteral("select case serialno");
    for (int d = 0; d < devices; ++d)
        sql += QStringLiteral(" when ?%1 then %2").arg(d + 5).arg(d);
    sql += QStringLiteral(" else -1 end, pointDate");
    sql += plan.needColumn[0] ? QStringLiteral(", channel1") : QStringLiteral(", null");
    sql += plan.needColumn[1] ? QStringLiteral(", channel2") : QStringLiteral(", null");
    sql += QStringLiteral(" from kelvantis where rowid >= ?1 and rowid <= ?2"
                          " and pointDate >= ?3 and pointDate <= ?4 and serialno in (");
    for (int d = 0; d < devices; ++d)
        sql += (d ? QStringLiteral(", ?") : QStringLiteral("?")) + QString::number(d + 5);
    sql += QLatin1Char(')');

    Statement st;
    const QByteArray utf8 = sql.toUtf8();
    if (sqlite3_prepare_v2(db, utf8.constData(), utf8.size(), &st.stmt, nullptr) != SQLITE_OK) {
        *errorText = readErrorText(sqliteError(db));
        qCDebug(lcGenerate) << "GenerateLinearQueries::scan : prepare error" << sqliteError(db);
        return false;
    }
    sqlite3_bind_int64(st.stmt, 1, rowLo);
    sqlite3_bind_int64(st.stmt, 2, rowHi);
    sqlite3_bind_int64(st.stmt, 3, m_startText.toLongLong());
    sqlite3_bind_int64(st.stmt, 4, m_endText.toLongLong());
    std::vector<QByteArray> serials;
    for (int d = 0; d < devices; ++d) {
        serials.push_back(plan.serials.at(d).toUtf8());
        sqlite3_bind_text(st.stmt, d + 5, serials.back().constData(), serials.back().size(),
                          SQLITE_TRANSIENT);
    }

    out.assign(size_t(devices), DeviceRows());
    std::vector<char> need(size_t(devices) * 2, 0);
    for (const ChannelRef &r : plan.refs)
        if (r.device >= 0)
            need[size_t(r.device) * 2 + size_t(r.column)] = 1;
    for (int d = 0; d < devices; ++d) {
        DeviceRows &rows = out[size_t(d)];
        rows.times.reserve(reserve);
        for (int c = 0; c < 2; ++c)
            if (need[size_t(d) * 2 + size_t(c)])
                rows.values[c].reserve(reserve);
    }

    int rc;
    while ((rc = sqlite3_step(st.stmt)) == SQLITE_ROW) {
        const int d = sqlite3_column_int(st.stmt, 0);
        if (d < 0 || d >= devices)
            continue;
        const sqlite3_int64 t = sqlite3_column_int64(st.stmt, 1);
        DeviceRows &rows = out[size_t(d)];
        rows.times.push_back(static_cast<quint32>(t));
        for (int c = 0; c < 2; ++c) {
            if (!need[size_t(d) * 2 + size_t(c)])
                continue;
            const int type = sqlite3_column_type(st.stmt, 2 + c);
            rows.values[c].push_back(type == SQLITE_NULL || type == SQLITE_BLOB
                                         ? NoValue
                                         : sqlite3_column_double(st.stmt, 2 + c));
        }
    }
    if (rc != SQLITE_DONE) {
        *errorText = readErrorText(sqliteError(db));
        qCDebug(lcGenerate) << "GenerateLinearQueries::scan : step error" << sqliteError(db);
        return false;
    }
    return true;
}

bool GenerateLinearQueries::runJob(QString *errorText)
{
    const Plan plan = makePlan();
    qCDebug(lcGenerate) << "GenerateLinearQueries : devices" << plan.serials << "range"
                        << m_startText << m_endText;
    if (plan.serials.isEmpty()) {
        qCDebug(lcGenerate) << "makeModels error.";
        *errorText = collectionErrorText();
        return false;
    }

    QSqlDatabase database =
        QSqlDatabase::contains(connectionName())
            ? QSqlDatabase::database(connectionName(), false)
            : QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connectionName());
    database.setDatabaseName(m_dbPath);
    database.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY;QSQLITE_BUSY_TIMEOUT=5000"));
    if (!database.open()) {
        *errorText = readErrorText(database.lastError().text());
        return false;
    }
    const QVariant handle = database.driver()->handle();
    sqlite3 *db = nullptr;
    if (handle.isValid() && qstrcmp(handle.typeName(), "sqlite3*") == 0)
        db = *static_cast<sqlite3 *const *>(handle.constData());
    if (!db) {
        *errorText = readErrorText(QStringLiteral("no SQLite connection"));
        return false;
    }

    emit calcTimeSeries();
    // The row id range, from the primary key's ends (no scan).
    qint64 rowMin = 0, rowMax = -1;
    {
        Statement st;
        if (sqlite3_prepare_v2(db, "select min(rowid), max(rowid) from kelvantis", -1, &st.stmt,
                               nullptr) != SQLITE_OK ||
            sqlite3_step(st.stmt) != SQLITE_ROW) {
            *errorText = readErrorText(sqliteError(db));
            qCDebug(lcGenerate) << "getRecordLength : query error" << sqliteError(db);
            return false;
        }
        if (sqlite3_column_type(st.stmt, 0) != SQLITE_NULL) {
            rowMin = sqlite3_column_int64(st.stmt, 0);
            rowMax = sqlite3_column_int64(st.stmt, 1);
        }
    }

    const qint64 start = m_startText.toLongLong();
    const qint64 end = m_endText.toLongLong();
    size_t expected = 0;
    if (m_intervalMs > 0 && end >= start)
        expected = size_t(std::min<qint64>((end - start) * 1000 / m_intervalMs + 16, 50000000));
    expected = size_t(
        std::min<qint64>(qint64(expected), rowMax - rowMin + 1 > 0 ? rowMax - rowMin + 1 : 0));

    std::vector<DeviceRows> devices;
    if (rowMax >= rowMin) {
        const qint64 rows = rowMax - rowMin + 1;
        if (rows < ParallelRows || std::thread::hardware_concurrency() < 2) {
            if (!scan(db, rowMin, rowMax, plan, expected, devices, errorText))
                return false;
        } else {
            // Two halves of the row id range on two connections at once; the
            // second half's rows follow the first's, so scan order is kept.
            const qint64 mid = rowMin + rows / 2;
            RawConnection second;
            const QByteArray path = m_dbPath.toUtf8();
            if (sqlite3_open_v2(path.constData(), &second.db,
                                SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX, nullptr) != SQLITE_OK) {
                *errorText = readErrorText(sqliteError(second.db));
                return false;
            }
            sqlite3_busy_timeout(second.db, 5000);
            std::vector<DeviceRows> tail;
            QString tailError;
            bool tailOk = false;
            std::thread helper([&] {
                try {
                    tailOk =
                        scan(second.db, mid, rowMax, plan, expected / 2 + 16, tail, &tailError);
                } catch (const std::bad_alloc &) {
                    tailError = graphErrorText();
                }
            });
            bool headOk = false;
            try {
                headOk = scan(db, rowMin, mid - 1, plan, expected / 2 + 16, devices, errorText);
            } catch (...) {
                helper.join();
                throw;
            }
            helper.join();
            if (!headOk)
                return false;
            if (!tailOk) {
                *errorText = tailError;
                return false;
            }
            for (size_t d = 0; d < devices.size(); ++d) {
                DeviceRows &a = devices[d];
                DeviceRows &b = tail[d];
                a.times.insert(a.times.end(), b.times.begin(), b.times.end());
                std::vector<quint32>().swap(b.times);
                for (int c = 0; c < 2; ++c) {
                    a.values[c].insert(a.values[c].end(), b.values[c].begin(), b.values[c].end());
                    std::vector<double>().swap(b.values[c]);
                }
            }
        }
    }
    database.close();

    size_t total = 0;
    for (const DeviceRows &d : devices)
        total += d.times.size();
    qCDebug(lcGenerate) << "getRecordLength : rows" << total;
    if (total == 0) {
        qCDebug(lcGenerate) << "getRecordLength error.";
        *errorText = noDataText();
        return false;
    }

    emit createHashTables();
    AlignedSeries aligned = alignSeries(devices, plan.refs);
    devices.clear();
    devices.shrink_to_fit();
    const int rowCount = aligned.times.size();
    emit wholeCount(rowCount);
    if (rowCount <= 0) {
        qCDebug(lcGenerate) << "makeInsertQueries error.";
        *errorText = graphErrorText();
        return false;
    }

    // x array: chart times, ascending also across a change of the clocks.
    ViewerSeries &r = m_result;
    r.times = aligned.times;
    r.values = aligned.values;
    r.titles = m_titles;
    r.legends = m_legends;
    auto map = std::make_shared<LocalTimeMap>(r.times.first(), r.times.last());
    r.timeMap = map;
    r.x.resize(rowCount);
    double *x = r.x.data();
    const quint32 *t = r.times.constData();
    const int step = std::max(10, rowCount / 100);
    for (int i = 0; i < rowCount; ++i) {
        x[i] = map->chartTime(t[i]);
        if ((i + 1) % step == 0)
            emit progPlus(i + 1);
    }
    r.makeLines(aligned.points, m_intervalMs);
    emit progPlus(rowCount);
    qCDebug(lcGenerate) << "makeGraphData rowCnt :" << rowCount;
    return true;
}
