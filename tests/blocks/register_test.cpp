// The register writes and reads, the TP exports and the report-category reads of the
// space-block model, against the real PostgreSQL server (tests/database/sql: 40-register.sql,
// 45-tp-export.sql, 50-reports.sql). What a write sent is read back from the tables behind
// the server's functions.
#include "blocks/asset.h"
#include "blocks/assets.h"
#include "blocks/attributes.h"
#include "blocks/blockdwgbuilding.h"
#include "blocks/blockdwgfloor.h"
#include "blocks/blockdwgroom.h"
#include "blocks/blockdwgsite.h"
#include "blocks/blockqpxbuilding.h"
#include "blocks/blockqpxfloor.h"
#include "blocks/blockqpxroom.h"
#include "blocks/blockqpxsite.h"
#include "blocks/blocks.h"
#include "blocks/hatch.h"
#include "blocks/hyperlinks.h"
#include "blocks/kavroattribute.h"
#include "common/chain.h"
#include "common/pgserver.h"
#include "common/tempdir.h"
#include "database/debuglogpath.h"
#include "database/exstoredprocedure.h"
#include "database/sqlstatement.h"
#include "database/storedprocedure.h"

#include <gtest/gtest.h>
#include <memory>
#include <pugixml.hpp>
#include <string>
#include <vector>

namespace {

using Rows = std::vector<std::vector<std::string>>;

std::unique_ptr<CStoredProcedure> procedure(int timeout = 10)
{
    return std::make_unique<CStoredProcedure>(qvtest::pgServer(), qvtest::pgDatabase(), qvtest::pgUser(),
                                              qvtest::pgPassword(), timeout);
}

std::unique_ptr<CSQLStatement> statement()
{
    return std::make_unique<CSQLStatement>(qvtest::pgServer(), qvtest::pgDatabase(), qvtest::pgUser(),
                                           qvtest::pgPassword(), 10);
}

void exec(const std::string& sql) { statement()->execSQLNoReturn(sql.c_str()); }

// Every row of the query, each column as text, NULL as "<null>".
Rows rows(const std::string& sql)
{
    Rows result;
    for (_RecordsetPtr set = statement()->execSQLReturn(sql.c_str()); !set->GetadoEOF(); set->MoveNext()) {
        std::vector<std::string>& row = result.emplace_back();
        for (long i = 0; i < set->GetFields()->GetCount(); ++i) {
            const _variant_t value = set->GetCollect(_variant_t(i));
            row.emplace_back(value.isNull() ? "<null>" : static_cast<_bstr_t>(value).c_str());
        }
    }
    return result;
}

std::unique_ptr<CAsset> asset(const char* handle, const char* identifier, int exists, double x = 1.0,
                              double y = 2.0)
{
    auto made = std::make_unique<CAsset>(0, handle, identifier, CString("desc ") + identifier,
                                         CString("unique ") + handle, x, y, exists);
    made->setAttributes(new CAttributes);
    made->getAttributes()->add(new CAttribute("TAG1", CString("v1 ") + handle, 1), 0);
    made->getAttributes()->add(new CAttribute("TAG2", "", 0), 0);
    return made;
}

// The tag and value of each attribute.
std::vector<std::string> attributesOf(const CAttributes* set)
{
    std::vector<std::string> result;
    for (int i = 0; set && i < set->getCount(); ++i)
        result.push_back(std::string(set->getAt(i)->getTag()) + "=" + set->getAt(i)->getValue().GetString() +
                         (set->getAt(i)->getExists() ? "" : " (absent)"));
    return result;
}

std::vector<std::string> hyperlinksOf(const CHyperlinks* list)
{
    std::vector<std::string> result;
    for (int i = 0; list && i < list->getCount(); ++i)
        result.push_back(std::string(list->getAt(i)->getHref()) + "|" + list->getAt(i)->getDescription().GetString());
    return result;
}

// Each execution the debug log recorded: the procedure's name, then each parameter as
// name, type word and declared size, in the order they went to the command.
std::vector<std::string> recordedCalls(const std::string& path)
{
    pugi::xml_document document;
    EXPECT_TRUE(document.load_file(path.c_str()));
    std::vector<std::string> calls;
    for (const pugi::xml_node record : document.child("debugging").children("error")) {
        const pugi::xml_node call = record.child("storedProcedure");
        std::string text = call.child_value("name");
        for (const pugi::xml_node parameter : call.child("parameters").children("parameter"))
            text += std::string(" ") + parameter.child_value("parameterName") + ":" +
                    parameter.child_value("parameterType") + ":" + parameter.child_value("parameterSize");
        calls.push_back(text);
    }
    return calls;
}

class RegisterTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        // New register ids are one above the largest: keep them clear of the ids other
        // suites write under their own numbers.
        exec("INSERT INTO register_locations (location_id, kind) VALUES (98200000, 's') ON CONFLICT DO NOTHING");
    }
};

} // namespace

