#pragma once

#include <QString>

class QMenu;
class QWidget;

// The drop-down menus of the three programs' title bands: light grey, bold,
// popped up 5 pixels in from the left edge of the button that opens them,
// just below it.
class MenuPopup
{
public:
    static constexpr int Indent = 5;

    static QMenu *create(const QString &title, QWidget *parent);
    static void popUnder(QMenu *menu, const QWidget *button);
};
