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

    void reduce(double scale, double offset, int minCol, int maxCol) override;

private:
    bool m_fast = false;
};
