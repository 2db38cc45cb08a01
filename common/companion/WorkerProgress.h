#pragma once

#include <QObject>
#include <QPointer>
#include <QProgressDialog>
#include <QThread>

class QWidget;

// The hand-over from a companion window to one of its worker threads: the
// progress dialog over the window while the worker runs, and the worker's
// start. The dialog is frameless and dark, has no cancel button and stays
// until close(); the worker runs at low priority and deletes itself when
// its thread finishes.
class WorkerProgress : public QObject
{
    Q_OBJECT
public:
    explicit WorkerProgress(QWidget *window);

    // Replaces any open dialog with a new one; maximum 0 shows a busy bar.
    void open(const QString &label, int maximum = 0);
    void close();
    QProgressDialog *dialog() const { return m_dialog; }

    // Progress goes to the dialog, if one is open.
    template <typename Worker> void start(Worker *worker)
    {
        connect(worker, &Worker::progPlus, this, &WorkerProgress::setValue);
        connect(worker, &QThread::finished, worker, &QObject::deleteLater);
        worker->start(QThread::LowPriority);
    }

public slots:
    void setLabel(const QString &label);
    void setValue(int value);
    // The stages that the workers announce.
    void showHashTables();
    void showTimeSeries();
    // The count of what is left to do: the bar runs from 0 to it.
    void showCount(int count);

private:
    QWidget *m_window;
    QPointer<QProgressDialog> m_dialog;
};
