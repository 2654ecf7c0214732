#include "plotcommands.h"

#include "commandline.h"

#include "arx/acdocman.h"
#include "arx/aced.h"
#include "arx/dbdatabase.h"
#include "arx/dbdict.h"
#include "arx/dblayout.h"
#include "arx/plotdevice.h"
#include "arx/plotmedia.h"
#include "arx/plotrender.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <memory>
#include <vector>

namespace {

const char* const kDefaultMedia = "ISO_A4_(297.00_x_210.00_MM)";
const char* const kDefaultDevice = "DWG To PDF.pc3";

bool sameName(const std::string& a, const std::string& b) { return upper(a) == upper(b); }

// A clause that begins with a word, never with a name (PlotDevice::refusal's), made the
// beginning of a sentence.
std::string sentence(std::string clause)
{
    if (!clause.empty())
        clause[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(clause[0])));
    return clause;
}

// The layout's settings to plot with: its own, or, when it names no device the host knows,
// its extents scaled to fit, centred and unturned. The media is the layout's own as the
// host names it (PlotMedia::find), or an A4 landscape sheet.
std::unique_ptr<AcDbPlotSettings> settingsOf(const AcDbLayout* layout)
{
    auto settings = std::make_unique<AcDbPlotSettings>(layout->modelType());
    settings->copyFrom(layout);
    if (qv::PlotDevice::format(layout->plotCfgName()).empty()) {
        settings->setPlotType(AcDbPlotSettings::kExtents);
        settings->setUseStandardScale(true);
        settings->setStdScaleType(AcDbPlotSettings::kScaleToFit);
        settings->setPlotCentered(true);
        settings->setPlotRotation(AcDbPlotSettings::k0degrees);
    }
    const std::string media = qv::PlotMedia::find(settings->canonicalMediaName());
    settings->setCanonicalMediaName(media.empty() ? kDefaultMedia : media.c_str());
    return settings;
}

// A ratio's number: as it is, or, when rough, with three significant digits, whole from 100.
std::string ratioNumber(double value, bool rough)
{
    const bool whole = rough ? value >= 100 : value == std::round(value);
    char text[512];
    std::snprintf(text, sizeof text, whole ? "%.0f" : rough ? "%.3g" : "%.6g", value);
    return text;
}

// The plot's scale as its line gives it: "1:100", "2:1", or "fitted, about 1:144", and the
// unit it took the drawing's lengths in when the drawing names none.
std::string scaleText(const qv::PlotResult& result)
{
    const double units = result.scale;
    const std::string ratio = units >= 1 ? "1:" + ratioNumber(units, result.fitted)
                                         : ratioNumber(1 / units, result.fitted) + ":1";
    const std::string assumed = result.assumedUnit.empty() ? "" : ", one drawing unit taken as 1 " + result.assumedUnit;
    return (result.fitted ? "fitted, about " + ratio : ratio) + assumed;
}

// EXPORT (asOwn) plots the layout's own settings as well as they go: a window over nothing
// gives way to the extents. A file that exists is replaced, on a terminal once the user
// agrees. A plot written is named on a line with its media and scale, and whether it
// replaced a file.
bool plotTo(AcApDocument* doc, AcDbObjectId layoutId, const AcDbPlotSettings& settings, const std::string& path,
            bool asOwn)
{
    const std::optional<bool> replacing = qv::replacing(path);
    if (!replacing)
        return true;
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
    if (result.status != Acad::eOk) {
        complain("cannot plot to \"" + path + "\": " + result.message);
        return false;
    }
    say("Plot written to " + path + (*replacing ? " (replaced) (" : " (") + settings.canonicalMediaName() + ", "
        + scaleText(result) + ")\n");
    return true;
}

const AcDbLayout* layoutOf(AcDbObjectId id) { return AcDbLayout::cast(id.object()); }

// Asks until an answer is taken: Enter gives the default, "?" lists the choices, and an
// answer that take refuses (qv::refuseAnswer) is asked again on a terminal. None when the
// prompt was cancelled, or an answer refused in a script.
std::optional<std::string> askChoice(const std::string& prompt, const std::string& fallback,
                                     const std::function<void()>& list,
                                     const std::function<std::optional<std::string>(const std::string&)>& take)
{
    for (;;) {
        const auto answer = askLine(prompt + " or [?] <" + fallback + ">: ");
        if (!answer)
            return std::nullopt;
        if (*answer == "?")
            list();
        else if (auto taken = take(answer->empty() ? fallback : *answer))
            return taken;
    }
}

void listLayouts(AcDbDatabase* db)
{
    std::vector<const AcDbLayout*> layouts;
    if (const auto* dict = AcDbDictionary::cast(db->layoutDictionaryId().object())) {
        std::unique_ptr<AcDbDictionaryIterator> it(dict->newIterator());
        for (; !it->done(); it->next())
            if (const AcDbLayout* layout = layoutOf(it->objectId()))
                layouts.push_back(layout);
    }
    std::stable_sort(layouts.begin(), layouts.end(),
                     [](const AcDbLayout* a, const AcDbLayout* b) { return a->getTabOrder() < b->getTabOrder(); });
    for (const AcDbLayout* layout : layouts)
        say("  " + layout->name() + "\n");
}

