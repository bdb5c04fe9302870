#include "authoring/palette.h"

#include <gtest/gtest.h>

namespace authoring {
namespace {

TEST(Palette, DefaultColours) {
    const int expected[16][3] = {{0, 0, 0},       {255, 255, 255}, {0, 255, 255},   {255, 0, 255},
                                 {255, 255, 0},   {0, 0, 255},     {0, 255, 0},     {255, 0, 0},
                                 {128, 255, 255}, {255, 128, 255}, {255, 255, 128}, {128, 128, 255},
                                 {128, 255, 128}, {255, 128, 128}, {0, 128, 255},   {0, 255, 128}};
    const Palette palette = DefaultPalette();
    for (int s = 0; s < 16; ++s) {
        EXPECT_EQ(palette[s].red, expected[s][0] / 255.0f) << s;
        EXPECT_EQ(palette[s].green, expected[s][1] / 255.0f) << s;
        EXPECT_EQ(palette[s].blue, expected[s][2] / 255.0f) << s;
        EXPECT_EQ(palette[s].alpha, 1.0f);
    }
}

}  // namespace
}  // namespace authoring
