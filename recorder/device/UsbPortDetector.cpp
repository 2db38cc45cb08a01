#include "UsbPortDetector.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSerialPortInfo>

#include <algorithm>
#include <cerrno>
#include <csignal>

const char *const UsbPortDetector::AnnounceVariable = "MORAVIN_SIMULATED_PORTS";

namespace {
const QLatin1String Vendor("04D8");
const QLatin1String Product("000A");
const QLatin1String SerialPrefix("VT_SERIES__");
// Announcement files are small; anything larger is not ours.
constexpr qint64 MaxAnnouncementSize = 64 * 1024;
} // namespace

QList<UsbPortInfo> UsbPortDetector::findUsbPorts(const QList<UsbDeviceRecord> &system)
{
    return filter(system + simulatedDevices());
}

void UsbPortDetector::parseHardwareId(const QString &hardwareId, QString *vendor, QString *product)
{
    static const QRegularExpression pattern(QStringLiteral("vid_(\\w+)&pid_(\\w+)"),
                                            QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = pattern.match(hardwareId);
    *vendor = match.hasMatch() ? match.captured(1) : QString();
    *product = match.hasMatch() ? match.captured(2) : QString();
}

QList<UsbPortInfo> UsbPortDetector::filter(const QList<UsbDeviceRecord> &devices)
{
    QList<UsbPortInfo> result;
    for (const UsbDeviceRecord &device : devices) {
        QString vendor;
        QString product;
        parseHardwareId(device.hardwareId, &vendor, &product);
        if (!vendor.toUpper().contains(Vendor) || !product.toUpper().contains(Product))
            continue;
        if (device.portName.isEmpty())
            continue;
        QString serial = device.location;
        serial.remove(SerialPrefix);
        result.append({device.portName, serial});
    }
    return result;
}

QList<UsbDeviceRecord> UsbPortDetector::systemDevices()
{
    QList<UsbDeviceRecord> devices;
    const QList<QSerialPortInfo> ports = QSerialPortInfo::availablePorts();
    for (const QSerialPortInfo &port : ports) {
        if (!port.hasVendorIdentifier() || !port.hasProductIdentifier())
            continue;
        const QString id = QStringLiteral("USB\\VID_%1&PID_%2")
                               .arg(port.vendorIdentifier(), 4, 16, QLatin1Char('0'))
                               .arg(port.productIdentifier(), 4, 16, QLatin1Char('0'));
        devices.append({id, port.portName(), port.serialNumber()});
    }
    return devices;
}

QList<UsbDeviceRecord> UsbPortDetector::parseAnnouncement(const QByteArray &content, qint64 *pid)
{
    QList<UsbDeviceRecord> devices;
    if (pid)
        *pid = 0;
    const QList<QByteArray> lines = content.split('\n');
    for (const QByteArray &line : lines) {
        const QList<QByteArray> fields = line.trimmed().split('\t');
        if (fields.size() == 2 && fields.at(0) == "pid") {
            if (pid)
                *pid = qMax(0LL, fields.at(1).toLongLong());
            continue;
        }
        if (fields.size() != 3 || fields.at(0).isEmpty())
            continue;
        devices.append({QString::fromUtf8(fields.at(1)), QString::fromUtf8(fields.at(0)),
                        QString::fromUtf8(fields.at(2))});
    }
    return devices;
}

QList<UsbDeviceRecord> UsbPortDetector::simulatedDevices()
{
    const QString path = qEnvironmentVariable(AnnounceVariable);
    if (path.isEmpty())
        return {};
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() > MaxAnnouncementSize)
        return {};
    qint64 pid = 0;
    QList<UsbDeviceRecord> devices = parseAnnouncement(file.read(MaxAnnouncementSize), &pid);
    if (pid <= 0 || (::kill(pid_t(pid), 0) != 0 && errno != EPERM))
        return {};
    devices.erase(
        std::remove_if(devices.begin(), devices.end(),
                       [](const UsbDeviceRecord &d) { return !QFileInfo::exists(d.portName); }),
        devices.end());
    return devices;
}
