// The module the host loads: a shared library with an acrxEntryPoint, told when it is
// loaded and when it is unloaded.
#pragma once

#include <string>

class Module
{
public:
    Module() = default;
    // Sends the unload message and closes the library.
    ~Module();
    Module(const Module&) = delete;
    Module& operator=(const Module&) = delete;

    // Opens the library and sends it the load message; false with error set when it cannot
    // be opened or has no entry point.
    bool load(const std::string& path, std::string& error);

private:
    void* m_handle = nullptr;
    void* m_entry = nullptr;
};

// The module built beside the program: ../lib/libquorvane.so from its folder.
std::string defaultModulePath();
