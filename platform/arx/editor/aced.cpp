#include "arx/aced.h"

#include "arx/acdocman.h"
#include "arx/acedinput.h"
#include "arx/acutprintf.h"
#include "arx/dbdatabase.h"

#include <cctype>
#include <charconv>
#include <cstdarg>
#include <cstring>
#include <map>
#include <string>

namespace {

void showPrompt(const char* prompt)
{
    if (prompt && *prompt)
        qv::writeOutput(prompt);
}

std::string trimmed(const std::string& s)
{
    const size_t first = s.find_first_not_of(" \t");
    if (first == std::string::npos)
        return std::string();
    return s.substr(first, s.find_last_not_of(" \t") - first + 1);
}

bool parseReal(const std::string& text, double& value)
{
    const std::string t = trimmed(text);
    const char* begin = t.c_str() + (t.size() > 0 && t[0] == '+' ? 1 : 0);
    const char* end = t.c_str() + t.size();
    const auto result = std::from_chars(begin, end, value);
    return begin != end && result.ec == std::errc() && result.ptr == end;
}

bool parseInt(const std::string& text, int& value)
{
    const std::string t = trimmed(text);
    const char* begin = t.c_str() + (t.size() > 0 && t[0] == '+' ? 1 : 0);
    const char* end = t.c_str() + t.size();
    const auto result = std::from_chars(begin, end, value);
    return begin != end && result.ec == std::errc() && result.ptr == end;
}

bool parsePoint(const std::string& text, ads_point point)
{
    double values[3] = {0, 0, 0};
    size_t start = 0;
    int count = 0;
    for (; count < 3; ++count) {
        const size_t comma = text.find(',', start);
        if (!parseReal(text.substr(start, comma == std::string::npos ? std::string::npos : comma - start), values[count]))
            return false;
        if (comma == std::string::npos)
            break;
        start = comma + 1;
    }
    if (count < 1 || count > 2)
        return false;
    std::copy(values, values + 3, point);
    return true;
}

// Reads answers until one is valid; a refused answer prints message and asks again.
template <class Parse>
int askUntilValid(const char* prompt, const char* message, Parse parse)
{
    showPrompt(prompt);
    for (;;) {
        const qv::InputLine line = qv::readInput();
        if (line.status != qv::InputStatus::line)
            return RTCAN;
        if (trimmed(line.text).empty())
            return RTNONE;
        if (parse(line.text))
            return RTNORM;
        qv::writeOutput(std::string("\n") + message + "\n");
        showPrompt(prompt);
    }
}

// Host settings kept for the session.
std::map<std::string, short>& hostShorts()
{
    static std::map<std::string, short> values = {{"FILEDIA", 1}, {"PICKBOX", 3}, {"CMDECHO", 1}};
    return values;
}

AcColorSettings colours;

std::string upper(const char* name)
{
    std::string n = name ? name : "";
    for (char& c : n)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return n;
}

AcDbDatabase* currentDatabase()
{
    AcApDocument* doc = acDocManagerPtr()->curDocument();
    return doc ? doc->database() : acdbHostApplicationServices()->workingDatabase();
}

void setShort(resbuf* rb, short value)
{
    rb->restype = RTSHORT;
    rb->resval.rint = value;
}

void setString(resbuf* rb, const std::string& value)
{
    rb->restype = RTSTR;
    rb->resval.rstring = nullptr;
    acutSetRbString(rb, value.c_str());
}

} // namespace

int acedGetInt(const char* prompt, int* result)
{
    int value = 0;
    const int status = askUntilValid(prompt, "Requires an integer value.",
                                     [&](const std::string& text) { return parseInt(text, value); });
    if (status == RTNORM && result)
        *result = value;
    return status;
}

int acedGetReal(const char* prompt, ads_real* result)
{
    double value = 0;
    const int status = askUntilValid(prompt, "Requires numeric value.",
                                     [&](const std::string& text) { return parseReal(text, value); });
    if (status == RTNORM && result)
        *result = value;
    return status;
}

