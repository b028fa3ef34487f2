#include <gtest/gtest.h>

#include "draw_pixels.h"
#include "skin/canvas_copy.h"
#include "skin/frame_borders.h"
#include "skin/nine_slice.h"
#include "skin/strips.h"

namespace skin {
namespace {

using testing::FromText;
using testing::ToText;
using Rows = std::vector<std::string>;

// A skin rectangle where every zone has its own letters. Cut: ClRect (2,2,5,6); top edge
// columns 2..5 ("abc"), bottom edge 3..5 ("kl", so the bottom-left corner reaches one column
// into the bottom band: 'J'); left and right edges rows 3..5; the L-shaped corners add E, F
// (rows above LT.Y / RT.Y) and G, H (rows from LB.Y / RB.Y).
const Rows kSkin = {
    "AAabcBBB",  //
    "AAabcBBB",  //
    "EEmnoFFF",  //
    "ddpqrggg",  //
    "eestuhhh",  //
    "GGvwxHHH",  //
    "CCJklDDD",  //
    "CCJklDDD",  //
};
const SliceGeometry kCut{{2, 3}, {5, 3}, {3, 5}, {5, 5}, {2, 2, 5, 6}};
// The same cut for a 12 x 11 target: right-hand items moved by 4, lower ones by 3.
const SliceGeometry kNewCut{{2, 3}, {9, 3}, {3, 8}, {9, 8}, {2, 2, 9, 9}};

TEST(ComposeNineSlice, TilesEdgesAndCentreAndPlacesTheEightCorners) {
  const Bitmap source = FromText(kSkin);
  Bitmap dest;
  ComposeNineSlice(kCut, kNewCut, dest, source, {0, 0, 8, 8}, 12, 11, true, {}, false, 0);
  EXPECT_EQ(ToText(dest), (Rows{
                              "AAabcabcaBBB",  // top edge: tiles at 2, 5, 8; the last cut to 1
                              "AAabcabcaBBB",  //
                              "EEmnomnomFFF",  //
                              "ddpqrpqrpggg",  //
                              "eestustushhh",  //
                              "ddvwxvwxvggg",  //
                              "eemnomnomhhh",  //
                              "ddpqrpqrpggg",  //
                              "GGstustusHHH",  //
                              "CCJklklklDDD",  // bottom span 6 = 3 periods: covered exactly once
                              "CCJklklklDDD",  //
                          }));
}

TEST(ComposeNineSlice, SkinRectangleIsTakenAtItsOffset) {
  // The same skin placed at (3, 1) in a larger picture, with junk around it.
  Rows big(10, std::string(12, 'Z'));
  for (size_t y = 0; y < kSkin.size(); ++y) big[y + 1].replace(3, 8, kSkin[y]);
  Bitmap dest, reference;
  ComposeNineSlice(kCut, kNewCut, dest, FromText(big), {3, 1, 11, 9}, 12, 11, true, {}, false, 0);
  ComposeNineSlice(kCut, kNewCut, reference, FromText(kSkin), {0, 0, 8, 8}, 12, 11, true, {}, false, 0);
  EXPECT_EQ(ToText(dest), ToText(reference));
}

TEST(ComposeNineSlice, WithoutCentreLeavesTheClientUntouched) {
  Bitmap dest;
  ComposeNineSlice(kCut, kNewCut, dest, FromText(kSkin), {0, 0, 8, 8}, 12, 11, false, {}, false, 0);
  const Rows rows = ToText(dest);
  EXPECT_EQ(rows[2], "EE.......FFF");
  EXPECT_EQ(rows[5], "dd.......ggg");
  EXPECT_EQ(rows[8], "GG.......HHH");
}

TEST(ComposeNineSlice, DegenerateCutsOnlySizeTheDestination) {
  const Bitmap source = FromText(kSkin);
  SliceGeometry flatX = kCut;
  flatX.RB.X = flatX.LT.X;
  SliceGeometry flatY = kCut;
  flatY.RB.Y = flatY.LT.Y;
  for (const SliceGeometry& cut : {flatX, flatY}) {
    Bitmap dest(3, 3);
    ComposeNineSlice(cut, kNewCut, dest, source, {0, 0, 8, 8}, 12, 11, true, {}, false, 0);
    EXPECT_EQ(ToText(dest), Rows(11, std::string(12, '.')));
  }
  Bitmap dest;
  ComposeNineSlice(kCut, kNewCut, dest, Bitmap(), {0, 0, 8, 8}, 12, 11, true, {}, false, 0);
  EXPECT_EQ(ToText(dest), Rows(11, std::string(12, '.')));
}

TEST(ComposeNineSlice, StretchedEdgesRepeatOrDropPixels) {
  Bitmap dest;
  ComposeNineSlice(kCut, kNewCut, dest, FromText(kSkin), {0, 0, 8, 8}, 12, 11, false, {true, true, true, true},
                   false, 0);
  const Rows rows = ToText(dest);
  EXPECT_EQ(rows[0], "AAaaabbccBBB");  // "abc" onto 7 columns
  EXPECT_EQ(rows[9], "CCJkkklllDDD");  // "kl" onto 6 columns
  Rows left, right;
  for (const std::string& r : rows) left.push_back(r.substr(0, 2)), right.push_back(r.substr(9, 3));
  // "de" onto rows 3..8 (5 rows), with the fixed E above and G below.
  EXPECT_EQ(left, (Rows{"AA", "AA", "EE", "dd", "dd", "dd", "ee", "ee", "GG", "CC", "CC"}));
  EXPECT_EQ(right, (Rows{"BBB", "BBB", "FFF", "ggg", "ggg", "ggg", "hhh", "hhh", "HHH", "DDD", "DDD"}));
}

struct CentreCase {
  bool stretchEffect;
  int stretchType;
  Rows centre;  // the new client area, 7 x 7
};

class ComposeCentre : public ::testing::TestWithParam<CentreCase> {};

TEST_P(ComposeCentre, FillsTheNewClientRectangle) {
  Bitmap dest;
  ComposeNineSlice(kCut, kNewCut, dest, FromText(kSkin), {0, 0, 8, 8}, 12, 11, true, {}, GetParam().stretchEffect,
                   GetParam().stretchType);
  Rows centre;
  const Rows rows = ToText(dest);
  for (int y = 2; y < 9; ++y) centre.push_back(rows[y].substr(2, 7));
  EXPECT_EQ(centre, GetParam().centre);
}

INSTANTIATE_TEST_SUITE_P(
    StretchTypes, ComposeCentre,
    ::testing::Values(
        // Tiled from the client's top-left, cut at its right and bottom edges.
        CentreCase{false, 0, {"mnomnom", "pqrpqrp", "stustus", "vwxvwxv", "mnomnom", "pqrpqrp", "stustus"}},
        // Full stretch of the 3 x 4 piece onto 7 x 7.
        CentreCase{true, 0, {"mmmnnoo", "mmmnnoo", "pppqqrr", "pppqqrr", "sssttuu", "sssttuu", "vvvwwxx"}},
        // Horizontal: scaled to 3 x 7 and repeated rightwards (cut by the clip).
        CentreCase{true, 1, {"mnomnom", "mnomnom", "pqrpqrp", "pqrpqrp", "stustus", "stustus", "vwxvwxv"}},
        // Vertical: scaled to 7 x 4 and repeated downwards.
        CentreCase{true, 2, {"mmmnnoo", "pppqqrr", "sssttuu", "vvvwwxx", "mmmnnoo", "pppqqrr", "sssttuu"}}));

TEST(ComposeNineSlice, TileCountStaysBoundedForHugeSpans) {
  // A new cut far beyond the destination must neither hang nor write outside it.
  SliceGeometry n = kNewCut;
  n.LT.X = -200'000'000;
  n.RT.X = 200'000'000;
  n.ClRect.Left = -200'000'000;
  n.ClRect.Right = 200'000'000;
  Bitmap dest;
  ComposeNineSlice(kCut, n, dest, FromText(kSkin), {0, 0, 8, 8}, 12, 11, true, {}, false, 0);
  EXPECT_EQ(dest.Width(), 12);
  // Tiles keep their phase: x = 0 lies 2e8 columns into the tile grid.
  EXPECT_EQ(ToText(dest)[0][0], "abc"[200'000'000 % 3]);
}

TEST(ComposeStretchedNineSlice, StretchesEverythingBetweenFixedCorners) {
  const Bitmap source = FromText({"AabB", "cmnd", "eopf", "CghD"});
  Bitmap dest(6, 5);
  ComposeStretchedNineSlice(dest, source, {0, 0, 4, 4}, true, {1, 1, 3, 3});
  EXPECT_EQ(ToText(dest), (Rows{"AaabbB", "cmmnnd", "cmmnnd", "eooppf", "CgghhD"}));
}

TEST(ComposeStrips, HorizontalTilesAndStretchesTheMiddle) {
  const Bitmap source = FromText({"LabcR", "LabcR"});
  Bitmap dest;
  ComposeHorizontalStrip(1, 1, dest, source, {0, 0, 5, 2}, 9, false);
  EXPECT_EQ(ToText(dest), (Rows{"LabcabcaR", "LabcabcaR"}));
  ComposeHorizontalStrip(1, 1, dest, source, {0, 0, 5, 2}, 9, true);
  EXPECT_EQ(ToText(dest), (Rows{"LaaabbccR", "LaaabbccR"}));
  // Caps that use up the whole rectangle leave no middle to repeat.
  ComposeHorizontalStrip(2, 3, dest, source, {0, 0, 5, 2}, 8, false);
  EXPECT_EQ(ToText(dest), (Rows{"La...bcR", "La...bcR"}));
}

TEST(ComposeStrips, VerticalTilesAndStretchesTheMiddle) {
  const Bitmap source = FromText({"T", "a", "b", "B"});
  Bitmap dest;
  ComposeVerticalStrip(1, 1, dest, source, {0, 0, 1, 4}, 7, false);
  EXPECT_EQ(ToText(dest), (Rows{"T", "a", "b", "a", "b", "a", "B"}));
  ComposeVerticalStrip(1, 1, dest, source, {0, 0, 1, 4}, 6, true);
  EXPECT_EQ(ToText(dest), (Rows{"T", "a", "a", "b", "b", "B"}));
  ComposeVerticalStrip(2, 2, dest, source, {0, 0, 1, 4}, 5, false);
  EXPECT_EQ(ToText(dest), (Rows{"T", "a", ".", "b", "B"}));
}

TEST(ComposeFrameBorders, BuildsFourPiecesTiledFromTheOrigin) {
  FramePieces pieces;
  ComposeFrameBorders(kCut, kNewCut, pieces, FromText(kSkin), {0, 0, 8, 8}, 12, 11, {});
  // Tiles start at x = 0 here, so with NewLT.X = 2 (not a multiple of 3) the phase differs
  // from ComposeNineSlice's "AAabcabcaBBB".
  EXPECT_EQ(ToText(pieces.Top), (Rows{"AAcabcabcBBB", "AAcabcabcBBB"}));
  EXPECT_EQ(ToText(pieces.Bottom), (Rows{"CCJlklklkDDD", "CCJlklklkDDD"}));
  EXPECT_EQ(ToText(pieces.Left), (Rows{"EE", "ee", "dd", "ee", "dd", "ee", "GG"}));
  EXPECT_EQ(ToText(pieces.Right), (Rows{"FFF", "hhh", "ggg", "hhh", "ggg", "hhh", "HHH"}));
}

TEST(ComposeFrameBorders, SamePhaseAsNineSliceWhenTheCornerIsAMultipleOfThePeriod) {
  // Top corner three columns wide: NewLT.X = 3 = the period.
  const Rows skin = {"AAAabcBB", "AAAabcBB", "ddmnoppg", "CCCjklDD"};
  const SliceGeometry cut{{3, 2}, {6, 2}, {3, 3}, {6, 3}, {2, 2, 6, 3}};
  const SliceGeometry newCut{{3, 2}, {10, 2}, {3, 3}, {10, 3}, {2, 2, 10, 3}};
  FramePieces pieces;
  ComposeFrameBorders(cut, newCut, pieces, FromText(skin), {0, 0, 8, 4}, 12, 4, {});
  Bitmap nine;
  ComposeNineSlice(cut, newCut, nine, FromText(skin), {0, 0, 8, 4}, 12, 4, false, {}, false, 0);
  EXPECT_EQ(ToText(pieces.Top)[0], ToText(nine)[0]);
  EXPECT_EQ(ToText(pieces.Top)[0], "AAAabcabcaBB");
}

TEST(ComposeFrameBorders, RecomposingAtTheSameSizeLeavesNoStalePixels) {
  FramePieces pieces;
  ComposeFrameBorders(kCut, kNewCut, pieces, FromText(kSkin), {0, 0, 8, 8}, 12, 11, {});
  // The same cut read from a rectangle that hangs 1 row above the picture: the top piece's
  // first row has no source and must come out empty, not as last time's pixels.
  Rows shifted(kSkin.begin(), kSkin.end() - 1);
  ComposeFrameBorders(kCut, kNewCut, pieces, FromText(shifted), {0, -1, 8, 7}, 12, 11, {});
  EXPECT_EQ(ToText(pieces.Top), (Rows{"............", "AAcabcabcBBB"}));
}

TEST(ComposeFrameBorders, PiecesWithoutRoomAreNotBuilt) {
  FramePieces pieces;
  SliceGeometry n = kNewCut;
  n.ClRect = {0, 0, 12, 11};  // no border at all
  ComposeFrameBorders(kCut, n, pieces, FromText(kSkin), {0, 0, 8, 8}, 12, 11, {});
  EXPECT_TRUE(pieces.Top.Empty());
  EXPECT_TRUE(pieces.Bottom.Empty());
  EXPECT_TRUE(pieces.Left.Empty());
  EXPECT_TRUE(pieces.Right.Empty());
  ComposeFrameBorders(kCut, kNewCut, pieces, Bitmap(), {0, 0, 8, 8}, 12, 11, {});
  EXPECT_TRUE(pieces.Top.Empty());
}

TEST(ComposeMaskBorders, TilesFromTheNewCornerAndKeepsOldCorners) {
  // A 7 x 5 mask: client (2,1,5,4); top repeat columns 2..5, side repeat rows 2..3.
  const Rows mask = {"ABabcCD", "EFmnoGH", "ijxyzkl", "KLpqrMN", "OPstuQR"};
  const SliceGeometry cut{{2, 2}, {5, 2}, {2, 3}, {5, 3}, {2, 1, 5, 4}};
  const SliceGeometry newCut{{2, 2}, {8, 2}, {2, 5}, {8, 5}, {2, 1, 8, 6}};
  FramePieces pieces;
  ComposeMaskBorders(cut, newCut, FromText(mask), pieces, 10);
  EXPECT_EQ(ToText(pieces.Top), (Rows{"ABabcabcCD"}));
  EXPECT_EQ(ToText(pieces.Left), (Rows{"EF", "ij", "ij", "ij", "KL"}));
  EXPECT_EQ(ToText(pieces.Right), (Rows{"GH", "kl", "kl", "kl", "MN"}));
  EXPECT_EQ(ToText(pieces.Bottom), (Rows{"OPstustuQR"}));
}

struct CopyCase {
  const char* name;
  Rect dest;
  Rect source;
  Rows expected;  // 4 x 3 destination
};

class CanvasCopyCase : public ::testing::TestWithParam<CopyCase> {};

TEST_P(CanvasCopyCase, ClipsToBothBitmaps) {
  Bitmap dest(4, 3);
  CanvasCopy(dest, GetParam().dest, FromText({"abc", "def"}), GetParam().source);
  EXPECT_EQ(ToText(dest), GetParam().expected) << GetParam().name;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CanvasCopyCase,
    ::testing::Values(CopyCase{"plain", {1, 1, 4, 3}, {0, 0, 3, 2}, {"....", ".abc", ".def"}},
                      CopyCase{"dest off the left", {-1, 0, 2, 2}, {0, 0, 3, 2}, {"bc..", "ef..", "...."}},
                      CopyCase{"source beyond its bitmap", {0, 0, 3, 2}, {1, 1, 4, 3}, {"ef..", "....", "...."}},
                      CopyCase{"scaled up", {0, 0, 4, 3}, {0, 0, 2, 2}, {"aabb", "aabb", "ddee"}},
                      CopyCase{"scaled down", {0, 0, 2, 1}, {0, 0, 3, 2}, {"ab..", "....", "...."}},
                      CopyCase{"inverted source", {0, 0, 3, 2}, {3, 0, 0, 2}, {"....", "....", "...."}},
                      CopyCase{"empty destination", {2, 0, 2, 2}, {0, 0, 3, 2}, {"....", "....", "...."}},
                      CopyCase{"scaled from outside", {0, 0, 4, 2}, {-2, 0, 2, 2}, {"..ab", "..de", "...."}}));

TEST(CanvasCopy, ClipRectangleLimitsTheWrite) {
  Bitmap dest(4, 2);
  const Rect clip{1, 0, 3, 1};
  CanvasCopy(dest, {0, 0, 4, 2}, FromText({"abcd", "efgh"}), {0, 0, 4, 2}, &clip);
  EXPECT_EQ(ToText(dest), (Rows{".bc.", "...."}));
}

TEST(DrawGlyphCell, DrawsOneCellWithItsBottomLeftColourTransparent) {
  const Bitmap strip = FromText({"abxyqr", "kbkzrr"});  // cells "ab/kb", "xy/kz", "qr/rr"
  Bitmap canvas = FromText({"....", "....", "...."});
  DrawGlyphCell(canvas, 1, 1, 1, 3, strip);
  EXPECT_EQ(ToText(canvas), (Rows{"....", ".ab.", "..b."}));
  canvas = FromText({"....", "....", "...."});
  DrawGlyphCell(canvas, 3, 2, 2, 3, strip);  // cut at the canvas edge
  EXPECT_EQ(ToText(canvas), (Rows{"....", "....", "...x"}));
  canvas = FromText({"....", "....", "...."});
  DrawGlyphCell(canvas, 0, 0, 3, 3, strip);  // the key "r" hides all but "q"
  EXPECT_EQ(ToText(canvas), (Rows{"q...", "....", "...."}));
  for (int index : {0, 4}) {
    DrawGlyphCell(canvas, 0, 0, index, 3, strip);
    EXPECT_EQ(ToText(canvas), (Rows{"q...", "....", "...."}));
  }
  DrawGlyphCell(canvas, 0, 0, 1, 0, strip);
  DrawGlyphCell(canvas, 0, 0, 1, 1, Bitmap());
  EXPECT_EQ(ToText(canvas), (Rows{"q...", "....", "...."}));
}

}  // namespace
}  // namespace skin

