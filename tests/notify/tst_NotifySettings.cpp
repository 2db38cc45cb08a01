#include "MqttSettings.h"
#include "NotifySettings.h"
#include "SecretStore.h"

#include "core/ProjectFile.h"

#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>

// The notification settings in the project file, and the passwords that
// never go there.
class tst_NotifySettings : public QObject
{
    Q_OBJECT
private slots:
    void missingGroupsReadAsDefaults();
    void roundTripInGroupsOfTheirOwn();
    void handEditedValues();
    void recipientsAreParsed();
    void defaultPrefixAndClientId();
    void passwordFileIsTheUsersAlone();
    void passwordFileKeepsOtherEntries();
    void withoutABusTheFileIsUsed();
    void unwritableFolderIsReported();
};

void tst_NotifySettings::missingGroupsReadAsDefaults()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("lab.qpj"));
    ProjectFile(path).writeHeader(QStringLiteral("lab"), 1000, QStringLiteral("lab.dat"));
    const NotifySettings mail = NotifySettings::load(path);
    QCOMPARE(mail, NotifySettings());
    QVERIFY(!mail.mailEnabled);
    QCOMPARE(mail.categories, int(NotifySettings::AllCategories));
    QCOMPARE(mail.alarmDelayMinutes, 0);
    const MqttSettings mqtt = MqttSettings::load(path);
    QCOMPARE(mqtt, MqttSettings());
    QCOMPARE(mqtt.discoveryPrefix, QStringLiteral("homeassistant"));
    QCOMPARE(mqtt.port, 1883);
}

void tst_NotifySettings::roundTripInGroupsOfTheirOwn()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("lab.qpj"));
    ProjectFile project(path);
    project.writeHeader(QStringLiteral("lab"), 5000, QStringLiteral("lab.dat"));

    NotifySettings mail;
    mail.mailEnabled = true;
    mail.host = QStringLiteral("mail.lab.example");
    mail.port = 465;
    mail.security = NotifySettings::Security::Tls;
    mail.user = QStringLiteral("recorder");
    mail.caFile = QStringLiteral("/etc/lab/ca.pem");
    mail.sender = QStringLiteral("recorder@lab.example");
    mail.recipients = QStringList{QStringLiteral("a@lab.example"), QStringLiteral("b@lab.example")};
    mail.categories = NotifySettings::AlarmBegin | NotifySettings::StorageWarning;
    mail.alarmDelayMinutes = 5;
    mail.endHysteresis = 0.5;
    QVERIFY(mail.save(path));

    MqttSettings mqtt;
    mqtt.enabled = true;
    mqtt.host = QStringLiteral("broker.lab.example");
    mqtt.port = 8883;
    mqtt.tls = true;
    mqtt.caFile = QStringLiteral("/etc/lab/broker-ca.pem");
    mqtt.user = QStringLiteral("moravin");
    mqtt.clientId = QStringLiteral("lab-recorder");
    mqtt.topicPrefix = QStringLiteral("site/lab");
    mqtt.discoveryPrefix = QStringLiteral("ha");
    mqtt.discovery = false;
    QVERIFY(mqtt.save(path));

    QCOMPARE(NotifySettings::load(path), mail);
    QCOMPARE(MqttSettings::load(path), mqtt);
    // The keys the three programs already read are untouched.
    QCOMPARE(project.projectName(), QStringLiteral("lab"));
    QCOMPARE(project.storedDataInterval(), 5000);
    QCOMPARE(project.databaseName(), QStringLiteral("lab.dat"));

    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray text = file.readAll();
    QVERIFY(text.contains("[Notify]"));
    QVERIFY(text.contains("[Mqtt]"));
    QVERIFY(text.contains("SmtpSecurity=tls"));
    QVERIFY(!text.contains("assword"));
}

