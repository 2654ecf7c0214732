#include "mfc/dlgtemplate.h"

#include <map>
#include <utility>

namespace {

template <class T>
using Registry = std::map<HINSTANCE, std::map<UINT, T>>;

Registry<DialogTemplate>& dialogs()
{
    static Registry<DialogTemplate> registry;
    return registry;
}

Registry<MenuTemplate>& menus()
{
    static Registry<MenuTemplate> registry;
    return registry;
}

HINSTANCE resourceHandle = nullptr;

template <class T>
const T* find(const Registry<T>& registry, UINT id)
{
    if (const auto own = registry.find(resourceHandle); own != registry.end())
        if (const auto it = own->second.find(id); it != own->second.end())
            return &it->second;
    for (const auto& [instance, table] : registry)
        if (const auto it = table.find(id); it != table.end())
            return &it->second;
    return nullptr;
}

} // namespace

void registerDialogTemplate(HINSTANCE instance, UINT id, DialogTemplate dialog)
{
    dialogs()[instance][id] = std::move(dialog);
}

void registerMenuTemplate(HINSTANCE instance, UINT id, MenuTemplate menu) { menus()[instance][id] = std::move(menu); }

void unregisterTemplates(HINSTANCE instance)
{
    dialogs().erase(instance);
    menus().erase(instance);
}

const DialogTemplate* findDialogTemplate(UINT id) { return find(dialogs(), id); }
const MenuTemplate* findMenuTemplate(UINT id) { return find(menus(), id); }

HINSTANCE AfxGetResourceHandle() { return resourceHandle; }
void AfxSetResourceHandle(HINSTANCE instance) { resourceHandle = instance; }
