#pragma once

#include <QLabel>

// Like ResizeLabel, but the text may fill the whole label.
class ResizeLabelUnit : public QLabel
{
    Q_OBJECT
public:
    using QLabel::QLabel;

    void fitFont();

protected:
    void resizeEvent(QResizeEvent *event) override;
};
