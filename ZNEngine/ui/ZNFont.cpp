// Bitmap font parsing, layout and batched drawing.
#include "ui/ZNFont.h"

#include "render/ZNVertex.h"
#include "files/ZNFileIO.h"
#include "files/ZNTextParse.h"

#include <math.h>
#include <string.h>

namespace
{

// Largest glyph code and page count a font file may name; anything beyond is
// a broken file, not a font we could draw.
const INT32 kMaxGlyphCode = 0x10FFFF;
const INT32 kMaxPages     = 256;

// A "char" record as read, in texels; converted once "common" is known, so
// the records may come in any order.
struct RawChar
{
    INT32  Id = -1, X = 0, Y = 0, Width = 0, Height = 0, XOffset = 0, YOffset = 0, XAdvance = 0, Page = 0;
    UINT32 Line = 0;
};

struct RawPage
{
    INT32    Id = -1;
    ZNString File;
    UINT32   Line = 0;
};

// Everything the records of one file said, before any of it is checked.
struct RawFont
{
    bool             HaveCommon = false;
    INT32            LineHeight = 0, Base = 0, ScaleW = 0, ScaleH = 0, PageCount = 0;
    ZNArray<RawChar> Chars;
    ZNArray<RawPage> Pages;
};

// Reads "key=" pairs of one record. Returns false at the end of the pairs
// (end of line or a character that cannot start a key); key then is empty.
bool NextKey(ZNTextCursor& c, ZNString& key)
{
    key = ReadToken(c, ZNCC_Ident, ZNCC_Blank);
    if (GParseError)
        return false;
    return true;
}

// After a key: "=" and an integer. Reports and returns false when either is missing.
bool ReadIntValue(ZNTextCursor& c, const char* path, UINT32 line, const ZNString& key, INT32& value)
{
    if (!ExpectChar(c, '='))
    {
        PrintStdout("Font %s, line %u: '=' expected after \"%s\"\n", path, line, key.CStr());
        return false;
    }
    INT32 v = ParseInt(c);
    if (GParseError)
    {
        PrintStdout("Font %s, line %u: \"%s\" needs a whole number\n", path, line, key.CStr());
        return false;
    }
    value = v;
    return true;
}

// The directory part of a file name, separator included ("" without one).
ZNString FontDirectory(const char* path)
{
    INT32 cut = -1;
    for (INT32 i = 0; path[i]; ++i)
        if (path[i] == '/' || path[i] == '\\')
            cut = i;
    return ZNString(path, (UINT32)(cut + 1));
}

UINT32 BoundedLength(const char* text, UINT32 length)
{
    if (!text)
        return 0;
    // A given length never reads past the terminator either.
    return length ? (UINT32)strnlen(text, length) : (UINT32)strlen(text);
}

inline bool IsBreakSpace(char c)
{
    return c == ' ';
}
inline bool IsWordChar(char c)
{
    return c != ' ' && c != '\n';
}

// The line breaking of DrawTextInRect, shared with LineCount so the lines
// counted are the lines drawn. Hands every character that stays to emit, and
// '\n' at every line end; returns the number of lines (at most maxLines).
// placed = width of the words and spaces finished on this line (the current
// word joins it when the next word starts), word = width of the current word,
// drawn = advances of the characters copied to the line.
template <typename Emit>
UINT32 WrapText(const ZNFont& font, const char* text, UINT32 n, UINT32 flags, float rectW, UINT32 maxLines, float size,
                Emit&& emit)
{
    UINT32 lines  = 1;
    float  placed = 0.0f, word = 0.0f, drawn = 0.0f;
    bool   empty = true;   // nothing on the current line yet
    for (UINT32 i = 0; i < n; ++i)
    {
        const char  c    = text[i];
        const float adv  = font.CharAdvance(size, c);
        bool        fits = false;
        if (c != '\n')
        {
            if (IsWordChar(c) && (i == 0 || !IsWordChar(text[i - 1])))
            {
                placed += word;
                word = 0.0f;
                for (UINT32 j = i; j < n && IsWordChar(text[j]); ++j)
                    word += font.CharAdvance(size, text[j]);
            }
            else if (IsBreakSpace(c))
                placed += adv;

            fits = placed <= rectW;
            if ((flags & ZN_TEXT_WORDWRAP) && word < rectW && placed + word > rectW)
                fits = false;
            if ((flags & ZN_TEXT_BREAKWORD) && drawn + adv > rectW)
                fits = false;
            // A line narrower than one character still takes one: breaking
            // before it would only add empty lines.
            if ((flags & ZN_TEXT_BREAKWORD) && empty && IsWordChar(c))
                fits = true;
        }
        if (fits)
        {
            emit(c);
            drawn += adv;
            empty = false;
            continue;
        }

        // The line ends here.
        if (lines >= maxLines)
            break;
        emit('\n');
        ++lines;
        placed = 0.0f;
        if (IsWordChar(c))
        {
            // The part of the word from here on lives on the new line; only
            // that part may join placed when the next word starts.
            emit(c);
            drawn = adv;
            empty = false;
            word  = 0.0f;
            for (UINT32 j = i; j < n && IsWordChar(text[j]); ++j)
                word += font.CharAdvance(size, text[j]);
        }
        else
        {
            // A breaking space or line feed is dropped, and the word before it
            // stays on the previous line.
            drawn = 0.0f;
            word  = 0.0f;
            empty = true;
        }
    }
    return lines;
}

}   // namespace