#include <random>

#include "platform/exceptions.h"
#include "skin/mask_region.h"

namespace skin {
namespace {

// Skin files can carry any numbers: every composition must stay inside its bitmaps and end,
// whatever the cut (checked by the sanitizer builds; here at least no crash and the sizes).
TEST(ComposeRobustness, ArbitraryCutsStayInsideTheBitmaps) {
  std::mt19937 random(12345);
  auto any = [&random]() {
    switch (random() % 4) {
      case 0: return static_cast<int>(random() % 12) - 2;
      case 1: return static_cast<int>(random() % 40) - 20;
      // Far-off values (not middling ones: a piece of a few million rows is a legitimate,
      // if slow, request).
      case 2: return 2'000'000'000 + static_cast<int>(random() % 100'000'000);
      default: return -2'000'000'000 - static_cast<int>(random() % 100'000'000);
    }
  };
  auto point = [&]() { return Point{any(), any()}; };
  auto rect = [&]() { return Rect{any(), any(), any(), any()}; };
  const Bitmap source = FromText(kSkin);
  for (int round = 0; round < 3000; ++round) {
    const SliceGeometry g{point(), point(), point(), point(), rect()};
    const SliceGeometry n{point(), point(), point(), point(), rect()};
    const Rect r = round % 2 ? Rect{0, 0, 8, 8} : rect();
    const int w = static_cast<int>(random() % 20), h = static_cast<int>(random() % 20);
    const EdgeStretch stretch{random() % 2 == 0, random() % 2 == 0, random() % 2 == 0, random() % 2 == 0};
    Bitmap dest;
    ComposeNineSlice(g, n, dest, source, r, w, h, true, stretch, random() % 2 == 0, static_cast<int>(random() % 4));
    ASSERT_EQ(dest.Width() * dest.Height(), w * h);
    Bitmap stretched(w, h);
    ComposeStretchedNineSlice(stretched, source, r, true, rect());
    DrawGlyphCell(stretched, any(), any(), any() % 5, any() % 5, source);
    // Pieces and strips sized from absurd numbers may be refused, with the runtime's error.
    auto refusedOrDone = [](auto compose) {
      try {
        compose();
      } catch (const platform::EOutOfMemory&) {
      }
    };
    refusedOrDone([&] {
      ASSERT_TRUE(FrameRegionRects(g, n, source, w).has_value() || n.RT.X < n.LT.X || n.LB.Y < n.LT.Y);
    });
    FramePieces pieces;
    refusedOrDone([&] { ComposeFrameBorders(g, n, pieces, source, r, w, h, stretch); });
    refusedOrDone([&] { ComposeMaskBorders(g, n, source, pieces, w); });
    refusedOrDone([&] { ComposeHorizontalStrip(any() % 10, any() % 10, dest, source, r, w, random() % 2 == 0); });
    refusedOrDone([&] { ComposeVerticalStrip(any() % 10, any() % 10, dest, source, r, h, random() % 2 == 0); });
  }
}

}  // namespace
}  // namespace skin
