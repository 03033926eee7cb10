// Whole-file helpers, queries, directory changes and iteration, include
// expansion - all in a scratch folder that serves as the data path.
#include "common/ZNTestDialogs.h"
#include "common/ZNTestFiles.h"

#include "files/ZNFileIO.h"

#include <algorithm>
#include <fcntl.h>
#include <set>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>
#include <utime.h>

namespace
{
std::string S(const ZNString& s)
{
    return std::string(s.CStr(), s.Size());
}

// Captures what PrintStdout writes while alive.
struct StdoutCapture
{
    StdoutCapture() { testing::internal::CaptureStdout(); }
    std::string Take() { return testing::internal::GetCapturedStdout(); }
};
}

TEST(FileIO, BinaryFilesRoundTripExactly)
{
    ZNScratchDir      scratch(ZNScratchDir::DataPath);
    ZNPodArray<UINT8> bytes;
    for (int i = 0; i < 70000; ++i)   // more than one read block
        bytes.Add((UINT8)(i * 7 + (i >> 8)));
    bytes[5] = 0;
    bytes[6] = '\r';
    bytes[7] = '\n';
    ASSERT_TRUE(WriteArrayToBinaryFile("blob.bin", bytes));

    ZNPodArray<UINT8> back;
    back.Add(99);   // replaced, not appended to
    ASSERT_TRUE(ReadFileToArray("blob.bin", back));
    ASSERT_EQ(back.Size(), bytes.Size());
    EXPECT_EQ(memcmp(&back[0], &bytes[0], bytes.Size()), 0);

    // Replacing a longer file leaves only the new bytes.
    ZNPodArray<UINT8> small;
    small.Add(1);
    ASSERT_TRUE(WriteArrayToBinaryFile("blob.bin", small));
    EXPECT_EQ(ZNReadText(scratch.Path("blob.bin")), std::string("\x01", 1));
}

TEST(FileIO, EmptyAndMissingFiles)
{
    ZNScratchDir scratch(ZNScratchDir::DataPath);
    ZNWriteText(scratch.Path("empty"), "");
    ZNPodArray<UINT8> bytes;
    bytes.Add(1);
    EXPECT_TRUE(ReadFileToArray("empty", bytes));
    EXPECT_EQ(bytes.Size(), 0u);
    EXPECT_FALSE(ReadFileToArray("missing", bytes));

    ZNString text("old");
    EXPECT_FALSE(ReadTextFile("missing", text));
    EXPECT_EQ(text.Size(), 0u);
    // A directory is not a readable file.
    ASSERT_TRUE(MakeDirectory("dir"));
    EXPECT_FALSE(ReadFileToArray("dir", bytes));
    EXPECT_FALSE(ReadTextFile("dir", text));

    // Writing into a folder that does not exist fails.
    EXPECT_FALSE(WriteTextFile("nofolder/x.txt", ZNString("x")));
}

TEST(FileIO, WritingAnEmptyArrayIsReportedAndLeavesAnEmptyFile)
{
    ZNScratchDir     scratch(ZNScratchDir::DataPath);
    ZNDialogRecorder dialogs;
    ZNWriteText(scratch.Path("e.bin"), "previous");
    ZNPodArray<UINT8> none;
    EXPECT_TRUE(WriteArrayToBinaryFile("e.bin", none));
    EXPECT_EQ(dialogs.Asserts("at >= count"), 1u) << dialogs.Summary();
    EXPECT_EQ(ZNReadText(scratch.Path("e.bin")), "");
}

TEST(FileIO, TextModeTurnsCrLfIntoLf)
{
    ZNScratchDir scratch(ZNScratchDir::DataPath);
    // Lines longer than any internal piece, a CR LF split across a piece
    // boundary, a lone CR that must survive, and no final line feed.
    std::string  longLine(5000, 'x');
    std::string  raw = "a\r\nb\rc\r\n" + longLine + "\r\n" + std::string(2046, 'y') + "\r\nend";
    ZNWriteText(scratch.Path("t.txt"), raw);
    ZNString text;
    ASSERT_TRUE(ReadTextFile("t.txt", text));
    std::string expected = "a\nb\rc\n" + longLine + "\n" + std::string(2046, 'y') + "\nend";
    EXPECT_EQ(S(text), expected);

    ASSERT_TRUE(WriteTextFile("out.txt", ZNString("one\ntwo\n")));
    EXPECT_EQ(ZNReadText(scratch.Path("out.txt")), "one\ntwo\n");
    ZNString back;
    ASSERT_TRUE(ReadTextFile(ZNString("out.txt"), back));
    EXPECT_EQ(S(back), "one\ntwo\n");
}

