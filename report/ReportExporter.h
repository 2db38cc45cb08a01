#pragma once

#include <QDateTime>
#include <QImage>
#include <QRectF>
#include <QString>

class QPrinter;
class QWebPage;

// Renders the whole report page, whatever part of it the window shows, and
// writes it as a PDF (vector, one A4 page inside printable margins) or a PNG
// (bitmap, compressed without loss).
class ReportExporter
{
public:
    // Printers cannot print the sheet's edges; every side keeps this much.
    static constexpr qreal MarginMm = 12;

    explicit ReportExporter(QWebPage *page) : m_page(page) {}

    // "<project dir>/<project base name>_yyyyMMddhhmmss<extension>".
    static QString proposedName(const QString &projectFile, const QDateTime &now,
                                const QString &extension);
    // Appends the extension (".pdf") to a name that has no suffix.
    static QString withSuffix(const QString &fileName, const QString &extension);
    // The printer print and preview share: high resolution, A4, portrait,
    // full page.
    static void setUpPrinter(QPrinter &printer);

    // Where content goes on a sheet (same units): as large as fits inside the
    // margin on every side, with its own proportions, centred across and at
    // the top margin.
    static QRectF placeOnSheet(const QSizeF &sheet, const QSizeF &content, qreal margin);

    QImage renderImage() const;
    bool writePdf(const QString &fileName) const;
    bool writePng(const QString &fileName) const;

private:
    template <typename Paint> void atContentSize(Paint paint) const;

    QWebPage *m_page;
};
