// The "Space Data" page of the tabbed block dialog: the NAME, AREA and AUX texts of the
// block copy, its area, perimeter, units, handle and number of assets, the recalculation of
// area and perimeter, and the areas added to and subtracted from its outline (picked in the
// drawing, emptied, highlighted). Recalculations and area lists change the copy at once;
// the texts reach it through applyChanges.
#pragma once

#include "mfc/dialog.h"

class CAcadDrawing;
class CBlockDWG;
class CPresBlock;

class CTabData : public CDialog
{
public:
    explicit CTabData(CWnd* parent = nullptr);

    void initialiseData(CBlockDWG* block, CPresBlock* dialog, CWnd* acadWindow, CAcadDrawing* drawing);
    // Takes the controls' values into the block copy; false, changing nothing, when the
    // exchange failed.
    bool applyChanges();

    void setAcadDrawing(CAcadDrawing* drawing) { m_drawing = drawing; }
    CAcadDrawing* getAcadDrawing() const { return m_drawing; }
    void setPresBlock(CPresBlock* dialog) { m_dialog = dialog; }
    CPresBlock* getPresBlock() const { return m_dialog; }
    void setAcadWindow(CWnd* window) { m_acadWindow = window; }
    CWnd* getAcadWindow() const { return m_acadWindow; }
    int getSubtractedHighlight() const { return m_subtractedHighlight; }
    int getAddedHighlight() const { return m_addedHighlight; }

protected:
    void DoDataExchange(CDataExchange* dx) override;

    void OnCmdAreaRecalc();
    void OnCmdPerimeterRecalc();
    void OnCmdSubArea();
    void OnBnClickedCmdAddArea();
    void OnCmdHighlight();
    void OnBnClickedCmdAddHighlight();
    void OnBnClickedCmdDeleteSubAreas();
    void OnBnClickedCmdDeleteAddAreas();
    void OnBnClickedCmdAreacopy();
    void OnBnClickedCmdPerimetercopy();

    DECLARE_MESSAGE_MAP()

private:
    // Makes the dialog's drawing current for a handler that picks in it or writes to it; true
    // for a page of no dialog.
    bool makeDrawingCurrent() const;
    // Lets the user pick the areas to add or subtract with the dialog minimised; a
    // cancelled pick changes nothing, any other replaces the list and recalculates.
    void pickAreas(bool subtracted);
    void emptyAreas(bool subtracted);
    void toggleHighlight(bool subtracted);
    // Area and perimeter from the drawing into the copy and the page.
    // Says which unit the drawing is measured in (unless the millimetre).
    void announceUnit() const;
    void recalculate();
    void refresh() { UpdateData(FALSE); }
    CString number(double value) const;
    void setAttribute(int kind, const CString& value);

    CString m_nameText;
    CString m_areaText;
    CString m_auxText;
    // Area and perimeter as shown, with the block's precision, and as read.
    CString m_area;
    CString m_perimeter;
    double m_areaValue = 0.0;
    double m_perimeterValue = 0.0;
    CString m_height;
    CString m_volume;
    CString m_areaUnit;
    CString m_lengthUnit;
    CString m_handle;
    int m_assetCount = 0;
    int m_subtractedHighlight = 0;
    int m_addedHighlight = 0;
    CBlockDWG* m_block = nullptr;
    CAcadDrawing* m_drawing = nullptr;
    CWnd* m_acadWindow = nullptr;
    CPresBlock* m_dialog = nullptr;
};
