// PDF plots checked from outside: the file's structure with qpdf, its page with pdfinfo, its
// texts with pdftotext and pdffonts, and its drawing rendered by pdftoppm beside the PNG plot
// of the same sheet.
#include "common/tempdir.h"
#include "sheetlayout.h"

#include "arx/dbcurves.h"
#include "arx/dbdatabase.h"
#include "arx/dbhatch.h"
#include "arx/dblayout.h"
#include "arx/dbsymtb.h"
#include "arx/dbtext.h"
#include "arx/dbviewport.h"
#include "arx/plotrender.h"

#include <cairo.h>
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <memory>

namespace {

std::string run(const std::string& command, int* status = nullptr)
{
    std::string out;
    FILE* pipe = popen(command.c_str(), "r");
    char buffer[4096];
    while (pipe && fgets(buffer, sizeof buffer, pipe))
        out += buffer;
    const int result = pipe ? pclose(pipe) : -1;
    if (status)
        *status = result;
    return out;
}

void append(AcDbDatabase& db, AcDbEntity* entity)
{
    AcDbBlockTableRecord* record = nullptr;
    ASSERT_EQ(acdbOpenObject(record, db.modelSpaceId(), AcDb::kForWrite), Acad::eOk);
    AcDbObjectId id;
    EXPECT_EQ(record->appendAcDbEntity(id, entity), Acad::eOk);
    entity->close();
    record->close();
}

AcDbHatch* solid(std::vector<std::vector<AcGePoint2d>> loops, Adesk::UInt16 colour)
{
    auto* hatch = new AcDbHatch;
    hatch->setPattern(AcDbHatch::kPreDefined, "SOLID");
    for (const auto& loop : loops)
        hatch->appendLoop(AcDbHatch::kExternal, loop, std::vector<double>(loop.size(), 0.0));
    hatch->setColorIndex(colour);
    return hatch;
}

std::vector<AcGePoint2d> box(double x, double y, double side)
{
    return {{x, y}, {x + side, y}, {x + side, y + side}, {x, y + side}};
}

AcDbText* text(double x, double y, const char* contents, double height, double angle = 0, double widthFactor = 1)
{
    auto* t = new AcDbText(AcGePoint3d(x, y, 0), contents, AcDbObjectId(), height);
    t->setRotation(angle);
    t->setWidthFactor(widthFactor);
    return t;
}

// Plots model space 1:1 (drawing millimetres), or a paper layout as laid out, on a borderless
// A4 sheet at 100 dots per inch.
Acad::ErrorStatus plot(AcDbDatabase& db, const char* device, const std::string& path, AcDbObjectId layout = {})
{
    AcDbDatabase* saved = acdbHostApplicationServices()->workingDatabase();
    acdbHostApplicationServices()->setWorkingDatabase(&db);
    const bool model = layout.isNull();
    if (model)
        layout = acdbLayoutManager()->findLayoutNamed("Model", &db);
    acdbHostApplicationServices()->setWorkingDatabase(saved);
    AcDbPlotSettings settings(true);
    settings.setPlotCfgName(device);
    settings.setCanonicalMediaName("ISO_full_bleed_A4_(297.00_x_210.00_MM)");
    settings.setPlotWindowArea(0, 0, 297, 210);
    settings.setPlotType(model ? AcDbPlotSettings::kWindow : AcDbPlotSettings::kLayout);
    settings.setUseStandardScale(true);
    settings.setStdScaleType(16);
    settings.setPlotCentered(false);
    qv::PlotRequest request;
    request.database = &db;
    request.layoutId = layout;
    request.settings = &settings;
    request.path = path;
    request.dotsPerInch = 100;
    const qv::PlotResult result = qv::plotLayout(request);
    EXPECT_EQ(result.status, Acad::eOk) << result.message;
    return result.status;
}

// Pixels of a PNG file (0x00RRGGBB); ink is any pixel clearly darker than the paper.
struct Raster {
    int width = 0, height = 0;
    std::vector<std::uint32_t> pixels;
    bool ink(int x, int y) const
    {
        const std::uint32_t p = pixels[static_cast<size_t>(y) * width + x];
        return ((p >> 16) & 0xFF) < 160 || ((p >> 8) & 0xFF) < 160 || (p & 0xFF) < 160;
    }
    // At millimetres from the sheet's lower-left corner.
    std::uint32_t at(double xMm, double yMm) const
    {
        const int x = static_cast<int>(xMm * 100 / 25.4), y = static_cast<int>((210 - yMm) * 100 / 25.4);
        return pixels[static_cast<size_t>(y) * width + x] & 0xFFFFFF;
    }
};

Raster readPng(const std::string& path)
{
    Raster r;
    cairo_surface_t* s = cairo_image_surface_create_from_png(path.c_str());
    if (cairo_surface_status(s) == CAIRO_STATUS_SUCCESS) {
        r.width = cairo_image_surface_get_width(s), r.height = cairo_image_surface_get_height(s);
        for (int y = 0; y < r.height; ++y) {
            const auto* row = reinterpret_cast<const std::uint32_t*>(cairo_image_surface_get_data(s) +
                                                                      y * cairo_image_surface_get_stride(s));
            r.pixels.insert(r.pixels.end(), row, row + r.width);
        }
    }
    cairo_surface_destroy(s);
    return r;
}

// The PDF's page rendered by poppler at the PNG plot's resolution.
Raster renderPdf(const std::string& pdf)
{
    const std::string stem = pdf + ".render";
    run("pdftoppm -r 100 -png -singlefile '" + pdf + "' '" + stem + "'");
    return readPng(stem + ".png");
}

// Pixels inked in one raster and not in the other, over those inked in either, within the
// rectangle [x0, x1) x [y0, y1) of pixels.
double inkMismatch(const Raster& a, const Raster& b, int x0, int y0, int x1, int y1)
{
    size_t differ = 0, either = 0;
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x) {
            const bool p = a.ink(x, y), q = b.ink(x, y);
            differ += p != q;
            either += p || q;
        }
    return either == 0 ? 1.0 : static_cast<double>(differ) / static_cast<double>(either);
}

