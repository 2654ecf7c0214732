// The block editor "Kavro Block Editor": a modeless window beside the drawing that lists
// the drawing's space blocks (rooms, or gross areas), opens the one picked from the list or
// from the drawing in the tabbed block dialog, and offers the preferences (followed by a
// units conversion of every space block) and the about box. The window deletes itself once
// closed. Select Space and Options work on the drawing current when the editor opened, made
// current first (CDrawingWatch::ready), as do the tabbed dialog's picks and writes.
#pragma once

#include "host/measureunits.h"
#include "mfc/combobox.h"
#include "mfc/dialog.h"
#include "mfc/listbox.h"
#include "mfc/statictext.h"
#include "module/drawingwatch.h"

#include <memory>

class CAcadDrawing;
class CBlockDWG;
class CBlocks;
class CPreferences;

class CPresSlabMend : public CDialog
{
public:
    explicit CPresSlabMend(CWnd* parent = nullptr);
    ~CPresSlabMend() override;

    using CDialog::Create;
    BOOL Create();

    void setAcadWindow(CWnd* window) { m_acadWindow = window; }
    CWnd* getAcadWindow() const { return m_acadWindow; }
    CAcadDrawing* getAcadDrawing() const { return m_drawing.get(); }
    void setCurrentBlock(CBlockDWG* block);
    CBlockDWG* getCurrentBlock() const { return m_currentBlock.get(); }
    int getBlockFilter() const;
    void setBlockFilter(int filter);
    // The editor owns the preferences it is given.
    void setPreferences(CPreferences* preferences);
    CPreferences* getPreferences() const { return m_preferences.get(); }
    void setUnitsAndPrecision(CMeasureUnits units, int precision);

    // Loads the drawing's space blocks afresh and lists those of the filter's kind, one line
    // per block: its NAME, 200 blanks and its handle.
    void refreshBlockList();
    // Opens the listed block of the handle in the tabbed dialog and hides the editor; an
    // invalid-handle error when the list has no such block.
    void showBlock(CString handle);
    void loadPreferences();
    // Writes the preferences the Options menu changed into prefs.cfg as it stands now, then
    // releases them.
    void savePreferences();
    // Converts every space block stored in other units than the preferences' and writes it
    // back, then regenerates the drawing.
    void applyUnitsToBlocks();

    BOOL OnInitDialog() override;
    // Enter on a listed room opens it, as a double-click does; elsewhere it does nothing (it
    // would only hide the window for good).
    void OnOK() override;
    void OnCancel() override;

protected:
    void DoDataExchange(CDataExchange* dx) override;
    void PostNcDestroy() override;

    void OnSelchangeBlockFilter();
    void OnDblclkBlockList();
    void OnCmdSelect();
    void OnCmdClose();
    void OnFileExit();
    void OnToolsOptions();
    void OnHelpAbout();

    DECLARE_MESSAGE_MAP()

private:
    // The picked block reference's handle text, or empty when the pick was cancelled.
    CString pickSpaceHandle();
    void restore();
    void releaseBlocks();
    // Makes the dialog's drawing current for a handler that picks in it or writes to it
    // (CDrawingWatch::makeCurrent): false once it has been closed.
    bool makeDrawingCurrent() const { return m_watch.makeCurrent(); }
    // The document is about to be destroyed: the wrapper lets go of it and the editor closes.
    void drawingClosed();

    CStatic m_count;
    CListBox m_list;
    CComboBox m_filter;
    CString m_drawingName;
    std::unique_ptr<CPreferences> m_preferences;
    std::unique_ptr<CAcadDrawing> m_drawing;
    std::unique_ptr<CBlockDWG> m_currentBlock;
    std::unique_ptr<CBlocks> m_blocks;
    CWnd* m_acadWindow = nullptr;
    bool m_optionsUsed = false;
    CDrawingWatch m_watch;
};
