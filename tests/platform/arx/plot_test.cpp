// The plot engine drawing real drawings to PDF, PNG and JPG files, checked from outside:
// PDF pages with pdfinfo and pdftotext, rasters read back pixel by pixel.
#include "common/tempdir.h"
#include "sheetlayout.h"

#include "arx/dbblockref.h"
#include "arx/dbcurves.h"
#include "arx/dbdatabase.h"
#include "arx/dbhatch.h"
#include "arx/dbhatchpatterns.h"
#include "arx/dbproxygraphics.h"
#include "arx/dblayout.h"
#include "arx/dbsymtb.h"
#include "arx/dbtable.h"
#include "arx/dbtext.h"
#include "arx/dbviewport.h"
#include "arx/plotdevice.h"
#include "arx/plotmedia.h"
#include "arx/plotrender.h"
#include "plotpainter.h"
#include "plotpng.h"
#include "plotprice.h"
#include "textmeasurer.h"
#include "posix/atomicfile.h"

#include <cairo.h>
#include <gtest/gtest.h>
#include <jpeglib.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <random>

namespace {

const char* const kA4Bleed = "ISO_full_bleed_A4_(297.00_x_210.00_MM)";

std::string run(const std::string& command)
{
    std::string out;
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
    char buffer[4096];
    while (pipe && fgets(buffer, sizeof buffer, pipe.get()))
        out += buffer;
    return out;
}

AcDbObjectId append(AcDbObjectId space, AcDbEntity* entity, const char* layer = nullptr)
{
    AcDbBlockTableRecord* record = nullptr;
    EXPECT_EQ(acdbOpenObject(record, space, AcDb::kForWrite), Acad::eOk);
    AcDbObjectId id;
    EXPECT_EQ(record->appendAcDbEntity(id, entity), Acad::eOk);
    if (layer) {
        EXPECT_EQ(entity->setLayer(layer), Acad::eOk);
    }
    entity->close();
    record->close();
    return id;
}

AcDbObjectId addLayer(AcDbDatabase& db, const char* name, Adesk::UInt16 colour, bool off = false, bool frozen = false)
{
    AcDbLayerTable* table = nullptr;
    EXPECT_EQ(db.getSymbolTable(table, AcDb::kForWrite), Acad::eOk);
    auto* record = new AcDbLayerTableRecord;
    record->setName(name);
    AcCmColor c;
    c.setColorIndex(colour);
    record->setColor(c);
    record->setIsOff(off);
    record->setIsFrozen(frozen);
    AcDbObjectId id;
    EXPECT_EQ(table->add(id, record), Acad::eOk);
    record->close();
    table->close();
    return id;
}

// A solid square hatch with its lower-left corner at (x, y).
AcDbHatch* square(double x, double y, double side)
{
    auto* hatch = new AcDbHatch;
    hatch->setPattern(AcDbHatch::kPreDefined, "SOLID");
    hatch->appendLoop(AcDbHatch::kExternal, {{x, y}, {x + side, y}, {x + side, y + side}, {x, y + side}}, {0, 0, 0, 0});
    return hatch;
}

AcDbObjectId modelLayout(AcDbDatabase& db)
{
    AcDbDatabase* saved = acdbHostApplicationServices()->workingDatabase();
    acdbHostApplicationServices()->setWorkingDatabase(&db);
    const AcDbObjectId id = acdbLayoutManager()->findLayoutNamed("Model", &db);
    acdbHostApplicationServices()->setWorkingDatabase(saved);
    return id;
}

// Settings that put drawing millimetres 1:1 on a borderless A4 sheet from its corner
// (paper layouts plot the layout).
std::unique_ptr<AcDbPlotSettings> oneToOne(const char* device)
{
    auto settings = std::make_unique<AcDbPlotSettings>(true);
    settings->setPlotCfgName(device);
    settings->setCanonicalMediaName(kA4Bleed);
    settings->setPlotWindowArea(0, 0, 297, 210);
    settings->setPlotType(AcDbPlotSettings::kWindow);
    settings->setUseStandardScale(true);
    settings->setStdScaleType(16);
    settings->setPlotCentered(false);
    return settings;
}

qv::PlotRequest requestFor(AcDbDatabase& db, const AcDbPlotSettings& settings, const std::string& path,
                           AcDbObjectId layout = {})
{
    qv::PlotRequest request;
    request.database = &db;
    request.layoutId = layout.isNull() ? modelLayout(db) : layout;
    request.settings = &settings;
    request.path = path;
    request.dotsPerInch = 100;
    return request;
}

qv::PlotResult plot(AcDbDatabase& db, const AcDbPlotSettings& settings, const std::string& path, AcDbObjectId layout = {})
{
    return qv::plotLayout(requestFor(db, settings, path, layout));
}

// A raster read back: size and the colour at a point of the sheet given in millimetres
// from its lower-left corner.
struct Raster {
    int width = 0, height = 0;
    std::vector<std::uint32_t> pixels;
    double heightMm = 210;
    std::uint32_t at(double xMm, double yMm) const
    {
        const int x = static_cast<int>(xMm * 100 / 25.4), y = static_cast<int>((heightMm - yMm) * 100 / 25.4);
        return pixels[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)] & 0xFFFFFF;
    }
};

Raster readPng(const std::string& path)
{
    Raster r;
    cairo_surface_t* s = cairo_image_surface_create_from_png(path.c_str());
    if (cairo_surface_status(s) == CAIRO_STATUS_SUCCESS) {
        r.width = cairo_image_surface_get_width(s), r.height = cairo_image_surface_get_height(s);
        const int stride = cairo_image_surface_get_stride(s);
        for (int y = 0; y < r.height; ++y) {
            const auto* row = reinterpret_cast<const std::uint32_t*>(cairo_image_surface_get_data(s) + y * stride);
            r.pixels.insert(r.pixels.end(), row, row + r.width);
        }
    }
    cairo_surface_destroy(s);
    return r;
}

Raster readJpeg(const std::string& path)
{
    Raster r;
    FILE* file = std::fopen(path.c_str(), "rb");
    if (!file)
        return r;
    jpeg_decompress_struct info{};
    jpeg_error_mgr errors{};
    info.err = jpeg_std_error(&errors);
    jpeg_create_decompress(&info);
    jpeg_stdio_src(&info, file);
    jpeg_read_header(&info, TRUE);
    info.out_color_space = JCS_RGB;
    jpeg_start_decompress(&info);
    r.width = static_cast<int>(info.output_width), r.height = static_cast<int>(info.output_height);
    std::vector<unsigned char> row(static_cast<size_t>(r.width) * 3);
    while (info.output_scanline < info.output_height) {
        JSAMPROW rows[] = {row.data()};
        jpeg_read_scanlines(&info, rows, 1);
        for (int x = 0; x < r.width; ++x)
            r.pixels.push_back(std::uint32_t(row[3 * x]) << 16 | std::uint32_t(row[3 * x + 1]) << 8 | row[3 * x + 2]);
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    std::fclose(file);
    return r;
}

bool near(std::uint32_t a, std::uint32_t b, int tolerance = 40)
{
    for (int shift : {0, 8, 16})
        if (std::abs(int((a >> shift) & 0xFF) - int((b >> shift) & 0xFF)) > tolerance)
            return false;
    return true;
}

constexpr std::uint32_t kWhite = 0xFFFFFF, kBlack = 0, kRed = 0xFF0000, kBlue = 0x0000FF;

} // namespace

TEST(Plot, PdfPageIsTheMediaWithRealTexts)
{
    TempDir dir;
    AcDbDatabase db;
    append(db.modelSpaceId(), new AcDbLine(AcGePoint3d(0, 0, 0), AcGePoint3d(10000, 6000, 0)));
    append(db.modelSpaceId(), new AcDbText(AcGePoint3d(500, 500, 0), "Room 101 Kitchen", AcDbObjectId(), 250));
    auto* mtext = new AcDbMText;
    mtext->setLocation(AcGePoint3d(3000, 3000, 0));
    mtext->setContents("{\\fArial|b1;Second}\\PFloor \\H2x;Office");
    mtext->setTextHeight(200);
    append(db.modelSpaceId(), mtext);
    AcDbPlotSettings settings(true);
    settings.setPlotCfgName("DWG To PDF.pc3");
    settings.setCanonicalMediaName("ISO_A3_(420.00_x_297.00_MM)");
    settings.setPlotType(AcDbPlotSettings::kExtents);
    settings.setUseStandardScale(true);
    settings.setStdScaleType(0);
    const std::string pdf = dir.file("plan.pdf");
    const qv::PlotResult result = plot(db, settings, pdf);
    ASSERT_EQ(result.status, Acad::eOk) << result.message;
    const std::string info = run("pdfinfo '" + pdf + "'");
    EXPECT_NE(info.find("Pages:           1"), std::string::npos) << info;
    EXPECT_NE(info.find("1190.55 x 841.89 pts"), std::string::npos) << info;
    const std::string text = run("pdftotext -raw '" + pdf + "' -");
    EXPECT_NE(text.find("Room 101 Kitchen"), std::string::npos) << text;
    EXPECT_NE(text.find("Second"), std::string::npos) << text;
    EXPECT_NE(text.find("Floor Office"), std::string::npos) << text;
    EXPECT_EQ(text.find("\\P"), std::string::npos) << text;
    // The scale it came to, paper length to real length, the drawing's units measured as the
    // drawing names them (1/8" = 1'-0" is 1:96 in inches), or as its linear units imply.
    EXPECT_TRUE(result.fitted);
    EXPECT_NEAR(result.scale, 10000.0 / 405, 1e-9);   // the A3 sheet within its margins of 7.5 mm
    for (const auto& [type, units, scale] : {std::tuple{26, AcDb::kUnitsMillimeters, 100.0}, {6, AcDb::kUnitsInches, 96.0},
                                             {26, AcDb::kUnitsCentimeters, 1000.0}, {26, AcDb::kUnitsUndefined, 100.0}}) {
        db.setInsunits(units);
        settings.setStdScaleType(type);
        const qv::PlotResult scaled = plot(db, settings, pdf);
        EXPECT_FALSE(scaled.fitted);
        EXPECT_NEAR(scaled.scale, scale, 1e-9) << type;
        EXPECT_EQ(scaled.assumedUnit, units ? "" : "mm") << units;
    }
    // A drawing of nothing has nothing to fit: it stays at 1:1.
    settings.setStdScaleType(0);
    AcDbDatabase empty;
    const qv::PlotResult blank = plot(empty, settings, pdf);
    EXPECT_TRUE(blank.fitted);
    EXPECT_EQ(blank.scale, 1);
    // A plan in centimetres fitted to a sheet whose paper is in inches.
    db.setInsunits(AcDb::kUnitsCentimeters);
    settings.setPlotPaperUnits(AcDbPlotSettings::kInches);
    EXPECT_NEAR(plot(db, settings, pdf).scale, 10 * 10000.0 / 405, 1e-9);
}

TEST(Plot, ConstantAttributeDefinitionsShowThroughTheirReferences)
{
    TempDir dir;
    AcDbDatabase db;
    AcDbBlockTable* blocks = nullptr;
    ASSERT_EQ(db.getSymbolTable(blocks, AcDb::kForWrite), Acad::eOk);
    auto* record = new AcDbBlockTableRecord;
    record->setName("CHART");
    AcDbObjectId chart;
    ASSERT_EQ(blocks->add(chart, record), Acad::eOk);
    record->close();
    blocks->close();
    auto* total = new AcDbAttributeDefinition(AcGePoint3d(0, 0, 0), "Total 400", "TITLE", "TITLE");
    total->setConstant(true);
    total->setHeight(250);
    append(chart, total);
    auto* hidden = new AcDbAttributeDefinition(AcGePoint3d(0, 1000, 0), "Hidden constant", "H", "H");
    hidden->setConstant(true);
    hidden->setInvisible(true);
    hidden->setHeight(250);
    append(chart, hidden);
    auto* variable = new AcDbAttributeDefinition(AcGePoint3d(0, 2000, 0), "Variable default", "V", "V");
    variable->setHeight(250);
    append(chart, variable);
    append(chart, new AcDbLine(AcGePoint3d(0, 300, 0), AcGePoint3d(5000, 600, 0)));
    const AcDbObjectId reference = append(db.modelSpaceId(), new AcDbBlockReference(AcGePoint3d(100, 100, 0), chart));
    // The extents (and so an extents plot) take in the constant text, not the others.
    AcDbEntity* entity = nullptr;
    ASSERT_EQ(acdbOpenObject(entity, reference, AcDb::kForRead), Acad::eOk);
    AcDbExtents extents;
    ASSERT_EQ(entity->getGeomExtents(extents), Acad::eOk);
    entity->close();
    EXPECT_LT(extents.maxPoint().y, 2000.0);
    EXPECT_LE(extents.minPoint().y, 100.0);   // the line alone begins at 400

    AcDbPlotSettings settings(true);
    settings.setPlotCfgName("DWG To PDF.pc3");
    settings.setCanonicalMediaName("ISO_A3_(420.00_x_297.00_MM)");
    settings.setPlotType(AcDbPlotSettings::kExtents);
    settings.setUseStandardScale(true);
    settings.setStdScaleType(0);
    const std::string pdf = dir.file("chart.pdf");
    ASSERT_EQ(plot(db, settings, pdf).status, Acad::eOk);
    const std::string text = run("pdftotext -raw '" + pdf + "' -");
    EXPECT_NE(text.find("Total 400"), std::string::npos) << text;
    EXPECT_EQ(text.find("Hidden"), std::string::npos) << text;
    EXPECT_EQ(text.find("Variable"), std::string::npos) << text;
}

