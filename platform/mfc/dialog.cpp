#include "mfc/dialog.h"

#include "mfc/dataexchange.h"
#include "posix/endingwatch.h"
#include "posix/terminalquiet.h"
#include "win/headless.h"
#include "win/pump.h"
#include "wndinternal.h"

#include <QAction>
#include <QCloseEvent>
#include <QDialog>
#include <QEventLoop>
#include <QKeyEvent>
#include <QMenuBar>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace {

qv::ModalDriver modalDriver;

// Dialogs that wait for a pick, and how many picks each waits for.
std::unordered_map<const CWnd*, int>& picking()
{
    static std::unordered_map<const CWnd*, int> map;
    return map;
}

// Dialogs to close once they no longer wait for a pick.
std::unordered_set<CDialog*>& closeRequests()
{
    static std::unordered_set<CDialog*> set;
    return set;
}

CDialog* dialogOf(QWidget* widget)
{
    return widget ? dynamic_cast<CDialog*>(CWnd::FromHandle(widget)) : nullptr;
}

// The top-level window of a dialog: closing it from the caption is a WM_CLOSE to the dialog,
// never Qt's own close or reject.
class DialogWidget : public QDialog
{
public:
    DialogWidget() : QDialog(nullptr) {}
    bool m_closing = false; // the framework itself is closing it

protected:
    void closeEvent(QCloseEvent* event) override
    {
        if (m_closing) {
            event->accept();
            return;
        }
        event->ignore();
        if (CDialog* dialog = dialogOf(this))
            dialog->SendMessage(WM_CLOSE);
    }
    void reject() override
    {
        if (CDialog* dialog = dialogOf(this))
            dialog->SendMessage(WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    }
};

// Enter and Esc in a dialog, sent as commands to its top-level dialog.
class DialogKeys : public QObject
{
public:
    bool eventFilter(QObject* object, QEvent* event) override
    {
        if (event->type() != QEvent::KeyPress)
            return false;
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key != Qt::Key_Return && key != Qt::Key_Enter && key != Qt::Key_Escape)
            return false;
        auto* widget = static_cast<QWidget*>(object);
        CDialog* top = dialogOf(widget->window());
        if (!top)
            return false;
        if (key == Qt::Key_Escape) {
            top->SendMessage(WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
            return true;
        }
        if (auto* button = qobject_cast<QPushButton*>(widget)) {
            if (button->isEnabled())
                button->click();
            return true;
        }
        const UINT id = top->GetDefID();
        CWnd* defaultButton = top->GetDlgItem(static_cast<int>(id));
        if (defaultButton && !defaultButton->IsWindowEnabled())
            return true;
        top->SendMessage(WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                         reinterpret_cast<LPARAM>(defaultButton ? defaultButton->GetSafeHwnd() : nullptr));
        return true;
    }
};

void buildMenu(QWidget* window, QMenuBar* bar, const MenuTemplate& menu)
{
    const QPointer<QWidget> target = window;
    for (const MenuPopupTemplate& popup : menu.popups) {
        QMenu* sub = bar->addMenu(QString::fromStdString(popup.text));
        for (const MenuItemTemplate& item : popup.items) {
            QAction* action = sub->addAction(QString::fromStdString(item.text));
            const UINT id = item.id;
            QObject::connect(action, &QAction::triggered, window, [target, id] {
                if (target)
                    CWnd::FromHandle(target.data())->SendMessage(WM_COMMAND, MAKEWPARAM(id, 0), 0);
            });
        }
    }
}

} // namespace

namespace qv {
void setModalDriver(ModalDriver driver) { modalDriver = std::move(driver); }
} // namespace qv

namespace qv::mfc {
QObject* dialogKeys()
{
    static DialogKeys* keys = new DialogKeys; // lives as long as the process
    return keys;
}
} // namespace qv::mfc

