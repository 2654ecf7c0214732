// The framework's dialog, built from a registered template: modal (DoModal runs a nested
// event loop until EndDialog) or modeless (Create; EndDialog then only hides it), or a child
// page inside another window.
//
// The keyboard works as on the original platform: Tab follows the template's control order,
// arrow keys move through a radio group and check the button they reach, Enter presses the
// focused push button or else sends the default button's command (IDOK without one; nothing
// when it is disabled), Esc sends IDCANCEL, and the caption's close box sends WM_CLOSE, whose
// default handling sends IDCANCEL. Unmapped IDOK and IDCANCEL commands reach OnOK and
// OnCancel. Pages pass Enter and Esc to their top-level dialog.
//
// Without a display a modal dialog is not shown: DoModal returns IDCANCEL at once.
#pragma once

#include "mfc/afxmessagebox.h"
#include "mfc/dlgtemplate.h"
#include "mfc/wnd.h"

#include <cstdint>
#include <functional>

class CDataExchange;
class QEventLoop;
class QWidget;

using INT_PTR = std::intptr_t;

class CDialog : public CWnd
{
public:
    CDialog() = default;
    explicit CDialog(UINT templateId, CWnd* parent = nullptr);
    ~CDialog() override;

    // Creates the window from the template (modeless, or a page when the template is a
    // child's) and runs OnInitDialog; shown at once when the template says visible.
    virtual BOOL Create(UINT templateId, CWnd* parent = nullptr);
    // Runs the dialog modally; the value given to EndDialog, IDCANCEL without a display, -1
    // when the template is missing.
    virtual INT_PTR DoModal();
    // A modal dialog's loop ends with result; a modeless dialog is only hidden.
    void EndDialog(int result);

    virtual BOOL OnInitDialog();
    // UpdateData(TRUE), then EndDialog(IDOK); nothing more when the exchange failed.
    virtual void OnOK();
    virtual void OnCancel();

    // Exchanges the members with the controls (toward the members when saveAndValidate).
    // While it runs, the controls' notifications to this dialog are dropped. FALSE, storing
    // nothing, when a value failed its conversion or range check (the user has been told).
    BOOL UpdateData(BOOL saveAndValidate = TRUE);

    void SetDefID(UINT id) { m_defId = id; }
    DWORD GetDefID() const { return m_defId; }
    void GotoDlgCtrl(CWnd* control);
    UINT templateId() const { return m_templateId; }
    bool isModal() const { return m_loop != nullptr; }
    int modalResult() const { return m_result; }
    QWidget* clientArea() const override { return m_client; }

    // Marks a dialog as waiting for a pick in the drawing while it lives. Meanwhile the
    // dialog (and owner, when given) refuse to close and take no commands: only their edits'
    // notifications reach them, so that text stays editable between picks.
    class PickScope
    {
    public:
        explicit PickScope(CWnd* dialog, CWnd* owner = nullptr);
        ~PickScope();
        PickScope(const PickScope&) = delete;
        PickScope& operator=(const PickScope&) = delete;

    private:
        CWnd* m_windows[2];
    };
    // Whether this dialog, or the top-level window it lies in, waits for a pick.
    bool pickPending() const;
    // Whether this modeless dialog (or page of one) is held as while it waits for a pick
    // because the host waits for the answer to a question (qv::answerAwaited): a pick or a
    // command started now would read that answer as its own.
    bool heldByQuestion() const;
    // Closes the dialog as its close box does (WM_CLOSE): at once, or, while it waits for a
    // pick, by cancelling the pick and closing once the pick is over. A question the host
    // waits on does not hold this close.
    void closeAfterPick();

protected:
    virtual void DoDataExchange(CDataExchange*) {}
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

    UINT m_templateId = 0;
    CWnd* m_pParentWnd = nullptr;

private:
    bool build(UINT templateId, CWnd* parent, bool modal);
    void destroyWidget();

    QWidget* m_client = nullptr;
    QEventLoop* m_loop = nullptr;
    UINT m_defId = IDOK;
    int m_result = IDCANCEL;
    bool m_lockout = false;
    bool m_ended = false;
    bool m_closeRequested = false; // by closeAfterPick: the dialog goes, whatever waits
};

namespace qv {
// Tests drive modal dialogs here: the driver runs once in each modal dialog's loop, after it
// has been shown; a dialog that the driver left open is then cancelled.
using ModalDriver = std::function<void(CDialog&)>;
void setModalDriver(ModalDriver driver);
} // namespace qv
