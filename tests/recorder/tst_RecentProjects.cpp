#include "RecentProjects.h"

#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

class TestRecentProjects : public QObject
{
    Q_OBJECT
private:
    QTemporaryDir m_dir;
    QString touch(const QString &name)
    {
        const QString path = m_dir.filePath(name);
        QFile f(path);
        f.open(QIODevice::WriteOnly);
        return path;
    }

private slots:
    void init() { QSettings("MoravinLite", "Moravin Lite").clear(); }

    void missingSettingsGiveEmptyLists()
    {
        QStringList list{"stale"};
        QVariantHash projects{{"stale", "x"}};
        RecentProjects::load(list, projects);
        QVERIFY(list.isEmpty());
        QVERIFY(projects.isEmpty());
    }

    void addPutsNewProjectsFirstAndKeepsKnownOnes()
    {
        const QString a = touch("A.qpj");
        const QString b = touch("B.qpj");
        QStringList list;
        QVariantHash projects;
        QVERIFY(RecentProjects::add(list, projects, "A", a));
        QVERIFY(RecentProjects::add(list, projects, "B", b));
        QCOMPARE(list, QStringList({"B", "A"}));
        // Known again: neither moved to the front nor given the new path.
        QVERIFY(!RecentProjects::add(list, projects, "A", touch("elsewhere.qpj")));
        QCOMPARE(list, QStringList({"B", "A"}));
        QCOMPARE(projects.value("A").toString(), a);
        // Names are case-sensitive.
        QVERIFY(RecentProjects::add(list, projects, "a", a));

        QStringList loadedList;
        QVariantHash loaded;
        RecentProjects::load(loadedList, loaded);
        QCOMPARE(loadedList, QStringList({"a", "B", "A"}));
        QCOMPARE(loaded.value("B").toString(), b);
        QSettings s("MoravinLite", "Moravin Lite");
        QVERIFY(s.contains("RecentProjects/list"));
        QVERIFY(s.contains("RecentProjects/projects"));
    }

    void pruneDropsProjectsWhoseFileIsGone()
    {
        const QString keep = touch("Keep.qpj");
        const QString gone = touch("Gone.qpj");
        QStringList list;
        QVariantHash projects;
        RecentProjects::add(list, projects, "Gone", gone);
        RecentProjects::add(list, projects, "Keep", keep);
        QFile::remove(gone);

        QStringList loadedList;
        QVariantHash loaded;
        RecentProjects::load(loadedList, loaded);
        QCOMPARE(loadedList.size(), 2);
        RecentProjects::prune(loadedList, loaded);
        QCOMPARE(loadedList, QStringList({"Keep"}));
        QCOMPARE(loaded.keys(), QStringList({"Keep"}));
    }
};

QTEST_GUILESS_MAIN(TestRecentProjects)
#include "tst_RecentProjects.moc"
