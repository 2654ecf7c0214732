// The host editor: prompts answered from the input lines, system variables, coordinate
// transformation and commands sent to the host. Every prompt returns RTNORM (5100) for an
// answer, RTNONE (5000) for an empty line where a value was asked, and RTCAN (-5002) for a
// cancel or the end of input. A refused answer goes through qv::refuseAnswer: asked again on
// a terminal, elsewhere the prompt's RTCAN.
#pragma once

#include "arx/resbuf.h"

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

// Asks for an integer; a line that is not one is refused ("Requires an integer value.").
int acedGetInt(const char* prompt, int* result);
// Asks for a number; a line that is not a finite one is refused.
int acedGetReal(const char* prompt, ads_real* result);
// Asks for a text: the whole line, spaces included. An empty line is an answer: the empty
// text. Without allowSpaces, Space ends the answer on a terminal, as Enter does.
int acedGetString(int allowSpaces, const char* prompt, std::string& result);
// The same into a buffer of size bytes: an answer longer than size - 1 bytes is refused
// ("The answer is longer than 132 bytes; give a shorter one.").
int acedGetString(int allowSpaces, const char* prompt, char* result, std::size_t size = 133);
// Asks for a point in the current UCS: "x,y", "x,y,z", "dist<angle" (degrees), or relative
// to the last point (LASTPOINT): "@dx,dy", "@dx,dy,dz", "@dist<angle", "@". The result is in
// the current UCS and becomes the last point. Numbers that are not finite are refused.
int acedGetPoint(const ads_point basePoint, const char* prompt, ads_point result);

namespace qv {
// Asks whether to replace the file at path, which is in the state given ("plan.pdf already
// exists. Replace it? [Yes/No] <No>: "): Yes or No, by any leading part of the word; Enter,
// a cancel and the end of input keep the file.
bool askReplace(const std::string& path, const std::string& state = "already exists");
// Whether a file written at path replaces one (a folder there is none: writing fails): none
// when one is there and the user, asked on a terminal, keeps it (nothing is to be written);
// a script replaces it.
std::optional<bool> replacing(const std::string& path);
} // namespace qv

// System variables: host settings (FILEDIA and CMDECHO, 0 or 1; PICKBOX, 0 to 50 pixels;
// PLOTDPI, the dots per inch of the host's PNG and JPG plots, 50 to 300 (100); DWGNAME, DWGPREFIX, HPMAXLINES, an RTLONG from 100 to 10,000,000, and LASTPOINT, an
// RT3DPOINT in the current UCS) and the current drawing's (SORTENTS, LUNITS, LUPREC,
// INSUNITS, CLAYER, the name of an existing layer, DBMOD). RTERROR for an unknown name, a
// value of the wrong type or out of range, and a read-only variable.
int acedGetVar(const char* name, resbuf* result);
int acedSetVar(const char* name, const resbuf* value);

namespace qv {
// True for the variables that can be read but not set (DBMOD, DWGNAME, DWGPREFIX).
bool isReadOnlyVariable(const char* name);
// Every system variable's name, in alphabetical order.
const std::vector<std::string>& systemVariableNames();
} // namespace qv

// Transforms a point (or, with displacement set, a vector) between coordinate systems given
// as RTSHORT codes: 0 world, 1 the current UCS (2 and 3 are read as the current UCS).
int acedTrans(const ads_point point, const resbuf* from, const resbuf* to, int displacement, ads_point result);

// Runs a command given as (type, value) pairs ended by RTNONE: the first an RTSTR naming
// the command (with or without its "_" or "." prefixes), the others the answers to its
// prompts, taken in turn (RTSTR as given, RTSHORT, RTLONG and RTREAL as numbers, RTPOINT
// and RT3DPOINT as "x,y" and "x,y,z"); a prompt beyond them is cancelled. An empty sequence
// does nothing; a command this host cannot run gives RTERROR.
int acedCommandS(int type, ...);

namespace qv {
// Runs a command by its name (in capitals, without prefixes) as the host's command line
// would; false for a name the host does not know. The host installs it; without one,
// acedCommandS runs the commands modules registered.
using CommandRunner = std::function<bool(const std::string& name)>;
void setCommandRunner(CommandRunner runner);
} // namespace qv

class QWidget;
// The host's main window, the parent of its dialogs; null without a display or a window.
QWidget* acedGetAcadFrame();

// The host's colour settings; only the model-space background is kept.
struct AcColorSettings
{
    unsigned int dwGfxModelBkColor = 0x000000; // red in the lowest byte
};
bool acedGetCurrentColors(AcColorSettings* settings);
bool acedSetCurrentColors(const AcColorSettings* settings);

// The message the host sends its active modeless window before it takes the focus back;
// a window that answers TRUE keeps it.
constexpr unsigned WM_ACAD_KEEPFOCUS = 0x7101;

namespace qv {
// Makes the host's main window the active one, unless the active dialog keeps the focus.
void hostTakesFocus();
} // namespace qv
