#pragma once

#include <QString>

// What the manual LAN device entry was given, checked in the order the
// dialog reports problems.
class ManualDeviceInput
{
public:
    static constexpr int MaxPort = 65535;

    struct Problem
    {
        QString title;
        QString message;
    };

    // macText as the masked line edit gives it, e.g. "00:1e:c0:12:34:ab".
    ManualDeviceInput(const QString &name, const QString &macText, const QString &ipText, int port);

    // The first problem found; an empty message when the input is usable.
    Problem problem() const;
    // The MAC digits without separators, in upper case as discovery reports them.
    QString deviceNumber() const { return m_mac; }
    QString name() const { return m_name; }
    QString ipText() const { return m_ip; }
    quint16 port() const { return quint16(m_port); }

private:
    QString m_name;
    QString m_mac;
    QString m_ip;
    int m_port;
};
