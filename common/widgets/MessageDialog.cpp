#include "MessageDialog.h"

#include <QFrame>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTextBrowser>
#include <QTimer>
#include <QVBoxLayout>

MessageDialog::MessageDialog(const QString &title, const QString &text, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint)
{
    setModal(true);
    resize(400, 300);
    setWindowTitle(QStringLiteral("Moravin Lite"));
    setWindowIcon(QIcon(QStringLiteral(":/img/I_2.png")));
    setStyleSheet(QStringLiteral(
        "color: rgb(192, 192, 192);background-color: qlineargradient(spread:pad, x1:0.372222, "
        "y1:0.46, x2:1, y2:1, stop:0 rgba(49, 49, 49, 255), stop:1 rgba(73, 73, 73, 255));"));

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 8);

    auto *topFrame = new QFrame(this);
    topFrame->setObjectName(QStringLiteral("topFrame"));
    topFrame->setFixedHeight(30);
    topFrame->setStyleSheet(QStringLiteral(
        "#topFrame { background-color: qlineargradient(spread:pad, x1:0, y1:0, x2:1, y2:0, "
        "stop:0 rgba(155, 155, 155, 255), stop:1 rgba(184, 184, 184, 255)); }"));
    auto *topLayout = new QHBoxLayout(topFrame);
    topLayout->setContentsMargins(6, 2, 6, 2);
    auto *labelTop = new QLabel(topFrame);
    labelTop->setObjectName(QStringLiteral("label_top"));
    labelTop->setMinimumWidth(120);
    labelTop->setStyleSheet(QStringLiteral("background: transparent;"));
    labelTop->setPixmap(QPixmap(QStringLiteral(":/img/MoravinLogoLite.png")));
    topLayout->addWidget(labelTop);
    topLayout->addStretch();
    layout->addWidget(topFrame);

    m_groupBox = new QGroupBox(QStringLiteral("MESSAGE"), this);
    m_groupBox->setObjectName(QStringLiteral("groupBox_message"));
    m_groupBox->setStyleSheet(QStringLiteral("background: transparent;"));
    auto *groupLayout = new QVBoxLayout(m_groupBox);
    m_textBrowser = new QTextBrowser(m_groupBox);
    m_textBrowser->setObjectName(QStringLiteral("textBrowser"));
    m_textBrowser->setReadOnly(true);
    QFont font(QStringLiteral("Segoe UI"), 9);
    font.setWeight(QFont::Bold);
    m_textBrowser->setFont(font);
    groupLayout->addWidget(m_textBrowser);
    auto *body = new QVBoxLayout;
    body->setContentsMargins(10, 6, 10, 0);
    body->addWidget(m_groupBox);
    layout->addLayout(body, 1);

    auto *buttonFrame = new QFrame(this);
    buttonFrame->setObjectName(QStringLiteral("frame_button"));
    buttonFrame->setStyleSheet(QStringLiteral("background: transparent;"));
    auto *buttonLayout = new QHBoxLayout(buttonFrame);
    buttonLayout->addStretch();
    m_closeButton = new QPushButton(QStringLiteral("CLOSE"), buttonFrame);
    m_closeButton->setObjectName(QStringLiteral("pushButton_close"));
    m_closeButton->setMinimumSize(90, 26);
    m_closeButton->setStyleSheet(QStringLiteral(
        "QPushButton { background-color: rgb(90, 90, 90); border: 1px solid rgb(120, 120, 120); "
        "border-radius: 3px; padding: 2px 14px; }"
        "QPushButton:hover { background-color: rgb(110, 110, 110); }"));
    buttonLayout->addWidget(m_closeButton);
    layout->addWidget(buttonFrame);

    m_groupBox->setTitle(title);
    m_textBrowser->setText(text);
    connect(m_closeButton, &QPushButton::clicked, this, &QDialog::close);
}

MessageDialog *MessageDialog::showTransient(const QString &title, const QString &text,
                                            QWidget *parent)
{
    auto *dialog = new MessageDialog(title, text, parent);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    QTimer::singleShot(AutoCloseMs, dialog, &QDialog::close);
    dialog->show();
    return dialog;
}

QString MessageDialog::title() const
{
    return m_groupBox->title();
}

QString MessageDialog::text() const
{
    return m_textBrowser->toPlainText();
}
