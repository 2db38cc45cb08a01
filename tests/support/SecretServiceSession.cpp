#include "SecretServiceSession.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>

SecretServiceSession::~SecretServiceSession()
{
    stop();
}

bool SecretServiceSession::start()
{
    if (!m_dir.isValid()) {
        m_error = QStringLiteral("no temporary folder");
        return false;
    }
    const QString dir = m_dir.path();
    QDir().mkpath(dir + QStringLiteral("/home"));
    QDir().mkpath(dir + QStringLiteral("/data"));
    QDir().mkpath(dir + QStringLiteral("/run"));
    QFile::setPermissions(dir + QStringLiteral("/run"),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    const QString socket = dir + QStringLiteral("/bus");
    QFile config(dir + QStringLiteral("/bus.conf"));
    if (!config.open(QIODevice::WriteOnly)) {
        m_error = config.errorString();
        return false;
    }
    config.write(
        "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-BUS Bus Configuration 1.0//EN\"\n"
        " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
        "<busconfig>\n  <type>session</type>\n  <listen>unix:path=" +
        socket.toUtf8() +
        "</listen>\n  <auth>EXTERNAL</auth>\n"
        "  <policy context=\"default\">\n    <allow send_destination=\"*\" eavesdrop=\"true\"/>\n"
        "    <allow eavesdrop=\"true\"/>\n    <allow own=\"*\"/>\n  </policy>\n</busconfig>\n");
    config.close();

    m_bus.start(QStringLiteral("dbus-daemon"),
                {QStringLiteral("--config-file=") + config.fileName(), QStringLiteral("--nofork"),
                 QStringLiteral("--print-address=1")});
    QDeadlineTimer deadline(15000);
    while (!deadline.hasExpired() && m_bus.state() != QProcess::NotRunning && !m_bus.canReadLine())
        m_bus.waitForReadyRead(100);
    m_address = m_bus.readLine().trimmed();
    if (m_address.isEmpty() || !QFileInfo::exists(socket)) {
        m_error = QStringLiteral("dbus-daemon did not start: %1")
                      .arg(QString::fromLocal8Bit(m_bus.readAllStandardError()));
        stop();
        return false;
    }

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), QString::fromUtf8(m_address));
    env.insert(QStringLiteral("HOME"), dir + QStringLiteral("/home"));
    env.insert(QStringLiteral("XDG_DATA_HOME"), dir + QStringLiteral("/data"));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), dir + QStringLiteral("/run"));
    env.remove(QStringLiteral("DISPLAY"));
    m_keyring.setProcessEnvironment(env);
    m_keyring.setProcessChannelMode(QProcess::MergedChannels);
    // --unlock reads the password of the login keyring, creating it, from stdin.
    m_keyring.start(QStringLiteral("gnome-keyring-daemon"),
                    {QStringLiteral("--foreground"), QStringLiteral("--components=secrets"),
                     QStringLiteral("--unlock")});
    if (!m_keyring.waitForStarted(10000)) {
        m_error = QStringLiteral("gnome-keyring-daemon did not start");
        stop();
        return false;
    }
    m_keyring.write("test-keyring-password");
    m_keyring.closeWriteChannel();
    return true;
}

void SecretServiceSession::stop()
{
    for (QProcess *p : {&m_keyring, &m_bus}) {
        if (p->state() == QProcess::NotRunning)
            continue;
        p->terminate();
        if (!p->waitForFinished(5000)) {
            p->kill();
            p->waitForFinished(5000);
        }
    }
}
