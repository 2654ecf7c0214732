// The host's command stack: commands registered by modules in named groups, each with a
// global and a local name, found by either name without regard to letter case, and with
// what the command does in a sentence, for the host's HELP.
#pragma once

#include "arx/errorstatus.h"

#include <string>
#include <vector>

using AcRxFunctionPtr = void (*)();

constexpr Adesk::Int32 ACRX_CMD_MODAL = 0x00000000;
constexpr Adesk::Int32 ACRX_CMD_TRANSPARENT = 0x00000001;
constexpr Adesk::Int32 ACRX_CMD_USEPICKSET = 0x00000002;
constexpr Adesk::Int32 ACRX_CMD_REDRAW = 0x00000004;
constexpr Adesk::Int32 ACRX_CMD_NOPERSPECTIVE = 0x00000008;
constexpr Adesk::Int32 ACRX_CMD_NOTILEMODE = 0x00000010;
constexpr Adesk::Int32 ACRX_CMD_NOPAPERSPACE = 0x00000020;
constexpr Adesk::Int32 ACRX_CMD_SESSION = 0x00200000;

struct AcEdCommand
{
    std::string group;
    std::string globalName;
    std::string localName;
    Adesk::Int32 flags = 0;
    AcRxFunctionPtr function = nullptr;
    std::string description;
};

class AcEdCommandStack
{
public:
    // eDuplicateKey when a command of that global name is already in the group.
    Acad::ErrorStatus addCommand(const char* group, const char* globalName, const char* localName,
                                 Adesk::Int32 flags, AcRxFunctionPtr function, const char* description = nullptr);
    Acad::ErrorStatus removeCmd(const char* group, const char* globalName);
    // eKeyNotFound when no command is in the group.
    Acad::ErrorStatus removeGroup(const char* group);
    // The command with this global or local name, searching the newest registrations first.
    const AcEdCommand* lookupCmd(const char* name) const;
    int commandCount() const { return static_cast<int>(m_commands.size()); }
    int groupCommandCount(const char* group) const;
    const std::vector<AcEdCommand>& commands() const { return m_commands; }

private:
    std::vector<AcEdCommand> m_commands;
};

AcEdCommandStack* acedCommandStack();
#define acedRegCmds (acedCommandStack())
