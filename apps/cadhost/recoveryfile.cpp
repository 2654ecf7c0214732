#include "recoveryfile.h"

#include "commandline.h"

#include "arx/acdocman.h"
#include "arx/dbdatabase.h"
#include "win/homefolder.h"
#include "win/winbase.h"

#include <filesystem>
#include <sys/stat.h>

namespace {

// Past this many recovery files of a drawing in one folder, the folder takes no more.
constexpr int kMaxNumber = 999;

bool taken(const std::string& path)
{
    struct stat info{};
    return ::lstat(path.c_str(), &info) == 0;
}

// A copy at the first free name of base.save, base.save.1, ...; none when the folder
// refuses it.
std::optional<std::string> writeNumbered(AcDbDatabase& db, const std::string& base, std::string& error)
{
    for (int number = 0; number <= kMaxNumber; ++number) {
        std::string path = base + ".save";
        if (number > 0)
            path.append(".").append(std::to_string(number));
        if (taken(path))
            continue;
        if (db.saveCopy(path.c_str()) == Acad::eOk)
            return path;
        if (!taken(path)) { // not a file made meanwhile under that name: the folder refuses it
            error = db.lastErrorMessage();
            return std::nullopt;
        }
    }
    error = "\"" + base + ".save\" and its numbered names up to " + std::to_string(kMaxNumber) + " are taken";
    return std::nullopt;
}

} // namespace

std::optional<std::string> writeRecoveryFile(AcDbDatabase& db, const std::string& drawing, std::string& error)
{
    const std::string path = nativePath(drawing.c_str());
    if (auto kept = writeNumbered(db, path, error))
        return kept;
    const std::filesystem::path folder = std::filesystem::path(path).parent_path();
    const std::string home = qv::homeFolder();
    std::error_code same;
    if (home.empty() || std::filesystem::equivalent(folder.empty() ? "." : folder, home, same))
        return std::nullopt;
    std::string homeError;
    auto kept = writeNumbered(db, home + "/" + std::filesystem::path(path).filename().string(), homeError);
    if (!kept)
        error += "; " + homeError;
    return kept;
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
