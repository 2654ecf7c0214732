// The DXF group-code layer on its own: reading pairs and records, writing them back,
// declarative field tables, kept tags, result-buffer conversions and mapped files.
#include "arx/dxffieldtable.h"
#include "arx/dxfmappedfile.h"
#include "arx/dxfnumber.h"
#include "arx/dxfreader.h"
#include "arx/dxfresbuf.h"
#include "arx/dxfwriter.h"
#include "common/tempdir.h"

#include <bit>
#include <cctype>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <random>
#include <sys/mman.h>
#include <unistd.h>
#include <gtest/gtest.h>

using namespace qv::dxf;

namespace {

std::vector<std::pair<int, std::string>> pairsOf(std::string_view bytes)
{
    std::vector<std::pair<int, std::string>> out;
    Reader reader(bytes);
    for (Pair p; reader.next(p);)
        out.emplace_back(p.code, std::string(p.value));
    return out;
}

// The line a malformed file is refused at ("" when it is read).
std::string refusal(std::string_view bytes)
{
    try {
        pairsOf(bytes);
    } catch (const FormatError& e) {
        return e.what();
    }
    return "";
}

std::string written(const std::function<void(Writer&)>& write, size_t bufferSize = 1 << 20)
{
    std::string text;
    StringSink sink(text);
    Writer out(sink, bufferSize);
    write(out);
    EXPECT_TRUE(out.finish()) << out.error();
    return text;
}

} // namespace

TEST(DxfReader, LinesCodesAndValues)
{
    // A byte-order mark, CRLF line ends, padded codes, blanks around numbers but not texts
    // (nor other bytes below the space); read twice, the second time with the code lines
    // known and short pairs taken whole.
    const std::string body = "  0\r\nSECTION \r\n+2\r\n  a text  \r\n 40\r\n  2.5 \r\n 40\r\n\v2\t\r\n  1\r\ntext\r\n1071\n-7\n";
    const std::vector<std::pair<int, std::string>> once = {
        {0, "SECTION"}, {2, "  a text  "}, {40, "2.5"}, {40, "\v2"}, {1, "text"}, {1071, "-7"}};
    std::vector<std::pair<int, std::string>> expected = once;
    expected.insert(expected.end(), once.begin(), once.end());
    EXPECT_EQ(pairsOf("\xEF\xBB\xBF" + body + body), expected);
    EXPECT_EQ(pairsOf("0\nEOF"), (std::vector<std::pair<int, std::string>>{{0, "EOF"}}));
    EXPECT_EQ(pairsOf("0\nEOF\n\n"), (std::vector<std::pair<int, std::string>>{{0, "EOF"}}));
}

TEST(DxfReader, MalformedPairsNameTheirLine)
{
    EXPECT_EQ(refusal("\xEF\xBB\xBF" "0\r\nA\r\nx1\r\nB\r\n"), "line 3: invalid group code 'x1'");
    EXPECT_EQ(refusal("0\nA\n1.5\nB\n"), "line 3: invalid group code '1.5'");
    EXPECT_EQ(refusal("0\nA\n1072\nB\n"), "line 3: invalid group code '1072'");
    EXPECT_EQ(refusal("0\nA\n-6\nB\n"), "line 3: invalid group code '-6'");
    EXPECT_EQ(refusal("0\nA\n\nB\n"), "line 3: invalid group code ''");
    EXPECT_EQ(refusal("0\nA\n8"), "line 3: group code without a value (the file is truncated)");
}

TEST(DxfReader, CodeLinesOfEveryForm)
{
    const struct {
        const char* line;
        int code;
    } read[] = {{"  -5 \t\r", -5}, {"+-5", -5}, {"-0", 0}, {"+7", 7}, {"000000010", 10}, {"0000000010", 10}, {"\t1071", 1071}};
    std::string all;
    std::vector<std::pair<int, std::string>> expected;
    for (const auto& c : read) {
        EXPECT_EQ(pairsOf(std::string(c.line) + "\nv\n"), (std::vector<std::pair<int, std::string>>{{c.code, "v"}})) << c.line;
        all += std::string(c.line) + "\nv\n";
        expected.emplace_back(c.code, "v");
    }
    // Lines read again are known by their bytes.
    const auto once = expected;
    expected.insert(expected.end(), once.begin(), once.end());
    expected.insert(expected.end(), {{1, "v"}, {1, "v"}});
    EXPECT_EQ(pairsOf(all + all + "1\nv\n1 \nv\n"), expected);
    for (const std::string line : {"1 0", "--1", "-", "+", "++1", "99999999999", "-2147483648", "1\v"})
        EXPECT_EQ(refusal("0\nA\n" + line + "\nB\n"), "line 3: invalid group code '" + line + "'");
    EXPECT_EQ(refusal("0\nA\n10 \r"), "line 3: group code without a value (the file is truncated)");
}

