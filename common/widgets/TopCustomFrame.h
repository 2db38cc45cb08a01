#pragma once

#include <QFrame>

// A title band that reports presses, drags and double clicks so that a
// frameless window can move and maximise itself.
class TopCustomFrame : public QFrame
{
    Q_OBJECT
public:
    using QFrame::QFrame;

signals:
    void customClick(QPoint globalPos);
    void customMove(QPoint globalPos);
    void customDoubleClick();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
};
