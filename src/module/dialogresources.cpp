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

DialogTemplate blockCreationDialog()
{
    DialogTemplate dialog;
    dialog.caption = "Kavro Block Creator";
    dialog.cx = 293;
    dialog.cy = 60;
    dialog.menuId = IDR_BLOCK_MENU;
    dialog.visible = true;
    DialogItemTemplate addArea = button(IDC_CMD_ADD_AREA, "Add Area", 138, 40, 41, 12);
    DialogItemTemplate subArea = button(IDC_CMD_SUB_AREA, "Sub Area", 189, 40, 41, 12);
    addArea.hidden = subArea.hidden = true;
    dialog.items = {
        text(-1, "Next Space Name", 6, 5, 59, 8),
        edit(IDC_NEXT_NAME, 69, 5, 161, 12),
        button(IDC_CMD_START, "Start", 242, 5, 41, 12),
        text(IDC_TEXT_SIZE_LABEL, "Text Size", 33, 25, 31, 8),
        edit(IDC_TEXT_SIZE, 68, 23, 27, 12),
        text(IDC_TEXT_SCALE_LABEL, "Scale", 110, 25, 22, 8),
        edit(IDC_TEXT_SCALE, 134, 23, 27, 12),
        text(IDC_TEXT_ROTATION_LABEL, "Rotation", 171, 25, 25, 8),
        edit(IDC_TEXT_ROTATION, 203, 23, 27, 12),
        button(IDCANCEL, "Close", 241, 23, 41, 12),
        addArea,
        subArea,
    };
    return dialog;
}

DialogTemplate hyperlinkDialog()
{
    DialogTemplate dialog;
    dialog.caption = "Kavro Block Hyperlinking";
    dialog.cx = 296;
    dialog.cy = 179;
    dialog.items = {
        text(-1, "Name", 8, 8, 20, 8),
        text(IDC_BLOCK_NAME, "", 33, 8, 81, 8),
        text(-1, "Handle", 121, 8, 23, 8),
        text(IDC_BLOCK_HANDLE, "", 149, 8, 68, 8),
        button(IDC_CMD_SELECT, "Select Block", 234, 5, 50, 14),
        text(-1, "Hyperlink", 8, 23, 30, 8),
        text(-1, "Description", 171, 23, 37, 8),
    };
    const int hyperlinks[] = {IDC_HYPERLINK1, IDC_HYPERLINK2, IDC_HYPERLINK3, IDC_HYPERLINK4, IDC_HYPERLINK5};
    const int descriptions[] = {IDC_DESCRIPTION1, IDC_DESCRIPTION2, IDC_DESCRIPTION3, IDC_DESCRIPTION4, IDC_DESCRIPTION5};
    for (int row = 0; row < 5; ++row)
        dialog.items.push_back(edit(hyperlinks[row], 8, 34 + 17 * row, 154, 12));
    for (int row = 0; row < 5; ++row)
        dialog.items.push_back(edit(descriptions[row], 172, 34 + 17 * row, 112, 12));
    dialog.items.push_back(
        button(IDC_APPLY_TO_ALL, "Apply changes to all similar blocks", 8, 119, 126, 10, BS_AUTOCHECKBOX));
    dialog.items.push_back(button(IDOK, "OK", 116, 133, 50, 14));
    dialog.items.push_back(button(IDC_CMD_APPLY, "Apply", 175, 133, 50, 14));
    dialog.items.push_back(button(IDC_CMD_CANCEL, "Cancel", 234, 133, 50, 14));
    return dialog;
}

} // namespace

void registerDialogResources(HINSTANCE instance)
{
    registerDialogTemplate(instance, IDD_PREFERENCES, preferencesDialog());
    registerMenuTemplate(instance, IDR_PREFERENCES_MENU, MenuTemplate{{{"&Help", {{"&About", ID_HELP_ABOUT}}}}});
    registerDialogTemplate(instance, IDD_ABOUT, aboutDialog());
    registerDialogTemplate(instance, IDD_BLOCK_CREATION, blockCreationDialog());
    registerMenuTemplate(instance, IDR_BLOCK_MENU,
                         MenuTemplate{{{"&File", {{"E&xit", ID_FILE_EXIT}}},
                                       {"&Tools", {{"&Options", ID_TOOLS_OPTIONS}}},
                                       {"&Help", {{"&About", ID_HELP_ABOUT}}}}});
    registerDialogTemplate(instance, IDD_HYPERLINK, hyperlinkDialog());
}
