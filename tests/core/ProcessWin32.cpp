// The process on Windows: a fatal error ends it with the full 32-bit code, a
// crash writes a minidump beside the program and ends it with the exception's
// code, threads end with their codes and unwind.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "core/ZNThread.h"

namespace
{
std::wstring ProgramPath()
{
    wchar_t path[MAX_PATH];
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    return path;
}

std::wstring ProgramFolder()
{
    std::wstring p = ProgramPath();
    return p.substr(0, p.find_last_of(L"\\/") + 1);
}

// Runs this program as a child that ends the named way; its exit code.
DWORD RunChild(const wchar_t* what)
{
    SetEnvironmentVariableW(L"ZN_DIALOG", L"no");
    std::wstring         line = L"\"" + ProgramPath() + L"\" --zn-child=" + what;
    std::vector<wchar_t> buffer(line.begin(), line.end());
    buffer.push_back(0);
    STARTUPINFOW si;
    memset(&si, 0, sizeof(si));
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi;
    if (!CreateProcessW(nullptr, buffer.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        return 0xFFFFFFFF;
    WaitForSingleObject(pi.hProcess, 60000);
    DWORD code = 0xFFFFFFFF;
    GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return code;
}

std::vector<std::wstring> Dumps()
{
    std::vector<std::wstring> out;
    WIN32_FIND_DATAW          data;
    HANDLE                    find = FindFirstFileW((ProgramFolder() + L"DUMP-*.dmp").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE)
        return out;
    do
        out.push_back(ProgramFolder() + data.cFileName);
    while (FindNextFileW(find, &data));
    FindClose(find);
    return out;
}

struct Unwound
{
    bool* Flag;
    ~Unwound() { *Flag = true; }
};

bool GUnwound = false;

UINT32 ExitsWithSeven(void*)
{
    Unwound mark{ &GUnwound };
    ZNThread::ExitCurrent(7);
}

UINT32 SleepsLong(void*)
{
    ZNThread::Sleep(60000);
    return 1;
}
}   // namespace

TEST(Win32Process, FatalErrorEndsWithTheFullCode)
{
    EXPECT_EQ(RunChild(L"fatal"), (DWORD)0xBADDC0DE);
}

TEST(Win32Process, CrashWritesAMinidumpBesideTheProgram)
{
    for (const std::wstring& old : Dumps())
        DeleteFileW(old.c_str());
    EXPECT_EQ(RunChild(L"crash"), (DWORD)EXCEPTION_ACCESS_VIOLATION);
    const std::vector<std::wstring> dumps = Dumps();
    ASSERT_EQ(dumps.size(), 1u);
    HANDLE f = CreateFileW(dumps[0].c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(f, INVALID_HANDLE_VALUE);
    char  signature[4] = {};
    DWORD got          = 0;
    ReadFile(f, signature, 4, &got, nullptr);
    CloseHandle(f);
    EXPECT_EQ(std::string(signature, 4), "MDMP");
    DeleteFileW(dumps[0].c_str());
}

TEST(Win32Process, NormalEndKeepsItsCode)
{
    EXPECT_EQ(RunChild(L"return"), 3u);
}

TEST(Win32Thread, ExitCurrentUnwindsAndGivesItsCode)
{
    ZNThread t;
    t.Start(ExitsWithSeven, nullptr);
    EXPECT_NE(t.GetId(), 0u);
    t.Wait(ZN_WAIT_INFINITE);
    EXPECT_FALSE(t.IsRunning());
    EXPECT_EQ(t.GetExitCode(), 7u);
    EXPECT_TRUE(GUnwound);
}

TEST(Win32Thread, TerminateEndsASleepingThreadAndResets)
{
    ZNThread t;
    t.Start(SleepsLong, nullptr);
    EXPECT_TRUE(t.IsRunning());
    EXPECT_EQ(t.GetExitCode(), ZN_THREAD_STILL_ACTIVE);
    t.Terminate();
    EXPECT_FALSE(t.HasHandle());
    EXPECT_FALSE(t.IsRunning());
    t.Wait(ZN_WAIT_INFINITE);   // returns at once without a thread
}

TEST(Win32Thread, PinningOneThreadLeavesNewThreadsOnEveryProcessor)
{
    DWORD_PTR process = 0, system = 0;
    ASSERT_TRUE(GetProcessAffinityMask(GetCurrentProcess(), &process, &system));
    ZNPinThreadToOneProcessor();
    // SetThreadAffinityMask answers with the mask it replaces.
    const DWORD_PTR pinned = SetThreadAffinityMask(GetCurrentThread(), process);
    EXPECT_EQ(pinned, process & (~process + 1));
    ZNPinThreadToOneProcessor();
    struct Probe
    {
        static UINT32 Run(void* out)
        {
            *static_cast<DWORD_PTR*>(out) = SetThreadAffinityMask(GetCurrentThread(), 1);
            return 0;
        }
    };
    DWORD_PTR seen = 0;
    ZNThread  t;
    t.Start(Probe::Run, &seen);
    t.Wait(ZN_WAIT_INFINITE);
    EXPECT_EQ(seen, process);
    SetThreadAffinityMask(GetCurrentThread(), process);
}
