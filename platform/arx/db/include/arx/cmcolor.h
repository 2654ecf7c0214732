// Colours of entities and layers: by layer, by block, an index of the standard palette, or
// a true colour.
#pragma once

#include "arx/errorstatus.h"

namespace AcCmEntityColor {
enum ColorMethod : Adesk::UInt8 { kByLayer = 0xC0, kByBlock = 0xC1, kByColor = 0xC2, kByACI = 0xC3, kNone = 0xC5 };
}

class AcCmColor
{
public:
    AcCmEntityColor::ColorMethod colorMethod() const { return m_method; }
    Acad::ErrorStatus setColorMethod(AcCmEntityColor::ColorMethod method);

    // 0 by block, 256 by layer, 1 to 255 a palette index; a true colour gives the nearest index.
    Adesk::UInt16 colorIndex() const;
    Acad::ErrorStatus setColorIndex(Adesk::UInt16 index);
    Acad::ErrorStatus setRGB(Adesk::UInt8 red, Adesk::UInt8 green, Adesk::UInt8 blue);

    // The components of the colour as shown: a true colour's own, an index colour's palette
    // entry, and white (palette entry 7) for by-layer, by-block and none.
    Adesk::UInt8 red() const { return static_cast<Adesk::UInt8>(rgb() >> 16); }
    Adesk::UInt8 green() const { return static_cast<Adesk::UInt8>(rgb() >> 8); }
    Adesk::UInt8 blue() const { return static_cast<Adesk::UInt8>(rgb()); }
    Adesk::UInt32 rgb() const;

    bool isByLayer() const { return m_method == AcCmEntityColor::kByLayer; }
    bool isByBlock() const { return m_method == AcCmEntityColor::kByBlock; }
    bool isByColor() const { return m_method == AcCmEntityColor::kByColor; }
    bool isByACI() const { return m_method == AcCmEntityColor::kByACI; }

    bool operator==(const AcCmColor& other) const;
    bool operator!=(const AcCmColor& other) const { return !(*this == other); }

    static Adesk::UInt32 paletteRGB(Adesk::UInt16 index);
    static Adesk::UInt8 lookUpACI(Adesk::UInt8 red, Adesk::UInt8 green, Adesk::UInt8 blue);

private:
    AcCmEntityColor::ColorMethod m_method = AcCmEntityColor::kByLayer;
    Adesk::UInt16 m_index = 256;
    Adesk::UInt32 m_rgb = 0;
};
