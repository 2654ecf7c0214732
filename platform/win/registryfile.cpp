#include "registryfile.h"

#include "posix/atomicfile.h"
#include "win/hexdigit.h"
#include "win/widetext.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <system_error>

namespace {

constexpr std::string_view kHeader = "QUORVANE REGISTRY 1";
constexpr std::string_view kEnd = "END";
constexpr DWORD kRegSz = 1;
constexpr DWORD kRegDword = 4;
constexpr char kHex[] = "0123456789abcdef";

std::string escape(std::string_view text)
{
    std::string out;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        switch (c) {
        case '\\': out += "\\\\"; break;
        case '"': out += "\\\""; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default:
            if (byte < 0x20 || byte == 0x7F) {
                out += "\\x";
                out += kHex[byte >> 4];
                out += kHex[byte & 0xF];
            } else {
                out += c;
            }
        }
    }
    return out;
}

bool unescape(std::string_view text, std::string& out)
{
    out.clear();
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\') {
            out += text[i];
            continue;
        }
        if (++i == text.size())
            return false;
        switch (text[i]) {
        case '\\': out += '\\'; break;
        case '"': out += '"'; break;
        case 'n': out += '\n'; break;
        case 'r': out += '\r'; break;
        case 't': out += '\t'; break;
        case 'x': {
            if (i + 2 >= text.size())
                return false;
            const int high = qv::hexDigit(text[i + 1]);
            const int low = qv::hexDigit(text[i + 2]);
            if (high < 0 || low < 0)
                return false;
            out += static_cast<char>(high * 16 + low);
            i += 2;
            break;
        }
        default: return false;
        }
    }
    return true;
}

// The end of the quoted text that starts at text[0] (the index of its closing quote), or npos.
size_t closingQuote(std::string_view text)
{
    if (text.empty() || text[0] != '"')
        return std::string_view::npos;
    for (size_t i = 1; i < text.size(); ++i) {
        if (text[i] == '\\')
            ++i;
        else if (text[i] == '"')
            return i;
    }
    return std::string_view::npos;
}

// The text of a REG_SZ value whose data is well-formed UTF-16 with one final null, or false.
bool textOf(const std::string& data, std::string& text)
{
    if (data.size() < 2 || data.size() % 2 != 0)
        return false;
    std::u16string units(data.size() / 2 - 1, u'\0');
    for (size_t i = 0; i < units.size(); ++i) {
        units[i] = static_cast<char16_t>(static_cast<unsigned char>(data[2 * i]) |
                                         static_cast<unsigned char>(data[2 * i + 1]) << 8);
        if (units[i] == 0)
            return false;
    }
    if (data[data.size() - 2] != 0 || data[data.size() - 1] != 0)
        return false;
    bool wellFormed = false;
    text = utf16ToUtf8(units, &wellFormed);
    return wellFormed;
}

std::string textData(const std::u16string& units)
{
    std::string data;
    data.reserve(units.size() * 2 + 2);
    for (const char16_t unit : units) {
        data += static_cast<char>(unit & 0xFF);
        data += static_cast<char>(unit >> 8);
    }
    data.append(2, '\0');
    return data;
}

DWORD dwordOf(const std::string& data)
{
    DWORD value = 0;
    for (int i = 3; i >= 0; --i)
        value = value << 8 | static_cast<unsigned char>(data[static_cast<size_t>(i)]);
    return value;
}

std::string valueLine(const RegistryFile::Value& value)
{
    std::string line = "\"";
    line += escape(value.name);
    line += "\"=";
    std::string text;
    if (value.type == kRegSz && textOf(value.data, text))
        return line + "sz:\"" + escape(text) + "\"";
    if (value.type == kRegDword && value.data.size() == 4) {
        char digits[9];
        std::snprintf(digits, sizeof digits, "%08x", dwordOf(value.data));
        return line + "dword:" + digits;
    }
    line += "hex(";
    line += std::to_string(value.type);
    line += "):";
    for (size_t i = 0; i < value.data.size(); ++i) {
        const auto byte = static_cast<unsigned char>(value.data[i]);
        if (i > 0)
            line += ',';
        line += kHex[byte >> 4];
        line += kHex[byte & 0xF];
    }
    return line;
}

// The data of "sz:", "dword:" or "hex(N):" forms; false when spec is none of them.
bool parseData(std::string_view spec, RegistryFile::Value& value)
{
    if (spec.starts_with("sz:")) {
        std::string text;
        const std::string_view quoted = spec.substr(3);
        if (closingQuote(quoted) != quoted.size() - 1 || !unescape(quoted.substr(1, quoted.size() - 2), text))
            return false;
        bool wellFormed = false;
        const std::u16string units = utf8ToUtf16(text, &wellFormed);
        value.type = kRegSz;
        value.data = textData(units);
        return wellFormed && units.find(u'\0') == std::u16string::npos;
    }
    if (spec.starts_with("dword:")) {
        const std::string_view digits = spec.substr(6);
        if (digits.size() != 8)
            return false;
        DWORD number = 0;
        for (const char c : digits) {
            if (qv::hexDigit(c) < 0)
                return false;
            number = number << 4 | static_cast<DWORD>(qv::hexDigit(c));
        }
        value.type = kRegDword;
        value.data.clear();
        for (int i = 0; i < 4; ++i)
            value.data += static_cast<char>((number >> (8 * i)) & 0xFF);
        return true;
    }
    if (!spec.starts_with("hex("))
        return false;
    const size_t close = spec.find("):");
    if (close == std::string_view::npos || close == 4 || close > 14)
        return false;
    unsigned long long type = 0;
    for (const char c : spec.substr(4, close - 4)) {
        if (c < '0' || c > '9')
            return false;
        type = type * 10 + static_cast<unsigned>(c - '0');
    }
    if (type > 0xFFFFFFFFull)
        return false;
    value.type = static_cast<DWORD>(type);
    value.data.clear();
    const std::string_view bytes = spec.substr(close + 2);
    for (size_t i = 0; i < bytes.size(); i += 3) {
        if (i + 2 > bytes.size() || qv::hexDigit(bytes[i]) < 0 || qv::hexDigit(bytes[i + 1]) < 0)
            return false;
        if (i + 2 < bytes.size() && bytes[i + 2] != ',')
            return false;
        if (i + 2 == bytes.size() - 1)
            return false; // a trailing comma
        value.data += static_cast<char>(qv::hexDigit(bytes[i]) * 16 + qv::hexDigit(bytes[i + 1]));
    }
    return true;
}

