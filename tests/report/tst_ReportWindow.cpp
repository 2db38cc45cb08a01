#include "OpenMessages.h"
#include "Report.h"
#include "TestProject.h"
#include "core/CompanionProjectReader.h"
#include "core/ProjectFile.h"

#include <QDateTimeEdit>
#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QProgressDialog>
#include <QPushButton>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QWebElement>
#include <QWebFrame>
#include <QWebView>
#include <QtTest>

#include <memory>

namespace {

const qint64 kDay = 1772668800; // 2026-03-05 00:00:00 UTC, the tests' zone

QVariant temperature(qint64 t)
{
    return 20.0 + double((t - kDay) % 3600) / 360.0 - double((t - kDay) / 3600) * 0.25;
}

QVariant pressure(qint64 t)
{
    return 100.0 + double((t - kDay) % 600) / 100.0;
}

} // namespace

class TestReportWindow : public QObject
{
    Q_OBJECT
private:
    QTemporaryDir m_dir;
    std::unique_ptr<TestProject> m_plant;
    int m_count = 0;

    static QList<DeviceSettings> plantDevices()
    {
        auto lab = TestProject::usbDevice("KV_7'x", "<b>Lab</b>", "Temperature2", "Pressure", 1, 4);
        lab.ch2Custom = "kPa";
        return {TestProject::usbDevice("KV001", "Room 2", "Temperature1", "Humidity1"), lab,
                TestProject::usbDevice("KV003", "Spare", "Idle1", "Idle2", 2, 3)};
    }

    std::unique_ptr<TestProject> makeProject(const QList<DeviceSettings> &devices)
    {
        auto p = std::make_unique<TestProject>(m_dir.filePath(QString::number(++m_count)), "plant");
        p->writeProject(devices, "2026-03-04 22:10:00", "2026-03-06 12:00:00");
        ProjectFile(p->projectFile()).writeValue("ReportSubject", "Weekly check");
        ProjectFile(p->projectFile()).writeValue("ReportAuthor", "QA");
        p->createDatabase();
        return p;
    }

    // Starts the window as the program does, from its command line.
    std::unique_ptr<Report> open(const TestProject &p)
    {
        const auto project =
            CompanionProjectReader::read({"Pagewright", "'" + p.projectFile() + "'"});
        if (!project.ok)
            qFatal("%s", qPrintable(project.errorText));
        auto report = std::make_unique<Report>(project.projectFile, project.devices);
        report->show();
        if (!QTest::qWaitFor([&] { return report->isFormLoaded(); }, 10000))
            qFatal("the report form did not load");
        return report;
    }

    static QWebView *webView(Report &r) { return r.findChild<QWebView *>("webView"); }
    static QListWidget *list(Report &r) { return r.findChild<QListWidget *>("listWidget_device"); }
    static QPushButton *button(Report &r, const char *name)
    {
        return r.findChild<QPushButton *>(name);
    }
    static QDateTimeEdit *editor(Report &r, const char *name)
    {
        return r.findChild<QDateTimeEdit *>(name);
    }
    static QLineEdit *lineEdit(Report &r, const char *name)
    {
        return r.findChild<QLineEdit *>(name);
    }
    static QWebElement element(Report &r, const QString &selector)
    {
        return webView(r)->page()->mainFrame()->findFirstElement(selector);
    }
    static QVariant js(Report &r, const QString &script)
    {
        return webView(r)->page()->mainFrame()->evaluateJavaScript(script);
    }

    static void clickItem(Report &r, int row)
    {
        QListWidget *l = list(r);
        QTest::mouseClick(l->viewport(), Qt::LeftButton, {},
                          l->visualItemRect(l->item(row)).center());
    }

    static bool makeReport(Report &r)
    {
        QSignalSpy filled(&r, &Report::reportFilled);
        QTest::mouseClick(button(r, "btn_makeReport"), Qt::LeftButton);
        return filled.wait(30000);
    }

