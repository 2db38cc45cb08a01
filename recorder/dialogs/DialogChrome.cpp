#include "DialogChrome.h"

#include "widgets/TopCustomFrame.h"

#include <QDialog>

namespace {
// %1 is the dialog's object name, so that message windows opened over a
// dialog keep their own look.
const char *const SheetTemplate = R"(
#%1 {
    background-color: qlineargradient(spread:pad, x1:0.372222, y1:0.46, x2:1, y2:1,
        stop:0 rgba(49, 49, 49, 255), stop:1 rgba(73, 73, 73, 255));
}
#%1 QWidget { color: rgb(192, 192, 192); font-family: "Segoe UI"; }
#%1 #topFrame {
    background-color: qlineargradient(spread:pad, x1:0, y1:0, x2:1, y2:0,
        stop:0 rgba(155, 155, 155, 255), stop:1 rgba(184, 184, 184, 255));
}
#%1 #topFrame QLabel { background: transparent; color: rgb(70, 70, 70); font-weight: bold; }
#%1 #topFrame QPushButton {
    background: transparent; border: none; color: rgb(70, 70, 70);
    font-size: 12pt; padding: 0px 6px;
}
#%1 #topFrame QPushButton:hover { background-color: rgba(255, 255, 255, 90); }
#%1 QGroupBox {
    border: 1px solid rgb(96, 96, 96); border-radius: 3px;
    margin-top: 16px; padding-top: 6px; font-weight: bold; color: rgb(215, 215, 215);
}
#%1 QGroupBox::title { subcontrol-origin: margin; left: 10px; padding: 0px 4px; }
#%1 QLabel { background: transparent; }
#%1 QLabel[role="caption"] { color: rgb(150, 150, 150); font-size: 8pt; min-width: 96px; }
#%1 QLabel[role="value"] { color: rgb(235, 235, 235); font-weight: bold; }
#%1 QLabel[role="note"] { color: rgb(150, 150, 150); font-style: italic; }
#%1 QLineEdit, #%1 QComboBox, #%1 QAbstractSpinBox {
    background-color: rgb(36, 36, 36); color: rgb(230, 230, 230);
    border: 1px solid rgb(104, 104, 104); border-radius: 2px; padding: 2px 4px;
    min-height: 20px; selection-background-color: rgb(130, 130, 130);
}
#%1 QLineEdit:focus, #%1 QComboBox:focus, #%1 QAbstractSpinBox:focus {
    border: 1px solid rgb(170, 170, 170);
}
#%1 QLineEdit:disabled, #%1 QComboBox:disabled, #%1 QAbstractSpinBox:disabled {
    background-color: rgb(58, 58, 58); color: rgb(125, 125, 125); border-color: rgb(80, 80, 80);
}
#%1 QComboBox QAbstractItemView {
    background-color: rgb(44, 44, 44); color: rgb(225, 225, 225);
    selection-background-color: rgb(120, 120, 120); border: 1px solid rgb(104, 104, 104);
}
#%1 QPushButton {
    background-color: qlineargradient(spread:pad, x1:0, y1:0, x2:0, y2:1,
        stop:0 rgb(104, 104, 104), stop:1 rgb(78, 78, 78));
    color: rgb(225, 225, 225); border: 1px solid rgb(125, 125, 125);
    border-radius: 3px; padding: 5px 22px; font-weight: bold;
}
#%1 QPushButton:hover { background-color: rgb(112, 112, 112); }
#%1 QPushButton:pressed { background-color: rgb(70, 70, 70); }
#%1 QPushButton:disabled { color: rgb(150, 150, 150); background-color: rgb(66, 66, 66); }
)";
} // namespace

DialogChrome::DialogChrome(QDialog *dialog, TopCustomFrame *band) : QObject(dialog)
{
    connect(band, &TopCustomFrame::customClick, this,
            [this, dialog](QPoint globalPos) { m_grabOffset = globalPos - dialog->pos(); });
    connect(band, &TopCustomFrame::customMove, this,
            [this, dialog](QPoint globalPos) { dialog->move(globalPos - m_grabOffset); });
}

void DialogChrome::apply(QDialog *dialog, TopCustomFrame *band)
{
    dialog->setStyleSheet(styleSheet(dialog->objectName()));
    new DialogChrome(dialog, band);
}

QString DialogChrome::styleSheet(const QString &objectName)
{
    return QString::fromLatin1(SheetTemplate).arg(objectName);
}
