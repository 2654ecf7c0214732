// Plot settings, layouts (a paper-space or model tab with its block table record) and the
// layout manager that finds layouts and switches the current one.
#pragma once

#include "arx/dbobject.h"
#include "arx/geometry.h"
#include "mfc/cstring.h"

class AcDbPlotSettings : public AcDbObject
{
public:
    ACRX_DECLARE_MEMBERS(AcDbPlotSettings)
    enum PlotPaperUnits { kInches = 0, kMillimeters = 1, kPixels = 2 };
    enum PlotRotation { k0degrees = 0, k90degrees = 1, k180degrees = 2, k270degrees = 3 };
    enum PlotType { kDisplay = 0, kExtents = 1, kLimits = 2, kView = 3, kWindow = 4, kLayout = 5 };
    enum StdScaleType { kScaleToFit = 0, k1_1 = 16 };
    // Bits of the flags (group 70).
    enum Flags {
        kPlotViewportBorders = 1, kShowPlotStyles = 2, kPlotCentered = 4, kPlotHidden = 8,
        kUseStandardScale = 16, kPlotPlotStyles = 32, kScaleLineweights = 64, kPrintLineweights = 128,
        kDrawViewportsFirst = 512, kModelType = 1024
    };

    explicit AcDbPlotSettings(bool modelType = false);

    const std::string& plotSettingsName() const { return m_pageSetupName; }
    void setPlotSettingsName(const char* name) { m_pageSetupName = name ? name : ""; }
    const std::string& plotCfgName() const { return m_plotCfgName; }
    Acad::ErrorStatus setPlotCfgName(const char* name);
    const std::string& canonicalMediaName() const { return m_mediaName; }
    Acad::ErrorStatus setCanonicalMediaName(const char* name);
    const std::string& currentStyleSheet() const { return m_styleSheet; }
    Acad::ErrorStatus setCurrentStyleSheet(const char* name);
    PlotType plotType() const { return m_plotType; }
    Acad::ErrorStatus setPlotType(PlotType type);
    bool useStandardScale() const { return m_flags & kUseStandardScale; }
    Acad::ErrorStatus setUseStandardScale(bool value) { return setFlag(kUseStandardScale, value); }
    int stdScaleType() const { return m_stdScaleType; }
    Acad::ErrorStatus setStdScaleType(int type);
    double stdScale() const { return m_stdScale; }
    void getCustomPrintScale(double& numerator, double& denominator) const;
    Acad::ErrorStatus setCustomPrintScale(double numerator, double denominator);
    bool plotCentered() const { return m_flags & kPlotCentered; }
    Acad::ErrorStatus setPlotCentered(bool value) { return setFlag(kPlotCentered, value); }
    PlotRotation plotRotation() const { return m_rotation; }
    Acad::ErrorStatus setPlotRotation(PlotRotation rotation);
    PlotPaperUnits plotPaperUnits() const { return m_paperUnits; }
    Acad::ErrorStatus setPlotPaperUnits(PlotPaperUnits units);
    bool plotPlotStyles() const { return m_flags & kPlotPlotStyles; }
    Acad::ErrorStatus setPlotPlotStyles(bool value) { return setFlag(kPlotPlotStyles, value); }
    bool showPlotStyles() const { return m_flags & kShowPlotStyles; }
    Acad::ErrorStatus setShowPlotStyles(bool value) { return setFlag(kShowPlotStyles, value); }
    bool printLineweights() const { return m_flags & kPrintLineweights; }
    Acad::ErrorStatus setPrintLineweights(bool value) { return setFlag(kPrintLineweights, value); }
    bool scaleLineweights() const { return m_flags & kScaleLineweights; }
    Acad::ErrorStatus setScaleLineweights(bool value) { return setFlag(kScaleLineweights, value); }
    bool plotViewportBorders() const { return m_flags & kPlotViewportBorders; }
    bool modelType() const { return m_flags & kModelType; }
    void getPlotPaperMargins(double& left, double& bottom, double& right, double& top) const;
    void getPlotPaperSize(double& width, double& height) const;
    // The offset of the plot from the printable area's lower-left corner, in paper units.
    void getPlotOrigin(double& x, double& y) const { x = m_origin[0]; y = m_origin[1]; }
    Acad::ErrorStatus setPlotPaperSize(double width, double height);
    void getPlotWindowArea(double& xmin, double& ymin, double& xmax, double& ymax) const;
    Acad::ErrorStatus setPlotWindowArea(double xmin, double ymin, double xmax, double ymax);
    const std::string& plotViewName() const { return m_viewName; }
    Acad::ErrorStatus setPlotViewName(const char* name);
    int flags() const { return m_flags; }
    // Copies every plot setting (not the layout's own data).
    Acad::ErrorStatus copyFrom(const AcDbPlotSettings* other);

