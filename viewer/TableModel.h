#pragma once

#include "ViewerSeries.h"

#include <QAbstractTableModel>
#include <QStringList>

class QTableView;

// The viewer's table: one row per time point, the time in column 0 and one
// column per selected channel (two decimals, empty for NoValue), titled by
// line colour. It reads the shared series arrays directly.
class TableModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    explicit TableModel(QObject *parent = nullptr);

    // Attaches the arrays (reset of the model).
    void setSeries(const ViewerSeries &series);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

    static const QStringList &headers();
    // The widest text of a column as the table shows it: the time's fixed
    // width, or the value with the most characters (found at the channel's
    // extremes, where its sign and digits are), so that no cell is cut.
    QString widestText(int column) const;
    // Sizes the columns of a table showing this model to their widest texts
    // and titles; returns the table's width that shows them all beside its
    // vertical scroll bar.
    int fitColumns(QTableView *table) const;

private:
    ViewerSeries m_series;
    int m_rows = 0;
    int m_columns = 1;
};
