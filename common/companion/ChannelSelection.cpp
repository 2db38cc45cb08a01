#include "ChannelSelection.h"

#include <QListWidget>

ChannelSelection::ChannelSelection(QListWidget *list)
    : QObject(list), m_list(list), m_checkIcon(QStringLiteral(":/img/check.png")),
      m_noCheckIcon(QStringLiteral(":/img/nocheck.png"))
{
}

QListWidgetItem *ChannelSelection::addItem(const QString &text, const QString &key)
{
    auto *item = new QListWidgetItem(m_noCheckIcon, text);
    item->setData(Qt::ToolTipRole, key);
    item->setData(Qt::UserRole, m_records++);
    m_list->addItem(item);
    return item;
}

QListWidgetItem *ChannelSelection::addHeading(const QString &text)
{
    auto *item = new QListWidgetItem(text);
    QFont font = item->font();
    font.setBold(true);
    item->setFont(font);
    item->setFlags(Qt::ItemIsEnabled);
    m_list->addItem(item);
    return item;
}

void ChannelSelection::toggle(QListWidgetItem *item)
{
    if (!item || item->listWidget() != m_list || !item->data(Qt::UserRole).isValid())
        return;
    if (m_selected.contains(item)) {
        m_selected.removeAll(item);
        item->setIcon(m_noCheckIcon);
    } else if (m_selected.size() < MaxChannels) {
        m_selected.append(item);
        item->setIcon(m_checkIcon);
    }
    emit changed(!m_selected.isEmpty());
}

QList<int> ChannelSelection::selectedIndexes() const
{
    QList<int> indexes;
    for (const QListWidgetItem *item : m_selected)
        indexes.append(item->data(Qt::UserRole).toInt());
    return indexes;
}
