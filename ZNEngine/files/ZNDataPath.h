// ZNDataPath: where the engine finds its files, set once at start-up from the
// program's folder:
//   ZNSetDataPath("Data/");   // program /opt/v/Vendrapolis -> "/opt/v/Data/"
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
