// Texture streaming on a real GL context (needs a display): level steps, the
// idle timer, synchronous level changes, failed loads and the worker's life.
#include "ResourcesTestUtil.h"

#include "resources/ZNTextureStream.h"

#include <chrono>
#include <thread>

namespace
{

class TextureStreamGL : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(Context.Ok()); }
    void TearDown() override { StopStreaming(); }

    // A 16 x 8 streamable texture (5 levels) loaded from its cache, so it starts
    // at the coarsest level.
    void LoadStreamable(ZNTextureHandle& h)
    {
        MakePattern(Source, 16, 8);
        Path = Dir.Path("stream.png");
        WritePng(Path, Source);
        ZNTextureHandle writer;
        ASSERT_TRUE(LoadTexture(writer, Path.c_str(), TEX_NOSRGB));
        ASSERT_TRUE(ZNFileThere(Path + ".mips"));
        writer.Release();
        ASSERT_TRUE(LoadTexture(h, Path.c_str(), TEX_NOSRGB));
        ASSERT_EQ(h->MipLevCount, 5u);
        ASSERT_EQ(h->CurLevel.load(), 4u);
        ASSERT_EQ(GLWidth(h), 1);
    }

    static int GLWidth(const ZNTextureHandle& h)
    {
        BindTexture(0, h);
        return TexLevelParam(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH);
    }

    // GL level 0 as packed words.
    static std::vector<UINT32> GLPixels(const ZNTextureHandle& h)
    {
        BindTexture(0, h);
        int                 w  = TexLevelParam(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH);
        int                 hh = TexLevelParam(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT);
        std::vector<UINT32> px((size_t)w * hh);
        GL().GetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, px.data());
        return px;
    }

    // The pixels a level should hold: its cache record decoded.
    std::vector<UINT32> LevelPixels(UINT32 level)
    {
        ZNTexture         header;
        ZNPodArray<UINT8> bytes;
        EXPECT_TRUE(TEX_LoadMip(Path.c_str(), level, bytes, header));
        ZNImage image;
        EXPECT_TRUE(LoadPngFromMemory(bytes.Data(), bytes.Size(), image));
        return std::vector<UINT32>(image.Pixels.Data(), image.Pixels.Data() + image.Pixels.Size());
    }

    static bool WaitForState(const ZNTextureHandle& h, UINT32 state)
    {
        for (int i = 0; i < 300; ++i)
        {
            if (h->StreamState.load() == state)
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return false;
    }

    static bool NoPixelBlocks(const ZNTextureHandle& h)
    {
        for (UINT32 i = 0; i < TEX_MAX_MIPS; ++i)
            if (h->Mips[i].Pixels.Size())
                return false;
        return true;
    }

    ZNTestWindow Context{ 64, 64 };
    ZNScratchDir Dir;
    ZNImage      Source;
    std::string  Path;
};

}   // namespace

TEST_F(TextureStreamGL, UsedTextureRefinesOneLevelPerRequest)
{
    ZNTextureHandle h;
    LoadStreamable(h);
    StartStreaming();
    for (UINT32 expected = 3;; --expected)
    {
        TouchTexture(h);
        ASSERT_EQ(h->StreamState.load(), 1u);
        ASSERT_EQ(h->CurLevel.load(), expected);
        TouchTexture(h);   // one request in flight: no second step
        ASSERT_EQ(h->CurLevel.load(), expected);
        ASSERT_TRUE(WaitForState(h, 2));
        UpdateTextures(0.0f);
        ASSERT_EQ(h->StreamState.load(), 0u);
        EXPECT_TRUE(NoPixelBlocks(h));
        EXPECT_EQ(GLWidth(h), 16 >> expected);
        EXPECT_EQ(h->GLLevel, expected);
        if (expected > 0)
        {
            EXPECT_EQ(GLPixels(h), LevelPixels(expected)) << "level " << expected;
        }
        if (expected == 0)
            break;
    }
    // The finest level holds the image itself and ignores further use.
    std::vector<UINT32> finest = GLPixels(h);
    EXPECT_EQ(finest, std::vector<UINT32>(Source.Pixels.Data(), Source.Pixels.Data() + Source.Pixels.Size()));
    TouchTexture(h);
    EXPECT_EQ(h->StreamState.load(), 0u);
    BindTexture(0, h);
    EXPECT_EQ(TexParam(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER), GL_LINEAR_MIPMAP_LINEAR);
    EXPECT_EQ(TexLevelParam(GL_TEXTURE_2D, 4, GL_TEXTURE_WIDTH), 1);
    EXPECT_EQ(TEX_GetMemoryEstimate(*h.Get()), 16u * 8 * 4 * 1333 / 1000);
}

