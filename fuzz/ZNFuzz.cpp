// ZNFuzz: the target list and what every target shares.
#include "ZNFuzz.h"
#include "core/ZNTemplate.h"
#include "files/ZNDataPath.h"

#include <dirent.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

const ZNFuzzTarget GFuzzTargets[] = {
    { "png", ZNFuzzPng },         { "mips", ZNFuzzMips },         { "textparse", ZNFuzzTextParse },
    { "font", ZNFuzzFont },       { "material", ZNFuzzMaterial }, { "shader", ZNFuzzShader },
    { "archive", ZNFuzzArchive }, { "cmdline", ZNFuzzCmdLine },   { "console", ZNFuzzConsole },
    { nullptr, nullptr },
};

namespace
{

char   GScratch[128];
UINT32 GDialogs = 0;

bool QuietNo(ZNDialogKind, const char*, const char*)
{
    ++GDialogs;
    return false;
}

void RemoveTree(const char* path)
{
    DIR* dir = opendir(path);
    if (dir)
    {
        while (struct dirent* e = readdir(dir))
        {
            if (strcmp(e->d_name, ".") == 0 || strcmp(e->d_name, "..") == 0)
                continue;
            char child[512];
            snprintf(child, sizeof(child), "%s/%s", path, e->d_name);
            struct stat st;
            if (lstat(child, &st) == 0 && S_ISDIR(st.st_mode))
                RemoveTree(child);
            else
                unlink(child);
        }
        closedir(dir);
    }
    rmdir(path);
}

void RemoveScratch()
{
    if (GScratch[0])
        RemoveTree(GScratch);
}

}   // namespace

void ZNFuzzSetUp()
{
    if (GScratch[0])
        return;
    ZNSetDialogHandler(QuietNo);
    // Memory-backed when the machine has it: targets that read files write one
    // per input.
    struct stat st;
    const char* base = (stat("/dev/shm", &st) == 0 && S_ISDIR(st.st_mode)) ? "/dev/shm" : "/tmp";
    snprintf(GScratch, sizeof(GScratch), "%s/zn-fuzz-%ld", base, (long)getpid());
    RemoveTree(GScratch);
    mkdir(GScratch, 0700);
    atexit(RemoveScratch);
    snprintf(GDataPath, ZN_DATA_PATH_SIZE, "%s/", GScratch);
}

const char* ZNFuzzScratchDir()
{
    return GDataPath;
}

void ZNFuzzWriteScratch(const char* name, const void* bytes, size_t size)
{
    char path[512];
    snprintf(path, sizeof(path), "%s/%s", GScratch, name);
    FILE* f = fopen(path, "wb");
    if (!f)
        return;
    if (size)
        fwrite(bytes, 1, size, f);
    fclose(f);
}

UINT32 ZNFuzzTakeDialogCount()
{
    UINT32 n = GDialogs;
    GDialogs = 0;
    return n;
}
