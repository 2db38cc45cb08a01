#include "SerialDevice.h"

#include "DeviceLogging.h"

namespace {
const char *const Marker = "ATCD";
}

SerialDevice::SerialDevice(QObject *parent) : QObject(parent), m_port(new QSerialPort(this))
{
    m_port->setBaudRate(QSerialPort::Baud115200, QSerialPort::AllDirections);
    m_port->setDataBits(QSerialPort::Data8);
    m_port->setParity(QSerialPort::NoParity);
    m_port->setStopBits(QSerialPort::OneStop);
    m_port->setFlowControl(QSerialPort::NoFlowControl);
    connect(m_port, &QSerialPort::readyRead, this, &SerialDevice::readData);
    connect(m_port, &QSerialPort::errorOccurred, this, &SerialDevice::serialError);
    connect(m_port, &QObject::destroyed, this, &SerialDevice::serialDeleted);
}

SerialDevice::~SerialDevice()
{
    qCDebug(lcDevice).noquote().nospace()
        << "SerialDevice::~SerialDevice : [" << m_deviceName << "]";
    close();
    if (m_port) {
        // The port's destroyed signal must not reach a half-destroyed link.
        m_port->disconnect(this);
        delete m_port;
        m_port = nullptr;
    }
}

bool SerialDevice::isOpen()
{
    return m_port && m_port->isOpen();
}

void SerialDevice::close()
{
    qCDebug(lcDevice).noquote().nospace() << "SerialDevice::close : [" << m_deviceName << "]";
    m_answer.clear();
    // Closing a port that is not open makes the port report NotOpenError,
    // which would wrongly read as the device going away.
    if (m_port && m_port->isOpen())
        m_port->close();
}

bool SerialDevice::open()
{
    close();
    if (!m_port)
        return false;
    m_port->setPortName(m_deviceName);
    qCDebug(lcDevice).noquote().nospace() << "SerialDevice::open : [" << m_deviceName << "]";
    return m_port->open(QIODevice::ReadWrite);
}

void SerialDevice::write()
{
    writeCommand(QStringLiteral("ATCD\r\n").toLatin1());
}

QString SerialDevice::address()
{
    return m_port ? m_port->portName() : QString();
}

int SerialDevice::interfaceType()
{
    return m_linkKind;
}

void SerialDevice::connectSignal(const char *signal, QObject *receiver, const char *method)
{
    QObject::connect(this, signal, receiver, method, Qt::AutoConnection);
}

bool SerialDevice::disconnectSignal(const char *signal, QObject *receiver, const char *method)
{
    return QObject::disconnect(this, signal, receiver, method);
}

void SerialDevice::setDeviceInfo(const QString &address, quint16 port)
{
    Q_UNUSED(port)
    m_deviceName = address;
}

void SerialDevice::writeCommand(const QByteArray &bytes)
{
    if (!m_port)
        return;
    m_answer.clear();
    const qint64 written = m_port->isOpen() ? m_port->write(bytes) : -1;
    if (written > 0) {
        qCDebug(lcDevice).noquote().nospace()
            << "SerialDevice::writeCommand : [" << m_deviceName << "] :" << bytes;
        return;
    }
    qCDebug(lcDevice).noquote().nospace()
        << "[ERROR] SerialDevice::writeCommand : [" << m_deviceName << "] :" << bytes;
    emit disconnected();
}

void SerialDevice::readData()
{
    if (!m_port)
        return;
    QByteArray bytes;
    const bool whole = m_answer.append(m_port->readAll(), &bytes);
    if (m_answer.overflowed())
        qCDebug(lcDevice).noquote().nospace()
            << "[ERROR] SerialDevice::readData overlong answer dropped : [" << m_deviceName << "]";
    if (!whole)
        return;
    QString text = QString::fromUtf8(bytes);
    text.remove(QLatin1Char('\r'));
    QStringList dropped;
    text = AnswerAssembler::markedLines(text, QLatin1String(Marker), &dropped);
    for (const QString &line : qAsConst(dropped))
        qCDebug(lcDevice).noquote().nospace()
            << "[ERROR] SerialDevice::readData no 'ATCD' : [" << m_deviceName << "] :" << line;
    if (text.isEmpty())
        return;
    text.remove(QLatin1Char(' '));
    text.remove(QLatin1String(Marker));
    qCDebug(lcDevice).noquote().nospace()
        << "SerialDevice::readData : [" << m_deviceName << "] :" << text;
    emit readyRead(text);
}

void SerialDevice::serialDeleted()
{
    qCDebug(lcDevice).noquote().nospace()
        << "SerialDevice::serialDeleted : [" << m_deviceName << "]";
    m_port = nullptr;
}

void SerialDevice::serialError(QSerialPort::SerialPortError code)
{
    qCDebug(lcDevice).noquote().nospace()
        << "SerialDevice::serialError : [" << m_deviceName << "] err : " << int(code);
    switch (code) {
    case QSerialPort::NoError:
        emit connected();
        break;
    case QSerialPort::BreakConditionError:
        break;
    case QSerialPort::ResourceError:
    case QSerialPort::ReadError:
        // The device is gone; a port left open would keep reporting it.
        if (m_port && m_port->isOpen())
            m_port->close();
        emit disconnected();
        break;
    case QSerialPort::DeviceNotFoundError:
    case QSerialPort::PermissionError:
    case QSerialPort::OpenError:
    case QSerialPort::ParityError:
    case QSerialPort::FramingError:
    case QSerialPort::WriteError:
    case QSerialPort::UnsupportedOperationError:
    case QSerialPort::UnknownError:
    case QSerialPort::TimeoutError:
    case QSerialPort::NotOpenError:
        emit disconnected();
        break;
    }
}
