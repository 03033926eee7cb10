// ZNAssert: the dialog handler chain, the assertion report, fatal exits and the
// engine allocator. See ZNAssert.h for the contract.
//
// The default handler is written so that an unattended run (CI, scripts, a
// program started without a terminal) is never left waiting for an answer:
// only a person at a display or at a terminal is ever asked.
#include "core/ZNAssert.h"

#include "core/ZNDialogPlatform.h"
#include "core/ZNStringUtil.h"

#include <atomic>
#include <chrono>
#include <ctype.h>
#include <mutex>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

namespace
{

std::atomic<ZNDialogHandler> GDialogHandler{ nullptr };

// Serialises the default handler so boxes from several threads do not
// interleave on the terminal. Recursive because a box may be raised while
// another is being shown on the same thread (e.g. a crash inside the platform's box); timed
// so a crash on one thread is not held up forever by a prompt on another.
std::recursive_timed_mutex& DialogMutex()
{
    static std::recursive_timed_mutex m;
    return m;
}

const char* KindLabel(ZNDialogKind kind)
{
    switch (kind)
    {
    case ZNDialog_YesNo: return "question";
    case ZNDialog_Fatal: return "fatal error";
    case ZNDialog_Info: return "information";
    }
    return "box";
}

// One block per box so that concurrent reports stay readable.
void PrintBox(ZNDialogKind kind, const char* text, const char* caption, const char* answer)
{
    char buffer[4096];
    int  n = snprintf(buffer, sizeof(buffer), "[%s] %s\n%s\n%s%s%s", KindLabel(kind), caption, text,
                     answer ? "-> answered " : "", answer ? answer : "", answer ? "\n" : "");
    if (n < 0)
        return;
    size_t size = static_cast<size_t>(n) < sizeof(buffer) ? static_cast<size_t>(n) : sizeof(buffer) - 1;
    ZNWriteStdErr(buffer, size);
}

// Asks on the terminal; end of input counts as No.
bool AskTerminal(ZNDialogKind kind, const char* text, const char* caption)
{
    PrintBox(kind, text, caption, nullptr);
    for (;;)
    {
        const char* prompt = kind == ZNDialog_YesNo ? "Answer [y/n]: " : "Press Enter to continue: ";
        ZNWriteStdErr(prompt, strlen(prompt));
        char line[64];
        if (!fgets(line, sizeof(line), stdin))
            return kind != ZNDialog_YesNo;
        if (kind != ZNDialog_YesNo)
            return true;
        char c = static_cast<char>(tolower(static_cast<unsigned char>(line[0])));
        if (c == 'y')
            return true;
        if (c == 'n')
            return false;
    }
}

}   // namespace

bool ZNDefaultDialogHandler(ZNDialogKind kind, const char* text, const char* caption)
{
    if (!text)
        text = "";
    if (!caption)
        caption = "";

    std::unique_lock<std::recursive_timed_mutex> lock(DialogMutex(), std::defer_lock);
    (void)lock.try_lock_for(std::chrono::seconds(5));

    // Boxes with only OK are acknowledged whatever the mode; only questions
    // carry an answer.
    const char* mode = getenv("ZN_DIALOG");
    // The terminator is compared too, so "yess" is neither answer.
    const bool  yes = mode && ZNStrICmpN(mode, "yes", 4) == 0;
    if (yes || (mode && ZNStrICmpN(mode, "no", 3) == 0))
    {
        if (kind != ZNDialog_YesNo)
        {
            PrintBox(kind, text, caption, "OK");
            return true;
        }
        PrintBox(kind, text, caption, yes ? "Yes" : "No");
        return yes;
    }

    int shown = ZNShowPlatformBox(kind, text, caption);
    if (shown >= 0)
        return shown == 1;

    if (ZNStdInIsTerminal())
        return AskTerminal(kind, text, caption);

    if (kind != ZNDialog_YesNo)
    {
        PrintBox(kind, text, caption, "OK");
        return true;
    }
    PrintBox(kind, text, caption, "No (nobody to ask)");
    return false;
}

ZNDialogHandler ZNSetDialogHandler(ZNDialogHandler handler)
{
    return GDialogHandler.exchange(handler);
}

bool ZNShowDialog(ZNDialogKind kind, const char* text, const char* caption)
{
    ZNDialogHandler handler = GDialogHandler.load();
    if (!handler)
        handler = ZNDefaultDialogHandler;
    return handler(kind, text ? text : "", caption ? caption : "");
}

void ZNFormatAssertText(char* buffer, size_t size, const char* expression, const char* file, int line)
{
    if (!buffer || size == 0)
        return;
    // snprintf cuts at size - 1 and always terminates.
    snprintf(buffer, size,
             "It is detected that the program is in invalid state:\n%s\n\nFile: %s\nLine: %d\n\n"
             "Do you want to debug the program?",
             expression ? expression : "", file ? file : "", line);
}

void ZNAssertFailed(const char* expression, const char* file, int line)
{
    char text[ZN_ASSERT_TEXT_SIZE];
    ZNFormatAssertText(text, sizeof(text), expression, file, line);
    if (ZNShowDialog(ZNDialog_YesNo, text, "BREAK_IF"))
    {
        // Stops in an attached debugger; without one the crash handler turns
        // the trap into a dump.
        ZNBreakIntoDebugger();
    }
}

bool ZNAskYesNo(const char* text, const char* caption)
{
    return ZNShowDialog(ZNDialog_YesNo, text, caption);
}

void ZNFatalError(const char* text, const char* caption)
{
    ZNShowDialog(ZNDialog_Fatal, text, caption);
    // Nothing else runs: no destructors, no atexit handlers. Standard output is
    // flushed only so that notes printed before the failure are not lost.
    fflush(stdout);
    ZNExitProcessNow(ZN_FATAL_EXIT_CODE);
}

int ZNInfoBox(const char* text, const char* caption)
{
    return ZNShowDialog(ZNDialog_Info, text, caption) ? ZN_BOX_OK : 0;
}

void* ZNAlloc(size_t size)
{
    // malloc(0) may legitimately return null; a caller asking for nothing
    // still gets a valid block to free.
    void* block = malloc(size ? size : 1);
    if (!block)
        ZNFatalError("Failed to allocate data", "Critical error");
    return block;
}

void* ZNRealloc(void* block, size_t size)
{
    void* moved = realloc(block, size ? size : 1);
    if (!moved)
        ZNFatalError("Failed to reallocate data", "Critical error");
    return moved;
}

void ZNFree(void* block)
{
    free(block);
}
