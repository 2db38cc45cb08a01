#pragma once

#include <QDialog>

class QGroupBox;
class QTextBrowser;
class QPushButton;

// The frameless message window through which the programs report errors
// and information.
class MessageDialog : public QDialog
{
    Q_OBJECT
public:
    static constexpr int AutoCloseMs = 5000;

    MessageDialog(const QString &title, const QString &text, QWidget *parent = nullptr);

    // Shows a dialog that deletes itself when closed, by the user or after
    // AutoCloseMs.
    static MessageDialog *showTransient(const QString &title, const QString &text,
                                        QWidget *parent = nullptr);

    QString title() const;
    QString text() const;

private:
    QGroupBox *m_groupBox;
    QTextBrowser *m_textBrowser;
    QPushButton *m_closeButton;
};
