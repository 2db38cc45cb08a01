// The recorder's window while another program holds the project database:
// it stays responsive, says what waits, and loses nothing that waiting can
// write. The other program is a process of its own (moravin-test-dblock).
#include "DatabaseLockProcess.h"
#include "EventLoopProbe.h"
#include "MoravinMain.h"
#include "OpenMessages.h"
#include "widgets/MessageDialog.h"
#include "ProjectMain.h"
#include "TestProject.h"
#include "core/ProjectFile.h"
#include "dialogs/CloseWaitDialog.h"
#include "panels/ProjectManager.h"

#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QSettings>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// The event loop is measured while the other program holds the lock; what
// the window builds once it is released (the next panel) is work of its own.
constexpr qint64 LockMarginMs = 300;

int rowCount(const QString &path)
{
    int count = -1;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "count");
        db.setDatabaseName(path);
        db.setConnectOptions("QSQLITE_OPEN_READONLY");
        QSqlQuery q(db);
        if (db.open() && q.exec("select count(*) from kelvantis") && q.next())
            count = q.value(0).toInt();
    }
    QSqlDatabase::removeDatabase("count");
    return count;
}

QString dialogText(CloseWaitDialog *dialog)
{
    return dialog->findChild<QLabel *>("label_waiting")->text();
}

} // namespace

class TestBusyDatabase : public QObject
{
    Q_OBJECT
private:
    QTemporaryDir m_dir;

    // A project recording one LAN device that never answers; the readings
    // are handed to the session directly.
    QString startRecording(MoravinMain &w, const QString &name, int readings)
    {
        const QString path = m_dir.filePath(name + ".qpj");
        const ProjectFile project(path);
        project.writeHeader(name, 10000, ProjectFile::databaseNameFor(path));
        project.saveDeviceList({TestProject::lanDevice("L1")});
        w.show();
        w.projectLoaded(path);
        if (!QTest::qWaitFor([&] { return w.session()->isStoreOpen(); }, 10000))
            return QString();
        w.slotStartRecord();
        for (int i = 0; i < readings; ++i)
            w.session()->appendReading({"L1", double(i), 1, quint32(1000 + i)});
        return m_dir.filePath(name + ".dat");
    }

    QLabel *storeState(MoravinMain &w)
    {
        return w.findChild<QFrame *>("statusFrame")->findChild<QLabel *>("label_store_state");
    }

private slots:
    void init() { QSettings("MoravinLite", "Moravin Lite").clear(); }
    void cleanup()
    {
        for (MessageDialog *d : OpenMessages::all())
            d->close();
    }

    // Every flush that meets the lock fails off the window's thread; the
    // status bar says at once how many readings wait, a message says it the
    // first time, and both go when the readings are written.
    void unwritableDatabaseWhileRecordingIsShownAtOnce()
    {
        MoravinMain w;
        const QString db = startRecording(w, "Shown", 10);
        QVERIFY(!db.isEmpty());
        QVERIFY(!storeState(w)->isVisible());
        DatabaseLockProcess other;
        QVERIFY(other.hold(db, 4500));
        EventLoopProbe probe;
        probe.start();

        QTRY_VERIFY_WITH_TIMEOUT(storeState(w)->isVisible(), 5000);
        QCOMPARE(storeState(w)->text(), QStringLiteral("Database busy: 10 readings waiting"));
        QVERIFY(storeState(w)->styleSheet().contains("rgb(230, 80, 80)"));
        QCOMPARE(OpenMessages::all().size(), 1);
        QCOMPARE(OpenMessages::all().at(0)->title(), QStringLiteral("WARNING"));

        // More readings meanwhile: the count follows, the message is not repeated.
        for (quint32 t = 2000; t < 2005; ++t)
            w.session()->appendReading({"L1", 2, 2, t});
        QTRY_COMPARE_WITH_TIMEOUT(storeState(w)->text(),
                                  QStringLiteral("Database busy: 15 readings waiting"), 5000);
        QCOMPARE(OpenMessages::all().size(), 1);

        QTRY_VERIFY_WITH_TIMEOUT(!other.isHolding(), 10000);
        QTRY_VERIFY_WITH_TIMEOUT(!storeState(w)->isVisible(), 10000);
        probe.stop();
        QCOMPARE(rowCount(db), 15);
        QCOMPARE(w.session()->waitingReadings(), 0);
        // While the other program held the database.
        const qint64 stall = probe.longestStallMs(4500 - LockMarginMs);
        QVERIFY2(stall < 100, qPrintable(QString::number(stall)));
        QVERIFY(probe.turns() > 100);
        w.slotStopRecord();
    }

