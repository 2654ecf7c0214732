#!/usr/bin/python3
"""The server functions that the module calls, on the test server (tests/database/pgcluster.sh,
found through QV_PG_STATE): each exists once, with the arguments the module binds in its order
and types and the result columns it reads; every call below passes its arguments cast to
those types, so that a function the driver could not resolve fails here; and what a write
stores reads back through the matching read."""

import os
import shutil
import subprocess
import unittest
from decimal import Decimal

PSQL = next((p for p in ("/usr/lib/postgresql/15/bin/psql", shutil.which("psql")) if p and
             os.path.exists(p)), "psql")
SEP = "\x1f"
NULL = "\x01"

# The module's calls: arguments in order ("out"/"inout" mark output parameters) and, for the
# reads, the columns of the rows it reads.
SIGNATURES = {
    "__to_addDrawingLayout": ("@layoutName varchar, @attachID int", ""),
    "__to_deleteDrawingLayouts": ("@attachID int", ""),
    "__to_setRoomBlockInQPX": (
        "inout @locationID int, @parentID int, @name varchar, @code varchar, "
        "@statusExists boolean, @statusDuplicate boolean, @area numeric, @handle varchar, "
        "@perimeter numeric, @precision int", ""),
    "__to_setBuildingBlockInQPX": (
        "inout @locationID int, @parentID int, @name varchar, @code varchar, "
        "@statusExists boolean, @statusDuplicate boolean, @area numeric, @handle varchar, "
        "@perimeter numeric, @precision int", ""),
    "__to_setFloorBlockInQPX": (
        "@locationID int, @area numeric, @handle varchar, @perimeter numeric, @precision int",
        ""),
    "__to_setSiteBlockInQPX": (
        "@locationID int, @area numeric, @handle varchar, @perimeter numeric, @precision int",
        ""),
    "__to_getBlocksFromQPX": (
        "@parentID int",
        "id int, type varchar, parentid int, name varchar, code varchar, status varchar, "
        "area double precision, handle varchar, perimeter double precision"),
    "__to_applyAssetToQPX": (
        "@locationID int, @drawingID int, @handle varchar, @acadBlockIdentifier varchar, "
        "@acadBlockDescription varchar, @uniqueDescription varchar, @pointX numeric, "
        "@pointY numeric, @assetExistsInLocation boolean, out @excludedFromTakeoff boolean",
        ""),
    "__to_applyAssetAttributeToQPX": (
        "@drawingID int, @handle varchar, @tag varchar, @value varchar, @exists boolean", ""),
    "vlx.getLocationAssets": (
        "@locationID int",
        "drawingID int, handle varchar, acadBlockIdentifier varchar, atDescription varchar, "
        "aDescription varchar, aX double precision, aY double precision, status varchar"),
    "vlx.getAssetAttributes": ("@drawingID int, @handle varchar", "aTag varchar, aValue varchar"),
    "__to_exportSpaceBlockToTP": (
        "@parentID int, @name varchar, @code varchar, @area numeric, @areaType varchar, "
        "@costCentre varchar, @date varchar, @dateLastMove varchar, @deptCharge varchar, "
        "@handle varchar, @perimeter numeric, @roomHeight numeric, @specialReq varchar, "
        "@tagType varchar, @totStaff varchar, @totWkStns varchar, @volume numeric, "
        "@exportParameters varchar", ""),
    "__to_exportGrossAreaBlocktoTP": (
        "@locationID int, @area numeric, @areaType varchar, @costCentre varchar, "
        "@date varchar, @dateLastMove varchar, @deptCharge varchar, @handle varchar, "
        "@perimeter numeric, @roomHeight numeric, @specialReq varchar, @tagType varchar, "
        "@totStaff varchar, @totWkStns varchar, @volume numeric, @exportParameters varchar", ""),
    "__to_tp_exportAsset": (
        "@locationID int, @handle varchar, @acadBlockIdentifier varchar, "
        "@acadBlockDescription varchar, @uniqueDescription varchar, @pointX numeric, "
        "@pointY numeric, @assetExistsInLocation boolean, @exportParameters varchar", ""),
    "__gr_getGraphicReports": ("@statusID smallint", "grID int"),
    "__gr_getGraphicReport": (
        "@graphicReportID int",
        "grTitle varchar, grDrawingPath varchar, grDrawingFilename varchar, "
        "grPlotLayout varchar, grPlotTypeID smallint, grPlotAreaTypeID smallint, "
        "grPlotMediaSizeID smallint, grPlotScaleTypeID smallint, grPlotCentred smallint, "
        "grOutputPath varchar, grOutputFilename varchar, grSaveCopyTo varchar, "
        "grXMLOutputTo varchar, grTotalChildAreas double precision"),
    "__gr_claimGraphicReport": (
        "@graphicReportID int, @statusID int",
        "grTitle varchar, grDrawingPath varchar, grDrawingFilename varchar, "
        "grPlotLayout varchar, grPlotTypeID smallint, grPlotAreaTypeID smallint, "
        "grPlotMediaSizeID smallint, grPlotScaleTypeID smallint, grPlotCentred smallint, "
        "grOutputPath varchar, grOutputFilename varchar, grSaveCopyTo varchar, "
        "grXMLOutputTo varchar, grTotalChildAreas double precision"),
    "__gr_setGraphicReportStatus": ("@graphicReportID int, @statusID int", "grRecorded int"),
    "__gr_setGraphicReportLayout": ("@graphicReportID int, @layout varchar", ""),
    "__gr_getReportCategories": (
        "@graphicReportID int",
        "cID int, cTitle varchar, cHatchPattern varchar, cHatchAngle smallint, "
        "cHatchColour varchar, cHatchScale smallint, cHatchLayer varchar"),
    "__gr_getCategoryBlocks": (
        "@categoryID int",
        "mbHandle varchar, mbName varchar, mbCode varchar, mbArea double precision, "
        "mbSwapName varchar, mbSwapArea varchar, mbSwapAux varchar"),
    "__gr_getCategoryAssets": (
        "@categoryID int", "maHandle varchar, maDescription varchar, maUniqueDescription varchar"),
    "__gr_getBlockHyperlinks": ("@categoryID int, @handle varchar",
                                "bhHref varchar, bhDescription varchar"),
    "__gr_getAssetHyperlinks": ("@categoryID int, @handle varchar",
                                "bhHref varchar, bhDescription varchar"),
    "__gr_getReportLayersOn": ("@graphicReportID int", "loName varchar, loDescription varchar"),
    "__gr_getReportLinkLines": (
        "@graphicReportID int",
        "llStartHandle varchar, llEndHandle varchar, llLayerName varchar, llLabelText varchar"),
}

