// The font a text asks for: a text style's font file ("arial.ttf", "romans.shx") or the
// family a multiline text's \f code names ("Arial"), with its weight and slant. The canvas
// maps it to an installed font; the empty name is the canvas's own.
#pragma once

#include <string>

namespace qv {

struct PlotFont {
    std::string name;
    bool bold = false;
    bool italic = false;
    bool operator==(const PlotFont&) const = default;
};

} // namespace qv
