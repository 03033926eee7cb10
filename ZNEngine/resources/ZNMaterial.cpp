// Material objects, the material file loader and material application.

#include "resources/ZNMaterial.h"

#include "core/ZNStringUtil.h"
#include "render/ZNRenderState.h"
#include "files/ZNFileIO.h"
#include "files/ZNTextParse.h"
#include "resources/ZNTextureStream.h"

#include <stdio.h>
#include <string.h>

ZNMaterial::ZNMaterial() : BlendMode(0), RasterState(0)
{
}

ZNMaterial::ZNMaterial(const char* name) : BlendMode(0), RasterState(0), Name(name)
{
}

void ZNMaterial::SetShader(const ZNString& name, const ZNString& shaderOptions)
{
    ZNString path("Shaders/");
    path.Append(name.CStr(), name.Size());
    path.Append(".shd");
    Shader = GetShader(path, shaderOptions);
}

bool ZNMaterial::SetTexture(UINT32 slot, const ZNTextureHandle& handle)
{
    if (slot >= TEX_COUNT)
        return false;
    Textures[slot] = handle;
    return true;
}

bool ZNMaterial::operator==(const ZNMaterial& other) const
{
    if (!Shader || !other.Shader || Shader.Get() != other.Shader.Get())
        return false;
    if (BlendMode != other.BlendMode || RasterState != other.RasterState)
        return false;
    for (UINT32 i = 0; i < TEX_COUNT; ++i)
        if (Textures[i] != other.Textures[i])
            return false;
    return true;
}

// ---- blend words and texture flags -------------------------------------------------------

static bool SameWordNoCase(const char* a, const char* b)
{
    for (; *a && *b; ++a, ++b)
        if (ZNToLower(*a) != ZNToLower(*b))
            return false;
    return *a == 0 && *b == 0;
}

// Index of word in names (case-insensitive), or -1 (also for a missing word).
static INT32 FindWord(const char* word, const char* const* names, UINT32 count)
{
    if (!word || !word[0])
        return -1;
    for (UINT32 i = 0; i < count; ++i)
        if (SameWordNoCase(word, names[i]))
            return (INT32)i;
    return -1;
}

static const char* const GBlendOps[]     = { "none", "add", "sub", "rsub", "min", "max" };
static const char* const GBlendFactors[] = { "zero",      "one",           "src_color", "inv_src_color",
                                             "dst_color", "inv_dst_color", "src_alpha", "inv_src_alpha",
                                             "dst_alpha", "inv_dst_alpha" };

UINT32 ZNMakeBlendWord(const char* op, const char* srcColor, const char* dstColor, const char* srcAlpha,
                       const char* dstAlpha)
{
    // "none" is the default operation anyway; only the five named ones change it.
    UINT32      fields[5] = { 0, 6, 7, 1, 0 };
    const INT32 o         = FindWord(op, GBlendOps + 1, 5);
    if (o >= 0)
        fields[0] = (UINT32)o + 1;
    const char* factors[4] = { srcColor, dstColor, srcAlpha, dstAlpha };
    for (UINT32 i = 0; i < 4; ++i)
    {
        const INT32 f = FindWord(factors[i], GBlendFactors, 10);
        if (f >= 0)
            fields[i + 1] = (UINT32)f;
    }
    return (fields[0] << ZN_BLEND_OP_SHIFT) | (fields[1] << ZN_BLEND_SRC_COLOR_SHIFT) |
           (fields[2] << ZN_BLEND_DST_COLOR_SHIFT) | (fields[3] << ZN_BLEND_SRC_ALPHA_SHIFT) |
           (fields[4] << ZN_BLEND_DST_ALPHA_SHIFT);
}

// Flag value of one texture flag word (case-sensitive); false when unknown.
static bool TextureFlag(const char* word, UINT32& flag)
{
    static const struct
    {
        const char* Word;
        UINT32      Value;
    } flags[] = {
        { "NORMALMAP", TEX_NOSRGB }, { "NOSRGB", TEX_NOSRGB },       { "NOSTREAM", TEX_NOSTREAM },
        { "PRELOAD", TEX_PRELOAD },  { "NOMIPMAPS", TEX_NOMIPMAPS }, { "CLAMP", TEX_CLAMP },
    };
    for (const auto& f : flags)
        if (strcmp(word, f.Word) == 0)
        {
            flag = f.Value;
            return true;
        }
    return false;
}

// ---- loader ------------------------------------------------------------------------------

namespace
{

// Reads the commands of a material text; applying them is LoadMaterial's part.
struct Parser
{
    const char*                 FileName;
    ZNArray<ZNMaterialCommand>& Commands;
    ZNTextCursor                C;
    ZNString                    Message;