// ---------------------------------------------------------------------------
// Loading
// ---------------------------------------------------------------------------

void ZNFont::Destroy()
{
    BatchVertices.Clear();
    BatchTexture.Release();
    Pages.Clear();
    PageFiles.Clear();
    Glyphs.Clear();
    LayoutBuffer.Clear();
    LineHeight = Base = ScaleW = ScaleH = 0.0f;
}

namespace
{

// "common lineHeight= base= scaleW= scaleH= pages=": false on a broken value,
// which makes the whole file unusable.
bool ReadCommonRecord(ZNTextCursor& c, const char* path, UINT32 line, RawFont& font)
{
    ZNString key;
    while (NextKey(c, key))
    {
        INT32* slot = nullptr;
        if (key == "lineHeight")
            slot = &font.LineHeight;
        else if (key == "base")
            slot = &font.Base;
        else if (key == "scaleW")
            slot = &font.ScaleW;
        else if (key == "scaleH")
            slot = &font.ScaleH;
        else if (key == "pages")
            slot = &font.PageCount;
        else
            break;
        if (!ReadIntValue(c, path, line, key, *slot))
            return false;
    }
    font.HaveCommon = true;
    return true;
}

// "page id= file="..."": a broken record is reported and skipped.
void ReadPageRecord(ZNTextCursor& c, const char* path, UINT32 line, RawFont& font)
{
    RawPage page;
    page.Line         = line;
    bool     haveFile = false;
    ZNString key;
    while (NextKey(c, key))
    {
        if (key == "id")
        {
            if (!ReadIntValue(c, path, line, key, page.Id))
                return;
        }
        else if (key == "file")
        {
            if (!ExpectChar(c, '='))
            {
                PrintStdout("Font %s, line %u: '=' expected after \"file\"\n", path, line);
                return;
            }
            SkipWhile(c, ZNCC_Blank);
            if (c.AtEnd() || c.Text[(UINT32)c.Pos] != '"')
            {
                PrintStdout("Font %s, line %u: the page file name must be in double quotes\n", path, line);
                return;
            }
            page.File = ParseQuotedString(c);
            haveFile  = !page.File.Empty();
        }
        else
            break;
    }
    if (page.Id < 0 || !haveFile)
    {
        PrintStdout("Font %s, line %u: a page needs an id and a file name\n", path, line);
        return;
    }
    font.Pages.Add(page);
}

// "char id= x= y= width= height= xoffset= yoffset= xadvance= page= chnl=": a
// broken record is reported and skipped.
void ReadCharRecord(ZNTextCursor& c, const char* path, UINT32 line, RawFont& font)
{
    RawChar ch;
    ch.Line = line;
    ZNString key;
    while (NextKey(c, key))
    {
        INT32  ignored = 0;
        INT32* slot    = nullptr;
        if (key == "id")
            slot = &ch.Id;
        else if (key == "x")
            slot = &ch.X;
        else if (key == "y")
            slot = &ch.Y;
        else if (key == "width")
            slot = &ch.Width;
        else if (key == "height")
            slot = &ch.Height;
        else if (key == "xoffset")
            slot = &ch.XOffset;
        else if (key == "yoffset")
            slot = &ch.YOffset;
        else if (key == "xadvance")
            slot = &ch.XAdvance;
        else if (key == "page")
            slot = &ch.Page;
        else if (key == "chnl")
            slot = &ignored;
        else
            break;
        if (!ReadIntValue(c, path, line, key, *slot))
            return;
    }
    if (ch.Id < 0 || ch.Id > kMaxGlyphCode)
    {
        PrintStdout("Font %s, line %u: glyph code %d is missing or out of range\n", path, line, ch.Id);
        return;
    }
    if (ch.X < 0 || ch.Y < 0 || ch.Width < 0 || ch.Height < 0)
    {
        PrintStdout("Font %s, line %u: glyph %d has a negative rectangle\n", path, line, ch.Id);
        return;
    }
    font.Chars.Add(ch);
}

// Hands each line to the reader of its record; "info", "chars", "kerning"
// and anything else are skipped. False when a record makes the file unusable.
bool ReadRecords(const char* text, const char* path, RawFont& font)
{
    UINT32      lineNo = 0;
    const char* p      = text;
    while (*p)
    {
        const char* end = p;
        while (*end && *end != '\n')
            ++end;
        UINT32 len = (UINT32)(end - p);
        if (len && p[len - 1] == '\r')
            --len;
        ++lineNo;
        ZNTextCursor c(ZNString(p, len));
        p = *end ? end + 1 : end;

        const ZNString record = ReadToken(c, ZNCC_Ident, ZNCC_Blank);
        if (GParseError)
            continue;   // blank line or not a record
        if (record == "common")
        {
            if (!ReadCommonRecord(c, path, lineNo, font))
                return false;
        }
        else if (record == "page")
            ReadPageRecord(c, path, lineNo, font);
        else if (record == "char")
            ReadCharRecord(c, path, lineNo, font);
    }
    return true;
}

bool CommonIsUsable(const RawFont& font, const char* path)
{
    if (!font.HaveCommon)
    {
        PrintStdout("Font %s: no \"common\" record\n", path);
        return false;
    }
    if (font.LineHeight <= 0 || font.ScaleW <= 0 || font.ScaleH <= 0)
    {
        PrintStdout("Font %s: lineHeight, scaleW and scaleH must be positive\n", path);
        return false;
    }
    if (font.PageCount < 0 || font.PageCount > kMaxPages)
    {
        PrintStdout("Font %s: page count %d is out of range (0..%d)\n", path, font.PageCount, kMaxPages);
        return false;
    }
    return true;
}

}   // namespace

