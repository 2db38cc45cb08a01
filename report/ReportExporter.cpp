#include "ReportExporter.h"

#include "ReportLogging.h"

#include <QFileInfo>
#include <QImageWriter>
#include <QPainter>
#include <QPrinter>
#include <QWebFrame>
#include <QWebPage>

#include <algorithm>

QString ReportExporter::proposedName(const QString &projectFile, const QDateTime &now,
                                     const QString &extension)
{
    const QFileInfo info(projectFile);
    return info.absolutePath() + QLatin1Char('/') + info.completeBaseName() + QLatin1Char('_') +
           now.toString(QStringLiteral("yyyyMMddHHmmss")) + extension;
}

QString ReportExporter::withSuffix(const QString &fileName, const QString &extension)
{
    return QFileInfo(fileName).suffix().isEmpty() ? fileName + extension : fileName;
}

void ReportExporter::setUpPrinter(QPrinter &printer)
{
    printer.setPageSize(QPageSize(QPageSize::A4));
    printer.setPageOrientation(QPageLayout::Portrait);
    printer.setFullPage(true);
}

template <typename Paint> void ReportExporter::atContentSize(Paint paint) const
{
    // The page is laid out at its natural width and full height for the
    // export; the window's zoom, view-port and scroll position come back
    // afterwards.
    QWebFrame *frame = m_page->mainFrame();
    const QSize viewport = m_page->viewportSize();
    const QPoint scroll = frame->scrollPosition();
    const qreal zoom = frame->zoomFactor();
    frame->setZoomFactor(1.0);
    m_page->setViewportSize(QSize(1, 1));
    const QSize content = frame->contentsSize();
    qCDebug(lcReport) << "contentSize :" << content << "viewportSize :" << viewport;
    m_page->setViewportSize(content);
    paint(frame, content);
    frame->setZoomFactor(zoom);
    m_page->setViewportSize(viewport);
    frame->setScrollPosition(scroll);
}

QImage ReportExporter::renderImage() const
{
    QImage image;
    atContentSize([&image](QWebFrame *frame, const QSize &content) {
        image = QImage(content, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        painter.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing |
                               QPainter::SmoothPixmapTransform);
        frame->render(&painter);
    });
    return image;
}

bool ReportExporter::writePdf(const QString &fileName) const
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(fileName);
    setUpPrinter(printer);
    bool ok = false;
    atContentSize([&](QWebFrame *frame, const QSize &content) {
        QPainter painter;
        if (content.isEmpty() || !painter.begin(&printer))
            return;
        painter.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing |
                               QPainter::SmoothPixmapTransform);
        // Fit the whole page onto the sheet with its own proportions.
        const QRectF sheet = printer.pageLayout().fullRectPixels(printer.resolution());
        const qreal scale =
            std::min(sheet.width() / content.width(), sheet.height() / content.height());
        painter.translate((sheet.width() - content.width() * scale) / 2, 0);
        painter.scale(scale, scale);
        frame->render(&painter);
        ok = painter.end();
    });
    return ok && printer.printerState() != QPrinter::Error && QFileInfo(fileName).size() > 0;
}

bool ReportExporter::writePng(const QString &fileName) const
{
    QImageWriter writer(fileName, "png");
    writer.setQuality(100);
    if (writer.write(renderImage()))
        return true;
    qCDebug(lcReport) << "PNG export failed :" << writer.errorString();
    return false;
}
