#include "TcpRelay.h"

#include <QTcpSocket>

TcpRelay::TcpRelay(quint16 targetPort, QObject *parent) : QObject(parent), m_targetPort(targetPort)
{
    connect(&m_server, &QTcpServer::newConnection, this, &TcpRelay::accept);
}

bool TcpRelay::listen()
{
    return m_server.listen(QHostAddress::LocalHost, 0);
}

void TcpRelay::accept()
{
    while (QTcpSocket *client = m_server.nextPendingConnection()) {
        client->setParent(this);
        auto *server = new QTcpSocket(this);
        server->connectToHost(QHostAddress::LocalHost, m_targetPort);
        m_pairs.append(Pair{client, server});
        connect(client, &QTcpSocket::readyRead, this, [=] { pump(client, server); });
        connect(server, &QTcpSocket::readyRead, this, [=] { pump(server, client); });
        connect(server, &QTcpSocket::connected, this, [=] { pump(client, server); });
        auto close = [=] {
            client->disconnectFromHost();
            server->disconnectFromHost();
            client->deleteLater();
            server->deleteLater();
        };
        connect(client, &QTcpSocket::disconnected, this, close);
        connect(server, &QTcpSocket::disconnected, this, close);
    }
}

void TcpRelay::pump(QTcpSocket *from, QTcpSocket *to)
{
    if (!from || !to)
        return;
    if (m_dropping) {
        from->readAll();
        return;
    }
    if (to->state() != QAbstractSocket::ConnectedState)
        return; // read once it is connected
    to->write(from->readAll());
}

void TcpRelay::closeAll()
{
    for (const Pair &p : qAsConst(m_pairs)) {
        if (p.client)
            p.client->abort();
        if (p.server)
            p.server->abort();
    }
    m_pairs.clear();
}
