#pragma once

#include "DeviceSettings.h"

#include <QByteArray>
#include <QJsonObject>
#include <QList>

// Maps the project file's "DeviceList" JSON document to device settings and
// back. The recorder and the companion programs read it with slightly
// different rules, selected by Reader.
class DeviceListCodec
{
public:
    enum class Reader
    {
        Recorder, // skips elements without "DeviceType", merges repeated device numbers
        Companion // also reads "nodes" groups, keeps every element
    };

    struct Result
    {
        bool ok = false; // false when the document is not a JSON object
        QList<DeviceSettings> devices;
    };

    static QByteArray encode(const QList<DeviceSettings> &devices);
    static Result decode(const QByteArray &document, Reader reader);

    static QJsonObject toJson(const DeviceSettings &device);

    static int unitFromText(const QString &text);
    static quint16 portFromText(const QString &text);
    static float limitFromText(const QString &text);
    static QString limitText(float limit);

private:
    static DeviceSettings readFlat(const QJsonObject &element);
    static void readGroup(const QJsonObject &element, QList<DeviceSettings> &out);
    static void readChannels(const QJsonObject &from, DeviceSettings &device);
    static void mergeInto(QList<DeviceSettings> &devices, const DeviceSettings &device);
};