    // Waits for the worker of a report that ends without a page.
    static void waitForReturn(Report &r) { QTRY_VERIFY_WITH_TIMEOUT(list(r)->isEnabled(), 30000); }

private slots:
    void initTestCase()
    {
        Q_INIT_RESOURCE(moravin);
        Q_INIT_RESOURCE(report);
        m_plant = makeProject(plantDevices());
        m_plant->addReadings("KV001", kDay, kDay + 86399, 1, temperature, temperature);
        m_plant->addReadings("KV_7'x", kDay, kDay + 86399, 10, pressure, pressure);
    }

    void cleanup() { OpenMessages::take(); }

    void startsWithTheProjectAndTheDayBeforeTheLast()
    {
        auto r = open(*m_plant);
        QCOMPARE(r->findChild<QLabel *>("label_interval")->text(),
                 QStringLiteral("Interval : 1mm"));
        QCOMPARE(r->findChild<QLabel *>("label_period")->text(),
                 QStringLiteral("2026-03-04 22:10:00 ~ 2026-03-06 12:00:00"));
        QCOMPARE(r->findChild<QLabel *>("label_projectname")->text(),
                 ProjectFile::displayName(m_plant->projectFile(), "plant"));
        QCOMPARE(lineEdit(*r, "lineEdit_subject")->text(), QStringLiteral("Weekly check"));
        QCOMPARE(lineEdit(*r, "lineEdit_author")->text(), QStringLiteral("QA"));

        QCOMPARE(editor(*r, "dateTimeEdit_start")->dateTime().toString("yyyy-MM-dd HH:mm:ss"),
                 QStringLiteral("2026-03-05 00:00:00"));
        QCOMPARE(editor(*r, "dateTimeEdit_end")->dateTime().toString("yyyy-MM-dd HH:mm:ss"),
                 QStringLiteral("2026-03-05 23:59:59"));
        QVERIFY(!editor(*r, "dateTimeEdit_end")->isEnabled());
        QVERIFY(!button(*r, "btn_makeReport")->isEnabled());
        QVERIFY(!button(*r, "btn_exportReport")->isVisible());
        QCOMPARE(float(webView(*r)->zoomFactor()), float(Report::ZoomFactor));

        QListWidget *l = list(*r);
        QCOMPARE(l->count(), 6);
        QCOMPARE(l->item(0)->text(), QStringLiteral("Temperature1\t[Room 2]"));
        QCOMPARE(l->item(0)->data(Qt::ToolTipRole).toString(),
                 QStringLiteral("KV001_channel1|Temperature(C)"));
        QCOMPARE(l->item(3)->text(), QStringLiteral("Pressure\t[<b>Lab</b>]"));
        QCOMPARE(l->item(3)->data(Qt::ToolTipRole).toString(),
                 QStringLiteral("KV_7'x_channel2|kPa"));
        QCOMPARE(l->item(4)->data(Qt::ToolTipRole).toString(),
                 QStringLiteral("KV003_channel1|Temperature(F)"));

        QCOMPARE(r->projectMenu()->actions().at(0)->text(), QStringLiteral("New Report"));
        QCOMPARE(r->printMenu()->actions().size(), 4);
    }

    void theTitleBandMovesTheWindowAndADoubleClickPutsItBack()
    {
        auto r = open(*m_plant);
        const QRect normal = r->geometry();
        auto *band = r->findChild<QWidget *>("topFrame");
        const QPoint from = band->mapToGlobal(QPoint(300, 10));
        QMouseEvent press(QEvent::MouseButtonPress, QPoint(300, 10), from, Qt::LeftButton,
                          Qt::LeftButton, {});
        QApplication::sendEvent(band, &press);
        QMouseEvent move(QEvent::MouseMove, QPoint(340, 35), from + QPoint(40, 25), Qt::NoButton,
                         Qt::LeftButton, {});
        QApplication::sendEvent(band, &move);
        QCOMPARE(r->pos(), normal.topLeft() + QPoint(40, 25));
        QTest::mouseDClick(band, Qt::LeftButton, {}, QPoint(300, 10));
        QCOMPARE(r->geometry(), normal);
    }

