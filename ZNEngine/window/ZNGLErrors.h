// ZNGLErrors: every GL error reported, with where it happened, in debug and
// test runs.
//
//   ZNGLErrorsAttach();            // right after a context is made and its table loaded
//   ZNGLErrorsCheck("frame end");  // at the end of each frame (ZNAppWindow::Present)
//   ZNGLErrorCount();              // errors reported so far in this process
//
// Reporting is on in builds without NDEBUG and wherever the environment sets
// ZN_GL_ERRORS=1 (the test scripts do); ZN_GL_ERRORS=0 turns it off. Where the
// driver offers debug output (KHR_debug), a synchronous callback reports each
// error as it happens with the driver's description, which names the GL call;
// otherwise the frame-end check reports the error codes it drains, naming the
// check. Each report is one line on standard error starting "GL error: ", and
// at exit a process that made a context with reporting on prints
// "GL errors: <count>".
// Errors already pending when a context is attached are reported then.
// Guarantees: when reporting is off these functions make no GL call; every
// drain of the error flags stops after 64 codes (a lost context reports
// errors for ever), so no call spins; a check otherwise leaves the context's
// error flags clear.
#pragma once

#include "core/ZNAssert.h"

// Reporting is on (from the build and ZN_GL_ERRORS, read at each call).
bool   ZNGLErrorsEnabled();
// Installs the debug callback on the current context when the driver offers it
// and proves that it fires; otherwise the context relies on ZNGLErrorsCheck.
void   ZNGLErrorsAttach();
// Drains the current context's error flags; reports each (unless the debug
// callback already did) with where. Returns the number of codes drained.
UINT32 ZNGLErrorsCheck(const char* where);
// GL errors reported in this process.
UINT32 ZNGLErrorCount();
