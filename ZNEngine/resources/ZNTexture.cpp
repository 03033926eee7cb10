// ZNTexture: texture objects, handles, the manager, file loading with the mip
// cache, raw creation, read-back and the per-context unit cache.
#include "resources/ZNTexture.h"
#include "files/ZNArchive.h"
#include "files/ZNFileIO.h"
#include "core/ZNRuntime.h"
#include "render/ZNRenderCounters.h"
#include "render/ZNContextState.h"
#include "window/ZNGLTable.h"

#include <string.h>

// Compatibility formats that core-profile headers leave out; read-back callers
// may still name them.
#ifndef GL_LUMINANCE
#define GL_LUMINANCE 0x1909
#endif
#ifndef GL_LUMINANCE_ALPHA
#define GL_LUMINANCE_ALPHA 0x190A
#endif

ZNTextureManager GTextureManager;

// BindTexture without the unit check, for binds on the active unit.
static void BindOnUnit(UINT32 id, const ZNTexture* texture);

namespace
{

const UINT32 kActiveUnit = 0xFFFFFFFFu;   // "the unit that is active now"

struct FormatInfo
{
    UINT32 Code, Format, InternalFormat, Type, BytesPerPixel;
};

const FormatInfo kFormats[] = {
    { TEX_FORMAT_RGBA8, GL_RGBA, GL_RGBA8, GL_UNSIGNED_BYTE, 4 },
    { TEX_FORMAT_SRGB8_ALPHA8, GL_RGBA, GL_SRGB8_ALPHA8, GL_UNSIGNED_BYTE, 4 },
    { TEX_FORMAT_RGBA16F, GL_RGBA, GL_RGBA16F, GL_FLOAT, 8 },
    { TEX_FORMAT_RGBA32F, GL_RGBA, GL_RGBA32F, GL_FLOAT, 16 },
    { TEX_FORMAT_R32F, GL_RED, GL_R32F, GL_FLOAT, 4 },
    { TEX_FORMAT_DEPTH16, GL_DEPTH_COMPONENT, GL_DEPTH_COMPONENT16, GL_UNSIGNED_SHORT, 2 },
    { TEX_FORMAT_DEPTH16_FLOAT, GL_DEPTH_COMPONENT, GL_DEPTH_COMPONENT16, GL_FLOAT, 2 },
    { TEX_FORMAT_DEPTH32, GL_DEPTH_COMPONENT, GL_DEPTH_COMPONENT32, GL_FLOAT, 4 },
};

const FormatInfo* FindFormat(UINT32 code)
{
    for (const FormatInfo& f : kFormats)
        if (f.Code == code)
            return &f;
    return nullptr;
}

// Holds the manager lock for a scope.
struct ManagerLock
{
    ManagerLock() { GTextureManager.Lock.Lock(); }
    ~ManagerLock() { GTextureManager.Lock.Unlock(); }
};

// The GL table and unit cache of the current context, or null (reported) when
// no context is current on this thread.
bool HaveContext()
{
    return !ZN_CHECK_FAILED(TGCurGLTable == nullptr || TGCurContextState == nullptr);
}

ZNString TableKey(const char* name, UINT32 flags)
{
    return ZNString::Formatted("%s:%d", name, (int)flags);
}

// Raw creation accepts 2D (1, 1), cube maps (1, 6) and 3D textures (>= 2, 1).
bool ShapeIsValid(UINT32 depth, UINT32 sides)
{
    return (depth == 1 && (sides == 1 || sides == 6)) || (depth >= 2 && sides == 1);
}

// Bytes per pixel of the client data an upload or read-back transfers; differs
// from the texture's GPU bytes per pixel for the float forms of 16-bit formats.
UINT32 ClientPixelBytes(const ZNTexture& t)
{
    return T_GetFormatMultiplier(t.Format) * T_GetTypeSize(t.Type);
}

// Rows of tightly packed client data whose size is not a multiple of 4 need a
// byte alignment; the engine otherwise keeps GL's default of 4.
struct PixelAlignment
{
    bool Changed;
    PixelAlignment(UINT32 rowBytes) : Changed(rowBytes % 4 != 0)
    {
        if (Changed)
        {
            TGCurGLTable->PixelStorei(GL_UNPACK_ALIGNMENT, 1);
            TGCurGLTable->PixelStorei(GL_PACK_ALIGNMENT, 1);
        }
    }
    ~PixelAlignment()
    {
        if (Changed)
        {
            TGCurGLTable->PixelStorei(GL_UNPACK_ALIGNMENT, 4);
            TGCurGLTable->PixelStorei(GL_PACK_ALIGNMENT, 4);
        }
    }
};

// Specifies one GL level of t from pixels (null: storage only); cube faces and
// 3D slices follow each other in pixels.
void UploadLevel(const ZNTexture& t, UINT32 glLevel, UINT32 w, UINT32 h, UINT32 d, const UINT8* pixels,
                 UINT32 pixelBytes)
{
    GladGLContext* gl = TGCurGLTable;
    PixelAlignment align(w * pixelBytes);
    const UINT32   target = t.GetTarget();
    if (target == GL_TEXTURE_CUBE_MAP)
    {
        const size_t face = (size_t)pixelBytes * w * h;
        for (UINT32 s = 0; s < t.Sides; ++s)
            gl->TexImage2D(GL_TEXTURE_CUBE_MAP_POSITIVE_X + s, glLevel, t.InternalFormat, w, h, 0, t.Format, t.Type,
                           pixels ? pixels + s * face : nullptr);
    }
    else if (target == GL_TEXTURE_2D)
        gl->TexImage2D(GL_TEXTURE_2D, glLevel, t.InternalFormat, w, h, 0, t.Format, t.Type, pixels);
    else
        gl->TexImage3D(GL_TEXTURE_3D, glLevel, t.InternalFormat, w, h, d, 0, t.Format, t.Type, pixels);
}

void SetFilters(const ZNTexture& t, UINT32 flags, bool linearWhenAnyOf10)
{
    GladGLContext* gl     = TGCurGLTable;
    const UINT32   target = t.GetTarget();
    bool           linear = linearWhenAnyOf10 ? (flags & TEX_NOMIPMAPS) != 0 : (flags & TEX_NOMIPMAPS) == TEX_NOMIPMAPS;
    gl->TexParameteri(target, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    gl->TexParameteri(target, GL_TEXTURE_MIN_FILTER, linear ? GL_LINEAR : GL_LINEAR_MIPMAP_LINEAR);
    if (flags & TEX_CLAMP)
    {
        gl->TexParameteri(target, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
        gl->TexParameteri(target, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    }
}

// A fresh texture object owned by handle alone (whatever it held is released).
ZNTexture* AdoptNewTexture(ZNTextureHandle& handle)
{
    handle.Release();
    ZNTexture* t = new ZNTexture;
    t->RefCount.store(1);
    handle.Adopt(t);
    return t;
}

void ApplyFormat(ZNTexture& t, const FormatInfo& info)
{
    t.FormatCode     = info.Code;
    t.Format         = info.Format;
    t.InternalFormat = info.InternalFormat;
    t.Type           = info.Type;
    t.BytesPerPixel  = info.BytesPerPixel;
}

// Under the lock: the GL name of a raw texture, bound on the engine's unit
// with its filters and without depth comparison. Compare mode belongs to the
// texture's own target: set on GL_TEXTURE_2D it would change whichever 2D
// texture shares the unit with a cube or 3D one.
bool GenerateGLTexture(ZNTexture& t, UINT32 flags)
{
    GladGLContext* gl = TGCurGLTable;
    gl->GenTextures(1, &t.TexID);
    if (ZN_CHECK_FAILED(t.TexID == 0))
        return false;
    BindOnUnit(kActiveUnit, &t);
    SetFilters(t, flags, true);
    gl->TexParameteri(t.GetTarget(), GL_TEXTURE_COMPARE_MODE, 0);
    return true;
}

// Under the lock.
void RegisterTexture(ZNTexture* t)
{
    GTextureManager.List.Add(t);
    if (t->Name.Size())
        GTextureManager.Table[TableKey(t->Name.CStr(), t->Flags)] = t;
}

// Forgets the GL name t in the unit caches: the current context unbinds it for
// real; the others only drop their record, so their next bind of a reused name
// is not skipped.
void UnbindEverywhere(const ZNTexture* t)
{
    ZNContextState* cs = TGCurContextState;
    for (UINT32 u = 0; u < TEX_COUNT; ++u)
        if (cs->Textures.Bound[u] == t->TexID)
            UnbindTexture(u, t);
    if (cs->StateList)
    {
        for (UINT32 i = 0; i < cs->StateList->Size(); ++i)
        {
            ZNContextState* other = (*cs->StateList)[i];
            if (!other || other == cs)
                continue;
            for (UINT32 u = 0; u < TEX_COUNT; ++u)
                if (other->Textures.Bound[u] == t->TexID)
                    other->Textures.Bound[u] = 0;
        }
    }
}

void DestroyTexture(ZNTexture* t)
{
    {
        ManagerLock lock;
        if (t->TexID)
        {
            // A GL name can only be deleted with a context current; without one
            // (process exit) the driver reclaims it with the context.
            if (TGCurGLTable && TGCurContextState)
            {
                UnbindEverywhere(t);
                TGCurGLTable->DeleteTextures(1, &t->TexID);
            }
            t->TexID = 0;
        }
        ZNTextureManager& m = GTextureManager;
        for (UINT32 i = 0; i < m.List.Size(); ++i)
        {
            if (m.List[i] == t)
            {
                m.List.Remove(i, i);
                break;
            }
        }
        if (t->Name.Size())
        {
            ZNString key  = TableKey(t->Name.CStr(), t->Flags);
            auto*    node = m.Table.Find(key);
            if (node && node->value == t)
                m.Table.Remove(key);
        }
    }
    delete t;
}

// The cache header must describe a texture the engine could have written: a
// size within the image limits (checked in 64 bits), one or six sides, and the
// chain length that size gives. Otherwise why says what is wrong.
bool CacheHeaderIsValid(const ZNTexture& t, ZNString& why)
{
    if (t.Sides != 1 && t.Sides != 6)
    {
        why = ZNString::Formatted("the header names %u sides (1 or 6 expected)", t.Sides);
        return false;
    }
    if (!ImageSizeIsAllowed(t.Width, t.Height, t.Depth, t.Sides, &why))
    {
        why = ZNString("the header's texture ") + why;
        return false;
    }
    UINT32 levels = 1;
    for (UINT32 w = t.Width, h = t.Height, d = t.Depth; w > 1 || h > 1 || d > 1; w >>= 1, h >>= 1, d >>= 1)
        ++levels;
    if (levels != t.MipLevCount)
    {
        why = ZNString::Formatted("the header names %u levels for %u x %u x %u (%u expected)", t.MipLevCount, t.Width,
                                  t.Height, t.Depth, levels);
        return false;
    }
    return true;
}

}   // namespace

void TEX_BuildMipTable(ZNTexture& t)
{
    UINT32 w = t.Width, h = t.Height, d = t.Depth;
    t.Mips[0].Width  = w;
    t.Mips[0].Height = h;
    t.Mips[0].Depth  = d;
    t.MipLevCount    = 1;
    while ((w > 1 || h > 1 || d > 1) && t.MipLevCount < TEX_MAX_MIPS)
    {
        w >>= 1;
        h >>= 1;
        d >>= 1;
        ZNTextureMip& mip = t.Mips[t.MipLevCount++];
        mip.Width         = w ? w : 1;
        mip.Height        = h ? h : 1;
        mip.Depth         = d ? d : 1;
    }
}

namespace
{

// Writes the cache beside its final name and renames it into place, so the
// final name only ever holds a complete file; an older cache is replaced.
bool WriteCacheFile(const char* file, const ZNPodArray<UINT8>& bytes)
{
    ZNString final = TEX_MipName(file);
    ZNString temp  = final + ".tmp";
    if (!WriteArrayToBinaryFile(temp.CStr(), bytes))
    {
        DeleteFileOrDirectory(temp.CStr());
        return false;
    }
    if (!MovePath(temp.CStr(), final.CStr(), true))
    {
        DeleteFileOrDirectory(temp.CStr());
        return false;
    }
    return true;
}

// Loads t from the image file name; the caller holds the manager lock.
bool LoadTextureFile(ZNTexture& t, const char* name, UINT32 flags)
{
    if (!name || !name[0] || !FileExists(name))
        return false;
    if (!HaveContext())
        return false;

    t.Flags         = flags;
    bool writeCache = !TEX_MipExists(name) && !(flags & TEX_NOSTREAM);
    if (writeCache)
        t.Flags |= TEX_PRELOAD;

    UINT32            level = (t.Flags & (TEX_NOSTREAM | TEX_PRELOAD)) ? 0 : 100;
    ZNPodArray<UINT8> bytes;
    if (!TEX_LoadMip(name, level, bytes, t))
    {
        if (level != 0)
        {
            // A damaged cache (TEX_LoadMip named it and the problem) is
            // rebuilt from the image, which is still there.
            PrintStdout("Texture \"%s\": its cache is rebuilt from the image\n", name);
            level      = 0;
            writeCache = true;
            t.Flags |= TEX_PRELOAD;
            if (!ReadFileToArray(name, bytes))
                bytes.SetCount(0);
        }
        else
        {
            // The image went away or cannot be read: bad input, reported below.
            PrintStdout("Texture \"%s\": the file cannot be read\n", name);
            bytes.SetCount(0);
        }
    }

    TextureImage   image;
    const ZNString source = level == 0 ? ZNString(name) : TEX_MipName(name);
    if (!LoadPngFromMemory(bytes.Data(), bytes.Size(), image, source.CStr()))
    {
        PrintStdout("Failed loading texture \"%s\"..\n", name);
        t.Flags = TEX_LOADFAILED;
        return false;
    }

    t.Name = name;
    t.Flags |= TEX_FROMFILE;
    if (level == 0)
    {
        t.Width  = image.Width;
        t.Height = image.Height;
        t.Depth  = image.Depth;
        t.Sides  = image.Sides;
    }
    TEX_BuildMipTable(t);
    t.MaxLevel = (t.Flags & TEX_NOSTREAM) ? 0 : t.MipLevCount - 1;
    t.MinLevel = 0;
    t.CurLevel.store((t.Flags & TEX_PRELOAD) ? 0 : t.MaxLevel);
    const UINT32 curLevel = t.CurLevel.load();

    t.InternalFormat = (t.Flags & TEX_NOSRGB) ? GL_RGBA8 : GL_SRGB8_ALPHA8;
    t.Format         = GL_RGBA;
    t.Type           = GL_UNSIGNED_BYTE;
    t.BytesPerPixel  = 4;
    t.FormatCode     = TEX_FORMAT_RGBA8;

    ZNPodArray<UINT8> cache;
    ZNOutputArchive   archive(cache);
    if (writeCache)
    {
        UINT32 header[6] = { 1, t.Width, t.Height, t.Depth, t.Sides, t.MipLevCount };
        archive.Serialize(header, 6, 4);
    }

    GladGLContext* gl = TGCurGLTable;
    gl->GenTextures(1, &t.TexID);
    if (ZN_CHECK_FAILED(t.TexID == 0))
        return false;
    BindOnUnit(kActiveUnit, &t);
    SetFilters(t, t.Flags, false);

    ZNPodArray<UINT8> record;
    for (UINT32 i = 0; i < t.MipLevCount - curLevel; ++i)
    {
        const ZNTextureMip& mip = t.Mips[curLevel + i];
        ResizeImage(image, mip.Width, mip.Height, mip.Depth);
        if (writeCache && i > 0)
        {
            EncodePngToArray(image, record, ImageFileType_Png);
            UINT32 size = record.Size();
            archive.Serialize(&size, 1, 4);
            if (size)
                archive.Serialize(record.Data(), size, 1);
        }
        UploadLevel(t, i, mip.Width, mip.Height, mip.Depth, image.GetData(), 4);
    }
    t.GLLevel = curLevel;

    RegisterTexture(&t);

    // A folder that cannot be written only costs the next start its cache.
    if (writeCache && !WriteCacheFile(name, cache))
        PrintStdout("Texture cache \"%s\": could not be written\n", TEX_MipName(name).CStr());
    return true;
}

}   // namespace

// ---------------------------------------------------------------------------
// Objects and handles

UINT32 ZNTexture::GetTarget() const
{
    if (Sides > 1)
        return GL_TEXTURE_CUBE_MAP;
    return Depth < 2 ? GL_TEXTURE_2D : GL_TEXTURE_3D;
}

ZNTextureHandle::ZNTextureHandle(const ZNTextureHandle& other) : Obj(other.Obj)
{
    if (Obj)
        Obj->RefCount.fetch_add(1);
}

ZNTextureHandle& ZNTextureHandle::operator=(const ZNTextureHandle& other)
{
    if (other.Obj != Obj)
        Attach(other.Obj);
    return *this;
}

void ZNTextureHandle::Attach(ZNTexture* texture)
{
    if (texture)
        texture->RefCount.fetch_add(1);
    Release();
    Obj = texture;
}

void ZNTextureHandle::Release()
{
    ZNTexture* t = Obj;
    if (!t)
        return;
    Obj          = nullptr;
    UINT32 count = t->RefCount.load();
    // A count already at 0 is a broken invariant; the object is left alone.
    if (ZN_CHECK_FAILED(count == 0))
        return;
    if (t->RefCount.fetch_sub(1) == 1)
        DestroyTexture(t);
}

UINT64 ZNTextureManager::GetMemoryUsage()
{
    ManagerLock lock;
    UINT64      total = 0;
    for (UINT32 i = 0; i < List.Size(); ++i)
        total += TEX_GetMemoryEstimate(*List[i]);
    return total;
}

ZNTextureManager::~ZNTextureManager()
{
    // A worker left running at exit would outlive the lists it walks.
    Running.store(0);
    StopWorker(*this);
}

void StopWorker(ZNTextureManager& m)
{
    // Waits without a limit for the routine to return, then lets Terminate
    // join the ended thread and reset the object. (ZNThread::Wait followed by
    // Terminate, Start or the destructor releases its thread block twice, so
    // the join goes through Terminate alone.)
    while (m.Worker.IsRunning())
        ZNThread::Sleep(1);
    m.Worker.Terminate();
}

UINT64 TEX_GetMemoryEstimate(const ZNTexture& t)
{
    UINT64 w = t.Width, h = t.Height, d = t.Depth;
    if (!(t.Flags & TEX_NOSTREAM))
    {
        UINT32 level = t.CurLevel.load();
        if (level < t.MipLevCount)
        {
            w = t.Mips[level].Width;
            h = t.Mips[level].Height;
            d = t.Mips[level].Depth;
        }
    }
    UINT64 bytes = w * h * d * t.Sides * t.BytesPerPixel;
    // Every texture but a "NOMIPMAPS" one carries a chain below its resident
    // level, TEX_NOSTREAM ones included (they upload all levels at once).
    if ((t.Flags & TEX_NOMIPMAPS) != TEX_NOMIPMAPS)
        bytes = bytes * 1333 / 1000;
    return bytes;
}

// ---------------------------------------------------------------------------
// Loading

ZNString TEX_MipName(const char* file)
{
    return ZNString(file) + ".mips";
}

bool TEX_MipExists(const char* file)
{
    return FileExists(TEX_MipName(file).CStr());
}

bool TEX_LoadMip(const char* file, UINT32& curLevel, ZNPodArray<UINT8>& bytes, ZNTexture& texture)
{
    if (curLevel == 0)
        return ReadFileToArray(file, bytes);

    FILE* f = ZNOpenFile(TEX_MipName(file).CStr(), ZN_FILE_READ | ZN_FILE_BINARY);
    if (!f)
        return false;
    ZNFileInputArchive ar(f);
    UINT32             header[6] = {};
    ar.Serialize(header, 6, 4);
    texture.Width       = header[1];
    texture.Height      = header[2];
    texture.Depth       = header[3];
    texture.Sides       = header[4];
    texture.MipLevCount = header[5];
    ZNString why;
    if (ar.HasError())
        why = "the file is shorter than its header";
    else if (header[0] != 1)
        why = ZNString::Formatted("the header's version is %u (1 expected)", header[0]);
    if (why.Size() == 0 && CacheHeaderIsValid(texture, why))
    {
        // The cache belongs to its image only when it has the image's size:
        // a header that claims more would have the levels built (and, with
        // six sides, uploaded) from pixels the records do not hold.
        UINT32 width = 0, height = 0;
        if (!ReadPngFileSize(file, width, height))
            why = ZNString::Formatted("its image \"%s\" cannot be read", file);
        else if (texture.Width != width || texture.Height != height || texture.Depth != 1 || texture.Sides != 1)
            why = ZNString::Formatted("the header names %u x %u x %u x %u for an image of %u x %u", texture.Width,
                                      texture.Height, texture.Depth, texture.Sides, width, height);
    }
    if (why.Size())
    {
        PrintStdout("Texture cache \"%s\": %s\n", TEX_MipName(file).CStr(), why.CStr());
        ZNFClose(f);
        return false;
    }
    // An image of one level has a cache without records: its only level is the image.
    if (texture.MipLevCount == 1 && ar.IsEnd())
    {
        ZNFClose(f);
        curLevel = 0;
        return ReadFileToArray(file, bytes);
    }

    UINT32 count = 0;
    UINT32 size  = 0;
    for (;;)
    {
        if (ar.IsEnd())
        {
            PrintStdout("Texture cache \"%s\": ends early (%u of its levels are there)\n", TEX_MipName(file).CStr(),
                        count);
            ZNFClose(f);
            return false;
        }
        ar.SerializeItem(size);
        const INT64 end = ar.Tell() + size;
        // A record that runs past the end of the file is a truncated cache.
        if (ar.HasError() || end > ar.Size())
        {
            PrintStdout("Texture cache \"%s\": record %u runs past the end of the file (truncated)\n",
                        TEX_MipName(file).CStr(), count + 1);
            ZNFClose(f);
            return false;
        }
        ++count;
        if (count == curLevel || end == ar.Size())
            break;
        ar.Seek(end);
    }
    curLevel = count;
    bytes.SetCount(size);
    if (size)
        ar.Serialize(bytes.Data(), size, 1);
    ZNFClose(f);
    return !ar.HasError();
}

bool LoadTexture(ZNTextureHandle& handle, const char* name, UINT32 flags)
{
    ZNTexture* current = handle.Get();
    if (current && name && current->Name == name && (current->Flags & ~TEX_FROMFILE) == flags)
        return true;

    handle.Release();
    {
        ManagerLock lock;
        auto*       node = GTextureManager.Table.Find(TableKey(name ? name : "", flags | TEX_FROMFILE));
        if (node)
        {
            handle.Attach(node->value);
            return true;
        }
    }
    ZNTexture*  t = AdoptNewTexture(handle);
    ManagerLock lock;
    return LoadTextureFile(*t, name, flags);
}

// ---------------------------------------------------------------------------
// Raw creation and update

bool CreateTexture(ZNTextureHandle& handle, UINT32 width, UINT32 height, UINT32 depth, UINT32 sides, UINT32 formatCode,
                   const void* pixels, UINT32 flags)
{
    ZNTexture* t  = AdoptNewTexture(handle);
    t->Width      = width;
    t->Height     = height;
    t->Depth      = depth;
    t->Sides      = sides;
    t->FormatCode = formatCode;
    t->Flags      = flags | TEX_NOSTREAM;

    const FormatInfo* info = FindFormat(formatCode);
    if (!ShapeIsValid(depth, sides) || width == 0 || height == 0 || !info)
        return false;
    ApplyFormat(*t, *info);
    TEX_BuildMipTable(*t);
    t->MipLevCount = 1;
    if (!HaveContext())
        return false;

    GladGLContext* gl = TGCurGLTable;
    ManagerLock    lock;
    if (!GenerateGLTexture(*t, flags))
        return false;
    UploadLevel(*t, 0, width, height, depth, (const UINT8*)pixels, ClientPixelBytes(*t));
    if ((flags & TEX_NOMIPMAPS) == 0 && (width > 1 || height > 1) && pixels)
        gl->GenerateMipmap(t->GetTarget());
    RegisterTexture(t);
    return true;
}

bool CreateCubeTexture(ZNTextureHandle& handle, const ZNTextureHandle faces[6])
{
    if (!faces)
        return false;
    // Own references: handle may be one of the faces, and is released below.
    ZNTextureHandle keep[6];
    for (UINT32 i = 0; i < 6; ++i)
        keep[i] = faces[i];
    faces                  = keep;
    const ZNTexture* first = faces[0].Get();
    if (!first)
        return false;
    for (UINT32 i = 0; i < 6; ++i)
    {
        const ZNTexture* f = faces[i].Get();
        if (!f || !f->TexID || !(f->Flags & TEX_NOSTREAM) || f->Width != first->Width || f->Height != first->Width ||
            f->Depth > 1 || f->Sides > 1 || f->Format != first->Format || f->InternalFormat != first->InternalFormat ||
            f->Type != first->Type)
            return false;
    }
    if (!HaveContext())
        return false;

    ZNTexture*   t    = AdoptNewTexture(handle);
    const UINT32 size = first->Width;
    t->Width = t->Height = size;
    t->Depth             = 1;
    t->Sides             = 6;
    t->Flags             = first->Flags | TEX_NOSTREAM;
    t->FormatCode        = first->FormatCode;
    t->BytesPerPixel     = first->BytesPerPixel;
    t->Format            = first->Format;
    t->InternalFormat    = first->InternalFormat;
    t->Type              = first->Type;
    TEX_BuildMipTable(*t);
    t->MipLevCount = 1;

    const UINT32 pixelBytes = ClientPixelBytes(*t);
    if (pixelBytes == 0)
        return false;
    GladGLContext* gl = TGCurGLTable;
    ManagerLock    lock;
    if (!GenerateGLTexture(*t, t->Flags))
        return false;

    ZNMemBlock     buffer((UINT32)((size_t)pixelBytes * size * size));
    PixelAlignment align(size * pixelBytes);
    for (UINT32 face = 0; face < 6; ++face)
    {
        BindOnUnit(kActiveUnit, faces[face].Get());
        gl->GetTexImage(GL_TEXTURE_2D, 0, t->Format, t->Type, buffer.Data());
        BindOnUnit(kActiveUnit, t);
        gl->TexImage2D(GL_TEXTURE_CUBE_MAP_POSITIVE_X + face, 0, t->InternalFormat, size, size, 0, t->Format, t->Type,
                       buffer.Data());
    }
    if ((t->Flags & TEX_NOMIPMAPS) == 0)
        gl->GenerateMipmap(GL_TEXTURE_CUBE_MAP);
    RegisterTexture(t);
    return true;
}

bool UpdateTexture(ZNTextureHandle& handle, UINT32 width, UINT32 height, UINT32 depth, UINT32 sides, UINT32 formatCode,
                   const void* pixels, UINT32 flags)
{
    (void)width;
    (void)height;
    ZNTexture* t = handle.Get();
    if (!t || !t->TexID || !pixels)
        return false;
    // The upload covers the stored size, so the caller's data must have the
    // texture's own shape.
    if (!ShapeIsValid(depth, sides) || depth != t->Depth || sides != t->Sides)
        return false;
    if (formatCode == TEX_FORMAT_RGBA32F || formatCode == TEX_FORMAT_R32F)
        return false;
    const FormatInfo* info = FindFormat(formatCode);
    if (!info || !HaveContext())
        return false;
    ApplyFormat(*t, *info);

    GladGLContext* gl = TGCurGLTable;
    BindOnUnit(kActiveUnit, t);
    SetFilters(*t, flags, true);
    const UINT32   pixelBytes = ClientPixelBytes(*t);
    PixelAlignment align(t->Width * pixelBytes);
    const UINT8*   src    = (const UINT8*)pixels;
    const UINT32   target = t->GetTarget();
    if (target == GL_TEXTURE_CUBE_MAP)
    {
        const size_t face = (size_t)pixelBytes * t->Width * t->Height;
        for (UINT32 s = 0; s < t->Sides; ++s)
            gl->TexSubImage2D(GL_TEXTURE_CUBE_MAP_POSITIVE_X + s, 0, 0, 0, t->Width, t->Height, t->Format, t->Type,
                              src + s * face);
    }
    else if (target == GL_TEXTURE_2D)
        gl->TexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, t->Width, t->Height, t->Format, t->Type, src);
    else
        gl->TexSubImage3D(GL_TEXTURE_3D, 0, 0, 0, 0, t->Width, t->Height, t->Depth, t->Format, t->Type, src);
    if ((flags & TEX_NOMIPMAPS) == 0)
        gl->GenerateMipmap(target);
    return true;
}

// ---------------------------------------------------------------------------
// Read-back

namespace
{

const ZNTexture* ReadableTexture(const ZNTextureHandle& handle)
{
    const ZNTexture* t = handle.Get();
    if (!t || !t->TexID || !(t->Flags & TEX_NOSTREAM) || t->Width == 0 || t->Height == 0 || t->Depth > 1 ||
        t->Sides > 1)
        return nullptr;
    return HaveContext() ? t : nullptr;
}

}   // namespace

bool ReadTexture(const ZNTextureHandle& handle, ImageData& image)
{
    const ZNTexture* t = ReadableTexture(handle);
    if (!t)
        return false;
    image.Resize(t->Width, t->Height, 1, 1);
    BindOnUnit(kActiveUnit, t);
    TGCurGLTable->GetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, image.GetData());
    return true;
}

bool ReadTexture(const ZNTextureHandle& handle, FloatImage& image)
{
    const ZNTexture* t = ReadableTexture(handle);
    if (!t)
        return false;
    image.Resize(t->Width, t->Height, false);
    BindOnUnit(kActiveUnit, t);
    TGCurGLTable->GetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_FLOAT, image.Pixels.Data());
    return true;
}

