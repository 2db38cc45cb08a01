#pragma once

#include <QSpinBox>

// One octet of an IP address; a typed full stop asks for the next octet.
class IpaddrSpinBox : public QSpinBox
{
    Q_OBJECT
public:
    using QSpinBox::QSpinBox;

signals:
    void nextStep();

protected:
    void keyReleaseEvent(QKeyEvent *event) override;
};
