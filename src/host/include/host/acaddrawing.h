// One host drawing document: the current one, wrapped by a command or dialog, or one opened
// by folder and file name. Changes to the drawing are bracketed by lock and unlock, which
// count nested calls so that the host's lock is taken once.
#pragma once

#include "arx/acdocman.h"
#include "arx/dblayout.h"
#include "arx/dbentity.h"
#include "arx/geometry.h"
#include "support/tempfiles.h"
#include "win/wintypes.h"

#include <functional>

class CAcadDrawing
{
public:
    CAcadDrawing() = default;
    // Opens path + fileName (the folder is repaired to end with a separator) as the current
    // document; raises when it cannot be opened. A drawing already open as that file, under
    // any spelling of its path, is made current and used instead, and says so.
    CAcadDrawing(CString path, CString fileName);
    // Releases a held lock level; unless kept open or found already open, closes the document
    // (saving a copy back first when asked); deletes the temporary copies.
    virtual ~CAcadDrawing();
    CAcadDrawing(const CAcadDrawing&) = delete;
    CAcadDrawing& operator=(const CAcadDrawing&) = delete;

    // Takes the host lock on the first call; later calls only count.
    Acad::ErrorStatus lock();
    // Releases one level (320 while levels remain), or with force the host lock at once.
    Acad::ErrorStatus unlock(BOOL force);
    // Appends the entity to model space under a lock level; the database owns it after.
    Acad::ErrorStatus postToDrawing(AcDbObjectId& id, AcDbEntity* entity);
    void openDrawing();

    // A copy in the temporary folder named by the time; deleted with this object.
    CString saveAsTemp();
    // Saves through the temporary folder and copies the result to folder + file name.
    int saveAs(CString targetFolder, CString targetFileName);
    // Closes the wrapped document without saving.
    BOOL closeDrawing();
    // Lets go of the wrapped document, which the host is destroying: the wrapper holds no
    // lock any more, reaches nothing and closes nothing (isOpen() is FALSE).
    void releaseDocument();
    void zoomExtents();
    void zoomPrevious();
    void zoomWindow(AcGePoint3d first, AcGePoint3d second);
    BOOL regenDrawing();
    CString getErrorText(DWORD code);

    // What a plot gives: the drawing's process state.
    enum PlotState { kNotPlotted = 0, kPlotted = 3, kFolderMissing = 8 };
    // Plots a layout (the active one for an empty name, whose name is then given back) to
    // folder + file name, the file given the device's extension: kPlotted, kFolderMissing,
    // or kNotPlotted for a drawing that is not open. A plot that fails raises.
    PlotState plot(CString& layoutName, CString folder, CString fileName, int device, int useSettings, int centred,
                   int scaleType, int plotArea, int media, int rotationFlag);
    PlotState plotToFile(CString& layoutName, CString fullPath, int device, int useSettings, int centred,
                         int scaleType, int plotArea, int media, int rotationFlag);
    // Through the host's publish engine, with its progress dialog.
    PlotState autoCADPlotToFile(CString& layoutName, CString fullPath, int device, int useSettings, int centred,
                                int scaleType, int plotArea, int media, int rotationFlag);
    // Through the host's EXPORT command, the format following from the file's extension.
    PlotState bricsCADPlotToFile(CString& layoutName, CString fullPath, int device, int useSettings, int centred,
                                 int scaleType, int plotArea, int media, int rotationFlag);
    // Sets the named layout's plot settings from the plot options (useSettings 0: its
    // extents scaled to fit); a layout that cannot be opened is left as it is.
    void setPlotSettings(CString layoutName, int device, int useSettings, int plotArea, int scaleType, int centred,
                         int media, int rotationFlag);

    AcApDocument* getDocument() const { return m_document; }
    void setDocument(AcApDocument* document) { m_document = document; }
    CString getPath() const { return m_path; }
    void setPath(CString path) { m_path = std::move(path); }
    CString getFileName() const { return m_fileName; }
    void setFileName(CString fileName) { m_fileName = std::move(fileName); }
    void setFullPath(CString fullPath);
    BOOL isOpen() const { return m_open; }
    void setOpen(BOOL open) { m_open = open; }
    BOOL isLocked() const { return m_locked; }
    int getLockCount() const { return m_lockCount; }
    void setKeepOpen(BOOL keepOpen) { m_keepOpen = keepOpen; }
    void setSaveOnClose(BOOL saveOnClose) { m_saveOnClose = saveOnClose; }
    void setTag(int tag) { m_tag = tag; }
    int getTag() const { return m_tag; }

    // The status unlock gives while lock levels remain.
    static constexpr Acad::ErrorStatus stillLocked = static_cast<Acad::ErrorStatus>(320);

private:
    CString temporaryFolder() const;
    void hostSave(const CString& fullPath);
    void closeAndCopyBack();
    void makeCurrentForPlot(const CString& layoutName, const char* procSig, int line);
    AcDbObjectId activeLayoutForPlot(CString* layoutName, const std::function<void(AcDbLayout&)>& change);

    CString m_path;
    CString m_fileName;
    AcApDocument* m_document = nullptr;
    BOOL m_open = FALSE;
    int m_tag = 0;
    BOOL m_locked = FALSE;
    int m_lockCount = 0;
    CTempFiles m_tempFiles;
    BOOL m_keepOpen = FALSE;
    BOOL m_saveOnClose = FALSE;
    // The document was open before the wrapper came to it: it holds the user's work, unsaved
    // changes and all, and stays open with the wrapper's changes in it.
    BOOL m_alreadyOpen = FALSE;
};
