#include "SimulatedDevice.h"

#include <QDateTime>

SimulatedDevice::SimulatedDevice(const QString &id, const char *dataCommand, double offset,
                                 quint32 seed, QObject *parent)
    : QObject(parent), m_id(id), m_dataCommand(QLatin1String(dataCommand)), m_model(offset, seed)
{
}

QString SimulatedDevice::stats() const
{
    return QStringLiteral("stats %1 connections=%2 requests=%3 commands=%4")
        .arg(m_id)
        .arg(m_connections)
        .arg(m_requests)
        .arg(m_commands);
}

QList<SimulatedDevice::Reply> SimulatedDevice::receive(QByteArray &pending, const QByteArray &bytes)
{
    QList<Reply> replies;
    pending.append(bytes);
    int end;
    while ((end = pending.indexOf('\n')) >= 0) {
        const QByteArray line = pending.left(end).trimmed();
        pending.remove(0, end + 1);
        if (!line.isEmpty())
            replies.append(reply(QString::fromLatin1(line)));
    }
    if (pending.size() > MaxLine)
        pending.clear();
    return replies;
}

SimulatedDevice::Reply SimulatedDevice::reply(const QString &line)
{
    Reply result;
    const bool data = line == m_dataCommand;
    if (data)
        ++m_requests;
    else
        ++m_commands;
    emit activity(QStringLiteral("rx %1 %2").arg(m_id, line));
    if (m_faults.silent)
        return result;
    if (m_faults.close) {
        result.drop = true;
        return result;
    }
    if (data && !m_faults.nextAnswer.isEmpty()) {
        result.chunks = chunked(m_faults.nextAnswer);
        m_faults.nextAnswer.clear();
        return result;
    }
    if (data) {
        result.hangup = m_faults.hangup;
        result.chunks = chunked(dataAnswer());
        return result;
    }
    const bool known = line.startsWith(QLatin1String("ATB"));
    const bool refused = !m_faults.refuse.isEmpty() && line.startsWith(m_faults.refuse);
    result.chunks = chunked(known && !refused ? QByteArray("OK\r\n") : QByteArray("ERROR\r\n"));
    return result;
}

QByteArray SimulatedDevice::dataAnswer()
{
    const QDateTime now = QDateTime::currentDateTime();
    // Flapping values cross the usual limits (40 °C, 90 %) on every request.
    const bool high = m_faults.high || (m_faults.flap && m_requests % 2 == 1);
    const bool fixed = m_faults.high || m_faults.flap;
    const double temperature = fixed ? (high ? 50.0 : 30.0) : m_model.temperature(now);
    const double humidity = fixed ? (high ? 95.0 : 50.0) : m_model.humidity(now);
    const QString t =
        m_faults.missing1 ? QStringLiteral("----") : QString::number(temperature, 'f', 2);
    const QString h =
        m_faults.missing2 ? QStringLiteral("----") : QString::number(humidity, 'f', 2);
    const QString marker = m_faults.garbage ? QStringLiteral("#?X") : m_dataCommand;
    return QStringLiteral("%1 %2,%3\r\n").arg(marker, t, h).toLatin1();
}

QList<QByteArray> SimulatedDevice::chunked(const QByteArray &answer) const
{
    if (!m_faults.split || answer.size() < 2)
        return {answer};
    const int half = answer.size() / 2;
    return {answer.left(half), answer.mid(half)};
}
