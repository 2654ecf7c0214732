// Tables: the grid model, the block that draws them, their DXF form checked with ezdxf,
// and table forms the database does not read, which stay as read. Block definitions that
// references show are redefined in place, as a table's own block is.
#include "arx/dbcurves.h"
#include "arx/dbdatabase.h"
#include "arx/dbdict.h"
#include "arx/dbsymtb.h"
#include "arx/dbtable.h"
#include "arx/dbtablestyle.h"
#include "arx/dbtext.h"
#include "common/tempdir.h"

#include <cstdio>
#include <cstdlib>
#include <gtest/gtest.h>

namespace {

std::string runTool(const std::string& args)
{
    const char* script = std::getenv("QV_DXF_CHECK");
    const std::string path = script ? script : QV_SOURCE_DIR "/tests/platform/arx/check_dxf.py";
    std::string out;
    if (FILE* p = popen(("/usr/bin/python3 " + path + " " + args).c_str(), "r")) {
        char buf[4096];
        for (size_t n; (n = fread(buf, 1, sizeof buf, p)) > 0;)
            out.append(buf, n);
        if (pclose(p) != 0)
            out += "[failed]";
    }
    return out;
}

AcDbObjectId addBlock(AcDbDatabase& db, const char* name)
{
    AcDbBlockTable* blocks = nullptr;
    db.getSymbolTable(blocks, AcDb::kForWrite);
    auto* btr = new AcDbBlockTableRecord;
    btr->setName(name);
    AcDbObjectId id;
    EXPECT_EQ(blocks->add(id, btr), Acad::eOk);
    blocks->close();
    auto* square = new AcDbPolyline;
    square->addVertexAt(0, AcGePoint2d(0, 0));
    square->addVertexAt(1, AcGePoint2d(3, 0));
    square->addVertexAt(2, AcGePoint2d(3, 2));
    square->addVertexAt(3, AcGePoint2d(0, 2));
    square->setClosed(true);
    btr->appendAcDbEntity(square);
    square->close();
    btr->close();
    return id;
}

// A legend-like table: a merged title row, a header row and two data rows set 1.5 tall
// whose middle cells show a swatch block 2 tall, the last with a text of two lines.
AcDbObjectId addLegend(AcDbDatabase& db, AcDbObjectId swatch)
{
    auto* table = new AcDbTable;
    EXPECT_EQ(table->setTableStyle(db.tablestyle()), Acad::eOk);
    table->setSize(2, 3);
    table->mergeCells(0, 0, 0, 2);
    table->setPosition(AcGePoint3d(100, 50, 0));
    table->setTextString(0, 0, "Report \\ title");
    table->setTextString(1, 0, "Description");
    table->setTextString(1, 1, "Hatch");
    table->setTextString(1, 2, "Area sq.m.");
    for (int row = 2; row < 4; ++row) {
        EXPECT_EQ(table->insertRows(row, 1.5), Acad::eOk);
        table->setTextString(row, 0, row == 2 ? "Offices" : "Corridors");
        table->setBlockTableRecordId(row, 1, swatch, false);
        table->setTextString(row, 2, row == 2 ? "120.50" : "30.00\\P(2 rooms)");
    }
    table->setColumnWidth(0, 12);
    table->setColumnWidth(1, 6);
    table->setColumnWidth(2, 11);
    table->setRowHeight(1.5);
    table->setTextHeight(1.0, AcDb::kDataRow | AcDb::kTitleRow | AcDb::kHeaderRow);
    table->setAlignment(AcDb::kMiddleCenter, AcDb::kAllRows);
    AcDbBlockTableRecord* ms = nullptr;
    acdbOpenObject(ms, db.modelSpaceId(), AcDb::kForWrite);
    AcDbObjectId id;
    EXPECT_EQ(ms->appendAcDbEntity(id, table), Acad::eOk);
    table->close();
    ms->close();
    return id;
}

} // namespace

