// The tests' native window events on Windows: messages handed straight to the
// window as its procedure would.
#include "common/ZNTestNative.h"

#include "window/ZNWindowWin32.h"

void ZNTestReportResize(ZNWindow& win, UINT32 width, UINT32 height)
{
    ZNNativeEvent ev = { ZNWin32Window(win), WM_SIZE, SIZE_RESTORED, MAKELPARAM(width, height), false, 0 };
    win.HandleEvent(ev);
}