// Lines are scanned eight or sixteen bytes at a time: a line end, a byte that needs
// decoding or a NUL may fall on any byte of a block, or among the last bytes of the file.
TEST(DxfReader, LineEndsAndMarksAnywhereInABlock)
{
    for (size_t before = 0; before < 34; ++before) {
        for (size_t after = 0; after < 10; ++after) {
            const std::string pad(before, 'x');
            const std::string tail(after, 'y');
            for (const std::string end : {"\n", "\r\n", ""}) {
                const std::string bytes = "0\nT" + pad + "\n1\n" + pad + "\\U+0041" + tail + "\n5\n" + pad + "\\" + tail
                                          + "\n1\n" + pad + tail + "\n1\n" + pad + "\xe4" + tail + end;
                const std::vector<std::pair<int, std::string>> expected = {
                    {0, "T" + pad}, {1, pad + "A" + tail}, {5, pad + "\\" + tail}, {1, pad + tail}, {1, pad + "\xc3\xa4" + tail}};
                EXPECT_EQ(pairsOf(bytes), expected) << bytes;
            }
            EXPECT_EQ(refusal("0\n" + pad + std::string(1, '\0') + tail + "\n"), "line 1: record type with a NUL byte");
            EXPECT_EQ(refusal("0\nA\n0\n" + pad + std::string(1, '\0') + tail + "\n"), "line 3: record type with a NUL byte");
            EXPECT_EQ(refusal("0\n" + pad + "\n1\n" + std::string(1, '\0') + tail + "\n"), "");
        }
    }
}

TEST(DxfReader, TextsAreDecodedByReleaseAndCodePage)
{
    const std::string r12 = "9\n$ACADVER\n1\nAC1009\n1\nR\xe4ume \x80\n1\n\\U+00C4 \\U+D83D\\U+DE00 \\U+D800x\n";
    const auto old = pairsOf(r12);
    EXPECT_EQ(old[2].second, "R\xc3\xa4ume \xe2\x82\xac");
    EXPECT_EQ(old[3].second, "\xc3\x84 \xf0\x9f\x98\x80 \xef\xbf\xbdx");
    const std::string r2013 = "9\n$ACADVER\n1\nAC1027\n1\nZ\xc3\xbcrich\n1\nbad \xfc\n40\n1\n";
    const auto utf8 = pairsOf(r2013);
    EXPECT_EQ(utf8[2].second, "Z\xc3\xbcrich");
    EXPECT_EQ(utf8[3].second, "bad \xc3\xbc");   // not UTF-8: read as the code page
    // Only texts are decoded: a handle keeps its bytes.
    EXPECT_EQ(pairsOf("5\n\\U+0041\n")[0].second, "\\U+0041");

    const struct {
        const char* version;
        const char* page;
        const char* raw;
        const char* text;
    } cases[] = {
        // The page's bytes, its name in any letter case; in Shift-JIS a second byte may be
        // a backslash (表) and half-width katakana are single bytes.
        {"AC1015", "ANSI_1251", "\xcf\xf0\xe8\xe2\xe5\xf2", "Привет"},
        {"AC1012", "dos932", "\x93\xfa\x96\x7b \x95\x5c \xb6", "日本 表 ｶ"},
        {"AC1015", "ANSI_936", "\xd6\xd0", "中"},
        {"AC1015", "ANSI_949", "\xc7\xd1", "한"},
        {"AC1015", "ANSI_950", "\xa4\xa4", "中"},
        // Bytes the page does not decode: UTF-8 when they are, else Windows-1252 for them.
        {"AC1015", "ANSI_1252", "\xc3\x81", "Á"},
        {"AC1015", "ANSI_932", "\x93\xfa\x93", "日“"},
        // No page (or one that converts nothing): UTF-8, else Windows-1252 with its five
        // unassigned bytes kept as controls, so that every byte can be recovered.
        {"AC1015", nullptr, "\xd0\x9f", "П"},
        {"AC1015", nullptr, "\x93\xfa\x96\x7b\x81", "“ú–{\xc2\x81"},
        {"AC1015", "ASCII", "R\xe4ume", "Räume"},
        // A 2007 file's text that is not UTF-8 is read as its page.
        {"AC1027", "ANSI_1251", "\xcf", "П"},
        // Two-byte escapes of five pages; one that names no character stays.
        {"AC1015", "ANSI_1252", "\\M+193FA\\M+2A4A4\\M+3C7D1\\M+4D065\\M+5D6D0 \\M+1FFFF \\M+10041 \\M+6D6D0",
         "日中한한中 \\M+1FFFF \\M+10041 \\M+6D6D0"},
    };
    for (const auto& c : cases) {
        std::string bytes = std::string("9\n$ACADVER\n1\n") + c.version + "\n";
        if (c.page)
            bytes += std::string("9\n$DWGCODEPAGE\n3\n") + c.page + "\n";
        EXPECT_EQ(pairsOf(bytes + "1\n" + c.raw + "\n").back().second, c.text) << c.raw;
    }
}

