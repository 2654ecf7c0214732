#include "host/acaddrawing.h"

#include "host/acadhost.h"
#include "host/acadutilities.h"

#include "arx/acadauto.h"
#include "arx/aced.h"
#include "arx/acplplotengine.h"
#include "arx/acplplotfactory.h"
#include "arx/acplplotinfovalidator.h"
#include "arx/acplplotpageinfo.h"
#include "arx/acplplotprogress.h"
#include "arx/acutprintf.h"
#include "arx/dbplotsetval.h"
#include "arx/dbdatabase.h"
#include "arx/dbsymtb.h"
#include "database/preferencesvaulteye.h"
#include "support/excustom.h"
#include "support/fileutilities.h"
#include "support/kavroguard.h"
#include "win/winbase.h"

#include <functional>
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

[[noreturn]] void raise(const CString& message, const char* procSig)
{
    throw new CEXCustom(message, KAVRO_PRODUCT_CAPTION, __FILE__, procSig, 0, nullptr);
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
    // Nothing may leave a destructor: a failure to save, close or copy back is printed on
    // the command line, and the temporary copies are deleted all the same.
    try {
        kavroGuard("CAcadDrawing::~CAcadDrawing", __FILE__, [&] {
            if (m_open && m_locked)
                unlock(FALSE);
            else if (m_open && !m_keepOpen && !m_alreadyOpen)
                closeAndCopyBack();
        });
    } catch (CEXKavro* e) {
        e->print();
        CEXKavro::deleteChain(e);
    } catch (...) {
        acutPrintf("\nCAcadDrawing::~CAcadDrawing: unhandled error\n");
    }
    cleanUpQuietly([&] { m_tempFiles.deleteTempFiles(); });
}

// Closes the drawing, first saving a copy when asked to and copying it back over the
// drawing's file once it is closed.
void CAcadDrawing::closeAndCopyBack()
{
    const CString copy = m_saveOnClose ? saveAsTemp() : CString();
    const CString target = m_path + m_fileName;
    if (closeDrawing() && !copy.IsEmpty() && !CopyFile(copy, target, FALSE))
        acutPrintf("\nThe changes to %s could not be copied back from %s - %s\n", target, copy,
                   getErrorText(GetLastError()));
}

// A drawing already open under any spelling of the path is made current and used, so that
// no second copy is read from disk beside it; else the file is opened.
void CAcadDrawing::openDrawing()
{
    kavroGuard("CAcadDrawing::openDrawing", __FILE__, [&] {
        m_document = acDocManagerPtr()->documentOfFile(m_path + m_fileName);
        m_alreadyOpen = m_document != nullptr;
        if (m_alreadyOpen) {
            acDocManagerPtr()->setCurDocument(m_document);
            acutPrintf("\"%s\" is already open; the open drawing is used.\n", m_document->fileName());
        } else if (const Acad::ErrorStatus status = acDocManagerPtr()->appContextOpenDocument(m_path + m_fileName);
                   status != Acad::eOk) {
            // The document manager says why, as the host does ("line 3: invalid group code").
            throw new CEXUnhandled("cannot open \"" + m_path + m_fileName + "\": " +
                                       acDocManagerPtr()->lastOpenError().c_str(),
                                   KAVRO_PRODUCT_CAPTION, __FILE__, "CAcadDrawing::openDrawing", status);
        } else {
            m_document = acDocManagerPtr()->curDocument();
        }
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
        // A drawing that is not open has nothing to save: a stale copy is never passed off.
        if (!m_open)
            raise("unable to save drawing to temp location " + temporary, "CAcadDrawing::saveAs");
        if (m_document->database()->saveAs(temporary, true) != Acad::eOk)
            raise("unable to save drawing to temp location " + temporary + " - " +
                      m_document->database()->lastErrorMessage().c_str(),
                  "CAcadDrawing::saveAs");
        m_tempFiles.add(temporary);
        if (!CopyFile(temporary, targetFolder + targetFileName, FALSE)) {
            if (const DWORD code = GetLastError())
                raise("unable to copy drawing from temp location - " + getErrorText(code), "CAcadDrawing::saveAs");
        }
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
        // The wrapped document is closed, never another one the user has made active.
        if (!m_document || acDocManagerPtr()->curDocument() == m_document)
            application->get_ActiveDocument()->Close(_variant_t(false), _variant_t::missing());
        else if (const Acad::ErrorStatus status = acDocManagerPtr()->closeDocument(m_document); status != Acad::eOk)
            raiseHostStatus(status, "CAcadDrawing::closeDrawing", 0, m_path + m_fileName);
        m_document = nullptr;
        m_open = FALSE;
        return TRUE;
    });
}

