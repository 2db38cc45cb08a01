#pragma once

#include <QString>

// MQTT topic names made from what users type. A prefix the user types is
// checked and refused with a sentence saying why; names that come from the
// project or its devices are turned into a safe form instead.
class TopicName
{
public:
    // Empty when prefix can stand before the recorder's topics; otherwise
    // the reason, for the dialog. An empty prefix is a problem here: callers
    // that allow it (meaning "the default") check for that first.
    static QString prefixProblem(const QString &prefix, const QString &fieldName);
    // One topic level from any text: letters, digits, "-", "_" and "." stay,
    // runs of anything else become one "_"; never empty (fallback instead).
    static QString safeLevel(const QString &text,
                             const QString &fallback = QStringLiteral("unnamed"));
    // Like safeLevel, but ASCII only, as Home Assistant's object ids need.
    static QString asciiId(const QString &text);
    // "moravin/<project>", with the project name in its safe form.
    static QString defaultPrefix(const QString &projectName);
};
