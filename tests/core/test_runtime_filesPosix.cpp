// What only POSIX systems give the runtime's files: a permission refused with
// EPERM (an immutable file) and the file chooser run through zenity or kdialog
// or a terminal prompt.
#include "core/ZNRuntime.h"
#include "files/ZNFileIO.h"
#include "files/ZNDataPath.h"
#include "common/ZNTestDialogs.h"
#include "common/ZNTestFiles.h"
#include "RuntimeFilesTest.h"
#include "test_sys_child.h"

#include <gtest/gtest.h>

#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <linux/fs.h>
#include <string.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

TEST_F(RuntimeFiles, RefusedPermissionShowsTheErrorTextCaptionedWithThePath)
{
    WriteFile("locked.bin", "x");
    std::string full = Dir.Root + "locked.bin";
    int         fd   = open(full.c_str(), O_RDONLY);
    ASSERT_GE(fd, 0);
    int  attributes = 0;
    bool locked     = ioctl(fd, FS_IOC_GETFLAGS, &attributes) == 0 &&
                  (attributes |= FS_IMMUTABLE_FL, ioctl(fd, FS_IOC_SETFLAGS, &attributes) == 0);
    if (!locked)
    {
        close(fd);
        GTEST_SKIP() << "cannot make a file immutable here (needs CAP_LINUX_IMMUTABLE), so no EPERM to provoke";
    }
    ZNDialogRecorder recorder(true);
    FILE*            f = ZNOpenFile("locked.bin", ZN_FILE_WRITE | ZN_FILE_BINARY);
    attributes &= ~FS_IMMUTABLE_FL;
    ioctl(fd, FS_IOC_SETFLAGS, &attributes);
    close(fd);
    EXPECT_EQ(f, nullptr);
    if (f)
        fclose(f);
    ASSERT_EQ(recorder.Count(), 1u);
    EXPECT_EQ(recorder.Boxes()[0].Kind, ZNDialog_Info);
    EXPECT_EQ(recorder.Boxes()[0].Text, strerror(EPERM));
    EXPECT_EQ(recorder.Boxes()[0].Caption, full);
}

// ---- file chooser ---------------------------------------------------------------------------

namespace
{

// A stand-in for zenity or kdialog on PATH: records its arguments, then acts
// as ZN_FAKE_MODE says.
class FileChooser : public ::testing::Test
{
protected:
    ZNScratchDir Bin;
    std::string  SavedPath, SavedDisplay, SavedDialog;
    bool         HadDisplay = false, HadDialog = false;

    void SetUp() override
    {
        SavedPath    = getenv("PATH") ? getenv("PATH") : "";
        HadDisplay   = getenv("DISPLAY") != nullptr;
        SavedDisplay = HadDisplay ? getenv("DISPLAY") : "";
        HadDialog    = getenv("ZN_DIALOG") != nullptr;
        SavedDialog  = HadDialog ? getenv("ZN_DIALOG") : "";
        setenv("PATH", Bin.Root.c_str(), 1);
        setenv("DISPLAY", ":98", 1);
        unsetenv("ZN_DIALOG");
        setenv("ZN_FAKE_ARGS", (Bin.Root + "args.txt").c_str(), 1);
    }
    void TearDown() override
    {
        setenv("PATH", SavedPath.c_str(), 1);
        HadDisplay ? (void)setenv("DISPLAY", SavedDisplay.c_str(), 1) : (void)unsetenv("DISPLAY");
        HadDialog ? (void)setenv("ZN_DIALOG", SavedDialog.c_str(), 1) : (void)unsetenv("ZN_DIALOG");
        unsetenv("ZN_FAKE_ARGS");
        unsetenv("ZN_FAKE_MODE");
    }

    void InstallFake(const char* name)
    {
        std::string path = Bin.Root + name;
        FILE*       f    = fopen(path.c_str(), "w");
        ASSERT_NE(f, nullptr);
        // SDL may show its own message boxes through zenity too: those are
        // passed to stderr so the box's text can still be checked.
        fputs("#!/bin/sh\n"
              "case \"$1\" in --file-selection|--get*) ;; *) printf '%s\\n' \"$@\" >&2; exit 0 ;; esac\n"
              "for a in \"$@\"; do printf '%s\\n' \"$a\"; done > \"$ZN_FAKE_ARGS\"\n"
              "case \"$ZN_FAKE_MODE\" in\n"
              "  chosen) printf '%s\\n' /picked/file.png; exit 0 ;;\n"
              "  cancel) exit 1 ;;\n"
              "  *) exit 5 ;;\n"
              "esac\n",
              f);
        fclose(f);
        chmod(path.c_str(), 0755);
    }
    std::string FakeArgs() { return ZNReadText(Bin.Root + "args.txt"); }
};

const char GFilter[] = "Images\0*.png;*.jpg\0All\0*\0";

}   // namespace

