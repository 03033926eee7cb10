// Shader programs from .shd files on a real 3.3 core context: compiling with
// includes, error reports, the retry dialog, the cache, hot reload and uniforms.
#include "common/ZNTestDialogs.h"
#include "common/ZNTestFiles.h"
#include "common/ZNTestGL.h"

#include "render/ZNRT.h"
#include "render/ZNRenderState.h"
#include "render/ZNShader.h"
#include "render/ZNVertex.h"
#include "files/ZNFileIO.h"
#include "core/ZNLog.h"

#include <gtest/gtest.h>

#include <string.h>

#include <algorithm>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace
{
const char* const GCommon = "uniform vec4 Tint;\nuniform float Scale;\n";

// Colour from the vertices times Tint and Scale; Tex1 mixed in by Mix.
const char* const GColorShader = "#include \"common.h\"\n"
                                 "varying vec4 vColor;\n"
                                 "#ifdef VSHADER\n"
                                 "void main() { vColor = GLColor * Tint; gl_Position = vec4(GLVertex.xy, 0.0, 1.0); }\n"
                                 "#endif\n"
                                 "#ifdef PSHADER\n"
                                 "uniform sampler2D Tex1;\n"
                                 "uniform float Mix;\n"
                                 "void main() { GLFragData0 = vColor * Scale + texture(Tex1, vec2(0.5)) * Mix; }\n"
                                 "#endif\n";

std::string WithGain(const char* shader)
{
    std::string       s    = shader;
    const std::string from = "vColor * Scale";
    s.replace(s.find(from), from.size(), "vColor * Scale * Gain");
    return "uniform float Gain;\n" + s;
}

std::vector<std::string> GLog;
void                     RecordLog(const char* text)
{
    GLog.push_back(text);
}

// Captures the engine log for its lifetime.
struct LogCapture
{
    LogCapture()
    {
        GLog.clear();
        Previous = ZNSetLogHandler(RecordLog);
    }
    ~LogCapture() { ZNSetLogHandler(Previous); }
    long         Lines(const std::string& text) const { return std::count(GLog.begin(), GLog.end(), text); }
    ZNLogHandler Previous;
};

GLint CurrentProgram()
{
    GLint program = -1;
    GL().GetIntegerv(GL_CURRENT_PROGRAM, &program);
    return program;
}

// The context state and GL agree on the bound program.
void ExpectBindingConsistent()
{
    EXPECT_EQ(static_cast<UINT32>(CurrentProgram()), CS().Shaders.CurrentProgram);
    const ZNShaderPtr cur = GetCurrentShader();
    EXPECT_EQ(CS().Shaders.CurrentProgram, cur ? cur->Shader->Program : 0u);
}

// Draws a full-window quad of one colour and reads the pixel in the middle.
std::vector<int> DrawQuad(float r, float g, float b)
{
    const float v[4][8] = {
        { -1, -1, 0, 0, r, g, b, 1 },
        { 1, -1, 1, 0, r, g, b, 1 },
        { 1, 1, 1, 1, r, g, b, 1 },
        { -1, 1, 0, 1, r, g, b, 1 },
    };
    DrawUserVertices2D(v, 4, PT_TriangleFan);
    UINT8 rgba[4] = {};
    GL().ReadPixels(16, 16, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
    return { rgba[0], rgba[1], rgba[2], rgba[3] };
}

std::string Str(const ZNString& s)
{
    return std::string(s.CStr(), s.Size());
}
}

TEST(GLShader, ProgramFromAFileWithAnIncludeHasTheFixedLocationsAndDraws)
{
    ZNScratchDir dir(ZNScratchDir::DataPath);
    dir.Write("Shaders/common.h", GCommon);
    dir.Write("Shaders/Color.shd", GColorShader);
    ZNTestWindow w(32, 32);
    ASSERT_TRUE(w.Ok());
    ZNShaderPtr  sh      = GetShader(ZNString("Shaders/Color.shd"), ZNString());
    const UINT32 program = sh->Shader->Program;
    ASSERT_NE(program, 0u);
    EXPECT_EQ(Str(sh->Shader->Source).rfind("#line 1 0\n#line 1 1\nuniform vec4 Tint;", 0), 0u);
    EXPECT_EQ(GL().GetAttribLocation(program, "GLColor"), 3);
    EXPECT_EQ(GL().GetFragDataLocation(program, "GLFragData0"), 0);
    GLint unit = -1;
    GL().GetUniformiv(program, GL().GetUniformLocation(program, "Tex1"), &unit);
    EXPECT_EQ(unit, 1);   // sampler Tex1 on unit 1 without any call by the user

    SetShader(0, sh);
    ZNUniformRef tint, scale;
    GetUniform(sh, tint, "Tint");
    GetUniform(sh, scale, "Scale");
    const float white[4] = { 1, 1, 1, 1 }, one = 1.0f, half = 0.5f;
    SetFloat(tint, white, 4, false, 1);
    SetFloat(scale, &one, 1, false, 1);
    EXPECT_EQ(DrawQuad(0, 0, 1), (std::vector<int>{ 0, 0, 255, 255 }));
    SetFloat(scale, &half, 1, false, 1);
    EXPECT_NEAR(DrawQuad(0, 1, 0)[1], 128, 1);
    EXPECT_EQ(GL().GetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST(GLShader, ErrorsNameTheFileAndItsOwnLine)
{
    ZNScratchDir dir(ZNScratchDir::DataPath);
    dir.Write("Shaders/common.h", GCommon);
    dir.Write("Shaders/bad.h", "uniform float Fine;\nthis is not glsl;\n");
    dir.Write("Shaders/Broken.shd", std::string("#include \"bad.h\"\n") + GColorShader);
    dir.Write("Shaders/Color.shd", GColorShader);
    ZNTestWindow w(32, 32);
    ASSERT_TRUE(w.Ok());
    ZNDialogRecorder dialogs;
    dialogs.Answers = { false, true };   // no retry, continue without
    ZNShaderPtr sh  = CreateShader(ZNString("Shaders/Broken.shd"), ZNString());
    EXPECT_EQ(sh->Shader->Program, 0u);
    ASSERT_EQ(dialogs.Count(), 2u);
    const std::string text = dialogs.Boxes()[0].Text;
    EXPECT_EQ(dialogs.Boxes()[0].Caption, "Shader loading failed - Shaders/Broken.shd");
    EXPECT_EQ(text.rfind("Loading of the shader failed with the following errors:\n\n", 0), 0u);
    EXPECT_NE(text.find("Shaders/bad.h:2("), std::string::npos) << text;   // whatever the driver's #line rule
    EXPECT_EQ(text.substr(text.size() - 23), "\n\nDo you want to retry?");
    EXPECT_EQ(dialogs.Boxes()[1].Text, "Do you want to continue without the shader?");

    ZNString errors;   // the defines text is placed at line 22222 of file 0
    EXPECT_FALSE(Load(sh, ZNString("Shaders/Color.shd"), ZNString("not glsl either\n"), errors));
    EXPECT_NE(Str(errors).find("Shaders/Color.shd:22222("), std::string::npos) << errors.CStr();
    EXPECT_EQ(dialogs.Count(), 2u);
}

TEST(GLShader, ErrorsAfterAnIncludeNameTheirOwnLine)
{
    ZNScratchDir dir(ZNScratchDir::DataPath);
    dir.Write("Shaders/common.h", GCommon);
    dir.Write("Shaders/Color.shd", GColorShader);
    dir.Write("Shaders/two.h", "uniform float Two;\n\n");
    dir.Write("Shaders/After.shd", "#include \"common.h\"\nvarying vec4 vColor;\nthis is not glsl;\n");
    dir.Write("Shaders/Later.shd", "uniform float A;\n#include \"common.h\"\n#include \"two.h\"\n\n\n"
                                   "uniform float B;\nthis is not glsl;\n");
    ZNTestWindow w(32, 32);
    ASSERT_TRUE(w.Ok());
    ZNShaderPtr sh = CreateShader(ZNString("Shaders/Color.shd"), ZNString());
    ZNString    errors;
    EXPECT_FALSE(Load(sh, ZNString("Shaders/After.shd"), ZNString(), errors));
    EXPECT_NE(Str(errors).find("Shaders/After.shd:3("), std::string::npos) << errors.CStr();
    EXPECT_FALSE(Load(sh, ZNString("Shaders/Later.shd"), ZNString(), errors));
    EXPECT_NE(Str(errors).find("Shaders/Later.shd:7("), std::string::npos) << errors.CStr();
    // Code after the closing quote keeps its own line, apart from the directive.
    dir.Write("Shaders/Tail.shd", "#include \"common.h\" this is not glsl;\n");
    EXPECT_FALSE(Load(sh, ZNString("Shaders/Tail.shd"), ZNString(), errors));
    EXPECT_NE(Str(errors).find("Shaders/Tail.shd:1("), std::string::npos) << errors.CStr();
}

static const ZNScratchDir* GFixDir;

TEST(GLShader, RetryAfterTheFileWasFixedOnDisk)
{
    ZNScratchDir dir(ZNScratchDir::DataPath);
    dir.Write("Shaders/common.h", GCommon);
    dir.Write("Shaders/Fix.shd", "#include \"missing.h\"\n");
    dir.ShiftTime("Shaders/Fix.shd", -100);
    ZNTestWindow w(32, 32);
    ASSERT_TRUE(w.Ok());
    ZNDialogRecorder dialogs;
    dialogs.Answers    = { true };
    GFixDir            = &dir;   // the user fixes the file while the question is shown
    dialogs.OnQuestion = [] { GFixDir->Write("Shaders/Fix.shd", GColorShader); };
    ZNShaderPtr sh     = CreateShader(ZNString("Shaders/Fix.shd"), ZNString());
    ASSERT_EQ(dialogs.Count(), 1u);
    EXPECT_NE(dialogs.Boxes()[0].Text.find("In included file missing.h:\nFile missing.h was not found"),
              std::string::npos);
    EXPECT_NE(sh->Shader->Program, 0u);
    EXPECT_EQ(sh->Shader->FileTime, GetFileTimeNs("Shaders/Fix.shd"));
    EXPECT_EQ(CurrentProgram(), 0);   // the load did not leave its program bound behind the state's back
    ExpectBindingConsistent();
}

TEST(GLShader, ContinuingWithoutTheShaderCachesAnEmptyOne)
{
    ZNScratchDir dir(ZNScratchDir::DataPath);
    ZNTestWindow w(32, 32);
    ASSERT_TRUE(w.Ok());
    ZNDialogRecorder dialogs;
    dialogs.Answers = { false, true };
    LogCapture  log;
    ZNShaderPtr sh = GetShader(ZNString("Shaders/Nothing.shd"), ZNString());
    EXPECT_EQ(sh->Shader->Program, 0u);
    // The log has the errors too, not only the box.
    EXPECT_EQ(log.Lines("Shader Shaders/Nothing.shd failed to load:\nFile Shaders/Nothing.shd was not found"), 1);
    EXPECT_EQ(dialogs.Boxes()[0].Text, "Loading of the shader failed with the following errors:\n\n"
                                       "File Shaders/Nothing.shd was not found\n\nDo you want to retry?");
    EXPECT_TRUE(GetShader(ZNString("Shaders/Nothing.shd"), ZNString()) == sh);   // cached, no new dialog
    EXPECT_EQ(dialogs.Count(), 2u);
    ZNRecordingTable rec;
    UseShader(sh);
    EXPECT_EQ(rec.Calls, (std::vector<std::string>{ "UseProgram 0" }));
}

static void GiveUpOnAMissingShader()
{
    ZNTestWindow     w(32, 32);   // no data folder: the process ends before it could be removed
    ZNDialogRecorder dialogs;     // declines both questions
    CreateShader(ZNString("Shaders/Nothing.shd"), ZNString());
}

TEST(GLShaderDeath, GivingUpEndsTheProcessWithExitCode17)
{
#ifdef _WIN32
    // Started directly under Wine this body ends with 17; as a death-test
    // child (re-started by GoogleTest) Wine reports status -1007 instead.
    GTEST_SKIP() << "Wine: the death-test child's exit status is -1007, not the 17 it exits with";
#endif
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(GiveUpOnAMissingShader(), testing::ExitedWithCode(17), "");
}

TEST(GLShader, CacheLoadsOnceAndLoadsKeepTheBoundProgram)
{
    ZNScratchDir dir(ZNScratchDir::DataPath);
    dir.Write("Shaders/common.h", GCommon);
    dir.Write("Shaders/Color.shd", GColorShader);
    dir.Write("Shaders/Gain.shd", WithGain(GColorShader));
    ZNTestWindow w(32, 32);
    ASSERT_TRUE(w.Ok());
    LogCapture  log;
    ZNShaderPtr a = GetShader(ZNString("Shaders/Color.shd"), ZNString());
    EXPECT_TRUE(GetShader(ZNString("Shaders/Color.shd"), ZNString()) == a);
    EXPECT_EQ(log.Lines("Shader Shaders/Color.shd not in cache, loading..."), 1);
    const ZNString defines("#define EXTRA 1\n");
    ZNShaderPtr    c = GetShader(ZNString("Shaders/Color.shd"), defines);
    EXPECT_FALSE(c == GetShader(ZNString("Shaders/Color.shd"), defines));
    EXPECT_NE(c->Shader->Program, 0u);
    EXPECT_EQ(w.State().Shaders.Cache->Size(), 1u);
    EXPECT_EQ(GLog.size(), 1u);

    UseShader(a);   // loading another shader must not change what is bound
    ZNShaderPtr b = GetShader(ZNString("Shaders/Gain.shd"), ZNString());
    EXPECT_EQ(static_cast<UINT32>(CurrentProgram()), a->Shader->Program);
    ExpectBindingConsistent();
    ZNRecordingTable rec;
    UseShader(b);
    UseShader(b);
    UseShader(ZNShaderPtr());
    EXPECT_EQ(rec.Calls,
              (std::vector<std::string>{ "UseProgram " + std::to_string(b->Shader->Program), "UseProgram 0" }));
}

TEST(GLShader, HotReloadAfterTheFileChangedNullsClientUniforms)
{
    ZNScratchDir dir(ZNScratchDir::DataPath);
    dir.Write("Shaders/common.h", GCommon);
    dir.Write("Shaders/Hot.shd", GColorShader);
    dir.ShiftTime("Shaders/Hot.shd", -100);
    ZNTestWindow w(32, 32);
    ASSERT_TRUE(w.Ok());
    LogCapture  log;
    ZNShaderPtr sh = GetShader(ZNString("Shaders/Hot.shd"), ZNString());
    UseShader(sh);
    ZNUniformRef scale, gain;
    GetUniform(sh, scale, "Scale");
    {
        ZNUniformRef shortLived;   // dies before the reload: must not be written then
        GetUniform(sh, shortLived, "Scale");
    }
    EXPECT_EQ(scale->Registered.Size(), 1u);
    ReloadShaders();   // nothing changed yet
    EXPECT_NE(scale.Get(), nullptr);

    dir.Write("Shaders/Hot.shd", WithGain(GColorShader));
    ReloadShaders(w.State());
    EXPECT_EQ(log.Lines("Shader Shaders/Hot.shd needs to be reloaded..."), 1);
    EXPECT_EQ(scale.Get(), nullptr);
    EXPECT_EQ(sh->Shader->FileTime, GetFileTimeNs("Shaders/Hot.shd"));
    GetUniform(sh, gain, "Gain");
    EXPECT_NE(gain.Get(), nullptr);   // the new program
    EXPECT_EQ(CS().Shaders.CurrentProgram, sh->Shader->Program);
    ExpectBindingConsistent();

    ZNArray<ZNString> failures;
    EXPECT_EQ(TakeShaderReloads(failures), 1u);
    EXPECT_EQ(failures.Size(), 0u);

    // A failed reload asks nothing and keeps the program that worked, with its
    // uniforms; the compiler's message is recorded and logged with the file.
    const UINT32 working = sh->Shader->Program;
    dir.Write("Shaders/Hot.shd", "broken");
    dir.ShiftTime("Shaders/Hot.shd", 100);
    ZNDialogRecorder dialogs;
    ReloadShaders();
    EXPECT_EQ(dialogs.Count(), 0u);
    EXPECT_EQ(sh->Shader->Program, working);
    EXPECT_NE(gain.Get(), nullptr);
    EXPECT_EQ(static_cast<UINT32>(CurrentProgram()), working);
    ExpectBindingConsistent();
    EXPECT_EQ(TakeShaderReloads(failures), 0u);
    ASSERT_EQ(failures.Size(), 1u);
    const std::string failure = failures[0].CStr();
    EXPECT_EQ(failure.rfind("Shaders/Hot.shd: ", 0), 0u) << failure;
    EXPECT_GT(failure.size(), strlen("Shaders/Hot.shd: ") + 5) << "the compiler's message is there";
    const std::string logged = "Shader Shaders/Hot.shd failed to reload; the last working program stays:\n";
    EXPECT_EQ(std::count_if(GLog.begin(), GLog.end(),
                            [&](const std::string& line)
                            { return line.rfind(logged, 0) == 0 && line.size() > logged.size(); }),
              1);
    ReloadShaders();   // unchanged: not tried again
    EXPECT_EQ(TakeShaderReloads(failures), 0u);
    EXPECT_EQ(failures.Size(), 0u);

    dir.Write("Shaders/Hot.shd", GColorShader);   // fixed later: the new program comes
    dir.ShiftTime("Shaders/Hot.shd", 200);
    ReloadShaders();
    EXPECT_NE(sh->Shader->Program, 0u);
    EXPECT_EQ(gain.Get(), nullptr) << "the old program's uniforms went with it";
    EXPECT_EQ(static_cast<UINT32>(CurrentProgram()), sh->Shader->Program);
    EXPECT_EQ(TakeShaderReloads(failures), 1u);
}

// Sets the file's modification time to seconds + nanoseconds.
static void SetFileTime(const ZNScratchDir& dir, const char* name, time_t seconds, long nanoseconds)
{
    ASSERT_TRUE(ZNSetFileTime(dir.Root + name, seconds, nanoseconds)) << name;
}

TEST(GLShader, HotReloadSeesAnEditSavedWithinTheSecondOfTheLoadAndAnOlderTime)
{
    ZNScratchDir dir(ZNScratchDir::DataPath);
    dir.Write("Shaders/common.h", GCommon);
    dir.Write("Shaders/Hot.shd", GColorShader);
    SetFileTime(dir, "Shaders/Hot.shd", 1700000000, 100000000);
    ZNTestWindow w(32, 32);
    ASSERT_TRUE(w.Ok());
    LogCapture  log;
    ZNShaderPtr sh = GetShader(ZNString("Shaders/Hot.shd"), ZNString());
    ASSERT_NE(sh->Shader->Program, 0u);
    ReloadShaders(w.State());
    EXPECT_EQ(log.Lines("Shader Shaders/Hot.shd needs to be reloaded..."), 0);

    dir.Write("Shaders/Hot.shd", WithGain(GColorShader));   // the same second, later in it
    SetFileTime(dir, "Shaders/Hot.shd", 1700000000, 600000000);
    ReloadShaders(w.State());
    EXPECT_EQ(log.Lines("Shader Shaders/Hot.shd needs to be reloaded..."), 1);
    ZNUniformRef gain;
    GetUniform(sh, gain, "Gain");
    EXPECT_NE(gain.Get(), nullptr);

    dir.Write("Shaders/Hot.shd", GColorShader);   // an older copy put back
    SetFileTime(dir, "Shaders/Hot.shd", 1600000000, 0);
    ReloadShaders(w.State());
    EXPECT_EQ(log.Lines("Shader Shaders/Hot.shd needs to be reloaded..."), 2);
    EXPECT_EQ(gain.Get(), nullptr);

    ASSERT_EQ(unlink((dir.Root + "Shaders/Hot.shd").c_str()), 0);   // gone: the program stays
    ReloadShaders(w.State());
    EXPECT_EQ(log.Lines("Shader Shaders/Hot.shd needs to be reloaded..."), 2);
    EXPECT_NE(sh->Shader->Program, 0u);
}

TEST(GLShader, UniformRegistrationsStayBoundedAndSettersCheckTheirInput)
{
    ZNScratchDir dir(ZNScratchDir::DataPath);
    dir.Write("Shaders/M.shd",
              "uniform mat4 World;\nuniform ivec2 Counts;\n#ifdef VSHADER\n"
              "void main() { gl_Position = ZN_mProj * ZN_mView * World * GLVertex + vec4(Counts, 0, 0); }\n"
              "#endif\n#ifdef PSHADER\nvoid main() { GLFragData0 = vec4(1.0); }\n#endif\n");
    ZNTestWindow w(32, 32);
    ASSERT_TRUE(w.Ok());
    ZNShaderPtr sh = GetShader(ZNString("Shaders/M.shd"), ZNString());
    SetShader(0, sh);
    ZNUniformRef world, counts, missing;
    for (int frame = 0; frame < 1000; ++frame)   // asked every frame, also into short-lived variables
    {
        ZNUniformRef perFrame;
        GetUniform(sh, perFrame, "World");
        GetUniform(sh, world, "World");
    }
    ASSERT_NE(world.Get(), nullptr);
    EXPECT_EQ(world->Registered.Size(), 1u);
    GetUniform(sh, counts, "Counts");
    GetUniform(sh, missing, "NotThere");
    EXPECT_EQ(missing.Get(), nullptr);
    EXPECT_EQ(sh->Shader->Uniforms.Size(), 2u);

    ZNDialogRecorder dialogs;
    ZNRecordingTable rec;
    float            m[16];
    for (int i = 0; i < 16; ++i)
        m[i] = static_cast<float>(i);
    SetFloat(world, m, 4, true, 1);
    SetFloat(world, m, 1, true, 1);   // a 1x1 "matrix"
    EXPECT_EQ(dialogs.Asserts("components | matrix || \"Invalid number of components / wrong combo\""), 1u);
    SetFloat(world, m, 5, false, 1);
    SetInt(counts, nullptr, 0, 1);
    EXPECT_EQ(dialogs.Asserts("( components > 4 ) | ( components < 1 )"), 2u);
    SetFloat(missing, m, 4, true, 1);   // a missing uniform does nothing
    EXPECT_EQ(rec.Calls,
              (std::vector<std::string>{ "UniformMatrix4fv " + std::to_string(world->Location) + " 1 GL_FALSE" }));
    float back[16] = {};
    GL().GetUniformfv(sh->Shader->Program, world->Location, back);
    EXPECT_EQ(back[12], 12.0f);   // column-major as given
    const INT32 ints[2] = { 3, -4 };
    SetInt(counts, ints, 2, 1);
    GLint got[2] = {};
    GL().GetUniformiv(sh->Shader->Program, counts->Location, got);
    EXPECT_EQ(got[1], -4);

    Unload(sh);
    EXPECT_EQ(world.Get(), nullptr);
}

TEST(GLShader, ShadersBelongToTheirContext)
{
    ZNScratchDir dir(ZNScratchDir::DataPath);
    dir.Write("Shaders/common.h", GCommon);
    dir.Write("Shaders/Color.shd", GColorShader);
    ZNShaderPtr kept;
    {
        ZNTestWindow a(32, 32);
        ASSERT_TRUE(a.Ok());
        kept = GetShader(ZNString("Shaders/Color.shd"), ZNString());
        a.End();
        ZNTestWindow b(32, 32);
        ASSERT_TRUE(b.Ok());
        ZNDialogRecorder dialogs;
        CheckReload(kept);
        ZNString errors;
        EXPECT_FALSE(Load(kept, ZNString("Shaders/Color.shd"), ZNString(), errors));
        Unload(kept);
        EXPECT_EQ(dialogs.Asserts("!InCurContext()"), 3u);
        EXPECT_NE(kept->Shader->Program, 0u);
        b.End();
        a.Begin();
    }
    // The owning context is gone: its shaders were emptied with it; the handle stays valid.
    EXPECT_EQ(kept->Shader->Program, 0u);
    EXPECT_EQ(kept->Shader->Owner, nullptr);
}

TEST(GLShader, SamplersOfDifferentTypesPassValidation)
{
    ZNScratchDir dir(ZNScratchDir::DataPath);
    dir.Write("Shaders/Two.shd",
              "#ifdef VSHADER\nvoid main() { gl_Position = GLVertex; }\n#endif\n"
              "#ifdef PSHADER\nuniform sampler2D Tex0;\nuniform samplerCube Tex1;\n"
              "void main() { GLFragData0 = texture(Tex0, vec2(0.5)) + texture(Tex1, vec3(1.0)); }\n#endif\n");
    ZNTestWindow w(32, 32);
    ASSERT_TRUE(w.Ok());
    ZNDialogRecorder dialogs;
    dialogs.Answers = { false, true };
    EXPECT_NE(GetShader(ZNString("Shaders/Two.shd"), ZNString())->Shader->Program, 0u);
    EXPECT_EQ(dialogs.Count(), 0u) << dialogs.Summary();
    ExpectBindingConsistent();
}
