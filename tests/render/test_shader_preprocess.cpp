// Shader source preprocessing and compiler-log rewriting: pure text, no GL context.
#include "common/ZNTestDialogs.h"
#include "common/ZNTestFiles.h"

#include "render/ZNShaderPreprocess.h"

#include <gtest/gtest.h>

namespace
{
std::string Str(const ZNString& s)
{
    return std::string(s.CStr(), s.Size());
}

struct Expanded
{
    bool                     Ok;
    std::string              Text;
    std::vector<std::string> Files;
};

Expanded Expand(const char* path)
{
    ZNString          out;
    ZNArray<ZNString> files;
    Expanded          e = { PreprocessShaderFile(ZNString(path), out, files), Str(out), {} };
    for (UINT32 i = 0; i < files.Size(); ++i)
        e.Files.push_back(Str(files[i]));
    return e;
}

ZNString Rewrite(const char* log, std::vector<const char*> names, INT32 lineShift = 0)
{
    ZNArray<ZNString> files;
    for (const char* n : names)
        files.Add(ZNString(n));
    ZNString text(log);
    RewriteShaderLog(text, files, lineShift);
    return text;
}
}

TEST(ShaderPreprocess, IncludesExpandWithLineDirectivesAndTheFileList)
{
    ZNScratchDir dir(ZNScratchDir::DataPath);
    dir.Write("Shaders/A.shd", "x\n#include \"b.h\"\ny\n");
    dir.Write("Shaders/b.h", "z\n");
    Expanded e = Expand("Shaders/A.shd");
    EXPECT_EQ(e.Text, "#line 1 0\nx\n#line 1 1\nz\n\n#line 2 0\n\ny\n");
    EXPECT_EQ(e.Files, (std::vector<std::string>{ "Shaders/A.shd", "Shaders/b.h" }));

    // Nested and repeated includes get their own indices; text after a directive stays.
    dir.Write("Shaders/N.shd", "#include \"n.h\" // tail\n#include \"c.h\"\nend");
    dir.Write("Shaders/n.h", "n1\n#include \"c.h\"\nn3\n");
    dir.Write("Shaders/c.h", "c");
    e = Expand("Shaders/N.shd");
    EXPECT_EQ(e.Text, "#line 1 0\n#line 1 1\nn1\n#line 1 2\nc\n#line 2 1\n\nn3\n\n#line 1 0\n // tail\n"
                      "#line 1 3\nc\n#line 2 0\n\nend");
    EXPECT_EQ(e.Files.size(), 4u);

    // Not found beside the includer: the data folder itself is tried.
    dir.Write("Shaders/R.shd", "#include \"root.h\"\n");
    dir.Write("root.h", "r");
    e = Expand("Shaders/R.shd");
    EXPECT_EQ(e.Text, "#line 1 0\n#line 1 1\nr\n#line 1 0\n\n");
    EXPECT_EQ(e.Files[1], "root.h");
}

TEST(ShaderPreprocess, OnlyTheFirstWordOfALineIsADirective)
{
    ZNScratchDir dir(ZNScratchDir::DataPath);
    dir.Write("Shaders/A.shd", " \t#include \"b.h\"\nint a; #include \"b.h\"\n#include\"b.h\"\n#includes \"b.h\"\n");
    dir.Write("Shaders/b.h", "z");
    const Expanded e = Expand("Shaders/A.shd");
    EXPECT_EQ(e.Text, "#line 1 0\n#line 1 1\nz\n#line 1 0\n\n"
                      "int a; #include \"b.h\"\n#include\"b.h\"\n#includes \"b.h\"\n");
}

TEST(ShaderPreprocess, FailuresReportNestedMessages)
{
    ZNScratchDir dir(ZNScratchDir::DataPath);
    EXPECT_EQ(Expand("Shaders/None.shd").Text, "File Shaders/None.shd was not found");
    // b.h, found by the second attempt, fails on its own include: messages nest.
    dir.Write("Shaders/A.shd", "#include \"b.h\"\n");
    dir.Write("b.h", "#include \"c.h\"\n");
    EXPECT_EQ(Expand("Shaders/A.shd").Text, "In included file b.h:\nIn included file c.h:\nFile c.h was not found");
    // A file beside the includer that fails inside is tried again under its bare
    // name, and that attempt's message is reported.
    dir.Write("Shaders/B.shd", "#include \"e.h\"\n");
    dir.Write("Shaders/e.h", "#include \"nothing.h\"\n");
    EXPECT_EQ(Expand("Shaders/B.shd").Text, "In included file e.h:\nFile e.h was not found");
    dir.Write("Shaders/Q.shd", "#include \"unterminated.h\n");
    const Expanded q = Expand("Shaders/Q.shd");
    EXPECT_FALSE(q.Ok);
    EXPECT_EQ(q.Text, "In included file :\nFile  was not found");
}