TEST_F(FileChooser, ZenityChoiceLandsInTheBufferCancelGivesZero)
{
    InstallFake("zenity");
    setenv("ZN_FAKE_MODE", "chosen", 1);
    char buffer[260];
    EXPECT_NE(gSysFileOpen("/start/here", GFilter, buffer, sizeof(buffer), 0), 0);
    EXPECT_STREQ(buffer, "/picked/file.png");
    EXPECT_EQ(FakeArgs(), "--file-selection\n--title=Open\n--filename=/start/here/\n"
                          "--file-filter=Images | *.png *.jpg\n--file-filter=All | *\n");

    EXPECT_NE(gSysFileOpen("/start/", GFilter, buffer, sizeof(buffer), 1), 0);
    EXPECT_NE(FakeArgs().find("--save\n--confirm-overwrite\n--filename=/start/\n"), std::string::npos) << FakeArgs();

    setenv("ZN_FAKE_MODE", "cancel", 1);
    strcpy(buffer, "untouched");
    EXPECT_EQ(gSysFileOpen("/x", GFilter, buffer, sizeof(buffer), 0), 0) << "cancel is 0 and the process goes on";
    EXPECT_STREQ(buffer, "untouched");
}

TEST_F(FileChooser, KDialogIsTheFallback)
{
    InstallFake("kdialog");
    setenv("ZN_FAKE_MODE", "chosen", 1);
    char buffer[260];
    EXPECT_NE(gSysFileOpen("/start", GFilter, buffer, sizeof(buffer), 1), 0);
    EXPECT_STREQ(buffer, "/picked/file.png");
    EXPECT_EQ(FakeArgs(), "--getsavefilename\n/start\n*.png *.jpg|Images\n*|All\n");
}

TEST_F(FileChooser, PathTooLongForTheBufferIsRefusedNotCut)
{
    InstallFake("zenity");
    setenv("ZN_FAKE_MODE", "chosen", 1);
    ZNDialogRecorder recorder(true);
    char             buffer[16] = "untouched";   // "/picked/file.png" needs 17 bytes
    EXPECT_EQ(gSysFileOpen("/x", nullptr, buffer, sizeof(buffer), 0), 0);
    EXPECT_STREQ(buffer, "untouched");
    ASSERT_EQ(recorder.Count(), 1u);
    EXPECT_EQ(recorder.Boxes()[0].Kind, ZNDialog_Info);
    EXPECT_NE(recorder.Boxes()[0].Text.find("15 characters"), std::string::npos) << recorder.Summary();

    // One byte more and it fits exactly, terminator included.
    char exact[17] = "";
    EXPECT_EQ(gSysFileOpen("/x", nullptr, exact, sizeof(exact), 0), 1);
    EXPECT_STREQ(exact, "/picked/file.png");
    EXPECT_EQ(recorder.Count(), 1u);
}

TEST_F(FileChooser, NobodyToAskMeansCancelled)
{
    InstallFake("zenity");
    setenv("ZN_FAKE_MODE", "chosen", 1);
    char buffer[260];
    setenv("ZN_DIALOG", "no", 1);
    EXPECT_EQ(gSysFileOpen("/x", GFilter, buffer, sizeof(buffer), 0), 0) << "an unattended run asks nobody";
    unsetenv("ZN_DIALOG");
    unsetenv("DISPLAY");
    EXPECT_EQ(gSysFileOpen("/x", GFilter, buffer, sizeof(buffer), 0), 0) << "no display, no terminal";
    EXPECT_EQ(FakeArgs(), "") << "the chooser must not have run";
}

TEST_F(FileChooser, ChooserFailureIsFatal)
{
    InstallFake("zenity");
    ZNChildRun run = ZNRunChild("filedialog", { "/x", "0" }, { "ZN_FAKE_MODE=broken" });
    EXPECT_TRUE(run.ExitedWith(222)) << run.Describe();
    EXPECT_NE(run.Err.find("gSysFileOpen error\n"), std::string::npos) << run.Err;
    EXPECT_NE(FakeArgs().find("--file-selection"), std::string::npos) << "the chooser did not run";
    EXPECT_EQ(run.Out.find("result="), std::string::npos);
}

TEST(FileChooserTerminal, PromptRefusesMissingFilesAndResolvesAgainstTheFolder)
{
    ZNScratchDir dir;
    FILE*        f = fopen((dir.Root + "a.png").c_str(), "wb");
    ASSERT_NE(f, nullptr);
    fclose(f);
    std::string              folder = dir.Root.substr(0, dir.Root.size() - 1);
    std::vector<std::string> env    = { "ZN_DIALOG", "DISPLAY", "WAYLAND_DISPLAY" };
    const std::string        prompt = "empty line cancels: ";

    ZNChildRun open = ZNRunChildOnTerminal("filedialog", { folder, "0" }, env,
                                           { { prompt, "missing.png\n" }, { prompt, "a.png\n" } });
    EXPECT_TRUE(open.ExitedWith(0)) << open.Describe();
    EXPECT_NE(open.Out.find("No such file: " + dir.Root + "missing.png"), std::string::npos) << open.Out;
    EXPECT_NE(open.Out.find("result=1 path=" + dir.Root + "a.png"), std::string::npos) << open.Out;

    ZNChildRun cancel = ZNRunChildOnTerminal("filedialog", { folder, "1" }, env, { { prompt, "\n" } });
    EXPECT_TRUE(cancel.ExitedWith(0)) << cancel.Describe();
    EXPECT_NE(cancel.Out.find("result=0"), std::string::npos) << cancel.Out;
}
