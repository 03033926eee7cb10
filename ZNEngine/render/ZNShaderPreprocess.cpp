#include "render/ZNShaderPreprocess.h"

#include "files/ZNFileIO.h"
#include "window/ZNGLTable.h"

#include <stdio.h>
#include <string.h>

#include <atomic>

#ifdef __EMSCRIPTEN__
// WebGL2 takes GLSL ES 3.00: its version line, precision for both stages
// (high in both, as a uniform both stages declare must agree), and the colour
// outputs at fixed locations, as ES has no BindFragDataLocation (WebGL2
// promises four draw buffers).
#define ZN_SHADER_VERSION_LINE "#version 300 es\n"
const char* const ZN_SHADER_VERSION_TEXT = ZN_SHADER_VERSION_LINE
    "precision highp float;\nprecision highp int;\nprecision highp sampler2D;\nprecision highp sampler3D;\n"
    "precision highp samplerCube;\nprecision highp sampler2DShadow;\n#line 11111 0\n";
#define ZN_FRAG_DATA(n) "layout(location = " #n ") out vec4 GLFragData" #n ";\n"
#define ZN_FRAG_DATA_MORE
#else
#define ZN_SHADER_VERSION_LINE "#version 150\n"
const char* const ZN_SHADER_VERSION_TEXT = ZN_SHADER_VERSION_LINE "#line 11111 0\n";
#define ZN_FRAG_DATA(n) "out vec4 GLFragData" #n ";\n"
#define ZN_FRAG_DATA_MORE ZN_FRAG_DATA(4) ZN_FRAG_DATA(5) ZN_FRAG_DATA(6) ZN_FRAG_DATA(7)
#endif
const char* const ZN_SHADER_DEFINES_LINE = "#line 22222 0\n";

const char* const ZN_VERTEX_PROLOGUE = "#define VSHADER\n"
                                       "#define varying out\n"
                                       "#define MAX_INSTANCE_COUNT 16\n"
                                       "#define MAX_BONE_COUNT 64\n"
                                       "uniform mat4 ZN_mView;\n"
                                       "uniform mat4 ZN_mProj;\n"
                                       "in vec4 GLVertex;\n"
                                       "in vec3 GLNormal;\n"
                                       "in vec4 GLTangent;\n"
                                       "in vec4 GLColor;\n"
                                       "in vec4 GLBlendIndices;\n"
                                       "in vec4 GLBlendWeights;\n"
                                       "in vec4 GLTexCoord0;\n"
                                       "in vec4 GLTexCoord1;\n"
                                       "\n";

const char* const ZN_PIXEL_PROLOGUE =
    "#define PSHADER\n"
    "#define varying in\n" ZN_FRAG_DATA(0) ZN_FRAG_DATA(1) ZN_FRAG_DATA(2) ZN_FRAG_DATA(3) ZN_FRAG_DATA_MORE "\n";

static void Append(ZNString& s, const char* text)
{
    s.Insert(s.Size(), ZNString(text));
}
static void Append(ZNString& s, const ZNString& text)
{
    s.Insert(s.Size(), text);
}

static bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}
static bool IsSeparator(char c)
{
    return c == '/' || c == '\\';
}

// Lexical form of a path for recognising the same file under two spellings
// ("Shaders/./b.h", "Shaders/x/../b.h", backslashes).
static ZNString NormalizePath(const ZNString& path)
{
    ZNArray<ZNString> parts;
    ZNString          part;
    const UINT32      n = path.Size();
    for (UINT32 i = 0; i <= n; ++i)
    {
        const char c = i < n ? path[i] : '/';
        if (!IsSeparator(c))
        {
            part.Insert(part.Size(), c);
            continue;
        }
        if (part.Size() == 0 || strcmp(part.CStr(), ".") == 0)
        {
            // empty or "." segment: nothing
        }
        else if (strcmp(part.CStr(), "..") == 0 && parts.Size() > 0 && strcmp(parts.Last().CStr(), "..") != 0)
            parts.Remove(parts.Size() - 1, parts.Size() - 1);
        else
            parts.Add(part);
        part = ZNString("");
    }
    ZNString out;
    for (UINT32 i = 0; i < parts.Size(); ++i)
    {
        if (i)
            Append(out, "/");
        Append(out, parts[i]);
    }
    return out;
}

