// Reads the document-monitor settings from a file of arbitrary bytes and prints what it
// read as the diagnostics do. A file that cannot be read gives an error record; nothing
// else may leave the reader, and every server read is kept and freed.
#include "arx/acutprintf.h"
#include "common/tempdir.h"
#include "database/preferencesvaulteye.h"
#include "support/exkavro.h"
#include "win/messagebox.h"

#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    CPreferencesVaultEye::dumpWaitSeconds = 0;
    qv::setOutputSink([](const std::string&) {});
    qv::setMessageBoxSink([](const qv::MessageBoxCall& box) { return qv::defaultMessageBoxAnswer(box.type); });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const TempDir dir;
    const std::string path = dir.file("settings.xml");
    writeFile(path, std::string(reinterpret_cast<const char*>(data), size));
    CPreferencesVaultEye settings;
    try {
        settings.deSerialize(path.c_str());
    } catch (CEXKavro* record) {
        CEXKavro::deleteChain(record);
    }
    settings.dump("fuzz");
    return 0;
}
