#include "ValueFormatter.h"

#include "Chart.h"
#include "ChartDate.h"

#include <cmath>

namespace {

const char *const MonthShort[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                  "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
const char *const MonthLong[] = {"January",   "February", "March",    "April",
                                 "May",       "June",     "July",     "August",
                                 "September", "October",  "November", "December"};
const char *const DayShort[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};

QString twoDigits(int v)
{
    return QString::number(v).rightJustified(2, QLatin1Char('0'));
}

int countRun(const QString &s, int i, QChar c)
{
    int n = 0;
    while (i + n < s.size() && s.at(i + n).toLower() == c)
        ++n;
    return n;
}

QString stripZeros(QString s)
{
    if (s.contains(QLatin1Char('.'))) {
        while (s.endsWith(QLatin1Char('0')))
            s.chop(1);
        if (s.endsWith(QLatin1Char('.')))
            s.chop(1);
    }
    if (s == QLatin1String("-0"))
        s = QStringLiteral("0");
    return s;
}

QString withSeparators(const QString &fixed, QChar point, QChar thousands)
{
    QString intPart = fixed;
    QString frac;
    const int dot = fixed.indexOf(QLatin1Char('.'));
    if (dot >= 0) {
        intPart = fixed.left(dot);
        frac = fixed.mid(dot + 1);
    }
    QString sign;
    if (intPart.startsWith(QLatin1Char('-'))) {
        sign = QStringLiteral("-");
        intPart.remove(0, 1);
    }
    if (!thousands.isNull()) {
        for (int i = intPart.size() - 3; i > 0; i -= 3)
            intPart.insert(i, thousands);
    }
    return sign + intPart + (frac.isEmpty() ? QString() : point + frac);
}

} // namespace

QString ValueFormatter::number(double value, int decimals)
{
    if (!Chart::isValid(value))
        return QStringLiteral("N/A");
    if (decimals >= 0)
        return QString::number(value, 'f', qMin(decimals, 15));
    const double mag = std::fabs(value);
    if (mag >= 1e15)
        return QString::number(value, 'g', 10);
    if (mag < 1e-10)
        return QStringLiteral("0");
    const int intDigits = qMax(1, static_cast<int>(std::floor(std::log10(mag))) + 1);
    return stripZeros(QString::number(value, 'f', qBound(0, 10 - intDigits, 10)));
}

bool ValueFormatter::isNumberPattern(const QString &pattern)
{
    int i = 0;
    if (i < pattern.size() &&
        (pattern.at(i) == QLatin1Char('P') || pattern.at(i) == QLatin1Char('p')))
        ++i;
    const int digitsStart = i;
    while (i < pattern.size() && pattern.at(i).isDigit())
        ++i;
    if (i == digitsStart && digitsStart == 0 && !pattern.isEmpty())
        return false;
    // After the count: the decimal point character and the thousands separator.
    const int rest = pattern.size() - i;
    if (rest > 2)
        return false;
    for (int k = i; k < pattern.size(); ++k) {
        if (pattern.at(k).isLetterOrNumber())
            return false;
    }
    return true;
}

QString ValueFormatter::formatNumber(double value, const QString &pattern)
{
    if (!Chart::isValid(value))
        return QStringLiteral("N/A");
    int i = 0;
    bool precision = false;
    if (i < pattern.size() &&
        (pattern.at(i) == QLatin1Char('P') || pattern.at(i) == QLatin1Char('p'))) {
        precision = true;
        ++i;
    }
    const int start = i;
    while (i < pattern.size() && pattern.at(i).isDigit())
        ++i;
    const bool hasCount = i > start;
    const int count = hasCount ? qMin(pattern.mid(start, i - start).toInt(), 15) : -1;
    const QChar point = i < pattern.size() ? pattern.at(i) : QLatin1Char('.');
    const QChar thousands = i + 1 < pattern.size() ? pattern.at(i + 1) : QChar();

    QString fixed;
    if (precision) {
        const int digits = hasCount ? count : 6;
        const double mag = std::fabs(value);
        const int intDigits = mag < 1 ? 1 : static_cast<int>(std::floor(std::log10(mag))) + 1;
        const int decimals = qBound(0, digits - (intDigits - 1), digits);
        fixed = stripZeros(QString::number(value, 'f', decimals));
    } else if (hasCount) {
        fixed = QString::number(value, 'f', count);
    } else {
        fixed = number(value);
    }
    return withSeparators(fixed, point, thousands);
}

QString ValueFormatter::formatDate(double chartTime, const QString &pattern)
{
    const ChartDate d = ChartDate::fromChartTime(chartTime);
    QString out;
    out.reserve(pattern.size() + 8);
    int i = 0;
    while (i < pattern.size()) {
        if (pattern.midRef(i, 2) == QLatin1String("<*")) {
            const int end = pattern.indexOf(QLatin1String("*>"), i + 2);
            const int stop = end < 0 ? pattern.size() : end + 2;
            out += pattern.midRef(i, stop - i);
            i = stop;
            continue;
        }
        const QChar c = pattern.at(i).toLower();
        const int run = countRun(pattern, i, c);
        if (c == QLatin1Char('y')) {
            out += run >= 4 ? QString::number(d.year).rightJustified(4, QLatin1Char('0'))
                            : twoDigits(d.year % 100);
            i += run >= 4 ? 4 : qMin(run, 2);
        } else if (c == QLatin1Char('m')) {
            if (run >= 4)
                out += QLatin1String(MonthLong[d.month - 1]);
            else if (run == 3)
                out += QLatin1String(MonthShort[d.month - 1]);
            else if (run == 2)
                out += twoDigits(d.month);
            else
                out += QString::number(d.month);
            i += qMin(run, 4);
        } else if (c == QLatin1Char('d')) {
            if (run >= 3)
                out += QLatin1String(DayShort[d.weekday]);
            else if (run == 2)
                out += twoDigits(d.day);
            else
                out += QString::number(d.day);
            i += qMin(run, 3);
        } else if (c == QLatin1Char('h') || c == QLatin1Char('n') || c == QLatin1Char('s')) {
            const int v = c == QLatin1Char('h')   ? d.hour
                          : c == QLatin1Char('n') ? d.minute
                                                  : d.second;
            out += run >= 2 ? twoDigits(v) : QString::number(v);
            i += qMin(run, 2);
        } else {
            out += pattern.at(i);
            ++i;
        }
    }
    return out;
}

QString ValueFormatter::formatPattern(double value, const QString &pattern)
{
    if (pattern.isEmpty())
        return number(value);
    return isNumberPattern(pattern) ? formatNumber(value, pattern) : formatDate(value, pattern);
}

QString ValueFormatter::format(double value, const QString &text)
{
    if (!text.contains(QLatin1String("{value")))
        return formatPattern(value, text);
    QString out;
    int i = 0;
    while (i < text.size()) {
        const int open = text.indexOf(QLatin1String("{value"), i);
        if (open < 0) {
            out += text.midRef(i);
            break;
        }
        // The pattern may itself hold mark-up; the field ends at the first "}".
        const int close = text.indexOf(QLatin1Char('}'), open);
        if (close < 0) {
            out += text.midRef(i);
            break;
        }
        out += text.midRef(i, open - i);
        const QString field = text.mid(open + 6, close - open - 6);
        if (field.isEmpty())
            out += number(value);
        else if (field.startsWith(QLatin1Char('|')))
            out += formatPattern(value, field.mid(1));
        else
            out += text.midRef(open, close - open + 1);
        i = close + 1;
    }
    return out;
}
