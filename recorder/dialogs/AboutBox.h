#pragma once

#include <QString>

class QMessageBox;
class QWidget;

// The recorder's about box behind the "Help" button.
class AboutBox
{
public:
    static QString title();
    static QString text();
    // A standard about message box over parent, not yet shown; it deletes
    // itself when closed.
    static QMessageBox *create(QWidget *parent);
    // Shows the box and waits until the user closes it.
    static void exec(QWidget *parent);
};
