#include "RecentProjects.h"

#include <QFileInfo>
#include <QSettings>

void RecentProjects::load(QStringList &list, QVariantHash &projects)
{
    QSettings settings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("MoravinLite"),
                       QStringLiteral("Moravin Lite"));
    settings.beginGroup(QStringLiteral("RecentProjects"));
    list = settings.value(QStringLiteral("list")).toStringList();
    projects = settings.value(QStringLiteral("projects")).toHash();
}

void RecentProjects::save(const QStringList &list, const QVariantHash &projects)
{
    QSettings settings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("MoravinLite"),
                       QStringLiteral("Moravin Lite"));
    settings.beginGroup(QStringLiteral("RecentProjects"));
    settings.setValue(QStringLiteral("list"), list);
    settings.setValue(QStringLiteral("projects"), projects);
}

void RecentProjects::prune(QStringList &list, QVariantHash &projects)
{
    for (auto it = projects.begin(); it != projects.end();) {
        if (QFileInfo(it.value().toString()).isFile()) {
            ++it;
            continue;
        }
        list.removeOne(it.key());
        it = projects.erase(it);
    }
}

bool RecentProjects::add(QStringList &list, QVariantHash &projects, const QString &name,
                         const QString &path)
{
    if (projects.contains(name) || list.contains(name))
        return false;
    projects.insert(name, path);
    list.prepend(name);
    prune(list, projects);
    save(list, projects);
    return true;
}
