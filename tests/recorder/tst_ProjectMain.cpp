#include "OpenMessages.h"
#include "ProjectMain.h"
#include "widgets/MessageDialog.h"

#include <QApplication>
#include <QFile>
#include <QListWidget>
#include <QTemporaryDir>
#include <QtTest>

namespace {

void closeMessages()
{
    for (MessageDialog *d : OpenMessages::all())
        d->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

} // namespace

class TestProjectMain : public QObject
{
    Q_OBJECT
private:
    QTemporaryDir m_dir;

private slots:
    void cleanup() { closeMessages(); }

    void createAcceptsTwentyCharactersAndAddsTheExtension()
    {
        ProjectMain panel(nullptr, nullptr);
        QSignalSpy created(&panel, &ProjectMain::projectCreated);

        const QString sixteen = m_dir.filePath("ABCDEFGHIJKLMNOP");
        QVERIFY(panel.createProjectAt(sixteen));
        QCOMPARE(created.count(), 1);
        QCOMPARE(created.at(0).at(0).toString(), sixteen + ".qpj");
        QVERIFY(QFile::exists(sixteen + ".qpj"));
        QVERIFY(OpenMessages::all().isEmpty());

        QVERIFY(!panel.createProjectAt(m_dir.filePath("ABCDEFGHIJKLMNOPQ")));
        QCOMPARE(created.count(), 1);
        QVERIFY(!QFile::exists(m_dir.filePath("ABCDEFGHIJKLMNOPQ.qpj")));
        const auto messages = OpenMessages::all();
        QCOMPARE(messages.size(), 1);
        QCOMPARE(messages.at(0)->title(), QStringLiteral("ERROR"));
        QCOMPARE(messages.at(0)->text(),
                 QStringLiteral("\"ABCDEFGHIJKLMNOPQ.qpj\" is too long.\nPlease retry.\nMax "
                                "Length is 20 charactors."));
    }

    void createEmptiesAnExistingFile()
    {
        const QString path = m_dir.filePath("Old.qpj");
        {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("[General]\nprojectName=Old\n");
        }
        ProjectMain panel(nullptr, nullptr);
        QVERIFY(panel.createProjectAt(path));
        QCOMPARE(QFileInfo(path).size(), 0);
    }

    void failuresToOpenAreReported()
    {
        ProjectMain panel(nullptr, nullptr);
        QSignalSpy loaded(&panel, &ProjectMain::projectLoaded);
        QSignalSpy created(&panel, &ProjectMain::projectCreated);
        QVERIFY(!panel.openProjectAt(m_dir.filePath("missing.qpj")));
        QVERIFY(!panel.createProjectAt(m_dir.filePath("no/dir/x.qpj")));
        QCOMPARE(loaded.count() + created.count(), 0);
        const auto messages = OpenMessages::all();
        QCOMPARE(messages.size(), 2);
        for (MessageDialog *m : messages)
            QCOMPARE(m->text(), QStringLiteral("Unable to open the project file."));

        const QString existing = m_dir.filePath("Here.qpj");
        QFile(existing).open(QIODevice::WriteOnly);
        QVERIFY(panel.openProjectAt(existing));
        QCOMPARE(loaded.count(), 1);
        QVERIFY(!panel.openProjectAt(m_dir.filePath("ABCDEFGHIJKLMNOPQ.qpj")));
    }

    void recentListShowsProjectsAndPassesTheirPathOn()
    {
        const QString longDir = "/" + QString(80, 'x');
        const QStringList names{"Cellar", "Gone"};
        const QVariantHash paths{{"Cellar", m_dir.filePath("Cellar.qpj")},
                                 {"Gone", longDir + "/Gone.qpj"}};
        ProjectMain panel(&names, &paths);
        QListWidget *list = panel.recentList();
        QCOMPARE(list->count(), 2);
        QCOMPARE(list->item(0)->text(), "Cellar\t[" + m_dir.path() + "/Cellar.qpj]");
        QCOMPARE(list->item(0)->toolTip(), m_dir.filePath("Cellar.qpj"));
        QCOMPARE(list->item(1)->text(), "Gone\t[" + longDir.left(70) + ".../Gone.qpj]");

        // A vanished file is still passed on; the main window reports it.
        QSignalSpy loaded(&panel, &ProjectMain::projectLoaded);
        emit list->itemActivated(list->item(1));
        QCOMPARE(loaded.count(), 1);
        QCOMPARE(loaded.at(0).at(0).toString(), longDir + "/Gone.qpj");
    }
};

QTEST_MAIN(TestProjectMain)
#include "tst_ProjectMain.moc"
