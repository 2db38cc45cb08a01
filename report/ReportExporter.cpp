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
        const QRectF target =
            placeOnSheet(printer.pageLayout().fullRectPixels(printer.resolution()).size(), content,
                         printer.resolution() * MarginMm / 25.4);
        painter.translate(target.topLeft());
        painter.scale(target.width() / content.width(), target.height() / content.height());
        frame->render(&painter);
        ok = painter.end();
    });
    return ok && printer.printerState() != QPrinter::Error && QFileInfo(fileName).size() > 0;
}

QRectF ReportExporter::placeOnSheet(const QSizeF &sheet, const QSizeF &content, qreal margin)
{
    const QSizeF room(sheet.width() - 2 * margin, sheet.height() - 2 * margin);
    if (content.isEmpty() || room.isEmpty())
        return QRectF();
    const qreal scale = std::min(room.width() / content.width(), room.height() / content.height());
    const QSizeF size = content * scale;
    return QRectF(QPointF((sheet.width() - size.width()) / 2, margin), size);
}

bool ReportExporter::writePng(const QString &fileName) const
{
    // Qt's PNG writer takes quality 100 for "no compression" (a 4 MB page);
    // its default compresses, and PNG never loses anything.
    QImageWriter writer(fileName, "png");
    if (writer.write(renderImage()))
        return true;
    qCDebug(lcReport) << "PNG export failed :" << writer.errorString();
    return false;
}
