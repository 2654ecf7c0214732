#include "host/acaddrawing.h"

#include "host/acadutilities.h"

#include "arx/acadauto.h"
#include "arx/dbdatabase.h"
#include "arx/dbsymtb.h"
#include "database/preferencesvaulteye.h"
#include "support/excustom.h"
#include "support/fileutilities.h"
#include "support/kavroguard.h"
#include "win/winbase.h"

#include <memory>

namespace {

// Where the temporary copies go when no server settings name a folder.
CString defaultTemporaryFolder()
{
    char folder[MAX_PATH];
    GetTempPath(MAX_PATH, folder);
    return folder;
}

// The name of a drawing's temporary copy: its extension (".dwg" or the drawing's own
// ".dxf") swapped for ".qrv".
CString copyName(const CString& drawingName)
{
    const CString extension = drawingName.Right(4) == ".dwg" ? ".dwg" : ".dxf";
    return CFileUtilities().swapFileExtension(drawingName, extension, ".qrv");
}

[[noreturn]] void raiseHostStatus(Acad::ErrorStatus status, const char* procSig, int line, const CString& drawing)
{
    throw new CEXUnhandled(status, KAVRO_PRODUCT_CAPTION, __FILE__, procSig, line, drawing, nullptr);
}

} // namespace

CAcadDrawing::CAcadDrawing(CString path, CString fileName)
{
    kavroGuard("CAcadDrawing::CAcadDrawing", __FILE__, [&] {
        CFileUtilities().checkPathSyntax(path);
        m_path = path;
        m_fileName = fileName;
        openDrawing();
    });
}

CAcadDrawing::~CAcadDrawing()
{
    // Nothing may leave a destructor: a failure to save, close or copy ends here.
    try {
        kavroGuard("CAcadDrawing::~CAcadDrawing", __FILE__, [&] {
            if (m_open && m_locked) {
                unlock(FALSE);
            } else if (m_open && !m_keepOpen) {
                const CString copy = m_saveOnClose ? saveAsTemp() : CString();
                if (closeDrawing() && !copy.IsEmpty())
                    CopyFile(copy, m_path + m_fileName, FALSE);
            }
            m_tempFiles.deleteTempFiles();
        });
    } catch (CEXKavro* e) {
        CEXKavro::deleteChain(e);
    }
}

void CAcadDrawing::openDrawing()
{
    kavroGuard("CAcadDrawing::openDrawing", __FILE__, [&] {
        const Acad::ErrorStatus status = acDocManagerPtr()->appContextOpenDocument(m_path + m_fileName);
        if (status != Acad::eOk)
            raiseHostStatus(status, "CAcadDrawing::openDrawing", 561, CString());
        m_document = acDocManagerPtr()->curDocument();
        m_open = TRUE;
    });
}

Acad::ErrorStatus CAcadDrawing::lock()
{
    return kavroGuard("CAcadDrawing::lock", __FILE__, [&] {
        if (m_locked) {
            ++m_lockCount;
            return Acad::eOk;
        }
        const Acad::ErrorStatus status =
            acDocManagerPtr()->lockDocument(m_document, AcAp::kWrite, nullptr, nullptr, true);
        if (status == Acad::eOk) {
            m_lockCount = 1;
            m_locked = TRUE;
        }
        return status;
    });
}

Acad::ErrorStatus CAcadDrawing::unlock(BOOL force)
{
    return kavroGuard("CAcadDrawing::unlock", __FILE__, [&] {
        if (!force && --m_lockCount != 0)
            return stillLocked;
        const Acad::ErrorStatus status = acDocManagerPtr()->unlockDocument(m_document);
        if (status == Acad::eOk)
            m_locked = FALSE;
        return status;
    });
}

Acad::ErrorStatus CAcadDrawing::postToDrawing(AcDbObjectId& id, AcDbEntity* entity)
{
    return kavroGuard("CAcadDrawing::postToDrawing", __FILE__, [&] {
        AcDbDatabase* database = m_document->database();
        const Acad::ErrorStatus locked = lock();
        if (locked != Acad::eOk)
            return locked;
        // On a failure the lock level taken above is released before the error is raised.
        auto fail = [&](Acad::ErrorStatus status, int line) {
            unlock(FALSE);
            raiseHostStatus(status, "CAcadDrawing::postToDrawing", line, CString());
        };
        AcDbBlockTable* table = nullptr;
        if (const Acad::ErrorStatus es = database->getSymbolTable(table, AcDb::kForRead); es != Acad::eOk)
            fail(es, 373);
        AcDbBlockTableRecord* modelSpace = nullptr;
        if (const Acad::ErrorStatus es = table->getAt(ACDB_MODEL_SPACE, modelSpace, AcDb::kForWrite, false);
            es != Acad::eOk) {
            table->close();
            fail(es, 382);
        }
        if (const Acad::ErrorStatus es = modelSpace->appendAcDbEntity(id, entity); es != Acad::eOk) {
            modelSpace->close();
            table->close();
            delete entity;
            fail(es, 391);
        }
        entity->close();
        modelSpace->close();
        table->close();
        unlock(FALSE);
        return Acad::eOk;
    });
}

