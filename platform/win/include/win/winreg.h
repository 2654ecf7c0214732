// The registry: named values under keys, kept in files of our own.
//
// Text is UTF-8 here: the calls keep their wide ("W") names, but key paths, value names and
// class texts are narrow UTF-8 C strings, and value data is bytes. Text values (REG_SZ) are
// stored as the wide calls store them: UTF-16LE code units and a terminating null, two bytes
// per unit, so a caller that writes text converts it (see win/widetext.h).
//
// Key and value names are matched without regard to ASCII letter case, and keep the case
// they were created with. A sub-key path separates key names with "\" ("/" is read as one;
// empty names are skipped, so "a\\b\" is "a\b").
//
// Storage: one file per root key, "<root name>.reg" (for example HKEY_CURRENT_USER.reg) in
// $XDG_CONFIG_HOME/KavroSystems/registry/, else $HOME/.config/KavroSystems/registry/. Every
// call reads the file afresh (so other processes' writes are seen); every change rewrites it
// atomically. The format, UTF-8 lines ending in "\n":
//
//   QUORVANE REGISTRY 1
//   [Software\\KavroSystems\\Quorvane]   a key; its path escaped as texts are
//   "name"=sz:"text"                 a REG_SZ holding well-formed UTF-16 and one final null
//   "count"=dword:0000002a           a REG_DWORD of 4 bytes (hexadecimal)
//   "raw"=hex(3):01,ff               any other type or size: the bytes in hexadecimal
//   END
//
// Every key has a "[path]" line (keys without values included) followed by its values. In
// paths and quoted texts "\\", "\"", "\n", "\r" and "\t" stand for the character escaped
// and "\xHH" for a control byte. A file that does not follow this format, or lacks the
// "END" line (cut short), reads as empty; the next change moves it aside to
// "<name>.damaged-<date and time>", warns on standard error and writes the new file, so
// nothing is lost silently.
#pragma once

#include "win/winbase.h"

#include <cstdint>

struct HKEY__;
using HKEY = HKEY__*;
using PHKEY = HKEY*;
using REGSAM = DWORD;
using LSTATUS = LONG;

// The predefined root keys.
inline HKEY const HKEY_CLASSES_ROOT = reinterpret_cast<HKEY>(std::uintptr_t{0x80000000u});
inline HKEY const HKEY_CURRENT_USER = reinterpret_cast<HKEY>(std::uintptr_t{0x80000001u});
inline HKEY const HKEY_LOCAL_MACHINE = reinterpret_cast<HKEY>(std::uintptr_t{0x80000002u});
inline HKEY const HKEY_USERS = reinterpret_cast<HKEY>(std::uintptr_t{0x80000003u});
inline HKEY const HKEY_CURRENT_CONFIG = reinterpret_cast<HKEY>(std::uintptr_t{0x80000005u});

// Value types.
constexpr DWORD REG_NONE = 0;
constexpr DWORD REG_SZ = 1;
constexpr DWORD REG_EXPAND_SZ = 2;
constexpr DWORD REG_BINARY = 3;
constexpr DWORD REG_DWORD = 4;

// Access rights: a handle reads values only with KEY_QUERY_VALUE, writes them only with
// KEY_SET_VALUE.
constexpr REGSAM KEY_QUERY_VALUE = 0x0001;
constexpr REGSAM KEY_SET_VALUE = 0x0002;
constexpr REGSAM KEY_CREATE_SUB_KEY = 0x0004;
constexpr REGSAM KEY_ENUMERATE_SUB_KEYS = 0x0008;
constexpr REGSAM KEY_NOTIFY = 0x0010;
constexpr REGSAM KEY_CREATE_LINK = 0x0020;
constexpr REGSAM KEY_READ = 0x20019;
constexpr REGSAM KEY_WRITE = 0x20006;
constexpr REGSAM KEY_ALL_ACCESS = 0xF003F;

constexpr DWORD REG_OPTION_NON_VOLATILE = 0;
constexpr DWORD REG_CREATED_NEW_KEY = 1;
constexpr DWORD REG_OPENED_EXISTING_KEY = 2;

// Opens an existing key: ERROR_FILE_NOT_FOUND when it does not exist, ERROR_INVALID_HANDLE
// for an unknown key handle. A null or empty subKey opens key itself anew.
LSTATUS RegOpenKeyExW(HKEY key, const char* subKey, DWORD options, REGSAM access, PHKEY result);
// Opens a key, creating it and its missing parents first (the file is written then).
// disposition, when given, receives REG_CREATED_NEW_KEY or REG_OPENED_EXISTING_KEY.
LSTATUS RegCreateKeyExW(HKEY key, const char* subKey, DWORD reserved, const char* keyClass, DWORD options,
                        REGSAM access, void* securityAttributes, PHKEY result, DWORD* disposition);
// Stores size bytes of data as the named value (null or "" is the key's default value) and
// rewrites the file; a failed write returns the system's reason as a Windows code.
LSTATUS RegSetValueExW(HKEY key, const char* valueName, DWORD reserved, DWORD type, const BYTE* data, DWORD size);
// Reads the named value. type, when given, receives its type. With data null, *size receives
// the value's size. When *size is smaller than the value, returns ERROR_MORE_DATA with the
// size needed in *size and data untouched; else copies the bytes and sets *size to their number.
LSTATUS RegQueryValueExW(HKEY key, const char* valueName, DWORD* reserved, DWORD* type, BYTE* data, DWORD* size);
LSTATUS RegCloseKey(HKEY key);
