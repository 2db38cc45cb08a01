// The report of a mixed-rate day with an outage and a gap row, as a user
// makes and exports it: every channel drawn as a line broken only where the
// recording is, legends with their devices, the day summary in the page,
// the print, the PDF and the PNG, the PDF inside printable margins and the
// PNG compressed without loss.
#include "OpenMessages.h"
#include "Report.h"
#include "ReportExporter.h"
#include "TestProject.h"
#include "core/CompanionProjectReader.h"
#include "store/StoreSchema.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QListWidget>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QWebElement>
#include <QWebFrame>
#include <QWebPage>
#include <QWebView>
#include <QtTest>

#include <cmath>
#include <memory>

namespace {

const qint64 kDay = 1772668800; // 2026-03-05 00:00:00 UTC, the tests' zone

qint64 at(int hour, int minute)
{
    return kDay + hour * 3600 + minute * 60;
}

// Output of a poppler-utils tool (Debian package poppler-utils).
QByteArray poppler(const QString &tool, const QStringList &arguments)
{
    QProcess p;
    p.start(tool, arguments);
    if (!p.waitForFinished(30000) || p.exitCode() != 0)
        qWarning() << tool << "failed:" << p.errorString() << p.readAllStandardError();
    return p.readAllStandardOutput();
}

} // namespace

class TestReportTruth : public QObject
{
    Q_OBJECT
private:
    QTemporaryDir m_dir;
    std::unique_ptr<TestProject> m_project;
    std::unique_ptr<Report> m_report;
    QString m_answer;

    QWebView *webView() const { return m_report->findChild<QWebView *>("webView"); }
    QVariant js(const QString &script) const
    {
        return webView()->page()->mainFrame()->evaluateJavaScript(script);
    }
    QStringList summaryRow(int row) const
    {
        return js(QString("Array.prototype.map.call(document.querySelectorAll('#DaySummary "
                          "tr')[%1].querySelectorAll('td'), function (c) { return "
                          "c.textContent; })")
                      .arg(row))
            .toStringList();
    }
    // The mean kinetic temperature of the stored values, summed directly.
    QString meanKinetic(const QString &serial, bool fahrenheit) const
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "mkt");
        db.setDatabaseName(m_project->databasePath());
        db.open();
        double sum = 0;
        int n = 0;
        {
            QSqlQuery q(db);
            q.exec("select channel1 from kelvantis where channel1 is not null and serialno = '" +
                   serial + "'");
            while (q.next()) {
                const double v = q.value(0).toDouble();
                sum += std::exp(-10000.0 / (fahrenheit ? (v - 32) / 1.8 + 273.15 : v + 273.15));
                ++n;
            }
        }
        db.close();
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase("mkt");
        const double kelvin = 10000.0 / -std::log(sum / n);
        return QString::number(fahrenheit ? (kelvin - 273.15) * 1.8 + 32 : kelvin - 273.15, 'f', 2);
    }

