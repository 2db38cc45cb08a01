#include "DatabaseWriteLock.h"
#include "FormWidgets.h"
#include "MoravinMain.h"
#include "OpenMessages.h"
#include "ProjectMain.h"
#include "TestProject.h"
#include "control/AlarmAcknowledge.h"
#include "control/DesktopAutostart.h"
#include "control/RecordingResume.h"
#include "control/UnattendedRecording.h"
#include "core/ProjectFile.h"
#include "device/ConfiguredDevice.h"
#include "device/LanDiscovery.h"
#include "device/RecorderInterval.h"
#include "dialogs/CloseWaitDialog.h"
#include "display/ChartView.h"
#include "display/DashBoard.h"
#include "events/EventDetail.h"
#include "panels/EventsModel.h"
#include "panels/EventsView.h"
#include "panels/ProjectCenter.h"
#include "panels/ProjectManager.h"
#include "widgets/MessageDialog.h"

#include <QAction>
#include <QApplication>
#include <QDateTime>
#include <QFile>
#include <QFrame>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QSettings>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

namespace {

int rowCount(const QString &path, const QString &where = QString())
{
    int count = -1;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "count");
        db.setDatabaseName(path);
        if (db.open()) {
            QSqlQuery q(db);
            if (q.exec("select count(*) from kelvantis " + where) && q.next())
                count = q.value(0).toInt();
        }
    }
    QSqlDatabase::removeDatabase("count");
    return count;
}

// "kind serial" of every event in the log, oldest first.
QStringList loggedEvents(const QString &path)
{
    QStringList list;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "events");
        db.setDatabaseName(path);
        if (db.open()) {
            QSqlQuery q(db);
            q.exec("select kind, serialno from events order by id");
            while (q.next())
                list << q.value(0).toString() + ' ' + q.value(1).toString();
        }
    }
    QSqlDatabase::removeDatabase("events");
    return list;
}

} // namespace

class TestRecordingControl : public QObject
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

