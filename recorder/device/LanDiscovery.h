#pragma once

#include "AvailableDevice.h"

#include <QHostAddress>
#include <QList>
#include <QObject>

class QUdpSocket;

// One LAN discovery run and its answers: broadcasts the probe to port 50000
// of every network this host is on and reports every device that answers.
// MORAVIN_DISCOVERY_ADDRESS forces the local addresses (comma-separated); each
// one then probes its /24 network, so 127.0.0.1 keeps the whole exchange on
// loopback, broadcasting to 127.0.0.255.
class LanDiscovery : public QObject
{
    Q_OBJECT
public:
    static const char *const AddressVariable;

    // One probe: sent from a socket bound to local, to broadcast.
    struct Target
    {
        QHostAddress local;
        QHostAddress broadcast;
        bool operator==(const Target &o) const
        {
            return local == o.local && broadcast == o.broadcast;
        }
    };
    // What discovery needs to know of one address of a network interface.
    struct InterfaceAddress
    {
        bool up = false;
        bool loopback = false;
        bool canBroadcast = false;
        QHostAddress ip;
        QHostAddress netmask;
    };

    explicit LanDiscovery(QObject *parent = nullptr);
    ~LanDiscovery() override;

    // Starts a run; false after runFailed() when no probe could be sent.
    // A new run replaces the sockets of an earlier one.
    bool start();
    // Aborts and releases the sockets; later answers are not read.
    void stop();
    bool isRunning() const { return !m_sockets.isEmpty(); }

    // The destination port of the probe; devices listen on 50000.
    void setDevicePort(quint16 port) { m_devicePort = port; }
    // The local port of the first probe socket, 0 when none runs.
    quint16 localPort() const;

    // The override when set, else one target per broadcast network of this host.
    static QList<Target> targets();
    static QList<Target> targetsFromOverride(const QString &addresses);
    // Up, non-loopback IPv4 networks that can broadcast, each once; point-to-
    // point (/31, /32) links have no broadcast address and are left out.
    static QList<Target> targetsFromInterfaces(const QList<InterfaceAddress> &addresses);
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
    static QList<InterfaceAddress> systemAddresses();

    QList<QUdpSocket *> m_sockets;
    quint16 m_devicePort;
    int m_datagramCount = 0;
};
