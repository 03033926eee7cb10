// The crash handler, watched from outside: children crash on purpose and the
// dump they leave in the program's folder is checked, then removed.
#include "test_sys_child.h"
#include "common/ZNTestFiles.h"

#include <gtest/gtest.h>

#include <set>

#include <ctype.h>

#include <signal.h>
#include <time.h>
#include <unistd.h>

namespace
{

struct ZNDumpSeen
{
    std::string Name;   // file name only
    std::string Content;
    long        Pid = 0;
    long        Tid = 0;
    std::string Stamp;   // YYYYMMDD-HHMMSS
};

// Matches DUMP-<8 digits>-<6 digits>-<digits>-<digits>.dmp and takes the
// fields apart; false for anything else.
bool ParseDumpName(const std::string& name, std::string& stamp, long& pid, long& tid)
{
    const std::string head = "DUMP-", tail = ".dmp";
    if (name.size() < head.size() + 15 + 4 + tail.size() || name.compare(0, head.size(), head) != 0 ||
        name.compare(name.size() - tail.size(), tail.size(), tail) != 0)
        return false;
    std::string body = name.substr(head.size(), name.size() - head.size() - tail.size());
    for (size_t i = 0; i < 15; ++i)
        if (i == 8 ? body[i] != '-' : !isdigit(static_cast<unsigned char>(body[i])))
            return false;
    if (body[15] != '-')
        return false;
    size_t split = body.find('-', 16);
    if (split == std::string::npos || split == 16 || split + 1 == body.size())
        return false;
    for (size_t i = 16; i < body.size(); ++i)
        if (i != split && !isdigit(static_cast<unsigned char>(body[i])))
            return false;
    stamp = body.substr(0, 15);
    pid   = std::stol(body.substr(16, split - 16));
    tid   = std::stol(body.substr(split + 1));
    return true;
}

// The clock the crash handler stamps its dumps with. time() may read a coarse
// clock that lags it by a few milliseconds, so a dump written just after a
// second began could look later than a bound taken after it with time().
time_t RealNow()
{
    timespec now;
    clock_gettime(CLOCK_REALTIME, &now);
    return now.tv_sec;
}

std::string LocalStamp(time_t t)
{
    tm local;
    localtime_r(&t, &local);
    char text[32];
    strftime(text, sizeof(text), "%Y%m%d-%H%M%S", &local);
    return text;
}

// Runs a crashing child mode and collects the one dump that child wrote.
class CrashDump : public ::testing::Test
{
protected:
    ZNChildRun              Run;
    std::vector<ZNDumpSeen> Dumps;
    std::string             Before, After;

    void Crash(const std::string& mode, std::vector<std::string> env = { "ZN_DIALOG=no" },
               std::vector<std::string> args = {})
    {
        std::string              dir = ZNTestProgramDir();
        std::vector<std::string> old = ZNListDumps(dir);
        std::set<std::string>    existing(old.begin(), old.end());
        Before = LocalStamp(RealNow());
        Run    = ZNRunChild(mode, args, env);
        After  = LocalStamp(RealNow());

        for (const std::string& name : ZNListDumps(dir))
        {
            if (existing.count(name))
                continue;
            ZNDumpSeen dump;
            dump.Name = name;
            ParseDumpName(name, dump.Stamp, dump.Pid, dump.Tid);
            dump.Content = ZNReadText(dir + name);
            // Only this child's dumps are ours to remove.
            if (dump.Pid == Run.Pid)
            {
                unlink((dir + name).c_str());
                Dumps.push_back(dump);
            }
        }
    }

