// Decodes the texts of one file to UTF-8. A file of release 2007 or later is in UTF-8, an
// older one in the code page its $DWGCODEPAGE names. A text that page does not decode, and
// any text of a file that names no page (or a UTF-8 file's text that is not UTF-8), is
// taken as UTF-8 when it is valid UTF-8, else as the page with Windows-1252 for the bytes
// it lacks (see CodePage::decode): no byte loses its meaning. Escapes are replaced after;
// a "\M+nXXXX" escape that names no character stays as it is. Pages are made when a text
// first needs one, so that files of ASCII texts never open a converter.
#pragma once

#include "arx/dxfcodepage.h"

#include <memory>
#include <string>
#include <string_view>

namespace qv::dxf {

class TextDecoder
{
public:
    // codePage: the $DWGCODEPAGE value, empty when the file has none.
    TextDecoder(bool utf8, std::string_view codePage);

    // Decodes raw into out.
    void decode(std::string_view raw, std::string& out);

private:
    CodePage& page();
    void decodeBytes(std::string_view raw, std::string& out);
    void replaceEscapes(std::string_view text, std::string& out);
    bool appendMultiByte(int page, int code, std::string& out);

    bool m_utf8;
    std::string m_codePage;
    std::unique_ptr<CodePage> m_page;
    // The pages of "\M+n" escapes, n from 1 to 5.
    std::unique_ptr<CodePage> m_escapePages[5];
    std::string m_bytes;
};

} // namespace qv::dxf