TEST(DxfReader, RecordsKeepTheirDecodedTextsUntilTheNext)
{
    const std::string bytes = "0\nTEXT\n1\n\\U+0041\n3\n\\U+0042\n0\nTEXT\n1\n\\U+0043\n0\nEOF\n";
    Reader reader(bytes);
    Record first, second;
    ASSERT_TRUE(reader.nextRecord(first));
    ASSERT_EQ(first.pairs().size(), 3u);
    EXPECT_EQ(first.type(), "TEXT");
    EXPECT_EQ(first.find(1)->value, "A");
    EXPECT_EQ(first.find(3)->value, "B");
    EXPECT_EQ(first.find(7), nullptr);
    ASSERT_TRUE(reader.nextRecord(second));
    EXPECT_EQ(second.find(1)->value, "C");
    ASSERT_TRUE(reader.nextRecord(second));
    EXPECT_EQ(second.type(), "EOF");
    EXPECT_FALSE(reader.nextRecord(second));
}

// What the numbers read as through from_chars alone: blanks around the text and one
// leading "+" allowed, reals finite.
template <class T>
bool libraryReads(std::string_view text, T& value, int base = 10)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r'))
        text.remove_suffix(1);
    if (base == 10 && !text.empty() && text.front() == '+')
        text.remove_prefix(1);
    const char* end = text.data() + text.size();
    std::from_chars_result r;
    if constexpr (std::is_floating_point_v<T>)
        r = std::from_chars(text.data(), end, value);
    else
        r = std::from_chars(text.data(), end, value, base);
    if constexpr (std::is_floating_point_v<T>)
        return !text.empty() && r.ec == std::errc() && r.ptr == end && std::isfinite(value);
    else
        return !text.empty() && r.ec == std::errc() && r.ptr == end;
}

// The reader's fast paths must accept and refuse what from_chars does, with the very same
// double, integer or handle.
void expectReadAsTheLibrary(const std::string& text)
{
    double real = 0, exact = 0;
    const bool read = parseReal(text, real);
    ASSERT_EQ(read, libraryReads(text, exact)) << text;
    if (read) {
        ASSERT_EQ(std::memcmp(&real, &exact, sizeof real), 0) << text;
    }
    long long whole = 0, exactWhole = 0;
    if (libraryReads(text, exactWhole)) {
        ASSERT_TRUE(parseInt(text, whole) && whole == exactWhole) << text;
    } else if (read && exact == std::trunc(exact) && std::fabs(exact) <= 9.2e18) {
        ASSERT_TRUE(parseInt(text, whole) && whole == static_cast<long long>(exact)) << text;
    } else {
        ASSERT_FALSE(parseInt(text, whole)) << text;
    }
    unsigned long long handle = 0, exactHandle = 0;
    const bool blank = text.find_first_not_of(" \t\r") == std::string::npos;
    const bool handleRead = blank || libraryReads(text, exactHandle, 16);
    ASSERT_EQ(parseHandle(text, handle), handleRead) << text;
    if (handleRead) {
        ASSERT_EQ(handle, blank ? 0 : exactHandle) << text;
    }
}

