#include "OpenMessages.h"

#include "widgets/MessageDialog.h"

#include <QApplication>

QList<MessageDialog *> OpenMessages::all()
{
    QList<MessageDialog *> found;
    const QList<QWidget *> windows = QApplication::topLevelWidgets();
    for (QWidget *w : windows) {
        if (auto *dialog = qobject_cast<MessageDialog *>(w); dialog && dialog->isVisible())
            found.append(dialog);
    }
    return found;
}

QList<MessageDialog *> OpenMessages::ownedBy(const QObject *owner)
{
    QList<MessageDialog *> found;
    if (!owner)
        return found;
    const QList<MessageDialog *> visible = all();
    for (MessageDialog *dialog : visible) {
        for (const QObject *up = dialog->parent(); up; up = up->parent()) {
            if (up == owner) {
                found.append(dialog);
                break;
            }
        }
    }
    return found;
}

QStringList OpenMessages::take()
{
    QStringList out;
    const QList<MessageDialog *> dialogs = all();
    for (MessageDialog *dialog : dialogs) {
        out << dialog->title() + QLatin1Char('|') + dialog->text();
        dialog->close();
    }
    return out;
}
