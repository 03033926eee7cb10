// The crash handler: POSIX signal handlers that write a text dump next to the
// executable, then report it through the dialog handler and let the signal's
// default action end the process.
//
// Until the dump file is closed the handler uses only async-signal-safe calls
// (open, write, close, clock_gettime, getpid, the gettid syscall, readlink-free
// precomputed paths, our own number formatting) plus backtrace(), whose
// libgcc is loaded at install time so that no allocation or dynamic loading
// happens inside the handler. Local time uses the UTC offset read at install.
#include "core/ZNSys.h"
#include "core/ZNSysPlatform.h"

#include <atomic>
#include <execinfo.h>
#include <fcntl.h>
#include <limits.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/syscall.h>
#include <time.h>
#include <ucontext.h>
#include <unistd.h>

namespace
{

const int GCrashSignals[] = { SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT, SIGTRAP };

// Enough for backtrace() and the formatting below, with room for the
// sanitizers' own use of the stack.
const size_t ZN_ALT_STACK_SIZE = 256 * 1024;

char              GDumpDir[PATH_MAX];   // absolute, ends in '/'
char              GProgram[PATH_MAX];   // shown in the crash box caption
long              GUtcOffset = 0;       // seconds east of UTC at install
std::atomic<long> GCrashingTid{ 0 };    // thread reporting a crash, 0 = none
alignas(16) char GMainAltStack[ZN_ALT_STACK_SIZE];
thread_local void* TGAltStack = nullptr;   // a ZNThread's own alternate stack

// ---- async-signal-safe text building ------------------------------------------

struct ZNSafeText
{
    char*  Buf;
    size_t Cap;
    size_t Len;