    void theEndFollowsTheStartByOneDay()
    {
        auto r = open(*m_plant);
        QDateTimeEdit *start = editor(*r, "dateTimeEdit_start");
        QDateTimeEdit *end = editor(*r, "dateTimeEdit_end");
        start->setDateTime(QDateTime::fromString("2026-03-05 08:15:00", "yyyy-MM-dd HH:mm:ss"));
        QCOMPARE(end->dateTime().toString("yyyy-MM-dd HH:mm:ss"),
                 QStringLiteral("2026-03-06 08:14:59"));
        // Less than a day before the last reading: the end stops there.
        start->setDateTime(QDateTime::fromString("2026-03-06 02:00:00", "yyyy-MM-dd HH:mm:ss"));
        QCOMPARE(end->dateTime().toString("yyyy-MM-dd HH:mm:ss"),
                 QStringLiteral("2026-03-06 11:59:59"));
        // The earliest start is the first whole minute after the record start.
        start->setDateTime(QDateTime::fromString("2026-03-01 00:00:00", "yyyy-MM-dd HH:mm:ss"));
        QCOMPARE(start->dateTime().toString("yyyy-MM-dd HH:mm:ss"),
                 QStringLiteral("2026-03-04 22:11:00"));
    }

    void atMostFourChannelsAreSelected()
    {
        auto r = open(*m_plant);
        QListWidget *l = list(*r);
        const QImage noCheck = l->item(0)->icon().pixmap(16).toImage();
        for (int row = 0; row < 5; ++row)
            clickItem(*r, row);
        QVERIFY(button(*r, "btn_makeReport")->isEnabled());
        QCOMPARE(l->item(4)->icon().pixmap(16).toImage(), noCheck);
        QVERIFY(l->item(3)->icon().pixmap(16).toImage() != noCheck);
        // A selected one goes off even when four are selected; the fifth can come then.
        clickItem(*r, 1);
        QCOMPARE(l->item(1)->icon().pixmap(16).toImage(), noCheck);
        clickItem(*r, 4);
        QVERIFY(l->item(4)->icon().pixmap(16).toImage() != noCheck);
        for (int row : {0, 2, 3, 4})
            clickItem(*r, row);
        QVERIFY(!button(*r, "btn_makeReport")->isEnabled());
        r->slotCommandUpdate();
        QCOMPARE(OpenMessages::take(), QStringList{"Information|Please select at least one or more "
                                                   "Device.\nPlease retry."});
    }