    // Closing a project while another program holds its database for ten
    // seconds: the window stays live, shows what it is writing, and all of
    // it reaches the database once the other program lets go.
    void closeWaitsWithoutBlockingAndLosesNothing()
    {
        MoravinMain w;
        const QString db = startRecording(w, "Ten", 30);
        QVERIFY(!db.isEmpty());
        DatabaseLockProcess other;
        QVERIFY(other.hold(db, 10000));
        EventLoopProbe probe;
        probe.start();

        w.slotCloseProject();
        QVERIFY(w.session()->isClosing());
        QTRY_VERIFY(w.closeWaitDialog() && w.closeWaitDialog()->isVisible());
        // 30 readings and the gap row of the stop.
        QCOMPARE(dialogText(w.closeWaitDialog()),
                 QStringLiteral("Writing 31 readings to the database."));
        QVERIFY(OpenMessages::all().isEmpty());
        QTRY_VERIFY_WITH_TIMEOUT(!other.isHolding(), 15000);
        QTRY_VERIFY_WITH_TIMEOUT(qobject_cast<ProjectMain *>(w.currentPanel()), 10000);
        probe.stop();
        QVERIFY(!w.closeWaitDialog());
        QCOMPARE(rowCount(db), 31);
        QVERIFY(OpenMessages::all().isEmpty());
        const qint64 stall = probe.longestStallMs(10000 - LockMarginMs);
        QVERIFY2(stall < 100, qPrintable(QString::number(stall)));
        QVERIFY(probe.turns() > 500);
    }

    // Add/Delete waits the same way; giving up says how much was not recorded.
    void givingUpSaysWhatWasNotRecorded()
    {
        MoravinMain w;
        // Fewer readings than a flush waits for: they are first handed over
        // at the stop, when the other program already holds the database.
        const QString db = startRecording(w, "GiveUp", 5);
        QVERIFY(!db.isEmpty());
        DatabaseLockProcess other;
        QVERIFY(other.hold(db, 60000));
        EventLoopProbe probe;
        probe.start();
        w.slotStopRecord();
        w.slotAddDeviceProject();
        QTRY_VERIFY(w.closeWaitDialog() && w.closeWaitDialog()->isVisible());
        QCOMPARE(dialogText(w.closeWaitDialog()),
                 QStringLiteral("Writing 6 readings to the database."));
        // A few tries meet the lock meanwhile.
        QTest::qWait(2000);
        probe.stop();
        const qint64 stall = probe.longestStallMs();
        QTest::mouseClick(w.closeWaitDialog()->findChild<QPushButton *>("pushButton_giveUp"),
                          Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(w.projectManager(), 5000);
        QCOMPARE(w.currentPanel(), w.projectManager());
        QCOMPARE(w.deviceList().size(), 1);
        const auto messages = OpenMessages::all();
        QCOMPARE(messages.size(), 1);
        QCOMPARE(messages.at(0)->title(), QStringLiteral("ERROR"));
        QCOMPARE(messages.at(0)->text(),
                 QStringLiteral("The database is busy or cannot be written.\n6 readings were "
                                "not recorded."));
        QVERIFY2(stall < 100, qPrintable(QString::number(stall)));
        other.release();
        QCOMPARE(rowCount(db), 0);
    }

    // Closing the window waits too, and the window goes when all is written.
    void closingTheWindowWaitsForTheReadings()
    {
        MoravinMain w;
        const QString db = startRecording(w, "Window", 5);
        QVERIFY(!db.isEmpty());
        DatabaseLockProcess other;
        QVERIFY(other.hold(db, 3000));
        EventLoopProbe probe;
        probe.start();
        w.slotStopRecord();
        QVERIFY(!w.close());
        QVERIFY(w.isVisible());
        QTRY_VERIFY(w.closeWaitDialog() && w.closeWaitDialog()->isVisible());
        QTRY_VERIFY_WITH_TIMEOUT(!w.isVisible(), 15000);
        probe.stop();
        QCOMPARE(rowCount(db), 6);
        QVERIFY(OpenMessages::all().isEmpty());
        const qint64 stall = probe.longestStallMs(3000 - LockMarginMs);
        QVERIFY2(stall < 100, qPrintable(QString::number(stall)));
    }
};

QTEST_MAIN(TestBusyDatabase)
#include "tst_BusyDatabase.moc"
