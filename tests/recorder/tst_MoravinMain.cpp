#include "FormWidgets.h"
#include "MoravinMain.h"
#include "OpenMessages.h"
#include "ProjectMain.h"
#include "TestProject.h"
#include "core/ProjectFile.h"
#include "device/ConfiguredDevice.h"
#include "device/RecorderInterval.h"
#include "widgets/MessageDialog.h"
#include "widgets/TopCustomFrame.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QSettings>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

class TestMoravinMain : public QObject
{
    Q_OBJECT
private:
    QTemporaryDir m_dir;

    QString makeProject(const QString &name, int interval, const QList<DeviceSettings> &devices)
    {
        const TestProject project(m_dir.path(), name);
        project.writeProject(devices, QString(), QString(), interval);
        return project.projectFile();
    }

    static int gapRows(const QString &path)
    {
        int count = -1;
        {
            QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "gaps");
            db.setDatabaseName(path);
            QSqlQuery q(db);
            if (db.open() && q.exec("select count(*) from kelvantis where channel1 is null") &&
                q.next())
                count = q.value(0).toInt();
        }
        QSqlDatabase::removeDatabase("gaps");
        return count;
    }

    QStringList projectEntries(MoravinMain &w, bool enabled)
    {
        QStringList wrong;
        const QList<QPair<QMenu *, QString>> entries{
            {w.projectMenu(), "Add/Delete"},      {w.projectMenu(), "Close"},
            {w.projectMenu(), "Refresh Devices"}, {w.recordMenu(), "Trendora"},
            {w.recordMenu(), "Report"},           {w.viewMenu(), "Expansion Mode"}};
        for (const auto &e : entries) {
            QAction *a = FormWidgets::action(e.first, e.second);
            if (!a || a->isEnabled() != enabled)
                wrong << e.second;
        }
        return wrong;
    }

