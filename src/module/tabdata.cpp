#include "module/tabdata.h"

#include "blocks/assets.h"
#include "blocks/attributes.h"
#include "blocks/blockdwg.h"
#include "blocks/kavroattribute.h"
#include "dialoghandler.h"
#include "outlinecheck.h"
#include "host/acaddrawing.h"
#include "host/acadutilities.h"
#include "host/drawingunit.h"
#include "mfc/dataexchange.h"
#include "module/presblock.h"
#include "module/presslabmend.h"
#include "module/resource.h"
#include "support/utilities.h"

namespace {

constexpr const char* kFile = "tabdata.cpp";
constexpr int kName = 0, kArea = 1, kAux = 2;

// Restores and activates the tabbed dialog when a pick ends, however it ends.
class PickWindows
{
public:
    PickWindows(CPresBlock* dialog, CWnd* acadWindow, CWnd* page) : m_dialog(dialog), m_page(page)
    {
        if (m_dialog)
            m_dialog->ShowWindow(SW_SHOWMINIMIZED);
        if (acadWindow)
            acadWindow->SetActiveWindow();
    }
    ~PickWindows() { restore(); }
    PickWindows(const PickWindows&) = delete;
    PickWindows& operator=(const PickWindows&) = delete;

    void restore()
    {
        if (m_dialog) {
            m_dialog->ShowWindow(SW_RESTORE);
            m_dialog->SetActiveWindow();
        }
        m_page->SetFocus();
    }

private:
    CPresBlock* m_dialog;
    CWnd* m_page;
};

} // namespace

CTabData::CTabData(CWnd* parent) : CDialog(IDD_TAB_DATA, parent) {}

BEGIN_MESSAGE_MAP(CTabData, CDialog)
ON_DRAWING_CLICKED(IDC_CMD_AREA_RECALC, &CTabData::OnCmdAreaRecalc)
ON_DRAWING_CLICKED(IDC_CMD_PERIMETER_RECALC, &CTabData::OnCmdPerimeterRecalc)
ON_DRAWING_CLICKED(IDC_CMD_SUB_AREA, &CTabData::OnCmdSubArea)
ON_DRAWING_CLICKED(IDC_CMD_ADD_AREA, &CTabData::OnBnClickedCmdAddArea)
ON_DRAWING_CLICKED(IDC_CMD_SUB_HIGHLIGHT, &CTabData::OnCmdHighlight)
ON_DRAWING_CLICKED(IDC_CMD_ADD_HIGHLIGHT, &CTabData::OnBnClickedCmdAddHighlight)
ON_DRAWING_CLICKED(IDC_CMD_DELETE_SUB_AREAS, &CTabData::OnBnClickedCmdDeleteSubAreas)
ON_DRAWING_CLICKED(IDC_CMD_DELETE_ADD_AREAS, &CTabData::OnBnClickedCmdDeleteAddAreas)
ON_BN_CLICKED(IDC_CMD_AREA_COPY, &CTabData::OnBnClickedCmdAreacopy)
ON_BN_CLICKED(IDC_CMD_PERIMETER_COPY, &CTabData::OnBnClickedCmdPerimetercopy)
END_MESSAGE_MAP()

void CTabData::DoDataExchange(CDataExchange* dx)
{
    CDialog::DoDataExchange(dx);
    DDX_Text(dx, IDC_NAME_TEXT, m_nameText);
    DDX_Text(dx, IDC_AREA_TEXT, m_areaText);
    DDX_Text(dx, IDC_AUX_TEXT, m_auxText);
    DDX_Text(dx, IDC_AREA, m_area, m_areaValue);
    DDX_Text(dx, IDC_PERIMETER, m_perimeter, m_perimeterValue);
    DDX_Text(dx, IDC_HEIGHT, m_height);
    DDX_Text(dx, IDC_VOLUME, m_volume);
    DDX_Text(dx, IDC_AREA_UNIT, m_areaUnit);
    DDX_Text(dx, IDC_LENGTH_UNIT, m_lengthUnit);
    DDX_Text(dx, IDC_HANDLE, m_handle);
    DDX_Text(dx, IDC_ASSET_COUNT, m_assetCount);
}

CString CTabData::number(double value) const { return CUtilities::DoubleToCString(value, m_block->getPrecision()); }

void CTabData::initialiseData(CBlockDWG* block, CPresBlock* dialog, CWnd* acadWindow, CAcadDrawing* drawing)
{
    kavroGuard("CTabData::initialiseData", kFile, [&] {
        m_block = block;
        m_dialog = dialog;
        m_acadWindow = acadWindow;
        m_drawing = drawing;
        if (CAttributes* attributes = block->getAttributes()) {
            CString* texts[] = {&m_nameText, &m_areaText, &m_auxText};
            for (int kind : {kName, kArea, kAux})
                if (CAttribute* attribute = attributes->getAtAttribute(kind))
                    *texts[kind] = attribute->getValue();
        }
        m_handle = block->getHandle();
        m_assetCount = block->getAssets() ? block->getAssets()->getCount() : 0;
        m_area = number(block->getArea());
        m_perimeter = number(block->getPerimeter());
        m_areaUnit = block->getUnits().areaSymbol();
        m_lengthUnit = block->getUnits().lengthSymbol();
        refresh();
    });
}

void CTabData::setAttribute(int kind, const CString& value)
{
    if (!m_block->getAttributes())
        m_block->setAttributes(new CAttributes());
    CAttributes* attributes = m_block->getAttributes();
    if (CAttribute* attribute = attributes->getAtAttribute(kind)) {
        attribute->setValue(value);
        return;
    }
    auto* added = new CKavroAttribute();
    added->setKind(kind);
    added->setValue(value);
    attributes->adopt(added);
}

