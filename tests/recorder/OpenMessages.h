#pragma once

#include "widgets/MessageDialog.h"

#include <QApplication>
#include <QList>

// The message dialogs on screen, for tests that check what the user was told.
inline QList<MessageDialog *> openMessages()
{
    QList<MessageDialog *> found;
    const QList<QWidget *> windows = QApplication::topLevelWidgets();
    for (QWidget *w : windows) {
        if (auto *d = qobject_cast<MessageDialog *>(w); d && d->isVisible())
            found.append(d);
    }
    return found;
}
