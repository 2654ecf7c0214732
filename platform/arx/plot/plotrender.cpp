#include "arx/plotrender.h"

#include "plotcanvas.h"
#include "plotpainter.h"
#include "plotprice.h"
#include "plotsheet.h"

#include "arx/dbdatabase.h"
#include "arx/dbsymtb.h"
#include "arx/dbunits.h"
#include "arx/dbviewport.h"
#include "arx/plotdevice.h"
#include "arx/plotmedia.h"
#include "posix/atomicfile.h"

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string_view>

namespace qv {

namespace {

PlotResult failure(Acad::ErrorStatus status, std::string message)
{
    return {status, std::move(message)};
}

// Why a plot that ran out of work failed, naming everything it charges and at what price.
std::string workExceeded(std::size_t limit)
{
    std::string prices;
    for (const PlotPrice& price : kPlotPrices) {
        prices += prices.empty() ? "" : "; ";
        prices += std::to_string(price.units) + " per " + (price.per > 1 ? std::to_string(price.per) + " " : "") + price.what;
    }
    return "the plot would draw more than " + std::to_string(limit) + " elements (" + prices
        + "), the most one plot draws; nothing is written";
}

// Tells that a raster was drawn at a lower resolution than asked, to keep to its pixels.
void noteResolution(const PlotRequest& request, double used)
{
    std::fprintf(stderr, "%s: \"%s\" is drawn at %g dots per inch, not %g: a PNG or JPG plot has at most %.0f pixels\n",
                 program_invocation_short_name, request.path.c_str(), used, request.dotsPerInch, request.maxPixels);
}

// Whether the settings plot a window that holds nothing of the space; if so, it is named on
// standard error. Measuring the space's multiline texts spends work.
bool windowOverNothing(const PlotRequest& request, const AcDbPlotSettings& settings, const AcDbLayout& layout,
                       const AcDbBlockTableRecord* space, PlotWork& work)
{
    if (settings.plotType() != AcDbPlotSettings::kWindow)
        return false;
    double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    settings.getPlotWindowArea(x1, y1, x2, y2);
    const Box2d area = Box2d::around(x1, y1, x2, y2);
    if (!(area.width() > 0) || !(area.height() > 0) || PlotPainter::showsIn(space, area, work))
        return false;
    std::fprintf(stderr, "%s: \"%s\": the plot window of the layout \"%s\", from (%g, %g) to (%g, %g), holds nothing: %s\n",
                 program_invocation_short_name, request.path.c_str(), layout.name().c_str(), x1, y1, x2, y2,
                 request.extentsForEmptyWindow ? "the extents are plotted instead" : "the sheet is blank");
    return true;
}

// The area of the drawing the settings plot, in the space's coordinates.
Box2d plotArea(const AcDbPlotSettings& settings, const AcDbLayout& layout, const AcDbBlockTableRecord* space,
               const PlotSheet& sheet, bool model, PlotPainter& painter)
{
    Box2d area;
    double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    switch (settings.plotType()) {
    case AcDbPlotSettings::kWindow:
        settings.getPlotWindowArea(x1, y1, x2, y2);
        area = Box2d::around(x1, y1, x2, y2);
        break;
    case AcDbPlotSettings::kLimits:
        if (model) {
            AcDbDatabase* db = space->database();
            if (db->getHeaderReal("$LIMMIN", 10, x1) && db->getHeaderReal("$LIMMIN", 20, y1)
                && db->getHeaderReal("$LIMMAX", 10, x2) && db->getHeaderReal("$LIMMAX", 20, y2))
                area = Box2d::around(x1, y1, x2, y2);
        } else {
            AcGePoint2d lo, hi;
            layout.getLimits(lo, hi);
            area = Box2d::around(lo.x, lo.y, hi.x, hi.y);
        }
        break;
    case AcDbPlotSettings::kLayout:
        if (!model) {
            // The paper: its printable area starts at the layout's origin.
            const double perUnit = settings.plotPaperUnits() == AcDbPlotSettings::kInches ? 25.4 : 1;
            area = Box2d::around(0, 0, sheet.printableWidthMm() / perUnit, sheet.printableHeightMm() / perUnit);
        }
        break;
    default: break;   // extents; the display and named views plot the extents too
    }
    if (area.isEmpty() || !(area.width() > 0) || !(area.height() > 0) || !std::isfinite(area.width() * area.height()))
        area = painter.extents(space);
    return area;
}

// A paper layout's viewport: its view of model space, clipped to its rectangle, without
// the layers frozen in it.
void drawViewport(PlotPainter& painter, const AcDbViewport* vp, const AcDbBlockTableRecord* model,
                  const AcGeMatrix3d& paperToDevice)
{
    if (!(vp->width() > 0) || !(vp->height() > 0) || !(vp->viewHeight() > 0))
        return;
    const AcGePoint3d c = vp->centerPoint();
    const double hw = vp->width() / 2, hh = vp->height() / 2;
    DevicePath frame;
    for (const AcGePoint3d& p : {AcGePoint3d(c.x - hw, c.y - hh, 0), AcGePoint3d(c.x + hw, c.y - hh, 0),
                                 AcGePoint3d(c.x + hw, c.y + hh, 0), AcGePoint3d(c.x - hw, c.y + hh, 0)}) {
        const AcGePoint3d q = paperToDevice.transform(p);
        frame.push_back({q.x, q.y});
    }
    // Model → view (target at the origin, turned by the twist) → paper.
    const AcGePoint2d centre = vp->viewCenter();
    const AcGeMatrix3d modelToPaper = AcGeMatrix3d::translation(AcGeVector3d(c.x, c.y, 0))
        * AcGeMatrix3d::scaling(vp->height() / vp->viewHeight())
        * AcGeMatrix3d::translation(AcGeVector3d(-centre.x, -centre.y, 0))
        * AcGeMatrix3d::rotation(vp->twistAngle(), AcGeVector3d::kZAxis)
        * AcGeMatrix3d::translation(AcGePoint3d::kOrigin - vp->viewTarget());
    AcDbObjectIdArray frozenIds;
    vp->getFrozenLayerList(frozenIds);
    const std::unordered_set<AcDbObjectId> frozen(frozenIds.begin(), frozenIds.end());
    PlotCanvas& canvas = painter.canvas();
    canvas.pushClip({frame});
    PlotPainter inner(canvas, painter.pen(), painter.mtextLayouts());
    Box2d visible;
    for (const DevicePoint& p : frame)
        visible.add(p.x, p.y);
    inner.clipTo(visible);
    // With $PSLTSCALE on (the default) the contents' patterns measure on the paper as in it.
    long long paperScaled = 1;
    model->database()->getHeaderInt("$PSLTSCALE", 70, paperScaled);
    if (paperScaled != 0)
        inner.scaleLinetypes(vp->viewHeight() / vp->height());
    inner.draw(model, paperToDevice * modelToPaper, &frozen);
    canvas.popClip();
}

// Whether the settings' window holds nothing and the request has it give way to the extents;
// if so, fitted is own plotting the extents scaled to fit and centred.
bool refitted(const PlotRequest& request, const AcDbPlotSettings& own, const AcDbLayout& layout,
              const AcDbBlockTableRecord* space, AcDbPlotSettings& fitted, PlotWork& work)
{
    if (!windowOverNothing(request, own, layout, space, work) || !request.extentsForEmptyWindow)
        return false;
    fitted.copyFrom(&own);
    fitted.setPlotType(AcDbPlotSettings::kExtents);
    fitted.setUseStandardScale(true);
    fitted.setStdScaleType(AcDbPlotSettings::kScaleToFit);
    fitted.setPlotCentered(true);
    return true;
}

// The scale of the plot, real length to paper length, into done: a paper layout's units are
// its paper's, model space's the drawing's unit, which the line names when the drawing does not.
void realScale(const PlotSheet::Scale& scale, const AcDbDatabase* db, bool model, PlotResult& done)
{
    done.fitted = scale.fitted;
    if (!model) {
        done.scale = scale.drawingUnitsPerPaperUnit();
        return;
    }
    const AcDb::UnitsValue named = db->insunits(), units = acdbLengthUnits(named, db->lunits());
    done.scale = acdbUnitsMetres(units) * 1000 / scale.mmPerDrawingUnit;
    if (named == AcDb::kUnitsUndefined)
        done.assumedUnit = units == AcDb::kUnitsInches ? "in" : "mm";
}

// The pen of a plot with these settings in this format.
PlotPen penFor(const AcDbPlotSettings& settings, const std::string& format)
{
    PlotPen pen;
    pen.monochrome = settings.currentStyleSheet().find("monochrome") != std::string::npos;
    pen.lineweights = settings.printLineweights();
    pen.minimumWidth = format == "pdf" ? 0 : 1;
    return pen;
}

} // namespace

std::size_t plotWorkLimit()
{
    const char* set = std::getenv("QUORVANE_PLOT_WORK_LIMIT");
    const std::string_view text = set ? set : "";
    std::size_t limit = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), limit);
    const bool lower = error == std::errc() && end == text.data() + text.size() && limit > 0 && limit < kPlotWorkLimit;
    return lower ? limit : kPlotWorkLimit;
}

