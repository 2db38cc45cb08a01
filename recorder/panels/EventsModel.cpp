#include "EventsModel.h"

#include "events/EventText.h"

#include <QBrush>
#include <QColor>

namespace {
// Alarms in the tiles' red, troubles in amber, recoveries in green; the rest
// in the panels' light grey.
QColor kindColour(const QString &kind)
{
    if (kind == EventKind::AlarmBegin || kind == EventKind::SizeStop)
        return QColor(255, 120, 120);
    if (kind == EventKind::CommLost || kind == EventKind::WriteFailed ||
        kind == EventKind::DiskWarning || kind == EventKind::SizeWarning ||
        kind == EventKind::ServerLost || kind == EventKind::NotifyFailed)
        return QColor(255, 200, 90);
    if (kind == EventKind::AlarmEnd || kind == EventKind::CommBack ||
        kind == EventKind::WriteRecovered || kind == EventKind::ServerBack ||
        kind == EventKind::RecordResume)
        return QColor(140, 220, 150);
    return QColor(230, 230, 230);
}
} // namespace

void EventsModel::setEvents(const QVector<EventRecord> &events)
{
    beginResetModel();
    m_events = events;
    endResetModel();
}

void EventsModel::setNames(const EventNames &names)
{
    beginResetModel();
    m_names = names;
    endResetModel();
}

int EventsModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_events.size();
}

int EventsModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QString EventsModel::text(const EventRecord &e, int column) const
{
    switch (column) {
    case TimeColumn:
        return EventText::time(e.time);
    case DeviceColumn:
        return m_names.device(e.serialNo);
    case ChannelColumn:
        return m_names.channel(e.serialNo, e.channel);
    case EventColumn:
        return EventText::title(e.kind);
    case ValueColumn:
        return EventText::value(e, m_names);
    case LimitColumn:
        return EventText::limit(e, m_names);
    case DetailColumn:
        return EventText::note(e);
    default:
        return QString();
    }
}

QVariant EventsModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_events.size())
        return QVariant();
    const EventRecord &e = m_events.at(index.row());
    switch (role) {
    case Qt::DisplayRole:
        return text(e, index.column());
    case Qt::ToolTipRole:
        return EventText::sentence(e, m_names);
    case Qt::ForegroundRole:
        return index.column() == EventColumn ? QBrush(kindColour(e.kind)) : QVariant();
    case Qt::TextAlignmentRole:
        if (index.column() == ValueColumn || index.column() == LimitColumn)
            return int(Qt::AlignRight | Qt::AlignVCenter);
        return int(Qt::AlignLeft | Qt::AlignVCenter);
    default:
        return QVariant();
    }
}

QVariant EventsModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QVariant();
    static const char *const titles[] = {"Time",  "Device", "Channel", "Event",
                                         "Value", "Limit",  "Detail"};
    if (section < 0 || section >= ColumnCount)
        return QVariant();
    return QString::fromLatin1(titles[section]);
}