bool CTabData::applyChanges()
{
    return kavroGuard("CTabData::applyChanges", kFile, [&] {
        if (!UpdateData(TRUE))
            return false;
        m_block->setName(m_nameText);
        setAttribute(kName, m_nameText);
        setAttribute(kArea, m_areaText);
        m_block->setArea(m_areaValue);
        setAttribute(kAux, m_auxText);
        m_block->setPerimeter(m_perimeterValue);
        return true;
    });
}

void CTabData::announceUnit() const
{
    CDrawingUnit::of(m_drawing->getDocument()->database()).announce();
}

void CTabData::recalculate()
{
    announceUnit();
    m_block->recalculateArea(m_drawing->getDocument());
    m_block->recalculatePerimeter(m_drawing->getDocument());
    sayWhereOutlineMeetsItself(*m_block, m_drawing->getDocument()->database());
    m_area = number(m_block->getArea());
    m_perimeter = number(m_block->getPerimeter());
    refresh();
}

void CTabData::OnCmdAreaRecalc()
{
    qv::module::runHandler(kFile, "CTabData::OnCmdAreaRecalc", [this] {
        announceUnit();
        m_block->recalculateArea(m_drawing->getDocument());
        sayWhereOutlineMeetsItself(*m_block, m_drawing->getDocument()->database());
        m_area = number(m_block->getArea());
        refresh();
    });
}

void CTabData::OnCmdPerimeterRecalc()
{
    qv::module::runHandler(kFile, "CTabData::OnCmdPerimeterRecalc", [this] {
        announceUnit();
        m_block->recalculatePerimeter(m_drawing->getDocument());
        m_perimeter = number(m_block->getPerimeter());
        refresh();
    });
}

bool CTabData::makeDrawingCurrent() const { return !m_dialog || m_dialog->makeDrawingCurrent(); }

void CTabData::pickAreas(bool subtracted)
{
    // Until the pick ends, the dialog and the editor refuse to close or to start another.
    const PickScope picking(this, m_dialog ? m_dialog->getOwner() : nullptr);
    PickWindows windows(m_dialog, m_acadWindow, this);
    int& highlight = subtracted ? m_subtractedHighlight : m_addedHighlight;
    highlight = 0;
    if (subtracted)
        m_block->highlightAreasSubtracted(m_drawing, 0, 0);
    else
        m_block->highlightAreasAdded(m_drawing, 0, 0);
    std::vector<AcDbObjectId> ids;
    CAcadUtilities utilities;
    const BOOL picked = utilities.selectObjectIds(
        ids, subtracted ? "Please Select Areas to Subtract (selected room/space blocks will be ignored)"
                        : "Please Select Areas to Add (selected room/space blocks will be ignored)");
    windows.restore();
    // Esc keeps the list; an empty selection confirmed with Enter empties it. A drawing
    // closed meanwhile is left alone.
    if (!picked || !m_drawing->isOpen())
        return;
    if (subtracted)
        m_block->setHandlesToMinus(ids);
    else
        m_block->setHandlesToAdd(ids);
    recalculate();
}

void CTabData::OnCmdSubArea()
{
    qv::module::runHandler(kFile, "CTabData::OnCmdSubArea", [this] { pickAreas(true); });
}

void CTabData::OnBnClickedCmdAddArea()
{
    qv::module::runHandler(kFile, "CTabData::OnBnClickedCmdAddArea", [this] { pickAreas(false); });
}

void CTabData::toggleHighlight(bool subtracted)
{
    int& highlight = subtracted ? m_subtractedHighlight : m_addedHighlight;
    highlight = highlight ? 0 : 1;
    if (subtracted)
        m_block->highlightAreasSubtracted(m_drawing, highlight, highlight);
    else
        m_block->highlightAreasAdded(m_drawing, highlight, highlight);
    if (m_acadWindow)
        m_acadWindow->SetActiveWindow();
    SetFocus();
}

void CTabData::OnCmdHighlight()
{
    qv::module::runHandler(kFile, "CTabData::OnCmdHighlight", [this] { toggleHighlight(true); });
}

void CTabData::OnBnClickedCmdAddHighlight()
{
    qv::module::runHandler(kFile, "CTabData::OnBnClickedCmdAddHighlight", [this] { toggleHighlight(false); });
}

void CTabData::emptyAreas(bool subtracted)
{
    AcDbDatabase* database = m_drawing->getDocument()->database();
    if (subtracted)
        m_block->setHandlesToMinus(CString(), database);
    else
        m_block->setHandlesToAdd(CString(), database);
    recalculate();
}

void CTabData::OnBnClickedCmdDeleteSubAreas()
{
    qv::module::runHandler(kFile, "CTabData::OnBnClickedCmdDeleteSubAreas", [this] { emptyAreas(true); });
}

void CTabData::OnBnClickedCmdDeleteAddAreas()
{
    qv::module::runHandler(kFile, "CTabData::OnBnClickedCmdDeleteAddAreas", [this] { emptyAreas(false); });
}

void CTabData::OnBnClickedCmdAreacopy()
{
    qv::module::runHandler(kFile, "CTabData::OnBnClickedCmdAreacopy", [this] {
        if (!UpdateData(TRUE))
            return;
        m_areaText = m_area + m_block->getUnits().areaText();
        refresh();
    });
}

void CTabData::OnBnClickedCmdPerimetercopy()
{
    qv::module::runHandler(kFile, "CTabData::OnBnClickedCmdPerimetercopy", [this] {
        if (!UpdateData(TRUE))
            return;
        m_auxText = m_perimeter + m_block->getUnits().lengthText();
        refresh();
    });
}
