// ZNRuntime: the engine's thin layer over the C runtime - file streams, math
// and byte order - plus the open/save file chooser. Streams come from
// ZNOpenFile of the file layer (files/ZNFileIO.h), which resolves engine
// names.
//
//   FILE* f = ZNOpenFile("Textures/a.png.mips", ZN_FILE_READ | ZN_FILE_BINARY);
//   if (f) { ZNFSeek(f, -1, false); long size = ZNFTell(f); ZNFSeek(f, 0, false); ... ZNFClose(f); }
//
// Guarantees:
//   - The math wrappers are the runtime's functions; ZNRtSign gives -1 for NaN.
//   - gSysFileOpen never leaves an unattended run waiting: without a person to
//     ask it returns 0 (cancelled).
#pragma once

#include "core/ZNAssert.h"

#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <wchar.h>

// ---- streams ----------------------------------------------------------------------

int      ZNFClose(FILE* file);
long     ZNFTell(FILE* file);
bool     ZNFEof(FILE* file);
// relative: from the current position. Otherwise position >= 0 counts from the
// start and a negative position p from the end with offset -p-1, so -1 is the
// end itself. Returns 0 on success like fseek.
int      ZNFSeek(FILE* file, long position, bool relative);
int      ZNFGetC(FILE* file);   // EOF at the end
size_t   ZNFRead(void* data, size_t size, size_t count, FILE* file);
size_t   ZNFWrite(const void* data, size_t size, size_t count, FILE* file);
char*    ZNFGetS(char* buffer, int size, FILE* file);   // one line, at most size - 1 characters
wchar_t* ZNFGetWS(wchar_t* buffer, int size, FILE* file);
int      ZNFPutS(const char* text, FILE* file);
int      ZNFPutWS(const wchar_t* text, FILE* file);

// ---- math --------------------------------------------------------------------------

inline float ZNRtAbs(float x)
{
    return fabsf(x);
}
inline double ZNRtAbs(double x)
{
    return fabs(x);
}
inline int ZNRtAbs(int x)
{
    return x < 0 ? static_cast<int>(0u - static_cast<unsigned>(x)) : x;
}   // INT_MIN stays INT_MIN
inline float ZNRtSqrt(float x)
{
    return sqrtf(x);
}
inline double ZNRtSqrt(double x)
{
    return sqrt(x);
}
inline float ZNRtPow(float x, float y)
{
    return powf(x, y);
}
inline double ZNRtPow(double x, double y)
{
    return pow(x, y);
}
inline float ZNRtExp(float x)
{
    return expf(x);
}
inline double ZNRtExp(double x)
{
    return exp(x);
}
inline float ZNRtLn(float x)
{
    return logf(x);
}
inline double ZNRtLn(double x)
{
    return log(x);
}
inline float ZNRtFmod(float x, float y)
{
    return fmodf(x, y);
}
inline double ZNRtFmod(double x, double y)
{
    return fmod(x, y);
}
inline float ZNRtSin(float x)
{
    return sinf(x);
}
inline double ZNRtSin(double x)
{
    return sin(x);
}
inline float ZNRtCos(float x)
{
    return cosf(x);
}
inline double ZNRtCos(double x)
{
    return cos(x);
}
inline float ZNRtTan(float x)
{
    return tanf(x);
}
inline double ZNRtTan(double x)
{
    return tan(x);
}
inline float ZNRtAsin(float x)
{
    return asinf(x);
}
inline double ZNRtAsin(double x)
{
    return asin(x);
}
inline float ZNRtAcos(float x)
{
    return acosf(x);
}
inline double ZNRtAcos(double x)
{
    return acos(x);
}
inline float ZNRtAtan(float x)
{
    return atanf(x);
}
inline double ZNRtAtan(double x)
{
    return atan(x);
}
inline float ZNRtAtan2(float y, float x)
{
    return atan2f(y, x);
}
inline double ZNRtAtan2(double y, double x)
{
    return atan2(y, x);
}
inline float ZNRtFloor(float x)
{
    return floorf(x);
}
inline double ZNRtFloor(double x)
{
    return floor(x);
}
inline float ZNRtCeil(float x)
{
    return ceilf(x);
}
inline double ZNRtCeil(double x)
{
    return ceil(x);
}
inline float ZNRtRound(float x)
{
    return roundf(x);
}   // halves away from zero
inline double ZNRtRound(double x)
{
    return round(x);
}
// 1 for positive values, 0 for zero (either sign), -1 for negative values and NaN.
inline float ZNRtSign(float x)
{
    return x > 0.0f ? 1.0f : (x == 0.0f ? 0.0f : -1.0f);
}
inline double ZNRtSign(double x)
{
    return x > 0.0 ? 1.0 : (x == 0.0 ? 0.0 : -1.0);
}

// ---- byte order (network order is big-endian) -----------------------------------------

UINT32 ZNHostToNet32(UINT32 value);
UINT32 ZNNetToHost32(UINT32 value);
UINT16 ZNHostToNet16(UINT16 value);
UINT16 ZNNetToHost16(UINT16 value);

// ---- file chooser -------------------------------------------------------------------------

// Asks for a file to open (save == 0, the file must exist) or to save (the
// folder must exist) and writes its path into fileBuffer (fileBufferSize
// bytes, terminated). filter is the platform's list of pairs
// "Description\0*.png;*.jpg\0...\0\0" (null: all files). Returns non-zero when
// a file was chosen, 0 when cancelled or nobody can be asked.
//
// Asks through zenity or kdialog when one is installed and a display exists,
// else on the terminal when stdin is one. With ZN_DIALOG set (an unattended
// run) it asks nobody and returns 0. A chosen path too long for fileBuffer is
// refused with an information box (0), never cut. A chooser that fails in any
// other way is fatal: "gSysFileOpen error\n" with an empty caption.
int gSysFileOpen(const char* initialDirectory, const char* filter, char* fileBuffer, UINT32 fileBufferSize, int save);
