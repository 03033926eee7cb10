#include "render/ZNShader.h"

#include "render/ZNRenderCounters.h"
#include "render/ZNShaderPreprocess.h"
#include "files/ZNFileIO.h"
#include "core/ZNLog.h"
#include "render/ZNContextState.h"
#include "window/ZNGLTable.h"

#include <stdio.h>
#include <stdlib.h>

// The exit code of a user who neither retries nor continues without a shader.
static const int ZN_SHADER_GIVE_UP_EXIT = -1007;

static const char* const GAttributeNames[8] = {
    "GLVertex", "GLNormal", "GLTangent", "GLColor", "GLBlendIndices", "GLBlendWeights", "GLTexCoord0", "GLTexCoord1",
};

static void Append(ZNString& s, const char* text)
{
    s.Insert(s.Size(), ZNString(text));
}
static void Append(ZNString& s, const ZNString& text)
{
    s.Insert(s.Size(), text);
}

// ---------------------------------------------------------------------------
// Uniform variables
// ---------------------------------------------------------------------------

void ZNUniformRef::Attach(ZNShaderUniform* uniform)
{
    if (Ptr == uniform)
        return;
    if (Ptr)
    {
        ZNPodArray<ZNUniformRef*>& reg = Ptr->Registered;
        for (UINT32 i = 0; i < reg.Size(); ++i)
            if (reg[i] == this)
            {
                reg.Remove(i, i);
                break;
            }
    }
    Ptr = uniform;
    if (uniform)
        uniform->Registered.Add(this);
}

ZNShaderUniform::ZNShaderUniform(ZNShaderHandle* owner, INT32 location) : Owner(owner), Location(location)
{
}

ZNShaderUniform::~ZNShaderUniform()
{
    for (UINT32 i = 0; i < Registered.Size(); ++i)
        Registered[i]->Ptr = nullptr;
    Registered.Clear();
}

// ---------------------------------------------------------------------------
// Shader objects
// ---------------------------------------------------------------------------

ZNShader::ZNShader() : Program(0), VertexShader(0), PixelShader(0), FileTime(0), Owner(nullptr)
{
}

// Deletes the GL objects and empties the shader; its uniforms die and null their
// client variables.
static void UnloadShader(ZNShader& s)
{
    if (TGCurGLTable)
    {
        if (s.Program)
        {
            if (s.VertexShader)
                TGCurGLTable->DetachShader(s.Program, s.VertexShader);
            if (s.PixelShader)
                TGCurGLTable->DetachShader(s.Program, s.PixelShader);
            TGCurGLTable->DeleteProgram(s.Program);
        }
        if (s.VertexShader)
            TGCurGLTable->DeleteShader(s.VertexShader);
        if (s.PixelShader)
            TGCurGLTable->DeleteShader(s.PixelShader);
    }
    s.Program      = 0;
    s.VertexShader = 0;
    s.PixelShader  = 0;
    s.Name         = ZNString();
    s.Source       = ZNString();
    s.Defines      = ZNString();
    s.Uniforms.Clear();
}

ZNShaderHandle::ZNShaderHandle(ZNShader* shader) : Shader(shader)
{
}

ZNShaderHandle::~ZNShaderHandle()
{
    if (!Shader)
        return;
    // Only the owning context may delete the GL objects; elsewhere they stay to
    // the context's end rather than being deleted through a foreign context.
    if (Shader->Owner && Shader->Owner == TGCurContextState)
        UnloadShader(*Shader);
    delete Shader;
}

// ---------------------------------------------------------------------------
// Compiling and linking
// ---------------------------------------------------------------------------

static UINT32 CompileShader(GLenum type, const ZNString& text, const ZNArray<ZNString>& files, ZNString& errors)
{
    const GLuint   shader     = TGCurGLTable->CreateShader(type);
    const ZNString source     = BuildShaderCompileText(type == GL_VERTEX_SHADER, text);
    const GLchar*  sources[1] = { source.CStr() };
    TGCurGLTable->ShaderSource(shader, 1, sources, nullptr);
    TGCurGLTable->CompileShader(shader);
    GLint status = GL_TRUE;
    TGCurGLTable->GetShaderiv(shader, GL_COMPILE_STATUS, &status);
    if (status)
        return shader;
    printShaderInfoLog(shader, files, errors);
    TGCurGLTable->DeleteShader(shader);
    return 0;
}

