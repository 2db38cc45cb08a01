#pragma once

#include "AvailableDevice.h"

#include <QHostAddress>
#include <QList>
#include <QObject>

class QUdpSocket;

// One LAN discovery run and its answers: broadcasts the probe to port 50000
// of the local /24 network and reports every device that answers. The
// local address can be forced with MORAVIN_DISCOVERY_ADDRESS (127.0.0.1
// keeps the whole exchange on loopback, broadcasting to 127.0.0.255).
class LanDiscovery : public QObject
{
    Q_OBJECT
public:
    static const char *const AddressVariable;

    explicit LanDiscovery(QObject *parent = nullptr);
    ~LanDiscovery() override;

    // Starts a run; false after runFailed() when it could not be started.
    // A new run replaces the sockets of an earlier one.
    bool start();
    // Aborts and releases the sockets; later answers are not read.
    void stop();
    bool isRunning() const { return m_socket != nullptr; }

    // The destination port of the probe; devices listen on 50000.
    void setDevicePort(quint16 port) { m_devicePort = port; }
    quint16 localPort() const;

    // The override when set, else the first IPv4 address of this host.
    static bool localAddress(QHostAddress *address);
    // Updates the entry with the same device number (address and port) or
    // appends a new entry, which the list then owns.
    static void mergeInto(QList<AvailableDevice *> &list, const AvailableDevice &found);

signals:
    void deviceFound(const AvailableDevice &device);
    // After each batch of datagrams, so the caller can refresh its lists.
    void datagramsRead();
    void runFailed(const QString &message);

private slots:
    void readPendingDatagrams();

private:
    QUdpSocket *m_socket = nullptr;
    quint16 m_devicePort;
    int m_datagramCount = 0;
};
