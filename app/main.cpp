// Vendrapolis: the entry point. Opens the window, builds the voxel world, runs
// the frame loop until the window is asked to close, and tears everything down in
// the reverse order.
#include "AppGlobals.h"
#include "VoxelWorld.h"
#include "render/ZNRT.h"
#include "render/ZNRenderState.h"
#include "resources/ZNFileIO.h"
#include "runtime/ZNDataPath.h"
#include "runtime/ZNEngineInternal.h"

UINT32 GMouseLook = 0;

namespace
{
// Keeps the GL viewport on the client area and reloads edited shaders when the
// user comes back to the window.
class AppListener : public ZNWindowListener
{
public:
    AppListener() : Window(nullptr) {}

    UINT32 Reserved(UINT32, UINT32, UINT32, UINT32) override { return 0; }

    void Resize(UINT32 width, UINT32 height) override
    {
        SetViewport(0, 0, (INT32)width, (INT32)height);
        // What GL now holds, so a run can be checked from outside.
        GLint vp[4] = { 0, 0, 0, 0 };
        ZNCurGLTable()->GetIntegerv(GL_VIEWPORT, vp);
        PrintStdout("Viewport %d x %d\n", vp[2], vp[3]);
    }

    // The window does not accept dropped files.
    bool Drop(UINT32, const ZNString&) override { return false; }

    void Focus(bool gained) override
    {
        if (gained && Window && Window->RenderWindow.Handle())
            Window->RenderWindow.Handle()->ReloadShaders();
    }

    ZNAppWindow* Window;
};
} // namespace

int main(int argc, char** argv)
{
    ZNEngineInit(argc, argv);
    ZNSetDataPath(ZNString("Data/"));

    ZNAppWindow* window = ZNCreateAppWindow();
    ZNWindowParams params = { 1024, 576, 0, 0, 0, 0, 0, 0 };
    window->Open(ZNString("Building the voxel world..."), params);

    window->MakeCurrent();
    window->NativeWindow()->SetResizable(true);
    window->EnableConsole(true);

    AppListener listener;
    listener.Window = window;
    window->SetListener(&listener);

    SetRasterState(ZNRasterWord(ZN_CULL_NONE, ZN_POLYGON_FILL, ZN_DEPTH_LESS, true), ZN_RASTER_MASK_ALL);

    VoxelWorld* world = new VoxelWorld(window);

    window->NativeWindow()->SetTitle(ZNString("Vendrapolis - Voxel sprites"));

    double prevTime = ZNGetTime();
    bool   closing  = window->Poll();
    while (!closing)
    {
        if (GMouseLook)
        {
            // Re-centring keeps the cursor off the window's edge while steering;
            // the camera reads the mouse as a displacement from the centre.
            const float cx = (float)(window->Params().Width >> 1);
            const float cy = (float)(window->Params().Height >> 1);
            window->SetCursorPos(cx, cy);
            window->Input.PrevMouse[0] = cx;
            window->Input.PrevMouse[1] = cy;
        }

        const float clearColor[4] = { 0.01f, 0.02f, 0.04f, 1.0f };
        Clear(clearColor, 1.0f);

        const double now = ZNGetTime();
        const float  dt  = (float)(now - prevTime);
        world->Update(dt);
        prevTime = now;

        world->Render(0.0f);
        window->Present();
        closing = window->Poll();
    }

    delete world;
    window->Release();
    ZNDestroyAppWindow(window);
    ZNEngineShutdown();
    return 0;
}