bool ZNFont::Parse(const char* text, const char* path)
{
    Destroy();
    if (!path)
        path = "";
    if (!text)
        text = "";

    RawFont raw;
    if (!ReadRecords(text, path, raw) || !CommonIsUsable(raw, path))
        return false;
    const INT32 pageCount = raw.PageCount;

    LineHeight = (float)raw.LineHeight;
    Base       = (float)raw.Base;
    ScaleW     = (float)raw.ScaleW;
    ScaleH     = (float)raw.ScaleH;
    Pages.SetCount((UINT32)pageCount);
    PageFiles.SetCount((UINT32)pageCount);

    const ZNString dir = FontDirectory(path);
    for (const RawPage& page : raw.Pages)
    {
        if (page.Id >= pageCount)
        {
            PrintStdout("Font %s, line %u: page %d is beyond the page count %d\n", path, page.Line, page.Id, pageCount);
            continue;
        }
        PageFiles[(UINT32)page.Id] = dir + page.File;
    }

    const float invLine = 1.0f / LineHeight;
    for (const RawChar& ch : raw.Chars)
    {
        if (ch.Page < 0 || ch.Page >= pageCount)
        {
            PrintStdout("Font %s, line %u: glyph %d uses page %d of %d\n", path, ch.Line, ch.Id, ch.Page, pageCount);
            continue;
        }
        if (PageFiles[(UINT32)ch.Page].Empty())
            PrintStdout("Font %s, line %u: glyph %d uses page %d, which no page record names\n", path, ch.Line, ch.Id,
                        ch.Page);
        ZNGlyph g;
        g.TexLeft   = (float)ch.X / ScaleW;
        g.TexTop    = (float)ch.Y / ScaleH;
        g.TexRight  = (float)((INT64)ch.X + ch.Width) / ScaleW;
        g.TexBottom = (float)((INT64)ch.Y + ch.Height) / ScaleH;
        g.XOffset   = (float)ch.XOffset * invLine;
        g.YOffset   = (float)ch.YOffset * invLine;
        g.Width     = (float)ch.Width * invLine;
        g.Height    = (float)ch.Height * invLine;
        g.XAdvance  = (float)ch.XAdvance * invLine;
        g.Page      = (UINT32)ch.Page;
        if (!Glyphs.Insert((UINT32)ch.Id, g))
            PrintStdout("Font %s, line %u: glyph %d is defined twice; the first one is kept\n", path, ch.Line, ch.Id);
    }
    return true;
}

