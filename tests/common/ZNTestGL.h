// GL for the tests, always through the engine's own platform code:
//   ZNTestWindow       a hidden render window, its context current on the test
//                      thread while the object lives
//   ZNAppWindowTest    a suite fixture: the started engine with a hidden
//                      application window and the repository's data folder
//   ZNRecordingTable   records the state-changing calls by their GL names
//                      ("Enable GL_BLEND", "BlendFuncSeparate GL_SRC_ALPHA
//                      GL_ONE_MINUS_SRC_ALPHA GL_ONE GL_ZERO"); object names,
//                      sizes and locations stay numbers
// Suites using them are named with "GL" (see tests/CMakeLists.txt).
#pragma once

#include "common/ZNTestDialogs.h"
#include "application/ZNAppWindow.h"
#include "render/ZNContextState.h"
#include "window/ZNGLContext.h"
#include "window/ZNGLTable.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

// The current context's table and state. Test code reaches the thread-locals
// only through these (GCC's null-pointer check misfires on direct thread-local
// accesses in some test functions under -fsanitize=undefined).
GladGLContext&  GL();
ZNContextState& CS();

// Makes table the current thread's GL table and returns the one it replaces.
GladGLContext* ZNSwapGLTable(GladGLContext* table);

// The engine platform, made on first use for the whole test program.
ZNPlatform& ZNTestPlatform();

// A hidden window with a fresh context, current while the object lives.
class ZNTestWindow
{
public:
    explicit ZNTestWindow(UINT32 width = 1024, UINT32 height = 576);
    ~ZNTestWindow();
    ZNTestWindow(const ZNTestWindow&)            = delete;
    ZNTestWindow& operator=(const ZNTestWindow&) = delete;

    bool            Ok() const { return Opened; }
    ZNContextState& State() const { return *Window.Handle()->State(); }
    void            Begin();
    void            End();

    ZNRenderWindow Window;

private:
    bool Opened  = false;
    bool Current = false;
};

struct ZNPixel
{
    int r, g, b, a;
};

// The base of a suite that draws into the application window. The suite opens
// it in its SetUpTestSuite (OpenWindow) and closes it in TearDownTestSuite; a
// test fails when the window is not there, and fails on every box it raised
// and did not clear from Dialogs.
class ZNAppWindowTest : public ::testing::Test
{
protected:
    static void OpenWindow(const char* title, UINT32 width, UINT32 height);
    static void CloseWindow();
    void        SetUp() override;
    void        TearDown() override;

    // The pixel at (x, y) of the window as opened, y counted from the top.
    static ZNPixel PixelAt(UINT32 x, UINT32 y);

    static ZNAppWindow* Window;
    static UINT32       Height;   // as opened
    ZNDialogRecorder    Dialogs;
};

// Level (or level-0) parameters of the texture bound to target on the active unit.
int TexLevelParam(UINT32 target, int level, UINT32 pname);
int TexParam(UINT32 target, UINT32 pname);

// While it lives, the current table is a copy whose state-changing entries
// append "Name arg arg..." to Calls, then call GL.
class ZNRecordingTable
{
public:
    ZNRecordingTable();
    ~ZNRecordingTable();
    ZNRecordingTable(const ZNRecordingTable&)            = delete;
    ZNRecordingTable& operator=(const ZNRecordingTable&) = delete;

    // Calls equal to line, or starting with line and a space.
    int                      Count(const std::string& line) const;
    // The calls with that name, in order.
    std::vector<std::string> Only(const std::string& name) const;
    void                     Clear() { Calls.clear(); }

    std::vector<std::string>& Calls;

private:
    GladGLContext  Table;
    GladGLContext* Saved;
};