bool validPdf(const std::string& pdf)
{
    int status = 0;
    const std::string out = run("qpdf --check '" + pdf + "' 2>&1", &status);
    EXPECT_EQ(status, 0) << out;
    return status == 0;
}

} // namespace

// Fills with holes, lines and texts turned, stretched and with composite glyphs (an umlaut
// is a letter and a diaeresis) must land where the raster plot puts them.
TEST(PlotPdf, RendersLikeTheRasterPlot)
{
    TempDir dir;
    AcDbDatabase db;
    append(db, solid({box(20, 20, 60), box(35, 35, 30)}, 1));   // a square ring
    append(db, solid({box(100, 20, 40)}, 5));
    append(db, new AcDbLine(AcGePoint3d(10, 100, 0), AcGePoint3d(280, 110, 0)));
    append(db, text(20, 140, "B\xC3\xBCro 1.07", 14, 0.5, 0.8));
    append(db, text(160, 120, "\xC3\x84\xC3\x96", 40));
    append(db, text(250, 20, "Up", 12, 3.14159265358979 / 2));
    const std::string png = dir.file("sheet.png"), pdf = dir.file("sheet.pdf");
    ASSERT_EQ(plot(db, "PublishToWeb PNG.pc3", png), Acad::eOk);
    ASSERT_EQ(plot(db, "DWG To PDF.pc3", pdf), Acad::eOk);
    EXPECT_TRUE(validPdf(pdf));
    const Raster expected = readPng(png), got = renderPdf(pdf);
    ASSERT_GT(got.width, 1160);
    ASSERT_GT(got.height, 820);
    const int width = std::min(expected.width, got.width), height = std::min(expected.height, got.height);
    EXPECT_LT(inkMismatch(expected, got, 0, 0, width, height), 0.05);
    // Texts alone: the turned and stretched label, the umlauts (the dots lie above the capitals).
    EXPECT_LT(inkMismatch(expected, got, 70, 230, 700, 600), 0.1);
    EXPECT_LT(inkMismatch(expected, got, 620, 190, 1000, 370), 0.1);
    EXPECT_LT(inkMismatch(expected, got, 620, 190, 1000, 250), 0.2);
    EXPECT_EQ(got.at(25, 25) & 0xFF0000, 0xFF0000u);   // the ring is red
    EXPECT_EQ(got.at(50, 50), 0xFFFFFFu);               // its hole is not
    EXPECT_EQ(got.at(120, 40), 0x0000FFu);
}

