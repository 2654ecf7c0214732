#include "arx/dxftextdecoder.h"

#include "arx/dxftext.h"

namespace qv::dxf {

namespace {

// The pages of the "\M+n" escapes, in the order of n.
constexpr std::string_view kEscapePages[5] = {"ANSI_932", "ANSI_950", "ANSI_949", "ANSI_1361", "ANSI_936"};

bool isHighSurrogate(int cp) { return cp >= 0xD800 && cp < 0xDC00; }
bool isLowSurrogate(int cp) { return cp >= 0xDC00 && cp < 0xE000; }

bool hasHighBytes(std::string_view raw)
{
    for (unsigned char c : raw)
        if (c >= 0x80)
            return true;
    return false;
}

} // namespace

TextDecoder::TextDecoder(bool utf8, std::string_view codePage) : m_utf8(utf8), m_codePage(codePage) {}

void TextDecoder::decode(std::string_view raw, std::string& out)
{
    out.clear();
    if (!hasHighBytes(raw)) {
        replaceEscapes(raw, out);
        return;
    }
    m_bytes.clear();
    decodeBytes(raw, m_bytes);
    replaceEscapes(m_bytes, out);
}

CodePage& TextDecoder::page()
{
    if (!m_page)
        m_page = std::make_unique<CodePage>(m_codePage);
    return *m_page;
}

void TextDecoder::decodeBytes(std::string_view raw, std::string& out)
{
    const bool utf8 = isValidUtf8(raw);
    if (utf8 && (m_utf8 || !page().known())) {
        out.append(raw);
        return;
    }
    if (page().decode(raw, out, true))
        return;
    if (utf8)
        out.append(raw);
    else
        page().decode(raw, out, false);
}

// Escapes of a character beyond 0xFFFF come as a pair of surrogates; a lone surrogate is
// no character.
void TextDecoder::replaceEscapes(std::string_view text, std::string& out)
{
    for (size_t i = 0; i < text.size(); ++i) {
        const size_t backslash = text.find('\\', i);
        out.append(text.substr(i, backslash - i));
        if (backslash == std::string_view::npos)
            return;
        i = backslash;
        int page = 0;
        if (const int cp = unicodeEscapeAt(text, i); cp >= 0) {
            const int low = isHighSurrogate(cp) ? unicodeEscapeAt(text, i + 7) : -1;
            if (isLowSurrogate(low)) {
                appendUtf8(out, 0x10000 + ((static_cast<unsigned>(cp) - 0xD800) << 10) + (static_cast<unsigned>(low) - 0xDC00));
                i += 7;
            } else {
                appendUtf8(out, isHighSurrogate(cp) || isLowSurrogate(cp) ? 0xFFFD : static_cast<unsigned>(cp));
            }
            i += 6;
        } else if (const int code = multiByteEscapeAt(text, i, page); code >= 0 && appendMultiByte(page, code, out)) {
            i += 7;
        } else {
            out += '\\';
        }
    }
}

// A code of ASCII is no two-byte character: its escape stays as it is.
bool TextDecoder::appendMultiByte(int page, int code, std::string& out)
{
    if (code < 0x80)
        return false;
    std::unique_ptr<CodePage>& converter = m_escapePages[page - 1];
    if (!converter)
        converter = std::make_unique<CodePage>(kEscapePages[page - 1]);
    const char bytes[2] = {static_cast<char>(code >> 8), static_cast<char>(code & 0xFF)};
    const std::string_view raw = code > 0xFF ? std::string_view(bytes, 2) : std::string_view(bytes + 1, 1);
    return converter->decode(raw, out, true);
}

} // namespace qv::dxf