PlotResult plotLayout(const PlotRequest& request)
{
    const auto* layout = AcDbLayout::cast(request.layoutId.object());
    if (!request.database || !layout || layout->isErased() || layout->database() != request.database)
        return failure(Acad::eInvalidInput, "there is no such layout to plot");
    const AcDbPlotSettings& own = request.settings ? *request.settings : *layout;
    const std::string format = PlotDevice::format(own.plotCfgName());
    if (const std::string refusal = PlotDevice::refusal(own.plotCfgName()); !refusal.empty())
        return failure(format.empty() ? Acad::eInvalidInput : Acad::eNotImplementedYet, refusal);
    double width = 0, height = 0;
    if (!PlotMedia::size(own.canonicalMediaName(), width, height))
        return failure(Acad::eInvalidInput, "unknown media \"" + own.canonicalMediaName() + "\"");
    const auto* space = AcDbBlockTableRecord::cast(layout->getBlockTableRecordId().object());
    if (!space || space->isErased())
        return failure(Acad::eInvalidInput, "the layout \"" + layout->name() + "\" has no block to plot");
    AcDbPlotSettings fitted(own.modelType());
    PlotWork windowWork;   // measuring the space's texts for the window; the canvas takes it over
    windowWork.limit(request.maxWork);
    const AcDbPlotSettings& settings = refitted(request, own, *layout, space, fitted, windowWork) ? fitted : own;

    AtomicFile file;
    if (request.path.empty() || !file.open(request.path))
        return failure(Acad::eFileAccessErr, "cannot write the plot: " + (request.path.empty() ? "no file name" : file.error()));
    PlotCanvas canvas(format, width, height, request.dotsPerInch, request.maxPixels, file);
    if (!canvas.isValid())
        return failure(Acad::eInvalidInput, "cannot plot \"" + request.path + "\": " + canvas.error());
    canvas.limitWork(request.maxWork);
    canvas.spend(windowWork.spent());
    const PlotSheet sheet(settings, width, height, canvas.unitsPerMm());
    const bool model = space->objectId() == request.database->modelSpaceId();
    PlotPainter painter(canvas, penFor(settings, format));
    const Box2d area = plotArea(settings, *layout, space, sheet, model, painter);
    const AcGeMatrix3d xf = sheet.place(area);
    const auto* modelSpace = AcDbBlockTableRecord::cast(request.database->modelSpaceId().object());
    if (!model && modelSpace)
        painter.onViewport([&](const AcDbViewport* vp) { drawViewport(painter, vp, modelSpace, xf); });
    painter.draw(space, xf);
    PlotResult done{Acad::eOk, "", canvas.spent(), canvas.dotsPerInch()};
    realScale(sheet.scale(area), request.database, model, done);
    if (canvas.exhausted()) {
        done.status = Acad::ePlotFailed;
        done.message = workExceeded(request.maxWork);
        return done;
    }
    if (!canvas.finish())
        return failure(Acad::eFileAccessErr, "cannot write the plot \"" + request.path + "\": " + canvas.error());
    if (format != "pdf" && canvas.dotsPerInch() < request.dotsPerInch)
        noteResolution(request, canvas.dotsPerInch());
    for (const std::string& warning : canvas.glyphWarnings())
        std::fprintf(stderr, "%s: %s\n", program_invocation_short_name, warning.c_str());
    if (!file.commit())
        return failure(Acad::eFileAccessErr, "cannot write the plot: " + file.error());
    return done;
}

} // namespace qv
