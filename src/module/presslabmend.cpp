#include "module/presslabmend.h"

#include "arx/acdocman.h"
#include "arx/acutprintf.h"
#include "arx/dbblockref.h"
#include "blocks/attributes.h"
#include "blocks/blockdwg.h"
#include "blocks/blockdwgroom.h"
#include "blocks/blocks.h"
#include "dialoghandler.h"
#include "host/acaddrawing.h"
#include "host/acadutilities.h"
#include "host/hostguards.h"
#include "mfc/dataexchange.h"
#include "module/preferences.h"
#include "module/presabout.h"
#include "module/presblock.h"
#include "module/prespreferences.h"
#include "module/resource.h"
#include "spaceblocks.h"
#include "support/exrecords.h"
#include "support/kavroexceptions.h"
#include "support/utilities.h"

namespace {

constexpr const char* kFile = "presslabmend.cpp";
constexpr int kFilterRooms = 0;

// The handle at the end of a list line, after its last blank.
CString handleOfLine(const CString& line)
{
    const int blank = line.ReverseFind(' ');
    return blank < 0 ? line : line.Mid(blank + 1);
}

bool listable(CBlockDWG* block)
{
    const CString name = block->getBlockName();
    return name.Left(5) == "ROOM-" && name != "MARKER-LEGEND" && name != "MARKER-PIECHART";
}

CString nameOf(CBlockDWG* block)
{
    CAttributes* attributes = block->getAttributes();
    CAttribute* name = attributes ? attributes->getAtAttribute(0) : nullptr;
    return name ? name->getValue() : CString();
}

} // namespace

CPresSlabMend::CPresSlabMend(CWnd* parent) : CDialog(IDD_BLOCK_EDITOR, parent), m_watch([this] { drawingClosed(); })
{
}

CPresSlabMend::~CPresSlabMend() { releaseBlocks(); }

BEGIN_MESSAGE_MAP(CPresSlabMend, CDialog)
ON_CBN_SELCHANGE(IDC_BLOCK_FILTER, &CPresSlabMend::OnSelchangeBlockFilter)
ON_LBN_DBLCLK(IDC_BLOCK_LIST, &CPresSlabMend::OnDblclkBlockList)
ON_DRAWING_CLICKED(IDC_CMD_SELECT, &CPresSlabMend::OnCmdSelect)
ON_BN_CLICKED(IDC_CMD_CLOSE, &CPresSlabMend::OnCmdClose)
ON_COMMAND(ID_FILE_EXIT, &CPresSlabMend::OnFileExit)
ON_DRAWING_COMMAND(ID_TOOLS_OPTIONS, &CPresSlabMend::OnToolsOptions)
ON_COMMAND(ID_HELP_ABOUT, &CPresSlabMend::OnHelpAbout)
END_MESSAGE_MAP()

BOOL CPresSlabMend::Create() { return CDialog::Create(IDD_BLOCK_EDITOR, nullptr); }

void CPresSlabMend::setCurrentBlock(CBlockDWG* block) { m_currentBlock.reset(block); }

int CPresSlabMend::getBlockFilter() const { return m_filter.GetCurSel(); }

void CPresSlabMend::setBlockFilter(int filter) { m_filter.SetCurSel(filter); }

void CPresSlabMend::setPreferences(CPreferences* preferences) { m_preferences.reset(preferences); }

void CPresSlabMend::setUnitsAndPrecision(CMeasureUnits units, int precision)
{
    m_preferences->setUnits(units);
    m_preferences->setPrecision(precision);
}

void CPresSlabMend::DoDataExchange(CDataExchange* dx)
{
    CDialog::DoDataExchange(dx);
    DDX_Control(dx, IDC_BLOCK_COUNT, m_count);
    DDX_Control(dx, IDC_BLOCK_LIST, m_list);
    DDX_Control(dx, IDC_BLOCK_FILTER, m_filter);
    DDX_Text(dx, IDC_DRAWING_NAME, m_drawingName);
}

BOOL CPresSlabMend::OnInitDialog()
{
    qv::module::runHandler(kFile, "CPresSlabMend::OnInitDialog", [this] {
        CDialog::OnInitDialog();
        loadPreferences();
        m_drawing = std::make_unique<CAcadDrawing>();
        AcApDocument* document = acDocManager->curDocument();
        m_drawing->setDocument(document);
        m_drawing->setFileName(document ? document->fileName() : "");
        m_drawing->setOpen(TRUE);
        m_drawing->setKeepOpen(TRUE);
        m_watch.watch(document);
        m_currentBlock.reset();
        releaseBlocks();
        SetWindowText("Kavro Block Editor");
        m_drawingName = m_drawing->getFileName();
        SetDlgItemText(IDC_DRAWING_NAME, m_drawingName);
        m_filter.SetCurSel(kFilterRooms);
        setBlockFilter(kFilterRooms);
        refreshBlockList();
    });
    return TRUE;
}

