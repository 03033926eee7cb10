// Material files without a GL context: blend words, the command reader, bad
// input (reported with file and line, never a stall) and the retry question.
#include "resources/ZNMaterial.h"
#include "common/ZNTestDialogs.h"
#include "common/ZNTestFiles.h"

#include <gtest/gtest.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

namespace
{

UINT32 Blend(UINT32 op, UINT32 sc, UINT32 dc, UINT32 sa, UINT32 da)
{
    return op | (sc << 4) | (dc << 8) | (sa << 12) | (da << 16);
}

// Loads text as "M.mtl" from a fresh data folder into m.
bool LoadText(ZNMaterial& m, const std::string& text)
{
    ZNScratchDir dir(ZNScratchDir::DataPath);
    dir.Write("M.mtl", text);
    return LoadMaterial(m, "M.mtl", ZNString());
}

}   // namespace

TEST(MaterialBlend, WordsGiveTheirCodesAndMissingOrUnknownWordsKeepDefaults)
{
    EXPECT_EQ(ZNMakeBlendWord("add", "one", "one", nullptr, nullptr), Blend(1, 1, 1, 1, 0));
    EXPECT_EQ(ZNMakeBlendWord(nullptr, nullptr, nullptr, nullptr, nullptr), Blend(0, 6, 7, 1, 0));
    EXPECT_EQ(ZNMakeBlendWord(nullptr, nullptr, nullptr, nullptr, nullptr), ZN_BLEND_DEFAULT);
    EXPECT_EQ(ZNMakeBlendWord("", "", "", "", ""), ZN_BLEND_DEFAULT);
    // Every operation and the ends of the factor table.
    EXPECT_EQ(ZNMakeBlendWord("sub", "zero", "inv_dst_alpha", "dst_alpha", "inv_dst_color"), Blend(2, 0, 9, 8, 5));
    EXPECT_EQ(ZNMakeBlendWord("rsub", "src_color", "inv_src_color", "dst_color", "inv_src_alpha"),
              Blend(3, 2, 3, 4, 7));
    EXPECT_EQ(ZNMakeBlendWord("min", "src_alpha", "one", "zero", "one"), Blend(4, 6, 1, 0, 1));
    EXPECT_EQ(ZNMakeBlendWord("MAX", "One", "ZERO", "Src_Alpha", "INV_SRC_ALPHA"), Blend(5, 1, 0, 6, 7));
    // The word the UI renderer uses.
    EXPECT_EQ(ZNMakeBlendWord("add", "src_alpha", "inv_src_alpha", "one", "inv_src_alpha"), 464737u);
    // Unknown words (and prefixes of real ones) leave only their own field at the default.
    EXPECT_EQ(ZNMakeBlendWord("plus", "on", "one", "zeroo", "src"), Blend(0, 6, 1, 1, 0));
}

TEST(MaterialFile, BlendModeLinesSetTheWholeWord)
{
    ZNDialogRecorder q;
    ZNMaterial       m;
    ASSERT_TRUE(LoadText(m, "blendmode add one one\n"));
    EXPECT_EQ(m.BlendMode, Blend(1, 1, 1, 1, 0));

    // Commands and blend words in any case; the last line wins and rewrites everything.
    ASSERT_TRUE(LoadText(m, "BlendMode MAX ZERO ONE ONE ONE\r\n\tBLENDMODE Sub\r\n"));
    EXPECT_EQ(m.BlendMode, Blend(2, 6, 7, 1, 0));

    // The words stop at the end of the line: "add" below is a word of its own.
    ASSERT_TRUE(LoadText(m, "blendmode\nadd one one"));
    EXPECT_EQ(m.BlendMode, ZN_BLEND_DEFAULT);

    // A sixth word is not a blend word; unknown commands are skipped.
    ASSERT_TRUE(LoadText(m, "colour red\nblendmode min one one one one blendmode\n"));
    EXPECT_EQ(m.BlendMode, ZN_BLEND_DEFAULT);
    ASSERT_TRUE(LoadText(m, "blendmode min one one one one add\n"));
    EXPECT_EQ(m.BlendMode, Blend(4, 1, 1, 1, 1));

    // A blend word at the very end of the text, without a line feed.
    ASSERT_TRUE(LoadText(m, "blendmode rsub"));
    EXPECT_EQ(m.BlendMode, Blend(3, 6, 7, 1, 0));
    EXPECT_EQ(q.Count(), 0u) << q.Summary();
    EXPECT_EQ(m.RasterState, 0u);   // files never touch the raster word
    EXPECT_FALSE(m.Shader);
}

