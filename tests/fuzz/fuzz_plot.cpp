// Plots a drawing read from arbitrary bytes: its model layout with the layout's own settings
// (an unknown media as A4), to PDF and to PNG at a low resolution, within a bounded work.
// A plot that succeeds has written its file whole, one that fails has written nothing and
// says why.
#include "common/tempdir.h"

#include "arx/dbdatabase.h"
#include "arx/dblayout.h"
#include "arx/plotmedia.h"
#include "arx/plotrender.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

constexpr std::size_t kWork = 500000;
constexpr double kDotsPerInch = 10;

[[noreturn]] void fail(const char* what, const std::string& detail)
{
    std::fprintf(stderr, "%s: %s\n", what, detail.c_str());
    std::abort();
}

void plotTo(AcDbDatabase& db, AcDbObjectId layoutId, const char* device, const std::string& path, const char* magic)
{
    AcDbPlotSettings settings(true);
    settings.copyFrom(AcDbLayout::cast(layoutId.object()));
    settings.setPlotCfgName(device);
    if (qv::PlotMedia::find(settings.canonicalMediaName()).empty())
        settings.setCanonicalMediaName("ISO_full_bleed_A4_(297.00_x_210.00_MM)");
    qv::PlotRequest request;
    request.database = &db;
    request.layoutId = layoutId;
    request.settings = &settings;
    request.path = path;
    request.dotsPerInch = kDotsPerInch;
    request.maxWork = kWork;
    request.extentsForEmptyWindow = true;
    const qv::PlotResult result = qv::plotLayout(request);
    if (result.status != Acad::eOk) {
        if (result.message.empty())
            fail("a plot failed without saying why", path);
        if (std::filesystem::exists(path))
            fail("a failed plot left its file", result.message);
        return;
    }
    const std::string written = readFile(path);
    if (!written.starts_with(magic))
        fail("a plot said written is not its format", path);
    std::filesystem::remove(path);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const TempDir dir;
    AcDbDatabase db(false);
    if (db.readDxfText(std::string(reinterpret_cast<const char*>(data), size)) != Acad::eOk)
        return 0;
    acdbHostApplicationServices()->setWorkingDatabase(&db);
    const AcDbObjectId model = acdbLayoutManager()->findLayoutNamed("Model", &db);
    if (AcDbLayout::cast(model.object())) {
        plotTo(db, model, "DWG To PDF.pc3", dir.file("plot.pdf"), "%PDF-");
        plotTo(db, model, "PublishToWeb PNG.pc3", dir.file("plot.png"), "\x89PNG");
    }
    acdbHostApplicationServices()->setWorkingDatabase(nullptr);
    return 0;
}
