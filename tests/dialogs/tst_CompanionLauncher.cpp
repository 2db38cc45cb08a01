#include "AboutBox.h"
#include "OpenMessages.h"
#include "companion/CompanionLauncher.h"
#include "core/CompanionProjectReader.h"
#include "core/ProjectFile.h"
#include "widgets/MessageDialog.h"

#include <QAbstractButton>
#include <QDir>
#include <QFile>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QtTest>

// Starting the viewer and the report program, with fake companions that
// record how they were called; the about box.
class tst_CompanionLauncher : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void commandText();
    void companionsAreLookedUpBesideTheRecorder();
    void lookupOrder();
    void missingDatabase();
    void launch_data();
    void launch();
    void noStopTimeWithoutProjectPanel();
    void missingCompanion_data();
    void missingCompanion();
    void everyLaunchStartsAnotherProcess();
    void aboutBox();

private:
    // A companion that writes its arguments, and a copy of the project file
    // it was given, into "<pid>.done" and "<pid>.seen" beside itself.
    static bool writeFakeCompanion(const QString &directory, const QString &name);
    // A project with a database file unless withDatabase is false.
    QString makeProject(const QString &directory, bool withDatabase = true);
    QStringList finishedRuns(const QString &directory) const;
    QList<MessageDialog *> messages() const { return OpenMessages::ownedBy(m_parent.get()); }

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<QWidget> m_parent;
    QByteArray m_path;
};

void tst_CompanionLauncher::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_parent = std::make_unique<QWidget>();
    m_path = qgetenv("PATH");
}

void tst_CompanionLauncher::cleanup()
{
    qputenv("PATH", m_path);
    m_parent.reset();
    m_dir.reset();
}

