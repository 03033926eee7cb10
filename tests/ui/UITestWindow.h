// The UI GL tests draw into a hidden application window of the real engine,
// with the repository's data folder as the data path (debug font, GUI shaders).
#pragma once

#include <stdio.h>
#include <stdlib.h>

#include "runtime/ZNDataPath.h"
#include "runtime/ZNEngineInternal.h"
#include "window/ZNAppWindow.h"

// Starts the engine and opens a hidden width x height window with its context
// current. Null when there is no display or the window could not be opened
// (the engine is then stopped again).
inline ZNAppWindow* OpenUITestWindow(const char* title, UINT32 width, UINT32 height)
{
    if (!getenv("DISPLAY"))
        return nullptr;
    static char  arg0[] = "zn_test_ui";
    static char* argv[] = { arg0, nullptr };
    ZNEngineInit(1, argv);
    snprintf(GDataPath, ZN_DATA_PATH_SIZE, "%s/data/", ZN_TEST_SOURCE_DIR);
    ZNAppWindow* window = ZNCreateAppWindow();
    const ZNWindowParams params = { width, height, 0, 0, 0, 0, ZNWS_Hidden, 0 };
    if (!window->Open(ZNString(title), params))
    {
        ZNDestroyAppWindow(window);
        ZNEngineShutdown();
        return nullptr;
    }
    window->MakeCurrent();
    return window;
}

// Releases and destroys a window from OpenUITestWindow and stops the engine.
inline void CloseUITestWindow(ZNAppWindow*& window)
{
    if (!window)
        return;
    window->Release();
    ZNDestroyAppWindow(window);
    window = nullptr;
    ZNEngineShutdown();
}
