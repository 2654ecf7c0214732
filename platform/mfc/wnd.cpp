#include "mfc/wnd.h"

#include "mfc/afxmessagebox.h"
#include "mfc/exceptions.h"
#include "wndinternal.h"

#include <QApplication>
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <cstdio>
#include <cstdlib>
#include <cxxabi.h>
#include <exception>
#include <memory>
#include <typeinfo>
#include <unordered_map>
#include <unordered_set>

namespace {

// The objects attached to widgets, and the plain windows made for widgets nobody attached.
std::unordered_map<QWidget*, CWnd*>& attached()
{
    static std::unordered_map<QWidget*, CWnd*> map;
    return map;
}

std::unordered_map<QWidget*, std::unique_ptr<CWnd>>& plainWindows()
{
    static std::unordered_map<QWidget*, std::unique_ptr<CWnd>> map;
    return map;
}

// Every CWnd that exists, so that queued work never reaches one that has gone.
std::unordered_set<const CWnd*>& living()
{
    static std::unordered_set<const CWnd*> set;
    return set;
}

std::unordered_set<QWidget*>& watched()
{
    static std::unordered_set<QWidget*> set;
    return set;
}

// Drops the records of a widget that is being destroyed.
void forget(QWidget* widget)
{
    watched().erase(widget);
    if (auto it = attached().find(widget); it != attached().end()) {
        qv::mfc::clearWidget(it->second);
        attached().erase(it);
    }
    plainWindows().erase(widget);
}

void watch(QWidget* widget)
{
    if (watched().insert(widget).second)
        QObject::connect(widget, &QObject::destroyed, qApp, [widget] { forget(widget); });
}

// Mouse presses on an attached widget become WM_LBUTTONDOWN and WM_RBUTTONDOWN sent to its
// window; their default handling gives the press to the widget.
class MouseRouter : public QObject
{
public:
    bool eventFilter(QObject* object, QEvent* event) override
    {
        if (event->type() != QEvent::MouseButtonPress || m_forwarding)
            return false;
        auto* press = static_cast<QMouseEvent*>(event);
        const bool left = press->button() == Qt::LeftButton;
        if (!left && press->button() != Qt::RightButton)
            return false;
        CWnd* wnd = attached().count(static_cast<QWidget*>(object)) ? attached()[static_cast<QWidget*>(object)] : nullptr;
        if (!wnd)
            return false;
        const QPoint at = press->position().toPoint();
        const LPARAM where = static_cast<LPARAM>(MAKEWPARAM(static_cast<UINT>(at.x()) & 0xFFFF, static_cast<UINT>(at.y()) & 0xFFFF));
        m_pending = press;
        m_target = static_cast<QWidget*>(object);
        wnd->SendMessage(left ? WM_LBUTTONDOWN : WM_RBUTTONDOWN, left ? MK_LBUTTON : MK_RBUTTON, where);
        m_pending = nullptr;
        return true;
    }

    // The default handling of the press being routed: the widget's own.
    void deliverPending()
    {
        if (!m_pending || !m_target)
            return;
        m_forwarding = true;
        QCoreApplication::sendEvent(m_target, m_pending);
        m_forwarding = false;
        m_pending = nullptr;
    }

private:
    QMouseEvent* m_pending = nullptr;
    QPointer<QWidget> m_target;
    bool m_forwarding = false;
};

MouseRouter& mouseRouter()
{
    static MouseRouter* router = new MouseRouter; // lives as long as the process
    return *router;
}

// Whether the host's main window was activated after the last of our windows.
bool hostActive = false;

// The user's input to one of our windows makes it the active one again.
class UserActivity : public QObject
{
public:
    bool eventFilter(QObject* object, QEvent* event) override
    {
        const QEvent::Type type = event->type();
        if (hostActive && (type == QEvent::MouseButtonPress || type == QEvent::KeyPress || type == QEvent::WindowActivate) &&
            object->isWidgetType() && attached().count(static_cast<QWidget*>(object)->window()))
            hostActive = false;
        return false;
    }
};

qv::HandlerFailureReport& handlerFailureReport()
{
    static qv::HandlerFailureReport report;
    return report;
}

// Where a handler failed: the window's class (a window that is gone is named CWnd) and WindowProc.
std::string handlerSignature(const CWnd* wnd)
{
    int status = -1;
    const std::unique_ptr<char, decltype(&std::free)> name(
        wnd && qv::mfc::isLiving(wnd) ? abi::__cxa_demangle(typeid(*wnd).name(), nullptr, nullptr, &status) : nullptr,
        &std::free);
    return std::string(status == 0 && name ? name.get() : "CWnd") + "::WindowProc";
}

// Reports what the handler of a window let out; called inside the catch.
void reportHandlerFailure(const CWnd* wnd)
{
    const std::string signature = handlerSignature(wnd);
    try {
        if (handlerFailureReport() && handlerFailureReport()(signature))
            return;
        throw;
    } catch (CException* e) {
        char text[1024] = {};
        if (!e->GetErrorMessage(text, sizeof text) || !*text)
            std::snprintf(text, sizeof text, "%s failed.", signature.c_str());
        e->Delete();
        AfxMessageBox(text, MB_ICONSTOP);
    } catch (const std::exception& e) {
        AfxMessageBox((signature + " failed: " + e.what()).c_str(), MB_ICONSTOP);
    } catch (...) {
        AfxMessageBox((signature + " failed.").c_str(), MB_ICONSTOP);
    }
}

void watchUserActivity()
{
    static UserActivity* activity = [] {
        auto* filter = new UserActivity; // lives as long as the process
        qApp->installEventFilter(filter);
        return filter;
    }();
    (void)activity;
}

} // namespace

