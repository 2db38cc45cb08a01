#include "PostgresServer.h"
#include "ServerDialog.h"
#include "TcpRelay.h"

#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

// The Server dialog: "Test connection" off the GUI thread, saving into the
// project's [Server] group, refusing a password.
class tst_ServerDialog : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void testConnectionKeepsTheWindowAlive();
    void savesTheServerGroup();
    void refusesAPassword();

private:
    QString makeProject();

    PostgresServer m_server{PostgresServer::Listen::Loopback};
    QTemporaryDir m_dir;
    int m_projects = 0;
};

void tst_ServerDialog::initTestCase()
{
    QString error;
    QVERIFY2(m_server.setUp(&error), qPrintable(error));
}

QString tst_ServerDialog::makeProject()
{
    const QString path = m_dir.filePath(QStringLiteral("p%1.qpj").arg(++m_projects));
    QSettings file(path, QSettings::IniFormat);
    file.setValue("projectName", "p");
    file.setValue("databaseName", "p.dat");
    return path;
}

void tst_ServerDialog::testConnectionKeepsTheWindowAlive()
{
    // A server that accepts the connection and then says nothing: the test
    // waits for its timeout while the window keeps working.
    TcpRelay silent(m_server.port());
    QVERIFY(silent.listen());
    silent.setDropping(true);
    QPointer<ServerDialog> dialog = new ServerDialog(makeProject());
    dialog->show();
    auto *connection = dialog->findChild<QLineEdit *>("lineEdit_connection");
    auto *test = dialog->findChild<QPushButton *>("pushButton_test");
    auto *result = dialog->findChild<QLabel *>("label_result");
    connection->setText(QStringLiteral("host=127.0.0.1 port=%1 user=moravin_admin dbname=moravin "
                                       "connect_timeout=3")
                            .arg(silent.port()));
    QElapsedTimer clock;
    clock.start();
    test->click();
    QVERIFY(clock.elapsed() < 1000);
    QVERIFY(dialog->isTesting());
    QVERIFY(!test->isEnabled());
    // The event loop runs (the relay itself lives on it) until the probe gives up.
    QTRY_VERIFY_WITH_TIMEOUT(!dialog->isTesting(), 20000);
    QVERIFY2(result->text().startsWith("The server cannot be reached"), qPrintable(result->text()));

    connection->setText(m_server.connectionString());
    test->click();
    QTRY_VERIFY_WITH_TIMEOUT(!dialog->isTesting(), 20000);
    QVERIFY2(result->text().contains("Connected to PostgreSQL 15") &&
                 result->text().contains("will be created"),
             qPrintable(result->text()));
    QVERIFY(test->isEnabled());
    dialog->reject();
    QTRY_VERIFY(dialog.isNull());
}

void tst_ServerDialog::savesTheServerGroup()
{
    const QString path = makeProject();
    QPointer<ServerDialog> dialog = new ServerDialog(path);
    QSignalSpy saved(dialog.data(), &ServerDialog::saved);
    dialog->findChild<QLineEdit *>("lineEdit_connection")->setText(" service=site ");
    dialog->findChild<QLineEdit *>("lineEdit_readConnection")->setText("service=replica");
    dialog->findChild<QPushButton *>("pushButton_save")->click();
    QCOMPARE(saved.size(), 1);
    QSettings file(path, QSettings::IniFormat);
    QCOMPARE(file.value("Server/Connection").toString(), QStringLiteral("service=site"));
    QCOMPARE(file.value("Server/ReadConnection").toString(), QStringLiteral("service=replica"));
    const QUuid id = QUuid::fromString(file.value("Server/StoreId").toString());
    QVERIFY(!id.isNull());
    QCOMPARE(file.value("databaseName").toString(), QStringLiteral("p.dat"));
    QTRY_VERIFY(dialog.isNull());

    // Opened again: shows what is stored; a new store id when asked.
    dialog = new ServerDialog(path);
    QCOMPARE(dialog->findChild<QLineEdit *>("lineEdit_connection")->text(),
             QStringLiteral("service=site"));
    QCOMPARE(dialog->findChild<QLabel *>("label_storeId")->text(),
             id.toString(QUuid::WithoutBraces));
    dialog->findChild<QPushButton *>("pushButton_newStoreId")->click();
    dialog->findChild<QPushButton *>("pushButton_save")->click();
    QSettings again(path, QSettings::IniFormat);
    const QUuid renewed = QUuid::fromString(again.value("Server/StoreId").toString());
    QVERIFY(!renewed.isNull() && renewed != id);
}

void tst_ServerDialog::refusesAPassword()
{
    const QString path = makeProject();
    QPointer<ServerDialog> dialog = new ServerDialog(path);
    QSignalSpy saved(dialog.data(), &ServerDialog::saved);
    dialog->findChild<QLineEdit *>("lineEdit_connection")
        ->setText("host=db dbname=moravin password=hunter2");
    dialog->findChild<QPushButton *>("pushButton_save")->click();
    QCOMPARE(saved.size(), 0);
    QVERIFY(!dialog.isNull());
    QVERIFY(dialog->findChild<QLabel *>("label_result")->text().contains("~/.pgpass"));
    dialog->findChild<QPushButton *>("pushButton_test")->click();
    QVERIFY(!dialog->isTesting());
    QVERIFY(!QSettings(path, QSettings::IniFormat).contains("Server/Connection"));
    dialog->reject();
}

QTEST_MAIN(tst_ServerDialog)
#include "tst_ServerDialog.moc"