TEST(Plot, RasterPlacesGeometryAtScaleAndLeavesHiddenLayersOut)
{
    TempDir dir;
    AcDbDatabase db;
    addLayer(db, "RED", 1);
    addLayer(db, "OFF", 5, true);
    addLayer(db, "FROZEN", 5, false, true);
    append(db.modelSpaceId(), square(10, 10, 40), "RED");
    append(db.modelSpaceId(), square(100, 10, 40), "OFF");
    append(db.modelSpaceId(), square(160, 10, 40), "FROZEN");
    auto* blue = square(220, 10, 40);
    blue->setColorIndex(5);
    append(db.modelSpaceId(), blue, "RED");
    append(db.modelSpaceId(), new AcDbLine(AcGePoint3d(0, 100, 0), AcGePoint3d(297, 100, 0)));
    auto* white = square(10, 150, 40);
    AcCmColor trueWhite;
    trueWhite.setRGB(255, 255, 255);
    white->setColor(trueWhite);
    append(db.modelSpaceId(), white);

    const std::string png = dir.file("plan.png"), jpg = dir.file("plan.jpg");
    ASSERT_EQ(plot(db, *oneToOne("PublishToWeb PNG.pc3"), png).status, Acad::eOk);
    const Raster r = readPng(png);
    EXPECT_EQ(r.width, 1170);   // 297 mm at 100 dots per inch
    EXPECT_EQ(r.height, 827);
    EXPECT_EQ(r.at(30, 30), kRed);       // by layer
    EXPECT_EQ(r.at(240, 30), kBlue);     // its own colour
    EXPECT_EQ(r.at(120, 30), kWhite);    // layer off
    EXPECT_EQ(r.at(180, 30), kWhite);    // layer frozen
    EXPECT_EQ(r.at(5, 5), kWhite);
    EXPECT_TRUE(near(r.at(150, 100), kBlack, 128));   // colour 7 prints black
    EXPECT_EQ(r.at(30, 170), kBlack);                  // and so does white as a true colour

    ASSERT_EQ(plot(db, *oneToOne("PublishToWeb JPG.pc3"), jpg).status, Acad::eOk);
    const Raster j = readJpeg(jpg);
    EXPECT_EQ(j.width, 1170);
    EXPECT_EQ(j.height, 827);
    EXPECT_TRUE(near(j.at(30, 30), kRed));
    EXPECT_TRUE(near(j.at(120, 30), kWhite));

    // Turned a quarter counter-clockwise, the drawing's lower-left corner goes to the
    // sheet's lower-right: the red square now lies along the right edge.
    const auto turned = oneToOne("PublishToWeb PNG.pc3");
    turned->setPlotRotation(AcDbPlotSettings::k90degrees);
    ASSERT_EQ(plot(db, *turned, png).status, Acad::eOk);
    const Raster t = readPng(png);
    EXPECT_EQ(t.at(297 - 30, 30), kRed);
    EXPECT_EQ(t.at(30, 30), kWhite);
}

// The encoder filters each row against the one above and spreads the data over several
// chunks: a sheet of a hundred colours stacked in rows must come back pixel for pixel.
// Pattern hatches draw their lines from the predefined patterns, clipped to the boundary;
// one too dense for the host's line limit shows solid, an unknown pattern shows nothing.
TEST(Plot, PatternHatchesDrawTheirLinesInsideTheBoundary)
{
    TempDir dir;
    AcDbDatabase db;
    auto patterned = [&](const char* pattern, double x, double scale) {
        AcDbHatch* hatch = square(x, 20, 40);
        hatch->setPattern(AcDbHatch::kPreDefined, pattern);
        hatch->setPatternScale(scale);
        append(db.modelSpaceId(), hatch);
    };
    patterned("ANSI31", 10, 1);
    patterned("NO_SUCH", 60, 1);
    patterned("NET", 110, 0.2);
    patterned("DASH", 160, 2);
    const std::string png = dir.file("patterns.png");
    AcDbHatchPatterns::setMaxLines(100);
    const qv::PlotResult result = plot(db, *oneToOne("PublishToWeb PNG.pc3"), png);
    AcDbHatchPatterns::setMaxLines(100000);
    ASSERT_EQ(result.status, Acad::eOk) << result.message;
    Raster r = readPng(png);
    // The share of inked points inside a square.
    auto inked = [&](double x0, double y0) {
        int ink = 0, all = 0;
        for (double x = x0 + 1; x < x0 + 39; x += 0.25)
            for (double y = y0 + 1; y < y0 + 39; y += 0.25, ++all)
                ink += r.at(x, y) != kWhite ? 1 : 0;
        return double(ink) / all;
    };
    EXPECT_GT(inked(10, 20), 0.05);   // 45-degree lines 3.175 mm apart
    EXPECT_LT(inked(10, 20), 0.5);
    EXPECT_EQ(inked(60, 20), 0.0);    // an unknown pattern has no lines
    EXPECT_GT(inked(110, 20), 0.99);  // 2 × 62 lines 0.635 mm apart pass the limit of 100
    EXPECT_GT(inked(160, 20), 0.02);  // dashes 6.35 mm long, 6.35 mm apart
    EXPECT_LT(inked(160, 20), inked(10, 20));
    EXPECT_EQ(inked(10, 70), 0.0);    // nothing outside the boundaries

    // Lines and dashes are laid over the part of a boundary that shows: a square of 45 m
    // holds more than 20,000 of its lines, a strip 300 m long more than 20,000 of its dashes.
    AcDbDatabase large;
    AcDbHatch* square45 = square(210, 60 - 45000, 45000);
    square45->setPattern(AcDbHatch::kPreDefined, "ANSI31");
    append(large.modelSpaceId(), square45);
    auto* strip = new AcDbHatch;
    strip->setPattern(AcDbHatch::kPreDefined, "DASH");
    strip->setPatternScale(2);
    strip->appendLoop(AcDbHatch::kExternal, {{10, 120}, {300010, 120}, {300010, 160}, {10, 160}}, {0, 0, 0, 0});
    append(large.modelSpaceId(), strip);
    const double lines = inked(10, 20), dashes = inked(160, 20);
    ASSERT_EQ(plot(large, *oneToOne("PublishToWeb PNG.pc3"), png).status, Acad::eOk);
    r = readPng(png);
    EXPECT_NEAR(inked(215, 20), lines, 0.02);
    EXPECT_LT(inked(10, 120), 1.5 * dashes);
}

// Linetypes dash every stroke: the entity's own, its layer's, its reference's (by block),
// scaled by the entity's and the drawing's linetype scales; a polyline's pattern restarts
// at each vertex (solid segments shorter than a pattern) unless its generation flag is set.
// A viewport's contents measure their patterns on the paper unless $PSLTSCALE is 0.
TEST(Plot, LinetypesDashTheirStrokes)
{
    TempDir dir;
    AcDbDatabase db;
    AcDbLinetypeTable* linetypes = nullptr;
    ASSERT_EQ(db.getSymbolTable(linetypes, AcDb::kForWrite), Acad::eOk);
    auto* dashed = new AcDbLinetypeTableRecord;
    dashed->setName("DASHED");
    dashed->setNumDashes(4);
    for (int i : {0, 1, 2, 3})
        dashed->setDashLengthAt(i, std::array{10.0, -2.5, 0.0, -2.5}[i]);   // dash, gap, dot, gap
    AcDbObjectId dashedId;
    ASSERT_EQ(linetypes->add(dashedId, dashed), Acad::eOk);
    dashed->close();
    linetypes->close();
    AcDbLayerTableRecord* layer = nullptr;
    ASSERT_EQ(acdbOpenObject(layer, addLayer(db, "HIDDEN", 7), AcDb::kForWrite), Acad::eOk);
    ASSERT_EQ(layer->setLinetypeObjectId(dashedId), Acad::eOk);
    layer->close();
    AcDbBlockTable* blocks = nullptr;
    ASSERT_EQ(db.getSymbolTable(blocks, AcDb::kForWrite), Acad::eOk);
    AcDbObjectId blockId;
    auto* block = new AcDbBlockTableRecord;
    block->setName("RULE");
    ASSERT_EQ(blocks->add(blockId, block), Acad::eOk);
    block->close();
    blocks->close();

    auto line = [&](AcDbObjectId space, double y, const char* linetype, double scale = 1, const char* on = nullptr) {
        auto* l = new AcDbLine(AcGePoint3d(10, y, 0), AcGePoint3d(250, y, 0));
        EXPECT_EQ(l->setLinetype(linetype), Acad::eOk);
        l->setLinetypeScale(scale);
        append(space, l, on);
    };
    line(db.modelSpaceId(), 20, "DASHED");
    line(db.modelSpaceId(), 40, "ByLayer", 1, "HIDDEN");
    line(db.modelSpaceId(), 60, "DASHED", 2);
    line(blockId, 0, "ByBlock");
    for (auto [y, linetype] : {std::pair{80.0, "DASHED"}, {100.0, "Continuous"}}) {
        auto* ref = new AcDbBlockReference(AcGePoint3d(0, y, 0), blockId);
        ref->setLinetype(linetype);
        append(db.modelSpaceId(), ref);
    }
    auto* endless = new AcDbLine(AcGePoint3d(-5e5, 160, 0), AcGePoint3d(5e5, 160, 0));
    endless->setLinetype("DASHED");
    append(db.modelSpaceId(), endless);
    for (bool continuous : {false, true}) {   // 48 segments 5 long
        auto* pl = new AcDbPolyline;
        for (unsigned i = 0; i <= 48; ++i)
            pl->addVertexAt(i, AcGePoint2d(10 + 5 * i, continuous ? 140 : 120));
        pl->setLinetype("DASHED");
        pl->setPlinegen(continuous);
        append(db.modelSpaceId(), pl);
    }

    // Dashes of dash, gaps of gap with a dot in their middle, from x = 10 at height y.
    auto dashes = [](const Raster& r, double y, double dash, double gap) {
        bool alternate = true;
        for (double x = 10; x < 110; x += dash + gap)
            alternate = alternate && r.at(x + dash / 2, y) != kWhite && r.at(x + dash + gap / 4, y) == kWhite
                && r.at(x + dash + gap / 2, y) != kWhite && r.at(x + dash + gap * 3 / 4, y) == kWhite;
        return alternate;
    };
    const std::string png = dir.file("linetypes.png");
    ASSERT_EQ(plot(db, *oneToOne("PublishToWeb PNG.pc3"), png).status, Acad::eOk);
    Raster r = readPng(png);
    EXPECT_TRUE(dashes(r, 20, 10, 5));    // its own linetype
    EXPECT_TRUE(dashes(r, 40, 10, 5));    // by layer
    EXPECT_TRUE(dashes(r, 60, 20, 10));   // twice its scale
    EXPECT_TRUE(dashes(r, 80, 10, 5));    // by block, from a dashed reference
    EXPECT_FALSE(dashes(r, 100, 10, 5));
    EXPECT_NE(r.at(21.25, 100), kWhite);  // by block, from a continuous reference
    EXPECT_NE(r.at(21.25, 120), kWhite);  // restarted at every vertex: too short to dash
    EXPECT_TRUE(dashes(r, 140, 10, 5));   // running on across the vertices
    bool solid = true;                    // millions of dashes: drawn solid instead
    for (double x = 10; x < 40; x += 0.5)
        solid = solid && r.at(x, 160) != kWhite;
    EXPECT_TRUE(solid);

    db.setHeaderValue("$LTSCALE", 40, "2");
    ASSERT_EQ(plot(db, *oneToOne("PublishToWeb PNG.pc3"), png).status, Acad::eOk);
    r = readPng(png);
    EXPECT_TRUE(dashes(r, 20, 20, 10));
    EXPECT_TRUE(dashes(r, 60, 40, 20));

    // A sheet whose viewport shows model space at 1:2, model (10, 20) at paper (10, 10).
    db.setHeaderValue("$LTSCALE", 40, "1");
    AcDbObjectId layoutId, sheetId;
    ASSERT_EQ(createSheet(db, layoutId, sheetId), Acad::eOk);
    append(sheetId, newViewport(AcGePoint3d(148.5, 105, 0), 297, 210, AcGePoint2d(287, 210), 420));
    const auto sheet = oneToOne("PublishToWeb PNG.pc3");
    sheet->setPlotType(AcDbPlotSettings::kLayout);
    for (long long paperScaled : {1, 0}) {
        db.setHeaderValue("$PSLTSCALE", 70, std::to_string(paperScaled));
        ASSERT_EQ(plot(db, *sheet, png, layoutId).status, Acad::eOk);
        r = readPng(png);
        // The dashes as long on the paper as in the model, or half as long.
        EXPECT_EQ(dashes(r, 10, 10, 5), paperScaled == 1);
        EXPECT_EQ(dashes(r, 10, 5, 2.5), paperScaled == 0);
    }
}

