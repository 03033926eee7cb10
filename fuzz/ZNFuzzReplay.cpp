// Replays stored fuzz inputs through the targets in an ordinary build, so the
// sanitizers of the test configuration see every corpus file and every kept
// crash input without clang or libFuzzer.
//
//   zn_fuzz_replay <fuzz folder>                  every target: corpus/<name>/ and regress/<name>/
//   zn_fuzz_replay <fuzz folder> <name> [files]   one target: its folders, or just the files given
//
// Exit status 0 when every target had a corpus and no input crashed (a crash
// or a sanitizer report ends the program with a failure status on its own).
#include "ZNFuzz.h"
#include "core/ZNTemplate.h"

#include <dirent.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>

#include <algorithm>
#include <string>
#include <vector>

namespace
{

std::vector<std::string> FilesIn(const std::string& folder)
{
    std::vector<std::string> files;
    DIR*                     dir = opendir(folder.c_str());
    if (!dir)
        return files;
    while (struct dirent* e = readdir(dir))
    {
        std::string path = folder + "/" + e->d_name;
        struct stat st;
        if (e->d_name[0] != '.' && stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode))
            files.push_back(path);
    }
    closedir(dir);
    std::sort(files.begin(), files.end());
    return files;
}

bool RunFile(const ZNFuzzTarget& target, const std::string& path)
{
    FILE* f = fopen(path.c_str(), "rb");
    if (!f)
    {
        fprintf(stderr, "%s: cannot open %s\n", target.Name, path.c_str());
        return false;
    }
    std::vector<UINT8> bytes;
    UINT8              chunk[65536];
    size_t             n;
    while ((n = fread(chunk, 1, sizeof(chunk), f)) > 0)
        bytes.insert(bytes.end(), chunk, chunk + n);
    fclose(f);
    // An empty input still gets a valid pointer, as libFuzzer gives one.
    static const UINT8 kNothing = 0;
    target.Run(bytes.empty() ? &kNothing : bytes.data(), bytes.size());
    return true;
}

}   // namespace

int main(int argc, char** argv)
{
    if (argc < 2)
    {
        fprintf(stderr, "usage: %s <fuzz folder> [target [files...]]\n", argv[0]);
        return 2;
    }
    ZNFuzzSetUp();
    const std::string root  = argv[1];
    const char*       only  = argc > 2 ? argv[2] : nullptr;
    bool              ok    = true;
    bool              found = false;
    for (const ZNFuzzTarget* t = GFuzzTargets; t->Name; ++t)
    {
        if (only && strcmp(only, t->Name) != 0)
            continue;
        found = true;
        if (argc > 3)
        {
            for (int i = 3; i < argc; ++i)
                ok = RunFile(*t, argv[i]) && ok;
            printf("%-10s %d inputs\n", t->Name, argc - 3);
            continue;
        }
        const std::vector<std::string> corpus = FilesIn(root + "/corpus/" + t->Name);
        const std::vector<std::string> kept   = FilesIn(root + "/regress/" + t->Name);
        for (const std::string& path : corpus)
            ok = RunFile(*t, path) && ok;
        for (const std::string& path : kept)
            ok = RunFile(*t, path) && ok;
        printf("%-10s %zu corpus inputs, %zu kept inputs, %u dialogs\n", t->Name, corpus.size(), kept.size(),
               ZNFuzzTakeDialogCount());
        if (corpus.empty())
        {
            fprintf(stderr, "%s: no corpus in %s/corpus/%s\n", t->Name, root.c_str(), t->Name);
            ok = false;
        }
    }
    if (!found)
    {
        fprintf(stderr, "no target named %s\n", only);
        return 2;
    }
    return ok ? 0 : 1;
}
