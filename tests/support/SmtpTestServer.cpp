#include "SmtpTestServer.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QStandardPaths>

#ifndef MORAVIN_TESTSUPPORT_DIR
#error "MORAVIN_TESTSUPPORT_DIR names the folder of moravin_smtp_store.py"
#endif

QString SmtpTestServer::python()
{
    const QString system =
        QStandardPaths::findExecutable(QStringLiteral("python3"), {QStringLiteral("/usr/bin")});
    return system.isEmpty() ? QStringLiteral("python3") : system;
}

bool SmtpTestServer::start(const Options &options)
{
    if (!m_dir.isValid()) {
        m_error = QStringLiteral("no temporary folder");
        return false;
    }
    const QString dir = m_dir.path();
    const QString mails = dir + QStringLiteral("/mails");
    QDir().mkpath(mails);
    QFile::remove(dir + QStringLiteral("/moravin_smtp_store.py"));
    if (!QFile::copy(QStringLiteral(MORAVIN_TESTSUPPORT_DIR "/moravin_smtp_store.py"),
                     dir + QStringLiteral("/moravin_smtp_store.py"))) {
        m_error = QStringLiteral("cannot copy the mail handler");
        return false;
    }
    QStringList tls;
    if (options.security != Security::None) {
        QFile::remove(dir + QStringLiteral("/server.pem"));
        QFile::remove(dir + QStringLiteral("/server.key"));
        QFile::copy(options.certFile, dir + QStringLiteral("/server.pem"));
        QFile::copy(options.keyFile, dir + QStringLiteral("/server.key"));
        const bool implicit = options.security == Security::Tls;
        tls << (implicit ? QStringLiteral("--smtpscert") : QStringLiteral("--tlscert"))
            << dir + QStringLiteral("/server.pem")
            << (implicit ? QStringLiteral("--smtpskey") : QStringLiteral("--tlskey"))
            << dir + QStringLiteral("/server.key");
    }
    const QString user = ServerProcess::unprivilegedUser();
    if (!ServerProcess::handOver(dir, user)) {
        m_error = QStringLiteral("cannot hand the folder over to %1").arg(user);
        return false;
    }
    for (int attempt = 0; attempt < 3; ++attempt) {
        m_port = options.port ? options.port : ServerProcess::freeLoopbackPort();
        // env sets the module path: runuser keeps the environment, but the
        // handler must be found whoever runs it.
        const QStringList arguments = QStringList{QStringLiteral("PYTHONPATH=") + dir,
                                                  QStringLiteral("PYTHONDONTWRITEBYTECODE=1"),
                                                  python(),
                                                  QStringLiteral("-m"),
                                                  QStringLiteral("aiosmtpd"),
                                                  QStringLiteral("-n"),
                                                  QStringLiteral("-l"),
                                                  QStringLiteral("127.0.0.1:%1").arg(m_port),
                                                  QStringLiteral("-c"),
                                                  QStringLiteral("moravin_smtp_store.Store")} +
                                      tls +
                                      QStringList{mails, options.user, options.password,
                                                  options.refusedRecipients.join(QLatin1Char(','))};
        if (!m_process.start(QStringLiteral("env"), arguments, user)) {
            m_error = QStringLiteral("aiosmtpd did not start");
            continue;
        }
        if (m_process.waitForPort(m_port))
            return true;
        m_error = QStringLiteral("aiosmtpd did not listen on %1: %2").arg(m_port).arg(output());
        m_process.stop();
    }
    return false;
}

QList<QJsonObject> SmtpTestServer::messages() const
{
    QList<QJsonObject> list;
    QDir mails(m_dir.path() + QStringLiteral("/mails"));
    const QStringList names = mails.entryList({QStringLiteral("*.json")}, QDir::Files, QDir::Name);
    for (const QString &name : names) {
        QFile file(mails.filePath(name));
        if (file.open(QIODevice::ReadOnly))
            list << QJsonDocument::fromJson(file.readAll()).object();
    }
    return list;
}

int SmtpTestServer::messageCount() const
{
    return QDir(m_dir.path() + QStringLiteral("/mails"))
        .entryList({QStringLiteral("*.json")}, QDir::Files)
        .size();
}
