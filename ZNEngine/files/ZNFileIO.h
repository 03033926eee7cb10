// ZNFileIO: the engine's file system layer.
//
// Every engine file name is relative to the data path GDataPath unless, on
// Windows, it carries a drive letter ("C:..."); names use '/' and may also
// contain '\\', which this layer turns into '/' before it reaches the disk.
// Names read from the disk are never parsed again: they are joined to their
// folder as they are. Operations keep no state and may run on any thread.
//
//   ReadFileToArray("Textures/a.png.mips", bytes)   whole-file binary read
//   ReadTextFile("Shaders/Sky.shd", text)           text mode: CR LF becomes LF
//   LoadTextWithIncludes(name, text)                expands "#include" lines
//
// Failures report false (or 0 / an empty string) and never touch memory
// outside the buffers given. ZNFatalErrorLog is the engine's fatal report:
// appended to "error.log" in the current directory, then a box captioned
// "Error!", then exit code 0xBADDC0DE.
#pragma once

#include "core/ZNAssert.h"
#include "core/ZNTemplate.h"

#include <stdio.h>

// ---- the data path ---------------------------------------------------------

#define ZN_DATA_PATH_SIZE 260

// Put in front of every engine file name without a drive letter. It starts
// empty (names are then relative to the current directory); ZNSetDataPath
// (files/ZNDataPath.h) sets it at start-up. Always a terminated path shorter
// than ZN_DATA_PATH_SIZE.
extern char GDataPath[ZN_DATA_PATH_SIZE];

// ---- names --------------------------------------------------------------

// On Windows a name with a drive letter ("C:...", more than 2 characters)
// comes back unchanged (on POSIX it is an ordinary name); any other name gets GDataPath directly in front (no separator is
// added: the data path carries its own) and every '\\' of it becomes '/'.
ZNString MakeAbsolutePath(const char* path);
ZNString MakeAbsolutePath(const ZNString& path);

// ---- opening streams -------------------------------------------------------

enum ZNFileFlags : UINT32
{
    ZN_FILE_READ   = 1,
    ZN_FILE_WRITE  = 2,
    ZN_FILE_BINARY = 4,
};

// Mode string of flags 0..7 ("rt", "wt", "wt+", "rb", "wb", "wb+"), or null
// for 0, 4 and anything above 7.
const char* ZNFileModeString(UINT32 flags);

// Opens an engine file name (resolved with MakeAbsolutePath) with the mode of
// flags, for the stream wrappers of core/ZNRuntime.h. It never touches the
// disk for flags without the read and write bits (0, 4) or above 7. Null when
// nothing can be opened; an open refused with EPERM first
// shows the runtime's error text in an information box captioned with the
// resolved path. Flags above 7 also report "flags > 7".
FILE* ZNOpenFile(const char* path, UINT32 flags);

// ---- whole files ----------------------------------------------------------

// Text files (shaders, materials, fonts, console scripts) larger than this are
// refused by ReadTextFile before anything is allocated.
#define ZN_TEXT_FILE_LIMIT (16u << 20)

// Binary read of the whole file. False when it cannot be opened or read, when
// it is not a regular file (a device, a pipe, a folder) or larger than 4 GiB;
// an empty file gives an empty array and true.
bool ReadFileToArray(const char* name, ZNPodArray<UINT8>& bytes);
// Creates or replaces the file with the bytes. An empty array reports
// "at >= count" and then writes an empty file. False when it cannot be written.
bool WriteArrayToBinaryFile(const char* name, const ZNPodArray<UINT8>& bytes);
// Empties text, then reads the file in text mode (every CR LF becomes LF).
// False when the file cannot be opened or read, is not a regular file, or is
// larger than ZN_TEXT_FILE_LIMIT.
bool ReadTextFile(const char* name, ZNString& text);
// Creates or replaces the file with the text as it is. False when it cannot be written.
bool WriteTextFile(const char* name, const ZNString& text);

// ---- queries ----------------------------------------------------------------

