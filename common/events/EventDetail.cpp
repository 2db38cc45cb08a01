#include "EventDetail.h"

#include <QJsonDocument>

namespace {
QString compact(const QJsonObject &object)
{
    return QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact));
}

QJsonValue orNull(const QJsonValue &value)
{
    return value.isUndefined() ? QJsonValue(QJsonValue::Null) : value;
}
} // namespace

QString EventDetail::change(const QString &field, const QJsonValue &oldValue,
                            const QJsonValue &newValue)
{
    return compact({{QLatin1String(Field), field},
                    {QLatin1String(Old), orNull(oldValue)},
                    {QLatin1String(New), orNull(newValue)}});
}

QString EventDetail::user(const QString &login)
{
    return compact({{QLatin1String(User), login}});
}

QString EventDetail::lastReading(qint64 unixSeconds)
{
    return compact({{QLatin1String(LastReading), unixSeconds}});
}

QString EventDetail::error(const QString &text)
{
    return compact({{QLatin1String(Error), text}});
}

QJsonObject EventDetail::parse(const QString &detail)
{
    if (detail.isEmpty())
        return {};
    return QJsonDocument::fromJson(detail.toUtf8()).object();
}