namespace
{
enum ZNPreprocessResult
{
    PP_Ok,
    PP_Failed,    // a file missing or unreadable
    PP_Refused,   // an include cycle or nesting too deep
};

// Files being expanded, outermost first: the include chain of the current file;
// the texts read so far (a file included again is not read again); and the
// size of the expansion, which is bounded.
struct ZNIncludeChain
{
    ZNArray<ZNString>         Paths;       // as named, for messages
    ZNArray<ZNString>         Keys;        // normalized, for comparison
    ZNMap<ZNString, ZNString> Texts;       // normalized name -> file text
    UINT64                    Total = 0;   // bytes of file text expanded so far
};
}

static void NotFound(const ZNString& path, ZNString& output)
{
    output = ZNString("File ");
    Append(output, path);
    Append(output, " was not found");
}

static ZNPreprocessResult PreprocessFile(const ZNString& path, ZNString& output, ZNArray<ZNString>& files,
                                         ZNIncludeChain& chain);

// Appends text[from, to) to out.
static void AppendRange(ZNString& out, const ZNString& text, UINT32 from, UINT32 to)
{
    if (to > from)
        out.Insert(out.Size(), text.CStr() + from, to - from);
}

// Expands the text of file k (path) into result, every piece appended once, so
// the work grows with the expanded size only; false with result set to the
// message on failure.
static ZNPreprocessResult ExpandIncludes(const ZNString& path, UINT32 k, const ZNString& text, ZNString& result,
                                         ZNArray<ZNString>& files, ZNIncludeChain& chain)
{
    const ZNString dir = GetDirectory(path);
    ZNString       out;
    UINT32         line = 1;
    UINT32         pos  = 0;
    while (pos < text.Size())
    {
        const UINT32  lineStart = pos;
        ZNIncludeLine include;
        // The name lies between the next two unescaped quotes, wherever they are.
        if (ParseIncludeLine(text.CStr(), lineStart, text.Size(), include))
        {
            ZNString name;
            if (include.Quoted)
            {
                text.Mid(include.NameStart, include.NameEnd - include.NameStart, name);
                // The directive and the name are replaced; the rest of the line stays.
                pos = include.NameEnd + 1;
            }

            ZNString first, second;
            ZNString inDir(dir);
            Append(inDir, name);
            const ZNPreprocessResult r1       = PreprocessFile(inDir, first, files, chain);
            ZNPreprocessResult       r        = r1;
            ZNString*                included = &first;
            // A refusal (cycle, depth, size) is final: trying the bare name as
            // well would only repeat the same chain, once more per nesting level.
            if (r1 == PP_Failed)
            {
                r        = PreprocessFile(name, second, files, chain);
                included = &second;
            }
            if (r != PP_Ok)
            {
                result = ZNString("In included file ");
                Append(result, name);
                Append(result, ":\n");
                Append(result, *included);
                return r;
            }
            Append(out, *included);
            // The directive stands on a line of its own, so that it names the
            // line after it (what was left of the include line) the way every
            // other directive here does, and one probed shift fits them all.
            char back[64];
            snprintf(back, sizeof(back), "\n#line %u %u\n", static_cast<unsigned>(line), static_cast<unsigned>(k));
            Append(out, back);
        }
        else
            pos = lineStart;
        UINT32 end = pos;
        while (end < text.Size() && text[end] != '\n')
            ++end;
        if (end < text.Size())
            ++end;
        AppendRange(out, text, pos, end);
        pos = end;
        ++line;
    }
    result = static_cast<ZNString&&>(out);
    return PP_Ok;
}

