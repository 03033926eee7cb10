// Texture gallery: four pictures that stream in through the engine's texture
// streaming. A texture loaded without TEX_NOSTREAM keeps its mip chain in a
// ".mips" cache file beside the picture. The first run finds no cache: it loads
// each picture in full and writes its cache. Later runs read the cache and start
// each texture at its smallest level, one texel of the picture's mean colour (the
// placeholder); every frame the gallery draws it, it asks for the next finer
// level, which the streaming worker reads from the cache and the frame uploads.
// The caption under a tile shows the size GL holds now.
//
//   gallery_stream 0   holds the textures at the level they have (look at the placeholders)
//   +LINE              on the command line: a console line run before the first frame
#include "ZNEngine.h"

#include <stdio.h>

namespace
{
ZNConVar GStream("gallery_stream", 1.0f, 1, 0.0f, 1.0f, nullptr, 0, "0 holds the textures at their level");

const char* const Pictures[] = { "Gallery/Checker.png", "Gallery/Rings.png", "Gallery/Stripes.png",
                                 "Gallery/Grid.png" };
const UINT32 PictureCount = 4;

// The size of the level GL holds now.
ZNString ResidentSize(const ZNTextureHandle& texture)
{
    const ZNTextureMip& mip = texture->Mips[texture->GLLevel];
    char text[32];
    ZNSPrintf(text, sizeof(text), "%u x %u", (unsigned)mip.Width, (unsigned)mip.Height);
    return ZNString(text);
}

class GalleryLayer final : public ZNUILayer
{
public:
    ZNTextureHandle Textures[PictureCount];
    bool            Streamed[PictureCount] = {};   // reported at full size

    void Draw() override
    {
        const float  white[4] = { 1.0f, 1.0f, 1.0f, 1.0f };
        const UINT32 grey     = ZNPackColor(0.8f, 0.8f, 0.85f, 1.0f);
        DrawText("Texture gallery", 0, grey, ZN_TEXT_HCENTER, ZNUIRect{ 0, 40, Rect.X1, 80 }, 24.0f);
        for (UINT32 i = 0; i < PictureCount; ++i)
        {
            const float x0 = 40.0f + 190.0f * (float)i, y0 = 110.0f, x1 = x0 + 160.0f, y1 = y0 + 160.0f;
            const ZNUIVertex quad[4] = { ZNMakeUIVertex(x0, y0, white, 0, 0), ZNMakeUIVertex(x1, y0, white, 1, 0),
                                         ZNMakeUIVertex(x1, y1, white, 1, 1), ZNMakeUIVertex(x0, y1, white, 0, 1) };
            BeginDraw();   // the GUI material: the texture on unit 0 times the vertex colour
            BindTexture(0, Textures[i]);
            DrawVertices(quad, 4, PT_TriangleFan);
            const ZNString size = ResidentSize(Textures[i]);
            DrawText(size.CStr(), 0, grey, ZN_TEXT_HCENTER, ZNUIRect{ x0, y1 + 10, x1, y1 + 30 }, 16.0f);
        }
    }

    // Asks for the next finer level of every texture (while streaming is on) and
    // logs each one that has arrived at full size.
    void Stream()
    {
        for (UINT32 i = 0; i < PictureCount; ++i)
        {
            if (GStream.GetInt())
                TouchTexture(Textures[i]);
            if (!Streamed[i] && Textures[i]->TexID && Textures[i]->GLLevel == 0)
            {
                Streamed[i] = true;
                ZNLog("Gallery: %s at full size", Pictures[i]);
            }
        }
    }
};

void PrintLogLine(const char* text)
{
    puts(text);
    fflush(stdout);
}
} // namespace

int main(int argc, char** argv)
{
    ZNEngineInit(argc, argv);
    ZNSetLogHandler(PrintLogLine);
    ZNSetDataPath(ZNString("Data/"));

    ZNAppWindow*   window = ZNCreateAppWindow();
    ZNWindowParams params = { 800, 450, 0, 0, 0, 0, 0, 0 };
    if (!window->Open(ZNString("ZNEngine - Texture gallery"), params))
    {
        fputs("The window did not open.\n", stderr);
        ZNDestroyAppWindow(window);
        ZNEngineShutdown();
        return 1;
    }
    window->MakeCurrent();
    window->EnableConsole(true);

    ZNSharedPtr<GalleryLayer> gallery(new GalleryLayer());
    gallery->Window = window;
    for (UINT32 i = 0; i < PictureCount; ++i)
    {
        // Without TEX_NOSTREAM the texture streams; TEX_NOSRGB keeps the colours as drawn.
        if (!LoadTexture(gallery->Textures[i], Pictures[i], TEX_NOSRGB))
            ZNLog("Gallery: %s did not load", Pictures[i]);
        else
            ZNLog("Gallery: %s loaded at %s", Pictures[i], ResidentSize(gallery->Textures[i]).CStr());
    }
    for (int i = 1; i < argc; ++i)
        if (argv[i][0] == '+')
            window->Console->Execute(argv[i] + 1);

    double before = ZNGetTime();
    while (!window->Poll())
    {
        const double now = ZNGetTime();
        gallery->Stream();
        ZNUpdateEngine((float)(now - before));   // uploads the levels the worker has read
        before = now;

        const float background[4] = { 0.12f, 0.12f, 0.14f, 1.0f };
        Clear(background, 1.0f);
        gallery->Layout();
        gallery->Update(1.0f);
        window->Present();
    }

    gallery = ZNSharedPtr<GalleryLayer>();   // the textures go while their context is current
    window->Release();
    ZNDestroyAppWindow(window);
    ZNEngineShutdown();
    return 0;
}
