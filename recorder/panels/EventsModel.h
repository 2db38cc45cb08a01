#pragma once

#include "events/EventNames.h"
#include "events/EventRecord.h"

#include <QAbstractTableModel>
#include <QVector>

// The rows of the Events view: one event per row, in the order given
// (newest first), with names, values and notes in words.
class EventsModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    enum Column
    {
        TimeColumn,
        DeviceColumn,
        ChannelColumn,
        EventColumn,
        ValueColumn,
        LimitColumn,
        DetailColumn,
        ColumnCount
    };

    using QAbstractTableModel::QAbstractTableModel;

    void setEvents(const QVector<EventRecord> &events);
    void setNames(const EventNames &names);
    const QVector<EventRecord> &events() const { return m_events; }

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

private:
    QString text(const EventRecord &e, int column) const;

    QVector<EventRecord> m_events;
    EventNames m_names;
};
