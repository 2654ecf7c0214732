#include "plotprogresswindow.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

void setBar(QProgressBar* bar, int low, int high, int pos)
{
    bar->setRange(low, high);
    bar->setValue(pos);
}

} // namespace

PlotProgressWindow::PlotProgressWindow(QWidget* parent, bool showCancelSheetButton)
    : QWidget(parent, Qt::Dialog), m_status(new QLabel(this)), m_sheetCaption(new QLabel(this)),
      m_sheetBar(new QProgressBar(this)), m_jobCaption(new QLabel(this)), m_jobBar(new QProgressBar(this)),
      m_cancelSheet(new QPushButton(this)), m_cancelJob(new QPushButton(this))
{
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_cancelSheet);
    buttons->addWidget(m_cancelJob);
    m_cancelSheet->setVisible(showCancelSheetButton);
    auto* layout = new QVBoxLayout(this);
    for (QWidget* w : {static_cast<QWidget*>(m_status), static_cast<QWidget*>(m_sheetCaption),
                       static_cast<QWidget*>(m_sheetBar), static_cast<QWidget*>(m_jobCaption),
                       static_cast<QWidget*>(m_jobBar)})
        layout->addWidget(w);
    layout->addLayout(buttons);
    connect(m_cancelSheet, &QPushButton::clicked, this, [this] { m_sheetCancelled = true; });
    connect(m_cancelJob, &QPushButton::clicked, this, [this] { m_jobCancelled = true; });
    setMinimumWidth(360);
}

void PlotProgressWindow::setTitle(const QString& title) { setWindowTitle(title); }
void PlotProgressWindow::setStatus(const QString& status) { m_status->setText(status); }

void PlotProgressWindow::setSheetProgress(const QString& caption, int low, int high, int pos)
{
    m_sheetCaption->setText(caption);
    setBar(m_sheetBar, low, high, pos);
}

void PlotProgressWindow::setJobProgress(const QString& caption, int low, int high, int pos)
{
    m_jobCaption->setText(caption);
    setBar(m_jobBar, low, high, pos);
}

void PlotProgressWindow::setButtonTexts(const QString& cancelSheet, const QString& cancelJob)
{
    m_cancelSheet->setText(cancelSheet);
    m_cancelJob->setText(cancelJob);
}
