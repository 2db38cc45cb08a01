#include "InsertSerialData.h"

#include "StoreLogging.h"

#include "core/NoValue.h"
#include "store/StoreSchema.h"

#include <QDateTime>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTimer>

#include <cmath>

namespace {

// Six significant digits, as the readings have always been stored; values
// that are not finite have no number form and are stored as missing.
QVariant channelValue(double value)
{
    if (value == NoValue || !std::isfinite(value))
        return QVariant(QVariant::Double);
    return QString::number(value, 'g', 6).toDouble();
}

// The text columns are "not null": an empty text is stored as one.
QString notNull(const QString &text)
{
    return text.isNull() ? QStringLiteral("") : text;
}

QVariant optionalValue(const std::optional<double> &value)
{
    if (!value || !std::isfinite(*value))
        return QVariant(QVariant::Double);
    return *value;
}

QString readingsInsertHead()
{
    using namespace StoreSchema::Readings;
    return QStringLiteral("insert into %1 (%2, %3, %4, %5)")
        .arg(QLatin1String(Table), QLatin1String(SerialNo), QLatin1String(Channel1),
             QLatin1String(Channel2), QLatin1String(PointDate));
}

QString eventInsertStatement()
{
    using namespace StoreSchema::Events;
    return QStringLiteral("insert into %1 (%2, %3, %4, %5, %6, %7, %8, %9) "
                          "values (?, ?, ?, ?, ?, ?, ?, ?)")
        .arg(QLatin1String(Table), QLatin1String(Time), QLatin1String(Kind),
             QLatin1String(SerialNo), QLatin1String(Channel), QLatin1String(Value),
             QLatin1String(Limit), QLatin1String(Detail), QLatin1String(Repeats));
}

} // namespace

InsertSerialData::InsertSerialData(const QString &databasePath, const QString &connectionPrefix,
                                   QObject *parent)
    : QObject(parent), m_databasePath(databasePath), m_connectionPrefix(connectionPrefix),
      m_blocks(connectionName(), databasePath)
{
}

