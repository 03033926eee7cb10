// First window: the smallest program on ZNEngine that does something of its own.
// It opens a window with the drop-down console (the key left of 1), adds a
// console variable (hello_size, the text size) and a console command (greet NAME,
// which changes the greeting), and draws the greeting with the engine's debug
// font in the middle of the window until the window is closed.
#include "ZNEngine.h"

#include <stdio.h>

namespace
{
// A console variable: name, default, whole numbers, range, allowed values (none
// here) and the line "help hello_size" prints. Typing "hello_size 48" sets it.
ZNConVar GHelloSize("hello_size", 32.0f, 1, 8.0f, 96.0f, nullptr, 0, "size of the greeting in pixels");

ZNString GGreeting("Hello, ZNEngine!");

// A console command: "greet Ada" greets Ada; "greet" alone prints the usage.
void Greet(ZNConsole& console, const ZNConArgs& args)
{
    if (args.Size() != 2)
    {
        ZNConsolePrintUsage(console, args);
        return;
    }
    GGreeting = ZNString("Hello, ") + args[1] + "!";
    console.Printf("%s", GGreeting.CStr());
}
ZNConFunc GGreet("greet", "greet NAME", "changes the greeting", Greet);

// Draws the greeting. A UI layer draws in window pixels (y down) with the
// window's debug font and the engine's GUI shaders.
class GreetingLayer final : public ZNUILayer
{
public:
    void Draw() override
    {
        const UINT32 yellow = ZNPackColor(1.0f, 0.85f, 0.2f, 1.0f);
        DrawText(GGreeting.CStr(), 0, yellow, ZN_TEXT_HCENTER | ZN_TEXT_VCENTER, Rect,
                 (float)GHelloSize.GetInt());
    }
};

// Keeps the GL viewport on the whole client area when the window is resized.
class ResizeListener final : public ZNWindowListener
{
public:
    void Resize(UINT32 width, UINT32 height) override { SetViewport(0, 0, (INT32)width, (INT32)height); }
};

// The engine log (console lines included) goes to standard output.
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
    // Engine files ("Engine/DebugFont.fnt", "Shaders/GUI.shd") are read from
    // Data/ beside the program.
    ZNSetDataPath(ZNString("Data/"));

    ZNAppWindow*   window = ZNCreateAppWindow();
    ZNWindowParams params = { 800, 450, 0, 0, 0, 0, 0, 0 };
    if (!window->Open(ZNString("ZNEngine - First window"), params))
    {
        fputs("The window did not open.\n", stderr);
        ZNDestroyAppWindow(window);
        ZNEngineShutdown();
        return 1;
    }
    window->MakeCurrent();
    window->EnableConsole(true);
    ResizeListener listener;
    window->SetListener(&listener);

    ZNSharedPtr<GreetingLayer> greeting(new GreetingLayer());
    greeting->Window = window;

    // Poll answers true once the window was asked to close.
    while (!window->Poll())
    {
        const float background[4] = { 0.05f, 0.1f, 0.2f, 1.0f };
        Clear(background, 1.0f);
        greeting->Layout();   // follows the window's size
        greeting->Update(1.0f);
        window->Present();    // draws the console on top, then swaps
    }

    // Layers hold the context's shaders: they go before the window does.
    greeting = ZNSharedPtr<GreetingLayer>();
    window->Release();
    ZNDestroyAppWindow(window);
    ZNEngineShutdown();
    return 0;
}