    void aReportFillsThePageAsText()
    {
        const QVariantMap before = m_plant->projectValues();
        const QStringList filesBefore = QDir(QFileInfo(m_plant->projectFile()).path()).entryList();
        auto r = open(*m_plant);
        const QString subject = "<script>window.injected = 1;</script><b>bold</b> & " +
                                QString(10000, QLatin1Char('s'));
        lineEdit(*r, "lineEdit_subject")->setText(subject);
        lineEdit(*r, "lineEdit_author")->setText("A & B <i>");
        clickItem(*r, 0);
        clickItem(*r, 3);
        QVERIFY(makeReport(*r));

        QVERIFY(r->isReportReady());
        QVERIFY(!r->findChild<QProgressDialog *>());
        QVERIFY(button(*r, "btn_exportReport")->isVisible());
        QVERIFY(button(*r, "btn_exportReport")->isEnabled());
        QVERIFY(!button(*r, "btn_makeReport")->isVisible());
        QVERIFY(!list(*r)->isEnabled());
        QVERIFY(!lineEdit(*r, "lineEdit_subject")->isEnabled());
        QVERIFY(!editor(*r, "dateTimeEdit_start")->isEnabled());
        QVERIFY(button(*r, "btn_close")->isEnabled());
        QVERIFY(OpenMessages::take().isEmpty());

        QCOMPARE(element(*r, "div#ReportSubject").toPlainText(), subject);
        QVERIFY(element(*r, "div#ReportSubject").findAll("script, b").count() == 0);
        QVERIFY(!js(*r, "window.injected").isValid());
        QCOMPARE(element(*r, "div#ReportAuthor").toPlainText(), QStringLiteral("A & B <i>"));
        QCOMPARE(element(*r, "div#ReportTimeStart").toPlainText(),
                 QStringLiteral("2026-03-05 00:00:00"));
        QCOMPARE(element(*r, "div#ReportTimeEnd").toPlainText(),
                 QStringLiteral("2026-03-05 23:59:59"));
        QCOMPARE(element(*r, "div#ReportDuration").toPlainText(),
                 QStringLiteral("2026-03-05 00:00:00 ~ 2026-03-05 23:59:59"));
        QCOMPARE(element(*r, "div#Channel1Info").toPlainText(),
                 QStringLiteral("Temperature1 [Room 2], Temperature(C)"));
        QCOMPARE(element(*r, "div#Channel2Info").toPlainText(),
                 QStringLiteral("Pressure [<b>Lab</b>], kPa"));
        QCOMPARE(element(*r, "div#Channel3Info").toPlainText(), QString());
        QVERIFY(QDateTime::fromString(element(*r, "span#printingTime").toPlainText(),
                                      "yyyy-MM-dd HH:mm:ss")
                    .isValid());
        QCOMPARE(element(*r, "input#minPeriod").attribute("value"), QStringLiteral("1mm"));

        const QJsonArray graphs =
            QJsonDocument::fromJson(element(*r, "input#GraphData").attribute("value").toUtf8())
                .array();
        QCOMPARE(graphs.size(), 2);
        QCOMPARE(graphs.at(1).toObject().value("valueField").toString(),
                 QStringLiteral("KV_7'x_channel2"));
        const QJsonArray points =
            QJsonDocument::fromJson(element(*r, "input#ChartData").attribute("value").toUtf8())
                .array();
        QCOMPARE(points.size(), 1440);
        QVERIFY(points.at(5).toObject().contains("KV_7'x_channel2"));

        // The chart: both lines, the legend and a cursor balloon.
        QCOMPARE(js(*r, "document.querySelectorAll('#chartdiv path.graph-line').length").toInt(),
                 2);
        QCOMPARE(js(*r, "document.querySelectorAll('#chartdiv .legend-title')[1].textContent")
                     .toString(),
                 QStringLiteral("Pressure [<b>Lab</b>]"));
        QCOMPARE(js(*r, "document.querySelectorAll('#chartdiv path.graph-line')[0]"
                        ".getAttribute('stroke')")
                     .toString(),
                 QStringLiteral("#FF0000"));
        const QString balloon = js(*r, R"(
            (function () {
                var area = document.querySelector('#chartdiv .cursor-area');
                var box = area.getBoundingClientRect();
                var e = document.createEvent('MouseEvents');
                e.initMouseEvent('mousemove', true, true, window, 0, 0, 0,
                                 box.left + box.width / 2, box.top + 10,
                                 false, false, false, false, 0, null);
                area.dispatchEvent(e);
                return document.querySelector('#chartdiv .balloon-date').textContent;
            })())")
                                    .toString();
        QVERIFY2(QRegularExpression("^2026-03-05 1[12]:\\d\\d:00$").match(balloon).hasMatch(),
                 qPrintable(balloon));
        QCOMPARE(js(*r, "document.querySelectorAll('#chartdiv .balloon-value').length").toInt(), 2);

        // The table: 24 hours, equal to what SQL makes of the same hours.
        QCOMPARE(js(*r, "document.querySelectorAll('#ReportTable tr').length").toInt(), 25);
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "check");
        db.setDatabaseName(m_plant->databasePath());
        QVERIFY(db.open());
        QSqlQuery q(db);
        QVERIFY(q.exec(QString("select (pointDate - %1) / 3600, printf('%.2f/%.2f/%.2f', "
                               "avg(channel1), min(channel1), max(channel1)) from kelvantis "
                               "where serialno = 'KV001' group by 1 order by 1")
                           .arg(kDay)));
        int hour = 0;
        while (q.next()) {
            const QString row =
                QString("#ReportTable tr:nth-child(%1) td").arg(q.value(0).toInt() + 2);
            QCOMPARE(js(*r, "document.querySelectorAll('" + row + "')[2].textContent").toString(),
                     q.value(1).toString());
            ++hour;
        }
        QCOMPARE(hour, 24);
        q.finish();
        db.close();
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase("check");
        QCOMPARE(
            js(*r, "document.querySelectorAll('#ReportTable tr:nth-child(2) td')[1].textContent")
                .toString(),
            QStringLiteral("2026-03-05 00:00-00:59"));
        QCOMPARE(
            js(*r, "document.querySelectorAll('#ReportTable tr:nth-child(2) td')[4].textContent")
                .toString(),
            QString());

