#include "arx/dbtable.h"

#include "arx/dbcurves.h"
#include "arx/dbdatabase.h"
#include "arx/dbsymtb.h"
#include "arx/dbtablestyle.h"
#include "arx/dbtext.h"
#include "arx/dxfnumber.h"
#include "dbobjectimpl.h"

#include <algorithm>
#include <cmath>
#include <numeric>

ACRX_DEFINE_MEMBERS(AcDbTable, AcDbBlockReference, "ACAD_TABLE")

using qv::allFinite;
using qv::dxf::Field;
using qv::dxf::FieldContext;
using qv::dxf::FieldTable;
using qv::dxf::Pair;
using qv::dxf::Writer;

namespace {

bool validSize(double v) { return allFinite(v) && v > 0; }

AcDbMText::AttachmentPoint attachmentOf(AcDb::CellAlignment a)
{
    return static_cast<AcDbMText::AttachmentPoint>(a);
}

// Where content of the given alignment is anchored in a box (left, right, bottom, top)
// kept margins from its edges (mx left and right, my above and below).
AcGePoint3d anchorIn(double left, double right, double bottom, double top, double mx, double my,
                     AcDb::CellAlignment a)
{
    const int col = (a - 1) % 3, row = (a - 1) / 3;
    const double x = col == 0 ? left + mx : col == 1 ? (left + right) / 2 : right - mx;
    const double y = row == 0 ? top - my : row == 1 ? (bottom + top) / 2 : bottom + my;
    return {x, y, 0};
}

// The extents of a block's entities in block coordinates.
AcDbExtents blockExtents(AcDbObjectId blockId)
{
    AcDbExtents box;
    const auto* btr = AcDbBlockTableRecord::cast(blockId.object());
    if (!btr)
        return box;
    for (const AcDbObjectId& id : btr->entityIds()) {
        const auto* ent = AcDbEntity::cast(id.object());
        AcDbExtents e;
        if (ent && !ent->isErased() && ent->getGeomExtents(e) == Acad::eOk)
            box.addExt(e);
    }
    return box;
}

// Content of the table block: appended to the record and closed at once.
void append(AcDbBlockTableRecord* btr, AcDbEntity* ent, const AcCmColor& color)
{
    ent->setColor(color);
    if (btr->appendAcDbEntity(ent) == Acad::eOk)
        ent->close();
    else
        delete ent;
}

} // namespace

// ---- grid ----

bool AcDbTable::validCell(int row, int column) const
{
    return row >= 0 && column >= 0 && row < numRows() && column < numColumns();
}

Acad::ErrorStatus AcDbTable::changed()
{
    m_stale = true;
    return Acad::eOk;
}

void AcDbTable::resizeGrid(int rows, int columns)
{
    std::vector<Cell> cells(static_cast<size_t>(rows) * columns);
    for (int r = 0; r < std::min(rows, numRows()); ++r)
        for (int c = 0; c < std::min(columns, numColumns()); ++c)
            cells[static_cast<size_t>(r) * columns + c] = m_cells[index(r, c)];
    const double h = m_rowHeights.empty() ? 1.0 : m_rowHeights.back();
    const double w = m_columnWidths.empty() ? 1.0 : m_columnWidths.back();
    m_rowHeights.resize(rows, h);
    m_columnWidths.resize(columns, w);
    m_cells = std::move(cells);
    // Merges cut by the new size are dropped.
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < columns; ++c) {
            Cell& cell = m_cells[index(r, c)];
            if (cell.mergedWidth > 0 && (r + cell.mergedHeight > rows || c + cell.mergedWidth > columns)) {
                for (int rr = r; rr < std::min(rows, r + cell.mergedHeight); ++rr)
                    for (int cc = c; cc < std::min(columns, c + cell.mergedWidth); ++cc)
                        m_cells[index(rr, cc)].merged = false;
                cell.mergedWidth = cell.mergedHeight = 0;
            }
        }
}

Acad::ErrorStatus AcDbTable::setTableStyle(const AcDbObjectId& id)
{
    QV_CHECKED_SETTER(id.isNull() || AcDbTableStyle::cast(id.object()), m_style = id; changed())
}

Acad::ErrorStatus AcDbTable::setDirection(const AcGeVector3d& direction)
{
    QV_CHECKED_SETTER(allFinite(direction) && !direction.isZeroLength(), m_direction = direction.normal(); changed())
}

Acad::ErrorStatus AcDbTable::setFlowDirection(AcDb::TableFlowDirection flow)
{
    QV_CHECKED_SETTER(flow == AcDb::kTtoB || flow == AcDb::kBtoT, m_flow = flow; changed())
}

Acad::ErrorStatus AcDbTable::setNumRows(int rows) { return setSize(rows, numColumns()); }

Acad::ErrorStatus AcDbTable::setNumColumns(int columns) { return setSize(numRows(), columns); }

