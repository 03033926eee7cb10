// Materials on a real GL context (needs a display): textures found under the
// three places a file may name them, shaders through the cache, equality, and
// what ApplyMaterial leaves bound.
#include "ResourcesTestUtil.h"

#include "render/ZNRenderState.h"
#include "render/ZNShader.h"
#include "resources/ZNMaterial.h"
#include "resources/ZNTexture.h"
#include "files/ZNDataPath.h"
#include "window/ZNGLContext.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>

namespace
{

const char* const GMatShader = "varying vec4 vColor;\n"
                               "#ifdef VSHADER\n"
                               "void main() { vColor = GLColor; gl_Position = vec4(GLVertex.xy, 0.0, 1.0); }\n"
                               "#endif\n"
                               "#ifdef PSHADER\n"
                               "uniform sampler2D Tex2;\n"
                               "void main() { GLFragData0 = vColor * texture(Tex2, vec2(0.5)); }\n"
                               "#endif\n";

class MaterialGL : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(Context.Ok()); }
    // Every test drops its materials: no texture may stay registered.
    void TearDown() override { EXPECT_EQ(GTextureManager.List.Size(), 0u); }

    void Write(const std::string& name, const std::string& text) { Dir.Write(name, text); }
    void Image(const std::string& name, UINT32 size = 8)
    {
        ZNImage image;
        MakePattern(image, size, size);
        ZNMakeFolders(Dir.Path(name));
        WritePng(name, image);   // engine names resolve under the data path
    }

    ZNTestWindow     Context{ 64, 64 };
    ZNScratchDir     Dir{ ZNScratchDir::DataPath };
    ZNDialogRecorder Dialogs;
};

}   // namespace

TEST_F(MaterialGL, TextureLinesLoadWithTheirFlagsIntoTheirSlots)
{
    Image("Tex/A.png");
    Image("Tex/B.png");
    Write("M.mtl", "texture 3 \"Tex/A.png\" NOSRGB CLAMP\ntexture 15 \"Tex/B.png\" NOSTREAM\n");
    ZNMaterial m;
    ASSERT_TRUE(LoadMaterial(m, "M.mtl", ZNString()));
    EXPECT_EQ(Dialogs.Count(), 0u) << Dialogs.Summary();
    for (UINT32 i = 0; i < TEX_COUNT; ++i)
    {
        if (i != 3 && i != 15)
        {
            EXPECT_FALSE(m.Textures[i]) << i;
        }
    }
    ASSERT_TRUE(m.Textures[3]);
    ASSERT_TRUE(m.Textures[15]);
    EXPECT_NE(m.Textures[3]->TexID, 0u);
    EXPECT_EQ(m.Textures[3]->Flags & ~(TEX_FROMFILE | TEX_PRELOAD), 17u);
    EXPECT_EQ(m.Textures[15]->Flags & ~TEX_FROMFILE, TEX_NOSTREAM);

    // The same file again shares the texture. (Only the NOSTREAM one: a texture
    // whose first load wrote its mip cache is filed under other flags.)
    ZNMaterial again;
    ASSERT_TRUE(LoadMaterial(again, "M.mtl", ZNString()));
    EXPECT_TRUE(again.Textures[15] == m.Textures[15]);
}

TEST_F(MaterialGL, TexturesAreFoundBesideTheFileAndUnderDataTextures)
{
    Image("Materials/Rock/rock.png");
    Image("Data/Textures/far.png");
    Image("Data/Textures/Materials/Rock/rock.png", 4);   // never reached: beside comes first
    Image("near.png");
    Write("Materials/Rock/Rock.mtl", "texture 0 \"rock.png\"\ntexture 1 \"far.png\"\ntexture 2 \"near.png\"\n");
    ZNMaterial m;
    ASSERT_TRUE(LoadMaterial(m, "Materials/Rock/Rock.mtl", ZNString()));
    EXPECT_EQ(Dialogs.Count(), 0u) << Dialogs.Summary();
    ASSERT_TRUE(m.Textures[0] && m.Textures[1] && m.Textures[2]);
    EXPECT_EQ(m.Textures[0]->Name, "Materials/Rock/rock.png");
    EXPECT_EQ(m.Textures[0]->Width, 8u);
    EXPECT_EQ(m.Textures[1]->Name, "Data/Textures/far.png");
    EXPECT_EQ(m.Textures[2]->Name, "near.png");

    // Backslashes separate directories in the material's name too.
    ZNMaterial w;
    ASSERT_TRUE(LoadMaterial(w, "Materials\\Rock\\Rock.mtl", ZNString()));
    EXPECT_EQ(Dialogs.Count(), 0u) << Dialogs.Summary();
    ASSERT_TRUE(w.Textures[0]);
    EXPECT_EQ(w.Textures[0]->Name, "Materials\\Rock\\rock.png");
    EXPECT_EQ(w.Textures[0]->Width, 8u);
}

