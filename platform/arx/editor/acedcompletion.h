// What Tab makes of the text typed before the cursor: the name it begins completed as far as
// every name it may be goes alike, or, when that adds nothing, the names to choose from.
#pragma once

#include <string>
#include <vector>

namespace qv {

struct Completion
{
    size_t replaced = 0;              // bytes at the end of the typed text that text replaces
    std::string text;                 // empty when nothing is completed
    std::vector<std::string> choices; // the names that all go on alike, to be shown
};

// A command's name, among those the host gives (setCommandNames), in any letter case; "_"
// and "." prefixes are kept.
Completion completeCommand(const std::string& typed);
// A file's name: the typed text is a path, relative to the working folder, or to the home
// folder after "~/"; a folder's name is completed with its "/". Hidden files are offered
// only to a name that begins with ".".
Completion completeFileName(const std::string& typed);

} // namespace qv
