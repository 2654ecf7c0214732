// Tables (ACAD_TABLE): a grid of rows and columns whose cells show a text or a block, with
// merged cells, row heights, column widths and per-cell text height, alignment and colour.
// A table is a block reference to an anonymous "*T" block that holds its drawn content
// (grid lines, texts, block references), so that readers without table support still show
// it; the block is rebuilt from the grid by recomputeTableBlock.
#pragma once

#include "arx/dbblockref.h"
#include "arx/dxffield.h"

#include <span>
#include <string>
#include <vector>

namespace AcDb {
enum CellType { kUnknownCell = 0, kTextCell = 1, kBlockCell = 2 };
enum CellAlignment {
    kTopLeft = 1, kTopCenter, kTopRight, kMiddleLeft, kMiddleCenter, kMiddleRight,
    kBottomLeft, kBottomCenter, kBottomRight
};
enum RowType { kUnknownRow = 0, kDataRow = 1, kTitleRow = 2, kHeaderRow = 4, kAllRows = 7 };
enum TableFlowDirection { kTtoB = 0, kBtoT = 1 };
} // namespace AcDb

class AcDbTable : public AcDbBlockReference
{
public:
    ACRX_DECLARE_MEMBERS(AcDbTable)
    AcDbTable() = default;
    // The colour of content that takes the table's own.
    static AcCmColor byBlock();

    struct Cell {
        AcDb::CellType type = AcDb::kTextCell;
        std::string text;
        double textHeight = 0;   // 0: the table style's height for the row's type
        AcDb::CellAlignment alignment = AcDb::kTopLeft;
        AcCmColor color = byBlock();
        AcDbObjectId block;
        double blockScale = 1;
        bool autoFit = false;
        int mergedWidth = 0, mergedHeight = 0;   // columns and rows of a merge it starts
        bool merged = false;                      // part of a merged range
    };

    AcDbObjectId tableStyle() const { return m_style; }
    Acad::ErrorStatus setTableStyle(const AcDbObjectId& id);
    AcGeVector3d direction() const { return m_direction; }
    Acad::ErrorStatus setDirection(const AcGeVector3d& direction);
    AcDb::TableFlowDirection flowDirection() const { return m_flow; }
    Acad::ErrorStatus setFlowDirection(AcDb::TableFlowDirection flow);

    int numRows() const { return static_cast<int>(m_rowHeights.size()); }
    int numColumns() const { return static_cast<int>(m_columnWidths.size()); }
    Acad::ErrorStatus setNumRows(int rows);
    Acad::ErrorStatus setNumColumns(int columns);
    Acad::ErrorStatus setSize(int rows, int columns);
    // Inserts count rows of the given height before row (numRows() appends); merges that
    // span the place grow.
    Acad::ErrorStatus insertRows(int row, double height, int count = 1);
    Acad::ErrorStatus insertColumns(int column, double width, int count = 1);

    double rowHeight(int row) const;
    Acad::ErrorStatus setRowHeight(int row, double height);
    Acad::ErrorStatus setRowHeight(double height);   // every row
    double columnWidth(int column) const;
    Acad::ErrorStatus setColumnWidth(int column, double width);
    Acad::ErrorStatus setColumnWidth(double width);  // every column
    double width() const;
    double height() const;

    // Row 0 is the title row and row 1 the header row; the others are data rows.
    AcDb::RowType rowType(int row) const;

    AcDb::CellType cellType(int row, int column) const;
    Acad::ErrorStatus setCellType(int row, int column, AcDb::CellType type);
    CString textString(int row, int column) const;
    // Makes the cell a text cell.
    Acad::ErrorStatus setTextString(int row, int column, const char* text);
    double textHeight(int row, int column) const;
    Acad::ErrorStatus setTextHeight(int row, int column, double height);
    // Every cell of the rows of the given types (a mask of AcDb::RowType).
    Acad::ErrorStatus setTextHeight(double height, int rowTypes = AcDb::kAllRows);
    AcDb::CellAlignment alignment(int row, int column) const;
    Acad::ErrorStatus setAlignment(int row, int column, AcDb::CellAlignment alignment);
    Acad::ErrorStatus setAlignment(AcDb::CellAlignment alignment, int rowTypes = AcDb::kAllRows);
    AcCmColor contentColor(int row, int column) const;
    Acad::ErrorStatus setContentColor(int row, int column, const AcCmColor& color);
    Acad::ErrorStatus setContentColor(const AcCmColor& color, int rowTypes = AcDb::kAllRows);
    AcDbObjectId blockTableRecordId(int row, int column) const;
    // Makes the cell a block cell; with autoFit the block is scaled to fill the cell.
    Acad::ErrorStatus setBlockTableRecordId(int row, int column, const AcDbObjectId& blockId, bool autoFit = false);
    double blockScale(int row, int column) const;
    Acad::ErrorStatus setBlockScale(int row, int column, double scale);