    Parser(const ZNString& text, const char* fileName, ZNArray<ZNMaterialCommand>& commands)
        : FileName(fileName), Commands(commands), C(text)
    {
    }

    INT32  CountedPos  = 0;   // LineAt has counted the lines up to here
    UINT32 CountedLine = 1;   // the line at CountedPos

    char Cur() const { return C.AtEnd() ? 0 : C.Text.CStr()[C.Pos]; }

    // 1-based line of the position. Commands come in text order, so counting
    // on from the last position asked keeps the whole parse one pass.
    UINT32 LineAt(INT32 pos)
    {
        if (pos < CountedPos)
        {
            CountedPos  = 0;
            CountedLine = 1;
        }
        const char* t = C.Text.CStr();
        for (; CountedPos < pos && (UINT32)CountedPos < C.Text.Size(); ++CountedPos)
            if (t[CountedPos] == '\n')
                ++CountedLine;
        return CountedLine;
    }

    bool Fail(const char* message, INT32 pos)
    {
        Message = ZNString::Formatted("%s (line %u)", message, LineAt(pos));
        return false;
    }

    // The next word of letters, digits and '_' on the current line, after blanks;
    // "" when the line (or text) ends or another character comes first.
    ZNString WordOnLine()
    {
        SkipWhile(C, ZNCC_Blank);
        if (!ZNIsInClass(Cur(), ZNCC_Ident))
            return ZNString();
        return ReadToken(C, ZNCC_Ident, ZNCC_Blank);
    }

    bool Texture(ZNMaterialCommand& cmd, INT32 commandPos)
    {
        // Blanks only: a number on the next line is not this command's slot.
        const INT32 slot = ParseInt(C);
        if (GParseError)
            return Fail("TEXTURE command - Texture slot ID is not found", commandPos);
        if (slot < 0 || slot >= TEX_COUNT)
        {
            char text[96];
            snprintf(text, sizeof(text), "TEXTURE command - Texture slot ID %d is out of range (0 to %d)", slot,
                     TEX_COUNT - 1);
            return Fail(text, commandPos);
        }
        cmd.Slot = (UINT32)slot;
        cmd.Text = ParseQuotedString(C);
        if (GParseError)
            return Fail("TEXTURE command - Texture path is not found", commandPos);

        for (;;)
        {
            SkipWhile(C, ZNCC_Blank);
            if (!ZNIsInClass(Cur(), ZNCC_Ident))
                break;   // end of line, end of text, or a character that ends the list
            const ZNString word = ReadToken(C, ZNCC_Ident, ZNCC_Blank);
            UINT32         flag = 0;
            if (TextureFlag(word.CStr(), flag))
                cmd.Flags |= flag;
            else
                PrintStdout("Material Loader (%s) - invalid/obsolete texture flag found (%s)\n", FileName, word.CStr());
        }
        return true;
    }

    void BlendMode(ZNMaterialCommand& cmd)
    {
        ZNString words[5];
        for (ZNString& w : words)
            w = WordOnLine();
        cmd.Blend =
            ZNMakeBlendWord(words[0].CStr(), words[1].CStr(), words[2].CStr(), words[3].CStr(), words[4].CStr());
    }

    bool Shader(ZNMaterialCommand& cmd, INT32 commandPos)
    {
        cmd.Text = ParseQuotedString(C);
        if (GParseError)
            return Fail("SHADER command - Shader is not found", commandPos);
        return true;
    }