TEST_F(TextureStreamGL, IdleTextureDropsAfter240Units)
{
    ZNTextureHandle h;
    LoadStreamable(h);
    // At the coarsest level the timer's request is refused, but the time still drops.
    UpdateTextures(239.9f);
    EXPECT_EQ(h->StreamState.load(), 0u);
    UpdateTextures(0.2f);
    EXPECT_EQ(h->StreamState.load(), 0u);
    EXPECT_NEAR(h->IdleTime, 0.1f, 1e-3);

    SetCurMipLevel(h, TEX_MIN_MIPLEVEL);
    ASSERT_EQ(h->CurLevel.load(), 0u);
    ASSERT_EQ(GLWidth(h), 16);
    h->IdleTime = 0.0f;
    UpdateTextures(239.9f);
    EXPECT_EQ(h->StreamState.load(), 0u);
    UpdateTextures(0.2f);
    EXPECT_EQ(h->StreamState.load(), 1u);
    EXPECT_EQ(h->CurLevel.load(), 1u);
    EXPECT_NEAR(h->IdleTime, 0.1f, 1e-3);

    StartStreaming();
    ASSERT_TRUE(WaitForState(h, 2));
    UpdateTextures(0.0f);
    EXPECT_EQ(h->StreamState.load(), 0u);
    EXPECT_EQ(GLWidth(h), 8);
    EXPECT_EQ(GLPixels(h), LevelPixels(1));
}

TEST_F(TextureStreamGL, SetCurMipLevelGoesToTheEndsAtOnce)
{
    ZNTextureHandle h;
    LoadStreamable(h);
    SetCurMipLevel(h, TEX_MIN_MIPLEVEL);
    EXPECT_EQ(h->CurLevel.load(), 0u);
    EXPECT_EQ(h->StreamState.load(), 0u);
    EXPECT_EQ(GLWidth(h), 16);
    EXPECT_TRUE(NoPixelBlocks(h));
    SetCurMipLevel(h, TEX_MAX_MIPLEVEL);
    EXPECT_EQ(h->CurLevel.load(), 4u);
    EXPECT_EQ(GLWidth(h), 1);
    SetCurMipLevel(h, 2);
    EXPECT_EQ(GLWidth(h), 4);
    EXPECT_EQ(GLPixels(h), LevelPixels(2));

    // A request no worker will serve (none is running) does not make it wait.
    ASSERT_TRUE(RequestFinerLevel(h.Get()));
    EXPECT_EQ(h->StreamState.load(), 1u);
    SetCurMipLevel(h, TEX_MAX_MIPLEVEL);
    EXPECT_EQ(h->StreamState.load(), 0u);
    EXPECT_EQ(h->CurLevel.load(), 4u);
    EXPECT_EQ(GLWidth(h), 1);
    EXPECT_EQ(GTextureManager.StreamQueue.Size(), 0u);
    EXPECT_EQ(h->RefCount.load(), 1u);
}

// The faults to avoid: a request whose levels cannot be loaded must leave GL as
// it was, name that level in CurLevel, and accept the next request.
TEST_F(TextureStreamGL, FailedLoadReturnsToWhatGLHolds)
{
    ZNTextureHandle h;
    LoadStreamable(h);
    std::vector<UINT8> cache = ZNReadBytes(Path + ".mips");
    remove((Path + ".mips").c_str());

    StartStreaming();
    TouchTexture(h);
    ASSERT_TRUE(WaitForState(h, 2));
    UpdateTextures(0.0f);
    EXPECT_EQ(h->StreamState.load(), 0u);
    EXPECT_EQ(h->CurLevel.load(), 4u);
    EXPECT_EQ(GLWidth(h), 1);
    EXPECT_TRUE(NoPixelBlocks(h));

    // A cache cut inside its records: reported by the worker as bad data (no
    // dialog), same recovery.
    ZNDialogRecorder dialogs;
    testing::internal::CaptureStdout();
    ZNWriteBytes(Path + ".mips", std::vector<UINT8>(cache.begin(), cache.begin() + 30));
    TouchTexture(h);
    ASSERT_EQ(h->StreamState.load(), 1u);
    ASSERT_TRUE(WaitForState(h, 2));
    UpdateTextures(0.0f);
    EXPECT_EQ(h->CurLevel.load(), 4u);
    const std::string printed = testing::internal::GetCapturedStdout();
    EXPECT_NE(printed.find("Texture cache \"" + Path + ".mips\": "), std::string::npos) << printed;
    EXPECT_EQ(dialogs.Count(), 0u);

    // With the cache back, the next request works.
    ZNWriteBytes(Path + ".mips", cache);
    TouchTexture(h);
    ASSERT_TRUE(WaitForState(h, 2));
    UpdateTextures(0.0f);
    EXPECT_EQ(h->CurLevel.load(), 3u);
    EXPECT_EQ(GLWidth(h), 2);

    // SetCurMipLevel on a failing load ends too, at what GL holds.
    remove((Path + ".mips").c_str());
    SetCurMipLevel(h, TEX_MIN_MIPLEVEL);
    EXPECT_EQ(h->CurLevel.load(), 3u);
    EXPECT_EQ(h->StreamState.load(), 0u);
}

