// The one rule for files a person names: as given from the current folder, then
// beside the calling script, then the data folder; the message names every place
// looked at. Changes the current folder, hence POSIX only.
#include "common/ZNTestConsole.h"
#include "files/ZNDataPath.h"
#include "files/ZNFileIO.h"
#include "ui/ZNConsole.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <string>

namespace
{
// The current folder for the length of a test.
struct InFolder
{
    explicit InFolder(const std::string& folder)
    {
        EXPECT_NE(getcwd(Saved, sizeof(Saved)), nullptr);
        EXPECT_EQ(chdir(folder.c_str()), 0);
    }
    ~InFolder() { EXPECT_EQ(chdir(Saved), 0); }
    char Saved[4096];
};

// Which copy the rule found, by the text each place holds; "" when none.
std::string Found(const char* path, const char* beside, ZNUserFileUse use, std::string* why = nullptr)
{
    ZNString name, reason, text;
    if (!ZNFindUserFile(path, beside, use, name, reason))
    {
        if (why)
            *why = reason.CStr();
        return "";
    }
    if (use == ZNUF_Write)
    {
        ZNString folder;
        return ResolveRealPath(GetDirectory(MakeAbsolutePath(name)).CStr(), folder) ? std::string(folder.CStr()) + "/"
                                                                                    : "unresolved";
    }
    return ReadTextFile(name, text) ? text.CStr() : "unreadable";
}
}   // namespace

TEST(UserPaths, AsGivenThenBesideTheScriptThenTheDataFolder)
{
    ZNScratchDir      data(ZNScratchDir::DataPath);
    ZNScratchDir      cwd;
    const std::string names[] = { "all.txt", "besideData.txt", "dataOnly.txt", "cwdOnly.txt" };
    // Each place holds its own name: the first place in the rule's order that
    // has the file must be the one found.
    for (const std::string& n : names)
        data.Write(n, "data");
    data.Write("scripts/all.txt", "beside");
    data.Write("scripts/besideData.txt", "beside");
    cwd.Write("all.txt", "cwd");
    cwd.Write("cwdOnly.txt", "cwd");
    InFolder here(cwd.Root);

    EXPECT_EQ(Found("all.txt", "scripts/", ZNUF_Read), "cwd");
    EXPECT_EQ(Found("besideData.txt", "scripts/", ZNUF_Read), "beside");
    EXPECT_EQ(Found("besideData.txt", nullptr, ZNUF_Read), "data");
    EXPECT_EQ(Found("dataOnly.txt", "scripts/", ZNUF_Read), "data");
    EXPECT_EQ(Found("cwdOnly.txt", nullptr, ZNUF_Read), "cwd");
    EXPECT_EQ(Found((data.Root + "all.txt").c_str(), nullptr, ZNUF_Read), "data") << "absolute: where it points";

    // Neither place: both named, the beside folder too when there is one.
    std::string why;
    EXPECT_EQ(Found("none.txt", nullptr, ZNUF_Read, &why), "");
    EXPECT_NE(why.find("'none.txt' is not in the current folder ("), std::string::npos) << why;
    EXPECT_NE(why.find(cwd.Root), std::string::npos) << why;
    EXPECT_NE(why.find("nor in the data folder (" + data.Root + ")"), std::string::npos) << why;
    EXPECT_EQ(Found("none.txt", "scripts/", ZNUF_Read, &why), "");
    EXPECT_NE(why.find("beside its script (" + data.Root + "scripts/)"), std::string::npos) << why;
    EXPECT_EQ(Found((cwd.Root + "none.txt").c_str(), nullptr, ZNUF_Read, &why), "");
    EXPECT_NE(why.find("does not exist"), std::string::npos) << why;
    EXPECT_EQ(Found("scripts", nullptr, ZNUF_Read, &why), "") << "a folder is not a file";

    // A file to write: its folder as given, else in the data folder.
    data.Write("shots/keep.txt", "x");
    EXPECT_EQ(Found("shot.png", nullptr, ZNUF_Write), cwd.Root);
    EXPECT_EQ(Found("shots/shot.png", nullptr, ZNUF_Write), data.Root + "shots/");
    EXPECT_EQ(Found("nowhere/shot.png", nullptr, ZNUF_Write, &why), "");
    EXPECT_NE(why.find("'nowhere/shot.png' cannot be written: its folder is not in the current folder"),
              std::string::npos)
        << why;
}

// exec: a script's own exec finds its neighbour; at the console the same name
// is not found, and the message says where it looked.
TEST(UserPaths, ANestedExecLooksBesideItsScript)
{
    ZNScratchDir data(ZNScratchDir::DataPath);
    ZNScratchDir cwd;
    cwd.Write("cfg/main.cfg", "echo main\nexec inner.cfg\n");
    cwd.Write("cfg/inner.cfg", "echo inner\n");
    InFolder here(cwd.Root);
    EXPECT_EQ(ConsolePrinted("exec cfg/main.cfg"), (ConsoleLines{ "main", "inner" }));
    const ConsoleLines alone = ConsolePrinted("exec inner.cfg");
    ASSERT_EQ(alone.size(), 1u);
    EXPECT_EQ(alone[0].rfind("exec: 'inner.cfg' is not in the current folder (", 0), 0u) << alone[0];
    EXPECT_NE(alone[0].find("nor in the data folder (" + data.Root + ")"), std::string::npos) << alone[0];
}