// Circles, arcs of polylines and the arc edges of a solid hatch go into the page as cubic
// curves, not as runs of chords, and land where the raster plot draws them; so does the
// part of a circle of a thousand kilometres that crosses the sheet, as straight as it looks.
TEST(PlotPdf, CurvesAreCubicCurves)
{
    TempDir dir;
    AcDbDatabase db;
    append(db, new AcDbCircle(AcGePoint3d(80, 105, 0), AcGeVector3d::kZAxis, 80));
    append(db, new AcDbCircle(AcGePoint3d(148, 10 - 1e9, 0), AcGeVector3d::kZAxis, 1e9));
    auto* bent = new AcDbPolyline;
    bent->addVertexAt(0, AcGePoint2d(180, 120), 1);   // a half circle below its ends
    bent->addVertexAt(1, AcGePoint2d(280, 120));
    append(db, bent);
    auto* disc = new AcDbHatch;
    disc->setPattern(AcDbHatch::kPreDefined, "SOLID");
    disc->appendLoop(AcDbHatch::kExternal, {{200, 150}, {260, 150}}, {1, 1});
    append(db, disc);
    const std::string png = dir.file("curves.png"), pdf = dir.file("curves.pdf");
    ASSERT_EQ(plot(db, "PublishToWeb PNG.pc3", png), Acad::eOk);
    ASSERT_EQ(plot(db, "DWG To PDF.pc3", pdf), Acad::eOk);
    EXPECT_TRUE(validPdf(pdf));
    const std::string page = run("qpdf --show-object=4 --filtered-stream-data '" + pdf + "'");
    size_t curves = 0, chords = 0, longest = 0;
    for (size_t at = 0, end; (end = page.find('\n', at)) != std::string::npos; at = end + 1) {
        const std::string_view line(page.data() + at, end - at);
        curves += line.ends_with(" c");
        chords = line.ends_with(" l") ? chords + 1 : 0;
        longest = std::max(longest, chords);
    }
    EXPECT_GE(curves, 4u + 2 + 4) << page;
    EXPECT_LT(longest, 4u) << page;
    const Raster expected = readPng(png), got = renderPdf(pdf);
    const int width = std::min(expected.width, got.width), height = std::min(expected.height, got.height);
    EXPECT_LT(inkMismatch(expected, got, 0, 0, width, height), 0.05);
    EXPECT_NE(got.at(230, 150), 0xFFFFFFu);   // the disc's middle
    for (const Raster& r : {expected, got})   // along y = 10 mm, row 787
        for (int x : {10, 600, 1160})
            EXPECT_TRUE(r.ink(x, 787) && !r.ink(x, 780) && !r.ink(x, 795)) << x;
}

// Solid fills far larger than the sheet show the part of them on it, in PDF as in PNG: a disc
// of a thousand kilometres below y = 10 mm, a square of a billion kilometres above y = 200 mm.
TEST(PlotPdf, FillsFarLargerThanTheSheetAreCutToIt)
{
    TempDir dir;
    AcDbDatabase db;
    append(db, new AcDbCircle(AcGePoint3d(80, 105, 0), AcGeVector3d::kZAxis, 80));
    for (const auto& [points, bulges] : {std::pair<std::vector<AcGePoint2d>, std::vector<double>>{
                                             {{148, 10}, {148, 10 - 2e9}}, {1, 1}},
                                         {{{-1e12, 200}, {1e12, 200}, {1e12, 2e12}, {-1e12, 2e12}}, {0, 0, 0, 0}}}) {
        auto* solid = new AcDbHatch;
        solid->setPattern(AcDbHatch::kPreDefined, "SOLID");
        solid->appendLoop(AcDbHatch::kExternal, points, bulges);
        append(db, solid);
    }
    const std::string png = dir.file("fills.png"), pdf = dir.file("fills.pdf");
    ASSERT_EQ(plot(db, "PublishToWeb PNG.pc3", png), Acad::eOk);
    ASSERT_EQ(plot(db, "DWG To PDF.pc3", pdf), Acad::eOk);
    for (const Raster& r : {readPng(png), renderPdf(pdf)})   // rows 39 and 787 at 100 dpi
        for (int x : {10, 600, 1160})
            EXPECT_TRUE(r.ink(x, 30) && !r.ink(x, 50) && !r.ink(x, 780) && r.ink(x, 795)) << x;
}

