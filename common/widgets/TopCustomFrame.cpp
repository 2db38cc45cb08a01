#include "TopCustomFrame.h"

#include <QMouseEvent>

void TopCustomFrame::mousePressEvent(QMouseEvent *event)
{
    emit customClick(event->globalPos());
}

void TopCustomFrame::mouseMoveEvent(QMouseEvent *event)
{
    if (event->buttons() != Qt::NoButton)
        emit customMove(event->globalPos());
}

void TopCustomFrame::mouseDoubleClickEvent(QMouseEvent *)
{
    emit customDoubleClick();
}
