#include "module/preferences.h"

#include "mfc/file.h"
#include "module/quorvane.h"
#include "posix/atomicfile.h"
#include "support/exunhandled.h"
#include "support/fileutilities.h"
#include "support/kavroguard.h"
#include "support/utilities.h"
#include "win/messagebox.h"
#include "win/winbase.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace {

// The keys in the order the file holds them; the second is spelt "precison".
const char* const keys[] = {"units", "precison", "textSize", "textScale", "textRotation", "csvOpener", "zoomBorder", "inc"};

const char* const header = "//\tUser preferences of Quorvane, written by the preferences dialog\n"
                           "//\n"
                           "//\tConfiguration file for Quorvane\n"
                           "//\n";

// Shows an error chain made here and frees it.
void showAndDelete(CEXKavro* record)
{
    record->display();
    CEXKavro::deleteChain(record);
}

// The file's text with every line break written as carriage return and line feed.
std::string withCrLf(const CString& text)
{
    std::string out;
    for (char c : text.str()) {
        if (c == '\n')
            out += '\r';
        out += c;
    }
    return out;
}

// Values read from the file are brought into the range the program can work with; a value
// in range is kept exactly as read.

// The exact binary value of a double never has more than 1074 digits after the point, so
// more decimals would only add zeros (and a huge precision takes time and memory for
// nothing). A negative precision means six significant digits, as -1 does.
int usablePrecision(int precision)
{
    return std::clamp(precision, CUtilities::minPrecision, CUtilities::maxPrecision);
}

// Text sizes and scales are finite and positive: one of 0 or less becomes 0.1, as the
// preferences dialog makes it; one that is not finite is the default.
double usableSize(double value, double byDefault)
{
    if (!std::isfinite(value))
        return byDefault;
    return value > 0.0 ? value : 0.1;
}

// A rotation is finite and at most one turn either way; more turns are taken off.
double usableRotation(double degrees)
{
    if (!std::isfinite(degrees))
        return 0.0;
    return std::fabs(degrees) > 360.0 ? std::fmod(degrees, 360.0) : degrees;
}

double usableZoomBorder(double border)
{
    return std::isfinite(border) ? border : 1000.0;
}

} // namespace

CPreferences::CPreferences() : m_filePath(preferencesFolder + "prefs.cfg") {}

CString CPreferences::trimString(CString text)
{
    return text.Trim();
}

int CPreferences::parseInt(CString text)
{
    return CUtilities::CStringToInt(trimString(text));
}

double CPreferences::parseDouble(CString text)
{
    return CUtilities::CStringToDouble(trimString(text));
}

void CPreferences::readValue(const CString& key, const CString& value)
{
    if (key == "units")
        m_units = CMeasureUnits::fromPreference(parseInt(value));
    else if (key == "precison")
        m_precision = usablePrecision(parseInt(value));
    else if (key == "textSize")
        m_textSize = usableSize(parseDouble(value), 250.0);
    else if (key == "textScale")
        m_textScale = usableSize(parseDouble(value), 1.0);
    else if (key == "textRotation")
        m_textRotation = usableRotation(parseDouble(value));
    else if (key == "csvOpener")
        m_csvOpener = trimString(value);
    else if (key == "zoomBorder")
        m_zoomBorder = usableZoomBorder(parseDouble(value));
    else if (key == "inc")
        m_inc = parseInt(value);
}

bool CPreferences::loadPreferences()
{
    CStdioFile file;
    if (!file.Open(m_filePath, CFile::modeRead | CFile::typeText))
        return false;
    try {
        kavroGuard("CPreferences::loadPreferences", __FILE__, [&] {
            CString line;
            while (file.ReadString(line) && !line.IsEmpty()) {
                if (line.Left(2) == "//")
                    continue;
                // Each key that the line begins with takes the next line as its value.
                const CString keyLine = line;
                for (const char* key : keys) {
                    if (keyLine.Left(static_cast<int>(std::strlen(key))) != key)
                        continue;
                    CString value;
                    file.ReadString(value);
                    readValue(key, value);
                }
            }
        });
    } catch (CEXKavro* e) {
        showAndDelete(e);
        return false;
    }
    return true;
}

namespace {

// A size with two decimals, or as many more as it takes not to write a positive one as 0,
// which would read back as another value.
CString sizeText(double size)
{
    int decimals = 2;
    while (decimals < 15 && size > 0.0 && size < 0.5 * std::pow(10.0, -decimals))
        ++decimals;
    return CUtilities::DoubleToCString(size, decimals);
}

} // namespace

CString CPreferences::fileText() const
{
    const CString values[] = {
        CUtilities::IntToCString(m_units.preference()), CUtilities::IntToCString(m_precision),
        sizeText(m_textSize),                       sizeText(m_textScale),
        CUtilities::DoubleToCString(m_textRotation, 2), m_csvOpener,
        CUtilities::DoubleToCString(m_zoomBorder, 0), CUtilities::IntToCString(m_inc),
    };
    CString text = header;
    for (size_t i = 0; i < std::size(keys); ++i)
        text += CString(keys[i]) + "\n" + values[i] + "\n";
    return text;
}

bool CPreferences::savePreferences()
{
    try {
        return kavroGuard("CPreferences::savePreferences", __FILE__, [&] {
            if (!CFileUtilities().ensureDirectoryExists(preferencesFolder))
                return false;
            qv::AtomicFile file;
            const bool written = file.open(nativePath(m_filePath)) && file.write(withCrLf(fileText())) && file.commit();
            if (!written) {
                char* reason = nullptr;
                FormatMessage(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM, nullptr,
                              winErrorFromErrno(file.errorNumber()), 0, reinterpret_cast<LPTSTR>(&reason), 0, nullptr);
                const CString description = CString(reason ? reason : "").Left(1024);
                LocalFree(reason);
                MessageBox(nullptr, "Unable to Write Configuration File - " + description, "Error - Configuration Not Saved",
                           MB_OK | MB_ICONSTOP);
                return false;
            }
            return true;
        });
    } catch (CEXKavro* e) {
        showAndDelete(e);
        return false;
    }
}
