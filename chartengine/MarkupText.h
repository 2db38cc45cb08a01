#pragma once

#include <QColor>
#include <QFont>
#include <QString>

#include <memory>
#include <vector>

class QPainter;

// A text in the engine's mark-up, parsed and measured once, then painted any
// number of times. Tags: "<*block[,halign=left]*>" opens an inline block,
// "<*br*>" breaks the line, "<*font=FILE,size=N,color=RRGGBB,bgColor=RRGGBB*>"
// opens a styled section, "<*/font*>" or "<*font*>" ends the innermost section,
// "<*/*>" closes the innermost block or section, "<*img=@line|@square|@circle,
// width=N,height=N,color=RRGGBB*>" draws a small key shape.
class MarkupText
{
public:
    // Text without a colour of its own is painted in the colour given to paint().
    MarkupText(const QString &text, const QString &fontFile, double fontSize);
    ~MarkupText();
    MarkupText(const MarkupText &) = delete;
    MarkupText &operator=(const MarkupText &) = delete;

    double widthF() const;
    double heightF() const;
    int width() const;
    int height() const;
    // Text that shows exactly as given inside mark-up, such as a channel name
    // typed by a user: a zero-width space splits every "<*" so no tag starts.
    static QString plain(const QString &text);

    // Lines of the outermost level.
    int lineCount() const;
    // The text without tags: blocks inline, line breaks as '\n'.
    QString plainText() const;
    void paint(QPainter &p, double x, double y, const QColor &color) const;

    struct Block;

private:
    std::unique_ptr<Block> m_root;
};
