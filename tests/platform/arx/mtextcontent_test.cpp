// Multiline text contents read into paragraphs and runs, each case described as paragraphs
// ("¶" between them, "N:" before one that starts a column) of runs ("·" between them): a
// run's characters, "→" a tab, "S(a/b)" a stack, and in braces what differs from the text's
// own format; a paragraph's own settings in angle brackets.
#include "mtextcontent.h"
#include "mtextlayout.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace {

std::string describe(const qv::MTextFormat& f, const qv::MTextFormat& base)
{
    std::string out;
    char buffer[64];
    auto add = [&](bool differs, const char* format, auto value) {
        if (differs) {
            std::snprintf(buffer, sizeof buffer, format, value);
            out += out.empty() ? "" : " ";
            out += buffer;
        }
    };
    add(f.height != base.height, "h=%g", f.height);
    add(f.widthFactor != 1, "w=%g", f.widthFactor);
    add(f.tracking != 1, "t=%g", f.tracking);
    add(f.rgb.has_value(), "c=%06X", f.rgb.value_or(0));
    add(!(f.font == base.font), "f=%s", (f.font.name + (f.font.bold ? "+b" : "") + (f.font.italic ? "+i" : "")).c_str());
    add(f.underline, "%s", "u");
    add(f.overline, "%s", "o");
    add(f.strike, "%s", "k");
    add(f.align != 0, "a=%d", f.align);
    return out.empty() ? out : std::string(1, '{').append(out).append(1, '}');
}

std::string describe(const qv::MTextContent& content, const qv::MTextFormat& base)
{
    std::string out;
    for (const qv::MTextParagraph& p : content.paragraphs()) {
        out += out.empty() ? "" : "¶";
        out += p.columnBreak ? "N:" : "";
        std::string settings;
        char buffer[64];
        if (p.align)
            settings.append(" q=").append(1, p.align);
        for (const auto& [name, value] : {std::pair{"i", p.indent}, {"l", p.left}, {"r", p.right}, {"s", p.lineSpacing}})
            if (value != 0) {
                std::snprintf(buffer, sizeof buffer, " %s=%g", name, value);
                settings += buffer;
            }
        for (double tab : p.tabs) {
            std::snprintf(buffer, sizeof buffer, " t%g", tab);
            settings += buffer;
        }
        if (!settings.empty())
            out.append(1, '<').append(settings, 1).append(1, '>');
        for (size_t i = 0; i < p.runs.size(); ++i) {
            const qv::MTextRun& run = p.runs[i];
            out += i > 0 ? "·" : "";
            if (run.kind == qv::MTextRun::kTab)
                out += "→";
            else if (run.kind == qv::MTextRun::kStack)
                out.append("S(").append(run.text).append(1, run.stack).append(run.lower).append(1, ')');
            else
                out += run.text;
            out += describe(run.format, base);
        }
    }
    return out;
}

} // namespace

TEST(MTextContent, CodesBecomeRunsAndParagraphs)
{
    qv::MTextFormat base;
    base.height = 2;
    base.font.name = "txt.shx";
    const struct {
        const char* contents;
        const char* expected;
    } cases[] = {
        {"a\\Pb\\Nc\\Xd", "a¶b¶N:c¶d"},
        {"{\\C1;red}\\C256;x\\C0;y{\\C7;z}", "red{c=FF0000}·xy·z{c=000000}"},
        {"\\c255;r\\c16711680;b\\c16777215;w", "r{c=FF0000}·b{c=0000FF}·w{c=000000}"},
        {"^Ia^Jb^Mc^ d^Ae^^f^a", "→·a¶b¶c^def^a"},
        {"%%065%%d%%p%%c%%%%%u%%1", "A\u00B0\u00B1\u2300%%%1"},
        // A shape font's signs, not a TrueType font's codes.
        {"%%127%%128%%129{\\Farial.ttf;%%127}", "\u00B0\u00B1\u2300·\u007F{f=arial.ttf}"},
        {"\\U+0041\\~\\\\\\{\\}\\M+1\\:", "A\u00A0\\{}\\M+1\\:"},
        {"1\\S1/2;\\S+0.2^ 0;\\S3#4;\\Sa\\/b;", "1·S(1/2)·S(+0.2^ 0)·S(3#4)·a/b"},
        {"\\H2x;a\\H3;b{\\H1e9;c}\\W0.5x;\\T9;d", "a{h=4}·b{h=3}·c{h=2000}·d{h=3 w=0.5 t=4}"},
        {"\\fArial|b1|i1|c0;a\\Fromans.shx;b{\\fTimes|b0;c}", "a{f=Arial+b+i}·b{f=romans.shx}·c{f=Times}"},
        {"\\Lu\\l\\Oo\\o\\Kk\\k\\A1;a\\Q15;b", "u{u}·o{o}·k{k}·ab{a=1}"},
        {"\\pxqc,i-1,l2,t4,8;a\\Pb\\pi*,q*,t,sm1.5;c", "<q=c i=-2 l=4 t8 t16>a¶<l=4 s=1.5>bc"},
        {"\\pxi-3,l4t4,r6;a\\P\\pxqj,se2;b", "<i=-6 l=8 t8 t12>a¶<q=j i=-6 l=8 s=2 t8 t12>b"},
        {"\\pxi1e308,t1e308;a\\H-1;\\Hnan;\\W0;b", "<i=2e+06 t2e+06>ab"},
        {"a}b{{c\\", "abc\\"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(describe(qv::MTextContent(c.contents, base), base), c.expected) << c.contents;
}

// Reading and laying out stop once what they hold passes the bound, not after.
TEST(MTextContent, WhatATextHoldsIsBoundedAsItIsMade)
{
    std::string contents;
    for (int i = 0; i < 1000; ++i)
        contents += "x y\\P";
    const qv::MTextContent content(contents, {}, 100);
    EXPECT_EQ(content.elements(), 101u);
    EXPECT_LE(content.paragraphs().size(), 51u);
    const qv::MTextLayout layout(qv::MTextContent(contents, {}), {}, [](std::string_view, const qv::PlotFont&) { return 1.0; },
                                 4000);
    EXPECT_FALSE(layout.isComplete());
    EXPECT_EQ(layout.elements(), 4001u);
    EXPECT_TRUE(qv::MTextLayout(qv::MTextContent("x y", {}), {}, [](std::string_view, const qv::PlotFont&) { return 1.0; }, 10)
                    .isComplete());
}

// A label (a text of one paragraph) up to 15% wider than its box is condensed onto its line,
// aligned and boxed as drawn; a wider one wraps, and so does a paragraph of a longer text.
TEST(MTextContent, LabelsALittleWiderThanTheirBoxAreCondensed)
{
    for (const auto& [width, contents, lines] :
         {std::tuple{4.75, "\\pxqr;60 m2", 1u}, {4.4, "\\pxqr;60 m2", 1u}, {4.3, "\\pxqr;60 m2", 2u},
          {2.0, "\\pxqr;60 m2", 2u}, {4.4, "Room\\P\\pxqr;60 m2", 3u}}) {
        qv::MTextGeometry geometry;
        geometry.width = width;
        const qv::MTextLayout layout(qv::MTextContent(contents, {}), geometry,
                                     [](std::string_view text, const qv::PlotFont&) { return static_cast<double>(text.size()); });
        EXPECT_EQ(layout.pieces().size(), lines) << contents << " " << width;
        EXPECT_NEAR(layout.box().maxX, width, 1e-9) << contents << " " << width;
    }
}