TEST(DxfNumbers, ReadExactlyAsTheLibraryReads)
{
    // Halfway and 17-digit values, the edges of an exact power of ten (10^22) and of an
    // exact integer (2^53), denormals, signs, blanks and what is refused.
    for (const char* text :
         {"0", "-0", "-0.0", "+0", ".5", "5.", "-.5", "+.5", "1.5 ", " 1.5", "\t-2\r", "+-1", "-+1", "++1", "--1",
          "0.1", "0.3", "1.0000000000000002", "0.30000000000000004", "9007199254740992", "9007199254740993",
          "9007199254740991.0", "900719925474099.3", "4503599627370496.5", "4503599627370497.5",
          "1234567890123456789", "12345678901234567890", "0.1234567890123456789", "123456789012345678.9",
          "1e22", "1e23", "1e-22", "1e-23", "9007199254740991e22", "9007199254740993e-22", "1.5e+22", "1.5E-022",
          "1e0005", "1e", "1e+", "1e-", "e5", ".e5", "1.e5", "2.2250738585072014e-308", "4.9e-324", "1e-400",
          "1.7976931348623157e308", "1.8e308", "-1e400", "0.000000000000000000000000000001", "007", "-007.50",
          "1,5", "1.2.3", "1..2", "", " ", "-", "+", ".", "inf", "-inf", "nan", "0x10", "10h", "FFFF", "ffffffffffffffff",
          "10000000000000000", "000000000000000001A", "2f4", "2F4 ", "-1", "999999999999999999", "9223372036854775807",
          "9223372036854775808", "-9223372036854775808", "7.0", "7.5", "1e3", "+1e3", "\xb5"})
        expectReadAsTheLibrary(text);
    // Random texts of digits, points, exponents, signs and blanks, and random doubles as
    // files write them.
    std::mt19937_64 random(7);
    const std::string alphabet = "0123456789012345678901234567890123456789..eE+- aF:/";
    for (int i = 0; i < 200000; ++i) {
        std::string text(random() % 24, ' ');
        for (char& c : text)
            c = alphabet[random() % alphabet.size()];
        expectReadAsTheLibrary(text);
    }
    for (int i = 0; i < 50000; ++i) {
        const double d = std::ldexp(static_cast<double>(random() >> 11), static_cast<int>(random() % 120) - 90);
        char buf[40];
        expectReadAsTheLibrary(std::string(buf, std::to_chars(buf, buf + sizeof buf, i % 2 ? -d : d).ptr));
        expectReadAsTheLibrary(std::string(buf, std::to_chars(buf, buf + sizeof buf, d, std::chars_format::fixed, i % 20).ptr));
    }
}

TEST(DxfNumbers, FormatExactlyAsTheLibraryFormats)
{
    // Reals short enough take a path of their own: it must write what to_chars writes.
    const auto library = [](double v) {
        char buf[kNumberBuffer];
        std::string text(buf, std::to_chars(buf, buf + sizeof buf, v).ptr);
        return text.find_first_of(".e") == std::string::npos ? text + ".0" : text;
    };
    std::vector<double> values = {1e-3, 0.001, 0.01, 0.1, 0.3, 2.0 / 3, 1, 9.999999999999998, 10, 1e5, 1.2e6, 1e14,
                                  999999999999999, 1e15, 123456789012345.6, 0.1 + 0.2, 4503599627370496.5};
    for (int e = -12; e < 55; ++e)
        values.push_back(std::ldexp(1.0, e));
    std::mt19937_64 random(11);
    for (int i = 0; i < 20000; ++i) {
        const std::string digits = std::to_string(random() % 10000000000000000ull);
        const size_t point = random() % digits.size() + 1;
        const std::string text = digits.substr(0, point) + "." + digits.substr(point);
        values.push_back(std::strtod(text.c_str(), nullptr) / (i % 3 == 0 ? 1000 : 1));
        values.push_back(static_cast<double>(random() % 100000) * 0.05 + 1e-3 * static_cast<double>(i % 7));
        const std::uint64_t bits = (random() >> 12) | (std::uint64_t(1014 + random() % 56) << 52);
        values.push_back(std::bit_cast<double>(bits));
    }
    for (size_t i = 0, n = values.size(); i < n; ++i)
        for (double v : {std::nextafter(values[i], 0.0), std::nextafter(values[i], 1e300)})
            values.push_back(v);
    for (double v : values)
        for (double signed_ : {v, -v}) {
            char buf[kNumberBuffer];
            ASSERT_EQ(std::string(buf, formatReal(signed_, buf)), library(signed_)) << signed_;
        }
    for (unsigned long long handle : {0ull, 1ull, 0xAull, 0x2F4ull, 0xFFFFull, 0x10000ull, ~0ull}) {
        char buf[kNumberBuffer], hex[kNumberBuffer];
        std::string expected(hex, std::to_chars(hex, hex + sizeof hex, handle, 16).ptr);
        for (char& c : expected)
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        EXPECT_EQ(std::string(buf, formatHandle(handle, buf)), expected);
    }
}

