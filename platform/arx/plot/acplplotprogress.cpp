#include "arx/acplplotprogress.h"

#include "plotprogresswindow.h"

#include "arx/acutprintf.h"
#include "win/headless.h"

#include <QCoreApplication>
#include <algorithm>

namespace {

QString qs(const std::string& text) { return QString::fromStdString(text); }

} // namespace

AcPlPlotProgressDialog::AcPlPlotProgressDialog(QWidget* parent, int, bool showCancelSheetButton)
{
    if (qv::guiAvailable())
        m_window = std::make_unique<PlotProgressWindow>(parent, showCancelSheetButton);
}

AcPlPlotProgressDialog::~AcPlPlotProgressDialog() = default;

void AcPlPlotProgressDialog::destroy() { delete this; }

bool AcPlPlotProgressDialog::setPlotMsgString(PlotMSGIndex index, const char* text)
{
    if (index < 0 || index >= kMsgCount)
        return false;
    m_messages[index] = text ? text : "";
    refresh();
    return true;
}

const char* AcPlPlotProgressDialog::getPlotMsgString(PlotMSGIndex index) const
{
    return index >= 0 && index < kMsgCount ? m_messages[index].c_str() : "";
}

void AcPlPlotProgressDialog::setIsVisible(bool visible)
{
    m_visible = visible;
    if (m_window)
        m_window->setVisible(visible);
    refresh();
}

void AcPlPlotProgressDialog::onBeginPlot() { tell(m_messages[kDialogTitle]); }
void AcPlPlotProgressDialog::onEndPlot() {}
void AcPlPlotProgressDialog::onBeginSheet() { tell(m_messages[kSheetName]); }
void AcPlPlotProgressDialog::onEndSheet() {}

void AcPlPlotProgressDialog::setPlotProgressRange(int low, int high)
{
    m_plot = {low, std::max(low, high), std::clamp(m_plot.pos, low, std::max(low, high))};
    refresh();
}

void AcPlPlotProgressDialog::setPlotProgressPos(int pos) { setPos(m_plot, pos, kSheetSetProgressCaption); }

void AcPlPlotProgressDialog::setSheetProgressRange(int low, int high)
{
    m_sheet = {low, std::max(low, high), std::clamp(m_sheet.pos, low, std::max(low, high))};
    refresh();
}

void AcPlPlotProgressDialog::setSheetProgressPos(int pos) { setPos(m_sheet, pos, kSheetProgressCaption); }

bool AcPlPlotProgressDialog::isPlotCancelled() const { return m_window && m_window->jobCancelled(); }
bool AcPlPlotProgressDialog::isSheetCancelled() const { return m_window && m_window->sheetCancelled(); }

void AcPlPlotProgressDialog::setPos(Progress& progress, int pos, PlotMSGIndex caption)
{
    pos = std::clamp(pos, progress.low, progress.high);
    if (pos == progress.pos)
        return;
    progress.pos = pos;
    refresh();
    const int span = progress.high - progress.low;
    const int percent = span > 0 ? (pos - progress.low) * 100 / span : 100;
    tell(m_messages[caption] + ": " + std::to_string(percent) + "%");
}

void AcPlPlotProgressDialog::refresh()
{
    if (!m_window)
        return;
    m_window->setTitle(qs(m_messages[kDialogTitle]));
    m_window->setStatus(qs(m_messages[kStatus]));
    m_window->setSheetProgress(qs(m_messages[kSheetProgressCaption]), m_sheet.low, m_sheet.high, m_sheet.pos);
    m_window->setJobProgress(qs(m_messages[kSheetSetProgressCaption]), m_plot.low, m_plot.high, m_plot.pos);
    m_window->setButtonTexts(qs(m_messages[kCancelSheetBtnMsg]), qs(m_messages[kCancelJobBtnMsg]));
    // The plot runs on the main thread: let the window paint what changed.
    QCoreApplication::processEvents();
}

void AcPlPlotProgressDialog::tell(const std::string& text) const
{
    if (!m_window && m_visible && !text.empty())
        acutPrintf("\n%s", text);
}

AcPlPlotProgressDialog* acplCreatePlotProgressDialog(QWidget* parent, bool, int sheetCount,
                                                     AcPlPlotProgressDialogCallback*, bool showCancelSheetButton)
{
    return new AcPlPlotProgressDialog(parent, sheetCount, showCancelSheetButton);
}
