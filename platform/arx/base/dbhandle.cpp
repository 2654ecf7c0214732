#include "arx/dbhandle.h"

#include <charconv>
#include <cstring>

AcDbHandle::AcDbHandle(const char* hex)
{
    if (!hex || !*hex || std::strlen(hex) > 16)
        return;
    unsigned long long v = 0;
    const char* end = hex + std::strlen(hex);
    const auto r = std::from_chars(hex, end, v, 16);
    if (r.ec == std::errc() && r.ptr == end)
        m_value = v;
}

bool AcDbHandle::getIntoAsciiBuffer(char* buffer, size_t bufferSize) const
{
    const std::string t = text();
    if (!buffer || bufferSize <= t.size())
        return false;
    std::memcpy(buffer, t.c_str(), t.size() + 1);
    return true;
}

std::string AcDbHandle::text() const
{
    char buf[17];
    char* end = std::to_chars(buf, buf + sizeof buf, m_value, 16).ptr;
    for (char* p = buf; p < end; ++p)
        if (*p >= 'a')
            *p = static_cast<char>(*p - 'a' + 'A');
    return std::string(buf, end);
}