SHORT_TYPES = {"integer": "int", "character varying": "varchar",
               "timestamp without time zone": "timestamp"}
MODES = {"i": "", "b": "inout ", "o": "out ", "t": ""}


def query(sql):
    """Runs one statement; returns its column names and rows (None for NULL)."""
    state = os.environ["QV_PG_STATE"]
    with open(os.path.join(state, "server")) as f:
        host, port = f.read().strip().split(",")
    out = subprocess.run(
        [PSQL, "-X", "-q", "-A", "-F", SEP, "-P", "footer=off", "-P", "null=" + NULL,
         "-v", "ON_ERROR_STOP=1", "-h", host, "-p", port, "-U", "quorvane", "-d", "vaultEye",
         "-c", sql],
        env=dict(os.environ, PGPASSWORD="quorvane"), capture_output=True, text=True,
        timeout=60)
    if out.returncode != 0:
        raise AssertionError(f"{sql}\n{out.stderr}")
    lines = out.stdout.split("\n")[:-1]
    if not lines:
        return [], []
    rows = [[None if v == NULL else v for v in line.split(SEP)] for line in lines[1:]]
    return lines[0].split(SEP), rows


def literal(value):
    if value is None:
        return "NULL"
    if isinstance(value, bool):
        return "true" if value else "false"
    if isinstance(value, str):
        return "'" + value.replace("'", "''") + "'"
    return str(value)


def arguments(name):
    """The module's arguments of a function as (mode, name, type), mode "" for input."""
    described = []
    for argument in SIGNATURES[name][0].split(", "):
        words = argument.split(" ", 2) if argument.startswith(("out ", "inout ")) \
            else [""] + argument.split(" ", 1)
        described.append(tuple(words))
    return described


def call(name, *values):
    """Calls a function as the module does: its input arguments in order, each of the type
    the module binds; returns the rows of its result."""
    inputs = [a for a in arguments(name) if a[0] != "out"]
    assert len(inputs) == len(values), name
    typed = [f"CAST({literal(v)} AS {a[2]})" for a, v in zip(inputs, values)]
    schema, _, function = name.rpartition(".")
    qualified = (f'"{schema}".' if schema else "") + f'"{function}"'
    return query(f"SELECT * FROM {qualified}({', '.join(typed)})")[1]


def rows(sql):
    return [tuple(r) for r in query(sql)[1]]


