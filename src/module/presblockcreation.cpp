#include "module/presblockcreation.h"

#include "arx/acdocman.h"
#include "arx/aced.h"
#include "arx/acutprintf.h"
#include "arx/dbdatabase.h"
#include "blocks/attributes.h"
#include "blocks/blockdwgroom.h"
#include "blocks/blocks.h"
#include "blocks/kavroattribute.h"
#include "dialoghelpers.h"
#include "outlinecheck.h"
#include "host/acadutilities.h"
#include "host/drawingunit.h"
#include "host/hostguards.h"
#include "host/planoutline.h"
#include "mfc/dataexchange.h"
#include "module/presabout.h"
#include "module/prespreferences.h"
#include "module/resource.h"
#include "support/kavroexceptions.h"
#include "support/utilities.h"

#include <algorithm>
#include <memory>
#include <optional>

namespace {

constexpr const char* kSource = "presblockcreation";
constexpr int kRoomBlockType = 7;

// Whether the character alone is a digit of a trailing number.
bool isNameDigit(char c)
{
    const CString alone(std::string(1, c));
    return c != '.' && CUtilities::isNumeric(alone);
}

// The index where the trailing number of the name starts (its length for none).
int trailingDigitsStart(const CString& name)
{
    int start = name.GetLength();
    while (start > 0 && isNameDigit(name[start - 1]))
        --start;
    return start;
}

} // namespace

CPresBlockCreation::CPresBlockCreation(CWnd* parent)
    : CDialog(IDD_BLOCK_CREATION, parent), m_watch([this] { drawingClosed(); })
{
}

CPresBlockCreation::~CPresBlockCreation()
{
    releaseAcadDrawing();
}

BEGIN_MESSAGE_MAP(CPresBlockCreation, CDialog)
ON_BN_CLICKED(IDC_CMD_START, &CPresBlockCreation::OnCmdStart)
ON_COMMAND(ID_HELP_ABOUT, &CPresBlockCreation::OnHelpAbout)
ON_COMMAND(ID_FILE_EXIT, &CPresBlockCreation::OnFileExit)
ON_DRAWING_CLICKED(IDC_CREATOR_SUB_AREA, &CPresBlockCreation::OnCmdSubArea)
ON_COMMAND(ID_TOOLS_OPTIONS, &CPresBlockCreation::OnToolsOptions)
ON_MESSAGE(WM_ACAD_KEEPFOCUS, &CPresBlockCreation::OnAcadKeepFocus)
ON_WM_RBUTTONDOWN()
ON_DRAWING_CLICKED(IDC_CREATOR_ADD_AREA, &CPresBlockCreation::OnBnClickedCmdAdd)
END_MESSAGE_MAP()

BOOL CPresBlockCreation::Create()
{
    return CDialog::Create(IDD_BLOCK_CREATION, nullptr);
}

void CPresBlockCreation::setAcadDrawing(CAcadDrawing* drawing)
{
    if (drawing != m_drawing)
        releaseAcadDrawing();
    m_drawing = drawing;
    m_watch.watch(drawing ? drawing->getDocument() : nullptr);
}

void CPresBlockCreation::drawingClosed()
{
    if (m_drawing)
        m_drawing->releaseDocument();
    closeAfterPick();
}

void CPresBlockCreation::releaseAcadDrawing()
{
    delete m_drawing;
    m_drawing = nullptr;
    m_watch.watch(nullptr);
}

CString CPresBlockCreation::getNextBlockIdentifier() const
{
    return "ROOM-" + CUtilities::IntToCString(m_nextIdentifier);
}

void CPresBlockCreation::setNamePrefix(CString prefix)
{
    if (!prefix.IsEmpty())
        m_namePrefix = std::move(prefix);
}

void CPresBlockCreation::buildNextBlockName()
{
    const CString number = CUtilities::IntToCString(m_nextNumber);
    m_numberWidth = std::max(m_numberWidth, number.GetLength());
    m_nextName = m_namePrefix + CUtilities::padding(m_numberWidth - number.GetLength(), "0") + number;
}