bool ReadTexture(const ZNTextureHandle& handle, ZNPodArray<UINT8>& bytes)
{
    const ZNTexture* t = handle.Get();
    if (!t || !t->TexID || !(t->Flags & TEX_NOSTREAM) || t->Width == 0 || t->Height == 0 || !HaveContext())
        return false;
    const UINT32 pixelBytes = ClientPixelBytes(*t);
    const UINT32 depth = t->Depth ? t->Depth : 1, sides = t->Sides ? t->Sides : 1;
    const size_t face = (size_t)t->Width * t->Height * depth * pixelBytes;
    if (pixelBytes == 0 || face * sides > 0xFFFFFFFFu)
        return false;
    bytes.SetCount((UINT32)(face * sides));
    BindOnUnit(kActiveUnit, t);
    PixelAlignment align(t->Width * pixelBytes);
    const UINT32   target = t->GetTarget();
    if (target == GL_TEXTURE_CUBE_MAP)
    {
        for (UINT32 s = 0; s < sides; ++s)
            TGCurGLTable->GetTexImage(GL_TEXTURE_CUBE_MAP_POSITIVE_X + s, 0, t->Format, t->Type,
                                      bytes.Data() + s * face);
    }
    else
        TGCurGLTable->GetTexImage(target, 0, t->Format, t->Type, bytes.Data());
    return true;
}

