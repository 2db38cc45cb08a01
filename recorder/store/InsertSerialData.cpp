#include "InsertSerialData.h"

#include "core/NoValue.h"

#include <QDateTime>
#include <QLoggingCategory>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QVector>

#include <algorithm>

#include <cmath>

Q_LOGGING_CATEGORY(lcStore, "moravin.recorder.store")

namespace {

const char *const kCreateTable =
    "create table kelvantis (\t\tid integer primary key autoincrement,\t\tserialno varchar(18) "
    "not null, \t\tchannel1 float, channel2 float, \t\tpointDate integer not null\t\t)";

// Rows carry the database they were recorded for, so that a batch left over
// from one project can never end up in another project's file.
struct QueuedRow
{
    PendingRow row;
    QString database;
};

QVector<QueuedRow> &pendingRows()
{
    static QVector<QueuedRow> rows;
    return rows;
}

// The database of the writer that is open now; rows appended while none is
// open belong to no project.
QString &activeDatabase()
{
    static QString path;
    return path;
}

// Six significant digits, as the readings have always been stored; values
// that are not finite have no number form and are stored as missing.
QVariant channelValue(double value)
{
    if (value == NoValue || !std::isfinite(value))
        return QVariant(QVariant::Double);
    return QString::number(value, 'g', 6).toDouble();
}

} // namespace

InsertSerialData::InsertSerialData(const QString &databasePath, const QString &connectionPrefix,
                                   QObject *parent)
    : QObject(parent), m_databasePath(databasePath), m_connectionPrefix(connectionPrefix)
{
}

InsertSerialData::~InsertSerialData()
{
    if (activeDatabase() == m_databasePath)
        activeDatabase().clear();
    const QString name = connectionName();
    if (QSqlDatabase::contains(name)) {
        {
            QSqlDatabase db = QSqlDatabase::database(name, false);
            if (db.isOpen()) {
                db.commit();
                db.close();
            }
        }
        QSqlDatabase::removeDatabase(name);
        qCDebug(lcStore) << "InsertSerialData::~InsertSerialData : removeDatabase :" << name;
    }
    qCDebug(lcStore) << "InsertSerialData::~InsertSerialData()";
}

QString InsertSerialData::connectionName() const
{
    return m_connectionPrefix + QStringLiteral("filedb");
}

bool InsertSerialData::createConnection()
{
    if (QSqlDatabase::contains(connectionName())) {
        m_opened = true;
    } else {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connectionName());
        db.setDatabaseName(m_databasePath);
        if (db.open() && setPragmas() && createTable() && isWritable(db)) {
            qCDebug(lcStore) << "InsertSerialData::createConnection : success";
            m_opened = true;
        } else {
            qCDebug(lcStore) << "InsertSerialData::createConnection : fail"
                             << db.lastError().text();
        }
    }
    if (m_opened)
        activeDatabase() = m_databasePath;
    return m_opened;
}

// WAL keeps the file consistent when the recorder is killed at any moment,
// and readers in the viewer or the report program never block the writer nor
// see half a batch. The busy timeout stays short because writes run on the
// GUI thread; a batch that still meets a lock stays queued for the next flush.
bool InsertSerialData::setPragmas()
{
    const QStringList pragmas{
        QStringLiteral("PRAGMA page_size = 4096"),   QStringLiteral("PRAGMA cache_size = 65536"),
        QStringLiteral("PRAGMA journal_mode = WAL"), QStringLiteral("PRAGMA synchronous = NORMAL"),
        QStringLiteral("PRAGMA busy_timeout = 250"),
    };
    QSqlDatabase db = QSqlDatabase::database(connectionName(), false);
    for (const QString &pragma : pragmas) {
        QSqlQuery query(db);
        if (!query.exec(pragma)) {
            qCDebug(lcStore) << "InsertSerialData::setPragmas :" << pragma << ":"
                             << query.lastError().text();
            return false;
        }
        // journal_mode answers with the mode it got; a read-only or
        // non-SQLite file fails here rather than later.
        if (pragma.contains(QLatin1String("journal_mode")) &&
            (!query.next() ||
             query.value(0).toString().compare(QLatin1String("wal"), Qt::CaseInsensitive) != 0)) {
            qCDebug(lcStore) << "InsertSerialData::setPragmas : journal_mode refused";
            return false;
        }
    }
    return true;
}

// SQLite opens a file read-only when it cannot write it (or its WAL index),
// and every batch would then be lost. A lock held by a reader or another
// writer is no reason to refuse: the batches wait for it.
bool InsertSerialData::isWritable(QSqlDatabase &db)
{
    QSqlQuery query(db);
    if (query.exec(QStringLiteral("BEGIN IMMEDIATE"))) {
        query.exec(QStringLiteral("ROLLBACK"));
        return true;
    }
    const QString code = query.lastError().nativeErrorCode();
    qCDebug(lcStore) << "InsertSerialData::createConnection : write check :"
                     << query.lastError().text();
    return code == QLatin1String("5") || code == QLatin1String("6"); // busy, locked
}

bool InsertSerialData::createTable()
{
    QSqlDatabase db = QSqlDatabase::database(connectionName(), false);
    QSqlQuery query(db);
    if (!query.exec(QStringLiteral(
            "select name from sqlite_master where type='table' and name='kelvantis';"))) {
        qCDebug(lcStore) << "InsertSerialData::createTable : select table : query error";
        return false;
    }
    if (query.next()) {
        qCDebug(lcStore) << "InsertSerialData::createTable : table exist";
        return true;
    }
    if (!query.exec(QString::fromLatin1(kCreateTable))) {
        qCDebug(lcStore) << "InsertSerialData::createTable : create table : query error";
        return false;
    }
    qCDebug(lcStore) << "InsertSerialData::createTable : create table";
    return true;
}

