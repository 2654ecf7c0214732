#include "ado/procedurecall.h"

#include "win/com.h"

#include <vector>

namespace ADODB {

namespace {

[[noreturn]] void badName(const std::string& name)
{
    _com_issue_errorex(E_INVALIDARG, {"invalid stored procedure name \"" + name + "\"", "ADODB.Command"});
}

// Reads a part delimited by `close` (']' or '"'), the delimiter doubled standing for itself;
// `at` is on the opening delimiter and ends past the closing one.
std::string delimitedPart(const std::string& name, size_t& at, char close)
{
    std::string part;
    for (++at; at < name.size(); ++at) {
        if (name[at] != close) {
            part += name[at];
        } else if (at + 1 < name.size() && name[at + 1] == close) {
            part += close;
            ++at;
        } else {
            ++at;
            return part;
        }
    }
    badName(name);
}

// The parts of a dotted name, brackets and quotes removed.
std::vector<std::string> nameParts(const std::string& name)
{
    std::vector<std::string> parts(1);
    size_t at = 0;
    while (at < name.size()) {
        const char c = name[at];
        if (c == '.') {
            parts.emplace_back();
            ++at;
        } else if ((c == '[' || c == '"') && parts.back().empty()) {
            parts.back() = delimitedPart(name, at, c == '[' ? ']' : '"');
            if (at < name.size() && name[at] != '.')
                badName(name);
        } else {
            parts.back() += c;
            ++at;
        }
    }
    return parts;
}

std::string quoted(const std::string& part)
{
    std::string out = "\"";
    for (char c : part) {
        out += c;
        if (c == '"')
            out += '"';
    }
    return out + "\"";
}

} // namespace

std::string procedureCallText(const std::string& procedureName, std::size_t parameterCount)
{
    std::vector<std::string> parts = nameParts(procedureName);
    if (parts.size() > 3 || parts.front().empty() || parts.back().empty())
        badName(procedureName);
    if (parts.size() == 2 && parts[0].empty())
        badName(procedureName);
    std::string text = "{call " + quoted(parts.front());
    if (parts.size() > 1)
        text += "." + quoted(parts.back());
    text += "(";
    for (size_t i = 0; i < parameterCount; ++i)
        text += i ? ", ?" : "?";
    return text + ")}";
}

} // namespace ADODB
