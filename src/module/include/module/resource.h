// Ids of the module's dialog templates, menus, controls and menu commands.
#pragma once

#include "win/wintypes.h"

// Dialog templates and menus.
constexpr unsigned IDD_PREFERENCES = 216;
constexpr unsigned IDR_PREFERENCES_MENU = 216;
constexpr unsigned IDD_ABOUT = 221;

// Menu commands.
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

// Registers the module's dialog templates and menus under its instance.
void registerDialogResources(HINSTANCE instance);