void tst_NotifySettings::handEditedValues()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("lab.qpj"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("[Notify]\nMailEnabled=true\nSmtpSecurity=STARTTLS\nSmtpPort=99999\n"
               "Recipients=a@lab.example, b@lab.example c@lab.example\nOnAlarmEnd=false\n"
               "AlarmDelayMinutes=-3\nEndHysteresis=-1\n"
               "[Mqtt]\nEnabled=true\nTls=true\nPort=abc\nDiscoveryPrefix=\n");
    file.close();
    const NotifySettings mail = NotifySettings::load(path);
    QCOMPARE(mail.security, NotifySettings::Security::StartTls);
    QCOMPARE(mail.port, 587); // out of range: the security's default
    QCOMPARE(mail.recipients,
             (QStringList{QStringLiteral("a@lab.example"), QStringLiteral("b@lab.example"),
                          QStringLiteral("c@lab.example")}));
    QCOMPARE(mail.categories, NotifySettings::AllCategories & ~NotifySettings::AlarmEnd);
    QCOMPARE(mail.alarmDelayMinutes, 0);
    QCOMPARE(mail.endHysteresis, 0.0);
    const MqttSettings mqtt = MqttSettings::load(path);
    QCOMPARE(mqtt.port, 8883);
    QCOMPARE(mqtt.discoveryPrefix, QStringLiteral("homeassistant"));
}

void tst_NotifySettings::recipientsAreParsed()
{
    QCOMPARE(
        NotifySettings::parseRecipients(QStringLiteral(" a@x.org,b@x.org ;\n c@x.org  A@X.ORG,, ")),
        (QStringList{QStringLiteral("a@x.org"), QStringLiteral("b@x.org"),
                     QStringLiteral("c@x.org")}));
    QVERIFY(NotifySettings::parseRecipients(QStringLiteral(" ,; ")).isEmpty());
}

void tst_NotifySettings::defaultPrefixAndClientId()
{
    MqttSettings s;
    QCOMPARE(s.effectivePrefix(QStringLiteral("Cold room #2")),
             QStringLiteral("moravin/Cold_room_2"));
    s.topicPrefix = QStringLiteral("site/a");
    QCOMPARE(s.effectivePrefix(QStringLiteral("Cold room #2")), QStringLiteral("site/a"));
    const QString id = s.effectiveClientId(QStringLiteral("Cold room"));
    QVERIFY(id.startsWith(QStringLiteral("moravin-")));
    QVERIFY(id.endsWith(QStringLiteral("-Cold_room")));
    s.clientId = QStringLiteral("mine");
    QCOMPARE(s.effectiveClientId(QStringLiteral("x")), QStringLiteral("mine"));
    QCOMPARE(s.secretAccount(), QString());
    s.user = QStringLiteral("u");
    s.host = QStringLiteral("h");
    QCOMPARE(s.secretAccount(), QStringLiteral("u@h"));
}

void tst_NotifySettings::passwordFileIsTheUsersAlone()
{
    QTemporaryDir dir;
    const QString folder = dir.filePath(QStringLiteral("config/MoravinLite"));
    SecretStore store(folder, SecretStore::Mode::FileOnly);
    QCOMPARE(store.backend(), SecretStore::Backend::File);
    QVERIFY(store.whereText().contains(store.filePath()));
    QVERIFY(store.whereText().contains(QStringLiteral("readable only by you")));
    QVERIFY(!store.lookup(QStringLiteral("smtp"), QStringLiteral("u@h")));

    // Even a umask that would let everybody read.
    const mode_t old = umask(0);
    QString error;
    const bool stored = store.store(QStringLiteral("smtp"), QStringLiteral("u@h"),
                                    QString::fromUtf8("pä\"ss\nword"), &error);
    umask(old);
    QVERIFY2(stored, qPrintable(error));
    struct stat info;
    QCOMPARE(stat(store.filePath().toLocal8Bit().constData(), &info), 0);
    QCOMPARE(info.st_mode & 0777, mode_t(0600));
    QCOMPARE(store.lookup(QStringLiteral("smtp"), QStringLiteral("u@h")).value_or(QString()),
             QString::fromUtf8("pä\"ss\nword"));

    // A file someone opened up is closed again at the next write.
    QVERIFY(QFile::setPermissions(store.filePath(),
                                  QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther));
    QVERIFY(store.store(QStringLiteral("smtp"), QStringLiteral("u@h"), QStringLiteral("new")));
    QCOMPARE(stat(store.filePath().toLocal8Bit().constData(), &info), 0);
    QCOMPARE(info.st_mode & 0777, mode_t(0600));
    QCOMPARE(*store.lookup(QStringLiteral("smtp"), QStringLiteral("u@h")), QStringLiteral("new"));
}

