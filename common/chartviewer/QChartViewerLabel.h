#pragma once

#include <QLabel>

// A label that hosts a chart viewer in a form and tells its owner when it was
// resized, so the chart can be rebuilt at the new size.
class QChartViewerLabel : public QLabel
{
    Q_OBJECT
public:
    explicit QChartViewerLabel(QWidget *parent = nullptr);

signals:
    void refreshChart();

protected:
    void resizeEvent(QResizeEvent *event) override;
};