TEST(FileIO, QueriesTellFilesFromDirectories)
{
    ZNScratchDir scratch(ZNScratchDir::DataPath);
    ZNWriteText(scratch.Path("f.txt"), "x");
    ASSERT_TRUE(MakeDirectory("d"));
    EXPECT_FALSE(MakeDirectory("d"));
    EXPECT_FALSE(MakeDirectory("a/b"));   // one level only

    EXPECT_TRUE(FileExists("f.txt"));
    EXPECT_FALSE(FileExists("d"));
    EXPECT_FALSE(FileExists("nope"));
    EXPECT_TRUE(PathExists("f.txt"));
    EXPECT_TRUE(PathExists("d"));
    EXPECT_TRUE(PathExists("d\\"));
    EXPECT_FALSE(PathExists("nope"));
    EXPECT_TRUE(IsDirectory("d"));
    EXPECT_FALSE(IsDirectory("f.txt"));
    EXPECT_FALSE(IsDirectory("nope"));
    EXPECT_TRUE(IsFile("f.txt"));
    EXPECT_FALSE(IsFile("d"));
    EXPECT_FALSE(IsFile("nope"));

    // Backslashes in engine names reach the disk as slashes.
    ZNWriteText(scratch.Path("d/in.txt"), "y");
    EXPECT_TRUE(FileExists("d\\in.txt"));
}

TEST(FileIO, FileTimeIsTheModificationTimeInSeconds)
{
    ZNScratchDir scratch(ZNScratchDir::DataPath);
    ZNWriteText(scratch.Path("f.txt"), "x");
    struct utimbuf times;
    times.actime  = 1000000000;
    times.modtime = 1234567890;
    ASSERT_EQ(utime(scratch.Path("f.txt").c_str(), &times), 0);
    EXPECT_EQ(GetFileTime("f.txt"), 1234567890);
    EXPECT_EQ(GetFileTime("missing"), 0);
    ASSERT_TRUE(MakeDirectory("d"));
    EXPECT_EQ(GetFileTime("d"), 0);

    // A fresh write is "now".
    ZNWriteText(scratch.Path("g.txt"), "x");
    INT64 now = (INT64)time(nullptr);
    EXPECT_LE(std::llabs(GetFileTime("g.txt") - now), 5);
}

TEST(FileIO, PreciseFileTimeKeepsTheFractionOfTheSecond)
{
    ZNScratchDir scratch(ZNScratchDir::DataPath);
    ZNWriteText(scratch.Path("f.txt"), "x");
    ASSERT_TRUE(ZNSetFileTime(scratch.Path("f.txt"), 1234567890, 250000000));
    EXPECT_EQ(GetFileTimeNs("f.txt"), 1234567890250000000LL);
    EXPECT_EQ(GetFileTime("f.txt"), 1234567890);
    EXPECT_EQ(GetFileTimeNs("missing"), 0);
    ASSERT_TRUE(MakeDirectory("d"));
    EXPECT_EQ(GetFileTimeNs("d"), 0);
}

TEST(FileIO, DeletionRefusesNamesThatMeanTheDataFolderItself)
{
    ZNScratchDir scratch(ZNScratchDir::DataPath);
    ZNWriteText(scratch.Path("f.txt"), "x");
    EXPECT_FALSE(DeleteFileOrDirectory(""));
    EXPECT_FALSE(DeleteFileOrDirectory("."));
    EXPECT_FALSE(DeleteFileOrDirectory("./"));
    EXPECT_FALSE(DeleteFileOrDirectory("/"));
    EXPECT_FALSE(DeleteFileOrDirectory("x/.."));
    EXPECT_TRUE(ZNFileThere(scratch.Path("f.txt")));
}

TEST(FileIO, MoveRenamesButNeverReplaces)
{
    ZNScratchDir scratch(ZNScratchDir::DataPath);
    ZNWriteText(scratch.Path("a.txt"), "A");
    ZNWriteText(scratch.Path("b.txt"), "B");
    EXPECT_FALSE(MovePath("a.txt", "b.txt"));
    EXPECT_EQ(ZNReadText(scratch.Path("b.txt")), "B");
    EXPECT_TRUE(MovePath("a.txt", "c.txt"));
    EXPECT_FALSE(ZNFileThere(scratch.Path("a.txt")));
    EXPECT_EQ(ZNReadText(scratch.Path("c.txt")), "A");
    ASSERT_TRUE(MakeDirectory("d"));
    EXPECT_TRUE(MovePath("c.txt", "d/c.txt"));
    EXPECT_TRUE(MovePath("d", "e"));
    EXPECT_TRUE(IsFile("e/c.txt"));
    EXPECT_FALSE(MovePath("missing", "x"));

    // Replacing on request swaps the contents in one step.
    ZNWriteText(scratch.Path("new.txt"), "N");
    EXPECT_TRUE(MovePath("new.txt", "b.txt", true));
    EXPECT_EQ(ZNReadText(scratch.Path("b.txt")), "N");
    EXPECT_FALSE(ZNFileThere(scratch.Path("new.txt")));
}

