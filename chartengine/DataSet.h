#pragma once

#include "DoubleArray.h"

#include <QString>

class Axis;
class Layer;

// One named, coloured series of a layer.
class DataSet
{
public:
    DataSet(Layer *layer, const DoubleArray &data, int color, const QString &name);
    DataSet(const DataSet &) = delete;
    DataSet &operator=(const DataSet &) = delete;

    // Chart::NoValue for an index outside the data.
    double getValue(int i) const;
    // The y position the value is drawn at (the value itself on a line layer).
    double getPosition(int i) const;
    int getDataColor() const { return m_color; }
    QString getDataName() const { return m_name; }
    // Mark-up of a small key in the data set colour, for legend texts.
    QString getLegendIcon() const;
    Axis *getUseYAxis() const;
    int count() const { return m_data.len(); }
    const DoubleArray &data() const { return m_data; }

private:
    Layer *m_layer;
    DoubleArray m_data;
    int m_color;
    QString m_name;
};
