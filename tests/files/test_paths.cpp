// Path helpers and name resolution against the data path.
#include "common/ZNTestDialogs.h"
#include "common/ZNTestFiles.h"

#include "files/ZNFileIO.h"

namespace
{
std::string S(const ZNString& s)
{
    return std::string(s.CStr(), s.Size());
}

// Sets GDataPath for one test and restores it.
struct DataPathAs
{
    char Saved[ZN_DATA_PATH_SIZE];
    explicit DataPathAs(const char* root)
    {
        memcpy(Saved, GDataPath, sizeof(Saved));
        snprintf(GDataPath, sizeof(GDataPath), "%s", root);
    }
    ~DataPathAs() { memcpy(GDataPath, Saved, sizeof(Saved)); }
};
}

// Names with a drive letter are the platforms' matter (see the files tests of
// each platform).
TEST(FilePaths, MakeAbsolutePathPutsTheDataRootInFront)
{
    DataPathAs root("/opt/game/Data/");
    EXPECT_EQ(S(MakeAbsolutePath("Data/x.png")), "/opt/game/Data/Data/x.png");
    // No separator is inserted or removed: a leading slash doubles up.
    EXPECT_EQ(S(MakeAbsolutePath("/x.png")), "/opt/game/Data//x.png");
    EXPECT_EQ(S(MakeAbsolutePath("Shaders\\Sky.shd")), "/opt/game/Data/Shaders/Sky.shd");
    // "C:" alone is too short to be a drive path.
    EXPECT_EQ(S(MakeAbsolutePath("C:")), "/opt/game/Data/C:");
    EXPECT_EQ(S(MakeAbsolutePath("")), "/opt/game/Data/");
    EXPECT_EQ(S(MakeAbsolutePath(ZNString("a/b"))), "/opt/game/Data/a/b");
}

TEST(FilePaths, EmptyDataPathLeavesNamesRelativeToTheCurrentFolder)
{
    DataPathAs root("");
    EXPECT_EQ(S(MakeAbsolutePath("x/y.png")), "x/y.png");
    EXPECT_EQ(S(MakeAbsolutePath("/tmp/y.png")), "/tmp/y.png");
}

TEST(FilePaths, ToForwardSlashesAndDirPath)
{
    ZNString p("a\\b\\c/d\\");
    ToForwardSlashes(p);
    EXPECT_EQ(S(p), "a/b/c/d/");

    EXPECT_EQ(S(DirPath("")), "");
    EXPECT_EQ(S(DirPath("a")), "a\\");
    EXPECT_EQ(S(DirPath("a/")), "a/");
    EXPECT_EQ(S(DirPath("a\\")), "a\\");
}

TEST(FilePaths, DirectoryAndFileNameSplitAtTheLastSeparatorOfEitherKind)
{
    EXPECT_EQ(S(GetDirectory("a/b\\c.png")), "a/b\\");
    EXPECT_EQ(S(GetFileName("a/b\\c.png")), "c.png");
    EXPECT_EQ(S(GetDirectory("c.png")), "");
    EXPECT_EQ(S(GetFileName("c.png")), "c.png");
    EXPECT_EQ(S(GetDirectory("a/b/")), "a/b/");
    EXPECT_EQ(S(GetFileName("a/b/")), "");
    EXPECT_EQ(S(GetDirectory("")), "");
    EXPECT_EQ(S(GetFileName("")), "");
}

TEST(FilePaths, ParentDirectory)
{
    EXPECT_EQ(S(GetParentDirectory("a/b/c/")), "a/b/");
    EXPECT_EQ(S(GetParentDirectory("a/b/c")), "a/b/");
    EXPECT_EQ(S(GetParentDirectory("a\\b")), "a\\");
    EXPECT_EQ(S(GetParentDirectory("name")), "");
    EXPECT_EQ(S(GetParentDirectory("/")), "");
    EXPECT_EQ(S(GetParentDirectory("")), "../");
    EXPECT_EQ(S(GetParentDirectory("../")), "../../");
    EXPECT_EQ(S(GetParentDirectory("../x/")), "../x/../");
}

TEST(FilePaths, ExtensionsBelongToTheFileNameOnly)
{
    EXPECT_EQ(S(GetExtension("a.tar.gz")), "gz");
    EXPECT_EQ(S(GetExtension(".hidden")), "");
    EXPECT_EQ(S(GetExtension("dir/.hidden")), "");
    EXPECT_EQ(S(GetExtension("noext")), "");
    EXPECT_EQ(S(GetExtension("a.")), "");
    // A dot in a folder name is not the file's extension.
    EXPECT_EQ(S(GetExtension("v1.2/readme")), "");
    EXPECT_EQ(S(GetExtension("v1.2\\readme.txt")), "txt");

    EXPECT_EQ(S(ReplaceExtension("a.png", "mips")), "a.mips");
    EXPECT_EQ(S(ReplaceExtension("x/a.b.png", "mips")), "x/a.b.mips");
    EXPECT_EQ(S(ReplaceExtension("noext", "mips")), "noext");
    EXPECT_EQ(S(ReplaceExtension("v1.2/readme", "txt")), "v1.2/readme");
}

TEST(FilePaths, QuoteAndUnquote)
{
    EXPECT_EQ(S(Quote("a b")), "\"a b\"");
    EXPECT_EQ(S(Quote("")), "\"\"");
    EXPECT_EQ(S(Unquote("\"a b\"")), "a b");
    EXPECT_EQ(S(Unquote("\"\"")), "");
    EXPECT_EQ(S(Unquote("\"")), "");
    EXPECT_EQ(S(Unquote("\"x")), "\"x");
    EXPECT_EQ(S(Unquote("plain")), "plain");
    // Short unquoted texts keep their characters.
    EXPECT_EQ(S(Unquote("42")), "42");
    EXPECT_EQ(S(Unquote("x")), "x");
    EXPECT_EQ(S(Unquote(Quote("round trip"))), "round trip");
}

TEST(FilePaths, MakeRelativePathClimbsOnePerFolderOfTheBase)
{
    DataPathAs root("/d/");
    EXPECT_EQ(S(MakeRelativePath("Textures/a.png", "Shaders/")), "../Textures/a.png");
    EXPECT_EQ(S(MakeRelativePath("Textures/a.png", "Shaders")), "../Textures/a.png");
    EXPECT_EQ(S(MakeRelativePath("a/b/c.png", "a/")), "b/c.png");
    EXPECT_EQ(S(MakeRelativePath("a/b/c.png", "a\\x\\y")), "../../b/c.png");
    // Only whole folder names count as shared.
    EXPECT_EQ(S(MakeRelativePath("a/bc/x.png", "a/b/")), "../bc/x.png");
}

TEST(FilePaths, MakeRelativePathReportsAFileNameEndingInASeparator)
{
    ZNDialogRecorder dialogs;
    DataPathAs       root("/d/");
    MakeRelativePath("a/b/", "a/");
    EXPECT_EQ(dialogs.Asserts("file[ file.Size() - 1 ] == _T('/') || file[ file.Size() - 1 ] == _T('\\\\')"), 1u)
        << dialogs.Summary();
    dialogs.Clear();
    MakeRelativePath("a/b.png", "a/");
    EXPECT_EQ(dialogs.Count(), 0u) << dialogs.Summary();
}
