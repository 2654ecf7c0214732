#include "arx/dxfcodepage.h"

#include "arx/dxftext.h"

#include <algorithm>
#include <cerrno>

namespace qv::dxf {

namespace {

// Windows-1252 characters of the bytes 0x80 to 0x9F; the bytes it leaves out keep their
// own values (as C1 controls), the bytes from 0xA0 are Latin-1.
constexpr unsigned short kCp1252High[32] = {
    0x20AC, 0x81, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x8D, 0x017D, 0x8F,
    0x90, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x9D, 0x017E, 0x0178};

unsigned windows1252(unsigned char c) { return c >= 0x80 && c < 0xA0 ? kCp1252High[c - 0x80] : c; }

// The numbers of the Windows and DOS pages a value "ANSI_n" or "DOSn" may name.
constexpr std::string_view kNumbered[] = {"874",  "932",  "936",  "949",  "950",  "1250", "1251", "1252", "1253", "1254",
                                          "1255", "1256", "1257", "1258", "1361", "437",  "850",  "852",  "855",  "857",
                                          "860",  "861",  "863",  "864",  "865",  "866",  "869"};

// Pages named by other than their number, as the converter names them.
constexpr std::pair<std::string_view, std::string_view> kNamed[] = {
    {"MACINTOSH", "MACINTOSH"}, {"MAC-ROMAN", "MACINTOSH"}, {"BIG5", "CP950"},
    {"GB2312", "GBK"},          {"KSC5601", "CP949"},       {"JOHAB", "JOHAB"}};

// The converter's name of a $DWGCODEPAGE value; empty when it names no page.
std::string converterName(std::string_view value)
{
    const std::string name = upper(value);
    for (const auto& [dxf, converter] : kNamed)
        if (name == dxf)
            return std::string(converter);
    if ((name.starts_with("ISO8859_") || name.starts_with("ISO8859-")) && name.size() == 9 && name[8] >= '1' && name[8] <= '9')
        return "ISO-8859-" + name.substr(8);
    const std::string_view number = name.starts_with("ANSI_") ? std::string_view(name).substr(5)
                                    : name.starts_with("DOS") ? std::string_view(name).substr(3)
                                                              : std::string_view();
    if (std::find(std::begin(kNumbered), std::end(kNumbered), number) == std::end(kNumbered))
        return {};
    if (number == "936")
        return "GBK";
    if (number == "1361")
        return "JOHAB";
    return "CP" + std::string(number);
}

} // namespace

CodePage::CodePage(std::string_view name)
{
    const std::string converter = converterName(name);
    if (converter.empty())
        return;
    m_converter = iconv_open("UTF-8", converter.c_str());
    if (!known())
        return;
    // One byte at a time: a byte that is the start of a longer sequence makes the page a
    // double-byte one. The flush gives out a character a converter holds back to combine.
    m_high.assign(128, {});
    for (unsigned b = 0x80; b < 0x100; ++b) {
        char in = static_cast<char>(b);
        char buffer[8];
        char* ip = &in;
        char* op = buffer;
        size_t inLeft = 1, outLeft = sizeof buffer;
        iconv(m_converter, nullptr, nullptr, nullptr, nullptr);
        if (iconv(m_converter, &ip, &inLeft, &op, &outLeft) == size_t(-1) && errno == EINVAL) {
            m_high.clear();
            return;
        }
        iconv(m_converter, nullptr, nullptr, &op, &outLeft);
        if (inLeft == 0)
            m_high[b - 0x80].assign(buffer, static_cast<size_t>(op - buffer));
    }
}

CodePage::~CodePage()
{
    if (known())
        iconv_close(m_converter);
}

bool CodePage::decode(std::string_view raw, std::string& out, bool strict)
{
    if (known() && m_high.empty())
        return decodeMultiByte(raw, out, strict);
    const size_t start = out.size();
    for (const char ch : raw) {
        const auto c = static_cast<unsigned char>(ch);
        if (c < 0x80) {
            out += ch;
        } else if (!m_high.empty() && !m_high[c - 0x80].empty()) {
            out += m_high[c - 0x80];
        } else if (strict) {
            out.resize(start);
            return false;
        } else {
            appendUtf8(out, windows1252(c));
        }
    }
    return true;
}

// A byte the converter refuses, or an incomplete sequence at the end, fails a strict
// decoding; otherwise its first byte takes its Windows-1252 character and the converter
// goes on after it.
bool CodePage::decodeMultiByte(std::string_view raw, std::string& out, bool strict)
{
    const size_t start = out.size();
    iconv(m_converter, nullptr, nullptr, nullptr, nullptr);
    char* in = const_cast<char*>(raw.data());
    size_t inLeft = raw.size();
    while (inLeft > 0) {
        const size_t at = out.size();
        out.resize(at + 4 * inLeft + 8);
        char* op = out.data() + at;
        size_t outLeft = out.size() - at;
        const size_t done = iconv(m_converter, &in, &inLeft, &op, &outLeft);
        const int err = errno;
        out.resize(static_cast<size_t>(op - out.data()));
        if (done != size_t(-1) || err == E2BIG)
            continue;
        if (strict) {
            out.resize(start);
            return false;
        }
        flush(out);
        appendUtf8(out, windows1252(static_cast<unsigned char>(*in)));
        ++in;
        --inLeft;
    }
    flush(out);
    return true;
}

void CodePage::flush(std::string& out)
{
    char buffer[16];
    char* op = buffer;
    size_t outLeft = sizeof buffer;
    iconv(m_converter, nullptr, nullptr, &op, &outLeft);
    out.append(buffer, static_cast<size_t>(op - buffer));
}

} // namespace qv::dxf