bool SaveTexture(const ZNTextureHandle& handle, const char* path, bool flipRows)
{
    TextureImage image;
    if (!ReadTexture(handle, image))
        return false;
    if (flipRows)
        FlipVertical(image);
    return SaveImageFile(path, image);
}

void GenerateMipmaps(const ZNTextureHandle& handle)
{
    const ZNTexture* t = handle.Get();
    if (!t || !t->TexID || !HaveContext())
        return;
    BindOnUnit(kActiveUnit, t);
    TGCurGLTable->GenerateMipmap(t->GetTarget());
}

// ---------------------------------------------------------------------------
// Binding

void BindTexture(UINT32 id, const ZNTexture* texture)
{
    // The all-ones unit is reported too but then means the active unit; any
    // other unit beyond the cache is refused after the report.
    if (ZN_CHECK_FAILED(id >= TEX_COUNT) && id != kActiveUnit)
        return;
    BindOnUnit(id, texture);
}

// Makes unit id active (kActiveUnit: the one that is) and returns the current
// context's unit cache, or null without a texture or a current context.
static ZNTextureContextState* SelectUnit(UINT32 id, const ZNTexture* texture)
{
    if (!texture || !TGCurContextState || !TGCurGLTable)
        return nullptr;
    ZNTextureContextState& units = TGCurContextState->Textures;
    if (id != kActiveUnit && id != units.ActiveUnit)
    {
        TGCurGLTable->ActiveTexture(GL_TEXTURE0 + id);
        units.ActiveUnit = id;
    }
    return &units;
}