// An arc of a polyline a thousand kilometres wide inks the whole sheet, in PDF as in PNG,
// with a pen no wider than the sheet needs: a tiny one on the sheet, and one from a vertex a
// million kilometres away to one on the sheet.
TEST(PlotPdf, PensFarWiderThanTheSheetAreNarrowed)
{
    for (const auto& [from, to] : {std::pair{AcGePoint2d(100, 100), AcGePoint2d(100.001, 100)},
                                   std::pair{AcGePoint2d(-1e9, 35), AcGePoint2d(50, 35)}}) {
        TempDir dir;
        AcDbDatabase db;
        auto* wide = new AcDbPolyline;
        wide->addVertexAt(0, from, from.x < 0 ? 0.01 : 1);
        wide->addVertexAt(1, to);
        wide->setConstantWidth(1e9);
        append(db, wide);
        const std::string png = dir.file("wide.png"), pdf = dir.file("wide.pdf");
        ASSERT_EQ(plot(db, "PublishToWeb PNG.pc3", png), Acad::eOk);
        ASSERT_EQ(plot(db, "DWG To PDF.pc3", pdf), Acad::eOk);
        const std::string page = run("qpdf --show-object=4 --filtered-stream-data '" + pdf + "'");
        const size_t pen = page.find(" w\n");
        ASSERT_NE(pen, std::string::npos) << page;
        EXPECT_LT(std::stod(page.substr(page.rfind('\n', pen) + 1)), 3000) << page;
        for (const Raster& r : {readPng(png), renderPdf(pdf)})
            EXPECT_TRUE(r.ink(0, 0) && r.ink(r.width - 1, r.height - 1) && r.ink(r.width / 2, r.height / 2)) << from.x;
    }
}

// A pattern hatch over a U whose base holds an island draws its lines in the U alone, in PDF
// as in PNG: none in the notch between the arms, none in the island. The pattern's line
// through the origin passes the U's corners at (20, 20) and (50, 50), and shows in the base
// and again in the right arm.
TEST(PlotPdf, PatternLinesStayInsideAConcaveBoundaryAndOutOfItsIsland)
{
    TempDir dir;
    AcDbDatabase db;
    auto* hatch = solid({{{20, 20}, {120, 20}, {120, 100}, {90, 100}, {90, 50}, {50, 50}, {50, 100}, {20, 100}},
                         box(60, 28, 16)},
                        7);
    hatch->setPattern(AcDbHatch::kPreDefined, "ANSI31");
    hatch->setPatternScale(0.5);   // 45-degree lines 1.59 mm apart
    append(db, hatch);
    const std::string png = dir.file("sheet.png"), pdf = dir.file("sheet.pdf");
    ASSERT_EQ(plot(db, "PublishToWeb PNG.pc3", png), Acad::eOk);
    ASSERT_EQ(plot(db, "DWG To PDF.pc3", pdf), Acad::eOk);
    for (const Raster& r : {readPng(png), renderPdf(pdf)}) {
        ASSERT_GT(r.width, 1160);
        // The share of inked points of a rectangle (millimetres).
        auto inked = [&](double x0, double y0, double x1, double y1) {
            int ink = 0, all = 0;
            for (double x = x0; x < x1; x += 0.25)
                for (double y = y0; y < y1; y += 0.25, ++all)
                    ink += (r.at(x, y) & 0xFF) < 160 ? 1 : 0;
            return static_cast<double>(ink) / all;
        };
        EXPECT_GT(inked(22, 52, 48, 98), 0.1);     // the left arm
        EXPECT_GT(inked(92, 52, 118, 98), 0.1);    // the right arm
        EXPECT_GT(inked(22, 22, 58, 48), 0.1);     // the base beside the island
        EXPECT_EQ(inked(52, 52, 88, 99), 0.0);     // the notch
        EXPECT_EQ(inked(62, 30, 74, 42), 0.0);     // the island
        EXPECT_EQ(inked(122, 20, 140, 100), 0.0);  // beyond the boundary
        EXPECT_GT(inked(34.7, 35, 35.3, 35.25), 0.0);
        EXPECT_GT(inked(94.7, 95, 95.3, 95.25), 0.0);
    }
}