void CPresBlockCreation::incrementBlockName(CString highest)
{
    const int start = trailingDigitsStart(highest);
    const CString prefix = highest.Left(start);
    const CString digits = highest.Mid(start);
    const int width = digits.GetLength();
    const std::int64_t number = digits.IsEmpty() ? 1 : CUtilities::CStringToInt64(digits) + m_preferences.getInc();
    const CString text(std::to_string(number));
    m_nextName = prefix + CUtilities::padding(std::max(0, width - text.GetLength()), "0") + text;
}

BOOL CPresBlockCreation::isAreaText(CString text)
{
    static const char* const kinds[] = {"GROSS AREA",    "CORE AREA",     "NET AREA",      "USABLE AREA",
                                        "BALANCE AREA",  "LETTABLE AREA", "COMMON AREA",   "CELULAR AREA",
                                        "CELLULAR AREA", "OPEN PLAN AREA", "CIRCULATION AREA"};
    return std::any_of(std::begin(kinds), std::end(kinds), [&](const char* kind) { return text.Find(kind) >= 0; });
}

std::int64_t CPresBlockCreation::parseNameNumber(CString name)
{
    return CUtilities::CStringToInt64(name.Mid(trailingDigitsStart(name)));
}

BOOL CPresBlockCreation::OnInitDialog()
{
    CDialog::OnInitDialog();
    loadPreferences();
    m_nextIdentifier = 0;
    m_nextNumber = 1;
    m_numberWidth = 1;
    setAcadDrawing(wrapCurrentDocument().release());
    calcNextBlockIdentifier();
    calcNextBlockName();
    m_textSize = m_preferences.getTextSize();
    m_scale = m_preferences.getTextScale();
    m_rotation = m_preferences.getTextRotation();
    UpdateData(FALSE);
    return TRUE;
}

void CPresBlockCreation::DoDataExchange(CDataExchange* dx)
{
    CDialog::DoDataExchange(dx);
    DDX_Text(dx, IDC_NEXT_NAME, m_nextName);
    DDX_Text(dx, IDC_TEXT_SIZE, m_textSize);
    DDX_Text(dx, IDC_TEXT_SCALE, m_scale);
    DDX_Text(dx, IDC_TEXT_ROTATION, m_rotation);
}

void CPresBlockCreation::calcNextBlockIdentifier()
{
    runShowingErrors("CPresBlockCreation::calcNextBlockIdentifier", kSource, [&] {
        if (!m_drawing || !m_drawing->isOpen())
            return;
        long highest = 0;
        AcDbBlockTable* raw = nullptr;
        if (m_drawing->getDocument()->database()->getSymbolTable(raw, AcDb::kForRead) != Acad::eOk)
            return;
        const Opened<AcDbBlockTable> table(raw);
        AcDbBlockTableIterator* rawIt = nullptr;
        table->newIterator(rawIt, true, true);
        const std::unique_ptr<AcDbBlockTableIterator> it(rawIt);
        for (; it && !it->done(); it->step(true, true)) {
            AcDbBlockTableRecord* record = nullptr;
            if (it->getRecord(record, AcDb::kForRead, false) != Acad::eOk)
                continue;
            const Opened<AcDbBlockTableRecord> opened(record);
            const char* name = nullptr;
            opened->getName(name);
            const CString text(name ? name : "");
            if (text.Left(5).MakeUpper() == "ROOM-")
                highest = std::max(highest, CUtilities::CStringToLong(text.Mid(5)));
        }
        m_nextIdentifier = static_cast<int>(highest + 1);
    });
}

