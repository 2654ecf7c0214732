#include "arx/acdocman.h"

#include "arx/acutprintf.h"
#include "arx/dbdatabase.h"
#include "posix/atomicfile.h"
#include "posix/recoveryfiles.h"
#include "win/pump.h"
#include "win/winbase.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

AcApDocument::AcApDocument(std::unique_ptr<AcDbDatabase> database, std::string fileName)
    : m_database(std::move(database)), m_fileName(std::move(fileName))
{
}

AcApDocument::~AcApDocument() = default;

void AcApDocument::tieToFile(std::optional<qv::FileIdentity> identity)
{
    m_file = identity;
    m_lock.take(m_fileName);
}

bool AcApDocument::fileChanged() const
{
    const auto now = qv::FileIdentity::of(m_fileName);
    return now && m_file && *now != *m_file;
}

bool AcApDocument::isReadOnly() const { return !m_new && qv::isReadOnly(m_fileName); }

std::string AcApDocument::docTitle() const
{
    const size_t slash = m_fileName.rfind('/');
    return slash == std::string::npos ? m_fileName : m_fileName.substr(slash + 1);
}

AcAp::DocLockMode AcApDocument::lockMode() const
{
    return m_lockCount > 0 ? AcAp::kWrite : AcAp::kNotLocked;
}

AcApDocument* AcApDocManager::document(int index) const
{
    return index >= 0 && index < documentCount() ? m_documents[static_cast<size_t>(index)].get() : nullptr;
}

AcApDocument* AcApDocManager::add(std::unique_ptr<AcApDocument> document)
{
    m_documents.push_back(std::move(document));
    setCurDocument(m_documents.back().get());
    for (AcApDocManagerReactor* reactor : std::vector(m_reactors))
        reactor->documentCreated(m_current);
    return m_current;
}

namespace {

// Why the file cannot be read, with the status to return; eOk when it can be opened. What
// is not a regular file is refused without being opened: a FIFO would wait for a writer,
// and a device may never end.
Acad::ErrorStatus unreadable(const std::string& file, std::string& why)
{
    struct stat info{};
    int error = 0;
    if (::stat(file.c_str(), &info) != 0) {
        error = errno;
    } else if (S_ISDIR(info.st_mode)) {
        error = EISDIR;
    } else if (!S_ISREG(info.st_mode)) {
        why = "it is not a regular file";
        return Acad::eFileAccessErr;
    } else if (const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC); fd < 0) {
        error = errno;
    } else {
        ::close(fd);
    }
    if (error)
        why = std::strerror(error);
    return error == 0 ? Acad::eOk : error == ENOENT ? Acad::eFileNotFound : Acad::eFileAccessErr;
}

// Tells of the newest recovery file written for the drawing since it was last saved: a
// session ended from outside left its changes there, which this one would otherwise hide.
void sayRecovery(const std::string& name)
{
    const auto kept = qv::newestRecoveryFile(name);
    if (!kept)
        return;
    std::tm local{};
    char written[32] = "";
    if (localtime_r(&kept->written.tv_sec, &local))
        std::strftime(written, sizeof written, "%Y-%m-%d %H:%M:%S", &local);
    qv::writeOutput("\"" + name + "\" has a recovery file newer than it, \"" + kept->path + "\" (written " + written
                    + " by a session that ended with unsaved changes): to get them back, CLOSE this drawing, OPEN \""
                    + kept->path + "\" and SAVEAS \"" + name + "\".\n");
}

// Tells what stands in the way of saving a drawing just opened: its file is read-only, or
// another session has it open too; what its lock file told: it was left alone, or a session
// that had the drawing open has ended; and where changes it lost may be.
void sayHowShared(const AcApDocument& document)
{
    const std::string name = document.fileName();
    const qv::OpenFileLock& lock = document.fileLock();
    if (document.isReadOnly())
        qv::writeOutput("\"" + name + "\" is read-only: SAVE will not replace it; SAVEAS saves the drawing"
                        " under another name.\n");
    if (!lock.refused().empty())
        qv::writeOutput("The lock file of \"" + name + "\" is left alone: " + lock.refused() + ".\n");
    if (!lock.holder().empty())
        qv::writeOutput("\"" + name + "\" is open in another session too (" + lock.holder() + ").\n");
    if (!lock.ended().empty())
        qv::writeOutput("A session that held \"" + name + "\" (" + lock.ended() + ") has ended without closing it.\n");
    sayRecovery(name);
}

// The reader's message without the path in front of it, which the caller names anyway.
std::string withoutPath(const std::string& message, const std::string& file)
{
    const std::string prefix = file + ": ";
    return message.starts_with(prefix) ? message.substr(prefix.size()) : message;
}

} // namespace

