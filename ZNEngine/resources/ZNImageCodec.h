// ZNImageCodec: the PNG codec behind ZNImage, one per build: libpng
// (ZNImagePNG.cpp) or, on Windows without libpng, the system's imaging
// component (ZNImageWIC.cpp). Both give the same results: 8-bit RGBA rows top to
// bottom, transparency chunks as alpha, 16-bit samples reduced to their high
// byte, images above 8192 x 8192 and files with a damaged chunk refused. The
// grey decode gives the first channel in 16 bits: an 8-bit sample v as v x 257,
// a 16-bit one whole.
// Internal to the resources folder.
#pragma once

#include "resources/ZNImage.h"

class ZNArchive;

// Decodes a whole PNG file held in memory into image; false on any failure,
// with what is wrong in why ("ends early", "has a bad checksum (...)", "holds
// bad compressed data (...)") when the codec can tell. name (may be null)
// labels the codec's warnings; an unnamed decode prints nothing.
bool ZNDecodePng(const UINT8* bytes, UINT32 size, ImageData& image, ZNString* why, const char* name);
// Decodes the same into the 16-bit first channel of image (grey, or red);
// failures as ZNDecodePng.
bool ZNDecodePngGrey(const UINT8* bytes, UINT32 size, ZNGreyImage& image, ZNString* why, const char* name);
// Appends image (its first 2D slice) as an 8-bit RGBA PNG file, compressed at
// level (1 fastest .. 9 smallest).
bool ZNEncodePng(const ImageData& image, ZNArchive& archive, int level);