bool tst_CompanionLauncher::writeFakeCompanion(const QString &directory, const QString &name)
{
    QDir().mkpath(directory);
    QFile script(QDir(directory).filePath(name));
    if (!script.open(QIODevice::WriteOnly))
        return false;
    script.write("#!/bin/sh\n"
                 "PATH=/usr/bin:/bin\n"
                 "out=\"$(dirname \"$0\")/$$\"\n"
                 "IFS=' '\n"
                 "project=$(printf '%s' \"$*\" | tr -d \"'\")\n"
                 "cp \"$project\" \"$out.seen\"\n"
                 "{ printf '%s\\n' \"$#\"; for a in \"$@\"; do printf '%s\\n' \"$a\"; done; }"
                 " > \"$out.args\"\n"
                 "mv \"$out.args\" \"$out.done\"\n");
    script.close();
    return script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

QString tst_CompanionLauncher::makeProject(const QString &directory, bool withDatabase)
{
    QDir().mkpath(directory);
    const QString path = QDir(directory).filePath(QStringLiteral("Cold store.qpj"));
    ProjectFile project(path);
    project.writeHeader(QStringLiteral("Cold store"), 10000, ProjectFile::databaseNameFor(path));
    project.writeValue(QStringLiteral("record_stop_time"), QStringLiteral("2024-01-01 00:00:00"));
    if (withDatabase) {
        QFile database(project.databasePath());
        database.open(QIODevice::WriteOnly);
    }
    return path;
}

QStringList tst_CompanionLauncher::finishedRuns(const QString &directory) const
{
    return QDir(directory).entryList({QStringLiteral("*.done")}, QDir::Files);
}

void tst_CompanionLauncher::commandText()
{
    QCOMPARE(CompanionLauncher::commandText(CompanionLauncher::Trendora,
                                            QStringLiteral("/data/my project/a.qpj")),
             QStringLiteral("Trendora '/data/my project/a.qpj'"));
    QCOMPARE(CompanionLauncher::commandText(CompanionLauncher::Pagewright,
                                            QStringLiteral("C:\\p\\a.qpj")),
             QStringLiteral("Pagewright 'C:\\p\\a.qpj'"));
}

void tst_CompanionLauncher::companionsAreLookedUpBesideTheRecorder()
{
    // In the build tree the recorder lives in recorder/, the companions in
    // viewer/ and report/.
    const QString own = QCoreApplication::applicationDirPath();
    const QString parent = QDir::cleanPath(own + QStringLiteral("/.."));
    const CompanionLauncher launcher;
    QCOMPARE(launcher.searchDirectories(CompanionLauncher::Trendora),
             (QStringList{own, parent + QStringLiteral("/viewer")}));
    QCOMPARE(launcher.searchDirectories(CompanionLauncher::Pagewright),
             (QStringList{own, parent + QStringLiteral("/report")}));
}

void tst_CompanionLauncher::lookupOrder()
{
    const QString first = m_dir->filePath(QStringLiteral("first"));
    const QString second = m_dir->filePath(QStringLiteral("second"));
    const QString onPath = m_dir->filePath(QStringLiteral("on path"));
    QVERIFY(writeFakeCompanion(second, QStringLiteral("Trendora")));
    QVERIFY(writeFakeCompanion(onPath, QStringLiteral("Trendora")));
    QVERIFY(writeFakeCompanion(onPath, QStringLiteral("Pagewright")));
    qputenv("PATH", QFile::encodeName(onPath));
    // Neither a folder nor a file that cannot be run counts as the program.
    QVERIFY(QDir().mkpath(first + QStringLiteral("/Trendora")));
    QFile plain(second + QStringLiteral("/Pagewright"));
    QVERIFY(plain.open(QIODevice::WriteOnly));
    plain.close();

    CompanionLauncher launcher;
    launcher.setSearchDirectories({first, second});
    QCOMPARE(launcher.programPath(CompanionLauncher::Trendora),
             second + QStringLiteral("/Trendora"));
    QCOMPARE(launcher.programPath(CompanionLauncher::Pagewright),
             onPath + QStringLiteral("/Pagewright"));
    qputenv("PATH", QFile::encodeName(first));
    QCOMPARE(launcher.programPath(CompanionLauncher::Pagewright), QStringLiteral("Pagewright"));
}

void tst_CompanionLauncher::missingDatabase()
{
    const QString bin = m_dir->filePath(QStringLiteral("bin"));
    QVERIFY(writeFakeCompanion(bin, QStringLiteral("Trendora")));
    CompanionLauncher launcher(m_parent.get());
    launcher.setSearchDirectories({bin});

    const QString project = makeProject(m_dir->filePath(QStringLiteral("p")), false);
    QVERIFY(!launcher.launch(CompanionLauncher::Trendora, project,
                             QStringLiteral("2024-05-05 10:00:00")));
    // A project without a database name has no data file either, even
    // though its folder exists.
    const QString unnamed = m_dir->filePath(QStringLiteral("unnamed.qpj"));
    ProjectFile(unnamed).writeValue(QStringLiteral("projectName"), QStringLiteral("unnamed"));
    QVERIFY(!launcher.launch(CompanionLauncher::Trendora, unnamed, QString()));

    QCOMPARE(messages().size(), 2);
    for (const MessageDialog *message : messages()) {
        QCOMPARE(message->title(), QStringLiteral("WARNING"));
        QCOMPARE(message->text(), QStringLiteral("There is no data file."));
    }
    QCOMPARE(ProjectFile(project).recordStopTime(), QStringLiteral("2024-01-01 00:00:00"));
    QVERIFY(ProjectFile(unnamed).readValue(QStringLiteral("record_stop_time")).isNull());
    QVERIFY(finishedRuns(bin).isEmpty());
}

void tst_CompanionLauncher::launch_data()
{
    QTest::addColumn<int>("companion");
    QTest::addColumn<QString>("folder");
    QTest::newRow("viewer") << int(CompanionLauncher::Trendora) << "projects";
    QTest::newRow("report") << int(CompanionLauncher::Pagewright) << "projects";
    QTest::newRow("viewer, blanks in the path")
        << int(CompanionLauncher::Trendora) << "my projects/two  blanks ";
    QTest::newRow("report, blanks in the path")
        << int(CompanionLauncher::Pagewright) << " lead/a b c";
}

void tst_CompanionLauncher::launch()
{
    QFETCH(int, companion);
    QFETCH(QString, folder);
    const auto which = CompanionLauncher::Companion(companion);
    const QString bin = m_dir->filePath(QStringLiteral("bin dir"));
    QVERIFY(writeFakeCompanion(bin, CompanionLauncher::programName(which)));
    const QString project = makeProject(m_dir->filePath(folder));
    CompanionLauncher launcher(m_parent.get());
    launcher.setSearchDirectories({bin});

    QVERIFY(launcher.launch(which, project, QStringLiteral("2024-05-05 10:00:00")));
    QVERIFY(messages().isEmpty());
    QCOMPARE(ProjectFile(project).recordStopTime(), QStringLiteral("2024-05-05 10:00:00"));
    QTRY_COMPARE_WITH_TIMEOUT(finishedRuns(bin).size(), 1, 10000);

    QFile args(QDir(bin).filePath(finishedRuns(bin).first()));
    QVERIFY(args.open(QIODevice::ReadOnly));
    QStringList lines = QString::fromUtf8(args.readAll()).split(QLatin1Char('\n'));
    lines.removeLast();
    const int count = lines.takeFirst().toInt();
    QCOMPARE(count, lines.size());
    // What the companions make of their arguments is the project path.
    QCOMPARE(CompanionProjectReader::projectPathFromArguments(QStringList{bin} + lines), project);
    // The companion read the file after the stop time was written.
    const QString seen = QDir(bin).filePath(finishedRuns(bin).first().replace(".done", ".seen"));
    QCOMPARE(ProjectFile(seen).recordStopTime(), QStringLiteral("2024-05-05 10:00:00"));
}

void tst_CompanionLauncher::noStopTimeWithoutProjectPanel()
{
    const QString bin = m_dir->filePath(QStringLiteral("bin"));
    QVERIFY(writeFakeCompanion(bin, QStringLiteral("Pagewright")));
    const QString project = makeProject(m_dir->filePath(QStringLiteral("p")));
    CompanionLauncher launcher(m_parent.get());
    launcher.setSearchDirectories({bin});
    QVERIFY(launcher.launch(CompanionLauncher::Pagewright, project, std::nullopt));
    QTRY_COMPARE_WITH_TIMEOUT(finishedRuns(bin).size(), 1, 10000);
    QCOMPARE(ProjectFile(project).recordStopTime(), QStringLiteral("2024-01-01 00:00:00"));
}

void tst_CompanionLauncher::missingCompanion_data()
{
    QTest::addColumn<int>("companion");
    QTest::addColumn<QString>("message");
    QTest::newRow("viewer") << int(CompanionLauncher::Trendora)
                            << "Please check the Trendora execution file.";
    QTest::newRow("report") << int(CompanionLauncher::Pagewright)
                            << "Please check the Pagewright execution file.";
}

void tst_CompanionLauncher::missingCompanion()
{
    QFETCH(int, companion);
    QFETCH(QString, message);
    const auto which = CompanionLauncher::Companion(companion);
    const QString empty = m_dir->filePath(QStringLiteral("empty"));
    QVERIFY(QDir().mkpath(empty));
    qputenv("PATH", QFile::encodeName(empty));
    const QString project = makeProject(m_dir->filePath(QStringLiteral("p")));
    CompanionLauncher launcher(m_parent.get());
    launcher.setSearchDirectories({empty});

    QVERIFY(!launcher.launch(which, project, QStringLiteral("2024-05-05 10:00:00")));
    QCOMPARE(messages().size(), 1);
    QCOMPARE(messages().first()->title(), QStringLiteral("ERROR"));
    QCOMPARE(messages().first()->text(), message);
    // The stop time went into the project file before the attempt.
    QCOMPARE(ProjectFile(project).recordStopTime(), QStringLiteral("2024-05-05 10:00:00"));
}

void tst_CompanionLauncher::everyLaunchStartsAnotherProcess()
{
    const QString bin = m_dir->filePath(QStringLiteral("bin"));
    QVERIFY(writeFakeCompanion(bin, QStringLiteral("Trendora")));
    const QString project = makeProject(m_dir->filePath(QStringLiteral("p")));
    CompanionLauncher launcher(m_parent.get());
    launcher.setSearchDirectories({bin});
    QVERIFY(launcher.launch(CompanionLauncher::Trendora, project, QStringLiteral("a")));
    QVERIFY(launcher.launch(CompanionLauncher::Trendora, project, QStringLiteral("b")));
    QTRY_COMPARE_WITH_TIMEOUT(finishedRuns(bin).size(), 2, 10000);
}

void tst_CompanionLauncher::aboutBox()
{
    Q_INIT_RESOURCE(moravin);
    QString title;
    QString text;
    QWidget *parent = nullptr;
    QTimer::singleShot(0, this, [&] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box)
            return;
        title = box->windowTitle();
        text = box->text();
        parent = box->parentWidget();
        box->button(QMessageBox::Ok)->click();
    });
    AboutBox::exec(m_parent.get());
    QCOMPARE(title, QStringLiteral("About Moravin Lite"));
    QCOMPARE(parent, m_parent.get());
    QVERIFY(text.contains(QLatin1String("V3.35")));
    // The picture the text shows is a resource of the program.
    QVERIFY(AboutBox::text().contains(QLatin1String("src=\":/img/moravin_lite.png\"")));
    QCOMPARE(QPixmap(QStringLiteral(":/img/moravin_lite.png")).size(), QSize(720, 326));
}

QTEST_MAIN(tst_CompanionLauncher)
#include "tst_CompanionLauncher.moc"
