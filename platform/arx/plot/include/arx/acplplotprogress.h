// The plot progress dialog: a title and captions set by index, the job's and the sheet's
// progress, and the notices of a plot's and a sheet's start and end. With a display it is a
// small window of its own (shown while visible); without one, what a visible dialog would
// show goes to the command line.
#pragma once

#include <array>
#include <memory>
#include <string>

class QWidget;
class PlotProgressWindow;

class AcPlPlotProgressDialogCallback;

class AcPlPlotProgressDialog
{
public:
    enum PlotMSGIndex {
        kDialogTitle = 0, kSheetName = 1, kSheetNameToolTip = 2, kStatus = 3, kSheetProgressCaption = 4,
        kSheetSetProgressCaption = 5, kMsgCancelling = 6, kMsgCancellingCurrent = 7, kCancelSheetBtnMsg = 8,
        kCancelJobBtnMsg = 9, kMsgCount = 10
    };

    AcPlPlotProgressDialog(QWidget* parent, int sheetCount, bool showCancelSheetButton);
    ~AcPlPlotProgressDialog();
    AcPlPlotProgressDialog(const AcPlPlotProgressDialog&) = delete;
    AcPlPlotProgressDialog& operator=(const AcPlPlotProgressDialog&) = delete;

    // Deletes the dialog (and its window).
    void destroy();

    // False for an index outside the list.
    bool setPlotMsgString(PlotMSGIndex index, const char* text);
    const char* getPlotMsgString(PlotMSGIndex index) const;

    void setIsVisible(bool visible);
    bool isVisible() const { return m_visible; }

    void onBeginPlot();
    void onEndPlot();
    void onBeginSheet();
    void onEndSheet();

    // Positions are kept within their range.
    void setPlotProgressRange(int low, int high);
    void setPlotProgressPos(int pos);
    int plotProgressPos() const { return m_plot.pos; }
    void setSheetProgressRange(int low, int high);
    void setSheetProgressPos(int pos);
    int sheetProgressPos() const { return m_sheet.pos; }

    // Whether the user asked to cancel (with the window's buttons).
    bool isPlotCancelled() const;
    bool isSheetCancelled() const;

    bool hasWindow() const { return m_window != nullptr; }

private:
    struct Progress
    {
        int low = 0, high = 100, pos = 0;
    };

    void setPos(Progress& progress, int pos, PlotMSGIndex caption);
    void refresh();
    // A line on the command line, when there is no window and the dialog is visible.
    void tell(const std::string& text) const;

    std::array<std::string, kMsgCount> m_messages;
    Progress m_plot, m_sheet;
    bool m_visible = false;
    std::unique_ptr<PlotProgressWindow> m_window;
};

// A new dialog (delete it with destroy()); preview dialogs and callbacks are not offered here,
// so isPreview and callback are ignored.
AcPlPlotProgressDialog* acplCreatePlotProgressDialog(QWidget* parent, bool isPreview = false, int sheetCount = 1,
                                                     AcPlPlotProgressDialogCallback* callback = nullptr,
                                                     bool showCancelSheetButton = true);