TEST(Plot, PngKeepsEveryColourOfAFullSheet)
{
    TempDir dir;
    AcDbDatabase db;
    for (int i = 0; i < 100; ++i) {
        auto* patch = square(5 + (i % 10) * 29, 5 + (i / 10) * 20, 18);
        patch->setColorIndex(static_cast<Adesk::UInt16>(10 + i));
        append(db.modelSpaceId(), patch);
    }
    const std::string png = dir.file("colours.png");
    ASSERT_EQ(plot(db, *oneToOne("PublishToWeb PNG.pc3"), png).status, Acad::eOk);
    const Raster r = readPng(png);
    ASSERT_EQ(r.width, 1170);
    ASSERT_EQ(r.height, 827);
    for (int i = 0; i < 100; ++i) {
        const double x = 5 + (i % 10) * 29, y = 5 + (i / 10) * 20;
        const std::uint32_t rgb = AcCmColor::paletteRGB(static_cast<Adesk::UInt16>(10 + i));
        EXPECT_EQ(r.at(x + 9, y + 9), rgb) << "colour " << 10 + i;
        EXPECT_EQ(r.at(x + 1, y + 17), rgb) << "colour " << 10 + i;
        EXPECT_EQ(r.at(x + 21, y + 9), kWhite) << "beside colour " << 10 + i;
    }
    EXPECT_EQ(r.at(290, 205), kWhite);
}

// The encoder's runs, literals, blocks and bands decode to the very pixels it was given: a
// white sheet with repeated coloured rows, a grey column, lone dots and a patch of noise
// (many blocks' worth of literals), over rows enough for several bands.
TEST(Plot, PngDecodesToThePixelsGiven)
{
    const int width = 700, height = 1100;
    std::vector<std::uint32_t> image(static_cast<size_t>(width) * height, kWhite);
    std::minstd_rand noise(7);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            std::uint32_t& p = image[static_cast<size_t>(y) * width + x];
            if (y % 97 < 4)
                p = 0x102030u * static_cast<std::uint32_t>(y % 7);
            else if (x == 350 || (x + y) % 263 == 0)
                p = 0x808080;
            else if (y >= 300 && y < 600 && x >= 100 && x < 400)
                p = noise() & 0xFFFFFF;
        }
    TempDir dir;
    const std::string png = dir.file("pixels.png");
    FILE* file = std::fopen(png.c_str(), "wb");
    ASSERT_TRUE(file);
    const bool written = qv::writePng(reinterpret_cast<const unsigned char*>(image.data()), width, height, width * 4, 100,
                                      [file](const unsigned char* data, size_t size) { return std::fwrite(data, 1, size, file) == size; });
    ASSERT_EQ(std::fclose(file), 0);
    ASSERT_TRUE(written);
    const Raster r = readPng(png);
    ASSERT_EQ(r.width, width);
    ASSERT_EQ(r.height, height);
    for (size_t i = 0; i < image.size(); ++i)
        ASSERT_EQ(r.pixels[i] & 0xFFFFFF, image[i]) << "pixel " << i % width << "," << i / width;
}

// Texts read from files are not always valid UTF-8: a malformed one shows replacement
// characters and spoils neither the texts nor the geometry after it.
TEST(Plot, MalformedTextSpoilsNothingAfterIt)
{
    TempDir dir;
    AcDbDatabase db;
    addLayer(db, "RED", 1);
    append(db.modelSpaceId(), new AcDbText(AcGePoint3d(10, 150, 0), "Bad \xFF\xC3( text \xE2\x82", AcDbObjectId(), 5));
    append(db.modelSpaceId(), new AcDbText(AcGePoint3d(10, 120, 0), "Caf\xC3\xA9 50\xE2\x82\xAC", AcDbObjectId(), 5));
    append(db.modelSpaceId(), square(10, 10, 40), "RED");
    const std::string png = dir.file("text.png"), pdf = dir.file("text.pdf");
    ASSERT_EQ(plot(db, *oneToOne("PublishToWeb PNG.pc3"), png).status, Acad::eOk);
    EXPECT_EQ(readPng(png).at(30, 30), kRed);
    ASSERT_EQ(plot(db, *oneToOne("DWG To PDF.pc3"), pdf).status, Acad::eOk);
    const std::string text = run("pdftotext -raw '" + pdf + "' -");
    EXPECT_NE(text.find("Caf\xC3\xA9 50\xE2\x82\xAC"), std::string::npos) << text;
    EXPECT_NE(text.find("text"), std::string::npos) << text;
}

// Texts whose matrix cannot be made on the sheet (a width factor that overflows, an em wider
// than the font engine sizes) are skipped and named; one stretched a thousand times across a
// few pixels is filled as outlines. The rest of the sheet is drawn on every format.
TEST(Plot, TextsBeyondTheSheetNeverBlankIt)
{
    TempDir dir;
    AcDbDatabase db;
    addLayer(db, "RED", 1);
    auto text = [&](const char* contents, double y, double height, double widthFactor) {
        auto* t = new AcDbText(AcGePoint3d(10, y, 0), contents, AcDbObjectId(), height);
        t->setWidthFactor(widthFactor);
        append(db.modelSpaceId(), t);
    };
    text("Overflowing", 150, 5, 1e308);
    text("Towering", 180, 20000, 1);
    text("W", 100, 0.5, 1000);
    append(db.modelSpaceId(), square(10, 10, 40), "RED");
    for (const char* device : {"PublishToWeb PNG.pc3", "PublishToWeb JPG.pc3"}) {
        SCOPED_TRACE(device);
        const bool png = std::string(device).find("PNG") != std::string::npos;
        const std::string path = dir.file(png ? "text.png" : "text.jpg");
        testing::internal::CaptureStderr();
        ASSERT_EQ(plot(db, *oneToOne(device), path).status, Acad::eOk);
        const std::string err = testing::internal::GetCapturedStderr();
        EXPECT_NE(err.find("the text \"Overflowing\" is not drawn"), std::string::npos) << err;
        EXPECT_NE(err.find("the text \"Towering\" is not drawn"), std::string::npos) << err;
        const Raster r = png ? readPng(path) : readJpeg(path);
        ASSERT_GT(r.width, 0);
        EXPECT_TRUE(near(r.at(30, 30), kRed));
        int ink = 0;
        for (double x = 20; x < 280; x += 1)
            ink += r.at(x, 100.25) != kWhite ? 1 : 0;
        EXPECT_GT(ink, 20);
    }
    const std::string pdf = dir.file("text.pdf");
    testing::internal::CaptureStderr();
    ASSERT_EQ(plot(db, *oneToOne("DWG To PDF.pc3"), pdf).status, Acad::eOk);
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("\"Overflowing\""), std::string::npos) << err;
    EXPECT_EQ(err.find("\"Towering\""), std::string::npos) << err;
}

TEST(Plot, NestedReferencesTakeTheirReferencesLayerAndColour)
{
    TempDir dir;
    AcDbDatabase db;
    addLayer(db, "RED", 1);
    AcDbBlockTable* blocks = nullptr;
    ASSERT_EQ(db.getSymbolTable(blocks, AcDb::kForWrite), Acad::eOk);
    AcDbObjectId inner, outer;
    for (auto [name, id] : {std::pair{"INNER", &inner}, std::pair{"OUTER", &outer}}) {
        auto* record = new AcDbBlockTableRecord;
        record->setName(name);
        ASSERT_EQ(blocks->add(*id, record), Acad::eOk);
        record->close();
    }
    blocks->close();
    append(inner, square(0, 0, 10));   // layer 0, colour by layer
    append(outer, new AcDbBlockReference(AcGePoint3d(5, 5, 0), inner));
    auto* ref = new AcDbBlockReference(AcGePoint3d(20, 20, 0), outer);
    ref->setScaleFactors(AcGeScale3d(2, 2, 2));
    append(db.modelSpaceId(), ref, "RED");

    const std::string png = dir.file("nested.png");
    ASSERT_EQ(plot(db, *oneToOne("PublishToWeb PNG.pc3"), png).status, Acad::eOk);
    const Raster r = readPng(png);
    EXPECT_EQ(r.at(40, 40), kRed);   // 20 + 2 × (5 + 5)
    EXPECT_EQ(r.at(28, 28), kWhite);
    EXPECT_EQ(r.at(52, 52), kWhite);
}

// A viewport shows model space without the layers frozen in it, and its frame as an entity
// of its layer: a layer that is off, frozen or not plotted hides the frame only; a viewport
// that is off shows nothing.
TEST(Plot, PaperLayoutDrawsItsViewportsWithoutTheirFrozenLayers)
{
    enum class Frame { shown, noPlot, off, frozen };
    const struct {
        Frame layer;
        bool on;
        bool content, frame;
    } cases[] = {
        {Frame::shown, true, true, true},     {Frame::noPlot, true, true, false}, {Frame::off, true, true, false},
        {Frame::frozen, true, true, false},   {Frame::shown, false, false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.layer) * 2 + c.on);
        TempDir dir;
        AcDbDatabase db;
        const AcDbObjectId hidden = addLayer(db, "HIDDEN", 5);
        const AcDbObjectId frames = addLayer(db, "FRAMES", 3, c.layer == Frame::off, c.layer == Frame::frozen);
        if (c.layer == Frame::noPlot) {
            AcDbLayerTableRecord* layer = nullptr;
            ASSERT_EQ(acdbOpenObject(layer, frames, AcDb::kForWrite), Acad::eOk);
            layer->setIsPlottable(false);
            layer->close();
        }
        append(db.modelSpaceId(), square(0, 0, 1000));
        append(db.modelSpaceId(), square(2000, 0, 1000), "HIDDEN");
        AcDbObjectId layoutId, blockId;
        ASSERT_EQ(createSheet(db, layoutId, blockId), Acad::eOk);
        // A 100 × 50 mm window at (150, 100) on model space from (0, -500) to (4000, 1500): 1:40.
        auto* vp = newViewport(AcGePoint3d(150, 100, 0), 100, 50, AcGePoint2d(2000, 500), 2000);
        vp->freezeLayersInViewport({hidden});
        if (!c.on)
            vp->setOff();
        append(blockId, vp, "FRAMES");

        const std::string png = dir.file("sheet.png");
        const auto settings = oneToOne("PublishToWeb PNG.pc3");
        settings->setPlotType(AcDbPlotSettings::kLayout);
        ASSERT_EQ(plot(db, *settings, png, layoutId).status, Acad::eOk);
        const Raster r = readPng(png);
        EXPECT_EQ(r.at(100 + 12.5, 75 + 25) == kBlack, c.content);   // model (500, 500)
        EXPECT_EQ(r.at(100 + 62.5, 75 + 25), kWhite);                 // model (2500, 500): frozen here
        EXPECT_EQ(r.at(50, 50), kWhite);                              // outside the viewport
        EXPECT_EQ(r.at(150, 125) != kWhite, c.frame);                 // its top edge
        // The layout's extents are the viewport's, whatever its layer: at 1:1 from the sheet's
        // corner, model (500, 500) lands at (12.5, 25).
        settings->setPlotType(AcDbPlotSettings::kExtents);
        ASSERT_EQ(plot(db, *settings, png, layoutId).status, Acad::eOk);
        EXPECT_EQ(readPng(png).at(12.5, 25) == kBlack, c.content);
    }
}

