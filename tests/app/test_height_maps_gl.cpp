// The demo's 8-bit height map on a real GL context: the world built from it and
// the world built from its 16-bit copy (each level v as v x 257) give the same
// pixels at three cameras, while a copy raised by less than one 8-bit level does
// not, so the comparison sees height changes that small.
#include "FlightPath.h"
#include "WorldGLTest.h"

#include "files/ZNDataPath.h"
#include "resources/ResourcesTestUtil.h"

#include <string>
#include <vector>

namespace
{

// The 8-bit map's levels, each v as v x 257 + raise, written as a 16-bit grey file.
void WriteSixteenBitCopy(const ZNImage& eight, UINT32 raise, const std::string& path)
{
    std::vector<UINT16> levels(eight.Pixels.Size());
    for (size_t i = 0; i < levels.size(); ++i)
    {
        const UINT32 v = (eight.Pixels[(UINT32)i] & 0xFF) * 257 + raise;
        levels[i]      = UINT16(v > 65535 ? 65535 : v);
    }
    ZNWriteBytes(path, Grey16Png(eight.Width, eight.Height, levels));
}

// The engine's name of a file outside the data folder.
std::string EngineName(const std::string& path)
{
    return ZNUserPathToEngineName(path.c_str()).CStr();
}

}   // namespace

TEST_F(WorldGL, AnEightBitMapDrawsThePixelsOfItsSixteenBitCopy)
{
    const std::string height = "Heightmap.png", color = "Colormap.png";   // in the data folder
    ZNImage           eight;
    ASSERT_TRUE(LoadImageFile(height.c_str(), eight));
    ZNScratchDir      folder;
    const std::string same = EngineName(folder.Path("Same16.png")), raised = EngineName(folder.Path("Raised16.png"));
    WriteSixteenBitCopy(eight, 0, folder.Path("Same16.png"));
    WriteSixteenBitCopy(eight, 128, folder.Path("Raised16.png"));

    VoxelWorld original(Window, height.c_str(), color.c_str());
    VoxelWorld copy(Window, same.c_str(), color.c_str());
    VoxelWorld higher(Window, raised.c_str(), color.c_str());
    ASSERT_NE(original.Root, nullptr);
    ASSERT_NE(copy.Root, nullptr);
    ASSERT_NE(higher.Root, nullptr);

    WorldOffscreen       shot(320, 180);
    const VoxCameraState cameras[] = { InitialCameraState(), FlightPathAt(7.5f), FlightPathAt(18.0f) };
    std::vector<UINT8>   previous;
    for (const VoxCameraState& camera : cameras)
    {
        const std::vector<UINT8> a = shot.Render(original, camera);
        const std::vector<UINT8> b = shot.Render(copy, camera);
        const std::vector<UINT8> c = shot.Render(higher, camera);
        ASSERT_EQ(a.size(), (size_t)320 * 180 * 4);
        size_t differ = 0, raisedDiffer = 0;
        for (size_t i = 0; i < a.size(); i += 4)
        {
            differ += memcmp(&a[i], &b[i], 3) != 0;
            raisedDiffer += memcmp(&a[i], &c[i], 3) != 0;
        }
        EXPECT_EQ(differ, 0u) << "pixels differ at camera (" << camera.Position.x << ", " << camera.Position.y << ")";
        EXPECT_GT(raisedDiffer, 100u) << "half an 8-bit level higher must show";
        EXPECT_NE(a, previous) << "each camera sees its own picture";
        previous = a;
    }
}
