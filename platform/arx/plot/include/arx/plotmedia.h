// The media (paper sizes) of this host's plot devices, by their canonical names:
// "<group>_(<width>_x_<height>_<MM|Inches>)" of the groups ISO, ANSI and ARCH, the standard
// sheets listed below and any other size so named ("ISO_full_bleed_2500_(2500.00_x_2500.00_MM)").
#pragma once

#include <string>
#include <vector>

namespace qv {

class PlotMedia
{
public:
    struct Sheet
    {
        const char* name;        // canonical
        const char* shortName;   // "A3", "ANSI B", "Letter"; "" for a sheet turned upright
    };

    // The standard sheets, each landscape then upright: ISO A0 to A4, ANSI A to E, ARCH A
    // to E and Legal.
    static const std::vector<Sheet>& sheets();
    // The paper size of a canonical name in millimetres (width, height as the name gives
    // them); false for a name that is not one of the host's media.
    static bool size(const std::string& name, double& widthMm, double& heightMm);
    // The canonical name a name stands for: a canonical name (the standard sheets' in any
    // case), a standard sheet's short name in any case (landscape), "WxH" in millimetres
    // ("297x420"), or another program's name of a standard sheet's size
    // ("A3_(420.00_x_297.00_MM)"); "" for none.
    static std::string find(const std::string& name);
};

} // namespace qv