static void BindOnUnit(UINT32 id, const ZNTexture* texture)
{
    ZNTextureContextState* cache = SelectUnit(id, texture);
    if (!cache)
        return;
    ZNTextureContextState& units = *cache;
    if (units.Bound[units.ActiveUnit] != texture->TexID)
    {
        ZNCountTextureBind();
        TGCurGLTable->BindTexture(texture->GetTarget(), texture->TexID);
        units.Bound[units.ActiveUnit] = texture->TexID;
    }
}

void BindTexture(UINT32 unit, const ZNTextureHandle& handle)
{
    const ZNTexture* t = handle.Get();
    if (!t || !t->TexID)
        return;
    BindTexture(unit, t);
}

void UnbindTexture(UINT32 id, const ZNTexture* texture)
{
    if (ZN_CHECK_FAILED(id >= TEX_COUNT) && id != kActiveUnit)
        return;
    ZNTextureContextState* cache = SelectUnit(id, texture);
    if (!cache)
        return;
    ZNTextureContextState& units = *cache;
    if (units.Bound[units.ActiveUnit] == texture->TexID)
    {
        TGCurGLTable->BindTexture(texture->GetTarget(), 0);
        units.Bound[units.ActiveUnit] = 0;
    }
}

void UnbindTarget(UINT32 unit, UINT32 target)
{
    // A unit beyond the cache would record outside it.
    if (ZN_CHECK_FAILED(unit >= TEX_COUNT && unit != 0xFFFFFFFFu))
        return;
    if (!TGCurContextState || !TGCurGLTable)
        return;
    ZNTextureContextState& units = TGCurContextState->Textures;
    if (unit != kActiveUnit && unit != units.ActiveUnit)
    {
        TGCurGLTable->ActiveTexture(GL_TEXTURE0 + unit);
        units.ActiveUnit = unit;
    }
    TGCurGLTable->BindTexture(target, 0);
    units.Bound[units.ActiveUnit] = 0;
}

