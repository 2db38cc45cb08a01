#pragma once

#include <QString>
#include <QtPlugin>

class QObject;

// The transport between the recorder and one sensing device. The configured
// device talks to its link only through this interface, so that USB and LAN
// devices look the same to the reading protocol.
class AbstractDevice
{
public:
    virtual ~AbstractDevice() = default;

    virtual bool isOpen() = 0;
    virtual void close() = 0;
    virtual bool open() = 0;
    virtual void write() = 0;
    virtual QString address() = 0;
    virtual int interfaceType() = 0;
    // Signatures as produced by SIGNAL()/SLOT(), e.g. "2readyRead(QString)".
    virtual void connectSignal(const char *signal, QObject *receiver, const char *method) = 0;
    virtual bool disconnectSignal(const char *signal, QObject *receiver, const char *method) = 0;
    virtual void setDeviceInfo(const QString &address, quint16 port) = 0;
};

#define AbstractDevice_iid "com.moravin.AbstractDevice"
Q_DECLARE_INTERFACE(AbstractDevice, AbstractDevice_iid)
