// Files for the tests: a scratch folder under the system's temporary folder
// that is removed with everything in it at the end (and, on request, is the
// engine's data path meanwhile), small whole-file readers and writers, and the
// place of the repository's test data.
#pragma once

#include "runtime/ZNDataPath.h"

#include <gtest/gtest.h>

#include <errno.h>
#include <ftw.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <sys/time.h>

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
    FILE* f = fopen(path.c_str(), "rb");
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
        mkdir(path.substr(0, at).c_str(), 0755);
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
    enum Use { Plain, DataPath };

    // With DataPath, GDataPath names the folder until the object ends.
    explicit ZNScratchDir(Use use = Plain)
    {
        memcpy(Saved, GDataPath, sizeof(Saved));
        const char*       base = getenv("TMPDIR");
        std::string       pattern = std::string(base && *base ? base : "/tmp") + "/zn_test_XXXXXX";
        std::vector<char> buffer(pattern.c_str(), pattern.c_str() + pattern.size() + 1);
        const char*       made = mkdtemp(buffer.data());
        EXPECT_NE(made, nullptr) << pattern << ": " << strerror(errno);
        Root = (made ? std::string(made) : pattern) + "/";
        if (use == DataPath)
            snprintf(GDataPath, sizeof(GDataPath), "%s", Root.c_str());
    }
    ~ZNScratchDir()
    {
        memcpy(GDataPath, Saved, sizeof(Saved));
        // Links inside are removed, never followed.
        nftw(Root.c_str(), [](const char* path, const struct stat*, int, FTW*) { return remove(path); }, 16,
             FTW_DEPTH | FTW_PHYS);
    }
    ZNScratchDir(const ZNScratchDir&) = delete;
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
        struct stat st;
        ASSERT_EQ(stat((Root + name).c_str(), &st), 0) << name;
        struct timeval times[2] = { { st.st_atime + seconds, 0 }, { st.st_mtime + seconds, 0 } };
        EXPECT_EQ(utimes((Root + name).c_str(), times), 0) << name;
    }

    std::string Root;   // with a trailing '/'

private:
    char Saved[ZN_DATA_PATH_SIZE];
};
