#include "ResizeLabelUnit.h"

#include "ResizeLabel.h"

void ResizeLabelUnit::fitFont()
{
    ResizeLabel::fitFont(this, 0, 0);
}

void ResizeLabelUnit::resizeEvent(QResizeEvent *)
{
    fitFont();
}
