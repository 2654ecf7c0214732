// The string resources of modules: each module registers the table of its texts under its
// instance, and loads them by id. Texts are UTF-8.
#pragma once

#include "win/wintypes.h"

#include <map>
#include <string>

using StringTable = std::map<UINT, std::string>;

// Registers the table of instance, replacing any registered before.
void registerStringTable(HINSTANCE instance, StringTable table);
void unregisterStringTable(HINSTANCE instance);

// Copies the text of id from the table of instance into buffer: at most size - 1 bytes (cut
// back to a whole UTF-8 character) and a terminating null. Returns the number of bytes
// copied; 0, with an empty buffer, when the instance has no table, the id no text, or the
// text is empty. A size below 1 copies nothing and returns 0.
int LoadStringA(HINSTANCE instance, UINT id, char* buffer, int size);
