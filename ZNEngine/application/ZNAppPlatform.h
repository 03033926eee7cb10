// ZNAppPlatform: the few system calls the application layer needs, one file
// per platform (ZNAppPlatformPosix.cpp, ZNAppPlatformWin32.cpp).
#pragma once

#include "core/ZNTemplate.h"

// True when the program may create files in the folder osPath (a name as the
// system spells it; the folder must exist).
bool        ZNCanWriteFolder(const char* osPath);
// The user's home folder as the system spells it, or null when it is not set.
const char* ZNHomeFolder();
// Where the user's programs keep their settings, as the system spells it:
// XDG_CONFIG_HOME (when absolute) or ~/.config on POSIX systems, %APPDATA% on
// Windows. Empty when the environment names none.
ZNString    ZNPlatformConfigFolder();
// Makes the folder osPath (as the system spells it) and every missing folder
// above it. False, with the system's reason in why, when one cannot be made
// or something other than a folder stands in the way.
bool        ZNMakeFolders(const char* osPath, ZNString& why);
