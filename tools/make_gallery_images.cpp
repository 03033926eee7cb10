// make_gallery_images: makes the four pictures of the texture gallery example.
//
//   make_gallery_images <output folder>
//
//   Checker.png  red and cream squares, 16 pixels each
//   Rings.png    blue and cyan rings around the centre
//   Stripes.png  green and yellow diagonal stripes
//   Grid.png     magenta lines on a dark violet ground
//
// Each is 128 x 128 with hard-edged two-colour patterns, so a picture is far from
// flat at full size and flat (its mean colour) at its smallest mip level: a test
// tells the streamed picture from the placeholder by the spread of its pixels.
#include "ToolImage.h"

#include <cmath>
#include <string>

namespace
{

const int Size = 128;

ToolImage MakePattern(ToolRGBA a, ToolRGBA b, bool (*first)(int x, int y))
{
    ToolImage img(Size, Size);
    for (int y = 0; y < Size; ++y)
        for (int x = 0; x < Size; ++x)
            img.At(x, y) = first(x, y) ? a : b;
    return img;
}

bool Checker(int x, int y)
{
    return ((x / 16) + (y / 16)) % 2 == 0;
}

bool Rings(int x, int y)
{
    const float dx = float(x) + 0.5f - Size * 0.5f, dy = float(y) + 0.5f - Size * 0.5f;
    return int(std::sqrt(dx * dx + dy * dy) / 10.0f) % 2 == 0;
}

bool Stripes(int x, int y)
{
    return ((x + y) / 12) % 2 == 0;
}

bool Grid(int x, int y)
{
    return x % 32 < 4 || y % 32 < 4;
}

}   // namespace

int main(int argc, char** argv)
{
    std::string dir;
    if (!ToolOutputFolder(argc, argv, dir))
        return 2;
    const bool ok =
        MakePattern({ 0.85f, 0.15f, 0.1f, 1 }, { 0.95f, 0.9f, 0.75f, 1 }, Checker)
            .Save((dir + "Checker.png").c_str()) &&
        MakePattern({ 0.1f, 0.2f, 0.8f, 1 }, { 0.3f, 0.9f, 0.95f, 1 }, Rings).Save((dir + "Rings.png").c_str()) &&
        MakePattern({ 0.15f, 0.6f, 0.15f, 1 }, { 0.95f, 0.9f, 0.2f, 1 }, Stripes).Save((dir + "Stripes.png").c_str()) &&
        MakePattern({ 0.95f, 0.2f, 0.85f, 1 }, { 0.15f, 0.05f, 0.2f, 1 }, Grid).Save((dir + "Grid.png").c_str());
    return ok ? 0 : 1;
}
