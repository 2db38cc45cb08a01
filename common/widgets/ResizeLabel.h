#pragma once

#include <QLabel>

// A read-out label whose font follows its size and text, leaving a small
// margin around the text.
class ResizeLabel : public QLabel
{
    Q_OBJECT
public:
    using QLabel::QLabel;

    void fitFont();

    // The factor by which a font is scaled so that text of tw x th fits into
    // width x height less the margins; the smaller of both ratios.
    static float fitFactor(int width, int height, int tw, int th, int marginX, int marginY);
    // Applies the factor to the label's font for its current text and size.
    static void fitFont(QLabel *label, int marginX, int marginY);

protected:
    void resizeEvent(QResizeEvent *event) override;
};