void printProgramInfoLog(UINT32 program, ZNString& errors)
{
    errors = ReadGLInfoLog(program, true, "Double Error in printProgramInfoLog: can't get error description");
}

static void BindAttributes(UINT32 program)
{
    for (UINT32 i = 0; i < 8; ++i)
        TGCurGLTable->BindAttribLocation(program, i, GAttributeNames[i]);
}

static void BindFragData(UINT32 program)
{
    // GL ES (WebGL2) has no such call: its outputs carry their locations.
    if (!TGCurGLTable->BindFragDataLocation)
        return;
    char name[16];
    for (UINT32 i = 0; i < 8; ++i)
    {
        snprintf(name, sizeof(name), "GLFragData%u", static_cast<unsigned>(i));
        TGCurGLTable->BindFragDataLocation(program, i, name);
    }
}

static void BindSamplers(UINT32 program)
{
    char name[16];
    for (INT32 i = 0; i < 16; ++i)
    {
        snprintf(name, sizeof(name), "Tex%d", static_cast<int>(i));
        TGCurGLTable->Uniform1i(TGCurGLTable->GetUniformLocation(program, name), i);
    }
}

static UINT32 LinkProgram(UINT32 vertexShader, UINT32 pixelShader, ZNString& errors)
{
    const GLuint program = TGCurGLTable->CreateProgram();
    TGCurGLTable->AttachShader(program, vertexShader);
    TGCurGLTable->AttachShader(program, pixelShader);
    BindAttributes(program);
    BindFragData(program);
    TGCurGLTable->LinkProgram(program);
    GLint status = GL_TRUE;
    TGCurGLTable->GetProgramiv(program, GL_LINK_STATUS, &status);
    if (!status)
    {
        printProgramInfoLog(program, errors);
        TGCurGLTable->DeleteProgram(program);
        return 0;
    }
    // Samplers get their units before validation: until then every sampler is on
    // unit 0, and samplers of different types sharing a unit fail validation.
    TGCurGLTable->UseProgram(program);
    BindSamplers(program);
    TGCurGLTable->ValidateProgram(program);
    TGCurGLTable->GetProgramiv(program, GL_VALIDATE_STATUS, &status);
    if (!status)
    {
        printProgramInfoLog(program, errors);
        TGCurGLTable->DeleteProgram(program);
        return 0;
    }
    return program;
}

// The steps every load runs. Leaves the new program bound in GL on success;
// callers put the recorded binding back (SyncProgramBinding).
static bool LoadShader(ZNShaderHandle& handle, const ZNString& name, const ZNString& defines, ZNString& errors)
{
    ZNShader& s = *handle.Shader;
    UnloadShader(s);
    errors    = ZNString();
    s.Name    = name;
    s.Defines = defines;

    // Taken before the read: an edit saved while the file is being read then
    // still differs from the recorded time and is picked up by the next check,
    // and a file that failed stays unasked until it changes again.
    s.FileTime = GetFileTimeNs(name);
    ZNArray<ZNString> files;
    ZNString          text;
    if (!PreprocessShaderFile(name, text, files))
    {
        errors = text;
        return false;
    }
    s.Source = text;

    ZNString body(defines);
    Append(body, text);
    Append(body, "\n");
    s.VertexShader = CompileShader(GL_VERTEX_SHADER, body, files, errors);
    if (errors.Size() != 0)
        return false;
    s.PixelShader = CompileShader(GL_FRAGMENT_SHADER, body, files, errors);
    if (errors.Size() != 0)
        return false;
    s.Program = LinkProgram(s.VertexShader, s.PixelShader, errors);
    if (errors.Size() != 0)
        return false;

    TGCurGLTable->UseProgram(s.Program);
    BindAttributes(s.Program);
    BindFragData(s.Program);
    BindSamplers(s.Program);
    return true;
}

// Makes GL and the context state agree after a load of handle: when handle is
// the current shader the state takes its new program (or 0 after a failure),
// and GL is bound to the recorded program in every case.
static void SyncProgramBinding(ZNShaderHandle* handle)
{
    ZNContextState* cs = TGCurContextState;
    if (!cs)
        return;
    ZNShaderContextState& ss = cs->Shaders;
    if (ss.CurrentShader.Get() == handle)
        ss.CurrentProgram = handle->Shader->Program;
    TGCurGLTable->UseProgram(ss.CurrentProgram);
}

