#include "module/tabformat.h"

#include "arx/aced.h"
#include "arx/dbdatabase.h"
#include "blocks/attributes.h"
#include "blocks/blockdwg.h"
#include "dialoghandler.h"
#include "host/acaddrawing.h"
#include "host/acadutilities.h"
#include "host/hostguards.h"
#include "mfc/dataexchange.h"
#include "module/presblock.h"
#include "module/presslabmend.h"
#include "module/resource.h"

namespace {
constexpr const char* kFile = "tabformat.cpp";
}

CTabFormat::CTabFormat(CWnd* parent) : CDialog(IDD_TAB_FORMAT, parent) {}

BEGIN_MESSAGE_MAP(CTabFormat, CDialog)
ON_DRAWING_CLICKED(IDC_CMD_MOVE_ATTRIBUTES, &CTabFormat::OnCmdMoveAttributes)
END_MESSAGE_MAP()

void CTabFormat::DoDataExchange(CDataExchange* dx)
{
    CDialog::DoDataExchange(dx);
    DDX_Text(dx, IDC_TEXT_HEIGHT, m_textHeight);
    DDX_Text(dx, IDC_ROTATION, m_rotation);
    DDV_MinMaxDouble(dx, m_rotation, 0.0, 359.0);
    DDX_Text(dx, IDC_WIDTH_FACTOR, m_widthFactor);
}

void CTabFormat::initialiseData(CBlockDWG* block, CPresBlock* dialog, CWnd* acadWindow, CAcadDrawing* drawing)
{
    m_block = block;
    m_dialog = dialog;
    m_acadWindow = acadWindow;
    m_drawing = drawing;
    if (const CAttributes* attributes = block->getAttributes()) {
        m_textHeight = attributes->getTextHeight();
        m_rotation = attributes->getRotation();
        m_widthFactor = attributes->getWidthFactor();
    }
    UpdateData(FALSE);
}

bool CTabFormat::applyChanges()
{
    if (!UpdateData(TRUE))
        return false;
    if (CAttributes* attributes = m_block->getAttributes()) {
        attributes->setTextHeight(m_textHeight);
        attributes->setWidthFactor(m_widthFactor);
        attributes->setRotation(m_rotation);
    }
    return true;
}

bool CTabFormat::makeDrawingCurrent() const { return !m_dialog || m_dialog->makeDrawingCurrent(); }

void CTabFormat::moveAttributes()
{
    const PickScope picking(this, m_dialog ? m_dialog->getOwner() : nullptr);
    if (m_dialog)
        m_dialog->ShowWindow(SW_SHOWMINIMIZED);
    if (m_acadWindow)
        m_acadWindow->SetActiveWindow();
    ads_point picked;
    const int status = acedGetPoint(nullptr, "\nPlease select a position for the Attributes\n", picked);
    if (m_dialog) {
        m_dialog->ShowWindow(SW_RESTORE);
        m_dialog->SetActiveWindow();
    }
    SetFocus();
    if (status != RTNORM || !m_drawing->isOpen())
        return;
    // The lock is released on every path, a failed layout included.
    const DrawingLock lock(m_drawing);
    CAcadUtilities utilities;
    AcGePoint3d point = utilities.convertUCSToWCS(AcGePoint3d(picked[0], picked[1], picked[2]));
    AcGeMatrix3d ucs;
    acdbUcsMatrix(ucs, m_drawing->getDocument()->database());
    m_block->updateAttributes(ucs, &point);
}

void CTabFormat::OnCmdMoveAttributes()
{
    qv::module::runHandler(kFile, "CTabFormat::OnCmdMoveAttributes", [this] { moveAttributes(); });
}
