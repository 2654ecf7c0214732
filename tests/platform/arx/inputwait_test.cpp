// The host's wait for input with windows shown: window events are handled while a pipe is
// waited for, and a dialog's ESC on the command line cancels the prompt that waits.
#include "arx/acdocman.h"
#include "arx/aced.h"
#include "arx/acedinput.h"
#include "mfc/dialog.h"
#include "win/headless.h"
#include "win/pump.h"

#include <QApplication>
#include <QTimer>
#include <cstdio>
#include <gtest/gtest.h>
#include <poll.h>
#include <unistd.h>

namespace {

// A pipe whose read end the host reads as its input.
class InputPipe
{
public:
    InputPipe()
    {
        int fds[2];
        EXPECT_EQ(::pipe(fds), 0);
        m_write = fds[1];
        m_read = ::fdopen(fds[0], "r");
    }
    ~InputPipe()
    {
        qv::setInputSource(nullptr);
        if (m_write >= 0)
            ::close(m_write);
        std::fclose(m_read);
    }
    void write(const std::string& text) { EXPECT_EQ(::write(m_write, text.data(), text.size()), static_cast<ssize_t>(text.size())); }
    void close()
    {
        ::close(m_write);
        m_write = -1;
    }
    std::FILE* file() const { return m_read; }

private:
    std::FILE* m_read;
    int m_write;
};

TEST(InputWait, WindowEventsAreHandledWhileThePipeIsWaitedFor)
{
    ASSERT_TRUE(qv::guiAvailable());
    InputPipe pipe;
    qv::setInputSource(qv::makeFileInput(pipe.file(), "pipe"));
    std::vector<std::string> seen;
    // What a dialog does while the host waits: its handlers run, then the user answers.
    QTimer::singleShot(5, [&] { seen.push_back("handler ran"); });
    QTimer::singleShot(20, [&] { pipe.write("first answer\nsecond"); });
    const qv::InputLine first = qv::readInput();
    EXPECT_EQ(seen, std::vector<std::string>{"handler ran"});
    EXPECT_EQ(first.status, qv::InputStatus::line);
    EXPECT_EQ(first.text, "first answer");
    QTimer::singleShot(5, [&] { pipe.write(" line\n"); });
    EXPECT_EQ(qv::readInput().text, "second line"); // a line that comes in pieces is whole
    pipe.close();
    EXPECT_EQ(qv::readInput().status, qv::InputStatus::end);
}

TEST(InputWait, ADialogsEscCancelsThePendingPrompt)
{
    acDocManager->appContextNewDocument();
    InputPipe pipe;
    qv::setInputSource(qv::makeFileInput(pipe.file(), "pipe"));
    QTimer::singleShot(5, [] { acDocManager->sendStringToExecute(acDocManager->curDocument(), "\x1b", false, false, true); });
    EXPECT_EQ(qv::readInput().status, qv::InputStatus::cancel);
    acDocManager->takePendingInput();
    pipe.write("next\n");
    EXPECT_EQ(qv::readInput().text, "next");
    acDocManager->closeAll();
}

TEST(InputWait, WithoutWindowsTheWaitIsAPlainPoll)
{
    qv::setNoGui(true);
    bool ran = false;
    QObject context; // the timer goes with the test
    QTimer::singleShot(0, &context, [&] { ran = true; });
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    pollfd fd{fds[0], POLLIN, 0};
    EXPECT_EQ(qv::waitReadable(&fd, 1, 10), 0);
    qv::interruptInputWait(); // nobody can have asked: no effect
    EXPECT_EQ(qv::waitReadable(&fd, 1, 0), 0);
    EXPECT_FALSE(ran);
    qv::setNoGui(false);
    ::close(fds[0]);
    ::close(fds[1]);
}

// Dialogs that answer the host's keep-focus query, or do not.
class KeepingDialog : public CDialog
{
public:
    explicit KeepingDialog(bool keeps) : m_keeps(keeps) {}
    LRESULT OnAcadKeepFocus(WPARAM, LPARAM) { return m_keeps ? TRUE : FALSE; }
    DECLARE_MESSAGE_MAP()

private:
    bool m_keeps;
};

BEGIN_MESSAGE_MAP(KeepingDialog, CDialog)
ON_MESSAGE(WM_ACAD_KEEPFOCUS, &KeepingDialog::OnAcadKeepFocus)
END_MESSAGE_MAP()

TEST(InputWait, TheHostTakesTheFocusBackUnlessTheActiveDialogKeepsIt)
{
    DialogTemplate layout;
    layout.caption = "Keeper";
    layout.cx = 80;
    layout.cy = 40;
    static char instance;
    registerDialogTemplate(&instance, 950, layout);
    for (const bool keeps : {true, false}) {
        KeepingDialog dialog(keeps);
        ASSERT_TRUE(dialog.Create(950));
        dialog.ShowWindow(SW_SHOW);
        QApplication::setActiveWindow(dialog.widget());
        ASSERT_EQ(CWnd::GetActiveWindow(), &dialog);
        qv::hostTakesFocus();
        EXPECT_EQ(CWnd::GetActiveWindow(), keeps ? static_cast<CWnd*>(&dialog) : AfxGetMainWnd());
    }
}

} // namespace
