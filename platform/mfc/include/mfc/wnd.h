// The framework's window: a C++ object attached to a Qt widget, with the message routing of
// the platform. Messages sent to a window go through its message map (the class's entries,
// then its base classes'), and what no entry takes gets the default handling.
//
// A class declares DECLARE_MESSAGE_MAP() and defines its map between BEGIN_MESSAGE_MAP and
// END_MESSAGE_MAP with the ON_* entries below; handlers are members of that class.
#pragma once

#include "mfc/cstring.h"
#include "mfc/winmsg.h"

#include <functional>
#include <string>
#include <vector>

class QWidget;
class CWnd;

namespace qv::mfc {
void clearWidget(CWnd* wnd);
// Destroys every top-level window still open, as the host does when it ends, and runs their
// PostNcDestroy, so that a modeless dialog deletes itself while its code is still loaded.
void destroyOpenWindows();
}

namespace qv {
// What a window's handler lets out never leaves the message it handled: the framework
// catches it where it dispatches the message, reports it and goes on (the message's result is
// 0). The application may report it itself: its report runs inside the catch, so that it can
// rethrow to tell what was caught (and then frees it), and is given the window's class and
// "::WindowProc" to name where it happened. It answers false to leave the report to the
// framework, which shows a message box with the failure's text. None (the default) restores
// the framework's own.
using HandlerFailureReport = std::function<bool(const std::string& signature)>;
void setHandlerFailureReport(HandlerFailureReport report);
}

struct AFX_MSGMAP_ENTRY
{
    UINT message;
    UINT code; // WM_COMMAND and WM_NOTIFY: the notification code
    UINT id;   // WM_COMMAND and WM_NOTIFY: the control or command id
    std::function<LRESULT(CWnd*, WPARAM, LPARAM)> handler;
};

struct AFX_MSGMAP
{
    const AFX_MSGMAP* base;
    std::vector<AFX_MSGMAP_ENTRY> entries;
};

class CWnd
{
public:
    CWnd() = default;
    virtual ~CWnd();
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;

    // The window of a widget: the object attached to it, or a plain window made for it and
    // kept until the widget goes. Null for null.
    static CWnd* FromHandle(HWND window);
    HWND GetSafeHwnd() const { return m_widget; }
    QWidget* widget() const { return m_widget; }
    // Attaches this object to the widget in place of any object attached before (as the
    // framework's subclassing of a dialog's control does).
    BOOL SubclassWindow(HWND window);
    HWND Detach();
    // The widget its child controls lie in (a dialog's client area, below its menu bar).
    virtual QWidget* clientArea() const { return m_widget; }

    int GetDlgCtrlID() const;
    CWnd* GetDlgItem(int id) const;
    CWnd* GetParent() const;
    // The top-level window this one lies in (itself for a top-level window).
    CWnd* GetTopLevelParent() const;

    void SetWindowText(LPCTSTR text);
    void GetWindowText(CString& text) const;
    int GetWindowTextLength() const;
    void SetDlgItemText(int id, LPCTSTR text);
    UINT GetDlgItemText(int id, CString& text) const;

    BOOL EnableWindow(BOOL enable = TRUE);
    BOOL IsWindowEnabled() const;
    // SW_HIDE, SW_SHOW, SW_SHOWNORMAL, SW_SHOWMINIMIZED, SW_RESTORE; TRUE when the window
    // was visible before. WM_SHOWWINDOW comes with every change of visibility made here.
    BOOL ShowWindow(int command);
    BOOL IsWindowVisible() const;
    BOOL IsIconic() const;
    CWnd* SetActiveWindow();
    // The active top-level window, or the host's main window when none of ours is.
    static CWnd* GetActiveWindow();
    CWnd* SetFocus();
    static CWnd* GetFocus();

    // Runs the message through WindowProc; a failure of its handler is reported and gives 0.
    LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
    // Queues the message; it is sent when the event loop next runs, if the window is still there.
    BOOL PostMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);

    void GetClientRect(LPRECT rect) const;
    void GetWindowRect(LPRECT rect) const;
    BOOL SetWindowPos(const CWnd* insertAfter, int x, int y, int cx, int cy, UINT flags);
    void MoveWindow(int x, int y, int width, int height, BOOL repaint = TRUE);
    // Destroys the widget (later, when it is the one whose event is being handled); then
    // PostNcDestroy runs from the event loop, a failure of it reported as a handler's is.
    virtual BOOL DestroyWindow();

    int MessageBox(LPCTSTR text, LPCTSTR caption = nullptr, UINT type = MB_OK);

    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    static const AFX_MSGMAP* GetThisMessageMap();
    virtual const AFX_MSGMAP* GetMessageMap() const;

    // Default handlers the ON_WM_* entries call when a class does not declare its own.
    void OnClose();
    void OnShowWindow(BOOL show, UINT status);
    void OnLButtonDown(UINT flags, CPoint point);
    void OnRButtonDown(UINT flags, CPoint point);

    UINT m_nID = 0;

