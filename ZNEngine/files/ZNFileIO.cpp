// ZNFileIO: the engine's file layer, the same on every platform; the system
// calls themselves are in ZNFileIO<platform>.cpp.
//
// Streams are opened through ZNOpenFile, which resolves the engine name with
// MakeAbsolutePath itself; the other calls resolve the name here before they
// reach the disk.
#include "files/ZNFileIO.h"

#include "core/ZNRuntime.h"
#include "core/ZNSysPlatform.h"
#include "files/ZNFileIOPlatform.h"

#include <errno.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

namespace
{
const UINT32 ZN_OPEN_READ_TEXT    = ZN_FILE_READ;
const UINT32 ZN_OPEN_READ_BINARY  = ZN_FILE_READ | ZN_FILE_BINARY;
const UINT32 ZN_OPEN_WRITE_BINARY = ZN_FILE_WRITE | ZN_FILE_BINARY;

const UINT32 ZN_REPORT_SIZE = 16384;

inline bool IsSeparator(char c)
{
    return c == '/' || c == '\\';
}

// Appends n bytes (which may include zero bytes) to s.
void AppendBytes(ZNString& s, const char* bytes, UINT32 n)
{
    if (n == 0)
        return;
    UINT32 old = s.Size();
    s.SetLength(old + n);
    memcpy(&s[old], bytes, n);
}

ZNString Substring(const ZNString& s, UINT32 from, UINT32 count)
{
    ZNString out;
    AppendBytes(out, s.CStr() + from, count);
    return out;
}

// Index of the last separator below 'before', or -1.
INT32 LastSeparatorBefore(const ZNString& s, UINT32 before)
{
    const char* t = s.CStr();
    if (before > s.Size())
        before = s.Size();
    for (UINT32 i = before; i > 0; --i)
        if (IsSeparator(t[i - 1]))
            return (INT32)(i - 1);
    return -1;
}

// Reads the rest of the stream straight into a buffer that resize(n) grows
// and at(i) addresses, starting from the file's size (one spare byte tells a
// file that grew meanwhile). Only regular files are read: a device or a pipe
// named as a data file ("/dev/zero" through an include) never ends. Returns
// the byte count, or -1 on a read error, a file that is not regular, or one of
// more than limit bytes (checked before anything is allocated).
template <class Resize, class At>
INT64 ReadStream(FILE* f, UINT64 limit, Resize resize, At at)
{
    ZNPathInfo st;
    if (!ZNFilePlatform::StatStream(f, st) || !st.IsRegular || st.Size < 0 || (UINT64)st.Size > limit)
        return -1;
    if (limit > 0xFFFFFFFEull)
        limit = 0xFFFFFFFEull;
    UINT64 capacity = (UINT64)st.Size + 1;
    UINT64 count    = 0;
    for (;;)
    {
        if (capacity > limit + 1)
            capacity = limit + 1;
        if (count >= capacity)
            return -1;
        resize((UINT32)capacity);
        count += fread(at((UINT32)count), 1, (size_t)(capacity - count), f);
        if (count < capacity)
        {
            if (ferror(f))
                return -1;
            resize((UINT32)count);
            return (INT64)count;
        }
        capacity *= 2;
    }
}

bool StatPath(const char* name, ZNPathInfo& st)
{
    return ZNFilePlatform::Stat(MakeAbsolutePath(name).CStr(), st, true);
}
}

char GDataPath[ZN_DATA_PATH_SIZE];

// ---- opening streams -------------------------------------------------------------------

const char* ZNFileModeString(UINT32 flags)
{
    static const char* const modes[8] = { nullptr, "rt", "wt", "wt+", nullptr, "rb", "wb", "wb+" };
    return flags < 8 ? modes[flags] : nullptr;
}

FILE* ZNOpenFile(const char* path, UINT32 flags)
{
    BREAK_IF(flags > 7);
    const char* mode = ZNFileModeString(flags);
    if (!mode || !path)
        return nullptr;

    ZNString resolved = MakeAbsolutePath(path);
    FILE*    file     = ZNFOpenUTF8(resolved.CStr(), mode);
    if (!file && errno == EPERM)
    {
        char text[256];
        ZNErrorText(EPERM, text, sizeof(text));
        ZNInfoBox(text, resolved.CStr());
    }
    return file;
}