enum ZNLoadFailureAnswer
{
    LFA_Retry,
    LFA_GiveUp,
};

static ZNLoadFailureAnswer ShowLoadFailure(const ZNString& name, const ZNString& errors)
{
    ZNString text("Loading of the shader failed with the following errors:\n\n");
    Append(text, errors);
    Append(text, "\n\nDo you want to retry?");
    ZNString caption("Shader loading failed - ");
    Append(caption, name);
    if (ZNAskYesNo(text.CStr(), caption.CStr()))
        return LFA_Retry;
    if (!ZNAskYesNo("Do you want to continue without the shader?", caption.CStr()))
    {
        // The box is gone with the process: what failed stays on the terminal.
        fprintf(stderr, "Shader %s failed to load and was given up:\n%s\n", name.CStr(), errors.CStr());
        fflush(stdout);
        fflush(stderr);
        _Exit(ZN_SHADER_GIVE_UP_EXIT);
    }
    return LFA_GiveUp;
}

// Load with the retry dialog. name and defines are copies: the load empties the
// shader's own strings before it reads them.
static void LoadWithDialog(ZNShaderHandle& handle, ZNString name, ZNString defines)
{
    ZNString errors;
    for (;;)
    {
        if (LoadShader(handle, name, defines, errors))
            break;
        // The log has the compiler's message whatever the answer to the box.
        ZNLog("Shader %s failed to load:\n%s", name.CStr(), errors.CStr());
        if (ShowLoadFailure(name, errors) == LFA_Retry)
            continue;
        // Empty, but still knowing its file: once the file is fixed the next
        // CheckReload loads it, instead of the shader staying empty for good.
        UnloadShader(*handle.Shader);
        handle.Shader->Name    = name;
        handle.Shader->Defines = defines;
        break;
    }
    SyncProgramBinding(&handle);
}

// ---------------------------------------------------------------------------
// Cache and loading
// ---------------------------------------------------------------------------

static bool HandleInCurContext(const ZNShaderHandle* handle)
{
    return handle && handle->Shader && TGCurContextState && handle->Shader->Owner == TGCurContextState;
}

bool InCurContext(const ZNShaderPtr& handle)
{
    return HandleInCurContext(handle.Get());
}

ZNShaderPtr CreateShader(const ZNString& name, const ZNString& defines)
{
    ZNShader* shader = new ZNShader;
    shader->Owner    = TGCurContextState;
    ZNShaderPtr handle(new ZNShaderHandle(shader));
    if (ZN_CHECK_FAILED(!TGCurContextState || !TGCurGLTable))
        return handle;
    LoadWithDialog(*handle, name, defines);
    return handle;
}

ZNShaderPtr GetShader(const ZNString& name, const ZNString& defines)
{
    if (defines.Size() != 0)
        return CreateShader(name, defines);
    ZNContextState* cs = TGCurContextState;
    if (ZN_CHECK_FAILED(!cs || !cs->Shaders.Cache))
        return CreateShader(name, defines);
    ZNMap<ZNString, ZNShaderPtr>& cache = *cs->Shaders.Cache;
    if (auto* node = cache.Find(name))
        return node->value;
    ZNLog("Shader %s not in cache, loading...", name.CStr());
    ZNShaderPtr shader = CreateShader(name, ZNString());
    cache.Insert(name, shader);
    return shader;
}

// The one report of a shader used from a context that does not own it.
static bool RefusedOutsideOwner(const ZNShaderHandle* handle)
{
    if (HandleInCurContext(handle))
        return false;
    ZNAssertFailed("!InCurContext()", __FILE__, __LINE__);
    return true;
}

bool Load(const ZNShaderPtr& handle, const ZNString& name, const ZNString& defines, ZNString& errors)
{
    if (RefusedOutsideOwner(handle.Get()))
        return false;
    const bool ok = LoadShader(*handle, ZNString(name), ZNString(defines), errors);
    SyncProgramBinding(handle.Get());
    return ok;
}

