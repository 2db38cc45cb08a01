#pragma once

#include <QObject>
#include <QPoint>

class QDialog;
class TopCustomFrame;

// The look the recorder's device dialogs share: dark gradient, grey title
// band, light grey text. The band moves the frameless window when dragged.
class DialogChrome : public QObject
{
    Q_OBJECT
public:
    // Styles dialog (selectors scoped to its object name) and lets band drag it.
    static void apply(QDialog *dialog, TopCustomFrame *band);
    static QString styleSheet(const QString &objectName);

private:
    DialogChrome(QDialog *dialog, TopCustomFrame *band);

    QPoint m_grabOffset;
};
