#include "TopicName.h"

namespace {
// Brokers accept topics up to 65535 bytes; a prefix this long is a typing
// accident, and every topic and discovery message would carry it.
constexpr int MaxPrefixBytes = 200;

QString cleaned(const QString &text, bool asciiOnly, const QString &fallback)
{
    QString out;
    out.reserve(text.size());
    bool lastReplaced = false;
    for (const QChar c : text) {
        const bool keep =
            asciiOnly ? (c.unicode() < 128 &&
                         (c.isLetterOrNumber() || c == QLatin1Char('-') || c == QLatin1Char('_')))
                      : (c.isLetterOrNumber() || c == QLatin1Char('-') || c == QLatin1Char('_') ||
                         c == QLatin1Char('.'));
        if (keep) {
            out += c;
            lastReplaced = false;
        } else if (!lastReplaced) {
            out += QLatin1Char('_');
            lastReplaced = true;
        }
    }
    while (out.startsWith(QLatin1Char('_')))
        out.remove(0, 1);
    while (out.endsWith(QLatin1Char('_')))
        out.chop(1);
    // "." and ".." alone read like paths in tools that map topics to folders.
    if (out.isEmpty() || out == QLatin1String(".") || out == QLatin1String(".."))
        return fallback;
    return out;
}
} // namespace

QString TopicName::prefixProblem(const QString &prefix, const QString &fieldName)
{
    if (prefix.isEmpty())
        return QStringLiteral("The %1 is empty.").arg(fieldName);
    if (prefix.contains(QLatin1Char('+')) || prefix.contains(QLatin1Char('#')))
        return QStringLiteral("The %1 must not contain \"+\" or \"#\": MQTT uses them as "
                              "wildcards.")
            .arg(fieldName);
    for (const QChar c : prefix) {
        if (c.isSpace())
            return QStringLiteral("The %1 must not contain blanks.").arg(fieldName);
        if (c.category() == QChar::Other_Control || c.isNull())
            return QStringLiteral("The %1 must not contain control characters.").arg(fieldName);
    }
    if (prefix.startsWith(QLatin1Char('$')))
        return QStringLiteral("The %1 must not begin with \"$\": such topics belong to the "
                              "broker.")
            .arg(fieldName);
    if (prefix.startsWith(QLatin1Char('/')) || prefix.endsWith(QLatin1Char('/')) ||
        prefix.contains(QLatin1String("//")))
        return QStringLiteral("The %1 must not begin or end with \"/\" or contain \"//\".")
            .arg(fieldName);
    if (prefix.toUtf8().size() > MaxPrefixBytes)
        return QStringLiteral("The %1 is longer than %2 bytes.").arg(fieldName).arg(MaxPrefixBytes);
    return QString();
}

QString TopicName::safeLevel(const QString &text, const QString &fallback)
{
    return cleaned(text, false, fallback);
}

QString TopicName::asciiId(const QString &text)
{
    return cleaned(text, true, QStringLiteral("unnamed"));
}

QString TopicName::defaultPrefix(const QString &projectName)
{
    return QStringLiteral("moravin/") + safeLevel(projectName, QStringLiteral("project"));
}