Acad::ErrorStatus AcDbTable::setSize(int rows, int columns)
{
    QV_CHECKED_SETTER(rows >= 0 && columns >= 0 && rows <= 100000 && columns <= 10000, resizeGrid(rows, columns);
                      changed())
}

Acad::ErrorStatus AcDbTable::insertRows(int row, double height, int count)
{
    if (const Acad::ErrorStatus es = assertWriteEnabled(); es != Acad::eOk)
        return es;
    if (row < 0 || row > numRows() || count < 1 || !validSize(height) || numColumns() == 0)
        return Acad::eInvalidInput;
    const size_t at = static_cast<size_t>(row) * numColumns();
    m_cells.insert(m_cells.begin() + static_cast<std::ptrdiff_t>(at), static_cast<size_t>(count) * numColumns(), Cell());
    m_rowHeights.insert(m_rowHeights.begin() + row, count, height);
    // The new cells take the settings of the row above; merges that span the place grow.
    for (int r = row; r < row + count; ++r)
        for (int c = 0; c < numColumns(); ++c) {
            Cell& cell = m_cells[index(r, c)];
            if (row > 0) {
                const Cell& above = m_cells[index(row - 1, c)];
                cell.textHeight = above.textHeight;
                cell.alignment = above.alignment;
                cell.color = above.color;
            }
        }
    for (int r = 0; r < row; ++r)
        for (int c = 0; c < numColumns(); ++c)
            if (Cell& cell = m_cells[index(r, c)]; cell.mergedWidth > 0 && r + cell.mergedHeight > row) {
                cell.mergedHeight += count;
                for (int rr = row; rr < row + count; ++rr)
                    for (int cc = c; cc < c + cell.mergedWidth; ++cc)
                        m_cells[index(rr, cc)].merged = true;
            }
    return changed();
}

Acad::ErrorStatus AcDbTable::insertColumns(int column, double width, int count)
{
    if (const Acad::ErrorStatus es = assertWriteEnabled(); es != Acad::eOk)
        return es;
    if (column < 0 || column > numColumns() || count < 1 || !validSize(width))
        return Acad::eInvalidInput;
    const int rows = numRows(), columns = numColumns() + count;
    std::vector<Cell> cells(static_cast<size_t>(rows) * columns);
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < numColumns(); ++c)
            cells[static_cast<size_t>(r) * columns + (c < column ? c : c + count)] = m_cells[index(r, c)];
    m_cells = std::move(cells);
    m_columnWidths.insert(m_columnWidths.begin() + column, count, width);
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < column; ++c)
            if (Cell& cell = m_cells[index(r, c)]; cell.mergedWidth > 0 && c + cell.mergedWidth > column) {
                cell.mergedWidth += count;
                for (int rr = r; rr < r + cell.mergedHeight; ++rr)
                    for (int cc = column; cc < column + count; ++cc)
                        m_cells[index(rr, cc)].merged = true;
            }
    return changed();
}

double AcDbTable::rowHeight(int row) const { return row >= 0 && row < numRows() ? m_rowHeights[row] : 0.0; }

Acad::ErrorStatus AcDbTable::setRowHeight(int row, double height)
{
    QV_CHECKED_SETTER(row >= 0 && row < numRows() && validSize(height), m_rowHeights[row] = height; changed())
}

Acad::ErrorStatus AcDbTable::setRowHeight(double height)
{
    QV_CHECKED_SETTER(validSize(height), std::fill(m_rowHeights.begin(), m_rowHeights.end(), height); changed())
}

double AcDbTable::columnWidth(int column) const
{
    return column >= 0 && column < numColumns() ? m_columnWidths[column] : 0.0;
}

Acad::ErrorStatus AcDbTable::setColumnWidth(int column, double width)
{
    QV_CHECKED_SETTER(column >= 0 && column < numColumns() && validSize(width), m_columnWidths[column] = width;
                      changed())
}

Acad::ErrorStatus AcDbTable::setColumnWidth(double width)
{
    QV_CHECKED_SETTER(validSize(width), std::fill(m_columnWidths.begin(), m_columnWidths.end(), width); changed())
}

double AcDbTable::width() const { return std::accumulate(m_columnWidths.begin(), m_columnWidths.end(), 0.0); }

double AcDbTable::height() const { return std::accumulate(m_rowHeights.begin(), m_rowHeights.end(), 0.0); }

AcDb::RowType AcDbTable::rowType(int row) const
{
    if (row < 0 || row >= numRows())
        return AcDb::kUnknownRow;
    return row == 0 ? AcDb::kTitleRow : row == 1 ? AcDb::kHeaderRow : AcDb::kDataRow;
}

// ---- cells ----

