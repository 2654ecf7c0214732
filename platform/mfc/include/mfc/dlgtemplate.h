// Dialog and menu templates: the resources a module registers under its instance and the
// framework builds windows from. Positions and sizes are dialog units; the controls'
// order is the tab order.
#pragma once

#include "win/wintypes.h"

#include <string>
#include <vector>

enum class ControlKind { Static, Edit, Button, ListBox, ComboBox, TabControl };

struct DialogItemTemplate
{
    ControlKind kind = ControlKind::Static;
    int id = -1; // -1 for controls nothing refers to
    std::string text;
    int x = 0, y = 0, cx = 0, cy = 0;
    DWORD style = 0; // WS_*, BS_*, ES_*, SS_*, LBS_*, CBS_* (visible unless WS_VISIBLE is cleared by hidden)
    bool hidden = false;
    std::vector<std::string> items; // a combo box's initial list
};

struct DialogTemplate
{
    std::string caption;
    int cx = 0, cy = 0;
    bool child = false;   // a page placed inside another window
    bool visible = false; // shown as soon as it is created
    UINT menuId = 0;      // 0: no menu
    std::vector<DialogItemTemplate> items;
};

struct MenuItemTemplate
{
    std::string text;
    UINT id = 0;
};

struct MenuPopupTemplate
{
    std::string text;
    std::vector<MenuItemTemplate> items;
};

struct MenuTemplate
{
    std::vector<MenuPopupTemplate> popups;
};

// Registers a template under instance and id, replacing one registered before.
void registerDialogTemplate(HINSTANCE instance, UINT id, DialogTemplate dialog);
void registerMenuTemplate(HINSTANCE instance, UINT id, MenuTemplate menu);
void unregisterTemplates(HINSTANCE instance);

// The template of id: the current resource instance's first, else that of any instance;
// null when none has it.
const DialogTemplate* findDialogTemplate(UINT id);
const MenuTemplate* findMenuTemplate(UINT id);

// The instance whose resources are looked up first (the framework's resource handle).
HINSTANCE AfxGetResourceHandle();
void AfxSetResourceHandle(HINSTANCE instance);
