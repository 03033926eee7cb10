// ZNShaderVariant: a shader built from a file with defines, kept in step with
// hot reload. A shader made with defines is not in the context's shader cache,
// so the reload of the cached shader of the same file does not reach it: the
// variant reloads itself when that shader's file time changes.
//
//   ZNShaderVariant points;                                         // one per variant
//   each frame:  SetShader(blend, points.Follow(GetShader(ZNString("Shaders/Voxel.shd"), ZNString()),
//                                               "Shaders/Voxel.shd", "#define POINTS\n"));
#pragma once

#include "render/ZNShader.h"

struct ZNShaderVariant
{
    ZNShaderPtr Shader;         // made with the first Follow
    INT64       FileTime = 0;   // the cached shader's file time it follows

    // base: the cached shader of the same file (made without defines).
    ZNShaderPtr Follow(const ZNShaderPtr& base, const char* file, const char* defines);
};
