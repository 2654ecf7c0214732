// The thread's message queue over the Qt event loop. The queue cannot be peeked at: while
// an event loop exists, PeekMessage answers that messages may wait and the pump tells
// whether any were there. Without an event loop the queue is always empty.
#pragma once

#include "win/wintypes.h"

struct MSG
{
    UINT message = 0;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
};

constexpr UINT WM_QUIT = 0x0012;
constexpr UINT PM_NOREMOVE = 0x0000;
constexpr UINT PM_REMOVE = 0x0001;

BOOL PeekMessage(MSG* msg, HWND window, UINT filterMin, UINT filterMax, UINT removeFlags);
// Posts the quit message: the next pump takes it and answers FALSE.
void PostQuitMessage(int exitCode);

struct pollfd;

namespace qv {
// Handles the events waiting now; false when there were none or the quit message came.
bool pumpPendingEvents();

// Waits as poll() does until one of the descriptors can be read or timeoutMs passes (for
// ever when negative). When windows can be shown, their events are handled meanwhile, so
// that dialogs stay alive and usable while the host waits for input. Gives -2 when the
// wait was interrupted by interruptInputWait.
int waitReadable(pollfd* fds, unsigned long count, int timeoutMs);
// Ends the wait for input that is going on (or the next one, when none is) with -2: a
// dialog's ESC on the command line cancels the pending prompt.
void interruptInputWait();

// Marks, while it lives, that the host waits for the answer to a question: any prompt but
// its command prompt, a command's or a dialog's pick. Modeless dialogs then take no
// commands, so that none reads the answer as its own or acts on a drawing while the
// question about it is open.
class AnswerAwaited
{
public:
    AnswerAwaited();
    ~AnswerAwaited();
    AnswerAwaited(const AnswerAwaited&) = delete;
    AnswerAwaited& operator=(const AnswerAwaited&) = delete;
};
bool answerAwaited();
} // namespace qv
