// ZNAssert: the lowest layer of the engine.
//
//   BREAK_IF(cond)      when cond holds, asks the user (caption "BREAK_IF") whether
//                       to debug; Yes raises a breakpoint, No returns and the caller
//                       carries on after the check. A string literal as cond is
//                       always true and reports itself.
//   ZNAskYesNo          question box, true exactly on Yes
//   ZNFatalError        stop box, then the process ends with 0xBADDC0DE; never returns
//   ZNInfoBox           information box
//   ZNAlloc/ZNRealloc   never return null: failure is fatal
//
// Every box goes through one replaceable handler, so no dialog ever leaves an
// unattended run waiting (see ZNSetDialogHandler). The default handler asks, in
// this order: env ZN_DIALOG=yes|no (printed to stderr and answered at once), a
// message box when a display exists, a prompt when stdin is a terminal, else it
// prints the box and answers No. Every function here may be called from any
// thread.
#pragma once

#include <stddef.h>
#include <stdint.h>

typedef uint8_t  UINT8;
typedef int8_t   INT8;
typedef uint16_t UINT16;
typedef int16_t  INT16;
typedef uint32_t UINT32;
typedef int32_t  INT32;
typedef uint64_t UINT64;
typedef int64_t  INT64;

#define ZN_FATAL_EXIT_CODE 0xBADDC0DE   // a POSIX parent sees the low byte, 222
#define ZN_ASSERT_TEXT_SIZE 2048        // assertion text buffer, terminator included
#define ZN_BOX_OK 1                     // what ZNInfoBox returns once the box was shown

// What kind of box is asked for.
enum ZNDialogKind
{
    ZNDialog_YesNo = 0,   // question, Yes/No
    ZNDialog_Fatal = 1,   // stop icon, OK
    ZNDialog_Info  = 2,   // information icon, OK
};

// A dialog handler shows (or records) one box and returns true for Yes/OK.
typedef bool (*ZNDialogHandler)(ZNDialogKind kind, const char* text, const char* caption);

// Replaces the handler; null restores the default one. Returns the previous
// handler (null when the default one was in place).
ZNDialogHandler ZNSetDialogHandler(ZNDialogHandler handler);

// The handler used when none is set; a test handler may forward to it.
bool ZNDefaultDialogHandler(ZNDialogKind kind, const char* text, const char* caption);

// Shows one box through the current handler; null texts become empty.
bool ZNShowDialog(ZNDialogKind kind, const char* text, const char* caption);

// Formats the assertion text into buffer (cut to size - 1 characters, always
// terminated). ZNAssertFailed uses ZN_ASSERT_TEXT_SIZE.
void ZNFormatAssertText(char* buffer, size_t size, const char* expression, const char* file, int line);

void              ZNAssertFailed(const char* expression, const char* file, int line);
bool              ZNAskYesNo(const char* text, const char* caption);
[[noreturn]] void ZNFatalError(const char* text, const char* caption);
int               ZNInfoBox(const char* text, const char* caption);   // ZN_BOX_OK, or 0 if not shown

void* ZNAlloc(size_t size);
void* ZNRealloc(void* block, size_t size);
void  ZNFree(void* block);   // null is tolerated, though callers test first

#define BREAK_IF(cond)                                 \
    do                                                 \
    {                                                  \
        if (cond)                                      \
            ZNAssertFailed(#cond, __FILE__, __LINE__); \
    } while (0)

// Expression form for guarded accesses: reports like BREAK_IF and yields true
// when the check failed, so the caller can skip the access:
//   if (ZN_CHECK_FAILED(at >= count)) return scratch;
#define ZN_CHECK_FAILED(cond) ((cond) ? (ZNAssertFailed(#cond, __FILE__, __LINE__), true) : false)