// ---- names ---------------------------------------------------------------------------

ZNString MakeAbsolutePath(const char* path)
{
    if (!path)
        path = "";
    if (ZNFilePlatform::NamesADrive(path))
        return ZNString(path);
    ZNString out(GDataPath);
    out += path;
    ToForwardSlashes(out);
    return out;
}

ZNString MakeAbsolutePath(const ZNString& path)
{
    return MakeAbsolutePath(path.CStr());
}

// ---- whole files -----------------------------------------------------------------------

bool ReadFileToArray(const char* name, ZNPodArray<UINT8>& bytes)
{
    bytes.SetCount(0);
    FILE* f = ZNOpenFile(name, ZN_OPEN_READ_BINARY);
    if (!f)
        return false;
    INT64 got = ReadStream(
        f, 0xFFFFFFFEull, [&](UINT32 n) { bytes.SetCount(n); }, [&](UINT32 i) { return &bytes[i]; });
    fclose(f);
    if (got < 0)
    {
        bytes.SetCount(0);
        return false;
    }
    return true;
}

bool WriteArrayToBinaryFile(const char* name, const ZNPodArray<UINT8>& bytes)
{
    // An empty array is reported like the element access it implies; the
    // file is still written, empty, so nothing on disk is left half-done.
    UINT32 at = 0, count = bytes.Size();
    BREAK_IF(at >= count);

    FILE* f = ZNOpenFile(name, ZN_OPEN_WRITE_BINARY);
    if (!f)
        return false;
    bool ok = count == 0 || fwrite(&bytes[0], 1, count, f) == count;
    ok      = (fclose(f) == 0) && ok;
    return ok;
}

bool ReadTextFile(const char* name, ZNString& text)
{
    text.SetLength(0);
    FILE* f = ZNOpenFile(name, ZN_OPEN_READ_TEXT);
    if (!f)
        return false;
    INT64 got = ReadStream(
        f, ZN_TEXT_FILE_LIMIT, [&](UINT32 n) { text.SetLength(n); }, [&](UINT32 i) { return &text[i]; });
    fclose(f);
    if (got < 0)
    {
        text.SetLength(0);
        return false;
    }

    // Text mode: every CR LF pair becomes LF; a lone CR stays. Files without
    // any CR (the usual case here) are left untouched.
    UINT32      n       = text.Size();
    const char* firstCR = n ? (const char*)memchr(text.CStr(), '\r', n) : nullptr;
    if (firstCR)
    {
        char*  t = &text[0];
        UINT32 w = (UINT32)(firstCR - t);
        for (UINT32 r = w; r < n; ++r)
        {
            if (t[r] == '\r' && r + 1 < n && t[r + 1] == '\n')
                continue;
            t[w++] = t[r];
        }
        text.SetLength(w);
    }
    return true;
}

bool WriteTextFile(const char* name, const ZNString& text)
{
    // Binary: the text goes out as it is (a Windows text stream would turn
    // every LF into CR LF); ReadTextFile reads either.
    FILE* f = ZNOpenFile(name, ZN_OPEN_WRITE_BINARY);
    if (!f)
        return false;
    bool ok = text.Size() == 0 || fwrite(text.CStr(), 1, text.Size(), f) == text.Size();
    ok      = (fclose(f) == 0) && ok;
    return ok;
}

// ---- queries ---------------------------------------------------------------------------

bool FileExists(const char* name)
{
    FILE* f = ZNOpenFile(name, ZN_OPEN_READ_BINARY);
    if (!f)
        return false;
    // POSIX opens directories for reading too; they are not files here.
    ZNPathInfo st;
    bool       isFile = ZNFilePlatform::StatStream(f, st) && !st.IsDirectory;
    fclose(f);
    return isFile;
}

bool PathExists(const char* name)
{
    ZNPathInfo st;
    return StatPath(name, st);
}

