// QCustomPlot's figure for one line of points at 1000 x 500: data set,
// rescale and render into an image, with adaptive sampling on. Prints the
// median in milliseconds as "qcustomplot <points> <ms>".
#include <qcustomplot.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QTextStream>

#include <algorithm>
#include <cmath>
#include <vector>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const int points = argc > 1 ? QString(argv[1]).toInt() : 1000000;
    const int runs = argc > 2 ? QString(argv[2]).toInt() : 11;
    QVector<double> x(points), y(points);
    for (int i = 0; i < points; ++i) {
        x[i] = 63900000000.0 + i;
        y[i] = 20 + 5 * std::sin(i / 50000.0) + std::sin(i * 0.7);
    }
    std::vector<double> times;
    for (int r = 0; r < runs; ++r) {
        QElapsedTimer t;
        t.start();
        QCustomPlot plot;
        plot.resize(1000, 500);
        QCPGraph *g = plot.addGraph();
        g->setAdaptiveSampling(true);
        g->setPen(QPen(Qt::red));
        g->setData(x, y, true);
        plot.rescaleAxes();
        const QPixmap image = plot.toPixmap(1000, 500);
        times.push_back(t.nsecsElapsed() / 1e6);
        if (image.isNull())
            return 1;
    }
    std::sort(times.begin(), times.end());
    QTextStream(stdout) << "qcustomplot " << points << " " << times[times.size() / 2] << "\n";
    return 0;
}