class Signatures(unittest.TestCase):
    def test_each_function_takes_the_module_arguments_and_returns_the_columns_it_reads(self):
        _, found = query(
            "SELECT CASE n.nspname WHEN 'public' THEN '' ELSE n.nspname || '.' END || p.proname,"
            " array_to_string(COALESCE(p.proargmodes::text[],"
            "   array_fill('i'::text, ARRAY[p.pronargs])), ','),"
            " array_to_string(p.proargnames, ','),"
            " (SELECT string_agg(format_type(t, NULL), ',' ORDER BY o)"
            "    FROM unnest(COALESCE(p.proallargtypes, p.proargtypes::oid[]))"
            "    WITH ORDINALITY AS u(t, o)),"
            " p.proretset"
            " FROM pg_proc p JOIN pg_namespace n ON n.oid = p.pronamespace"
            " WHERE n.nspname IN ('public', 'vlx')")
        by_name = {}
        for name, modes, names, types, returns_set in found:
            by_name.setdefault(name, []).append((modes, names, types, returns_set))
        for name, (arguments, columns) in SIGNATURES.items():
            with self.subTest(name):
                self.assertEqual(len(by_name.get(name, [])), 1, "one function of the name")
                modes, names, types, returns_set = by_name[name][0]
                described = [(m, n, SHORT_TYPES.get(t, t)) for m, n, t in
                             zip(modes.split(","), names.split(","), types.split(","))]
                self.assertEqual(", ".join(f"{MODES[m]}{n} {t}" for m, n, t in described
                                           if m != "t"), arguments)
                self.assertEqual(", ".join(f"{n} {t}" for m, n, t in described if m == "t"),
                                 columns)
                self.assertEqual(returns_set == "t", bool(columns))


class Layouts(unittest.TestCase):
    def layouts(self, attach):
        return rows(f"SELECT layout_name FROM drawing_layouts WHERE attach_id = {attach} "
                    "ORDER BY ordinal")

    def test_an_export_replaces_the_layouts_of_its_drawing_only(self):
        for name, attach in (("Model", 900001), ("Layout1", 900001), ("Model", 900001),
                             ("Model", 900002)):
            call("__to_addDrawingLayout", name, attach)
        self.assertEqual(self.layouts(900001), [("Model",), ("Layout1",)])
        call("__to_deleteDrawingLayouts", 900001)
        self.assertEqual(self.layouts(900001), [])
        self.assertEqual(self.layouts(900002), [("Model",)])


class Register(unittest.TestCase):
    PARENT = 900010

    def space(self, kind, location, name, exists, duplicate, area=12.5, perimeter=None,
              parent=PARENT):
        procedure = {"r": "__to_setRoomBlockInQPX", "b": "__to_setBuildingBlockInQPX"}[kind]
        result = call(procedure, location, parent, name, "C-" + name, exists, duplicate,
                      area, "H" + name, perimeter, 2)
        self.assertEqual(len(result), 1)
        return int(result[0][0])

    def test_spaces_written_read_back_under_their_parent(self):
        room = self.space("r", 0, "R1", True, True)
        building = self.space("b", 0, "B1", False, False, area=1234.5678901234, perimeter=3.25)
        self.assertNotEqual(room, building)
        self.assertEqual(self.space("r", room, "R1b", True, False), room, "an update keeps the id")
        query(f"INSERT INTO register_locations (location_id, parent_id, kind) "
              f"VALUES (900011, {self.PARENT}, 'f')")
        call("__to_setFloorBlockInQPX", 900011, 80.5, "F1", 36.0, 1)
        self.assertEqual(call("__to_getBlocksFromQPX", self.PARENT), sorted([
            [str(room), "r", str(self.PARENT), "R1b", "C-R1b", "00", "12.5", "HR1b", None],
            [str(building), "b", str(self.PARENT), "B1", "C-B1", "10", "1234.5678901234", "HB1",
             "3.25"],
            ["900011", "f", str(self.PARENT), "", "", "00", "80.5", "F1", "36"]],
            key=lambda row: int(row[0])))
        self.assertEqual(call("__to_getBlocksFromQPX", 900099), [])

    def test_a_new_space_never_takes_the_id_of_a_site_written_under_its_own_id(self):
        call("__to_setSiteBlockInQPX", 900500, 10.0, "S1", 4.0, 0)
        call("__to_setSiteBlockInQPX", 900500, 11.0, "S1", 4.0, 0)
        self.assertEqual(rows("SELECT kind, area::float8 FROM register_locations "
                              "WHERE location_id = 900500"), [("s", "11")])
        self.assertGreater(self.space("r", None, "R2", True, False, parent=900600), 900500)

    def test_assets_and_attributes_written_read_back_by_location_and_handle(self):
        query("INSERT INTO takeoff_exclusions VALUES ('DESK')")
        asset = [900020, 900021, "A1", "CHAIR", "Chair", "Chair 1", 1.0, 2.0, True]
        self.assertEqual(call("__to_applyAssetToQPX", *asset), [["f"]])
        self.assertEqual(call("__to_applyAssetToQPX", 900020, 900021, "A2", "DESK", None,
                              "Desk 1", 3.0, 4.0, False), [["t"]])
        asset[6:8] = [12.5, 7.25]
        call("__to_applyAssetToQPX", *asset)
        self.assertEqual(call("vlx.getLocationAssets", 900020), [
            ["900021", "A1", "CHAIR", "Chair", "Chair 1", "12.5", "7.25", "1"],
            ["900021", "A2", "DESK", None, "Desk 1", "3", "4", "0"]])
        for tag, value, exists in (("NAME", "x", True), ("AREA", None, True),
                                   ("AUX", "z", False), ("NAME", "x2", True)):
            call("__to_applyAssetAttributeToQPX", 900021, "A1", tag, value, exists)
        self.assertEqual(call("vlx.getAssetAttributes", 900021, "A1"),
                         [["NAME", "x2"], ["AREA", None]])
        self.assertEqual(call("vlx.getAssetAttributes", 900022, "A1"), [])