TEST_F(RegisterTest, RoomExportSendsEveryFieldThenItsAssetsUnderTheRoomsTimeout)
{
    CBlockDWGRoom room;
    room.setName("Office");
    room.setCode("");
    room.setArea(12.3456789012);
    room.setHandle(CString("2A9F"));
    room.setPerimeter(14.5);
    room.setRoomHeight(2.75);
    room.setVolume(33.95);
    room.setAreaType(std::string(300, 'x').c_str());
    room.setAssets(new CAssets);
    room.getAssets()->add(asset("B1", "CHAIR", 1, 12.5, 7.25).release());
    room.getAssets()->add(asset("B2", "DESK", 0).release());
    room.getAssets()->getAt(0)->setLocationID(982101);
    room.getAssets()->getAt(1)->setLocationID(982101);

    auto proc = procedure(10);
    room.exportTP(proc.get(), 25, 982100, "run=7");
    EXPECT_EQ(proc->getTimeout(), 25);
    EXPECT_EQ(proc->getParameters(), nullptr) << "the procedure keeps no list that has gone";
    EXPECT_EQ(std::string(proc->getName()), "__to_tp_exportAsset") << "the last call was the last asset's";

    EXPECT_EQ(rows("SELECT block_name, block_code, area, length(area_type), cost_centre, block_date, perimeter, "
                   "room_height, tag_type, volume, export_parameters FROM tp_space_blocks "
                   "WHERE parent_id = 982100 AND handle_text = '2A9F'"),
              (Rows{{"Office", "", "12.3456789012", "300", "<Not Set>", "<Not Set>", "14.5", "2.75", "<Not Set>",
                     "33.95", "run=7"}}));
    EXPECT_EQ(rows("SELECT handle_text, block_identifier, block_description, unique_description, point_x, point_y, "
                   "exists_in_location::int, export_parameters FROM tp_assets WHERE location_id = 982101 "
                   "ORDER BY handle_text"),
              (Rows{{"B1", "CHAIR", "desc CHAIR", "unique B1", "12.5", "7.25", "1", "run=7"},
                    {"B2", "DESK", "desc DESK", "unique B2", "1", "2", "0", "run=7"}}));
}

TEST_F(RegisterTest, GrossAreasAndBuildingsGoUnderTheirIdsAndOnlySitesSetTheTimeout)
{
    auto proc = procedure(10);
    CBlockDWGBuilding building;
    building.setName("Main");
    building.setHandle(CString("B0"));
    building.exportTP(proc.get(), 40, 982200, "b");
    EXPECT_EQ(proc->getTimeout(), 10) << "a building runs under the time-out the procedure holds";

    CBlockDWGFloor floor;
    floor.setArea(450.25);
    floor.setHandle(CString("F0"));
    floor.exportTP(proc.get(), 41, 982201, "f");
    EXPECT_EQ(proc->getTimeout(), 10);

    CBlockDWGSite site;
    site.setArea(9000.5);
    site.setHandle(CString("S0"));
    site.exportTP(proc.get(), 42, 982202, "s");
    EXPECT_EQ(proc->getTimeout(), 42);

    EXPECT_EQ(rows("SELECT block_name, export_parameters FROM tp_space_blocks WHERE parent_id = 982200"),
              (Rows{{"Main", "b"}}));
    EXPECT_EQ(rows("SELECT location_id, area, handle_text, export_parameters FROM tp_gross_areas "
                   "WHERE location_id IN (982201, 982202) ORDER BY location_id"),
              (Rows{{"982201", "450.25", "F0", "f"}, {"982202", "9000.5", "S0", "s"}}));
}

