// ZNGLPlatform: what each platform's GL layer (ZNGLContextSDL.cpp,
// ZNGLContextWin32.cpp) gives the shared context code in ZNGLContext.cpp.
// Internal to the window folder.
//
// Guarantees every backend keeps: a context made for a window context shares
// objects with the share context and is 3.3 core forward-compatible; failures to
// make a pixel format or a context are fatal with the engine's wording; calls
// come only from the thread that built the platform, except MakeCurrent and
// Swap, which any thread may make for a context it holds.
#pragma once

#include "window/ZNGLContext.h"

namespace ZNGLPlatform
{
// Sets what a window made next must carry for a context of this kind (some
// platforms fix the pixel format when the window is made).
void         PrepareWindow(const ZNWindowParams& params, bool windowContext);
// Makes the native context for win (share null: the legacy main context) and
// leaves it current on this thread. Fatal on failure.
void*        CreateContext(const ZNWindowParams& params, ZNWindow* win, ZNGLContext* share);
// Makes rc current with win's surface, or releases this thread's context when
// rc is null. False when the platform refused.
bool         MakeCurrent(ZNWindow* win, void* rc);
void         DeleteContext(void* rc);
void         Swap(ZNWindow* win);
void         SetSwapInterval(UINT32 interval);
// Finds GL functions for the context current on this thread.
GLADloadfunc Loader();
// The platform's last reason for a failure, for standard error.
const char*  LastError();
#ifdef __EMSCRIPTEN__
// Fills the entries of a freshly loaded table that WebGL2 has under other
// names or not at all (ZNGLContextWeb.cpp).
void CompleteTable(GladGLContext& table);
#endif
}   // namespace ZNGLPlatform
