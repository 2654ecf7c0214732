// How a session learns that it is ended from outside: by SIGHUP, SIGTERM or SIGQUIT, by the
// hang-up of the terminal its input comes from (which ends it as SIGHUP does, whichever of
// the two comes first: a shell between them may pass the signal on late or never), or by
// the loss of the X display its windows are on.
//
// A signal's handler only records the signal and wakes the waits (all it does is
// async-signal-safe); the action runs on the main thread where the process waits for the
// user (check: at a prompt, in a modal dialog, a message box or a file chooser, and before
// the next input line is read), so that the work under way, a save or a plot, finishes
// first. Qt's X platform ends the process as soon as it finds the connection to the
// display broken, wherever that is: the action then runs at once, from Qt's warning.
#pragma once

#include <functional>
#include <memory>

class QSocketNotifier;

namespace qv {

class EndingWatch
{
public:
    // Saves what it can and ends the process; signal is the signal that came, or 0 for the
    // lost display.
    using Action = std::function<void(int signal)>;

    // Installs the handlers (a signal the process was started ignoring, under nohup say,
    // stays ignored) and watches the display. One watch at a time.
    explicit EndingWatch(Action action);
    // Puts the former handlers back; a signal that came too late for the action then ends
    // the process as it would have without the watch.
    ~EndingWatch();
    EndingWatch(const EndingWatch&) = delete;
    EndingWatch& operator=(const EndingWatch&) = delete;

    // Runs the action when an ending signal has come.
    static void check();
    // The terminal the input comes from has hung up: runs the action as for SIGHUP, unless
    // another ending signal came first; also where SIGHUP is ignored, as no input can come.
    static void hangUp();
    // A descriptor that turns readable when an ending signal comes; -1 without a watch.
    static int descriptor();

    // Marks, while it lives, an event loop that waits for the user: an ending signal that
    // came before or comes meanwhile is acted on at once.
    class UserWait
    {
    public:
        UserWait();
        ~UserWait();
        UserWait(const UserWait&) = delete;
        UserWait& operator=(const UserWait&) = delete;

    private:
        std::unique_ptr<QSocketNotifier> m_notifier;
    };
};

} // namespace qv
