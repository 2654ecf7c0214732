#include "module/hyperpres.h"

#include "arx/aced.h"
#include "blocks/blockdwg.h"
#include "blocks/blocks.h"
#include "blocks/hyperlinks.h"
#include "dialoghelpers.h"
#include "host/acadutilities.h"
#include "host/hostguards.h"
#include "mfc/dataexchange.h"
#include "module/resource.h"
#include "support/kavroexceptions.h"
#include "support/utilities.h"

namespace {

constexpr const char* kSource = "hyperpres";
constexpr const char* kNotSelected = "Block not Selected";
constexpr const char* kNoXData = "No X Data";

constexpr int hyperlinkIds[CHyperPres::rowCount] = {IDC_HYPERLINK1, IDC_HYPERLINK2, IDC_HYPERLINK3, IDC_HYPERLINK4,
                                                    IDC_HYPERLINK5};
constexpr int descriptionIds[CHyperPres::rowCount] = {IDC_DESCRIPTION1, IDC_DESCRIPTION2, IDC_DESCRIPTION3,
                                                      IDC_DESCRIPTION4, IDC_DESCRIPTION5};

} // namespace

CHyperPres::CHyperPres(CWnd* parent)
    : CDialog(IDD_HYPERLINK, parent), m_blockName(kNotSelected), m_handle(kNotSelected),
      m_watch([this] { drawingClosed(); })
{
}

CHyperPres::~CHyperPres()
{
    delete m_drawing;
}

BEGIN_MESSAGE_MAP(CHyperPres, CDialog)
ON_DRAWING_CLICKED(IDC_HYPERLINK_APPLY, &CHyperPres::OnCmdApply)
ON_WM_SHOWWINDOW()
ON_DRAWING_CLICKED(IDC_HYPERLINK_SELECT, &CHyperPres::OnCmdSelect)
ON_BN_CLICKED(IDC_HYPERLINK_CANCEL, &CHyperPres::OnCmdCancel)
ON_MESSAGE(WM_ACAD_KEEPFOCUS, &CHyperPres::OnAcadKeepFocus)
ON_EN_CHANGE(IDC_HYPERLINK1, &CHyperPres::OnEnChangeHyperlink1)
ON_EN_CHANGE(IDC_HYPERLINK2, &CHyperPres::OnEnChangeHyperlink2)
ON_EN_CHANGE(IDC_HYPERLINK3, &CHyperPres::OnEnChangeHyperlink3)
ON_EN_CHANGE(IDC_HYPERLINK4, &CHyperPres::OnEnChangeHyperlink4)
ON_EN_CHANGE(IDC_HYPERLINK5, &CHyperPres::OnEnChangeHyperlink5)
ON_BN_CLICKED(IDOK, &CHyperPres::OnBnClickedOk)
END_MESSAGE_MAP()

BOOL CHyperPres::Create()
{
    return CDialog::Create(IDD_HYPERLINK, nullptr);
}

void CHyperPres::setAcadDrawing(CAcadDrawing* drawing)
{
    if (drawing != m_drawing)
        delete m_drawing;
    m_drawing = drawing;
    m_watch.watch(drawing ? drawing->getDocument() : nullptr);
}

void CHyperPres::drawingClosed()
{
    if (m_drawing)
        m_drawing->releaseDocument();
    closeAfterPick();
}

void CHyperPres::DoDataExchange(CDataExchange* dx)
{
    CDialog::DoDataExchange(dx);
    for (int row = 0; row < rowCount; ++row)
        DDX_Text(dx, descriptionIds[row], m_descriptions[row]);
    for (int row = 0; row < rowCount; ++row)
        DDX_Text(dx, hyperlinkIds[row], m_hyperlinks[row]);
    DDX_Check(dx, IDC_APPLY_TO_ALL, m_applyToAll);
    DDX_Text(dx, IDC_BLOCK_NAME, m_blockName);
    DDX_Text(dx, IDC_BLOCK_HANDLE, m_handle);
}