        // Only the two keys are written.
        QVariantMap after = m_plant->projectValues();
        QCOMPARE(after.take("ReportSubject").toString(), subject);
        QCOMPARE(after.take("ReportAuthor").toString(), QStringLiteral("A & B <i>"));
        QVariantMap expected = before;
        expected.remove("ReportSubject");
        expected.remove("ReportAuthor");
        QCOMPARE(after, expected);
        QCOMPARE(QDir(QFileInfo(m_plant->projectFile()).path()).entryList(), filesBefore);
        ProjectFile(m_plant->projectFile()).writeValue("ReportSubject", "Weekly check");
        ProjectFile(m_plant->projectFile()).writeValue("ReportAuthor", "QA");
    }

    void aChannelWithoutReadingsKeepsItsInformation()
    {
        auto r = open(*m_plant);
        clickItem(*r, 4);
        clickItem(*r, 0);
        QVERIFY(makeReport(*r));
        QCOMPARE(element(*r, "div#Channel1Info").toPlainText(),
                 QStringLiteral("Idle1 [Spare], Temperature(F)"));
        const QJsonArray graphs =
            QJsonDocument::fromJson(element(*r, "input#GraphData").attribute("value").toUtf8())
                .array();
        QCOMPARE(graphs.size(), 1);
        QCOMPARE(graphs.at(0).toObject().value("title").toString(),
                 QStringLiteral("Temperature1 [Room 2]"));
        QVERIFY(!element(*r, "input#ChartData").attribute("value").contains("KV003"));
        QCOMPARE(
            js(*r, "document.querySelectorAll('#ReportTable tr:nth-child(3) td')[2].textContent")
                .toString(),
            QString());
        QVERIFY(
            !js(*r, "document.querySelectorAll('#ReportTable tr:nth-child(3) td')[3].textContent")
                 .toString()
                 .isEmpty());
    }

    void aProjectFileThatCannotBeWrittenIsReported()
    {
        auto p = makeProject(plantDevices());
        p->addReadings("KV001", kDay, kDay + 3599, 60, temperature, temperature);
        auto r = open(*p);
        // Gone and replaced by a folder: the settings cannot be written back.
        QVERIFY(QFile::remove(p->projectFile()));
        QVERIFY(QDir().mkpath(p->projectFile()));
        clickItem(*r, 0);
        QVERIFY(makeReport(*r));
        QCOMPARE(OpenMessages::take(),
                 QStringList{"WARNING|The subject and author could not be saved in the project "
                             "file."});
        QCOMPARE(element(*r, "div#ReportSubject").toPlainText(), QStringLiteral("Weekly check"));
    }

    void aDayWithoutReadingsIsNotEnoughData()
    {
        const QVariantMap before = m_plant->projectValues();
        auto r = open(*m_plant);
        clickItem(*r, 5);
        QTest::mouseClick(button(*r, "btn_makeReport"), Qt::LeftButton);
        waitForReturn(*r);
        QCOMPARE(OpenMessages::take(), QStringList{"ERROR|Not Enough Data."});
        QVERIFY(!r->isReportReady());
        QVERIFY(button(*r, "btn_makeReport")->isEnabled());
        QVERIFY(lineEdit(*r, "lineEdit_subject")->isEnabled());
        QVERIFY(editor(*r, "dateTimeEdit_start")->isEnabled());
        QVERIFY(!r->findChild<QProgressDialog *>());
        QCOMPARE(m_plant->projectValues(), before);
    }

    void aBrokenDatabaseReturnsToSelection()
    {
        auto p = makeProject(plantDevices());
        QFile::remove(p->databasePath());
        QFile junk(p->databasePath());
        QVERIFY(junk.open(QIODevice::WriteOnly));
        junk.write(QByteArray("MZ this is no SQLite file").repeated(100));
        junk.close();
        auto r = open(*p);
        clickItem(*r, 0);
        QTest::mouseClick(button(*r, "btn_makeReport"), Qt::LeftButton);
        waitForReturn(*r);
        const QStringList messages = OpenMessages::take();
        QCOMPARE(messages.size(), 1);
        QVERIFY2(messages.at(0).startsWith("ERROR|makeModels error.\n"),
                 qPrintable(messages.at(0)));
        QVERIFY(!button(*r, "btn_makeReport")->isEnabled());
        QVERIFY(button(*r, "btn_close")->isEnabled());
        clickItem(*r, 1);
        QVERIFY(button(*r, "btn_makeReport")->isEnabled());
    }

    void newReportStartsAnotherProcess()
    {
        auto p = makeProject(plantDevices());
        auto r = open(*p);
        // Neither beside the test nor on the PATH is there a Pagewright.
        const QString bin = m_dir.filePath("bin");
        QVERIFY(QDir().mkpath(bin));
        struct PathGuard
        {
            QByteArray saved = qgetenv("PATH");
            ~PathGuard() { qputenv("PATH", saved); }
        } guard;
        qputenv("PATH", QFile::encodeName(bin));
        r->launcher().setSearchDirectories({bin});
        r->slotNewReportProject();
        QCOMPARE(OpenMessages::take(),
                 QStringList{"ERROR|Please check the Pagewright execution file."});
        QVERIFY(QFile::link("/bin/true", bin + "/Pagewright"));
        r->slotNewReportProject();
        QVERIFY(OpenMessages::take().isEmpty());
        QFile::remove(p->databasePath());
        r->slotNewReportProject();
        QCOMPARE(OpenMessages::take(), QStringList{"WARNING|There is no data file."});
    }

    void badProjectsStopTheStart()
    {
        QCOMPARE(CompanionProjectReader::read({"Pagewright"}).errorText,
                 QStringLiteral("Please Set Parameter project Name!"));
        const QString missing = m_dir.filePath("none.qpj");
        QCOMPARE(CompanionProjectReader::read({"Pagewright", missing}).errorText,
                 "Project File \"" + missing + "\" is not exists!");
        auto p = makeProject(plantDevices());
        QFile::remove(p->databasePath());
        QVERIFY(CompanionProjectReader::read({"Pagewright", p->projectFile()})
                    .errorText.startsWith("DB File \""));
        p->createDatabase();
        ProjectFile(p->projectFile()).writeValue("DeviceList", QByteArray("[1, 2]"));
        QCOMPARE(CompanionProjectReader::read({"Pagewright", p->projectFile()}).errorText,
                 QStringLiteral("Device Information is crashed!"));
    }

    void aUnitOutsideTheCodesIsUndefined()
    {
        auto p = makeProject({});
        ProjectFile(p->projectFile())
            .writeValue(
                "DeviceList",
                QByteArray(R"({"devices":[{"DeviceNumber":"K_1","DeviceName":"R",)"
                           R"("Ch1Name":"A","Ch2Name":"B","ch1_unit":"7","ch2_unit":"x"}]})"));
        auto r = open(*p);
        QCOMPARE(list(*r)->item(0)->data(Qt::ToolTipRole).toString(),
                 QStringLiteral("K_1_channel1|Undefined"));
        QCOMPARE(list(*r)->item(1)->data(Qt::ToolTipRole).toString(),
                 QStringLiteral("K_1_channel2|Undefined"));
    }
};

QTEST_MAIN(TestReportWindow)
#include "tst_ReportWindow.moc"
