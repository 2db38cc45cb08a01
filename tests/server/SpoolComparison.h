#pragma once

#include <QString>
#include <QStringList>
#include <QUuid>

// The rows of a spool and of a store on the server as comparable text lines
// ("id|serialno|channel1|channel2|pointDate", ascending id), read
// independently of the forwarder's code.
class SpoolComparison
{
public:
    static QStringList spoolRows(const QString &spoolPath);
    // Empty with error set when the server cannot be read.
    static QStringList serverRows(const QString &connection, const QUuid &storeId,
                                  QString *error = nullptr);
    // "" when equal; otherwise what is missing, extra or different.
    static QString difference(const QStringList &spool, const QStringList &server);
};
