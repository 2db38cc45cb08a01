#include "ReadingsDatabase.h"

#include "ReadingsRange.h"
#include "ReadingsStatement.h"
#include "StoreSchema.h"

#include <QLoggingCategory>

#include <sqlite3.h>

#include <utility>

Q_LOGGING_CATEGORY(lcReadings, "moravin.common.readings")

ReadingsDatabase::ReadingsDatabase(const QString &path, const QString &name)
    : m_path(path), m_name(name)
{
    const QByteArray file = path.toUtf8();
    sqlite3 *db = nullptr;
    const int rc =
        sqlite3_open_v2(file.constData(), &db, SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX, nullptr);
    if (rc != SQLITE_OK) {
        m_openError = QString::fromUtf8(db ? sqlite3_errmsg(db) : sqlite3_errstr(rc));
        sqlite3_close(db);
        qCDebug(lcReadings) << "ReadingsDatabase : cannot open" << path << m_name << m_openError;
        return;
    }
    sqlite3_busy_timeout(db, BusyTimeoutMs);
    m_db = db;
}

ReadingsDatabase::~ReadingsDatabase()
{
    sqlite3_close(m_db);
}

QString ReadingsDatabase::errorText() const
{
    return m_db ? QString::fromUtf8(sqlite3_errmsg(m_db)) : m_openError;
}

bool ReadingsDatabase::rowIds(RowIdSpan *span) const
{
    using namespace StoreSchema::Readings;
    // Two subqueries: each single min() or max() reads one end of the
    // primary key, while both in one select would visit every row.
    ReadingsStatement st(*this, QByteArray("select (select min(rowid) from ") + Table +
                                    "), (select max(rowid) from " + Table + ')');
    if (!st.next())
        return false;
    *span = st.isNull(0) ? RowIdSpan() : RowIdSpan{st.integer(0), st.integer(1)};
    return true;
}

bool ReadingsDatabase::recordedPeriod(qint64 *first, qint64 *last) const
{
    if (ReadingsRange::summarizedPeriod(*this, first, last))
        return true;
    using namespace StoreSchema::Readings;
    const auto edge = [this](const char *aggregate, const char *order, qint64 *value) {
        ReadingsStatement st(*this, QByteArray("select ") + aggregate + '(' + PointDate +
                                        ") from (select " + PointDate + " from " + Table +
                                        " order by rowid " + order + " limit ?1)");
        st.bind(1, qint64(EdgeRows));
        if (!st.next() || st.isNull(0)) {
            qCDebug(lcReadings) << "ReadingsDatabase::recordedPeriod :" << m_path << errorText();
            return false;
        }
        *value = st.integer(0);
        return true;
    };
    if (!edge("min", "asc", first) || !edge("max", "desc", last))
        return false;
    if (*first > *last)
        std::swap(*first, *last);
    return true;
}
