// The predefined hatch patterns: every name a hatch may take with the predefined pattern
// type, each a list of line families. The hatch entity builds its pattern lines from them,
// counts those lines when it is evaluated, and the plot engine draws them.
#pragma once

#include "arx/errorstatus.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class AcDbHatchPatterns
{
public:
    // One family of parallel lines at scale 1 and angle 0, in millimetres: the lines' angle
    // in degrees, a point of one line, the offset from one line to the next (along the line
    // and across it) and the dash pattern (dashes positive, gaps negative, dots zero; none
    // for a continuous line).
    struct Family {
        double angle = 0;
        double baseX = 0, baseY = 0;
        double offsetX = 0, offsetY = 0;
        std::vector<double> dashes;
    };

    // The families of a pattern by its name in any letter case; null for a name that is not
    // predefined. "SOLID" has none.
    static const std::vector<Family>* find(std::string_view name);
    // Every predefined name, upper-case, sorted.
    static std::vector<std::string> names();

    // The most pattern lines a hatch may have, a host setting shared by every drawing
    // (HPMAXLINES): 100,000 unless changed. Values from 100 to 10,000,000 are taken, others
    // refused with eInvalidInput.
    static std::int32_t maxLines();
    static Acad::ErrorStatus setMaxLines(std::int32_t value);
};