const AcDbTable::Cell& AcDbTable::shownCell(int row, int column) const
{
    int r0 = row, c0 = column;
    isMergedCell(row, column, &r0, nullptr, &c0, nullptr);
    return m_cells[index(r0, c0)];
}

AcDb::CellType AcDbTable::cellType(int row, int column) const
{
    return validCell(row, column) ? m_cells[index(row, column)].type : AcDb::kUnknownCell;
}

Acad::ErrorStatus AcDbTable::setCellType(int row, int column, AcDb::CellType type)
{
    QV_CHECKED_SETTER(validCell(row, column) && (type == AcDb::kTextCell || type == AcDb::kBlockCell),
                      m_cells[index(row, column)].type = type;
                      changed())
}

CString AcDbTable::textString(int row, int column) const
{
    return validCell(row, column) ? CString(m_cells[index(row, column)].text) : CString();
}

Acad::ErrorStatus AcDbTable::setTextString(int row, int column, const char* text)
{
    QV_CHECKED_SETTER(validCell(row, column) && text, Cell& cell = m_cells[index(row, column)];
                      cell.type = AcDb::kTextCell; cell.text = text; cell.block = AcDbObjectId(); changed())
}

double AcDbTable::styleTextHeight(int row) const
{
    const auto* style = AcDbTableStyle::cast(m_style.object());
    return style ? style->textHeight(rowType(row)) : AcDbTableStyle::kDefaultTextHeight;
}

double AcDbTable::textHeight(int row, int column) const
{
    if (!validCell(row, column))
        return 0.0;
    const double own = m_cells[index(row, column)].textHeight;
    return own > 0 ? own : styleTextHeight(row);
}

Acad::ErrorStatus AcDbTable::setTextHeight(int row, int column, double height)
{
    QV_CHECKED_SETTER(validCell(row, column) && validSize(height), m_cells[index(row, column)].textHeight = height;
                      changed())
}

template <class F>
Acad::ErrorStatus AcDbTable::forRows(int rowTypes, F f)
{
    if (const Acad::ErrorStatus es = assertWriteEnabled(); es != Acad::eOk)
        return es;
    for (int r = 0; r < numRows(); ++r)
        if (rowTypes & rowType(r))
            for (int c = 0; c < numColumns(); ++c)
                f(m_cells[index(r, c)]);
    return changed();
}

Acad::ErrorStatus AcDbTable::setTextHeight(double height, int rowTypes)
{
    if (!validSize(height))
        return Acad::eInvalidInput;
    return forRows(rowTypes, [height](Cell& cell) { cell.textHeight = height; });
}

AcDb::CellAlignment AcDbTable::alignment(int row, int column) const
{
    return validCell(row, column) ? m_cells[index(row, column)].alignment : AcDb::kTopLeft;
}

Acad::ErrorStatus AcDbTable::setAlignment(int row, int column, AcDb::CellAlignment alignment)
{
    QV_CHECKED_SETTER(validCell(row, column) && alignment >= AcDb::kTopLeft && alignment <= AcDb::kBottomRight,
                      m_cells[index(row, column)].alignment = alignment;
                      changed())
}

Acad::ErrorStatus AcDbTable::setAlignment(AcDb::CellAlignment alignment, int rowTypes)
{
    if (alignment < AcDb::kTopLeft || alignment > AcDb::kBottomRight)
        return Acad::eInvalidInput;
    return forRows(rowTypes, [alignment](Cell& cell) { cell.alignment = alignment; });
}

AcCmColor AcDbTable::contentColor(int row, int column) const
{
    return validCell(row, column) ? m_cells[index(row, column)].color : AcCmColor();
}

Acad::ErrorStatus AcDbTable::setContentColor(int row, int column, const AcCmColor& color)
{
    QV_CHECKED_SETTER(validCell(row, column), m_cells[index(row, column)].color = color; changed())
}

Acad::ErrorStatus AcDbTable::setContentColor(const AcCmColor& color, int rowTypes)
{
    return forRows(rowTypes, [&color](Cell& cell) { cell.color = color; });
}

AcDbObjectId AcDbTable::blockTableRecordId(int row, int column) const
{
    return validCell(row, column) ? m_cells[index(row, column)].block : AcDbObjectId();
}

Acad::ErrorStatus AcDbTable::setBlockTableRecordId(int row, int column, const AcDbObjectId& blockId, bool autoFit)
{
    QV_CHECKED_SETTER(validCell(row, column) && AcDbBlockTableRecord::cast(blockId.object()),
                      Cell& cell = m_cells[index(row, column)];
                      cell.type = AcDb::kBlockCell; cell.block = blockId; cell.autoFit = autoFit; cell.text.clear();
                      changed())
}

double AcDbTable::blockScale(int row, int column) const
{
    return validCell(row, column) ? m_cells[index(row, column)].blockScale : 0.0;
}

