// The dialog backend on Windows: message boxes, the debugger break and the
// immediate exit with the full 32-bit code.
#include "core/ZNDialogPlatform.h"

#include <windows.h>

#include <io.h>
#include <stdio.h>
#include <stdlib.h>

namespace
{
// UTF-8 to a wide string the caller frees with ZNFree.
wchar_t* Widen(const char* text)
{
    const int n    = MultiByteToWideChar(CP_UTF8, 0, text, -1, nullptr, 0);
    wchar_t*  wide = static_cast<wchar_t*>(ZNAlloc(sizeof(wchar_t) * (n > 0 ? n : 1)));
    wide[0]        = 0;
    if (n > 0)
        MultiByteToWideChar(CP_UTF8, 0, text, -1, wide, n);
    return wide;
}
}   // namespace

int ZNShowPlatformBox(ZNDialogKind kind, const char* text, const char* caption)
{
    UINT style = MB_SETFOREGROUND | MB_TASKMODAL;
    switch (kind)
    {
    case ZNDialog_YesNo: style |= MB_YESNO | MB_ICONQUESTION; break;
    case ZNDialog_Fatal: style |= MB_OK | MB_ICONSTOP; break;
    case ZNDialog_Info: style |= MB_OK | MB_ICONINFORMATION; break;
    }
    wchar_t*  wideText    = Widen(text);
    wchar_t*  wideCaption = Widen(caption);
    const int pressed     = MessageBoxW(nullptr, wideText, wideCaption, style);
    ZNFree(wideText);
    ZNFree(wideCaption);
    if (pressed == 0)
        return -1;
    return pressed == IDYES || pressed == IDOK ? 1 : 0;
}

void ZNBreakIntoDebugger()
{
    DebugBreak();
}

void ZNExitProcessNow(UINT32 code)
{
    TerminateProcess(GetCurrentProcess(), code);
    // TerminateProcess does not return for the calling process; should it
    // fail, the code still reaches the parent through _exit.
    _exit(static_cast<int>(code));
}

void ZNWriteStdErr(const char* data, size_t size)
{
    // Through the runtime's descriptor 2, so text lands where stderr's does
    // (a console, a pipe or a file the parent redirected it to).
    while (size > 0)
    {
        const unsigned chunk = size > 0x10000000u ? 0x10000000u : static_cast<unsigned>(size);
        const int      n     = _write(2, data, chunk);
        if (n <= 0)
            return;
        data += n;
        size -= static_cast<size_t>(n);
    }
}

bool ZNStdInIsTerminal()
{
    return _isatty(_fileno(stdin)) != 0;
}
