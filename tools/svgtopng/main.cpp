// svgtopng in.svg out.png [width height]
//
// Renders one SVG onto a transparent image and saves it as PNG. It runs during
// the build, often without a display, so it creates no application object and
// loads no font database: lettering in the SVG sources must be drawn as paths.

#include <QImage>
#include <QPainter>
#include <QString>
#include <QSvgRenderer>

#include <cstdio>
#include <cstdlib>

namespace {

int usage()
{
    std::fprintf(stderr, "usage: svgtopng in.svg out.png [width height]\n");
    return 2;
}

bool parseDimension(const char *text, int *value)
{
    bool ok = false;
    *value = QString::fromLocal8Bit(text).toInt(&ok);
    return ok && *value > 0 && *value <= 8192;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 3 && argc != 5)
        return usage();

    const QString input = QString::fromLocal8Bit(argv[1]);
    const QString output = QString::fromLocal8Bit(argv[2]);

    QSvgRenderer renderer(input);
    if (!renderer.isValid()) {
        std::fprintf(stderr, "svgtopng: cannot read %s\n", argv[1]);
        return 1;
    }

    QSize size = renderer.defaultSize();
    if (argc == 5) {
        int width = 0;
        int height = 0;
        if (!parseDimension(argv[3], &width) || !parseDimension(argv[4], &height))
            return usage();
        size = QSize(width, height);
    }
    if (size.isEmpty()) {
        std::fprintf(stderr, "svgtopng: %s has no size; give width and height\n", argv[1]);
        return 1;
    }

    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        painter.setRenderHints(QPainter::Antialiasing | QPainter::SmoothPixmapTransform);
        renderer.render(&painter);
    }

    if (!image.save(output, "PNG")) {
        std::fprintf(stderr, "svgtopng: cannot write %s\n", argv[2]);
        return 1;
    }
    return EXIT_SUCCESS;
}