TEST_F(MaterialGL, ReloadingOverwritesOnlyWhatTheFileNamesAndFailuresKeepTheOldTexture)
{
    Image("a.png");
    Image("b.png");
    Image("c.png");
    Write("M.mtl", "texture 1 \"a.png\"\ntexture 2 \"b.png\"\n");
    ZNMaterial m;
    ASSERT_TRUE(LoadMaterial(m, "M.mtl", ZNString()));
    ZNTextureHandle b = m.Textures[2];

    Write("M.mtl", "texture 1 \"c.png\"\n");
    ASSERT_TRUE(LoadMaterial(m, "M.mtl", ZNString()));
    EXPECT_EQ(m.Textures[1]->Name, "c.png");
    EXPECT_TRUE(m.Textures[2] == b);

    // A texture that cannot be loaded leaves the slot's texture in place.
    Write("M.mtl", "texture 1 \"gone.png\"\n");
    EXPECT_FALSE(LoadMaterial(m, "M.mtl", ZNString()));
    EXPECT_EQ(Dialogs.Count(), 1u) << Dialogs.Summary();
    ASSERT_TRUE(m.Textures[1]);
    EXPECT_EQ(m.Textures[1]->Name, "c.png");
}

TEST_F(MaterialGL, ShaderComesFromTheCacheWithTheOptions)
{
    Write("Shaders/Mat.shd", GMatShader);
    ZNMaterial code("GUI");
    code.SetShader(ZNString("Mat"), ZNString());
    ASSERT_TRUE(code.Shader);
    EXPECT_NE(code.Shader->Shader->Program, 0u);
    EXPECT_EQ(code.Shader->Shader->Name, "Shaders/Mat.shd");
    EXPECT_TRUE(code.Shader == GetShader(ZNString("Shaders/Mat.shd"), ZNString()));

    Write("M.mtl", "SHADER \"Mat\"\n");
    ZNMaterial file;
    ASSERT_TRUE(LoadMaterial(file, "M.mtl", ZNString()));
    EXPECT_TRUE(file.Shader == code.Shader);

    // Options reach the shader unchanged (and so give a program of its own).
    const ZNString options("#define TINTED 1\n");
    ZNMaterial     withOptions;
    ASSERT_TRUE(LoadMaterial(withOptions, "M.mtl", options));
    ASSERT_TRUE(withOptions.Shader);
    EXPECT_FALSE(withOptions.Shader == code.Shader);
    EXPECT_EQ(withOptions.Shader->Shader->Defines, options);
    EXPECT_NE(withOptions.Shader->Shader->Program, 0u);
    EXPECT_EQ(Dialogs.Count(), 0u) << Dialogs.Summary();
}

TEST_F(MaterialGL, EqualityNeedsTheSameShaderWordsAndTextures)
{
    Write("Shaders/Mat.shd", GMatShader);
    Image("a.png");
    Image("b.png");
    Write("M.mtl", "shader \"Mat\"\nblendmode add one one\ntexture 2 \"a.png\" NOSTREAM\n");
    ZNMaterial a, b;
    ASSERT_TRUE(LoadMaterial(a, "M.mtl", ZNString()));
    ASSERT_TRUE(LoadMaterial(b, "M.mtl", ZNString()));
    EXPECT_TRUE(a == b);
    EXPECT_TRUE(a == a);

    b.SetRasterState(112);
    EXPECT_FALSE(a == b);
    a.SetRasterState(112);
    EXPECT_TRUE(a == b);

    b.SetBlendMode(a.BlendMode + 1);
    EXPECT_FALSE(a == b);
    b.SetBlendMode(a.BlendMode);

    ZNTextureHandle other;
    ASSERT_TRUE(LoadTexture(other, "b.png", 0));
    ASSERT_TRUE(b.SetTexture(15, other));
    EXPECT_FALSE(a == b);
    ASSERT_TRUE(a.SetTexture(15, other));
    EXPECT_TRUE(a == b);

    ZNMaterial noShader = a;
    noShader.Shader     = nullptr;
    EXPECT_FALSE(noShader == a);
    EXPECT_FALSE(a == noShader);
}

