#pragma once

#include <QIcon>
#include <QList>
#include <QObject>

class QListWidget;
class QListWidgetItem;

// The channel list of a companion window: one item per channel, at most
// MaxChannels checked in the order of clicking. Each item stands for the
// window's record with the same number (Qt::UserRole), so the selection is
// handed out as those records, never as texts read back from the items.
class ChannelSelection : public QObject
{
    Q_OBJECT
public:
    static constexpr int MaxChannels = 4;

    explicit ChannelSelection(QListWidget *list);

    // Appends an item for the next record: unchecked icon, text, and key in
    // the tool-tip role.
    QListWidgetItem *addItem(const QString &text, const QString &key);
    // A line that names the group of the items below it (a site's project);
    // it stands for no record and cannot be selected.
    QListWidgetItem *addHeading(const QString &text);
    // A click: an item already selected is deselected; another one is
    // selected unless MaxChannels are; changed() follows either way.
    void toggle(QListWidgetItem *item);

    const QList<QListWidgetItem *> &selectedItems() const { return m_selected; }
    bool isEmpty() const { return m_selected.isEmpty(); }
    // The records of the selected items, in the order of selection.
    template <typename Record> QList<Record> pick(const QList<Record> &records) const
    {
        QList<Record> picked;
        for (int index : selectedIndexes())
            picked.append(records.at(index));
        return picked;
    }
    QList<int> selectedIndexes() const;

signals:
    void changed(bool anySelected);

private:
    QListWidget *m_list;
    QIcon m_checkIcon;
    QIcon m_noCheckIcon;
    QList<QListWidgetItem *> m_selected;
    int m_records = 0;
};