namespace qv::mfc {

void clearWidget(CWnd* wnd) { wnd->m_widget = nullptr; }

void setControlId(QWidget* widget, int id) { widget->setProperty("qvCtrlId", id); }

int controlId(const QWidget* widget)
{
    const QVariant id = widget ? widget->property("qvCtrlId") : QVariant();
    return id.isValid() ? id.toInt() : 0;
}

bool isLiving(const CWnd* wnd) { return living().count(wnd) != 0; }

void destroyOpenWindows()
{
    if (!QCoreApplication::instance())
        return; // no display: no window was made
    std::vector<CWnd*> open;
    for (const auto& [widget, wnd] : attached())
        if (widget->isWindow())
            open.push_back(wnd);
    for (CWnd* wnd : open)
        if (isLiving(wnd))
            wnd->DestroyWindow();
    // The queued PostNcDestroy calls, then the widgets' deferred deletes.
    QCoreApplication::sendPostedEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void setHostActive(bool active) { hostActive = active; }

} // namespace qv::mfc

namespace qv {
void setHandlerFailureReport(HandlerFailureReport report) { handlerFailureReport() = std::move(report); }
} // namespace qv

CWnd::~CWnd()
{
    living().erase(this);
    if (m_widget) {
        attached().erase(m_widget);
        m_widget->removeEventFilter(&mouseRouter());
    }
}

void CWnd::attach(QWidget* widget)
{
    living().insert(this);
    if (m_widget == widget)
        return;
    if (m_widget)
        Detach();
    m_widget = widget;
    if (!widget)
        return;
    plainWindows().erase(widget);
    if (auto it = attached().find(widget); it != attached().end() && it->second != this)
        it->second->m_widget = nullptr;
    attached()[widget] = this;
    widget->installEventFilter(&mouseRouter());
    watchUserActivity();
    watch(widget);
}

CWnd* CWnd::FromHandle(HWND window)
{
    auto* widget = static_cast<QWidget*>(window);
    if (!widget)
        return nullptr;
    if (auto it = attached().find(widget); it != attached().end())
        return it->second;
    auto& plain = plainWindows()[widget];
    if (!plain) {
        plain = std::make_unique<CWnd>();
        plain->m_widget = widget;
        plain->m_nID = static_cast<UINT>(qv::mfc::controlId(widget));
        living().insert(plain.get());
        watch(widget);
    }
    return plain.get();
}

BOOL CWnd::SubclassWindow(HWND window)
{
    if (!window)
        return FALSE;
    m_nID = static_cast<UINT>(qv::mfc::controlId(static_cast<QWidget*>(window)));
    attach(static_cast<QWidget*>(window));
    return TRUE;
}

HWND CWnd::Detach()
{
    QWidget* widget = m_widget;
    if (widget) {
        attached().erase(widget);
        widget->removeEventFilter(&mouseRouter());
    }
    m_widget = nullptr;
    return widget;
}

int CWnd::GetDlgCtrlID() const { return qv::mfc::controlId(m_widget); }

CWnd* CWnd::GetDlgItem(int id) const
{
    QWidget* client = clientArea();
    if (!client)
        return nullptr;
    for (QObject* child : client->children()) {
        auto* widget = qobject_cast<QWidget*>(child);
        if (widget && qv::mfc::controlId(widget) == id)
            return FromHandle(widget);
    }
    return nullptr;
}

CWnd* CWnd::GetParent() const
{
    if (!m_widget || m_widget->isWindow())
        return nullptr;
    // Controls lie in their dialog's client area: the dialog is their parent.
    for (QWidget* up = m_widget->parentWidget(); up; up = up->parentWidget())
        if (attached().count(up) || up->isWindow())
            return FromHandle(up);
    return nullptr;
}

CWnd* CWnd::GetTopLevelParent() const { return m_widget ? FromHandle(m_widget->window()) : nullptr; }

void CWnd::SetWindowText(LPCTSTR text)
{
    if (!m_widget)
        return;
    qv::mfc::setWidgetText(m_widget, QString::fromUtf8(text ? text : ""));
}

void CWnd::GetWindowText(CString& text) const
{
    text = m_widget ? CString(qv::mfc::widgetText(m_widget).toStdString()) : CString();
}

int CWnd::GetWindowTextLength() const
{
    CString text;
    GetWindowText(text);
    return text.GetLength();
}

void CWnd::SetDlgItemText(int id, LPCTSTR text)
{
    if (CWnd* item = GetDlgItem(id))
        item->SetWindowText(text);
}

UINT CWnd::GetDlgItemText(int id, CString& text) const
{
    text.Empty();
    if (CWnd* item = GetDlgItem(id))
        item->GetWindowText(text);
    return static_cast<UINT>(text.GetLength());
}

BOOL CWnd::EnableWindow(BOOL enable)
{
    if (!m_widget)
        return FALSE;
    const BOOL wasDisabled = !m_widget->isEnabled();
    m_widget->setEnabled(enable != FALSE);
    return wasDisabled;
}

BOOL CWnd::IsWindowEnabled() const { return m_widget && m_widget->isEnabled(); }

BOOL CWnd::ShowWindow(int command)
{
    if (!m_widget)
        return FALSE;
    const bool wasVisible = !m_widget->isHidden();
    const bool show = command != SW_HIDE;
    if (show != wasVisible)
        SendMessage(WM_SHOWWINDOW, show ? TRUE : FALSE, 0);
    if (!m_widget)
        return wasVisible;
    switch (command) {
    case SW_HIDE: m_widget->hide(); break;
    case SW_SHOWMINIMIZED: m_widget->showMinimized(); break;
    case SW_SHOWNORMAL:
    case SW_RESTORE:
        m_widget->showNormal();
        if (m_widget->isWindow())
            SetActiveWindow();
        break;
    default:
        if (m_widget->isWindow() && m_widget->isMinimized())
            m_widget->showMinimized();
        else
            m_widget->show();
        break;
    }
    return wasVisible;
}

BOOL CWnd::IsWindowVisible() const { return m_widget && m_widget->isVisible(); }

BOOL CWnd::IsIconic() const { return m_widget && m_widget->isWindow() && m_widget->isMinimized(); }

CWnd* CWnd::SetActiveWindow()
{
    CWnd* previous = GetActiveWindow();
    if (!m_widget) {
        hostActive = true; // the host's main window
        return previous;
    }
    hostActive = false;
    QWidget* window = m_widget->window();
    window->activateWindow();
    return previous;
}

CWnd* CWnd::GetActiveWindow()
{
    QWidget* active = hostActive ? nullptr : QApplication::activeWindow();
    return active ? FromHandle(active) : AfxGetMainWnd();
}

CWnd* CWnd::SetFocus()
{
    CWnd* previous = GetFocus();
    if (m_widget)
        m_widget->setFocus(Qt::OtherFocusReason);
    return previous;
}

CWnd* CWnd::GetFocus() { return FromHandle(QApplication::focusWidget()); }

LRESULT CWnd::SendMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    try {
        return WindowProc(message, wParam, lParam);
    } catch (...) {
        reportHandlerFailure(this);
        return 0;
    }
}

