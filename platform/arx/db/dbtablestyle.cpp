#include "arx/dbtablestyle.h"

#include "dbobjectimpl.h"

ACRX_DEFINE_MEMBERS(AcDbTableStyle, AcDbObject, "TABLESTYLE")

using qv::dxf::Field;
using qv::dxf::FieldContext;
using qv::dxf::FieldTable;
using qv::dxf::Pair;
using qv::dxf::Writer;

namespace {

constexpr AcDb::RowType kRowTypes[] = {AcDb::kDataRow, AcDb::kHeaderRow, AcDb::kTitleRow};

} // namespace

AcDbTableStyle::AcDbTableStyle()
{
    // Titles are larger than the rest, and titles and headers are centred.
    m_cells[1].alignment = m_cells[2].alignment = AcDb::kMiddleCenter;
    m_cells[2].textHeight = 0.25;
}

const AcDbTableStyle::CellStyle& AcDbTableStyle::cellStyle(AcDb::RowType rowType) const
{
    return m_cells[rowType == AcDb::kTitleRow ? 2 : rowType == AcDb::kHeaderRow ? 1 : 0];
}

Acad::ErrorStatus AcDbTableStyle::setDescription(const char* text)
{
    QV_CHECKED_SETTER(text, m_description = text)
}

Acad::ErrorStatus AcDbTableStyle::setFlowDirection(AcDb::TableFlowDirection flow)
{
    QV_CHECKED_SETTER(flow == AcDb::kTtoB || flow == AcDb::kBtoT, m_flow = flow)
}

Acad::ErrorStatus AcDbTableStyle::setMargin(double margin)
{
    QV_CHECKED_SETTER(qv::allFinite(margin) && margin >= 0, m_horizontalMargin = m_verticalMargin = margin)
}

Acad::ErrorStatus AcDbTableStyle::setTextHeight(double height, int rowTypes)
{
    QV_CHECKED_SETTER(qv::allFinite(height) && height > 0, for (int i = 0; i < 3; ++i) if (rowTypes & kRowTypes[i])
                                                                m_cells[i].textHeight = height)
}

Acad::ErrorStatus AcDbTableStyle::setAlignment(AcDb::CellAlignment alignment, int rowTypes)
{
    QV_CHECKED_SETTER(alignment >= AcDb::kTopLeft && alignment <= AcDb::kBottomRight,
                      for (int i = 0; i < 3; ++i) if (rowTypes & kRowTypes[i]) m_cells[i].alignment = alignment)
}

// The AcDbTableStyle section: version (280), description (3), flow direction (70), flags
// (71), margins (40, 41), whether title and header rows are suppressed (280, 281), then
// for data, header and title cells, each opened by its text style (7): text height (140),
// alignment (170), text and fill colours (62, 63), fill on (283), data and unit types
// (90, 91), border line weights (274 to 279), visibility (284 to 289) and colours (64 to 69).
size_t AcDbTableStyle::readStyle(AcRxObject& object, std::span<const Pair> pairs, FieldContext& context)
{
    auto& s = static_cast<AcDbTableStyle&>(object);
    int cell = -1;
    bool versionRead = false;
    for (const Pair& p : pairs) {
        if (p.code == 7) {
            if (++cell < 3)
                s.m_cells[cell].textStyle = p.value;
            continue;
        }
        if (cell < 0) {
            switch (p.code) {
            case 3: s.m_description = p.value; break;
            case 70: s.m_flow = context.integer(p) == 1 ? AcDb::kBtoT : AcDb::kTtoB; break;
            case 71: s.m_flags = static_cast<int>(context.integer(p)); break;
            case 40: s.m_horizontalMargin = std::max(0.0, context.real(p)); break;
            case 41: s.m_verticalMargin = std::max(0.0, context.real(p)); break;
            case 280:
                if (versionRead)
                    s.m_titleSuppressed = context.integer(p) != 0;
                versionRead = true;
                break;
            case 281: s.m_headerSuppressed = context.integer(p) != 0; break;
            default: break;
            }
        } else if (cell < 3) {
            CellStyle& c = s.m_cells[cell];
            switch (p.code) {
            case 140: {
                const double h = context.real(p);
                c.textHeight = h > 0 ? h : kDefaultTextHeight;
                break;
            }
            case 170: {
                const long long a = context.integer(p);
                c.alignment = a >= AcDb::kTopLeft && a <= AcDb::kBottomRight ? static_cast<AcDb::CellAlignment>(a) : AcDb::kTopLeft;
                break;
            }
            case 62: c.textColor = static_cast<int>(context.integer(p)); break;
            case 63: c.fillColor = static_cast<int>(context.integer(p)); break;
            case 283: c.fill = context.integer(p) != 0; break;
            case 90: c.dataType = static_cast<int>(context.integer(p)); break;
            case 91: c.unitType = static_cast<int>(context.integer(p)); break;
            default: break;   // borders: drawn by block as every table here draws them
            }
        }
    }
    return pairs.size();
}

void AcDbTableStyle::writeStyle(const AcRxObject& object, const Field&, Writer& out)
{
    const auto& s = static_cast<const AcDbTableStyle&>(object);
    out.integer(280, 0);
    out.text(3, s.m_description);
    out.integer(70, s.m_flow);
    out.integer(71, s.m_flags);
    out.real(40, s.m_horizontalMargin);
    out.real(41, s.m_verticalMargin);
    out.integer(280, s.m_titleSuppressed ? 1 : 0);
    out.integer(281, s.m_headerSuppressed ? 1 : 0);
    for (const CellStyle& c : s.m_cells) {
        out.text(7, c.textStyle);
        out.real(140, c.textHeight);
        out.integer(170, c.alignment);
        out.integer(62, c.textColor);
        out.integer(63, c.fillColor);
        out.integer(283, c.fill ? 1 : 0);
        out.integer(90, c.dataType);
        out.integer(91, c.unitType);
        for (int code = 274; code <= 279; ++code)
            out.integer(code, -2);   // by block
        for (int code = 284; code <= 289; ++code)
            out.integer(code, 1);
        for (int code = 64; code <= 69; ++code)
            out.integer(code, 0);
    }
}

const FieldTable& AcDbTableStyle::dxfTable() const
{
    static const FieldTable table({{qv::fields::subclass("AcDbTableStyle"), qv::fields::section(readStyle, writeStyle)}});
    return table;
}