CString CPresBlockCreation::getHighestExistingBlockName()
{
    CString result;
    m_existingNames.clear();
    // A failure leaves the result empty, so that the next name starts again at "Room 1".
    const bool read = runShowingErrors("CPresBlockCreation::getHighestExistingBlockName", kSource, [&] {
        if (!m_drawing || !m_drawing->isOpen())
            return;
        CBlocks blocks;
        struct Destroy
        {
            CBlocks& blocks;
            ~Destroy() { blocks.destroyBlocks(); }
        } destroy{blocks};
        blocks.getKavroDWGBlocks_SS(m_drawing, nullptr, 0, "f");
        std::int64_t highest = 0;
        for (int i = 0; i < blocks.count(); ++i) {
            const CBlock* block = blocks.getAt(i);
            if (block->getBlockType() != kRoomBlockType)
                continue;
            m_existingNames.push_back(block->getName());
            if (const std::int64_t number = parseNameNumber(block->getName()); number >= highest) {
                highest = number;
                result = block->getName();
            }
        }
    });
    return read ? result : CString();
}

void CPresBlockCreation::calcNextBlockName()
{
    runShowingErrors("CPresBlockCreation::calcNextBlockName", kSource, [&] {
        CString highest = getHighestExistingBlockName();
        if (highest.IsEmpty())
            highest = "Room ";
        incrementBlockName(highest);
    });
}

void CPresBlockCreation::enableButtons(BOOL enable)
{
    for (int id : {IDCANCEL, IDC_CMD_START, IDC_CREATOR_SUB_AREA, IDC_CREATOR_ADD_AREA})
        GetDlgItem(id)->EnableWindow(enable);
}

void CPresBlockCreation::enableTextEdits(BOOL enable)
{
    for (int id : {IDC_TEXT_SIZE, IDC_TEXT_SCALE, IDC_TEXT_ROTATION})
        GetDlgItem(id)->EnableWindow(enable);
}

void CPresBlockCreation::OnCmdStart()
{
    // A text edit that holds no number has been reported: no session starts, nothing is saved
    // and the drawing is not made current.
    if (!UpdateData(TRUE) || !makeDrawingCurrent())
        return;
    runShowingErrors("CPresBlockCreation::saveTextSettings", kSource, [&] { saveTextSettings(); });
    enableButtons(FALSE);
    if (m_acadWindow)
        m_acadWindow->SetActiveWindow();
    acutPrintf("\nBlock Creation Session Started\n");
    runShowingErrors("CPresBlockCreation::OnCmdStart", kSource, [&] {
        // Close and the buttons that start picks are refused until the session ends.
        const CDialog::PickScope picking(this);
        const DrawingLock lock(m_drawing);
        if (!lock.held())
            return;
        // A drawing closed meanwhile ends the session.
        while (m_drawing->isOpen() && pickAndMakeBlock()) {
        }
    });
    acutPrintf("\nBlock Creation Session Ended\n");
    acDocManager->sendStringToExecute(acDocManager->curDocument(), "\x1B", false, false, true);
    enableButtons(TRUE);
    enableTextEdits(TRUE);
    SetActiveWindow();
}

bool CPresBlockCreation::pickAndMakeBlock()
{
    enableTextEdits(TRUE);
    AcDbObjectId polylineId;
    if (CAcadUtilities().selectOutline(polylineId, "\nPlease select a polyline:\n") != 0 ||
        !m_drawing->isOpen())
        return false;
    Acad::ErrorStatus status = Acad::eOk;
    bool closed = false;
    if (const Opened<AcDbCurve> polyline = openObject<AcDbCurve>(polylineId, AcDb::kForRead, &status))
        closed = polyline->isClosed();
    if (status == Acad::eOnLockedLayer)
        acutPrintf("\n1Polyline On Locked Layer - Block Creation Failed\n");
    else if (status != Acad::eOk)
        acutPrintf("\nUnable get Polyline - Error %s - Block Creation Failed\n", CUtilities::IntToCString(status));
    else if (!closed)
        acutPrintf("\nInvalid Selection - Polyline is not closed\n\n");
    else
        makeBlock(polylineId);
    return true;
}

