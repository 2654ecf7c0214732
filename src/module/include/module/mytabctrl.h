// The tab control of the tabbed block dialog with its two pages, "Space Data" and "Format",
// placed below the tabs; the page of the selected tab is the one shown.
#pragma once

#include "mfc/tabctrl.h"

class CDialog;
class CTabData;
class CTabFormat;

class CMyTabCtrl : public CTabCtrl
{
public:
    CMyTabCtrl();
    ~CMyTabCtrl() override;

    // Creates the pages as children of the control, shows page 0 and lays them out.
    void initialisePages();
    // Places every page below the tabs and shows only the current one.
    void layoutPages();
    // Selects the tab and shows its page, with the input focus; nothing for the current one.
    void showPage(int index);
    // Takes every page's values from its controls, page after page; false at the first
    // that fails its checks, which is then shown with the focus on the failing field.
    bool validatePages();

    CTabData* dataPage() const;
    CTabFormat* formatPage() const;
    int getCurrentPage() const { return m_currentPage; }

protected:
    void OnLButtonDown(UINT flags, CPoint point);

    DECLARE_MESSAGE_MAP()

private:
    void place(int index, bool visible);

    CDialog* m_pages[2];
    int m_currentPage = 0;
    int m_pageCount = 2;
};
