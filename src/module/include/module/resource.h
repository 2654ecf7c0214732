// Ids of the module's dialog templates, menus, controls and menu commands.
#pragma once

#include "win/wintypes.h"

// Dialog templates and menus.
constexpr unsigned IDD_PREFERENCES = 216;
constexpr unsigned IDR_PREFERENCES_MENU = 216;
constexpr unsigned IDD_ABOUT = 221;
constexpr unsigned IDD_BLOCK_EDITOR = 210;
constexpr unsigned IDR_BLOCK_MENU = 215; // the block editor's and the block creator's menu
constexpr unsigned IDD_BLOCK = 201;
constexpr unsigned IDD_TAB_DATA = 208;
constexpr unsigned IDD_TAB_FORMAT = 207;
constexpr unsigned IDD_TAB_XDATA = 211;
constexpr unsigned IDD_HYPERLINK = 204;
constexpr unsigned IDD_BLOCK_CREATION = 217;

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

// Block editor.
constexpr int IDC_BLOCK_LIST = 246;
constexpr int IDC_CMD_SELECT = 247;
constexpr int IDC_BLOCK_FILTER = 248;
constexpr int IDC_BLOCK_COUNT = 274;
constexpr int IDC_CMD_CLOSE = 286;
constexpr int IDC_DRAWING_NAME = 312;

// Tabbed block dialog.
constexpr int IDC_BLOCK_TABS = 245;
constexpr int IDC_CMD_APPLY = 284;
constexpr int IDC_CMD_CANCEL = 285;
constexpr int IDC_CMD_RESET = 287;

// Space-data page.
constexpr int IDC_NAME_TEXT = 203;
constexpr int IDC_AREA_TEXT = 204;
constexpr int IDC_AUX_TEXT = 205;
constexpr int IDC_HEIGHT = 217;
constexpr int IDC_PERIMETER = 218;
constexpr int IDC_AREA = 219;
constexpr int IDC_VOLUME = 221;
constexpr int IDC_CMD_SUB_AREA = 244;
constexpr int IDC_CMD_DELETE_SUB_AREAS = 245;
constexpr int IDC_CMD_AREA_RECALC = 249;
constexpr int IDC_HANDLE = 251;
constexpr int IDC_CMD_AREA_COPY = 252;
constexpr int IDC_CMD_PERIMETER_COPY = 253;
constexpr int IDC_ASSET_COUNT = 255;
constexpr int IDC_AREA_UNIT = 313;
constexpr int IDC_CMD_SUB_HIGHLIGHT = 316;
constexpr int IDC_CMD_ADD_AREA = 332;
constexpr int IDC_CMD_DELETE_ADD_AREAS = 333;
constexpr int IDC_CMD_ADD_HIGHLIGHT = 334;
constexpr int IDC_CMD_PERIMETER_RECALC = 335;
constexpr int IDC_LENGTH_UNIT = 336;

// Format page.
constexpr int IDC_WIDTH_FACTOR = 229;
constexpr int IDC_ROTATION = 230;
constexpr int IDC_TEXT_HEIGHT = 254;
constexpr int IDC_CMD_MOVE_ATTRIBUTES = 273;

// Extended-data page: one edit per XData field.
constexpr int IDC_XD_AREA_TYPE = 255;
constexpr int IDC_XD_COST_CENTRE = 256;
constexpr int IDC_XD_DATE = 257;
constexpr int IDC_XD_DATE_L_MOVE = 258;
constexpr int IDC_XD_DEPT_CHARGE = 259;
constexpr int IDC_XD_TAGTYPE = 260;
constexpr int IDC_XD_SPECIAL_REQ = 261;
constexpr int IDC_XD_TOT_STAFF = 262;
constexpr int IDC_XD_TOT_WKSTNS = 263;

// Block creator dialog (its text size, scale and rotation edits share the preferences' ids).
constexpr int IDC_CMD_START = 3;
constexpr int IDC_NEXT_NAME = 311;
constexpr int IDC_CREATOR_SUB_AREA = 315;
constexpr int IDC_CREATOR_ADD_AREA = 335;
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
constexpr int IDC_HYPERLINK_SELECT = 233;
constexpr int IDC_HYPERLINK_APPLY = 229;
constexpr int IDC_HYPERLINK_CANCEL = 302;

// Registers the module's dialog templates and menus under its instance.
void registerDialogResources(HINSTANCE instance);
