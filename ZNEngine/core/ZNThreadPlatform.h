// ZNThreadPlatform: what the shared half of ZNThread (ZNThread.cpp) asks of
// the platform files (ZNThreadPosix.cpp / ZNThreadWin32.cpp).
// Internal to the core folder.
#pragma once

#include "core/ZNThread.h"

// Makes a block for routine(context) and starts its thread: the block, with
// the thread's id in threadId, or null (threadId untouched) when no thread
// could be started, a null routine included.
ZNThreadBlock* ZNLaunchThread(ZNThreadRoutine routine, void* context, UINT32& threadId);

// Gives up the object's claim on a thread's block. The thread runs on if it
// has not ended; the last of the two to let go frees the block.
void ZNLetGoOfThread(ZNThreadBlock* block);
