#include "ResourcesTestUtil.h"

#include <dirent.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

namespace
{

std::mutex                GDialogMutex;
std::vector<std::string>  GDialogs;

bool RecordDialog(ZNDialogKind, const char* text, const char* caption)
{
    std::lock_guard<std::mutex> lock(GDialogMutex);
    GDialogs.push_back(std::string(caption ? caption : "") + "|" + (text ? text : ""));
    return false;
}

void RemoveTree(const std::string& path)
{
    DIR* dir = opendir(path.c_str());
    if (dir)
    {
        while (dirent* e = readdir(dir))
        {
            std::string name = e->d_name;
            if (name != "." && name != "..")
                RemoveTree(path + "/" + name);
        }
        closedir(dir);
        rmdir(path.c_str());
    }
    else
        unlink(path.c_str());
}

} // namespace

DialogRecorder::DialogRecorder()
{
    Clear();
    Previous = ZNSetDialogHandler(RecordDialog);
}

DialogRecorder::~DialogRecorder()
{
    ZNSetDialogHandler(Previous);
}

int DialogRecorder::Count(const std::string& part) const
{
    std::lock_guard<std::mutex> lock(GDialogMutex);
    int n = 0;
    for (const std::string& d : GDialogs)
        if (d.find(part) != std::string::npos)
            ++n;
    return n;
}

int DialogRecorder::Total() const
{
    std::lock_guard<std::mutex> lock(GDialogMutex);
    return (int)GDialogs.size();
}

void DialogRecorder::Clear()
{
    std::lock_guard<std::mutex> lock(GDialogMutex);
    GDialogs.clear();
}

ScratchDir::ScratchDir()
{
    char templ[] = "/tmp/zn_resources_XXXXXX";
    const char* made = mkdtemp(templ);
    Dir = made ? made : "/tmp";
}

ScratchDir::~ScratchDir()
{
    if (Dir != "/tmp")
        RemoveTree(Dir);
}

std::vector<UINT8> ReadBytes(const std::string& path)
{
    std::vector<UINT8> bytes;
    FILE* f = fopen(path.c_str(), "rb");
    if (!f)
        return bytes;
    UINT8 buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof(buf), f)) > 0)
        bytes.insert(bytes.end(), buf, buf + n);
    fclose(f);
    return bytes;
}

void WriteBytes(const std::string& path, const std::vector<UINT8>& bytes)
{
    FILE* f = fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr) << path;
    if (!bytes.empty())
        fwrite(bytes.data(), 1, bytes.size(), f);
    fclose(f);
}

bool FileThere(const std::string& path)
{
    struct stat st;
    return stat(path.c_str(), &st) == 0;
}

void MakePattern(ZNImage& image, UINT32 width, UINT32 height)
{
    image.Resize(width, height, 1, 1);
    for (UINT32 y = 0; y < height; ++y)
        for (UINT32 x = 0; x < width; ++x)
            image.Pixel(x, y) = Rgba(x & 255, y & 255, (x ^ y) & 255, 255 - (x & 255));
}

void WritePng(const std::string& path, const ZNImage& image)
{
    ASSERT_TRUE(SaveImageFile(path.c_str(), image)) << path;
}

// ---------------------------------------------------------------------------
// GL tests

#include <SDL.h>

GLTestContext::GLTestContext()
{
    // Video and the GL library are set up once and kept for the whole program:
    // unloading the driver between tests would orphan the blocks it keeps for
    // the life of the process, which leak checkers then report.
    static bool videoReady = SDL_InitSubSystem(SDL_INIT_VIDEO) == 0 && SDL_GL_LoadLibrary(nullptr) == 0;
    if (!videoReady)
    {
        ADD_FAILURE() << "SDL video: " << SDL_GetError();
        return;
    }
    SDL_GL_ResetAttributes();
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_FLAGS, SDL_GL_CONTEXT_FORWARD_COMPATIBLE_FLAG);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
    SDL_Window* window = SDL_CreateWindow("zn_test_resources", 0, 0, 64, 64, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
    if (!window)
    {
        ADD_FAILURE() << "window: " << SDL_GetError();
        return;
    }
    Window = window;
    SDL_GLContext context = SDL_GL_CreateContext(window);
    if (!context)
    {
        ADD_FAILURE() << "context: " << SDL_GetError();
        return;
    }
    Context = context;
    SDL_GL_MakeCurrent(window, context);
    if (!gladLoadGLContext(&Table, (GLADloadfunc)SDL_GL_GetProcAddress))
    {
        ADD_FAILURE() << "glad could not load the GL table";
        return;
    }
    TGCurGLTable = &Table;
    State = new ZNContextState(64, 64, true);
    TGCurContextState = State;
    UINT32 vao = 0;
    Table.GenVertexArrays(1, &vao);
    Table.BindVertexArray(vao);
    State->Vertex.VAO = vao;
}

GLTestContext::~GLTestContext()
{
    if (State)
    {
        Table.DeleteVertexArrays(1, &State->Vertex.VAO);
        delete State;
    }
    TGCurContextState = nullptr;
    TGCurGLTable = nullptr;
    if (Context)
    {
        SDL_GL_MakeCurrent((SDL_Window*)Window, nullptr);
        SDL_GL_DeleteContext((SDL_GLContext)Context);
    }
    if (Window)
        SDL_DestroyWindow((SDL_Window*)Window);
}

int TexLevelParam(UINT32 target, int level, UINT32 pname)
{
    GLint value = -1;
    TGCurGLTable->GetTexLevelParameteriv(target, level, pname, &value);
    return value;
}

int TexParam(UINT32 target, UINT32 pname)
{
    GLint value = -1;
    TGCurGLTable->GetTexParameteriv(target, pname, &value);
    return value;
}

GladGLContext* CurrentGLTable()
{
    return TGCurGLTable;
}

void SetCurrentGLTable(GladGLContext* table)
{
    TGCurGLTable = table;
}

ZNTextureContextState& CurrentUnits()
{
    return TGCurContextState->Textures;
}

// Sanitizer builds: SDL's start-up leaves a D-Bus read buffer behind for the
// life of the process; it is not the engine's.
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:libdbus-1.so\n";
}

// ThreadSanitizer builds: Mesa's software rasterizer runs threads of its own
// whose hand-overs the tool cannot see into.
extern "C" const char* __tsan_default_suppressions()
{
    return "race:swrast_dri.so\n";
}
