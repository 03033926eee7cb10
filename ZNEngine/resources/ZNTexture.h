// ZNTexture: every OpenGL texture of the engine.
//
//   ZNTextureHandle ground;
//   if (LoadTexture(ground, "Ground.png", TEX_NOSRGB | TEX_NOSTREAM)) ...;
//   BindTexture(0, ground);                  // unit 0, skipped when already bound
//
// Textures loaded from files are shared: the manager files them under
// name + ":" + flags, and handles count references inside the texture; the
// last handle released deletes the GL texture. A texture loaded without
// TEX_NOSTREAM keeps its mip chain in a ".mips" cache file beside the image
// (big-endian, written beside and then renamed into place, so a crash never
// leaves a truncated cache behind) and streams its levels (ZNTextureStream.h).
//
// Guarantees: loaders return false on any failure and leave the handle holding a
// texture without a GL name; every GL call goes through the current context's
// table; the unit cache lives in the current ZNContextState.
#pragma once

#include "core/ZNAssert.h"
#include "core/ZNTemplate.h"
#include "core/ZNThread.h"
#include "resources/ZNImage.h"
#include "resources/ZNTextureState.h"

#include <atomic>

// Texture flags.
#define TEX_NOSRGB        1u        // "NOSRGB", "NORMALMAP": GL_RGBA8 instead of GL_SRGB8_ALPHA8
#define TEX_NOSTREAM      2u        // "NOSTREAM": all levels at once, no cache; raw and cube textures
#define TEX_PRELOAD       4u        // "PRELOAD": full resolution at creation; also set while writing the cache
#define TEX_NOMIPFILTER   8u        // with TEX_NOSTREAM: minification GL_LINEAR
#define TEX_NOMIPMAPS     10u       // "NOMIPMAPS"
#define TEX_CLAMP         16u       // "CLAMP": wrap S and T clamp to edge
#define TEX_LOADFAILED    0x1000u   // the load failed (replaces all other flags)
#define TEX_FROMFILE      0x2000u   // loaded from a file; not part of the sharing comparison

#define TEX_MAX_MIPS      16        // mip table entries: sizes up to 32768

// Engine format codes of raw textures: the stored format, and what the pixels
// handed to CreateTexture / UpdateTexture hold.
enum ZNTextureFormat : UINT32
{
    TEX_FORMAT_RGBA8            = 1,    // GL_RGBA8 from RGBA bytes
    TEX_FORMAT_SRGB8_ALPHA8     = 2,    // GL_SRGB8_ALPHA8 from RGBA bytes
    TEX_FORMAT_RGBA16F          = 3,    // GL_RGBA16F from RGBA floats
    TEX_FORMAT_RGBA32F          = 4,    // GL_RGBA32F from RGBA floats; creation only
    TEX_FORMAT_R32F             = 11,   // GL_R32F from floats; creation only
    TEX_FORMAT_DEPTH16          = 21,   // GL_DEPTH_COMPONENT16 from 16-bit integers
    TEX_FORMAT_DEPTH16_FLOAT    = 22,   // GL_DEPTH_COMPONENT16 from floats
    TEX_FORMAT_DEPTH32          = 23,   // GL_DEPTH_COMPONENT32 from floats
};

// One entry of the mip table.
struct ZNTextureMip
{
    UINT32     Width  = 0;
    UINT32     Height = 0;
    UINT32     Depth  = 0;
    ZNMemBlock Pixels;              // filled only between a stream load and its upload
};

// The texture object. Its fields are public for the streaming code and tests;
// only the manager's functions below change them.
class ZNTexture
{
public:
    UINT32              TexID = 0;           // GL texture name, 0 when none exists
    UINT32              Type = 0;            // GL pixel type of uploads
    UINT32              InternalFormat = 0;  // GL internal format
    UINT32              Format = 0;          // GL pixel format of uploads
    std::atomic<UINT32> RefCount{0};         // handles referring to this object
    ZNString            Name;                // file name; empty for raw textures
    UINT32              Width = 0, Height = 0, Depth = 0, Sides = 0;   // level 0
    UINT32              FormatCode = 0;      // ZNTextureFormat; TEX_FORMAT_RGBA8 for file textures
    UINT32              BytesPerPixel = 0;
    UINT32              Flags = 0;
    ZNTextureMip        Mips[TEX_MAX_MIPS];
    UINT32              MipLevCount = 0;     // valid mip entries, level 0 included
    UINT32              MaxLevel = 0;        // coarsest level streaming may use
    UINT32              MinLevel = 0;        // finest level streaming may use (0)
    std::atomic<UINT32> CurLevel{0};         // mip level GL level 0 holds (requested level while streaming)
    float               IdleTime = 0.0f;     // frame-clock units since last use
    std::atomic<UINT32> StreamState{0};      // 0 idle, 1 pixels wanted, 2 pixels wait for upload
    UINT32              GLLevel = 0;         // mip level GL level 0 really holds

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
    void       Release();
    // Refers to texture (adding a reference), releasing the previous one.
    void       Attach(ZNTexture* texture);

    // Streaming queue internals: take the pointer out without touching the
    // count / take over a reference someone else counted.
    ZNTexture* Detach()                  { ZNTexture* t = Obj; Obj = nullptr; return t; }
    void       Adopt(ZNTexture* texture) { Release(); Obj = texture; }

    ZNTexture* Get() const        { return Obj; }
    ZNTexture* operator->() const { return Obj; }
    explicit operator bool() const { return Obj != nullptr; }
    bool operator==(const ZNTextureHandle& other) const { return Obj == other.Obj; }
    bool operator!=(const ZNTextureHandle& other) const { return Obj != other.Obj; }

private:
    ZNTexture* Obj = nullptr;
};

