#pragma once

#include "DeviceFaults.h"
#include "ReadingModel.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>

// What all simulated devices share: identity, readings, faults, counters
// and the answer to one command line.
class SimulatedDevice : public QObject
{
    Q_OBJECT
public:
    // Longest command line accepted; longer input is dropped unanswered.
    static constexpr int MaxLine = 256;
    // Delay between the two halves of a split answer.
    static constexpr int SplitDelay = 150;

    struct Reply
    {
        QList<QByteArray> chunks; // written in order, SplitDelay apart
        bool drop = false;        // close the connection instead
        bool hangup = false;      // close the connection after the chunks
    };

    SimulatedDevice(const QString &id, const char *dataCommand, double offset, quint32 seed,
                    QObject *parent = nullptr);

    QString id() const { return m_id; }
    DeviceFaults &faults() { return m_faults; }
    QString stats() const;
    void countConnection() { ++m_connections; }

    // Feeds received bytes; returns the replies to the complete lines.
    QList<Reply> receive(QByteArray &pending, const QByteArray &bytes);

signals:
    void activity(const QString &line);

private:
    Reply reply(const QString &line);
    QByteArray dataAnswer();
    QList<QByteArray> chunked(const QByteArray &answer) const;

    QString m_id;
    QString m_dataCommand;
    DeviceFaults m_faults;
    ReadingModel m_model;
    int m_connections = 0;
    int m_requests = 0;
    int m_commands = 0;
};