TEST(FileIO, DirectoryIterationListsEveryEntryOnce)
{
    ZNScratchDir scratch(ZNScratchDir::DataPath);
    ASSERT_TRUE(MakeDirectory("d"));
    ASSERT_TRUE(MakeDirectory("d/sub"));
    ZNWriteText(scratch.Path("d/one"), "");
    ZNWriteText(scratch.Path("d/two.txt"), "");

    std::multiset<std::string> names;
    ZNDirIterator              it;
    for (it.FindFirst("d"); it.Valid; it.FindNext())
        names.insert(S(it.Name()));
    EXPECT_EQ(names, (std::multiset<std::string>{ ".", "..", "one", "sub", "two.txt" }));
    EXPECT_FALSE(it.Valid);
    EXPECT_EQ(S(it.Name()), "");
    EXPECT_FALSE(it.FindNext());

    // With a trailing separator of either kind too; restarting works.
    int count = 0;
    for (it.FindFirst("d\\"); it.Valid; it.FindNext())
        ++count;
    EXPECT_EQ(count, 5);
    EXPECT_FALSE(it.FindFirst("missing"));
    EXPECT_FALSE(it.Valid);

    EXPECT_EQ(S(FirstEntryPath("d/sub/")), "");
    std::string first = S(FirstEntryPath("d/"));
    EXPECT_TRUE(first == "d/one" || first == "d/sub" || first == "d/two.txt") << first;
    EXPECT_EQ(S(FirstEntryPath("missing/")), "");
}

TEST(FileIO, IncludesExpandInPlaceAndRecursively)
{
    ZNScratchDir scratch(ZNScratchDir::DataPath);
    ASSERT_TRUE(MakeDirectory("Shaders"));
    ASSERT_TRUE(MakeDirectory("Shaders/inc"));
    ZNWriteText(scratch.Path("Shaders/main.shd"),
                "first\r\n  #include \"inc/a.inc\"  trailing ignored\nmiddle\n#include\t\"inc/b.inc\"\n"
                "#includes \"not.inc\"\nx #include \"no.inc\"\nlast");
    // Nested includes are relative to the including file's folder.
    ZNWriteText(scratch.Path("Shaders/inc/a.inc"), "A1\n#include \"c.inc\"\nA2");
    ZNWriteText(scratch.Path("Shaders/inc/b.inc"), "B\n");
    ZNWriteText(scratch.Path("Shaders/inc/c.inc"), "C");

    ZNString text("stale");
    ASSERT_TRUE(LoadTextWithIncludes("Shaders/main.shd", text));
    EXPECT_EQ(S(text), "first\nA1\nC\nA2\nmiddle\nB\n\n#includes \"not.inc\"\nx #include \"no.inc\"\nlast");

    // The same file twice side by side is not a cycle.
    ZNWriteText(scratch.Path("Shaders/twice.shd"), "#include \"inc/c.inc\"\n#include \"inc/c.inc\"\n");
    ASSERT_TRUE(LoadTextWithIncludes("Shaders/twice.shd", text));
    EXPECT_EQ(S(text), "C\nC\n");
}

TEST(FileIO, IncludeCyclesAreRefusedNamingTheFiles)
{
    ZNScratchDir scratch(ZNScratchDir::DataPath);
    ZNWriteText(scratch.Path("self.shd"), "x\n#include \"self.shd\"\n");
    ZNWriteText(scratch.Path("a.shd"), "#include \"b.shd\"\n");
    ZNWriteText(scratch.Path("b.shd"), "#include \"sub/../c.shd\"\n");
    ASSERT_TRUE(MakeDirectory("sub"));
    ZNWriteText(scratch.Path("c.shd"), "#include \"a.shd\"\n");

    ZNString      text("kept");
    StdoutCapture out;
    EXPECT_FALSE(LoadTextWithIncludes("self.shd", text));
    EXPECT_FALSE(LoadTextWithIncludes("a.shd", text));
    std::string printed = out.Take();
    EXPECT_EQ(S(text), "kept");
    EXPECT_NE(printed.find("self.shd -> self.shd"), std::string::npos) << printed;
    // Another spelling of the same file is still recognised.
    EXPECT_NE(printed.find("a.shd -> b.shd -> sub/../c.shd -> sub/../a.shd"), std::string::npos) << printed;
}

