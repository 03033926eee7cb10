// The PNG codec over the Windows Imaging Component (WIC). WIC does not check
// chunk checksums, so every chunk's CRC is verified here before WIC sees the
// file.
#include <windows.h>
#include <wincodec.h>

#include <string.h>
#include <zlib.h>

#include "files/ZNArchive.h"
#include "resources/ZNImageCodec.h"

namespace
{
const UINT32 kMaxSide = 8192;

UINT32 ReadBE32(const UINT8* p)
{
    return ((UINT32)p[0] << 24) | ((UINT32)p[1] << 16) | ((UINT32)p[2] << 8) | p[3];
}

// The signature, then chunks up to IEND, each with a matching CRC; otherwise
// false with what is wrong in why.
bool ChunksAreSound(const UINT8* bytes, UINT32 size, ZNString& why)
{
    static const UINT8 signature[8] = { 137, 80, 78, 71, 13, 10, 26, 10 };
    if (size < 8 || memcmp(bytes, signature, 8) != 0)
    {
        why = "is not a PNG file (no PNG signature)";
        return false;
    }
    UINT32 at = 8;
    while (size - at >= 12)
    {
        const UINT32 length = ReadBE32(bytes + at);
        if (length > size - at - 12)
            break;
        const UINT8* type = bytes + at + 4;
        const uLong  crc  = crc32(crc32(0L, Z_NULL, 0), type, length + 4);
        if ((UINT32)crc != ReadBE32(type + 4 + length))
        {
            why = ZNString::Formatted("has a bad checksum (%.4s: CRC error)", (const char*)type);
            return false;
        }
        if (memcmp(type, "IEND", 4) == 0)
            return true;
        at += 12 + length;
    }
    why = "ends early (the file stops before its image is complete)";
    return false;
}

// COM on the calling thread for the length of one call; a thread that already
// runs COM in another mode keeps it.
struct ZNComScope
{
    ZNComScope() : Started(SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED))) {}
    ~ZNComScope()
    {
        if (Started)
            CoUninitialize();
    }
    bool Started;
};

template <class T>
void Release(T*& p)
{
    if (p)
        p->Release();
    p = nullptr;
}

bool SameGuid(const GUID& a, const GUID& b)
{
    return memcmp(&a, &b, sizeof(GUID)) == 0;
}

IWICImagingFactory* MakeFactory()
{
    IWICImagingFactory* factory = nullptr;
    if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                                reinterpret_cast<void**>(&factory))))
        return nullptr;
    return factory;
}
}   // namespace

namespace
{
// The first frame of a PNG file and the converter that gives its pixels as RGBA:
// 16-bit samples (Wide) for a 16-bit frame the system converts so, 8-bit
// samples otherwise. Everything it holds is released with it, before the COM
// scope of the caller ends.
struct WicFrame
{
    IWICImagingFactory*    Factory   = nullptr;
    IWICStream*            Stream    = nullptr;
    IWICBitmapDecoder*     Decoder   = nullptr;
    IWICBitmapFrameDecode* Frame     = nullptr;
    IWICFormatConverter*   Converter = nullptr;
    UINT                   Width     = 0;       // pixels per row
    UINT                   Height    = 0;       // rows
    bool                   Wide      = false;   // CopyPixels gives 8 bytes a pixel rather than 4
    WICPixelFormatGUID     Source    = {};      // the frame's own pixel format

    ~WicFrame()
    {
        Release(Converter);
        Release(Frame);
        Release(Decoder);
        Release(Stream);
        Release(Factory);
    }