bool IsDirectory(const char* name)
{
    ZNPathInfo st;
    return StatPath(name, st) && st.IsDirectory;
}

bool IsFile(const char* name)
{
    ZNPathInfo st;
    return StatPath(name, st) && !st.IsDirectory;
}

INT64 GetFileTime(const char* name)
{
    // Directories have no file time here, as a plain open of one fails on the
    // platform this layer was designed for.
    ZNPathInfo st;
    if (!StatPath(name, st) || st.IsDirectory)
        return 0;
    return st.TimeSeconds;
}

INT64 GetFileTimeNs(const char* name)
{
    ZNPathInfo st;
    if (!StatPath(name, st) || st.IsDirectory)
        return 0;
    return st.TimeNs;
}

// ---- changes ---------------------------------------------------------------------------

namespace
{
// Deletes the tree at an absolute path. Entry names come from the disk and are
// joined to their folder as they are: on POSIX a name may hold a backslash
// ("..\\x" unpacked from a Windows archive), which is one name there, never
// a separator to climb with.
bool DeleteAbsolute(const ZNString& abs)
{
    ZNPathInfo st;
    if (!ZNFilePlatform::Stat(abs.CStr(), st, false))
        return false;
    if (!st.IsDirectory || st.IsLink)
        return ZNFilePlatform::RemoveFile(abs.CStr());

    void* dir = ZNFilePlatform::OpenDirectory(abs.CStr());
    if (!dir)
        return false;
    bool     ok = true;
    ZNString entry;
    while (ok && ZNFilePlatform::NextEntry(dir, entry))
    {
        if (entry == "." || entry == "..")
            continue;
        ZNString child(abs);
        child += "/";
        child += entry;
        ok = DeleteAbsolute(child);
    }
    ZNFilePlatform::CloseDirectory(dir);
    return ok && ZNFilePlatform::RemoveFolder(abs.CStr());
}
}   // namespace

bool DeleteFileOrDirectory(const char* name)
{
    if (!name)
        return false;
    // An empty name is the data folder itself and "." / ".." name a folder
    // that cannot be removed once emptied: refuse them before anything is lost.
    ZNString trimmed(name);
    while (trimmed.Size() > 0 && IsSeparator(trimmed.CStr()[trimmed.Size() - 1]))
        trimmed.SetLength(trimmed.Size() - 1);
    ZNString last = GetFileName(trimmed);
    if (trimmed.Size() == 0 || last == "." || last == "..")
        return false;

    // The name without its trailing separators: lstat on "link/" would
    // resolve the link and the walk would empty the folder it names.
    return DeleteAbsolute(MakeAbsolutePath(trimmed));
}

bool MovePath(const char* from, const char* to, bool replace)
{
    ZNString absFrom = MakeAbsolutePath(from);
    ZNString absTo   = MakeAbsolutePath(to);
    return ZNFilePlatform::Rename(absFrom.CStr(), absTo.CStr(), replace);
}

bool MakeDirectory(const char* name)
{
    return ZNFilePlatform::MakeFolder(MakeAbsolutePath(name).CStr());
}

bool GetCurrentFolder(ZNString& out)
{
    return ZNFilePlatform::CurrentFolder(out);
}

bool NamesADrive(const char* name)
{
    return ZNFilePlatform::NamesADrive(name ? name : "");
}

bool ClimbsOutOfDataFolder(const char* name)
{
    // ".." past the first folder leaves the folder the name is relative to.
    const char*  t     = name ? name : "";
    INT32        depth = 0;
    const UINT32 n     = (UINT32)strlen(t);
    UINT32       start = 0;
    while (start <= n)
    {
        UINT32 end = start;
        while (end < n && !IsSeparator(t[end]))
            ++end;
        UINT32 length = end - start;
        if (length == 2 && t[start] == '.' && t[start + 1] == '.')
        {
            if (--depth < 0)
                return true;
        }
        else if (length > 0 && !(length == 1 && t[start] == '.'))
        {
            ++depth;
        }
        start = end + 1;
    }
    return false;
}

