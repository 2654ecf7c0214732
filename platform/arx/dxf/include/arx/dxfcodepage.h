// A code page of the texts of files before release 2007, decoded to UTF-8 by iconv: the
// bytes above ASCII of a single-byte page through a table made once, the texts of a
// double-byte page (Japanese, Chinese, Korean) through the converter itself.
#pragma once

#include <iconv.h>
#include <string>
#include <string_view>
#include <vector>

namespace qv::dxf {

class CodePage
{
public:
    // The page a $DWGCODEPAGE value names, in any letter case: "ANSI_874" to "ANSI_1258",
    // "ANSI_932", "ANSI_936", "ANSI_949", "ANSI_950", "ANSI_1361", "DOS437" to "DOS932",
    // "ISO8859_1" to "ISO8859_9", "MACINTOSH", "BIG5", "GB2312", "KSC5601", "JOHAB". Any
    // other value ("ASCII", "ANSI_1200", none) names no page.
    explicit CodePage(std::string_view name);
    ~CodePage();
    CodePage(const CodePage&) = delete;
    CodePage& operator=(const CodePage&) = delete;

    bool known() const { return m_converter != iconv_t(-1); }
    // Appends raw decoded to out. Strict, false (out as it was) when a byte or sequence has
    // no character in the page; otherwise such a byte becomes its Windows-1252 character
    // (the five bytes that page leaves out become the controls U+0081, U+008D, U+008F,
    // U+0090 and U+009D), which keeps every byte recoverable.
    bool decode(std::string_view raw, std::string& out, bool strict);

private:
    bool decodeMultiByte(std::string_view raw, std::string& out, bool strict);
    void flush(std::string& out);

    iconv_t m_converter = iconv_t(-1);
    // The characters (UTF-8) of the bytes 0x80 to 0xFF of a single-byte page, empty where
    // it has none; no entries for a double-byte page.
    std::vector<std::string> m_high;
};

} // namespace qv::dxf