Acad::ErrorStatus AcDbTable::setBlockScale(int row, int column, double scale)
{
    QV_CHECKED_SETTER(validCell(row, column) && validSize(scale), m_cells[index(row, column)].blockScale = scale;
                      changed())
}

// ---- merged cells ----

Acad::ErrorStatus AcDbTable::mergeCells(int minRow, int maxRow, int minColumn, int maxColumn)
{
    if (const Acad::ErrorStatus es = assertWriteEnabled(); es != Acad::eOk)
        return es;
    if (!mergeRange(minRow, maxRow, minColumn, maxColumn))
        return Acad::eInvalidInput;
    return changed();
}

bool AcDbTable::mergeRange(int minRow, int maxRow, int minColumn, int maxColumn)
{
    if (!validCell(minRow, minColumn) || !validCell(maxRow, maxColumn) || minRow > maxRow || minColumn > maxColumn)
        return false;
    for (int r = minRow; r <= maxRow; ++r)
        for (int c = minColumn; c <= maxColumn; ++c)
            if (m_cells[index(r, c)].merged)
                return false;   // overlaps another merge
    for (int r = minRow; r <= maxRow; ++r)
        for (int c = minColumn; c <= maxColumn; ++c)
            m_cells[index(r, c)].merged = true;
    Cell& first = m_cells[index(minRow, minColumn)];
    first.mergedWidth = maxColumn - minColumn + 1;
    first.mergedHeight = maxRow - minRow + 1;
    return true;
}

Acad::ErrorStatus AcDbTable::unmergeCells(int minRow, int maxRow, int minColumn, int maxColumn)
{
    if (const Acad::ErrorStatus es = assertWriteEnabled(); es != Acad::eOk)
        return es;
    if (!validCell(minRow, minColumn) || !validCell(maxRow, maxColumn))
        return Acad::eInvalidInput;
    // Every merge that starts in the range is undone whole.
    for (int r = minRow; r <= maxRow; ++r)
        for (int c = minColumn; c <= maxColumn; ++c) {
            Cell& first = m_cells[index(r, c)];
            if (first.mergedWidth == 0)
                continue;
            for (int rr = r; rr < std::min(numRows(), r + first.mergedHeight); ++rr)
                for (int cc = c; cc < std::min(numColumns(), c + first.mergedWidth); ++cc)
                    m_cells[index(rr, cc)].merged = false;
            first.mergedWidth = first.mergedHeight = 0;
        }
    return changed();
}

bool AcDbTable::isMergedCell(int row, int column, int* minRow, int* maxRow, int* minColumn, int* maxColumn) const
{
    if (!validCell(row, column) || !m_cells[index(row, column)].merged)
        return false;
    // The merge's first cell lies above and to the left; merges are few and small.
    for (int r = row; r >= 0; --r)
        for (int c = column; c >= 0; --c) {
            const Cell& first = m_cells[index(r, c)];
            if (first.mergedWidth > 0 && r + first.mergedHeight > row && c + first.mergedWidth > column) {
                if (minRow)
                    *minRow = r;
                if (maxRow)
                    *maxRow = r + first.mergedHeight - 1;
                if (minColumn)
                    *minColumn = c;
                if (maxColumn)
                    *maxColumn = c + first.mergedWidth - 1;
                return true;
            }
        }
    return false;
}

// ---- the table block ----

double AcDbTable::planeAngle() const
{
    const AcGePoint3d along = AcGeMatrix3d::worldToPlane(normal()).transform(AcGePoint3d(m_direction.x, m_direction.y, m_direction.z));
    return std::atan2(along.y, along.x);
}

AcDbTable::Grid AcDbTable::grid() const
{
    // Rows run down from the insertion point, or up from it when the table flows upwards.
    Grid g;
    g.xs.assign(1, 0.0);
    for (double w : m_columnWidths)
        g.xs.push_back(g.xs.back() + w);
    g.ys.assign(1, 0.0);
    for (double h : m_rowHeights)
        g.ys.push_back(g.ys.back() + (m_flow == AcDb::kTtoB ? -h : h));
    return g;
}

bool AcDbTable::sameMerge(int r1, int c1, int r2, int c2) const
{
    int a = 0, b = 0, x = 0, y = 0;
    return isMergedCell(r1, c1, &a, nullptr, &b, nullptr) && isMergedCell(r2, c2, &x, nullptr, &y, nullptr) && a == x
        && b == y;
}

