// The file layer's system calls on POSIX.
#include "files/ZNFileIOPlatform.h"

#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

namespace
{
void Fill(const struct stat& st, ZNPathInfo& info)
{
    info.IsDirectory = S_ISDIR(st.st_mode);
    info.IsLink      = S_ISLNK(st.st_mode);
    info.IsRegular   = S_ISREG(st.st_mode);
    info.Size        = (INT64)st.st_size;
    info.TimeSeconds = (INT64)st.st_mtime;
    info.TimeNs      = (INT64)st.st_mtim.tv_sec * 1000000000 + (INT64)st.st_mtim.tv_nsec;
}
}   // namespace

bool ZNFilePlatform::NamesADrive(const char*)
{
    return false;
}

bool ZNFilePlatform::Stat(const char* path, ZNPathInfo& info, bool followLinks)
{
    struct stat st;
    if ((followLinks ? stat(path, &st) : lstat(path, &st)) != 0)
        return false;
    Fill(st, info);
    return true;
}

bool ZNFilePlatform::StatStream(FILE* f, ZNPathInfo& info)
{
    struct stat st;
    if (fstat(fileno(f), &st) != 0)
        return false;
    Fill(st, info);
    return true;
}

bool ZNFilePlatform::SeekStream(FILE* f, INT64 offset, int whence)
{
    return fseeko(f, (off_t)offset, whence) == 0;
}

INT64 ZNFilePlatform::TellStream(FILE* f)
{
    return (INT64)ftello(f);
}

bool ZNFilePlatform::RemoveFile(const char* path)
{
    return unlink(path) == 0;
}

bool ZNFilePlatform::RemoveFolder(const char* path)
{
    return rmdir(path) == 0;
}

bool ZNFilePlatform::Rename(const char* from, const char* to, bool replace)
{
    if (replace)
        return rename(from, to) == 0;
#ifdef RENAME_NOREPLACE
    if (renameat2(AT_FDCWD, from, AT_FDCWD, to, RENAME_NOREPLACE) == 0)
        return true;
    if (errno != EINVAL && errno != ENOSYS)
        return false;
#endif
    // The file system cannot refuse atomically: check first.
    struct stat st;
    if (lstat(to, &st) == 0)
        return false;
    return rename(from, to) == 0;
}

bool ZNFilePlatform::MakeFolder(const char* path)
{
    return mkdir(path, 0777) == 0;
}

void* ZNFilePlatform::OpenDirectory(const char* path)
{
    return opendir(path);
}

bool ZNFilePlatform::NextEntry(void* dir, ZNString& name)
{
    struct dirent* e = readdir((DIR*)dir);
    if (!e)
        return false;
    name = e->d_name;
    return true;
}

void ZNFilePlatform::CloseDirectory(void* dir)
{
    closedir((DIR*)dir);
}

bool ZNFilePlatform::RealPath(const char* path, ZNString& out)
{
    char* real = realpath(path, nullptr);
    if (!real)
        return false;
    out = real;
    free(real);
    return true;
}

bool ZNFilePlatform::CurrentFolder(ZNString& out)
{
    char cwd[4096];
    if (!getcwd(cwd, sizeof(cwd)))
        return false;
    out = cwd;
    return true;
}
