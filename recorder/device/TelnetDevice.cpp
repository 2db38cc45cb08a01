#include "TelnetDevice.h"

#include "DeviceLogging.h"
#include "RecorderInterval.h"

#include <QHostAddress>
#include <QTcpSocket>
#include <QTimer>

namespace {
const char *const Marker = "ATDC";
}

TelnetDevice::TelnetDevice(QObject *parent)
    : QObject(parent), m_socket(new QTcpSocket(this)), m_answerTimer(new QTimer(this))
{
    m_answerTimer->setSingleShot(true);
    m_answerTimer->setInterval(AnswerTimeout);
    connect(m_answerTimer, &QTimer::timeout, this, [this] {
        qCDebug(lcDevice).noquote().nospace()
            << "[ERROR] TelnetDevice::answerTimeout : buzzer flag :" << m_buzzerFlag << " ["
            << m_address << "]";
        close();
    });
    connect(m_socket, &QTcpSocket::readyRead, this, &TelnetDevice::readData);
    connect(m_socket, &QAbstractSocket::stateChanged, this, &TelnetDevice::telnetStateChanged);
    connect(m_socket, &QAbstractSocket::errorOccurred, this, &TelnetDevice::sockError);
    connect(m_socket, &QObject::destroyed, this, &TelnetDevice::telnetDeleted);
    connect(m_socket, &QAbstractSocket::connected, this, &TelnetDevice::sockConnected);
}

TelnetDevice::~TelnetDevice()
{
    qCDebug(lcDevice).noquote().nospace() << "TelnetDevice::~TelnetDevice : [" << m_address << "]";
    close();
    if (m_socket) {
        // The socket's signals must not reach a half-destroyed link.
        m_socket->disconnect(this);
        delete m_socket;
        m_socket = nullptr;
    }
}

bool TelnetDevice::isOpen()
{
    return m_connected;
}

void TelnetDevice::close()
{
    if (!m_socket)
        return;
    qCDebug(lcDevice).noquote().nospace()
        << "TelnetDevice::close : buzzer flag :" << m_buzzerFlag << " [" << m_address << "]";
    m_answerTimer->stop();
    m_answer.clear();
    m_socket->abort();
    m_socket->close();
    m_connected = false;
}

bool TelnetDevice::open()
{
    if (!m_socket)
        return false;
    if (m_socket->state() != QAbstractSocket::UnconnectedState)
        close();
    qCDebug(lcDevice).noquote().nospace()
        << "TelnetDevice::open : buzzer flag :" << m_buzzerFlag << " " << m_address << "] ["
        << m_socket->state() << "] valid : " << m_socket->isValid();
    if (m_socket->state() == QAbstractSocket::UnconnectedState) {
        m_socket->setSocketOption(QAbstractSocket::KeepAliveOption, 0);
        m_socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
        m_socket->connectToHost(QHostAddress(m_address), m_port, QIODevice::ReadWrite);
    }
    return m_socket && m_socket->isValid();
}

void TelnetDevice::write()
{
    if (!m_socket)
        return;
    if (m_buzzerFlag) {
        emit writeStartSync();
        return;
    }
    qCDebug(lcDevice).noquote().nospace()
        << "TelnetDevice::write : buzzer flag :" << m_buzzerFlag << " [" << m_address << "] : ["
        << m_socket->state() << "] : " << m_connected;
    if (RecorderInterval::keepsConnection())
        requestData();
    else
        open();
}

QString TelnetDevice::address()
{
    return m_address;
}

int TelnetDevice::interfaceType()
{
    return m_linkKind;
}

void TelnetDevice::connectSignal(const char *signal, QObject *receiver, const char *method)
{
    QObject::connect(this, signal, receiver, method, Qt::AutoConnection);
}

bool TelnetDevice::disconnectSignal(const char *signal, QObject *receiver, const char *method)
{
    return QObject::disconnect(this, signal, receiver, method);
}

