// ZNTextureStream: moves the resident mip level of streamable textures one step
// at a time.
//
// A texture loaded without TEX_NOSTREAM keeps only part of its chain in GL: GL
// level 0 holds mip level CurLevel. A texture that is used (TouchTexture) asks
// for one finer level, one left unused for 240 time units drops one level. The
// worker thread reads the levels from the ".mips" cache and resamples them; the
// GL thread uploads them in UpdateTextures. The worker never calls GL.
//
//   StartStreaming();                 // engine start
//   TouchTexture(tex);                // whenever tex is drawn
//   UpdateTextures(dt);               // once per frame, GL thread
//   StopStreaming();                  // engine shutdown, before the GL context goes
//
// Guarantees: one request per texture in flight; a request whose levels cannot
// be loaded leaves GL as it was, with CurLevel naming what GL holds, and the
// texture accepts new requests; SetCurMipLevel never waits on a worker that is
// not running.
#pragma once

#include "resources/ZNTexture.h"

#define TEX_MIN_MIPLEVEL 0      // SetCurMipLevel: the finest allowed level
#define TEX_MAX_MIPLEVEL 16     // SetCurMipLevel: the coarsest allowed level
#define TEX_IDLE_LIMIT 240.0f   // idle time units before a texture drops one level
#define TEX_STREAM_PAUSE 200    // worker poll interval, milliseconds

// Queue one finer / coarser level; true when a change was queued.
bool RequestFinerLevel(ZNTexture* texture);
bool RequestCoarserLevel(ZNTexture* texture);
// The texture is used this frame.
void TouchTexture(const ZNTextureHandle& handle);
// Per-frame step on the GL thread: idle timers and uploads of finished loads.
void UpdateTextures(float dt);
// Synchronous change of the resident level on the calling (GL) thread.
// level: a mip level, TEX_MIN_MIPLEVEL or TEX_MAX_MIPLEVEL; an out-of-range level is fatal.
void SetCurMipLevel(const ZNTextureHandle& handle, UINT32 level);

// The worker's load: levels CurLevel .. MipLevCount - 1 of a file texture from
// its ".mips" cache into the mip table's pixel blocks, resampled from the
// cached level. No GL. False, with no block left filled, when the cache is
// missing, does not match the texture or does not decode.
bool TEX_LoadStreamLevels(ZNTexture& texture);

// Start and stop of the worker (engine start and shutdown). StopStreaming joins the
// worker, then clears the manager's table, list and queue.
void StartStreaming();
void StopStreaming();
