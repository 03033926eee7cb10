// The dialog backend on SDL2: message boxes when a display exists, the
// debugger trap and the immediate exit.
#include "core/ZNDialogPlatform.h"

#include <SDL.h>
#include <signal.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

namespace
{
bool HasDisplay()
{
    const char* x11     = getenv("DISPLAY");
    const char* wayland = getenv("WAYLAND_DISPLAY");
    return (x11 && *x11) || (wayland && *wayland);
}

// Returns 1 for Yes/OK, 0 for No, -1 when no box could be shown.
int ShowSDLBox(ZNDialogKind kind, const char* text, const char* caption)
{
    SDL_MessageBoxButtonData yesNo[2] = {
        { SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT, 1, "Yes" },
        { SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT, 0, "No" },
    };
    SDL_MessageBoxButtonData ok[1] = {
        { SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT | SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT, 1, "OK" },
    };
    SDL_MessageBoxData data;
    memset(&data, 0, sizeof(data));
    // SDL has no question icon; a question about an invalid state is a warning.
    data.flags   = kind == ZNDialog_Fatal  ? SDL_MESSAGEBOX_ERROR
                   : kind == ZNDialog_Info ? SDL_MESSAGEBOX_INFORMATION
                                           : SDL_MESSAGEBOX_WARNING;
    data.window  = nullptr;
    data.title   = caption;
    data.message = text;
    if (kind == ZNDialog_YesNo)
    {
        data.numbuttons = 2;
        data.buttons    = yesNo;
    }
    else
    {
        data.numbuttons = 1;
        data.buttons    = ok;
    }
    int pressed = -1;
    if (SDL_ShowMessageBox(&data, &pressed) != 0)
        return -1;
    // Closing the box without a button counts as No.
    return pressed == 1 ? 1 : 0;
}

}   // namespace

int ZNShowPlatformBox(ZNDialogKind kind, const char* text, const char* caption)
{
    return HasDisplay() ? ShowSDLBox(kind, text, caption) : -1;
}

void ZNBreakIntoDebugger()
{
    raise(SIGTRAP);
}

void ZNExitProcessNow(UINT32 code)
{
    // A POSIX parent sees only the low byte.
    _exit(static_cast<int>(code));
}

void ZNWriteStdErr(const char* data, size_t size)
{
    while (size > 0)
    {
        ssize_t n = write(STDERR_FILENO, data, size);
        if (n < 0)
            return;
        data += n;
        size -= static_cast<size_t>(n);
    }
}

bool ZNStdInIsTerminal()
{
    return isatty(STDIN_FILENO) != 0;
}