TEST(Plot, RefusesWhatItCannotWrite)
{
    TempDir dir;
    AcDbDatabase db;
    append(db.modelSpaceId(), new AcDbLine(AcGePoint3d(0, 0, 0), AcGePoint3d(10, 10, 0)));
    const std::string dwf = dir.file("plan.dwf");
    qv::PlotResult result = plot(db, *oneToOne("DWF6 ePlot.pc3"), dwf);
    EXPECT_NE(result.status, Acad::eOk);
    EXPECT_NE(result.message.find("DWF6 ePlot.pc3"), std::string::npos) << result.message;
    EXPECT_FALSE(std::filesystem::exists(dwf));

    const std::string missing = dir.file("no/such/folder/plan.pdf");
    result = plot(db, *oneToOne("DWG To PDF.pc3"), missing);
    EXPECT_EQ(result.status, Acad::eFileAccessErr);
    EXPECT_NE(result.message.find("no/such/folder"), std::string::npos) << result.message;

    const auto odd = oneToOne("DWG To PDF.pc3");
    odd->setCanonicalMediaName("Letter");
    result = plot(db, *odd, dir.file("odd.pdf"));
    EXPECT_NE(result.message.find("Letter"), std::string::npos) << result.message;
    EXPECT_FALSE(std::filesystem::exists(dir.file("odd.pdf")));
    EXPECT_TRUE(std::filesystem::is_empty(dir.path()));   // no temporary left behind
}

TEST(Plot, MediaAndDevicesAreFoundByTheirNames)
{
    double w = 0, h = 0;
    ASSERT_TRUE(qv::PlotMedia::size("ISO_full_bleed_2A0_(1189.00_x_1682.00_MM)", w, h));
    EXPECT_DOUBLE_EQ(w, 1189);
    EXPECT_DOUBLE_EQ(h, 1682);
    ASSERT_TRUE(qv::PlotMedia::size("ANSI_expand_A_(8.50_x_11.00_Inches)", w, h));
    EXPECT_DOUBLE_EQ(w, 215.9);
    EXPECT_DOUBLE_EQ(h, 279.4);
    for (const char* bad : {"", "ISO_A4", "ISO_A4_(210.00_x_297.00_CM)", "XYZ_A4_(210.00_x_297.00_MM)",
                            "ISO_A4_(-210.00_x_297.00_MM)", "ISO_A4_(210.00_x_297.00_MM"})
        EXPECT_FALSE(qv::PlotMedia::size(bad, w, h)) << bad;
    EXPECT_EQ(qv::PlotDevice::format("PublishToWeb JPG.pc3"), "jpg");
    EXPECT_EQ(qv::PlotDevice::format("DWG to PDF.pc3"), "pdf");
    EXPECT_EQ(qv::PlotDevice::format("none_device"), "");
    // What a user may type for a device or a media, and what it stands for ("" refused).
    const std::pair<const char*, const char*> devices[] = {
        {"dwg to pdf.pc3", "DWG To PDF.pc3"}, {"png", "PublishToWeb PNG.pc3"}, {".JPEG", "PublishToWeb JPG.pc3"},
        {"dwf", "DWF6 ePlot.pc3"}, {"Adobe PDF", ""}, {"", ""}};
    for (const auto& [answer, name] : devices)
        EXPECT_EQ(qv::PlotDevice::find(answer), name) << answer;
    EXPECT_EQ(qv::PlotDevice::refusal("DWG to PDF.pc3"), "");
    EXPECT_NE(qv::PlotDevice::refusal("DWF6 ePlot.pc3"), "");
    const std::pair<const char*, const char*> media[] = {
        {"a0", "ISO_A0_(1189.00_x_841.00_MM)"}, {"A4", "ISO_A4_(297.00_x_210.00_MM)"},
        {"letter", "ANSI_A_(11.00_x_8.50_Inches)"}, {"Tabloid", "ANSI_B_(17.00_x_11.00_Inches)"},
        {"LEGAL", "ANSI_Legal_(14.00_x_8.50_Inches)"}, {"ansi e", "ANSI_E_(44.00_x_34.00_Inches)"},
        {"ARCH_D", "ARCH_D_(36.00_x_24.00_Inches)"}, {"420x297", "ISO_A3_(420.00_x_297.00_MM)"},
        {" 297 X 420 mm", "ISO_A3_(297.00_x_420.00_MM)"}, {"iso_a1_(594.00_x_841.00_mm)", "ISO_A1_(594.00_x_841.00_MM)"},
        {"ezdxf_(420.00_x_297.00_MM)", "ISO_A3_(420.00_x_297.00_MM)"},
        {"ISO_full_bleed_2A0_(1189.00_x_1682.00_MM)", "ISO_full_bleed_2A0_(1189.00_x_1682.00_MM)"},
        {"500x300", ""}, {"B5", ""}, {"A3x", ""}, {"x297", ""}, {"", ""}};
    for (const auto& [answer, name] : media)
        EXPECT_EQ(qv::PlotMedia::find(answer), name) << answer;
}

namespace {

// Whether a pixel within two of the point (millimetres from the sheet's lower-left corner)
// has about the colour (an antialiased hairline shows grey).
bool inkAround(const Raster& r, double xMm, double yMm, std::uint32_t colour)
{
    const int x0 = static_cast<int>(xMm * 100 / 25.4), y0 = static_cast<int>((r.heightMm - yMm) * 100 / 25.4);
    for (int y = y0 - 2; y <= y0 + 2; ++y)
        for (int x = x0 - 2; x <= x0 + 2; ++x)
            if (x >= 0 && y >= 0 && x < r.width && y < r.height
                && near(r.pixels[static_cast<size_t>(y) * static_cast<size_t>(r.width) + static_cast<size_t>(x)] & 0xFFFFFF,
                        colour, 160))
                return true;
    return false;
}

} // namespace

TEST(Plot, PointsSolidsEllipsesWidePolylinesAndTablesOfAnotherProgram)
{
    TempDir dir;
    const std::string dxf = dir.file("entities.dxf");
    ASSERT_EQ(std::system(("/usr/bin/python3 " QV_SOURCE_DIR "/tests/platform/arx/plot_entities.py '" + dxf + "'").c_str()), 0);
    AcDbDatabase db(false);
    ASSERT_EQ(db.readDxfFile(dxf.c_str()), Acad::eOk) << db.lastErrorMessage();
    const std::string png = dir.file("entities.png");
    ASSERT_EQ(plot(db, *oneToOne("PublishToWeb PNG.pc3"), png).status, Acad::eOk);
    const Raster r = readPng(png);

    EXPECT_TRUE(inkAround(r, 20, 150, kRed));   // the point
    EXPECT_FALSE(inkAround(r, 22, 150, kRed));
    // The solid's corners taken 1, 2, 4, 3 fill the square, not a bow tie; the trace is a
    // triangle.
    EXPECT_EQ(r.at(15, 30), kRed);
    EXPECT_EQ(r.at(45, 30), kRed);
    EXPECT_EQ(r.at(55, 30), kWhite);
    EXPECT_EQ(r.at(65, 15), kBlack);
    EXPECT_EQ(r.at(95, 45), kWhite);
    // The full ellipse (radii 40 and 20) and the upper half of the partial one (30 and 15).
    for (auto [x, y] : {std::pair{190.0, 50.0}, {110.0, 50.0}, {150.0, 70.0}, {150.0, 30.0}, {150.0, 145.0},
                        {120.0, 130.0}, {180.0, 130.0}})
        EXPECT_TRUE(inkAround(r, x, y, kBlack)) << x << ", " << y;
    EXPECT_EQ(r.at(150, 50), kWhite);
    EXPECT_FALSE(inkAround(r, 150, 115, kBlack));
    // Old-style polylines four wide by their vertices, six by the polyline's default.
    EXPECT_EQ(r.at(240, 151.5), kBlack);
    EXPECT_EQ(r.at(240, 148.5), kBlack);
    EXPECT_EQ(r.at(240, 153), kWhite);
    EXPECT_EQ(r.at(240, 182.5), kBlack);
    EXPECT_EQ(r.at(240, 184), kWhite);
    // The table's block, turned a quarter and twice as large: its rule runs up from (200, 20).
    EXPECT_TRUE(inkAround(r, 200, 90, kBlack));
    EXPECT_FALSE(inkAround(r, 230, 20, kBlack));

    // Its texts are the block's, not the cell data kept beside it.
    const std::string pdf = dir.file("entities.pdf");
    ASSERT_EQ(plot(db, *oneToOne("DWG To PDF.pc3"), pdf).status, Acad::eOk);
    const std::string text = run("pdftotext -raw '" + pdf + "' -");
    EXPECT_NE(text.find("Kitchen"), std::string::npos) << text;
    EXPECT_NE(text.find("Office"), std::string::npos) << text;
    EXPECT_EQ(text.find("Pantry"), std::string::npos) << text;
}

TEST(Plot, TableChangedSinceItsBlockWasBuiltShowsItsPresentGrid)
{
    // A table never saved has no block yet: the plot builds it, with the table's colour
    // on every grid line and text.
    TempDir dir;
    AcDbDatabase db;
    auto* table = new AcDbTable;
    table->setSize(2, 2);
    table->setColumnWidth(40);
    table->setRowHeight(20);
    table->setPosition(AcGePoint3d(20, 100, 0));
    table->setTextString(1, 1, "Area");
    table->setTextHeight(8, AcDb::kAllRows);
    table->setColorIndex(1);
    const AcDbObjectId id = append(db.modelSpaceId(), table);
    const std::string png = dir.file("table.png");
    ASSERT_EQ(plot(db, *oneToOne("PublishToWeb PNG.pc3"), png).status, Acad::eOk);
    Raster r = readPng(png);
    EXPECT_TRUE(inkAround(r, 20, 80, kRed));     // left edge between the rows
    EXPECT_TRUE(inkAround(r, 60, 100, kRed));    // top edge over the inner column line
    EXPECT_TRUE(inkAround(r, 100, 70, kRed));    // right edge
    EXPECT_FALSE(inkAround(r, 140, 70, kRed));

    // Widened after the first plot: the next one shows the new right edge.
    AcDbTable* open = nullptr;
    ASSERT_EQ(acdbOpenObject(open, id, AcDb::kForWrite), Acad::eOk);
    open->setColumnWidth(1, 80);
    open->close();
    ASSERT_EQ(plot(db, *oneToOne("PublishToWeb PNG.pc3"), png).status, Acad::eOk);
    r = readPng(png);
    EXPECT_TRUE(inkAround(r, 140, 70, kRed));
}