    void Add(const char* s)
    {
        while (*s && Len + 1 < Cap)
            Buf[Len++] = *s++;
        Buf[Len] = 0;
    }
    void AddChar(char c)
    {
        if (Len + 1 < Cap)
            Buf[Len++] = c;
        Buf[Len] = 0;
    }
    // Decimal, zero-padded to width digits.
    void AddInt(long long value, int width = 0)
    {
        char               digits[24];
        int                n        = 0;
        bool               negative = value < 0;
        unsigned long long v =
            negative ? 0ull - static_cast<unsigned long long>(value) : static_cast<unsigned long long>(value);
        do
        {
            digits[n++] = static_cast<char>('0' + v % 10);
            v /= 10;
        } while (v && n < 24);
        if (negative)
            AddChar('-');
        for (int i = n; i < width; ++i)
            AddChar('0');
        while (n)
            AddChar(digits[--n]);
    }
    void AddHex(unsigned long long value)
    {
        static const char hex[] = "0123456789abcdef";
        Add("0x");
        for (int shift = 60; shift >= 0; shift -= 4)
            AddChar(hex[(value >> shift) & 15]);
    }
};

void SafeWrite(int fd, const char* data, size_t size)
{
    while (size > 0)
    {
        ssize_t n = write(fd, data, size);
        if (n <= 0)
            return;
        data += n;
        size -= static_cast<size_t>(n);
    }
}

void SafeWrite(int fd, const ZNSafeText& text)
{
    SafeWrite(fd, text.Buf, text.Len);
}

const char* SignalName(int sig)
{
    switch (sig)
    {
    case SIGSEGV: return "SIGSEGV (invalid memory access)";
    case SIGBUS: return "SIGBUS (bus error)";
    case SIGFPE: return "SIGFPE (arithmetic error)";
    case SIGILL: return "SIGILL (illegal instruction)";
    case SIGABRT: return "SIGABRT (abort)";
    case SIGTRAP: return "SIGTRAP (breakpoint)";
    }
    return "signal";
}

// Civil date from days since 1970-01-01 (proleptic Gregorian).
void CivilFromDays(long long days, int& year, int& month, int& day)
{
    days += 719468;
    long long era = (days >= 0 ? days : days - 146096) / 146097;
    long long doe = days - era * 146097;
    long long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    long long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    long long mp  = (5 * doy + 2) / 153;
    day           = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    month         = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    year          = static_cast<int>(yoe + era * 400 + (month <= 2 ? 1 : 0));
}

struct ZNCrashTime
{
    int Year, Month, Day, Hour, Minute, Second;
};

ZNCrashTime LocalNow()
{
    timespec now;
    clock_gettime(CLOCK_REALTIME, &now);
    long long   t    = static_cast<long long>(now.tv_sec) + GUtcOffset;
    long long   days = t >= 0 ? t / 86400 : (t - 86399) / 86400;
    long long   secs = t - days * 86400;
    ZNCrashTime ct;
    CivilFromDays(days, ct.Year, ct.Month, ct.Day);
    ct.Hour   = static_cast<int>(secs / 3600);
    ct.Minute = static_cast<int>(secs / 60 % 60);
    ct.Second = static_cast<int>(secs % 60);
    return ct;
}

// Year (4 digits), month and day, then hour, minute and second (2 digits
// each): dateSeparator between the date's numbers, middle between the date
// and the clock, clockSeparator between the clock's; 0 for none.
void AddTime(ZNSafeText& text, const ZNCrashTime& when, char dateSeparator, char middle, char clockSeparator)
{
    const int  numbers[6] = { when.Year, when.Month, when.Day, when.Hour, when.Minute, when.Second };
    const char before[6]  = { 0, dateSeparator, dateSeparator, middle, clockSeparator, clockSeparator };
    for (int i = 0; i < 6; ++i)
    {
        if (before[i])
            text.AddChar(before[i]);
        text.AddInt(numbers[i], i == 0 ? 4 : 2);
    }
}

void WriteRegisters(int fd, void* context)
{
    char       line[128];
    ZNSafeText text{ line, sizeof(line), 0 };
    text.Add("Registers:\n");
    SafeWrite(fd, text);
#if defined(__x86_64__)
    const ucontext_t* uc = static_cast<const ucontext_t*>(context);
    static const struct
    {
        const char* Name;
        int         Index;
    } regs[] = {
        { "RAX", REG_RAX }, { "RBX", REG_RBX }, { "RCX", REG_RCX }, { "RDX", REG_RDX }, { "RSI", REG_RSI },
        { "RDI", REG_RDI }, { "RBP", REG_RBP }, { "RSP", REG_RSP }, { "R8 ", REG_R8 },  { "R9 ", REG_R9 },
        { "R10", REG_R10 }, { "R11", REG_R11 }, { "R12", REG_R12 }, { "R13", REG_R13 }, { "R14", REG_R14 },
        { "R15", REG_R15 }, { "RIP", REG_RIP }, { "EFL", REG_EFL }, { "ERR", REG_ERR }, { "TRP", REG_TRAPNO },
    };
    for (const auto& r : regs)
    {
        text.Len = 0;
        text.Add("  ");
        text.Add(r.Name);
        text.Add(" ");
        text.AddHex(static_cast<unsigned long long>(uc->uc_mcontext.gregs[r.Index]));
        text.Add("\n");
        SafeWrite(fd, text);
    }
#elif defined(__aarch64__)
    const ucontext_t* uc = static_cast<const ucontext_t*>(context);
    for (int i = 0; i < 31; ++i)
    {
        text.Len = 0;
        text.Add("  X");
        text.AddInt(i, 2);
        text.Add(" ");
        text.AddHex(uc->uc_mcontext.regs[i]);
        text.Add("\n");
        SafeWrite(fd, text);
    }
    text.Len = 0;
    text.Add("  SP  ");
    text.AddHex(uc->uc_mcontext.sp);
    text.Add("\n  PC  ");
    text.AddHex(uc->uc_mcontext.pc);
    text.Add("\n");
    SafeWrite(fd, text);
#else
    (void)context;
    text.Len = 0;
    text.Add("  (not recorded on this architecture)\n");
    SafeWrite(fd, text);
#endif
}

// The memory map lets the backtrace's addresses be resolved later.
void CopyMaps(int fd)
{
    int maps = open("/proc/self/maps", O_RDONLY | O_CLOEXEC);
    if (maps < 0)
        return;
    char chunk[4096];
    for (;;)
    {
        ssize_t n = read(maps, chunk, sizeof(chunk));
        if (n <= 0)
            break;
        SafeWrite(fd, chunk, static_cast<size_t>(n));
    }
    close(maps);
}

void WriteDump(int fd, int sig, const siginfo_t* info, void* context, long pid, long tid, const ZNCrashTime& when)
{
    char       buffer[PATH_MAX + 256];
    ZNSafeText text{ buffer, sizeof(buffer), 0 };
    text.Add("ZNEngine crash dump\nProgram: ");
    text.Add(GProgram);
    text.Add("\nTime: ");
    AddTime(text, when, '-', ' ', ':');
    text.Add("\nProcess: ");
    text.AddInt(pid);
    text.Add("\nThread: ");
    text.AddInt(tid);
    text.Add("\nSignal: ");
    text.AddInt(sig);
    text.Add(" ");
    text.Add(SignalName(sig));
    text.Add("\nSignal code: ");
    text.AddInt(info ? info->si_code : 0);
    text.Add("\nFault address: ");
    text.AddHex(info ? reinterpret_cast<unsigned long long>(info->si_addr) : 0ull);
    text.Add("\n\n");
    SafeWrite(fd, text);

    if (context)
        WriteRegisters(fd, context);

    text.Len = 0;
    text.Add("\nBacktrace:\n");
    SafeWrite(fd, text);
    void* frames[128];
    int   count = backtrace(frames, 128);
    backtrace_symbols_fd(frames, count, fd);

    text.Len = 0;
    text.Add("\nMemory map:\n");
    SafeWrite(fd, text);
    CopyMaps(fd);
}

void RestoreDefault(int sig)
{
    struct sigaction sa;
    memset(&sa, 0, sizeof(sa));
    sa.sa_handler = SIG_DFL;
    sigemptyset(&sa.sa_mask);
    sigaction(sig, &sa, nullptr);
}

void CrashHandler(int sig, siginfo_t* info, void* context)
{
    long tid   = static_cast<long>(syscall(SYS_gettid));
    long owner = 0;
    if (!GCrashingTid.compare_exchange_strong(owner, tid))
    {
        if (owner == tid)
        {
            // Crashed while reporting a crash: give up at once.
            RestoreDefault(sig);
            raise(sig);
            return;
        }
        // Another thread is reporting; it ends the process.
        for (;;)
            pause();
    }

    long        pid  = static_cast<long>(getpid());
    ZNCrashTime when = LocalNow();

    char       dumpPath[PATH_MAX + 64];
    ZNSafeText name{ dumpPath, sizeof(dumpPath), 0 };
    name.Add(GDumpDir);
    name.Add("DUMP-");
    AddTime(name, when, 0, '-', 0);
    name.AddChar('-');
    name.AddInt(pid);
    name.AddChar('-');
    name.AddInt(tid);
    name.Add(".dmp");

    int fd = open(dumpPath, O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd >= 0)
    {
        WriteDump(fd, sig, info, context, pid, tid, when);
        close(fd);
    }

    // The dump is safe on disk; what follows may take locks. Both texts are
    // cut to their buffers (512 and 2048 bytes), always terminated.
    char       caption[512];
    ZNSafeText captionText{ caption, sizeof(caption), 0 };
    captionText.Add(GProgram);
    captionText.Add(": Error");
    char       message[2048];
    ZNSafeText messageText{ message, sizeof(message), 0 };
    messageText.Add(ZN_CRASH_MESSAGE_HEAD);
    messageText.Add(dumpPath);
    messageText.Add(ZN_CRASH_MESSAGE_TAIL);
    ZNShowDialog(ZNDialog_Fatal, message, caption);

    // Default action: for a fault the instruction faults again on return, for
    // a raised signal the pending re-raise is delivered once we return.
    RestoreDefault(sig);
    raise(sig);
}

void SetAltStack(void* base, size_t size)
{
    stack_t ss;
    memset(&ss, 0, sizeof(ss));
    ss.ss_sp    = base;
    ss.ss_size  = size;
    ss.ss_flags = 0;
    sigaltstack(&ss, nullptr);
}

}   // namespace