TEST(DxfWriter, FormatsAsTheReaderReadsBack)
{
    const std::string text = written([](Writer& out) {
        out.text(0, "SECTION");
        out.integer(70, -3);
        out.real(40, 0);
        out.real(41, 12);
        out.real(42, 0.1);
        out.real(43, -1e20);
        out.handle(5, 0x2F4);
        out.integer(1071, 2147483647);
        out.point2d(10, 1.5, -2);
    });
    EXPECT_EQ(text, "  0\nSECTION\n 70\n-3\n 40\n0.0\n 41\n12.0\n 42\n0.1\n 43\n-1e+20\n  5\n2F4\n"
                    "1071\n2147483647\n 10\n1.5\n 20\n-2.0\n");
}

TEST(DxfWriter, TextsWithControlCharactersAndEscapesReadBackTheSame)
{
    const std::string texts[] = {"two\nlines", "crlf\r\nend", "C:\\U+0041\\U+004", "\\P paragraph \\U+", "\\M+193FA",
                                 std::string("nul\0byte", 8), "tab\tkept", "  blanks  ", "", "Z\xc3\xbcrich \xe2\x82\xac",
                                 "a text past one word\rthen", "sixteen bytes...\\P"};
    const std::string text = written([&](Writer& out) {
        out.text(0, "TEXT");
        for (const std::string& t : texts)
            out.text(1, t);
    });
    const auto back = pairsOf("9\n$ACADVER\n1\nAC1027\n" + text);
    ASSERT_EQ(back.size(), std::size(texts) + 3);
    for (size_t i = 0; i < std::size(texts); ++i)
        EXPECT_EQ(back[i + 3].second, texts[i]);
}

TEST(DxfWriter, ValuesTheReaderRefusesFailTheWriter)
{
    for (const auto& write : std::vector<std::function<void(Writer&)>>{
             [](Writer& out) { out.real(40, std::nan("")); },
             [](Writer& out) { out.point(10, 1, std::numeric_limits<double>::infinity(), 0); },
             [](Writer& out) { out.integer(70, 40000); },
             [](Writer& out) { out.integer(90, 99999999999); },
             [](Writer& out) { out.text(1100, "no such code"); }}) {
        std::string text;
        StringSink sink(text);
        Writer out(sink);
        write(out);
        EXPECT_FALSE(out.finish());
        EXPECT_FALSE(out.error().empty());
    }
}

TEST(DxfWriter, SmallBuffersAndFailingSinks)
{
    auto many = [](Writer& out) {
        for (int i = 0; i < 500; ++i)
            out.text(1, std::string(static_cast<size_t>(i % 40), 'x'));
    };
    EXPECT_EQ(written(many, 64), written(many));
    // A sink that fails: the writer stops and reports it.
    class Full : public Sink
    {
    public:
        bool write(const char*, size_t size) override { return (taken += size) < 1000; }
        size_t taken = 0;
    } full;
    Writer out(full, 256);
    many(out);
    EXPECT_FALSE(out.finish());
    EXPECT_LT(full.taken, 1300u);
}

namespace {

// An object with fields in two subclasses that reuse group code 1, a list, and a section
// read whole.
struct Sample : AcRxObject {
    std::string m_name, m_label;
    double m_size = 1, m_angle = 0;
    int m_kind = 0;
    AcGePoint3d m_at;
    AcGeVector3d m_normal = AcGeVector3d::kZAxis;
    std::vector<double> m_list;
    std::vector<int> m_section;

