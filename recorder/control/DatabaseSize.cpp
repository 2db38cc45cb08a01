#include "DatabaseSize.h"

#include <QFileInfo>

qint64 DatabaseSize::onDisk(const QString &databasePath)
{
    return QFileInfo(databasePath).size() + QFileInfo(databasePath + QStringLiteral("-wal")).size();
}

QString DatabaseSize::text(qint64 bytes)
{
    return QStringLiteral("Database ") + QString::number(double(bytes) / 1048576.0, 'f', 2) +
           QStringLiteral("MB");
}
