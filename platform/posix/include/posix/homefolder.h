// The user's home folder, and "~" in the paths the user types.
#pragma once

#include <string>

namespace qv {

// $HOME, else the home folder the password database gives the user; "" when neither names one.
std::string homeFolder();

// The path with a leading "~" (alone, or before a separator) replaced by the home folder, as
// a shell does; any other path ("~user" too) as given, and so is every path when there is no
// home folder.
std::string withHomeExpanded(const std::string& path);

} // namespace qv