private slots:
    void initTestCase()
    {
        Q_INIT_RESOURCE(moravin);
        qRegisterMetaType<QList<ConfiguredDevice *>>();
    }
    void init() { QSettings("MoravinLite", "Moravin Lite").clear(); }
    void cleanup()
    {
        for (MessageDialog *d : OpenMessages::all())
            d->close();
    }

    void statusBarShowsTheDeviceMakersLogo()
    {
        MoravinMain w;
        QCOMPARE(w.findChildren<QLabel *>("label_top_logo").size(), 1);
        QVERIFY(w.findChild<QFrame *>("menuFrame")->findChild<QLabel *>("label_top_logo"));
        auto *logo = w.findChild<QFrame *>("statusFrame")->findChild<QLabel *>("label_bottom_logo");
        QVERIFY(logo);
        QCOMPARE(logo->maximumWidth(), 100);
        const QImage shown = logo->pixmap(Qt::ReturnByValue).toImage();
        QVERIFY(!shown.isNull());
        QCOMPARE(shown,
                 QPixmap(":/img/KelvantisLogo.png").toImage().convertToFormat(shown.format()));
    }

    void newProjectGoesThroughTheConfigurationPanel()
    {
        const QString path = m_dir.filePath("Fresh.qpj");
        QFile(path).open(QIODevice::WriteOnly);
        MoravinMain w;
        w.projectCreated(path);
        ProjectManager *panel = w.projectManager();
        QVERIFY(panel);
        QCOMPARE(w.currentPanel(), panel);
        QVERIFY(panel->intervalMenu()->isEnabled());
        QVERIFY(w.discovery() && w.discovery()->isRunning());

        panel->intervalMenu()->actions().at(0)->trigger();
        QCOMPARE(RecorderInterval::current(), 1000);
        auto *typed = new ConfiguredDevice("00AA11BB22CC", 2);
        typed->setDeviceInfo("Hall", "CH1", "CH2", "127.0.0.1", 9);
        panel->slotManualConfigDevice(typed);
        panel->slotProjectListConfirm();

        QVERIFY(w.isProjectOpen());
        QVERIFY(!w.projectManager());
        QVERIFY(w.projectCenter());
        QCOMPARE(w.currentPanel(), w.projectCenter());
        QVERIFY(!w.discovery()->isRunning());
        QCOMPARE(w.deviceList().size(), 1);
        QCOMPARE(w.deviceList().at(0)->parent(), w.session());
        QVERIFY(w.session()->pollTimer()->isActive());
        QCOMPARE(w.session()->pollTimer()->interval(), 1000);
        QCOMPARE(
            w.findChild<QFrame *>("statusFrame")->findChild<QLabel *>("label_interval")->text(),
            QStringLiteral("Interval :1 sec"));
        const ProjectFile project(path);
        QCOMPARE(project.storedDataInterval(), 1000);
        const auto saved = project.loadDeviceList(DeviceListCodec::Reader::Recorder);
        QCOMPARE(saved.devices.size(), 1);
        QCOMPARE(saved.devices.at(0).deviceName, QStringLiteral("Hall"));
        QCOMPARE(
            QSettings("MoravinLite", "Moravin Lite").value("RecentProjects/list").toStringList(),
            QStringList{"Fresh"});
        QVERIFY(FormWidgets::action(w.projectMenu(), "Add/Delete")->isEnabled());
        QTRY_VERIFY(QFile::exists(m_dir.filePath("Fresh.dat")));

        w.slotCloseProject();
        QVERIFY(qobject_cast<ProjectMain *>(w.currentPanel()));
        QVERIFY(!w.projectCenter());
        QCOMPARE(RecorderInterval::current(), 10000);
    }

    void addDeleteLocksTheIntervalAndDropsRemovedDevices()
    {
        const QString path =
            makeProject("Edit", 5000, {TestProject::lanDevice("A1"), TestProject::lanDevice("A2")});
        MoravinMain w;
        w.projectLoaded(path);
        QPointer<ConfiguredDevice> first = w.deviceList().at(0);
        QPointer<ConfiguredDevice> second = w.deviceList().at(1);
        w.slotAddDeviceProject();
        QVERIFY(!w.isProjectOpen());
        QVERIFY(!w.projectCenter());
        QVERIFY(!w.session()->isStoreOpen());
        QVERIFY(!w.session()->pollTimer()->isActive());
        QVERIFY(w.projectManager());
        QVERIFY(!w.projectManager()->intervalMenu()->isEnabled());
        QVERIFY(FormWidgets::action(w.projectMenu(), "Close")->isEnabled());
        QVERIFY(!FormWidgets::action(w.projectMenu(), "Add/Delete")->isEnabled());
        QVERIFY(!FormWidgets::action(w.viewMenu(), "Expansion Mode")->isEnabled());

        auto *right = w.projectManager()->findChild<QListWidget *>("configured_list");
        QCOMPARE(right->count(), 2);
        right->item(0)->setSelected(true);
        w.projectManager()->slotProjectRemoveDevice();
        w.projectManager()->slotProjectListConfirm();
        QVERIFY(w.isProjectOpen());
        QCOMPARE(w.deviceList().size(), 1);
        QVERIFY(!first);
        QCOMPARE(w.deviceList().at(0), second.data());
        QCOMPARE(ProjectFile(path).loadDeviceList(DeviceListCodec::Reader::Recorder).devices.size(),
                 1);
        QCOMPARE(ProjectFile(path).storedDataInterval(), 5000);
        // The removal is in the project's log.
        QTRY_COMPARE(loggedEvents(ProjectFile(path).databasePath()),
                     QStringList{"config_change A1"});
    }

    // A device added by hand, removed and added again with another address,
    // port and name: the new entry is the one the project keeps.
    void manualDeviceAddedAgainTakesItsNewAddress()
    {
        const QString path = makeProject("Readd", 10000, {TestProject::lanDevice("00AA11BB22CC")});
        MoravinMain w;
        w.projectLoaded(path);
        w.slotAddDeviceProject();
        ProjectManager *panel = w.projectManager();
        QVERIFY(panel);
        auto *right = panel->findChild<QListWidget *>("configured_list");
        QCOMPARE(right->count(), 1);
        right->item(0)->setSelected(true);
        panel->slotProjectRemoveDevice();
        QCOMPARE(right->count(), 0);

        auto *typed = new ConfiguredDevice("00AA11BB22CC", 2);
        typed->setDeviceInfo("Moved", "CH1", "CH2", "127.0.0.2", 2323);
        panel->slotManualConfigDevice(typed);
        QCOMPARE(right->count(), 1);
        panel->slotProjectListConfirm();

        QVERIFY(w.isProjectOpen());
        QCOMPARE(w.deviceList().size(), 1);
        const DeviceSettings kept = w.deviceList().at(0)->settings();
        QCOMPARE(kept.deviceName, QStringLiteral("Moved"));
        QCOMPARE(kept.interfaceAddress, QStringLiteral("127.0.0.2"));
        QCOMPARE(kept.tcpPort, quint16(2323));
        QCOMPARE(ProjectFile(path).loadDeviceList(DeviceListCodec::Reader::Recorder).devices.at(0),
                 kept);
    }

    void alarmSoundOnlyWithTheProjectPanel()
    {
        const QString path = makeProject(
            "Alarm", 10000, {TestProject::lanDevice("E1"), TestProject::lanDevice("E2")});
        MoravinMain w;
        w.projectLoaded(path);
        w.session()->tick();
        QVERIFY(!w.isAudioPlaying());
        w.deviceList().at(1)->ch1Alarm = true;
        w.session()->tick();
        QVERIFY(w.isAudioPlaying());
        w.session()->tick();
        QVERIFY(w.isAudioPlaying());
        // Configuring: the stale flag must not start the sound again. The
        // close first writes the alarm's end into the log.
        w.slotAddDeviceProject();
        QVERIFY(!w.isAudioPlaying());
        QTRY_VERIFY(w.projectManager());
        w.session()->tick();
        QVERIFY(!w.isAudioPlaying());
        w.projectManager()->slotProjectListConfirm();
        w.session()->tick();
        QVERIFY(w.isAudioPlaying());
        w.deviceList().at(1)->ch1Alarm = false;
        w.session()->tick();
        QVERIFY(!w.isAudioPlaying());
    }

    // Acknowledge by the button's shortcut silences the sound, the alarm stays;
    // a second channel entering alarm sounds again; the Events view shows it.
    void acknowledgeSilencesUntilAnotherChannelAlarms()
    {
        const QString path =
            makeProject("Ack", 10000, {TestProject::lanDevice("K1"), TestProject::lanDevice("K2")});
        MoravinMain w;
        w.show();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        w.projectLoaded(path);
        ProjectCenter *center = w.projectCenter();
        auto *ack = FormWidgets::child<QPushButton>(center, "btn_acknowledge");
        ConfiguredDevice *k1 = w.deviceList().at(0);
        ConfiguredDevice *k2 = w.deviceList().at(1);
        w.session()->tick();
        QVERIFY(!ack->isEnabled());

        // As a reading would: an alarm begins at its reading's time, and the
        // log orders by time.
        k1->lastTime = QDateTime::currentDateTime();
        k1->ch1Value = QStringLiteral("45.00");
        k1->ch1Alarm = true;
        w.session()->tick();
        QVERIFY(w.isAudioPlaying());
        QVERIFY(ack->isEnabled() && center->hasUnacknowledgedAlarm());
        // A shortcut clicks its button after a short press.
        QTest::keyClick(&w, Qt::Key_K, Qt::ControlModifier);
        QTRY_VERIFY(!w.isAudioPlaying());
        QVERIFY(!ack->isEnabled() && !center->hasUnacknowledgedAlarm());
        w.session()->tick();
        QVERIFY(!w.isAudioPlaying());
        QVERIFY(k1->ch1Alarm);

        k2->lastTime = QDateTime::currentDateTime();
        k2->ch2Value = QStringLiteral("-5.00");
        k2->ch2Alarm = true;
        w.session()->tick();
        QVERIFY(w.isAudioPlaying());
        QVERIFY(ack->isEnabled());
        ack->click();
        QVERIFY(!w.isAudioPlaying());

        center->showEvents(true);
        QVERIFY(center->eventsView()->isVisible());
        const auto kinds = [center] {
            QStringList list;
            for (const EventRecord &e : center->eventsView()->model()->events())
                list << e.kind + QLatin1Char(' ') + e.serialNo;
            return list;
        };
        QTRY_COMPARE(kinds(), QStringList({"ack ", "alarm_begin K2", "ack ", "alarm_begin K1"}));
        QCOMPARE(EventDetail::parse(center->eventsView()->model()->events().at(0).detail)
                     .value(EventDetail::User)
                     .toString(),
                 AlarmAcknowledge::loginName());
        // Back to the dashboard from the list.
        center->slotDashboardClicked();
        QVERIFY(!center->isEventsShown() && center->dashBoard()->isVisible());
    }

    // The project that was recording is gone: the start says so and forgets
    // it. Starting with the desktop session is the user's choice.
    void resumeOfAProjectThatIsGoneAndAutostart()
    {
        QVERIFY(RecordingResume::recordingStarted(m_dir.filePath("Deleted.qpj")));
        MoravinMain w;
        bool opened = false;
        w.unattended()->resumeLastRun([&opened](const QString &) { opened = true; });
        QVERIFY(!opened && !w.isProjectOpen());
        QVERIFY(FormWidgets::child<QLabel>(&w, "label_notice")->text().contains("is gone"));
        QCOMPARE(OpenMessages::ownedBy(&w).size(), 1);
        QCOMPARE(RecordingResume::lastRun().outcome, RecordingResume::StartNormally);

        // "Start with the desktop session" writes and removes the entry.
        QAction *autostart = FormWidgets::action(w.projectMenu(), "Start with the desktop session");
        QVERIFY(autostart && !autostart->isChecked());
        autostart->trigger();
        QVERIFY(DesktopAutostart().isEnabled());
        autostart->trigger();
        QVERIFY(!DesktopAutostart().isEnabled());
    }

    void expansionModeHidesEmptyPlaces()
    {
        const QString path = makeProject("Expand", 10000, {TestProject::lanDevice("X1")});
        MoravinMain w;
        w.show();
        w.projectLoaded(path);
        DashBoard *board = w.projectCenter()->dashBoard();
        FormWidgets::action(w.viewMenu(), "Expansion Mode")->trigger();
        QVERIFY(!board->placeholder(0, 5)->isVisible());
        QVERIFY(board->placeholder(0, 0)->isVisible());
        FormWidgets::action(w.viewMenu(), "Expansion Mode")->trigger();
        QVERIFY(board->placeholder(0, 5)->isVisible());
    }

    void thresholdCountsOnlyThisProjectsRows()
    {
        // Readings a close gave up on are gone: they neither reach the next
        // project's database nor make it flush early.
        const QString other = makeProject("Other", 10000, {TestProject::lanDevice("O1")});
        const QString path = makeProject("Thresh", 10000, {TestProject::lanDevice("T1")});
        MoravinMain w;
        w.projectLoaded(other);
        QTRY_VERIFY(w.session()->isStoreOpen());
        w.slotStartRecord();
        for (quint32 t = 1; t <= 20; ++t)
            w.session()->appendReading({"OLD", 1, 1, t});
        DatabaseWriteLock lock(m_dir.filePath("Other.dat"));
        QVERIFY(lock.locked());
        w.slotCloseProject();
        QVERIFY(w.session()->isClosing());
        w.session()->giveUp();
        QTRY_VERIFY_WITH_TIMEOUT(!w.session()->isClosing(), 5000);
        QCOMPARE(OpenMessages::ownedBy(&w).size(), 1);
        QVERIFY(OpenMessages::all().at(0)->text().contains("21 readings were not recorded"));
        lock.release();

        w.projectLoaded(path);
        QTRY_VERIFY(w.session()->isStoreOpen());
        w.slotStartRecord();
        for (quint32 t = 1; t <= 7; ++t)
            w.session()->appendReading({"T1", 1, 2, t});
        w.session()->flush();
        QCOMPARE(w.session()->waitingReadings(), 7);
        QTest::qWait(100);
        QCOMPARE(rowCount(m_dir.filePath("Thresh.dat")), 0);
        w.session()->appendReading({"T1", 1, 2, 8});
        w.session()->flush();
        QTRY_COMPARE(rowCount(m_dir.filePath("Thresh.dat")), 8);
        w.slotStopRecord();
        QTRY_COMPARE(rowCount(m_dir.filePath("Thresh.dat"), "where channel1 is null"), 1);
        QCOMPARE(rowCount(m_dir.filePath("Other.dat")), 0);
    }

    void stopWhileLockedKeepsRetryingUntilWritten()
    {
        const QString path = makeProject("Busy", 10000, {TestProject::lanDevice("B1")});
        const QString db = m_dir.filePath("Busy.dat");
        MoravinMain w;
        w.projectLoaded(path);
        QTRY_VERIFY(w.session()->isStoreOpen());
        w.slotStartRecord();
        for (quint32 t = 1; t <= 5; ++t)
            w.session()->appendReading({"B1", 1, 2, t});
        DatabaseWriteLock lock(db);
        QVERIFY(lock.locked());
        QSignalSpy trouble(w.session(), &RecordingSession::storeTrouble);
        w.slotStopRecord();
        QVERIFY(!w.isRecording());
        QCOMPARE(w.session()->waitingReadings(), 6);
        QVERIFY(w.session()->flushTimer()->isActive());
        QTRY_VERIFY(!trouble.isEmpty());
        lock.release();
        QTRY_VERIFY_WITH_TIMEOUT(!w.session()->flushTimer()->isActive(), 5000);
        QCOMPARE(rowCount(db), 6);
        QCOMPARE(w.session()->waitingReadings(), 0);
        // The trouble is in the log, its end in the batch after.
        QTRY_COMPARE(loggedEvents(db), QStringList({"record_start ", "record_stop ",
                                                    "write_failed ", "write_recovered "}));
    }

    void closingWaitsForABusyDatabaseOrSaysWhatIsLost()
    {
        const QString path = makeProject("Drain", 10000, {TestProject::lanDevice("C1")});
        const QString db = m_dir.filePath("Drain.dat");
        {
            MoravinMain w;
            w.projectLoaded(path);
            QTRY_VERIFY(w.session()->isStoreOpen());
            w.slotStartRecord();
            for (quint32 t = 1; t <= 3; ++t)
                w.session()->appendReading({"C1", 1, 2, t});
            DatabaseWriteLock lock(db);
            QVERIFY(lock.locked());
            QSignalSpy trouble(w.session(), &RecordingSession::storeTrouble);
            w.slotCloseProject();
            QTRY_VERIFY(!trouble.isEmpty());
            QVERIFY(w.session()->isClosing());
            lock.release();
            QTRY_VERIFY_WITH_TIMEOUT(qobject_cast<ProjectMain *>(w.currentPanel()), 10000);
            QCOMPARE(rowCount(db), 4);
            QVERIFY(OpenMessages::all().isEmpty());
        }
        {
            MoravinMain w;
            w.projectLoaded(path);
            QTRY_VERIFY(w.session()->isStoreOpen());
            w.slotStartRecord();
            w.session()->appendReading({"C1", 5, 6, 10});
            DatabaseWriteLock lock(db);
            QVERIFY(lock.locked());
            w.slotCloseProject();
            QTRY_VERIFY(w.closeWaitDialog() && w.closeWaitDialog()->isVisible());
            QTest::mouseClick(w.closeWaitDialog()->findChild<QPushButton *>("pushButton_giveUp"),
                              Qt::LeftButton);
            QTRY_VERIFY(qobject_cast<ProjectMain *>(w.currentPanel()));
            const auto messages = OpenMessages::all();
            QCOMPARE(messages.size(), 1);
            QCOMPARE(messages.at(0)->title(), QStringLiteral("ERROR"));
            QVERIFY2(messages.at(0)->text().contains("2 readings were not recorded"),
                     qPrintable(messages.at(0)->text()));
            QCOMPARE(w.session()->waitingReadings(), 0);
            lock.release();
            QCOMPARE(rowCount(db), 4);
        }
    }

    void periodTextsSizeWatchAndTheSizeLimit()
    {
        const QString path = makeProject("Size", 10000, {TestProject::lanDevice("S1")});
        const QString db = m_dir.filePath("Size.dat");
        MoravinMain w;
        w.projectLoaded(path);
        QTRY_VERIFY(w.session()->isStoreOpen());
        ProjectCenter *center = w.projectCenter();
        QVERIFY(center->recordStartText().isEmpty());
        auto *bytes = center->findChild<QLabel *>("label_record_bytes");
        // Nothing recorded yet: no size.
        w.session()->tick();
        QVERIFY(bytes->text().isEmpty());

        w.slotStartRecord();
        const QString start = center->recordStartText();
        QCOMPARE(ProjectFile(path).recordStartTime(), start);
        // The first tick fills the end time, the next one shows the size.
        w.session()->tick();
        QVERIFY(bytes->text().isEmpty());
        w.session()->tick();
        QVERIFY(bytes->text().startsWith("Database "));
        QVERIFY(w.isRecording());
        QVERIFY(!center->recordEndText().isEmpty());

        // A sparse file beyond the limit stops the recording at the next tick.
        {
            QFile f(db);
            QVERIFY(f.open(QIODevice::ReadWrite));
            QVERIFY(f.resize(4200000000LL));
        }
        w.session()->tick();
        QVERIFY(!w.isRecording());
        QCOMPARE(ProjectFile(path).recordStopTime(), center->recordEndText());
        QVERIFY(bytes->styleSheet().contains("rgb(230,80,80)"));
        // Two gap rows of one time are one row in one batch: the first is
        // written before the recording starts again.
        QTRY_COMPARE(rowCount(db, "where channel1 is null"), 1);
        // Warned at 90 %, then stopped: logged and said.
        QTRY_VERIFY(loggedEvents(db).contains("size_stop "));
        QVERIFY(loggedEvents(db).contains("size_warning "));
        QVERIFY(!loggedEvents(db).contains("record_stop "));
        QVERIFY(FormWidgets::child<QLabel>(&w, "label_notice")->text().contains("size limit"));
        w.slotStartRecord();
        w.session()->tick();
        QVERIFY(!w.isRecording());
        QTRY_COMPARE(rowCount(db, "where channel1 is null"), 2);

        // Opening the project again shows the recorded period.
        w.slotCloseProject();
        QTRY_VERIFY(qobject_cast<ProjectMain *>(w.currentPanel()));
        w.projectLoaded(path);
        QTRY_VERIFY(!w.projectCenter()->recordStartText().isEmpty());
        QVERIFY(!w.projectCenter()->recordEndText().isEmpty());
    }

    void helpAndCompanionsFromTheWindow()
    {
        const QString path = makeProject("Launch", 10000, {TestProject::lanDevice("L1")});
        MoravinMain w;
        w.slotCommandHelp();
        auto *about = w.findChild<QMessageBox *>();
        QVERIFY(about);
        QVERIFY(about->windowTitle().startsWith("About"));
        about->close();

        w.projectLoaded(path);
        // The database exists once the project is open; without it nothing starts.
        QTRY_VERIFY(w.session()->isStoreOpen());
        QVERIFY(QFile::remove(m_dir.filePath("Launch.dat")));
        w.slotTrendoraRecord();
        auto messages = OpenMessages::all();
        QCOMPARE(messages.size(), 1);
        QCOMPARE(messages.at(0)->title(), QStringLiteral("WARNING"));
        QCOMPARE(messages.at(0)->text(), QStringLiteral("There is no data file."));
        QVERIFY(ProjectFile(path).recordStopTime().isEmpty());
    }

    void missingPortsLeaveDevicesWaiting()
    {
        DeviceSettings usb;
        usb.deviceNumber = "GONE1";
        usb.deviceInterface = DeviceSettings::Usb;
        usb.interfaceAddress = "ttyGONE7";
        const QString path = makeProject("Ports", 10000, {usb});
        MoravinMain w;
        w.projectLoaded(path);
        QVERIFY(w.isProjectOpen());
        QSignalSpy scanned(w.session(), &RecordingSession::usbScanned);
        w.session()->poll();
        w.session()->checkUsbPorts();
        QVERIFY(scanned.wait(20000));
        QVERIFY(!w.deviceList().at(0)->connected);
        QCOMPARE(w.deviceList().at(0)->settings().interfaceAddress, QStringLiteral("ttyGONE7"));
        // Its chart panel shows it waiting, also after a tick of the clock.
        ConfiguredDevice *device = w.deviceList().at(0);
        w.projectCenter()->slotDeviceClicked(device);
        QCOMPARE(w.projectCenter()->shownDevice(), device);
        w.session()->tick();
        QVERIFY(!device->connected);
        QCOMPARE(w.projectCenter()->shownDevice(), device);
        w.slotCloseProject();
        // Nothing was found, so nothing of the device changed in the file.
        QCOMPARE(ProjectFile(path)
                     .loadDeviceList(DeviceListCodec::Reader::Recorder)
                     .devices.at(0)
                     .interfaceAddress,
                 QStringLiteral("ttyGONE7"));
        // Closing returns to the create/open panel with no device left.
        QVERIFY(!w.isProjectOpen());
        QVERIFY(qobject_cast<ProjectMain *>(w.currentPanel()));
        QVERIFY(w.deviceList().isEmpty());
        QVERIFY(!w.session()->pollTimer()->isActive());
    }
};

QTEST_MAIN(TestRecordingControl)
#include "tst_RecordingControl.moc"
