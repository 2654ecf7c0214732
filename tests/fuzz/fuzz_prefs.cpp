// Reads "prefs.cfg" from arbitrary bytes, in an application-data folder of its own, and
// runs the commands that use the preferences on a small drawing: the gross-area block made
// from a rectangle, the space update and the text update with the preferred answers. The
// drawing must then be written and read back, and the preferences saved and read again
// must keep their values.
#include "arx/acdocman.h"
#include "arx/acedcmd.h"
#include "arx/acedinput.h"
#include "arx/acutprintf.h"
#include "arx/dbcurves.h"
#include "arx/dbdatabase.h"
#include "arx/dbsymtb.h"
#include "common/tempdir.h"
#include "module/moduleentry.h"
#include "module/preferences.h"
#include "win/messagebox.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

const TempDir& appData()
{
    static const TempDir dir;
    return dir;
}

[[noreturn]] void fail(const char* what)
{
    std::fprintf(stderr, "%s\n", what);
    std::abort();
}

// A closed 10 by 10 rectangle in model space of a new current drawing; its handle.
std::string newDrawingWithOutline()
{
    if (acDocManager->appContextNewDocument() != Acad::eOk)
        fail("no new drawing");
    AcDbDatabase* db = acDocManager->curDocument()->database();
    auto* outline = new AcDbPolyline;
    for (unsigned i = 0; i < 4; ++i)
        outline->addVertexAt(i, AcGePoint2d(i == 1 || i == 2 ? 10 : 0, i >= 2 ? 10 : 0));
    outline->setClosed(true);
    outline->setDatabaseDefaults(db);
    AcDbBlockTableRecord* space = nullptr;
    acdbOpenObject(space, db->modelSpaceId(), AcDb::kForWrite);
    AcDbObjectId id;
    space->appendAcDbEntity(id, outline);
    outline->close();
    space->close();
    return id.handle().text();
}

// Whether a value written with the decimals reads back as it was, to those decimals.
bool keeps(double written, double read, int decimals)
{
    return std::fabs(written - read) <= 0.5000001 * std::pow(10.0, -decimals) + std::fabs(written) * 1e-15;
}

// The preferences read from the file are saved, and must read back the same to the
// decimals the file holds.
void checkSavedValues(const std::string& path)
{
    CPreferences read;
    read.loadPreferences();
    if (!read.savePreferences())
        fail("the preferences could not be saved");
    CPreferences back;
    back.loadPreferences();
    if (back.getUnits() != read.getUnits() || back.getPrecision() != read.getPrecision() ||
        back.getInc() != read.getInc() || back.getCsvOpener() != read.getCsvOpener() ||
        !keeps(read.getTextSize(), back.getTextSize(), 2) || !keeps(read.getTextScale(), back.getTextScale(), 2) ||
        !keeps(read.getTextRotation(), back.getTextRotation(), 2) ||
        !keeps(read.getZoomBorder(), back.getZoomBorder(), 0))
        fail(("the saved preferences read back differently:\n" + readFile(path)).c_str());
}

// Runs a command of the module as the host does.
void run(const char* command)
{
    const AcEdCommand* registered = acedRegCmds->lookupCmd(command);
    if (!registered)
        fail("a command of the module is not registered");
    registered->function();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    setenv("XDG_DATA_HOME", appData().path().c_str(), 1);
    initModule();
    qv::setOutputSink([](const std::string&) {});
    qv::setMessageBoxSink([](const qv::MessageBoxCall& box) { return qv::defaultMessageBoxAnswer(box.type); });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string path = CPreferences().getFilePath().GetString();
    writeFile(path, std::string(reinterpret_cast<const char*>(data), size));

    const std::string outline = newDrawingWithOutline();
    qv::setInputSource(qv::makeLineInput({"#" + outline, "5,5"}));
    run("kgabc");
    run("kus");
    qv::setInputSource(qv::makeLineInput({"", "", ""}));
    run("kut");
    qv::setInputSource(nullptr);
    AcDbDatabase back(false);
    if (back.readDxfText(acDocManager->curDocument()->database()->dxfText()) != Acad::eOk)
        fail(("the reader refused the written drawing: " + back.lastErrorMessage()).c_str());
    acDocManager->closeAll();

    checkSavedValues(path);
    return 0;
}
