#include "mfc/cstring.h"

#include "mfc/exceptions.h"

#include <QString>
#include <algorithm>
#include <cstdio>
#include <cstring>

namespace {

bool isAscii(std::string_view s)
{
    return std::all_of(s.begin(), s.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }

int clampCount(int count, size_t limit)
{
    return std::clamp(count, 0, static_cast<int>(limit));
}

} // namespace

std::string utf8ToUpper(std::string_view text)
{
    if (isAscii(text)) {
        std::string out(text);
        for (char& c : out)
            if (c >= 'a' && c <= 'z')
                c = static_cast<char>(c - 'a' + 'A');
        return out;
    }
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())).toUpper().toStdString();
}

std::string utf8ToLower(std::string_view text)
{
    if (isAscii(text)) {
        std::string out(text);
        for (char& c : out)
            if (c >= 'A' && c <= 'Z')
                c = static_cast<char>(c - 'A' + 'a');
        return out;
    }
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())).toLower().toStdString();
}

char CString::GetAt(int index) const
{
    if (index < 0 || index >= GetLength())
        AfxThrowInvalidArgException();
    return m_s[static_cast<size_t>(index)];
}

void CString::SetAt(int index, char ch)
{
    if (index < 0 || index >= GetLength())
        AfxThrowInvalidArgException();
    m_s[static_cast<size_t>(index)] = ch;
}

int CString::Find(const char* sub, int start) const
{
    if (!sub || start < 0 || start > GetLength())
        return -1;
    const size_t at = m_s.find(sub, static_cast<size_t>(start));
    return at == std::string::npos ? -1 : static_cast<int>(at);
}

int CString::Find(char ch, int start) const
{
    if (start < 0 || start >= GetLength())
        return -1;
    const size_t at = m_s.find(ch, static_cast<size_t>(start));
    return at == std::string::npos ? -1 : static_cast<int>(at);
}

int CString::ReverseFind(char ch) const
{
    const size_t at = m_s.rfind(ch);
    return at == std::string::npos ? -1 : static_cast<int>(at);
}

int CString::FindOneOf(const char* chars) const
{
    const size_t at = m_s.find_first_of(chars ? chars : "");
    return at == std::string::npos ? -1 : static_cast<int>(at);
}

CString CString::Left(int count) const
{
    return CString(m_s.substr(0, static_cast<size_t>(clampCount(count, m_s.size()))));
}

CString CString::Mid(int first) const
{
    return Mid(first, GetLength());
}

CString CString::Mid(int first, int count) const
{
    first = clampCount(first, m_s.size());
    count = clampCount(count, m_s.size() - static_cast<size_t>(first));
    return CString(m_s.substr(static_cast<size_t>(first), static_cast<size_t>(count)));
}

CString CString::Right(int count) const
{
    const int n = clampCount(count, m_s.size());
    return CString(m_s.substr(m_s.size() - static_cast<size_t>(n)));
}

CString CString::SpanIncluding(const char* chars) const
{
    const size_t end = m_s.find_first_not_of(chars ? chars : "");
    return CString(m_s.substr(0, end));
}

CString CString::SpanExcluding(const char* chars) const
{
    const size_t end = m_s.find_first_of(chars ? chars : "");
    return CString(m_s.substr(0, end));
}

CString& CString::MakeUpper()
{
    m_s = utf8ToUpper(m_s);
    return *this;
}

CString& CString::MakeLower()
{
    m_s = utf8ToLower(m_s);
    return *this;
}

CString& CString::MakeReverse()
{
    std::reverse(m_s.begin(), m_s.end());
    return *this;
}

CString& CString::Trim() { return TrimRight().TrimLeft(); }
CString& CString::Trim(char target) { return TrimRight(target).TrimLeft(target); }
CString& CString::Trim(const char* targets) { return TrimRight(targets).TrimLeft(targets); }

CString& CString::TrimLeft()
{
    m_s.erase(m_s.begin(), std::find_if_not(m_s.begin(), m_s.end(), isBlank));
    return *this;
}

CString& CString::TrimLeft(char target)
{
    m_s.erase(0, m_s.find_first_not_of(target));
    return *this;
}

CString& CString::TrimLeft(const char* targets)
{
    m_s.erase(0, m_s.find_first_not_of(targets ? targets : ""));
    return *this;
}

CString& CString::TrimRight()
{
    m_s.erase(std::find_if_not(m_s.rbegin(), m_s.rend(), isBlank).base(), m_s.end());
    return *this;
}

