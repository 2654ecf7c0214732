// What the engine tells of a sheet it is about to plot. This host plots every sheet in one
// pass, so there is nothing to tell before the graphics are generated.
#pragma once

class AcPlPlotPageInfo
{
public:
    // Entities on the sheet, known only once it has been drawn.
    int entityCount() const { return 0; }
};