Acad::ErrorStatus AcDbTable::recomputeTableBlock(bool forceUpdate)
{
    if (!forceUpdate && !m_stale && qv::live(blockTableRecord()))
        return Acad::eOk;
    AcDbDatabase* db = database();
    if (!db)
        return Acad::eNoDatabase;   // built once the table is in a drawing
    AcDbBlockTableRecord* btr = nullptr;
    if (ownsBlock() && acdbOpenObject(btr, blockTableRecord(), AcDb::kForWrite) == Acad::eOk) {
        // The block keeps its id: it is emptied and refilled.
        for (const AcDbObjectId& id : btr->entityIds()) {
            AcDbEntity* ent = nullptr;
            if (!id.isErased() && acdbOpenObject(ent, id, AcDb::kForWrite) == Acad::eOk) {
                ent->erase();
                ent->close();
            }
        }
    } else if (const Acad::ErrorStatus es = addTableBlock(db, btr); es != Acad::eOk) {
        return es;
    }
    fitRowsToContent();
    fillTableBlock(btr);
    setBlockFromFile(btr->objectId());
    btr->close();
    m_stale = false;
    return Acad::eOk;
}

bool AcDbTable::ownsBlock() const
{
    // Only an anonymous block that no other reference shows is the table's own to refill.
    const AcDbObjectId current = blockTableRecord();
    const auto* btr = qv::live(current) ? AcDbBlockTableRecord::cast(current.object()) : nullptr;
    if (!btr || !btr->isAnonymous())
        return false;
    AcDbObjectIdArray users;
    btr->getBlockReferenceIds(users);
    return std::all_of(users.begin(), users.end(), [this](const AcDbObjectId& id) { return id == objectId(); });
}

Acad::ErrorStatus AcDbTable::addTableBlock(AcDbDatabase* db, AcDbBlockTableRecord*& btr)
{
    AcDbBlockTable* table = nullptr;
    if (const Acad::ErrorStatus es = acdbOpenObject(table, db->blockTableId(), AcDb::kForWrite); es != Acad::eOk)
        return es;
    std::string name;
    for (int n = 1; name.empty() || table->has(name.c_str()); ++n)
        name = "*T" + std::to_string(n);
    auto record = std::make_unique<AcDbBlockTableRecord>();
    record->setName(name.c_str());
    record->setFlags(1);   // anonymous
    AcDbObjectId id;
    const Acad::ErrorStatus es = table->add(id, record.get());
    table->close();
    if (es != Acad::eOk)
        return es;
    btr = record.release();   // open for write, as added
    return Acad::eOk;
}

AcDbTable::Margins AcDbTable::margins() const
{
    const auto* style = AcDbTableStyle::cast(m_style.object());
    if (!style)
        return {AcDbTableStyle::kDefaultMargin, AcDbTableStyle::kDefaultMargin};
    return {style->margin(), style->verticalMargin()};
}

double AcDbTable::contentHeight(int row, int column) const
{
    const Cell& cell = m_cells[index(row, column)];
    if (cell.type == AcDb::kBlockCell) {
        if (cell.autoFit || !qv::live(cell.block))
            return 0.0;
        const AcDbExtents e = blockExtents(cell.block);
        return e.isEmpty() ? 0.0 : cell.blockScale * (e.maxPoint().y - e.minPoint().y);
    }
    if (cell.text.empty())
        return 0.0;
    // As tall as the text drawn in the cell measures, its lines and the spaces between them.
    AcDbMText text;
    text.setContents(cell.text.c_str());
    text.setTextHeight(textHeight(row, column));
    AcDbExtents e;
    return text.getGeomExtents(e) == Acad::eOk ? e.maxPoint().y - e.minPoint().y : 0.0;
}

void AcDbTable::fitRowsToContent()
{
    const double margin = margins().y;
    // Cells of one row first, then merges over several rows, which grow their last row by
    // what the rows they span lack.
    for (const bool spanning : {false, true})
        for (int r = 0; r < numRows(); ++r)
            for (int c = 0; c < numColumns(); ++c) {
                const Cell& cell = m_cells[index(r, c)];
                const int span = std::max(cell.mergedHeight, 1);
                if ((cell.merged && cell.mergedWidth == 0) || (span > 1) != spanning)
                    continue;
                const double need = contentHeight(r, c) + 2 * margin;
                const double has = std::accumulate(m_rowHeights.begin() + r, m_rowHeights.begin() + r + span, 0.0);
                if (need > has && std::isfinite(need))
                    m_rowHeights[r + span - 1] += need - has;
            }
}

