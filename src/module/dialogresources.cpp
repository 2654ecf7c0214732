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

DialogItemTemplate hidden(DialogItemTemplate item)
{
    item.hidden = true;
    return item;
}

DialogItemTemplate control(ControlKind kind, int id, int x, int y, int cx, int cy, DWORD style,
                           std::vector<std::string> items = {})
{
    return {kind, id, "", x, y, cx, cy, style | WS_TABSTOP, false, std::move(items)};
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
        edit(IDC_PRECISION, 95, 46, 15, 12),
        text(-1, "decimal places.", 116, 47, 50, 8),
        text(-1, "NB precision only affects newly created areas", 45, 67, 158, 8, SS_RIGHT),
        group("Formatting", 15, 89, 195, 91),
        group("Default Text", 25, 102, 175, 50),
        text(-1, "Size", 35, 118, 15, 8),
        edit(IDC_TEXT_SIZE, 35, 130, 25, 12),
        text(-1, "Scale", 75, 118, 19, 8),
        edit(IDC_TEXT_SCALE, 75, 130, 25, 12),
        text(-1, "Rotation", 115, 118, 27, 8),
        edit(IDC_TEXT_ROTATION, 115, 130, 25, 12),
        text(IDC_ZOOM_BORDER_LABEL, "Zoom  Border", 35, 163, 45, 8),
        edit(IDC_ZOOM_BORDER, 83, 161, 47, 12),
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

DialogTemplate blockEditorDialog()
{
    DialogTemplate dialog;
    dialog.caption = "Kavro Block Editor";
    dialog.cx = 205;
    dialog.cy = 151;
    dialog.menuId = IDR_BLOCK_MENU;
    dialog.items = {
        text(IDC_DRAWING_NAME, "Drawing Name", 7, 6, 191, 8),
        control(ControlKind::ComboBox, IDC_BLOCK_FILTER, 7, 18, 191, 60, CBS_DROPDOWN | WS_VSCROLL,
                {"Rooms/Spaces", "Gross Area"}),
        control(ControlKind::ListBox, IDC_BLOCK_LIST, 7, 34, 191, 86,
                LBS_SORT | LBS_NOTIFY | WS_VSCROLL | LBS_NOINTEGRALHEIGHT),
        button(IDC_CMD_SELECT, "Select Space", 7, 131, 60, 14),
        button(IDC_CMD_CLOSE, "Close", 138, 131, 60, 14),
        text(IDC_BLOCK_COUNT, "X blocks found", 7, 121, 120, 8),
    };
    return dialog;
}

MenuTemplate blockMenu()
{
    return MenuTemplate{{{"&File", {{"E&xit", ID_FILE_EXIT}}},
                         {"&Tools", {{"&Options", ID_TOOLS_OPTIONS}}},
                         {"&Help", {{"&About", ID_HELP_ABOUT}}}}};
}

DialogTemplate blockDialog()
{
    DialogTemplate dialog;
    dialog.caption = "RoomBlock";
    dialog.cx = 312;
    dialog.cy = 202;
    dialog.items = {
        {ControlKind::TabControl, IDC_BLOCK_TABS, "Tab1", 7, 7, 297, 152, WS_TABSTOP, false, {}},
        hidden(button(IDC_CMD_RESET, "Reset", 7, 180, 50, 14)),
        button(IDC_CMD_APPLY, "Apply", 144, 180, 50, 14),
        button(IDC_CMD_CANCEL, "Cancel", 199, 180, 50, 14),
        button(IDOK, "OK", 254, 180, 50, 14, BS_DEFPUSHBUTTON),
    };
    return dialog;
}

DialogTemplate page(int cx, int cy, std::vector<DialogItemTemplate> items)
{
    DialogTemplate dialog;
    dialog.cx = cx;
    dialog.cy = cy;
    dialog.child = true;
    dialog.items = std::move(items);
    return dialog;
}

DialogTemplate spaceDataPage()
{
    return page(294, 138, {
        group("Space Details", 5, 3, 284, 130),
        text(-1, "Name", 13, 17, 30, 8),
        edit(IDC_NAME_TEXT, 48, 15, 120, 12),
        text(-1, "Area", 13, 33, 30, 8),
        edit(IDC_AREA_TEXT, 48, 31, 120, 12),
        text(-1, "Aux", 13, 49, 30, 8),
        edit(IDC_AUX_TEXT, 48, 47, 120, 12),
        text(-1, "Handle", 184, 17, 30, 8),
        text(IDC_HANDLE, "Static", 218, 17, 64, 8),
        text(-1, "Assets", 184, 33, 30, 8),
        text(IDC_ASSET_COUNT, "Static", 218, 33, 64, 8),
        text(-1, "Area", 13, 70, 30, 8),
        edit(IDC_AREA, 48, 68, 60, 12),
        text(IDC_AREA_UNIT, "unit²", 111, 70, 16, 8),
        button(IDC_CMD_AREA_RECALC, "recalc", 130, 67, 30, 14),
        button(IDC_CMD_AREA_COPY, "^", 163, 67, 14, 14),
        text(-1, "Perimeter", 13, 88, 34, 8),
        edit(IDC_PERIMETER, 48, 86, 60, 12),
        text(IDC_LENGTH_UNIT, "unit", 111, 88, 16, 8),
        button(IDC_CMD_PERIMETER_RECALC, "recalc", 130, 85, 30, 14),
        button(IDC_CMD_PERIMETER_COPY, "^", 163, 85, 14, 14),
        group("Additional Areas", 13, 104, 130, 26),
        button(IDC_CMD_ADD_AREA, "set", 19, 113, 35, 13),
        button(IDC_CMD_DELETE_ADD_AREAS, "delete", 58, 113, 35, 13),
        button(IDC_CMD_ADD_HIGHLIGHT, "highlight", 97, 113, 40, 13),
        group("Subtracted Areas", 151, 104, 130, 26),
        button(IDC_CMD_SUB_AREA, "set", 157, 113, 35, 13),
        button(IDC_CMD_DELETE_SUB_AREAS, "delete", 196, 113, 35, 13),
        button(IDC_CMD_SUB_HIGHLIGHT, "highlight", 235, 113, 40, 13),
        hidden(text(-1, "Height", 184, 70, 30, 8)),
        hidden(edit(IDC_HEIGHT, 218, 68, 60, 12)),
        hidden(text(-1, "Volume", 184, 88, 30, 8)),
        hidden(edit(IDC_VOLUME, 218, 86, 60, 12, ES_READONLY)),
    });
}

DialogTemplate formatPage()
{
    return page(294, 109, {
        group("Attribute Format", 5, 3, 284, 100),
        text(241, "Height", 15, 19, 50, 8),
        edit(IDC_TEXT_HEIGHT, 70, 17, 60, 12),
        text(242, "Width Factor", 15, 37, 50, 8),
        edit(IDC_WIDTH_FACTOR, 70, 35, 60, 12),
        text(243, "Rotation", 15, 55, 50, 8),
        edit(IDC_ROTATION, 70, 53, 60, 12),
        text(-1, "(in degrees)", 135, 55, 50, 8),
        button(IDC_CMD_MOVE_ATTRIBUTES, "Move Attributes", 15, 78, 70, 14),
    });
}

DialogTemplate extendedDataPage()
{
    struct Field
    {
        int edit, label;
        const char* key;
        int column, row;
    };
    const Field fields[] = {
        {IDC_XD_AREA_TYPE, 265, "AREA_TYPE", 0, 0},     {IDC_XD_COST_CENTRE, 264, "COST_CENTRE", 0, 1},
        {IDC_XD_DATE, 266, "DATE", 0, 2},               {IDC_XD_DATE_L_MOVE, 267, "DATE_L_MOVE", 0, 3},
        {IDC_XD_DEPT_CHARGE, 268, "DEPT_CHARGE", 0, 4}, {IDC_XD_TAGTYPE, 269, "TAGTYPE", 1, 0},
        {IDC_XD_SPECIAL_REQ, 270, "SPECIAL_REQ", 1, 1}, {IDC_XD_TOT_STAFF, 271, "TOT_STAFF", 1, 2},
        {IDC_XD_TOT_WKSTNS, 272, "TOT_WKSTNS", 1, 3},
    };
    std::vector<DialogItemTemplate> items{group("Extended Data", 5, 3, 284, 100)};
    for (const Field& field : fields) {
        const int x = 13 + field.column * 140, y = 17 + field.row * 17;
        items.push_back(text(field.label, field.key, x, y + 2, 52, 8));
        items.push_back(edit(field.edit, x + 55, y, 75, 12));
    }
    return page(294, 109, std::move(items));
}

DialogTemplate blockCreationDialog()
{
    DialogTemplate dialog;
    dialog.caption = "Kavro Block Creator";
    dialog.cx = 293;
    dialog.cy = 60;
    dialog.menuId = IDR_BLOCK_MENU;
    dialog.visible = true;
    DialogItemTemplate addArea = button(IDC_CREATOR_ADD_AREA, "Add Area", 138, 40, 41, 12);
    DialogItemTemplate subArea = button(IDC_CREATOR_SUB_AREA, "Sub Area", 189, 40, 41, 12);
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
        button(IDC_HYPERLINK_SELECT, "Select Block", 234, 5, 50, 14),
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
    dialog.items.push_back(button(IDC_HYPERLINK_APPLY, "Apply", 175, 133, 50, 14));
    dialog.items.push_back(button(IDC_HYPERLINK_CANCEL, "Cancel", 234, 133, 50, 14));
    return dialog;
}

} // namespace

void registerDialogResources(HINSTANCE instance)
{
    registerDialogTemplate(instance, IDD_PREFERENCES, preferencesDialog());
    registerMenuTemplate(instance, IDR_PREFERENCES_MENU, MenuTemplate{{{"&Help", {{"&About", ID_HELP_ABOUT}}}}});
    registerDialogTemplate(instance, IDD_ABOUT, aboutDialog());
    registerDialogTemplate(instance, IDD_BLOCK_EDITOR, blockEditorDialog());
    registerMenuTemplate(instance, IDR_BLOCK_MENU, blockMenu());
    registerDialogTemplate(instance, IDD_BLOCK, blockDialog());
    registerDialogTemplate(instance, IDD_TAB_DATA, spaceDataPage());
    registerDialogTemplate(instance, IDD_TAB_FORMAT, formatPage());
    registerDialogTemplate(instance, IDD_TAB_XDATA, extendedDataPage());
    registerDialogTemplate(instance, IDD_BLOCK_CREATION, blockCreationDialog());
    registerDialogTemplate(instance, IDD_HYPERLINK, hyperlinkDialog());
}
