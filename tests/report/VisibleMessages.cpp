#include "VisibleMessages.h"

#include "widgets/MessageDialog.h"

#include <QApplication>

QStringList VisibleMessages::take()
{
    QStringList out;
    for (QWidget *w : QApplication::topLevelWidgets()) {
        auto *dialog = qobject_cast<MessageDialog *>(w);
        if (dialog && dialog->isVisible()) {
            out << dialog->title() + QLatin1Char('|') + dialog->text();
            dialog->close();
        }
    }
    return out;
}