    static const FieldTable& table()
    {
        using namespace fields;
        static const FieldTable t({{
            subclass("AcDbFirst"),
            text<&Sample::m_name>(1),
            real<&Sample::m_size>(40).omitting(1),
            point<&Sample::m_at>(10),
            extrusion<&Sample::m_normal>(210),
            subclass("AcDbSecond|AcDbSecondOld"),
            text<&Sample::m_label>(1).omittingEmpty(),
            angle<&Sample::m_angle>(50).normalized(),
            integer<&Sample::m_kind>(72).range(0, 5),
            value({42},
                  [](AcRxObject& o, const Field&, const Pair& p, FieldContext& c) {
                      auto& s = static_cast<Sample&>(o);
                      if (s.m_list.size() >= 2)
                          return false;   // a third is left to the extras
                      s.m_list.push_back(c.real(p));
                      return true;
                  },
                  [](const AcRxObject& o, const Field& f, Writer& out) {
                      for (double v : static_cast<const Sample&>(o).m_list)
                          out.real(f.code(), v);
                  }),
            subclass("AcDbWhole"),
            section(
                [](AcRxObject& o, std::span<const Pair> pairs, FieldContext& c) {
                    for (const Pair& p : pairs)
                        static_cast<Sample&>(o).m_section.push_back(static_cast<int>(c.integer(p)));
                    return pairs.size();
                },
                [](const AcRxObject& o, const Field&, Writer& out) {
                    for (int v : static_cast<const Sample&>(o).m_section)
                        out.integer(90, v);
                }),
        }});
        return t;
    }
};

// Reads a record's pairs (after its head) into a sample, as a database's reader does.
std::string readSample(Sample& s, TagList& extras, std::string_view record)
{
    const std::string bytes = "0\nSAMPLE\n" + std::string(record);
    Reader reader(bytes);
    Record rec;
    reader.nextRecord(rec);
    FieldContext context;
    FieldTable::Cursor cursor;
    const auto pairs = rec.pairs();
    try {
        for (size_t i = 1; i < pairs.size();)
            if (!Sample::table().read(s, cursor, pairs, i, context))
                extras.add(pairs[i].code, pairs[i].value, cursor.anchor), ++i;
    } catch (const FormatError& e) {
        return e.what();
    }
    extras.sortByAnchor();
    return "";
}

std::string writeSample(const Sample& s, const TagList& extras)
{
    return written([&](Writer& out) { Sample::table().write(s, out, &extras); });
}

} // namespace

TEST(DxfFields, MarkersSelectTheFieldsOfACode)
{
    Sample s;
    TagList extras;
    ASSERT_EQ(readSample(s, extras, "100\nAcDbSecondOld\n1\nsecond\n50\n-90\n100\nAcDbFirst\n1\nfirst\n"
                                    "20\n2\n10\n1\n40\n3\n"),
              "");
    EXPECT_EQ(s.m_name, "first");
    EXPECT_EQ(s.m_label, "second");
    EXPECT_NEAR(s.m_angle, 1.5 * kPi, 1e-12);
    EXPECT_EQ(s.m_size, 3);
    EXPECT_TRUE(s.m_at.isEqualTo(AcGePoint3d(1, 2, 0)));
    EXPECT_TRUE(extras.empty());
    // Written in the table's order, the second marker under its first name.
    EXPECT_EQ(writeSample(s, extras), "100\nAcDbFirst\n  1\nfirst\n 40\n3.0\n 10\n1.0\n 20\n2.0\n 30\n0.0\n"
                                      "100\nAcDbSecond\n  1\nsecond\n 50\n270.0\n 72\n0\n100\nAcDbWhole\n");
}

TEST(DxfFields, WithoutMarkersEverySectionReads)
{
    Sample s;
    TagList extras;
    ASSERT_EQ(readSample(s, extras, "1\nname\n72\n4\n90\n7\n"), "");
    EXPECT_EQ(s.m_name, "name");   // the first section with the code takes it
    EXPECT_TRUE(s.m_label.empty());
    EXPECT_EQ(s.m_kind, 4);
    // A section read whole is not taken without its marker.
    EXPECT_TRUE(s.m_section.empty());
    ASSERT_EQ(extras.size(), 1u);
    EXPECT_EQ(extras[0].code, 90);
}