void listDevices()
{
    for (const std::string& name : qv::PlotDevice::names())
        say("  " + name + " (" + upper(qv::PlotDevice::format(name)) + ")\n");
}

void listMedia()
{
    for (const qv::PlotMedia::Sheet& sheet : qv::PlotMedia::sheets())
        say(std::string("  ") + sheet.name + (*sheet.shortName ? std::string(" (") + sheet.shortName + ")" : "") + "\n");
}

// The device that writes the file. A device the user named must write the file's format
// (else none, having said so); the layout's own (kept) follows the file's extension, else,
// when the host does not have it, falls back to PDF, saying so.
std::optional<std::string> deviceForFile(const std::string& device, bool kept, const std::string& path)
{
    const std::string extension = std::filesystem::path(path).extension().string();
    std::string byName = qv::PlotDevice::find(extension);
    if (!qv::PlotDevice::refusal(byName).empty())
        byName.clear();
    if (!kept) {
        if (byName.empty() || byName == device)
            return device;
        qv::refuseAnswer("The device \"" + device + "\" does not write " + extension + " files.");
        return std::nullopt;
    }
    const bool available = qv::PlotDevice::refusal(device).empty();
    const std::string chosen = !byName.empty() ? byName : available ? device : kDefaultDevice;
    if (!available && !device.empty())
        say("The device \"" + device + "\" is not available here: plotting with \"" + chosen + "\" instead.\n");
    return chosen;
}

} // namespace

bool PlotCommands::exportLayout(AcApDocument* doc)
{
    const auto path = askPath("Enter file name to export to: ", fileToWrite);
    if (!path || path->empty())
        return true;
    const std::string device = qv::PlotDevice::find(std::filesystem::path(*path).extension().string());
    if (device.empty() || !qv::PlotDevice::refusal(device).empty()) {
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
    AcDbDatabase* db = doc->database();
    const AcDbLayout* current = layoutOf(acdbLayoutManager()->getActiveLayoutId(db));
    AcDbObjectId layoutId;
    const auto name = askChoice("Enter a layout name", current ? current->name() : "Model", [db] { listLayouts(db); },
                                [&](const std::string& answer) -> std::optional<std::string> {
                                    layoutId = acdbLayoutManager()->findLayoutNamed(answer.c_str(), db);
                                    if (layoutOf(layoutId))
                                        return answer;
                                    qv::refuseAnswer("The drawing has no layout \"" + answer
                                                     + "\"; ? lists its layouts.");
                                    return std::nullopt;
                                });
    if (!name)
        return true;
    const AcDbLayout* layout = layoutOf(layoutId);
    const auto settings = settingsOf(layout);
    const std::string own = settings->plotCfgName().empty() ? kDefaultDevice : settings->plotCfgName();
    bool kept = false;
    const auto device = askChoice("Enter an output device name", own, listDevices,
                                  [&](const std::string& answer) -> std::optional<std::string> {
                                      kept = sameName(answer, own);
                                      const std::string found = kept ? own : qv::PlotDevice::find(answer);
                                      const std::string why = qv::PlotDevice::refusal(found.empty() ? answer : found);
                                      if (kept || why.empty())
                                          return found;
                                      qv::refuseAnswer(sentence(why) + "; ? lists the devices.");
                                      return std::nullopt;
                                  });
    if (!device)
        return true;
    const auto media = askChoice("Enter paper size", settings->canonicalMediaName(), listMedia,
                                 [](const std::string& answer) -> std::optional<std::string> {
                                     const std::string found = qv::PlotMedia::find(answer);
                                     if (!found.empty())
                                         return found;
                                     qv::refuseAnswer("Unknown media \"" + answer + "\"; ? lists the media.");
                                     return std::nullopt;
                                 });
    if (!media)
        return true;
    settings->setCanonicalMediaName(media->c_str());
    // The default file: the drawing's name and the layout's, beside the drawing, in the
    // format the device writes (PDF for a device the host does not have).
    const std::string format = qv::PlotDevice::refusal(*device).empty() ? qv::PlotDevice::format(*device) : "pdf";
    std::filesystem::path fallback(doc->fileName());
    fallback.replace_filename(fallback.stem().string() + "-" + layout->name() + "." + format);
    std::optional<std::string> writer;
    const auto file = askPath("Enter file name to plot to <" + fallback.string() + ">: ",
                              [&](const std::string& answer) -> std::optional<std::string> {
                                  auto taken = fileToWrite(answer.empty() ? fallback.string() : answer);
                                  writer = taken ? deviceForFile(*device, kept, *taken) : std::nullopt;
                                  return writer ? taken : std::nullopt;
                              });
    if (!file)
        return true;
    settings->setPlotCfgName(writer->c_str());
    return plotTo(doc, layoutId, *settings, *file, false);
}