int acedGetString(int, const char* prompt, char* result, std::size_t size)
{
    showPrompt(prompt);
    const qv::InputLine line = qv::readInput();
    if (line.status != qv::InputStatus::line)
        return RTCAN;
    if (!result || size == 0)
        return RTNORM;
    std::string text = line.text;
    if (text.size() > size - 1) {
        size_t cut = size - 1;
        while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80)
            --cut; // never split a UTF-8 character
        text.resize(cut);
    }
    std::memcpy(result, text.c_str(), text.size() + 1);
    return RTNORM;
}

int acedGetPoint(const ads_point, const char* prompt, ads_point result)
{
    ads_point point = {0, 0, 0};
    const int status = askUntilValid(prompt, "Invalid point.",
                                     [&](const std::string& text) { return parsePoint(text, point); });
    if (status == RTNORM && result)
        std::copy(point, point + 3, result);
    return status;
}

int acedGetVar(const char* name, resbuf* result)
{
    if (!result)
        return RTERROR;
    const std::string n = upper(name);
    if (auto it = hostShorts().find(n); it != hostShorts().end()) {
        setShort(result, it->second);
        return RTNORM;
    }
    AcApDocument* doc = acDocManagerPtr()->curDocument();
    if (n == "DWGNAME" || n == "DWGPREFIX") {
        const std::string path = doc ? doc->fileName() : std::string();
        const size_t slash = path.rfind('/');
        setString(result, n == "DWGNAME" ? path.substr(slash == std::string::npos ? 0 : slash + 1)
                                         : path.substr(0, slash == std::string::npos ? 0 : slash + 1));
        return RTNORM;
    }
    AcDbDatabase* db = currentDatabase();
    if (!db)
        return RTERROR;
    if (n == "SORTENTS")
        setShort(result, static_cast<short>(db->sortEnts()));
    else if (n == "LUNITS")
        setShort(result, db->lunits());
    else if (n == "LUPREC")
        setShort(result, db->luprec());
    else if (n == "INSUNITS")
        setShort(result, static_cast<short>(db->insunits()));
    else if (n == "CLAYER") {
        std::string layer;
        db->getHeaderText("$CLAYER", 8, layer);
        setString(result, layer);
    } else
        return RTERROR;
    return RTNORM;
}

int acedSetVar(const char* name, const resbuf* value)
{
    if (!value)
        return RTERROR;
    const std::string n = upper(name);
    const bool isShort = value->restype == RTSHORT;
    if (auto it = hostShorts().find(n); it != hostShorts().end()) {
        if (!isShort)
            return RTERROR;
        it->second = value->resval.rint;
        return RTNORM;
    }
    AcDbDatabase* db = currentDatabase();
    if (!db || !isShort)
        return RTERROR;
    if (n == "SORTENTS")
        db->setSortEnts(value->resval.rint);
    else if (n == "LUNITS")
        return db->setLunits(value->resval.rint) == Acad::eOk ? RTNORM : RTERROR;
    else if (n == "INSUNITS")
        return db->setInsunits(static_cast<AcDb::UnitsValue>(value->resval.rint)) == Acad::eOk ? RTNORM : RTERROR;
    else
        return RTERROR;
    return RTNORM;
}

int acedTrans(const ads_point point, const resbuf* from, const resbuf* to, int displacement, ads_point result)
{
    if (!from || !to || from->restype != RTSHORT || to->restype != RTSHORT)
        return RTERROR;
    const bool fromWorld = from->resval.rint == 0, toWorld = to->resval.rint == 0;
    AcGePoint3d in(point[0], point[1], point[2]), out = in;
    AcDbDatabase* db = currentDatabase();
    if (fromWorld != toWorld && db) {
        const bool ok = fromWorld ? acdbWcs2Ucs(in, out, displacement != 0, db)
                                  : acdbUcs2Wcs(in, out, displacement != 0, db);
        if (!ok)
            return RTERROR;
    }
    result[0] = out.x;
    result[1] = out.y;
    result[2] = out.z;
    return RTNORM;
}

int acedCommandS(int type, ...)
{
    return type == RTNONE ? RTNORM : RTERROR;
}

bool acedGetCurrentColors(AcColorSettings* settings)
{
    if (!settings)
        return false;
    *settings = colours;
    return true;
}

bool acedSetCurrentColors(const AcColorSettings* settings)
{
    if (!settings)
        return false;
    colours = *settings;
    return true;
}
