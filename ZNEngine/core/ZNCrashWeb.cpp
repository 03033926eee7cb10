// The crash handler in a page: WebAssembly has no signals and nowhere to write
// a dump the user could find, so a trap (out-of-bounds access, unreachable,
// abort) is reported where the browser can show it: the error and the stack
// the browser gives, on the console, through the page's onerror (the page's
// shell prints both and marks the page as ended).
#include "core/ZNSys.h"
#include "core/ZNSysPlatform.h"

#include <emscripten.h>
#include <limits.h>

namespace
{
char GProgram[PATH_MAX];
char GDumpDir[PATH_MAX];
}   // namespace

void ZNInstallCrashHandler(const char* programPath)
{
    ZNCrashKeepProgram(programPath, GProgram, sizeof(GProgram), GDumpDir, sizeof(GDumpDir));
    // An error the page did not catch: its message and the browser's stack.
    EM_ASM({
        if (typeof window == 'undefined' || window.__znCrashHandler)
            return;
        window.__znCrashHandler = true;
        window.addEventListener(
            'error', function(e) {
                var stack = e.error && e.error.stack ? e.error.stack : '(no stack)';
                console.error('Crash: ' + e.message + '\n' + stack);
            });
    });
}

const char* ZNGetDumpDirectory()
{
    return GDumpDir;
}

void ZNCrashEnterThread()
{
}

void ZNCrashLeaveThread()
{
}
