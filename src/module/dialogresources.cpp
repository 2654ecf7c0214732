// The module's dialog templates and menus: ids, captions, and positions and sizes in
// dialog units.
#include "module/resource.h"

#include "mfc/dlgtemplate.h"
#include "mfc/winmsg.h"

#include <string>

namespace {

// Statics start a group (as they do in dialog scripts), which ends a radio group before them.
DialogItemTemplate text(int id, std::string caption, int x, int y, int cx, int cy, DWORD style = 0)
{
    return {ControlKind::Static, id, std::move(caption), x, y, cx, cy, style | WS_GROUP, false, {}};
}

DialogItemTemplate group(std::string caption, int x, int y, int cx, int cy)
{
    return {ControlKind::Button, -1, std::move(caption), x, y, cx, cy, BS_GROUPBOX, false, {}};
}

DialogItemTemplate edit(int id, int x, int y, int cx, int cy, DWORD style = 0)
{
    return {ControlKind::Edit, id, "", x, y, cx, cy, style | ES_AUTOHSCROLL | WS_TABSTOP, false, {}};
}

DialogItemTemplate button(int id, std::string caption, int x, int y, int cx, int cy, DWORD style = BS_PUSHBUTTON)
{
    return {ControlKind::Button, id, std::move(caption), x, y, cx, cy, style | WS_TABSTOP, false, {}};
}

DialogTemplate preferencesDialog()
{
    DialogTemplate dialog;
    dialog.caption = "Quorvane - Preferences";
    dialog.cx = 235;
    dialog.cy = 314;
    dialog.menuId = IDR_PREFERENCES_MENU;
    dialog.items = {
        group("Blocks", 7, 7, 211, 181),
        group("Area Settings", 15, 18, 195, 66),
        text(-1, "Measurements are in:", 27, 33, 70, 8),
        button(IDC_UNITS_METRIC, "m", 99, 32, 21, 10, BS_AUTORADIOBUTTON | WS_GROUP),
        button(IDC_UNITS_FEET, "ft", 129, 32, 21, 10, BS_AUTORADIOBUTTON),
        text(-1, "Area precision is to", 29, 49, 64, 8),
        edit(IDC_PRECISION, 95, 46, 15, 12, ES_NUMBER),
        text(-1, "decimal places.", 116, 47, 50, 8),
        text(-1, "NB precision only affects newly created areas", 45, 67, 158, 8, SS_RIGHT),
        group("Formatting", 15, 89, 195, 91),
        group("Default Text", 25, 102, 175, 50),
        text(-1, "Size", 35, 118, 15, 8),
        edit(IDC_TEXT_SIZE, 35, 130, 25, 12, ES_NUMBER),
        text(-1, "Scale", 75, 118, 19, 8),
        edit(IDC_TEXT_SCALE, 75, 130, 25, 12),
        text(-1, "Rotation", 115, 118, 27, 8),
        edit(IDC_TEXT_ROTATION, 115, 130, 25, 12),
        text(IDC_ZOOM_BORDER_LABEL, "Zoom  Border", 35, 163, 45, 8),
        edit(IDC_ZOOM_BORDER, 83, 161, 47, 12, ES_NUMBER),
        group("Export Details to CSV file", 7, 241, 211, 42),
        text(-1, "Open CSV file with", 16, 253, 62, 8),
        edit(IDC_CSV_OPENER, 14, 264, 194, 12),
        button(IDOK, "OK", 178, 292, 50, 14, BS_DEFPUSHBUTTON),
    };
    return dialog;
}

DialogTemplate aboutDialog()
{
    DialogTemplate dialog;
    dialog.caption = "About - Quorvane";
    dialog.cx = 186;
    dialog.cy = 96;
    dialog.items = {
        text(IDC_ABOUT_PRODUCT, "Quorvane space register by Kavro Systems", 12, 10, 161, 8),
        text(-1, "CAD Version", 12, 24, 42, 8),
        text(IDC_ABOUT_CAD_VERSION, "", 80, 24, 92, 8),
        text(-1, "QRV Version", 12, 38, 29, 8),
        text(IDC_ABOUT_MODULE_VERSION, "", 80, 38, 92, 8),
        text(-1, "Compile Date", 12, 52, 47, 8),
        text(IDC_ABOUT_COMPILE_DATE, "", 80, 52, 92, 8),
        button(IDOK, "OK", 132, 78, 50, 14, BS_DEFPUSHBUTTON),
    };
    return dialog;
}

} // namespace

void registerDialogResources(HINSTANCE instance)
{
    registerDialogTemplate(instance, IDD_PREFERENCES, preferencesDialog());
    registerMenuTemplate(instance, IDR_PREFERENCES_MENU, MenuTemplate{{{"&Help", {{"&About", ID_HELP_ABOUT}}}}});
    registerDialogTemplate(instance, IDD_ABOUT, aboutDialog());
}
