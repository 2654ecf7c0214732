// Ids of the module's dialog templates, menus, controls and menu commands.
#pragma once

#include "win/wintypes.h"

// Dialog templates and menus.
constexpr unsigned IDD_PREFERENCES = 216;
constexpr unsigned IDR_PREFERENCES_MENU = 216;
constexpr unsigned IDD_ABOUT = 221;
constexpr unsigned IDD_HYPERLINK = 204;
constexpr unsigned IDD_BLOCK_CREATION = 217;
constexpr unsigned IDR_BLOCK_MENU = 215; // the creator's and the block editor's menu

// Menu commands.
constexpr unsigned ID_FILE_EXIT = 32768;
constexpr unsigned ID_TOOLS_OPTIONS = 32769;
constexpr unsigned ID_HELP_ABOUT = 32770;

// Preferences dialog.
constexpr int IDC_UNITS_METRIC = 288;
constexpr int IDC_UNITS_FEET = 289;
constexpr int IDC_PRECISION = 290;
constexpr int IDC_TEXT_SIZE = 291;
constexpr int IDC_ZOOM_BORDER = 292;
constexpr int IDC_CSV_OPENER = 330;
constexpr int IDC_ZOOM_BORDER_LABEL = 338;
constexpr int IDC_TEXT_SCALE = 341;
constexpr int IDC_TEXT_ROTATION = 342;

// About dialog.
constexpr int IDC_ABOUT_PRODUCT = 325;
constexpr int IDC_ABOUT_MODULE_VERSION = 326;
constexpr int IDC_ABOUT_COMPILE_DATE = 327;
constexpr int IDC_ABOUT_CAD_VERSION = 337;

// Block creator dialog (its text size, scale and rotation edits share the preferences' ids).
constexpr int IDC_CMD_START = 3;
constexpr int IDC_NEXT_NAME = 311;
constexpr int IDC_CMD_SUB_AREA = 315;
constexpr int IDC_CMD_ADD_AREA = 335;
constexpr int IDC_TEXT_SIZE_LABEL = 320;
constexpr int IDC_TEXT_SCALE_LABEL = 321;
constexpr int IDC_TEXT_ROTATION_LABEL = 322;

// Hyperlink dialog: the hyperlink and description edits of rows 1 to 5.
constexpr int IDC_HYPERLINK1 = 232;
constexpr int IDC_HYPERLINK2 = 234;
constexpr int IDC_HYPERLINK3 = 235;
constexpr int IDC_HYPERLINK4 = 230;
constexpr int IDC_HYPERLINK5 = 228;
constexpr int IDC_DESCRIPTION1 = 291;
constexpr int IDC_DESCRIPTION2 = 292;
constexpr int IDC_DESCRIPTION3 = 293;
constexpr int IDC_DESCRIPTION4 = 295;
constexpr int IDC_DESCRIPTION5 = 294;
constexpr int IDC_APPLY_TO_ALL = 296;
constexpr int IDC_BLOCK_NAME = 303;
constexpr int IDC_BLOCK_HANDLE = 250;
constexpr int IDC_CMD_SELECT = 233;
constexpr int IDC_CMD_APPLY = 229;
constexpr int IDC_CMD_CANCEL = 302;

// Registers the module's dialog templates and menus under its instance.
void registerDialogResources(HINSTANCE instance);
