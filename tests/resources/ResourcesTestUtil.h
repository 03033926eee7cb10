// Helpers of the image and texture tests: a dialog recorder, a scratch folder,
// small image makers and (for the GL tests) a hidden 3.3 core context with the
// engine's per-context state current on the test thread.
#pragma once

#include "core/ZNAssert.h"
#include "resources/ZNImage.h"

#include <gtest/gtest.h>

#include <mutex>
#include <string>
#include <vector>

// Records every dialog (caption and text) and answers No, from any thread.
class DialogRecorder
{
public:
    DialogRecorder();
    ~DialogRecorder();
    DialogRecorder(const DialogRecorder&) = delete;
    DialogRecorder& operator=(const DialogRecorder&) = delete;

    // Dialogs whose text contains part.
    int  Count(const std::string& part) const;
    int  Total() const;
    void Clear();

private:
    ZNDialogHandler Previous;
};

// A fresh folder under /tmp, removed with everything in it at the end.
class ScratchDir
{
public:
    ScratchDir();
    ~ScratchDir();
    std::string Path(const std::string& name) const { return Dir + "/" + name; }

private:
    std::string Dir;
};

std::vector<UINT8> ReadBytes(const std::string& path);
void               WriteBytes(const std::string& path, const std::vector<UINT8>& bytes);
bool               FileThere(const std::string& path);

// An image whose every pixel differs: R = x, G = y, B = x ^ y, A = 255 - x.
void MakePattern(ZNImage& image, UINT32 width, UINT32 height);
// Writes image as a PNG file; fails the test when it cannot.
void WritePng(const std::string& path, const ZNImage& image);

inline UINT32 Rgba(UINT32 r, UINT32 g, UINT32 b, UINT32 a) { return r | (g << 8) | (b << 16) | (a << 24); }

// ---------------------------------------------------------------------------
// GL tests

#include "window/ZNContextState.h"
#include "window/ZNGLTable.h"

// A hidden window with its own 3.3 core context, current on this thread with a
// fresh ZNContextState (TGCurContextState / TGCurGLTable) while the object lives.
class GLTestContext
{
public:
    GLTestContext();
    ~GLTestContext();
    GLTestContext(const GLTestContext&) = delete;
    GLTestContext& operator=(const GLTestContext&) = delete;

    bool           Ok() const { return State != nullptr; }
    GladGLContext  Table = {};

private:
    void*           Window = nullptr;
    void*           Context = nullptr;
    ZNContextState* State = nullptr;
};

// Level-0 (or level) parameters of the texture bound to target on the active unit.
int TexLevelParam(UINT32 target, int level, UINT32 pname);
int TexParam(UINT32 target, UINT32 pname);

// Reads / replaces TGCurGLTable (a recording copy of the table, for example).
GladGLContext* CurrentGLTable();
void           SetCurrentGLTable(GladGLContext* table);
// The texture-unit cache of the current context.
ZNTextureContextState& CurrentUnits();