    // Merges the range into one cell shown by its first cell; ranges may not overlap.
    Acad::ErrorStatus mergeCells(int minRow, int maxRow, int minColumn, int maxColumn);
    Acad::ErrorStatus unmergeCells(int minRow, int maxRow, int minColumn, int maxColumn);
    // Whether the cell lies in a merged range, and the range it lies in.
    bool isMergedCell(int row, int column, int* minRow = nullptr, int* maxRow = nullptr, int* minColumn = nullptr,
                      int* maxColumn = nullptr) const;

    const Cell& cell(int row, int column) const { return m_cells[index(row, column)]; }

    // Lays the table out and rebuilds the anonymous block from the grid (made on first use;
    // kept with its id after that): a row lower than its tallest content (a text's lines,
    // or a block cell's block at its scale) and the cell margins above and below grows to
    // hold it. The table must be in a database; without forceUpdate only a table changed
    // since the last build is rebuilt.
    Acad::ErrorStatus recomputeTableBlock(bool forceUpdate = true);
    Acad::ErrorStatus generateLayout() { return recomputeTableBlock(true); }
    // Whether the grid changed since the block was last built.
    bool needsLayout() const { return m_stale; }

    Acad::ErrorStatus transformBy(const AcGeMatrix3d& m) override;
    Acad::ErrorStatus getGeomExtents(AcDbExtents& extents) const override;
    // Whether a record's pairs hold a table in the form this class reads: the counts of
    // rows, columns and cells agree, and cells hold their values as plain texts.
    static bool canRead(std::span<const qv::dxf::Pair> pairs);
    const qv::dxf::FieldTable& dxfTable() const override;
    void dxfInEnd() override;
    void onErase(bool erasing) override;

private:
    size_t index(int row, int column) const { return static_cast<size_t>(row) * m_columnWidths.size() + column; }
    bool validCell(int row, int column) const;
    // The cell that shows the given one: itself, or the first cell of its merged range.
    const Cell& shownCell(int row, int column) const;
    // Changes the grid: marks the block for rebuilding.
    Acad::ErrorStatus changed();
    template <class F>
    Acad::ErrorStatus forRows(int rowTypes, F f);
    void resizeGrid(int rows, int columns);
    double styleTextHeight(int row) const;

    // The edges of the columns (left to right) and rows (from the insertion point) in the
    // table's own plane, before it is turned to its direction.
    struct Grid {
        std::vector<double> xs, ys;
    };
    struct Box {
        double left, right, bottom, top;
    };
    // The space kept between a cell's edges and its content, across and up.
    struct Margins {
        double x, y;
    };
    Margins margins() const;
    // The height of what the cell shows (0 for nothing, or a block scaled to fit the cell).
    double contentHeight(int row, int column) const;
    void fitRowsToContent();
    Grid grid() const;
    // The table's direction as an angle in its plane.
    double planeAngle() const;
    bool sameMerge(int r1, int c1, int r2, int c2) const;
    bool ownsBlock() const;
    static Acad::ErrorStatus addTableBlock(AcDbDatabase* db, AcDbBlockTableRecord*& btr);
    void fillTableBlock(AcDbBlockTableRecord* btr) const;
    void addTextContent(AcDbBlockTableRecord* btr, const Cell& cell, const AcGeMatrix3d& turn,
                        const AcGePoint3d& anchor, double height) const;
    void addBlockContent(AcDbBlockTableRecord* btr, const Cell& cell, const AcGeMatrix3d& turn, const Box& box,
                         Margins margins) const;

    static size_t readTable(AcRxObject& object, std::span<const qv::dxf::Pair> pairs, qv::dxf::FieldContext& context);
    static void writeTable(const AcRxObject& object, const qv::dxf::Field& field, qv::dxf::Writer& out);
    static void readCellPair(Cell& cell, const qv::dxf::Pair& pair, qv::dxf::FieldContext& context, std::string& chunks);
    static void writeCell(const Cell& cell, qv::dxf::Writer& out);
    // Merges a free range of the grid; false when it is not one.
    bool mergeRange(int minRow, int maxRow, int minColumn, int maxColumn);

    AcDbObjectId m_style;
    AcGeVector3d m_direction = AcGeVector3d::kXAxis;
    AcDb::TableFlowDirection m_flow = AcDb::kTtoB;
    std::vector<double> m_rowHeights, m_columnWidths;
    std::vector<Cell> m_cells;   // row by row
    bool m_stale = true;
};