void AcDbTable::fillTableBlock(AcDbBlockTableRecord* btr) const
{
    const Grid g = grid();
    const AcGeMatrix3d turn = AcGeMatrix3d::rotation(planeAngle(), AcGeVector3d::kZAxis);
    const Margins margin = margins();
    auto at = [&turn](double x, double y) { return turn.transform(AcGePoint3d(x, y, 0)); };
    auto line = [&](double x1, double y1, double x2, double y2) {
        append(btr, new AcDbLine(at(x1, y1), at(x2, y2)), AcDbTable::byBlock());
    };
    const int rows = numRows(), columns = numColumns();
    // Grid lines, one per run of edges not hidden inside a merged cell.
    for (int i = 0; i <= rows; ++i)
        for (int c = 0; c < columns;) {
            int end = c;
            while (end < columns && !(i > 0 && i < rows && sameMerge(i - 1, end, i, end)))
                ++end;
            if (end > c)
                line(g.xs[c], g.ys[i], g.xs[end], g.ys[i]);
            c = std::max(end, c + 1);
        }
    for (int j = 0; j <= columns; ++j)
        for (int r = 0; r < rows;) {
            int end = r;
            while (end < rows && !(j > 0 && j < columns && sameMerge(end, j - 1, end, j)))
                ++end;
            if (end > r)
                line(g.xs[j], g.ys[r], g.xs[j], g.ys[end]);
            r = std::max(end, r + 1);
        }
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < columns; ++c) {
            const Cell& cell = m_cells[index(r, c)];
            if (cell.merged && cell.mergedWidth == 0)
                continue;   // shown by the merge's first cell
            const int r2 = r + std::max(cell.mergedHeight, 1), c2 = c + std::max(cell.mergedWidth, 1);
            const double left = g.xs[c], right = g.xs[c2];
            const double bottom = std::min(g.ys[r], g.ys[r2]), top = std::max(g.ys[r], g.ys[r2]);
            if (cell.type == AcDb::kBlockCell)
                addBlockContent(btr, cell, turn, {left, right, bottom, top}, margin);
            else if (!cell.text.empty())
                addTextContent(btr, cell, turn,
                               anchorIn(left, right, bottom, top, margin.x, margin.y, cell.alignment),
                               textHeight(r, c));
        }
}

void AcDbTable::addTextContent(AcDbBlockTableRecord* btr, const Cell& cell, const AcGeMatrix3d& turn,
                               const AcGePoint3d& anchor, double height) const
{
    auto* text = new AcDbMText;
    text->setContents(cell.text.c_str());
    text->setTextHeight(height);
    text->setAttachment(attachmentOf(cell.alignment));
    text->setLocation(turn.transform(anchor));
    text->setRotation(planeAngle());
    append(btr, text, cell.color);
}

void AcDbTable::addBlockContent(AcDbBlockTableRecord* btr, const Cell& cell, const AcGeMatrix3d& turn,
                                const Box& box, Margins margin) const
{
    if (!qv::live(cell.block) || !AcDbBlockTableRecord::cast(cell.block.object()) || cell.block == btr->objectId())
        return;
    const AcDbExtents e = blockExtents(cell.block);
    if (e.isEmpty())
        return;
    const double ew = e.maxPoint().x - e.minPoint().x, eh = e.maxPoint().y - e.minPoint().y;
    double scale = cell.blockScale;
    if (cell.autoFit && (ew > 0 || eh > 0)) {
        const double fx = ew > 0 ? (box.right - box.left - 2 * margin.x) / ew : HUGE_VAL;
        const double fy = eh > 0 ? (box.top - box.bottom - 2 * margin.y) / eh : HUGE_VAL;
        scale = std::min(fx, fy) > 0 ? std::min(fx, fy) : cell.blockScale;
    }
    // The block's extents are aligned in the cell as a text would be.
    const AcGePoint3d anchor = anchorIn(box.left, box.right, box.bottom, box.top, margin.x, margin.y, cell.alignment);
    const AcGePoint3d own =
        anchorIn(e.minPoint().x, e.maxPoint().x, e.minPoint().y, e.maxPoint().y, 0, 0, cell.alignment);
    const AcGePoint3d position(anchor.x - scale * own.x, anchor.y - scale * own.y, 0);
    auto* ref = new AcDbBlockReference(turn.transform(position), cell.block);
    ref->setScaleFactors(AcGeScale3d(scale, scale, scale));
    ref->setRotation(planeAngle());
    append(btr, ref, AcDbTable::byBlock());
}

// ---- geometry ----

Acad::ErrorStatus AcDbTable::transformBy(const AcGeMatrix3d& m)
{
    if (const Acad::ErrorStatus es = checkTransform(m, true); es != Acad::eOk)
        return es;
    // Sizes scale with the transform; the direction and normal turn with it; the block is
    // rebuilt from the grid.
    const AcGePoint3d p = position(), moved = m.transform(p);
    const AcGeVector3d d = m.transform(p + m_direction) - moved;
    const AcGeVector3d n = m.transform(p + normal()) - moved;
    const double s = d.length();
    for (double& h : m_rowHeights)
        h *= s;
    for (double& w : m_columnWidths)
        w *= s;
    for (Cell& cell : m_cells) {
        cell.textHeight *= s;
        cell.blockScale *= s;
    }
    setNormal(m.det() < 0 ? -n.normal() : n.normal());
    setPosition(moved);
    m_direction = d.normal();
    return changed();
}

