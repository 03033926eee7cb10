// ZNMaterial: what one draw needs besides geometry — sixteen texture slots, a
// blend word, a raster word and a shader program — and the loader of the small
// text files that describe materials.
//
//   ZNMaterial gui("GUI");
//   gui.SetShader(ZNString("GUI"), ZNString());   // Shaders/GUI.shd
//   gui.SetBlendMode(0x71761);
//   gui.SetRasterState(112);
//   ...
//   ApplyMaterial(gui);                           // before the draws that use it
//
//   ZNMaterial rock;
//   if (!LoadMaterial(rock, "Data/Materials/Rock.mtl", ZNString())) ...;
//
// A material file is a sequence of commands (compared case-insensitively):
//   texture <slot 0..15> "path" [NOSRGB|NORMALMAP|NOSTREAM|PRELOAD|NOMIPMAPS|CLAMP ...]
//   blendmode [op [srcColour [dstColour [srcAlpha [dstAlpha]]]]]
//   shader "name"                                 // Shaders/<name>.shd
//
// Guarantees:
// - Loading never stalls and never writes outside the slot array: every read
//   moves forward and characters that start no word are stepped over. Each
//   error (no slot, a slot outside 0..15, no path, a texture found nowhere, no
//   shader name) is offered as a Retry question naming the file and the line;
//   a No (or ZN_DIALOG=no) ends the load with false. Unknown texture flags are
//   printed and ignored.
// - A failed load keeps what was set before the failure; slots the file does
//   not name keep their textures.
// - ApplyMaterial binds only textures that have a GL name; empty slots leave the
//   unit as it was.
#pragma once

#include "core/ZNAssert.h"
#include "core/ZNTemplate.h"
#include "render/ZNRenderState.h"
#include "render/ZNShader.h"
#include "resources/ZNTexture.h"
#include "render/ZNTextureState.h"

// Blend word a "blendmode" line without words gives: no blending, factors
// src_alpha, inv_src_alpha, one, zero.
static const UINT32 ZN_BLEND_DEFAULT =
    ZNBlendWord(ZN_BLEND_OFF, ZN_FACTOR_SRC_ALPHA, ZN_FACTOR_INV_SRC_ALPHA, ZN_FACTOR_ONE, ZN_FACTOR_ZERO);

class ZNMaterial
{
public:
    UINT32          BlendMode;             // blend word (layout above)
    UINT32          RasterState;           // raster word of ZNRenderState, set by the owner
    ZNTextureHandle Textures[TEX_COUNT];   // one per texture unit
    ZNShaderPtr     Shader;                // null until a shader is set
    ZNString        Name;                  // label for the owner; the loader leaves it alone

    ZNMaterial();
    explicit ZNMaterial(const char* name);
    ZNMaterial(const ZNMaterial&)            = default;
    ZNMaterial& operator=(const ZNMaterial&) = default;

    // Takes the program the shader cache gives for "Shaders/" + name + ".shd"
    // with these options (the previous program is released).
    void SetShader(const ZNString& name, const ZNString& shaderOptions);
    void SetBlendMode(UINT32 word) { BlendMode = word; }
    void SetRasterState(UINT32 word) { RasterState = word; }
    // Shares handle's texture in slot (0..TEX_COUNT-1); false for a bad slot.
    bool SetTexture(UINT32 slot, const ZNTextureHandle& handle);

    // Both have a shader and the same program, blend and raster words, and the
    // same texture in every slot. A material without a shader equals none.
    bool operator==(const ZNMaterial& other) const;
    bool operator!=(const ZNMaterial& other) const { return !(*this == other); }
};

// One command of a material file as read, before anything is loaded.
struct ZNMaterialCommand
{
    enum CommandKind
    {
        Texture,
        BlendMode,
        Shader
    };
    CommandKind Kind  = Texture;
    UINT32      Slot  = 0;   // texture: 0 .. TEX_COUNT - 1
    UINT32      Flags = 0;   // texture: TEX_ flags named after the path
    UINT32      Blend = 0;   // blendmode: the blend word
    ZNString    Text;        // texture path or shader name
    UINT32      Line = 0;    // 1-based line of the command word
};

// Reads the commands of a material text (no file, no texture, no GL). False at
// the first malformed command, with message naming the problem and its line;
// the commands before it are kept. fileName only labels printed warnings.
bool ParseMaterialText(const ZNString& text, const char* fileName, ZNArray<ZNMaterialCommand>& commands,
                       ZNString& message);

// Reads fileName and applies its commands to material. True when the whole file
// was processed; false when the file cannot be read (no message) or the user
// declines a retry. shaderOptions go unchanged to the shader cache.
bool        LoadMaterial(ZNMaterial& material, const char* fileName, const ZNString& shaderOptions);
inline bool LoadMaterial(ZNMaterial& material, const ZNString& fileName, const ZNString& shaderOptions)
{
    return LoadMaterial(material, fileName.CStr(), shaderOptions);
}

// Blend word, then program, then the raster word (full mask), then every slot
// whose texture has a GL name on its own unit.
void ApplyMaterial(const ZNMaterial& material);
// Marks every slot's texture as used so it streams towards its finest level.
void TouchMaterial(const ZNMaterial& material);

// ---- blend words ---------------------------------------------------------------------

// The blend word from up to five words (null or empty: missing); words compare
// case-insensitively, an unknown word leaves its field at the default.
UINT32 ZNMakeBlendWord(const char* op, const char* srcColor, const char* dstColor, const char* srcAlpha,
                       const char* dstAlpha);
