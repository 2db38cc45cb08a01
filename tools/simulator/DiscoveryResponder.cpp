#include "DiscoveryResponder.h"

#include "LanDevice.h"

#include <QNetworkDatagram>
#include <QUdpSocket>

DiscoveryResponder::DiscoveryResponder(QObject *parent)
    : QObject(parent), m_socket(new QUdpSocket(this))
{
    connect(m_socket, &QUdpSocket::readyRead, this, &DiscoveryResponder::readProbes);
    m_window.start();
}

bool DiscoveryResponder::bind(const QHostAddress &address, quint16 port, QString *error)
{
    if (!address.isLoopback()) {
        *error = QStringLiteral("refusing non-loopback address %1").arg(address.toString());
        return false;
    }
    if (!m_socket->bind(address, port, QUdpSocket::DontShareAddress)) {
        *error = m_socket->errorString();
        return false;
    }
    return true;
}

quint16 DiscoveryResponder::port() const
{
    return m_socket->localPort();
}

QByteArray DiscoveryResponder::answerFor(const LanDevice &device)
{
    QByteArray answer(28, '\0');
    const QByteArray tag("KELVANTIS");
    answer.replace(0, tag.size(), tag);
    const quint32 ip = device.address().toIPv4Address();
    for (int i = 0; i < 4; ++i)
        answer[12 + i] = char((ip >> (24 - 8 * i)) & 0xff);
    const QByteArray mac = QByteArray::fromHex(device.mac().toLatin1());
    for (int i = 0; i < 6 && i < mac.size(); ++i)
        answer[16 + i] = mac.at(i);
    answer[23] = 0;
    const quint32 port = device.port();
    for (int i = 0; i < 4; ++i)
        answer[24 + i] = char((port >> (8 * i)) & 0xff);
    return answer;
}

void DiscoveryResponder::readProbes()
{
    while (m_socket->hasPendingDatagrams()) {
        const QNetworkDatagram probe = m_socket->receiveDatagram(512);
        const QByteArray data = probe.data();
        if (data.size() != 50 || data.count('\x01') != 50)
            continue;
        // Answers go back to the prober only, and only on loopback.
        if (!probe.senderAddress().isLoopback())
            continue;
        if (m_window.elapsed() > 1000) {
            m_window.restart();
            m_probesInWindow = 0;
        }
        if (++m_probesInWindow > MaxProbesPerSecond)
            continue;
        for (const LanDevice *device : qAsConst(m_devices))
            m_socket->writeDatagram(answerFor(*device), probe.senderAddress(),
                                    quint16(probe.senderPort()));
    }
}
