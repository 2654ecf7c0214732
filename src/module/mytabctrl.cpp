#include "module/mytabctrl.h"

#include "module/resource.h"
#include "module/tabdata.h"
#include "module/tabformat.h"

CMyTabCtrl::CMyTabCtrl() : m_pages{new CTabData(nullptr), new CTabFormat(nullptr)} {}

CMyTabCtrl::~CMyTabCtrl()
{
    for (CDialog* page : m_pages)
        delete page;
}

BEGIN_MESSAGE_MAP(CMyTabCtrl, CTabCtrl)
ON_WM_LBUTTONDOWN()
END_MESSAGE_MAP()

CTabData* CMyTabCtrl::dataPage() const { return static_cast<CTabData*>(m_pages[0]); }

CTabFormat* CMyTabCtrl::formatPage() const { return static_cast<CTabFormat*>(m_pages[1]); }

void CMyTabCtrl::initialisePages()
{
    m_currentPage = 0;
    m_pages[0]->Create(IDD_TAB_DATA, this);
    m_pages[1]->Create(IDD_TAB_FORMAT, this);
    m_pages[0]->ShowWindow(SW_SHOW);
    m_pages[1]->ShowWindow(SW_HIDE);
    layoutPages();
}

void CMyTabCtrl::place(int index, bool visible)
{
    RECT client{}, item{};
    GetClientRect(&client);
    GetItemRect(0, &item);
    const int x = item.left;
    const int y = item.bottom + 1;
    m_pages[index]->SetWindowPos(nullptr, x, y, client.right - x - 1, client.bottom - y - 1,
                                 visible ? SWP_SHOWWINDOW : SWP_HIDEWINDOW);
}

void CMyTabCtrl::layoutPages()
{
    for (int i = 0; i < m_pageCount; ++i)
        place(i, i == m_currentPage);
}

void CMyTabCtrl::showPage(int index)
{
    if (index < 0 || index >= m_pageCount)
        return;
    if (GetCurSel() != index)
        SetCurSel(index);
    if (index == m_currentPage)
        return;
    m_pages[m_currentPage]->ShowWindow(SW_HIDE);
    m_currentPage = index;
    m_pages[index]->ShowWindow(SW_SHOW);
    m_pages[index]->SetFocus();
}

bool CMyTabCtrl::validatePages()
{
    const int shown = m_currentPage;
    for (int i = 0; i < m_pageCount; ++i) {
        // A page must be shown for a failure to put the focus on its field.
        showPage(i);
        if (!m_pages[i]->UpdateData(TRUE))
            return false;
    }
    showPage(shown);
    return true;
}

void CMyTabCtrl::OnLButtonDown(UINT flags, CPoint point)
{
    CTabCtrl::OnLButtonDown(flags, point);
    showPage(GetCurFocus());
}