void CPresBlockCreation::makeBlock(AcDbObjectId polylineId)
{
    // A text edit that holds no number has been reported: the outline stays as it is.
    if (!UpdateData(TRUE))
        return;
    if (m_textSize <= 0.0) {
        m_textSize = 1.0;
        UpdateData(FALSE);
    }
    saveTextSettings();
    enableTextEdits(FALSE);
    createBlock(m_drawing, polylineId, m_preferences.getUnits(), m_preferences.getTextSize(),
                m_preferences.getTextScale(), m_preferences.getTextRotation(), m_preferences.getPrecision());
    calcNextBlockIdentifier();
    calcNextBlockName();
    UpdateData(FALSE);
}

namespace {

// The polyline as the user picked it, moved into the plane coordinates of the current UCS
// while it is made into a block; moved back when the block is not made, so that a failure
// leaves the drawing as it was.
class OutlineInUcs
{
public:
    OutlineInUcs(AcDbObjectId id, AcDbDatabase* database) : m_id(id)
    {
        acdbUcsMatrix(m_ucs, database);
        if (const Opened<AcDbEntity> entity = openObject<AcDbEntity>(m_id, AcDb::kForWrite))
            m_moved = entity->transformBy(m_ucs.inverse()) == Acad::eOk;
        m_modelSpace = database->modelSpaceId();
    }
    ~OutlineInUcs()
    {
        if (!m_moved || m_kept)
            return;
        // Only an outline still in model space is moved back: one taken into a definition
        // has left the user's drawing.
        if (const Opened<AcDbEntity> entity = openObject<AcDbEntity>(m_id, AcDb::kForWrite);
            entity && entity->ownerId() == m_modelSpace)
            entity->transformBy(m_ucs);
    }
    OutlineInUcs(const OutlineInUcs&) = delete;
    OutlineInUcs& operator=(const OutlineInUcs&) = delete;

    bool moved() const { return m_moved; }
    void keep() { m_kept = true; }

private:
    AcDbObjectId m_id;
    AcGeMatrix3d m_ucs;
    AcDbObjectId m_modelSpace;
    bool m_moved = false;
    bool m_kept = false;
};

// Whether the picked entity is an outline that may be written, saying why not when it is not.
bool isWritableOutline(AcDbObjectId polylineId)
{
    Acad::ErrorStatus status = Acad::eOk;
    bool isOutline = false;
    if (const Opened<AcDbEntity> entity = openObject<AcDbEntity>(polylineId, AcDb::kForWrite, &status))
        isOutline = CPlanOutline::isOutline(entity.get());
    if (status == Acad::eOnLockedLayer) {
        acutPrintf("\nPolyline On Locked Layer - Block Creation Failed\n");
        return false;
    }
    if (status != Acad::eOk) {
        acutPrintf("\nUnable get Polyline - Error %s - Block Creation Failed\n", CUtilities::IntToCString(status));
        return false;
    }
    if (!isOutline)
        acutPrintf("\nInvalid Selection\n\n");
    return isOutline;
}

// A new space's attributes: its name, its area and an empty third, in the text settings given.
CAttributes* roomAttributes(const CString& name, const CString& areaText, double textSize, double scale,
                            double rotation)
{
    auto* attributes = new CAttributes;
    attributes->setTextHeight(textSize);
    attributes->setWidthFactor(scale);
    attributes->setRotation(rotation);
    attributes->add(CKavroAttribute::create(0, name), 0);
    attributes->add(CKavroAttribute::create(1, areaText), 0);
    attributes->add(CKavroAttribute::create(2, " "), 0);
    return attributes;
}

} // namespace

