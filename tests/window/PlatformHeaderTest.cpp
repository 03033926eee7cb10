// The engine's window headers keep the platform to themselves, and starting the
// video system says which display failed and why.
#include "runtime/ZNEngineInternal.h"
#include "application/ZNAppWindow.h"
#include "window/ZNGLContext.h"
#include "window/ZNWindow.h"

// Taken before anything else is included: only the engine's headers count.
#if defined(SDL_h_)
constexpr bool kEngineHeadersBringSDL = true;
#else
constexpr bool kEngineHeadersBringSDL     = false;
#endif
#if defined(_WINDOWS_) || defined(_WINDEF_)
constexpr bool kEngineHeadersBringWindows = true;
#else
constexpr bool kEngineHeadersBringWindows = false;
#endif

#include <gtest/gtest.h>
#include <stdlib.h>

#include <string>

#include "window/ZNWindowSDL.h"

TEST(PlatformHeaders, WindowAndContextHeadersNameNoPlatformHeader)
{
    EXPECT_FALSE(kEngineHeadersBringSDL);
    EXPECT_FALSE(kEngineHeadersBringWindows);
}

namespace
{
// Sets or clears an environment variable for one scope.
class ScopedEnv
{
public:
    ScopedEnv(const char* name, const char* value) : Name(name)
    {
        const char* old = getenv(name);
        Had             = old != nullptr;
        if (Had)
            Old = old;
        if (value)
            setenv(name, value, 1);
        else
            unsetenv(name);
    }
    ~ScopedEnv()
    {
        if (Had)
            setenv(Name, Old.c_str(), 1);
        else
            unsetenv(Name);
    }

private:
    const char* Name;
    bool        Had;
    std::string Old;
};
}   // namespace

TEST(SDLVideo, AnUnreachableDisplayIsNamedAndNotSwappedForAnInvisibleDriver)
{
    if (SDL_WasInit(SDL_INIT_VIDEO))
        GTEST_SKIP() << "video already started in this process";
    ScopedEnv display("DISPLAY", ":97531");
    ScopedEnv wayland("WAYLAND_DISPLAY", nullptr);
    ScopedEnv driver("SDL_VIDEODRIVER", nullptr);
    ZNString  error;
    EXPECT_FALSE(ZNStartSDLVideo(&error));
    EXPECT_FALSE(SDL_WasInit(SDL_INIT_VIDEO)) << "started " << SDL_GetCurrentVideoDriver();
    const std::string text = error.CStr();
    EXPECT_EQ(text.rfind("could not open the X display \":97531\": ", 0), 0u) << text;
    SDL_ClearHints();
}

TEST(SDLVideo, NoDisplayAtAllSaysSo)
{
    if (SDL_WasInit(SDL_INIT_VIDEO))
        GTEST_SKIP() << "video already started in this process";
    ScopedEnv display("DISPLAY", nullptr);
    ScopedEnv wayland("WAYLAND_DISPLAY", nullptr);
    ScopedEnv driver("SDL_VIDEODRIVER", nullptr);
    ZNString  error;
    EXPECT_FALSE(ZNStartSDLVideo(&error));
    EXPECT_STREQ(error.CStr(), "no display to open windows on (neither DISPLAY nor WAYLAND_DISPLAY is set)");
    EXPECT_FALSE(SDL_WasInit(SDL_INIT_VIDEO));
}

TEST(SDLVideoGL, StartsTheDriverOfTheDisplayInTheEnvironment)
{
    const char* display = getenv("DISPLAY");
    if (!display || !*display)
        GTEST_SKIP() << "needs a display";
    if (SDL_WasInit(SDL_INIT_VIDEO))
        GTEST_SKIP() << "video already started in this process";
    ScopedEnv driver("SDL_VIDEODRIVER", nullptr);
    ZNString  error;
    ASSERT_TRUE(ZNStartSDLVideo(&error)) << error.CStr();
    EXPECT_STREQ(SDL_GetCurrentVideoDriver(), "x11");
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
}