bool  FileExists(const char* name);    // can be opened for binary reading
bool  PathExists(const char* name);    // a file or a directory is there
bool  IsDirectory(const char* name);   // exists and is a directory
bool  IsFile(const char* name);        // exists and is not a directory
// Last-write time in seconds since 1970-01-01 (UTC); 0 when it cannot be queried.
INT64 GetFileTime(const char* name);
// Last-write time in nanoseconds since 1970-01-01 (UTC), as finely as the file
// system records it; 0 when it cannot be queried. Change checks compare these,
// as two writes within one second share their time in seconds.
INT64 GetFileTimeNs(const char* name);

// ---- changes ----------------------------------------------------------------

// Deletes a file, or a directory after deleting everything inside it
// (recursively). Symbolic links are removed, never followed. The first entry
// that cannot be deleted stops the walk: the directory then stays and the
// result is false.
bool DeleteFileOrDirectory(const char* name);
// Renames or moves a file or directory within one file system. Like the
// platform it was designed on, it refuses to replace an existing destination
// (false) unless replace is set; then an existing file is replaced atomically
// (readers see the old or the new file, never a mix).
bool MovePath(const char* from, const char* to, bool replace = false);
// Creates one directory level. False when it exists already or cannot be made.
bool MakeDirectory(const char* name);

// The name on disk of a path as the system takes it (not an engine name), with
// links resolved; false when it does not exist.
bool ResolveRealPath(const char* path, ZNString& out);
// The process's current folder, absolute (on Windows with '/' separators).
bool GetCurrentFolder(ZNString& out);
// True when a name carries a drive letter (Windows only; never on POSIX).
bool NamesADrive(const char* name);
// True when an engine name climbs out of the data folder ("a/../../x").
bool ClimbsOutOfDataFolder(const char* name);

// ---- directory iteration ------------------------------------------------------

// Lists the entries of a directory, "." and ".." included, in the order the
// file system gives them:
//   ZNDirIterator it;
//   for (it.FindFirst("Shaders"); it.Valid; it.FindNext()) use(it.Name());
class ZNDirIterator
{
public:
    bool Valid;   // an entry is current
private:
    void*    Handle;   // the open directory stream (DIR*), null when none
    ZNString Entry;    // name of the current entry

public:
    ZNDirIterator();
    ~ZNDirIterator();
    ZNDirIterator(const ZNDirIterator&)            = delete;
    ZNDirIterator& operator=(const ZNDirIterator&) = delete;

    // Starts listing dir (an engine name); any earlier listing is closed.
    // Returns Valid.
    bool            FindFirst(const char* dir);
    // Moves to the next entry; returns Valid.
    bool            FindNext();
    // The current entry's name, or "" when not valid.
    const ZNString& Name() const;
    // Ends the listing early.
    void            Close();
};

// dir + the name of the first entry the directory lists, or "" when there is none.
ZNString FirstEntryPath(const char* dir);

// ---- path helpers (pure string functions) ------------------------------------------

void     ToForwardSlashes(ZNString& path);     // in place: '\\' -> '/'
ZNString DirPath(const ZNString& dir);         // "" stays; adds "\\" unless it ends in a separator
ZNString GetDirectory(const ZNString& path);   // up to and including the last separator, or ""
ZNString GetFileName(const ZNString& path);    // after the last separator, or the whole path
// "" gives "../"; a path starting with "../" gets "../" appended; otherwise up
// to and including the last separator before the final character, or "".
ZNString GetParentDirectory(const ZNString& path);
ZNString GetExtension(const ZNString& path);                        // after the last '.', "" when none past index 0
ZNString ReplaceExtension(const ZNString& path, const char* ext);   // keeps the '.', unchanged without one
ZNString Quote(const ZNString& text);                               // "text"
// Drops the surrounding quotes of a text longer than 2 that starts and ends
// with '"'; a text of 2 characters or fewer becomes ""; anything else is unchanged.
ZNString Unquote(const ZNString& text);
// The path of file relative to the directory base (both engine names), with
// '/' separators: "../" once per directory of base below the common prefix,
// then the rest of file. "" when the two share no prefix. A file name that
// ends in a separator is reported as a broken invariant.
ZNString MakeRelativePath(const ZNString& file, const ZNString& base);

