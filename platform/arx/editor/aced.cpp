#include "arx/aced.h"

#include "acedpick.h"
#include "arx/acdocman.h"
#include "arx/acedinput.h"
#include "arx/acedcmd.h"
#include "arx/acutprintf.h"
#include "arx/dbdatabase.h"
#include "arx/dbhatchpatterns.h"
#include "arx/dbsymtb.h"
#include "arx/dxftext.h"
#include "mfc/wnd.h"
#include "win/headless.h"

#include <QApplication>

#include <charconv>
#include <cmath>
#include <cstdarg>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

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

bool parseInt(const std::string& text, int& value)
{
    const std::string t = trimmed(text);
    const char* begin = t.c_str() + (t.size() > 0 && t[0] == '+' ? 1 : 0);
    const char* end = t.c_str() + t.size();
    const auto result = std::from_chars(begin, end, value);
    return begin != end && result.ec == std::errc() && result.ptr == end;
}

// Reads answers until one is valid; another is refused with message (qv::refuseAnswer) and,
// on a terminal, asked again with the prompt, or without one the text that stood before the
// answer (a prompt printed first).
template <class Parse>
int askUntilValid(const char* prompt, const char* message, Parse parse)
{
    showPrompt(prompt);
    const std::string asked = prompt && *prompt ? prompt : qv::openOutputLine();
    for (;;) {
        const qv::InputLine line = qv::readInput({}, qv::InputKind::word);
        if (line.status != qv::InputStatus::line)
            return RTCAN;
        if (trimmed(line.text).empty())
            return RTNONE;
        if (parse(line.text))
            return RTNORM;
        if (!qv::refuseAnswer(message))
            return RTCAN;
        qv::writeOutput(asked);
    }
}

// Host settings kept for the session.
std::map<std::string, short>& hostShorts()
{
    static std::map<std::string, short> values = {{"FILEDIA", 1}, {"PICKBOX", 3}, {"CMDECHO", 1}, {"PLOTDPI", 100}};
    return values;
}

// The values a host setting takes: PICKBOX is a size in pixels, PLOTDPI the dots per inch
// of raster plots (bounded so that an A0 sheet stays a picture memory can hold), the others
// switches.
bool inRange(const std::string& name, short value)
{
    if (name == "PLOTDPI")
        return value >= 50 && value <= 300;
    return value >= 0 && value <= (name == "PICKBOX" ? 50 : 1);
}

// Makes an existing layer, named in any letter case, the current one.
int setCurrentLayer(AcDbDatabase* db, const resbuf* value)
{
    if (value->restype != RTSTR || !value->resval.rstring)
        return RTERROR;
    AcDbLayerTable* layers = nullptr;
    if (db->getSymbolTable(layers, AcDb::kForRead) != Acad::eOk)
        return RTERROR;
    AcDbObjectId id;
    const Acad::ErrorStatus found = layers->getAt(value->resval.rstring, id);
    layers->close();
    return found == Acad::eOk && db->setClayer(id) == Acad::eOk ? RTNORM : RTERROR;
}

AcColorSettings colours;

std::string upper(const char* name)
{
    return qv::dxf::upper(name ? name : "");
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

void setPoint(resbuf* rb, const AcGePoint3d& p)
{
    rb->restype = RT3DPOINT;
    rb->resval.rpoint[0] = p.x;
    rb->resval.rpoint[1] = p.y;
    rb->resval.rpoint[2] = p.z;
}

// LASTPOINT takes a 2D or 3D point of finite coordinates, in the current UCS.
int setLastPoint(const resbuf* value)
{
    if (value->restype != RTPOINT && value->restype != RT3DPOINT)
        return RTERROR;
    const double* p = value->resval.rpoint;
    const AcGePoint3d point(p[0], p[1], value->restype == RT3DPOINT ? p[2] : 0.0);
    if (!std::isfinite(point.x) || !std::isfinite(point.y) || !std::isfinite(point.z))
        return RTERROR;
    qv::setLastPointFromUcs(qv::currentDatabase(), point);
    return RTNORM;
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
                                     [&](const std::string& text) { return qv::parseNumber(text, value); });
    if (status == RTNORM && result)
        *result = value;
    return status;
}