void tst_NotifySettings::passwordFileKeepsOtherEntries()
{
    QTemporaryDir dir;
    SecretStore store(dir.path(), SecretStore::Mode::FileOnly);
    QVERIFY(store.store(QStringLiteral("smtp"), QStringLiteral("u@h"), QStringLiteral("one")));
    QVERIFY(store.store(QStringLiteral("mqtt"), QStringLiteral("u@h"), QStringLiteral("two")));
    QVERIFY(store.store(QStringLiteral("smtp"), QStringLiteral("v@h"), QStringLiteral("three")));
    QVERIFY(store.remove(QStringLiteral("smtp"), QStringLiteral("u@h")));
    QVERIFY(!store.lookup(QStringLiteral("smtp"), QStringLiteral("u@h")));
    // A second store object (the next start) finds what the first kept.
    SecretStore again(dir.path(), SecretStore::Mode::FileOnly);
    QCOMPARE(*again.lookup(QStringLiteral("mqtt"), QStringLiteral("u@h")), QStringLiteral("two"));
    QCOMPARE(*again.lookup(QStringLiteral("smtp"), QStringLiteral("v@h")), QStringLiteral("three"));
}

void tst_NotifySettings::withoutABusTheFileIsUsed()
{
    // No session bus at all: no keyring, and no attempt to launch a bus.
    const QByteArray oldBus = qgetenv("DBUS_SESSION_BUS_ADDRESS");
    const QByteArray oldDisplay = qgetenv("DISPLAY");
    QTemporaryDir runtime;
    qunsetenv("DBUS_SESSION_BUS_ADDRESS");
    qputenv("DISPLAY", ":99");
    const QByteArray oldRuntime = qgetenv("XDG_RUNTIME_DIR");
    qputenv("XDG_RUNTIME_DIR", runtime.path().toLocal8Bit());
    QVERIFY(!SecretStore::keyringAnswers());
    SecretStore store(runtime.path());
    QCOMPARE(store.backend(), SecretStore::Backend::File);

    // A bus address where nothing listens.
    qputenv("DBUS_SESSION_BUS_ADDRESS",
            "unix:path=" + runtime.filePath(QStringLiteral("nobody-here")).toLocal8Bit());
    QVERIFY(!SecretStore::keyringAnswers());

    qputenv("DBUS_SESSION_BUS_ADDRESS", oldBus);
    qputenv("DISPLAY", oldDisplay);
    qputenv("XDG_RUNTIME_DIR", oldRuntime);
}

void tst_NotifySettings::unwritableFolderIsReported()
{
    QTemporaryDir dir;
    QFile blocker(dir.filePath(QStringLiteral("file")));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    // A folder that cannot be made: a plain file stands in its way.
    SecretStore store(dir.filePath(QStringLiteral("file/MoravinLite")),
                      SecretStore::Mode::FileOnly);
    QString error;
    QVERIFY(
        !store.store(QStringLiteral("smtp"), QStringLiteral("u@h"), QStringLiteral("pw"), &error));
    QVERIFY(!error.isEmpty());
}

QTEST_GUILESS_MAIN(tst_NotifySettings)
#include "tst_NotifySettings.moc"