void CHyperPres::enableApply(BOOL enable)
{
    GetDlgItem(IDOK)->EnableWindow(enable);
    GetDlgItem(IDC_HYPERLINK_APPLY)->EnableWindow(enable);
}

void CHyperPres::OnShowWindow(BOOL show, UINT status)
{
    CWnd::OnShowWindow(show, status);
    // The document is wrapped once, when the dialog is first shown; later shows (after a
    // pick, say) keep the wrapper, the block and the buttons as they are.
    if (!show || m_shownOnce)
        return;
    m_shownOnce = true;
    setAcadDrawing(wrapCurrentDocument().release());
    acutPrintf("Please select a block to hyperlink\n");
    enableApply(FALSE);
}

void CHyperPres::OnCmdSelect()
{
    runShowingErrors("CHyperPres::OnCmdSelect", kSource, [&] {
        UpdateData(TRUE);
        ShowWindow(SW_SHOWMINIMIZED);
        if (m_acadWindow)
            m_acadWindow->SetActiveWindow();
        AcDbObjectId id;
        BOOL picked = FALSE;
        {
            const CDialog::PickScope picking(this);
            picked = CAcadUtilities().selectObjectId(id, "\nSelect a Block: ");
        }
        // A drawing closed meanwhile takes the dialog with it.
        if (!makeDrawingCurrent())
            return;
        if (!picked) {
            acutPrintf("A new block has not been selected\n");
            ShowWindow(SW_RESTORE);
            return;
        }
        acutPrintf(" \n \n");
        ShowWindow(SW_RESTORE);
        SetActiveWindow();
        if (isBlockReference(id)) {
            setCurrentAcadBlock(id);
            enableApply(TRUE);
            acutPrintf("Block Selected\n");
        }
        UpdateData(FALSE);
    });
}

BOOL CHyperPres::isBlockReference(AcDbObjectId id)
{
    try {
        const Opened<AcDbEntity> entity = openObject<AcDbEntity>(id, AcDb::kForRead);
        return entity && CString(entity->isA()->name()) == "AcDbBlockReference";
    } catch (...) {
        return FALSE;
    }
}

void CHyperPres::setCurrentAcadBlock(AcDbObjectId id)
{
    runShowingErrors("CHyperPres::setCurrentAcadBlock", kSource, [&] {
        if (!m_drawing)
            return;
        {
            const DrawingLock lock(m_drawing);
            if (lock.held()) {
                const Opened<AcDbEntity> entity = openObject<AcDbEntity>(id, AcDb::kForRead);
                if (auto* reference = AcDbBlockReference::cast(entity.get()))
                    m_block = std::make_unique<CBlockDWG>(reference, m_drawing->getDocument());
            }
        }
        // Without a block read yet the dialog is left as it is.
        if (m_block)
            initialiseData();
    }, "Unable to hyperlink block(s).\n");
}

void CHyperPres::initialiseData()
{
    if (!m_block)
        return;
    for (int row = 0; row < rowCount; ++row) {
        m_hyperlinks[row].Empty();
        m_descriptions[row].Empty();
    }
    m_applyToAll = 0;
    m_blockName = m_block->getName();
    m_handle = m_block->getHandle();
    if (const CHyperlinks* hyperlinks = m_block->getHyperlinks())
        for (int row = 0; row < rowCount && row < hyperlinks->getCount(); ++row) {
            m_hyperlinks[row] = hyperlinks->getAt(row)->getHref();
            m_descriptions[row] = hyperlinks->getAt(row)->getDescription();
        }
    UpdateData(FALSE);
}

void CHyperPres::syncDescription(int row)
{
    const CString before = m_hyperlinks[row];
    UpdateData(TRUE);
    if (m_descriptions[row].IsEmpty() || m_descriptions[row] == before)
        m_descriptions[row] = m_hyperlinks[row];
    UpdateData(FALSE);
}

