#pragma once

#include <QObject>
#include <QString>

class QAction;
class QMenu;

// Finds the widgets of a form by object name and the actions of a menu by
// text, for tests that drive windows and dialogs.
namespace FormWidgets {

// A form that lost a widget cannot be driven any further, so a missing one
// ends the run at once.
template <typename T> T *child(const QObject *parent, const char *name)
{
    T *widget = parent ? parent->findChild<T *>(QLatin1String(name)) : nullptr;
    if (!widget)
        qFatal("no widget %s", name);
    return widget;
}

// The menu's action with this text, or null.
QAction *action(const QMenu *menu, const QString &text);

} // namespace FormWidgets
