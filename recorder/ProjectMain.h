#pragma once

#include <QHash>
#include <QStringList>
#include <QVariant>
#include <QWidget>

class QListWidget;
class QListWidgetItem;

// The create/open panel: obtains a project file path, checks it and hands
// it to the main window. It never reads or writes project contents.
class ProjectMain : public QWidget
{
    Q_OBJECT
public:
    static constexpr int MaxFileNameLength = 20;

    ProjectMain(const QStringList *recentProjectList, const QVariantHash *recentProjects,
                QWidget *parent = nullptr);

    // The checks that follow the file dialogs; true when the signal was emitted.
    bool createProjectAt(QString fileName);
    bool openProjectAt(const QString &fileName);

    // "<name>\t[<dir, cut to 70>/<base>.qpj]" as the recent list shows it.
    static QString recentItemText(const QString &name, const QString &path);

    QListWidget *recentList() const { return m_listWidget; }

signals:
    void projectCreated(QString path);
    void projectLoaded(QString path);

public slots:
    void slotCreateProject();
    void slotOpenProject();
    void slotRecentProject(QListWidgetItem *item);

private:
    bool checkNameLength(const QString &fileName);
    void showError(const QString &text);

    QListWidget *m_listWidget;
    QHash<QListWidgetItem *, QVariant> m_itemPaths;
};