TEST(MaterialFile, MissingFileFailsWithoutAQuestion)
{
    ZNDialogRecorder q;
    ZNScratchDir     dir(ZNScratchDir::DataPath);
    ZNMaterial       m;
    m.BlendMode = 123;
    EXPECT_FALSE(LoadMaterial(m, "Nope.mtl", ZNString()));
    EXPECT_FALSE(LoadMaterial(m, (const char*)nullptr, ZNString()));
    EXPECT_EQ(q.Count(), 0u) << q.Summary();
    EXPECT_EQ(m.BlendMode, 123u);
    // An empty (or white-space only) file is a complete material.
    dir.Write("Empty.mtl", " \n\t\r\n");
    EXPECT_TRUE(LoadMaterial(m, "Empty.mtl", ZNString()));
    EXPECT_EQ(m.BlendMode, 123u);
}

TEST(MaterialFile, StrayCharactersAreSteppedOverWithoutStalling)
{
    ZNDialogRecorder q;
    ZNMaterial       m;
    // Quotes, comment marks, punctuation and bytes above 127 where a command is expected.
    ASSERT_TRUE(LoadText(m, "// a comment \"quoted\"\n# ; , {}\n\xC3\xA9\xFF blendmode add\n\"\n"));
    EXPECT_EQ(m.BlendMode, Blend(1, 6, 7, 1, 0));
    ASSERT_TRUE(LoadText(m, "\""));
    ASSERT_TRUE(LoadText(m, "blendmode add;one\n"));   // ';' ends the blend words
    EXPECT_EQ(m.BlendMode, Blend(1, 6, 7, 1, 0));
    EXPECT_EQ(q.Count(), 0u) << q.Summary();
}

TEST(MaterialFile, BadTextureAndShaderCommandsAskWithFileAndLine)
{
    struct Case
    {
        const char* Text;
        const char* Message;
    } cases[] = {
        { "blendmode add\n\ntexture \"a.png\"\n", "TEXTURE command - Texture slot ID is not found (line 3)" },
        { "texture\n3 \"a.png\"\n", "TEXTURE command - Texture slot ID is not found (line 1)" },
        { "texture x\n", "TEXTURE command - Texture slot ID is not found (line 1)" },
        { "texture 3 a.png\n", "TEXTURE command - Texture path is not found (line 1)" },
        { "texture 3 \"a.png\n", "TEXTURE command - Texture path is not found (line 1)" },
        { "\n\ntexture 16 \"a.png\"", "TEXTURE command - Texture slot ID 16 is out of range (0 to 15) (line 3)" },
        { "texture -1 \"a.png\"", "TEXTURE command - Texture slot ID -1 is out of range (0 to 15) (line 1)" },
        { "texture 99999999999 \"a.png\"", "is out of range (0 to 15) (line 1)" },
        { "TEXTURE 0 \"nothere.png\" NOSRGB\n", "Texture loading failed: nothere.png (line 1)" },
        { "texture 0 \"\"\n", "Texture loading failed:  (line 1)" },
        { "blendmode\nshader\n", "SHADER command - Shader is not found (line 2)" },
        { "Shader Sky\n", "SHADER command - Shader is not found (line 1)" },
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.Text);
        ZNDialogRecorder q;
        ZNMaterial       m;
        m.BlendMode = 77;
        EXPECT_FALSE(LoadText(m, c.Text));
        ASSERT_EQ(q.Count(), 1u);
        EXPECT_EQ(q.Boxes()[0].Caption, "LoadMaterial error");
        EXPECT_EQ(q.Boxes()[0].Text.rfind("File \"M.mtl\"\n\n", 0), 0u) << q.Boxes()[0].Text;
        EXPECT_NE(q.Boxes()[0].Text.find(std::string(c.Message) + "\n\nRetry?"), std::string::npos)
            << q.Boxes()[0].Text;
        for (UINT32 i = 0; i < TEX_COUNT; ++i)
            EXPECT_FALSE(m.Textures[i]) << i;
        EXPECT_FALSE(m.Shader);
    }
}

