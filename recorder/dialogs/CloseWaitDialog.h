#pragma once

#include <QDialog>
#include <QElapsedTimer>

#include <memory>

class QTimer;

namespace Ui {
class CloseWaitDialog;
}

// Shown while a project closes and its database, held by another program,
// still has to take the readings: how many wait and for how long, and the
// choice to give them up. The window stays live behind it.
class CloseWaitDialog : public QDialog
{
    Q_OBJECT
public:
    explicit CloseWaitDialog(QWidget *parent = nullptr);
    ~CloseWaitDialog() override;

    void setWaiting(int readings);
    // Escape must not drop readings; only the button gives them up.
    void reject() override {}

signals:
    void gaveUp();

private:
    void showElapsed();

    std::unique_ptr<Ui::CloseWaitDialog> ui;
    QElapsedTimer m_waited;
    QTimer *m_clock = nullptr;
};
