#pragma once

#include "ServerProcess.h"

#include <QString>
#include <QTemporaryDir>

// A Mosquitto broker for one test: on a free port of 127.0.0.1, with its
// configuration, password file, certificates and persistence in a folder of
// its own; as an unprivileged user when the tests run as root.
class MosquittoBroker
{
public:
    struct Options
    {
        QString user; // with a password file and no anonymous clients when set
        QString password;
        QString certFile; // TLS listener when set
        QString keyFile;
        bool persistence = false; // sessions and retained messages survive restart()
        quint16 port = 0;         // 0: a free one
    };

    bool start() { return start(Options{}); }
    bool start(const Options &options);
    // Stops the broker and starts it again on the same port.
    bool restart();
    void stop() { m_process.stop(); }
    void kill() { m_process.kill(); }
    bool isRunning() const { return m_process.isRunning(); }

    quint16 port() const { return m_port; }
    QString output() { return m_process.output(); }
    // Why start() failed.
    QString error() const { return m_error; }

private:
    bool writeConfig();
    bool launch();

    Options m_options;
    QTemporaryDir m_dir;
    ServerProcess m_process;
    quint16 m_port = 0;
    QString m_error;
};