    bool Run()
    {
        SkipWhile(C, ZNCC_White);
        while (!C.AtEnd())
        {
            const INT32 start = C.Pos;
            ZNString    word  = ReadToken(C, ZNCC_Ident, ZNCC_White);
            if (GParseError)
            {
                // Neither a word nor white space (a stray quote, a comment mark,
                // a byte above 127): step over it so the loop always advances.
                if (C.Pos == start)
                    ++C.Pos;
                SkipWhile(C, ZNCC_White);
                continue;
            }
            const INT32 commandPos = C.Pos - (INT32)word.Size();
            for (UINT32 i = 0; i < word.Size(); ++i)
                word.CStr()[i] = ZNToLower(word.CStr()[i]);

            ZNMaterialCommand cmd;
            cmd.Line = LineAt(commandPos);
            bool ok  = true;
            if (word == "texture")
            {
                cmd.Kind = ZNMaterialCommand::Texture;
                ok       = Texture(cmd, commandPos);
            }
            else if (word == "blendmode")
            {
                cmd.Kind = ZNMaterialCommand::BlendMode;
                BlendMode(cmd);
            }
            else if (word == "shader")
            {
                cmd.Kind = ZNMaterialCommand::Shader;
                ok       = Shader(cmd, commandPos);
            }
            else
            {
                SkipWhile(C, ZNCC_White);
                continue;
            }
            if (!ok)
                return false;
            Commands.Add(cmd);
            SkipWhile(C, ZNCC_White);
        }
        return true;
    }
};

// Loads the texture of a texture command: as named, beside the material file,
// then under Data/Textures/.
bool LoadCommandTexture(ZNTextureHandle& loaded, const char* fileName, const ZNMaterialCommand& cmd)
{
    const ZNString& path = cmd.Text;
    if (LoadTexture(loaded, path.CStr(), cmd.Flags))
        return true;
    const char* slash = nullptr;
    for (const char* p = fileName; *p; ++p)
        if (*p == '/' || *p == '\\')
            slash = p;
    if (slash)
    {
        ZNString beside(fileName, (UINT32)(slash - fileName + 1));
        beside.Append(path.CStr(), path.Size());
        if (LoadTexture(loaded, beside.CStr(), cmd.Flags))
            return true;
    }
    ZNString underData("Data/Textures/");
    underData.Append(path.CStr(), path.Size());
    return LoadTexture(loaded, underData.CStr(), cmd.Flags);
}

enum LoadResult
{
    LR_Done,     // the whole file was processed
    LR_NoFile,   // the file cannot be read
    LR_Ask,      // a problem to offer for retry (message set)
};

// One pass over the file: the commands in order up to the first problem.
LoadResult LoadOnce(ZNMaterial& material, const char* fileName, const ZNString& options, ZNString& message)
{
    ZNString text;
    if (!ReadTextFile(fileName, text))
        return LR_NoFile;
    ZNArray<ZNMaterialCommand> commands;
    const bool                 parsed = ParseMaterialText(text, fileName, commands, message);
    for (UINT32 i = 0; i < commands.Size(); ++i)
    {
        const ZNMaterialCommand& cmd = commands[i];
        switch (cmd.Kind)
        {
        case ZNMaterialCommand::Texture:
        {
            // The slot keeps its texture until a replacement has loaded.
            ZNTextureHandle loaded;
            if (!LoadCommandTexture(loaded, fileName, cmd))
            {
                char failed[512];   // a long path is cut
                snprintf(failed, sizeof(failed), "Texture loading failed: %s", cmd.Text.CStr());
                message = ZNString::Formatted("%s (line %u)", failed, cmd.Line);
                return LR_Ask;
            }
            material.Textures[cmd.Slot] = loaded;
            break;
        }
        case ZNMaterialCommand::BlendMode: material.BlendMode = cmd.Blend; break;
        case ZNMaterialCommand::Shader: material.SetShader(cmd.Text, options); break;
        }
    }
    return parsed ? LR_Done : LR_Ask;
}

}   // namespace

bool ParseMaterialText(const ZNString& text, const char* fileName, ZNArray<ZNMaterialCommand>& commands,
                       ZNString& message)
{
    commands.Clear();
    message = ZNString();
    Parser     parser(text, fileName ? fileName : "", commands);
    const bool ok = parser.Run();
    if (!ok)
        message = parser.Message;
    return ok;
}

bool LoadMaterial(ZNMaterial& material, const char* fileName, const ZNString& shaderOptions)
{
    if (!fileName)
        return false;
    for (;;)
    {
        ZNString         message;
        const LoadResult r = LoadOnce(material, fileName, shaderOptions, message);
        if (r == LR_Done)
            return true;
        if (r == LR_NoFile)
            return false;
        char text[1025];   // at most 1024 characters; a long name or path is cut
        snprintf(text, sizeof(text), "File \"%s\"\n\n%s\n\nRetry?", fileName, message.CStr());
        if (!ZNAskYesNo(text, "LoadMaterial error"))
            return false;
    }
}

void ApplyMaterial(const ZNMaterial& material)
{
    SetShader(material.BlendMode, material.Shader);
    SetRasterState(material.RasterState, ZN_RASTER_MASK_ALL);
    for (UINT32 i = 0; i < TEX_COUNT; ++i)
    {
        const ZNTexture* t = material.Textures[i].Get();
        if (t && t->TexID != 0)
            BindTexture(i, material.Textures[i]);
    }
}

void TouchMaterial(const ZNMaterial& material)
{
    for (UINT32 i = 0; i < TEX_COUNT; ++i)
        TouchTexture(material.Textures[i]);
}