    bool Open(const UINT8* bytes, UINT32 size)
    {
        Factory = MakeFactory();
        bool ok = Factory && SUCCEEDED(Factory->CreateStream(&Stream)) &&
                  SUCCEEDED(Stream->InitializeFromMemory(const_cast<BYTE*>(bytes), size)) &&
                  SUCCEEDED(Factory->CreateDecoder(GUID_ContainerFormatPng, nullptr, &Decoder)) &&
                  SUCCEEDED(Decoder->Initialize(Stream, WICDecodeMetadataCacheOnDemand)) &&
                  SUCCEEDED(Decoder->GetFrame(0, &Frame));
        WICPixelFormatGUID source = {};
        ok = ok && SUCCEEDED(Frame->GetSize(&Width, &Height)) && SUCCEEDED(Frame->GetPixelFormat(&source)) &&
             Width > 0 && Height > 0 && Width <= kMaxSide && Height <= kMaxSide;
        Source = source;
        // Converting a 16-bit frame to 64-bit RGBA first and keeping each sample's
        // high byte gives libpng's reduction exactly; a system without that
        // conversion converts to 8 bits itself.
        const bool sixteen =
            ok && (SameGuid(source, GUID_WICPixelFormat64bppRGBA) || SameGuid(source, GUID_WICPixelFormat64bppRGB) ||
                   SameGuid(source, GUID_WICPixelFormat48bppRGB) || SameGuid(source, GUID_WICPixelFormat16bppGray));
        Wide = sixteen && ConvertTo(GUID_WICPixelFormat64bppRGBA);
        return ok && (Wide || ConvertTo(GUID_WICPixelFormat32bppRGBA));
    }

    // Makes Converter turn the frame into the format to; false, with no
    // converter kept, when this system cannot.
    bool ConvertTo(const WICPixelFormatGUID& to)
    {
        BOOL can = FALSE;
        if (SUCCEEDED(Factory->CreateFormatConverter(&Converter)) &&
            SUCCEEDED(Converter->CanConvert(Source, to, &can)) && can &&
            SUCCEEDED(
                Converter->Initialize(Frame, to, WICBitmapDitherTypeNone, nullptr, 0.0, WICBitmapPaletteTypeCustom)))
            return true;
        Release(Converter);
        return false;
    }

    // Every pixel into out, 8 bytes each when Wide (little-endian samples), else 4.
    bool Copy(UINT8* out)
    {
        const UINT bytes = Wide ? 8 : 4;
        return SUCCEEDED(Converter->CopyPixels(nullptr, Width * bytes, Width * Height * bytes, out));
    }
};

// The chunk walk says what is wrong with a damaged file; the imaging component
// gives no texts worth passing on, and then the caller's general reason stands.
bool SoundOrSay(const UINT8* bytes, UINT32 size, ZNString* why)
{
    ZNString damage;
    if (bytes && ChunksAreSound(bytes, size, damage))
        return true;
    if (why)
        *why = damage;
    return false;
}
}   // namespace

bool ZNDecodePng(const UINT8* bytes, UINT32 size, ImageData& image, ZNString* why, const char* name)
{
    (void)name;
    if (!SoundOrSay(bytes, size, why))
        return false;
    ZNComScope com;
    WicFrame   frame;
    bool       ok = frame.Open(bytes, size);
    if (ok)
    {
        image.Resize(frame.Width, frame.Height, 1, 1);
        ok = image.GetData() && image.GetWidth() == frame.Width && image.GetHeight() == frame.Height;
    }
    if (ok && !frame.Wide)
        return frame.Copy(image.GetData());
    if (!ok)
        return false;
    const size_t count = (size_t)frame.Width * frame.Height * 4;
    UINT8*       wide  = static_cast<UINT8*>(ZNAlloc(count * 2));
    ok                 = frame.Copy(wide);
    // Little-endian 16-bit samples: the high byte is the second one.
    UINT8* out = image.GetData();
    for (size_t i = 0; ok && i < count; ++i)
        out[i] = wide[i * 2 + 1];
    ZNFree(wide);
    return ok;
}

