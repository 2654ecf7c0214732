#include "reports/reportoutputs.h"

#include "arx/acutprintf.h"
#include "database/preferencesvaulteye.h"
#include "posix/staletemporaries.h"
#include "support/excustom.h"
#include "support/fileutilities.h"
#include "support/kavroguard.h"

#include <cerrno>
#include <cstring>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <sys/stat.h>
#include <tuple>
#include <unistd.h>

namespace {

// The extension of the target's name when it is short (the plot's writer gives its file the
// device's extension), else "". A leading dot starts one too: ".pdf" is all extension.
CString shortExtension(const CString& name)
{
    const int dot = name.ReverseFind('.');
    return dot >= 0 && name.GetLength() - dot <= 8 ? name.Mid(dot) : CString();
}

// A file by its folder on disk (device and inode) and its name there, as a move into place
// meets it; none when the folder is not there.
using FileKey = std::tuple<dev_t, ino_t, std::string>;

std::optional<FileKey> keyOf(const CString& path)
{
    const CString folder = CFileUtilities().getDirectoryString(path);
    struct stat found {};
    if (::stat(folder.IsEmpty() ? CString(".") : folder, &found) != 0)
        return std::nullopt;
    return FileKey{found.st_dev, found.st_ino, path.Mid(folder.GetLength()).str()};
}

// The files the reports of the batch run under way kept, each with its report's id.
std::map<FileKey, int>& keptInRun()
{
    static std::map<FileKey, int> kept;
    return kept;
}

// What went wrong: the description of the innermost record.
CString causeOf(const CEXKavro* failure)
{
    while (failure->getInnerException())
        failure = failure->getInnerException();
    return failure->getDescription();
}

} // namespace

CReportOutputs::~CReportOutputs()
{
    if (m_committed)
        putBack();
    for (const Output& output : m_outputs)
        if (!output.moved)
            ::unlink(output.staged);
}

CString CReportOutputs::temporaryIn(const CString& folder, const CString& target)
{
    static int serial = 0;
    CString name;
    name.Format(".~qv%s%d", qv::temporaryTag().c_str(), ++serial);
    return folder + name + shortExtension(target.Mid(folder.GetLength()));
}

void CReportOutputs::beginRun()
{
    qv::sweepFoldersAgain();
    keptInRun().clear();
}

CString CReportOutputs::writtenInRun(const CString& path)
{
    const std::optional<FileKey> key = keyOf(path);
    const auto kept = key ? keptInRun().find(*key) : keptInRun().end();
    if (kept == keptInRun().end())
        return CString();
    CString fault;
    fault.Format("graphic report %d of this run wrote it", kept->second);
    return fault;
}

CString CReportOutputs::stage(const CString& path, CGraphicReportStatus failure)
{
    const CString folder = CFileUtilities().getDirectoryString(path);
    qv::sweepStaleTemporaries(folder.str());
    const CString staged = temporaryIn(folder, path);
    m_outputs.push_back(Output{staged, path, CString(), failure, false});
    return staged;
}

bool CReportOutputs::holds(const CString& path) const
{
    // A move replaces a folder's entry: two paths meet when their names are the same in the
    // same folder, whatever a link at that name leads to.
    CFileUtilities files;
    const CString folder = files.getDirectoryString(path);
    for (const Output& output : m_outputs) {
        const CString outputFolder = files.getDirectoryString(output.target);
        if (output.target.Mid(outputFolder.GetLength()) == path.Mid(folder.GetLength()) &&
            files.isSameFile(outputFolder, folder))
            return true;
    }
    return false;
}

bool CReportOutputs::moveIntoPlace(Output& output)
{
    const CString kept = temporaryIn(CFileUtilities().getDirectoryString(output.target), output.target);
    if (::link(output.target, kept) == 0) {
        output.kept = kept;
    } else if (errno != ENOENT) {
        // A folder stays where it is; on a file system without hard links the old file is
        // moved aside instead.
        struct stat found {};
        if (::lstat(output.target, &found) == 0 && S_ISDIR(found.st_mode)) {
            errno = EISDIR;
            return false;
        }
        if (::rename(output.target, kept) != 0)
            return false;
        output.kept = kept;
    }
    if (::rename(output.staged, output.target) != 0)
        return false;
    output.moved = true;
    return true;
}

ReportStepOutcome CReportOutputs::commit()
{
    for (Output& output : m_outputs) {
        if (moveIntoPlace(output))
            continue;
        const CString cause = std::strerror(errno);
        putBack();
        CEXCustom failure("unable to move " + output.staged + " into place as " + output.target + " - " + cause,
                          KAVRO_PRODUCT_CAPTION, __FILE__, "CReportOutputs::commit", 0, nullptr);
        reportFailure("The report's files were left as they were", &failure);
        return output.failure;
    }
    m_committed = true;
    return std::nullopt;
}

void CReportOutputs::keep()
{
    for (const Output& output : m_outputs) {
        if (!output.kept.IsEmpty())
            ::unlink(output.kept);
        if (!output.moved)
            continue;
        if (const std::optional<FileKey> key = keyOf(output.target))
            keptInRun().emplace(*key, m_report);
    }
    m_committed = false;
}

void CReportOutputs::putBack()
{
    for (auto output = m_outputs.rbegin(); output != m_outputs.rend(); ++output) {
        if (!output->kept.IsEmpty()) {
            // A kept hard link is the old file under a second name: renaming it back over
            // the target, which may still be that file, leaves the link to remove.
            ::rename(output->kept, output->target);
            ::unlink(output->kept);
        } else if (output->moved) {
            ::unlink(output->target);
        }
        output->kept.Empty();
        output->moved = false;
    }
    m_committed = false;
}

void CReportOutputs::reportFailure(const CString& what, CEXKavro* failure)
{
    acutPrintf("\t%s: %s\n", what, causeOf(failure));
    if (vaultEyePreferences.getErrorLogCount() == 0)
        return;
    try {
        failure->writeToErrorLogs(&vaultEyePreferences);
    } catch (CEXKavro* e) {
        const std::unique_ptr<CEXKavro, void (*)(CEXKavro*)> logFailure(e, CEXKavro::deleteChain);
        acutPrintf("\tThe error log was not written: %s\n", causeOf(logFailure.get()));
    }
}