BOOL CWnd::PostMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (!m_widget)
        return FALSE;
    QPointer<QWidget> target = m_widget;
    QTimer::singleShot(0, m_widget, [target, message, wParam, lParam] {
        if (target)
            FromHandle(target.data())->SendMessage(message, wParam, lParam);
    });
    return TRUE;
}

void CWnd::GetClientRect(LPRECT rect) const
{
    const QWidget* client = clientArea();
    *rect = client ? RECT{0, 0, client->width(), client->height()} : RECT{};
}

void CWnd::GetWindowRect(LPRECT rect) const
{
    if (!m_widget) {
        *rect = RECT{};
        return;
    }
    const QPoint origin = m_widget->mapToGlobal(QPoint(0, 0));
    *rect = RECT{origin.x(), origin.y(), origin.x() + m_widget->width(), origin.y() + m_widget->height()};
}

BOOL CWnd::SetWindowPos(const CWnd* insertAfter, int x, int y, int cx, int cy, UINT flags)
{
    if (!m_widget)
        return FALSE;
    if (!(flags & SWP_NOMOVE))
        m_widget->move(x, y);
    if (!(flags & SWP_NOSIZE))
        m_widget->resize(cx, cy);
    if (!(flags & SWP_NOZORDER) && insertAfter == nullptr)
        m_widget->raise();
    if (flags & SWP_SHOWWINDOW)
        ShowWindow(SW_SHOW);
    if (flags & SWP_HIDEWINDOW)
        ShowWindow(SW_HIDE);
    return TRUE;
}