void CAcadDrawing::releaseDocument()
{
    m_document = nullptr;
    m_open = FALSE;
    m_locked = FALSE;
    m_lockCount = 0;
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

CAcadDrawing::PlotState CAcadDrawing::plot(CString& layoutName, CString folder, CString fileName, int device,
                                           int useSettings, int centred, int scaleType, int plotArea, int media,
                                           int rotationFlag)
{
    return kavroGuard("CAcadDrawing::plot", __FILE__, [&] {
        if (!m_open)
            return kNotPlotted;
        CFileUtilities files;
        files.checkPathSyntax(folder);
        CAcadUtilities::checkPlotFileExtension(fileName, CAcadUtilities::convertPlotDevice(device));
        if (!files.directoryExists(folder))
            return kFolderMissing;
        return plotToFile(layoutName, folder + fileName, device, useSettings, centred, scaleType, plotArea, media,
                          rotationFlag);
    });
}

CAcadDrawing::PlotState CAcadDrawing::plotToFile(CString& layoutName, CString fullPath, int device, int useSettings,
                                                 int centred, int scaleType, int plotArea, int media,
                                                 int rotationFlag)
{
    if (acadHost.getHostType() == CAcadHost::bricscad)
        return bricsCADPlotToFile(layoutName, fullPath, device, useSettings, centred, scaleType, plotArea, media,
                                  rotationFlag);
    return autoCADPlotToFile(layoutName, fullPath, device, useSettings, centred, scaleType, plotArea, media,
                             rotationFlag);
}

void CAcadDrawing::setPlotSettings(CString layoutName, int device, int useSettings, int plotArea, int scaleType,
                                   int centred, int media, int rotationFlag)
{
    kavroGuard("CAcadDrawing::setPlotSettings", __FILE__, [&] {
        AcDbLayout* layout = nullptr;
        if (acdbOpenObject(layout, acdbLayoutManager()->findLayoutNamed(layoutName), AcDb::kForWrite) != Acad::eOk)
            return;
        AcDbPlotSettingsValidator* validator = acdbHostApplicationServices()->plotSettingsValidator();
        validator->refreshLists(layout);
        validator->setPlotCfgName(layout, CAcadUtilities::convertPlotDevice(CAcadUtilities::convertPlotDevice(device)));
        if (useSettings == 0) {
            validator->setPlotType(layout, AcDbPlotSettings::kExtents);
            validator->setUseStandardScale(layout, true);
            validator->setStdScaleType(layout, AcDbPlotSettings::kScaleToFit);
        } else {
            layout->setPlotPlotStyles(true);
            layout->setPrintLineweights(true);
            layout->setScaleLineweights(true);
            // A plot type the host does not have is refused, as the validator would.
            if (plotArea >= AcDbPlotSettings::kDisplay && plotArea <= AcDbPlotSettings::kLayout)
                validator->setPlotType(layout, static_cast<AcDbPlotSettings::PlotType>(plotArea));
            validator->setUseStandardScale(layout, true);
            validator->setStdScaleType(layout, scaleType);
            validator->setPlotCentered(layout, centred != 0);
            validator->setCanonicalMediaName(layout, CAcadUtilities::convertMediaSize(CAcadUtilities::convertMediaSize(media)));
            validator->setPlotRotation(layout, rotationFlag == 0 ? AcDbPlotSettings::k90degrees
                                                                 : AcDbPlotSettings::k0degrees);
        }
        layout->close();
    });
}

// Plots go to the wrapped drawing, made current if another one is, and to its named
// layout, made current too; a layout the drawing does not have raises.
void CAcadDrawing::makeCurrentForPlot(const CString& layoutName, const char* procSig, int line)
{
    if (m_document && acDocManagerPtr()->curDocument() != m_document)
        acDocManagerPtr()->setCurDocument(m_document);
    if (layoutName.IsEmpty())
        return;
    if (const Acad::ErrorStatus status = acdbLayoutManager()->setCurrentLayout(layoutName); status != Acad::eOk)
        raiseHostStatus(status, procSig, line, m_path + m_fileName);
}

// The active layout's id, its name given back when asked for, after change has been applied
// to it (open for write); the validator's lists are refreshed for it.
AcDbObjectId CAcadDrawing::activeLayoutForPlot(CString* layoutName, const std::function<void(AcDbLayout&)>& change)
{
    AcDbBlockTableRecord* record = nullptr;
    if (const Acad::ErrorStatus es =
            acdbOpenObject(record, acdbLayoutManager()->getActiveLayoutBTRId(), AcDb::kForRead);
        es != Acad::eOk)
        raiseHostStatus(es, "CAcadDrawing::activeLayoutForPlot", 0, m_path + m_fileName);
    const AcDbObjectId layoutId = record->getLayoutId();
    record->close();
    AcDbLayout* layout = nullptr;
    if (const Acad::ErrorStatus es = acdbOpenObject(layout, layoutId, AcDb::kForWrite); es != Acad::eOk)
        raiseHostStatus(es, "CAcadDrawing::activeLayoutForPlot", 0, m_path + m_fileName);
    change(*layout);
    if (layoutName)
        layout->getName(*layoutName);
    acdbHostApplicationServices()->plotSettingsValidator()->refreshLists(layout);
    layout->close();
    return layoutId;
}

namespace {

struct EngineDestroyer
{
    void operator()(AcPlPlotEngine* engine) const { engine->destroy(); }
};
struct DialogDestroyer
{
    void operator()(AcPlPlotProgressDialog* dialog) const { dialog->destroy(); }
};

std::unique_ptr<AcPlPlotProgressDialog, DialogDestroyer> progressDialog(const CString& device)
{
    std::unique_ptr<AcPlPlotProgressDialog, DialogDestroyer> dialog(
        acplCreatePlotProgressDialog(acedGetAcadFrame(), false, 1, nullptr, true));
    dialog->setPlotMsgString(AcPlPlotProgressDialog::kDialogTitle, "KAVRO Graphic Report Engine - " + device);
    dialog->setPlotMsgString(AcPlPlotProgressDialog::kCancelJobBtnMsg, "Cancel Job");
    dialog->setPlotMsgString(AcPlPlotProgressDialog::kCancelSheetBtnMsg, "Cancel Sheet");
    dialog->setPlotMsgString(AcPlPlotProgressDialog::kSheetSetProgressCaption, "Job Progress");
    dialog->setPlotMsgString(AcPlPlotProgressDialog::kSheetProgressCaption, "Sheet Progress");
    dialog->setPlotProgressRange(0, 100);
    dialog->onBeginPlot();
    dialog->setIsVisible(true);
    return dialog;
}

// Runs the engine through one sheet; the first call that fails ends it, and its status is
// given with the engine's reason.
Acad::ErrorStatus plotSheet(AcPlPlotEngine& engine, AcPlPlotProgressDialog& dialog, AcPlPlotInfo& info,
                            const CString& documentName, const CString& fullPath)
{
    AcPlPlotPageInfo pageInfo;
    const std::function<Acad::ErrorStatus()> steps[] = {
        [&] { return engine.beginPlot(&dialog); },
        [&] { return engine.beginDocument(info, documentName, nullptr, 1, true, fullPath); },
        [&] {
            dialog.onBeginSheet();
            dialog.setSheetProgressRange(0, 100);
            dialog.setSheetProgressPos(0);
            return engine.beginPage(pageInfo, info, true);
        },
        [&] { return engine.beginGenerateGraphics(); },
        [&] { return engine.endGenerateGraphics(); },
        [&] { return engine.endPage(); },
        [&] {
            dialog.setSheetProgressPos(100);
            dialog.onEndSheet();
            dialog.setPlotProgressPos(100);
            return engine.endDocument();
        },
        [&] { return engine.endPlot(); },
    };
    for (const auto& step : steps)
        if (const Acad::ErrorStatus status = step(); status != Acad::eOk)
            return status;
    dialog.onEndPlot();
    return Acad::eOk;
}

} // namespace

CAcadDrawing::PlotState CAcadDrawing::autoCADPlotToFile(CString& layoutName, CString fullPath, int device,
                                                        int useSettings, int centred, int scaleType, int plotArea,
                                                        int media, int rotationFlag)
{
    return kavroGuard("CAcadDrawing::autoCADPlotToFile", __FILE__, [&] {
        makeCurrentForPlot(layoutName, "CAcadDrawing::autoCADPlotToFile", 0);
        AcAxDocLock lock;
        if (layoutName.IsEmpty())
            acdbLayoutManager()->getActiveLayoutName(layoutName, true);
        setPlotSettings(layoutName, device, useSettings, plotArea, scaleType, centred, media, rotationFlag);
        std::unique_ptr<AcDbPlotSettings> overrides;
        const AcDbObjectId layoutId = activeLayoutForPlot(nullptr, [&](AcDbLayout& layout) {
            overrides = std::make_unique<AcDbPlotSettings>(layout.modelType());
            overrides->copyFrom(&layout);
        });
        AcPlPlotEngine* created = nullptr;
        if (AcPlPlotFactory::createPublishEngine(created) != Acad::eOk)
            raise("unable to create the publish engine: nothing was plotted", "CAcadDrawing::autoCADPlotToFile");
        std::unique_ptr<AcPlPlotEngine, EngineDestroyer> engine(created);
        const CString deviceName = CAcadUtilities::convertPlotDevice(CAcadUtilities::convertPlotDevice(device));
        auto dialog = progressDialog(deviceName);
        AcPlPlotInfo info;
        info.setLayout(layoutId);
        info.setOverrideSettings(overrides.get());
        AcPlPlotInfoValidator validator;
        validator.setMediaMatchingPolicy(AcPlPlotInfoValidator::kMatchEnabled);
        validator.validate(info);
        const Acad::ErrorStatus status = plotSheet(*engine, *dialog, info, m_document->fileName(), fullPath);
        if (status != Acad::eOk)
            raise("unable to plot layout " + layoutName + " to " + fullPath + " - " +
                      (engine->errorMessage().empty() ? acadErrorStatusText(status) : engine->errorMessage().c_str()),
                  "CAcadDrawing::autoCADPlotToFile");
        return kPlotted;
    });
}

CAcadDrawing::PlotState CAcadDrawing::bricsCADPlotToFile(CString& layoutName, CString fullPath, int, int, int, int,
                                                         int, int, int)
{
    return kavroGuard("CAcadDrawing::bricsCADPlotToFile", __FILE__, [&] {
        makeCurrentForPlot(layoutName, "CAcadDrawing::bricsCADPlotToFile", 0);
        AcAxDocLock lock;
        activeLayoutForPlot(layoutName.IsEmpty() ? &layoutName : nullptr, [](AcDbLayout& layout) {
            layout.setPlotPlotStyles(true);
            layout.setPrintLineweights(true);
            layout.setScaleLineweights(true);
        });
        acedCommandS(RTNONE);
        acedCommandS(RTNONE);
        // The file dialogs are switched off for the export and then put back as they were.
        resbuf fileDialogs;
        fileDialogs.restype = RTSHORT;
        fileDialogs.resval.rint = 1;
        acedGetVar("FILEDIA", &fileDialogs);
        resbuf off;
        off.restype = RTSHORT;
        off.resval.rint = 0;
        acedSetVar("FILEDIA", &off);
        acutPrintf("%s\n\n", fullPath);
        CFileUtilities().deleteFile(fullPath);
        const int exported = acedCommandS(RTSTR, "_EXPORT", RTSTR, fullPath.GetString(), RTNONE);
        acedSetVar("FILEDIA", &fileDialogs);
        acedCommandS(RTNONE);
        acedCommandS(RTNONE);
        if (exported != RTNORM || !CFileUtilities().fileExists(fullPath))
            raise("unable to export layout " + layoutName + " to " + fullPath, "CAcadDrawing::bricsCADPlotToFile");
        return kPlotted;
    });
}