CString& CString::TrimRight(char target)
{
    const size_t last = m_s.find_last_not_of(target);
    m_s.erase(last == std::string::npos ? 0 : last + 1);
    return *this;
}

CString& CString::TrimRight(const char* targets)
{
    const size_t last = m_s.find_last_not_of(targets ? targets : "");
    m_s.erase(last == std::string::npos ? 0 : last + 1);
    return *this;
}

int CString::Replace(const char* oldText, const char* newText)
{
    if (!oldText || !*oldText)
        return 0;
    const std::string from = oldText, to = newText ? newText : "";
    std::string out;
    int count = 0;
    size_t pos = 0;
    for (size_t at; (at = m_s.find(from, pos)) != std::string::npos; pos = at + from.size()) {
        out.append(m_s, pos, at - pos).append(to);
        ++count;
    }
    if (count) {
        out.append(m_s, pos, std::string::npos);
        m_s = std::move(out);
    }
    return count;
}

int CString::Replace(char oldCh, char newCh)
{
    int count = 0;
    for (char& c : m_s)
        if (c == oldCh) {
            c = newCh;
            ++count;
        }
    return count;
}

int CString::Remove(char ch)
{
    const auto end = std::remove(m_s.begin(), m_s.end(), ch);
    const int count = static_cast<int>(m_s.end() - end);
    m_s.erase(end, m_s.end());
    return count;
}

int CString::Insert(int index, const char* s)
{
    m_s.insert(static_cast<size_t>(clampCount(index, m_s.size())), s ? s : "");
    return GetLength();
}

int CString::Insert(int index, char ch)
{
    m_s.insert(static_cast<size_t>(clampCount(index, m_s.size())), 1, ch);
    return GetLength();
}

int CString::Delete(int index, int count)
{
    const int first = clampCount(index, m_s.size());
    const int n = clampCount(count, m_s.size() - static_cast<size_t>(first));
    m_s.erase(static_cast<size_t>(first), static_cast<size_t>(n));
    return GetLength();
}

CString CString::Tokenize(const char* tokens, int& start) const
{
    const std::string delims = tokens ? tokens : "";
    if (start < 0 || start >= GetLength()) {
        start = -1;
        return CString();
    }
    const size_t first = m_s.find_first_not_of(delims, static_cast<size_t>(start));
    if (first == std::string::npos) {
        start = -1;
        return CString();
    }
    size_t end = m_s.find_first_of(delims, first);
    if (end == std::string::npos)
        end = m_s.size();
    start = static_cast<int>(end < m_s.size() ? end + 1 : end);
    return CString(m_s.substr(first, end - first));
}

int CString::Compare(const char* s) const
{
    return std::strcmp(m_s.c_str(), s ? s : "");
}

int CString::CompareNoCase(const char* s) const
{
    const std::string a = utf8ToLower(m_s), b = utf8ToLower(s ? s : "");
    return a.compare(b) < 0 ? -1 : (a == b ? 0 : 1);
}

std::string CString::formatText(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    CString out;
    out.FormatV(format, args);
    va_end(args);
    return out.m_s;
}

void CString::FormatV(const char* format, va_list args)
{
    if (!format) {
        m_s.clear();
        return;
    }
    va_list copy;
    va_copy(copy, args);
    char small[256];
    const int n = std::vsnprintf(small, sizeof small, format, copy);
    va_end(copy);
    if (n < 0) {
        m_s.clear();
        return;
    }
    if (static_cast<size_t>(n) < sizeof small) {
        m_s.assign(small, static_cast<size_t>(n));
        return;
    }
    std::string big(static_cast<size_t>(n) + 1, '\0');
    std::vsnprintf(big.data(), big.size(), format, args);
    big.resize(static_cast<size_t>(n));
    m_s = std::move(big);
}

char* CString::GetBuffer(int minLength)
{
    if (minLength > GetLength())
        m_s.resize(static_cast<size_t>(minLength), '\0');
    return m_s.data();
}

void CString::ReleaseBuffer(int newLength)
{
    if (newLength < 0)
        newLength = static_cast<int>(std::strlen(m_s.c_str()));
    m_s.resize(static_cast<size_t>(clampCount(newLength, m_s.size())));
}

CString operator+(const CString& a, const CString& b) { return CString(a.str() + b.str()); }
CString operator+(const CString& a, const char* b) { return CString(a.str() + (b ? b : "")); }
CString operator+(const char* a, const CString& b) { return CString((a ? a : "") + b.str()); }
CString operator+(const CString& a, char b) { return CString(a.str() + b); }
CString operator+(char a, const CString& b) { return CString(a + b.str()); }