void Unload(const ZNShaderPtr& handle)
{
    if (RefusedOutsideOwner(handle.Get()))
        return;
    UnloadShader(*handle->Shader);
    SyncProgramBinding(handle.Get());
}

static void CheckReloadHandle(ZNShaderHandle& handle)
{
    if (RefusedOutsideOwner(&handle))
        return;
    ZNShader&   s = *handle.Shader;
    // Any other time is an edit, also one saved within the second of the load
    // or a file put back with an older time; no time means the file is gone or
    // being replaced, and the loaded program stays.
    const INT64 time = GetFileTimeNs(s.Name);
    if (time == 0 || time == s.FileTime)
        return;
    ZNLog("Shader %s needs to be reloaded...", s.Name.CStr());

    // The new program is built beside the old one, which goes only once the new
    // one works: an edit with a mistake leaves the picture as it was.
    ZNShader* const old   = handle.Shader;
    ZNShader* const fresh = new ZNShader;
    fresh->Owner          = old->Owner;
    handle.Shader         = fresh;
    ZNString              errors;
    const bool            ok = LoadShader(handle, ZNString(old->Name), ZNString(old->Defines), errors);
    ZNShaderContextState& ss = TGCurContextState->Shaders;
    if (ok)
    {
        // The old program's uniforms die with it and null their client variables.
        UnloadShader(*old);
        delete old;
        ++ss.Reloaded;
    }
    else
    {
        // Not asked again until the file changes once more.
        old->FileTime = fresh->FileTime;
        UnloadShader(*fresh);
        delete fresh;
        handle.Shader = old;
        ZNLog("Shader %s failed to reload; the last working program stays:\n%s", old->Name.CStr(), errors.CStr());
        ss.ReloadFailures.Add(ZNString::Formatted("%s: %s", old->Name.CStr(), errors.CStr()));
    }
    SyncProgramBinding(&handle);
}

void CheckReload(const ZNShaderPtr& handle)
{
    if (ZN_CHECK_FAILED(!handle))
        return;
    CheckReloadHandle(*handle);
}

void ReloadShaders(ZNContextState& cs)
{
    if (ZN_CHECK_FAILED(&cs != TGCurContextState))
        return;
    if (!cs.Shaders.Cache)
        return;
    // Collected first: a reload must not change the map while it is walked.
    ZNArray<ZNShaderPtr> shaders;
    cs.Shaders.Cache->ForEach([&shaders](const ZNString&, const ZNShaderPtr& shader) { shaders.Add(shader); });
    for (UINT32 i = 0; i < shaders.Size(); ++i)
        CheckReload(shaders[i]);
}

void ReloadShaders()
{
    if (ZN_CHECK_FAILED(!TGCurContextState))
        return;
    ReloadShaders(*TGCurContextState);
}

UINT32 TakeShaderReloads(ZNArray<ZNString>& failures)
{
    failures.Clear();
    ZNContextState* cs = TGCurContextState;
    if (!cs)
        return 0;
    ZNShaderContextState& ss       = cs->Shaders;
    const UINT32          reloaded = ss.Reloaded;
    for (UINT32 i = 0; i < ss.ReloadFailures.Size(); ++i)
        failures.Add(ss.ReloadFailures[i]);
    ss.ReloadFailures.Clear();
    ss.Reloaded = 0;
    return reloaded;
}

// ---------------------------------------------------------------------------
// Binding
// ---------------------------------------------------------------------------

void UseShader(const ZNShaderPtr& shader)
{
    ZNContextState* cs = TGCurContextState;
    if (ZN_CHECK_FAILED(!cs))
        return;
    ZNShaderContextState& ss = cs->Shaders;
    if (ss.CurrentShader && shader && ss.CurrentShader.Get() == shader.Get())
        return;
    const UINT32 program = shader ? shader->Shader->Program : 0;
    ZNCountProgramBind();
    TGCurGLTable->UseProgram(program);
    ss.CurrentShader  = shader;
    ss.CurrentProgram = program;
}

ZNShaderPtr GetCurrentShader()
{
    ZNContextState* cs = TGCurContextState;
    if (!cs)
        return ZNShaderPtr();
    return cs->Shaders.CurrentShader;
}

// ---------------------------------------------------------------------------
// Uniforms
// ---------------------------------------------------------------------------