int acedGetString(int allowSpaces, const char* prompt, std::string& result)
{
    showPrompt(prompt);
    const qv::InputLine line = qv::readInput({}, allowSpaces ? qv::InputKind::text : qv::InputKind::word);
    if (line.status != qv::InputStatus::line)
        return RTCAN;
    result = line.text;
    return RTNORM;
}

int acedGetString(int allowSpaces, const char* prompt, char* result, std::size_t size)
{
    const std::string asked = prompt && *prompt ? prompt : qv::openOutputLine();
    std::string text;
    int status = acedGetString(allowSpaces, prompt, text);
    // An answer is never acted on cut: one the buffer cannot hold is refused.
    while (status == RTNORM && result && size > 0 && text.size() > size - 1) {
        const std::string why = "The answer is longer than " + std::to_string(size - 1) + " bytes; give a shorter one.";
        status = qv::refuseAnswer(why) ? acedGetString(allowSpaces, asked.c_str(), text) : RTCAN;
    }
    if (status == RTNORM && result && size > 0)
        std::memcpy(result, text.c_str(), text.size() + 1);
    return status;
}

int acedGetPoint(const ads_point, const char* prompt, ads_point result)
{
    AcDbDatabase* db = qv::currentDatabase();
    AcGePoint3d point;
    const int status = askUntilValid(prompt, "Invalid point.", [&](const std::string& text) {
        return qv::parsePoint(text, qv::lastPointInUcs(db), point);
    });
    if (status != RTNORM)
        return status;
    qv::setLastPointFromUcs(db, point);
    if (result) {
        result[0] = point.x;
        result[1] = point.y;
        result[2] = point.z;
    }
    return status;
}

namespace qv {

bool askReplace(const std::string& path, const std::string& state)
{
    const std::string prompt = path + " " + state + ". Replace it? [Yes/No] <No>: ";
    for (;;) {
        const InputLine line = readInput(prompt, InputKind::word);
        const std::string answer = line.status == InputStatus::line ? ::upper(::trimmed(line.text).c_str()) : "";
        if (answer.empty() || std::string("NO").starts_with(answer))
            return false;
        if (std::string("YES").starts_with(answer))
            return true;
        if (!refuseAnswer("Invalid option keyword."))
            return false;
    }
}

std::optional<bool> replacing(const std::string& path)
{
    std::error_code error;
    const std::filesystem::file_status status = std::filesystem::status(path, error);
    const bool exists = std::filesystem::exists(status) && !std::filesystem::is_directory(status);
    if (exists && inputInteractive() && !askReplace(path))
        return std::nullopt;
    return exists;
}

} // namespace qv

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
    if (n == "HPMAXLINES") {
        result->restype = RTLONG;
        result->resval.rlong = AcDbHatchPatterns::maxLines();
        return RTNORM;
    }
    AcDbDatabase* db = qv::currentDatabase();
    if (n == "LASTPOINT") {
        setPoint(result, qv::lastPointInUcs(db));
        return RTNORM;
    }
    if (!db)
        return RTERROR;
    if (n == "DBMOD")
        setShort(result, db->dbmod());
    else if (n == "SORTENTS")
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
    if (n == "LASTPOINT")
        return setLastPoint(value);
    if (n == "HPMAXLINES") {
        const bool whole = value->restype == RTLONG || value->restype == RTSHORT;
        const std::int32_t lines = value->restype == RTLONG ? value->resval.rlong : value->resval.rint;
        return whole && AcDbHatchPatterns::setMaxLines(lines) == Acad::eOk ? RTNORM : RTERROR;
    }
    const bool isShort = value->restype == RTSHORT;
    if (auto it = hostShorts().find(n); it != hostShorts().end()) {
        if (!isShort || !inRange(n, value->resval.rint))
            return RTERROR;
        it->second = value->resval.rint;
        return RTNORM;
    }
    AcDbDatabase* db = qv::currentDatabase();
    if (db && n == "CLAYER")
        return setCurrentLayer(db, value);
    if (!db || !isShort)
        return RTERROR;
    if (n == "SORTENTS")
        db->setSortEnts(value->resval.rint);
    else if (n == "LUNITS")
        return db->setLunits(value->resval.rint) == Acad::eOk ? RTNORM : RTERROR;
    else if (n == "INSUNITS")
        return value->resval.rint >= 0 && value->resval.rint <= AcDb::kUnitsMax
                && db->setInsunits(static_cast<AcDb::UnitsValue>(value->resval.rint)) == Acad::eOk
            ? RTNORM
            : RTERROR;
    else
        return RTERROR;
    return RTNORM;
}