TEST(Table, GridKeepsMergesRowsAndCellSettings)
{
    AcDbTable t;
    ASSERT_EQ(t.setSize(2, 3), Acad::eOk);
    ASSERT_EQ(t.mergeCells(0, 0, 0, 2), Acad::eOk);
    EXPECT_EQ(t.mergeCells(0, 1, 1, 1), Acad::eInvalidInput);   // overlaps the title
    t.setTextHeight(2.0, AcDb::kAllRows);
    t.setAlignment(AcDb::kMiddleCenter, AcDb::kAllRows);
    // Rows inserted under the header take its settings; the title merge does not grow.
    ASSERT_EQ(t.insertRows(2, 3.0, 2), Acad::eOk);
    EXPECT_EQ(t.numRows(), 4);
    EXPECT_DOUBLE_EQ(t.rowHeight(3), 3.0);
    EXPECT_DOUBLE_EQ(t.textHeight(3, 2), 2.0);
    EXPECT_EQ(t.alignment(3, 1), AcDb::kMiddleCenter);
    int minRow = -1, maxRow = -1, minColumn = -1, maxColumn = -1;
    EXPECT_TRUE(t.isMergedCell(0, 2, &minRow, &maxRow, &minColumn, &maxColumn));
    EXPECT_EQ(maxRow, 0);
    EXPECT_EQ(maxColumn, 2);
    EXPECT_FALSE(t.isMergedCell(1, 1));
    EXPECT_EQ(t.rowType(0), AcDb::kTitleRow);
    EXPECT_EQ(t.rowType(1), AcDb::kHeaderRow);
    EXPECT_EQ(t.rowType(3), AcDb::kDataRow);
    // Inserting a column inside a merge widens it; shrinking the grid drops merges it cuts.
    ASSERT_EQ(t.insertColumns(1, 4.0), Acad::eOk);
    EXPECT_TRUE(t.isMergedCell(0, 3, nullptr, nullptr, nullptr, &maxColumn));
    EXPECT_EQ(maxColumn, 3);
    ASSERT_EQ(t.setNumColumns(2), Acad::eOk);
    EXPECT_FALSE(t.isMergedCell(0, 1));
    // Bad indexes and sizes are refused and change nothing.
    EXPECT_EQ(t.setTextString(9, 0, "x"), Acad::eInvalidInput);
    EXPECT_EQ(t.setRowHeight(0, 0.0), Acad::eInvalidInput);
    EXPECT_EQ(t.insertRows(7, 1.0), Acad::eInvalidInput);
    EXPECT_EQ(t.textString(9, 9), CString());
}