TEST_F(RegisterTest, AFailingAssetEndsTheRoomExportWithTheWholeChainAndKeepsWhatWasWritten)
{
    CBlockDWGRoom room;
    room.setHandle(CString("3B"));
    room.setAssets(new CAssets);
    const std::pair<const char*, const char*> items[] = {{"5A1", "LAMP"}, {"5A2", "REFUSED"}, {"5A3", "SOFA"}};
    for (const auto& [handle, identifier] : items) {
        auto item = asset(handle, identifier, 1);
        item->setLocationID(982301);
        room.getAssets()->add(item.release());
    }
    auto proc = procedure();
    Chain error = caught([&] { room.exportTP(proc.get(), 10, 982300, "x"); });
    ASSERT_TRUE(error);
    std::vector<std::string> chain;
    for (CEXKavro* e = error.get(); e; e = e->getInnerException())
        chain.emplace_back(e->getProcSig());
    ASSERT_GE(chain.size(), 4u);
    EXPECT_EQ(std::vector<std::string>(chain.begin(), chain.begin() + 4),
              (std::vector<std::string>{"CBlockDWGRoom::exportTP", "CAssets::exportTP", "CAsset::exportTP",
                                        "CStoredProcedure::execSPNoReturnParas"}));
    EXPECT_EQ(proc->getParameters(), nullptr);
    EXPECT_EQ(rows("SELECT count(*) FROM tp_space_blocks WHERE parent_id = 982300"), (Rows{{"1"}}));
    EXPECT_EQ(rows("SELECT handle_text FROM tp_assets WHERE location_id = 982301"), (Rows{{"5A1"}}));
}

TEST_F(RegisterTest, RoomsTakeTheRegistersIdAndWriteTheirAssetsUnderIt)
{
    exec("INSERT INTO takeoff_exclusions VALUES ('EXCLUDED-982') ON CONFLICT DO NOTHING");
    CBlockQPXRoom room;
    room.setParentID(982400);
    room.setName("Lab");
    room.setCode("L-1");
    room.setStatusExists(1);
    room.setArea(20.125);
    room.setHandle("4C");
    room.setPerimeter(18.0);
    room.setPrecision(3);
    room.setAssets(new CAssets);
    room.getAssets()->add(asset("C1", "BENCH", 1).release());
    room.getAssets()->add(asset("C2", "BENCH", 0).release());
    room.getAssets()->add(asset("C3", "EXCLUDED-982", 1).release());
    room.getAssets()->add(new CAsset(0, "C4", "STOOL", "", "", 0.5, 0.25, 1));

    auto proc = procedure();
    room.applyToQPX(proc.get(), 98240, 15);
    const int id = room.getLocationID();
    EXPECT_GT(id, 98200000);
    EXPECT_EQ(proc->getParameters(), nullptr);
    EXPECT_EQ(rows("SELECT parent_id, kind, space_name, space_code, exists_flag::int, duplicate_flag::int, area, handle_text, "
                   "perimeter, area_precision FROM register_locations WHERE location_id = " + std::to_string(id)),
              (Rows{{"982400", "r", "Lab", "L-1", "1", "0", "20.125", "4C", "18", "3"}}));
    EXPECT_EQ(rows("SELECT handle_text, (location_id = " + std::to_string(id) + ")::int"
                   ", exists_in_location::int FROM register_assets WHERE drawing_id = 98240 ORDER BY handle_text"),
              (Rows{{"C1", "1", "1"}, {"C2", "1", "0"}, {"C3", "1", "1"}, {"C4", "1", "1"}}));
    // Attributes only of an asset that exists, is not excluded and has a set; every
    // attribute of the set, absent ones included.
    EXPECT_EQ(rows("SELECT handle_text, tag, tag_value, exists_flag::int FROM register_asset_attributes "
                   "WHERE drawing_id = 98240 ORDER BY handle_text, tag"),
              (Rows{{"C1", "TAG1", "v1 C1", "1"}, {"C1", "TAG2", "", "0"}}));

    room.setName("Lab 2");
    room.applyToQPX(proc.get(), 98240, 15);
    EXPECT_EQ(room.getLocationID(), id) << "a space the register holds keeps its id";

    CBlockQPXFloor floor;
    floor.setLocationID(982401);
    floor.setArea(300.5);
    floor.applyToQPX(proc.get(), 98240, 15);
    EXPECT_EQ(floor.getLocationID(), 982401);
    EXPECT_EQ(rows("SELECT kind, area FROM register_locations WHERE location_id = 982401"), (Rows{{"f", "300.5"}}));

    CBlockQPX plain;
    plain.applyToQPX(proc.get(), 98240, 15);
    EXPECT_EQ(plain.getLocationID(), 0);
}

