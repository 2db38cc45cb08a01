#include "TestCertificate.h"

#include <QDir>
#include <QFile>
#include <QProcess>

bool TestCertificate::run(const QStringList &arguments)
{
    QProcess openssl;
    openssl.setProcessChannelMode(QProcess::MergedChannels);
    openssl.setWorkingDirectory(m_folder);
    openssl.start(QStringLiteral("openssl"), arguments);
    if (!openssl.waitForFinished(30000) || openssl.exitCode() != 0) {
        m_error =
            QStringLiteral("openssl %1: %2")
                .arg(arguments.join(QLatin1Char(' ')), QString::fromLocal8Bit(openssl.readAll()));
        return false;
    }
    return true;
}

bool TestCertificate::create(const QString &folder, const QStringList &altNames,
                             const TestCertificate *authority)
{
    m_folder = folder;
    m_caFolder = authority ? authority->m_caFolder : folder;
    if (!QDir().mkpath(folder)) {
        m_error = QStringLiteral("cannot create %1").arg(folder);
        return false;
    }
    // Elliptic-curve keys: made in milliseconds, accepted by every TLS stack here.
    const QStringList newKey{
        QStringLiteral("-newkey"), QStringLiteral("ec"), QStringLiteral("-pkeyopt"),
        QStringLiteral("ec_paramgen_curve:prime256v1"), QStringLiteral("-nodes")};
    QFile ext(folder + QStringLiteral("/server.ext"));
    if (!ext.open(QIODevice::WriteOnly)) {
        m_error = ext.errorString();
        return false;
    }
    ext.write("subjectAltName=" + altNames.join(QLatin1Char(',')).toLatin1() +
              "\nbasicConstraints=CA:FALSE\nextendedKeyUsage=serverAuth\n");
    ext.close();
    const QString commonName = altNames.value(0).section(QLatin1Char(':'), 1);
    const bool ca =
        authority ||
        run(QStringList{QStringLiteral("req"), QStringLiteral("-x509")} + newKey +
            QStringList{QStringLiteral("-keyout"), QStringLiteral("ca.key"), QStringLiteral("-out"),
                        QStringLiteral("ca.pem"), QStringLiteral("-days"), QStringLiteral("2"),
                        QStringLiteral("-subj"), QStringLiteral("/CN=Moravin Test CA"),
                        QStringLiteral("-addext"),
                        QStringLiteral("basicConstraints=critical,CA:TRUE"),
                        QStringLiteral("-addext"),
                        QStringLiteral("keyUsage=critical,keyCertSign,cRLSign")});
    return ca &&
           run(QStringList{QStringLiteral("req"), QStringLiteral("-new")} + newKey +
               QStringList{QStringLiteral("-keyout"), QStringLiteral("server.key"),
                           QStringLiteral("-out"), QStringLiteral("server.csr"),
                           QStringLiteral("-subj"), QStringLiteral("/CN=") + commonName}) &&
           run({QStringLiteral("x509"), QStringLiteral("-req"), QStringLiteral("-in"),
                QStringLiteral("server.csr"), QStringLiteral("-CA"), caFile(),
                QStringLiteral("-CAkey"), m_caFolder + QStringLiteral("/ca.key"),
                QStringLiteral("-CAcreateserial"), QStringLiteral("-out"),
                QStringLiteral("server.pem"), QStringLiteral("-days"), QStringLiteral("2"),
                QStringLiteral("-extfile"), QStringLiteral("server.ext")});
}
