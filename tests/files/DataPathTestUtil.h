// Helpers of the data path tests: the data path kept across a test, and the
// program name the data path is found from.
#pragma once

#include "core/ZNSys.h"
#include "files/ZNDataPath.h"

#include <string.h>

#include <string>

// Puts GDataPath back as it was when the object ends.
struct SavedDataPath
{
    char Saved[ZN_DATA_PATH_SIZE];
    SavedDataPath() { memcpy(Saved, GDataPath, sizeof(Saved)); }
    ~SavedDataPath() { memcpy(GDataPath, Saved, sizeof(Saved)); }
};

// Makes arg0 the program's argument zero.
inline void SetProgram(const std::string& arg0)
{
    std::string copy   = arg0;
    char*       argv[] = { &copy[0], nullptr };
    ZNSetArguments(1, argv);
}
