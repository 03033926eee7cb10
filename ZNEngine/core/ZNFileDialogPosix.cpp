// The file chooser on POSIX: zenity or kdialog as a child process, the chosen
// path read from its standard output; a prompt on a terminal without either.
#include "core/ZNRuntime.h"
#include "core/ZNSysPlatform.h"
#include "core/ZNTemplate.h"

#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <spawn.h>
#include <string.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

// ---- file chooser ---------------------------------------------------------------------

namespace
{

enum ZNChooserResult
{
    ZNChooser_Chosen,
    ZNChooser_Cancelled,
    ZNChooser_Failed,
};

bool DisplayAvailable()
{
    const char* x11     = getenv("DISPLAY");
    const char* wayland = getenv("WAYLAND_DISPLAY");
    return (x11 && *x11) || (wayland && *wayland);
}

// Full path of an executable found on PATH, or "".
ZNString FindOnPath(const char* program)
{
    const char* path = getenv("PATH");
    if (!path)
        return ZNString("");
    char candidate[PATH_MAX];
    for (const char* dir = path; *dir;)
    {
        const char* end    = strchr(dir, ':');
        size_t      length = end ? static_cast<size_t>(end - dir) : strlen(dir);
        if (length > 0 && length + strlen(program) + 2 < sizeof(candidate))
        {
            memcpy(candidate, dir, length);
            candidate[length] = '/';
            strcpy(candidate + length + 1, program);
            struct stat st;
            if (stat(candidate, &st) == 0 && S_ISREG(st.st_mode) && access(candidate, X_OK) == 0)
                return ZNString(candidate);
        }
        if (!end)
            break;
        dir = end + 1;
    }
    return ZNString("");
}

// Description/pattern pairs of a "Name\0*.a;*.b\0...\0\0" filter.
struct ZNFilterPair
{
    const char* Name;
    const char* Patterns;
};

UINT32 ReadFilter(const char* filter, ZNFilterPair* pairs, UINT32 maxPairs)
{
    UINT32 count = 0;
    if (!filter)
        return 0;
    for (const char* p = filter; *p && count < maxPairs;)
    {
        const char* name = p;
        p += strlen(p) + 1;
        if (!*p)
            break;
        pairs[count].Name     = name;
        pairs[count].Patterns = p;
        ++count;
        p += strlen(p) + 1;
    }
    return count;
}

// "*.png;*.jpg" with the separator the chooser wants.
ZNString JoinPatterns(const char* patterns, char separator)
{
    ZNString out(patterns);
    for (UINT32 i = 0; i < out.Size(); ++i)
        if (out[i] == ';')
            out[i] = separator;
    return out;
}

ZNString Concat(const char* a, const char* b, const char* c = "", const char* d = "")
{
    size_t size = strlen(a) + strlen(b) + strlen(c) + strlen(d) + 1;
    char*  text = static_cast<char*>(ZNAlloc(size));
    snprintf(text, size, "%s%s%s%s", a, b, c, d);
    ZNString out(text);
    ZNFree(text);
    return out;
}

// Runs the chooser with argv; its output (the path) lands in output.
ZNChooserResult RunChooser(const char* program, ZNArray<ZNString>& args, ZNString& output)
{
    int pipeFds[2];
    if (pipe2(pipeFds, O_CLOEXEC) != 0)
        return ZNChooser_Failed;

    ZNPodArray<char*> argv;
    argv.Add(const_cast<char*>(program));
    for (UINT32 i = 0; i < args.Size(); ++i)
        argv.Add(const_cast<char*>(args[i].CStr()));
    argv.Add(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
    // The toolkits' diagnostics are noise to our user.
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    pid_t child   = 0;
    int   spawned = posix_spawn(&child, program, &actions, nullptr, &argv[0], environ);
    posix_spawn_file_actions_destroy(&actions);
    close(pipeFds[1]);
    if (spawned != 0)
    {
        close(pipeFds[0]);
        return ZNChooser_Failed;
    }

    ZNPodArray<char> bytes;
    char             chunk[1024];
    for (;;)
    {
        ssize_t n = read(pipeFds[0], chunk, sizeof(chunk));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        for (ssize_t i = 0; i < n; ++i)
            bytes.Add(chunk[i]);
    }
    close(pipeFds[0]);

    int status = 0;
    while (waitpid(child, &status, 0) < 0)
    {
        if (errno != EINTR)
            return ZNChooser_Failed;
    }

    while (bytes.Size() && (bytes[bytes.Size() - 1] == '\n' || bytes[bytes.Size() - 1] == '\r'))
        bytes.SetCount(bytes.Size() - 1);
    bytes.Add(0);
    output = ZNString(&bytes[0]);

    if (!WIFEXITED(status))
        return ZNChooser_Failed;
    int code = WEXITSTATUS(status);
    if (code == 1)
        return ZNChooser_Cancelled;
    if (code != 0)
        return ZNChooser_Failed;
    return output.Size() ? ZNChooser_Chosen : ZNChooser_Cancelled;
}

ZNChooserResult AskZenity(const char* program, const char* dir, const char* filter, bool save, ZNString& path)
{
    ZNArray<ZNString> args;
    args.Add(ZNString("--file-selection"));
    args.Add(ZNString(save ? "--title=Save" : "--title=Open"));
    if (save)
    {
        args.Add(ZNString("--save"));
        args.Add(ZNString("--confirm-overwrite"));
    }
    if (dir && *dir)
    {
        size_t length = strlen(dir);
        args.Add(Concat("--filename=", dir, dir[length - 1] == '/' ? "" : "/"));
    }
    ZNFilterPair pairs[32];
    UINT32       count = ReadFilter(filter, pairs, 32);
    for (UINT32 i = 0; i < count; ++i)
        args.Add(Concat("--file-filter=", pairs[i].Name, " | ", JoinPatterns(pairs[i].Patterns, ' ').CStr()));
    return RunChooser(program, args, path);
}

ZNChooserResult AskKDialog(const char* program, const char* dir, const char* filter, bool save, ZNString& path)
{
    ZNArray<ZNString> args;
    args.Add(ZNString(save ? "--getsavefilename" : "--getopenfilename"));
    args.Add(ZNString(dir && *dir ? dir : "."));
    ZNFilterPair pairs[32];
    UINT32       count = ReadFilter(filter, pairs, 32);
    ZNString     filterText("");
    for (UINT32 i = 0; i < count; ++i)
    {
        ZNString one = Concat(JoinPatterns(pairs[i].Patterns, ' ').CStr(), "|", pairs[i].Name);
        filterText   = Concat(filterText.CStr(), i ? "\n" : "", one.CStr());
    }
    if (count)
        args.Add(filterText);
    return RunChooser(program, args, path);
}

bool FolderOfPathExists(const char* path)
{
    const char* slash = strrchr(path, '/');
    if (!slash)
        return true;   // the current directory
    ZNString folder(path);
    folder.SetLength(static_cast<UINT32>(slash - path) + 1);
    struct stat st;
    return stat(folder.CStr(), &st) == 0 && S_ISDIR(st.st_mode);
}

// A prompt on the terminal; an empty line or the end of input cancels.
ZNChooserResult AskTerminal(const char* dir, const char* filter, bool save, ZNString& path)
{
    ZNFilterPair pairs[32];
    UINT32       count = ReadFilter(filter, pairs, 32);
    for (;;)
    {
        fprintf(stderr, "%s a file", save ? "Save as" : "Open");
        if (dir && *dir)
            fprintf(stderr, " (folder %s)", dir);
        for (UINT32 i = 0; i < count; ++i)
            fprintf(stderr, "%s%s %s", i ? ", " : " [", pairs[i].Name, pairs[i].Patterns);
        fprintf(stderr, "%s; empty line cancels: ", count ? "]" : "");
        char line[PATH_MAX];
        if (!fgets(line, sizeof(line), stdin))
            return ZNChooser_Cancelled;
        size_t length = strlen(line);
        while (length && (line[length - 1] == '\n' || line[length - 1] == '\r'))
            line[--length] = 0;
        if (!length)
            return ZNChooser_Cancelled;
        if (line[0] != '/' && dir && *dir)
            path = Concat(dir, dir[strlen(dir) - 1] == '/' ? "" : "/", line);
        else
            path = ZNString(line);
        struct stat st;
        if (!save && (stat(path.CStr(), &st) != 0 || S_ISDIR(st.st_mode)))
        {
            fprintf(stderr, "No such file: %s\n", path.CStr());
            continue;
        }
        if (save && !FolderOfPathExists(path.CStr()))
        {
            fprintf(stderr, "No such folder for: %s\n", path.CStr());
            continue;
        }
        return ZNChooser_Chosen;
    }
}

}   // namespace

int ZNChooseFile(const char* initialDirectory, const char* filter, char* fileBuffer, UINT32 fileBufferSize, int save)
{
    ZNString        path("");
    ZNChooserResult result  = ZNChooser_Cancelled;
    ZNString        zenity  = DisplayAvailable() ? FindOnPath("zenity") : ZNString("");
    ZNString        kdialog = DisplayAvailable() && !zenity.Size() ? FindOnPath("kdialog") : ZNString("");
    if (zenity.Size())
        result = AskZenity(zenity.CStr(), initialDirectory, filter, save != 0, path);
    else if (kdialog.Size())
        result = AskKDialog(kdialog.CStr(), initialDirectory, filter, save != 0, path);
    else if (isatty(STDIN_FILENO))
        result = AskTerminal(initialDirectory, filter, save != 0, path);

    if (result == ZNChooser_Failed)
        ZNFatalError("gSysFileOpen error\n", "");
    if (result != ZNChooser_Chosen)
        return 0;

    return ZNDeliverChosenPath(path.CStr(), path.Size(), fileBuffer, fileBufferSize);
}