// Arcs, splines (a B-spline, a NURBS quarter circle, a curve through fit points, a closed
// one stored open), a 3D face with a hidden edge, a mesh, a polyface mesh with a hidden
// diagonal, a polygon mesh, one smoothed into a surface (drawn as its fitted grid),
// construction lines, a wipeout over a line, a hatch whose pattern starts at 1e308, and
// hatches bounded by a spline edge (filled to its curve), an arc edge (whose box is the
// quarter it sweeps) and an elliptic edge.
TEST(Plot, CurvesFacesMeshesConstructionLinesAndWipeouts)
{
    TempDir dir;
    const std::string dxf = dir.file("curves.dxf");
    ASSERT_EQ(std::system(("/usr/bin/python3 " QV_SOURCE_DIR "/tests/platform/arx/plot_entities.py '" + dxf + "' curves").c_str()), 0);
    AcDbDatabase db(false);
    ASSERT_EQ(db.readDxfFile(dxf.c_str()), Acad::eOk) << db.lastErrorMessage();
    const std::string png = dir.file("curves.png");
    ASSERT_EQ(plot(db, *oneToOne("PublishToWeb PNG.pc3"), png).status, Acad::eOk);
    const Raster r = readPng(png);

    const std::pair<double, double> inked[] = {
        {40.61, 180.61},                          // the arc's middle
        {75, 175}, {117.32, 177.68}, {175, 180},  // the splines' crowns
        {200, 170},                               // the closed spline's closing span
        {40, 90}, {20, 110}, {40, 130},           // the face's visible edges
        {100, 110},                               // the mesh's inner edge
        {160, 90}, {180, 110},                    // the polyface's outline
        {220, 100}, {210, 110},                   // the polygon mesh's inner lines
        {260, 5}, {260, 205}, {280, 150},         // the construction lines across the sheet
        {20, 50},                                 // the line beside the wipeout
        {75, 5.2},                                // the old-style polyline's bulge
        {195, 50}, {185, 40},                     // the smoothed mesh's fitted inner lines
        {246, 25},                                // the hatch inside its spline's crown
    };
    for (auto [x, y] : inked)
        EXPECT_TRUE(inkAround(r, x, y, kBlack)) << x << ", " << y;
    const std::pair<double, double> blank[] = {
        {19.39, 159.39},   // the arc's other side
        {75, 185},         // the B-spline's control point
        {200, 150},        // the closed spline's control point
        {60, 110},         // the face's hidden edge
        {160, 110},        // the polyface's hidden diagonal
        {70, 65},          // where a polyface's face records drew lines to the origin
        {210, 100},        // inside a cell of the polygon mesh
        {280, 50},         // before the ray's start
        {50, 50},          // the line under the wipeout
        {205, 30},         // inside a cell of the smoothed mesh's surface
        {252, 25},         // between the spline edge and its control polygon
    };
    for (auto [x, y] : blank)
        EXPECT_FALSE(inkAround(r, x, y, kBlack)) << x << ", " << y;
    int hatched = 0;
    for (double x = 121; x < 159; x += 0.5)
        hatched += r.at(x, 40) != kWhite ? 1 : 0;
    EXPECT_GT(hatched, 5);   // the pattern's lines, from a base moved near the boundary

    // The extents of each entity as drawn; the construction lines are infinite and have none.
    struct Case {
        const char* type;
        double x0, y0, x1, y1;
    };
    const Case cases[] = {
        {"ARC", 30, 170, 45, 185},    {"SPLINE", 60, 160, 90, 175},   {"SPLINE", 110, 160, 135, 185},
        {"SPLINE", 160, 160, 190, 180}, {"SPLINE", 200, 150, 240, 190}, {"3DFACE", 20, 90, 60, 130},  {"MESH", 80, 90, 120, 130},
        {"POLYLINE", 140, 90, 180, 130}, {"POLYLINE", 200, 90, 240, 130}, {"WIPEOUT", 40, 40, 60, 60},
        {"ELLIPSE", 15, 20, 45, 27.5},  {"POLYLINE", 60, 5, 90, 20},    {"POLYLINE", 100, 5, 110, 15},
        {"POLYLINE", 175, 20, 215, 60}, {"HATCH", 220, 10, 248, 40},    {"HATCH", 225, 50, 245, 70},
        {"HATCH", 225, 75, 245, 83.94},
    };
    size_t next = 0;
    const auto* space = AcDbBlockTableRecord::cast(db.modelSpaceId().object());
    for (const AcDbObjectId& id : space->entityIds()) {
        const auto* ent = AcDbEntity::cast(id.object());
        const std::string type = ent->dxfName();
        AcDbExtents e;
        const Acad::ErrorStatus status = ent->getGeomExtents(e);
        if (type == "XLINE" || type == "RAY") {
            EXPECT_EQ(status, Acad::eInvalidExtents) << type;
            continue;
        }
        if (next == std::size(cases) || type != cases[next].type)
            continue;
        const Case& c = cases[next++];
        ASSERT_EQ(status, Acad::eOk) << type;
        EXPECT_NEAR(e.minPoint().x, c.x0, 0.2) << type << " " << next;
        EXPECT_NEAR(e.minPoint().y, c.y0, 0.2) << type << " " << next;
        EXPECT_NEAR(e.maxPoint().x, c.x1, 0.2) << type << " " << next;
        EXPECT_NEAR(e.maxPoint().y, c.y1, c.y1 == 180 ? 1.5 : 0.2) << type << " " << next;   // a fitted curve may rise over its point
    }
    EXPECT_EQ(next, std::size(cases));
}

// A custom entity's and a proxy entity's graphics: lines, a circle on a layer, a filled square
// moved by a transform, a shell, an arc through three points, a bit-coded polyline and a text,
// in their colours.
TEST(Plot, ProxyGraphicsOfTypesNotModelledPlot)
{
    TempDir dir;
    const std::string dxf = dir.file("proxy.dxf");
    ASSERT_EQ(std::system(("/usr/bin/python3 " QV_SOURCE_DIR "/tests/platform/arx/plot_entities.py '" + dxf + "' proxy").c_str()), 0);
    AcDbDatabase db(false);
    ASSERT_EQ(db.readDxfFile(dxf.c_str()), Acad::eOk) << db.lastErrorMessage();
    const std::string png = dir.file("proxy.png");
    ASSERT_EQ(plot(db, *oneToOne("PublishToWeb PNG.pc3"), png).status, Acad::eOk);
    const Raster r = readPng(png);
    EXPECT_TRUE(inkAround(r, 50, 190, kRed));        // the custom entity's line (count in 160)
    EXPECT_TRUE(inkAround(r, 50, 20, kRed));
    EXPECT_TRUE(inkAround(r, 150, 55, 0x00FF00));    // by the layer the graphics name
    EXPECT_EQ(r.at(40, 140), kBlue);                 // the square, 100 up
    EXPECT_EQ(r.at(40, 40), kWhite);
    EXPECT_TRUE(inkAround(r, 215, 45, kBlack));      // the shell's edges
    EXPECT_TRUE(inkAround(r, 230, 180, kBlack));     // the arc's crown
    EXPECT_FALSE(inkAround(r, 230, 120, kBlack));
    EXPECT_TRUE(inkAround(r, 120, 50, kBlack));      // the bit-coded polyline's bulge
    EXPECT_TRUE(inkAround(r, 110, 80, kBlack));      // and its closing segment
    EXPECT_FALSE(inkAround(r, 120, 70, kBlack));
    int text = 0;
    for (double x = 151; x < 190; x += 0.5)
        text += r.at(x, 124) != kWhite ? 1 : 0;
    EXPECT_GT(text, 5);
    // The extents take the graphics in; the pairs are saved as read.
    const auto* space = AcDbBlockTableRecord::cast(db.modelSpaceId().object());
    const auto* proxy = AcDbEntity::cast(space->entityIds().back().object());
    AcDbExtents e;
    ASSERT_EQ(proxy->getGeomExtents(e), Acad::eOk);
    EXPECT_NEAR(e.minPoint().x, 20, 1e-6);
    EXPECT_NEAR(e.minPoint().y, 20, 1e-6);
    EXPECT_NEAR(e.maxPoint().x, 260, 1e-6);
    EXPECT_NEAR(e.maxPoint().y, 180, 1e-6);
    const std::string original = readFile(dxf);
    const std::string saved = db.dxfText();
    for (const char* mark : {"310\n", "AcDbQvWall"}) {
        const size_t at = original.find(mark, original.find("QV_WALL"));
        ASSERT_NE(at, std::string::npos);
        const std::string chunk = original.substr(at, original.find('\n', at + 4) - at);
        EXPECT_NE(saved.find(chunk), std::string::npos) << chunk;
    }
}

// References of a filled 40 mm square at x = 10, 60, 110, 160, 210 (y = 10), each with a
// spatial filter: a triangle over the lower left half; a rectangle given where the reference
// stood before it was moved, (10, 10) to (30, 30) of the block's; that rectangle inverted;
// filters that count more points than they have, or have no area, which clip nothing.
TEST(Plot, ClippedReferencesShowWhatTheirBoundariesLeave)
{
    TempDir dir;
    const std::string dxf = dir.file("clipped.dxf");
    ASSERT_EQ(std::system(("/usr/bin/python3 " QV_SOURCE_DIR "/tests/platform/arx/plot_entities.py '" + dxf + "' clipped").c_str()), 0);
    AcDbDatabase db(false);
    ASSERT_EQ(db.readDxfFile(dxf.c_str()), Acad::eOk) << db.lastErrorMessage();
    const std::string png = dir.file("clipped.png");
    ASSERT_EQ(plot(db, *oneToOne("PublishToWeb PNG.pc3"), png).status, Acad::eOk);
    const Raster r = readPng(png);
    struct Case {
        double x, y;
        bool inked;
    };
    const Case cases[] = {
        {15, 15, true},  {45, 45, false},                     // the triangle
        {65, 15, true},  {75, 25, true},  {90, 40, false},    // the rectangle
        {112, 12, true}, {148, 48, true}, {130, 30, false},   // inverted
        {195, 45, true}, {245, 45, true}, {245, 15, true},    // drawn whole
    };
    for (const Case& c : cases)
        EXPECT_EQ(r.at(c.x, c.y) == kRed, c.inked) << c.x << ", " << c.y;

    // The rectangle alone: the extents are its boundary's, which a fitted plot fills.
    for (const AcDbObjectId& id : AcDbBlockTableRecord::cast(db.modelSpaceId().object())->entityIds()) {
        AcDbBlockReference* ref = nullptr;
        ASSERT_EQ(acdbOpenObject(ref, id, AcDb::kForWrite), Acad::eOk);
        if (ref->position().x != 60) {
            EXPECT_EQ(ref->erase(), Acad::eOk);
        }
        ref->close();
    }
    auto fitted = oneToOne("PublishToWeb PNG.pc3");
    fitted->setPlotType(AcDbPlotSettings::kExtents);
    fitted->setStdScaleType(0);
    fitted->setPlotCentered(true);
    ASSERT_EQ(plot(db, *fitted, png).status, Acad::eOk);
    EXPECT_EQ(readPng(png).at(200, 160), kRed);
}

