// The crash handler on Windows: an unhandled-exception filter that writes a
// minidump next to the executable, reports it through the dialog handler and
// ends the process with the exception's code.
//
// The dump is written first, before anything that may take a lock the crashed
// thread held; the report comes after. Stack overflows still dump: every thread
// keeps a reserve of stack for the filter (SetThreadStackGuarantee).
#include "core/ZNSys.h"
#include "core/ZNSysPlatform.h"

#include <windows.h>
#include <dbghelp.h>

#include <atomic>
#include <stdio.h>
#include <string.h>

namespace
{

char               GProgram[ZN_MAX_PROGRAM_PATH];
char               GDumpDir[ZN_MAX_PROGRAM_PATH + 8];    // UTF-8, with its trailing '/'
wchar_t            GDumpDirW[ZN_MAX_PROGRAM_PATH + 8];   // the same, for the file call
std::atomic<DWORD> GCrashingThread{ 0 };

const ULONG kStackReserveForHandler = 64 * 1024;

void ReserveHandlerStack()
{
    ULONG size = kStackReserveForHandler;
    SetThreadStackGuarantee(&size);
}

LONG WINAPI CrashFilter(EXCEPTION_POINTERS* info)
{
    const DWORD tid   = GetCurrentThreadId();
    DWORD       owner = 0;
    if (!GCrashingThread.compare_exchange_strong(owner, tid))
    {
        // Crashed while reporting, or another thread is reporting and ends
        // the process: either way nothing more to do here.
        if (owner == tid)
            TerminateProcess(GetCurrentProcess(), info->ExceptionRecord->ExceptionCode);
        for (;;)
            Sleep(INFINITE);
    }

    SYSTEMTIME when;
    GetLocalTime(&when);
    const DWORD pid = GetCurrentProcessId();
    wchar_t     dumpPathW[ZN_MAX_PROGRAM_PATH + 96];
    _snwprintf(dumpPathW, sizeof(dumpPathW) / sizeof(dumpPathW[0]), L"%lsDUMP-%04u%02u%02u-%02u%02u%02u-%lu-%lu.dmp",
               GDumpDirW, when.wYear, when.wMonth, when.wDay, when.wHour, when.wMinute, when.wSecond,
               (unsigned long)pid, (unsigned long)tid);
    dumpPathW[sizeof(dumpPathW) / sizeof(dumpPathW[0]) - 1] = 0;

    HANDLE file =
        CreateFileW(dumpPathW, GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE)
    {
        MINIDUMP_EXCEPTION_INFORMATION exception;
        exception.ThreadId          = tid;
        exception.ExceptionPointers = info;
        exception.ClientPointers    = FALSE;
        MiniDumpWriteDump(GetCurrentProcess(), pid, file, MiniDumpNormal, &exception, nullptr, nullptr);
        CloseHandle(file);
    }

    char dumpPath[3 * (ZN_MAX_PROGRAM_PATH + 96)];
    if (!WideCharToMultiByte(CP_UTF8, 0, dumpPathW, -1, dumpPath, sizeof(dumpPath), nullptr, nullptr))
        dumpPath[0] = 0;
    char caption[512];
    snprintf(caption, sizeof(caption), "%s: Error", GProgram);
    char message[2048];
    snprintf(message, sizeof(message), "%s%s%s", ZN_CRASH_MESSAGE_HEAD, dumpPath, ZN_CRASH_MESSAGE_TAIL);
    ZNShowDialog(ZNDialog_Fatal, message, caption);
    TerminateProcess(GetCurrentProcess(), info->ExceptionRecord->ExceptionCode);
    return EXCEPTION_EXECUTE_HANDLER;
}

}   // namespace

void ZNInstallCrashHandler(const char* programPath)
{
    // Folder of the program, with its separator; made absolute now.
    char folder[ZN_MAX_PROGRAM_PATH];
    ZNCrashKeepProgram(programPath, GProgram, sizeof(GProgram), folder, sizeof(folder));
    wchar_t wide[ZN_MAX_PROGRAM_PATH];
    if (!MultiByteToWideChar(CP_UTF8, 0, folder[0] ? folder : ".", -1, wide, ZN_MAX_PROGRAM_PATH))
        wcscpy(wide, L".");
    DWORD n = GetFullPathNameW(wide, ZN_MAX_PROGRAM_PATH, GDumpDirW, nullptr);
    if (n == 0 || n >= ZN_MAX_PROGRAM_PATH)
        wcscpy(GDumpDirW, L".\\");
    else if (GDumpDirW[n - 1] != L'\\' && GDumpDirW[n - 1] != L'/')
        wcscat(GDumpDirW, L"\\");
    for (wchar_t* p = GDumpDirW; *p; ++p)
        if (*p == L'\\')
            *p = L'/';
    if (!WideCharToMultiByte(CP_UTF8, 0, GDumpDirW, -1, GDumpDir, sizeof(GDumpDir), nullptr, nullptr))
        snprintf(GDumpDir, sizeof(GDumpDir), "./");

    // The filter is the last word: no system box before it.
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
    SetUnhandledExceptionFilter(CrashFilter);
    ReserveHandlerStack();
}

const char* ZNGetDumpDirectory()
{
    return GDumpDir;
}

void ZNCrashEnterThread()
{
    ReserveHandlerStack();
}

void ZNCrashLeaveThread()
{
}
