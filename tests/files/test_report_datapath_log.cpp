// The data path rules and the log (the fatal report, in child processes, is
// in test_report_datapath_logPosix.cpp).
#include "common/ZNTestFiles.h"
#include "files/DataPathTestUtil.h"

#include "core/ZNSys.h"
#include "files/ZNFileIO.h"
#include "core/ZNLog.h"

#include <string.h>

namespace
{

std::vector<std::string> GLogLines;
void                     RecordLog(const char* text)
{
    GLogLines.push_back(text);
}
void OtherLog(const char*)
{
}
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

TEST(DataPath, LongestPathFits)
{
    SavedDataPath saved;
    std::string   dir = "/" + std::string(252, 'a') + "/";   // 254 characters
    SetProgram(dir + "demo");
    ZNSetDataPath("Data/");   // 259 characters: fits with its terminator
    EXPECT_EQ(std::string(GDataPath), dir + "Data/");
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
