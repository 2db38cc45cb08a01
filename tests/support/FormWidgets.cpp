#include "FormWidgets.h"

#include <QAction>
#include <QMenu>

QAction *FormWidgets::action(const QMenu *menu, const QString &text)
{
    const QList<QAction *> actions = menu->actions();
    for (QAction *a : actions) {
        if (a->text() == text)
            return a;
    }
    return nullptr;
}