TEST_F(RegisterTest, RegisterBlocksReadBackAsTheirKindsWithFlagsNullsAndNestedAssetReads)
{
    const int parent = 982500;
    exec("INSERT INTO register_locations (location_id, parent_id, kind, space_name, space_code, exists_flag, "
         "duplicate_flag, area, handle_text, perimeter) VALUES "
         "(982501, 982500, 'r', 'R1', 'C1', true, true, 10.5, 'A1', 13.0), "
         "(982502, 982500, 'f', 'F1', 'C2', true, false, NULL, NULL, NULL), "
         "(982503, 982500, 'b', 'B1', 'C3', false, true, 30, 'A3', 3), "
         "(982504, 982500, 's', 'S1', 'C4', false, false, 40, 'A4', 4), "
         "(982505, 982500, 'r', 'R2', 'C5', true, false, 50, 'A5', 5)");
    exec("INSERT INTO register_assets (drawing_id, handle_text, location_id, block_identifier, block_description, "
         "unique_description, point_x, point_y, exists_in_location) VALUES "
         "(98250, 'D1', 982501, 'CHAIR', NULL, 'Chair 1', 1.5, 2.5, true), "
         "(98250, 'D2', 982501, 'TABLE', 'Table', NULL, 3, 4, false), "
         "(98250, 'd3', 982505, 'LAMP', 'Lamp', 'Lamp 1', 5, 6, true)");
    exec("INSERT INTO register_asset_attributes (drawing_id, handle_text, tag, tag_value, exists_flag) VALUES "
         "(98250, 'D1', 'Colour', 'red', true), (98250, 'D1', 'COLOUR', NULL, true), "
         "(98250, 'D1', 'Gone', 'x', false), (98250, 'd3', 'Shade', 'green', true)");

    CBlocks blocks;
    auto* first = new CBlockQPXSite;
    blocks.addBlock(first);
    auto proc = procedure(10);
    blocks.getQPXBlocks(proc.get(), 33, parent, 1);
    EXPECT_EQ(proc->getTimeout(), 0) << "the attribute queries run without a time-out";
    EXPECT_EQ(proc->getParameters(), nullptr);
    ASSERT_EQ(blocks.count(), 6);
    EXPECT_EQ(blocks.getAt(0), first) << "rows are appended after the blocks held";

    const std::vector<int> types = {kBlockQPXRoom, kBlockQPXFloor, kBlockQPXBuilding, kBlockQPXSite, kBlockQPXRoom};
    const std::vector<std::pair<int, int>> flags = {{1, 1}, {1, 0}, {0, 1}, {0, 0}, {1, 0}};
    for (int i = 0; i < 5; ++i) {
        auto* block = static_cast<CBlockQPX*>(blocks.getAt(i + 1));
        EXPECT_EQ(block->getBlockType(), types[i]) << i;
        EXPECT_EQ(block->getLocationID(), 982501 + i);
        EXPECT_EQ(block->getParentID(), parent);
        EXPECT_EQ(std::make_pair(block->getStatusExists(), block->getStatusDuplicate()), flags[i]) << i;
        EXPECT_EQ(block->getAssets() != nullptr, types[i] == kBlockQPXRoom) << i;
    }
    // Found by location id; a plain record in front of it is passed over.
    EXPECT_EQ(blocks.getAtQPXBlock(982503), blocks.getAt(3));
    EXPECT_EQ(blocks.getAtQPXBlock(0), first) << "not read from the register yet";
    EXPECT_EQ(blocks.getAtQPXBlock(999999), nullptr);
    {
        CBlocks mixed;
        mixed.addBlock(new CBlock);
        mixed.addBlock(blocks.getAt(3));
        EXPECT_EQ(mixed.getAtQPXBlock(982503), blocks.getAt(3));
        EXPECT_EQ(mixed.getAtQPXBlock(0), nullptr);
    }
    const CBlock* floor = blocks.getAt(2);
    EXPECT_EQ(floor->getArea(), 0.0);
    EXPECT_EQ(floor->getPerimeter(), 0.0);
    EXPECT_EQ(floor->getHandle(), "") << "NULL measures and handle keep the defaults";
    EXPECT_EQ(blocks.getAt(1)->getArea(), 10.5);
    EXPECT_EQ(blocks.getAt(1)->getHandle(), "A1");

    const CAssets* assets = static_cast<CBlockQPX*>(blocks.getAt(1))->getAssets();
    ASSERT_EQ(assets->getCount(), 2);
    const CAsset* chair = assets->getAt(0);
    EXPECT_EQ(chair->getLocationID(), 982501);
    EXPECT_EQ(chair->getDrawingID(), 98250);
    EXPECT_EQ(chair->getHandle(), "D1");
    EXPECT_EQ(chair->getBlockIdentifier(), "CHAIR");
    EXPECT_EQ(chair->getBlockDescription(), "") << "a NULL description reads as empty";
    EXPECT_EQ(chair->getUniqueDescription(), "Chair 1");
    EXPECT_EQ(chair->getPointX(), 1.5);
    EXPECT_EQ(chair->getPointY(), 2.5);
    EXPECT_EQ(chair->getExistsInLocation(), 1);
    EXPECT_EQ(assets->getAt(1)->getExistsInLocation(), 0) << "status \"0\"";
    EXPECT_EQ(attributesOf(chair->getAttributes()), (std::vector<std::string>{"Colour=red", "COLOUR="}));
    const CAssets* lamps = static_cast<CBlockQPX*>(blocks.getAt(5))->getAssets();
    ASSERT_EQ(lamps->getCount(), 1);
    EXPECT_EQ(attributesOf(lamps->getAt(0)->getAttributes()), (std::vector<std::string>{"Shade=green"}))
        << "the attributes are asked for by the register's own handle text";

    CBlocks without;
    without.getQPXBlocks(proc.get(), 33, parent, 0);
    ASSERT_EQ(without.count(), 5);
    EXPECT_EQ(static_cast<CBlockQPX*>(without.getAt(0))->getAssets(), nullptr);
    CBlocks none;
    none.getQPXBlocks(proc.get(), 33, 982599, 1);
    EXPECT_EQ(none.count(), 0);

    without.destroyBlocks();
    blocks.destroyBlocks();
}