TEST(Table, WrittenTableShowsInItsBlockAndReadsBack)
{
    TempDir dir;
    const std::string first = dir.file("legend.dxf"), second = dir.file("legend2.dxf");
    AcDbHandle tableHandle;
    {
        AcDbDatabase db;
        const AcDbObjectId swatch = addBlock(db, "SWATCH");
        const AcDbObjectId id = addLegend(db, swatch);
        tableHandle = id.handle();
        ASSERT_EQ(db.saveAs(first.c_str()), Acad::eOk) << db.lastErrorMessage();
        // The block was built when saving; the table's extents are its grid, whose rows
        // grew to hold their content within the margins (see the stored heights below).
        const auto* table = AcDbTable::cast(id.object());
        EXPECT_FALSE(table->needsLayout());
        // Every text and swatch of its block stands inside one row, the margins kept.
        const auto* content = AcDbBlockTableRecord::cast(table->blockTableRecord().object());
        for (const AcDbObjectId& shown : content->entityIds()) {
            AcDbExtents e;
            if (AcDbLine::cast(shown.object()) || AcDbEntity::cast(shown.object())->getGeomExtents(e) != Acad::eOk)
                continue;
            double top = 0.0;   // rows run down from the insertion point
            int rows = 0;
            for (int row = 0; row < 4; top -= table->rowHeight(row++))
                rows += e.maxPoint().y <= top - 0.06 + 1e-9
                        && e.minPoint().y >= top - table->rowHeight(row) + 0.06 - 1e-9;
            EXPECT_EQ(rows, 1) << shown.object()->isA()->name();
        }
        AcDbExtents e;
        ASSERT_EQ(table->getGeomExtents(e), Acad::eOk);
        EXPECT_NEAR(e.minPoint().x, 100, 1e-9);
        EXPECT_NEAR(e.maxPoint().x, 129, 1e-9);
        EXPECT_NEAR(e.minPoint().y, 50 - 7.9067, 1e-4);
        EXPECT_NEAR(e.maxPoint().y, 50, 1e-9);
    }
    EXPECT_EQ(runTool("audit " + first), "");
    EXPECT_EQ(runTool("librecad " + first).find("[failed]"), std::string::npos);
    // ezdxf, which has no table support, finds the grid, the texts and the swatches in the
    // table's block: one line for each of the five row edges and four column edges, those
    // inside the title stopping under it. Rows keep their 1.5 or grow to hold their tallest
    // content and the margins (0.06) above and below it: the swatch (2), or two lines of
    // text 5/3 apart (2.667).
    EXPECT_EQ(runTool("tables " + first),
              "table *T lines=9 texts=['120.50', '30.00\\n(2 rooms)', 'Area sq.m.', 'Corridors', 'Description', "
              "'Hatch', 'Offices', 'Report \\\\ title'] inserts=['SWATCH', 'SWATCH'] rows=[1.5, 1.5, 2.12, 2.7867]\n"
              "styles Standard:TABLESTYLE\n");

    AcDbDatabase back(false);
    ASSERT_EQ(back.readDxfFile(first.c_str()), Acad::eOk) << back.lastErrorMessage();
    AcDbObjectId id;
    ASSERT_EQ(back.getAcDbObjectId(id, false, tableHandle), Acad::eOk);
    const auto* table = AcDbTable::cast(id.object());
    ASSERT_NE(table, nullptr);
    EXPECT_EQ(table->numRows(), 4);
    EXPECT_EQ(table->numColumns(), 3);
    EXPECT_DOUBLE_EQ(table->columnWidth(0), 12);
    EXPECT_NEAR(table->rowHeight(3), 2 + 2.0 / 3 + 0.12, 1e-12);
    EXPECT_EQ(table->textString(0, 0), CString("Report \\ title"));
    EXPECT_EQ(table->textString(3, 0), CString("Corridors"));
    EXPECT_TRUE(table->isMergedCell(0, 2));
    EXPECT_EQ(table->cellType(2, 1), AcDb::kBlockCell);
    const auto* swatch = AcDbBlockTableRecord::cast(table->blockTableRecordId(2, 1).object());
    ASSERT_NE(swatch, nullptr);
    EXPECT_EQ(swatch->name(), "SWATCH");
    EXPECT_DOUBLE_EQ(table->textHeight(2, 2), 1.0);
    EXPECT_EQ(table->alignment(2, 2), AcDb::kMiddleCenter);
    EXPECT_EQ(table->tableStyle(), back.tablestyle());
    AcDbDictionary* styles = nullptr;
    ASSERT_EQ(back.getTableStyleDictionary(styles), Acad::eOk);
    AcDbObjectId standard;
    EXPECT_EQ(styles->getAt("Standard", standard), Acad::eOk);
    styles->close();
    EXPECT_EQ(standard, table->tableStyle());
    const auto* style = AcDbTableStyle::cast(back.tablestyle().object());
    ASSERT_NE(style, nullptr);
    EXPECT_DOUBLE_EQ(style->textHeight(AcDb::kTitleRow), 0.25);
    EXPECT_FALSE(table->needsLayout());
    // What was read is written back the same.
    ASSERT_EQ(back.saveAs(second.c_str()), Acad::eOk);
    EXPECT_TRUE(readFile(first) == readFile(second));
}

