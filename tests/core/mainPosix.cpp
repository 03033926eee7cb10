// Test program of the core folder. Besides running the tests it re-enters one
// of the child modes below when started as "<program> --zn-child=<mode> ...":
// the tests use them to watch fatal exits, crashes and the default dialog
// handler from another process (see test_sys_child.h).
#include "core/ZNAssert.h"
#include "core/ZNRuntime.h"
#include "core/ZNSys.h"
#include "core/ZNThread.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace
{

// Written with write(2): these must reach the parent even when the process
// then ends without flushing anything.
void Say(const char* text)
{
    ssize_t ignored = write(STDOUT_FILENO, text, strlen(text));
    (void)ignored;
}

bool GChildMode = false;

// Tells a child's parent whether static destructors ran.
struct LoudDestructor
{
    ~LoudDestructor()
    {
        if (GChildMode)
            Say("destructor ran\n");
    }
};
LoudDestructor GLoud;

void SayAtExit()
{
    Say("atexit ran\n");
}

// Deep enough to overflow any stack; the volatile limit keeps the compiler
// from seeing an endless recursion.
volatile int GRecursionLimit = 1 << 30;
int          Recurse(int depth)
{
    volatile char pad[4096];
    pad[0] = static_cast<char>(depth);
    if (depth > GRecursionLimit)
        return pad[0];
    return Recurse(depth + 1) + pad[0];
}

// The sanitizer would report the null store itself instead of letting it fault.
__attribute__((no_sanitize("undefined"))) void CrashNullWrite()
{
    volatile int* volatile target = nullptr;
    *target                       = 1;
}

UINT32 CrashingRoutine(void*)
{
    char line[64];
    snprintf(line, sizeof(line), "tid=%ld\n", static_cast<long>(syscall(SYS_gettid)));
    Say(line);
    CrashNullWrite();
    return 0;
}

const char* Arg(int argc, char** argv, int at)
{
    return at < argc ? argv[at] : "";
}

int RunChildMode(const char* mode, int argc, char** argv)
{
    char line[4096];
    if (strcmp(mode, "ask") == 0)
    {
        bool yes = ZNAskYesNo(Arg(argc, argv, 2), Arg(argc, argv, 3));
        Say(yes ? "answer=yes\n" : "answer=no\n");
        return 0;
    }
    if (strcmp(mode, "info") == 0)
    {
        snprintf(line, sizeof(line), "result=%d\n", ZNInfoBox(Arg(argc, argv, 2), Arg(argc, argv, 3)));
        Say(line);
        return 0;
    }
    if (strcmp(mode, "fatal") == 0)
    {
        atexit(SayAtExit);
        ZNFatalError(Arg(argc, argv, 2), Arg(argc, argv, 3));
    }
    if (strcmp(mode, "alloc-fail") == 0)
    {
        atexit(SayAtExit);
        void* block = ZNAlloc(SIZE_MAX / 2);
        Say(block ? "returned a block\n" : "returned null\n");
        return 0;
    }
    if (strcmp(mode, "realloc-fail") == 0)
    {
        atexit(SayAtExit);
        void* block = ZNAlloc(16);
        block       = ZNRealloc(block, SIZE_MAX / 2);
        Say(block ? "returned a block\n" : "returned null\n");
        return 0;
    }
    if (strcmp(mode, "break") == 0)
    {
        ZNSysInit(argc, argv);
        int two = atoi("2");
        BREAK_IF(two == 2);
        Say("continued\n");
        return 0;
    }
    if (strcmp(mode, "crash-null") == 0 || strcmp(mode, "crash-null-chdir") == 0)
    {
        ZNSysInit(argc, argv);
        if (strcmp(mode, "crash-null-chdir") == 0 && chdir("/") != 0)
            return 3;
        CrashNullWrite();
        return 0;
    }
    if (strcmp(mode, "crash-null-nodir") == 0)
    {
        char  fake[]     = "/nonexistent-zn-folder/bin/prog";
        char* fakeArgv[] = { fake };
        ZNSysInit(1, fakeArgv);
        CrashNullWrite();
        return 0;
    }
    if (strcmp(mode, "crash-raise") == 0)
    {
        ZNSysInit(argc, argv);
        raise(atoi(Arg(argc, argv, 2)));
        return 0;
    }
    if (strcmp(mode, "crash-abort") == 0)
    {
        ZNSysInit(argc, argv);
        abort();
    }
    if (strcmp(mode, "crash-stack") == 0)
    {
        ZNSysInit(argc, argv);
        return Recurse(0);
    }
    if (strcmp(mode, "crash-thread") == 0)
    {
        ZNSysInit(argc, argv);
        ZNThread thread;
        thread.Start(CrashingRoutine, nullptr);
        thread.Wait(ZN_WAIT_INFINITE);
        return 0;
    }
    if (strcmp(mode, "args") == 0)
    {
        ZNSysInit(0, nullptr);
        snprintf(line, sizeof(line), "count=%u\n", ZNGetArgCount());
        Say(line);
        for (UINT32 i = 0; i < ZNGetArgCount(); ++i)
        {
            snprintf(line, sizeof(line), "arg=%s\n", ZNGetArg(i));
            Say(line);
        }
        snprintf(line, sizeof(line), "path=%s\n", ZNGetProgramPath());
        Say(line);
        return 0;
    }
    if (strcmp(mode, "filedialog") == 0)
    {
        char path[64];
        int  chosen = gSysFileOpen(Arg(argc, argv, 2), "Images\0*.png;*.jpg\0All\0*\0", path, sizeof(path),
                                   atoi(Arg(argc, argv, 3)));
        snprintf(line, sizeof(line), "result=%d path=%s\n", chosen, chosen ? path : "");
        Say(line);
        return 0;
    }
    fprintf(stderr, "unknown child mode %s\n", mode);
    return 2;
}

}   // namespace

int main(int argc, char** argv)
{
    const char* prefix = "--zn-child=";
    if (argc >= 2 && strncmp(argv[1], prefix, strlen(prefix)) == 0)
    {
        GChildMode = true;
        return RunChildMode(argv[1] + strlen(prefix), argc, argv);
    }
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
