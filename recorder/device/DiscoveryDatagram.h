#pragma once

#include <QByteArray>
#include <QString>

// The datagrams of LAN discovery: the probe the recorder broadcasts and the
// 28-byte answer of a device.
class DiscoveryDatagram
{
public:
    static constexpr quint16 DevicePort = 50000;
    static constexpr int ProbeSize = 50;
    static constexpr int AnswerSize = 28;

    struct Answer
    {
        QString address; // "a.b.c.d"
        QString macText; // 12 upper-case hex digits
        bool dhcp = false;
        quint16 port = 0; // low 16 bits of the little-endian 32-bit field
    };

    static QByteArray probe();
    // True when the datagram is a device answer: at least 28 bytes, and its
    // text before the first zero byte contains "KELVANTIS".
    static bool isAnswer(const QByteArray &datagram);
    static bool decode(const QByteArray &datagram, Answer *answer);
    // The /24 broadcast of an IPv4 address text: cut at the third "." and
    // append ".255". Empty when the text has fewer than three dots.
    static QString broadcastAddressFor(const QString &address);
};
