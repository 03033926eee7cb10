// ZNFuzz: one entry point per reader of untrusted input, shared by the libFuzzer
// programs (a build option, clang only) and the replay test, which feeds every
// stored corpus file and every kept crash input to the same functions under the
// sanitizers of the ordinary build.
//
//   ZNFuzzSetUp();                        // once: quiet dialogs, scratch folder
//   ZNFuzzPng(data, size);                // any bytes; returns 0
//
// Guarantees: a target never shows a dialog, never waits and never writes
// outside the scratch folder; its outcome depends only on its input (state
// left behind by one input is reset before the next).
#pragma once

#include "core/ZNAssert.h"

typedef int (*ZNFuzzFunction)(const UINT8* data, size_t size);

struct ZNFuzzTarget
{
    const char*    Name;   // folder name of its corpus and of its kept inputs
    ZNFuzzFunction Run;
};

// Every target, in a fixed order; the list ends with a null name.
extern const ZNFuzzTarget GFuzzTargets[];

// Installs a dialog handler that answers No without printing, points the data
// path at a fresh scratch folder and removes that folder at exit.
void        ZNFuzzSetUp();
// The scratch folder with its trailing '/' (the data path of every target).
const char* ZNFuzzScratchDir();
// Writes bytes to the scratch file name (relative to the scratch folder).
void        ZNFuzzWriteScratch(const char* name, const void* bytes, size_t size);
// Dialogs shown since the last call (assertions the input provoked, questions).
UINT32      ZNFuzzTakeDialogCount();

int ZNFuzzPng(const UINT8* data, size_t size);
int ZNFuzzMips(const UINT8* data, size_t size);
int ZNFuzzTextParse(const UINT8* data, size_t size);
int ZNFuzzFont(const UINT8* data, size_t size);
int ZNFuzzMaterial(const UINT8* data, size_t size);
int ZNFuzzShader(const UINT8* data, size_t size);
int ZNFuzzArchive(const UINT8* data, size_t size);
int ZNFuzzCmdLine(const UINT8* data, size_t size);
int ZNFuzzConsole(const UINT8* data, size_t size);
