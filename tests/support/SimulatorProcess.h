#pragma once

#include <QHash>
#include <QObject>
#include <QProcess>
#include <QStringList>

// Runs moravin-simulator for a test and talks to it over its standard
// input and output.
class SimulatorProcess : public QObject
{
    Q_OBJECT
public:
    struct Lan
    {
        QString mac;
        QString address;
        quint16 port = 0;
    };

    explicit SimulatorProcess(QObject *parent = nullptr);
    ~SimulatorProcess() override;

    static QString binaryPath();

    // Starts the simulator with these arguments and waits for "ready".
    bool start(const QStringList &arguments);
    // Sends one command line and waits for its response line.
    QString command(const QString &line);
    // One counter of "stats <id>": connections, requests or commands.
    int stat(const QString &id, const QString &counter);

    QString usbPort(const QString &serial) const { return m_usbPorts.value(serial); }
    Lan lan(int index) const { return m_lan.value(index); }
    bool discoveryAvailable() const { return m_discovery; }
    quint16 discoveryPort() const { return m_discoveryPort; }
    // Lines printed with --events since the last clearEvents().
    QStringList events();
    void clearEvents();
    // The command lines device id received since the last clearEvents().
    QStringList received(const QString &id);

private:
    bool waitForLine(const std::function<bool(const QString &)> &match, QString *found,
                     int timeout);
    void readOutput();

    QProcess m_process;
    QStringList m_lines;
    QStringList m_events;
    QByteArray m_partial;
    QHash<QString, QString> m_usbPorts;
    QList<Lan> m_lan;
    bool m_discovery = false;
    quint16 m_discoveryPort = 0;
};
