#pragma once

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>

// A desktop keyring for one test: a private D-Bus session bus (no service
// activation, so nothing else is started behind the test's back) with
// gnome-keyring-daemon on it, its login keyring created and unlocked in a
// temporary home. The test points DBUS_SESSION_BUS_ADDRESS at busAddress().
class SecretServiceSession
{
public:
    SecretServiceSession() = default;
    ~SecretServiceSession();
    SecretServiceSession(const SecretServiceSession &) = delete;
    SecretServiceSession &operator=(const SecretServiceSession &) = delete;

    bool start();
    void stop();
    QByteArray busAddress() const { return m_address; }
    // What went wrong, with what the daemons printed.
    QString error() const { return m_error; }
    // Where the keyring files lie.
    QString dataFolder() const { return m_dir.path() + QStringLiteral("/data"); }

private:
    QTemporaryDir m_dir;
    QProcess m_bus;
    QProcess m_keyring;
    QByteArray m_address;
    QString m_error;
};