CDialog::CDialog(UINT templateId, CWnd* parent) : m_templateId(templateId), m_pParentWnd(parent) {}

CDialog::~CDialog()
{
    picking().erase(this);
    closeRequests().erase(this);
    destroyWidget();
}

bool CDialog::build(UINT templateId, CWnd* parent, bool modal)
{
    const DialogTemplate* layout = findDialogTemplate(templateId);
    if (!layout)
        return false;
    qv::ensureApplication(); // a headless host makes its application with the first window
    m_templateId = templateId;
    m_pParentWnd = parent;
    m_ended = false;
    m_result = IDCANCEL;
    const bool child = layout->child && parent && parent->clientArea();
    const int width = qv::mfc::duToPixelsX(layout->cx), height = qv::mfc::duToPixelsY(layout->cy);
    QWidget* window = nullptr;
    if (child) {
        window = new QWidget(parent->clientArea());
        m_client = window;
        window->resize(width, height);
    } else {
        auto* top = new DialogWidget;
        window = top;
        top->setFont(qv::mfc::dialogFont());
        top->setWindowTitle(QString::fromStdString(layout->caption));
        top->setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                            Qt::WindowMinimizeButtonHint);
        if (modal)
            top->setWindowModality(Qt::ApplicationModal);
        int menuHeight = 0;
        if (const MenuTemplate* menu = layout->menuId ? findMenuTemplate(layout->menuId) : nullptr) {
            auto* bar = new QMenuBar(top);
            buildMenu(top, bar, *menu);
            menuHeight = bar->sizeHint().height();
            bar->setGeometry(0, 0, width, menuHeight);
        }
        m_client = new QWidget(top);
        m_client->setGeometry(0, menuHeight, width, height);
        top->setFixedSize(width, height + menuHeight);
    }
    window->installEventFilter(qv::mfc::dialogKeys());
    m_defId = IDOK;
    for (const DialogItemTemplate& item : layout->items) {
        qv::mfc::createControl({m_client, window}, item);
        if (item.kind == ControlKind::Button && (item.style & BS_TYPEMASK) == BS_DEFPUSHBUTTON)
            m_defId = static_cast<UINT>(item.id);
    }
    attach(window);
    if (!child)
        window->hide();
    SendMessage(WM_INITDIALOG, 0, 0);
    return true;
}

BOOL CDialog::Create(UINT templateId, CWnd* parent)
{
    if (!build(templateId, parent, false))
        return FALSE;
    const DialogTemplate* layout = findDialogTemplate(templateId);
    if (layout && layout->visible && GetSafeHwnd())
        ShowWindow(SW_SHOW);
    return GetSafeHwnd() != nullptr;
}

INT_PTR CDialog::DoModal()
{
    if (!qv::guiAvailable())
        return IDCANCEL;
    if (!build(m_templateId, m_pParentWnd, true))
        return -1;
    if (!m_ended && GetSafeHwnd()) {
        QEventLoop loop;
        m_loop = &loop;
        ShowWindow(SW_SHOWNORMAL);
        if (modalDriver) {
            QTimer::singleShot(0, &loop, [this] {
                modalDriver(*this);
                if (m_loop && !m_ended)
                    EndDialog(IDCANCEL);
            });
        }
        if (!m_ended) {
            const qv::TerminalQuiet quiet;
            const qv::EndingWatch::UserWait userWait;
            loop.exec();
        }
        m_loop = nullptr;
    }
    destroyWidget();
    return m_result;
}

void CDialog::EndDialog(int result)
{
    m_result = result;
    m_ended = true;
    if (m_loop) {
        m_loop->exit(0);
        if (QWidget* window = widget())
            window->hide();
    } else if (QWidget* window = widget()) {
        window->hide(); // a modeless dialog is only hidden, without WM_SHOWWINDOW
    }
}