std::string timestamp()
{
    const std::time_t now = std::time(nullptr);
    std::tm local {};
    localtime_r(&now, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y%m%d-%H%M%S", &local);
    return text;
}

} // namespace

std::string RegistryFile::canonicalPath(std::string_view path)
{
    std::string out;
    size_t start = 0;
    while (start <= path.size()) {
        size_t end = path.find_first_of("\\/", start);
        if (end == std::string_view::npos)
            end = path.size();
        if (end > start) {
            if (!out.empty())
                out += '\\';
            out += path.substr(start, end - start);
        }
        start = end + 1;
    }
    return out;
}

std::string RegistryFile::fold(std::string_view name)
{
    std::string out(name);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return out;
}

RegistryFile::Key* RegistryFile::find(const std::string& path)
{
    const auto it = m_keys.find(fold(path));
    return it == m_keys.end() ? nullptr : &it->second;
}

bool RegistryFile::create(const std::string& path)
{
    bool created = false;
    for (size_t end = 0; end != std::string::npos;) {
        end = path.find('\\', end + 1);
        const std::string part = path.substr(0, end);
        const auto [it, inserted] = m_keys.try_emplace(fold(part));
        if (inserted)
            it->second.path = part;
        created = inserted;
    }
    return created;
}

void RegistryFile::load()
{
    m_keys.clear();
    m_damaged = false;
    std::ifstream in(m_path, std::ios::binary);
    if (!in)
        return;
    std::ostringstream text;
    text << in.rdbuf();
    if (!in.bad() && parse(text.str()))
        return;
    m_keys.clear();
    m_damaged = true;
}

bool RegistryFile::parse(const std::string& text)
{
    std::string_view rest(text);
    if (!rest.starts_with(std::string(kHeader) + "\n")) {
        m_damage = "it is not a registry file";
        return false;
    }
    rest.remove_prefix(kHeader.size() + 1);
    Key* current = nullptr;
    while (!rest.empty()) {
        const size_t newline = rest.find('\n');
        if (newline == std::string_view::npos) {
            m_damage = "its last line is cut short";
            return false;
        }
        const std::string_view line = rest.substr(0, newline);
        rest.remove_prefix(newline + 1);
        if (line == kEnd) {
            if (rest.empty())
                return true;
            m_damage = "text follows its end";
            return false;
        }
        if (!parseLine(line, current)) {
            m_damage = "a line cannot be read: ";
            m_damage += escape(line.substr(0, 80));
            return false;
        }
    }
    m_damage = "it is cut short";
    return false;
}

bool RegistryFile::parseLine(std::string_view line, Key*& current)
{
    if (line.starts_with('[')) {
        std::string path;
        if (!line.ends_with(']') || line.size() < 2 || !unescape(line.substr(1, line.size() - 2), path))
            return false;
        path = canonicalPath(path);
        create(path);
        current = find(path);
        return true;
    }
    const size_t close = closingQuote(line);
    Value value;
    if (!current || close == std::string_view::npos || line.substr(close + 1, 1) != "=" ||
        !unescape(line.substr(1, close - 1), value.name) || !parseData(line.substr(close + 2), value))
        return false;
    current->values[fold(value.name)] = std::move(value);
    return true;
}

std::string RegistryFile::serialize() const
{
    std::string text(kHeader);
    text += '\n';
    for (const auto& [folded, key] : m_keys) {
        text += '[';
        text += escape(key.path);
        text += "]\n";
        for (const auto& [name, value] : key.values)
            text += valueLine(value) + "\n";
    }
    text += kEnd;
    text += '\n';
    return text;
}

int RegistryFile::keepDamagedFile()
{
    std::string kept = m_path + ".damaged-" + timestamp();
    struct stat st {};
    for (int n = 2; ::lstat(kept.c_str(), &st) == 0; ++n)
        kept = m_path + ".damaged-" + timestamp() + "-" + std::to_string(n);
    if (std::rename(m_path.c_str(), kept.c_str()) != 0) {
        const int err = errno;
        std::fprintf(stderr, "warning: the registry file '%s' is damaged (%s) and cannot be kept aside: %s\n",
                     m_path.c_str(), m_damage.c_str(), std::strerror(err));
        return err;
    }
    std::fprintf(stderr, "warning: the registry file '%s' was damaged (%s); it is kept as '%s' and a new one is written\n",
                 m_path.c_str(), m_damage.c_str(), kept.c_str());
    m_damaged = false;
    return 0;
}

int RegistryFile::save()
{
    if (m_damaged) {
        if (const int err = keepDamagedFile())
            return err;
    }
    std::error_code ec;
    std::filesystem::create_directories(std::filesystem::path(m_path).parent_path(), ec);
    qv::AtomicFile file;
    if (file.open(m_path, 0600) && file.write(serialize()) && file.commit())
        return 0;
    return file.errorNumber() ? file.errorNumber() : EIO;
}