// A viewport shows model space through a clip: what lies outside it stays off the sheet, and
// the clip ends with the viewport.
TEST(PlotPdf, ViewportsClipModelSpace)
{
    TempDir dir;
    AcDbDatabase db;
    append(db, solid({box(-5000, -5000, 6000)}, 7));   // reaches beyond the viewport but for its right side
    AcDbObjectId layoutId, blockId;
    ASSERT_EQ(createSheet(db, layoutId, blockId), Acad::eOk);
    // A 100 x 50 mm window at (150, 100) on model space from (0, -500) to (4000, 1500): 1:40.
    auto* vp = newViewport(AcGePoint3d(150, 100, 0), 100, 50, AcGePoint2d(2000, 500), 2000);
    AcDbBlockTableRecord* sheet = nullptr;
    ASSERT_EQ(acdbOpenObject(sheet, blockId, AcDb::kForWrite), Acad::eOk);
    EXPECT_EQ(sheet->appendAcDbEntity(vp), Acad::eOk);
    auto* after = new AcDbHatch;   // drawn after the viewport, outside its clip
    after->setPattern(AcDbHatch::kPreDefined, "SOLID");
    after->appendLoop(AcDbHatch::kExternal, box(20, 20, 20), {0, 0, 0, 0});
    after->setColorIndex(1);
    EXPECT_EQ(sheet->appendAcDbEntity(after), Acad::eOk);
    after->close();
    vp->close();
    sheet->close();

    const std::string pdf = dir.file("sheet.pdf");
    ASSERT_EQ(plot(db, "DWG To PDF.pc3", pdf, layoutId), Acad::eOk);
    EXPECT_TRUE(validPdf(pdf));
    const Raster got = renderPdf(pdf);
    ASSERT_GT(got.width, 1160);
    EXPECT_EQ(got.at(100 + 12.5, 75 + 25), 0u);             // model (500, 500)
    EXPECT_EQ(got.at(100 + 37.5, 75 + 25), 0xFFFFFFu);      // model (1500, 500): beyond the square
    EXPECT_EQ(got.at(100 + 12.5, 75 - 10), 0xFFFFFFu);      // the square, below the viewport
    EXPECT_EQ(got.at(30, 30), 0xFF0000u);
}

TEST(PlotPdf, TextsAreRealTextInAnEmbeddedSubset)
{
    TempDir dir;
    AcDbDatabase db;
    append(db, text(20, 180, "B\xC3\xBCro 1.07", 5));
    append(db, text(20, 160, "\xC3\x98 120", 5));
    append(db, text(20, 140, "%%c50 %%d", 5));
    append(db, text(20, 120, "Caf\xC3\xA9 50\xE2\x82\xAC", 5, 0, 0.6));
    const std::string pdf = dir.file("texts.pdf");
    ASSERT_EQ(plot(db, "DWG To PDF.pc3", pdf), Acad::eOk);
    EXPECT_TRUE(validPdf(pdf));
    const std::string text = run("pdftotext -raw '" + pdf + "' -");
    for (const char* label : {"B\xC3\xBCro 1.07", "\xC3\x98 120", "\xE2\x8C\x80" "50 \xC2\xB0", "Caf\xC3\xA9 50\xE2\x82\xAC"})
        EXPECT_NE(text.find(label), std::string::npos) << label << " in " << text;
    const std::string fonts = run("pdffonts '" + pdf + "'");
    EXPECT_NE(fonts.find("DejaVuSans"), std::string::npos) << fonts;
    EXPECT_NE(fonts.find("CID TrueType      Identity-H       yes yes yes"), std::string::npos) << fonts;
    // The whole font is some 700 KB; its subset with a few dozen glyphs a small part of it.
    EXPECT_LT(std::filesystem::file_size(pdf), 60000u);
}

