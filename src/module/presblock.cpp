#include "module/presblock.h"

#include "blocks/blockdwg.h"
#include "dialoghandler.h"
#include "host/acaddrawing.h"
#include "mfc/dataexchange.h"
#include "module/presslabmend.h"
#include "module/resource.h"
#include "module/tabdata.h"
#include "module/tabformat.h"
#include "support/kavroexceptions.h"

namespace {
constexpr const char* kFile = "presblock.cpp";
}

CPresBlock::CPresBlock(CWnd* parent) : CDialog(IDD_BLOCK, parent), m_watch([this] { drawingClosed(); }) {}

CPresBlock::~CPresBlock() = default;

BEGIN_MESSAGE_MAP(CPresBlock, CDialog)
ON_BN_CLICKED(IDC_CMD_RESET, &CPresBlock::OnCmdReset)
ON_DRAWING_CLICKED(IDC_CMD_APPLY, &CPresBlock::OnCmdApply)
ON_BN_CLICKED(IDC_CMD_CANCEL, &CPresBlock::OnCmdCancel)
ON_DRAWING_CLICKED(IDOK, &CPresBlock::OnBnClickedOk)
ON_NOTIFY(TCN_SELCHANGE, IDC_BLOCK_TABS, &CPresBlock::OnSelchangeTabs)
END_MESSAGE_MAP()

BOOL CPresBlock::Create() { return CDialog::Create(IDD_BLOCK, nullptr); }

void CPresBlock::setAcadDrawing(CAcadDrawing* drawing)
{
    m_drawing = drawing;
    m_watch.watch(drawing ? drawing->getDocument() : nullptr);
}

void CPresBlock::drawingClosed()
{
    m_drawing = nullptr;
    m_owner = nullptr;
    closeAfterPick();
}

void CPresBlock::setBlock(CBlockDWG* block)
{
    m_block = std::make_unique<CBlockDWG>();
    block->copyInto(m_block.get());
}

void CPresBlock::returnBlock(CBlockDWG* target)
{
    m_block->copyInto(target);
    m_block.reset();
}

void CPresBlock::DoDataExchange(CDataExchange* dx)
{
    CDialog::DoDataExchange(dx);
    DDX_Control(dx, IDC_BLOCK_TABS, m_tabs);
}

BOOL CPresBlock::OnInitDialog()
{
    CDialog::OnInitDialog();
    m_tabs.InsertItem(0, "Space Data");
    m_tabs.InsertItem(1, "Format");
    m_tabs.initialisePages();
    qv::module::runHandler(kFile, "CPresBlock::OnInitDialog", [this] { initialiseTabs(); });
    return TRUE;
}

void CPresBlock::initialiseTabs()
{
    m_tabs.dataPage()->initialiseData(m_block.get(), this, m_acadWindow, m_drawing);
    m_tabs.formatPage()->initialiseData(m_block.get(), this, m_acadWindow, m_drawing);
}

bool CPresBlock::applyChanges()
{
    if (!m_tabs.validatePages())
        return false;
    m_tabs.dataPage()->applyChanges();
    m_tabs.formatPage()->applyChanges();
    CKavroExceptions errors;
    const bool written = m_block->applyToDWG(m_drawing, &errors);
    if (errors.getCount() > 0)
        errors.displayAll();
    // A block that could not be written keeps the dialog open with its edits.
    if (!written)
        return false;
    m_drawing->regenDrawing();
    if (m_owner)
        m_owner->refreshBlockList();
    return true;
}

void CPresBlock::closeDialog()
{
    qv::module::runHandler(kFile, "CPresBlock::closeDialog", [this] {
        if (!m_drawing)
            return; // closed with its drawing: nothing to put back
        if (m_owner)
            m_owner->refreshBlockList();
        m_block->highlightAreasSubtracted(m_drawing, 0, 0);
        // The added areas' highlight is written to the drawing too: it goes with the page
        // that could switch it off.
        if (m_tabs.dataPage()->getAddedHighlight())
            m_block->highlightAreasAdded(m_drawing, 0, 0);
    });
    if (m_owner)
        m_owner->ShowWindow(SW_SHOWNORMAL);
    DestroyWindow();
}

void CPresBlock::OnCmdReset()
{
    qv::module::runHandler(kFile, "CPresBlock::OnCmdReset", [this] { initialiseTabs(); });
}

bool CPresBlock::makeDrawingCurrent() const { return m_watch.makeCurrent(); }

void CPresBlock::OnCmdApply()
{
    qv::module::runHandler(kFile, "CPresBlock::OnCmdApply", [this] { applyChanges(); });
}

void CPresBlock::OnBnClickedOk()
{
    bool applied = false;
    qv::module::runHandler(kFile, "CPresBlock::OnBnClickedOk", [&] { applied = applyChanges(); });
    // A value that failed its checks, or a failed write, keeps the dialog open.
    if (!applied)
        return;
    CDialog::OnOK();
    closeDialog();
}

void CPresBlock::OnCmdCancel() { OnCancel(); }

void CPresBlock::OnCancel()
{
    CDialog::OnCancel();
    closeDialog();
}

void CPresBlock::OnSelchangeTabs(NMHDR*, LRESULT*) { m_tabs.showPage(m_tabs.GetCurSel()); }

void CPresBlock::PostNcDestroy() { delete this; }