// ---------------------------------------------------------------------------
// Streaming support (GL thread)

bool TEX_UploadStreamedLevels(ZNTexture& t)
{
    const UINT32 curLevel = t.CurLevel.load();
    if (curLevel >= t.MipLevCount || !TGCurGLTable || !TGCurContextState)
        return false;
    // Every level must be there before GL is touched: a partial upload would
    // leave a texture whose levels do not fit together.
    for (UINT32 level = curLevel; level < t.MipLevCount; ++level)
    {
        const ZNTextureMip& mip = t.Mips[level];
        if (mip.Pixels.Size() != (size_t)mip.Width * mip.Height * mip.Depth * t.Sides * 4)
            return false;
    }
    BindOnUnit(kActiveUnit, &t);
    for (UINT32 i = 0; i < t.MipLevCount - curLevel; ++i)
    {
        const UINT32 level = curLevel + i;
        if (ZN_CHECK_FAILED(level >= t.MipLevCount))
            break;
        const ZNTextureMip& mip = t.Mips[level];
        UploadLevel(t, i, mip.Width, mip.Height, mip.Depth, mip.Pixels.Data(), 4);
    }
    TGCurGLTable->TexParameteri(t.GetTarget(), GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    TGCurGLTable->TexParameteri(t.GetTarget(), GL_TEXTURE_MIN_FILTER,
                                (t.Flags & TEX_NOMIPMAPS) ? GL_LINEAR : GL_LINEAR_MIPMAP_LINEAR);
    t.GLLevel = curLevel;
    return true;
}

void TEX_FreeMipPixels(ZNTexture& t)
{
    for (UINT32 i = 0; i < TEX_MAX_MIPS; ++i)
        t.Mips[i].Pixels.Release();
}

// ---------------------------------------------------------------------------
// Format helpers

UINT32 T_GetFormatMultiplier(UINT32 format)
{
    switch (format)
    {
    case GL_DEPTH_COMPONENT:
    case GL_RED:
    case GL_GREEN:
    case GL_BLUE:
    case GL_ALPHA:
    case GL_LUMINANCE: return 1;
    case GL_LUMINANCE_ALPHA: return 2;
    case GL_RGB:
    case GL_BGR: return 3;
    case GL_RGBA:
    case GL_BGRA: return 4;
    }
    BREAK_IF("T_GetFormatMultiplier: Format is invalid!");
    return 0;
}

UINT32 T_GetTypeSize(UINT32 type)
{
    switch (type)
    {
    case GL_BYTE:
    case GL_UNSIGNED_BYTE:
    case GL_UNSIGNED_BYTE_3_3_2:
    case GL_UNSIGNED_BYTE_2_3_3_REV: return 1;
    case GL_SHORT:
    case GL_UNSIGNED_SHORT:
    case GL_UNSIGNED_SHORT_4_4_4_4:
    case GL_UNSIGNED_SHORT_5_5_5_1:
    case GL_UNSIGNED_SHORT_5_6_5:
    case GL_UNSIGNED_SHORT_5_6_5_REV:
    case GL_UNSIGNED_SHORT_4_4_4_4_REV:
    case GL_UNSIGNED_SHORT_1_5_5_5_REV: return 2;
    case GL_INT:
    case GL_UNSIGNED_INT:
    case GL_FLOAT:
    case GL_UNSIGNED_INT_8_8_8_8:
    case GL_UNSIGNED_INT_10_10_10_2:
    case GL_UNSIGNED_INT_8_8_8_8_REV:
    case GL_UNSIGNED_INT_2_10_10_10_REV: return 4;
    }
    BREAK_IF("T_GetTypeSize: Type is invalid!");
    return 0;
}
