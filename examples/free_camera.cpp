// Free camera: a rolling field of hills built from a vertex layout of the
// program's own, drawn with a shader file that reloads itself when it is edited,
// and seen through the application layer's free-fly camera: W S A D move, space
// and left control rise and sink, shift hurries, the right mouse button held
// looks around. The application layer brings the window, the console with its
// standard commands ("where" prints the camera), F3 statistics and F12
// screenshots.
#include "ZNEngine.h"

#include <math.h>

namespace
{
// One vertex of the field: position and normal as floats, the colour as four
// bytes that the shader reads as 0..1. 28 bytes.
struct FieldVertex
{
    float x, y, z;      // position
    float nx, ny, nz;   // normal
    UINT8 r, g, b, a;   // colour
};

// The layout the shader's inputs are fed from: element type, components,
// stream, attribute (the shader's input name); offsets and stride are computed.
ZNVertexElement FieldElements[] = {
    { VDT_Float, 3, 0, GLVertex, 0, 0 },
    { VDT_Float, 3, 0, GLNormal, 0, 0 },
    { VDT_UByte, 4, 0, GLColor, 0, 0 },
    { VDT_Float, 0, 0, 0, 0, 0 },   // the end of the list
};
ZNVertexDecl FieldDecl(FieldElements, "FieldVertex");

const int   FieldCells = 96;     // squares along each side
const float CellSize   = 8.0f;   // world units

float Height(float x, float y)
{
    return 40.0f * sinf(x * 0.02f) * cosf(y * 0.025f) + 12.0f * sinf((x + y) * 0.05f);
}

class FieldScene final : public ZNAppClient
{
public:
    FieldScene() : Vertices(VMBT_Vertex, 0), Indices(VMBT_Index, 0)
    {
        const int   side = FieldCells + 1;
        const float half = 0.5f * CellSize * (float)FieldCells;
        for (int j = 0; j < side; ++j)
            for (int i = 0; i < side; ++i)
            {
                const float  x = (float)i * CellSize - half, y = (float)j * CellSize - half, z = Height(x, y);
                const ZNVec3 n = Normalize(
                    ZNVec3(Height(x - 1.0f, y) - Height(x + 1.0f, y), Height(x, y - 1.0f) - Height(x, y + 1.0f), 2.0f));
                // Dark green valleys, yellow-green slopes, pale tops.
                const float       t = fminf(fmaxf((z + 52.0f) / 104.0f, 0.0f), 1.0f);
                const FieldVertex v = { x,
                                        y,
                                        z,
                                        n.x,
                                        n.y,
                                        n.z,
                                        (UINT8)(40 + 190 * t * t),
                                        (UINT8)(110 + 120 * t),
                                        (UINT8)(40 + 170 * t * t * t),
                                        255 };
                Vertices.Append(&v, sizeof(v));
            }
        for (int j = 0; j < FieldCells; ++j)
            for (int i = 0; i < FieldCells; ++i)
            {
                const UINT16 a = (UINT16)(j * side + i), b = (UINT16)(a + 1), c = (UINT16)(a + side),
                             d       = (UINT16)(c + 1);
                const UINT16 quad[6] = { a, b, d, a, d, c };
                Indices.Append(quad, sizeof(quad));
            }
        Vertices.Upload();
        Indices.Upload();
        Shader = GetShader(ZNString("Shaders/Field.shd"), ZNString());
    }

    void Update(ZNApp&, float dt) override
    {
        // Once a second: reload the shader when its file is newer than the loaded one.
        SinceReloadCheck += dt;
        if (SinceReloadCheck >= 1.0f)
        {
            SinceReloadCheck = 0.0f;
            CheckReload(Shader);
        }
    }

    void Draw(ZNApp& app) override
    {
        ZNFlyView view;
        ZNSetupFlyView(app.Camera.State, 1.0f, app.Window->Params().Width, app.Window->Params().Height,
                       app.CamFov.Get(), 1.0f, 4000.0f, view);
        SetRasterState(ZNRasterWord(ZN_CULL_NONE, ZN_POLYGON_FILL, ZN_DEPTH_LESS, true), ZN_RASTER_MASK_ALL);
        SetShader(ZN_BLEND_WORD_OFF, Shader);
        // Uniform references are looked up on the program as it is now: a reload
        // makes a new program and nulls the old references.
        ZNUniformRef viewMatrix, projection;
        GetUniform(Shader, viewMatrix, "ZN_mView");
        GetUniform(Shader, projection, "ZN_mProj");
        SetFloat(viewMatrix, view.View.Data(), 4, true, 1);
        SetFloat(projection, view.Projection.Data(), 4, true, 1);

        SetVertexDecl(&FieldDecl);
        SetVertexStream(0, &Vertices, 0);
        SetIndexBuffer(&Indices);
        DrawIndexed(PT_Triangles, (UINT32)(FieldCells * FieldCells * 6), VDT_UShort, 0);
    }

    ZNGpuBuffer Vertices;
    ZNGpuBuffer Indices;
    ZNShaderPtr Shader;
    float       SinceReloadCheck = 0.0f;   // seconds
};
}   // namespace

int main(int argc, char** argv)
{
    // --help, --version, --width, --height, --fullscreen and "+command args".
    ZNCommandLine line("free_camera", "free_camera 1.0");
    ZNAppOptions  options;
    const int     exitCode = line.Run(argc, argv, options);
    if (exitCode >= 0)
        return exitCode;

    ZNApp app;
    app.Create(argc, argv, "free_camera", "Data/");
    if (!app.OpenWindow(ZNString("ZNEngine - Free camera"), options))
    {
        app.Destroy();
        return 1;
    }
    const float sky[4] = { 0.45f, 0.6f, 0.85f, 1.0f };
    for (int i = 0; i < 4; ++i)
        app.ClearColor[i] = sky[i];
    // West of the field, up in the air, heading along +X and looking down a little.
    ZNFlyCameraState& start = app.Camera.State;
    start.Position = start.PrevPosition = ZNVec3(-480.0f, 0.0f, 160.0f);
    start.Yaw = start.PrevYaw = 0.0f;
    start.Pitch = start.PrevPitch = 1.95f;
    {
        FieldScene scene;   // its GL objects go while the window's context is current
        while (ZNAppFrame(app, scene))
        {
        }
    }
    app.Destroy();
    return 0;
}
