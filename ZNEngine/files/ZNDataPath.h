// ZNDataPath: where the engine finds its files, set once at start-up from the
// program's folder, and where it finds the files a person names:
//   ZNSetDataPath("Data/");   // program /opt/v/Vendrapolis -> "/opt/v/Data/"
//   ZNFindUserFile("h.png", nullptr, name, why)   // ./h.png, else Data/h.png
// The path itself, GDataPath, belongs to the file layer (files/ZNFileIO.h),
// which puts it in front of every engine file name without a drive letter.
#pragma once

#include "core/ZNTemplate.h"
#include "files/ZNFileIO.h"

// GDataPath = the program's folder (argument 0 up to and including its last
// slash, backslashes read as slashes) followed directly by name, which
// carries its own trailing separator. A program path without any folder part
// contributes nothing, so the data path is name relative to the current
// directory. A result of ZN_DATA_PATH_SIZE characters or more is a fatal
// error (ZNFatalErrorLog); GDataPath is never overflowed.
void ZNSetDataPath(const ZNString& name);

// The engine file name (what the file layer takes) of a path as a person types
// it: absolute paths stay where they point, relative ones are taken from the
// current folder. Empty for an empty path.
ZNString ZNUserPathToEngineName(const char* path);

// What ZNFindUserFile looks for.
enum ZNUserFileUse
{
    ZNUF_Read,    // a file that must be there
    ZNUF_Write,   // a file to write: its folder must be there
};

// The one rule for a file a person names (command line, console, script): the
// path as given (absolute, or relative to the current folder), then, for a
// relative path, beside (an engine name of a folder with its trailing slash, for
// a script's own includes; may be null), then the data folder. True with the
// engine file name in found; otherwise why says "'PATH' is not in the current
// folder (CWD/) nor in the data folder (DATA)", every place looked at named.
bool ZNFindUserFile(const char* path, const char* beside, ZNUserFileUse use, ZNString& found, ZNString& why);
