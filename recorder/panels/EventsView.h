#pragma once

#include "core/DeviceSettings.h"
#include "events/EventRecord.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <QVector>
#include <QWidget>

#include <memory>

class EventsModel;

namespace Ui {
class EventsView;
}

// The project's event log in the project panel: newest first, in local
// time, all devices or one. It reads the log off the GUI thread and again
// every few seconds while it is shown.
class EventsView : public QWidget
{
    Q_OBJECT
public:
    // The newest this many are shown; older ones stay in the file.
    static constexpr int RowLimit = 5000;
    static constexpr int RefreshMs = 5000;

    explicit EventsView(QWidget *parent = nullptr);
    ~EventsView() override;

    void setDatabasePath(const QString &path);
    // The project's devices, for names, units and the device filter.
    void setDevices(const QList<DeviceSettings> &devices);
    // A serial number, or empty for all devices.
    QString deviceFilter() const;
    void setDeviceFilter(const QString &serialNo);
    EventsModel *model() const { return m_model; }

public slots:
    void refresh();

signals:
    // A read has been shown: its rows, or why the log could not be read.
    void refreshed(int rows, const QString &errorText);

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private slots:
    void slotLoaded(int generation, const QVector<EventRecord> &events, const QStringList &serials,
                    const QString &errorText);
    void slotFilterChanged();
    void slotTimer();

private:
    void start();
    bool fillFilter();
    void fitColumns();

    std::unique_ptr<Ui::EventsView> ui;
    EventsModel *m_model = nullptr;
    QTimer m_timer;
    QString m_path;
    QList<DeviceSettings> m_devices;
    QStringList m_logSerials;
    int m_generation = 0;
    bool m_loading = false;
    bool m_again = false;
};
