// A process stopped (SIGSTOP) for as long as this lives, and let go on (SIGCONT) after: a
// server process that takes no part in its connections while stopped.
#pragma once

#include <csignal>
#include <sys/types.h>

namespace qvtest {

class StoppedProcess
{
public:
    explicit StoppedProcess(pid_t pid) : m_pid(pid) { kill(m_pid, SIGSTOP); }
    ~StoppedProcess() { kill(m_pid, SIGCONT); }
    StoppedProcess(const StoppedProcess&) = delete;
    StoppedProcess& operator=(const StoppedProcess&) = delete;

private:
    pid_t m_pid;
};

} // namespace qvtest
