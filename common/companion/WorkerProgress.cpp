#include "WorkerProgress.h"

#include <QWidget>

WorkerProgress::WorkerProgress(QWidget *window) : QObject(window), m_window(window) {}

void WorkerProgress::open(const QString &label, int maximum)
{
    close();
    m_dialog = new QProgressDialog(m_window, Qt::Dialog | Qt::FramelessWindowHint);
    m_dialog->setObjectName(QStringLiteral("progressDialog"));
    m_dialog->setCancelButton(nullptr);
    m_dialog->setStyleSheet(
        QStringLiteral("background-color:rgb(55,55,55);color:rgb(230,230,230);"));
    m_dialog->setAutoClose(false);
    m_dialog->setAutoReset(false);
    m_dialog->setMinimumDuration(0);
    m_dialog->setRange(0, maximum);
    m_dialog->setLabelText(label);
    m_dialog->setMinimumWidth(320);
    m_dialog->show();
}

void WorkerProgress::close()
{
    if (m_dialog) {
        m_dialog->close();
        delete m_dialog.data();
    }
}

void WorkerProgress::setLabel(const QString &label)
{
    if (m_dialog)
        m_dialog->setLabelText(label);
}

void WorkerProgress::setValue(int value)
{
    if (m_dialog)
        m_dialog->setValue(value);
}

void WorkerProgress::showHashTables()
{
    setLabel(QStringLiteral("Creating Hash Tables..."));
}

void WorkerProgress::showTimeSeries()
{
    setLabel(QStringLiteral("Calculating Time Series..."));
}

void WorkerProgress::showCount(int count)
{
    setLabel(QStringLiteral("Creating Chart..."));
    if (m_dialog)
        m_dialog->setRange(0, count);
}