void CAcadDrawing::setFullPath(CString fullPath)
{
    try {
        if (fullPath.IsEmpty())
            return;
        const int cut = std::max(fullPath.ReverseFind('\\'), fullPath.ReverseFind('/'));
        if (cut < 0) {
            m_fileName = fullPath;
            return;
        }
        m_path = fullPath.Left(cut + 1);
        m_fileName = fullPath.Mid(cut + 1);
    } catch (...) {
        // Nothing here may fail the caller.
    }
}

CString CAcadDrawing::temporaryFolder() const
{
    CString folder = vaultEyePreferences.getCount() > 0 && vaultEyePreferences.getAt(0)
                         ? vaultEyePreferences.getAt(0)->getAcadTempDirectory()
                         : defaultTemporaryFolder();
    CFileUtilities().checkPathSyntax(folder);
    return folder;
}

void CAcadDrawing::hostSave(const CString& fullPath)
{
    const Acad::ErrorStatus status = m_document->database()->saveAs(fullPath, true);
    if (status != Acad::eOk)
        raiseHostStatus(status, "CAcadDrawing::saveAsTemp", 786, fullPath);
}

CString CAcadDrawing::saveAsTemp()
{
    return kavroGuard("CAcadDrawing::saveAsTemp", __FILE__, [&] {
        // The copy is named after the drawing's own file, whatever folder fileName names.
        const int cut = std::max(m_fileName.ReverseFind('/'), m_fileName.ReverseFind('\\'));
        const CString result = temporaryFolder() + COleDateTime::GetCurrentTime().Format("%Y%m%d%Hh%M%S_") +
                               copyName(m_fileName.Mid(cut + 1));
        if (m_open)
            hostSave(result);
        m_tempFiles.add(result);
        return result;
    });
}

int CAcadDrawing::saveAs(CString targetFolder, CString targetFileName)
{
    return kavroGuard("CAcadDrawing::saveAs", __FILE__, [&] {
        CFileUtilities files;
        const CString folder = temporaryFolder();
        files.ensureDirectoryExists(folder);
        const CString temporary = folder + copyName(targetFileName);
        if (m_open && m_document->database()->saveAs(temporary, true) != Acad::eOk)
            throw new CEXCustom("unable to save drawing to temp location " + temporary, KAVRO_PRODUCT_CAPTION,
                                __FILE__, "CAcadDrawing::saveAs", 0, nullptr);
        if (!CopyFile(temporary, targetFolder + targetFileName, FALSE)) {
            if (const DWORD code = GetLastError())
                throw new CEXCustom("unable to copy drawing from temp location - " + getErrorText(code),
                                    KAVRO_PRODUCT_CAPTION, __FILE__, "CAcadDrawing::saveAs", 0, nullptr);
        }
        m_tempFiles.add(temporary);
        return 0;
    });
}

CString CAcadDrawing::getErrorText(DWORD code)
{
    char* buffer = nullptr;
    FormatMessage(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM, nullptr, code, 0,
                  reinterpret_cast<LPTSTR>(&buffer), 0, nullptr);
    CString text(buffer ? buffer : "");
    LocalFree(buffer);
    const int cr = text.Find('\r');
    return cr >= 0 ? text.Left(cr) : text;
}

BOOL CAcadDrawing::closeDrawing()
{
    return kavroGuard("CAcadDrawing::closeDrawing", __FILE__, [&] {
        IAcadApplication* application = AcadGetIDispatch(TRUE);
        application->put_Visible(VARIANT_TRUE);
        application->get_ActiveDocument()->Close(_variant_t(false), _variant_t::missing());
        return TRUE;
    });
}

void CAcadDrawing::zoomExtents()
{
    kavroGuard("CAcadDrawing::zoomExtents", __FILE__, [&] {
        IAcadApplication* application = AcadGetIDispatch(TRUE);
        application->put_Visible(VARIANT_TRUE);
        application->ZoomExtents();
    });
}

void CAcadDrawing::zoomPrevious()
{
    kavroGuard("CAcadDrawing::zoomPrevious", __FILE__, [&] {
        IAcadApplication* application = AcadGetIDispatch(TRUE);
        application->put_Visible(VARIANT_TRUE);
        application->ZoomPrevious();
    });
}

void CAcadDrawing::zoomWindow(AcGePoint3d first, AcGePoint3d second)
{
    kavroGuard("CAcadDrawing::zoomWindow", __FILE__, [&] {
        IAcadApplication* application = AcadGetIDispatch(TRUE);
        application->put_Visible(VARIANT_TRUE);
        _variant_t lower, upper;
        CAcadUtilities::createPointArray(&lower, first.x, first.y, first.z);
        CAcadUtilities::createPointArray(&upper, second.x, second.y, second.z);
        application->ZoomWindow(lower, upper);
    });
}

BOOL CAcadDrawing::regenDrawing()
{
    return kavroGuard("CAcadDrawing::regenDrawing", __FILE__, [&] {
        IAcadApplication* application = AcadGetIDispatch(TRUE);
        application->put_Visible(VARIANT_TRUE);
        application->get_ActiveDocument()->Regen(1);
        return TRUE;
    });
}