TEST(MaterialFile, UnknownFlagsAreReportedOnStdoutAndLoadingGoesOn)
{
    ZNDialogRecorder q;
    ZNMaterial       m;
    testing::internal::CaptureStdout();
    // The flag list ends at the line end: "CLAMP" on the next line is no flag.
    EXPECT_FALSE(LoadText(m, "texture 3 \"gone.png\" NOSRGB NoSrgb\tclamp CLAMP\nCLAMP\n"));
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_NE(out.find("Material Loader (M.mtl) - invalid/obsolete texture flag found (NoSrgb)\n"), std::string::npos)
        << out;
    EXPECT_NE(out.find("Material Loader (M.mtl) - invalid/obsolete texture flag found (clamp)\n"), std::string::npos)
        << out;
    EXPECT_EQ(out.find("(NOSRGB)"), std::string::npos) << out;
    EXPECT_EQ(out.find("(CLAMP)"), std::string::npos) << out;
    // It went on to the load, which then failed.
    ASSERT_EQ(q.Count(), 1u);
    EXPECT_NE(q.Boxes()[0].Text.find("Texture loading failed: gone.png"), std::string::npos);

    // A character other than a word or a blank ends the list.
    testing::internal::CaptureStdout();
    EXPECT_FALSE(LoadText(m, "texture 3 \"gone.png\" NOSRGB, Bad\n"));
    EXPECT_EQ(testing::internal::GetCapturedStdout().find("Bad"), std::string::npos);
}

TEST(MaterialFile, RetryReadsTheFileAgainUntilTheUserDeclines)
{
    ZNScratchDir dir(ZNScratchDir::DataPath);
    dir.Write("R.mtl", "blendmode add\ntexture\n");
    ZNDialogRecorder q;
    q.Answer  = true;
    int asked = 0;
    // First answer Yes after fixing the file on disk: the second pass must see the fix.
    q.OnQuestion = [&]
    {
        if (++asked == 1)
            dir.Write("R.mtl", "blendmode max\n");
    };
    ZNMaterial m;
    EXPECT_TRUE(LoadMaterial(m, "R.mtl", ZNString()));
    EXPECT_EQ(q.Count(), 1u);
    EXPECT_EQ(m.BlendMode, Blend(5, 6, 7, 1, 0));

    // Yes twice on an unfixed file, then No: three passes, false, and what the
    // first command set stays.
    dir.Write("R.mtl", "blendmode min\ntexture 3\n");
    q.Clear();
    asked        = 0;
    q.OnQuestion = [&]
    {
        if (++asked == 3)
            q.Answer = false;
    };
    EXPECT_FALSE(LoadMaterial(m, "R.mtl", ZNString()));
    EXPECT_EQ(q.Count(), 3u);
    EXPECT_EQ(m.BlendMode, Blend(4, 6, 7, 1, 0));

    // A file that disappears before the retry ends the load quietly.
    q.Clear();
    q.Answer     = true;
    q.OnQuestion = [&] { remove((dir.Root + "R.mtl").c_str()); };
    EXPECT_FALSE(LoadMaterial(m, "R.mtl", ZNString()));
    EXPECT_EQ(q.Count(), 1u);
}

TEST(MaterialFile, LongNamesAreCutInTheQuestion)
{
    ZNDialogRecorder  q;
    ZNScratchDir      dir(ZNScratchDir::DataPath);
    const std::string longPath(2000, 'p');
    dir.Write("L.mtl", "texture 1 \"" + longPath + "\"\n");
    ZNMaterial m;
    EXPECT_FALSE(LoadMaterial(m, "L.mtl", ZNString()));
    ASSERT_EQ(q.Count(), 1u);
    EXPECT_LE(q.Boxes()[0].Text.size(), 1024u);
    // The message itself is held to 511 characters of "Texture loading failed: ...".
    EXPECT_NE(q.Boxes()[0].Text.find("Texture loading failed: ppp"), std::string::npos);
    EXPECT_EQ(q.Boxes()[0].Text.find(std::string(600, 'p')), std::string::npos);

    // A file name long enough to push the question past 1024 characters.
    std::string name;
    for (int i = 0; i < 600; ++i)
        name += "./";
    name += "L.mtl";
    q.Clear();
    EXPECT_FALSE(LoadMaterial(m, name.c_str(), ZNString()));
    ASSERT_EQ(q.Count(), 1u);
    EXPECT_EQ(q.Boxes()[0].Text.size(), 1024u);
    EXPECT_EQ(q.Boxes()[0].Text.rfind("File \"./././", 0), 0u);
}

