// Temporary files that tell which process made them, so that the temporaries a process left
// when it died can be removed by another. A temporary's name holds its process's tag: the
// mark of the process space it ran in and its process number. Only a process of the same
// space can tell from the number whether the maker still runs: every other temporary is
// left alone, however much the machines' names agree.
#pragma once

#include <string>

namespace qv {

// The mark of the processes whose numbers this process can check: 16 hexadecimal digits
// of the system's boot id and the PID namespace, or of a random token where those cannot be
// read (no other process then shares it).
std::string processSpaceMark();
// The machine's name (empty when it cannot be read): where a lock file's line says its
// session runs.
std::string hostName();
// The mark, "-", this process's number and "-": the part of a temporary's name that names
// its maker.
std::string temporaryTag();
// Whether process pid of this process space has ended (never this process).
bool processHasEnded(long pid);
// Removes the files of the folder whose names hold the tag of another process of this space
// that has ended; only the first time in this process that a folder is named, or the first
// since sweepFoldersAgain, so that a folder of many files is read once, not once a file.
void sweepStaleTemporaries(const std::string& folder);
// Has each folder swept again the next time it is named.
void sweepFoldersAgain();

} // namespace qv
