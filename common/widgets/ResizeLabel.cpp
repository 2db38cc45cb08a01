#include "ResizeLabel.h"

#include <QFontMetrics>

#include <cmath>

float ResizeLabel::fitFactor(int width, int height, int tw, int th, int marginX, int marginY)
{
    if (tw <= 0 || th <= 0)
        return 1.0f;
    const float rw = std::fabs(static_cast<float>(width - marginX) / static_cast<float>(tw));
    const float rh = std::fabs(static_cast<float>(height - marginY) / static_cast<float>(th));
    return rw < rh ? rw : rh;
}

void ResizeLabel::fitFont(QLabel *label, int marginX, int marginY)
{
    const QString text = label->text();
    if (text.isEmpty())
        return;
    QFont font = label->font();
    const QFontMetrics metrics(font);
    const float factor = fitFactor(label->width(), label->height(), metrics.horizontalAdvance(text),
                                   metrics.height(), marginX, marginY);
    const qreal size = font.pointSizeF() * factor;
    // A zero-sized label would give a zero point size, which QFont rejects.
    if (size <= 0)
        return;
    font.setPointSizeF(size);
    label->setFont(font);
}

void ResizeLabel::fitFont()
{
    fitFont(this, 10, 8);
}

void ResizeLabel::resizeEvent(QResizeEvent *)
{
    fitFont();
}