namespace qv {

bool isReadOnlyVariable(const char* name)
{
    const std::string n = upper(name);
    return n == "DBMOD" || n == "DWGNAME" || n == "DWGPREFIX";
}

const std::vector<std::string>& systemVariableNames()
{
    static const std::vector<std::string> names = {"CLAYER",  "CMDECHO", "DBMOD",     "DWGNAME", "DWGPREFIX",
                                                   "FILEDIA", "HPMAXLINES", "INSUNITS", "LASTPOINT", "LUNITS",
                                                   "LUPREC",  "PICKBOX", "PLOTDPI", "SORTENTS"};
    return names;
}

} // namespace qv

int acedTrans(const ads_point point, const resbuf* from, const resbuf* to, int displacement, ads_point result)
{
    if (!from || !to || from->restype != RTSHORT || to->restype != RTSHORT)
        return RTERROR;
    const bool fromWorld = from->resval.rint == 0, toWorld = to->resval.rint == 0;
    AcGePoint3d in(point[0], point[1], point[2]), out = in;
    AcDbDatabase* db = qv::currentDatabase();
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

namespace {

qv::CommandRunner commandRunner;

std::string numberText(double value)
{
    char text[32];
    const auto result = std::to_chars(text, text + sizeof text, value);
    return std::string(text, result.ptr);
}

std::string pointText(const double* point, int dimensions)
{
    std::string text = numberText(point[0]);
    for (int i = 1; i < dimensions; ++i)
        text.append(",").append(numberText(point[i]));
    return text;
}

// The (type, value) pairs as texts, up to RTNONE; false for a type that has no text.
bool commandTexts(int type, va_list args, std::vector<std::string>& texts)
{
    for (; type != RTNONE; type = va_arg(args, int)) {
        switch (type) {
        case RTSTR: {
            const char* text = va_arg(args, const char*);
            texts.emplace_back(text ? text : "");
            break;
        }
        case RTSHORT:
        case RTLONG: texts.push_back(std::to_string(va_arg(args, int))); break;
        case RTREAL: texts.push_back(numberText(va_arg(args, double))); break;
        case RTPOINT:
        case RT3DPOINT: texts.push_back(pointText(va_arg(args, const double*), type == RTPOINT ? 2 : 3)); break;
        default: return false;
        }
    }
    return true;
}

// The command's name in capitals, without its "_" and "." prefixes.
std::string commandName(const std::string& text)
{
    const size_t start = text.find_first_not_of("_.");
    return start == std::string::npos ? std::string() : upper(text.substr(start).c_str());
}

bool runCommand(const std::string& name)
{
    if (commandRunner)
        return commandRunner(name);
    const AcEdCommand* command = acedRegCmds->lookupCmd(name.c_str());
    if (!command || !command->function)
        return false;
    command->function();
    return true;
}

} // namespace

int acedCommandS(int type, ...)
{
    std::vector<std::string> texts;
    va_list args;
    va_start(args, type);
    const bool known = commandTexts(type, args, texts);
    va_end(args);
    if (!known || (!texts.empty() && type != RTSTR))
        return RTERROR;
    if (texts.empty())
        return RTNORM;
    const std::string name = commandName(texts.front());
    if (name.empty())
        return RTERROR;
    qv::GivenAnswers answers(std::vector<std::string>(texts.begin() + 1, texts.end()));
    return runCommand(name) ? RTNORM : RTERROR;
}

namespace qv {
void setCommandRunner(CommandRunner runner) { commandRunner = std::move(runner); }
} // namespace qv

QWidget* acedGetAcadFrame()
{
    return qv::guiAvailable() ? QApplication::activeWindow() : nullptr;
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

namespace qv {

void hostTakesFocus()
{
    CWnd* active = CWnd::GetActiveWindow();
    if (active && active != AfxGetMainWnd() && active->SendMessage(WM_ACAD_KEEPFOCUS, 0, 0))
        return;
    AfxGetMainWnd()->SetActiveWindow();
}

} // namespace qv
