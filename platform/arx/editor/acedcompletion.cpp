#include "acedcompletion.h"

#include "arx/acedinput.h"
#include "posix/homefolder.h"

#include <algorithm>
#include <cctype>
#include <filesystem>

namespace qv {

namespace {

CommandNames commandNames;

char folded(char c, bool anyCase)
{
    return anyCase ? static_cast<char>(std::toupper(static_cast<unsigned char>(c))) : c;
}

bool begins(const std::string& name, const std::string& prefix, bool anyCase)
{
    return name.size() >= prefix.size() &&
           std::equal(prefix.begin(), prefix.end(), name.begin(),
                      [anyCase](char a, char b) { return folded(a, anyCase) == folded(b, anyCase); });
}

bool same(const std::string& a, const std::string& b, bool anyCase)
{
    return a.size() == b.size() && begins(a, b, anyCase);
}

// How far the names go alike.
size_t commonLength(const std::vector<std::string>& names, bool anyCase)
{
    size_t length = names.front().size();
    for (const std::string& name : names) {
        size_t i = 0;
        while (i < length && i < name.size() && folded(name[i], anyCase) == folded(names.front()[i], anyCase))
            ++i;
        length = i;
    }
    return length;
}

// The completion of word, which ends the typed text, to one of the names that begin with it.
Completion completeAmong(const std::string& word, std::vector<std::string> matches, bool anyCase)
{
    Completion completion;
    if (matches.empty())
        return completion;
    std::sort(matches.begin(), matches.end(), [anyCase](const std::string& a, const std::string& b) {
        return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [anyCase](char x, char y) {
            return folded(x, anyCase) < folded(y, anyCase);
        });
    });
    matches.erase(std::unique(matches.begin(), matches.end(),
                              [anyCase](const std::string& a, const std::string& b) { return same(a, b, anyCase); }),
                  matches.end());
    const size_t common = commonLength(matches, anyCase);
    if (matches.size() > 1 && common <= word.size()) {
        completion.choices = std::move(matches);
        return completion;
    }
    completion.replaced = word.size();
    completion.text = matches.front().substr(0, common);
    return completion;
}

std::string withoutLeadingBlanks(const std::string& text)
{
    const size_t first = text.find_first_not_of(" \t");
    return first == std::string::npos ? std::string() : text.substr(first);
}

// The folder that a path's folder part names: the working folder for none, the home folder for "~/".
std::string folderOf(const std::string& part)
{
    return part.empty() ? "." : withHomeExpanded(part);
}

} // namespace

void setCommandNames(CommandNames names) { commandNames = std::move(names); }

Completion completeCommand(const std::string& typed)
{
    std::string word = withoutLeadingBlanks(typed);
    word.erase(0, std::min(word.size(), word.find_first_not_of("_.")));
    std::vector<std::string> matches;
    for (const std::string& name : commandNames ? commandNames() : std::vector<std::string>())
        if (begins(name, word, true))
            matches.push_back(name);
    return completeAmong(word, std::move(matches), true);
}

Completion completeFileName(const std::string& typed)
{
    const std::string path = withoutLeadingBlanks(typed);
    const size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
    const std::string base = path.substr(folder.size());
    namespace fs = std::filesystem;
    std::vector<std::string> matches;
    std::error_code error;
    for (fs::directory_iterator it(folderOf(folder), fs::directory_options::skip_permission_denied, error);
         !error && it != fs::directory_iterator(); it.increment(error)) {
        const std::string name = it->path().filename().string();
        if (!name.starts_with(base) || (name.starts_with('.') && !base.starts_with('.')))
            continue;
        std::error_code ignored;
        matches.push_back(it->is_directory(ignored) ? name + "/" : name);
    }
    return completeAmong(base, std::move(matches), false);
}

} // namespace qv
