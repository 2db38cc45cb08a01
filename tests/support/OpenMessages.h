#pragma once

#include <QList>
#include <QStringList>

class MessageDialog;
class QObject;

// The message windows on screen, for tests that check what the user was told.
class OpenMessages
{
public:
    // Every visible message dialog.
    static QList<MessageDialog *> all();
    // The visible message dialogs that owner owns; none for a null owner (a
    // dialog already gone).
    static QList<MessageDialog *> ownedBy(const QObject *owner);
    // Every visible message dialog as "title|text"; closes them.
    static QStringList take();
};