private slots:
    void initTestCase()
    {
        Q_INIT_RESOURCE(moravin);
        Q_INIT_RESOURCE(report);
        m_project = std::make_unique<TestProject>(m_dir.filePath("project"), "mixed");
        DeviceSettings room =
            TestProject::usbDevice("KV001", "Room 2", "Temperature1", "Humidity1", 1, 3);
        room.ch1Min = 2;
        room.ch1Max = 8;
        DeviceSettings freezer =
            TestProject::usbDevice("KV002", "Freezer", "Temperature2", "Humidity2", 2, 3);
        freezer.ch1Min = -10;
        freezer.ch1Max = 10;
        m_project->writeProject({room, freezer}, "2026-03-04 22:10:00", "2026-03-06 12:00:00",
                                60000);
        m_project->createDatabase();
        // Room 2 every minute, silent from 10:00 to 10:59 without a gap row,
        // a gap row at 15:00:30, and two excursions: 9 °C from 06:00 to 06:29
        // and 1 °C from 20:00 to 20:04.
        const auto temperature = [](qint64 t) {
            if (t >= at(6, 0) && t <= at(6, 29))
                return QVariant(9.0);
            if (t >= at(20, 0) && t <= at(20, 4))
                return QVariant(1.0);
            return QVariant(5.0 + double(t % 600) / 600);
        };
        const auto humidity = [](qint64 t) { return QVariant(40.0 + double(t % 3600) / 360); };
        m_project->addReadings("KV001", kDay, at(9, 59), 60, temperature, humidity);
        m_project->addReadings("KV001", at(11, 0), kDay + 86399, 60, temperature, humidity);
        m_project->addRow("KV001", QVariant(), QVariant(), at(15, 0) + 30);
        // The freezer every ten minutes, in °F, silent from 13:00 to 14:30.
        const auto cold = [](qint64 t) { return QVariant(-4.0 + double(t % 3600) / 900); };
        m_project->addReadings("KV002", kDay, at(12, 50), 600, cold, cold);
        m_project->addReadings("KV002", at(14, 40), kDay + 86399, 600, cold, cold);
        // The log: an excursion of Room 2, a resume of the project, and what
        // the report leaves out - another device, another day.
        {
            QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "events");
            db.setDatabaseName(m_project->databasePath());
            QVERIFY(db.open());
            QSqlQuery q(db);
            QVERIFY(q.exec(StoreSchema::Events::CreateStatement));
            const QString insert = "insert into events (eventTime, kind, serialno, channel, value, "
                                   "limitValue) values (%1, '%2', '%3', %4, %5, %6)";
            for (const QString &row :
                 {insert.arg(at(6, 0)).arg("alarm_begin", "KV001").arg(1).arg(9).arg(8),
                  insert.arg(at(6, 30)).arg("alarm_end", "KV001").arg(1).arg(5).arg(8),
                  insert.arg(at(11, 0)).arg("record_resume", "").arg(0).arg("null", "null"),
                  insert.arg(at(12, 0)).arg("comm_lost", "KV003").arg(0).arg("null", "null"),
                  insert.arg(kDay - 60).arg("record_stop", "").arg(0).arg("null", "null")})
                QVERIFY2(q.exec(row), qPrintable(q.lastError().text()));
        }
        QSqlDatabase::removeDatabase("events");

        const auto read = CompanionProjectReader::read({"Pagewright", m_project->projectFile()});
        QVERIFY(read.ok);
        m_report = std::make_unique<Report>(read.projectFile, read.devices);
        m_report->setFileChooser(
            [this](const QString &, const QString &, const QString &) { return m_answer; });
        m_report->setFileOpener([](const QUrl &) {});
        m_report->show();
        QVERIFY(QTest::qWaitFor([this] { return m_report->isFormLoaded(); }, 10000));
        auto *list = m_report->findChild<QListWidget *>("listWidget_device");
        for (int row : {0, 1, 2})
            m_report->slotConfigSelected(list->item(row));
        QSignalSpy filled(m_report.get(), &Report::reportFilled);
        QTest::mouseClick(m_report->findChild<QPushButton *>("btn_makeReport"), Qt::LeftButton);
        QVERIFY(filled.wait(30000));
        QVERIFY(OpenMessages::take().isEmpty());
    }

    void everyChannelIsALineBrokenWhereTheRecordingIs()
    {
        QCOMPARE(js("document.querySelectorAll('#chartdiv path.graph-line').length").toInt(), 3);
        // Segments of each line: Room 2's temperature and humidity break at
        // the outage and at the gap row, the freezer's only at its outage.
        const QStringList segments =
            js("Array.prototype.map.call(document.querySelectorAll('#chartdiv path.graph-line'),"
               " function (p) { return String(p.getAttribute('d').split('M').length - 1); })")
                .toStringList();
        QCOMPARE(segments, QStringList({"3", "3", "2"}));
        const QStringList legends =
            js("Array.prototype.map.call(document.querySelectorAll('#chartdiv .legend-title'),"
               " function (t) { return t.textContent; })")
                .toStringList();
        QCOMPARE(legends, QStringList({"Temperature1 [Room 2]", "Humidity1 [Room 2]",
                                       "Temperature2 [Freezer]"}));
        const QJsonArray graphs = QJsonDocument::fromJson(webView()
                                                              ->page()
                                                              ->mainFrame()
                                                              ->findFirstElement("input#GraphData")
                                                              .attribute("value")
                                                              .toUtf8())
                                      .array();
        QCOMPARE(graphs.at(2).toObject().value("title").toString(),
                 QStringLiteral("Temperature2 [Freezer]"));
        QCOMPARE(graphs.at(2).toObject().value("connect").toBool(true), false);
    }

    void theDaySummaryIsBelowTheTable()
    {
        QCOMPARE(js("document.querySelectorAll('#DaySummary tr').length").toInt(), 4);
        QVERIFY(js("document.getElementById('DaySummary').offsetTop > "
                   "document.getElementById('ReportTable').offsetTop")
                    .toBool());
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "sums");
        db.setDatabaseName(m_project->databasePath());
        QVERIFY(db.open());
        QStringList expected;
        {
            QSqlQuery q(db);
            QVERIFY(q.exec("select count(channel1), printf('%.2f', avg(channel1)), "
                           "printf('%.2f', min(channel1)), printf('%.2f', max(channel1)) from "
                           "kelvantis where serialno = 'KV001'"));
            QVERIFY(q.next());
            for (int i = 0; i < 4; ++i)
                expected << q.value(i).toString();
        }
        db.close();
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase("sums");

        const QStringList room = summaryRow(1);
        QCOMPARE(room.mid(2, 4), expected);
        QCOMPARE(room.value(6), meanKinetic("KV001", false));
        QCOMPARE(room.mid(7), QStringList({"2.00 ~ 8.00", "2", "0:35:00"}));
        QVERIFY(room.value(1).startsWith("Temperature1 [Room 2]"));
        const QStringList humidity = summaryRow(2);
        QCOMPARE(humidity.mid(6), QStringList({"-", "no limits", "none", "-"}));
        const QStringList freezer = summaryRow(3);
        QCOMPARE(freezer.value(2), QStringLiteral("134"));
        QCOMPARE(freezer.value(6), meanKinetic("KV002", true));
        QCOMPARE(freezer.mid(7), QStringList({"-10.00 ~ 10.00", "0", "0:00:00"}));
    }

    void theDayEventsFollowTheSummary()
    {
        QCOMPARE(js("document.querySelectorAll('#DayEvents tr').length").toInt(), 4);
        QVERIFY(js("document.getElementById('DayEvents').offsetTop > "
                   "document.getElementById('DaySummary').offsetTop")
                    .toBool());
        const auto row = [this](int r) {
            return js(QString("Array.prototype.map.call(document.querySelectorAll('#DayEvents "
                              "tr')[%1].querySelectorAll('td'), function (c) { return "
                              "c.textContent; })")
                          .arg(r))
                .toStringList();
        };
        QCOMPARE(row(1).mid(1, 4), QStringList({"2026-03-05 06:00:00", "Room 2 / Temperature1",
                                                "Alarm", "9.00 \u00b0C"}));
        QCOMPARE(row(2).value(3), QStringLiteral("Alarm ended"));
        QCOMPARE(row(3).mid(1, 3), QStringList({"2026-03-05 11:00:00", "Project",
                                                "Recording resumed after an unexpected end"}));
    }

    void thePdfKeepsMarginsAndCarriesTheSummary()
    {
        m_answer = m_dir.filePath("day.pdf");
        m_report->exportPrintPdf();
        const QString text = QString::fromUtf8(poppler("pdftotext", {"-layout", m_answer, "-"}));
        QVERIFY(text.contains("Day Summary"));
        QVERIFY(text.contains("0:35:00"));
        QVERIFY(text.contains(meanKinetic("KV001", false)));
        QVERIFY(text.contains("83.144 kJ/mol"));
        QVERIFY(text.contains("Alarm ended"));

        // At 50 dpi 10 mm are 19.7 pixels: that much of every edge is blank.
        poppler("pdftoppm", {"-r", "50", "-gray", "-singlefile", m_answer, m_dir.filePath("day")});
        const QImage page(m_dir.filePath("day.pgm"));
        QVERIFY(!page.isNull());
        const int edge = 19;
        int inkOnEdges = 0;
        int ink = 0;
        for (int y = 0; y < page.height(); ++y)
            for (int x = 0; x < page.width(); ++x) {
                const bool dark = qGray(page.pixel(x, y)) < 200;
                ink += dark;
                if (dark &&
                    (x < edge || y < edge || x >= page.width() - edge || y >= page.height() - edge))
                    ++inkOnEdges;
            }
        QCOMPARE(inkOnEdges, 0);
        QVERIFY(ink > 1000);
    }

    void thePrintCarriesTheSummary()
    {
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(m_dir.filePath("printed.pdf"));
        m_report->printPreview(&printer);
        const QString text =
            QString::fromUtf8(poppler("pdftotext", {m_dir.filePath("printed.pdf"), "-"}));
        QVERIFY(text.contains("Day Summary"));
        QVERIFY(text.contains("0:35:00"));
    }

    void thePngIsCompressedLosslessAndCarriesTheSummary()
    {
        m_answer = m_dir.filePath("day.png");
        m_report->exportPrintPng();
        const QImage written(m_answer);
        QVERIFY(!written.isNull());
        QCOMPARE(written.width(), 860); // the summary keeps to the page width
        const qint64 raw = qint64(written.width()) * written.height() * 4;
        QVERIFY2(QFileInfo(m_answer).size() * 8 < raw,
                 qPrintable(QString("%1 of %2").arg(QFileInfo(m_answer).size()).arg(raw)));
        const QImage rendered = ReportExporter(webView()->page()).renderImage();
        QCOMPARE(written.convertToFormat(QImage::Format_ARGB32),
                 rendered.convertToFormat(QImage::Format_ARGB32));

        // Where the window lays the summary out; the export's layout may
        // round a few pixels differently.
        const int top = js("document.getElementById('DaySummary').offsetTop").toInt();
        const int height = js("document.getElementById('DaySummary').offsetHeight").toInt();
        QVERIFY(height > 60 && top + 60 < written.height());
        int dark = 0;
        for (int y = top; y < std::min(top + height, written.height()); ++y)
            for (int x = 0; x < written.width(); ++x)
                dark += qGray(written.pixel(x, y)) < 100;
        QVERIFY(dark > 500);
    }
};

QTEST_MAIN(TestReportTruth)
#include "tst_ReportTruth.moc"
