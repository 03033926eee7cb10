// First window: the smallest program on ZNEngine that does something of its own.
// It opens a window with the drop-down console (the key left of 1), adds a
// console variable (hello_size, the text size) and a console command (greet NAME,
// which changes the greeting), and draws the greeting with the engine's debug
// font in the middle of the window until the window is closed. The application
// layer (ZNApp) brings the window, the console and its standard commands.
#include "ZNEngine.h"

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
        DrawText(GGreeting.CStr(), 0, yellow, ZN_TEXT_HCENTER | ZN_TEXT_VCENTER, Rect, (float)GHelloSize.GetInt());
    }
};

// What the program does each frame: the application layer calls Draw between
// clearing the frame and drawing the console over it.
class Greeter final : public ZNAppClient
{
public:
    void Draw(ZNApp&) override
    {
        Greeting->Layout();   // follows the window's size
        Greeting->Update(1.0f);
    }

    ZNSharedPtr<GreetingLayer> Greeting;
};
}   // namespace

int main(int argc, char** argv)
{
    // --help, --version, --width, --height, --fullscreen and "+command args";
    // help, version and mistakes end here, before any window opens.
    ZNCommandLine line("first_window", "first_window 1.0");
    ZNAppOptions  options;
    const int     exitCode = line.Run(argc, argv, options);
    if (exitCode >= 0)
        return exitCode;

    // The engine starts, its log goes to standard output, and its files
    // ("Engine/DebugFont.fnt", "Shaders/GUI.shd") are read from Data/ beside
    // the program.
    ZNApp app;
    app.Create(argc, argv, "first_window", "Data/");
    if (!app.OpenWindow(ZNString("ZNEngine - First window"), options))
    {
        app.Destroy();
        return 1;
    }
    const float background[4] = { 0.05f, 0.1f, 0.2f, 1.0f };
    for (int i = 0; i < 4; ++i)
        app.ClearColor[i] = background[i];

    Greeter greeter;
    greeter.Greeting         = ZNSharedPtr<GreetingLayer>(new GreetingLayer());
    greeter.Greeting->Window = app.Window;
    // One frame per call, until the window is closed or "quit" runs.
    while (ZNAppFrame(app, greeter))
    {
    }

    // The layer holds the window's shaders: it goes before the window does.
    greeter.Greeting = ZNSharedPtr<GreetingLayer>();
    app.Destroy();
    return 0;
}
