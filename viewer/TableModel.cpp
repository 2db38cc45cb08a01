#include "TableModel.h"

#include "core/NoValue.h"

#include <QHeaderView>
#include <QScrollBar>
#include <QTableView>

#include <algorithm>

TableModel::TableModel(QObject *parent) : QAbstractTableModel(parent) {}

const QStringList &TableModel::headers()
{
    static const QStringList h{QStringLiteral("DATE TIME"), QStringLiteral("RED"),
                               QStringLiteral("GREEN"), QStringLiteral("BLUE"),
                               QStringLiteral("YELLOW")};
    return h;
}

void TableModel::setSeries(const ViewerSeries &series)
{
    beginResetModel();
    m_series = series;
    m_rows = series.rowCount();
    m_columns = series.values.size() + 1;
    endResetModel();
}

int TableModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_rows;
}

int TableModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_columns;
}

QVariant TableModel::data(const QModelIndex &index, int role) const
{
    if (role != Qt::DisplayRole || index.row() < 0 || index.column() < 0 || index.row() >= m_rows ||
        index.column() >= m_columns)
        return QVariant();
    if (index.column() == 0)
        return m_series.localText(index.row());
    const double v = m_series.values.at(index.column() - 1).at(index.row());
    if (v == NoValue)
        return QVariant();
    return QString::number(v, 'f', 2);
}

QVariant TableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return QVariant();
    if (orientation == Qt::Horizontal)
        return headers().value(section);
    return section + 1;
}

QString TableModel::widestText(int column) const
{
    if (column <= 0 || column >= m_columns)
        return column == 0 ? QStringLiteral("0000-00-00 00:00:00") : QString();
    const QVector<double> &values = m_series.values.at(column - 1);
    double low = NoValue;
    double high = -NoValue;
    for (double v : values) {
        if (v == NoValue)
            continue;
        low = std::min(low, v);
        high = std::max(high, v);
    }
    if (low == NoValue)
        return QString();
    const QString a = QString::number(low, 'f', 2);
    const QString b = QString::number(high, 'f', 2);
    return a.size() >= b.size() ? a : b;
}

int TableModel::fitColumns(QTableView *table) const
{
    QHeaderView *header = table->horizontalHeader();
    // The item views' text margins, and a little air.
    const int margin =
        2 * (table->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, table) + 1) + 6;
    int width = 2 * table->frameWidth() + table->verticalScrollBar()->sizeHint().width();
    for (int column = 0; column < m_columns; ++column) {
        const int text = table->fontMetrics().horizontalAdvance(widestText(column));
        header->resizeSection(column, std::max(header->sectionSizeHint(column), text + margin));
        width += header->sectionSize(column);
    }
    return width;
}
