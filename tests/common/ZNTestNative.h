// What the tests need of the native window system, one file per platform
// (ZNTestNativeSDL.cpp, ZNTestNativeWin32.cpp).
#pragma once

#include "window/ZNWindow.h"

// Hands the window the event its system sends when the client area became
// width x height (the window itself is not resized).
void ZNTestReportResize(ZNWindow& win, UINT32 width, UINT32 height);