TEST(MaterialObject, WithoutAShaderAMaterialEqualsNothing)
{
    ZNMaterial a("A"), b("B");
    EXPECT_FALSE(a == a);
    EXPECT_FALSE(a == b);
    EXPECT_TRUE(a != b);
    EXPECT_EQ(a.Name, "A");
    ZNTextureHandle none;
    EXPECT_TRUE(a.SetTexture(15, none));
    EXPECT_FALSE(a.SetTexture(16, none));
    EXPECT_FALSE(a.SetTexture(0xFFFFFFFFu, none));
}

// The command reader alone: commands in file order with their lines, the first
// malformed one ends the list with its message, and nothing is loaded.
TEST(MaterialText, CommandsComeInOrderAndStopAtTheFirstError)
{
    ZNArray<ZNMaterialCommand> commands;
    ZNString                   message;
    const ZNString             text("blendmode add\n\n  texture 3 \"rock.png\" CLAMP NOSRGB\nshader \"Voxel\"\n"
                                                "texture 16 \"x.png\"\nshader \"Never\"\n");
    EXPECT_FALSE(ParseMaterialText(text, "m.mtl", commands, message));
    EXPECT_STREQ(message.CStr(), "TEXTURE command - Texture slot ID 16 is out of range (0 to 15) (line 5)");
    ASSERT_EQ(commands.Size(), 3u);
    EXPECT_EQ(commands[0].Kind, ZNMaterialCommand::BlendMode);
    EXPECT_EQ(commands[0].Blend, ZNMakeBlendWord("add", nullptr, nullptr, nullptr, nullptr));
    EXPECT_EQ(commands[0].Line, 1u);
    EXPECT_EQ(commands[1].Kind, ZNMaterialCommand::Texture);
    EXPECT_EQ(commands[1].Slot, 3u);
    EXPECT_STREQ(commands[1].Text.CStr(), "rock.png");
    EXPECT_EQ(commands[1].Flags, (UINT32)(TEX_CLAMP | TEX_NOSRGB));
    EXPECT_EQ(commands[1].Line, 3u);
    EXPECT_EQ(commands[2].Kind, ZNMaterialCommand::Shader);
    EXPECT_STREQ(commands[2].Text.CStr(), "Voxel");

    // A sound text clears an earlier message and list.
    EXPECT_TRUE(ParseMaterialText(ZNString("shader \"A\""), "m.mtl", commands, message));
    EXPECT_EQ(message.Size(), 0u);
    ASSERT_EQ(commands.Size(), 1u);
    EXPECT_STREQ(commands[0].Text.CStr(), "A");
}

// A long material text parses in one pass: 200,000 short commands (a quadratic
// parse took minutes) in well under the time limit, each with its own line,
// and an error on the last line still names that line.
TEST(MaterialText, LongTextsParseInOnePassWithEveryLineCounted)
{
    const UINT32 count = 200000;
    std::string  body;
    body.reserve(count * 16);
    for (UINT32 i = 0; i < count; ++i)
        body += (i % 3 == 2) ? "\n" : (i % 3 == 1 ? "shader \"S\"\n" : "blendmode add\n");
    body += "texture 99 \"x.png\"\n";
    ZNArray<ZNMaterialCommand> commands;
    ZNString                   message;
    const ZNString             text(body.c_str(), (UINT32)body.size());
    const auto                 start = std::chrono::steady_clock::now();
    EXPECT_FALSE(ParseMaterialText(text, "long.mtl", commands, message));
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_LT(seconds, 5.0);
    const std::string expected = "(line " + std::to_string(count + 1) + ")";
    EXPECT_NE(std::string(message.CStr()).find(expected), std::string::npos) << message.CStr();
    ASSERT_EQ(commands.Size(), count - count / 3);
    for (UINT32 i = 0; i < commands.Size(); ++i)
        if (commands[i].Line != (i / 2) * 3 + (i % 2) + 1)
        {
            ADD_FAILURE() << "command " << i << " on line " << commands[i].Line;
            break;
        }
}
