// ZNTextureStream: the request queue, the worker that loads levels, and the
// uploads on the GL thread.
//
// Hand-over: StreamState is the only word both threads act on. The GL thread
// writes 1 (and queues) only from 0; the worker writes 2 only after the pixel
// blocks are complete; the GL thread touches the blocks only in state 2 and
// frees them before writing 0. The queue holds a reference to every queued
// texture; when the worker would drop a texture's last reference it hands it to
// the GL thread instead (GTextureManager.Released), because destroying a texture
// calls GL and takes the manager lock the worker may be holding.
#include "resources/ZNTextureStream.h"
#include "files/ZNFileIO.h"

#include <string.h>

namespace
{

// Queues texture with a reference of its own. The caller has set state 1.
void QueueTexture(ZNTexture* texture)
{
    ZNTextureManager& m = GTextureManager;
    ZNTextureHandle   handle;
    handle.Attach(texture);
    m.Lock.Lock();
    m.StreamQueue.Add(handle);
    m.Lock.Unlock();
}

// Removes queue entry at (lock held). Its reference is dropped unless it is
// the last one, which goes to the GL thread's release list.
void DropQueueEntry(ZNTextureManager& m, UINT32 at)
{
    ZNTexture* texture = m.StreamQueue[at].Detach();
    m.StreamQueue.Remove(at, at);
    UINT32 count = texture->RefCount.load();
    while (count > 1 && !texture->RefCount.compare_exchange_weak(count, count - 1))
        ;
    if (count <= 1)
    {
        m.Released.Add(ZNTextureHandle());
        m.Released.Last().Adopt(texture);
    }
}

// Releases, on the GL thread, the references the worker handed back.
void FreeReleased()
{
    ZNTextureManager&        m = GTextureManager;
    ZNArray<ZNTextureHandle> doomed;
    m.Lock.Lock();
    for (UINT32 i = 0; i < m.Released.Size(); ++i)
        doomed.Add(m.Released[i]);
    m.Released.Clear();
    m.Lock.Unlock();
    // doomed's destructor destroys the textures, outside the lock.
}

}   // namespace

bool TEX_LoadStreamLevels(ZNTexture& texture)
{
    const char* name = texture.Name.CStr();
    if (!TEX_MipExists(name))
        return false;

    UINT32            level = texture.CurLevel.load();
    ZNPodArray<UINT8> bytes;
    ZNTexture         header;
    // A damaged cache is bad input (TEX_LoadMip named it and the problem): the
    // texture keeps the levels it has.
    if (!TEX_LoadMip(name, level, bytes, header))
        return false;
    // A cache written for another version of the image does not fit this
    // texture's mip table.
    if (level > 0 &&
        (header.Width != texture.Width || header.Height != texture.Height || header.Depth != texture.Depth ||
         header.Sides != texture.Sides || header.MipLevCount != texture.MipLevCount))
        return false;
    if (level >= texture.MipLevCount)
        return false;
    texture.CurLevel.store(level);

    TextureImage image;
    if (!LoadPngFromMemory(bytes.Size() ? &bytes[0] : nullptr, bytes.Size(), image))
        return false;
    for (UINT32 l = level; l < texture.MipLevCount; ++l)
    {
        ZNTextureMip& mip = texture.Mips[l];
        ResizeImage(image, mip.Width, mip.Height, mip.Depth);
        if (image.ByteSize() == 0)
        {
            TEX_FreeMipPixels(texture);
            return false;
        }
        // Within the image limits (256 MiB), so the size fits the block's count.
        mip.Pixels.Resize((UINT32)image.ByteSize());
        memcpy(mip.Pixels.Data(), image.GetData(), (size_t)image.ByteSize());
    }
    return true;
}

namespace
{

// State 2 to 0 on the GL thread: upload what the load produced, or, when it
// failed, leave GL as it was and let CurLevel name what GL holds.
void FinishUpload(ZNTexture& texture)
{
    if (!TEX_UploadStreamedLevels(texture))
        texture.CurLevel.store(texture.GLLevel);
    TEX_FreeMipPixels(texture);
    texture.StreamState.store(0);
}

// Brings a texture in state 1 or 2 back to 0 on the GL thread. A request still
// waiting in the queue is taken out and served here; one the worker is loading
// is waited for (its load is bounded: file read, decode, resampling).
void FinishPending(ZNTexture& texture)
{
    ZNTextureManager& m = GTextureManager;
    if (texture.StreamState.load() == 1)
    {
        bool serveHere = false;
        m.Lock.Lock();
        if (texture.StreamState.load() == 1 && m.Loading != &texture)
        {
            for (UINT32 i = 0; i < m.StreamQueue.Size(); ++i)
            {
                if (m.StreamQueue[i].Get() == &texture)
                {
                    DropQueueEntry(m, i);
                    break;
                }
            }
            serveHere = true;
        }
        m.Lock.Unlock();
        if (serveHere)
        {
            TEX_LoadStreamLevels(texture);
            texture.StreamState.store(2);
        }
        while (texture.StreamState.load() == 1)
            ZNThread::Sleep(1);
    }
    if (texture.StreamState.load() == 2)
        FinishUpload(texture);
}

#ifdef __EMSCRIPTEN__
// The front entry of the queue: loaded when it still asks to be (state 1 to
// 2), then taken out.
void ServeOneLoad(ZNTextureManager& m)
{
    if (!m.Running.load() || m.StreamQueue.Size() == 0)
        return;
    ZNTextureHandle held    = m.StreamQueue[0];
    ZNTexture*      texture = held.Get();
    DropQueueEntry(m, 0);
    if (texture->StreamState.load() == 1)
    {
        TEX_LoadStreamLevels(*texture);
        texture->StreamState.store(2);
    }
}
#endif

UINT32 StreamWorker(void* context)
{
    ZNTextureManager& m = *(ZNTextureManager*)context;
    while (m.Running.load())
    {
        m.Lock.Lock();
        // Every pass removes the front entry, served or stale, so the queue
        // empties; Running is checked between loads so a stop waits for one
        // load at most.
        while (m.StreamQueue.Size() && m.Running.load())
        {
            ZNTexture* texture = m.StreamQueue[0].Get();
            if (texture->StreamState.load() == 1)
            {
                m.Loading = texture;
                m.Lock.Unlock();
                TEX_LoadStreamLevels(*texture);
                m.Lock.Lock();
                m.Loading = nullptr;
                texture->StreamState.store(2);
            }
            // While the lock was free the GL thread may have taken other
            // entries out, so the entry is found again by its texture.
            for (UINT32 i = 0; i < m.StreamQueue.Size(); ++i)
            {
                if (m.StreamQueue[i].Get() == texture)
                {
                    DropQueueEntry(m, i);
                    break;
                }
            }
        }
        m.Lock.Unlock();
        ZNThread::Sleep(TEX_STREAM_PAUSE);
    }
    return 0;
}

}   // namespace

