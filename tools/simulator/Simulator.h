#pragma once

#include <QList>
#include <QObject>
#include <QStringList>

class DiscoveryResponder;
class LanDevice;
class PtyDevice;
class QSocketNotifier;
class SimulatedDevice;

// Runs a set of simulated devices and takes commands on standard input:
//   fault <id> silent|missing1|missing2|garbage|split|close|hangup|flap|high
//   fault <id> refuse <command prefix>
//   answer <id> <text>    (next data answer; \r and \n escapes, CR LF added
//                          when the text has no line feed)
//   fragment <id> <text>  (next data answer exactly as given, no line end)
//   clear <id> | vanish <id> | restore <id> | drop <id> | stats <id> | quit
// <id> is a USB serial number or a LAN MAC text.
class Simulator : public QObject
{
    Q_OBJECT
public:
    struct Options
    {
        QStringList usbSerials;
        QStringList lanDevices; // "address[:port][/MAC]"
        QString announceFile;
        QString discovery; // "address:port", empty for none
        int durationSeconds = 3600;
        bool events = false;
        bool quitOnEof = false;
        quint32 seed = 1;
    };

    explicit Simulator(QObject *parent = nullptr);
    ~Simulator() override;

    bool start(const Options &options, QString *error);
    void stop();

    // Handles one command line; returns the response line.
    QString execute(const QString &command);

private:
    bool addLan(const QString &definition, int index, QString *error);
    SimulatedDevice *find(const QString &id) const;
    void writeAnnouncement();
    void readCommands();
    void print(const QString &line);

    Options m_options;
    QList<PtyDevice *> m_usb;
    QList<LanDevice *> m_lan;
    DiscoveryResponder *m_responder = nullptr;
    QSocketNotifier *m_stdin = nullptr;
    QByteArray m_input;
    bool m_stopped = false;
};
