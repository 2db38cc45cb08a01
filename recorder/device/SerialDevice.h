#pragma once

#include "AbstractDevice.h"
#include "AnswerAssembler.h"

#include <QObject>
#include <QSerialPort>

// The link of a USB device: a virtual serial port at 115200 8N1 that is
// asked for a reading with "ATCD".
class SerialDevice : public QObject, public AbstractDevice
{
    Q_OBJECT
    Q_INTERFACES(AbstractDevice)
public:
    explicit SerialDevice(QObject *parent = nullptr);
    ~SerialDevice() override;

    bool isOpen() override;
    void close() override;
    bool open() override;
    void write() override;
    QString address() override;
    int interfaceType() override;
    void connectSignal(const char *signal, QObject *receiver, const char *method) override;
    bool disconnectSignal(const char *signal, QObject *receiver, const char *method) override;
    void setDeviceInfo(const QString &address, quint16 port) override;

    void writeCommand(const QByteArray &bytes);

    // Exposed for tests of the port settings.
    const QSerialPort *port() const { return m_port; }

signals:
    void connected();
    void disconnected();
    void readyRead(QString data);

private slots:
    void readData();
    void serialDeleted();
    void serialError(QSerialPort::SerialPortError code);

private:
    int m_linkKind = 1;
    QString m_deviceName;
    QSerialPort *m_port = nullptr;
    AnswerAssembler m_answer;
};
