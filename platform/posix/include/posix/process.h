// Starting other programs, without a shell and without waiting for them.
#pragma once

#include <string>
#include <vector>

namespace qv {

// Starts program with the arguments (each passed as it is), in workingFolder (the current
// folder when it is empty), with this process's environment. A program named without a
// folder is looked for on PATH. The program runs in a session of its own: the end of this
// process and its terminal's hang-up leave it running. The caller does not wait: a thread
// of this layer collects the program's end so that it leaves no zombie behind. False, with
// the program and the system's reason in error, when it could not be started.
bool startProgram(const std::string& program, const std::vector<std::string>& arguments,
                  const std::string& workingFolder, std::string& error);

} // namespace qv
