#include "ReadingsBlocks.h"

#include "StoreLogging.h"

#include "store/ReadingsDatabase.h"
#include "store/ReadingsRange.h"
#include "store/StoreSchema.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

#include <algorithm>

namespace {

constexpr qint64 BlockRows = qint64(1) << StoreSchema::Blocks::Shift;

QString sql(const char *text)
{
    return QString::fromLatin1(text);
}

} // namespace

ReadingsBlocks::ReadingsBlocks(const QString &connectionName, const QString &databasePath)
    : m_connectionName(connectionName), m_databasePath(databasePath)
{
}

bool ReadingsBlocks::exec(QSqlDatabase &db, const QString &statement, QString *error)
{
    QSqlQuery query(db);
    if (query.exec(statement))
        return true;
    // SQLITE_BUSY and SQLITE_LOCKED, also in their extended forms.
    const int code = query.lastError().nativeErrorCode().toInt() & 0xff;
    m_lockFailed = code == 5 || code == 6;
    if (error)
        *error = query.lastError().text();
    qCDebug(lcStore) << "ReadingsBlocks :" << statement << ":" << query.lastError().text();
    return false;
}

bool ReadingsBlocks::integer(QSqlDatabase &db, const QString &statement, qint64 *value,
                             QString *error)
{
    QSqlQuery query(db);
    if (!query.exec(statement) || !query.next()) {
        if (error)
            *error = query.lastError().text();
        qCDebug(lcStore) << "ReadingsBlocks :" << statement << ":" << query.lastError().text();
        return false;
    }
    *value = query.value(0).toLongLong();
    return true;
}

bool ReadingsBlocks::merge(QSqlDatabase &db, qint64 firstId, qint64 lastId, QString *error)
{
    using namespace StoreSchema;
    if (lastId < firstId)
        return true;
    // One statement: the rows' times per block, joined with what the block
    // held, so that a block only widens.
    return exec(db,
                QStringLiteral("insert or replace into %1 (block, firstDate, lastDate) "
                               "select g.b, min(g.f, coalesce(r.firstDate, g.f)), "
                               "max(g.l, coalesce(r.lastDate, g.l)) from "
                               "(select %2 >> %3 as b, min(%4) as f, max(%4) as l from %5 "
                               "where %2 >= %6 and %2 <= %7 group by 1) as g "
                               "left join %1 as r on r.block = g.b where g.f is not null")
                    .arg(sql(Blocks::Table), sql(Readings::Id))
                    .arg(Blocks::Shift)
                    .arg(sql(Readings::PointDate), sql(Readings::Table))
                    .arg(firstId)
                    .arg(lastId),
                error);
}

bool ReadingsBlocks::create(QSqlDatabase &db, QString *error)
{
    using namespace StoreSchema;
    qint64 newest = 0;
    const bool ok =
        exec(db, QStringLiteral("drop trigger if exists %1").arg(sql(Blocks::InsertTrigger)),
             error) &&
        exec(db, QStringLiteral("drop trigger if exists %1").arg(sql(Blocks::UpdateTrigger)),
             error) &&
        exec(db, QStringLiteral("drop table if exists %1").arg(sql(Blocks::Table)), error) &&
        exec(db, QStringLiteral("drop table if exists %1").arg(sql(Blocks::State)), error) &&
        exec(db, sql(Blocks::CreateTable), error) && exec(db, sql(Blocks::CreateState), error) &&
        exec(db, sql(Blocks::CreateInsertTrigger), error) &&
        exec(db, sql(Blocks::CreateUpdateTrigger), error) &&
        integer(db,
                QStringLiteral("select coalesce(max(%1), 0) from %2")
                    .arg(sql(Readings::Id), sql(Readings::Table)),
                &newest, error);
    if (!ok)
        return false;
    // The newest block now; the triggers take every row from here on and
    // the older blocks are built step by step.
    const qint64 block = newest >> Blocks::Shift;
    return merge(db, block * BlockRows, newest, error) &&
           exec(db,
                QStringLiteral("insert into %1 (version, builtFrom, coveredTo) values (%2, %3, %4)")
                    .arg(sql(Blocks::State))
                    .arg(Blocks::Version)
                    .arg(block)
                    .arg(newest),
                error);
}

bool ReadingsBlocks::prepare(QString *error)
{
    m_lockFailed = false;
    if (ReadingsRange::hasSummary(ReadingsDatabase(m_databasePath))) {
        m_ready = true;
        return true;
    }
    QSqlDatabase db = QSqlDatabase::database(m_connectionName, false);
    if (!exec(db, QStringLiteral("BEGIN IMMEDIATE"), error))
        return false;
    m_ready = create(db, error) && exec(db, QStringLiteral("COMMIT"), error);
    if (!m_ready)
        exec(db, QStringLiteral("ROLLBACK"), nullptr);
    qCDebug(lcStore) << "ReadingsBlocks::prepare :" << m_databasePath << m_ready;
    return m_ready;
}

bool ReadingsBlocks::catchUp(QString *error)
{
    using namespace StoreSchema;
    QSqlDatabase db = QSqlDatabase::database(m_connectionName, false);
    qint64 covered = 0;
    qint64 builtFrom = 0;
    qint64 newest = 0;
    if (!integer(db, QStringLiteral("select coveredTo from %1").arg(sql(Blocks::State)), &covered,
                 error) ||
        !integer(db, QStringLiteral("select builtFrom from %1").arg(sql(Blocks::State)), &builtFrom,
                 error) ||
        !integer(db,
                 QStringLiteral("select coalesce(max(%1), 0) from %2")
                     .arg(sql(Readings::Id), sql(Readings::Table)),
                 &newest, error))
        return false;
    if (newest <= covered)
        return true;
    return merge(db, std::max(covered + 1, builtFrom * BlockRows), newest, error) &&
           exec(db,
                QStringLiteral("update %1 set coveredTo = %2").arg(sql(Blocks::State)).arg(newest),
                error);
}

bool ReadingsBlocks::buildStep(bool *finished, int blocks, QString *error)
{
    using namespace StoreSchema;
    *finished = false;
    m_lockFailed = false;
    QSqlDatabase db = QSqlDatabase::database(m_connectionName, false);
    if (!exec(db, QStringLiteral("BEGIN IMMEDIATE"), error))
        return false;
    qint64 builtFrom = 0;
    qint64 oldest = 0;
    bool ok = integer(db, QStringLiteral("select builtFrom from %1").arg(sql(Blocks::State)),
                      &builtFrom, error) &&
              integer(db,
                      QStringLiteral("select coalesce(min(%1), 0) from %2")
                          .arg(sql(Readings::Id), sql(Readings::Table)),
                      &oldest, error);
    const qint64 low = std::max(oldest >> Blocks::Shift, builtFrom - blocks);
    if (ok && low < builtFrom)
        ok = merge(db, low * BlockRows, builtFrom * BlockRows - 1, error) &&
             exec(db,
                  QStringLiteral("update %1 set builtFrom = %2").arg(sql(Blocks::State)).arg(low),
                  error);
    ok = ok && exec(db, QStringLiteral("COMMIT"), error);
    if (!ok) {
        exec(db, QStringLiteral("ROLLBACK"), nullptr);
        return false;
    }
    *finished = low <= oldest >> Blocks::Shift;
    qCDebug(lcStore) << "ReadingsBlocks::buildStep : built from block" << low;
    return true;
}
