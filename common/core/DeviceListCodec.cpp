#include "DeviceListCodec.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonValue>

namespace {

const QString kSerial = QStringLiteral("SERIAL");
const QString kTelnet = QStringLiteral("TELNET");

// Every value is stored as a JSON string; a hand-edited file may carry
// plain numbers, which read as their text rather than as nothing.
QString text(const QJsonObject &o, const QString &key)
{
    const QJsonValue v = o.value(key);
    if (v.isString())
        return v.toString();
    if (v.isDouble())
        return QString::number(v.toDouble(), 'g', 17);
    return QString();
}

} // namespace

QJsonObject DeviceListCodec::toJson(const DeviceSettings &d)
{
    QJsonObject o;
    o.insert(QStringLiteral("DeviceName"), d.deviceName);
    o.insert(QStringLiteral("Ch1Name"), d.ch1Name);
    o.insert(QStringLiteral("Ch2Name"), d.ch2Name);
    o.insert(QStringLiteral("DeviceNumber"), d.deviceNumber);
    o.insert(QStringLiteral("DeviceType"),
             d.deviceInterface == DeviceSettings::Usb ? kSerial : kTelnet);
    o.insert(QStringLiteral("DeviceInterface"), d.interfaceAddress);
    o.insert(QStringLiteral("DevicePort"), QString::number(d.tcpPort));
    o.insert(QStringLiteral("ch1_unit"), QString::number(d.ch1Unit));
    o.insert(QStringLiteral("ch2_unit"), QString::number(d.ch2Unit));
    o.insert(QStringLiteral("ch1_min"), limitText(d.ch1Min));
    o.insert(QStringLiteral("ch1_max"), limitText(d.ch1Max));
    o.insert(QStringLiteral("ch2_min"), limitText(d.ch2Min));
    o.insert(QStringLiteral("ch2_max"), limitText(d.ch2Max));
    o.insert(QStringLiteral("ch1_custom"), d.ch1Custom);
    o.insert(QStringLiteral("ch2_custom"), d.ch2Custom);
    o.insert(QStringLiteral("buzzerAlarm"), d.buzzerAlarm);
    return o;
}

QByteArray DeviceListCodec::encode(const QList<DeviceSettings> &devices)
{
    QJsonArray array;
    for (const DeviceSettings &d : devices)
        array.append(toJson(d));
    QJsonObject root;
    root.insert(QStringLiteral("devices"), array);
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

DeviceListCodec::Result DeviceListCodec::decode(const QByteArray &document, Reader reader)
{
    Result result;
    const QJsonDocument doc = QJsonDocument::fromJson(document);
    if (!doc.isObject())
        return result;
    result.ok = true;

    const QJsonArray array = doc.object().value(QStringLiteral("devices")).toArray();
    for (const QJsonValue &value : array) {
        // A companion lists no device for an element that is no object.
        if (reader == Reader::Companion && !value.isObject())
            continue;
        const QJsonObject element = value.toObject();
        if (reader == Reader::Recorder) {
            const QJsonValue type = element.value(QStringLiteral("DeviceType"));
            if (type.isUndefined() || type.isNull())
                continue;
            mergeInto(result.devices, readFlat(element));
        } else {
            const QJsonValue nodes = element.value(QStringLiteral("nodes"));
            if (!nodes.isUndefined() && !nodes.isNull())
                readGroup(element, result.devices);
            else
                result.devices.append(readFlat(element));
        }
    }
    return result;
}

void DeviceListCodec::readChannels(const QJsonObject &o, DeviceSettings &d)
{
    d.deviceName = text(o, QStringLiteral("DeviceName"));
    d.ch1Name = text(o, QStringLiteral("Ch1Name"));
    d.ch2Name = text(o, QStringLiteral("Ch2Name"));
    d.deviceNumber = text(o, QStringLiteral("DeviceNumber"));
    d.ch1Unit = unitFromText(text(o, QStringLiteral("ch1_unit")));
    d.ch2Unit = unitFromText(text(o, QStringLiteral("ch2_unit")));
    d.ch1Min = limitFromText(text(o, QStringLiteral("ch1_min")));
    d.ch1Max = limitFromText(text(o, QStringLiteral("ch1_max")));
    d.ch2Min = limitFromText(text(o, QStringLiteral("ch2_min")));
    d.ch2Max = limitFromText(text(o, QStringLiteral("ch2_max")));
    d.ch1Custom = text(o, QStringLiteral("ch1_custom"));
    d.ch2Custom = text(o, QStringLiteral("ch2_custom"));
}

DeviceSettings DeviceListCodec::readFlat(const QJsonObject &o)
{
    DeviceSettings d;
    readChannels(o, d);
    d.interfaceAddress = text(o, QStringLiteral("DeviceInterface"));
    d.tcpPort = portFromText(text(o, QStringLiteral("DevicePort")));
    d.deviceInterface = text(o, QStringLiteral("DeviceType")) == kSerial ? DeviceSettings::Usb
                                                                         : DeviceSettings::Lan;
    d.buzzerAlarm = text(o, QStringLiteral("buzzerAlarm"));
    return d;
}

void DeviceListCodec::readGroup(const QJsonObject &element, QList<DeviceSettings> &out)
{
    const QString address = text(element, QStringLiteral("DeviceInterface"));
    const quint16 port = portFromText(text(element, QStringLiteral("DevicePort")));
    const QJsonArray nodes = element.value(QStringLiteral("nodes")).toArray();
    for (const QJsonValue &node : nodes) {
        if (!node.isObject())
            continue;
        DeviceSettings d;
        readChannels(node.toObject(), d);
        d.deviceInterface = DeviceSettings::Lan;
        d.interfaceAddress = address;
        d.tcpPort = port;
        out.append(d);
    }
}

// A repeated device number updates the earlier device but keeps its link kind.
void DeviceListCodec::mergeInto(QList<DeviceSettings> &devices, const DeviceSettings &device)
{
    for (DeviceSettings &existing : devices) {
        if (existing.deviceNumber == device.deviceNumber) {
            const int interfaceType = existing.deviceInterface;
            existing = device;
            existing.deviceInterface = interfaceType;
            return;
        }
    }
    devices.append(device);
}

int DeviceListCodec::unitFromText(const QString &text)
{
    bool ok = false;
    const int unit = text.toInt(&ok);
    return ok && unit >= 0 && unit <= 4 ? unit : 0;
}

quint16 DeviceListCodec::portFromText(const QString &text)
{
    bool ok = false;
    const qlonglong port = text.toLongLong(&ok);
    return ok ? static_cast<quint16>(port & 0xFFFF) : 0;
}

float DeviceListCodec::limitFromText(const QString &text)
{
    bool ok = false;
    const double value = text.toDouble(&ok);
    return ok ? static_cast<float>(value) : 0.0f;
}

QString DeviceListCodec::limitText(float limit)
{
    return QString::number(static_cast<double>(limit), 'f', 2);
}