// ---- text with includes ----------------------------------------------------------

// Reads a text file and replaces every line whose first word is "#include" by
// the expanded text of the file named in the quoted string on that line
// (relative to the including file's directory). False, with a note on standard
// output naming the files concerned, when a file cannot be read, an include
// line has no quoted name, an include climbs out of the data folder (or names
// a drive), the files include each other in a cycle, or the expanded text
// passes ZN_TEXT_FILE_LIMIT.
bool LoadTextWithIncludes(const char* name, ZNString& text);

// Where an "#include" line names its file: the name lies in [NameStart,
// NameEnd), NameEnd being the closing quote.
struct ZNIncludeLine
{
    UINT32 NameStart;   // first character after the opening quote
    UINT32 NameEnd;     // the closing quote
    bool   Quoted;      // both quotes were found before the search limit
};

// The one reader of include lines, for every expander of them. True when the
// first word of the line at text[lineStart] (after spaces and tabs; a word is
// a run of printable, non-blank characters) is exactly "#include". The name
// is then looked for after the word, between the next two double quotes not
// preceded by a backslash, up to quoteLimit (nothing at or past it is read):
// the end of the line when the name must stand on it, the end of the text
// when it may follow on a later line.
bool ParseIncludeLine(const char* text, UINT32 lineStart, UINT32 quoteLimit, ZNIncludeLine& line);

// ---- reports -------------------------------------------------------------------------

// Appends the formatted text to "error.log" in the current directory, then
// shows it (at most 16384 characters) in a box captioned "Error!" and ends
// the process with 0xBADDC0DE.
[[noreturn]] void ZNFatalErrorLog(const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;

// Formats (at most 16384 characters) and writes to standard output.
void PrintStdout(const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;

// ---- conveniences for callers holding ZNStrings -------------------------------------------

inline bool ReadFileToArray(const ZNString& n, ZNPodArray<UINT8>& b)
{
    return ReadFileToArray(n.CStr(), b);
}
inline bool WriteArrayToBinaryFile(const ZNString& n, const ZNPodArray<UINT8>& b)
{
    return WriteArrayToBinaryFile(n.CStr(), b);
}
inline bool ReadTextFile(const ZNString& n, ZNString& t)
{
    return ReadTextFile(n.CStr(), t);
}
inline bool WriteTextFile(const ZNString& n, const ZNString& t)
{
    return WriteTextFile(n.CStr(), t);
}
inline bool FileExists(const ZNString& n)
{
    return FileExists(n.CStr());
}
inline bool PathExists(const ZNString& n)
{
    return PathExists(n.CStr());
}
inline bool IsDirectory(const ZNString& n)
{
    return IsDirectory(n.CStr());
}
inline bool IsFile(const ZNString& n)
{
    return IsFile(n.CStr());
}
inline INT64 GetFileTime(const ZNString& n)
{
    return GetFileTime(n.CStr());
}
inline INT64 GetFileTimeNs(const ZNString& n)
{
    return GetFileTimeNs(n.CStr());
}
inline bool DeleteFileOrDirectory(const ZNString& n)
{
    return DeleteFileOrDirectory(n.CStr());
}
inline bool MovePath(const ZNString& f, const ZNString& t, bool r = false)
{
    return MovePath(f.CStr(), t.CStr(), r);
}
inline bool MakeDirectory(const ZNString& n)
{
    return MakeDirectory(n.CStr());
}
inline ZNString FirstEntryPath(const ZNString& d)
{
    return FirstEntryPath(d.CStr());
}
inline bool LoadTextWithIncludes(const ZNString& n, ZNString& t)
{
    return LoadTextWithIncludes(n.CStr(), t);
}