void GetUniform(const ZNShaderPtr& handle, ZNUniformRef& out, const char* name)
{
    if (!handle || !name)
    {
        out.Reset();
        return;
    }
    ZNShader&      s = *handle->Shader;
    const ZNString key(name);
    if (auto* node = s.Uniforms.Find(key))
    {
        out.Attach(node->value.Get());
        return;
    }
    const GLint location = s.Program ? TGCurGLTable->GetUniformLocation(s.Program, name) : -1;
    if (location == -1)
    {
        out.Reset();
        return;
    }
    ZNShaderUniformPtr uniform(new ZNShaderUniform(handle.Get(), location));
    s.Uniforms.Insert(key, uniform);
    out.Attach(uniform.Get());
}

// The checks shared by both setters, in their order: no uniform, a component
// count outside 1..4 (reported), a uniform the program does not use. True when
// the call must not go on.
static bool SkipUniformSet(const ZNShaderUniform* uniform, UINT32 components)
{
    if (!uniform)
        return true;
    // The check reports its text as written, spaces included.
    // clang-format off
    if (ZN_CHECK_FAILED(( components > 4 ) | ( components < 1 )))
        return true;
    // clang-format on
    return uniform->Location == -1;
}

void SetInt(ZNShaderUniform* uniform, const INT32* data, UINT32 components, UINT32 count)
{
    if (SkipUniformSet(uniform, components))
        return;
    const GLsizei n = static_cast<GLsizei>(count);
    switch (components)
    {
    case 1: TGCurGLTable->Uniform1iv(uniform->Location, n, data); break;
    case 2: TGCurGLTable->Uniform2iv(uniform->Location, n, data); break;
    case 3: TGCurGLTable->Uniform3iv(uniform->Location, n, data); break;
    case 4: TGCurGLTable->Uniform4iv(uniform->Location, n, data); break;
    default: ZNAssertFailed("components || \"Invalid number of components\"", __FILE__, __LINE__); break;
    }
}

void SetFloat(ZNShaderUniform* uniform, const float* data, UINT32 components, bool matrix, UINT32 count)
{
    if (SkipUniformSet(uniform, components))
        return;
    const GLsizei n  = static_cast<GLsizei>(count);
    const GLint   at = uniform->Location;
    if (matrix && components == 2)
        TGCurGLTable->UniformMatrix2fv(at, n, GL_FALSE, data);
    else if (matrix && components == 3)
        TGCurGLTable->UniformMatrix3fv(at, n, GL_FALSE, data);
    else if (matrix && components == 4)
        TGCurGLTable->UniformMatrix4fv(at, n, GL_FALSE, data);
    else if (!matrix && components == 1)
        TGCurGLTable->Uniform1fv(at, n, data);
    else if (!matrix && components == 2)
        TGCurGLTable->Uniform2fv(at, n, data);
    else if (!matrix && components == 3)
        TGCurGLTable->Uniform3fv(at, n, data);
    else if (!matrix && components == 4)
        TGCurGLTable->Uniform4fv(at, n, data);
    else
        ZNAssertFailed("components | matrix || \"Invalid number of components / wrong combo\"", __FILE__, __LINE__);
}

// ---------------------------------------------------------------------------
// Context state part
// ---------------------------------------------------------------------------

void ZNShaderContextState::Init(ZNContextState& cs, bool isMain)
{
    (void)cs;
    (void)isMain;
    Cache = new ZNMap<ZNString, ZNShaderPtr>;
}

void ZNShaderContextState::Shutdown(ZNContextState& cs)
{
    (void)cs;
    CurrentShader.Reset();
    CurrentProgram = 0;
    if (!Cache)
        return;
    // The cached shaders' GL objects go with this context; a handle still held
    // elsewhere stays valid and empty.
    ZNArray<ZNShaderPtr> shaders;
    Cache->ForEach([&shaders](const ZNString&, const ZNShaderPtr& shader) { shaders.Add(shader); });
    for (UINT32 i = 0; i < shaders.Size(); ++i)
        if (shaders[i]->Shader->Owner == &cs)
        {
            UnloadShader(*shaders[i]->Shader);
            shaders[i]->Shader->Owner = nullptr;
        }
    delete Cache;
    Cache = nullptr;
}