void CPresBlockCreation::createBlock(CAcadDrawing* drawing, AcDbObjectId polylineId, CMeasureUnits units, double textSize,
                                     double scale, double rotation, int precision)
{
    runShowingErrors("CPresBlockCreation::createBlock", kSource, [&] {
        acutPrintf("Select Name and Area Text Position:\n");
        ads_point picked;
        if (acedGetPoint(nullptr, "\nEnter Attribute points: ", picked) != RTNORM || !drawing->isOpen())
            return;
        // The name is asked about first: an answer No leaves the drawing as it was, even
        // unmarked, which an open for write would not.
        UpdateData(TRUE);
        const CString name = m_nextName;
        if (std::find(m_existingNames.begin(), m_existingNames.end(), name) != m_existingNames.end() &&
            MessageBox("Room Name already exists in the drawing.\n\nDo you want another space of the same name creating?",
                       "Duplicate Space Name", MB_YESNO) != IDYES)
            return;
        // Every check comes before the outline is touched.
        if (!isWritableOutline(polylineId))
            return;

        AcDbDatabase* database = drawing->getDocument()->database();
        OutlineInUcs outline(polylineId, database);
        if (!outline.moved())
            return;
        Opened<AcDbEntity> opened = openObject<AcDbEntity>(polylineId, AcDb::kForRead);
        const CPlanOutline polyline(opened.get());
        if (!polyline)
            return;
        CAcadUtilities utilities;
        const CDrawingUnit unit = CDrawingUnit::of(database);
        unit.announce();
        const double area = utilities.calculatePolylineArea(polyline.get(), unit, units);
        const double perimeter = utilities.calculatePolylinePerimeter(polyline.get(), unit, units);
        AcDbEntity* entity = opened.get();

        CBlockDWGRoom block;
        block.setUnits(units);
        block.setPrecision(precision);
        block.setName(name);
        block.setArea(area);
        block.setPerimeter(perimeter);
        block.setBlockName(getNextBlockIdentifier());
        const CString areaText = CUtilities::DoubleToCString(area, precision) + units.areaText();
        block.setAttributes(roomAttributes(name, areaText, textSize, scale, rotation));

        // The insertion opens the outline again itself.
        opened.reset();
        const AcGePoint3d base(picked[0], picked[1], picked[2]);
        const Acad::ErrorStatus status = block.insertBlock(drawing, entity, base, textSize, scale, rotation);
        if (status == Acad::eOk) {
            outline.keep();
            acutPrintf("Block Created Successfully\n");
            sayWhereOutlineMeetsItself(block, database);
        } else if (status == Acad::eDuplicateRecordName) {
            acutPrintf("Block Already Exists\n");
        } else {
            acutPrintf("Block Creation Failed - Error %s\n", acadErrorStatusText(status));
        }
    });
}

std::optional<double> CPresBlockCreation::typedNumber(int id) const
{
    CString text;
    GetDlgItemText(id, text);
    double value = 0.0;
    if (!qv::readNumber(text, value))
        return std::nullopt;
    return value;
}

void CPresBlockCreation::saveTextSettings()
{
    struct Setting
    {
        int id;
        double (CPreferences::*get)() const;
        void (CPreferences::*set)(double);
    };
    static constexpr Setting settings[] = {
        {IDC_TEXT_SIZE, &CPreferences::getTextSize, &CPreferences::setTextSize},
        {IDC_TEXT_SCALE, &CPreferences::getTextScale, &CPreferences::setTextScale},
        {IDC_TEXT_ROTATION, &CPreferences::getTextRotation, &CPreferences::setTextRotation},
    };
    // prefs.cfg as it stands now, with only the values changed here: settings saved
    // meanwhile by another dialog are kept.
    std::optional<CPreferences> current;
    for (const Setting& setting : settings) {
        const std::optional<double> value = typedNumber(setting.id);
        if (!value || *value == (m_preferences.*setting.get)())
            continue;
        if (!current)
            current.emplace().loadPreferences();
        (*current.*setting.set)(*value);
        (m_preferences.*setting.set)(*value);
    }
    if (current)
        current->savePreferences();
}