bool ZNDecodePngGrey(const UINT8* bytes, UINT32 size, ZNGreyImage& image, ZNString* why, const char* name)
{
    (void)name;
    if (!SoundOrSay(bytes, size, why))
        return false;
    ZNComScope com;
    WicFrame   frame;
    if (!frame.Open(bytes, size) || !image.Resize(frame.Width, frame.Height))
        return false;
    const size_t pixels = (size_t)frame.Width * frame.Height;
    UINT16*      out    = image.Samples.Data();
    // A 16-bit frame is read in its own format, whose first sample is grey or red:
    // some systems (Wine among them) cannot convert it to 64-bit RGBA.
    const UINT   own = SameGuid(frame.Source, GUID_WICPixelFormat16bppGray)   ? 2
                       : SameGuid(frame.Source, GUID_WICPixelFormat48bppRGB)  ? 6
                       : SameGuid(frame.Source, GUID_WICPixelFormat64bppRGBA) ? 8
                                                                              : 0;
    if (own)
    {
        UINT8*     samples = static_cast<UINT8*>(ZNAlloc(pixels * own));
        const bool ok = SUCCEEDED(frame.Frame->CopyPixels(nullptr, frame.Width * own, (UINT)(pixels * own), samples));
        for (size_t i = 0; ok && i < pixels; ++i)
            out[i] = (UINT16)(samples[i * own] | (samples[i * own + 1] << 8));
        ZNFree(samples);
        return ok;
    }
    UINT8*     rgba = static_cast<UINT8*>(ZNAlloc(pixels * (frame.Wide ? 8 : 4)));
    const bool ok   = frame.Copy(rgba);
    // The red sample of each pixel: whole when wide, else v x 257 as libpng widens it.
    for (size_t i = 0; ok && i < pixels; ++i)
        out[i] = frame.Wide ? (UINT16)(rgba[i * 8] | (rgba[i * 8 + 1] << 8)) : (UINT16)(rgba[i * 4] * 257);
    ZNFree(rgba);
    return ok;
}

bool ZNEncodePng(const ImageData& image, ZNArchive& archive, int level)
{
    // The imaging component's encoder has no compression level to choose.
    (void)level;
    const UINT width = image.GetWidth(), height = image.GetHeight();
    if (!width || !height || !image.GetData())
        return false;
    ZNComScope             com;
    IWICImagingFactory*    factory = MakeFactory();
    IStream*               memory  = nullptr;
    IWICBitmapEncoder*     encoder = nullptr;
    IWICBitmapFrameEncode* frame   = nullptr;
    IPropertyBag2*         options = nullptr;
    bool                   ok      = factory && SUCCEEDED(CreateStreamOnHGlobal(nullptr, TRUE, &memory)) &&
              SUCCEEDED(factory->CreateEncoder(GUID_ContainerFormatPng, nullptr, &encoder)) &&
              SUCCEEDED(encoder->Initialize(memory, WICBitmapEncoderNoCache)) &&
              SUCCEEDED(encoder->CreateNewFrame(&frame, &options)) && SUCCEEDED(frame->Initialize(options)) &&
              SUCCEEDED(frame->SetSize(width, height));
    // BGRA is the format every PNG encoder takes; the rows are swizzled to it.
    WICPixelFormatGUID format = GUID_WICPixelFormat32bppBGRA;
    ok = ok && SUCCEEDED(frame->SetPixelFormat(&format)) && SameGuid(format, GUID_WICPixelFormat32bppBGRA);
    if (ok)
    {
        const UINT8* rgba = image.GetData();
        UINT8*       bgra = static_cast<UINT8*>(ZNAlloc((size_t)width * height * 4));
        for (size_t i = 0; i < (size_t)width * height; ++i)
        {
            bgra[i * 4 + 0] = rgba[i * 4 + 2];
            bgra[i * 4 + 1] = rgba[i * 4 + 1];
            bgra[i * 4 + 2] = rgba[i * 4 + 0];
            bgra[i * 4 + 3] = rgba[i * 4 + 3];
        }
        ok = SUCCEEDED(frame->WritePixels(height, width * 4, width * height * 4, bgra)) && SUCCEEDED(frame->Commit()) &&
             SUCCEEDED(encoder->Commit());
        ZNFree(bgra);
    }
    if (ok)
    {
        HGLOBAL global = nullptr;
        ok             = SUCCEEDED(GetHGlobalFromStream(memory, &global));
        STATSTG stat;
        ok = ok && SUCCEEDED(memory->Stat(&stat, STATFLAG_NONAME));
        if (ok)
        {
            UINT8* data = static_cast<UINT8*>(GlobalLock(global));
            if (data)
                archive.Serialize(data, (UINT32)stat.cbSize.QuadPart, 1);
            GlobalUnlock(global);
            ok = data != nullptr;
        }
    }
    Release(options);
    Release(frame);
    Release(encoder);
    Release(memory);
    Release(factory);
    return ok;
}
