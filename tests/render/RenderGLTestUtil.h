// GL side of the rendering tests: a hidden window whose 3.3 core context is
// current for one test, and a function table that records calls.
#pragma once

#include "RenderTestUtil.h"

#include "window/ZNContextState.h"
#include "window/ZNGLContext.h"
#include "window/ZNGLTable.h"

// The current context's table and state. Test code reaches the thread-locals
// only through these (GCC's null-pointer check misfires on direct thread-local
// accesses in some test functions under -fsanitize=undefined).
GladGLContext&  GL();
ZNContextState& CS();

// The engine platform, made on first use for the whole test program.
ZNPlatform& ZNTestPlatform();

// A hidden window with a fresh context, current while the object lives.
class ZNTestWindow
{
public:
    explicit ZNTestWindow(UINT32 width = 1024, UINT32 height = 576);
    ~ZNTestWindow();

    bool            Ok() const { return Opened; }
    ZNContextState& State() const { return *Window.Handle()->State(); }
    void            Begin();
    void            End();

    ZNRenderWindow Window;

private:
    bool Opened = false;
    bool Current = false;
};

// While it lives, TGCurGLTable points at a copy of the current table whose
// state-changing entries append "Name arg arg..." to Calls, then call GL.
class ZNRecordingTable
{
public:
    ZNRecordingTable();
    ~ZNRecordingTable();

    // Calls equal to line, or starting with line and a space.
    int  Count(const std::string& line) const;
    // The calls with that name, in order.
    std::vector<std::string> Only(const std::string& name) const;
    void Clear() { Calls.clear(); }

    std::vector<std::string>& Calls;

private:
    GladGLContext  Table;
    GladGLContext* Saved;
};