TEST(DxfFields, UnreadPairsAreWrittenBackWhereTheyStood)
{
    Sample s;
    TagList extras;
    const std::string record = "999\nfirst of all\n100\nAcDbFirst\n1\nn\n5\nkept\n40\n2\n100\nAcDbForeign\n1\nforeign\n"
                               "10\n7\n100\nAcDbSecond\n42\n1\n42\n2\n42\n3\n100\nAcDbWhole\n90\n1\n91\n2\n";
    ASSERT_EQ(readSample(s, extras, record), "");
    EXPECT_EQ(s.m_name, "n");
    EXPECT_TRUE(s.m_at.isEqualTo(AcGePoint3d()));   // the foreign subclass's 10 is not the point
    EXPECT_EQ(s.m_list, (std::vector<double>{1, 2}));
    EXPECT_EQ(s.m_section, (std::vector<int>{1, 2}));
    EXPECT_EQ(writeSample(s, extras),
              "999\nfirst of all\n100\nAcDbFirst\n  1\nn\n  5\nkept\n 40\n2.0\n 10\n0.0\n 20\n0.0\n 30\n0.0\n"
              "100\nAcDbForeign\n  1\nforeign\n 10\n7\n100\nAcDbSecond\n 50\n0.0\n 72\n0\n 42\n1.0\n 42\n2.0\n"
              " 42\n3\n100\nAcDbWhole\n 90\n1\n 90\n2\n");
}

TEST(DxfFields, ValuesOutOfRangeOrMalformedNameTheirLine)
{
    const struct {
        const char* record;
        const char* message;
    } cases[] = {
        {"100\nAcDbSecond\n72\n6\n", "line 5: value 6 out of range 0 to 5 for group code 72"},
        {"100\nAcDbSecond\n72\n-1\n", "line 5: value -1 out of range 0 to 5 for group code 72"},
        {"100\nAcDbSecond\n72\n99999999999\n", "line 5: integer 99999999999 too large for group code 72"},
        {"100\nAcDbFirst\n40\nnan\n", "line 5: invalid number 'nan' for group code 40"},
        {"100\nAcDbFirst\n40\n1e999\n", "line 5: invalid number '1e999' for group code 40"},
        {"100\nAcDbSecond\n72\n1.5\n", "line 5: invalid integer '1.5' for group code 72"},
    };
    for (const auto& c : cases) {
        Sample s;
        TagList extras;
        EXPECT_EQ(readSample(s, extras, c.record), c.message) << c.record;
    }
    Sample s;
    TagList extras;
    EXPECT_EQ(readSample(s, extras, "100\nAcDbSecond\n72\n3.0\n"), "");   // integers written as reals
    EXPECT_EQ(s.m_kind, 3);
}

TEST(DxfTagList, CopiesAcrossResourcesAndKeepsOrder)
{
    std::pmr::monotonic_buffer_resource arena;
    TagList inArena(&arena);
    for (int i = 0; i < 6; ++i)
        inArena.add(1000 + i % 2, "value " + std::to_string(i), 3 - i / 2);
    inArena.sortByAnchor();
    EXPECT_EQ(inArena[0].value(), "value 4");   // anchor 1, in the order added
    EXPECT_EQ(inArena[1].value(), "value 5");
    EXPECT_EQ(inArena[5].value(), "value 1");
    TagList onHeap;
    onHeap = std::move(inArena);   // another resource: copied
    EXPECT_EQ(onHeap.size(), 6u);
    EXPECT_TRUE(inArena.empty());
    TagList copy = onHeap;
    copy.erase(1, 5);
    copy.append(onHeap, 2, 3);
    ASSERT_EQ(copy.size(), 3u);
    EXPECT_EQ(copy[2].value(), onHeap[2].value());
    EXPECT_FALSE(copy == onHeap);
    // A run of known length takes one block (an arena keeps every block a list outgrew).
    alignas(Tag) char buffer[19 * (sizeof(Tag) + 7)];
    std::pmr::monotonic_buffer_resource tight(buffer, sizeof buffer, std::pmr::null_memory_resource());
    TagList reserved(&tight);
    reserved.reserve(19);
    for (int i = 0; i < 19; ++i)
        EXPECT_NO_THROW(reserved.add(1000, "value " + std::to_string(i % 10)));
}

