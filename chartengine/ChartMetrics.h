#pragma once

// What a viewer needs to know about a rendered chart to map mouse positions.
struct ChartMetrics
{
    bool valid = false;
    int width = 0;
    int height = 0;
    int plotLeft = 0;
    int plotTop = 0;
    int plotWidth = 0;
    int plotHeight = 0;
};
