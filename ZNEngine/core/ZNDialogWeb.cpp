// The dialog backend in a page: no box can be shown (a modal window.prompt
// would stall the frame loop, in a loop for a repeated question), so every box
// is answered as an unattended run answers it: printed and answered No. The
// exit ends the program through the runtime, which tells the page.
#include "core/ZNDialogPlatform.h"

#include <emscripten.h>
#include <stdlib.h>
#include <unistd.h>

int ZNShowPlatformBox(ZNDialogKind, const char*, const char*)
{
    return -1;
}

void ZNBreakIntoDebugger()
{
    EM_ASM({ console.trace('ZNBreakIntoDebugger'); });
}

void ZNExitProcessNow(UINT32 code)
{
    emscripten_force_exit(static_cast<int>(code & 0xFF));
    abort();
}

void ZNWriteStdErr(const char* data, size_t size)
{
    while (size > 0)
    {
        ssize_t n = write(STDERR_FILENO, data, size);
        if (n <= 0)
            return;
        data += n;
        size -= static_cast<size_t>(n);
    }
}

bool ZNStdInIsTerminal()
{
    return false;
}
