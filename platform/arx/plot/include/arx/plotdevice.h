// The plot devices of this host, by their configuration names, taken in any letter case:
//   "DWG To PDF.pc3"        PDF;
//   "PublishToWeb PNG.pc3"  PNG;
//   "PublishToWeb JPG.pc3"  JPG;
//   "DWF6 ePlot.pc3"        known but refused: no writer of its format is available here.
#pragma once

#include <string>
#include <vector>

namespace qv {

class PlotDevice
{
public:
    // The configuration names of the devices plotted to, in the order they are listed.
    static const std::vector<std::string>& names();
    // The device's output format: "pdf", "png", "jpg", "dwf", or "" for a device this host
    // does not know.
    static std::string format(const std::string& name);
    // The configuration name (as names() spells it) of a device named in any case, by its
    // format or by a file extension ("pdf", ".PNG", "jpeg"); "" for none.
    static std::string find(const std::string& answer);
    // Why the device cannot be plotted to, a clause that begins with a word in small letters
    // ("unknown plot device ..."); "" when it can.
    static std::string refusal(const std::string& name);
};

} // namespace qv
