// The hyperlink dialog "Kavro Block Hyperlinking": the user picks a block reference, sees
// its name, handle and up to five of its hyperlinks (an address with a description each),
// edits the five rows and applies them to the picked reference alone or to every reference
// of its block definition. A row's description follows its address while the user has not
// written one of his own.
//
// Apply writes and re-reads the block and keeps the dialog open; OK applies, then ends the
// dialog as Cancel, Esc and the close box do: the picked block and the drawing wrapper are
// released, an ESC goes to the command line and the dialog deletes itself. Select Block,
// Apply and OK work on the drawing current when the dialog opened, made current first
// (CDrawingWatch::ready).
#pragma once

#include "arx/dbid.h"
#include "mfc/dialog.h"
#include "module/drawingwatch.h"

#include <array>
#include <memory>

class CAcadDrawing;
class CBlockDWG;
class CHyperlinks;

class CHyperPres : public CDialog
{
public:
    static constexpr int rowCount = 5;

    explicit CHyperPres(CWnd* parent = nullptr);
    ~CHyperPres() override;

    using CDialog::Create;
    BOOL Create();

    void setAcadWindow(CWnd* window) { m_acadWindow = window; }
    CWnd* getAcadWindow() const { return m_acadWindow; }
    // Takes over the wrapper of the current document, releasing the one held before; the
    // dialog closes when that document does.
    void setAcadDrawing(CAcadDrawing* drawing);
    CAcadDrawing* getAcadDrawing() const { return m_drawing; }
    CBlockDWG* getCurrentBlock() const { return m_block.get(); }

    // Reads the block reference into the current block, then fills the dialog from it.
    void setCurrentAcadBlock(AcDbObjectId id);
    void initialiseData();
    // Whether the object is a block reference (FALSE when it cannot be opened).
    static BOOL isBlockReference(AcDbObjectId id);
    // The row's description takes its new address unless the user wrote his own.
    void syncDescription(int row);
    // Writes the rows as the hyperlinks of the block, or of all blocks of its definition.
    void applyChanges();
    void hyperlinkBlock(const CHyperlinks& hyperlinks);
    void hyperlinkAllBlocks(const CHyperlinks& hyperlinks);
    // Releases the current block and the drawing wrapper and sends an ESC to the command line.
    void releaseAcadBlock();

    void OnOK() override;
    void OnCancel() override;

protected:
    void DoDataExchange(CDataExchange* dx) override;
    void PostNcDestroy() override { delete this; }

    void OnCmdApply();
    void OnShowWindow(BOOL show, UINT status);
    void OnCmdSelect();
    void OnCmdCancel();
    LRESULT OnAcadKeepFocus(WPARAM, LPARAM) { return TRUE; }
    void OnEnChangeHyperlink1() { syncDescription(0); }
    void OnEnChangeHyperlink2() { syncDescription(1); }
    void OnEnChangeHyperlink3() { syncDescription(2); }
    void OnEnChangeHyperlink4() { syncDescription(3); }
    void OnEnChangeHyperlink5() { syncDescription(4); }
    void OnBnClickedOk();

    DECLARE_MESSAGE_MAP()

private:
    // Makes the dialog's drawing current for a handler that picks in it or writes to it
    // (CDrawingWatch::makeCurrent): false once it has been closed.
    bool makeDrawingCurrent() const { return m_watch.makeCurrent(); }
    // The document is about to be destroyed: the wrapper lets go of it and the dialog closes.
    void drawingClosed();
    void enableApply(BOOL enable);
    // Gives the block its own copy of the list and writes it back; errors are shown.
    void writeHyperlinks(CBlockDWG* block, const CHyperlinks& hyperlinks);

    std::array<CString, rowCount> m_descriptions;
    std::array<CString, rowCount> m_hyperlinks;
    int m_applyToAll = 0;
    CString m_blockName;
    CString m_handle;
    CAcadDrawing* m_drawing = nullptr;
    std::unique_ptr<CBlockDWG> m_block;
    CWnd* m_acadWindow = nullptr;
    bool m_shownOnce = false;
    CDrawingWatch m_watch;
};
