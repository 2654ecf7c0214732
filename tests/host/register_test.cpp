// Layouts and layer lists written to and read from the server register, against the real
// PostgreSQL server (tests/database/sql: 30-layouts.sql, 50-reports.sql, 20-module.sql).
#include "arx/dblayout.h"
#include "common/pgserver.h"
#include "database/sqlstatement.h"
#include "database/storedprocedure.h"
#include "host/layers.h"
#include "host/layouts.h"
#include "layerfixture.h"

#include <memory>

namespace {

using RegisterTest = LayerDrawingTest;

std::unique_ptr<CStoredProcedure> procedure()
{
    return std::make_unique<CStoredProcedure>(qvtest::pgServer(), qvtest::pgDatabase(), qvtest::pgUser(),
                                              qvtest::pgPassword(), 10);
}

std::unique_ptr<CSQLStatement> statement()
{
    return std::make_unique<CSQLStatement>(qvtest::pgServer(), qvtest::pgDatabase(), qvtest::pgUser(),
                                           qvtest::pgPassword(), 10);
}

// The first column of every row of the query, nulls as "<null>".
std::vector<std::string> column(const std::string& sql)
{
    std::vector<std::string> values;
    for (_RecordsetPtr rows = statement()->execSQLReturn(sql.c_str()); !rows->GetadoEOF(); rows->MoveNext()) {
        const _variant_t value = rows->GetCollect(_variant_t(0L));
        values.emplace_back(value.isNull() ? "<null>" : static_cast<_bstr_t>(value).c_str());
    }
    return values;
}

std::vector<std::string> registeredLayouts(int attachID)
{
    return column("SELECT layout_name FROM drawing_layouts WHERE attach_id = " + std::to_string(attachID) +
                  " ORDER BY ordinal");
}

std::vector<std::string> names(const CLayouts& layouts)
{
    std::vector<std::string> result;
    for (int i = 0; i < layouts.getCount(); ++i)
        result.emplace_back(layouts.getAt(i)->getName().GetString());
    return result;
}

} // namespace

TEST_F(RegisterTest, LayoutsOfADrawingReplaceTheRegistersRowsForIt)
{
    AcDbObjectId layoutId, blockId;
    ASSERT_EQ(acdbLayoutManager()->createLayout("Sheet", layoutId, blockId, db), Acad::eOk);
    auto* plain = new AcDbBlockTableRecord;
    plain->setName("DOOR");
    AcDbBlockTable* table = nullptr;
    ASSERT_EQ(db->getSymbolTable(table, AcDb::kForWrite), Acad::eOk);
    ASSERT_EQ(table->add(plain), Acad::eOk);
    plain->close();
    table->close();

    CLayouts layouts;
    layouts.getDWGLayouts(&drawing);
    layouts.getDWGLayouts(&drawing);
    EXPECT_EQ(names(layouts), (std::vector<std::string>{"Model", "Layout1", "Sheet"}));

    auto proc = procedure();
    EXPECT_EQ(layouts.addLayoutsToQPX(proc.get(), 17, 7001), 1);
    EXPECT_EQ(proc->getParameters(), nullptr) << "the procedure keeps no list that has gone";
    EXPECT_EQ(proc->getTimeout(), 17);
    EXPECT_EQ(registeredLayouts(7001), (std::vector<std::string>{"Model", "Layout1", "Sheet"}));

    CLayouts fewer;
    auto* sheet = new CLayout;
    sheet->setName("Sheet");
    fewer.add(sheet);
    CLayout sameName;
    sameName.setName("Sheet");
    fewer.add(&sameName);
    auto* lower = new CLayout;
    lower->setName("sheet");
    fewer.add(lower);
    EXPECT_EQ(fewer.getCount(), 2);
    fewer.addLayoutsToQPX(proc.get(), 10, 7001);
    EXPECT_EQ(registeredLayouts(7001), (std::vector<std::string>{"Sheet", "sheet"}));

    CLayouts().addLayoutsToQPX(proc.get(), 10, 7001);
    EXPECT_TRUE(registeredLayouts(7001).empty());

    acDocManager->setLockDecider([](AcApDocument*) { return Acad::eLockViolation; });
    fewer.getDWGLayouts(&drawing);
    acDocManager->setLockDecider(nullptr);
    EXPECT_EQ(fewer.getCount(), 2) << "a drawing that cannot be locked adds nothing";
}

TEST_F(RegisterTest, AReportsLayersOnAreReadCleanedWithoutDuplicates)
{
    statement()->execSQLNoReturn("INSERT INTO graphic_reports (graphic_report_id) VALUES (7101), (7102);"
                                 "INSERT INTO graphic_report_layers_on (graphic_report_id, layer_name, "
                                 "layer_description) VALUES (7101, 'Rooms', 'all rooms'), (7101, NULL, NULL), "
                                 "(7101, 'a<b>', NULL), (7101, 'Rooms', 'again'), (7101, NULL, 'no name')");
    auto proc = procedure();
    CLayers layers;
    layers.getGraphicReportLayersOn(proc.get(), 7102, 10);
    EXPECT_EQ(layers.getCount(), 0);

    layers.getGraphicReportLayersOn(proc.get(), 7101, 12);
    EXPECT_EQ(proc->getParameters(), nullptr);
    EXPECT_EQ(proc->getTimeout(), 12);
    ASSERT_EQ(layers.getCount(), 3);
    EXPECT_EQ(layers.getAt(0)->getName(), "Rooms");
    EXPECT_EQ(layers.getAt(0)->getDescription(), "all rooms");
    EXPECT_EQ(layers.getAt(1)->getName(), "");
    EXPECT_EQ(layers.getAt(2)->getName(), "ab");
    const CLayer* read = layers.getAt(2);
    EXPECT_EQ(std::vector<int>({read->getModified(), read->getOff(), read->getFrozen(), read->getPlottable()}),
              std::vector<int>({1, 0, 0, 1}));

    // The list recorded for a drawing: one row per layer, descriptions left empty.
    EXPECT_EQ(layers.addLayersToQPX(proc.get(), 10, 7103), 1);
    EXPECT_EQ(column("SELECT \"layerName\" || '|' || \"layerDescription\" FROM drawing_layers "
                     "WHERE \"attachID\" = 7103 ORDER BY id"),
              (std::vector<std::string>{"Rooms|", "|", "ab|"}));
}