void CPresSlabMend::releaseBlocks()
{
    if (m_blocks)
        m_blocks->destroyBlocks();
    m_blocks.reset();
}

void CPresSlabMend::drawingClosed()
{
    if (m_drawing)
        m_drawing->releaseDocument();
    closeAfterPick();
}

void CPresSlabMend::refreshBlockList()
{
    m_list.ResetContent();
    releaseBlocks();
    m_blocks = std::make_unique<CBlocks>();
    m_blocks->getKavroDWGBlocks_SS(m_drawing.get(), nullptr, 0, "f");
    const bool rooms = getBlockFilter() == kFilterRooms;
    int count = 0;
    for (int i = 0; i < m_blocks->count(); ++i) {
        auto* block = static_cast<CBlockDWG*>(m_blocks->getAt(i));
        if (!listable(block) || (block->getBlockType() == kBlockDWGRoom) != rooms)
            continue;
        m_list.AddString(nameOf(block) + CString(' ', 200) + block->getHandle());
        ++count;
    }
    m_count.SetWindowText(CUtilities::IntToCString(count) + " item(s) found.");
}

void CPresSlabMend::showBlock(CString handle)
{
    auto* block = m_blocks ? static_cast<CBlockDWG*>(m_blocks->getAt(handle)) : nullptr;
    if (!block)
        throw new CEXInvalidHandle(handle, KAVRO_PRODUCT_CAPTION, kFile, "CPresSlabMend::showBlock");
    // A block measured in the other units is converted, so that its numbers match the unit
    // labels it will be shown and written with; a block never measured is only labelled; one
    // whose record names no unit the module knows keeps its numbers, unlabelled, and is named.
    const CMeasureUnits units = m_preferences->getUnits();
    if (block->getUnits().known())
        block->convertUnits(units);
    else if (!block->hasRecord())
        block->setUnits(units);
    else
        acutPrintf("\nSpace %s (handle %s): %s\n", block->getName(), block->getHandle(), whyUnitsUnknown(block));
    block->setPrecision(m_preferences->getPrecision());
    // The list is read without assets, which cost a selection per room: the room shown
    // gathers its own, so that the dialog counts them.
    if (auto* room = dynamic_cast<CBlockDWGRoom*>(block)) {
        const DrawingLock lock(m_drawing.get());
        if (lock.held())
            room->collectAssets();
    }
    auto dialog = std::make_unique<CPresBlock>(nullptr);
    dialog->setBlock(block);
    dialog->setAcadDrawing(m_drawing.get());
    dialog->setAcadWindow(m_acadWindow);
    dialog->setOwner(this);
    if (!dialog->Create())
        return;
    dialog.release()->ShowWindow(SW_SHOWNORMAL); // deletes itself when closed
    ShowWindow(SW_HIDE);
}

void CPresSlabMend::loadPreferences()
{
    m_preferences = std::make_unique<CPreferences>();
    m_preferences->loadPreferences();
}

void CPresSlabMend::savePreferences()
{
    if (m_optionsUsed) {
        // prefs.cfg as it stands now, with only what this editor's Options run changed:
        // whatever another dialog saved meanwhile is kept.
        CPreferences current;
        current.loadPreferences();
        current.setUnits(m_preferences->getUnits());
        current.setPrecision(m_preferences->getPrecision());
        current.setTextSize(m_preferences->getTextSize());
        current.setCsvOpener(m_preferences->getCsvOpener());
        current.setZoomBorder(m_preferences->getZoomBorder());
        current.savePreferences();
    }
    m_preferences.reset();
}

void CPresSlabMend::applyUnitsToBlocks()
{
    refreshBlockList();
    const CMeasureUnits units = m_preferences->getUnits();
    for (int i = 0; i < m_blocks->count(); ++i) {
        auto* block = static_cast<CBlockDWG*>(m_blocks->getAt(i));
        // Units the module does not know cannot be converted: such a record is left.
        if (block->getUnits() == units || !block->getUnits().known())
            continue;
        block->convertUnits(units);
        CKavroExceptions errors;
        block->applyToDWG(m_drawing.get(), &errors);
        if (errors.getCount() > 0)
            errors.displayAll();
    }
    m_drawing->regenDrawing();
}