TEST_F(RegisterTest, LocationAssetsAppendAndADuplicateTagKeepsTheFirstRow)
{
    exec("INSERT INTO register_assets (drawing_id, handle_text, location_id, block_identifier, block_description, "
         "unique_description, point_x, point_y, exists_in_location) VALUES "
         "(98260, 'E1', 982601, 'CHAIR', 'Chair', 'Chair 1', 1, 2, true)");
    CAssets assets;
    auto proc = procedure();
    assets.getLocationAssets(proc.get(), 982601, 5);
    assets.getLocationAssets(proc.get(), 982601, 5);
    ASSERT_EQ(assets.getCount(), 2) << "a second read appends the same assets again";
    EXPECT_EQ(assets.getAt(1)->getHandle(), "E1");
    assets.getLocationAssets(proc.get(), 982699, 5);
    EXPECT_EQ(assets.getCount(), 2);

    CAttributes set;
    set.add(new CAttribute("Size", "held", 1), 0);
    exec("INSERT INTO register_asset_attributes (drawing_id, handle_text, tag, tag_value, exists_flag) VALUES "
         "(98260, 'E1', 'Size', 'L', true), (98260, 'E1', 'Make', 'Acme', true)");
    set.getAssetAttributes(proc.get(), 98260, "E1", 5);
    EXPECT_EQ(attributesOf(&set), (std::vector<std::string>{"Size=held", "Make=Acme"}));
}

