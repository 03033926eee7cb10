// ZNShaderVariant: a shader with defines that follows its file's reloads.
#include "application/ZNShaderVariant.h"

ZNShaderPtr ZNShaderVariant::Follow(const ZNShaderPtr& base, const char* file, const char* defines)
{
    const INT64 fileTime = base && base->Shader ? base->Shader->FileTime : 0;
    if (!Shader)
        Shader = GetShader(ZNString(file), ZNString(defines));
    else if (fileTime != FileTime)
        CheckReload(Shader);
    FileTime = fileTime;
    return Shader;
}
