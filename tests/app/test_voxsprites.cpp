// The compact sprite's packing: what the vertex shader reads back is within half a
// step of the sprite, never narrower, with its colour and leaf; and the mirrored
// index range reads a leaf's sprites last first.
#include "VoxSprites.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <math.h>
#include <string.h>
#include <random>
#include <vector>

TEST(VoxSprites, PackedSpritesReadBackWithinHalfAStepAndNeverNarrower)
{
    std::mt19937                          rng(7);
    std::uniform_real_distribution<float> xy(-5000.0f, 5000.0f), z(0.0f, 600.0f), size(0.5f, 900.0f);
    for (int leaf = 0; leaf < 20; ++leaf)
    {
        // A leaf some tens of units wide somewhere in a big world, one axis flat.
        const float x0 = xy(rng), y0 = xy(rng), z0 = z(rng), width = 5.0f + (float)leaf * 10.0f;
        VoxelPoint  sprites[64];
        std::uniform_real_distribution<float> in(0.0f, width);
        for (UINT32 i = 0; i < 64; ++i)
        {
            VoxelPoint& s = sprites[i];
            s.Position[0] = x0 + in(rng);
            s.Position[1] = y0 + in(rng);
            s.Position[2] = leaf % 4 ? z0 + in(rng) : z0;
            s.Size        = i % 3 ? 10.0f : size(rng);
            for (UINT32 c = 0; c < 4; ++c)
                s.Color[c] = (UINT8)rng();
            memset(s.Corner, 0, sizeof(s.Corner));
            s.Corner[2] = i % 5 == 1 ? VoxFillMark : i % 5 == 2 ? VoxSlantMark : 0;
            s.Corner[3] = s.Corner[2] ? (INT8)(i % 16) : 0;
        }
        VoxLeafFrame frame;
        VoxLeafFrameFor(sprites, 64, 1, frame);
        UINT16 lowest[3] = { 65535, 65535, 65535 }, highest[3] = { 0, 0, 0 };
        for (UINT32 i = 0; i < 64; ++i)
        {
            VoxPackedSprite packed;
            VoxelPoint      back;
            VoxPackSprite(sprites[i], frame, 1000u + (UINT32)leaf, packed);
            VoxUnpackSprite(packed, frame, back);
            for (UINT32 a = 0; a < 3; ++a)
            {
                EXPECT_LE(fabsf(back.Position[a] - sprites[i].Position[a]), frame.Step[a] * 0.5f + 1e-3f)
                    << "leaf " << leaf << " sprite " << i << " axis " << a;
                lowest[a]  = std::min(lowest[a], packed.Position[a]);
                highest[a] = std::max(highest[a], packed.Position[a]);
            }
            EXPECT_GE(back.Size, sprites[i].Size);
            EXPECT_LT(back.Size, sprites[i].Size + 1.0f / VoxSizeSteps);
            if (sprites[i].Size == 10.0f)
            {
                EXPECT_EQ(back.Size, 10.0f) << "the grid's own width is kept exactly";
            }
            EXPECT_EQ(memcmp(back.Color, sprites[i].Color, 4), 0);
            // The mark and the faces ride in the leaf word's top bits and leave the
            // leaf as it was; the biggest leaf entry keeps every bit too.
            EXPECT_EQ(packed.Leaf & VoxPackedLeaf, 1000u + (UINT32)leaf);
            EXPECT_EQ(VoxStepFaces(back), VoxStepFaces(sprites[i])) << "sprite " << i;
            VoxPackedSprite last;
            VoxPackSprite(sprites[i], frame, VoxPackedLeaf, last);
            EXPECT_EQ(last.Leaf & VoxPackedLeaf, VoxPackedLeaf);
            EXPECT_EQ(last.Leaf & ~VoxPackedLeaf, packed.Leaf & ~VoxPackedLeaf) << "sprite " << i;
            EXPECT_EQ(VoxGrowsBySlant(back), VoxGrowsBySlant(sprites[i])) << "sprite " << i;
            EXPECT_EQ((packed.Leaf & VoxPackedSlant) != 0, sprites[i].Corner[2] != 0) << "sprite " << i;
        }
        // The frame is the box of the centres: its whole range of steps is used.
        for (UINT32 a = 0; a < 2; ++a)
        {
            EXPECT_EQ(lowest[a], 0u);
            EXPECT_EQ(highest[a], 65535u);
        }
        if (leaf % 4 == 0)
        {
            EXPECT_EQ(frame.Step[2], 0.0f) << "a flat axis has no steps";
        }
    }
}

// The shader reads index i of a pool of `total` sprites as i, or 2 total - 1 - i
// past the end.
static UINT32 ShaderIndex(UINT32 i, UINT32 total)
{
    return i < total ? i : 2 * total - 1 - i;
}

// A position steps rounds to the nearest step as roundf has it, halves away from
// zero, over the whole range of steps and just outside it: every half step, the
// floats either side of it, and random steps between. The reference is worked in
// doubles, where q + 0.5 is exact: some C libraries' roundf (MinGW's among them)
// gives 1 for the float just below a half.
TEST(VoxSprites, PositionsRoundToTheNearestStepAsRoundfDoes)
{
    VoxLeafFrame frame;
    for (UINT32 a = 0; a < 4; ++a)
    {
        frame.Origin[a] = 0.0f;
        frame.Step[a]   = a < 3 ? 1.0f : 0.0f;
    }
    std::vector<float> qs;
    for (float h = -3.5f; h < 65540.0f; h += 0.5f)
        qs.insert(qs.end(), { h, nextafterf(h, -1e9f), nextafterf(h, 1e9f) });
    std::mt19937                          rng(3);
    std::uniform_real_distribution<float> any(-10.0f, 65545.0f);
    for (int i = 0; i < 100000; ++i)
        qs.push_back(any(rng));
    UINT32 wrong = 0;
    for (float q : qs)
    {
        VoxelPoint in;
        memset(&in, 0, sizeof(in));
        in.Position[0] = in.Position[1] = in.Position[2] = q;
        VoxPackedSprite out;
        VoxPackSprite(in, frame, 0, out);
        const double r      = q >= 0.0f ? floor((double)q + 0.5) : ceil((double)q - 0.5);
        const UINT16 expect = (UINT16)(r < 0.0 ? 0.0 : r > 65535.0 ? 65535.0 : r);
        wrong += out.Position[0] != expect;
    }
    EXPECT_EQ(wrong, 0u);
}

TEST(VoxSprites, MirroredRangesReadTheSameSpritesLastFirst)
{
    const UINT32 total = 1000;
    for (UINT32 first : { 0u, 1u, 500u, 997u })
        for (UINT32 count : { 1u, 2u, 3u })
        {
            const UINT32 m = VoxMirroredFirst(first, count, total);
            EXPECT_GE(m, total) << "a mirrored range lies past the pool";
            for (UINT32 k = 0; k < count; ++k)
                EXPECT_EQ(ShaderIndex(m + k, total), first + count - 1 - k) << first << " " << count;
        }
}
