#pragma once

#include "Layer.h"

// A layer drawn as lines joining the points of each data set, broken at
// missing values.
class LineLayer : public Layer
{
public:
    LineLayer(ChartCore *core, int dataCombineMethod, int depth);

    // Draws only what each pixel column can show; meant for large data.
    void setFastLineMode(bool fast = true);
    bool fastLineMode() const { return m_fast; }
    // Breaks the lines before each of these point indices (ascending): point
    // i-1 is not joined to point i, as if a missing value lay between them.
    void setLineBreaks(const QVector<int> &beforeIndices);

    void reduce(double scale, double offset, int minCol, int maxCol) override;

private:
    bool m_fast = false;
    QVector<int> m_breaks;
};