protected:
    // The default handling of the message being handled.
    LRESULT Default();
    virtual LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    // Called once the window has been destroyed; a self-owned window deletes itself here.
    virtual void PostNcDestroy() {}
    void attach(QWidget* widget);

private:
    friend void qv::mfc::clearWidget(CWnd* wnd);
    bool dispatch(const AFX_MSGMAP* map, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);

    QWidget* m_widget = nullptr;
    struct Current
    {
        UINT message;
        WPARAM wParam;
        LPARAM lParam;
    } m_current{};
};

// The host's main window: no widget of ours; activating it leaves the dialogs inactive.
CWnd* AfxGetMainWnd();

#define DECLARE_MESSAGE_MAP()                       \
public:                                             \
    static const AFX_MSGMAP* GetThisMessageMap();   \
    const AFX_MSGMAP* GetMessageMap() const override;

#define BEGIN_MESSAGE_MAP(theClass, baseClass)                                             \
    const AFX_MSGMAP* theClass::GetMessageMap() const { return GetThisMessageMap(); }      \
    const AFX_MSGMAP* theClass::GetThisMessageMap()                                        \
    {                                                                                      \
        using ThisClass = theClass;                                                        \
        static const AFX_MSGMAP map{baseClass::GetThisMessageMap(), {

#define END_MESSAGE_MAP() \
    }};                   \
    return &map;          \
    }

#define QV_MAP_ENTRY(msg, code, id, ...)                                                          \
    AFX_MSGMAP_ENTRY{msg, static_cast<UINT>(code), static_cast<UINT>(id),                         \
                     [](CWnd* wnd, [[maybe_unused]] WPARAM wParam, [[maybe_unused]] LPARAM lParam) \
                         -> LRESULT {                                                             \
                         [[maybe_unused]] ThisClass* self = static_cast<ThisClass*>(wnd);         \
                         __VA_ARGS__;                                                             \
                     }},

#define QV_LPARAM_POINT CPoint(static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam)))

#define ON_COMMAND(id, memberFxn) QV_MAP_ENTRY(WM_COMMAND, 0, id, (self->*(memberFxn))(); return 0)
#define ON_CONTROL(code, id, memberFxn) QV_MAP_ENTRY(WM_COMMAND, code, id, (self->*(memberFxn))(); return 0)
#define ON_BN_CLICKED(id, memberFxn) ON_CONTROL(BN_CLICKED, id, memberFxn)
#define ON_EN_CHANGE(id, memberFxn) ON_CONTROL(EN_CHANGE, id, memberFxn)
#define ON_LBN_DBLCLK(id, memberFxn) ON_CONTROL(LBN_DBLCLK, id, memberFxn)
#define ON_LBN_SELCHANGE(id, memberFxn) ON_CONTROL(LBN_SELCHANGE, id, memberFxn)
#define ON_CBN_SELCHANGE(id, memberFxn) ON_CONTROL(CBN_SELCHANGE, id, memberFxn)
#define ON_NOTIFY(code, id, memberFxn) \
    QV_MAP_ENTRY(WM_NOTIFY, code, id, LRESULT r = 0; (self->*(memberFxn))(reinterpret_cast<NMHDR*>(lParam), &r); return r)
#define ON_MESSAGE(msg, memberFxn) QV_MAP_ENTRY(msg, 0, 0, return (self->*(memberFxn))(wParam, lParam))
#define ON_WM_CLOSE() QV_MAP_ENTRY(WM_CLOSE, 0, 0, self->OnClose(); return 0)
#define ON_WM_SHOWWINDOW() \
    QV_MAP_ENTRY(WM_SHOWWINDOW, 0, 0, self->OnShowWindow(static_cast<BOOL>(wParam), static_cast<UINT>(lParam)); return 0)
#define ON_WM_LBUTTONDOWN() \
    QV_MAP_ENTRY(WM_LBUTTONDOWN, 0, 0, self->OnLButtonDown(static_cast<UINT>(wParam), QV_LPARAM_POINT); return 0)
#define ON_WM_RBUTTONDOWN() \
    QV_MAP_ENTRY(WM_RBUTTONDOWN, 0, 0, self->OnRButtonDown(static_cast<UINT>(wParam), QV_LPARAM_POINT); return 0)