TEST(Table, ChangedTableRebuildsItsBlockInPlace)
{
    TempDir dir;
    const std::string path = dir.file("changed.dxf");
    AcDbDatabase db;
    const AcDbObjectId id = addLegend(db, addBlock(db, "SWATCH"));
    AcDbTable* table = nullptr;
    ASSERT_EQ(acdbOpenObject(table, id, AcDb::kForWrite), Acad::eOk);
    ASSERT_EQ(table->recomputeTableBlock(), Acad::eOk);
    const AcDbObjectId block = table->blockTableRecord();
    table->setTextString(3, 0, "Stairs");
    EXPECT_TRUE(table->needsLayout());
    ASSERT_EQ(table->generateLayout(), Acad::eOk);
    EXPECT_EQ(table->blockTableRecord(), block);
    // A table that shares its block with another gets a block of its own when it changes.
    auto* other = new AcDbTable;
    other->setSize(1, 1);
    other->setTextString(0, 0, "Other");
    ASSERT_EQ(other->setBlockTableRecord(block), Acad::eOk);
    AcDbBlockTableRecord* ms = nullptr;
    acdbOpenObject(ms, db.modelSpaceId(), AcDb::kForWrite);
    ms->appendAcDbEntity(other);
    ms->close();
    ASSERT_EQ(other->generateLayout(), Acad::eOk);
    EXPECT_NE(other->blockTableRecord(), block);
    other->close();
    // Turning the table turns its direction and its block's content.
    table->transformBy(AcGeMatrix3d::rotation(kPi / 2, AcGeVector3d::kZAxis, AcGePoint3d(100, 50, 0)));
    EXPECT_NEAR(table->direction().y, 1, 1e-12);
    table->close();
    ASSERT_EQ(db.saveAs(path.c_str()), Acad::eOk) << db.lastErrorMessage();
    EXPECT_EQ(AcDbTable::cast(id.object())->blockTableRecord(), block);
    const std::string shown = runTool("tables " + path);
    EXPECT_NE(shown.find("'Stairs'"), std::string::npos) << shown;
    EXPECT_EQ(shown.find("'Corridors'"), std::string::npos) << shown;
    AcDbExtents e;
    AcDbTable::cast(id.object())->getGeomExtents(e);
    EXPECT_NEAR(e.maxPoint().x, 107.9067, 1e-4);   // the rows, now along x
    EXPECT_NEAR(e.maxPoint().y, 79, 1e-9);

    // An erased table takes its block along; the file then holds only the other table.
    ASSERT_EQ(acdbOpenObject(table, id, AcDb::kForWrite), Acad::eOk);
    table->erase();
    table->close();
    EXPECT_TRUE(block.isErased());
    ASSERT_EQ(db.saveAs(path.c_str()), Acad::eOk) << db.lastErrorMessage();
    EXPECT_EQ(runTool("tables " + path),
              "table *T lines=4 texts=['Other'] inserts=[] rows=[1.0]\nstyles Standard:TABLESTYLE\n");
    EXPECT_EQ(runTool("audit " + path), "");
}

TEST(Table, TableOfAnotherFormStaysAsRead)
{
    // Cells in the structured value form, and a table whose counts disagree, are kept as
    // read and written back unchanged; the drawing still loads.
    TempDir dir;
    const std::string theirs = dir.file("theirs.dxf"), ours = dir.file("ours.dxf");
    {
        AcDbDatabase db;
        addLegend(db, addBlock(db, "SWATCH"));
        ASSERT_EQ(db.saveAs(theirs.c_str()), Acad::eOk);
    }
    std::string text = readFile(theirs);
    const size_t cell = text.find("\n171\n");
    ASSERT_NE(cell, std::string::npos);
    text.insert(cell, "\n301\nCELL_VALUE");
    writeFile(theirs, text);
    AcDbDatabase db(false);
    ASSERT_EQ(db.readDxfFile(theirs.c_str()), Acad::eOk) << db.lastErrorMessage();
    AcDbBlockTableRecord* ms = nullptr;
    acdbOpenObject(ms, db.modelSpaceId(), AcDb::kForRead);
    const AcDbObject* entity = ms->entityIds().front().object();
    ms->close();
    EXPECT_EQ(AcDbTable::cast(entity), nullptr);
    EXPECT_STREQ(entity->dxfName(), "ACAD_TABLE");
    ASSERT_EQ(db.saveAs(ours.c_str()), Acad::eOk);
    EXPECT_NE(readFile(ours).find("CELL_VALUE"), std::string::npos);
    EXPECT_EQ(runTool("tables " + ours).substr(0, 8), "table *T");
}

