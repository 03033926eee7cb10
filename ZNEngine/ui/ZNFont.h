// ZNFont: bitmap fonts read from text font files ("info", "common", "page",
// "chars", "char" records) with one texture per page.
//
//   ZNFont font;
//   font.Load("Engine/DebugFont.fnt");
//   font.DrawText("Hello", 0, ZNVec4(1, 1, 1, 1), 10.0f, 10.0f, 16.0f);
//   font.DrawTextInRect(text, 0, colour, ZN_TEXT_WORDWRAP, ZNVec4(x0, y0, x1, y1), 16.0f);
//
// Guarantees:
//   - Glyph metrics are kept divided by the font's line height, so the size
//     argument of every call (pixels per line) scales them back; one font
//     serves every text size.
//   - Characters are signed 8-bit codes: bytes 128..255 and characters
//     without a glyph are skipped and never move the pen.
//   - A font that failed to load has no glyphs: every draw call then draws
//     nothing and DrawTextInRect answers -1. A broken font file never crashes:
//     each problem is printed with the file name and line number, and records
//     that cannot be used (bad numbers, glyph codes out of range, pages out of
//     range) are dropped.
//   - Quads are batched per page texture: one triangle-list draw per run of
//     glyphs on the same page; a page change or the end of a call flushes.
//   - Pages are counted texture references: destroy a font that loaded pages
//     (Destroy or the destructor) while a context sharing them is current.
//   - Main thread only (the one owning the GL context). Parsing and layout
//     never touch GL; only Flush (and the page loading in Load) do, and with a
//     sink installed Flush hands the batch to the sink instead of GL.
#pragma once

#include "core/ZNAssert.h"
#include "core/ZNTemplate.h"
#include "math/ZNMath.h"
#include "resources/ZNTexture.h"

// DrawTextInRect flags (combined by OR).
enum ZNTextFlags : UINT32
{
    ZN_TEXT_SINGLELINE = 1,    // at most one line is laid out
    ZN_TEXT_RIGHT      = 2,    // lines end at the rectangle's right edge
    ZN_TEXT_BOTTOM     = 4,    // the block ends at the rectangle's bottom
    ZN_TEXT_HCENTER    = 8,    // lines centred horizontally
    ZN_TEXT_VCENTER    = 16,   // block centred vertically
    ZN_TEXT_BREAKWORD  = 32,   // a character past the right edge starts a new line
    ZN_TEXT_WORDWRAP   = 64,   // a word that does not fit starts a new line; no line fits: draw nothing
};

// One glyph; all metrics are divided by the line height, texture coordinates
// are fractions of the page size.
struct ZNGlyph
{
    float  TexLeft, TexTop, TexRight, TexBottom;
    float  XOffset, YOffset;   // quad offset from the pen
    float  Width, Height;      // quad size
    float  XAdvance;           // pen advance
    UINT32 Page;               // page index
};

// One vertex of the UI layout (SUIVtxDecl): 32 bytes.
struct ZNUIVertex
{
    float x, y;         // position
    float u, v;         // texture coordinate
    float r, g, b, a;   // colour
};

// Receives batches instead of GL (tests, offscreen measuring). texture is the
// page texture of the batch (null when the page did not load).
class ZNFontSink
{
public:
    virtual ~ZNFontSink() {}
    virtual void DrawBatch(ZNTexture* texture, const ZNUIVertex* vertices, UINT32 vertexCount) = 0;
};

class ZNFont
{
public:
    ZNArray<ZNTextureHandle> Pages;           // one per page, sized by "pages"
    ZNMap<UINT32, ZNGlyph>   Glyphs;          // code -> glyph
    ZNWString                LayoutBuffer;    // reused by DrawTextInRect
    ZNTextureHandle          BatchTexture;    // page of the collected quads; null when the batch is empty
    ZNPodArray<ZNUIVertex>   BatchVertices;   // collected quads, 6 vertices each

    // Filled by the parser: the page texture names (font directory + "file"),
    // one per page slot (empty when the file named no such page), and the
    // metrics in texels as read.
    ZNArray<ZNString> PageFiles;
    float             LineHeight = 0.0f;
    float             Base       = 0.0f;
    float             ScaleW = 0.0f, ScaleH = 0.0f;

    // When set, Flush hands each batch to it and makes no GL call. Not owned.
    ZNFontSink* Sink = nullptr;

    ZNFont() {}
    ~ZNFont() { Destroy(); }
    ZNFont(const ZNFont&)            = delete;
    ZNFont& operator=(const ZNFont&) = delete;

    // Reads the font file (engine file name) and loads its page textures
    // (TEX_NOSRGB | TEX_NOSTREAM). False when the file cannot be read or has
    // no usable "common" record (the font is then empty), or when a page
    // texture failed (the glyphs stay; that page draws without a texture).
    bool Load(const char* path);
    // Parses font text without touching textures; path names the file in
    // messages and gives the directory of the page files. Replaces the
    // current contents. False (font left empty) without a usable "common".
    bool Parse(const char* text, const char* path);
    // Releases the pages, glyphs and batch.
    void Destroy();

    bool           HasGlyphs() const { return !Glyphs.Empty(); }
    // The glyph of a character (signed 8-bit code), or null.
    const ZNGlyph* FindGlyph(char c) const;

    // Draws text with the pen starting at (x, y), the top-left of the first
    // line; length 0 means up to the terminator. A line feed returns the pen
    // to x and moves it down by size.
    void  DrawText(const char* text, UINT32 length, const ZNVec4& colour, float x, float y, float size);
    // Lays text out inside rect (x0, y0, x1, y1) with the ZNTextFlags; 0, or
    // -1 when the font has no glyphs.
    INT32 DrawTextInRect(const char* text, UINT32 length, const ZNVec4& colour, UINT32 flags, const ZNVec4& rect,
                         float size);

    // xadvance * size; 0 for a character without a glyph.
    float  CharAdvance(float size, char c) const;
    // Advances of at most count characters from index beg (never beyond the
    // terminator), times size. beg beyond the text length is reported
    // ("beg > tlen") and measuring then starts at the end.
    float  TextWidth(float size, const char* text, UINT32 beg, UINT32 count) const;
    // The lines DrawTextInRect lays text out in within width, with word wrap
    // and breaks inside words too long for a line (ZN_TEXT_WORDWRAP |
    // ZN_TEXT_BREAKWORD) and no line limit. Without glyphs or a width: one
    // line per line feed, plus one.
    UINT32 LineCount(const char* text, float size, float width) const;

    // Draws the collected batch and empties it.
    void Flush();

private:
    void AddQuad(const ZNGlyph& g, float penX, float penY, float size, const ZNVec4& colour);
    // One character at the pen: a quad and the advance, or for a line feed
    // the pen back to lineX and one line down.
    void DrawChar(char c, float& penX, float& penY, float lineX, float size, const ZNVec4& colour);
};
