// A module for the end-to-end tests of cadhost: its commands ask through every prompt of
// the host and print what they got, so that a script can drive each path of the editor and
// read the outcome on standard output. Loaded with "cadhost --module libqvtestmodule.so".
//
// Each prompt's outcome is printed as "<what>: <value>" for an answer, "<what>: none" for
// Enter, "<what>: cancel" for a cancel or the end of input, and "<what>: status N" for any
// other status (which the host never gives).
#include "arx/acdocman.h"
#include "arx/aced.h"
#include "arx/acedcmd.h"
#include "arx/acrxapp.h"
#include "arx/acutprintf.h"
#include "arx/dbcurves.h"
#include "arx/dbdatabase.h"
#include "arx/dbsymtb.h"

#include <chrono>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <thread>

namespace {

const char* const group = "QVTEST";

// Prints the outcome of a prompt; true when it was an answer.
bool report(const char* what, int status, const std::string& value)
{
    if (status == RTNORM)
        acutPrintf("%s: %s\n", what, value);
    else if (status == RTNONE)
        acutPrintf("%s: none\n", what);
    else if (status == RTCAN)
        acutPrintf("%s: cancel\n", what);
    else
        acutPrintf("%s: status %d\n", what, status);
    return status == RTNORM;
}

std::string number(double value)
{
    char text[64];
    std::snprintf(text, sizeof text, "%.17g", value);
    return text;
}

void askInt()
{
    int value = 0;
    const int status = acedGetInt("Integer: ", &value);
    report("int", status, std::to_string(value));
}

void askReal()
{
    ads_real value = 0;
    const int status = acedGetReal("Real: ", &value);
    report("real", status, number(value));
}

void askString()
{
    char text[133] = "unchanged";
    const int status = acedGetString(1, "Text: ", text);
    report("text", status, std::string("[") + text + "]");
}

std::string pointText(const ads_point p)
{
    return number(p[0]) + "," + number(p[1]) + "," + number(p[2]);
}

void askPoint()
{
    ads_point point = {-1, -1, -1};
    const int status = acedGetPoint(nullptr, "Point: ", point);
    report("point", status, pointText(point));
}

// Asks for an integer until one is given; Enter asks again. Any status but RTNORM and
// RTNONE (a cancel, the end of input) ends the loop: a command must never ask on forever.
void askUntilAnswered()
{
    for (int attempt = 1;; ++attempt) {
        int value = 0;
        const int status = acedGetInt("Integer please: ", &value);
        if (status == RTNONE) {
            acutPrintf("attempt %d: none\n", attempt);
            continue;
        }
        report("loop", status, std::to_string(value));
        acutPrintf("attempts: %d\n", attempt);
        return;
    }
}

// Two prompts in a row: after the end of input both must be cancelled at once.
void askPair()
{
    int first = 0;
    const int firstStatus = acedGetInt("First: ", &first);
    report("first", firstStatus, std::to_string(first));
    char second[133] = "";
    const int secondStatus = acedGetString(1, "Second: ", second);
    report("second", secondStatus, second);
    acutPrintf("pair done\n");
}

void countEntities()
{
    AcApDocument* doc = acDocManager->curDocument();
    if (!doc) {
        acutPrintf("entities: no document\n");
        return;
    }
    AcDbBlockTableRecord* space = nullptr;
    if (acdbOpenObject(space, doc->database()->modelSpaceId(), AcDb::kForRead) != Acad::eOk) {
        acutPrintf("entities: cannot open model space\n");
        return;
    }
    AcDbBlockTableRecordIterator* it = nullptr;
    int count = 0;
    if (space->newIterator(it) == Acad::eOk) {
        for (; !it->done(); it->step())
            ++count;
        delete it;
    }
    space->close();
    acutPrintf("entities: %d\n", count);
}

void printFileName()
{
    AcApDocument* doc = acDocManager->curDocument();
    if (!doc)
        acutPrintf("file: no document\n");
    else
        acutPrintf("file: %s (%d open)\n", doc->fileName(), acDocManager->documentCount());
}

void printProduct()
{
    acutPrintf("product: %s\n", acdbHostApplicationServices()->product());
}

// Prints a system variable whose name it asks for.
void printVariable()
{
    char name[133] = "";
    if (acedGetString(0, "Variable: ", name) != RTNORM)
        return;
    resbuf* value = acutNewRb(RTNONE);
    if (acedGetVar(name, value) != RTNORM)
        acutPrintf("%s: unknown\n", name);
    else if (value->restype == RTSHORT)
        acutPrintf("%s: %d\n", name, static_cast<int>(value->resval.rint));
    else if (value->restype == RTLONG)
        acutPrintf("%s: %d\n", name, static_cast<int>(value->resval.rlong));
    else if (value->restype == RTSTR)
        acutPrintf("%s: \"%s\"\n", name, value->resval.rstring ? value->resval.rstring : "");
    else if (value->restype == RT3DPOINT)
        acutPrintf("%s: %s,%s,%s\n", name, number(value->resval.rpoint[0]), number(value->resval.rpoint[1]),
                   number(value->resval.rpoint[2]));
    else
        acutPrintf("%s: type %d\n", name, static_cast<int>(value->restype));
    acutRelRb(value);
}

// Asks for two points and draws a line between them in model space (a change of the
// drawing).
void drawLine()
{
    ads_point from = {0, 0, 0}, to = {0, 0, 0};
    const int fromStatus = acedGetPoint(nullptr, "From point: ", from);
    if (!report("from", fromStatus, pointText(from)))
        return;
    const int toStatus = acedGetPoint(from, "To point: ", to);
    if (!report("to", toStatus, pointText(to)))
        return;
    AcDbDatabase* db = acDocManager->curDocument()->database();
    AcGePoint3d start(from[0], from[1], from[2]), end(to[0], to[1], to[2]);
    acdbUcs2Wcs(start, start, false, db);
    acdbUcs2Wcs(end, end, false, db);
    AcDbBlockTableRecord* space = nullptr;
    if (acdbOpenObject(space, db->modelSpaceId(), AcDb::kForWrite) != Acad::eOk)
        return;
    auto* line = new AcDbLine(start, end);
    AcDbObjectId id;
    if (space->appendAcDbEntity(id, line) == Acad::eOk)
        line->close();
    else
        delete line;
    space->close();
    acutPrintf("line drawn\n");
}

// Works for a second without asking anything (a long command to interrupt).
void work()
{
    acutPrintf("working\n");
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(1);
    while (std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    acutPrintf("work done\n");
}

// A command that fails with an exception: the host must survive it.
void throwError()
{
    acutPrintf("throwing\n");
    throw std::runtime_error("test module failure");
}

struct Command
{
    const char* globalName;
    const char* localName;
    AcRxFunctionPtr function;
};

const Command commands[] = {
    {"QVINT", "QVINT", askInt},
    {"QVREAL", "QVREAL", askReal},
    {"QVSTRING", "QVTEXT", askString},
    {"QVPOINT", "QVPOINT", askPoint},
    {"QVLOOP", "QVLOOP", askUntilAnswered},
    {"QVPAIR", "QVPAIR", askPair},
    {"QVCOUNT", "QVCOUNT", countEntities},
    {"QVNAME", "QVNAME", printFileName},
    {"QVPRODUCT", "QVPRODUCT", printProduct},
    {"QVGETVAR", "QVGETVAR", printVariable},
    {"QVTHROW", "QVTHROW", throwError},
    {"QVLINE", "QVLINE", drawLine},
    {"QVWORK", "QVWORK", work},
};

} // namespace

extern "C" AcRx::AppRetCode acrxEntryPoint(AcRx::AppMsgCode message, void* appId)
{
    switch (message) {
    case AcRx::kInitAppMsg:
        acrxDynamicLinker->unlockApplication(appId);
        acrxDynamicLinker->registerAppMDIAware(appId);
        for (const Command& c : commands)
            acedRegCmds->addCommand(group, c.globalName, c.localName, ACRX_CMD_MODAL, c.function);
        break;
    case AcRx::kUnloadAppMsg:
        acutPrintf("unloaded: %s\n", acedRegCmds->removeGroup(group) == Acad::eOk ? "group removed" : "no group");
        break;
    default:
        break;
    }
    return AcRx::kRetOK;
}

extern "C" int acrxGetApiVersion()
{
    return ACRX_API_VERSION;
}