void TelnetDevice::setDeviceInfo(const QString &address, quint16 port)
{
    qCDebug(lcDevice).noquote().nospace()
        << "TelnetDevice::setDeviceInfo : [" << address << "] : [" << port << "]";
    m_address = address;
    m_port = port;
}

quint16 TelnetDevice::port()
{
    return m_port;
}

qint64 TelnetDevice::writeCommand(const QByteArray &bytes)
{
    if (!m_socket)
        return 0;
    qCDebug(lcDevice).noquote().nospace()
        << "TelnetDevice::writeCommand : [" << m_address << "] buzzer flag :" << m_buzzerFlag
        << " [" << m_socket->state() << "] :" << bytes;
    switch (m_socket->state()) {
    case QAbstractSocket::UnconnectedState:
        open();
        return 0;
    case QAbstractSocket::ConnectedState:
        break;
    default:
        return 0;
    }
    m_answer.clear();
    const qint64 written = m_socket->write(bytes);
    qCDebug(lcDevice).noquote().nospace()
        << (written == bytes.size() ? "" : "[ERROR] ") << "TelnetDevice::writeCommand : ["
        << m_address << "] buzzer flag :" << m_buzzerFlag << " written : " << written;
    if (written > 0 && !m_buzzerFlag && !RecorderInterval::keepsConnection())
        m_answerTimer->start();
    return written;
}

void TelnetDevice::requestData()
{
    writeCommand(QStringLiteral("ATDC\r\n").toLatin1());
}

void TelnetDevice::readData()
{
    if (!m_socket)
        return;
    QByteArray bytes;
    const bool whole = m_answer.append(m_socket->readAll(), &bytes);
    if (m_answer.overflowed())
        qCDebug(lcDevice).noquote().nospace()
            << "[ERROR] TelnetDevice::readData overlong answer dropped : buzzer flag :"
            << m_buzzerFlag << " [" << m_address << "]";
    if (!whole)
        return;
    QString text = QString::fromUtf8(bytes);
    text.remove(QLatin1Char('\r'));
    if (!m_buzzerFlag) {
        if (!RecorderInterval::keepsConnection())
            close();
        QStringList dropped;
        text = AnswerAssembler::markedLines(text, QLatin1String(Marker), &dropped);
        for (const QString &line : qAsConst(dropped))
            qCDebug(lcDevice).noquote().nospace()
                << "[ERROR] TelnetDevice::readData no 'ATDC' : buzzer flag :" << m_buzzerFlag
                << " [" << m_address << "] :" << line;
        if (text.isEmpty())
            return;
        text.remove(QLatin1Char(' '));
        text.remove(QLatin1String(Marker));
    }
    qCDebug(lcDevice).noquote().nospace()
        << "TelnetDevice::readData : buzzer flag :" << m_buzzerFlag << " [" << m_address
        << "] :" << text;
    emit readyRead(text);
}

void TelnetDevice::telnetDeleted()
{
    qCDebug(lcDevice).noquote().nospace() << "TelnetDevice::telnetDeleted : [" << m_address << "]";
    m_socket = nullptr;
    m_connected = false;
}

void TelnetDevice::telnetStateChanged(QAbstractSocket::SocketState state)
{
    qCDebug(lcDevice).noquote().nospace()
        << "TelnetDevice::telnetStateChanged : buzzer flag :" << m_buzzerFlag << " [" << m_address
        << "] : [" << state << "]";
}

void TelnetDevice::sockConnected()
{
    qCDebug(lcDevice).noquote().nospace()
        << "----TelnetDevice::sockConnected : buzzer flag :" << m_buzzerFlag << " [" << m_address
        << "]";
    m_connected = true;
    if (m_buzzerFlag)
        emit writeStartSync();
    else
        requestData();
}

void TelnetDevice::sockError(QAbstractSocket::SocketError error)
{
    if (error == QAbstractSocket::RemoteHostClosedError)
        return;
    qCDebug(lcDevice).noquote().nospace()
        << "TelnetDevice::sockError : [" << m_address << "] buzzer flag :" << m_buzzerFlag << " ["
        << error << "]";
    m_connected = false;
    close();
}