void CPresBlockCreation::OnToolsOptions()
{
    runShowingErrors("CPresBlockCreation::OnToolsOptions", kSource, [&] {
        CPresPreferences dialog;
        dialog.DoModal();
        int units = 0, precision = 0;
        double textSize = 0, scale = 0, rotation = 0, zoomBorder = 0;
        CString csvOpener;
        dialog.getValues(units, precision, textSize, scale, rotation, csvOpener, zoomBorder);
        m_preferences.setUnits(CMeasureUnits::fromPreference(units));
        m_preferences.setPrecision(precision);
        m_preferences.setTextSize(textSize);
        m_preferences.setTextScale(scale);
        m_preferences.setTextRotation(rotation);
        m_preferences.setCsvOpener(csvOpener);
        m_preferences.setZoomBorder(zoomBorder);
        m_textSize = textSize;
        m_scale = scale;
        m_rotation = rotation;
        acutPrintf("Units set to %s\n", m_preferences.getUnits().imperial() ? "FT\xC2\xB2" : "M\xC2\xB2");
        UpdateData(FALSE);
    });
}

void CPresBlockCreation::OnHelpAbout()
{
    runShowingErrors("CPresBlockCreation::OnHelpAbout", kSource, [] {
        CPresAbout about;
        about.DoModal();
    });
}

void CPresBlockCreation::OnFileExit()
{
    SendMessage(WM_CLOSE);
}

void CPresBlockCreation::OnCancel()
{
    runShowingErrors("CPresBlockCreation::saveTextSettings", kSource, [&] { saveTextSettings(); });
    releaseAcadDrawing();
    CDialog::OnCancel();
    DestroyWindow();
}

void CPresBlockCreation::OnCmdSubArea()
{
    runShowingErrors("CPresBlockCreation::OnCmdSubArea", kSource, [&] { changeAreas(true); });
}

void CPresBlockCreation::OnBnClickedCmdAdd()
{
    runShowingErrors("CPresBlockCreation::OnBnClickedCmdAdd", kSource, [&] { changeAreas(false); });
}

void CPresBlockCreation::changeAreas(bool subtract)
{
    CAcadDrawing* drawing = m_drawing;
    ShowWindow(SW_SHOWMINIMIZED);
    if (m_acadWindow)
        m_acadWindow->SetActiveWindow();
    // The dialog comes back on every way out, an error included.
    struct Restore
    {
        CPresBlockCreation* dialog;
        ~Restore()
        {
            dialog->ShowWindow(SW_RESTORE);
            dialog->SetActiveWindow();
        }
    } restore{this};
    const CDialog::PickScope picking(this);
    CBlockDWG block;
    // Only space blocks ("ROOM-" definitions) have areas to change.
    if (!CAcadUtilities().userSelectKavroBlock(drawing->getDocument(), &block) ||
        block.getBlockName().Left(5).MakeUpper() != "ROOM-") {
        acutPrintf("\nInvalid Space - Aborting...\n");
        return;
    }
    acutPrintf("\n%s", subtract ? "Please Select Areas to Subtract (selected room/space blocks will be ignored)"
                                : "Please Select Areas to Add");
    SelectionSet selection;
    const int result = selection.take(acedSSGet(nullptr, nullptr, nullptr, nullptr, selection.name()));
    // A cancelled selection changes nothing; an empty one empties the list. A drawing closed
    // meanwhile is left alone.
    if (result == RTCAN || !drawing->isOpen())
        return;
    AcDbObjectIdArray ids;
    selection.forEachId([&](AcDbObjectId id) {
        if (const Opened<AcDbEntity> entity = openObject<AcDbEntity>(id, AcDb::kForRead);
            entity && CString(entity->isA()->name()) != "AcDbBlockReference")
            ids.push_back(id);
    });
    if (subtract)
        block.setHandlesToMinus(ids);
    else
        block.setHandlesToAdd(ids);
    block.setPrecision(m_preferences.getPrecision());
    block.setUnits(m_preferences.getUnits());
    AcDbDatabase* database = drawing->getDocument()->database();
    CDrawingUnit::of(database).announce();
    block.recalculateArea(drawing->getDocument());
    block.recalculatePerimeter(drawing->getDocument());
    sayWhereOutlineMeetsItself(block, database);
    CKavroExceptions errors;
    block.applyToDWG(drawing, &errors);
    if (errors.getCount() > 0)
        errors.displayAll();
}