void ZNInstallCrashHandler(const char* programPath)
{
    // Folder of the program, with its separator; made absolute now.
    char folder[PATH_MAX];
    ZNCrashKeepProgram(programPath, GProgram, sizeof(GProgram), folder, sizeof(folder));
    if (folder[0] == '/')
        snprintf(GDumpDir, sizeof(GDumpDir), "%s", folder);
    else
    {
        char cwd[PATH_MAX];
        if (!getcwd(cwd, sizeof(cwd)))
            cwd[0] = 0;
        size_t      cwdLength = strlen(cwd);
        const char* sep       = cwdLength && cwd[cwdLength - 1] != '/' ? "/" : "";
        const char* rest      = strncmp(folder, "./", 2) == 0 ? folder + 2 : folder;
        if (snprintf(GDumpDir, sizeof(GDumpDir), "%s%s%s", cwd, sep, rest) >= static_cast<int>(sizeof(GDumpDir)))
            snprintf(GDumpDir, sizeof(GDumpDir), "./");
    }

    time_t now = time(nullptr);
    tm     local;
    if (localtime_r(&now, &local))
        GUtcOffset = local.tm_gmtoff;

    // Loads libgcc's unwinder now rather than inside the handler.
    void* frames[4];
    backtrace(frames, 4);

    SetAltStack(GMainAltStack, sizeof(GMainAltStack));

    for (int sig : GCrashSignals)
    {
        struct sigaction sa;
        memset(&sa, 0, sizeof(sa));
        sa.sa_sigaction = CrashHandler;
        sa.sa_flags     = SA_SIGINFO | SA_ONSTACK;
        sigemptyset(&sa.sa_mask);
        sigaction(sig, &sa, nullptr);
    }
}

const char* ZNGetDumpDirectory()
{
    return GDumpDir;
}

void ZNCrashEnterThread()
{
    if (TGAltStack)
        return;
    TGAltStack = malloc(ZN_ALT_STACK_SIZE);
    if (TGAltStack)
        SetAltStack(TGAltStack, ZN_ALT_STACK_SIZE);
}

void ZNCrashLeaveThread()
{
    if (!TGAltStack)
        return;
    stack_t ss;
    memset(&ss, 0, sizeof(ss));
    ss.ss_flags = SS_DISABLE;
    sigaltstack(&ss, nullptr);
    free(TGAltStack);
    TGAltStack = nullptr;
}