TEST(FileIO, MissingIncludesNameBothFiles)
{
    ZNScratchDir scratch(ZNScratchDir::DataPath);
    ZNWriteText(scratch.Path("top.shd"), "ok\n#include \"gone.inc\"\n");
    ZNWriteText(scratch.Path("noname.shd"), "#include\n\"later.inc\"\n");
    ZNWriteText(scratch.Path("later.inc"), "L");

    ZNString      text;
    StdoutCapture out;
    EXPECT_FALSE(LoadTextWithIncludes("top.shd", text));
    // The quoted name must be on the include line itself.
    EXPECT_FALSE(LoadTextWithIncludes("noname.shd", text));
    EXPECT_FALSE(LoadTextWithIncludes("absent.shd", text));
    std::string printed = out.Take();
    EXPECT_NE(printed.find("top.shd(2)"), std::string::npos) << printed;
    EXPECT_NE(printed.find("gone.inc"), std::string::npos) << printed;
    EXPECT_NE(printed.find("noname.shd(1)"), std::string::npos) << printed;
    EXPECT_NE(printed.find("absent.shd"), std::string::npos) << printed;
}

TEST(FileIO, PrintStdoutFormats)
{
    StdoutCapture out;
    PrintStdout("%s=%d;", "x", 42);
    std::string big(20000, 'z');
    PrintStdout("%s", big.c_str());
    std::string printed = out.Take();
    EXPECT_EQ(printed.substr(0, 5), "x=42;");
    // At most 16383 characters of one report.
    EXPECT_EQ(printed.size(), 5u + 16383u);
}

// Text files are capped at ZN_TEXT_FILE_LIMIT bytes, checked from the file's
// size before reading; binary files are not.
TEST(FileIO, TextFilesAreCappedAtTheStatedSize)
{
    ZNScratchDir      scratch(ZNScratchDir::DataPath);
    const std::string at(ZN_TEXT_FILE_LIMIT, 'a');
    scratch.Write("at.txt", at);
    scratch.Write("over.txt", at + 'b');
    ZNString text;
    EXPECT_TRUE(ReadTextFile("at.txt", text));
    EXPECT_EQ(text.Size(), ZN_TEXT_FILE_LIMIT);
    EXPECT_FALSE(ReadTextFile("over.txt", text));
    EXPECT_EQ(text.Size(), 0u);
    ZNPodArray<UINT8> bytes;
    EXPECT_TRUE(ReadFileToArray("over.txt", bytes));
    EXPECT_EQ(bytes.Size(), ZN_TEXT_FILE_LIMIT + 1);
}

// The general include expander is held to the text-file size as well: a file
// included sixteen times at each of five levels stops with a note.
TEST(FileIO, IncludeFanOutStopsAtTheTextLimit)
{
    ZNScratchDir scratch(ZNScratchDir::DataPath);
    const char*  names[] = { "a.txt", "b.txt", "c.txt", "d.txt", "e.txt" };
    for (int i = 0; i < 4; ++i)
    {
        std::string text;
        for (int k = 0; k < 16; ++k)
            text += "#include \"" + std::string(names[i + 1]) + "\"\n";
        scratch.Write(names[i], text);
    }
    scratch.Write("e.txt", std::string(5000, 'x') + "\n");
    ZNString text;
    testing::internal::CaptureStdout();
    EXPECT_FALSE(LoadTextWithIncludes("a.txt", text));
    const std::string printed = testing::internal::GetCapturedStdout();
    EXPECT_NE(printed.find("the text with its includes passes 16 MiB"), std::string::npos) << printed;
}

// Includes read from the data folder only: one that climbs out of it is
// refused with a report naming the including file, even when the file it
// names exists.
TEST(FileIO, IncludesThatClimbOutOfTheDataFolderAreRefused)
{
    ZNScratchDir scratch(ZNScratchDir::DataPath);
    ZNWriteText(scratch.Path("x.inc"), "OUTSIDE");
    ZNWriteText(scratch.Path("data/in.inc"), "INSIDE");
    ZNWriteText(scratch.Path("data/Shaders/ok.shd"), "#include \"../in.inc\"\n");
    ZNWriteText(scratch.Path("data/Shaders/up.shd"), "#include \"../../x.inc\"\n");
    ZNWriteText(scratch.Path("data/Shaders/deep.shd"), "#include \"./a/../../../x.inc\"\n");
    snprintf(GDataPath, sizeof(GDataPath), "%s", scratch.Path("data/").c_str());

    ZNString text;
    ASSERT_TRUE(LoadTextWithIncludes("Shaders/ok.shd", text));
    EXPECT_EQ(S(text), "INSIDE\n");
    for (const char* name : { "Shaders/up.shd", "Shaders/deep.shd" })
    {
        StdoutCapture out;
        text = "kept";
        EXPECT_FALSE(LoadTextWithIncludes(name, text)) << name;
        EXPECT_EQ(S(text), "kept");
        const std::string printed = out.Take();
        EXPECT_NE(printed.find(std::string(name) + "(1)"), std::string::npos) << printed;
        EXPECT_NE(printed.find("outside the data folder"), std::string::npos) << printed;
    }
}
