#pragma once

#include <QList>
#include <QObject>
#include <QPointer>
#include <QTcpServer>

class QTcpSocket;

// A TCP relay on 127.0.0.1 in front of a server on loopback, for tests of a
// network that stops carrying data without closing anything (a cable pulled,
// a router gone): while it drops, bytes in either direction vanish and the
// connections stay open. Runs on the thread that owns it.
class TcpRelay : public QObject
{
    Q_OBJECT
public:
    explicit TcpRelay(quint16 targetPort, QObject *parent = nullptr);

    bool listen();
    quint16 port() const { return m_server.serverPort(); }
    void setDropping(bool dropping) { m_dropping = dropping; }
    // Closes every relayed connection, as a network that comes back after
    // its peers gave up.
    void closeAll();
    int connections() const { return m_pairs.size(); }

private:
    struct Pair
    {
        QPointer<QTcpSocket> client;
        QPointer<QTcpSocket> server;
    };
    void accept();
    void pump(QTcpSocket *from, QTcpSocket *to);

    quint16 m_targetPort;
    QTcpServer m_server;
    QList<Pair> m_pairs;
    bool m_dropping = false;
};
