// The tabbed block dialog "RoomBlock": edits a copy of one space block on two pages,
// "Space Data" and "Format". Apply and OK take the pages' values into the copy and write it
// to the drawing; OK, Cancel, Esc and the close box bring the block editor back, and the
// dialog then deletes itself.
#pragma once

#include "mfc/dialog.h"
#include "module/drawingwatch.h"
#include "module/mytabctrl.h"

#include <memory>

class CAcadDrawing;
class CBlockDWG;
class CPresSlabMend;

class CPresBlock : public CDialog
{
public:
    explicit CPresBlock(CWnd* parent = nullptr);
    ~CPresBlock() override;

    using CDialog::Create;
    BOOL Create();

    // The dialog edits its own copy of the block.
    void setBlock(CBlockDWG* block);
    // Copies the edited block into target and releases the copy.
    void returnBlock(CBlockDWG* target);
    CBlockDWG* getBlock() const { return m_block.get(); }
    // The dialog closes when the drawing's document does.
    void setAcadDrawing(CAcadDrawing* drawing);
    // Makes the drawing current for a handler of the dialog or its pages that picks in it or
    // writes to it (CDrawingWatch::makeCurrent): false once it has been closed.
    bool makeDrawingCurrent() const;
    void setAcadWindow(CWnd* window) { m_acadWindow = window; }
    CWnd* getAcadWindow() const { return m_acadWindow; }
    void setOwner(CPresSlabMend* owner) { m_owner = owner; }
    CPresSlabMend* getOwner() const { return m_owner; }
    CMyTabCtrl& tabs() { return m_tabs; }

    // Fills both pages from the block copy.
    void initialiseTabs();
    // Takes both pages into the copy, writes it to the drawing, regenerates and rebuilds the
    // editor's list; false, changing nothing, when a page's value fails its checks.
    bool applyChanges();
    // Rebuilds the editor's list, switches the area highlights off, shows the editor again
    // and deletes the dialog; once the drawing has been closed, only deletes it.
    void closeDialog();

    BOOL OnInitDialog() override;
    void OnCancel() override;

protected:
    void DoDataExchange(CDataExchange* dx) override;
    void PostNcDestroy() override;

    void OnCmdReset();
    void OnCmdApply();
    void OnCmdCancel();
    void OnBnClickedOk();
    void OnSelchangeTabs(NMHDR* header, LRESULT* result);

    DECLARE_MESSAGE_MAP()

private:
    // The document is about to be destroyed, and the editor whose wrapper the dialog uses
    // closes with it: the dialog forgets both and closes.
    void drawingClosed();

    CMyTabCtrl m_tabs;
    std::unique_ptr<CBlockDWG> m_block;
    CAcadDrawing* m_drawing = nullptr;
    CWnd* m_acadWindow = nullptr;
    CPresSlabMend* m_owner = nullptr;
    CDrawingWatch m_watch;
};