static ZNPreprocessResult PreprocessFile(const ZNString& path, ZNString& output, ZNArray<ZNString>& files,
                                         ZNIncludeChain& chain)
{
    // An empty name or a folder is never a shader file (reading a folder would
    // quietly give an empty text on some systems).
    if (path.Size() == 0 || IsSeparator(path[path.Size() - 1]))
    {
        NotFound(path, output);
        return PP_Failed;
    }
    // An include reads from the data folder only: a name that climbs out of
    // it or names a drive would read any file on the machine.
    if (chain.Keys.Size() > 0 && (NamesADrive(path.CStr()) || ClimbsOutOfDataFolder(path.CStr())))
    {
        output = ZNString("Include outside the data folder refused: ");
        Append(output, path);
        return PP_Refused;
    }
    const ZNString key = NormalizePath(path);
    for (UINT32 i = 0; i < chain.Keys.Size(); ++i)
    {
        if (strcmp(chain.Keys[i].CStr(), key.CStr()) != 0)
            continue;
        output = ZNString("Include cycle: ");
        for (UINT32 j = i; j < chain.Paths.Size(); ++j)
        {
            Append(output, chain.Paths[j]);
            Append(output, " -> ");
        }
        Append(output, path);
        return PP_Refused;
    }
    if (chain.Keys.Size() >= ZN_SHADER_MAX_INCLUDE_DEPTH)
    {
        char text[96];
        snprintf(text, sizeof(text), "Includes nested deeper than %u levels at ",
                 static_cast<unsigned>(ZN_SHADER_MAX_INCLUDE_DEPTH));
        output = ZNString(text);
        Append(output, path);
        return PP_Refused;
    }

    // A file included again is taken from the texts already read.
    const ZNString* known = nullptr;
    if (auto* node = chain.Texts.Find(key))
        known = &node->value;
    else
    {
        ZNString read;
        if (!ReadTextFile(path, read))
        {
            NotFound(path, output);
            return PP_Failed;
        }
        known = &chain.Texts.Insert(key, static_cast<ZNString&&>(read))->value;
    }
    const ZNString text(*known);
    // Every expansion counts, repeated ones included, with room for its two
    // line directives: that bounds what a small (even empty) file included
    // many times, at many levels, can make.
    chain.Total += text.Size() + 32;
    if (chain.Total > ZN_SHADER_MAX_EXPANDED_SIZE)
    {
        char limit[128];
        snprintf(limit, sizeof(limit), "The expanded shader text passes %u MiB at ",
                 static_cast<unsigned>(ZN_SHADER_MAX_EXPANDED_SIZE >> 20));
        output = ZNString(limit);
        Append(output, path);
        Append(output, " (too many includes)");
        return PP_Refused;
    }
    const UINT32 k = files.Size();
    files.Add(path);

    chain.Paths.Add(path);
    chain.Keys.Add(key);
    ZNString                 expanded;
    const ZNPreprocessResult r = ExpandIncludes(path, k, text, expanded, files, chain);
    chain.Paths.Remove(chain.Paths.Size() - 1, chain.Paths.Size() - 1);
    chain.Keys.Remove(chain.Keys.Size() - 1, chain.Keys.Size() - 1);
    if (r != PP_Ok)
    {
        output = static_cast<ZNString&&>(expanded);
        return r;
    }

    char head[48];
    snprintf(head, sizeof(head), "#line 1 %u\n", static_cast<unsigned>(k));
    output = ZNString(head);
    Append(output, expanded);
    return PP_Ok;
}

bool PreprocessShaderFile(const ZNString& path, ZNString& output, ZNArray<ZNString>& files)
{
    ZNIncludeChain chain;
    return PreprocessFile(path, output, files, chain) == PP_Ok;
}

ZNString BuildShaderCompileText(bool vertexStage, const ZNString& text)
{
    ZNString out(ZN_SHADER_VERSION_TEXT);
    Append(out, vertexStage ? ZN_VERTEX_PROLOGUE : ZN_PIXEL_PROLOGUE);
    Append(out, ZN_SHADER_DEFINES_LINE);
    Append(out, text);
    return out;
}

// Reads the decimal number at 'at'; false when there is none.
static bool ReadNumber(const ZNString& text, UINT32 at, UINT32& end, INT64& value)
{
    value = 0;
    end   = at;
    while (end < text.Size() && IsDigit(text[end]) && value < 1000000000)
        value = value * 10 + (text[end++] - '0');
    return end > at;
}

