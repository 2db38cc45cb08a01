#pragma once

#include "SimulatedDevice.h"

#include <QHostAddress>

class QTcpServer;
class QTcpSocket;

// A LAN device: a TCP server on its own loopback address answering "ATDC"
// and the alarm-setting commands.
class LanDevice : public SimulatedDevice
{
    Q_OBJECT
public:
    static constexpr int MaxClients = 8;

    LanDevice(const QString &mac, const QHostAddress &address, quint16 port, double offset,
              quint32 seed, QObject *parent = nullptr);

    bool listen(QString *error);
    QHostAddress address() const { return m_address; }
    quint16 port() const;
    QString mac() const { return id(); }
    // Closes every open client connection.
    void dropClients();

private:
    void acceptClients();
    void readClient(QTcpSocket *client);
    void writeReply(QTcpSocket *client, const Reply &reply);

    QHostAddress m_address;
    quint16 m_port;
    QTcpServer *m_server = nullptr;
};