TEST_F(RegisterTest, CategoryReadsGiveBlocksAndAssetsTheirSwapsHyperlinksAndOwnHatchCopies)
{
    exec("INSERT INTO graphic_reports (graphic_report_id) VALUES (98270)");
    exec("INSERT INTO graphic_report_categories (category_id, graphic_report_id) VALUES (982701, 98270)");
    exec("INSERT INTO category_blocks (category_id, handle_text, block_name, block_code, area, swap_name, swap_area, "
         "swap_aux) VALUES (982701, 'F1', 'Room 1', 'R-1', 12.5, '', 'A=12.5', 'aux'), "
         "(982701, NULL, NULL, NULL, NULL, NULL, NULL, NULL)");
    exec("INSERT INTO category_assets (category_id, handle_text, block_description, unique_description) VALUES "
         "(982701, '6A1', 'Chair', 'Chair 1'), (982701, '6A2', NULL, NULL)");
    exec("INSERT INTO category_block_hyperlinks (category_id, handle_text, href, description) VALUES "
         "(982701, 'F1', 'a.htm', 'A'), (982701, 'F1', 'a.htm', 'again'), (982701, 'F1', NULL, 'none'), "
         "(982701, 'F1', NULL, NULL), (982701, '', 'default.htm', NULL)");
    exec("INSERT INTO category_asset_hyperlinks (category_id, handle_text, href, description) VALUES "
         "(982701, '6A1', 'g.htm', 'G')");

    CHatch hatch;
    hatch.setPattern("ANSI31");
    hatch.setScale(20);
    hatch.setLayer("HATCH");
    auto proc = procedure(10);
    CBlocks blocks;
    blocks.getCategoryDWGBlocks(proc.get(), 45, 982701, &hatch);
    EXPECT_EQ(proc->getTimeout(), 45) << "the hyperlink reads set the given time-out";
    ASSERT_EQ(blocks.count(), 2);
    auto* room = static_cast<CBlockDWG*>(blocks.getAt(0));
    EXPECT_EQ(room->getBlockType(), kBlockDWG);
    EXPECT_EQ(room->getHandle(), "F1");
    EXPECT_EQ(room->getName(), "Room 1");
    EXPECT_EQ(room->getCode(), "R-1");
    EXPECT_EQ(room->getArea(), 12.5);
    EXPECT_EQ(attributesOf(room->getAttributes()), (std::vector<std::string>{"AREA=A=12.5 (absent)", "AUX=aux (absent)"}));
    EXPECT_EQ(hyperlinksOf(room->getHyperlinks()), (std::vector<std::string>{"a.htm|A", "|none"}));
    ASSERT_NE(room->getHatch(), nullptr);
    EXPECT_NE(room->getHatch(), &hatch);
    room->getHatch()->setPattern("SOLID");
    EXPECT_EQ(hatch.getPattern(), "ANSI31");

    auto* empty = static_cast<CBlockDWG*>(blocks.getAt(1));
    EXPECT_EQ(empty->getName(), "") << "NULL columns keep the defaults";
    EXPECT_EQ(empty->getAreaType(), "<Not Set>");
    EXPECT_EQ(empty->getAttributes()->getCount(), 0);
    EXPECT_EQ(hyperlinksOf(empty->getHyperlinks()), (std::vector<std::string>{"default.htm|"}))
        << "asked for with the default handle text";
    EXPECT_EQ(empty->getHatch()->getPattern(), "ANSI31");
    EXPECT_NE(empty->getHatch(), room->getHatch());

    CAssets assets;
    assets.getCategoryAssets(proc.get(), 46, 982701, nullptr);
    assets.getCategoryAssets(proc.get(), 46, 982701, nullptr);
    ASSERT_EQ(assets.getCount(), 4) << "a second read appends again";
    EXPECT_EQ(assets.getAt(0)->getBlockDescription(), "Chair");
    EXPECT_EQ(assets.getAt(0)->getUniqueDescription(), "Chair 1");
    EXPECT_EQ(hyperlinksOf(assets.getAt(0)->getHyperlinks()), (std::vector<std::string>{"g.htm|G"}));
    ASSERT_NE(assets.getAt(1)->getHyperlinks(), nullptr) << "an asset keeps an empty list";
    EXPECT_EQ(assets.getAt(1)->getHyperlinks()->getCount(), 0);
    EXPECT_EQ(assets.getAt(1)->getHatch(), nullptr);
    EXPECT_EQ(proc->getParameters(), nullptr);

    CBlocks none;
    proc->setTimeout(7);
    none.getCategoryDWGBlocks(proc.get(), 45, 982799, nullptr);
    EXPECT_EQ(none.count(), 0);
    EXPECT_EQ(proc->getTimeout(), 7) << "the blocks' read keeps the procedure's time-out";
    blocks.destroyBlocks();
}

