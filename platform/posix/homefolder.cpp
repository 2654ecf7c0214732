#include "posix/homefolder.h"

#include <cstdlib>
#include <pwd.h>
#include <unistd.h>

namespace qv {

std::string homeFolder()
{
    if (const char* home = std::getenv("HOME"); home && *home)
        return home;
    const passwd* user = ::getpwuid(::getuid());
    return user && user->pw_dir ? user->pw_dir : "";
}

std::string withHomeExpanded(const std::string& path)
{
    // A backslash is a separator in what the user types, as everywhere in a path.
    if (path.empty() || path[0] != '~' || (path.size() > 1 && path[1] != '/' && path[1] != '\\'))
        return path;
    const std::string home = homeFolder();
    return home.empty() ? path : home + path.substr(1);
}

} // namespace qv