TEST(ShaderPreprocess, IncludeCyclesAndEndlessChainsAreRefused)
{
    ZNScratchDir dir(ZNScratchDir::DataPath);
    dir.Write("Shaders/Self.shd", "a\n#include \"Self.shd\"\n");
    Expanded e = Expand("Shaders/Self.shd");
    EXPECT_FALSE(e.Ok);
    EXPECT_EQ(e.Text, "In included file Self.shd:\nInclude cycle: Shaders/Self.shd -> Shaders/Self.shd");

    // Through another file and another spelling of the same path.
    dir.Write("Shaders/A.shd", "#include \"b.h\"\n");
    dir.Write("Shaders/b.h", "#include \"sub/../A.shd\"\n");
    EXPECT_EQ(Expand("Shaders/A.shd").Text, "In included file b.h:\nIn included file sub/../A.shd:\n"
                                            "Include cycle: Shaders/A.shd -> Shaders/b.h -> Shaders/sub/../A.shd");

    // 40 distinct files, each including the next, in the data folder itself where
    // both attempts name the same file: refused at the depth limit, at once
    // (retrying each refusal would take 2^32 steps).
    for (int i = 0; i < 40; ++i)
        dir.Write("r" + std::to_string(i) + ".h", "#include \"r" + std::to_string(i + 1) + ".h\"\n");
    e = Expand("r0.h");
    EXPECT_FALSE(e.Ok);
    EXPECT_NE(e.Text.find("In included file r32.h:\nIncludes nested deeper than 32 levels at r32.h"),
              std::string::npos);
    dir.Write("r20.h", "end\n");
    EXPECT_TRUE(Expand("r0.h").Ok);
}

TEST(ShaderPreprocess, CompileTextHasVersionPrologueAndDefinesMarkers)
{
    const std::string v = Str(BuildShaderCompileText(true, ZNString("#define A\n#line 1 0\nbody\n")));
    EXPECT_EQ(v.rfind("#version 150\n#line 11111 0\n#define VSHADER\n#define varying out\n"
                      "#define MAX_INSTANCE_COUNT 16\n#define MAX_BONE_COUNT 64\nuniform mat4 ZN_mView;\n",
                      0),
              0u);
    EXPECT_NE(v.find("in vec4 GLTexCoord1;\n\n#line 22222 0\n#define A\n#line 1 0\nbody\n"), std::string::npos);
    EXPECT_EQ(Str(BuildShaderCompileText(false, ZNString("x\n"))),
              "#version 150\n#line 11111 0\n#define PSHADER\n#define varying in\nout vec4 GLFragData0;\n"
              "out vec4 GLFragData1;\nout vec4 GLFragData2;\nout vec4 GLFragData3;\nout vec4 GLFragData4;\n"
              "out vec4 GLFragData5;\nout vec4 GLFragData6;\nout vec4 GLFragData7;\n\n#line 22222 0\nx\n");
}

TEST(ShaderPreprocess, LogRewritingMapsFileIndicesToPaths)
{
    const std::vector<const char*> two = { "Shaders/A.shd", "Shaders/b.h" };
    EXPECT_EQ(Str(Rewrite("0(5) : error C0000: x\n7(5) : error\n", two)),
              "Shaders/A.shd(5) : error C0000: x\n7(5) : error\n");
    EXPECT_EQ(Str(Rewrite("ERROR: 1:3: 'x' : undeclared\n1:12(4): error: bad\n", two)),
              "ERROR: Shaders/b.h:3: 'x' : undeclared\nShaders/b.h:12(4): error: bad\n");
    // With more files than the line number, only the index is a file.
    EXPECT_EQ(Str(Rewrite("0:1(2): error\n3(2) : e\n", { "f0", "f1", "f2", "f3" })), "f0:1(2): error\nf3(2) : e\n");
    // A driver that numbers the line after "#line n" as n + 1 gets its lines shifted back.
    EXPECT_EQ(Str(Rewrite("0:5(3): x\n1(7) : y\n9:4(1): z\n", two, 1)),
              "Shaders/A.shd:4(3): x\nShaders/b.h(6) : y\n9:4(1): z\n");
}

