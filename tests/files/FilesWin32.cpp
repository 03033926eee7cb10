// The file layer on Windows: UTF-8 names reach the disk as the same characters,
// folders list and delete, a move never overwrites unless asked.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "files/ZNFileIO.h"

namespace
{
// A fresh folder under the system's temporary folder, as an engine name with
// forward slashes and its trailing separator; deleted with its contents.
class Win32Files : public ::testing::Test
{
protected:
    void SetUp() override
    {
        wchar_t temp[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        wchar_t folder[MAX_PATH];
        swprintf(folder, MAX_PATH, L"%lszn_files_%lu_%lu\\", temp, GetCurrentProcessId(), GetTickCount());
        ASSERT_TRUE(CreateDirectoryW(folder, nullptr));
        WideFolder = folder;
        char utf8[3 * MAX_PATH];
        WideCharToMultiByte(CP_UTF8, 0, folder, -1, utf8, sizeof(utf8), nullptr, nullptr);
        Folder = utf8;
        for (char& c : Folder)
            if (c == '\\')
                c = '/';
    }
    void TearDown() override { DeleteFileOrDirectory(Folder.c_str()); }

    std::wstring WideFolder;
    std::string  Folder;
};
}   // namespace

TEST_F(Win32Files, Utf8NamesAreWidenedNotMangled)
{
    const std::string name = Folder + "gr\xc3\xb6\xc3\x9f"
                                      "e.txt";   // "größe.txt"
    ASSERT_TRUE(WriteTextFile(name.c_str(), ZNString("hello")));
    const DWORD attributes = GetFileAttributesW((WideFolder + L"gr\u00f6\u00dfe.txt").c_str());
    EXPECT_NE(attributes, INVALID_FILE_ATTRIBUTES) << "the name on disk is the same text";
    ZNString back;
    ASSERT_TRUE(ReadTextFile(name.c_str(), back));
    EXPECT_STREQ(back.CStr(), "hello");
    EXPECT_TRUE(IsFile(name.c_str()));
    EXPECT_GT(GetFileTimeNs(name.c_str()), 1500000000LL * 1000000000LL);

    ZNDirIterator it;
    bool          listed = false;
    for (it.FindFirst(Folder.c_str()); it.Valid; it.FindNext())
        listed = listed || it.Name() == "gr\xc3\xb6\xc3\x9f"
                                        "e.txt";
    EXPECT_TRUE(listed);
}

TEST_F(Win32Files, BinaryFilesKeepEveryByte)
{
    ZNPodArray<UINT8> bytes;
    for (int i = 0; i < 256; ++i)
        bytes.Add((UINT8)i);   // CR, LF and Ctrl-Z among them
    const std::string name = Folder + "bytes.bin";
    ASSERT_TRUE(WriteArrayToBinaryFile(name.c_str(), bytes));
    ZNPodArray<UINT8> back;
    ASSERT_TRUE(ReadFileToArray(name.c_str(), back));
    ASSERT_EQ(back.Size(), 256u);
    for (UINT32 i = 0; i < 256; ++i)
        EXPECT_EQ(back[i], (UINT8)i);
}

TEST_F(Win32Files, MoveRefusesAnExistingTargetUnlessToldAndDeleteTakesTheTree)
{
    const std::string a = Folder + "a.txt", b = Folder + "b.txt";
    ASSERT_TRUE(WriteTextFile(a.c_str(), ZNString("a")));
    ASSERT_TRUE(WriteTextFile(b.c_str(), ZNString("b")));
    EXPECT_FALSE(MovePath(a.c_str(), b.c_str()));
    ZNString text;
    ASSERT_TRUE(ReadTextFile(b.c_str(), text));
    EXPECT_STREQ(text.CStr(), "b");
    EXPECT_TRUE(MovePath(a.c_str(), b.c_str(), true));
    ASSERT_TRUE(ReadTextFile(b.c_str(), text));
    EXPECT_STREQ(text.CStr(), "a");

    const std::string sub = Folder + "sub";
    ASSERT_TRUE(MakeDirectory(sub.c_str()));
    ASSERT_TRUE(WriteTextFile((sub + "/inner.txt").c_str(), ZNString("x")));
    EXPECT_TRUE(IsDirectory(sub.c_str()));
    EXPECT_EQ(GetFileTime(sub.c_str()), 0) << "folders have no file time";
    EXPECT_TRUE(DeleteFileOrDirectory((sub + "/").c_str()));
    EXPECT_FALSE(PathExists(sub.c_str()));
}

// On Windows a drive letter names a place of its own: such a name is not put
// under the data path, and "C:" alone is too short to name anything.
TEST(Win32Paths, DriveNamesStandAloneAndOtherNamesGoUnderTheDataPath)
{
    char saved[ZN_DATA_PATH_SIZE];
    memcpy(saved, GDataPath, sizeof(saved));
    snprintf(GDataPath, sizeof(GDataPath), "%s", "C:/game/Data/");
    EXPECT_STREQ(MakeAbsolutePath("D:/x.png").CStr(), "D:/x.png");
    EXPECT_STREQ(MakeAbsolutePath("C:").CStr(), "C:/game/Data/C:");
    EXPECT_STREQ(MakeAbsolutePath("Shaders\\Sky.shd").CStr(), "C:/game/Data/Shaders/Sky.shd");
    // Names on different drives share nothing.
    EXPECT_STREQ(MakeRelativePath("C:/a.png", "D:/b/").CStr(), "");
    memcpy(GDataPath, saved, sizeof(saved));
}
