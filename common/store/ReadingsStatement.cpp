#include "ReadingsStatement.h"

#include "ReadingsDatabase.h"
#include "core/NoValue.h"

#include <QLoggingCategory>

#include <sqlite3.h>

Q_DECLARE_LOGGING_CATEGORY(lcReadings)

ReadingsStatement::ReadingsStatement(const ReadingsDatabase &database, const QByteArray &sql)
    : m_database(database)
{
    if (!database.isOpen() || sqlite3_prepare_v2(database.handle(), sql.constData(), sql.size(),
                                                 &m_stmt, nullptr) != SQLITE_OK) {
        m_error = database.errorText();
        qCDebug(lcReadings) << "ReadingsStatement : prepare error" << sql << m_error;
        sqlite3_finalize(m_stmt);
        m_stmt = nullptr;
        m_failed = true;
    }
}

ReadingsStatement::~ReadingsStatement()
{
    sqlite3_finalize(m_stmt);
}

void ReadingsStatement::bind(int index, qint64 value)
{
    sqlite3_bind_int64(m_stmt, index, value);
}

void ReadingsStatement::bind(int index, const QByteArray &text)
{
    sqlite3_bind_text(m_stmt, index, text.constData(), text.size(), SQLITE_TRANSIENT);
}

bool ReadingsStatement::next()
{
    if (!m_stmt)
        return false;
    const int rc = sqlite3_step(m_stmt);
    if (rc == SQLITE_ROW)
        return true;
    m_failed = rc != SQLITE_DONE;
    if (m_failed) {
        m_error = m_database.errorText();
        qCDebug(lcReadings) << "ReadingsStatement : step error" << m_error;
    }
    return false;
}

void ReadingsStatement::reset()
{
    sqlite3_reset(m_stmt);
}

bool ReadingsStatement::isNull(int column) const
{
    return sqlite3_column_type(m_stmt, column) == SQLITE_NULL;
}

qint64 ReadingsStatement::integer(int column) const
{
    return sqlite3_column_int64(m_stmt, column);
}

double ReadingsStatement::value(int column) const
{
    const int type = sqlite3_column_type(m_stmt, column);
    return type == SQLITE_NULL || type == SQLITE_BLOB ? NoValue
                                                      : sqlite3_column_double(m_stmt, column);
}
