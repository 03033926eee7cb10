// The smallest program on the engine: opens a window, runs a console line,
// draws a frame and ends with 0. Every log line goes to standard output.
#include "ZNEngine.h"

#include <stdio.h>
#include <string.h>

static void PrintLine(const char* text)
{
    const size_t length = strlen(text);
    fputs(text, stdout);
    if (length == 0 || text[length - 1] != '\n')
        fputc('\n', stdout);
    fflush(stdout);
}

int main(int argc, char** argv)
{
    ZNEngineInit(argc, argv);
    ZNSetLogHandler(PrintLine);
    ZNSetDataPath(ZNString("Data/"));

    ZNAppWindow*         window = ZNCreateAppWindow();
    const ZNWindowParams params = { 320, 240, 0, 0, 0, 0, 0, 0 };
    if (!window->Open(ZNString("ZNEngine consumer"), params))
    {
        ZNDestroyAppWindow(window);
        ZNEngineShutdown();
        return 1;
    }
    window->MakeCurrent();
    window->EnableConsole(true);
    window->Console->Execute("echo consumer: the console runs");

    ZNCurGLTable()->ClearColor(0.1f, 0.2f, 0.3f, 1.0f);
    ZNCurGLTable()->Clear(GL_COLOR_BUFFER_BIT);
    window->Present();
    printf("consumer: frame drawn, debug font %s\n", window->DebugFont->HasGlyphs() ? "loaded" : "missing");

    window->Release();
    ZNDestroyAppWindow(window);
    ZNEngineShutdown();
    return 0;
}