class TPExport(unittest.TestCase):
    def test_exports_land_whole_and_a_repeated_export_replaces_its_row(self):
        long_text = "t" * 300
        space = [900030, "Room", "R", Decimal("123456789.0123456789"), "NIA", "CC", "2024-01-02",
                 "2023-05-06", "D", "2F", 40.5, 2.7, long_text, "TT", "3", "4", 109.35, "p=1"]
        call("__to_exportSpaceBlockToTP", *space)
        space[1] = "Room renamed"
        call("__to_exportSpaceBlockToTP", *space)
        self.assertEqual(rows("SELECT block_name, area, special_req = repeat('t', 300), "
                              "export_parameters FROM tp_space_blocks WHERE parent_id = 900030"),
                         [("Room renamed", "123456789.0123456789", "t", "p=1")])
        call("__to_exportGrossAreaBlocktoTP", 900031, *space[3:])
        self.assertEqual(rows("SELECT handle_text, volume FROM tp_gross_areas "
                              "WHERE location_id = 900031"), [("2F", "109.35")])
        call("__to_tp_exportAsset", 900032, "3A", "CHAIR", "Chair", "", 12.5, 7.25, True, "p=1")
        self.assertEqual(rows("SELECT unique_description, point_x, point_y, exists_in_location "
                              "FROM tp_assets WHERE location_id = 900032"),
                         [("", "12.5", "7.25", "t")])