bool ResolveRealPath(const char* path, ZNString& out)
{
    return ZNFilePlatform::RealPath(path ? path : "", out);
}

// ---- directory iteration -----------------------------------------------------------------

ZNDirIterator::ZNDirIterator() : Valid(false), Handle(nullptr)
{
}

ZNDirIterator::~ZNDirIterator()
{
    Close();
}

void ZNDirIterator::Close()
{
    if (Handle)
        ZNFilePlatform::CloseDirectory(Handle);
    Handle = nullptr;
    Valid  = false;
    Entry.SetLength(0);
}

bool ZNDirIterator::FindFirst(const char* dir)
{
    Close();
    ZNString abs = MakeAbsolutePath(DirPath(ZNString(dir ? dir : "")));
    Handle       = ZNFilePlatform::OpenDirectory(abs.CStr());
    if (!Handle)
        return false;
    return FindNext();
}

bool ZNDirIterator::FindNext()
{
    if (!Handle)
        return Valid = false;
    if (!ZNFilePlatform::NextEntry(Handle, Entry))
    {
        Close();
        return false;
    }
    return Valid = true;
}

const ZNString& ZNDirIterator::Name() const
{
    return Entry;
}

ZNString FirstEntryPath(const char* dir)
{
    // The order of entries is the file system's; "." and ".." are skipped so
    // that the answer names something inside the directory.
    ZNDirIterator it;
    for (it.FindFirst(dir); it.Valid; it.FindNext())
    {
        if (it.Name() == "." || it.Name() == "..")
            continue;
        ZNString out(dir);
        out += it.Name();
        return out;
    }
    return ZNString();
}

// ---- path helpers ------------------------------------------------------------------------

void ToForwardSlashes(ZNString& path)
{
    UINT32 n = path.Size();
    if (n == 0)
        return;
    char* t = &path[0];
    for (UINT32 i = 0; i < n; ++i)
        if (t[i] == '\\')
            t[i] = '/';
}

ZNString DirPath(const ZNString& dir)
{
    UINT32 n = dir.Size();
    if (n == 0 || IsSeparator(dir.CStr()[n - 1]))
        return dir;
    ZNString out(dir);
    out += "\\";
    return out;
}

ZNString GetDirectory(const ZNString& path)
{
    INT32 sep = LastSeparatorBefore(path, path.Size());
    return sep < 0 ? ZNString() : Substring(path, 0, (UINT32)sep + 1);
}

ZNString GetFileName(const ZNString& path)
{
    INT32 sep = LastSeparatorBefore(path, path.Size());
    return sep < 0 ? path : Substring(path, (UINT32)sep + 1, path.Size() - (UINT32)sep - 1);
}

ZNString GetParentDirectory(const ZNString& path)
{
    UINT32 n = path.Size();
    if (n == 0)
        return ZNString("../");
    if (n >= 3 && strncmp(path.CStr(), "../", 3) == 0)
    {
        ZNString out(path);
        out += "../";
        return out;
    }
    INT32 sep = LastSeparatorBefore(path, n - 1);
    return sep < 0 ? ZNString() : Substring(path, 0, (UINT32)sep + 1);
}

namespace
{
// Index of the last '.' inside the file-name part of path, or -1. A dot in a
// folder name ("v1.2/readme") is not an extension.
INT32 LastDotInFileName(const ZNString& path, UINT32* nameStart)
{
    INT32  sep   = LastSeparatorBefore(path, path.Size());
    UINT32 start = (UINT32)(sep + 1);
    if (nameStart)
        *nameStart = start;
    const char* t = path.CStr();
    for (UINT32 i = path.Size(); i > start; --i)
        if (t[i - 1] == '.')
            return (INT32)(i - 1);
    return -1;
}
}

ZNString GetExtension(const ZNString& path)
{
    UINT32 start = 0;
    INT32  dot   = LastDotInFileName(path, &start);
    if (dot < 0 || (UINT32)dot == start)
        return ZNString();
    return Substring(path, (UINT32)dot + 1, path.Size() - (UINT32)dot - 1);
}

