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
//   --hold             on the command line: starts with gallery_stream 0
#include "ZNEngine.h"

namespace
{
ZNConVar GStream("gallery_stream", 1.0f, 1, 0.0f, 1.0f, nullptr, 0, "0 holds the textures at their level");

const char* const Pictures[]   = { "Gallery/Checker.png", "Gallery/Rings.png", "Gallery/Stripes.png",
                                   "Gallery/Grid.png" };
const UINT32      PictureCount = 4;

// The size of the level GL holds now.
ZNString ResidentSize(const ZNTextureHandle& texture)
{
    const ZNTextureMip& mip = texture->Mips[texture->GLLevel];
    char                text[32];
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
        // Tiles of 160 pixels, 30 apart, centred across the window.
        const float left = 0.5f * (Rect.X1 - (190.0f * (float)PictureCount - 30.0f));
        for (UINT32 i = 0; i < PictureCount; ++i)
        {
            const float      x0 = left + 190.0f * (float)i, y0 = 110.0f, x1 = x0 + 160.0f, y1 = y0 + 160.0f;
            const ZNUIVertex quad[4] = { ZNMakeUIVertex(x0, y0, white, 0, 0), ZNMakeUIVertex(x1, y0, white, 1, 0),
                                         ZNMakeUIVertex(x1, y1, white, 1, 1), ZNMakeUIVertex(x0, y1, white, 0, 1) };
            const ZNUIRect   caption = { x0, y1 + 10, x1, y1 + 30 };
            // A texture that did not load has no GL name: binding it would leave
            // unit 0 as it was (a font page), so its tile is only outlined.
            if (!Textures[i]->TexID)
            {
                DrawRect(ZNUIRect{ x0, y0, x1, y1 }, white, true);
                DrawText("did not load", 0, grey, ZN_TEXT_HCENTER, caption, 16.0f);
                continue;
            }
            BeginDraw();   // the GUI material: the texture on unit 0 times the vertex colour
            BindTexture(0, Textures[i]);
            DrawVertices(quad, 4, PT_TriangleFan);
            DrawText(ResidentSize(Textures[i]).CStr(), 0, grey, ZN_TEXT_HCENTER, caption, 16.0f);
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

// Each frame: the streaming step before the drawing.
class Gallery final : public ZNAppClient
{
public:
    void Update(ZNApp&, float dt) override
    {
        Layer->Stream();
        ZNUpdateEngine(dt);   // uploads the levels the worker has read
    }

    void Draw(ZNApp&) override
    {
        Layer->Layout();
        Layer->Update(1.0f);
    }

    ZNSharedPtr<GalleryLayer> Layer;
};

// The program's own command-line option (no values).
bool ApplyHold(void*, const char* const*, ZNString&)
{
    GStream.Set(0.0f);
    return true;
}
}   // namespace

int main(int argc, char** argv)
{
    ZNCommandLine line("texture_gallery", "texture_gallery 1.0");
    line.AddOption("--hold", "", 0, "start with the textures held at their placeholder", ApplyHold, nullptr);
    ZNAppOptions options;
    const int    exitCode = line.Run(argc, argv, options);
    if (exitCode >= 0)
        return exitCode;

    ZNApp app;
    app.Create(argc, argv, "texture_gallery", "Data/");
    if (!app.OpenWindow(ZNString("ZNEngine - Texture gallery"), options))
    {
        app.Destroy();
        return 1;
    }
    const float background[4] = { 0.12f, 0.12f, 0.14f, 1.0f };
    for (int i = 0; i < 4; ++i)
        app.ClearColor[i] = background[i];

    Gallery gallery;
    gallery.Layer         = ZNSharedPtr<GalleryLayer>(new GalleryLayer());
    gallery.Layer->Window = app.Window;
    for (UINT32 i = 0; i < PictureCount; ++i)
    {
        // Without TEX_NOSTREAM the texture streams; TEX_NOSRGB keeps the colours as drawn.
        ZNTextureHandle& texture = gallery.Layer->Textures[i];
        if (LoadTexture(texture, Pictures[i], TEX_NOSRGB))
            ZNLog("Gallery: %s loaded at %s", Pictures[i], ResidentSize(texture).CStr());
        else
            ZNLog("Gallery: %s did not load", Pictures[i]);
    }
    while (ZNAppFrame(app, gallery))
    {
    }

    gallery.Layer = ZNSharedPtr<GalleryLayer>();   // the textures go while their context is current
    app.Destroy();
    return 0;
}
