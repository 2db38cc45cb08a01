#pragma once

#include "AbstractDevice.h"
#include "AnswerAssembler.h"

#include <QAbstractSocket>
#include <QObject>

class QTcpSocket;
class QTimer;

// The link of a LAN device: a TCP client asking for a reading with "ATDC".
// At a data interval of exactly 1 s one connection stays open; otherwise
// each request opens a fresh connection that is closed after the answer.
class TelnetDevice : public QObject, public AbstractDevice
{
    Q_OBJECT
    Q_INTERFACES(AbstractDevice)
public:
    // A per-request connection that has not brought a whole answer by then
    // is closed, so that a half-sent answer never lingers into the next poll.
    static constexpr int AnswerTimeout = 3000;

    explicit TelnetDevice(QObject *parent = nullptr);
    ~TelnetDevice() override;

    bool isOpen() override;
    void close() override;
    bool open() override;
    void write() override;
    QString address() override;
    int interfaceType() override;
    void connectSignal(const char *signal, QObject *receiver, const char *method) override;
    bool disconnectSignal(const char *signal, QObject *receiver, const char *method) override;
    void setDeviceInfo(const QString &address, quint16 port) override;
    virtual quint16 port();

    qint64 writeCommand(const QByteArray &bytes);
    void requestData();

    bool buzzerFlag() const { return m_buzzerFlag; }
    void setBuzzerFlag(bool on) { m_buzzerFlag = on; }

signals:
    void readyRead(QString data);
    void writeStartSync();

private slots:
    void readData();
    void telnetDeleted();
    void telnetStateChanged(QAbstractSocket::SocketState state);
    void sockConnected();
    void sockError(QAbstractSocket::SocketError error);

private:
    int m_linkKind = 2;
    QString m_address;
    quint16 m_port = 23;
    QTcpSocket *m_socket = nullptr;
    bool m_connected = false;
    bool m_buzzerFlag = false;
    AnswerAssembler m_answer;
    QTimer *m_answerTimer = nullptr;
};
