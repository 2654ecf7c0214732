// Drawing documents: each an open drawing database with its file, and the manager that
// knows the current one. Locks nest per document (each lock needs its unlock), and a test
// may make the manager refuse them. A document with a file holds the file's lock between
// sessions (posix/openfilelock.h) while it is open, and knows the file as it read or last
// wrote it, so that a save sees whether another program changed it meanwhile.
#pragma once

#include "arx/errorstatus.h"
#include "posix/fileidentity.h"
#include "posix/openfilelock.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class AcDbDatabase;
class AcDbObjectId;

namespace AcAp {
enum DocLockMode { kNone = 0x00, kAutoWrite = 0x01, kNotLocked = 0x02, kWrite = 0x04, kProtectedAutoWrite = 0x14, kRead = 0x20, kXWrite = 0x40 };
}

class AcApDocument
{
public:
    AcApDocument(std::unique_ptr<AcDbDatabase> database, std::string fileName);
    ~AcApDocument();

    AcDbDatabase* database() const { return m_database.get(); }
    // The drawing's full path ("Drawing1.dxf" for a new drawing not yet saved).
    const char* fileName() const { return m_fileName.c_str(); }
    void setFileName(std::string fileName) { m_fileName = std::move(fileName); }
    // The file name without its folder.
    std::string docTitle() const;
    AcAp::DocLockMode lockMode() const;
    int lockCount() const { return m_lockCount; }
    bool isNew() const { return m_new; }
    void setNew(bool isNew) { m_new = isNew; }

    // The drawing was read from or written to its file, which was then as identity says
    // (none when unknown); the document holds the file's lock from now on.
    void tieToFile(std::optional<qv::FileIdentity> identity);
    // Whether the drawing's file is no longer as it was read or last written: another
    // program replaced or rewrote it. A file that is gone has not changed.
    bool fileChanged() const;
    // Whether this process may not write the drawing's file.
    bool isReadOnly() const;
    // What the document found of other sessions when it was tied to its file.
    const qv::OpenFileLock& fileLock() const { return m_lock; }

private:
    friend class AcApDocManager;
    std::unique_ptr<AcDbDatabase> m_database;
    std::string m_fileName;
    std::optional<qv::FileIdentity> m_file;
    qv::OpenFileLock m_lock;
    int m_lockCount = 0;
    bool m_new = false;
};

// Told of documents as they come and go; a reactor added while documents are open hears
// of those only as they go.
class AcApDocManagerReactor
{
public:
    virtual ~AcApDocManagerReactor() = default;
    virtual void documentCreated(AcApDocument*) {}
    virtual void documentToBeDestroyed(AcApDocument*) {}
};

class AcApDocManager
{
public:
    AcApDocument* curDocument() const { return m_current; }
    AcApDocument* mdiActiveDocument() const { return m_current; }
    int documentCount() const { return static_cast<int>(m_documents.size()); }
    AcApDocument* document(int index) const;

    // Opens a DXF drawing (a name ending ".dwg" is read as DXF text too) and makes it
    // current. On failure nothing changes and lastOpenError() says why: the system's reason
    // when the file cannot be read ("No such file or directory", "Is a directory"), else
    // what is wrong with its content. Says when this process may not write the file, and
    // when another session has it open too.
    Acad::ErrorStatus appContextOpenDocument(const char* path);
    // The open drawing that is the file at path, however either path is spelt (relative,
    // "..", a symbolic or hard link, backslashes): the same device and inode. None when no
    // open drawing is that file; a new drawing not yet saved is no file.
    AcApDocument* documentOfFile(const char* path) const;
    // A new empty drawing "DrawingN.dxf", made current.
    Acad::ErrorStatus appContextNewDocument(const char* templateName = nullptr);
    Acad::ErrorStatus setCurDocument(AcApDocument* document, AcAp::DocLockMode mode = AcAp::kNone, bool activate = false);
    // Closes without saving; another document becomes current.
    Acad::ErrorStatus closeDocument(AcApDocument* document);
    const std::string& lastOpenError() const { return m_openError; }

    Acad::ErrorStatus lockDocument(AcApDocument* document, AcAp::DocLockMode mode = AcAp::kWrite,
                                   const char* globalCommand = nullptr, const char* localCommand = nullptr,
                                   bool prompt = true);
    Acad::ErrorStatus unlockDocument(AcApDocument* document);

    // Queues text for the document's command line; the host runs it after the command.
    Acad::ErrorStatus sendStringToExecute(AcApDocument* document, const char* text, bool activate = true,
                                          bool wrapUpInactiveDoc = false, bool echoString = true);
    // Takes the queued text.
    std::string takePendingInput();

    // Tests decide whether a lock is granted; the decider's status is returned when not eOk.
    using LockDecider = std::function<Acad::ErrorStatus(AcApDocument*)>;
    void setLockDecider(LockDecider decider) { m_lockDecider = std::move(decider); }

    // Closes every document (at the end of the session).
    void closeAll();

    // Reactors are not owned; each is told once per event, in the order added.
    void addReactor(AcApDocManagerReactor* reactor);
    void removeReactor(AcApDocManagerReactor* reactor);

private:
    AcApDocument* add(std::unique_ptr<AcApDocument> document);
    void destroy(std::vector<std::unique_ptr<AcApDocument>>::iterator it);

    std::vector<std::unique_ptr<AcApDocument>> m_documents;
    AcApDocument* m_current = nullptr;
    std::string m_openError;
    std::string m_pendingInput;
    LockDecider m_lockDecider;
    std::vector<AcApDocManagerReactor*> m_reactors;
    int m_newCount = 0;
};

AcApDocManager* acDocManagerPtr();
#define acDocManager acDocManagerPtr()

// Locks the current document for write for the life of the object.
class AcAxDocLock
{
public:
    AcAxDocLock();
    ~AcAxDocLock();
    AcAxDocLock(const AcAxDocLock&) = delete;
    AcAxDocLock& operator=(const AcAxDocLock&) = delete;
    Acad::ErrorStatus lockStatus() const { return m_status; }

private:
    AcApDocument* m_document;
    Acad::ErrorStatus m_status;
};
