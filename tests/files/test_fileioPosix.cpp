// The file layer with what only POSIX systems have: symbolic links, paths
// deeper than the system accepts, devices and pipes. (Windows has no
// unprivileged links, a path limit that stops the folder chain earlier and
// neither /dev nor named pipes in the file system.)
#include "common/ZNTestDialogs.h"
#include "common/ZNTestFiles.h"

#include "files/ZNFileIO.h"

#include <fcntl.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

namespace
{
bool OnDisk(const std::string& path)
{
    struct stat st;
    return lstat(path.c_str(), &st) == 0;
}
}   // namespace

TEST(FileIO, DeletingALinkNamedWithATrailingSeparatorLeavesItsTargetAlone)
{
    ZNScratchDir scratch(ZNScratchDir::DataPath);
    ASSERT_TRUE(MakeDirectory("keep"));
    ASSERT_TRUE(MakeDirectory("keep/sub"));
    ZNWriteText(scratch.Path("keep/precious.txt"), "p");
    ZNWriteText(scratch.Path("keep/sub/deep.txt"), "q");
    for (const char* name : { "link/", "link//", "link\\" })
    {
        ASSERT_EQ(symlink(scratch.Path("keep").c_str(), scratch.Path("link").c_str()), 0);
        EXPECT_TRUE(DeleteFileOrDirectory(name)) << name;
        struct stat st;
        EXPECT_NE(lstat(scratch.Path("link").c_str(), &st), 0) << name;
        EXPECT_TRUE(OnDisk(scratch.Path("keep/precious.txt"))) << name;
        EXPECT_TRUE(OnDisk(scratch.Path("keep/sub/deep.txt"))) << name;
    }
    // A folder named with a trailing separator still goes, contents and all.
    EXPECT_TRUE(DeleteFileOrDirectory("keep/"));
    EXPECT_FALSE(OnDisk(scratch.Path("keep")));
}

TEST(FileIO, DeletingATreeRemovesEverythingBeneathFirst)
{
    ZNScratchDir scratch(ZNScratchDir::DataPath);
    ASSERT_TRUE(MakeDirectory("tree"));
    ASSERT_TRUE(MakeDirectory("tree/a"));
    ASSERT_TRUE(MakeDirectory("tree/a/b"));
    ASSERT_TRUE(MakeDirectory("tree/empty"));
    ZNWriteText(scratch.Path("tree/top.txt"), "1");
    ZNWriteText(scratch.Path("tree/a/mid.txt"), "2");
    ZNWriteText(scratch.Path("tree/a/b/deep.txt"), "3");
    // A link to a folder outside is removed, not followed.
    ASSERT_TRUE(MakeDirectory("keep"));
    ZNWriteText(scratch.Path("keep/precious.txt"), "p");
    ASSERT_EQ(symlink(scratch.Path("keep").c_str(), scratch.Path("tree/a/link").c_str()), 0);

    EXPECT_TRUE(DeleteFileOrDirectory("tree"));
    EXPECT_FALSE(OnDisk(scratch.Path("tree")));
    EXPECT_TRUE(OnDisk(scratch.Path("keep/precious.txt")));

    ZNWriteText(scratch.Path("single.txt"), "s");
    EXPECT_TRUE(DeleteFileOrDirectory("single.txt"));
    EXPECT_FALSE(OnDisk(scratch.Path("single.txt")));
    EXPECT_FALSE(DeleteFileOrDirectory("single.txt"));
}

TEST(FileIO, DeletionStopsAtTheFirstEntryThatCannotGo)
{
    ZNScratchDir scratch(ZNScratchDir::DataPath);
    ASSERT_TRUE(MakeDirectory("t"));
    ZNWriteText(scratch.Path("t/f.txt"), "x");
    // A chain of folders deeper than the longest path the system accepts:
    // its innermost entry cannot be deleted by name, even by the superuser.
    int fd = open(scratch.Path("t").c_str(), O_RDONLY | O_DIRECTORY);
    ASSERT_GE(fd, 0);
    std::string level(200, 'd');
    for (int i = 0; i < 30; ++i)
    {
        ASSERT_EQ(mkdirat(fd, level.c_str(), 0755), 0);
        int next = openat(fd, level.c_str(), O_RDONLY | O_DIRECTORY);
        close(fd);
        ASSERT_GE(next, 0);
        fd = next;
    }
    int file = openat(fd, "deep.txt", O_CREAT | O_WRONLY, 0644);
    ASSERT_GE(file, 0);
    close(file);
    close(fd);

    EXPECT_FALSE(DeleteFileOrDirectory("t"));
    EXPECT_TRUE(OnDisk(scratch.Path("t")));
    EXPECT_TRUE(OnDisk(scratch.Path("t/" + level)));
}