TEST(Plot, AnnotationsOfAnotherProgramShowAsItDrawsThem)
{
    TempDir dir;
    const std::string dxf = dir.file("entities.dxf");
    ASSERT_EQ(std::system(("/usr/bin/python3 " QV_SOURCE_DIR "/tests/platform/arx/plot_entities.py '" + dxf + "'").c_str()), 0);
    AcDbDatabase db(false);
    ASSERT_EQ(db.readDxfFile(dxf.c_str()), Acad::eOk) << db.lastErrorMessage();
    const std::string png = dir.file("annotations.png");
    ASSERT_EQ(plot(db, *oneToOne("PublishToWeb PNG.pc3"), png).status, Acad::eOk);
    const Raster r = readPng(png);
    // The dimension's block, its lines by block in the dimension's red, its arrowheads filled.
    EXPECT_TRUE(inkAround(r, 20, 80, kRed));
    EXPECT_TRUE(inkAround(r, 32, 90, kRed));
    EXPECT_TRUE(near(r.at(23, 90.5), kRed));
    // The dimension without a block, drawn from its points: extension lines, ticks for
    // arrowheads (its override of the style), text.
    EXPECT_TRUE(inkAround(r, 110, 160, kBlack));
    EXPECT_TRUE(inkAround(r, 111.5, 166.5, kBlack));
    EXPECT_TRUE(inkAround(r, 168.5, 163.5, kBlack));
    EXPECT_EQ(r.at(115, 165.4), kWhite);
    EXPECT_TRUE(inkAround(r, 245, 196, kBlack));   // a diameter, arrowheads in at both ends
    EXPECT_TRUE(near(r.at(249, 196.4), kBlack, 60));
    EXPECT_TRUE(near(r.at(241, 196.4), kBlack, 60));
    // Leaders with the filled arrowhead (6 long) of their dimension style at their first vertex.
    EXPECT_TRUE(inkAround(r, 75, 130, kBlack));
    EXPECT_TRUE(near(r.at(34.19, 113.64), kBlack, 60));
    EXPECT_FALSE(inkAround(r, 30, 104, kBlack));
    EXPECT_TRUE(near(r.at(119.1, 181.8), kBlack, 60));   // a dot instead, by the leader's override
    // Multileaders: the line on to the landing, and the block at its end.
    EXPECT_TRUE(inkAround(r, 232, 108.75, kBlack));
    EXPECT_TRUE(inkAround(r, 244, 117.5, kBlack));
    EXPECT_TRUE(inkAround(r, 275, 50, kBlack));
    EXPECT_TRUE(inkAround(r, 270, 55, kBlack));
    // The multiline's two elements 2 either side of its vertices, closed by square caps.
    EXPECT_TRUE(inkAround(r, 140, 92, kBlack));
    EXPECT_TRUE(inkAround(r, 140, 88, kBlack));
    EXPECT_EQ(r.at(140, 90), kWhite);
    EXPECT_TRUE(inkAround(r, 110, 90, kBlack));
    EXPECT_TRUE(inkAround(r, 180, 105, kBlack));

    const std::string pdf = dir.file("annotations.pdf");
    ASSERT_EQ(plot(db, *oneToOne("DWG To PDF.pc3"), pdf).status, Acad::eOk);
    const std::string text = run("pdftotext -raw '" + pdf + "' -");
    EXPECT_NE(text.find("Width"), std::string::npos) << text;
    EXPECT_NE(text.find("Lobby"), std::string::npos) << text;
    EXPECT_NE(text.find("60"), std::string::npos) << text;

    // Dimensions of the other types, drawn from their points (black) or their blocks (red), a
    // multiline's elements by layer (green), by block (red) and blue, and a lone attribute
    // definition's tag.
    const std::string more = dir.file("dimensions.dxf");
    ASSERT_EQ(std::system(("/usr/bin/python3 " QV_SOURCE_DIR "/tests/platform/arx/plot_entities.py '" + more
                           + "' dimensions").c_str()), 0);
    AcDbDatabase other(false);
    ASSERT_EQ(other.readDxfFile(more.c_str()), Acad::eOk) << other.lastErrorMessage();
    ASSERT_EQ(plot(other, *oneToOne("PublishToWeb PNG.pc3"), png).status, Acad::eOk);
    const Raster d = readPng(png);
    const struct {
        double x, y;
        std::uint32_t colour;
        bool inked;
        const char* what;
    } marks[] = {
        {47.72, 31.48, kBlack, true, "the arc of an angle between lines"},
        {38.5, 38.5, kBlack, true, "the extension of the line that stops short of it"},
        {117.68, 37.68, kBlack, true, "the arc of an angle at three points"},
        {160, 25, kBlack, true, "an ordinate's leader up from its feature"},
        {170, 42, kBlack, true, "past its jog"},
        {221, 30, kBlack, true, "an ordinate's leader across"},
        {277.68, 37.68, kBlack, true, "the arc of an arc's length"},
        {283.5, 20, kBlack, true, "its extension line"},
        {60, 95, kBlack, true, "a jogged radius"},
        {50, 75, kBlack, true, "its jog"},
        {283.5, 120, kRed, true, "an arc length's block"},
        {175, 180, kRed, true, "a jogged radius's block"},
        {175, 124, 0x00FF00, true, "a multiline's element by layer"},
        {175, 120, kRed, true, "its element by block"},
        {175, 116, kBlue, true, "its blue element"},
        {25, 132, kBlack, true, "an attribute definition's tag"},
        {25, 112, kBlack, false, "an invisible one's"},
    };
    for (const auto& m : marks)
        EXPECT_EQ(inkAround(d, m.x, m.y, m.colour), m.inked) << m.what;
    ASSERT_EQ(plot(other, *oneToOne("DWG To PDF.pc3"), pdf).status, Acad::eOk);
    const std::string measures = run("pdftotext -raw '" + pdf + "' - | tr -d '\\n'");
    for (const char* shown : {"45\u00b0", "90\u00b0", "160", "20", "31,4", "R140", "ROOMTAG"})
        EXPECT_NE(measures.find(shown), std::string::npos) << shown << " in " << measures;
    EXPECT_EQ(measures.find("HIDDENTAG"), std::string::npos) << measures;

    // A drawing of the dimension alone, or of the attribute definitions alone (the invisible one
    // taking no room), plots it across the sheet when the extents are plotted.
    auto settings = oneToOne("PublishToWeb PNG.pc3");
    settings->setPlotType(AcDbPlotSettings::kExtents);
    settings->setStdScaleType(0);
    settings->setPlotCentered(true);
    for (const auto& [drawing, kept] : {std::pair{&db, "DIMENSION"}, std::pair{&other, "ATTDEF"}}) {
        AcDbBlockTableRecord* model = nullptr;
        ASSERT_EQ(acdbOpenObject(model, drawing->modelSpaceId(), AcDb::kForRead), Acad::eOk);
        const std::vector<AcDbObjectId> ids = model->entityIds();
        model->close();
        for (const AcDbObjectId& id : ids) {
            AcDbEntity* entity = nullptr;
            ASSERT_EQ(acdbOpenObject(entity, id, AcDb::kForWrite), Acad::eOk);
            if (std::string_view(entity->dxfName()) != kept)
                entity->erase();
            entity->close();
        }
        ASSERT_EQ(plot(*drawing, *settings, png).status, Acad::eOk);
        const Raster fitted = readPng(png);
        int left = fitted.width, right = 0;
        for (int y = 0; y < fitted.height; ++y)
            for (int x = 0; x < fitted.width; ++x)
                if ((fitted.pixels[static_cast<size_t>(y * fitted.width + x)] & 0xFFFFFF) != kWhite)
                    left = std::min(left, x), right = std::max(right, x);
        EXPECT_LT(left, fitted.width / 10) << kept;
        EXPECT_GT(right, fitted.width * 9 / 10) << kept;
    }
}

namespace {

// Proxy graphics as bytes: commands of a type and little-endian numbers.
struct Graphics {
    std::string commands;
    int count = 0;

    Graphics& command(std::uint32_t type, const std::string& body = {})
    {
        commands += bytes(static_cast<std::uint32_t>(body.size() + 8)) + bytes(type) + body;
        ++count;
        return *this;
    }
    template <class T>
    static std::string bytes(T value)
    {
        return std::string(reinterpret_cast<const char*>(&value), sizeof value);
    }
    static std::string line(double x0, double y0, double x1, double y1)
    {
        return bytes(std::uint32_t(2)) + bytes(x0) + bytes(y0) + bytes(0.0) + bytes(x1) + bytes(y1) + bytes(0.0);
    }
    std::string data() const
    {
        return bytes(static_cast<std::uint32_t>(commands.size() + 8)) + bytes(static_cast<std::uint32_t>(count)) + commands;
    }
    // The pairs that carry the data, in chunks of 127 bytes.
    static std::string pairs(const std::string& data, std::size_t declared)
    {
        std::string text = "92\n" + std::to_string(declared) + "\n";
        static const char* digits = "0123456789ABCDEF";
        for (std::size_t at = 0; at < data.size(); at += 127) {
            text += "310\n";
            for (std::size_t i = at; i < std::min(data.size(), at + 127); ++i)
                text += {digits[static_cast<unsigned char>(data[i]) >> 4], digits[data[i] & 15]};
            text += "\n";
        }
        return text;
    }
};

} // namespace