InsertSerialData::~InsertSerialData()
{
    const QString name = connectionName();
    if (QSqlDatabase::contains(name)) {
        {
            QSqlDatabase db = QSqlDatabase::database(name, false);
            if (db.isOpen())
                db.close();
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

bool InsertSerialData::exec(QSqlDatabase &db, const QString &statement, QString *error)
{
    QSqlQuery query(db);
    if (query.exec(statement))
        return true;
    m_lastErrorWasLock = isLockError(query.lastError());
    if (error)
        *error = query.lastError().text();
    qCDebug(lcStore) << "InsertSerialData :" << statement << ":" << query.lastError().text();
    return false;
}

bool InsertSerialData::isLockError(const QSqlError &error)
{
    // SQLITE_BUSY and SQLITE_LOCKED, also in their extended forms.
    const int code = error.nativeErrorCode().toInt() & 0xff;
    return code == 5 || code == 6;
}

bool InsertSerialData::createConnection()
{
    if (QSqlDatabase::contains(connectionName())) {
        m_opened = true;
        return true;
    }
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connectionName());
    db.setDatabaseName(m_databasePath);
    QString error;
    m_lastErrorWasLock = false;
    // A database another program holds locked is opened all the same; its
    // batches wait for the lock.
    if (db.open() && setPragmas() && createTable() &&
        (exec(db, QStringLiteral("BEGIN IMMEDIATE"), &error) || m_lastErrorWasLock)) {
        if (error.isEmpty())
            exec(db, QStringLiteral("ROLLBACK"), nullptr);
        m_eventTableReady = createEventTable(db, nullptr);
        m_opened = true;
        // Without it the readers read the whole file: slower, not wrong.
        m_blocks.prepare();
    }
    // SQLite opens a file read-only when it cannot write it (or its WAL
    // index); BEGIN IMMEDIATE fails then, and every batch would be lost.
    qCDebug(lcStore) << "InsertSerialData::createConnection :" << (m_opened ? "success" : "fail")
                     << error;
    return m_opened;
}

// WAL keeps the file consistent when the recorder is killed at any moment,
// and readers in the viewer or the report program never block the writer nor
// see half a batch.
bool InsertSerialData::setPragmas()
{
    const QStringList pragmas{
        QStringLiteral("PRAGMA busy_timeout = %1").arg(BusyTimeoutMs),
        QStringLiteral("PRAGMA page_size = 4096"),
        QStringLiteral("PRAGMA cache_size = 65536"),
        QStringLiteral("PRAGMA journal_mode = WAL"),
        QStringLiteral("PRAGMA synchronous = NORMAL"),
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

bool InsertSerialData::createTable()
{
    QSqlDatabase db = QSqlDatabase::database(connectionName(), false);
    QSqlQuery query(db);
    if (!query.exec(QStringLiteral("select name from sqlite_master where type='table' and "
                                   "name='%1';")
                        .arg(QLatin1String(StoreSchema::Readings::Table)))) {
        qCDebug(lcStore) << "InsertSerialData::createTable : select table : query error";
        return false;
    }
    if (query.next()) {
        qCDebug(lcStore) << "InsertSerialData::createTable : table exist";
        return true;
    }
    if (!query.exec(QString::fromLatin1(StoreSchema::Readings::CreateStatement))) {
        qCDebug(lcStore) << "InsertSerialData::createTable : create table : query error";
        return false;
    }
    qCDebug(lcStore) << "InsertSerialData::createTable : create table";
    return true;
}

// The event log came after the readings: files without it stay valid and
// get it the first time a recorder that knows it opens them.
bool InsertSerialData::createEventTable(QSqlDatabase &db, QString *error)
{
    return exec(db, QString::fromLatin1(StoreSchema::Events::CreateStatement), error) &&
           exec(db, QString::fromLatin1(StoreSchema::Events::CreateTimeIndex), error);
}

bool InsertSerialData::insertReadings(QSqlDatabase &db, const QVector<PendingRow> &rows, int first,
                                      int count, QString *error)
{
    // Rows of one batch identical in all four values are stored once.
    QString statement = readingsInsertHead();
    for (int i = 0; i < count; ++i)
        statement += i == 0 ? QStringLiteral(" select ?, ?, ?, ?")
                            : QStringLiteral(" union select ?, ?, ?, ?");
    statement += QLatin1Char(';');
    qCDebug(lcStore) << "InsertSerialData::insertNow : query :" << statement << "rows :" << count;

    QSqlQuery query(db);
    if (query.prepare(statement)) {
        for (int i = first; i < first + count; ++i) {
            const PendingRow &row = rows.at(i);
            query.addBindValue(row.serialNo);
            query.addBindValue(channelValue(row.channel1));
            query.addBindValue(channelValue(row.channel2));
            query.addBindValue(static_cast<qlonglong>(row.pointDate));
        }
        if (query.exec())
            return true;
    }
    m_lastErrorWasLock = isLockError(query.lastError());
    if (error)
        *error = query.lastError().text();
    qCDebug(lcStore) << "InsertSerialData::insertNow : lastError :" << query.lastError().text();
    return false;
}

bool InsertSerialData::insertEvents(QSqlDatabase &db, const QVector<EventRecord> &events,
                                    QString *error)
{
    QSqlQuery query(db);
    bool ok = query.prepare(eventInsertStatement());
    for (int i = 0; ok && i < events.size(); ++i) {
        const EventRecord &event = events.at(i);
        query.addBindValue(static_cast<qlonglong>(event.time));
        query.addBindValue(notNull(event.kind));
        query.addBindValue(notNull(event.serialNo));
        query.addBindValue(event.channel);
        query.addBindValue(optionalValue(event.value));
        query.addBindValue(optionalValue(event.limit));
        query.addBindValue(notNull(event.detail));
        query.addBindValue(event.repeats);
        ok = query.exec();
    }
    if (!ok) {
        m_lastErrorWasLock = isLockError(query.lastError());
        if (error)
            *error = query.lastError().text();
        qCDebug(lcStore) << "InsertSerialData::insertEvents :" << query.lastError().text();
    }
    return ok;
}

InsertSerialData::Outcome InsertSerialData::write(const StoreBatch &batch, QString *error)
{
    if (batch.isEmpty())
        return Outcome::Written;
    if (!m_opened) {
        if (error)
            *error = QStringLiteral("The database is not open.");
        return Outcome::Failed;
    }
    qCDebug(lcStore) << "InsertSerialData::insertNow : starttime :"
                     << QDateTime::currentDateTime().toString(Qt::ISODateWithMs);
    QSqlDatabase db = QSqlDatabase::database(connectionName(), false);
    m_lastErrorWasLock = false;
    // IMMEDIATE takes the write lock first, so that a busy database is met
    // here, with the busy timeout, and not half-way through the batch.
    if (!exec(db, QStringLiteral("BEGIN IMMEDIATE"), error))
        return m_lastErrorWasLock ? Outcome::Busy : Outcome::Failed;
    bool ok = true;
    for (int first = 0; ok && first < batch.readings.size(); first += MaxRowsPerStatement) {
        const int count = qMin(MaxRowsPerStatement, batch.readings.size() - first);
        ok = insertReadings(db, batch.readings, first, count, error);
    }
    // Rows other programs wrote around the triggers; a summary that falls
    // behind is read past, so its failure does not hold the batch back.
    if (ok && m_blocks.isReady())
        m_blocks.catchUp();
    if (ok && !batch.events.isEmpty()) {
        ok = m_eventTableReady || createEventTable(db, error);
        m_eventTableReady = ok;
        ok = ok && insertEvents(db, batch.events, error);
    }
    ok = ok && exec(db, QStringLiteral("COMMIT"), error);
    if (!ok) {
        const bool lock = m_lastErrorWasLock;
        exec(db, QStringLiteral("ROLLBACK"), nullptr);
        qCDebug(lcStore) << "InsertSerialData::insertNow : rows kept :" << batch.readings.size();
        return lock ? Outcome::Busy : Outcome::Failed;
    }
    qCDebug(lcStore) << "InsertSerialData::insertNow : endtime :"
                     << QDateTime::currentDateTime().toString(Qt::ISODateWithMs);
    return Outcome::Written;
}

void InsertSerialData::open()
{
    const bool ok = createConnection();
    emit opened(ok, ok ? startDateTime() : 0, ok ? endDateTime() : 0);
    if (ok)
        QTimer::singleShot(0, this, &InsertSerialData::buildBlocks);
}

void InsertSerialData::buildBlocks()
{
    bool finished = false;
    const bool ok = m_blocks.isReady() ? m_blocks.buildStep(&finished) : m_blocks.prepare();
    if (finished)
        return;
    if (ok)
        QTimer::singleShot(0, this, &InsertSerialData::buildBlocks);
    else if (m_blocks.lockFailed())
        QTimer::singleShot(BuildRetryMs, this, &InsertSerialData::buildBlocks);
}

void InsertSerialData::writeBatch(const StoreBatch &batch)
{
    QString error;
    switch (write(batch, &error)) {
    case Outcome::Written:
        emit batchWritten(batch.readings.size(), batch.events.size());
        break;
    case Outcome::Busy:
        emit batchWaiting(batch, error);
        break;
    case Outcome::Failed:
        emit batchFailed(batch, error);
        break;
    }
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
    return selectTime("startDateTime", QStringLiteral("select min(%1) from %2;")
                                           .arg(QLatin1String(StoreSchema::Readings::PointDate),
                                                QLatin1String(StoreSchema::Readings::Table)));
}

quint64 InsertSerialData::endDateTime()
{
    return selectTime("endDateTime", QStringLiteral("select max(%1) from %2;")
                                         .arg(QLatin1String(StoreSchema::Readings::PointDate),
                                              QLatin1String(StoreSchema::Readings::Table)));
}
