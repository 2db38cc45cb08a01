#include "ReadingParser.h"

#include "core/NoValue.h"

#include <QStringList>
#include <cmath>

namespace {
const QLatin1String Missing("----");
}

ReadingParser::Reading ReadingParser::parse(const QString &data)
{
    Reading reading;
    const int end = data.indexOf(QLatin1Char('\n'));
    reading.text = end >= 0 ? data.left(end) : data;
    reading.text.remove(QLatin1Char(' '));
    reading.text.remove(QLatin1String("ATDC"));
    const QStringList parts = reading.text.split(QLatin1Char(','));
    reading.partCount = parts.size();
    if (parts.size() < 2)
        return reading;
    reading.valid = true;
    reading.value1 = partValue(parts.at(0));
    reading.value2 = partValue(parts.at(1));
    reading.text1 = partText(parts.at(0), reading.value1);
    reading.text2 = partText(parts.at(1), reading.value2);
    return reading;
}

double ReadingParser::partValue(const QString &part)
{
    if (part.contains(Missing))
        return NoValue;
    bool ok = false;
    const double value = part.toDouble(&ok);
    // "nan", "inf" or an overflowing exponent would poison alarms, charts
    // and the database; they are no usable number either.
    if (!ok || !std::isfinite(value))
        return 0;
    return value;
}

QString ReadingParser::partText(const QString &part, double value)
{
    if (part.contains(Missing))
        return part;
    return QString::number(value, 'f', 2);
}