void CHyperPres::applyChanges()
{
    UpdateData(TRUE);
    if (!m_block)
        return;
    CHyperlinks hyperlinks;
    for (int row = 0; row < rowCount; ++row) {
        if (m_hyperlinks[row].IsEmpty())
            continue;
        if (m_descriptions[row].IsEmpty())
            m_descriptions[row] = m_hyperlinks[row];
        // A repeated address is written once, with its first row's description.
        hyperlinks.adopt(new CHyperlink(m_hyperlinks[row], m_descriptions[row]));
    }
    if (m_applyToAll)
        hyperlinkAllBlocks(hyperlinks);
    else
        hyperlinkBlock(hyperlinks);
    setCurrentAcadBlock(m_block->getObjectId());
}

void CHyperPres::writeHyperlinks(CBlockDWG* block, const CHyperlinks& hyperlinks)
{
    // The block's own list is refilled in place, so that who frees a replaced list never matters.
    if (CHyperlinks* own = block->getHyperlinks())
        own->deleteObjects();
    else
        block->setHyperlinks(new CHyperlinks);
    hyperlinks.copyTo(block->getHyperlinks());
    // A reference that is no space block gets its hyperlinks only, never a space record.
    if (block->getXDataAppName() == kNoXData) {
        const DrawingLock lock(m_drawing);
        if (const Opened<AcDbEntity> reference = openObject<AcDbEntity>(block->getObjectId(), AcDb::kForWrite))
            block->hyperlinkBlock(reference.get(), 0);
        return;
    }
    CKavroExceptions errors;
    block->applyToDWG(m_drawing, &errors);
    if (errors.getCount() > 0)
        errors.displayAll();
}

void CHyperPres::hyperlinkBlock(const CHyperlinks& hyperlinks)
{
    runShowingErrors("CHyperPres::hyperlinkBlock", kSource, [&] {
        writeHyperlinks(m_block.get(), hyperlinks);
        acutPrintf("1 block affected.\n");
    });
}

void CHyperPres::hyperlinkAllBlocks(const CHyperlinks& hyperlinks)
{
    runShowingErrors("CHyperPres::hyperlinkAllBlocks", kSource, [&] {
        const CString definition = m_block->getBlockName();
        CBlocks blocks;
        struct Destroy
        {
            CBlocks& blocks;
            ~Destroy() { blocks.destroyBlocks(); }
        } destroy{blocks};
        blocks.getAcadBlocks(m_drawing, nullptr);
        long count = 0;
        for (int i = 0; i < blocks.count(); ++i) {
            auto* block = dynamic_cast<CBlockDWG*>(blocks.getAt(i));
            if (!block || block->getBlockName() != definition)
                continue;
            writeHyperlinks(block, hyperlinks);
            ++count;
        }
        acutPrintf("%s block(s) affected.\n", CUtilities::LongToCString(count));
    });
}

void CHyperPres::releaseAcadBlock()
{
    m_block.reset();
    if (m_drawing && m_drawing->getDocument())
        acDocManager->sendStringToExecute(m_drawing->getDocument(), "\x1B", false, false, true);
    setAcadDrawing(nullptr);
}

void CHyperPres::OnCmdApply()
{
    runShowingErrors("CHyperPres::OnCmdApply", kSource, [&] { applyChanges(); });
}

void CHyperPres::OnBnClickedOk()
{
    OnOK();
}

void CHyperPres::OnOK()
{
    // The dialog closes whether or not its drawing is still open: only the apply needs it.
    if (makeDrawingCurrent())
        runShowingErrors("CHyperPres::OnOK", kSource, [&] { applyChanges(); });
    releaseAcadBlock();
    CDialog::OnOK();
    DestroyWindow();
}

void CHyperPres::OnCmdCancel()
{
    OnCancel();
}

void CHyperPres::OnCancel()
{
    releaseAcadBlock();
    CDialog::OnCancel();
    DestroyWindow();
}