TEST_F(MaterialGL, ApplySetsBlendShaderRasterAndBindsOnlyRealTextures)
{
    Write("Shaders/Mat.shd", GMatShader);
    Image("a.png");
    Image("held.png");
    Write("bad.png", "not an image at all");

    // Something bound on units 0 and 1 beforehand; the material leaves them alone.
    ZNTextureHandle held;
    ASSERT_TRUE(LoadTexture(held, "held.png", TEX_NOSTREAM));
    BindTexture(0, held);
    BindTexture(1, held);

    ZNMaterial gui("GUI");
    gui.SetShader(ZNString("Mat"), ZNString());
    gui.SetBlendMode(464737);
    gui.SetRasterState(112);
    ZNTextureHandle a, bad;
    ASSERT_TRUE(LoadTexture(a, "a.png", TEX_NOSTREAM));
    testing::internal::CaptureStdout();
    EXPECT_FALSE(LoadTexture(bad, "bad.png", 0));
    testing::internal::GetCapturedStdout();
    ASSERT_TRUE(bad);
    ASSERT_EQ(bad->TexID, 0u);
    ASSERT_TRUE(gui.SetTexture(2, a));
    ASSERT_TRUE(gui.SetTexture(1, bad));

    // Loading may have bound on the active unit: take the units as they are now.
    ZNContextState& cs = *ZNCurContextState();
    BindTexture(0, held);
    const UINT32 unit1 = cs.Textures.Bound[1];
    ApplyMaterial(gui);
    EXPECT_EQ(cs.RenderState.BlendWord, 464737u);
    EXPECT_EQ(cs.RenderState.RasterWord & 0xFFFFu, 112u);
    EXPECT_TRUE(cs.Shaders.CurrentShader == gui.Shader);
    EXPECT_EQ(cs.Shaders.CurrentProgram, gui.Shader->Shader->Program);
    GLint program = 0;
    ZNCurGLTable()->GetIntegerv(GL_CURRENT_PROGRAM, &program);
    EXPECT_EQ((UINT32)program, gui.Shader->Shader->Program);
    EXPECT_EQ(cs.Textures.Bound[0], held->TexID);
    EXPECT_EQ(cs.Textures.Bound[1], unit1);
    EXPECT_EQ(cs.Textures.Bound[2], a->TexID);
    GLint bound = 0;
    ZNCurGLTable()->ActiveTexture(GL_TEXTURE2);
    ZNCurGLTable()->GetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ((UINT32)bound, a->TexID);

    // A material without a shader unbinds the program; the raster word takes
    // every field from the material.
    ZNMaterial plain;
    plain.SetBlendMode(0);
    plain.SetRasterState(16);
    ApplyMaterial(plain);
    EXPECT_EQ(cs.RenderState.BlendWord & 7u, 0u);   // off; GL keeps the factors it had
    EXPECT_EQ(cs.RenderState.RasterWord & 0xFFFFu, 16u);
    EXPECT_FALSE(cs.Shaders.CurrentShader);
    EXPECT_EQ(cs.Shaders.CurrentProgram, 0u);
    EXPECT_EQ(cs.Textures.Bound[2], a->TexID);   // empty slots leave units alone
}

TEST_F(MaterialGL, TouchReachesEverySlot)
{
    Image("s.png", 64);
    ZNTextureHandle streamed;
    ASSERT_TRUE(LoadTexture(streamed, "s.png", 0));
    ASSERT_FALSE(streamed->Flags & TEX_NOSTREAM);
    ZNMaterial m;
    ASSERT_TRUE(m.SetTexture(15, streamed));
    streamed->IdleTime = 50.0f;
    TouchMaterial(m);
    EXPECT_EQ(streamed->IdleTime, 0.0f);
    m = ZNMaterial();
}