bool ZNFont::Load(const char* path)
{
    Destroy();
    if (!path)
        return false;
    ZNString text;
    if (!ReadTextFile(path, text))
    {
        PrintStdout("Font %s: the file cannot be read\n", path);
        return false;
    }
    if (!Parse(text.CStr(), path))
        return false;

    bool ok = true;
    for (UINT32 i = 0; i < PageFiles.Size(); ++i)
    {
        if (PageFiles[i].Empty())
        {
            PrintStdout("Font %s: page %u has no page record\n", path, i);
            ok = false;
            continue;
        }
        if (!LoadTexture(Pages[i], PageFiles[i].CStr(), TEX_NOSRGB | TEX_NOSTREAM))
        {
            PrintStdout("Font %s: page %u texture \"%s\" failed to load\n", path, i, PageFiles[i].CStr());
            Pages[i].Release();
            ok = false;
        }
    }
    return ok;
}

// ---------------------------------------------------------------------------
// Measuring
// ---------------------------------------------------------------------------

const ZNGlyph* ZNFont::FindGlyph(char c) const
{
    // Signed 8-bit codes: bytes above 127 turn into huge keys and find nothing.
    const UINT32                        code = (UINT32)(INT32)(signed char)c;
    const ZNMap<UINT32, ZNGlyph>::Node* n    = Glyphs.Find(code);
    return n ? &n->value : nullptr;
}

float ZNFont::CharAdvance(float size, char c) const
{
    const ZNGlyph* g = FindGlyph(c);
    return g ? g->XAdvance * size : 0.0f;
}

float ZNFont::TextWidth(float size, const char* text, UINT32 beg, UINT32 count) const
{
    const UINT32 tlen = text ? (UINT32)strlen(text) : 0;
    BREAK_IF(beg > tlen);
    if (beg > tlen)
        beg = tlen;
    const UINT32 n     = count < tlen - beg ? count : tlen - beg;
    float        width = 0.0f;
    for (UINT32 i = 0; i < n; ++i)
        width += CharAdvance(size, text[beg + i]);
    return width;
}

UINT32 ZNFont::LineCount(const char* text, float size, float width) const
{
    const UINT32 n = BoundedLength(text, 0);
    if (Glyphs.Empty() || !(width > 0.0f) || !(size > 0.0f))
    {
        UINT32 lines = 1;
        for (UINT32 i = 0; i < n; ++i)
            lines += text[i] == '\n';
        return lines;
    }
    return WrapText(*this, text, n, ZN_TEXT_WORDWRAP | ZN_TEXT_BREAKWORD, width, 0xFFFFFFFFu, size, [](char) {});
}

// ---------------------------------------------------------------------------
// Drawing
// ---------------------------------------------------------------------------

void ZNFont::Flush()
{
    if (!BatchVertices.Empty())
    {
        if (Sink)
            Sink->DrawBatch(BatchTexture.Get(), BatchVertices.Data(), BatchVertices.Size());
        else
        {
            if (BatchTexture)
                BindTexture(0, BatchTexture);
            DrawUserVertices2D(BatchVertices.Data(), BatchVertices.Size(), PT_Triangles);
        }
    }
    BatchVertices.SetCount(0);   // the storage stays for the next batch
    BatchTexture.Release();
}