TEST_F(TextureStreamGL, TexturesThatCannotStream)
{
    std::string path = Dir.Path("fixed.png");
    ZNImage     image;
    MakePattern(image, 8, 8);
    WritePng(path, image);
    ZNTextureHandle fixed;
    ASSERT_TRUE(LoadTexture(fixed, path.c_str(), TEX_NOSTREAM));
    TouchTexture(fixed);
    EXPECT_FALSE(RequestFinerLevel(fixed.Get()));
    EXPECT_FALSE(RequestCoarserLevel(fixed.Get()));
    SetCurMipLevel(fixed, TEX_MAX_MIPLEVEL);   // maximum and minimum are both 0
    EXPECT_EQ(fixed->CurLevel.load(), 0u);
    EXPECT_EQ(GLWidth(fixed), 8);
    UpdateTextures(1000.0f);
    EXPECT_EQ(fixed->StreamState.load(), 0u);

    // One level only: nothing to move to.
    std::string dot = Dir.Path("dot.png");
    MakePattern(image, 1, 1);
    WritePng(dot, image);
    ZNTextureHandle single;
    ASSERT_TRUE(LoadTexture(single, dot.c_str(), 0));
    EXPECT_EQ(single->MaxLevel, 0u);
    EXPECT_FALSE(RequestFinerLevel(single.Get()));
    EXPECT_FALSE(RequestCoarserLevel(single.Get()));
    TouchTexture(single);
    UpdateTextures(500.0f);
    EXPECT_EQ(single->StreamState.load(), 0u);
}

// The queue's reference may become the last one; the worker then hands the
// texture to the GL thread instead of destroying it (GL, lock) itself.
TEST_F(TextureStreamGL, LastReferenceDroppedWhileQueued)
{
    ZNTextureHandle h;
    LoadStreamable(h);
    StartStreaming();
    TouchTexture(h);
    UINT32 name = h->TexID;
    h.Release();
    bool gone = false;
    for (int i = 0; i < 300 && !gone; ++i)
    {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        UpdateTextures(0.0f);
        gone = GTextureManager.List.Size() == 0;
    }
    EXPECT_TRUE(gone);
    EXPECT_FALSE(GL().IsTexture(name));
}

TEST_F(TextureStreamGL, StopStreamingJoinsTheWorker)
{
    ZNTextureHandle h;
    LoadStreamable(h);
    StartStreaming();
    EXPECT_TRUE(GTextureManager.Worker.IsRunning());
    StartStreaming();   // a second start keeps the one worker
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    ASSERT_TRUE(RequestCoarserLevel(h.Get()) || RequestFinerLevel(h.Get()));
    auto start = std::chrono::steady_clock::now();
    StopStreaming();
    double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    EXPECT_FALSE(GTextureManager.Worker.IsRunning());
    EXPECT_LT(ms, 1000.0);
    // Lists are emptied; a request left unserved returns to what GL holds.
    EXPECT_EQ(GTextureManager.List.Size(), 0u);
    EXPECT_EQ(GTextureManager.Table.Size(), 0u);
    EXPECT_EQ(GTextureManager.StreamQueue.Size(), 0u);
    EXPECT_NE(h->StreamState.load(), 1u);
    EXPECT_EQ(h->RefCount.load(), 1u);

    // Streaming can start again.
    StartStreaming();
    EXPECT_TRUE(GTextureManager.Worker.IsRunning());
}
