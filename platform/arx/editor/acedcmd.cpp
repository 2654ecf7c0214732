#include "arx/acedcmd.h"

#include <algorithm>
#include <strings.h>

namespace {

bool sameName(const std::string& a, const char* b)
{
    return b && ::strcasecmp(a.c_str(), b) == 0;
}

} // namespace

Acad::ErrorStatus AcEdCommandStack::addCommand(const char* group, const char* globalName, const char* localName,
                                               Adesk::Int32 flags, AcRxFunctionPtr function,
                                               const char* description)
{
    if (!group || !globalName || !*globalName || !function)
        return Acad::eInvalidInput;
    for (const AcEdCommand& c : m_commands)
        if (sameName(c.group, group) && sameName(c.globalName, globalName))
            return Acad::eDuplicateKey;
    m_commands.push_back({group, globalName, localName && *localName ? localName : globalName, flags, function,
                          description ? description : ""});
    return Acad::eOk;
}

Acad::ErrorStatus AcEdCommandStack::removeCmd(const char* group, const char* globalName)
{
    const auto before = m_commands.size();
    std::erase_if(m_commands, [&](const AcEdCommand& c) {
        return sameName(c.group, group) && sameName(c.globalName, globalName);
    });
    return m_commands.size() < before ? Acad::eOk : Acad::eKeyNotFound;
}

Acad::ErrorStatus AcEdCommandStack::removeGroup(const char* group)
{
    const auto before = m_commands.size();
    std::erase_if(m_commands, [&](const AcEdCommand& c) { return sameName(c.group, group); });
    return m_commands.size() < before ? Acad::eOk : Acad::eKeyNotFound;
}

const AcEdCommand* AcEdCommandStack::lookupCmd(const char* name) const
{
    const auto it = std::find_if(m_commands.rbegin(), m_commands.rend(), [&](const AcEdCommand& c) {
        return sameName(c.globalName, name) || sameName(c.localName, name);
    });
    return it == m_commands.rend() ? nullptr : &*it;
}

int AcEdCommandStack::groupCommandCount(const char* group) const
{
    return static_cast<int>(std::count_if(m_commands.begin(), m_commands.end(),
                                          [&](const AcEdCommand& c) { return sameName(c.group, group); }));
}

AcEdCommandStack* acedCommandStack()
{
    static AcEdCommandStack stack;
    return &stack;
}