ZNString ReplaceExtension(const ZNString& path, const char* ext)
{
    INT32 dot = LastDotInFileName(path, nullptr);
    if (dot < 0)
        return path;
    ZNString out = Substring(path, 0, (UINT32)dot + 1);
    out += ext ? ext : "";
    return out;
}

ZNString Quote(const ZNString& text)
{
    ZNString out("\"");
    out += text;
    out += "\"";
    return out;
}

ZNString Unquote(const ZNString& text)
{
    UINT32      n      = text.Size();
    const char* t      = text.CStr();
    bool        quoted = n >= 1 && t[0] == '"' && t[n - 1] == '"';
    if (!quoted)
        return text;
    // A lone quote character or an empty pair of quotes holds nothing.
    if (n <= 2)
        return ZNString();
    return Substring(text, 1, n - 2);
}

// The check below reports the expression exactly as it reads here.
#define ZN_T(x) x
#define _T ZN_T

ZNString MakeRelativePath(const ZNString& file, const ZNString& base)
{
    if (file.Size() > 0)
    {
        // The check reports its text as written, spaces included.
        // clang-format off
        BREAK_IF(file[ file.Size() - 1 ] == _T('/') || file[ file.Size() - 1 ] == _T('\\'));
        // clang-format on
    }

    ZNString absFile = MakeAbsolutePath(file);
    ZNString absBase = MakeAbsolutePath(base);
    ToForwardSlashes(absFile);
    ToForwardSlashes(absBase);
    if (absBase.Size() == 0 || absBase.CStr()[absBase.Size() - 1] != '/')
        absBase += "/";

    const char* f = absFile.CStr();
    const char* b = absBase.CStr();
    UINT32      n = 0;
    while (f[n] && b[n] && f[n] == b[n])
        ++n;
    if (n == 0)
        return ZNString();
    // Only whole folder names are shared: "a/bc/x" against "a/b/" shares "a/",
    // not "a/b".
    while (n > 0 && b[n - 1] != '/')
        --n;

    ZNString out;
    for (const char* p = b + n; *p; ++p)
        if (*p == '/')
            out += "../";
    out += f + n;
    return out;
}

#undef _T
#undef ZN_T

// ---- text with includes ----------------------------------------------------------------

