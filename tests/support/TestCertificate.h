#pragma once

#include <QString>
#include <QStringList>

// A certificate authority and one server certificate signed by it, made
// with openssl for a TLS test: the client trusts caFile(), the server
// presents certFile() and keyFile().
class TestCertificate
{
public:
    // altNames as openssl writes them: "IP:127.0.0.1", "DNS:localhost". The
    // server certificate is signed by authority's CA when given, else by a new one.
    bool create(const QString &folder, const QStringList &altNames,
                const TestCertificate *authority = nullptr);

    QString caFile() const { return m_caFolder + QStringLiteral("/ca.pem"); }
    QString certFile() const { return m_folder + QStringLiteral("/server.pem"); }
    QString keyFile() const { return m_folder + QStringLiteral("/server.key"); }
    // What openssl said when create() failed.
    QString error() const { return m_error; }

private:
    bool run(const QStringList &arguments);

    QString m_folder;
    QString m_caFolder;
    QString m_error;
};
