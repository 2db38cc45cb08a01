#include "SecretServiceSession.h"
#include "SecretStore.h"

#include <QDeadlineTimer>
#include <QTemporaryDir>
#include <QtTest>

// Passwords in a real desktop keyring: gnome-keyring-daemon on a private
// session bus started by the test.
class tst_SecretStoreKeyring : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void passwordsGoToTheKeyringNotToTheFile();

private:
    SecretServiceSession m_session;
};

void tst_SecretStoreKeyring::initTestCase()
{
    QVERIFY2(m_session.start(), qPrintable(m_session.error()));
    // Set before the first use of D-Bus in this process.
    qputenv("DBUS_SESSION_BUS_ADDRESS", m_session.busAddress());
    QDeadlineTimer deadline(20000);
    while (!SecretStore::keyringAnswers() && !deadline.hasExpired())
        QTest::qWait(100);
    QVERIFY2(SecretStore::keyringAnswers(), "the keyring did not come up on the private bus");
}

void tst_SecretStoreKeyring::passwordsGoToTheKeyringNotToTheFile()
{
    QTemporaryDir folder;
    SecretStore store(folder.path());
    QCOMPARE(store.backend(), SecretStore::Backend::Keyring);
    QCOMPARE(store.whereText(), QStringLiteral("Passwords are kept in the desktop keyring."));

    QString error;
    QVERIFY2(store.store(QStringLiteral("smtp"), QStringLiteral("u@mail.lab"),
                         QString::fromUtf8("sécret"), &error),
             qPrintable(error));
    QVERIFY(
        store.store(QStringLiteral("mqtt"), QStringLiteral("u@mail.lab"), QStringLiteral("other")));
    QCOMPARE(store.lookup(QStringLiteral("smtp"), QStringLiteral("u@mail.lab")).value_or(QString()),
             QString::fromUtf8("sécret"));
    QCOMPARE(store.lookup(QStringLiteral("mqtt"), QStringLiteral("u@mail.lab")).value_or(QString()),
             QStringLiteral("other"));
    QVERIFY(!store.lookup(QStringLiteral("smtp"), QStringLiteral("someone@else")));
    // Replacing keeps one entry.
    QVERIFY(
        store.store(QStringLiteral("smtp"), QStringLiteral("u@mail.lab"), QStringLiteral("new")));
    QCOMPARE(*store.lookup(QStringLiteral("smtp"), QStringLiteral("u@mail.lab")),
             QStringLiteral("new"));
    QVERIFY(store.remove(QStringLiteral("smtp"), QStringLiteral("u@mail.lab")));
    QVERIFY(!store.lookup(QStringLiteral("smtp"), QStringLiteral("u@mail.lab")));

    QVERIFY(!QFile::exists(store.filePath()));
    // The same kept password, seen from another SecretStore (the next start).
    SecretStore again(folder.path());
    QCOMPARE(*again.lookup(QStringLiteral("mqtt"), QStringLiteral("u@mail.lab")),
             QStringLiteral("other"));
    // Asked for the file only, the keyring's entries are not there.
    SecretStore fileOnly(folder.path(), SecretStore::Mode::FileOnly);
    QVERIFY(!fileOnly.lookup(QStringLiteral("mqtt"), QStringLiteral("u@mail.lab")));
}

QTEST_GUILESS_MAIN(tst_SecretStoreKeyring)
#include "tst_SecretStoreKeyring.moc"