TEST_F(RegisterTest, ARowThatCannotBeReadRaisesTheRecordOfTheCallAndKeepsTheRowsBefore)
{
    exec("INSERT INTO register_assets (drawing_id, handle_text, location_id, block_identifier, block_description, "
         "unique_description, point_x, point_y, exists_in_location) VALUES "
         "(98280, '7A1', 982801, 'CHAIR', 'Chair', 'Chair 1', 1, 2, true), "
         "(98280, '7A2', 982801, 'CHAIR', 'Chair', 'Chair 2', NULL, 2, true)");
    CAssets assets;
    auto proc = procedure();
    Chain error = caught([&] { assets.getLocationAssets(proc.get(), 982801, 5); });
    ASSERT_TRUE(error);
    auto* record = dynamic_cast<CEXStoredProcedure*>(error.get());
    ASSERT_NE(record, nullptr) << error->getDescription();
    EXPECT_EQ(record->getProcSig(), "CAssets::getLocationAssets");
    EXPECT_EQ(proc->getParameters(), nullptr);
    ASSERT_EQ(assets.getCount(), 1) << "the row before the failure stays, the failing one is not added";
    EXPECT_EQ(assets.getAt(0)->getHandle(), "7A1");
}

TEST_F(RegisterTest, EveryCallDeclaresTheProceduresParametersInItsOrder)
{
    TempDir dir;
    const std::string path = dir.file("debug.xml");
    debugLogPath = path.c_str();
    auto proc = procedure();
    CBlockDWGRoom tpRoom;
    tpRoom.setHandle(CString("9A"));
    tpRoom.setAssets(new CAssets);
    tpRoom.getAssets()->add(asset("9A1", "CHAIR", 1).release());
    tpRoom.exportTP(proc.get(), 5, 982900, "p");
    CBlockDWGFloor tpFloor;
    tpFloor.exportTP(proc.get(), 5, 982901, "p");
    CBlockQPXRoom room;
    room.setAssets(new CAssets);
    room.getAssets()->add(asset("9B1", "CHAIR", 1).release());
    room.getAssets()->getAt(0)->getAttributes()->deleteObjects();
    room.getAssets()->getAt(0)->getAttributes()->add(new CAttribute("T", "v", 1), 0);
    room.applyToQPX(proc.get(), 98290, 5);
    CBlockQPXSite site;
    site.setLocationID(982902);
    site.applyToQPX(proc.get(), 98290, 5);
    CBlocks blocks;
    blocks.getQPXBlocks(proc.get(), 5, 982999, 1);
    CAttributes attributes;
    attributes.getAssetAttributes(proc.get(), 98290, "9B1", 5);
    blocks.getCategoryDWGBlocks(proc.get(), 5, 982999, nullptr);
    CAssets assets;
    assets.getCategoryAssets(proc.get(), 5, 982999, nullptr);
    CHyperlinks hyperlinks;
    hyperlinks.getBlockHyperlinks(proc.get(), 5, 982999, "9A");
    hyperlinks.getAssetHyperlinks(proc.get(), 5, 982999, "9A1");
    debugLogPath.Empty();

    const std::string space = " @area:decimal:9 @areaType:varchar:255 @costCentre:varchar:255 @date:varchar:255 "
                              "@dateLastMove:varchar:255 @deptCharge:varchar:255 @handle:varchar:255 "
                              "@perimeter:decimal:9 @roomHeight:decimal:9 @specialReq:varchar:255 "
                              "@tagType:varchar:255 @totStaff:varchar:255 @totWkStns:varchar:255 @volume:decimal:9 "
                              "@exportParameters:varchar:255";
    const std::string asset = " @handle:varchar:255 @acadBlockIdentifier:varchar:100 "
                              "@acadBlockDescription:varchar:255 @uniqueDescription:varchar:255 "
                              "@pointX:decimal:9 @pointY:decimal:9 @assetExistsInLocation:boolean:1";
    const std::string registerSpace = " @locationID:int:4 @parentID:int:4 @name:varchar:255 @code:varchar:255 "
                                      "@statusExists:boolean:1 @statusDuplicate:boolean:1 @area:decimal:9 "
                                      "@handle:varchar:255 @perimeter:decimal:9 @precision:int:4";
    EXPECT_EQ(recordedCalls(path),
              (std::vector<std::string>{
                  "__to_exportSpaceBlockToTP @parentID:int:4 @name:varchar:255 @code:varchar:255" + space,
                  "__to_tp_exportAsset @locationID:int:4" + asset + " @exportParameters:varchar:255",
                  "__to_exportGrossAreaBlocktoTP @locationID:int:4" + space,
                  "__to_setRoomBlockInQPX" + registerSpace,
                  "__to_applyAssetToQPX @locationID:int:4 @drawingID:int:4" + asset +
                      " @excludedFromTakeoff:boolean:1",
                  "__to_applyAssetAttributeToQPX @drawingID:int:4 @handle:varchar:255 @tag:varchar:255 "
                  "@value:varchar:255 @exists:boolean:1",
                  "__to_setSiteBlockInQPX @locationID:int:4 @area:decimal:9 @handle:varchar:255 @perimeter:decimal:9 "
                  "@precision:int:4",
                  "__to_getBlocksFromQPX @parentID:int:4",
                  "[vlx]..[getAssetAttributes] @drawingID:int:4 @handle:varchar:50",
                  "__gr_getCategoryBlocks @categoryID:int:4",
                  "__gr_getCategoryAssets @categoryID:int:4",
                  "__gr_getBlockHyperlinks @categoryID:int:4 @handle:varchar:255",
                  "__gr_getAssetHyperlinks @categoryID:int:4 @handle:varchar:255",
              }));
}
