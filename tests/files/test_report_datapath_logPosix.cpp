// The fatal report watched from a forked child, and the data path of a bare
// program name found through /proc/self/exe. (On Windows the fatal exit is
// core/ProcessWin32.cpp's.)
#include "common/ZNTestFiles.h"
#include "files/DataPathTestUtil.h"

#include "core/ZNSys.h"
#include "files/ZNFileIO.h"

#include <fstream>
#include <sys/wait.h>
#include <unistd.h>

namespace
{
// The child writes every box it is shown here, so the parent can check it.
const char* GBoxFile = nullptr;

bool WriteBoxToFile(ZNDialogKind kind, const char* text, const char* caption)
{
    FILE* f = fopen(GBoxFile, "a");
    if (f)
    {
        fprintf(f, "%d|%s|%s", (int)kind, caption, text);
        fclose(f);
    }
    return false;
}

// Runs body in a child process whose current folder is dir; returns the
// child's wait status.
template <class Body>
int RunInChild(const std::string& dir, Body body)
{
    fflush(stdout);
    fflush(stderr);
    pid_t pid = fork();
    if (pid == 0)
    {
        if (chdir(dir.c_str()) != 0)
            _exit(90);
        static std::string boxFile;
        boxFile  = dir + "box.txt";
        GBoxFile = boxFile.c_str();
        ZNSetDialogHandler(&WriteBoxToFile);
        body();
        _exit(91);   // the report returned: that is a failure
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return status;
}

}   // namespace

TEST(FatalErrorLog, AppendsToErrorLogShowsTheBoxAndExitsWith222)
{
    ZNScratchDir scratch(ZNScratchDir::DataPath);
    std::ofstream(scratch.Path("error.log")) << "earlier report\n";
    int status = RunInChild(scratch.Root, [] { ZNFatalErrorLog("Texture %s failed: %d\n", "a.png", 7); });
    ASSERT_TRUE(WIFEXITED(status)) << status;
    EXPECT_EQ(WEXITSTATUS(status), 222);
    EXPECT_EQ(ZNReadText(scratch.Path("error.log")), "earlier report\nTexture a.png failed: 7\n");
    EXPECT_EQ(ZNReadText(scratch.Path("box.txt")),
              std::to_string((int)ZNDialog_Fatal) + "|Error!|Texture a.png failed: 7\n");
}

TEST(FatalErrorLog, TheLogKeepsAllOfALongReportTheBoxAtMost16383Characters)
{
    ZNScratchDir scratch(ZNScratchDir::DataPath);
    std::string  longText(20000, 'q');
    int          status = RunInChild(scratch.Root, [&] { ZNFatalErrorLog("%s", longText.c_str()); });
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 222);
    EXPECT_EQ(ZNReadText(scratch.Path("error.log")), longText);
    std::string box = ZNReadText(scratch.Path("box.txt"));
    EXPECT_EQ(box, std::to_string((int)ZNDialog_Fatal) + "|Error!|" + std::string(16383, 'q'));
}

TEST(DataPath, ABareProgramNameUsesTheRealExecutableFolder)
{
    SavedDataPath saved;
    SetProgram("zn_test_files");
    ZNSetDataPath("Data/");
    char    exe[4096];
    ssize_t n = readlink("/proc/self/exe", exe, sizeof(exe) - 1);
    ASSERT_GT(n, 0);
    exe[n] = 0;
    std::string folder(exe);
    folder = folder.substr(0, folder.rfind('/') + 1);
    EXPECT_EQ(std::string(GDataPath), folder + "Data/");
}

TEST(DataPath, OneMoreThanTheLongestPathIsAFatalError)
{
    SavedDataPath saved;
    std::string   dir = "/" + std::string(252, 'a') + "/";   // 254 characters
    SetProgram(dir + "demo");
    ZNScratchDir scratch(ZNScratchDir::DataPath);
    int          status = RunInChild(scratch.Root, [&] { ZNSetDataPath("Data//"); });
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 222);
    std::string log = ZNReadText(scratch.Path("error.log"));
    EXPECT_NE(log.find("data path is too long"), std::string::npos) << log;
    EXPECT_NE(log.find(dir + "Data//"), std::string::npos);
}
