#include "ViewPortScrollBar.h"

#include "QChartViewer.h"
#include "ViewPortManager.h"

#include <QScrollBar>

#include <algorithm>
#include <cmath>

void ViewPortScrollBar::follow(QScrollBar *bar, const ViewPortManager &viewPort)
{
    const double width = viewPort.getViewPortWidth();
    bar->setEnabled(width < 1);
    const int pageStep = static_cast<int>(std::ceil(width * Scale));
    bar->setPageStep(pageStep);
    bar->setSingleStep(std::min(pageStep, Scale / 100));
    bar->setRange(0, Scale - pageStep);
    bar->setValue(static_cast<int>(std::lround(viewPort.getViewPortLeft() * Scale)));
}

void ViewPortScrollBar::scroll(QChartViewer *viewer, const QScrollBar &bar, int value)
{
    if (viewer->isInViewPortChangedEvent())
        return;
    viewer->viewPortManager()->setViewPortLeft(leftAt(bar, value));
    viewer->requestViewPortUpdate(true, false);
}

double ViewPortScrollBar::leftAt(const QScrollBar &bar, int value)
{
    return value / double(bar.pageStep() + bar.maximum());
}
