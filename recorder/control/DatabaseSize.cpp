#include "DatabaseSize.h"

QString DatabaseSize::text(qint64 bytes)
{
    return QStringLiteral("Database ") + QString::number(double(bytes) / 1048576.0, 'f', 2) +
           QStringLiteral("MB");
}
