// The "Format" page of the tabbed block dialog: the text height, width factor and rotation
// (0 to 359 degrees) shared by the block's NAME, AREA and AUX attributes, and the move of
// the attributes to a point picked in the drawing.
#pragma once

#include "mfc/dialog.h"

class CAcadDrawing;
class CBlockDWG;
class CPresBlock;

class CTabFormat : public CDialog
{
public:
    explicit CTabFormat(CWnd* parent = nullptr);

    void initialiseData(CBlockDWG* block, CPresBlock* dialog, CWnd* acadWindow, CAcadDrawing* drawing);
    // Takes the controls' values into the block's attributes; false, changing nothing, when
    // a value failed its checks.
    bool applyChanges();

    void setAcadWindow(CWnd* window) { m_acadWindow = window; }
    CWnd* getAcadWindow() const { return m_acadWindow; }
    void setPresBlock(CPresBlock* dialog) { m_dialog = dialog; }
    CPresBlock* getPresBlock() const { return m_dialog; }
    void setAcadDrawing(CAcadDrawing* drawing) { m_drawing = drawing; }

protected:
    void DoDataExchange(CDataExchange* dx) override;
    void OnCmdMoveAttributes();

    DECLARE_MESSAGE_MAP()

private:
    // Makes the dialog's drawing current for a handler that picks in it or writes to it; true
    // for a page of no dialog.
    bool makeDrawingCurrent() const;
    // Lays the block's attributes out at the picked point (UCS); nothing on a cancel.
    void moveAttributes();

    double m_textHeight = 0.0;
    double m_rotation = 0.0;
    double m_widthFactor = 0.0;
    CBlockDWG* m_block = nullptr;
    CAcadDrawing* m_drawing = nullptr;
    CWnd* m_acadWindow = nullptr;
    CPresBlock* m_dialog = nullptr;
};