    void ExpectOneGoodDump(int sig, const char* signalName)
    {
        EXPECT_TRUE(Run.KilledBy(sig)) << Run.Describe();
        ASSERT_EQ(Dumps.size(), 1u) << Run.Describe();
        const ZNDumpSeen& dump = Dumps[0];
        EXPECT_EQ(dump.Pid, Run.Pid);
        EXPECT_GE(dump.Stamp, Before) << dump.Name;
        EXPECT_LE(dump.Stamp, After) << dump.Name;
        EXPECT_NE(dump.Content.find(std::string("Signal: ") + std::to_string(sig) + " " + signalName),
                  std::string::npos)
            << dump.Content.substr(0, 400);
        EXPECT_NE(dump.Content.find("Process: " + std::to_string(Run.Pid) + "\n"), std::string::npos);
        // The dump's time is the one in its name, written out.
        ASSERT_EQ(dump.Stamp.size(), 15u) << dump.Name;
        const std::string& s = dump.Stamp;
        EXPECT_NE(dump.Content.find("\nTime: " + s.substr(0, 4) + "-" + s.substr(4, 2) + "-" + s.substr(6, 2) + " " +
                                    s.substr(9, 2) + ":" + s.substr(11, 2) + ":" + s.substr(13, 2) + "\n"),
                  std::string::npos)
            << dump.Content.substr(0, 200);
        // A backtrace with at least a few frames of the test program itself.
        size_t trace = dump.Content.find("\nBacktrace:\n");
        ASSERT_NE(trace, std::string::npos);
        size_t frames = 0;
        for (size_t at = dump.Content.find("zn_test_core", trace); at != std::string::npos;
             at        = dump.Content.find("zn_test_core", at + 1))
        {
            if (at > dump.Content.find("\nMemory map:\n"))
                break;
            ++frames;
        }
        EXPECT_GE(frames, 2u) << dump.Content.substr(trace, 2000);
#if defined(__x86_64__)
        EXPECT_NE(dump.Content.find("  RIP 0x"), std::string::npos);
#endif

        // The box names the program and the dump, through the dialog handler.
        std::string path = ZNTestProgramDir() + dump.Name;
        EXPECT_NE(Run.Err.find(ZNTestProgram() + ": Error\n"), std::string::npos) << Run.Err;
        EXPECT_NE(Run.Err.find("The application has crashed.\n\nA dump has been saved to " + path +
                               ".\nPlease notify the developers and don't forget to include the file in "
                               "your message!"),
                  std::string::npos)
            << Run.Err;
    }
};

}   // namespace

TEST_F(CrashDump, NullWriteOnTheMainThread)
{
    Crash("crash-null");
    ExpectOneGoodDump(SIGSEGV, "SIGSEGV");
    if (!Dumps.empty())
    {
        EXPECT_EQ(Dumps[0].Tid, Run.Pid) << "the main thread's id is the process id";
        EXPECT_NE(Dumps[0].Content.find("Fault address: 0x0000000000000000\n"), std::string::npos);
    }
}

TEST_F(CrashDump, AbortIsReportedAndEndsTheProcess)
{
    Crash("crash-abort");
    ExpectOneGoodDump(SIGABRT, "SIGABRT");
}

TEST_F(CrashDump, StackOverflowStillDumps)
{
    Crash("crash-stack");
    ExpectOneGoodDump(SIGSEGV, "SIGSEGV");
}

TEST_F(CrashDump, CrashOnAnotherThreadNamesThatThread)
{
    Crash("crash-thread");
    ExpectOneGoodDump(SIGSEGV, "SIGSEGV");
    if (!Dumps.empty())
    {
        EXPECT_NE(Dumps[0].Tid, Run.Pid);
        EXPECT_NE(Run.Out.find("tid=" + std::to_string(Dumps[0].Tid) + "\n"), std::string::npos) << Run.Out;
    }
}

TEST_F(CrashDump, GoesBesideTheProgramAfterTheDirectoryChanged)
{
    Crash("crash-null-chdir");
    ExpectOneGoodDump(SIGSEGV, "SIGSEGV");
}

TEST_F(CrashDump, BreakAnsweredYesWithoutDebuggerEndsInADump)
{
    Crash("break", { "ZN_DIALOG=yes" });
    ExpectOneGoodDump(SIGTRAP, "SIGTRAP");
    EXPECT_EQ(Run.Out.find("continued"), std::string::npos);
}


TEST_F(CrashDump, EveryHandledSignalDumps)
{
    const struct
    {
        int         Sig;
        const char* Name;
    } signals[] = { { SIGBUS, "SIGBUS" }, { SIGFPE, "SIGFPE" }, { SIGILL, "SIGILL" } };
    for (const auto& s : signals)
    {
        SCOPED_TRACE(s.Name);
        Dumps.clear();
        Crash("crash-raise", { "ZN_DIALOG=no" }, { std::to_string(s.Sig) });
        ExpectOneGoodDump(s.Sig, s.Name);
    }
}

TEST_F(CrashDump, UnwritableFolderStillReportsThePathTried)
{
    Crash("crash-null-nodir");
    EXPECT_TRUE(Run.KilledBy(SIGSEGV)) << Run.Describe();
    EXPECT_NE(Run.Err.find("/nonexistent-zn-folder/bin/prog: Error\n"), std::string::npos) << Run.Err;
    EXPECT_NE(Run.Err.find("A dump has been saved to /nonexistent-zn-folder/bin/DUMP-"), std::string::npos) << Run.Err;
}
