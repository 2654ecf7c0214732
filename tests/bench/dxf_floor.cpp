// The floor under any DXF reader and writer: maps IN, parses every group pair (the code
// with from_chars, reals, integers and handles too), formats each back with to_chars into
// one buffer and writes OUT at once. No objects, no checks beyond what parsing needs.
//     bench_dxf_floor IN.dxf OUT.dxf
#include <algorithm>
#include <charconv>
#include <fcntl.h>
#include <string>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

enum Kind { kText, kReal, kInteger, kHandle };

Kind kindOf(int c)
{
    if ((c >= 10 && c < 60) || (c >= 110 && c < 150) || (c >= 210 && c < 240) || (c >= 1010 && c < 1060))
        return kReal;
    if ((c >= 60 && c < 100) || (c >= 170 && c < 180) || (c >= 270 && c < 300) || (c >= 370 && c < 390)
        || (c >= 400 && c < 410) || (c >= 420 && c < 430) || (c >= 440 && c < 460) || c >= 1060)
        return kInteger;
    return c == 5 || c == 105 || (c >= 320 && c < 370) || (c >= 390 && c < 400) ? kHandle : kText;
}

std::string_view line(const char*& p, const char* end)
{
    const char* s = p;
    while (p < end && *p != '\n')
        ++p;
    std::string_view l(s, static_cast<size_t>(p - s));
    p += p < end;
    return !l.empty() && l.back() == '\r' ? l.substr(0, l.size() - 1) : l;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3)
        return 2;
    const int fd = ::open(argv[1], O_RDONLY);
    struct stat st {};
    if (fd < 0 || ::fstat(fd, &st) != 0)
        return 1;
    const auto size = static_cast<size_t>(st.st_size);
    const char* p = static_cast<const char*>(::mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0));
    const char* end = p + size;
    std::string out;
    out.reserve(size + size / 8);
    char buf[64];
    while (p < end) {
        const std::string_view codeText = line(p, end), value = line(p, end);
        int code = 0;
        std::from_chars(codeText.data() + codeText.find_first_not_of(' '), codeText.data() + codeText.size(), code);
        const size_t digits = static_cast<size_t>(std::to_chars(buf, buf + sizeof buf, code).ptr - buf);
        out.append(digits < 3 ? 3 - digits : 0, ' ').append(buf, digits) += '\n';
        const char* v = value.data() + std::min(value.find_first_not_of(' '), value.size());
        const char* vend = value.data() + value.size();
        const Kind kind = kindOf(code);
        if (double d = 0; kind == kReal && std::from_chars(v, vend, d).ec == std::errc())
            out.append(buf, static_cast<size_t>(std::to_chars(buf, buf + sizeof buf, d).ptr - buf));
        else if (long long n = 0; kind == kInteger && std::from_chars(v, vend, n).ec == std::errc())
            out.append(buf, static_cast<size_t>(std::to_chars(buf, buf + sizeof buf, n).ptr - buf));
        else if (unsigned long long h = 0; kind == kHandle && std::from_chars(v, vend, h, 16).ec == std::errc())
            out.append(buf, static_cast<size_t>(std::to_chars(buf, buf + sizeof buf, h, 16).ptr - buf));
        else
            out.append(value);
        out += '\n';
    }
    const int outFd = ::open(argv[2], O_WRONLY | O_CREAT | O_TRUNC, 0644);
    return outFd >= 0 && ::write(outFd, out.data(), out.size()) == static_cast<ssize_t>(out.size()) ? 0 : 1;
}
