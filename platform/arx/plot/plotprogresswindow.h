// The window of the plot progress dialog: its status, the sheet's and the job's progress
// bars with their captions, and the cancel buttons.
#pragma once

#include <QWidget>

class QLabel;
class QProgressBar;
class QPushButton;

class PlotProgressWindow : public QWidget
{
public:
    PlotProgressWindow(QWidget* parent, bool showCancelSheetButton);

    void setTitle(const QString& title);
    void setStatus(const QString& status);
    void setSheetProgress(const QString& caption, int low, int high, int pos);
    void setJobProgress(const QString& caption, int low, int high, int pos);
    void setButtonTexts(const QString& cancelSheet, const QString& cancelJob);
    bool jobCancelled() const { return m_jobCancelled; }
    bool sheetCancelled() const { return m_sheetCancelled; }

private:
    QLabel* m_status;
    QLabel* m_sheetCaption;
    QProgressBar* m_sheetBar;
    QLabel* m_jobCaption;
    QProgressBar* m_jobBar;
    QPushButton* m_cancelSheet;
    QPushButton* m_cancelJob;
    bool m_jobCancelled = false;
    bool m_sheetCancelled = false;
};
