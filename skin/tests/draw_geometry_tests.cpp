#include <gtest/gtest.h>

#include "skin/geometry.h"

namespace skin {
namespace {

TEST(DrawGeometry, RectAndPointPredicates) {
  EXPECT_FALSE(RectInsideRect({0, 0, 10, 10}, {0, 0, 10, 10}));  // bottom-right corner is outside
  EXPECT_TRUE(RectInsideRect({0, 0, 9, 9}, {0, 0, 10, 10}));
  EXPECT_FALSE(RectInsideRect({-1, 0, 5, 5}, {0, 0, 10, 10}));
  EXPECT_TRUE(PointInRectInclusive({0, 0, 10, 10}, {10, 10}));
  EXPECT_FALSE(PointInRectInclusive({0, 0, 10, 10}, {11, 10}));
  EXPECT_TRUE(RectIsEmpty({5, 0, 5, 10}));
  EXPECT_TRUE(RectIsEmpty({0, 3, 10, 2}));
  EXPECT_FALSE(RectIsEmpty({0, 0, 1, 1}));
  EXPECT_TRUE(PointIsUnset({0, 7}));
  EXPECT_TRUE(PointIsUnset({7, 0}));
  EXPECT_FALSE(PointIsUnset({-1, 1}));
  EXPECT_EQ(IntersectRects({0, 0, 5, 5}, {3, 3, 8, 8}), (Rect{3, 3, 5, 5}));
  EXPECT_EQ(IntersectRects({0, 0, 5, 5}, {5, 0, 8, 8}), Rect{});
}

TEST(DrawGeometry, MixColorsHalvesEachChannelDown) {
  EXPECT_EQ(MixColors(0xFFFFFF, 0x000000), 0x7F7F7Fu);
  EXPECT_EQ(MixColors(MakeColor(10, 20, 31), MakeColor(11, 0, 0)), MakeColor(10, 10, 15));
}

struct DarkenCase {
  Color in;
  int percent;
  Color out;
};

class DarkenColorTest : public ::testing::TestWithParam<DarkenCase> {};

TEST_P(DarkenColorTest, RoundsTheLossHalfAwayFromZero) {
  EXPECT_EQ(DarkenColor(GetParam().in, GetParam().percent), GetParam().out);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DarkenColorTest,
    ::testing::Values(DarkenCase{0x123456, 0, 0x123456}, DarkenCase{0xFFFFFF, 100, 0x000000},
                      // 50 * 25 / 100 = 12.5 lost: rounds to 13, leaving 37; 10 * 25 / 100 = 2.5 -> 3
                      DarkenCase{MakeColor(50, 10, 200), 25, MakeColor(37, 7, 150)},
                      // 255 * 10 / 100 = 25.5 -> 26 lost
                      DarkenCase{MakeColor(255, 0, 1), 10, MakeColor(229, 0, 1)},
                      // Out-of-range percentages clamp rather than wrap the byte.
                      DarkenCase{MakeColor(200, 100, 0), 150, MakeColor(0, 0, 0)},
                      DarkenCase{MakeColor(200, 100, 0), -50, MakeColor(255, 150, 0)}));

TEST(DrawGeometry, ColourAndPixelConvert) {
  EXPECT_EQ(ColorToPixel(MakeColor(0x11, 0x22, 0x33)), 0xFF112233u);
  EXPECT_EQ(PixelToColor(0x80112233u), MakeColor(0x11, 0x22, 0x33));
}

}  // namespace
}  // namespace skin

#include "skin/os_version.h"

namespace skin {
namespace {

TEST(OsVersion, LowByteMajorHighByteMinor) {
  struct Case {
    uint32_t word;
    bool at2000, atXP, atVista, seven;
  };
  for (const Case& c : {Case{0x0004, false, false, false, false}, Case{0x0005, true, false, false, false},
                        Case{0x0105, true, true, false, false}, Case{0x0205, true, true, false, false},
                        Case{0x0006, true, true, true, false}, Case{0x0106, true, true, true, true},
                        Case{0x000A, true, true, true, false}}) {
    EXPECT_EQ(OsVersionAtLeast2000(c.word), c.at2000) << std::hex << c.word;
    EXPECT_EQ(OsVersionAtLeastXP(c.word), c.atXP) << std::hex << c.word;
    EXPECT_EQ(OsVersionAtLeastVista(c.word), c.atVista) << std::hex << c.word;
    EXPECT_EQ(OsVersionIsSeven(c.word), c.seven) << std::hex << c.word;
  }
}

}  // namespace
}  // namespace skin
