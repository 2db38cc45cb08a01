#pragma once

#include <QByteArray>
#include <QString>

class ReadingsDatabase;
struct sqlite3_stmt;

// One prepared statement on a readings connection, finalized when it goes.
// Values are always bound, never written into the statement text.
class ReadingsStatement
{
public:
    ReadingsStatement(const ReadingsDatabase &database, const QByteArray &sql);
    ~ReadingsStatement();
    ReadingsStatement(const ReadingsStatement &) = delete;
    ReadingsStatement &operator=(const ReadingsStatement &) = delete;

    // False when the statement could not be prepared (errorText() says why).
    bool isValid() const { return m_stmt != nullptr; }
    // Indexes count from 1, as in "?1".
    void bind(int index, qint64 value);
    void bind(int index, const QByteArray &text);

    // Steps to the next row. False at the end and on an error; failed()
    // tells which.
    bool next();
    // Back to before the first row, the bound values kept.
    void reset();
    bool failed() const { return m_failed; }
    QString errorText() const { return m_error; }

    bool isNull(int column) const;
    qint64 integer(int column) const;
    // NoValue for a NULL or any value that is no number.
    double value(int column) const;

private:
    const ReadingsDatabase &m_database;
    sqlite3_stmt *m_stmt = nullptr;
    bool m_failed = false;
    QString m_error;
};
