// Handles: the 64-bit identities that objects keep in files, written as hexadecimal.
#pragma once

#include <cstddef>
#include <functional>
#include <string>

class AcDbHandle
{
public:
    AcDbHandle() = default;
    AcDbHandle(unsigned long long value) : m_value(value) {}
    // Hexadecimal text in either case; empty or invalid text gives the null handle.
    explicit AcDbHandle(const char* hex);
    explicit AcDbHandle(const std::string& hex) : AcDbHandle(hex.c_str()) {}

    bool isNull() const { return m_value == 0; }
    void setNull() { m_value = 0; }
    unsigned long long value() const { return m_value; }
    // Upper-case hexadecimal without leading zeros ("0" for the null handle); the buffer
    // needs 17 characters.
    bool getIntoAsciiBuffer(char* buffer, size_t bufferSize = 17) const;
    std::string text() const;

    AcDbHandle& operator++() { ++m_value; return *this; }
    bool operator==(const AcDbHandle& h) const { return m_value == h.m_value; }
    bool operator!=(const AcDbHandle& h) const { return m_value != h.m_value; }
    bool operator<(const AcDbHandle& h) const { return m_value < h.m_value; }
    bool operator>(const AcDbHandle& h) const { return m_value > h.m_value; }

private:
    unsigned long long m_value = 0;
};

template <>
struct std::hash<AcDbHandle> {
    size_t operator()(const AcDbHandle& h) const noexcept { return std::hash<unsigned long long>()(h.value()); }
};
