#pragma once

#include <QJsonObject>
#include <QJsonValue>
#include <QString>

// The detail field of an event: a small JSON object whose keys are part of
// the stored log like the kinds are. Readers take what they know and leave
// the rest alone.
class EventDetail
{
public:
    // {"field": ..., "old": ..., "new": ...}; a missing side is null.
    static QString change(const QString &field, const QJsonValue &oldValue,
                          const QJsonValue &newValue);
    // Who acknowledged: {"user": ...}
    static QString user(const QString &login);
    // The newest reading the file held when recording resumed, Unix seconds.
    static QString lastReading(qint64 unixSeconds);
    // Why a write or a notification failed, as the library said it.
    static QString error(const QString &text);

    // An empty object for an empty or malformed detail.
    static QJsonObject parse(const QString &detail);

    static constexpr const char *Field = "field";
    static constexpr const char *Old = "old";
    static constexpr const char *New = "new";
    static constexpr const char *User = "user";
    static constexpr const char *LastReading = "lastReading";
    static constexpr const char *Error = "error";
};