TEST(DxfResbuf, BinaryChunksAndNumbersThatDoNotConvertGiveNoChain)
{
    auto chainOf = [](std::initializer_list<std::pair<int, std::string>> tags) {
        TagList list;
        for (const auto& [code, value] : tags)
            list.add(code, value);
        return toResbuf(list, 0, list.size());
    };
    resbuf* good = chainOf({{1001, "APP"}, {1004, "00ff7F"}, {1010, "1"}, {1020, "2"}, {1030, "3"}, {1071, "-5"}});
    ASSERT_NE(good, nullptr);
    EXPECT_EQ(good->rbnext->resval.rbinary.clen, 3);
    EXPECT_EQ(static_cast<unsigned char>(good->rbnext->resval.rbinary.buf[1]), 0xFF);
    EXPECT_EQ(good->rbnext->rbnext->resval.rpoint[2], 3);
    EXPECT_EQ(good->rbnext->rbnext->rbnext->resval.rlong, -5);
    acutRelRb(good);
    for (const auto& bad : {std::pair<int, std::string>{1004, "ABC"}, {1004, "GG"}, {1004, std::string(65536, 'A')},
                            {1071, "99999999999"}, {1070, "40000"}, {1040, "x"}, {1010, "inf"}})
        EXPECT_EQ(chainOf({{1001, "APP"}, bad}), nullptr) << bad.first << " " << bad.second.substr(0, 10);
    // Back to tags: binary as hexadecimal; numbers that are not finite are refused.
    resbuf* rb = acutBuildList(1001, "APP", 1040, 2.5, 0);
    TagList out;
    EXPECT_EQ(fromResbuf(rb, out), Acad::eOk);
    EXPECT_EQ(out[1].value(), "2.5");
    rb->rbnext->resval.rreal = std::nan("");
    EXPECT_EQ(fromResbuf(rb, out), Acad::eInvalidInput);
    acutRelRb(rb);
}

TEST(DxfMappedFile, ReasonsOfFilesThatCannotBeMapped)
{
    TempDir dir;
    MappedFile file;
    EXPECT_FALSE(file.open(dir.folder()));
    EXPECT_EQ(file.error(), "it is a folder");
    EXPECT_EQ(file.errorNumber(), EISDIR);
    EXPECT_FALSE(file.open(dir.file("none.dxf")));
    EXPECT_EQ(file.error(), "no such file or directory");
    writeFile(dir.file("empty.dxf"), "");
    ASSERT_TRUE(file.open(dir.file("empty.dxf")));
    EXPECT_TRUE(file.bytes().empty());
    writeFile(dir.file("some.dxf"), "0\nEOF\n");
    ASSERT_TRUE(file.open(dir.file("some.dxf")));
    file.release(3);   // less than a page: nothing to give back, the bytes stay readable
    EXPECT_EQ(file.bytes(), "0\nEOF\n");
}

// Another program that truncates or rewrites a file in place while it is read: the read
// stops or ends, says that the file changed, and the process goes on. A fault in a mapping
// no guard holds still ends the process.
TEST(DxfMappedFile, AFileChangedWhileItIsReadIsTold)
{
    TempDir dir;
    const std::string path = dir.file("plan.dxf"), other = dir.file("other.dxf");
    std::string text;
    for (int i = 0; i < 1000; ++i)   // pages of records
        text += "0\nLINE\n8\n0\n10\n" + std::to_string(i) + "\n";
    text += "0\nEOF\n";
    // Cut to nothing, every page faulting; rewritten longer, which no page shows.
    for (const std::string& now : {std::string(), text + text}) {
        writeFile(path, text);
        MappedFile file;
        ASSERT_TRUE(file.open(path));
        writeFile(path, now);
        Reader reader(file);
        Record record;
        size_t records = 0;
        try {
            while (reader.nextRecord(record))
                ++records;
        } catch (const FormatError&) {
        }
        EXPECT_EQ(file.faulted(), now.empty());
        EXPECT_EQ(records, now.empty() ? 0u : 1001u);
        EXPECT_EQ(reader.damage(), "the file changed while it was read: open it again");
    }
    writeFile(other, text);
    MappedFile guarded;
    ASSERT_TRUE(guarded.open(other));
    EXPECT_DEATH(
        {
            const int fd = ::open(path.c_str(), O_RDONLY);
            const void* bytes = ::mmap(nullptr, text.size(), PROT_READ, MAP_PRIVATE, fd, 0);
            ::ftruncate(::open(path.c_str(), O_WRONLY), 0);
            std::printf("%c", *static_cast<const volatile char*>(bytes));
        },
        "");
}
