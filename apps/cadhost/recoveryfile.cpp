#include "recoveryfile.h"

#include "commandline.h"

#include "arx/acdocman.h"
#include "arx/dbdatabase.h"
#include "posix/recoveryfiles.h"
#include "win/winbase.h"

#include <sys/stat.h>

namespace {

bool taken(const std::string& path)
{
    struct stat info{};
    return ::lstat(path.c_str(), &info) == 0;
}

// A copy at the first free recovery name of base; none when the folder refuses it.
std::optional<std::string> writeNumbered(AcDbDatabase& db, const std::string& base, std::string& error)
{
    for (int number = 0; number <= qv::kMaxRecoveryNumber; ++number) {
        std::string path = qv::recoveryName(base, number);
        if (taken(path))
            continue;
        if (db.saveCopy(path.c_str()) == Acad::eOk)
            return path;
        if (!taken(path)) { // not a file made meanwhile under that name: the folder refuses it
            error = db.lastErrorMessage();
            return std::nullopt;
        }
    }
    const std::string first = qv::recoveryName(base, 0);
    error = "\"" + first + "\" and its numbered names up to " + std::to_string(qv::kMaxRecoveryNumber) + " are taken";
    return std::nullopt;
}

} // namespace

std::optional<std::string> writeRecoveryFile(AcDbDatabase& db, const std::string& drawing, std::string& error)
{
    error.clear();
    for (const std::string& base : qv::recoveryBases(nativePath(drawing.c_str()))) {
        std::string why;
        if (auto kept = writeNumbered(db, base, why))
            return kept;
        if (!error.empty())
            error.append("; ");
        error.append(why);
    }
    return std::nullopt;
}

void keepChangesInRecoveryFiles(const std::string& why)
{
    for (int i = 0; i < acDocManager->documentCount(); ++i) {
        AcApDocument* doc = acDocManager->document(i);
        if (doc->database()->dbmod() == 0)
            continue;
        const std::string drawing = doc->fileName();
        std::string error;
        if (const auto kept = writeRecoveryFile(*doc->database(), drawing, error))
            complain(why + ": the changes to \"" + drawing + "\" are in \"" + *kept + "\"");
        else
            complain(why + ": the changes to \"" + drawing + "\" are not saved: " + error);
    }
}
