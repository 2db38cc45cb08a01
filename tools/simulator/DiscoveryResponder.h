#pragma once

#include <QElapsedTimer>
#include <QHostAddress>
#include <QList>
#include <QObject>

class LanDevice;
class QUdpSocket;

// Answers the recorder's discovery probe on a loopback broadcast address
// with one 28-byte datagram per simulated LAN device.
class DiscoveryResponder : public QObject
{
    Q_OBJECT
public:
    // Probes answered per second at most; the rest are ignored.
    static constexpr int MaxProbesPerSecond = 20;

    explicit DiscoveryResponder(QObject *parent = nullptr);

    bool bind(const QHostAddress &address, quint16 port, QString *error);
    quint16 port() const;
    void setDevices(const QList<LanDevice *> &devices) { m_devices = devices; }

    static QByteArray answerFor(const LanDevice &device);

private:
    void readProbes();

    QUdpSocket *m_socket = nullptr;
    QList<LanDevice *> m_devices;
    QElapsedTimer m_window;
    int m_probesInWindow = 0;
};