private slots:
    void init() { QSettings("MoravinLite", "Moravin Lite").clear(); }
    void cleanup()
    {
        for (MessageDialog *d : OpenMessages::all())
            d->close();
    }

    void startsWithTheCreateOpenPanelAndClosedProjectMenus()
    {
        MoravinMain w;
        QCOMPARE(w.windowTitle(), QStringLiteral("Moravin Lite"));
        QVERIFY(qobject_cast<ProjectMain *>(w.currentPanel()));
        QCOMPARE(projectEntries(w, false), QStringList());
        QVERIFY(FormWidgets::action(w.projectMenu(), "Exit")->isEnabled());
        for (const char *name : {"Weekly Report", "Monthly Report", "HACCP Report"})
            QVERIFY(!FormWidgets::action(w.reportMenu(), name)->isEnabled());
        QVERIFY(FormWidgets::action(w.reportMenu(), "Daily Report")->isEnabled());
        QCOMPARE(w.findChild<QLabel *>("label_version")->text(), QStringLiteral("V3.35"));
        // 1152 x 620, fitted to the screen (the offscreen platform's is 800 x 600).
        const QSize screen = QGuiApplication::primaryScreen()->availableGeometry().size();
        QCOMPARE(w.size(), QSize(1152, 620).boundedTo(screen).expandedTo(w.minimumSizeHint()));
        QVERIFY(w.height() <= 620 && w.width() >= 1024);
    }

    void clockTicksEverySecond()
    {
        MoravinMain w;
        QLabel *clock = w.findChild<QLabel *>("label_datetime");
        QVERIFY(QRegularExpression("^\\d\\d/\\d\\d/\\d{4} \\d\\d:\\d\\d:\\d\\d$")
                    .match(clock->text())
                    .hasMatch());
        const QRegularExpression tick("^\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d$");
        QTRY_VERIFY_WITH_TIMEOUT(tick.match(clock->text()).hasMatch(), 2500);
        const QString first = clock->text();
        QTRY_VERIFY_WITH_TIMEOUT(clock->text() != first, 2500);
    }

    void doubleClickOnTheTitleBandTogglesFullScreen()
    {
        MoravinMain w;
        w.show();
        auto *band = w.findChild<TopCustomFrame *>("menuFrame");
        QAction *full = FormWidgets::action(w.viewMenu(), "FullScreen");
        emit band->customDoubleClick();
        QVERIFY(w.isFullScreen());
        QVERIFY(full->isChecked());
        emit band->customDoubleClick();
        QVERIFY(!w.isFullScreen());
        QVERIFY(!full->isChecked());
    }

    void commandButtonsPopTheirMenusBelowThemselves()
    {
        MoravinMain w;
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        const QList<QPair<QString, QMenu *>> buttons{{"command_project", w.projectMenu()},
                                                     {"command_record", w.recordMenu()},
                                                     {"command_screen", w.viewMenu()}};
        for (const auto &b : buttons) {
            auto *button = w.findChild<QPushButton *>(b.first);
            QTest::mouseClick(button, Qt::LeftButton);
            QTRY_VERIFY(b.second->isVisible());
            const QRect g = button->geometry();
            QCOMPARE(b.second->pos(), QPoint(w.geometry().left() + 5 + g.left(),
                                             w.geometry().top() + 1 + g.bottom()));
            b.second->hide();
        }
        QCOMPARE(w.findChild<QPushButton *>("command_screen")->text(), QStringLiteral("Window"));
    }

    void loadingAProjectBuildsDevicesAndOpensTheDatabase()
    {
        const QString path = makeProject(
            "Cellar", 5000, {TestProject::lanDevice("AA01"), TestProject::lanDevice("AA02")});
        MoravinMain w;
        w.projectLoaded(path);
        QVERIFY(w.isProjectOpen());
        QCOMPARE(w.deviceList().size(), 2);
        QCOMPARE(w.deviceList().at(1)->settings(), TestProject::lanDevice("AA02"));
        QTRY_VERIFY(w.session()->isStoreOpen());
        QVERIFY(QFile::exists(m_dir.filePath("Cellar.dat")));
        QCOMPARE(RecorderInterval::current(), 5000);
        QCOMPARE(w.findChild<QLabel *>("label_interval")->text(),
                 QStringLiteral("Interval :5 sec"));
        QCOMPARE(w.findChild<QLabel *>("label_projectname")->text(),
                 ProjectFile::displayName(path, "Cellar"));
        QCOMPARE(projectEntries(w, true), QStringList());
        QCOMPARE(w.projectName(), QStringLiteral("Cellar"));
        QVERIFY(!w.currentPanel() || !qobject_cast<ProjectMain *>(w.currentPanel()));

        QStringList list;
        QSettings s("MoravinLite", "Moravin Lite");
        QCOMPARE(s.value("RecentProjects/list").toStringList(), QStringList({"Cellar"}));

        w.slotCloseProject();
        QVERIFY(!w.isProjectOpen());
        QVERIFY(w.deviceList().isEmpty());
        QVERIFY(!w.session()->isStoreOpen());
        QCOMPARE(RecorderInterval::current(), 10000);
        QVERIFY(qobject_cast<ProjectMain *>(w.currentPanel()));
        QCOMPARE(projectEntries(w, false), QStringList());
        QCOMPARE(w.findChild<QLabel *>("label_interval")->text(), QString());
    }

    void unusableStoredIntervalFallsBackToTheDefault()
    {
        for (int stored : {0, 7000, -5}) {
            const QString path = makeProject("Odd", stored, {TestProject::lanDevice("B1")});
            MoravinMain w;
            w.projectLoaded(path);
            QVERIFY(w.isProjectOpen());
            QCOMPARE(RecorderInterval::current(), 10000);
            QCOMPARE(w.findChild<QLabel *>("label_interval")->text(),
                     QStringLiteral("Interval :10 sec"));
            w.slotCloseProject();
        }
    }

    void badProjectFilesAreRefusedWithoutChangingState_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("no list") << QByteArray("[General]\nprojectName=X\n");
        QTest::newRow("array") << QByteArray("[General]\nDeviceList=\"[]\"\n");
        QTest::newRow("garbage") << QByteArray("\x7f"
                                               "ELF\x02\x01garbage");
    }
    void badProjectFilesAreRefusedWithoutChangingState()
    {
        QFETCH(QByteArray, content);
        const QString path = m_dir.filePath("Bad.qpj");
        {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
            f.write(content);
        }
        MoravinMain w;
        QWidget *panel = w.currentPanel();
        w.projectLoaded(path);
        QVERIFY(!w.isProjectOpen());
        QCOMPARE(w.currentPanel(), panel);
        const auto messages = OpenMessages::all();
        QCOMPARE(messages.size(), 1);
        QCOMPARE(messages.at(0)->title(), QStringLiteral("ERROR"));
        QCOMPARE(messages.at(0)->text(), QStringLiteral("There is no device information!"));
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), content);
        QVERIFY(!QFile::exists(m_dir.filePath("Bad.dat")));
    }

    void databaseThatIsNotSqliteEndsTheProgramWithTheMessage()
    {
        const QString path = makeProject("NotDb", 10000, {TestProject::lanDevice("C1")});
        const QByteArray text = QByteArray("plain text, not a database\n").repeated(100);
        {
            QFile f(m_dir.filePath("NotDb.dat"));
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(text);
        }
        MoravinMain w;
        w.show();
        QString shown;
        // The database is opened off the window's thread; the box comes when
        // the answer does.
        QTimer answer;
        connect(&answer, &QTimer::timeout, [&] {
            if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
                shown = box->windowTitle() + "|" + box->text();
                box->accept();
            }
        });
        answer.start(50);
        w.projectLoaded(path);
        QTRY_COMPARE(shown, QStringLiteral("ERROR|Create database error!\nExit program."));
        QTRY_VERIFY(!w.isVisible());
        QVERIFY(!w.session()->isStoreOpen());
        QFile f(m_dir.filePath("NotDb.dat"));
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), text);
    }

    void windowStaysOpenWhileRecording()
    {
        const QString path = makeProject("Rec", 10000, {TestProject::lanDevice("D1")});
        MoravinMain w;
        w.show();
        w.projectLoaded(path);
        w.slotToggleRecord();
        QVERIFY(w.isRecording());
        QVERIFY(w.deviceList().at(0)->recording);
        QVERIFY(!FormWidgets::action(w.projectMenu(), "Exit")->isEnabled());
        QVERIFY(!FormWidgets::action(w.projectMenu(), "Close")->isEnabled());
        QVERIFY(!w.close());
        QVERIFY(w.isVisible());

        w.slotToggleRecord();
        QVERIFY(!w.isRecording());
        QVERIFY(!w.deviceList().at(0)->recording);
        QVERIFY(FormWidgets::action(w.projectMenu(), "Exit")->isEnabled());
        QVERIFY(FormWidgets::action(w.projectMenu(), "Close")->isEnabled());
        // The stop wrote one gap row for the device.
        QTRY_COMPARE(w.session()->waitingReadings(), 0);
        QCOMPARE(gapRows(m_dir.filePath("Rec.dat")), 1);
        QVERIFY(w.close());
        QVERIFY(!w.isVisible());
    }

    void alarmSoundFollowsTheDevicesAlarms()
    {
        const QString path = makeProject(
            "Alarm", 10000, {TestProject::lanDevice("E1"), TestProject::lanDevice("E2")});
        MoravinMain w;
        w.projectLoaded(path);
        w.session()->tick();
        QVERIFY(!w.isAudioPlaying());
        w.deviceList().at(0)->ch2Alarm = true;
        w.deviceList().at(1)->ch1Alarm = true;
        w.session()->tick();
        QVERIFY(w.isAudioPlaying());
        w.deviceList().at(0)->ch2Alarm = false;
        w.session()->tick();
        QVERIFY(w.isAudioPlaying());
        w.deviceList().at(1)->ch1Alarm = false;
        w.session()->tick();
        QVERIFY(!w.isAudioPlaying());
    }

    void creatingAProjectWritesItsHeader()
    {
        const QString path = m_dir.filePath("Fresh.qpj");
        QFile(path).open(QIODevice::WriteOnly);
        MoravinMain w;
        w.projectCreated(path);
        const ProjectFile project(path);
        QCOMPARE(project.projectName(), QStringLiteral("Fresh"));
        QCOMPARE(project.storedDataInterval(), 10000);
        QCOMPARE(project.databaseName(), QStringLiteral("Fresh.dat"));
        QVERIFY(FormWidgets::action(w.projectMenu(), "Close")->isEnabled());
        QVERIFY(!FormWidgets::action(w.projectMenu(), "Add/Delete")->isEnabled());
        w.slotCloseProject();
        QVERIFY(qobject_cast<ProjectMain *>(w.currentPanel()));
    }

    void recentProjectLoadedAgainKeepsItsPlace()
    {
        const QString first = makeProject("First", 10000, {TestProject::lanDevice("F1")});
        const QString second = makeProject("Second", 10000, {TestProject::lanDevice("F2")});
        MoravinMain w;
        w.projectLoaded(first);
        w.slotCloseProject();
        w.projectLoaded(second);
        w.slotCloseProject();
        w.projectLoaded(first);
        w.slotCloseProject();
        QSettings s("MoravinLite", "Moravin Lite");
        QCOMPARE(s.value("RecentProjects/list").toStringList(), QStringList({"Second", "First"}));
    }
};

QTEST_MAIN(TestMoravinMain)
#include "tst_MoravinMain.moc"
