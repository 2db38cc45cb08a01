#include "OpenMessages.h"
#include "Report.h"
#include "ReportPage.h"
#include "TestProject.h"
#include "core/CompanionProjectReader.h"
#include "core/ProjectFile.h"

#include <QDir>
#include <QLineEdit>
#include <QListWidget>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QWebElement>
#include <QWebFrame>
#include <QWebPage>
#include <QWebView>
#include <QtTest>

#include <memory>

namespace {

const qint64 kDay = 1772668800; // 2026-03-05 00:00:00 UTC, the tests' zone

// Output of a poppler-utils tool (Debian package poppler-utils).
QString poppler(const QString &tool, const QStringList &arguments)
{
    QProcess p;
    p.start(tool, arguments);
    if (!p.waitForFinished(30000) || p.exitCode() != 0)
        qWarning() << tool << "failed:" << p.errorString() << p.readAllStandardError();
    return QString::fromUtf8(p.readAllStandardOutput());
}

} // namespace

class TestReportExport : public QObject
{
    Q_OBJECT
private:
    QTemporaryDir m_dir;
    std::unique_ptr<TestProject> m_project;
    std::unique_ptr<Report> m_report;
    QString m_answer;
    QStringList m_asked;
    QList<QUrl> m_opened;

    QWebView *webView() const { return m_report->findChild<QWebView *>("webView"); }
    QString cell(int row, int column) const
    {
        return webView()
            ->page()
            ->mainFrame()
            ->evaluateJavaScript(QString("document.querySelectorAll('#ReportTable "
                                         "tr:nth-child(%1) td')[%2].textContent")
                                     .arg(row + 1)
                                     .arg(column))
            .toString();
    }

private slots:
    void initTestCase()
    {
        Q_INIT_RESOURCE(moravin);
        Q_INIT_RESOURCE(report);
        m_project = std::make_unique<TestProject>(m_dir.filePath("project"), "plant");
        m_project->writeProject(
            {TestProject::usbDevice("KV001", "Room 2", "Temperature1", "Humidity1")},
            "2026-03-04 22:10:00", "2026-03-06 12:00:00");
        m_project->createDatabase();
        m_project->addReadings(
            "KV001", kDay, kDay + 86399, 10,
            [](qint64 t) { return QVariant(20.0 + double((t - kDay) % 3600) / 3600.0); },
            [](qint64 t) { return QVariant(45.0 + double((t - kDay) % 7200) / 720.0); });

        const auto read = CompanionProjectReader::read({"Pagewright", m_project->projectFile()});
        QVERIFY(read.ok);
        m_report =
            std::make_unique<Report>(read.projectFile, QList<DeviceSettings>{read.devices.at(0)});
        m_report->setFileChooser(
            [this](const QString &title, const QString &proposed, const QString &filter) {
                m_asked = QStringList{title, proposed, filter};
                return m_answer;
            });
        m_report->setFileOpener([this](const QUrl &url) { m_opened << url; });
        m_report->show();
        QVERIFY(QTest::qWaitFor([this] { return m_report->isFormLoaded(); }, 10000));
        m_report->findChild<QLineEdit *>("lineEdit_subject")->setText("Export check 42");
        auto *list = m_report->findChild<QListWidget *>("listWidget_device");
        m_report->slotConfigSelected(list->item(0));
        m_report->slotConfigSelected(list->item(1));
        QSignalSpy filled(m_report.get(), &Report::reportFilled);
        QTest::mouseClick(m_report->findChild<QPushButton *>("btn_makeReport"), Qt::LeftButton);
        QVERIFY(filled.wait(30000));
    }

    void init()
    {
        m_asked.clear();
        m_opened.clear();
    }

    void cleanup() { OpenMessages::take(); }

    void thePdfIsOneA4PageOfSearchableText()
    {
        const QString dir = QFileInfo(m_project->projectFile()).path();
        m_answer = dir + "/daily";
        m_report->exportPrintPdf();
        const QString file = dir + "/daily.pdf";
        QVERIFY(QFileInfo(file).size() > 0);
        QCOMPARE(m_opened, QList<QUrl>{QUrl::fromLocalFile(file)});
        QCOMPARE(m_asked.at(0), QStringLiteral("Export PDF"));
        QCOMPARE(m_asked.at(2), QStringLiteral("*.pdf"));
        QVERIFY2(QRegularExpression("^" + QRegularExpression::escape(dir) + "/plant_\\d{14}\\.pdf$")
                     .match(m_asked.at(1))
                     .hasMatch(),
                 qPrintable(m_asked.at(1)));

        const QString info = poppler("pdfinfo", {file});
        QVERIFY2(info.contains(QRegularExpression("Pages:\\s+1\\n")), qPrintable(info));
        QVERIFY2(info.contains("(A4)"), qPrintable(info));
        const QString text = poppler("pdftotext", {"-layout", file, "-"});
        QVERIFY(text.contains("Export check 42"));
        QVERIFY(text.contains("Data Table (Avg/Min/Max)"));
        QVERIFY(text.contains("PRINTING TIME"));
        const QString value = cell(1, 2);
        QVERIFY(value.contains('/'));
        QVERIFY2(text.contains(value), qPrintable(value));
        QVERIFY(text.contains(cell(24, 3)));
        // Drawn as vectors: the page holds no bitmap.
        const QStringList images =
            poppler("pdfimages", {"-list", file}).split('\n', Qt::SkipEmptyParts);
        QCOMPARE(images.size(), 2); // the two header lines
    }

