// ZNSys: the argument list, the program path and the command-line splitter.
// The crash handler lives in ZNCrash<platform>.cpp, what the process itself
// knows (its executable, its own command line, the clock) in ZNSys<platform>.cpp.
#include "core/ZNStringUtil.h"
#include "core/ZNSys.h"
#include "core/ZNSysPlatform.h"

#include <stdio.h>
#include <string.h>

namespace
{

// Created empty before the engine starts, destroyed at process exit; a
// function-level static so no other static initialiser can see it unbuilt.
ZNArray<ZNString>& ArgList()
{
    static ZNArray<ZNString> args;
    return args;
}

char GProgramPath[ZN_MAX_PROGRAM_PATH];

bool HasFolderPart(const char* path)
{
    return strchr(path, '/') != nullptr || strchr(path, '\\') != nullptr;
}

// Argument 0 when it names its folder and fits; otherwise the executable the
// kernel actually ran. A path is never cut: a cut path names the wrong folder.
void SetProgramPath(const char* arg0)
{
    size_t length = strlen(arg0);
    if (HasFolderPart(arg0) && length < ZN_MAX_PROGRAM_PATH)
    {
        memcpy(GProgramPath, arg0, length + 1);
        return;
    }
    if (ZNExecutablePath(GProgramPath, ZN_MAX_PROGRAM_PATH))
        return;
    if (length < ZN_MAX_PROGRAM_PATH)
    {
        memcpy(GProgramPath, arg0, length + 1);
        return;
    }
    GProgramPath[0] = 0;
    fprintf(stderr,
            "ZNSysInit: the program path is longer than %d characters; "
            "crash dumps go to the current directory\n",
            ZN_MAX_PROGRAM_PATH - 1);
}

}   // namespace

void ZNSplitCommandLine(const char* line, ZNArray<ZNString>& out)
{
    out.Clear();
    if (!line)
        line = "";
    // No argument is longer than the line it comes from.
    char*  current  = static_cast<char*>(ZNAlloc(strlen(line) + 1));
    size_t length   = 0;
    bool   started  = false;   // the current argument has begun (text or quotes seen)
    bool   inQuotes = false;
    bool   pending  = false;   // a separator was seen: the next text starts a new argument

    auto finish = [&]
    {
        current[length] = 0;
        out.Add(ZNString(current));
        length = 0;
    };
    auto startPending = [&]
    {
        if (pending)
        {
            finish();
            pending = false;
        }
        started = true;
    };

    for (const char* p = line; *p;)
    {
        char c = *p;
        if (c == ' ' || c == '\t')
        {
            if (inQuotes)
                current[length++] = c;
            else if (started)
                pending = true;
            ++p;
        }
        else if (c == '"')
        {
            inQuotes = !inQuotes;
            if (inQuotes)
                startPending();
            ++p;
        }
        else if (c == '\\')
        {
            startPending();
            size_t run = 0;
            while (p[run] == '\\')
                ++run;
            p += run;
            if (*p == '"')
            {
                for (size_t i = 0; i < run / 2; ++i)
                    current[length++] = '\\';
                if (run % 2)
                    current[length++] = '"';
                else
                    inQuotes = !inQuotes;
                ++p;
            }
            else
            {
                for (size_t i = 0; i < run; ++i)
                    current[length++] = '\\';
            }
        }
        else
        {
            startPending();
            current[length++] = c;
            ++p;
        }
    }
    finish();
    ZNFree(current);
}

void ZNSetArguments(int argc, char** argv)
{
    ZNArray<ZNString>& args = ArgList();
    args.Clear();
    for (int i = 0; argv && i < argc; ++i)
        args.Add(ZNString(argv[i] ? argv[i] : ""));
    SetProgramPath(args.Size() ? args[0].CStr() : "");
}

void ZNSetCommandLine(const char* commandLine)
{
    ZNArray<ZNString>& args = ArgList();
    ZNSplitCommandLine(commandLine, args);
    ZNString& arg0 = args[0];
    // Only a drive letter is upper-cased: anything else may name a file on a
    // case-sensitive file system.
    if (arg0.Size() >= 2 && arg0[1] == ':' && arg0[0] >= 'a' && arg0[0] <= 'z')
        arg0[0] = static_cast<char>(arg0[0] - 32);
    for (UINT32 i = 0; i < arg0.Size(); ++i)
        if (arg0[i] == '\\')
            arg0[i] = '/';
    SetProgramPath(arg0.CStr());
}

void ZNSysInit(int argc, char** argv)
{
    if (argc > 0 && argv)
        ZNSetArguments(argc, argv);
    else
        ZNReadOwnArguments();
    ZNInstallCrashHandler(GProgramPath);
}

void ZNSysShutdown()
{
}

UINT32 ZNGetArgCount()
{
    return ArgList().Size();
}

const char* ZNGetArg(UINT32 at)
{
    UINT32 count = ArgList().Size();
    if (ZN_CHECK_FAILED(at >= count))
        return "";
    return ArgList()[at].CStr();
}

UINT32 ZNGetArgLength(UINT32 at)
{
    UINT32 count = ArgList().Size();
    if (ZN_CHECK_FAILED(at >= count))
        return 0;
    return ArgList()[at].Size();
}

const char* ZNGetProgramPath()
{
    return GProgramPath;
}

// ---- shared by the crash handlers -------------------------------------------------

const char* const ZN_CRASH_MESSAGE_HEAD = "The application has crashed.\n\nA dump has been saved to ";
const char* const ZN_CRASH_MESSAGE_TAIL =
    ".\nPlease notify the developers and don't forget to include the file in your message!";

void ZNCrashKeepProgram(const char* programPath, char* program, size_t programSize, char* folder, UINT32 folderSize)
{
    if (!programPath)
        programPath = "";
    snprintf(program, programSize, "%s", programPath);
    ZNPathFolder(folder, programPath, folderSize);
}
