// What a UI layer reads of its application window (declared in ui/ZNUILayer.h).
#include "ui/ZNUILayer.h"

#include "application/ZNAppWindow.h"

ZNFont* ZNUIWindowFont(const ZNAppWindow* window)
{
    return window ? window->DebugFont : nullptr;
}

void ZNUIWindowSize(const ZNAppWindow* window, float& width, float& height)
{
    width  = window ? static_cast<float>(window->Params().Width) : 0.0f;
    height = window ? static_cast<float>(window->Params().Height) : 0.0f;
}
