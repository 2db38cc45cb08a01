#include "AboutBox.h"

#include <QMessageBox>

namespace {
const char *const DownloadUrl = "https://www.moravin.example/download";

// The box's own look: the platform box on the suite's dark gradient.
const char *const BoxStyle =
    "QMessageBox { background-color: qlineargradient(spread:pad, x1:0.372222, y1:0.46, x2:1, "
    "y2:1, stop:0 rgba(49, 49, 49, 255), stop:1 rgba(73, 73, 73, 255)); }"
    "QMessageBox QLabel { color: rgb(192, 192, 192); background: transparent; }"
    "QPushButton { background-color: rgb(90, 90, 90); color: rgb(225, 225, 225); "
    "border: 1px solid rgb(125, 125, 125); border-radius: 3px; padding: 5px 22px; "
    "min-width: 70px; font-weight: bold; }"
    "QPushButton:hover { background-color: rgb(112, 112, 112); }";
} // namespace

QString AboutBox::title()
{
    return QStringLiteral("About Moravin Lite");
}

QString AboutBox::text()
{
    return QStringLiteral(
               "<p><span style=\"font-size:20pt; font-weight:bold;\">Moravin</span>"
               "<span style=\"font-size:20pt;\">&reg; Lite</span></p>"
               "<p>V3.35</p>"
               "<p>Download the latest version: "
               "<a style=\"color:#7fd6c8;\" href=\"%1\">%1</a></p>"
               "<p>Moravin Lite records the readings of Kelvantis USB and LAN sensor devices. "
               "It comes with Trendora, a viewer for the recorded data, and Pagewright, "
               "a program for daily reports.</p>"
               "<p></p>"
               "<p>Made by the Moravin team.</p>"
               "<p style=\"margin-right:100px;\">"
               "<img src=\":/img/moravin_lite.png\" width=\"720\" height=\"326\"></p>")
        .arg(QLatin1String(DownloadUrl));
}

QMessageBox *AboutBox::create(QWidget *parent)
{
    auto *box = new QMessageBox(parent);
    // Styled before its button exists: a button made earlier keeps the look
    // of a styled parent window.
    box->setStyleSheet(QLatin1String(BoxStyle));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowTitle(title());
    box->setTextFormat(Qt::RichText);
    box->setText(text());
    box->setStandardButtons(QMessageBox::Ok);
    // No icon beside the text: the 720 pixel picture needs the whole width a
    // message box may take on a 1280 pixel screen. Links open in the browser.
    box->setTextInteractionFlags(Qt::TextBrowserInteraction);
    return box;
}

void AboutBox::exec(QWidget *parent)
{
    create(parent)->exec();
}
