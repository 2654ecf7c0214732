// Reads a multiline text's contents from arbitrary bytes and lays them out. The first byte
// picks the frame: its width (none, narrow or wide), attachment and columns. Advances are
// the characters' count in the font's width, so that the layout alone is exercised.
#include "mtextcontent.h"
#include "mtextlayout.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

namespace {

[[noreturn]] void fail(const char* what)
{
    std::fprintf(stderr, "%s\n", what);
    std::abort();
}

double advance(std::string_view utf8, const qv::PlotFont& font)
{
    double characters = 0;
    for (const char c : utf8)
        characters += (static_cast<unsigned char>(c) & 0xC0) != 0x80 ? 1 : 0;
    return characters * (font.bold ? 0.7 : 0.6);
}

qv::MTextGeometry geometryOf(std::uint8_t choice)
{
    qv::MTextGeometry g;
    g.height = 2.5;
    g.width = (choice & 3) == 0 ? 0 : (choice & 3) == 1 ? 10 : 200;
    g.attachment = 1 + (choice >> 2) % 9;
    g.lineSpacing = choice & 0x80 ? 2 : 1;
    g.exactSpacing = choice & 0x40;
    if (choice & 0x20) {
        g.columns.type = choice & 0x10 ? AcDbMText::kDynamicColumns : AcDbMText::kStaticColumns;
        g.columns.count = 3;
        g.columns.width = 40;
        g.columns.gutter = 5;
        g.columns.height = 20;
    }
    return g;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    qv::MTextFormat base;
    base.height = 2.5;
    base.font.name = "txt";
    const qv::MTextContent content(std::string_view(reinterpret_cast<const char*>(data) + 1, size - 1), base);
    const qv::MTextLayout layout(content, geometryOf(data[0]), advance);
    for (const qv::MTextLayout::Piece& piece : layout.pieces())
        if (std::isnan(piece.x) || std::isnan(piece.y))
            fail("a piece stands nowhere");
    return 0;
}
