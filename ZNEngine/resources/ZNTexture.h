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
#include "render/ZNTextureObject.h"
#include "render/ZNTextureState.h"

#include <atomic>

// The one texture manager: the sharing table, the list of every registered
// texture, and the streaming worker's queue, all under one spin lock.
class ZNTextureManager
{
public:
    ZNMap<ZNString, ZNTexture*> Table;               // name + ":" + flags -> texture (no reference)
    ZNPodArray<ZNTexture*>      List;                // every registered texture (no reference)
    ZNThread                    Worker;              // streaming worker
    ZNSpinLock                  Lock;                // guards all of the above and the queue
    ZNArray<ZNTextureHandle>    StreamQueue;         // requests, each holding a reference
    std::atomic<UINT32>         Running{ 1 };        // worker loop runs while set
    ZNTexture*                  Loading = nullptr;   // the texture the worker is loading, under Lock
    ZNArray<ZNTextureHandle>    Released;            // last references the worker handed back, freed on the GL thread

    ZNTextureManager() {}
    // Stops a worker still running at process exit.
    ~ZNTextureManager();
    ZNTextureManager(const ZNTextureManager&)            = delete;
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
bool CreateTexture(ZNTextureHandle& handle, UINT32 width, UINT32 height, UINT32 depth, UINT32 sides, UINT32 formatCode,
                   const void* pixels, UINT32 flags);
// A cube map from six square 2D textures of one size and format.
bool CreateCubeTexture(ZNTextureHandle& handle, const ZNTextureHandle faces[6]);
// Replaces level 0 (stored size) from pixels in any format code but
// TEX_FORMAT_RGBA32F and TEX_FORMAT_R32F.
bool UpdateTexture(ZNTextureHandle& handle, UINT32 width, UINT32 height, UINT32 depth, UINT32 sides, UINT32 formatCode,
                   const void* pixels, UINT32 flags);

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
void TEX_BuildMipTable(ZNTexture& texture);

// Estimated GPU bytes of one texture (the resident level and its chain).
UINT64 TEX_GetMemoryEstimate(const ZNTexture& texture);

// GL uploads of the levels CurLevel .. MipLevCount - 1 from the mip table's
// pixel blocks, used by the streaming code on the GL thread. False (GL left as
// it was) when a block is missing.
bool TEX_UploadStreamedLevels(ZNTexture& texture);
// Frees every mip pixel block.
void TEX_FreeMipPixels(ZNTexture& texture);
