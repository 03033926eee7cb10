// The debug font drawn on a real GL context: its page loads beside the font
// file through the data path, glyph pixels land where the glyph table says
// (upright, not mirrored), and the vertex colour tints the white page.
#include "ui/ZNFont.h"

#include "render/ZNVertex.h"
#include "common/ZNTestGL.h"
#include "application/ZNAppWindow.h"
#include "window/ZNGLContext.h"
#include "window/ZNGLTable.h"

#include <gtest/gtest.h>

#include <stdio.h>
#include <stdlib.h>

#include <string>

namespace
{

const UINT32 FW = 200;
const UINT32 FH = 120;


const char* const FontVS =
    "#version 150\n"
    "in vec2 Pos; in vec2 Tex; in vec4 Col;\n"
    "uniform vec2 Size;\n"
    "out vec2 t; out vec4 c;\n"
    "void main() { gl_Position = vec4(Pos.x / Size.x * 2.0 - 1.0, 1.0 - Pos.y / Size.y * 2.0, 0.0, 1.0);\n"
    "              t = Tex; c = Col; }\n";
const char* const FontFS = "#version 150\n"
                           "uniform sampler2D Tex0;\n"
                           "in vec2 t; in vec4 c; out vec4 o;\n"
                           "void main() { o = texture(Tex0, t) * c; }\n";

class FontGL : public ZNAppWindowTest
{
protected:
    static void SetUpTestSuite()
    {
        OpenWindow("font test", FW, FH);
        if (Window)
            Program = BuildProgram();
    }
    static void TearDownTestSuite()
    {
        if (Program)
            ZNCurGLTable()->DeleteProgram(Program);
        Program = 0;
        CloseWindow();
    }

    static UINT32 Compile(GLenum type, const char* source)
    {
        GladGLContext* gl = ZNCurGLTable();
        const GLuint   s  = gl->CreateShader(type);
        gl->ShaderSource(s, 1, &source, nullptr);
        gl->CompileShader(s);
        GLint ok = 0;
        gl->GetShaderiv(s, GL_COMPILE_STATUS, &ok);
        if (!ok)
        {
            char log[1024] = { 0 };
            gl->GetShaderInfoLog(s, sizeof(log), nullptr, log);
            ADD_FAILURE() << log;
        }
        return s;
    }
    static UINT32 BuildProgram()
    {
        GladGLContext* gl = ZNCurGLTable();
        const GLuint   p  = gl->CreateProgram();
        const GLuint   vs = Compile(GL_VERTEX_SHADER, FontVS), fs = Compile(GL_FRAGMENT_SHADER, FontFS);
        gl->AttachShader(p, vs);
        gl->AttachShader(p, fs);
        // The UI layout's fixed attribute locations.
        gl->BindAttribLocation(p, GLVertex, "Pos");
        gl->BindAttribLocation(p, GLTexCoord0, "Tex");
        gl->BindAttribLocation(p, GLColor, "Col");
        gl->LinkProgram(p);
        gl->DeleteShader(vs);
        gl->DeleteShader(fs);
        GLint ok = 0;
        gl->GetProgramiv(p, GL_LINK_STATUS, &ok);
        if (!ok)
        {
            gl->DeleteProgram(p);
            return 0;
        }
        return p;
    }

    void SetUp() override
    {
        ZNAppWindowTest::SetUp();
        ASSERT_NE(Program, 0u);
        GladGLContext* gl = ZNCurGLTable();
        gl->Viewport(0, 0, (GLsizei)FW, (GLsizei)FH);
        gl->Disable(GL_DEPTH_TEST);
        gl->Disable(GL_CULL_FACE);
        gl->Disable(GL_SCISSOR_TEST);
        gl->Enable(GL_BLEND);
        gl->BlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
        gl->ClearColor(0, 0, 0, 1);
        gl->Clear(GL_COLOR_BUFFER_BIT);
        gl->UseProgram(Program);
        gl->Uniform2f(gl->GetUniformLocation(Program, "Size"), (float)FW, (float)FH);
        gl->Uniform1i(gl->GetUniformLocation(Program, "Tex0"), 0);
    }
    void TearDown() override
    {
        if (Window)
            ZNCurGLTable()->Disable(GL_BLEND);
        ZNAppWindowTest::TearDown();
    }

    static bool Lit(int x, int y) { return PixelAt(x, y).r > 128; }

    static UINT32 Program;
};
UINT32 FontGL::Program = 0;

TEST_F(FontGL, DebugFontGlyphsLandUprightWhereTheTableSays)
{
    ZNFont font;
    ASSERT_TRUE(font.Load("Engine/DebugFont.fnt"));
    ASSERT_EQ(font.Pages.Size(), 1u);
    ASSERT_TRUE(font.Pages[0]);
    EXPECT_NE(font.Pages[0]->TexID, 0u);

    // At size 40 (two pixels per texel) each cell of the 5 x 8 glyph table
    // is a 4 x 4 block, starting 4 pixels below the pen.
    font.DrawText("A", 0, ZNVec4(1, 0, 0, 1), 10.0f, 10.0f, 40.0f);
    auto cell = [](int col, int row) { return Lit(10 + col * 4 + 2, 14 + row * 4 + 2); };
    // A: ".###." / "#...#" / "#...#" / "#####" ... and an empty last row.
    EXPECT_FALSE(cell(0, 0));
    EXPECT_TRUE(cell(1, 0));
    EXPECT_TRUE(cell(3, 0));
    EXPECT_FALSE(cell(4, 0));
    EXPECT_TRUE(cell(0, 1));
    EXPECT_FALSE(cell(2, 1));
    EXPECT_TRUE(cell(4, 2));
    for (int c = 0; c < 5; ++c)
        EXPECT_TRUE(cell(c, 3)) << c;
    EXPECT_FALSE(cell(2, 6));
    EXPECT_FALSE(cell(0, 7));
    EXPECT_FALSE(Lit(12, 11));   // above the glyph, inside the line
    // The white page takes the vertex colour.
    const ZNPixel bar = PixelAt(10 + 2, 14 + 3 * 4 + 2);
    EXPECT_EQ(bar.r, 255);
    EXPECT_EQ(bar.g, 0);
    EXPECT_EQ(bar.b, 0);
    EXPECT_EQ(font.BatchVertices.Size(), 0u);
}

}   // namespace