// Characters DejaVu Sans lacks come from an installed font that has them, embedded beside it
// and spaced by its own advances (the raster plot draws them alike); those no font has are
// named once on standard error.
TEST(PlotPdf, CharactersDejaVuLacksComeFromAnotherFont)
{
    TempDir dir;
    AcDbDatabase db;
    append(db, text(20, 170, "\xE4\xB8\xAD\xE6\x96\x87 Plan \xE6\x88\xBF\xE9\x97\xB4 1.07", 20));
    append(db, text(20, 140, "x\xF4\x8F\xBF\xBDy", 10));   // U+10FFFD, in no font
    append(db, text(20, 120, "\xF4\x8F\xBF\xBD", 10));
    const std::string png = dir.file("sheet.png"), pdf = dir.file("sheet.pdf");
    testing::internal::CaptureStderr();
    ASSERT_EQ(plot(db, "PublishToWeb PNG.pc3", png), Acad::eOk);
    ASSERT_EQ(plot(db, "DWG To PDF.pc3", pdf), Acad::eOk);
    const std::string errors = testing::internal::GetCapturedStderr();
    EXPECT_TRUE(validPdf(pdf));
    const std::string text = run("pdftotext -raw '" + pdf + "' -");
    EXPECT_NE(text.find("\xE4\xB8\xAD\xE6\x96\x87 Plan \xE6\x88\xBF\xE9\x97\xB4 1.07"), std::string::npos) << text;
    const std::string fonts = run("pdffonts '" + pdf + "' | grep -c 'CID TrueType *Identity-H *yes yes yes'");
    EXPECT_EQ(fonts, "2\n") << run("pdffonts '" + pdf + "'");
    const Raster expected = readPng(png), got = renderPdf(pdf);
    ASSERT_GT(got.width, 1160);
    EXPECT_LT(inkMismatch(expected, got, 70, 70, 1100, 170), 0.1);
    const std::string message = "no font has U+10FFFD; they plot as empty boxes\n";
    const std::string program = program_invocation_short_name;
    EXPECT_EQ(errors, program + ": " + message + program + ": " + message);
}

TEST(PlotPdf, SheetWithoutTextsHasNoFont)
{
    TempDir dir;
    AcDbDatabase db;
    append(db, solid({box(20, 20, 60)}, 3));
    const std::string pdf = dir.file("plain.pdf");
    ASSERT_EQ(plot(db, "DWG To PDF.pc3", pdf), Acad::eOk);
    EXPECT_TRUE(validPdf(pdf));
    const std::string fonts = run("pdffonts '" + pdf + "'");
    EXPECT_EQ(fonts.find("DejaVu"), std::string::npos) << fonts;
    const std::string info = run("pdfinfo '" + pdf + "'");
    EXPECT_NE(info.find("Pages:           1"), std::string::npos) << info;
    EXPECT_NE(info.find("841.89 x 595.276 pts"), std::string::npos) << info;
    EXPECT_LT(std::filesystem::file_size(pdf), 2000u);
}

// A page of over a megabyte of content is compressed in parts on several threads, joined
// into one stream: it must decode whole, to the last thing drawn.
TEST(PlotPdf, LongContentDecodesWhole)
{
    TempDir dir;
    AcDbDatabase db;
    for (int i = 0; i < 100000; ++i) {
        const double x = 5 + (i % 400) * 0.6, y = 5 + (i / 400) * 0.4;
        append(db, new AcDbLine(AcGePoint3d(x, y, 0), AcGePoint3d(x + 0.3, y + 0.2, 0)));
    }
    append(db, solid({box(250, 150, 30)}, 1));
    const std::string pdf = dir.file("long.pdf");
    ASSERT_EQ(plot(db, "DWG To PDF.pc3", pdf), Acad::eOk);
    EXPECT_TRUE(validPdf(pdf));
    const std::string content = run("qpdf --show-object=4 --filtered-stream-data '" + pdf + "' | wc -c");
    EXPECT_GT(std::stoul(content), 3000000u);
    // zlib's own reader checks the stream's checksum, which PDF readers skip.
    int status = -1;
    const std::string check = run("qpdf --show-object=4 --raw-stream-data '" + pdf +
                                      "' | /usr/bin/python3 -c 'import sys, zlib; zlib.decompress(sys.stdin.buffer.read())' 2>&1",
                                  &status);
    EXPECT_EQ(status, 0) << check;
    const Raster got = renderPdf(pdf);
    ASSERT_GT(got.width, 1160);
    EXPECT_EQ(got.at(265, 165), 0xFF0000u);
    EXPECT_NE(got.at(6, 5.1), 0xFFFFFFu);   // the first line drawn
}
