// Table styles (TABLESTYLE objects in the "ACAD_TABLESTYLE" dictionary): the cell margin
// and, for data, header and title rows, the text style, height, alignment and colours that
// cells of tables of the style take unless they set their own.
#pragma once

#include "arx/dbtable.h"

#include <array>
#include <string>

class AcDbTableStyle : public AcDbObject
{
public:
    ACRX_DECLARE_MEMBERS(AcDbTableStyle)
    static constexpr double kDefaultTextHeight = 0.18;
    static constexpr double kDefaultMargin = 0.06;
    AcDbTableStyle();

    CString description() const { return CString(m_description); }
    Acad::ErrorStatus setDescription(const char* text);
    AcDb::TableFlowDirection flowDirection() const { return m_flow; }
    Acad::ErrorStatus setFlowDirection(AcDb::TableFlowDirection flow);
    // The margin between a cell's edges and its content: left and right, and above and below.
    double margin() const { return m_horizontalMargin; }
    double verticalMargin() const { return m_verticalMargin; }
    Acad::ErrorStatus setMargin(double margin);
    double textHeight(AcDb::RowType rowType = AcDb::kDataRow) const { return cellStyle(rowType).textHeight; }
    Acad::ErrorStatus setTextHeight(double height, int rowTypes = AcDb::kAllRows);
    AcDb::CellAlignment alignment(AcDb::RowType rowType = AcDb::kDataRow) const { return cellStyle(rowType).alignment; }
    Acad::ErrorStatus setAlignment(AcDb::CellAlignment alignment, int rowTypes = AcDb::kAllRows);

    const qv::dxf::FieldTable& dxfTable() const override;

private:
    struct CellStyle {
        std::string textStyle = "Standard";
        double textHeight = kDefaultTextHeight;
        AcDb::CellAlignment alignment = AcDb::kTopCenter;
        int textColor = 0, fillColor = 7;
        bool fill = false;
        int dataType = 512, unitType = 0;
    };
    // Cell styles of data, header and title rows, in that order.
    const CellStyle& cellStyle(AcDb::RowType rowType) const;
    static size_t readStyle(AcRxObject& object, std::span<const qv::dxf::Pair> pairs, qv::dxf::FieldContext& context);
    static void writeStyle(const AcRxObject& object, const qv::dxf::Field& field, qv::dxf::Writer& out);

    std::string m_description;
    AcDb::TableFlowDirection m_flow = AcDb::kTtoB;
    int m_flags = 0;
    double m_horizontalMargin = kDefaultMargin, m_verticalMargin = kDefaultMargin;
    bool m_titleSuppressed = false, m_headerSuppressed = false;
    std::array<CellStyle, 3> m_cells;
};