Acad::ErrorStatus AcApDocManager::appContextOpenDocument(const char* path)
{
    m_openError.clear();
    const std::string file = nativePath(path);
    if (const Acad::ErrorStatus status = unreadable(file, m_openError); status != Acad::eOk)
        return status;
    const auto identity = qv::FileIdentity::of(file);   // before the read: a change during it shows
    auto database = std::make_unique<AcDbDatabase>(false, true);
    const Acad::ErrorStatus status = database->readDxfFile(file.c_str());
    if (status != Acad::eOk) {
        m_openError = withoutPath(database->lastErrorMessage(), file);
        return status;
    }
    auto document = std::make_unique<AcApDocument>(std::move(database), file);
    document->tieToFile(identity);
    sayHowShared(*add(std::move(document)));
    return Acad::eOk;
}

AcApDocument* AcApDocManager::documentOfFile(const char* path) const
{
    const std::string file = nativePath(path);
    for (const auto& document : m_documents) {
        std::error_code error;
        if (!document->isNew() && std::filesystem::equivalent(file, nativePath(document->fileName()), error))
            return document.get();
    }
    return nullptr;
}

Acad::ErrorStatus AcApDocManager::appContextNewDocument(const char*)
{
    auto document = std::make_unique<AcApDocument>(std::make_unique<AcDbDatabase>(true, true),
                                                   "Drawing" + std::to_string(++m_newCount) + ".dxf");
    document->setNew(true);
    add(std::move(document));
    return Acad::eOk;
}

Acad::ErrorStatus AcApDocManager::setCurDocument(AcApDocument* document, AcAp::DocLockMode, bool)
{
    if (document && std::none_of(m_documents.begin(), m_documents.end(),
                                 [&](const auto& d) { return d.get() == document; }))
        return Acad::eInvalidInput;
    m_current = document;
    acdbHostApplicationServices()->setWorkingDatabase(document ? document->database() : nullptr);
    return Acad::eOk;
}

Acad::ErrorStatus AcApDocManager::closeDocument(AcApDocument* document)
{
    const auto it = std::find_if(m_documents.begin(), m_documents.end(),
                                 [&](const auto& d) { return d.get() == document; });
    if (it == m_documents.end())
        return Acad::eInvalidInput;
    destroy(it);
    return Acad::eOk;
}

void AcApDocManager::destroy(std::vector<std::unique_ptr<AcApDocument>>::iterator it)
{
    for (AcApDocManagerReactor* reactor : std::vector(m_reactors))
        reactor->documentToBeDestroyed(it->get());
    const bool wasCurrent = it->get() == m_current;
    m_documents.erase(it);
    if (wasCurrent)
        setCurDocument(m_documents.empty() ? nullptr : m_documents.back().get());
}

void AcApDocManager::addReactor(AcApDocManagerReactor* reactor)
{
    if (reactor && std::find(m_reactors.begin(), m_reactors.end(), reactor) == m_reactors.end())
        m_reactors.push_back(reactor);
}

void AcApDocManager::removeReactor(AcApDocManagerReactor* reactor)
{
    m_reactors.erase(std::remove(m_reactors.begin(), m_reactors.end(), reactor), m_reactors.end());
}

Acad::ErrorStatus AcApDocManager::lockDocument(AcApDocument* document, AcAp::DocLockMode, const char*,
                                               const char*, bool)
{
    if (!document)
        return Acad::eNoDocument;
    if (m_lockDecider) {
        const Acad::ErrorStatus status = m_lockDecider(document);
        if (status != Acad::eOk)
            return status;
    }
    ++document->m_lockCount;
    return Acad::eOk;
}

Acad::ErrorStatus AcApDocManager::unlockDocument(AcApDocument* document)
{
    if (!document)
        return Acad::eNoDocument;
    if (document->m_lockCount == 0)
        return Acad::eNotApplicable;
    --document->m_lockCount;
    return Acad::eOk;
}

Acad::ErrorStatus AcApDocManager::sendStringToExecute(AcApDocument* document, const char* text, bool, bool, bool)
{
    if (!document || !text)
        return Acad::eInvalidInput;
    m_pendingInput += text;
    if (std::strchr(text, '\x1b'))
        qv::interruptInputWait(); // an ESC cancels the prompt that waits
    return Acad::eOk;
}

std::string AcApDocManager::takePendingInput()
{
    return std::exchange(m_pendingInput, std::string());
}

void AcApDocManager::closeAll()
{
    while (!m_documents.empty())
        destroy(std::prev(m_documents.end()));
}

AcApDocManager* acDocManagerPtr()
{
    static AcApDocManager manager;
    return &manager;
}

AcAxDocLock::AcAxDocLock()
    : m_document(acDocManagerPtr()->curDocument()), m_status(acDocManagerPtr()->lockDocument(m_document))
{
}

AcAxDocLock::~AcAxDocLock()
{
    if (m_status == Acad::eOk)
        acDocManagerPtr()->unlockDocument(m_document);
}
