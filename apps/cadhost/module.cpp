#include "module.h"

#include "arx/acrxapp.h"
#include "mfc/wnd.h"

#include <dlfcn.h>
#include <filesystem>

namespace {

using EntryPoint = AcRx::AppRetCode (*)(AcRx::AppMsgCode, void*);

EntryPoint entryOf(void* symbol) { return reinterpret_cast<EntryPoint>(symbol); }

} // namespace

std::string defaultModulePath()
{
    std::error_code ignored;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ignored);
    return (self.parent_path().parent_path() / "lib" / "libquorvane.so").string();
}

bool Module::load(const std::string& path, std::string& error)
{
    m_handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!m_handle) {
        error = ::dlerror();
        return false;
    }
    m_entry = ::dlsym(m_handle, "acrxEntryPoint");
    if (!m_entry) {
        error = path + ": no acrxEntryPoint";
        ::dlclose(m_handle);
        m_handle = nullptr;
        return false;
    }
    entryOf(m_entry)(AcRx::kInitAppMsg, m_handle);
    return true;
}

Module::~Module()
{
    if (!m_handle)
        return;
    qv::mfc::destroyOpenWindows(); // the module's windows go before its code does
    entryOf(m_entry)(AcRx::kUnloadAppMsg, m_handle);
    ::dlclose(m_handle);
}
