#pragma once

#include "Chart.h"

#include <QString>

#include <memory>

class DrawArea;
class MarkupText;

// A mark-up text measured for a draw area; draw() places it with one of the
// nine alignment codes around the anchor point.
class TTFText
{
public:
    TTFText(DrawArea *area, const QString &text, const QString &font, double fontSize);
    ~TTFText();
    TTFText(const TTFText &) = delete;
    TTFText &operator=(const TTFText &) = delete;

    int getWidth() const;
    int getHeight() const;
    void draw(int x, int y, int color, int alignment = Chart::TopLeft);
    // Releases the text; the draw area would otherwise keep it until cleared.
    void destroy();

    // Top-left corner of a box of the given size anchored at (x, y).
    static void alignedOrigin(int alignment, double x, double y, double w, double h, double &left,
                              double &top);

private:
    DrawArea *m_area;
    std::shared_ptr<const MarkupText> m_layout;
};