void CDialog::destroyWidget()
{
    auto* window = static_cast<QWidget*>(Detach());
    m_client = nullptr;
    if (!window)
        return;
    if (auto* top = dynamic_cast<DialogWidget*>(window))
        top->m_closing = true;
    // Nothing of this widget is on the stack here: the modal loop has returned, or the
    // dialog object is being deleted (a dialog that deletes itself from one of its own
    // handlers uses DestroyWindow, which deletes the widget later).
    delete window;
}

BOOL CDialog::OnInitDialog()
{
    UpdateData(FALSE);
    return TRUE;
}

void CDialog::OnOK()
{
    if (!UpdateData(TRUE))
        return;
    EndDialog(IDOK);
}

void CDialog::OnCancel() { EndDialog(IDCANCEL); }

BOOL CDialog::UpdateData(BOOL saveAndValidate)
{
    const bool wasLocked = m_lockout;
    m_lockout = true;
    struct Unlock
    {
        CDialog* dialog;
        bool previous;
        ~Unlock() { dialog->m_lockout = previous; }
    } unlock{this, wasLocked};
    CDataExchange exchange(this, saveAndValidate);
    exchange.deferStores(); // a failure stores nothing
    try {
        DoDataExchange(&exchange);
    } catch (const CDataExchange::Failed&) {
        return FALSE;
    }
    exchange.commitStores();
    return TRUE;
}

void CDialog::GotoDlgCtrl(CWnd* control)
{
    if (control)
        control->SetFocus();
}

CDialog::PickScope::PickScope(CWnd* dialog, CWnd* owner) : m_windows{dialog ? dialog->GetTopLevelParent() : nullptr, owner}
{
    if (m_windows[0] == nullptr)
        m_windows[0] = dialog;
    for (CWnd* window : m_windows)
        if (window)
            ++picking()[window];
}

CDialog::PickScope::~PickScope()
{
    for (CWnd* window : m_windows) {
        auto it = window ? picking().find(window) : picking().end();
        if (it != picking().end() && --it->second == 0)
            picking().erase(it);
    }
    // Posted, so that the handler that waited returns before the dialog goes.
    for (CDialog* dialog : std::vector(closeRequests().begin(), closeRequests().end()))
        if (!dialog->pickPending()) {
            closeRequests().erase(dialog);
            dialog->PostMessage(WM_CLOSE);
        }
}

bool CDialog::pickPending() const
{
    if (picking().count(this))
        return true;
    const CWnd* top = GetTopLevelParent();
    return top && picking().count(top);
}

bool CDialog::heldByQuestion() const
{
    if (m_closeRequested || !qv::answerAwaited())
        return false;
    const auto* top = dynamic_cast<const CDialog*>(GetTopLevelParent());
    return !(top ? top : this)->isModal();
}

void CDialog::closeAfterPick()
{
    m_closeRequested = true;
    if (!pickPending()) {
        SendMessage(WM_CLOSE);
        return;
    }
    closeRequests().insert(this);
    qv::interruptInputWait();
}

LRESULT CDialog::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    const bool fromControl = message == WM_COMMAND && lParam != 0;
    if (fromControl && m_lockout)
        return 0;
    if (pickPending() || heldByQuestion()) {
        const UINT code = message == WM_COMMAND ? HIWORD(wParam) : 0;
        if (message == WM_CLOSE || (message == WM_COMMAND && code != EN_CHANGE))
            return 0;
    }
    return CWnd::WindowProc(message, wParam, lParam);
}

LRESULT CDialog::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG: return OnInitDialog();
    case WM_CLOSE: return SendMessage(WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    case WM_COMMAND:
        if (HIWORD(wParam) == BN_CLICKED && LOWORD(wParam) == IDOK)
            OnOK();
        else if (HIWORD(wParam) == BN_CLICKED && LOWORD(wParam) == IDCANCEL)
            OnCancel();
        return 0;
    default: return CWnd::DefWindowProc(message, wParam, lParam);
    }
}
