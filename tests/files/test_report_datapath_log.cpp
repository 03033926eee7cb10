// The fatal report (in child processes), the data path rules and the log.
#include "common/ZNTestFiles.h"

#include "core/ZNSys.h"
#include "resources/ZNFileIO.h"
#include "runtime/ZNLog.h"

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
        boxFile = dir + "box.txt";
        GBoxFile = boxFile.c_str();
        ZNSetDialogHandler(&WriteBoxToFile);
        body();
        _exit(91);   // the report returned: that is a failure
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return status;
}

struct SavedDataPath
{
    char Saved[ZN_DATA_PATH_SIZE];
    SavedDataPath() { memcpy(Saved, GDataPath, sizeof(Saved)); }
    ~SavedDataPath() { memcpy(GDataPath, Saved, sizeof(Saved)); }
};

void SetProgram(const std::string& arg0)
{
    std::string copy = arg0;
    char* argv[] = {&copy[0], nullptr};
    ZNSetArguments(1, argv);
}

std::vector<std::string> GLogLines;
void RecordLog(const char* text)
{
    GLogLines.push_back(text);
}
void OtherLog(const char*)
{
}
}

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
    std::string longText(20000, 'q');
    int status = RunInChild(scratch.Root, [&] { ZNFatalErrorLog("%s", longText.c_str()); });
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 222);
    EXPECT_EQ(ZNReadText(scratch.Path("error.log")), longText);
    std::string box = ZNReadText(scratch.Path("box.txt"));
    EXPECT_EQ(box, std::to_string((int)ZNDialog_Fatal) + "|Error!|" + std::string(16383, 'q'));
}

TEST(DataPath, FolderOfTheProgramFollowedByTheName)
{
    SavedDataPath saved;
    SetProgram("/opt/games/demo");
    ZNSetDataPath("Data/");
    EXPECT_STREQ(GDataPath, "/opt/games/Data/");
    // The name is appended as it is, without adding or removing a slash.
    ZNSetDataPath("Data");
    EXPECT_STREQ(GDataPath, "/opt/games/Data");
    ZNSetDataPath("");
    EXPECT_STREQ(GDataPath, "/opt/games/");
    SetProgram("D:\\Games\\demo.exe");
    ZNSetDataPath("Data/");
    EXPECT_STREQ(GDataPath, "D:/Games/Data/");
    // Resources then resolve to folder + "Data/" + name.
    EXPECT_STREQ(MakeAbsolutePath("Shaders/Sky.shd").CStr(), "D:/Games/Data/Shaders/Sky.shd");
}

TEST(DataPath, ABareProgramNameUsesTheRealExecutableFolder)
{
    SavedDataPath saved;
    SetProgram("zn_test_files");
    ZNSetDataPath("Data/");
    char exe[4096];
    ssize_t n = readlink("/proc/self/exe", exe, sizeof(exe) - 1);
    ASSERT_GT(n, 0);
    exe[n] = 0;
    std::string folder(exe);
    folder = folder.substr(0, folder.rfind('/') + 1);
    EXPECT_EQ(std::string(GDataPath), folder + "Data/");
}

TEST(DataPath, LongestPathFitsOneMoreIsAFatalError)
{
    SavedDataPath saved;
    std::string dir = "/" + std::string(252, 'a') + "/";   // 254 characters
    SetProgram(dir + "demo");
    ZNSetDataPath("Data/");   // 259 characters: fits with its terminator
    EXPECT_EQ(std::string(GDataPath), dir + "Data/");

    ZNScratchDir scratch(ZNScratchDir::DataPath);
    int status = RunInChild(scratch.Root, [&] { ZNSetDataPath("Data//"); });
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 222);
    std::string log = ZNReadText(scratch.Path("error.log"));
    EXPECT_NE(log.find("data path is too long"), std::string::npos) << log;
    EXPECT_NE(log.find(dir + "Data//"), std::string::npos);
}

TEST(Log, HandlerReceivesFormattedLinesAndCanBeSwapped)
{
    GLogLines.clear();
    ZNLog("dropped %d", 1);   // the default handler discards
    ZNLogHandler previous = ZNSetLogHandler(&RecordLog);
    ASSERT_NE(previous, nullptr);
    ZNLog("shader %s compiled in %.1f ms", "Sky", 2.5);
    std::string huge(5000, 'h');
    ZNLog("%s", huge.c_str());
    EXPECT_EQ(ZNSetLogHandler(&OtherLog), &RecordLog);
    ZNLog("to the other");
    // Null restores the default, which is what was there at first.
    EXPECT_EQ(ZNSetLogHandler(nullptr), &OtherLog);
    EXPECT_EQ(ZNSetLogHandler(previous), previous);
    ZNLog("dropped again");

    ASSERT_EQ(GLogLines.size(), 2u);
    EXPECT_EQ(GLogLines[0], "shader Sky compiled in 2.5 ms");
    EXPECT_EQ(GLogLines[1], std::string(4095, 'h'));
}