void CWnd::MoveWindow(int x, int y, int width, int height, BOOL)
{
    SetWindowPos(nullptr, x, y, width, height, SWP_NOZORDER);
}

BOOL CWnd::DestroyWindow()
{
    auto* widget = static_cast<QWidget*>(Detach());
    if (!widget)
        return FALSE;
    widget->hide();
    widget->deleteLater();
    QTimer::singleShot(0, qApp, [this] {
        if (!qv::mfc::isLiving(this))
            return;
        try {
            PostNcDestroy();
        } catch (...) {
            reportHandlerFailure(this);
        }
    });
    return TRUE;
}

int CWnd::MessageBox(LPCTSTR text, LPCTSTR caption, UINT type)
{
    return ::MessageBox(m_widget, text, caption ? caption : AfxGetAppName(), type);
}

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    const Current saved = m_current;
    m_current = {message, wParam, lParam};
    LRESULT result = 0;
    if (!dispatch(GetMessageMap(), message, wParam, lParam, result))
        result = DefWindowProc(message, wParam, lParam);
    if (qv::mfc::isLiving(this))
        m_current = saved;
    return result;
}

bool CWnd::dispatch(const AFX_MSGMAP* map, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    const bool command = message == WM_COMMAND;
    const bool notify = message == WM_NOTIFY;
    const UINT id = command ? LOWORD(wParam) : notify && lParam ? reinterpret_cast<NMHDR*>(lParam)->idFrom : 0;
    const UINT code = command ? HIWORD(wParam) : notify && lParam ? reinterpret_cast<NMHDR*>(lParam)->code : 0;
    for (; map; map = map->base) {
        for (const AFX_MSGMAP_ENTRY& entry : map->entries) {
            if (entry.message != message)
                continue;
            if ((command || notify) && ((entry.id != id) || (static_cast<WORD>(entry.code) != static_cast<WORD>(code))))
                continue;
            result = entry.handler(this, wParam, lParam);
            return true;
        }
    }
    return false;
}

const AFX_MSGMAP* CWnd::GetThisMessageMap()
{
    static const AFX_MSGMAP map{nullptr, {}};
    return &map;
}

const AFX_MSGMAP* CWnd::GetMessageMap() const { return GetThisMessageMap(); }

void CWnd::OnClose() { Default(); }
void CWnd::OnShowWindow(BOOL, UINT) { Default(); }
void CWnd::OnLButtonDown(UINT, CPoint) { Default(); }
void CWnd::OnRButtonDown(UINT, CPoint) { Default(); }

LRESULT CWnd::Default() { return DefWindowProc(m_current.message, m_current.wParam, m_current.lParam); }

LRESULT CWnd::DefWindowProc(UINT message, WPARAM, LPARAM)
{
    if (message == WM_LBUTTONDOWN || message == WM_RBUTTONDOWN)
        mouseRouter().deliverPending();
    return 0;
}

CWnd* AfxGetMainWnd()
{
    static CWnd mainWindow;
    return &mainWindow;
}
