// The framework's string: UTF-8 text with value semantics. Lengths and positions count
// bytes. Format is printf-style; a CString or std::string given for "%s" is passed as its
// C string, so callers never hand an object to a C variadic function.
#pragma once

#include "win/wintypes.h"

#include <cstdarg>
#include <functional>
#include <string>
#include <string_view>
#include <type_traits>

class CString
{
public:
    CString() = default;
    CString(const char* s) : m_s(s ? s : "") {}
    CString(const char* s, int length) : m_s(s ? std::string(s, static_cast<size_t>(length)) : std::string()) {}
    CString(char ch, int repeat = 1) : m_s(repeat > 0 ? static_cast<size_t>(repeat) : 0, ch) {}
    CString(std::string s) : m_s(std::move(s)) {}
    explicit CString(std::string_view s) : m_s(s) {}

    int GetLength() const { return static_cast<int>(m_s.size()); }
    bool IsEmpty() const { return m_s.empty(); }
    void Empty() { m_s.clear(); }
    char GetAt(int index) const;
    void SetAt(int index, char ch);
    char operator[](int index) const { return GetAt(index); }

    const char* GetString() const { return m_s.c_str(); }
    operator LPCTSTR() const { return m_s.c_str(); }
    const std::string& str() const { return m_s; }

    CString& operator=(const char* s) { m_s = std::string(s ? s : ""); return *this; }
    CString& operator=(char ch) { m_s.assign(1, ch); return *this; }
    CString& operator+=(const CString& s) { m_s += s.m_s; return *this; }
    CString& operator+=(const char* s) { if (s) m_s += s; return *this; }
    CString& operator+=(char ch) { m_s += ch; return *this; }
    void Append(const char* s) { *this += s; }
    void AppendChar(char ch) { m_s += ch; }

    // Searches give the byte position of the first match at or after start, or -1.
    int Find(const char* sub, int start = 0) const;
    int Find(char ch, int start = 0) const;
    int ReverseFind(char ch) const;
    int FindOneOf(const char* chars) const;

    CString Left(int count) const;
    CString Mid(int first) const;
    CString Mid(int first, int count) const;
    CString Right(int count) const;
    CString SpanIncluding(const char* chars) const;
    CString SpanExcluding(const char* chars) const;

    CString& MakeUpper();
    CString& MakeLower();
    CString& MakeReverse();
    CString& Trim();
    CString& Trim(char target);
    CString& Trim(const char* targets);
    CString& TrimLeft();
    CString& TrimLeft(char target);
    CString& TrimLeft(const char* targets);
    CString& TrimRight();
    CString& TrimRight(char target);
    CString& TrimRight(const char* targets);

    // Replacements and removals return how many were made.
    int Replace(const char* oldText, const char* newText);
    int Replace(char oldCh, char newCh);
    int Remove(char ch);
    int Insert(int index, const char* s);
    int Insert(int index, char ch);
    int Delete(int index, int count = 1);
    // The next token after start delimited by any of tokens; start becomes -1 at the end.
    CString Tokenize(const char* tokens, int& start) const;

    // Negative, zero or positive as this text sorts before, with or after s.
    int Compare(const char* s) const;
    int CompareNoCase(const char* s) const;

    template <class... Args>
    void Format(const char* format, const Args&... args)
    {
        m_s = formatText(format, passArg(args)...);
    }
    template <class... Args>
    void AppendFormat(const char* format, const Args&... args)
    {
        m_s += formatText(format, passArg(args)...);
    }
    void FormatV(const char* format, va_list args);

    // A writable buffer of at least minLength characters; ReleaseBuffer ends the text at
    // newLength, or at the first null character when newLength is -1.
    char* GetBuffer(int minLength = 0);
    void ReleaseBuffer(int newLength = -1);

    // What a value becomes when handed to a printf-style format.
    static const char* passArg(const CString& s) { return s.GetString(); }
    static const char* passArg(const std::string& s) { return s.c_str(); }
    template <class T>
    static const T& passArg(const T& v)
    {
        static_assert(!std::is_class_v<T>, "only scalars and strings can be formatted");
        return v;
    }
    static std::string formatText(const char* format, ...);

private:
    std::string m_s;
};

CString operator+(const CString& a, const CString& b);
CString operator+(const CString& a, const char* b);
CString operator+(const char* a, const CString& b);
CString operator+(const CString& a, char b);
CString operator+(char a, const CString& b);

inline bool operator==(const CString& a, const CString& b) { return a.str() == b.str(); }
inline bool operator==(const CString& a, const char* b) { return a.str() == (b ? b : ""); }
inline bool operator==(const char* a, const CString& b) { return b == a; }
inline bool operator!=(const CString& a, const CString& b) { return !(a == b); }
inline bool operator!=(const CString& a, const char* b) { return !(a == b); }
inline bool operator!=(const char* a, const CString& b) { return !(b == a); }
inline bool operator<(const CString& a, const CString& b) { return a.str() < b.str(); }

template <>
struct std::hash<CString>
{
    size_t operator()(const CString& s) const noexcept { return std::hash<std::string>()(s.str()); }
};

// Upper- and lower-case forms of UTF-8 text, by Unicode's simple case mapping.
std::string utf8ToUpper(std::string_view text);
std::string utf8ToLower(std::string_view text);
