#include "ado/connectionstring.h"

#include "win/com.h"

#include <cctype>

namespace ADODB {

namespace {

[[noreturn]] void malformed(const std::string& why)
{
    _com_issue_errorex(E_INVALIDARG, {"malformed connection string: " + why, "ADODB.Connection"});
}

bool isBlank(char c) { return c == ' ' || c == '\t'; }

std::string trimmed(const std::string& s)
{
    size_t begin = 0, end = s.size();
    while (begin < end && isBlank(s[begin]))
        ++begin;
    while (end > begin && isBlank(s[end - 1]))
        --end;
    return s.substr(begin, end - begin);
}

std::string lowered(std::string s)
{
    for (char& c : s)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

// Reads a braced value from text[at] == '{'; leaves `at` past the closing brace.
std::string bracedValue(const std::string& text, size_t& at)
{
    std::string value;
    for (++at; at < text.size(); ++at) {
        if (text[at] != '}') {
            value += text[at];
        } else if (at + 1 < text.size() && text[at + 1] == '}') {
            value += '}';
            ++at;
        } else {
            ++at;
            return value;
        }
    }
    malformed("a braced value has no closing \"}\"");
}

// The value that begins at `at` (after "key="); leaves `at` on the ';' that ends it, or at
// the end of the text.
std::string valueAt(const std::string& text, size_t& at)
{
    while (at < text.size() && isBlank(text[at]))
        ++at;
    if (at < text.size() && text[at] == '{') {
        std::string value = bracedValue(text, at);
        while (at < text.size() && isBlank(text[at]))
            ++at;
        if (at < text.size() && text[at] != ';')
            malformed("text after a braced value");
        return value;
    }
    const size_t end = std::min(text.find(';', at), text.size());
    std::string value = trimmed(text.substr(at, end - at));
    at = end;
    return value;
}

// The canonical key for the names that the connection strings use for the same thing.
std::string canonicalKey(const std::string& key)
{
    if (key == "server" || key == "address" || key == "addr")
        return "data source";
    if (key == "database")
        return "initial catalog";
    if (key == "uid" || key == "user")
        return "user id";
    if (key == "pwd")
        return "password";
    return key;
}

bool needsBraces(const std::string& value)
{
    if (!value.empty() && (isBlank(value.front()) || isBlank(value.back())))
        return true;
    return value.find_first_of(";={}\"'") != std::string::npos;
}

std::string braced(const std::string& value)
{
    std::string out = "{";
    for (char c : value) {
        out += c;
        if (c == '}')
            out += '}';
    }
    return out + "}";
}

// A value as the driver must read it, unbraced; refused when it cannot be.
std::string plainValue(const char* what, const std::string& value)
{
    const bool outerBlank = !value.empty() && (isBlank(value.front()) || isBlank(value.back()));
    if (value.find(';') != std::string::npos || (!value.empty() && value.front() == '{') || outerBlank)
        malformed(std::string("the ") + what + " \"" + value
                  + "\" cannot be passed to the ODBC driver as written: it holds \";\", begins with \"{\""
                    " or has blanks at either end");
    return value;
}

void appendKey(std::string& out, const char* key, const std::string& odbcText)
{
    out += key;
    out += '=';
    out += odbcText;
    out += ';';
}

} // namespace

std::map<std::string, std::string> parseConnectionString(const std::string& text)
{
    // The text is not quoted: it may be the rest of a password that holds an unbraced ";".
    const char* withoutValue = "an entry has no value (a value holding \";\" must be braced)";
    std::map<std::string, std::string> values;
    size_t at = 0;
    while (at < text.size()) {
        const size_t equals = text.find('=', at);
        const size_t semicolon = text.find(';', at);
        if (semicolon < equals) {   // an empty entry, or a key without a value
            const std::string key = trimmed(text.substr(at, semicolon - at));
            if (!key.empty())
                malformed(withoutValue);
            at = semicolon + 1;
            continue;
        }
        const std::string key = lowered(trimmed(text.substr(at, equals - at)));
        if (equals == std::string::npos) {
            if (!key.empty())
                malformed(withoutValue);
            break;
        }
        if (key.empty())
            malformed("a value without a key");
        at = equals + 1;
        values[canonicalKey(key)] = valueAt(text, at);
        if (at < text.size())
            ++at;   // the ';'
    }
    return values;
}

std::string odbcValue(const std::string& value)
{
    return needsBraces(value) ? braced(value) : value;
}

std::string odbcConnectionString(const std::string& connectionString, const std::string& driver,
                                 const std::string& user, const std::string& password)
{
    auto values = parseConnectionString(connectionString);
    if (!user.empty())
        values["user id"] = user;
    if (!password.empty())
        values["password"] = password;

    std::string out;
    appendKey(out, "Driver", braced(driver));
    const std::string source = values["data source"];
    const size_t comma = source.rfind(',');
    if (comma == std::string::npos) {
        appendKey(out, "Server", plainValue("server", source));
    } else {
        const std::string port = trimmed(source.substr(comma + 1));
        if (port.empty() || port.find_first_not_of("0123456789") != std::string::npos)
            malformed("the port of \"" + source + "\" is not a number");
        appendKey(out, "Server", plainValue("server", trimmed(source.substr(0, comma))));
        appendKey(out, "Port", port);
    }
    appendKey(out, "Database", plainValue("database", values["initial catalog"]));
    appendKey(out, "UID", plainValue("user", values["user id"]));
    appendKey(out, "PWD", odbcValue(values["password"]));
    return out;
}

} // namespace ADODB
