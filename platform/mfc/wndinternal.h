// What the framework's windows, dialogs and controls share inside the library.
#pragma once

#include "mfc/dlgtemplate.h"

#include <QFont>
#include <QString>
#include <vector>

class QAbstractButton;

class CWnd;
class QWidget;

namespace qv::mfc {

// The control id a widget was made with (0 when none).
void setControlId(QWidget* widget, int id);
int controlId(const QWidget* widget);

// Whether the object still exists (queued work checks before it calls it).
bool isLiving(const CWnd* wnd);
// Marks the host's main window as the active one (or not).
void setHostActive(bool active);

// The text a window shows: a top-level window's caption, a control's text.
QString widgetText(const QWidget* widget);
// Sets it; an edit's text is replaced only when it differs, so that its caret stays and no
// change is notified.
void setWidgetText(QWidget* widget, const QString& text);

// Builds the control of a template item in client (a dialog's client area); its
// notifications go to the window of dialogWidget as WM_COMMAND and WM_NOTIFY.
struct ControlBuild
{
    QWidget* client;
    QWidget* dialogWidget;
};
QWidget* createControl(const ControlBuild& where, const DialogItemTemplate& item);

// The style a control was made with.
DWORD controlStyle(const QWidget* widget);
// The radio buttons of the group that radio lies in, in template order.
std::vector<QAbstractButton*> radioGroup(QWidget* radio);
// Checks one button of a radio group (none for null) and gives the tab stop to it.
void checkRadio(const std::vector<QAbstractButton*>& group, QAbstractButton* checked);

// Dialog units to pixels, with the fixed base units of every dialog.
int duToPixelsX(int du);
int duToPixelsY(int du);
// The font of every dialog, so that layouts do not depend on the machine's fonts.
QFont dialogFont();

// Routes Enter and Esc pressed in a dialog's controls to its top-level dialog.
QObject* dialogKeys();

} // namespace qv::mfc