// Only regular files are read: a device named as a data file (an include
// climbing out of the data folder to /dev/zero) would never end, a pipe would
// wait for a writer, a folder has no text. Each is refused at once.
TEST(FileIO, OnlyRegularFilesAreRead)
{
    ZNScratchDir scratch(ZNScratchDir::DataPath);
    ASSERT_EQ(mkfifo(scratch.Path("pipe").c_str(), 0600), 0);
    ASSERT_EQ(mkdir(scratch.Path("folder").c_str(), 0700), 0);
    // Climbs out of the data folder (always below /tmp here) to the root.
    const char* const names[] = { "../../../../../../../../../../dev/zero", "pipe", "folder" };
    for (const char* name : names)
    {
        SCOPED_TRACE(name);
        ZNString          text("old");
        ZNPodArray<UINT8> bytes;
        bytes.SetCount(3);
        // The pipe opens for reading only once a writer comes; a non-blocking
        // writer end is not there, so the read side would block in fopen:
        // skip the open itself for the pipe and check the stream reader alone.
        if (strcmp(name, "pipe") == 0)
        {
            const int writer = open(scratch.Path("pipe").c_str(), O_RDWR | O_NONBLOCK);
            ASSERT_GE(writer, 0);
            EXPECT_FALSE(ReadTextFile(name, text));
            EXPECT_FALSE(ReadFileToArray(name, bytes));
            close(writer);
        }
        else
        {
            EXPECT_FALSE(ReadTextFile(name, text));
            EXPECT_FALSE(ReadFileToArray(name, bytes));
        }
        EXPECT_EQ(text.Size(), 0u);
        EXPECT_EQ(bytes.Size(), 0u);
    }
}

// Names read from the disk are names, never paths: on POSIX a backslash is an
// ordinary character (archives made on Windows unpack that way), and deleting
// the folder that holds such entries removes them and nothing beside it.
TEST(FileIO, DeletingAFolderRemovesEntriesNamedWithBackslashesAndNothingOutside)
{
    ZNScratchDir scratch(ZNScratchDir::DataPath);
    ZNWriteText(scratch.Path("outside.txt"), "o");
    ASSERT_TRUE(MakeDirectory("outdir"));
    ZNWriteText(scratch.Path("outdir/in.txt"), "i");
    // The data folder is one level down, so "..\\..\\" would leave it.
    snprintf(GDataPath, sizeof(GDataPath), "%s", scratch.Path("data/").c_str());
    ASSERT_EQ(mkdir(scratch.Path("data").c_str(), 0700), 0);
    ASSERT_TRUE(MakeDirectory("sub"));
    ZNWriteText(scratch.Path("data/keep.txt"), "k");
    ZNWriteText(scratch.Path("data/sub/..\\keep.txt"), "1");
    ZNWriteText(scratch.Path("data/sub/..\\..\\outside.txt"), "2");
    ASSERT_EQ(mkdir(scratch.Path("data/sub/..\\..\\outdir").c_str(), 0700), 0);
    ZNWriteText(scratch.Path("data/sub/..\\..\\outdir/x.txt"), "3");

    EXPECT_TRUE(DeleteFileOrDirectory("sub"));
    EXPECT_FALSE(OnDisk(scratch.Path("data/sub")));
    EXPECT_TRUE(OnDisk(scratch.Path("data/keep.txt")));
    EXPECT_TRUE(OnDisk(scratch.Path("outside.txt")));
    EXPECT_TRUE(OnDisk(scratch.Path("outdir/in.txt")));
}

// Drive letters are a Windows matter: on POSIX "q:name" is an ordinary name
// inside the data folder, for reading, deleting and includes alike.
TEST(FileIO, AColonAfterTheFirstLetterIsAnOrdinaryName)
{
    ZNScratchDir scratch(ZNScratchDir::DataPath);
    EXPECT_EQ(std::string(MakeAbsolutePath("q:victim").CStr()), scratch.Path("q:victim"));
    EXPECT_EQ(std::string(MakeAbsolutePath("C:/x.png").CStr()), scratch.Path("C:/x.png"));

    // The same names in the current folder must be left alone.
    ZNScratchDir cwd;
    char         saved[4096];
    ASSERT_NE(getcwd(saved, sizeof(saved)), nullptr);
    ASSERT_EQ(chdir(cwd.Root.c_str()), 0);
    ZNWriteText(cwd.Path("q:victim"), "cwd");
    ZNWriteText(cwd.Path("q:cwd.inc"), "FROM THE CURRENT FOLDER");
    ZNWriteText(scratch.Path("q:victim"), "data");
    ZNWriteText(scratch.Path("q:cwd.inc"), "FROM THE DATA FOLDER");
    ZNWriteText(scratch.Path("main.shd"), "#include \"q:cwd.inc\"\n");

    ZNString   text;
    const bool loaded  = LoadTextWithIncludes("main.shd", text);
    const bool deleted = DeleteFileOrDirectory("q:victim");
    const bool cwdKept = OnDisk(cwd.Path("q:victim"));
    EXPECT_EQ(chdir(saved), 0);

    EXPECT_TRUE(loaded);
    EXPECT_EQ(std::string(text.CStr()), "FROM THE DATA FOLDER\n");
    EXPECT_TRUE(deleted);
    EXPECT_FALSE(OnDisk(scratch.Path("q:victim")));
    EXPECT_TRUE(cwdKept);
}