bool RequestFinerLevel(ZNTexture* texture)
{
    if (!texture || (texture->Flags & TEX_NOSTREAM) || texture->StreamState.load() != 0 ||
        texture->CurLevel.load() <= texture->MinLevel)
        return false;
    UINT32 level = texture->CurLevel.load();
    if (level > texture->MaxLevel)
        level = texture->MaxLevel;
    texture->CurLevel.store(level - 1);
    texture->StreamState.store(1);
    QueueTexture(texture);
    return true;
}

bool RequestCoarserLevel(ZNTexture* texture)
{
    if (!texture || (texture->Flags & TEX_NOSTREAM) || texture->StreamState.load() != 0 ||
        texture->CurLevel.load() >= texture->MaxLevel)
        return false;
    UINT32 level = texture->CurLevel.load();
    if (level < texture->MinLevel)
        level = texture->MinLevel;
    texture->CurLevel.store(level + 1);
    texture->StreamState.store(1);
    QueueTexture(texture);
    return true;
}

void TouchTexture(const ZNTextureHandle& handle)
{
    ZNTexture* texture = handle.Get();
    if (!texture || (texture->Flags & TEX_NOSTREAM))
        return;
    texture->IdleTime = 0.0f;
    if (texture->StreamState.load() == 0)
        RequestFinerLevel(texture);
}

void UpdateTextures(float dt)
{
    ZNTextureManager& m = GTextureManager;
    FreeReleased();
    for (UINT32 i = 0; i < m.List.Size(); ++i)
    {
        ZNTexture* texture = m.List[i];
        if (texture->Flags & TEX_NOSTREAM)
            continue;
        texture->IdleTime += dt;
        if (texture->IdleTime > TEX_IDLE_LIMIT)
        {
            RequestCoarserLevel(texture);
            texture->IdleTime -= TEX_IDLE_LIMIT;
        }
        if (texture->StreamState.load() == 2)
            FinishUpload(*texture);
    }
#ifdef __EMSCRIPTEN__
    // A page has no worker thread: the worker's work is done here in slices,
    // one load per frame, uploaded at the next frame as the worker's would be.
    ServeOneLoad(m);
#endif
}

void SetCurMipLevel(const ZNTextureHandle& handle, UINT32 level)
{
    ZNTexture* texture = handle.Get();
    if (!texture)
        return;
    FinishPending(*texture);
    if (texture->CurLevel.load() == level)
        return;
    UINT32 wanted = level == TEX_MAX_MIPLEVEL ? texture->MaxLevel : level;
    if (wanted == 0)
        wanted = texture->MinLevel;
    if (wanted > texture->MaxLevel || wanted < texture->MinLevel)
        ZNFatalErrorLog("SetCurMipLevel: wrong level requested! Use TEX_MIN_MIPLEVEL and TEX_MAX_MIPLEVEL to be sure!");
    if (texture->CurLevel.load() == wanted)
        return;
    texture->CurLevel.store(wanted);
    TEX_LoadStreamLevels(*texture);
    FinishUpload(*texture);
}

void StartStreaming()
{
    ZNTextureManager& m = GTextureManager;
    if (m.Worker.IsRunning())
        return;
    StopWorker(m);   // resets an object whose thread has already ended
    m.Running.store(1);
#ifdef __EMSCRIPTEN__
    // No thread in a page: UpdateTextures serves the queue (ServeOneLoad).
    (void)&StreamWorker;
#else
    m.Worker.Start(StreamWorker, &m);
#endif
}

void StopStreaming()
{
    ZNTextureManager& m = GTextureManager;
    m.Running.store(0);
    StopWorker(m);

    ZNArray<ZNTextureHandle> doomed;
    m.Lock.Lock();
    m.Table.Clear();
    m.List.SetCount(0);
    for (UINT32 i = 0; i < m.StreamQueue.Size(); ++i)
    {
        // A request nobody will serve any more: back to what GL holds.
        ZNTexture* texture = m.StreamQueue[i].Get();
        if (texture->StreamState.load() == 1)
        {
            texture->CurLevel.store(texture->GLLevel);
            texture->StreamState.store(0);
        }
        doomed.Add(m.StreamQueue[i]);
    }
    m.StreamQueue.Clear();
    for (UINT32 i = 0; i < m.Released.Size(); ++i)
        doomed.Add(m.Released[i]);
    m.Released.Clear();
    m.Lock.Unlock();
    // doomed's destructor drops the references outside the lock.
}