void InsertSerialData::append(const PendingRow &row)
{
    if (activeDatabase().isEmpty()) {
        qCDebug(lcStore) << "InsertSerialData::append : no open database, row dropped :"
                         << row.serialNo;
        return;
    }
    pendingRows().append({row, activeDatabase()});
}

int InsertSerialData::pendingCount()
{
    return pendingRows().size();
}

int InsertSerialData::ownPendingCount() const
{
    const QVector<QueuedRow> &rows = pendingRows();
    return int(std::count_if(rows.begin(), rows.end(),
                             [this](const QueuedRow &r) { return r.database == m_databasePath; }));
}

int InsertSerialData::discardOwnPending()
{
    QVector<QueuedRow> &rows = pendingRows();
    const int before = rows.size();
    rows.erase(std::remove_if(rows.begin(), rows.end(),
                              [this](const QueuedRow &r) { return r.database == m_databasePath; }),
               rows.end());
    return before - rows.size();
}

void InsertSerialData::clearPending()
{
    pendingRows().clear();
}

bool InsertSerialData::insertChunk(QSqlDatabase &db, int first, int count)
{
    const QVector<QueuedRow> &rows = pendingRows();
    QString statement =
        QStringLiteral("insert into kelvantis (serialno, channel1, channel2, pointDate)");
    int taken = 0;
    QVector<const PendingRow *> batch;
    for (int i = first; taken < count && i < rows.size(); ++i) {
        if (rows[i].database != m_databasePath)
            continue;
        statement += taken == 0 ? QStringLiteral(" select ?, ?, ?, ?")
                                : QStringLiteral(" union select ?, ?, ?, ?");
        batch.append(&rows[i].row);
        ++taken;
    }
    statement += QLatin1Char(';');
    qCDebug(lcStore) << "InsertSerialData::insertNow : query :" << statement << "rows :" << taken;

    QSqlQuery query(db);
    if (!query.prepare(statement)) {
        qCDebug(lcStore) << "InsertSerialData::insertNow : lastError :" << query.lastError().text();
        return false;
    }
    for (const PendingRow *row : batch) {
        query.addBindValue(row->serialNo);
        query.addBindValue(channelValue(row->channel1));
        query.addBindValue(channelValue(row->channel2));
        query.addBindValue(static_cast<qlonglong>(row->pointDate));
    }
    const bool ok = query.exec();
    qCDebug(lcStore) << "InsertSerialData::insertNow : insert query :" << ok;
    if (!ok)
        qCDebug(lcStore) << "InsertSerialData::insertNow : lastError :" << query.lastError().text();
    return ok;
}

bool InsertSerialData::insertNow()
{
    QVector<QueuedRow> &rows = pendingRows();
    const int mine = ownPendingCount();
    if (mine == 0)
        return true;
    if (!m_opened)
        return false;
    qCDebug(lcStore) << "InsertSerialData::insertNow : starttime :"
                     << QDateTime::currentDateTime().toString(Qt::ISODateWithMs);

    QSqlDatabase db = QSqlDatabase::database(connectionName(), false);
    const bool began = db.transaction();
    qCDebug(lcStore) << "InsertSerialData::insertNow : begin transaction :" << began;
    bool ok = began;
    int cursor = 0;
    for (int left = mine; ok && left > 0; left -= MaxRowsPerStatement) {
        const int count = qMin(left, MaxRowsPerStatement);
        ok = insertChunk(db, cursor, count);
        // Advance past the rows of this chunk, skipping other databases' rows.
        for (int taken = 0; taken < count; ++cursor)
            taken += rows[cursor].database == m_databasePath ? 1 : 0;
    }
    if (ok)
        ok = db.commit();
    qCDebug(lcStore) << "InsertSerialData::insertNow : commit transaction :" << ok;
    if (!ok) {
        if (began)
            db.rollback();
        qCDebug(lcStore) << "InsertSerialData::insertNow : lastError :" << db.lastError().text()
                         << ": rows kept :" << mine;
        return false;
    }
    discardOwnPending();
    qCDebug(lcStore) << "InsertSerialData::insertNow : endtime :"
                     << QDateTime::currentDateTime().toString(Qt::ISODateWithMs);
    return true;
}

quint64 InsertSerialData::selectTime(const char *function, const QString &statement)
{
    QSqlQuery query(QSqlDatabase::database(connectionName(), false));
    if (!query.exec(statement)) {
        qCDebug(lcStore) << "InsertSerialData::" << function << ": query error";
        return 0;
    }
    if (!query.next() || query.value(0).isNull())
        return 0;
    const quint64 value = query.value(0).toULongLong();
    qCDebug(lcStore) << "InsertSerialData::" << function << ":"
                     << QDateTime::fromSecsSinceEpoch(static_cast<qint64>(value))
                            .toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"));
    return value;
}

quint64 InsertSerialData::startDateTime()
{
    return selectTime("startDateTime", QStringLiteral("select min(pointDate) from kelvantis;"));
}

quint64 InsertSerialData::endDateTime()
{
    return selectTime("endDateTime", QStringLiteral("select max(pointDate) from kelvantis;"));
}
