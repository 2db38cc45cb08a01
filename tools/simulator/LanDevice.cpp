#include "LanDevice.h"

#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

namespace {
const char *const PendingProperty = "pending";
}

LanDevice::LanDevice(const QString &mac, const QHostAddress &address, quint16 port, double offset,
                     quint32 seed, QObject *parent)
    : SimulatedDevice(mac, "ATDC", offset, seed, parent), m_address(address), m_port(port),
      m_server(new QTcpServer(this))
{
    m_server->setMaxPendingConnections(MaxClients);
    connect(m_server, &QTcpServer::newConnection, this, &LanDevice::acceptClients);
}

bool LanDevice::listen(QString *error)
{
    if (!m_address.isLoopback()) {
        *error = QStringLiteral("refusing non-loopback address %1").arg(m_address.toString());
        return false;
    }
    if (!m_server->listen(m_address, m_port)) {
        *error = m_server->errorString();
        return false;
    }
    return true;
}

quint16 LanDevice::port() const
{
    return m_server->serverPort();
}

void LanDevice::dropClients()
{
    const QList<QTcpSocket *> clients = m_server->findChildren<QTcpSocket *>();
    for (QTcpSocket *client : clients)
        client->disconnectFromHost();
}

void LanDevice::acceptClients()
{
    while (QTcpSocket *client = m_server->nextPendingConnection()) {
        if (m_server->findChildren<QTcpSocket *>().size() > MaxClients) {
            client->abort();
            client->deleteLater();
            continue;
        }
        countConnection();
        emit activity(QStringLiteral("connect %1").arg(id()));
        connect(client, &QTcpSocket::readyRead, this, [this, client] { readClient(client); });
        connect(client, &QTcpSocket::disconnected, client, &QObject::deleteLater);
    }
}

void LanDevice::readClient(QTcpSocket *client)
{
    QByteArray pending = client->property(PendingProperty).toByteArray();
    const QList<Reply> replies = receive(pending, client->readAll());
    client->setProperty(PendingProperty, pending);
    for (const Reply &reply : replies)
        writeReply(client, reply);
}

void LanDevice::writeReply(QTcpSocket *client, const Reply &reply)
{
    if (reply.drop) {
        client->disconnectFromHost();
        return;
    }
    int delay = 0;
    QPointer<QTcpSocket> target(client);
    for (int i = 0; i < reply.chunks.size(); ++i) {
        const QByteArray chunk = reply.chunks.at(i);
        const bool last = i == reply.chunks.size() - 1;
        const bool hangup = reply.hangup;
        QTimer::singleShot(delay, this, [target, chunk, last, hangup] {
            if (!target || target->state() != QAbstractSocket::ConnectedState)
                return;
            target->write(chunk);
            if (last && hangup)
                target->disconnectFromHost();
        });
        delay += SplitDelay;
    }
}
