// Files for the tests: a scratch folder under the system's temporary folder
// that is removed with everything in it at the end (and, on request, is the
// engine's data path meanwhile), small whole-file readers and writers, and the
// place of the repository's test data.
#pragma once

#include "common/ZNTestPlatform.h"

#include "files/ZNDataPath.h"

#include <gtest/gtest.h>

#include <stdio.h>
#include <string.h>
#include <sys/stat.h>

#include <string>
#include <vector>

// A file of the repository's test data (tests/data/name).
inline std::string ZNTestDataFile(const std::string& name)
{
    return std::string(ZN_TEST_SOURCE_DIR) + "/tests/data/" + name;
}

inline std::vector<UINT8> ZNReadBytes(const std::string& path)
{
    std::vector<UINT8> bytes;
    FILE*              f = fopen(path.c_str(), "rb");
    if (!f)
        return bytes;
    UINT8  buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof(buffer), f)) > 0)
        bytes.insert(bytes.end(), buffer, buffer + n);
    fclose(f);
    return bytes;
}

inline std::string ZNReadText(const std::string& path)
{
    const std::vector<UINT8> bytes = ZNReadBytes(path);
    return std::string(bytes.begin(), bytes.end());
}

// Makes the folders a file path names that do not exist yet.
inline void ZNMakeFolders(const std::string& path)
{
    for (size_t at = path.find('/', 1); at != std::string::npos; at = path.find('/', at + 1))
        ZNMakeFolder(path.substr(0, at));
}

// Writes the whole file, making its missing folders; fails the test when it cannot.
inline void ZNWriteBytes(const std::string& path, const void* data, size_t size)
{
    ZNMakeFolders(path);
    FILE* f = fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr) << path;
    EXPECT_EQ(size ? fwrite(data, 1, size, f) : 0, size) << path;
    fclose(f);
}
inline void ZNWriteBytes(const std::string& path, const std::vector<UINT8>& bytes)
{
    ZNWriteBytes(path, bytes.data(), bytes.size());
}
inline void ZNWriteText(const std::string& path, const std::string& text)
{
    ZNWriteBytes(path, text.data(), text.size());
}

inline bool ZNFileThere(const std::string& path)
{
    struct stat st;
    return stat(path.c_str(), &st) == 0;
}

class ZNScratchDir
{
public:
    enum Use
    {
        Plain,
        DataPath
    };

    // With DataPath, GDataPath names the folder until the object ends.
    explicit ZNScratchDir(Use use = Plain)
    {
        memcpy(Saved, GDataPath, sizeof(Saved));
        Root = ZNMakeScratchFolder();
        if (use == DataPath)
            snprintf(GDataPath, sizeof(GDataPath), "%s", Root.c_str());
    }
    ~ZNScratchDir()
    {
        memcpy(GDataPath, Saved, sizeof(Saved));
        if (!Root.empty())
            ZNRemoveTree(Root);
    }
    ZNScratchDir(const ZNScratchDir&)            = delete;
    ZNScratchDir& operator=(const ZNScratchDir&) = delete;

    std::string Path(const std::string& name) const { return Root + name; }
    // Writes a file by its name inside the folder ("Shaders/A.shd"); returns its path.
    std::string Write(const std::string& name, const std::string& text) const
    {
        ZNWriteText(Root + name, text);
        return Root + name;
    }
    // Moves the file's modification time by seconds.
    void ShiftTime(const std::string& name, long seconds) const
    {
        EXPECT_TRUE(ZNShiftFileTime(Root + name, seconds)) << name;
    }

    std::string Root;   // with a trailing '/'

private:
    char Saved[ZN_DATA_PATH_SIZE];
};