namespace
{
// One file being expanded: its engine name and the name it has on disk with
// links resolved, so that two spellings of one file are recognised.
struct IncludeFrame
{
    ZNString Name;
    ZNString Canonical;
};

ZNString CanonicalName(const char* name)
{
    ZNString abs = MakeAbsolutePath(name);
    ZNString out;
    return ZNFilePlatform::RealPath(abs.CStr(), out) ? out : abs;
}

bool LoadIncludes(const char* name, ZNString& text, ZNArray<IncludeFrame>& stack)
{
    ZNString source;
    if (!ReadTextFile(name, source))
    {
        if (stack.Size() == 0)
            PrintStdout("Cannot read the file '%s'\n", name);
        return false;
    }

    IncludeFrame frame;
    frame.Name      = name;
    frame.Canonical = CanonicalName(name);
    for (UINT32 i = 0; i < stack.Size(); ++i)
    {
        if (stack[i].Canonical == frame.Canonical)
        {
            ZNString cycle;
            for (UINT32 j = i; j < stack.Size(); ++j)
            {
                cycle += stack[j].Name;
                cycle += " -> ";
            }
            cycle += name;
            PrintStdout("Include cycle refused: %s\n", cycle.CStr());
            return false;
        }
    }
    stack.Add(frame);

    ZNString directory = GetDirectory(ZNString(name));
    ZNString out;
    out.Reserve(source.Size() + 1);

    const char* t          = source.CStr();
    UINT32      n          = source.Size();
    UINT32      lineStart  = 0;
    UINT32      lineNumber = 1;
    bool        ok         = true;
    while (lineStart < n && ok)
    {
        UINT32 lineEnd = lineStart;
        while (lineEnd < n && t[lineEnd] != '\n')
            ++lineEnd;

        ZNIncludeLine include;
        // The quoted name must be on this line: a quote further down belongs
        // to other text.
        if (ParseIncludeLine(t, lineStart, lineEnd, include))
        {
            if (!include.Quoted)
            {
                PrintStdout("%s(%u): #include without a quoted file name\n", name, lineNumber);
                ok = false;
                break;
            }
            ZNString included(directory);
            AppendBytes(included, t + include.NameStart, include.NameEnd - include.NameStart);
            // An include reads from the data folder only: a name that climbs
            // out of it or names a drive would read any file on the machine.
            if (ZNFilePlatform::NamesADrive(included.CStr()) || ClimbsOutOfDataFolder(included.CStr()))
            {
                PrintStdout("%s(%u): the included file '%s' is outside the data folder\n", name, lineNumber,
                            included.CStr());
                ok = false;
                break;
            }

            ZNString expanded;
            if (!LoadIncludes(included.CStr(), expanded, stack))
            {
                if (!FileExists(included.CStr()))
                    PrintStdout("%s(%u): cannot read the included file '%s'\n", name, lineNumber, included.CStr());
                ok = false;
                break;
            }
            out += expanded;
            // A text with its includes is held to the size of one text file,
            // so a file included many times over cannot grow it without end.
            if (out.Size() > ZN_TEXT_FILE_LIMIT)
            {
                PrintStdout("%s(%u): the text with its includes passes %u MiB\n", name, lineNumber,
                            (unsigned)(ZN_TEXT_FILE_LIMIT >> 20));
                ok = false;
                break;
            }
        }
        else
        {
            AppendBytes(out, t + lineStart, lineEnd - lineStart);
        }
        if (lineEnd < n)
            out += "\n";
        lineStart = lineEnd + 1;
        ++lineNumber;
    }

    stack.RemoveAt(stack.Size() - 1);
    if (ok)
        text = out;
    return ok;
}
}

bool ParseIncludeLine(const char* text, UINT32 lineStart, UINT32 quoteLimit, ZNIncludeLine& line)
{
    line.NameStart = 0;
    line.NameEnd   = 0;
    line.Quoted    = false;
    // Blanks and words never hold a line feed, so the word ends on its line
    // whichever limit is given.
    UINT32 p = lineStart;
    while (p < quoteLimit && (text[p] == ' ' || text[p] == '\t'))
        ++p;
    const UINT32 wordStart = p;
    while (p < quoteLimit && (unsigned char)text[p] > ' ' && (unsigned char)text[p] < 127)
        ++p;
    if (p - wordStart != 8 || memcmp(text + wordStart, "#include", 8) != 0)
        return false;

    // p is past the word's last character, so text[i - 1] is always there.
    UINT32 open = p;
    while (open < quoteLimit && !(text[open] == '"' && text[open - 1] != '\\'))
        ++open;
    UINT32 close = open + 1;
    while (close < quoteLimit && !(text[close] == '"' && text[close - 1] != '\\'))
        ++close;
    if (open < quoteLimit && close < quoteLimit)
    {
        line.NameStart = open + 1;
        line.NameEnd   = close;
        line.Quoted    = true;
    }
    return true;
}

bool LoadTextWithIncludes(const char* name, ZNString& text)
{
    ZNArray<IncludeFrame> stack;
    return LoadIncludes(name ? name : "", text, stack);
}

// ---- reports -------------------------------------------------------------------------------

void ZNFatalErrorLog(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    FILE* log = fopen("error.log", "a");
    if (log)
    {
        va_list copy;
        va_copy(copy, args);
        vfprintf(log, format, copy);
        va_end(copy);
        fclose(log);
    }
    char text[ZN_REPORT_SIZE];
    vsnprintf(text, sizeof(text), format, args);
    va_end(args);
    ZNFatalError(text, "Error!");
}

void PrintStdout(const char* format, ...)
{
    char    text[ZN_REPORT_SIZE];
    va_list args;
    va_start(args, format);
    vsnprintf(text, sizeof(text), format, args);
    va_end(args);
    fputs(text, stdout);
    fflush(stdout);
}
