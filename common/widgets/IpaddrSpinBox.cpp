#include "IpaddrSpinBox.h"

#include <QKeyEvent>

void IpaddrSpinBox::keyReleaseEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Period)
        emit nextStep();
}
