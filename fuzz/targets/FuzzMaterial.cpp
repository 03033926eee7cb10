// Material file text: every command is read; nothing is loaded. Inputs up to
// 4 MiB, so that long files (hundreds of thousands of lines) show the parse
// is one pass.
#include "ZNFuzz.h"
#include "resources/ZNMaterial.h"

int ZNFuzzMaterial(const UINT8* data, size_t size)
{
    if (size > 4u << 20)
        return 0;
    ZNString                   text((const char*)data, (UINT32)size);
    ZNArray<ZNMaterialCommand> commands;
    ZNString                   message;
    const bool                 ok = ParseMaterialText(text, "Materials/Fuzz.mtl", commands, message);
    if (ok != (message.Size() == 0))
        __builtin_trap();
    for (UINT32 i = 0; i < commands.Size(); ++i)
        if (commands[i].Kind == ZNMaterialCommand::Texture && commands[i].Slot >= TEX_COUNT)
            __builtin_trap();
    return 0;
}