class Reports(unittest.TestCase):
    REPORT = 900040

    @classmethod
    def setUpClass(cls):
        r = cls.REPORT
        query(f"""
            INSERT INTO graphic_reports (graphic_report_id, status_id, title, drawing_path,
                drawing_filename, plot_layout, plot_type_id, plot_area_type_id,
                plot_media_size_id, plot_scale_type_id, plot_centred, output_path,
                output_filename, save_copy_to, xml_output_to, total_child_areas)
            VALUES ({r}, 1, 'Floor 1', '/plans/', 'f1.dwg', '', 2, 1, 3, 20, 1, NULL,
                'f1.pdf', '', 'f1.xml', 1234.5);
            INSERT INTO graphic_report_categories (category_id, graphic_report_id, title,
                hatch_pattern, hatch_angle, hatch_colour, hatch_scale, hatch_layer)
            VALUES ({r + 2}, {r}, 'Offices', 'SOLID', 45, '#00FF80', 2, NULL),
                   ({r + 1}, {r}, 'Stores', '', NULL, NULL, NULL, NULL);
            INSERT INTO category_blocks (category_id, handle_text, block_name, block_code,
                area, swap_name, swap_area, swap_aux)
            VALUES ({r + 2}, '1A', 'Office', 'O1', 12.5, '', 'x', 'y'),
                   ({r + 2}, NULL, NULL, NULL, NULL, NULL, NULL, NULL);
            INSERT INTO category_assets (category_id, handle_text, block_description,
                unique_description) VALUES ({r + 2}, '2B', 'Chair', NULL);
            INSERT INTO category_block_hyperlinks (category_id, handle_text, href, description)
            VALUES ({r + 2}, '1A', 'plan.htm', NULL), ({r + 2}, '1A', NULL, 'none'),
                   ({r + 1}, '1A', 'other.htm', 'other category');
            INSERT INTO category_asset_hyperlinks (category_id, handle_text, href, description)
            VALUES ({r + 2}, '2B', 'chair.htm', 'Chair');
            INSERT INTO graphic_report_layers_on (graphic_report_id, layer_name,
                layer_description) VALUES ({r}, 'WALLS', 'Walls'), ({r}, NULL, NULL);
            INSERT INTO graphic_report_link_lines (graphic_report_id, start_handle, end_handle,
                layer_name, label_text) VALUES ({r}, '2B', '3C', NULL, 'moves to')""")

    def test_a_report_and_everything_under_it_read_back_in_order(self):
        r = self.REPORT
        self.assertIn([str(r)], call("__gr_getGraphicReports", 1))
        self.assertEqual(call("__gr_getGraphicReport", r), [
            ["Floor 1", "/plans/", "f1.dwg", "", "2", "1", "3", "20", "1", None, "f1.pdf", "",
             "f1.xml", "1234.5"]])
        self.assertEqual(call("__gr_getGraphicReport", r + 99), [])
        self.assertEqual(call("__gr_getReportCategories", r), [
            [str(r + 2), "Offices", "SOLID", "45", "#00FF80", "2", None],
            [str(r + 1), "Stores", "", None, None, None, None]])
        self.assertEqual(call("__gr_getCategoryBlocks", r + 2), [
            ["1A", "Office", "O1", "12.5", "", "x", "y"], [None] * 7])
        self.assertEqual(call("__gr_getCategoryBlocks", r + 1), [])
        self.assertEqual(call("__gr_getCategoryAssets", r + 2), [["2B", "Chair", None]])
        self.assertEqual(call("__gr_getBlockHyperlinks", r + 2, "1A"),
                         [["plan.htm", None], [None, "none"]])
        self.assertEqual(call("__gr_getAssetHyperlinks", r + 2, "2B"), [["chair.htm", "Chair"]])
        self.assertEqual(call("__gr_getAssetHyperlinks", r + 2, "1A"), [])
        self.assertEqual(call("__gr_getReportLayersOn", r), [["WALLS", "Walls"], [None, None]])
        self.assertEqual(call("__gr_getReportLinkLines", r), [["2B", "3C", None, "moves to"]])

    def test_a_run_records_its_statuses_and_the_plotted_layout(self):
        r = self.REPORT + 100
        query(f"INSERT INTO graphic_reports (graphic_report_id, status_id, plot_layout) "
              f"VALUES ({r}, 2, '')")
        call("__gr_setGraphicReportLayout", r, "Layout1")
        self.assertEqual(call("__gr_setGraphicReportStatus", r, 3), [["1"]])
        self.assertEqual(call("__gr_setGraphicReportStatus", r, 4), [["0"]], "no longer started")
        self.assertEqual(call("__gr_setGraphicReportStatus", r + 1, 3), [["0"]], "no such report")
        self.assertIn([str(r)], call("__gr_getGraphicReports", 3))
        self.assertEqual(rows(f"SELECT status_id FROM graphic_report_status_log "
                              f"WHERE graphic_report_id IN ({r}, {r + 1}) ORDER BY ordinal"),
                         [("3",)])
        self.assertEqual(rows(f"SELECT plot_layout, plotted_layout FROM graphic_reports "
                              f"WHERE graphic_report_id = {r}"), [("", "Layout1")])

    def test_a_claim_takes_a_queued_report_once(self):
        r = self.REPORT + 200
        query(f"INSERT INTO graphic_reports (graphic_report_id, status_id, title) "
              f"VALUES ({r}, 7, 'Claimed')")
        self.assertEqual(call("__gr_claimGraphicReport", r, 8), [], "not queued at 8")
        self.assertEqual(call("__gr_claimGraphicReport", r, 7)[0][0], "Claimed")
        self.assertEqual(call("__gr_claimGraphicReport", r, 7), [], "claimed already")
        self.assertEqual(call("__gr_claimGraphicReport", r + 99, 7), [], "no such report")
        self.assertEqual(rows(f"SELECT status_id FROM graphic_report_status_log "
                              f"WHERE graphic_report_id = {r}"), [("2",)])


if __name__ == "__main__":
    unittest.main(verbosity=2)