Acad::ErrorStatus AcDbTable::getGeomExtents(AcDbExtents& extents) const
{
    extents = AcDbExtents();
    if (numRows() == 0 || numColumns() == 0)
        return Acad::eInvalidExtents;
    const Grid g = grid();
    const AcGeMatrix3d toWorld = blockTransform() * AcGeMatrix3d::rotation(planeAngle(), AcGeVector3d::kZAxis);
    for (double x : {g.xs.front(), g.xs.back()})
        for (double y : {g.ys.front(), g.ys.back()})
            extents.addPoint(toWorld.transform(AcGePoint3d(x, y, 0)));
    return Acad::eOk;
}

void AcDbTable::onErase(bool erasing)
{
    // The table block goes and comes back with the table.
    AcDbBlockTableRecord* btr = nullptr;
    if (blockTableRecord().isValid() && acdbOpenObject(btr, blockTableRecord(), AcDb::kForWrite, true) == Acad::eOk) {
        if (btr->isAnonymous() && btr->isErased() != erasing)
            btr->erase(erasing);
        btr->close();
    }
}

AcCmColor AcDbTable::byBlock()
{
    AcCmColor color;
    color.setColorIndex(0);
    return color;
}

// ---- DXF ----
//
// After the block reference's fields, the AcDbTable section holds: the data version (280),
// the style (342), the table block (343), the direction (11), flags (90), the numbers of
// rows (91) and columns (92), override flags (93 to 96), the row heights (141 each) and the
// column widths (142 each), then every cell row by row, each opened by its type (171):
// flags (172), merged (173), fit (174), the columns and rows of a merge it starts (175,
// 176), override flags (91), virtual edge (178), rotation (145), then a text cell's text
// (1, after 2 for chunks of a long text) or a block cell's block (340), scale (144) and
// attribute count (179), and the cell's text height (140), alignment (170) and colour (64,
// 420 for a true colour). The flow direction (70) follows the cells.

namespace {

constexpr size_t kTextChunk = 250;

// Where the AcDbTable section of a record begins (its size when it has none).
size_t tableSection(std::span<const Pair> pairs)
{
    for (size_t i = 0; i < pairs.size(); ++i)
        if (pairs[i].code == 100 && pairs[i].value == "AcDbTable")
            return i + 1;
    return pairs.size();
}

} // namespace

bool AcDbTable::canRead(std::span<const Pair> pairs)
{
    long long rows = -1, columns = -1;
    size_t heights = 0, widths = 0, cells = 0;
    for (size_t i = tableSection(pairs); i < pairs.size() && pairs[i].code != 100 && pairs[i].code < 1000; ++i) {
        const Pair& p = pairs[i];
        if (p.code == 301 || p.code == 302)
            return false;   // cell values in the newer structured form
        if (cells == 0 && p.code == 91 && rows < 0)
            rows = qv::dxf::parseInt(p.value, rows) ? rows : -1;
        else if (cells == 0 && p.code == 92 && columns < 0)
            columns = qv::dxf::parseInt(p.value, columns) ? columns : -1;
        heights += p.code == 141;
        widths += p.code == 142;
        cells += p.code == 171;
    }
    return rows > 0 && columns > 0 && rows <= 100000 && columns <= 10000 && heights == static_cast<size_t>(rows)
        && widths == static_cast<size_t>(columns) && cells == static_cast<size_t>(rows * columns);
}

size_t AcDbTable::readTable(AcRxObject& object, std::span<const Pair> pairs, FieldContext& context)
{
    auto& t = static_cast<AcDbTable&>(object);
    t.m_rowHeights.clear();
    t.m_columnWidths.clear();
    t.m_cells.clear();
    Cell* cell = nullptr;
    std::string chunks;
    for (const Pair& p : pairs) {
        const int code = p.code;
        if (code == 171) {
            t.m_cells.emplace_back();
            cell = &t.m_cells.back();
            cell->type = context.integer(p) == AcDb::kBlockCell ? AcDb::kBlockCell : AcDb::kTextCell;
            chunks.clear();
        } else if (code == 141 || code == 142) {
            const double v = context.real(p);
            (code == 141 ? t.m_rowHeights : t.m_columnWidths).push_back(validSize(v) ? v : 1.0);
        } else if (!cell) {
            if (code == 342)
                t.m_style = qv::dbContext(context).reference(p, false);
            else if (code >= 11 && code <= 31 && code % 10 == 1)
                (code == 11 ? t.m_direction.x : code == 21 ? t.m_direction.y : t.m_direction.z) = context.real(p);
        } else if (code == 70) {
            t.m_flow = context.integer(p) == 1 ? AcDb::kBtoT : AcDb::kTtoB;
        } else {
            readCellPair(*cell, p, context, chunks);
        }
    }
    return pairs.size();
}

