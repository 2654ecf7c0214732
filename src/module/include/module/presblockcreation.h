// The block creator "Kavro Block Creator": a modeless dialog in which the user makes room
// space blocks from closed polylines he picks one after another. Each block gets a block
// definition of its own ("ROOM-" and a running identifier), the NAME, AREA and AUX
// attributes and the XData record. The dialog proposes the next space name from the room
// blocks already in the drawing (the user may overwrite it before a pick), and keeps the
// attribute text size, scale and rotation. Start and each block take them through the
// dialog's checks, and only then save to prefs.cfg those that changed; one that holds no
// number is reported, and nothing starts, is made or saved. Closing the dialog saves those
// that hold numbers.
//
// The dialog works on the drawing current when it opened: Start and the area buttons make
// it current first (CDrawingWatch::ready).
//
// Start runs the session inside its handler: the dialog's buttons are disabled, close is
// refused while a pick waits, and the text edits stay editable between picks. Close, Esc,
// the close box and File/Exit end the dialog, which then deletes itself; Enter does nothing.
#pragma once

#include "arx/dbid.h"
#include "mfc/dialog.h"
#include "module/drawingwatch.h"
#include "module/preferences.h"

#include <cstdint>
#include <optional>
#include <vector>

class CAcadDrawing;

class CPresBlockCreation : public CDialog
{
public:
    explicit CPresBlockCreation(CWnd* parent = nullptr);
    ~CPresBlockCreation() override;

    // Creates the window from its template; it shows itself.
    using CDialog::Create;
    BOOL Create();

    void setAcadWindow(CWnd* window) { m_acadWindow = window; }
    CWnd* getAcadWindow() const { return m_acadWindow; }
    // Takes over the wrapper of the current document, releasing the one held before; the
    // dialog closes when that document does.
    void setAcadDrawing(CAcadDrawing* drawing);
    CAcadDrawing* getAcadDrawing() const { return m_drawing; }
    void releaseAcadDrawing();

    void setNextIdentifier(int identifier) { m_nextIdentifier = identifier; }
    // "ROOM-" followed by the next identifier.
    CString getNextBlockIdentifier() const;
    CString getNextBlockName() const { return m_nextName; }
    void setNextNumber(int number) { m_nextNumber = number; }
    int getNextNumber() const { return m_nextNumber; }
    void setNumberWidth(int width) { m_numberWidth = width; }
    int getNumberWidth() const { return m_numberWidth; }
    // An empty prefix is ignored.
    void setNamePrefix(CString prefix);
    CString getNamePrefix() const { return m_namePrefix; }
    // Next space name := prefix + running number, zero-padded to the number width (which
    // grows to the number's digits when they are more).
    void buildNextBlockName();
    // Next space name := the name's text before its trailing digits + the digits' number
    // plus the preferences' increment, zero-padded to the digits' count ("Room 099" gives
    // "Room 100", "Store" gives "Store1").
    void incrementBlockName(CString highest);
    const std::vector<CString>& getExistingNames() const { return m_existingNames; }

    CPreferences* getPreferences() { return &m_preferences; }
    void loadPreferences() { m_preferences.loadPreferences(); }

    // Whether the text names one of the area kinds ("GROSS AREA", "NET AREA", ...).
    static BOOL isAreaText(CString text);
    // The number the name ends with (0 for none).
    static std::int64_t parseNameNumber(CString name);

    // Next identifier := one above the highest "ROOM-" + number definition of the drawing.
    void calcNextBlockIdentifier();
    // Next space name := the increment of the highest-numbered room block's name ("Room 1"
    // without room blocks).
    void calcNextBlockName();
    // The name of the room block with the highest trailing number (the later one of equal
    // numbers); fills the existing names.
    CString getHighestExistingBlockName();
    // Asks for the text position and makes the room block of the closed polyline.
    void createBlock(CAcadDrawing* drawing, AcDbObjectId polylineId, CMeasureUnits units, double textSize, double scale,
                     double rotation, int precision);

    BOOL OnInitDialog() override;
    void OnCancel() override;
    // Enter does nothing: it must not hide the modeless dialog for good.
    void OnOK() override {}

protected:
    void DoDataExchange(CDataExchange* dx) override;
    void PostNcDestroy() override { delete this; }

    void OnCmdStart();
    void OnHelpAbout();
    void OnFileExit();
    void OnCmdSubArea();
    void OnBnClickedCmdAdd();
    void OnToolsOptions();
    LRESULT OnAcadKeepFocus(WPARAM, LPARAM) { return TRUE; }

    DECLARE_MESSAGE_MAP()

private:
    // Makes the dialog's drawing current for a handler that picks in it or writes to it
    // (CDrawingWatch::makeCurrent): false once it has been closed.
    bool makeDrawingCurrent() const { return m_watch.makeCurrent(); }
    // The document is about to be destroyed: the wrapper lets go of it and the dialog closes.
    void drawingClosed();
    void enableButtons(BOOL enable);
    void enableTextEdits(BOOL enable);
    // One pick of the session; false when the user cancelled it.
    bool pickAndMakeBlock();
    void makeBlock(AcDbObjectId polylineId);
    // The edit's number when its whole text is one; none while it is not (Start and each
    // block then report it).
    std::optional<double> typedNumber(int id) const;
    // Saves the text size, scale and rotation edits that hold a number other than the
    // preferences' into prefs.cfg as read now, so that settings saved meanwhile by another
    // dialog are kept; the embedded preferences take them too.
    void saveTextSettings();
    // Sub Area and Add Area: a space block's subtracted or added areas from a selection.
    void changeAreas(bool subtract);

    CString m_nextName;
    double m_textSize = 0.0;
    double m_scale = 0.0;
    double m_rotation = 0.0;
    CAcadDrawing* m_drawing = nullptr;
    CWnd* m_acadWindow = nullptr;
    int m_nextIdentifier = 0;
    int m_numberWidth = 1;
    CString m_namePrefix;
    int m_nextNumber = 1;
    std::vector<CString> m_existingNames;
    CPreferences m_preferences;
    CDrawingWatch m_watch;
};
