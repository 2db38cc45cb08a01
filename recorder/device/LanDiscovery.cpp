#include "LanDiscovery.h"

#include "DeviceLogging.h"
#include "DiscoveryDatagram.h"

#include <QNetworkDatagram>
#include <QNetworkInterface>
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

bool LanDiscovery::localAddress(QHostAddress *address)
{
    const QString forced = qEnvironmentVariable(AddressVariable);
    if (!forced.isEmpty()) {
        const QHostAddress candidate(forced);
        if (candidate.protocol() != QAbstractSocket::IPv4Protocol)
            return false;
        *address = candidate;
        return true;
    }
    const QList<QNetworkInterface> interfaces = QNetworkInterface::allInterfaces();
    for (const QNetworkInterface &interface : interfaces) {
        const auto flags = interface.flags();
        if (!(flags & QNetworkInterface::IsUp) || !(flags & QNetworkInterface::IsRunning) ||
            (flags & QNetworkInterface::IsLoopBack))
            continue;
        const QList<QNetworkAddressEntry> entries = interface.addressEntries();
        for (const QNetworkAddressEntry &entry : entries) {
            if (entry.ip().protocol() == QAbstractSocket::IPv4Protocol) {
                *address = entry.ip();
                return true;
            }
        }
    }
    return false;
}

bool LanDiscovery::start()
{
    stop();
    QHostAddress local;
    if (!localAddress(&local)) {
        qCDebug(lcDevice) << "can't get local ip address.";
        emit runFailed(QStringLiteral("Cannot Get Local IP address.\nPlease retry."));
        return false;
    }
    const QString address = local.toString();
    qCDebug(lcDevice).noquote().nospace() << "get local ip address : " << address;
    const QHostAddress broadcast(DiscoveryDatagram::broadcastAddressFor(address));

    // One socket sends the probe and receives the answers: on Linux a second
    // socket cannot share the sender's port unless both opt in, and then
    // the kernel would hand each answer to only one of them.
    m_socket = new QUdpSocket(this);
    connect(m_socket, &QUdpSocket::readyRead, this, &LanDiscovery::readPendingDatagrams);
    if (!m_socket->bind(local, 0) || !m_socket->isValid()) {
        qCDebug(lcDevice) << "m_sndUdpSocket->isValid() : false";
        stop();
        emit runFailed(QStringLiteral("UDP Send Socket Down.\nPlease retry."));
        return false;
    }
    qCDebug(lcDevice).noquote().nospace()
        << "m_sndUdpSocket->localPort : " << m_socket->localPort();
    const qint64 written =
        m_socket->writeDatagram(DiscoveryDatagram::probe(), broadcast, m_devicePort);
    qCDebug(lcDevice).noquote().nospace() << "m_sndUdpSocket->write : " << written;
    return true;
}

void LanDiscovery::stop()
{
    if (!m_socket)
        return;
    m_socket->disconnect(this);
    m_socket->abort();
    m_socket->close();
    delete m_socket;
    m_socket = nullptr;
}

quint16 LanDiscovery::localPort() const
{
    return m_socket ? m_socket->localPort() : 0;
}

void LanDiscovery::readPendingDatagrams()
{
    qCDebug(lcDevice) << "readPendingDatagrams ~~~~~~~~~~~~~~~~~";
    while (m_socket && m_socket->hasPendingDatagrams()) {
        const QNetworkDatagram datagram = m_socket->receiveDatagram();
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
