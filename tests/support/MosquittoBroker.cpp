#include "MosquittoBroker.h"

#include <QFile>
#include <QProcess>

bool MosquittoBroker::writeConfig()
{
    const QString dir = m_dir.path();
    QByteArray config = "listener " + QByteArray::number(m_port) + " 127.0.0.1\n";
    if (!m_options.certFile.isEmpty()) {
        // Copies, so that the broker's user can read them.
        QFile::remove(dir + QStringLiteral("/server.pem"));
        QFile::remove(dir + QStringLiteral("/server.key"));
        if (!QFile::copy(m_options.certFile, dir + QStringLiteral("/server.pem")) ||
            !QFile::copy(m_options.keyFile, dir + QStringLiteral("/server.key"))) {
            m_error = QStringLiteral("cannot copy the certificate");
            return false;
        }
        config +=
            "certfile " + dir.toUtf8() + "/server.pem\nkeyfile " + dir.toUtf8() + "/server.key\n";
    }
    if (m_options.user.isEmpty()) {
        config += "allow_anonymous true\n";
    } else {
        const QString passwords = dir + QStringLiteral("/passwords");
        const int rc = QProcess::execute(QStringLiteral("mosquitto_passwd"),
                                         {QStringLiteral("-c"), QStringLiteral("-b"), passwords,
                                          m_options.user, m_options.password});
        if (rc != 0) {
            m_error = QStringLiteral("mosquitto_passwd failed");
            return false;
        }
        config += "allow_anonymous false\npassword_file " + passwords.toUtf8() + "\n";
    }
    if (m_options.persistence)
        config += "persistence true\npersistence_location " + dir.toUtf8() + "/\n";
    else
        config += "persistence false\n";
    config += "log_dest stdout\nlog_type error\nlog_type warning\nlog_type notice\n";

    QFile file(dir + QStringLiteral("/mosquitto.conf"));
    if (!file.open(QIODevice::WriteOnly) || file.write(config) != config.size()) {
        m_error = file.errorString();
        return false;
    }
    file.close();
    return ServerProcess::handOver(dir, ServerProcess::unprivilegedUser());
}

bool MosquittoBroker::launch()
{
    if (!m_process.start(QStringLiteral("mosquitto"),
                         {QStringLiteral("-c"), m_dir.path() + QStringLiteral("/mosquitto.conf")},
                         ServerProcess::unprivilegedUser())) {
        m_error = QStringLiteral("mosquitto did not start");
        return false;
    }
    if (!m_process.waitForPort(m_port)) {
        m_error = QStringLiteral("mosquitto did not listen on %1: %2").arg(m_port).arg(output());
        m_process.stop();
        return false;
    }
    return true;
}

bool MosquittoBroker::start(const Options &options)
{
    m_options = options;
    if (!m_dir.isValid()) {
        m_error = QStringLiteral("no temporary folder");
        return false;
    }
    // The free port may be taken between the probe and the start: try again.
    for (int attempt = 0; attempt < 3; ++attempt) {
        m_port = options.port ? options.port : ServerProcess::freeLoopbackPort();
        if (writeConfig() && launch())
            return true;
    }
    return false;
}

bool MosquittoBroker::restart()
{
    m_process.stop();
    return launch();
}
