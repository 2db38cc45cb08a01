#include "LanDiscovery.h"

#include "DeviceLogging.h"
#include "DiscoveryDatagram.h"

#include <QNetworkDatagram>
#include <QNetworkInterface>
#include <QPointer>
#include <QUdpSocket>

const char *const LanDiscovery::AddressVariable = "MORAVIN_DISCOVERY_ADDRESS";

LanDiscovery::LanDiscovery(QObject *parent)
    : QObject(parent), m_devicePort(DiscoveryDatagram::DevicePort)
{
    qRegisterMetaType<AvailableDevice>();
}

LanDiscovery::~LanDiscovery()
{
    stop();
}

QList<LanDiscovery::Target> LanDiscovery::targetsFromOverride(const QString &addresses)
{
    QList<Target> result;
    const QStringList parts = addresses.split(QLatin1Char(','), Qt::SkipEmptyParts);
    for (const QString &part : parts) {
        const QHostAddress local(part.trimmed());
        const QString broadcast = DiscoveryDatagram::broadcastAddressFor(local.toString());
        if (local.protocol() != QAbstractSocket::IPv4Protocol || broadcast.isEmpty())
            return {};
        const Target target{local, QHostAddress(broadcast)};
        if (!result.contains(target))
            result.append(target);
    }
    return result;
}

QList<LanDiscovery::Target>
LanDiscovery::targetsFromInterfaces(const QList<InterfaceAddress> &addresses)
{
    QList<Target> result;
    for (const InterfaceAddress &a : addresses) {
        if (!a.up || a.loopback || !a.canBroadcast ||
            a.ip.protocol() != QAbstractSocket::IPv4Protocol ||
            a.netmask.protocol() != QAbstractSocket::IPv4Protocol)
            continue;
        const quint32 mask = a.netmask.toIPv4Address();
        // /31 and /32 networks have no broadcast address.
        if ((~mask & 0xffffffffu) < 3)
            continue;
        const Target target{a.ip, QHostAddress((a.ip.toIPv4Address() & mask) | ~mask)};
        bool known = false;
        for (const Target &t : qAsConst(result))
            known = known || t.broadcast == target.broadcast;
        if (!known)
            result.append(target);
    }
    return result;
}

QList<LanDiscovery::InterfaceAddress> LanDiscovery::systemAddresses()
{
    QList<InterfaceAddress> result;
    const QList<QNetworkInterface> interfaces = QNetworkInterface::allInterfaces();
    for (const QNetworkInterface &interface : interfaces) {
        const auto flags = interface.flags();
        const QList<QNetworkAddressEntry> entries = interface.addressEntries();
        for (const QNetworkAddressEntry &entry : entries) {
            InterfaceAddress a;
            a.up = (flags & QNetworkInterface::IsUp) && (flags & QNetworkInterface::IsRunning);
            a.loopback = flags & QNetworkInterface::IsLoopBack;
            a.canBroadcast = flags & QNetworkInterface::CanBroadcast;
            a.ip = entry.ip();
            a.netmask = entry.netmask();
            result.append(a);
        }
    }
    return result;
}

QList<LanDiscovery::Target> LanDiscovery::targets()
{
    const QString forced = qEnvironmentVariable(AddressVariable);
    if (!forced.isEmpty())
        return targetsFromOverride(forced);
    return targetsFromInterfaces(systemAddresses());
}

bool LanDiscovery::start()
{
    stop();
    const QList<Target> probes = targets();
    if (probes.isEmpty()) {
        qCDebug(lcDevice) << "can't get local ip address.";
        emit runFailed(QStringLiteral("Cannot Get Local IP address.\nPlease retry."));
        return false;
    }
    // One socket per network sends the probe and receives the answers: on
    // Linux a second socket cannot share the sender's port unless both opt in,
    // and then the kernel would hand each answer to only one of them.
    for (const Target &target : probes) {
        qCDebug(lcDevice).noquote().nospace()
            << "get local ip address : " << target.local.toString();
        auto *socket = new QUdpSocket(this);
        if (!socket->bind(target.local, 0) || !socket->isValid()) {
            qCDebug(lcDevice) << "m_sndUdpSocket->isValid() : false" << target.local.toString();
            delete socket;
            continue;
        }
        connect(socket, &QUdpSocket::readyRead, this, &LanDiscovery::readPendingDatagrams);
        m_sockets.append(socket);
        qCDebug(lcDevice).noquote().nospace()
            << "m_sndUdpSocket->localPort : " << socket->localPort();
        const qint64 written =
            socket->writeDatagram(DiscoveryDatagram::probe(), target.broadcast, m_devicePort);
        qCDebug(lcDevice).noquote().nospace()
            << "m_sndUdpSocket->write : " << written << " to " << target.broadcast.toString();
    }
    if (m_sockets.isEmpty()) {
        emit runFailed(QStringLiteral("UDP Send Socket Down.\nPlease retry."));
        return false;
    }
    return true;
}

void LanDiscovery::stop()
{
    for (QUdpSocket *socket : qAsConst(m_sockets)) {
        socket->disconnect(this);
        socket->abort();
        socket->close();
        delete socket;
    }
    m_sockets.clear();
}

quint16 LanDiscovery::localPort() const
{
    return m_sockets.isEmpty() ? 0 : m_sockets.first()->localPort();
}

void LanDiscovery::readPendingDatagrams()
{
    qCDebug(lcDevice) << "readPendingDatagrams ~~~~~~~~~~~~~~~~~";
    // A handler of deviceFound may start a new run, which deletes this socket.
    const QPointer<QUdpSocket> socket = qobject_cast<QUdpSocket *>(sender());
    while (socket && m_sockets.contains(socket) && socket->hasPendingDatagrams()) {
        const QNetworkDatagram datagram = socket->receiveDatagram();
        const QByteArray data = datagram.data();
        ++m_datagramCount;
        qCDebug(lcDevice).noquote().nospace()
            << m_datagramCount << " size : " << data.size() << " from "
            << datagram.senderAddress().toString() << ":" << datagram.senderPort()
            << " datagram : " << data.toHex();
        DiscoveryDatagram::Answer answer;
        if (!DiscoveryDatagram::decode(data, &answer))
            continue;
        qCDebug(lcDevice).noquote().nospace() << "ipaddr : " << answer.address;
        qCDebug(lcDevice).noquote().nospace() << "macaddr : " << answer.macText;
        qCDebug(lcDevice).noquote().nospace() << "usedhcp : " << answer.dhcp;
        qCDebug(lcDevice).noquote().nospace() << "portnumber : " << answer.port;
        AvailableDevice found;
        found.deviceNumber = answer.macText;
        found.address = answer.address;
        found.port = answer.port;
        found.interfaceType = 2;
        emit deviceFound(found);
    }
    emit datagramsRead();
}

void LanDiscovery::mergeInto(QList<AvailableDevice *> &list, const AvailableDevice &found)
{
    for (AvailableDevice *entry : list) {
        if (entry && entry->deviceNumber == found.deviceNumber) {
            entry->address = found.address;
            entry->port = found.port;
            return;
        }
    }
    list.append(new AvailableDevice(found));
}