void ZNFont::AddQuad(const ZNGlyph& g, float penX, float penY, float size, const ZNVec4& colour)
{
    const ZNTextureHandle& page = Pages[g.Page];   // reports "at >= count"
    if (g.Page >= Pages.Size())
        return;
    if (page != BatchTexture)
    {
        Flush();
        BatchTexture = page;
    }

    const float      x0 = penX + g.XOffset * size;
    const float      y0 = penY + g.YOffset * size;
    const float      x1 = penX + (g.XOffset + g.Width) * size;
    const float      y1 = penY + (g.YOffset + g.Height) * size;
    const ZNUIVertex tl = { x0, y0, g.TexLeft, g.TexTop, colour.x, colour.y, colour.z, colour.w };
    const ZNUIVertex tr = { x1, y0, g.TexRight, g.TexTop, colour.x, colour.y, colour.z, colour.w };
    const ZNUIVertex br = { x1, y1, g.TexRight, g.TexBottom, colour.x, colour.y, colour.z, colour.w };
    const ZNUIVertex bl = { x0, y1, g.TexLeft, g.TexBottom, colour.x, colour.y, colour.z, colour.w };
    BatchVertices.Add(tl);
    BatchVertices.Add(tr);
    BatchVertices.Add(br);
    BatchVertices.Add(br);
    BatchVertices.Add(bl);
    BatchVertices.Add(tl);
}

void ZNFont::DrawChar(char c, float& penX, float& penY, float lineX, float size, const ZNVec4& colour)
{
    if (c == '\n')
    {
        penX = lineX;
        penY += size;
        return;
    }
    const ZNGlyph* g = FindGlyph(c);
    if (!g)
        return;
    AddQuad(*g, penX, penY, size, colour);
    penX += g->XAdvance * size;
}

void ZNFont::DrawText(const char* text, UINT32 length, const ZNVec4& colour, float x, float y, float size)
{
    if (Glyphs.Empty())
        return;
    const UINT32 n    = BoundedLength(text, length);
    float        penX = x, penY = y;
    for (UINT32 i = 0; i < n; ++i)
        DrawChar(text[i], penX, penY, x, size, colour);
    Flush();
}

INT32 ZNFont::DrawTextInRect(const char* text, UINT32 length, const ZNVec4& colour, UINT32 flags, const ZNVec4& rect,
                             float size)
{
    if (Glyphs.Empty())
        return -1;
    const UINT32 n     = BoundedLength(text, length);
    const float  rectW = rect.z - rect.x;
    const float  rectH = rect.w - rect.y;

    UINT32 maxLines = 1;
    if (!(flags & ZN_TEXT_SINGLELINE))
    {
        const float fit = size > 0.0f ? floorf(rectH / size) : 0.0f;
        maxLines        = fit >= 1.0f ? (fit < 4294967295.0f ? (UINT32)fit : 0xFFFFFFFFu) : 0;
    }
    if (maxLines == 0)
    {
        if (flags & ZN_TEXT_WORDWRAP)
            return 0;
        maxLines = 1;
    }

    // Pass 1: copy the text into the layout buffer with a line feed at every
    // line end.
    LayoutBuffer.Clear();
    const UINT32 lines =
        WrapText(*this, text, n, flags, rectW, maxLines, size, [this](char c) { LayoutBuffer += (ZNWChar)(UINT8)c; });

    // Pass 2: place and draw each line.
    const UINT32   total     = LayoutBuffer.Size();
    const ZNWChar* buf       = LayoutBuffer.CStr();
    const float    blockH    = (float)lines * size;
    UINT32         lineStart = 0;
    for (UINT32 line = 0; line < lines && lineStart <= total; ++line)
    {
        UINT32 lineEnd = lineStart;
        while (lineEnd < total && buf[lineEnd] != '\n')
            ++lineEnd;

        float lineW = 0.0f;
        for (UINT32 i = lineStart; i < lineEnd; ++i)
            lineW += CharAdvance(size, (char)(UINT8)buf[i]);

        float x = rect.x;
        float y = rect.y + (float)line * size;
        if (flags & ZN_TEXT_RIGHT)
            x = rect.x + (rectW - lineW);
        if (flags & ZN_TEXT_HCENTER)
            x = rect.x + (rectW - lineW) * 0.5f;
        if (flags & ZN_TEXT_BOTTOM)
            y = rect.y + (rectH - blockH) + (float)line * size;
        if (flags & ZN_TEXT_VCENTER)
            y = rect.y + (rectH - blockH) * 0.5f + (float)line * size;

        float penX = x, penY = y;
        for (UINT32 i = lineStart; i < lineEnd; ++i)
            DrawChar((char)(UINT8)buf[i], penX, penY, x, size, colour);
        lineStart = lineEnd + 1;
    }
    Flush();
    return 0;
}