// A malformed command ends the graphics: what came before it is kept, nothing after it.
TEST(Plot, MalformedProxyGraphicsKeepWhatCameBefore)
{
    const std::string nan = Graphics::bytes(std::nan(""));
    const std::string first = Graphics().command(6, Graphics::line(0, 0, 1, 1)).commands;
    struct Case {
        const char* what;
        std::string data;
        std::size_t parts;
        bool complete;
    };
    auto after = [&](std::uint32_t type, const std::string& body) {
        Graphics g;
        g.commands = first;
        g.count = 1;
        return g.command(type, body).command(6, Graphics::line(2, 2, 3, 3)).data();
    };
    std::string cut = after(6, Graphics::line(5, 5, 6, 6));
    cut.resize(cut.size() - 20);
    std::string tooMany = Graphics().command(6, Graphics::line(0, 0, 1, 1)).data();
    tooMany.replace(4, 4, Graphics::bytes(0xFFFFFFFFu));
    const Case cases[] = {
        {"whole", after(6, Graphics::line(5, 5, 6, 6)), 3, true},
        {"cut short", cut, 2, false},
        {"a count of more points than bytes", after(6, Graphics::bytes(0x7FFFFFFFu) + Graphics::line(0, 0, 1, 1)), 1, false},
        {"a command count beyond the commands", tooMany, 1, true},
        {"a coordinate not a number", after(6, Graphics::bytes(std::uint32_t(1)) + nan + nan + nan), 1, false},
        {"a radius not a number", after(2, Graphics::bytes(1.0) + Graphics::bytes(1.0) + Graphics::bytes(0.0) + nan), 1, false},
        {"a command larger than the data", after(6, std::string(4, '\xFF')).replace(first.size() + 8, 4, Graphics::bytes(999999u)), 1, false},
        {"a command smaller than its head", after(6, "").replace(first.size() + 8, 4, Graphics::bytes(4u)), 1, false},
        {"a shell's vertex out of range", after(9, Graphics::bytes(1u) + Graphics::bytes(0.0) + Graphics::bytes(0.0) + Graphics::bytes(0.0)
                                                     + Graphics::bytes(2u) + Graphics::bytes(1) + Graphics::bytes(5u)), 1, false},
        {"a string without its end", after(10, std::string(24, '\0') + Graphics::bytes(0.0) + Graphics::bytes(0.0) + Graphics::bytes(1.0)
                                                    + Graphics::bytes(1.0) + std::string(8, '\0') + Graphics::bytes(1.0)
                                                    + Graphics::bytes(1.0) + Graphics::bytes(0.0) + "ABC"), 1, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const qv::ProxyGraphics g(c.data, 0.1, 1000000);
        EXPECT_EQ(g.parts().size(), c.parts);
        EXPECT_EQ(g.complete(), c.complete);
        ASSERT_FALSE(g.parts().empty());
        EXPECT_EQ(g.parts()[0].points.back(), AcGePoint3d(1, 1, 0));
    }
    // Transforms nested too deep.
    Graphics deep;
    deep.command(6, Graphics::line(0, 0, 1, 1));
    std::string identity;
    for (int i = 0; i < 16; ++i)
        identity += Graphics::bytes(i % 5 == 0 ? 1.0 : 0.0);
    for (int i = 0; i < 100; ++i)
        deep.command(29, identity);
    deep.command(6, Graphics::line(2, 2, 3, 3));
    const qv::ProxyGraphics nested(deep.data(), 0.1, 1000000);
    EXPECT_EQ(nested.parts().size(), 1u);
    EXPECT_FALSE(nested.complete());
    // A circle so large that the tolerance is lost in its radius: a round circle of the most
    // chords, not a diamond.
    const double radius = 1e17;
    const std::string circle = Graphics::bytes(0.0) + Graphics::bytes(0.0) + Graphics::bytes(0.0) + Graphics::bytes(radius)
                             + Graphics::bytes(0.0) + Graphics::bytes(0.0) + Graphics::bytes(1.0);
    const qv::ProxyGraphics huge(Graphics().command(2, circle).data(), 0.1, 1000000);
    ASSERT_EQ(huge.parts().size(), 1u);
    EXPECT_EQ(huge.parts()[0].points.size(), 1000u);
    double off = 0;
    for (const AcGePoint3d& p : huge.parts()[0].points)
        off = std::max(off, std::abs(std::hypot(p.x, p.y) - radius));
    EXPECT_LT(off, radius * 1e-12);
}

TEST(Plot, MalformedAnnotationsSpoilNothingAfterThem)
{
    // A multiline whose vertex starts before its element data ends and whose scale overflows,
    // a multileader with a broken point, dimensions of each type whose points overflow, are
    // missing, coincide or make no angle, and an attribute definition of a huge height: the red
    // line after them plots.
    TempDir dir;
    const std::string dxf = dir.file("bad.dxf");
    std::FILE* file = std::fopen(dxf.c_str(), "w");
    ASSERT_TRUE(file);
    std::fputs("0\nSECTION\n2\nENTITIES\n"
               "0\nMLINE\n8\n0\n100\nAcDbMline\n40\n1e300\n73\n2\n11\n0\n21\n0\n74\n2\n11\n10\n21\n0\n"
               "13\n1e300\n23\n1e300\n41\n5\n"
               "0\nMULTILEADER\n8\n0\n100\nAcDbMLeader\n300\nCONTEXT_DATA{\n302\nLEADER{\n304\nLEADER_LINE{\n"
               "10\n5\n20\n5\n305\n}\n10\n1e308\n303\n}\n290\n1\n304\nText\n"
               "0\nDIMENSION\n8\n0\n2\n*D404\n10\n1\n20\n1\n70\n4\n15\n1e308\n25\n-1e308\n"
               "0\nDIMENSION\n8\n0\n10\n3\n20\n0\n70\n2\n13\n0\n23\n0\n14\n1\n24\n0\n15\n2\n25\n0\n16\n5\n26\n5\n"
               "0\nDIMENSION\n8\n0\n10\n1\n20\n1e-300\n70\n2\n13\n0\n23\n0\n14\n1e308\n24\n0\n15\n0\n25\n1e-300\n"
               "16\n-1e308\n26\n1e308\n"
               "0\nDIMENSION\n8\n0\n10\n5\n20\n5\n70\n5\n13\n0\n23\n0\n14\n1\n24\n0\n15\n0\n25\n0\n"
               "0\nDIMENSION\n8\n0\n10\n1e308\n20\n1e308\n70\n37\n13\n-1e308\n23\n0\n14\n0\n24\n-1e308\n15\n0\n25\n0\n"
               "0\nDIMENSION\n8\n0\n10\n0\n20\n0\n70\n102\n13\n1e308\n23\n-1e308\n14\n-1e308\n24\n1e308\n"
               "0\nARC_DIMENSION\n8\n0\n100\nAcDbDimension\n10\n1e308\n20\n0\n70\n37\n100\nAcDbArcDimension\n"
               "13\n-1e308\n23\n0\n14\n0\n24\n1e308\n15\n1e308\n25\n0\n"
               "0\nLARGE_RADIAL_DIMENSION\n8\n0\n100\nAcDbDimension\n10\n0\n20\n0\n70\n41\n"
               "100\nAcDbRadialDimensionLarge\n13\n0\n23\n0\n14\n1e308\n24\n1e308\n15\n-1e308\n25\n-1e308\n"
               "0\nATTDEF\n8\n0\n10\n1e308\n20\n1e308\n40\n1e308\n1\nx\n2\nTAG\n70\n0\n",
               file);
    // Proxy graphics cut short, of huge counts, of a number that is none, of a chunk that is
    // not hexadecimal.
    const std::string line = Graphics::line(0, 0, 1, 1), nan = Graphics::bytes(std::nan(""));
    const std::string bad[] = {
        Graphics::pairs(Graphics().command(6, line).data().substr(0, 30), 1000),
        Graphics::pairs(Graphics().command(6, Graphics::bytes(0xFFFFFFFFu) + line).data(), 1u << 31),
        Graphics::pairs(Graphics().command(7, Graphics::bytes(1u) + nan + nan + nan).data(), 44),
        "92\n64\n310\nZZ\n",
    };
    for (const std::string& pairs : bad)
        std::fputs(("0\nACAD_PROXY_ENTITY\n100\nAcDbEntity\n8\n0\n100\nAcDbProxyEntity\n90\n498\n" + pairs).c_str(), file);
    std::fputs("0\nLINE\n8\n0\n62\n1\n10\n20\n20\n100\n11\n200\n21\n100\n0\nENDSEC\n0\nEOF\n", file);
    std::fclose(file);
    AcDbDatabase db(false);
    ASSERT_EQ(db.readDxfFile(dxf.c_str()), Acad::eOk) << db.lastErrorMessage();
    const std::string png = dir.file("bad.png");
    ASSERT_EQ(plot(db, *oneToOne("PublishToWeb PNG.pc3"), png).status, Acad::eOk);
    EXPECT_TRUE(inkAround(readPng(png), 110, 100, kRed));
}

namespace {

AcDbObjectId defineBlock(AcDbDatabase& db, const std::string& name)
{
    AcDbBlockTable* blocks = nullptr;
    EXPECT_EQ(db.getSymbolTable(blocks, AcDb::kForWrite), Acad::eOk);
    auto* record = new AcDbBlockTableRecord;
    record->setName(name.c_str());
    AcDbObjectId id;
    EXPECT_EQ(blocks->add(id, record), Acad::eOk);
    record->close();
    blocks->close();
    return id;
}

// Blocks nested levels deep, each placing the one below at each offset (as arrays of
// cells x cells, 0.01 apart, when cells > 1); the lowest holds a 20 mm diagonal line.
AcDbObjectId nestBlocks(AcDbDatabase& db, int levels, const std::vector<AcGeVector3d>& offsets, Adesk::UInt16 cells)
{
    AcDbObjectId below = defineBlock(db, "LEVEL0");
    append(below, new AcDbLine(AcGePoint3d(0, 0, 0), AcGePoint3d(20, 20, 0)));
    for (int level = 1; level <= levels; ++level) {
        const AcDbObjectId block = defineBlock(db, "LEVEL" + std::to_string(level));
        for (const AcGeVector3d& offset : offsets) {
            auto* array = new AcDbMInsertBlock;
            array->setBlockTableRecord(below);
            array->setPosition(AcGePoint3d::kOrigin + offset);
            array->setColumns(cells);
            array->setRows(cells);
            array->setColumnSpacing(0.01);
            array->setRowSpacing(0.01);
            append(block, array);
        }
        below = block;
    }
    return below;
}

} // namespace

// The work of a plot is counted through nested references and the cells of arrays: a drawing
// that would draw without end fails, naming the limit, and leaves no file. A reference whose
// block lies off the sheet is not entered, so a deep drawing that shows little plots with
// little work; one that reaches onto the sheet is drawn.
TEST(Plot, NestedReferencesDrawWithinTheWorkLimit)
{
    const struct {
        const char* name;
        int levels;
        std::vector<AcGeVector3d> offsets;
        Adesk::UInt16 cells;
        bool plots;
        double inkX, inkY;   // a point of a line drawn
    } cases[] = {
        {"twice on the sheet", 40, {{0, 0, 0}, {0.01, 0, 0}}, 1, false, 0, 0},
        {"arrays of arrays", 8, {{0, 0, 0}}, 10, false, 0, 0},
        {"an array of more cells than the limit", 1, {{0, 0, 0}}, 400, false, 0, 0},
        {"once off the sheet", 40, {{0, 0, 0}, {1000, 0, 0}}, 1, true, 60, 60},
        {"once across the sheet's edge", 40, {{0, 0, 0}, {240, 0, 0}}, 1, true, 293, 53},
    };
    constexpr size_t kLimit = 100000;
    for (const auto& c : cases)
        for (const char* device : {"PublishToWeb PNG.pc3", "DWG To PDF.pc3"}) {
            SCOPED_TRACE(std::string(c.name) + " to " + device);
            TempDir dir;
            AcDbDatabase db;
            append(db.modelSpaceId(), new AcDbBlockReference(AcGePoint3d(50, 50, 0), nestBlocks(db, c.levels, c.offsets, c.cells)));
            const std::string path = dir.file(std::string("nested.") + qv::PlotDevice::format(device));
            const auto settings = oneToOne(device);
            qv::PlotRequest request = requestFor(db, *settings, path);
            request.maxWork = kLimit;
            const qv::PlotResult result = qv::plotLayout(request);
            if (!c.plots) {
                EXPECT_EQ(result.status, Acad::ePlotFailed);
                EXPECT_NE(result.message.find("more than 100000 elements"), std::string::npos) << result.message;
                EXPECT_GT(result.work, kLimit);
                EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
                continue;
            }
            ASSERT_EQ(result.status, Acad::eOk) << result.message;
            EXPECT_LT(result.work, kLimit / 8);
            if (settings->plotCfgName() == "PublishToWeb PNG.pc3") {
                const Raster r = readPng(path);
                EXPECT_TRUE(inkAround(r, c.inkX, c.inkY, kBlack));
                EXPECT_FALSE(inkAround(r, c.inkX + 3, c.inkY - 3, kBlack));
            }
        }

    // The extents of 317 x 317 cells (23 mm square) and a line at x = 100 hold both.
    TempDir dir;
    AcDbDatabase db;
    append(db.modelSpaceId(), new AcDbBlockReference(AcGePoint3d::kOrigin, nestBlocks(db, 1, {{0, 0, 0}}, 317)));
    append(db.modelSpaceId(), new AcDbLine(AcGePoint3d(100, 0, 0), AcGePoint3d(100, 1, 0)));
    auto fitted = oneToOne("DWG To PDF.pc3");
    fitted->setPlotType(AcDbPlotSettings::kExtents);
    fitted->setStdScaleType(0);
    const qv::PlotResult result = plot(db, *fitted, dir.file("array.pdf"));
    ASSERT_EQ(result.status, Acad::eOk) << result.message;
    EXPECT_GT(result.scale, 0.3);
}

// A polyline of many arcs far larger than the sheet, each of which takes many points, stops
// growing once it holds more points than the plot has work left: the work spent stays near
// the limit instead of every arc's points being made first.
TEST(Plot, ArcsOfAPathStopAtTheWorkLimit)
{
    constexpr size_t kLimit = 100000;
    for (const bool hatch : {false, true}) {
        SCOPED_TRACE(hatch ? "hatch loop" : "polyline");
        TempDir dir;
        AcDbDatabase db;
        std::vector<AcGePoint2d> points;
        std::vector<double> bulges;
        for (int i = 0; i < 20000; ++i) {
            points.emplace_back(i % 2 ? 1e6 : 0, 0);
            bulges.push_back(1);   // half circles of 500 km, each of several curves
        }
        if (hatch) {
            auto* h = new AcDbHatch;
            h->setPattern(AcDbHatch::kPreDefined, "SOLID");
            h->appendLoop(AcDbHatch::kPolyline, points, bulges);
            append(db.modelSpaceId(), h);
        } else {
            auto* pl = new AcDbPolyline;
            for (size_t i = 0; i < points.size(); ++i)
                pl->addVertexAt(static_cast<unsigned>(i), points[i], bulges[i]);
            append(db.modelSpaceId(), pl);
        }
        const auto settings = oneToOne("DWG To PDF.pc3");
        qv::PlotRequest request = requestFor(db, *settings, dir.file("arcs.pdf"));
        request.maxWork = kLimit;
        const qv::PlotResult result = qv::plotLayout(request);
        EXPECT_EQ(result.status, Acad::ePlotFailed);
        EXPECT_GT(result.work, kLimit);
        EXPECT_LT(result.work, 2 * kLimit) << "the path was made whole before it was counted";
        EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
    }
}

// On a raster a plot spends what the rasterizer does: every row of the sheet that an edge of
// an outline spans, and the pixels it inks. A 10 x 10 array of a block of 50 circles across
// an A4 sheet takes about 70,000 units as entities and points, and a PDF of it is drawn
// within a limit of 1,000,000; its PNG spans a hundred times as many rows and is refused. So
// is one of a polyline of 2,000 half circles 0.001 mm across drawn 100 mm wide, whose round
// ends make each a disc as wide as its pen. A clip whose boundary has 20,000 teeth spends the
// rows they span when it is set, and what is drawn under it shows inside it only.
TEST(Plot, RasterWorkIsWhatTheRasterizerScans)
{
    TempDir dir;
    AcDbDatabase rings, discs;
    const AcDbObjectId block = defineBlock(rings, "RINGS");
    for (int i = 1; i <= 50; ++i)
        append(block, new AcDbCircle(AcGePoint3d::kOrigin, AcGeVector3d::kZAxis, 2.0 * i));
    auto* array = new AcDbMInsertBlock;
    array->setBlockTableRecord(block);
    array->setPosition(AcGePoint3d(148, 105, 0));
    array->setColumns(10);
    array->setRows(10);
    array->setColumnSpacing(1);
    array->setRowSpacing(1);
    append(rings.modelSpaceId(), array);
    auto* wide = new AcDbPolyline;
    for (unsigned i = 0; i <= 2000; ++i)
        wide->addVertexAt(i, AcGePoint2d(148 + 0.001 * i, 105), 1);
    wide->setConstantWidth(100);
    append(discs.modelSpaceId(), wide);
    constexpr size_t kLimit = 1000000;
    for (AcDbDatabase* db : {&rings, &discs})
        for (const char* device : {"DWG To PDF.pc3", "PublishToWeb PNG.pc3"}) {
            const auto settings = oneToOne(device);
            qv::PlotRequest request = requestFor(*db, *settings, dir.file(std::string("plot.") + qv::PlotDevice::format(device)));
            request.maxWork = kLimit;
            const qv::PlotResult result = qv::plotLayout(request);
            EXPECT_EQ(result.status, qv::PlotDevice::format(device) == "pdf" ? Acad::eOk : Acad::ePlotFailed) << device;
        }

    const std::string png = dir.file("clip.png");
    qv::AtomicFile file;
    ASSERT_TRUE(file.open(png));
    qv::PlotCanvas canvas("png", 297, 210, 100, qv::kPlotPixelLimit, file);
    std::vector<qv::DevicePath> saw(1);
    constexpr int kTeeth = 20000;
    for (int i = 0; i < kTeeth; ++i) {   // around the sheet's centre, 250 and 300 pixels out
        const double angle = 2 * M_PI * i / kTeeth, radius = i % 2 ? 250 : 300;
        saw[0].push_back({585 + radius * std::cos(angle), 413 + radius * std::sin(angle)});
    }
    const auto stripes = [&canvas] {
        for (int i = 0; i < 100; ++i) {
            canvas.setPen(i % 2 ? 0xFF0000 : 0x0000FF, 3);
            canvas.stroke(qv::DevicePath{{0, 400 + 0.2 * i}, {1169, 400 + 0.2 * i}}, false);
        }
    };
    canvas.pushClip(saw);
    EXPECT_GT(canvas.spent(), 10u * kTeeth);
    stripes();
    canvas.popClip();
    // Inside a clip whose group takes the whole sheet cairo clips to the saw: each stroke
    // drawn under it spends the saw's edges again.
    canvas.pushClip({{{-1, -1}, {1200, -1}, {1200, 900}, {600, 950}, {-1, 900}}});
    canvas.pushClip(saw);
    const size_t spent = canvas.spent();
    stripes();
    EXPECT_GT(canvas.spent() - spent, 100u * kTeeth);
    canvas.popClip();
    canvas.popClip();
    ASSERT_TRUE(canvas.finish()) << canvas.error();
    ASSERT_TRUE(file.commit());
    const Raster r = readPng(png);
    EXPECT_NE(r.pixels[size_t(420) * size_t(r.width) + 585] & 0xFFFFFF, kWhite);
    EXPECT_EQ(r.pixels[size_t(420) * size_t(r.width) + 200] & 0xFFFFFF, kWhite);
}

// The environment lowers the limit a plot request starts with, and only lowers it.
TEST(Plot, TheEnvironmentLowersTheWorkLimit)
{
    const struct {
        const char* value;
        size_t limit;
    } cases[] = {{"1000", 1000}, {"19999999", 19999999}, {"30000000", qv::kPlotWorkLimit}, {"0", qv::kPlotWorkLimit},
                 {"-5", qv::kPlotWorkLimit}, {"12ab", qv::kPlotWorkLimit}, {"", qv::kPlotWorkLimit}};
    for (const auto& c : cases) {
        ::setenv("QUORVANE_PLOT_WORK_LIMIT", c.value, 1);
        EXPECT_EQ(qv::PlotRequest().maxWork, c.limit) << c.value;
    }
    ::unsetenv("QUORVANE_PLOT_WORK_LIMIT");
    EXPECT_EQ(qv::PlotRequest().maxWork, qv::kPlotWorkLimit);
}

// The pixels of a PNG or JPG plot are bounded whatever its media: the plot is drawn at a
// lower resolution, in whole dots per inch, and says which; each side stays within cairo's.
TEST(Plot, RasterResolutionIsLoweredToBoundThePixels)
{
    const struct {
        const char* device;
        const char* media;
        double dotsPerInch, maxPixels;
        int width, height;
        double used;
    } cases[] = {
        {"PublishToWeb JPG.pc3", "ISO_full_bleed_7600_(7600.00_x_7600.00_MM)", 100, 1e6, 898, 898, 3},
        {"PublishToWeb PNG.pc3", kA4Bleed, 100, 1e6, 1170, 827, 100},
        {"PublishToWeb PNG.pc3", "ISO_full_bleed_strip_(10000.00_x_10.00_MM)", 300, qv::kPlotPixelLimit, 29528, 30, 75},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.media);
        TempDir dir;
        AcDbDatabase db;
        append(db.modelSpaceId(), new AcDbLine(AcGePoint3d(0, 0, 0), AcGePoint3d(10, 10, 0)));
        const auto settings = oneToOne(c.device);
        settings->setCanonicalMediaName(c.media);
        const bool jpg = c.device == std::string("PublishToWeb JPG.pc3");
        const std::string path = dir.file(jpg ? "sheet.jpg" : "sheet.png");
        qv::PlotRequest request = requestFor(db, *settings, path);
        request.dotsPerInch = c.dotsPerInch;
        request.maxPixels = c.maxPixels;
        const qv::PlotResult result = qv::plotLayout(request);
        ASSERT_EQ(result.status, Acad::eOk) << result.message;
        EXPECT_EQ(result.dotsPerInch, c.used);
        const Raster r = jpg ? readJpeg(path) : readPng(path);
        EXPECT_EQ(r.width, c.width);
        EXPECT_EQ(r.height, c.height);
    }
}