    void thePngIsTheWholePageAndTheViewStays()
    {
        QWebPage *page = webView()->page();
        page->mainFrame()->setScrollPosition(QPoint(0, 120));
        const QSize viewport = page->viewportSize();
        const QPoint scroll = page->mainFrame()->scrollPosition();
        const qreal zoom = webView()->zoomFactor();

        m_answer = m_dir.filePath("whole.png");
        m_report->exportPrintPng();
        QCOMPARE(m_opened, QList<QUrl>{QUrl::fromLocalFile(m_answer)});
        QCOMPARE(m_asked.at(0), QStringLiteral("Export PNG"));
        QCOMPARE(m_asked.at(2), QStringLiteral("*.png"));
        const QImage image(m_answer);
        QCOMPARE(image.width(), 860);
        QVERIFY2(image.height() > webView()->height() * 1.3,
                 qPrintable(QString::number(image.height())));
        // The footer line is in it: some dark pixels near the bottom.
        bool dark = false;
        for (int y = image.height() - 40; y < image.height() && !dark; ++y)
            for (int x = 0; x < image.width() && !dark; ++x)
                dark = qGray(image.pixel(x, y)) < 128 && qAlpha(image.pixel(x, y)) > 0;
        QVERIFY(dark);

        QCOMPARE(page->viewportSize(), viewport);
        QCOMPARE(page->mainFrame()->scrollPosition(), scroll);
        QCOMPARE(webView()->zoomFactor(), zoom);
    }

    void aFileThatCannotBeWrittenIsReported_data()
    {
        QTest::addColumn<QString>("answer");
        QTest::addColumn<bool>("pdf");
        QTest::newRow("pdf, no such folder") << m_dir.filePath("missing/r.pdf") << true;
        QTest::newRow("png, no such folder") << m_dir.filePath("missing/r.png") << false;
        QTest::newRow("png onto a folder") << m_dir.filePath("taken.png") << false;
        QTest::newRow("pdf onto a folder") << m_dir.filePath("taken.pdf") << true;
    }

    void aFileThatCannotBeWrittenIsReported()
    {
        QFETCH(QString, answer);
        QFETCH(bool, pdf);
        QDir().mkpath(m_dir.filePath("taken.png"));
        QDir().mkpath(m_dir.filePath("taken.pdf"));
        m_answer = answer;
        pdf ? m_report->exportPrintPdf() : m_report->exportPrintPng();
        QVERIFY(m_opened.isEmpty());
        const QStringList messages = OpenMessages::take();
        QCOMPARE(messages.size(), 1);
        QVERIFY2(messages.at(0).startsWith("ERROR|") && messages.at(0).endsWith(answer),
                 qPrintable(messages.at(0)));
    }

    void aCancelledDialogDoesNothing()
    {
        const QStringList before = QDir(m_dir.path()).entryList();
        m_answer.clear();
        m_report->exportPrintPdf();
        m_report->exportPrintPng();
        QVERIFY(m_opened.isEmpty());
        QVERIFY(OpenMessages::take().isEmpty());
        QCOMPARE(QDir(m_dir.path()).entryList(), before);
    }

    void printingPutsThePageOnThePrinter()
    {
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(m_dir.filePath("printed.pdf"));
        m_report->printPreview(&printer);
        QVERIFY(
            poppler("pdftotext", {m_dir.filePath("printed.pdf"), "-"}).contains("Export check 42"));
    }

    void missingFormElementsAreReported()
    {
        QWebPage page;
        QSignalSpy loaded(&page, &QWebPage::loadFinished);
        page.mainFrame()->setHtml(
            "<html><body><div id='ReportSubject'></div><input id='minPeriod'>"
            "<input id='GraphData'><script>function makeChart() { window.ran = true; }</script>"
            "</body></html>");
        QVERIFY(loaded.count() == 1 || loaded.wait(10000));
        const ReportPage form(page.mainFrame());
        ReportPage::Header header;
        header.subject = "s";
        const QStringList missing = form.fillElements(header);
        QVERIFY(!missing.contains("ReportSubject"));
        QVERIFY(missing.contains("printingTime"));
        QVERIFY(missing.contains("ReportDuration"));
        QVERIFY(missing.contains("div#Channel4Info"));
        QCOMPARE(missing.size(), 9);
        QCOMPARE(form.setChartInputs("1mm", "[]", "[]"),
                 QStringLiteral("there is not exist the tag \"ChartData\"."));
        QVERIFY(!page.mainFrame()->evaluateJavaScript("window.ran").isValid());
        QVERIFY(!form.setTable("<table></table>"));

        page.mainFrame()->findFirstElement("body").appendInside("<input id='ChartData'>");
        QCOMPARE(form.setChartInputs("1mm", "[]", "[]"), QString());
        QCOMPARE(page.mainFrame()->evaluateJavaScript("window.ran").toBool(), true);
    }
};

QTEST_MAIN(TestReportExport)
#include "tst_ReportExport.moc"
