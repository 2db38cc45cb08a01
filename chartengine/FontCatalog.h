#pragma once

#include <QFont>
#include <QString>

// GUI thread only, like all chart drawing.
// Maps the font file names used by chart code ("arial.ttf", "arialbd.ttf",
// "timesbi.ttf", "segoeui.ttf") to installed fonts of the same kind.
class FontCatalog
{
public:
    // sizePoints is converted at 96 dpi, as the charts are laid out in pixels.
    static QFont font(const QString &fontFile, double sizePoints);
    // "bold" and "italic" modify the current file; anything else replaces it.
    static QString applyFontName(const QString &currentFile, const QString &name);
    static bool isBold(const QString &fontFile);
    static bool isItalic(const QString &fontFile);
    static QString family(const QString &fontFile);
};
