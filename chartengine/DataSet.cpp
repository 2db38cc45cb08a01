#include "DataSet.h"

#include "Chart.h"
#include "ColorTable.h"
#include "Layer.h"

DataSet::DataSet(Layer *layer, const DoubleArray &data, int color, const QString &name)
    : m_layer(layer), m_data(data), m_color(color), m_name(name)
{
}

double DataSet::getValue(int i) const
{
    if (i < 0 || i >= m_data.len())
        return Chart::NoValue;
    return m_data[i];
}

double DataSet::getPosition(int i) const
{
    const double v = getValue(i);
    return Chart::isValid(v) ? v : Chart::NoValue;
}

QString DataSet::getLegendIcon() const
{
    const unsigned c = static_cast<unsigned>(m_layer->colorTable().plainCode(m_color));
    return QStringLiteral("<*img=@line,width=14,height=10,color=%1*>")
        .arg(c, (c >> 24) ? 8 : 6, 16, QLatin1Char('0'));
}

Axis *DataSet::getUseYAxis() const
{
    return m_layer->yAxis();
}
