// ZNShader: GL programs built from .shd files, their uniforms, and the
// per-context shader cache.
//
//   ZNShaderPtr sky = GetShader(ZNString("Shaders/Sky.shd"), ZNString());
//   SetShader(0, sky);                                 // (ZNRenderState) binds it
//   ZNUniformRef cam;
//   GetUniform(sky, cam, "CameraPos");                 // null when the program lacks it
//   SetFloat(cam, &pos.x, 3, false, 1);                // a null uniform does nothing
//
// Guarantees:
// - Every program has the vertex inputs GLVertex..GLTexCoord1 at attribute
//   locations 0..7, the outputs GLFragData0..7 at colour outputs 0..7, and each
//   sampler "Tex<n>" (n = 0..15) on texture unit n, without any call by the user.
// - A shader that fails its first load is offered for retry in a Yes/No box;
//   declining both retry and "continue without" prints the errors on standard
//   error and ends the process with exit code -1007. A shader loaded "without"
//   is valid and binds no program.
// - A hot reload that fails asks nothing and changes nothing: the last program
//   that worked stays, and the file's name with the compiler's errors goes to
//   the log and to the context's reload record (TakeShaderReloads).
// - After any load (first load, retry, hot reload) the program bound in GL is the
//   one the context state records, so UseShader never skips a needed bind.
// - A ZNUniformRef is registered with its uniform at most once and unregisters
//   itself when it dies; when the uniform dies (reload/unload of its shader) every
//   live ZNUniformRef to it reads null. No registration outlives its variable.
// - Shaders belong to the context current at creation; Load, Unload and
//   CheckReload refuse (assertion) to run from another context.
#pragma once

#include "core/ZNAssert.h"
#include "core/ZNSharedPtr.h"
#include "core/ZNTemplate.h"

struct ZNContextState;
class ZNShaderHandle;
class ZNShaderUniform;

// A client variable that holds a uniform: it is nulled when the uniform dies, and
// it takes its registration with it when it goes out of scope first.
class ZNUniformRef
{
public:
    ZNUniformRef() : Ptr(nullptr) {}
    ~ZNUniformRef() { Reset(); }
    ZNUniformRef(const ZNUniformRef& other) : Ptr(nullptr) { Attach(other.Ptr); }
    ZNUniformRef& operator=(const ZNUniformRef& other)
    {
        if (this != &other)
            Attach(other.Ptr);
        return *this;
    }

    ZNShaderUniform* Get() const { return Ptr; }
                     operator ZNShaderUniform*() const { return Ptr; }
    ZNShaderUniform* operator->() const { return Ptr; }
    // Unregisters and becomes null.
    void             Reset() { Attach(nullptr); }
    // Points at uniform (registered once with it), or null.
    void             Attach(ZNShaderUniform* uniform);

private:
    friend class ZNShaderUniform;
    ZNShaderUniform* Ptr;
};

// One active uniform of a program. Dies with the next load or unload of its shader.
class ZNShaderUniform
{
public:
    ZNShaderHandle*           Owner;        // the shader it belongs to
    INT32                     Location;     // -1: none
    ZNPodArray<ZNUniformRef*> Registered;   // live client variables pointing here

    ZNShaderUniform(ZNShaderHandle* owner, INT32 location);
    // Nulls every registered client variable, in registration order.
    virtual ~ZNShaderUniform();
    ZNShaderUniform(const ZNShaderUniform&)            = delete;
    ZNShaderUniform& operator=(const ZNShaderUniform&) = delete;
};

typedef ZNSharedPtr<ZNShaderUniform> ZNShaderUniformPtr;

// The program and what it was built from.
class ZNShader
{
public:
    UINT32                              Program;        // GL program, 0 when none
    UINT32                              VertexShader;   // GL shader objects, 0 when none
    UINT32                              PixelShader;
    ZNString                            Name;       // path of the .shd file under the data path
    ZNString                            Source;     // preprocessed text (without the defines)
    ZNString                            Defines;    // text put before the source in both stages
    INT64                               FileTime;   // file time (GetFileTimeNs) when the last load read the file
    ZNContextState*                     Owner;      // context state current at creation
    ZNMap<ZNString, ZNShaderUniformPtr> Uniforms;   // by name, until the next load

    ZNShader();
};

// Owns its ZNShader. GL objects are released by Unload, by the next load, when
// the owning context's state shuts down, or when the last handle goes while the
// owning context is current.
class ZNShaderHandle
{
public:
    ZNShader* Shader;

    explicit ZNShaderHandle(ZNShader* shader);
    virtual ~ZNShaderHandle();
    ZNShaderHandle(const ZNShaderHandle&)            = delete;
    ZNShaderHandle& operator=(const ZNShaderHandle&) = delete;
};

typedef ZNSharedPtr<ZNShaderHandle> ZNShaderPtr;

// Cached per context for empty defines; with defines a new shader every call.
ZNShaderPtr GetShader(const ZNString& name, const ZNString& defines);
// A new shader owned by the current context, loaded with the retry dialog; never null.
ZNShaderPtr CreateShader(const ZNString& name, const ZNString& defines);
// Loads in place (no dialog); errors receives the message on failure.
bool        Load(const ZNShaderPtr& handle, const ZNString& name, const ZNString& defines, ZNString& errors);
// Deletes the GL objects and empties the shader.
void        Unload(const ZNShaderPtr& handle);
// Reloads when the file is newer than the loaded one; a reload that fails keeps
// the program that was loaded and is recorded (TakeShaderReloads).
void        CheckReload(const ZNShaderPtr& handle);
// CheckReload for every cached shader of cs, in name order; cs must be current.
void        ReloadShaders(ZNContextState& cs);
// The same for the current context.
void        ReloadShaders();
// What the current context's reloads did since the last call: the count of
// shaders reloaded; failures receives one text per reload that failed, "NAME:
// ERRORS" with the compiler's message (each kept its last working program).
UINT32      TakeShaderReloads(ZNArray<ZNString>& failures);

// Binds the shader's program (none for null) unless it is bound already.
void        UseShader(const ZNShaderPtr& shader);
ZNShaderPtr GetCurrentShader();
bool        InCurContext(const ZNShaderPtr& handle);

// Points out at the active uniform name of the shader's program, or null when
// the program has none of that name.
void GetUniform(const ZNShaderPtr& handle, ZNUniformRef& out, const char* name);
// Upload into the program current in GL. components 1..4; a null uniform or one
// without location does nothing.
void SetInt(ZNShaderUniform* uniform, const INT32* data, UINT32 components, UINT32 count);
// matrix: components 2..4 give 2x2..4x4 column-major matrices.
void SetFloat(ZNShaderUniform* uniform, const float* data, UINT32 components, bool matrix, UINT32 count);

// The program's info log into errors; a failure without any log is fatal.
void printProgramInfoLog(UINT32 program, ZNString& errors);