void CPresSlabMend::OnSelchangeBlockFilter()
{
    qv::module::runHandler(kFile, "CPresSlabMend::OnSelchangeBlockFilter", [this] { refreshBlockList(); });
    m_list.SetFocus();
}

void CPresSlabMend::OnDblclkBlockList()
{
    const int selected = m_list.GetCurSel();
    if (selected == LB_ERR)
        return;
    CString line;
    m_list.GetText(selected, line);
    qv::module::runHandler(kFile, "CPresSlabMend::OnDblclkBlockList", [&] { showBlock(handleOfLine(line)); });
}

void CPresSlabMend::OnOK()
{
    const CWnd* focus = GetFocus();
    if (focus && focus->GetSafeHwnd() == m_list.GetSafeHwnd())
        OnDblclkBlockList();
}

void CPresSlabMend::restore()
{
    ShowWindow(SW_RESTORE);
    SetActiveWindow();
}

CString CPresSlabMend::pickSpaceHandle()
{
    // Until the pick ends, the editor refuses to close: its block list stays in place.
    const PickScope picking(this);
    ShowWindow(SW_SHOWMINIMIZED);
    if (m_acadWindow)
        m_acadWindow->SetActiveWindow();
    CAcadUtilities utilities;
    AcDbObjectId id;
    if (utilities.selectObjectId(id, "\nPlease select a space\n", "AcDbBlockReference") != 0 || !m_drawing->isOpen())
        return CString();
    AcDbEntity* entity = nullptr;
    if (const Acad::ErrorStatus es = acdbOpenObject(entity, id, AcDb::kForRead); es != Acad::eOk)
        throw new CEXUnhandled(es, KAVRO_PRODUCT_CAPTION, kFile, "CPresSlabMend::OnCmdSelect", 200, m_drawing->getFileName(), nullptr);
    AcDbHandle handle;
    entity->getAcDbHandle(handle);
    entity->close();
    char text[17] = {};
    handle.getIntoAsciiBuffer(text);
    CString trimmed(text);
    trimmed.Trim();
    return trimmed;
}

void CPresSlabMend::OnCmdSelect()
{
    try {
        const CString handle = pickSpaceHandle();
        if (handle.IsEmpty()) {
            restore();
            return;
        }
        showBlock(handle);
    } catch (CEXInvalidHandle* e) {
        restore();
        CEXKavro::deleteChain(e);
        acutPrintf("The specified AcDbBlockReference cannot be found in the list of Kavro blocks.  The selected "
                   "object may not be a Kavro block.");
    } catch (...) {
        restore();
        // The failure being handled, rethrown into the frame that wraps and shows it.
        qv::module::runHandler(kFile, "CPresSlabMend::OnCmdSelect", [] { throw; });
    }
}

void CPresSlabMend::OnCmdClose()
{
    qv::module::runHandler(kFile, "CPresSlabMend::OnCmdClose", [this] {
        if (m_preferences)
            savePreferences();
    });
    m_drawing.reset();
    m_currentBlock.reset();
    releaseBlocks();
    SendMessage(WM_CLOSE);
}

void CPresSlabMend::OnFileExit() { SendMessage(WM_CLOSE); }

void CPresSlabMend::OnCancel()
{
    CDialog::OnCancel();
    DestroyWindow();
}

void CPresSlabMend::PostNcDestroy() { delete this; }

void CPresSlabMend::OnToolsOptions()
{
    // The units conversion after the preferences writes to the drawing (ON_DRAWING_COMMAND).
    qv::module::runHandler(kFile, "CPresSlabMend::OnToolsOptions", [this] {
        CPresPreferences preferences;
        preferences.DoModal();
        int units = 0, precision = 0;
        double textSize = 0.0, scale = 0.0, rotation = 0.0, zoomBorder = 0.0;
        CString csvOpener;
        preferences.getValues(units, precision, textSize, scale, rotation, csvOpener, zoomBorder);
        if (!m_preferences)
            loadPreferences();
        m_preferences->setUnits(CMeasureUnits::fromPreference(units));
        m_preferences->setPrecision(precision);
        m_preferences->setTextSize(textSize);
        m_preferences->setCsvOpener(csvOpener);
        m_preferences->setZoomBorder(zoomBorder);
        m_optionsUsed = true;
        applyUnitsToBlocks();
    });
}

void CPresSlabMend::OnHelpAbout()
{
    qv::module::runHandler(kFile, "CPresSlabMend::OnHelpAbout", [] {
        CPresAbout about;
        about.DoModal();
    });
}