// The one texture manager: the sharing table, the list of every registered
// texture, and the streaming worker's queue, all under one spin lock.
class ZNTextureManager
{
public:
    ZNMap<ZNString, ZNTexture*>  Table;          // name + ":" + flags -> texture (no reference)
    ZNPodArray<ZNTexture*>       List;           // every registered texture (no reference)
    ZNThread                     Worker;         // streaming worker
    ZNSpinLock                   Lock;           // guards all of the above and the queue
    ZNArray<ZNTextureHandle>     StreamQueue;    // requests, each holding a reference
    std::atomic<UINT32>          Running{1};     // worker loop runs while set
    ZNTexture*                   Loading = nullptr;  // the texture the worker is loading, under Lock
    ZNArray<ZNTextureHandle>     Released;       // last references the worker handed back, freed on the GL thread

    ZNTextureManager() {}
    // Stops a worker still running at process exit.
    ~ZNTextureManager();
    ZNTextureManager(const ZNTextureManager&) = delete;
    ZNTextureManager& operator=(const ZNTextureManager&) = delete;

    // Sum of the memory estimates of every registered texture.
    UINT64 GetMemoryUsage();
};

extern ZNTextureManager GTextureManager;

// Waits for the worker's routine to return (the caller has cleared Running)
// and joins it; nothing happens without a worker.
void StopWorker(ZNTextureManager& m);

// Loads (or shares) the texture for (name, flags). True when usable; on failure
// the handle holds a texture without a GL name (flags TEX_LOADFAILED when the
// file did not decode). Prints "Failed loading texture ..." for undecodable files.
bool LoadTexture(ZNTextureHandle& handle, const char* name, UINT32 flags);

// Raw creation from pixels in an engine format code (ZNTextureFormat);
// pixels may be null (storage only). 2D (depth 1, sides 1), cube maps (depth 1,
// sides 6, faces one after another) and 3D textures (depth >= 2, sides 1).
bool CreateTexture(ZNTextureHandle& handle, UINT32 width, UINT32 height, UINT32 depth, UINT32 sides,
                   UINT32 formatCode, const void* pixels, UINT32 flags);
// A cube map from six square 2D textures of one size and format.
bool CreateCubeTexture(ZNTextureHandle& handle, const ZNTextureHandle faces[6]);
// Replaces level 0 (stored size) from pixels in any format code but
// TEX_FORMAT_RGBA32F and TEX_FORMAT_R32F.
bool UpdateTexture(ZNTextureHandle& handle, UINT32 width, UINT32 height, UINT32 depth, UINT32 sides,
                   UINT32 formatCode, const void* pixels, UINT32 flags);

// Read-back of level 0 of a 2D texture carrying TEX_NOSTREAM.
bool ReadTexture(const ZNTextureHandle& handle, ImageData& image);
bool ReadTexture(const ZNTextureHandle& handle, FloatImage& image);
// Level 0 in the texture's own format and type, every face or slice.
bool ReadTexture(const ZNTextureHandle& handle, ZNPodArray<UINT8>& bytes);
// Reads back, optionally flips the rows (GL's bottom-up order) and saves as PNG.
bool SaveTexture(const ZNTextureHandle& handle, const char* path, bool flipRows);
void GenerateMipmaps(const ZNTextureHandle& handle);

// Binds texture on unit (0 .. TEX_COUNT - 1; 0xFFFFFFFF means the active unit),
// skipping what the unit cache says is already so.
void BindTexture(UINT32 unit, const ZNTexture* texture);
// Does nothing for a null handle or a texture without a GL name.
void BindTexture(UINT32 unit, const ZNTextureHandle& handle);
// Binds 0 on unit when it holds this texture.
void UnbindTexture(UINT32 unit, const ZNTexture* texture);
// Binds 0 to target on unit (0xFFFFFFFF: the active unit).
void UnbindTarget(UINT32 unit, UINT32 target);

// Components per pixel of a GL pixel format; 0 (reported) when unknown.
UINT32 T_GetFormatMultiplier(UINT32 format);
// Bytes per component of a GL type (whole pixel for packed types); 0 (reported) when unknown.
UINT32 T_GetTypeSize(UINT32 type);

ZNString TEX_MipName(const char* file);
bool     TEX_MipExists(const char* file);
// Fetches the PNG bytes of level curLevel: the source file for level 0, else a
// record of the cache, whose header is stored into texture. A level beyond the
// stored ones is lowered to the last stored level; a cache without records
// serves level 0 from the source file.
bool     TEX_LoadMip(const char* file, UINT32& curLevel, ZNPodArray<UINT8>& bytes, ZNTexture& texture);

// The mip table from the level-0 size (Width, Height, Depth): every level halves
// each dimension down to 1, at most TEX_MAX_MIPS levels; sets MipLevCount.
void     TEX_BuildMipTable(ZNTexture& texture);

// Estimated GPU bytes of one texture (the resident level and its chain).
UINT64   TEX_GetMemoryEstimate(const ZNTexture& texture);

// GL uploads of the levels CurLevel .. MipLevCount - 1 from the mip table's
// pixel blocks, used by the streaming code on the GL thread. False (GL left as
// it was) when a block is missing.
bool     TEX_UploadStreamedLevels(ZNTexture& texture);
// Frees every mip pixel block.
void     TEX_FreeMipPixels(ZNTexture& texture);
