// ZNTextureObject: the texture object of the engine and its counted handle.
//
// Declared here because render targets attach textures (render/ZNRT.h) and the
// render layer does not look above itself. Textures are made, loaded, shared,
// streamed and destroyed by the texture layer (resources/ZNTexture.h), which
// defines the handle's functions and GetTarget: the last release unregisters
// the texture from its manager.
#pragma once

#include "core/ZNAssert.h"
#include "core/ZNTemplate.h"

#include <atomic>

// Texture flags.
#define TEX_NOSRGB 1u            // "NOSRGB", "NORMALMAP": GL_RGBA8 instead of GL_SRGB8_ALPHA8
#define TEX_NOSTREAM 2u          // "NOSTREAM": all levels at once, no cache; raw and cube textures
#define TEX_PRELOAD 4u           // "PRELOAD": full resolution at creation; also set while writing the cache
#define TEX_NOMIPFILTER 8u       // with TEX_NOSTREAM: minification GL_LINEAR
#define TEX_NOMIPMAPS 10u        // "NOMIPMAPS"
#define TEX_CLAMP 16u            // "CLAMP": wrap S and T clamp to edge
#define TEX_LOADFAILED 0x1000u   // the load failed (replaces all other flags)
#define TEX_FROMFILE 0x2000u     // loaded from a file; not part of the sharing comparison

#define TEX_MAX_MIPS 16   // mip table entries: sizes up to 32768

// Engine format codes of raw textures: the stored format, and what the pixels
// handed to CreateTexture / UpdateTexture hold.
enum ZNTextureFormat : UINT32
{
    TEX_FORMAT_RGBA8         = 1,    // GL_RGBA8 from RGBA bytes
    TEX_FORMAT_SRGB8_ALPHA8  = 2,    // GL_SRGB8_ALPHA8 from RGBA bytes
    TEX_FORMAT_RGBA16F       = 3,    // GL_RGBA16F from RGBA floats
    TEX_FORMAT_RGBA32F       = 4,    // GL_RGBA32F from RGBA floats; creation only
    TEX_FORMAT_R32F          = 11,   // GL_R32F from floats; creation only
    TEX_FORMAT_DEPTH16       = 21,   // GL_DEPTH_COMPONENT16 from 16-bit integers
    TEX_FORMAT_DEPTH16_FLOAT = 22,   // GL_DEPTH_COMPONENT16 from floats
    TEX_FORMAT_DEPTH32       = 23,   // GL_DEPTH_COMPONENT32 from floats
};

// One entry of the mip table.
struct ZNTextureMip
{
    UINT32     Width  = 0;
    UINT32     Height = 0;
    UINT32     Depth  = 0;
    ZNMemBlock Pixels;   // filled only between a stream load and its upload
};

// The texture object. Its fields are public for the streaming code and tests;
// only the manager's functions below change them.
class ZNTexture
{
public:
    UINT32              TexID          = 0;                            // GL texture name, 0 when none exists
    UINT32              Type           = 0;                            // GL pixel type of uploads
    UINT32              InternalFormat = 0;                            // GL internal format
    UINT32              Format         = 0;                            // GL pixel format of uploads
    std::atomic<UINT32> RefCount{ 0 };                                 // handles referring to this object
    ZNString            Name;                                          // file name; empty for raw textures
    UINT32              Width = 0, Height = 0, Depth = 0, Sides = 0;   // level 0
    UINT32              FormatCode    = 0;   // ZNTextureFormat; TEX_FORMAT_RGBA8 for file textures
    UINT32              BytesPerPixel = 0;
    UINT32              Flags         = 0;
    ZNTextureMip        Mips[TEX_MAX_MIPS];
    UINT32              MipLevCount = 0;    // valid mip entries, level 0 included
    UINT32              MaxLevel    = 0;    // coarsest level streaming may use
    UINT32              MinLevel    = 0;    // finest level streaming may use (0)
    std::atomic<UINT32> CurLevel{ 0 };      // mip level GL level 0 holds (requested level while streaming)
    float               IdleTime = 0.0f;    // frame-clock units since last use
    std::atomic<UINT32> StreamState{ 0 };   // 0 idle, 1 pixels wanted, 2 pixels wait for upload
    UINT32              GLLevel = 0;        // mip level GL level 0 really holds

    // For framebuffer attachments and direct GL use.
    UINT32 GetGLID() const { return TexID; }
    // GL_TEXTURE_CUBE_MAP with sides > 1, else GL_TEXTURE_2D below depth 2, else GL_TEXTURE_3D.
    UINT32 GetTarget() const;
};

// A counted reference. Copies add a reference; the last release destroys the
// texture (unbinds it, unregisters it, deletes the GL texture), which must happen
// on the thread whose GL context holds it.
class ZNTextureHandle
{
public:
    ZNTextureHandle() {}
    ZNTextureHandle(const ZNTextureHandle& other);
    ZNTextureHandle& operator=(const ZNTextureHandle& other);
    ~ZNTextureHandle() { Release(); }

    // Drops the reference (reports a count already at 0) and becomes null.
    void Release();
    // Refers to texture (adding a reference), releasing the previous one.
    void Attach(ZNTexture* texture);

    // Streaming queue internals: take the pointer out without touching the
    // count / take over a reference someone else counted.
    ZNTexture* Detach()
    {
        ZNTexture* t = Obj;
        Obj          = nullptr;
        return t;
    }
    void Adopt(ZNTexture* texture)
    {
        Release();
        Obj = texture;
    }

    ZNTexture* Get() const { return Obj; }
    ZNTexture* operator->() const { return Obj; }
    explicit   operator bool() const { return Obj != nullptr; }
    bool       operator==(const ZNTextureHandle& other) const { return Obj == other.Obj; }
    bool       operator!=(const ZNTextureHandle& other) const { return Obj != other.Obj; }

private:
    ZNTexture* Obj = nullptr;
};
