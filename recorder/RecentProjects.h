#pragma once

#include <QStringList>
#include <QVariantHash>

// The recorder's recent projects, kept in the user settings: a list of
// names, most recent first, and a table from name to project file path.
class RecentProjects
{
public:
    static void load(QStringList &list, QVariantHash &projects);
    static void save(const QStringList &list, const QVariantHash &projects);
    // Drops every name whose project file no longer exists.
    static void prune(QStringList &list, QVariantHash &projects);
    // Adds a project not known yet at the front, prunes and saves; a known
    // name keeps its place and its path. Returns whether it was added.
    static bool add(QStringList &list, QVariantHash &projects, const QString &name,
                    const QString &path);
};
