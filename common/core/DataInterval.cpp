#include "DataInterval.h"

const QList<int> &DataInterval::offered()
{
    static const QList<int> values{1000, 5000, 10000, 60000, 300000, 600000};
    return values;
}

bool DataInterval::isOffered(int milliseconds)
{
    return offered().contains(milliseconds);
}

QString DataInterval::intervalText(int milliseconds)
{
    switch (milliseconds) {
    case 1000:
        return QStringLiteral("1 sec");
    case 5000:
        return QStringLiteral("5 sec");
    case 10000:
        return QStringLiteral("10 sec");
    case 60000:
        return QStringLiteral("1 min");
    case 300000:
        return QStringLiteral("5 min");
    case 600000:
        return QStringLiteral("10 min");
    default:
        return QString();
    }
}

int DataInterval::sanitize(int milliseconds)
{
    return isOffered(milliseconds) ? milliseconds : Default;
}