// Five files each including the next sixteen times expand to 16^4 copies of
// the last: the expansion stops at its size bound with a message naming the
// file where it passed, instead of taking seconds and hundreds of megabytes.
TEST(ShaderPreprocess, FanOutIsBoundedByTheExpandedSize)
{
    ZNScratchDir dir(ZNScratchDir::DataPath);
    const char*  names[] = { "Shaders/A.shd", "Shaders/b.h", "Shaders/c.h", "Shaders/d.h", "Shaders/e.h" };
    for (int i = 0; i < 4; ++i)
    {
        std::string text;
        for (int k = 0; k < 16; ++k)
            text += std::string("#include \"") + (names[i + 1] + 8) + "\"\n";
        dir.Write(names[i], text.c_str());
    }
    dir.Write("Shaders/e.h", std::string(400, 'x').c_str());
    ZNString          output;
    ZNArray<ZNString> files;
    EXPECT_FALSE(PreprocessShaderFile(ZNString("Shaders/A.shd"), output, files));
    const std::string message = output.CStr();
    EXPECT_NE(message.find("The expanded shader text passes 1 MiB at Shaders/e.h (too many includes)"),
              std::string::npos)
        << message.substr(0, 300);
    EXPECT_NE(message.find("In included file b.h:\nIn included file c.h:"), std::string::npos);

    // Below the bound the same fan-out expands in full, each copy numbered.
    dir.Write("Shaders/e.h", "y");
    files.Clear();
    dir.Write("Shaders/c.h", "#include \"d.h\"\n#include \"d.h\"\n");
    dir.Write("Shaders/d.h", "#include \"e.h\"\n#include \"e.h\"\n");
    EXPECT_TRUE(PreprocessShaderFile(ZNString("Shaders/A.shd"), output, files));
    EXPECT_EQ(files.Size(), 1u + 16u + 16u * 16u + 16u * 16u * 2u + 16u * 16u * 4u);
}

// An include that climbs out of the data folder to a device is refused (only
// regular files are read), not read for ever.
TEST(ShaderPreprocess, IncludesOfDevicesAreRefused)
{
    ZNScratchDir dir(ZNScratchDir::DataPath);
    dir.Write("Shaders/A.shd", "#include \"../../../../../../../../../../dev/zero\"\nvoid main() {}\n");
    ZNString          output;
    ZNArray<ZNString> files;
    EXPECT_FALSE(PreprocessShaderFile(ZNString("Shaders/A.shd"), output, files));
    // Refused before any read: the include climbs out of the data folder.
    EXPECT_NE(std::string(output.CStr()).find("outside the data folder refused"), std::string::npos) << output.CStr();
    EXPECT_NE(std::string(output.CStr()).find("dev/zero"), std::string::npos) << output.CStr();
}

// Includes stay inside the data folder: one that climbs out is refused even
// when the file it names exists, one that only passes through a parent is
// not, and "q:name" is an ordinary name there, never the current folder's.
TEST(ShaderPreprocess, IncludesStayInsideTheDataFolder)
{
    ZNScratchDir dir(ZNScratchDir::DataPath);
    dir.Write("x.inc", "OUTSIDE\n");
    dir.Write("data/Shaders/in.inc", "INSIDE\n");
    dir.Write("data/Shaders/q:c.inc", "DATA\n");
    dir.Write("data/Shaders/up.shd", "#include \"../../x.inc\"\n");
    dir.Write("data/Shaders/deep.shd", "#include \"sub/../../../x.inc\"\n");
    dir.Write("data/Shaders/ok.shd", "#include \"../Shaders/in.inc\"\n#include \"q:c.inc\"\n");
    snprintf(GDataPath, sizeof(GDataPath), "%s", dir.Path("data/").c_str());
    for (const char* name : { "Shaders/up.shd", "Shaders/deep.shd" })
    {
        const Expanded e = Expand(name);
        EXPECT_FALSE(e.Ok) << name;
        EXPECT_NE(e.Text.find("outside the data folder refused"), std::string::npos) << e.Text;
        EXPECT_EQ(e.Text.find("OUTSIDE"), std::string::npos) << e.Text;
    }
    const Expanded ok = Expand("Shaders/ok.shd");
    EXPECT_TRUE(ok.Ok) << ok.Text;
    EXPECT_NE(ok.Text.find("INSIDE"), std::string::npos) << ok.Text;
    EXPECT_NE(ok.Text.find("DATA"), std::string::npos) << ok.Text;
}
