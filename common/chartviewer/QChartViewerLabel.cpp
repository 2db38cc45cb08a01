#include "QChartViewerLabel.h"

QChartViewerLabel::QChartViewerLabel(QWidget *parent) : QLabel(parent) {}

void QChartViewerLabel::resizeEvent(QResizeEvent *event)
{
    Q_UNUSED(event)
    emit refreshChart();
}