TEST(BlockRedefinition, ReferencedDefinitionIsRefilledInPlaceNeverErased)
{
    TempDir dir;
    const std::string path = dir.file("redefined.dxf");
    AcDbDatabase db;
    const AcDbObjectId legend = addBlock(db, "LEGEND");
    const AcDbObjectId holder = addBlock(db, "HOLDER");
    AcDbBlockTableRecord* btr = nullptr;
    acdbOpenObject(btr, holder, AcDb::kForWrite);
    auto* nested = new AcDbBlockReference(AcGePoint3d(5, 5, 0), legend);
    btr->appendAcDbEntity(nested);
    nested->close();
    btr->close();
    acdbOpenObject(btr, db.modelSpaceId(), AcDb::kForWrite);
    auto* direct = new AcDbBlockReference(AcGePoint3d(1, 1, 0), legend);
    AcDbObjectId directId;
    btr->appendAcDbEntity(directId, direct);
    direct->close();
    btr->close();

    ASSERT_EQ(acdbOpenObject(btr, legend, AcDb::kForWrite), Acad::eOk);
    AcDbObjectIdArray refs;
    btr->getBlockReferenceIds(refs);
    EXPECT_EQ(refs.size(), 2u);   // in model space and nested in another definition
    EXPECT_EQ(btr->erase(), Acad::eObjectIsReferenced);
    // Emptied and refilled: the references keep their definition and show the new content.
    for (const AcDbObjectId& id : btr->entityIds()) {
        AcDbEntity* ent = nullptr;
        ASSERT_EQ(acdbOpenObject(ent, id, AcDb::kForWrite), Acad::eOk);
        ent->erase();
        ent->close();
    }
    auto* line = new AcDbLine(AcGePoint3d(0, 0, 0), AcGePoint3d(7, 0, 0));
    btr->appendAcDbEntity(line);
    line->close();
    btr->close();
    ASSERT_EQ(db.saveAs(path.c_str()), Acad::eOk) << db.lastErrorMessage();
    EXPECT_EQ(runTool("audit " + path), "");
    const std::string shown = runTool("show " + path);
    const size_t block = shown.find("block LEGEND");
    ASSERT_NE(block, std::string::npos) << shown;
    const std::string content = shown.substr(block, shown.find("\nblock ", block + 1) - block);
    EXPECT_NE(content.find("  LINE #"), std::string::npos) << content;
    EXPECT_EQ(content.find("LWPOLYLINE"), std::string::npos) << content;

    // Once nothing shows it, the definition may go; a reference cannot be pointed at it then.
    AcDbBlockReference* ref = nullptr;
    ASSERT_EQ(acdbOpenObject(ref, directId, AcDb::kForWrite), Acad::eOk);
    ref->erase();
    ref->close();
    ASSERT_EQ(acdbOpenObject(btr, holder, AcDb::kForWrite), Acad::eOk);
    EXPECT_EQ(btr->erase(), Acad::eOk);   // its nested reference goes with it
    btr->close();
    ASSERT_EQ(acdbOpenObject(btr, legend, AcDb::kForWrite), Acad::eOk);
    EXPECT_EQ(btr->erase(), Acad::eOk);
    btr->close();
    AcDbBlockReference late;
    EXPECT_EQ(late.setBlockTableRecord(legend), Acad::eWasErased);
    ASSERT_EQ(db.saveAs(path.c_str()), Acad::eOk) << db.lastErrorMessage();
    EXPECT_EQ(runTool("show " + path).find("LEGEND"), std::string::npos);
}

TEST(Table, RecordWithASecondTableSectionKeepsAWholeGrid)
{
    TempDir dir;
    std::string text = readFile(QV_SOURCE_DIR "/tests/fuzz/corpus/dxf/table-merged-title-and-block-cell.dxf");
    const size_t end = text.find(" 70\n0\n");
    ASSERT_NE(end, std::string::npos);
    // A second table section of two rows, one column and a single cell.
    text.insert(end, "100\nAcDbTable\n141\n2.0\n141\n2.0\n142\n5.0\n171\n1\n  1\nX\n");
    const std::string path = dir.file("twice.dxf"), out = dir.file("out.dxf");
    writeFile(path, text);
    AcDbDatabase db(false);
    ASSERT_EQ(db.readDxfFile(path.c_str()), Acad::eOk) << db.lastErrorMessage();
    AcDbBlockTableRecord* ms = nullptr;
    acdbOpenObject(ms, db.modelSpaceId(), AcDb::kForRead);
    const auto* table = AcDbTable::cast(ms->entityIds().front().object());
    ms->close();
    ASSERT_NE(table, nullptr);
    EXPECT_EQ(table->numRows(), 2);
    EXPECT_EQ(table->numColumns(), 2);
    EXPECT_EQ(table->textString(0, 0), CString("Title"));
    EXPECT_EQ(table->textString(1, 0), CString("Area"));
    EXPECT_EQ(table->cellType(1, 1), AcDb::kBlockCell);
    EXPECT_EQ(db.saveAs(out.c_str()), Acad::eOk) << db.lastErrorMessage();
}
