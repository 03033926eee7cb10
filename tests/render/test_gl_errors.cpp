// GL error reporting: the debug callback on a context that offers it, the
// frame-end check where it does not, and silence when reporting is off.
#include "common/ZNTestGL.h"
#include "common/ZNTestPlatform.h"

#include "window/ZNGLErrors.h"

#include <gtest/gtest.h>

#include <stdlib.h>
#include <string>

namespace
{

// Sets ZN_GL_ERRORS for the lifetime of the object.
class GLErrorsSwitch : public ZNEnvSetting
{
public:
    explicit GLErrorsSwitch(const char* value) : ZNEnvSetting("ZN_GL_ERRORS", value) {}
};

size_t Occurrences(const std::string& text, const std::string& part)
{
    size_t n = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++n;
    return n;
}

}   // namespace

// Mesa offers KHR_debug: each error is reported once, as it happens, with the
// driver's words (which name the call), and the frame-end check that drains it
// does not report it a second time.
TEST(GLErrors, TheDebugCallbackReportsEachErrorOnce)
{
    GLErrorsSwitch on("1");
    ZNTestWindow   window;
    ASSERT_TRUE(window.Ok());
    ASSERT_TRUE(GL().KHR_debug);
    const UINT32 before = ZNGLErrorCount();
    testing::internal::CaptureStderr();
    GL().Enable(0x1234);
    GL().BindBuffer(0x4321, 0);
    const UINT32      drained = ZNGLErrorsCheck("test frame");
    const std::string printed = testing::internal::GetCapturedStderr();
    // Both are GL_INVALID_ENUM, which the context's flag records once.
    EXPECT_EQ(drained, 1u);
    EXPECT_EQ(ZNGLErrorCount() - before, 2u);
    EXPECT_EQ(Occurrences(printed, "GL error: "), 2u) << printed;
    EXPECT_NE(printed.find("glEnable"), std::string::npos) << printed;
    EXPECT_EQ(ZNGLErrorsCheck("test frame"), 0u);
}

// A table without the extension (a driver without debug output) leaves
// reporting to the frame-end check, which names the check and the code.
TEST(GLErrors, WithoutDebugOutputTheFrameEndCheckReports)
{
    GLErrorsSwitch on("1");
    ZNTestWindow   window;
    ASSERT_TRUE(window.Ok());
    GladGLContext plain  = GL();
    plain.KHR_debug      = 0;
    GladGLContext* saved = ZNSwapGLTable(&plain);
    saved->Disable(GL_DEBUG_OUTPUT);
    ZNGLErrorsAttach();
    const UINT32 before = ZNGLErrorCount();
    testing::internal::CaptureStderr();
    plain.Enable(0x1234);
    EXPECT_EQ(ZNGLErrorsCheck("the end of test frame 7"), 1u);
    const std::string printed = testing::internal::GetCapturedStderr();
    ZNSwapGLTable(saved);
    EXPECT_EQ(ZNGLErrorCount() - before, 1u);
    EXPECT_EQ(printed, "GL error: GL_INVALID_ENUM (0x0500) found at the end of test frame 7\n");
}

// Off: no callback, no report, and the check makes no GL call at all.
TEST(GLErrors, OffMeansNoReportAndNoGLCall)
{
    GLErrorsSwitch off("0");
    ZNTestWindow   window;
    ASSERT_TRUE(window.Ok());
    const UINT32 before = ZNGLErrorCount();
    GL().Enable(0x1234);
    testing::internal::CaptureStderr();
    EXPECT_EQ(ZNGLErrorsCheck("frame"), 0u);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(ZNGLErrorCount(), before);
    EXPECT_EQ(GL().GetError(), (GLenum)GL_INVALID_ENUM);
}

// A shader that does not compile is the shader code's report (file and line),
// not a GL error, although the driver describes it through debug output too.
TEST(GLErrors, ShaderCompilerMessagesAreNotGLErrors)
{
    GLErrorsSwitch on("1");
    ZNTestWindow   window;
    ASSERT_TRUE(window.Ok());
    const UINT32 before = ZNGLErrorCount();
    testing::internal::CaptureStderr();
    const GLuint shader = GL().CreateShader(GL_FRAGMENT_SHADER);
    const char*  source = "#version 150\nvoid main() { garbage";
    GL().ShaderSource(shader, 1, &source, nullptr);
    GL().CompileShader(shader);
    GLint status = 1;
    GL().GetShaderiv(shader, GL_COMPILE_STATUS, &status);
    GL().DeleteShader(shader);
    EXPECT_EQ(ZNGLErrorsCheck("test frame"), 0u);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(status, 0);
    EXPECT_EQ(ZNGLErrorCount(), before);
}

namespace
{
// A lost context: every GetError answers GL_CONTEXT_LOST (0x0507) (for a long while;
// an unbounded drain ends after Lost calls instead of never).
UINT32            GLostCalls = 0;
const UINT32      kLostFor   = 100000;
GLenum GLAPIENTRY LostGetError()
{
    return ++GLostCalls <= kLostFor ? (GLenum)0x0507 : (GLenum)GL_NO_ERROR;
}
}   // namespace

// Every drain is bounded, at attach as at the frame end: a lost context that
// reports errors for ever costs at most 64 codes a drain.
TEST(GLErrors, DrainsStopOnALostContext)
{
    GLErrorsSwitch on("1");
    ZNTestWindow   window;
    ASSERT_TRUE(window.Ok());
    GladGLContext lost   = GL();
    lost.GetError        = LostGetError;
    GladGLContext* saved = ZNSwapGLTable(&lost);
    GLostCalls           = 0;
    testing::internal::CaptureStderr();
    ZNGLErrorsAttach();
    const UINT32 afterAttach = GLostCalls;
    const UINT32 drained     = ZNGLErrorsCheck("frame");
    const UINT32 afterCheck  = GLostCalls;
    testing::internal::GetCapturedStderr();
    ZNSwapGLTable(saved);
    saved->DebugMessageCallback(nullptr, nullptr);
    saved->Disable(GL_DEBUG_OUTPUT);
    EXPECT_LE(afterAttach, 2u * 64 + 2);
    EXPECT_EQ(drained, 64u);
    EXPECT_LE(afterCheck - afterAttach, 65u);
}

// Errors pending when reporting attaches to a context are reported then, with
// the debug callback or without it, not dropped.
TEST(GLErrors, ErrorsPendingAtAttachAreReported)
{
    GLErrorsSwitch on("1");
    ZNTestWindow   window;
    ASSERT_TRUE(window.Ok());
    for (int khr = 1; khr >= 0; --khr)
    {
        SCOPED_TRACE(khr);
        GladGLContext table  = GL();
        table.KHR_debug      = khr;
        GladGLContext* saved = ZNSwapGLTable(&table);
        saved->DebugMessageCallback(nullptr, nullptr);
        saved->Disable(GL_DEBUG_OUTPUT);
        table.Enable(0x1234);
        const UINT32 before = ZNGLErrorCount();
        testing::internal::CaptureStderr();
        ZNGLErrorsAttach();
        ZNGLErrorsCheck("frame");
        const std::string printed = testing::internal::GetCapturedStderr();
        ZNSwapGLTable(saved);
        EXPECT_EQ(ZNGLErrorCount() - before, 1u) << printed;
        EXPECT_EQ(Occurrences(printed, "GL error: GL_INVALID_ENUM (0x0500)"), 1u) << printed;
    }
    ZNGLErrorsAttach();
}