    const qv::dxf::FieldTable& dxfTable() const override;

protected:
    Acad::ErrorStatus setFlag(int bit, bool value);
    static std::vector<qv::dxf::Field> plotSettingsFields();

private:
    std::string m_pageSetupName, m_plotCfgName = "none_device", m_mediaName = "ISO_A4_(210.00_x_297.00_MM)",
        m_viewName, m_styleSheet;
    double m_margins[4] = {7.5, 20, 7.5, 20};   // left, bottom, right, top (mm)
    double m_paper[2] = {210, 297};
    double m_origin[2] = {0, 0};
    double m_window[4] = {0, 0, 0, 0};
    double m_numerator = 1, m_denominator = 1, m_stdScale = 1, m_imageOrigin[2] = {0, 0};
    int m_flags = 688;
    PlotPaperUnits m_paperUnits = kMillimeters;
    PlotRotation m_rotation = k0degrees;
    PlotType m_plotType = kLayout;
    int m_stdScaleType = k1_1, m_shadeMode = 0, m_resolution = 2, m_dpi = 300;
};

class AcDbLayout : public AcDbPlotSettings
{
public:
    ACRX_DECLARE_MEMBERS(AcDbLayout)
    explicit AcDbLayout(bool modelType = false) : AcDbPlotSettings(modelType) {}

    Acad::ErrorStatus getName(const char*& name) const;
    Acad::ErrorStatus getName(CString& name) const;
    const std::string& name() const { return m_name; }
    Acad::ErrorStatus setLayoutName(const char* name);
    int getTabOrder() const { return m_tabOrder; }
    Acad::ErrorStatus setTabOrder(int order);
    AcDbObjectId getBlockTableRecordId() const { return m_block; }
    Acad::ErrorStatus setBlockTableRecordId(AcDbObjectId id);
    // The viewports of the layout's block, in their order there.
    AcDbObjectIdArray getViewportArray() const;
    void getLimits(AcGePoint2d& min, AcGePoint2d& max) const;

    const qv::dxf::FieldTable& dxfTable() const override;

private:
    std::string m_name;
    int m_layoutFlags = 1, m_tabOrder = 1;
    AcGePoint2d m_limMin{0, 0}, m_limMax{420, 297};
    AcGePoint3d m_base, m_extMin{1e20, 1e20, 1e20}, m_extMax{-1e20, -1e20, -1e20}, m_ucsOrigin;
    AcGeVector3d m_ucsX = AcGeVector3d::kXAxis, m_ucsY = AcGeVector3d::kYAxis;
    double m_elevation = 0;
    int m_ucsOrthoType = 0;
    AcDbObjectId m_block, m_lastViewport;
};

// Layouts of a database (the working one unless given): lookup by name (without regard to
// case), the current layout, and new layouts.
class AcDbLayoutManager
{
public:
    AcDbObjectId findLayoutNamed(const char* name, AcDbDatabase* db = nullptr) const;
    bool layoutExists(const char* name, AcDbDatabase* db = nullptr) const;
    // Makes a layout current: "Model" (any case) for model space, else a paper layout,
    // whose block becomes "*Paper_Space". eKeyNotFound for an unknown name.
    Acad::ErrorStatus setCurrentLayout(const char* name, AcDbDatabase* db = nullptr);
    Acad::ErrorStatus getActiveLayoutName(CString& name, bool allowModel, AcDbDatabase* db = nullptr) const;
    AcDbObjectId getActiveLayoutBTRId(AcDbDatabase* db = nullptr) const;
    AcDbObjectId getActiveLayoutId(AcDbDatabase* db = nullptr) const;
    int countLayouts(AcDbDatabase* db = nullptr) const;
    // A new paper-space layout with its own block record.
    Acad::ErrorStatus createLayout(const char* name, AcDbObjectId& layoutId, AcDbObjectId& blockId,
                                   AcDbDatabase* db = nullptr);
};
AcDbLayoutManager* acdbLayoutManager();
