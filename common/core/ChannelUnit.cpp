#include "ChannelUnit.h"

QString ChannelUnit::symbol(int unitCode, const QString &customText)
{
    switch (unitCode) {
    case 1:
        return QStringLiteral("\u00b0C");
    case 2:
        return QStringLiteral("\u00b0F");
    case 3:
        return QStringLiteral("%RH");
    case 4:
        return customText;
    default:
        return QString();
    }
}
