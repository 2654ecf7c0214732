#include "plotcommands.h"

#include "commandline.h"

#include "arx/acdocman.h"
#include "arx/aced.h"
#include "arx/dbdatabase.h"
#include "arx/dblayout.h"
#include "arx/plotrender.h"

#include <filesystem>
#include <memory>

namespace {

const char* const kDefaultMedia = "ISO_A4_(297.00_x_210.00_MM)";

// The device configuration for a file extension or a short device name ("pdf", ".PNG").
std::string deviceFor(std::string name)
{
    name = upper(name);
    if (!name.empty() && name[0] == '.')
        name.erase(0, 1);
    if (name == "PDF")
        return "DWG To PDF.pc3";
    if (name == "PNG")
        return "PublishToWeb PNG.pc3";
    if (name == "JPG" || name == "JPEG")
        return "PublishToWeb JPG.pc3";
    return "";
}

// The layout's settings to plot with: its own, or, when it never had a device, its extents
// scaled to fit, centred and unturned on its media (or an A4 landscape sheet).
std::unique_ptr<AcDbPlotSettings> settingsOf(const AcDbLayout* layout)
{
    auto settings = std::make_unique<AcDbPlotSettings>(layout->modelType());
    settings->copyFrom(layout);
    if (qv::plotDeviceFormat(layout->plotCfgName()).empty()) {
        settings->setPlotType(AcDbPlotSettings::kExtents);
        settings->setUseStandardScale(true);
        settings->setStdScaleType(AcDbPlotSettings::kScaleToFit);
        settings->setPlotCentered(true);
        settings->setPlotRotation(AcDbPlotSettings::k0degrees);
    }
    double w = 0, h = 0;
    if (!qv::plotMediaSize(settings->canonicalMediaName(), w, h))
        settings->setCanonicalMediaName(kDefaultMedia);
    return settings;
}

// EXPORT (asOwn) plots the layout's own settings as well as they go: a window over nothing
// gives way to the extents.
bool plotTo(AcApDocument* doc, AcDbObjectId layoutId, const AcDbPlotSettings& settings, const std::string& path,
            bool asOwn)
{
    qv::PlotRequest request;
    request.extentsForEmptyWindow = asOwn;
    request.database = doc->database();
    request.layoutId = layoutId;
    request.settings = &settings;
    request.path = path;
    resbuf dpi{};
    if (acedGetVar("PLOTDPI", &dpi) == RTNORM)
        request.dotsPerInch = dpi.resval.rint;
    const qv::PlotResult result = qv::plotLayout(request);
    if (result.status != Acad::eOk)
        complain("cannot plot to \"" + path + "\": " + result.message);
    return result.status == Acad::eOk;
}

const AcDbLayout* layoutOf(AcDbObjectId id) { return AcDbLayout::cast(id.object()); }

// An answer, or the default for an empty one; none when the prompt was cancelled.
std::optional<std::string> askOr(const std::string& prompt, const std::string& fallback)
{
    auto answer = askLine(prompt + " <" + fallback + ">: ");
    if (answer && answer->empty())
        answer = fallback;
    return answer;
}

// A file whose extension names another format than the device writes: the layout's own
// device follows the extension, as EXPORT's does; a device the user named is refused.
bool matchDevice(AcDbPlotSettings& settings, const std::string& path, bool deviceKept)
{
    const std::string byName = deviceFor(std::filesystem::path(path).extension().string());
    if (byName.empty() || qv::plotDeviceFormat(byName) == qv::plotDeviceFormat(settings.plotCfgName()))
        return true;
    if (deviceKept) {
        settings.setPlotCfgName(byName.c_str());
        return true;
    }
    complain("cannot plot to \"" + path + "\": the device \"" + settings.plotCfgName() + "\" does not write "
             + std::filesystem::path(path).extension().string() + " files");
    return false;
}

} // namespace

bool PlotCommands::exportLayout(AcApDocument* doc)
{
    const auto path = askPath("Enter file name to export to: ");
    if (!doc || !path || path->empty())
        return true;
    const std::string device = deviceFor(std::filesystem::path(*path).extension().string());
    if (device.empty()) {
        complain("cannot export to \"" + *path + "\": the file name must end in .pdf, .png or .jpg");
        return false;
    }
    const AcDbObjectId layoutId = acdbLayoutManager()->getActiveLayoutId(doc->database());
    const AcDbLayout* layout = layoutOf(layoutId);
    if (!layout) {
        complain("cannot export to \"" + *path + "\": the drawing has no current layout");
        return false;
    }
    const auto settings = settingsOf(layout);
    settings->setPlotCfgName(device.c_str());
    return plotTo(doc, layoutId, *settings, *path, true);
}

bool PlotCommands::plot(AcApDocument* doc)
{
    if (!doc)
        return true;
    AcDbDatabase* db = doc->database();
    const AcDbLayout* current = layoutOf(acdbLayoutManager()->getActiveLayoutId(db));
    const auto name = askOr("Enter a layout name", current ? current->name() : "Model");
    if (!name)
        return true;
    const AcDbObjectId layoutId = acdbLayoutManager()->findLayoutNamed(name->c_str(), db);
    const AcDbLayout* layout = layoutOf(layoutId);
    if (!layout) {
        complain("cannot plot: the drawing has no layout \"" + *name + "\"");
        return false;
    }
    const auto settings = settingsOf(layout);
    const auto device = askOr("Enter an output device name", settings->plotCfgName());
    if (!device)
        return true;
    const bool deviceKept = *device == settings->plotCfgName();
    const std::string shortName = deviceFor(*device);
    settings->setPlotCfgName(shortName.empty() ? device->c_str() : shortName.c_str());
    const auto media = askOr("Enter paper size", settings->canonicalMediaName());
    if (!media)
        return true;
    settings->setCanonicalMediaName(media->c_str());
    // The default file: the drawing's name and the layout's, beside the drawing.
    const std::string format = qv::plotDeviceFormat(settings->plotCfgName());
    std::filesystem::path fallback(doc->fileName());
    fallback.replace_filename(fallback.stem().string() + "-" + layout->name() + "." + (format.empty() ? "plt" : format));
    const auto path = withHome(askOr("Enter file name to plot to", fallback.string()));
    return !path || (matchDevice(*settings, *path, deviceKept) && plotTo(doc, layoutId, *settings, *path, false));
}