void RewriteShaderLog(ZNString& log, const ZNArray<ZNString>& files, INT32 lineShift)
{
    UINT32 i = 1;
    while (i + 1 < log.Size())
    {
        const char c = log[i];
        if (!((c == ':' || c == '(') && IsDigit(log[i - 1]) && IsDigit(log[i + 1])))
        {
            ++i;
            continue;
        }
        UINT32 start = i - 1;
        while (start > 0 && IsDigit(log[start - 1]))
            --start;
        UINT64 n = 0;
        for (UINT32 d = start; d < i && n < 0xFFFFFFFFull; ++d)
            n = n * 10 + static_cast<UINT64>(log[d] - '0');
        if (n >= files.Size())
        {
            ++i;
            continue;
        }
        const ZNString& path = files[static_cast<UINT32>(n)];
        log.Remove(start, i - 1);
        log.Insert(start, path);
        i = start + path.Size();
        // The line number right after the path, in the file's own numbering.
        UINT32 end;
        INT64  lineNo;
        if (lineShift != 0 && ReadNumber(log, i + 1, end, lineNo) && lineNo - lineShift >= 0)
        {
            char fixed[24];
            snprintf(fixed, sizeof(fixed), "%lld", static_cast<long long>(lineNo - lineShift));
            log.Remove(i + 1, end - 1);
            log.Insert(i + 1, fixed);
        }
        // Step over the location that follows ("(5)", ":5(10):"), so a line or
        // column number is never taken for another file index.
        while (i < log.Size() && (IsDigit(log[i]) || log[i] == ':' || log[i] == '(' || log[i] == ')'))
            ++i;
        if (i == 0)
            i = 1;
    }
}

INT32 GetLineDirectiveShift()
{
    // Drivers differ, and the answer cannot change within a process. Threads
    // with contexts of their own may probe at the same time: each stores the
    // same answer.
    static std::atomic<INT32> known(-1);
    const INT32               cached = known.load(std::memory_order_acquire);
    if (cached >= 0 || !TGCurGLTable)
        return cached < 0 ? 0 : cached;
    INT32         shift   = 0;
    const GLuint  probe   = TGCurGLTable->CreateShader(GL_FRAGMENT_SHADER);
    const GLchar* text[1] = { ZN_SHADER_VERSION_LINE "#line 100 0\nprobe error;\n" };
    TGCurGLTable->ShaderSource(probe, 1, text, nullptr);
    TGCurGLTable->CompileShader(probe);
    char    log[512] = {};
    GLsizei written  = 0;
    TGCurGLTable->GetShaderInfoLog(probe, sizeof(log) - 1, &written, log);
    TGCurGLTable->DeleteShader(probe);
    // The first "0:<n>" or "0(<n>" names the probe's line; it was told 100.
    const ZNString reported(log);
    for (UINT32 i = 0; i + 2 < reported.Size(); ++i)
    {
        UINT32 end;
        INT64  n;
        if (reported[i] == '0' && (i == 0 || !IsDigit(reported[i - 1])) &&
            (reported[i + 1] == ':' || reported[i + 1] == '(') && ReadNumber(reported, i + 2, end, n))
        {
            if (n == 101)
                shift = 1;
            break;
        }
    }
    known.store(shift, std::memory_order_release);
    return shift;
}

ZNString ReadGLInfoLog(UINT32 object, bool program, const char* noLogError)
{
    GladGLContext*                  gl        = TGCurGLTable;
    const PFNGLGETSHADERIVPROC      getLength = program ? gl->GetProgramiv : gl->GetShaderiv;
    const PFNGLGETSHADERINFOLOGPROC getLog    = program ? gl->GetProgramInfoLog : gl->GetShaderInfoLog;
    GLint                           length    = 0;
    getLength(object, GL_INFO_LOG_LENGTH, &length);
    if (length < 1)
        ZNFatalErrorLog("%s", noLogError);
    char*   buffer  = static_cast<char*>(ZNAlloc(static_cast<size_t>(length) + 1));
    GLsizei written = 0;
    getLog(object, length, &written, buffer);
    if (written < 0 || written >= length)
        written = length - 1;
    buffer[written] = 0;
    ZNString log(buffer);
    ZNFree(buffer);
    return log;
}

void printShaderInfoLog(UINT32 shader, const ZNArray<ZNString>& files, ZNString& output)
{
    ZNString log = ReadGLInfoLog(shader, false, "Double error in printShaderInfoLog: can't get error description");
    RewriteShaderLog(log, files, GetLineDirectiveShift());
    output = log;
}