namespace {

// Whether any pixel of the rectangle (millimetres from the sheet's lower-left corner) is
// about the colour.
bool inkIn(const Raster& r, double x0, double y0, double x1, double y1, std::uint32_t colour = kBlack)
{
    for (double y = y0; y <= y1; y += 0.25)
        for (double x = x0; x <= x1; x += 0.25)
            if (near(r.at(x, y), colour, 100))
                return true;
    return false;
}

AcDbMText* mtext(double x, double y, const char* contents, double height, double width = 0)
{
    auto* t = new AcDbMText;
    t->setLocation(AcGePoint3d(x, y, 0));
    t->setContents(contents);
    t->setTextHeight(height);
    t->setWidth(width);
    return t;
}

} // namespace

TEST(Plot, MultilineTextsFlowIntoTheirColumns)
{
    TempDir dir;
    for (const char* variant : {"", "xdata"}) {
        const std::string dxf = dir.file("columns.dxf"), png = dir.file("columns.png");
        ASSERT_EQ(std::system(("/usr/bin/python3 " QV_SOURCE_DIR "/tests/platform/arx/plot_mtext.py '" + dxf + "' " + variant).c_str()), 0);
        AcDbDatabase db(false);
        ASSERT_EQ(db.readDxfFile(dxf.c_str()), Acad::eOk) << db.lastErrorMessage();
        ASSERT_EQ(plot(db, *oneToOne("PublishToWeb PNG.pc3"), png).status, Acad::eOk);
        const Raster r = readPng(png);
        // After the column break, "Gamma" heads the second column, 50 to the right.
        EXPECT_TRUE(inkIn(r, 10, 195.5, 40, 199.5)) << variant;
        EXPECT_TRUE(inkIn(r, 60, 195.5, 90, 199.5)) << variant;
        EXPECT_FALSE(inkIn(r, 10, 178, 40, 184)) << variant;
        // What the columns' text draws reaches into the second column.
        AcDbBlockTableRecord* model = nullptr;
        ASSERT_EQ(acdbOpenObject(model, db.modelSpaceId(), AcDb::kForRead), Acad::eOk);
        const auto* columns = AcDbMText::cast(model->entityIds().front().object());
        model->close();
        ASSERT_NE(columns, nullptr);
        qv::PlotWork work;
        const AcDbExtents box = qv::PlotPainter::mtextExtents(
            columns, {}, [](std::string_view text, const qv::PlotFont&) { return 0.8 * static_cast<double>(text.size()); },
            work);   // advances in text heights
        EXPECT_GT(box.maxPoint().x, 75) << variant;
        EXPECT_NEAR(box.maxPoint().y, 200, 0.5) << variant;
        // Lines twice as far apart as usual.
        EXPECT_TRUE(inkIn(r, 150, 179, 170, 183)) << variant;
        EXPECT_FALSE(inkIn(r, 150, 185, 170, 192)) << variant;
        if (*variant)
            continue;
        // A full column of 20 sends the third line on; the first of 10 holds one line.
        EXPECT_TRUE(inkIn(r, 60, 145.5, 90, 149.5));
        EXPECT_FALSE(inkIn(r, 10, 128, 40, 134));
        EXPECT_TRUE(inkIn(r, 60, 95.5, 90, 99.5));
        EXPECT_FALSE(inkIn(r, 10, 87, 40, 92));
    }
}

TEST(Plot, MultilineTextCodesDrawWhatTheyStandFor)
{
    TempDir dir;
    AcDbDatabase db;
    append(db.modelSpaceId(), mtext(10, 200, "{\\C1;Red} \\c16711680;Blue", 10));
    append(db.modelSpaceId(), mtext(10, 170, "\\Lnnnn\\l mm", 10));
    append(db.modelSpaceId(), new AcDbText(AcGePoint3d(10, 20, 0), "%%unnnn%%u mm %%ooo", AcDbObjectId(), 10));
    append(db.modelSpaceId(), mtext(150, 200, "\\S1/2;", 10));
    append(db.modelSpaceId(), mtext(10, 140, "\\pxqr;Right", 5, 100));
    append(db.modelSpaceId(), mtext(10, 100, "abc^Jdef^Ighi %%065%%066 \\S+0.2^-0.1;", 5));
    const qv::PlotFont font{"DejaVu Sans"};
    qv::TextMeasurer measurer(false);
    const double box = 0.95 * 5 * measurer.advance("60 m2", font) / measurer.capHeight(measurer.face(font));
    append(db.modelSpaceId(), mtext(150, 170, "\\fDejaVu Sans;60 m2", 5, box));
    // A text in a block whose reference mirrors it: its letters run back from the insertion
    // point, upright.
    const AcDbObjectId block = defineBlock(db, "MIRRORED");
    append(block, mtext(0, 0, "Mirror", 10));
    auto* reference = new AcDbBlockReference(AcGePoint3d(250, 60, 0), block);
    reference->setScaleFactors(AcGeScale3d(-1, 1, 1));
    append(db.modelSpaceId(), reference);

    const std::string png = dir.file("codes.png");
    ASSERT_EQ(plot(db, *oneToOne("PublishToWeb PNG.pc3"), png).status, Acad::eOk);
    const Raster r = readPng(png);
    // Where each code shows, and where it does not: runs in their colours; a line 2 under the
    // baseline beneath the underlined word only, in a single-line text too, and its overline 2
    // over its top; the fraction's bar between its parts; the paragraph aligned right in its
    // width of 100; the mirrored text upright.
    const struct {
        const char* what;
        double x0, y0, x1, y1;
        std::uint32_t colour;
        bool ink;
    } regions[] = {
        {"red", 10, 191, 30, 199, kRed, true},
        {"red not blue", 10, 191, 30, 199, kBlue, false},
        {"blue", 50, 191, 80, 199, kBlue, true},
        {"underline", 12, 157.5, 14, 158.5, kBlack, true},
        {"no underline", 50, 157, 70, 159, kBlack, false},
        {"%%u", 12, 17.5, 14, 18.5, kBlack, true},
        {"no %%u", 50, 17, 70, 19, kBlack, false},
        {"%%o", 10, 31.5, 100, 32.5, kBlack, true},
        {"no %%o", 10, 31.5, 40, 32.5, kBlack, false},
        {"bar", 150.2, 194.3, 150.7, 194.7, kBlack, true},
        {"under the bar", 150.2, 193.5, 150.7, 193.9, kBlack, false},
        {"right", 100, 135.5, 110, 139.5, kBlack, true},
        {"not left", 10, 134, 60, 140, kBlack, false},
        {"mirrored", 230, 51, 249, 59, kBlack, true},
        {"not upside down", 230, 41, 249, 49, kBlack, false},
        {"label condensed on one line", 150 + box - 3, 165.5, 150 + box - 0.5, 169.5, kBlack, true},
        {"nothing beyond its box", 150 + box + 0.3, 155, 150 + box + 5, 170, kBlack, false},
    };
    for (const auto& region : regions)
        EXPECT_EQ(inkIn(r, region.x0, region.y0, region.x1, region.y1, region.colour), region.ink) << region.what;

    const std::string pdf = dir.file("codes.pdf");
    ASSERT_EQ(plot(db, *oneToOne("DWG To PDF.pc3"), pdf).status, Acad::eOk);
    const std::string text = run("pdftotext -raw '" + pdf + "' -");
    for (const char* shown : {"abc\n", "AB", "+0.2", "-0.1", "60 m2"})
        EXPECT_NE(text.find(shown), std::string::npos) << shown << "\n" << text;
    for (const char* hidden : {"^", "1/2", "%%"})
        EXPECT_EQ(text.find(hidden), std::string::npos) << hidden << "\n" << text;
}

// Each family a text names is matched to an installed font once per plot, whatever its
// spelling ("Arial", "ARIAL", "arial.ttf"), and each match spends the plot's work: a text
// naming thousands of families is refused, its matches stopping at the limit.
TEST(Plot, FontsAreMatchedOncePerFamilyAndCounted)
{
    auto runs = [](const std::vector<std::string>& codes) {
        std::string contents;
        for (const std::string& code : codes)
            contents += "{" + code + ";a}";
        return contents;
    };
    auto plotText = [](const std::string& contents, size_t limit) {
        TempDir dir;
        AcDbDatabase db;
        append(db.modelSpaceId(), mtext(10, 200, contents.c_str(), 5));
        const auto settings = oneToOne("DWG To PDF.pc3");
        qv::PlotRequest request = requestFor(db, *settings, dir.file("fonts.pdf"));
        request.maxWork = limit;
        return qv::plotLayout(request);
    };
    const qv::PlotResult oneFamily = plotText(runs({"\\fArial", "\\fARIAL", "\\Farial.ttf", "\\fAr ial"}), qv::kPlotWorkLimit);
    const qv::PlotResult four = plotText(runs({"\\fNoSuchA", "\\fNoSuchB", "\\fNoSuchC", "\\fNoSuchD"}), qv::kPlotWorkLimit);
    ASSERT_EQ(oneFamily.status, Acad::eOk) << oneFamily.message;
    ASSERT_EQ(four.status, Acad::eOk) << four.message;
    EXPECT_EQ(four.work - oneFamily.work, 3 * qv::kFontMatchPrice.units);

    std::vector<std::string> many;
    for (int i = 0; i < 2000; ++i)
        many.push_back("\\fNoSuch" + std::to_string(i));
    constexpr size_t kLimit = 200000;
    const qv::PlotResult refused = plotText(runs(many), kLimit);
    EXPECT_EQ(refused.status, Acad::ePlotFailed);
    EXPECT_NE(refused.message.find("more than 200000 elements"), std::string::npos) << refused.message;
    EXPECT_LT(refused.work, 2 * kLimit) << "fonts were matched past the limit";
}