void AcDbTable::readCellPair(Cell& cell, const Pair& p, FieldContext& context, std::string& chunks)
{
    switch (p.code) {
    case 2: chunks += p.value; break;
    case 1: cell.text = chunks + std::string(p.value); break;
    case 340: cell.block = qv::dbContext(context).reference(p, false); break;
    case 144: cell.blockScale = context.real(p); break;
    case 174: cell.autoFit = context.integer(p) != 0; break;
    case 175: cell.mergedWidth = static_cast<int>(context.integer(p)); break;
    case 176: cell.mergedHeight = static_cast<int>(context.integer(p)); break;
    case 140: cell.textHeight = context.real(p); break;
    case 170: {
        const long long a = context.integer(p);
        cell.alignment = a >= AcDb::kTopLeft && a <= AcDb::kBottomRight ? static_cast<AcDb::CellAlignment>(a) : AcDb::kTopLeft;
        break;
    }
    case 64: qv::readColorIndex(cell.color, static_cast<int>(context.integer(p))); break;
    case 420: qv::readTrueColor(cell.color, context.integer(p)); break;
    default: break;   // flags that follow from the grid
    }
}

void AcDbTable::writeTable(const AcRxObject& object, const Field&, Writer& out)
{
    const auto& t = static_cast<const AcDbTable&>(object);
    out.integer(280, 0);
    if (qv::live(t.m_style))
        out.handle(342, t.m_style.handle().value());
    if (qv::live(t.blockTableRecord()))
        out.handle(343, t.blockTableRecord().handle().value());
    out.point(11, t.m_direction.x, t.m_direction.y, t.m_direction.z);
    out.integer(90, 0);
    out.integer(91, t.numRows());
    out.integer(92, t.numColumns());
    for (int code : {93, 94, 95, 96})
        out.integer(code, 0);
    for (double h : t.m_rowHeights)
        out.real(141, h);
    for (double w : t.m_columnWidths)
        out.real(142, w);
    for (const Cell& cell : t.m_cells)
        writeCell(cell, out);
    if (t.m_flow != AcDb::kTtoB)
        out.integer(70, t.m_flow);
}

void AcDbTable::writeCell(const Cell& cell, Writer& out)
{
    out.integer(171, cell.type);
    out.integer(172, 0);
    out.integer(173, cell.merged ? 1 : 0);
    out.integer(174, cell.autoFit ? 1 : 0);
    out.integer(175, cell.mergedWidth);
    out.integer(176, cell.mergedHeight);
    out.integer(91, 0);
    out.integer(178, 0);
    out.real(145, 0.0);
    if (cell.type == AcDb::kBlockCell) {
        out.handle(340, qv::live(cell.block) ? cell.block.handle().value() : 0);
        out.real(144, cell.blockScale);
        out.integer(179, 0);
    } else {
        // Long texts go in chunks, the last one under code 1.
        std::string_view text = cell.text;
        while (text.size() > kTextChunk) {
            size_t cut = kTextChunk;
            while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80)
                --cut;   // never inside a UTF-8 sequence
            out.text(2, text.substr(0, cut));
            text.remove_prefix(cut);
        }
        out.text(1, text);
    }
    if (cell.textHeight > 0)
        out.real(140, cell.textHeight);
    out.integer(170, cell.alignment);
    out.integer(64, cell.color.isByColor() ? qv::indexBesideTrueColor(cell.color, -1) : cell.color.colorIndex());
    if (cell.color.isByColor())
        out.integer(420, (cell.color.red() << 16) | (cell.color.green() << 8) | cell.color.blue());
}

const FieldTable& AcDbTable::dxfTable() const
{
    static const qv::dxf::FieldList reference = AcDbBlockReference().AcDbBlockReference::dxfTable().fields();
    static const FieldTable table({reference, {qv::fields::subclass("AcDbTable"), qv::fields::section(readTable, writeTable)}});
    return table;
}

void AcDbTable::dxfInEnd()
{
    AcDbBlockReference::dxfInEnd();
    m_direction = qv::unitVector(m_direction, AcGeVector3d::kXAxis);
    // A record whose sections disagree on the grid keeps a whole one.
    m_cells.resize(m_rowHeights.size() * m_columnWidths.size());
    // Merges are taken from their first cells; ranges that leave the grid or overlap are dropped.
    for (Cell& cell : m_cells)
        cell.merged = false;
    for (int r = 0; r < numRows(); ++r)
        for (int c = 0; c < numColumns(); ++c) {
            Cell& first = m_cells[index(r, c)];
            const int w = first.mergedWidth, h = first.mergedHeight;
            first.mergedWidth = first.mergedHeight = 0;
            if (w >= 1 && h >= 1 && (w > 1 || h > 1) && r + h <= numRows() && c + w <= numColumns())
                mergeRange(r, r + h - 1, c, c + w - 1);
        }
    m_stale = false;   // the block holds what the file drew
}
