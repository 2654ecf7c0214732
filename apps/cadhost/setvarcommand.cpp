#include "setvarcommand.h"

#include "commandline.h"

#include "arx/acdocman.h"
#include "arx/aced.h"
#include "arx/acedinput.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdint>
#include <cstdlib>

namespace {

std::string number(double value)
{
    char text[32];
    const auto result = std::to_chars(text, text + sizeof text, value);
    return std::string(text, result.ptr);
}

// A variable's value as SETVAR shows it: a number, a quoted text, or a point "x,y,z".
std::string shownValue(const resbuf& value)
{
    switch (value.restype) {
    case RTSHORT: return std::to_string(value.resval.rint);
    case RTLONG: return std::to_string(value.resval.rlong);
    case RTSTR: return std::string("\"").append(value.resval.rstring ? value.resval.rstring : "").append("\"");
    case RT3DPOINT:
        return number(value.resval.rpoint[0]) + "," + number(value.resval.rpoint[1]) + "," +
               number(value.resval.rpoint[2]);
    default: return "?";
    }
}

// A point variable's new value: a point answer (relative ones too); none for Enter or a cancel.
resbuf* askPoint(const std::string& prompt)
{
    if (qv::inputInteractive())
        say(prompt);
    ads_point point;
    if (acedGetPoint(nullptr, nullptr, point) != RTNORM)
        return nullptr;
    resbuf* value = acutNewRb(RT3DPOINT);
    std::copy(point, point + 3, value->resval.rpoint);
    return value;
}

// A whole-number or text variable's new value, from an answer that is not empty; none for a
// number out of range (which is reported).
resbuf* parseValue(const std::string& text, short type)
{
    resbuf* value = acutNewRb(type);
    if (type != RTSHORT && type != RTLONG) {
        acutSetRbString(value, text.c_str());
        return value;
    }
    const bool isShort = type == RTSHORT;
    char* end = nullptr;
    errno = 0;
    const long v = std::strtol(text.c_str(), &end, 10);
    if (*end || errno == ERANGE || v < (isShort ? -32768L : INT32_MIN) || v > (isShort ? 32767L : INT32_MAX)) {
        qv::refuseAnswer("Requires an integer value.");
        acutRelRb(value);
        return nullptr;
    }
    if (isShort)
        value->resval.rint = static_cast<short>(v);
    else
        value->resval.rlong = static_cast<std::int32_t>(v);
    return value;
}

// Why a value was not taken: the layer CLAYER names is missing, or the value is out of the
// variable's range.
std::string refusal(const std::string& name, const resbuf& value)
{
    std::string text = "Cannot set ";
    text += name;
    text += " to ";
    text += shownValue(value);
    if (name == "CLAYER")
        text += ": the drawing has no such layer.";
    else if (name == "PICKBOX")
        text += ": it takes 0 to 50.";
    else if (name == "PLOTDPI")
        text += ": it takes 50 to 300.";
    else
        text += ".";
    return text;
}

// A variable's value as SETVAR shows it; "?" when it cannot be read.
std::string currentValue(const std::string& name)
{
    resbuf* current = acutNewRb(RTNONE);
    const std::string shown = acedGetVar(name.c_str(), current) == RTNORM ? shownValue(*current) : "?";
    acutRelRb(current);
    return shown;
}

// Every variable with its value, one a line.
void listVariables()
{
    for (const std::string& name : qv::systemVariableNames()) {
        std::string line = name;
        line.resize(std::max<size_t>(name.size() + 1, 12), ' ');
        line += currentValue(name);
        line += qv::isReadOnlyVariable(name.c_str()) ? "  (read only)\n" : "\n";
        say(line);
    }
}

} // namespace

void setVar()
{
    const auto name = askLine("Enter variable name or [?]: ", qv::InputKind::word);
    if (!name || name->empty())
        return;
    if (*name == "?") {
        listVariables();
        return;
    }
    const std::string key = upper(*name);
    resbuf* current = acutNewRb(RTNONE);
    const bool known = acedGetVar(key.c_str(), current) == RTNORM;
    const short type = current->restype;
    acutRelRb(current);
    if (!known) {
        // A drawing's variable is known only while a drawing is open.
        const auto& names = qv::systemVariableNames();
        const bool ofDrawing =
            !acDocManager->curDocument() && std::find(names.begin(), names.end(), key) != names.end();
        say(ofDrawing ? "No drawing is open.\n" : "\nUnknown variable name \"" + *name + "\".\n");
        return;
    }
    if (qv::isReadOnlyVariable(key.c_str())) {
        say(key + " = " + currentValue(key) + " (read only)\n");
        return;
    }
    const std::string prompt = "Enter new value for " + key + " <" + currentValue(key) + ">: ";
    for (;;) {
        resbuf* next = nullptr;
        if (type == RT3DPOINT) {
            next = askPoint(prompt);
            if (!next)
                return;
        } else {
            const auto text = askLine(prompt, type == RTSTR ? qv::InputKind::text : qv::InputKind::word);
            if (!text || text->empty())
                return;
            next = parseValue(*text, type);
        }
        const bool taken = next && acedSetVar(key.c_str(), next) == RTNORM;
        if (next && !taken)
            qv::refuseAnswer(refusal(key, *next));
        acutRelRb(next);
        if (taken)
            return;
    }
}
