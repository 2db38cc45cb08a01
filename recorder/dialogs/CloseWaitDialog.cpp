#include "CloseWaitDialog.h"

#include "ui_CloseWaitDialog.h"

#include "DialogChrome.h"

#include <QTimer>

CloseWaitDialog::CloseWaitDialog(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint),
      ui(std::make_unique<Ui::CloseWaitDialog>()), m_clock(new QTimer(this))
{
    ui->setupUi(this);
    DialogChrome::apply(this, ui->topFrame);
    m_waited.start();
    connect(m_clock, &QTimer::timeout, this, &CloseWaitDialog::showElapsed);
    m_clock->start(1000);
    connect(ui->pushButton_giveUp, &QPushButton::clicked, this, [this] {
        ui->pushButton_giveUp->setEnabled(false);
        emit gaveUp();
    });
}

CloseWaitDialog::~CloseWaitDialog() = default;

void CloseWaitDialog::setWaiting(int readings)
{
    ui->label_waiting->setText(
        QStringLiteral("Writing %1 readings to the database.").arg(readings));
}

void CloseWaitDialog::showElapsed()
{
    ui->label_elapsed->setText(QStringLiteral("Waiting for %1 s").arg(m_waited.elapsed() / 1000));
}
