// Frame geometry, non-client size, hit codes and window placement of the skinned form.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "skin/frame_geometry.h"
#include "skin/hit_test.h"
#include "skin/placement.h"
#include "skin/skin_data.h"
#include "frame_skin_fixture.h"

namespace skin {
namespace {

using testing::DefaultSkin;

TEST(FrameGeometry, FollowsTheWindowSize) {
  const FrameGeometry g = ComputeFrameGeometry(DefaultSkin(), 636, 387);
  EXPECT_EQ(g.NewClRect, (Rect{1, 24, 635, 386}));
  EXPECT_EQ(g.NewLT, (Point{40, 32}));
  EXPECT_EQ(g.NewRT, (Point{596, 32}));
  EXPECT_EQ(g.NewLB, (Point{40, 377}));
  EXPECT_EQ(g.NewRB, (Point{596, 377}));
  EXPECT_EQ(g.NewCaptionRect, (Rect{2, 2, 634, 24}));
  EXPECT_EQ(g.NewHitRT, (Point{628, 8}));
  EXPECT_EQ(g.NewHitLB, (Point{8, 379}));
  EXPECT_EQ(g.NewHitRB, (Point{628, 379}));
  EXPECT_EQ(g.NewMaskRect, (Rect{1, 24, 635, 386}));
  // Shrinking below the picture moves everything the other way.
  const FrameGeometry small = ComputeFrameGeometry(DefaultSkin(), 200, 25);
  EXPECT_EQ(small.NewClRect, (Rect{1, 24, 199, 24}));
}

TEST(FrameGeometry, ButtonsRectFollowsItsSideOfThePicture) {
  struct Case {
    Rect buttons;
    Rect expected;
    bool leftAnchored;
  } cases[] = {
      {{150, 2, 230, 24}, {550, 2, 630, 24}, false},  // right half: moves with the right edge
      {{10, 2, 60, 24}, {10, 2, 60, 24}, true},       // left half: stays, anchored left
      {{118, 2, 160, 24}, {118, 2, 160, 24}, false},  // exactly in the middle: neither
      {{}, {}, false},                                // none
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.buttons.Left);
    FrameSkin s = DefaultSkin();
    s.ButtonsRect = c.buttons;
    const FrameGeometry g = ComputeFrameGeometry(s, 636, 387);
    EXPECT_EQ(g.NewButtonsRect, c.expected);
    EXPECT_EQ(g.ButtonsLeftAnchored, c.leftAnchored);
  }
}

TEST(FrameGeometry, NonClientSizeIsThePictureBorder) {
  const Rect window{100, 50, 736, 437};
  EXPECT_EQ(SkinnedClientArea(window, DefaultSkin()), (Rect{101, 74, 735, 436}));
  EXPECT_EQ(PlainClientArea(window, false), (Rect{103, 72, 733, 434}));
  EXPECT_EQ(PlainClientArea(window, true), (Rect{103, 68, 733, 434}));
  // A window smaller than its frame gets an empty client area, never an inverted one.
  EXPECT_EQ(SkinnedClientArea(Rect{0, 0, 1, 10}, DefaultSkin()), (Rect{1, 24, 1, 24}));
  EXPECT_EQ(PlainClientArea(Rect{0, 0, 4, 4}, false), (Rect{3, 22, 3, 22}));
}

TEST(FrameSkinData, ReadsFormInfoAndDefaultsHitPoints) {
  TbsSkinData data;
  data.Picture = Bitmap(236, 178);
  data.lefttoppoint = {40, 32};
  data.righttoppoint = {196, 32};
  data.leftbottompoint = {40, 168};
  data.rightbottompoint = {196, 168};
  data.clientrect = {1, 24, 235, 177};
  data.hittestlefttoppoint = {8, 8};  // the others are left unset
  const FrameSkin s = FrameSkinFrom(data);
  EXPECT_EQ(s.Pw, 236);
  EXPECT_EQ(s.Ph, 178);
  EXPECT_FALSE(s.HasMask);
  EXPECT_EQ(s.HitLT, (Point{8, 8}));
  EXPECT_EQ(s.HitRT, (Point{196, 32}));
  EXPECT_EQ(s.HitLB, (Point{40, 168}));
  EXPECT_EQ(s.HitRB, (Point{196, 168}));
  // With the corners as fallback a rectangular skin still sizes from its right border.
  HitTestState st;
  st.Resizable = true;
  EXPECT_EQ(SkinnedHitTest({635, 193}, ComputeFrameGeometry(s, 636, 387), 3, nullptr, st), kHitRight);
}

struct HitCase {
  const char* what;
  Point p;
  int expected;
};

void ExpectHits(const std::vector<HitCase>& cases, const FrameGeometry& g, int b, const FramePieces* mask,
                const HitTestState& s) {
  for (const HitCase& c : cases) {
    SCOPED_TRACE(std::string(c.what) + " at " + std::to_string(c.p.X) + "," + std::to_string(c.p.Y));
    EXPECT_EQ(SkinnedHitTest(c.p, g, b, mask, s), c.expected);
  }
}

TEST(FrameHitTest, SizeableSkinnedWindow) {
  const FrameGeometry g = ComputeFrameGeometry(DefaultSkin(), 636, 387);
  HitTestState s;
  s.Resizable = true;
  s.CaptionTextArea = {18, 2, 576, 24};
  ExpectHits({{"left border, halfway down", {0, 193}, kHitLeft},
              {"right border", {635, 193}, kHitRight},
              {"top border", {300, 1}, kHitTop},
              {"bottom border", {300, 386}, kHitBottom},
              {"top-left corner", {3, 3}, kHitTopLeft},
              {"top-right corner", {632, 3}, kHitTopRight},
              {"bottom-left corner", {3, 383}, kHitBottomLeft},
              {"bottom-right corner", {632, 383}, kHitBottomRight},
              {"near the edge but in the client", {2, 193}, kHitClient},
              {"caption text", {300, 12}, kHitCaption},
              {"frame outside the caption text", {10, 12}, kHitObject},
              {"client", {300, 200}, kHitClient}},
             g, 4, nullptr, s);
}

TEST(FrameHitTest, NoSizingCodesWhenMaximizedOrFixed) {
  const FrameGeometry g = ComputeFrameGeometry(DefaultSkin(), 636, 387);
  HitTestState s;
  s.CaptionTextArea = {18, 2, 576, 24};
  for (int variant = 0; variant < 3; ++variant) {
    SCOPED_TRACE(variant);
    s.Resizable = variant != 0;
    s.Maximized = variant == 1;
    s.RolledUpOrMinimized = variant == 2;
    ExpectHits({{"left border", {0, 193}, kHitObject},
                {"top border on the caption", {300, 2}, kHitCaption},
                {"bottom-right corner", {635, 386}, kHitObject},
                {"client", {300, 200}, kHitClient}},
               g, 4, nullptr, s);
  }
}

TEST(FrameHitTest, HoveredObjectTakesThePressOutsideCaptionAndClient) {
  const FrameGeometry g = ComputeFrameGeometry(DefaultSkin(), 636, 387);
  HitTestState s;
  s.Resizable = true;
  s.ObjectHovered = true;
  s.CaptionTextArea = {18, 2, 576, 24};
  ExpectHits({{"button on the top border", {620, 2}, kHitObject},
              {"caption text", {300, 12}, kHitCaption},
              {"client", {300, 200}, kHitClient}},
             g, 4, nullptr, s);
  // Inside the platform's move-and-size loop the border sizes again.
  s.InSizeMove = true;
  ExpectHits({{"button on the top border", {620, 2}, kHitTop}}, g, 4, nullptr, s);
}

// A 40 x 30 window whose mask cuts away the 3 x 3 top-left corner.
struct MaskedWindow {
  FrameGeometry g;
  FramePieces mask;
  MaskedWindow() {
    g.W = 40;
    g.H = 30;
    g.NewClRect = g.NewMaskRect = {2, 6, 38, 28};
    g.NewHitLT = {4, 4};
    g.NewHitRT = {36, 4};
    g.NewHitLB = {4, 26};
    g.NewHitRB = {36, 26};
    mask.Top = Bitmap(40, 6);
    mask.Left = Bitmap(2, 22);
    mask.Right = Bitmap(2, 22);
    mask.Bottom = Bitmap(40, 2);
    for (Bitmap* b : {&mask.Top, &mask.Left, &mask.Right, &mask.Bottom})
      for (int y = 0; y < b->Height(); ++y)
        for (int x = 0; x < b->Width(); ++x) b->SetPixel(x, y, 0xFF000000);
    for (int y = 0; y < 3; ++y)
      for (int x = 0; x < 3; ++x) mask.Top.SetPixel(x, y, 0xFFFFFFFF);
  }
};

TEST(FrameHitTest, MaskShape) {
  const MaskedWindow w;
  struct {
    Point p;
    bool inside;
  } cases[] = {{{1, 1}, false},  {{5, 0}, true},   {{0, 10}, true},  {{39, 10}, true}, {{40, 10}, false},
               {{10, 29}, true}, {{10, 30}, false}, {{20, 20}, true}, {{-1, 10}, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.p.X) + "," + std::to_string(c.p.Y));
    EXPECT_EQ(PointInMaskShape(c.p, w.g, w.mask), c.inside);
  }
}

TEST(FrameHitTest, MaskedEdgesFollowTheShape) {
  const MaskedWindow w;
  HitTestState s;
  s.Resizable = true;
  // Next to the cut corner the point is on the edge of the shape, though not of the rectangle.
  ExpectHits({{"beside the cut corner", {3, 1}, kHitTopLeft},
              {"in the cut corner", {1, 1}, kHitTopLeft},
              {"top edge", {20, 0}, kHitTop},
              {"inside the frame", {20, 3}, kHitObject}},
             w.g, 1, &w.mask, s);
  ExpectHits({{"beside the cut corner, no mask", {3, 1}, kHitObject}}, w.g, 1, nullptr, s);
}

TEST(FrameHitTest, PlainFrame) {
  HitTestState s;
  s.Resizable = true;
  const std::vector<HitCase> cases = {
      {"top-left", {0, 0}, kHitTopLeft},       {"top-right", {199, 2}, kHitTopRight},
      {"bottom-left", {2, 99}, kHitBottomLeft}, {"bottom-right", {197, 97}, kHitBottomRight},
      {"left", {1, 50}, kHitLeft},              {"right", {197, 50}, kHitRight},
      {"top", {100, 2}, kHitTop},               {"bottom", {100, 97}, kHitBottom},
      {"caption strip", {100, 10}, kHitCaption}, {"client", {100, 50}, kHitClient},
  };
  for (const HitCase& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(PlainHitTest(c.p, 200, 100, false, s), c.expected);
  }
  EXPECT_EQ(PlainHitTest({100, 20}, 200, 100, true, s), kHitClient);  // tool caption ends at 18
  EXPECT_EQ(PlainHitTest({100, 20}, 200, 100, false, s), kHitCaption);
  s.Resizable = false;
  EXPECT_EQ(PlainHitTest({1, 50}, 200, 100, false, s), kHitObject);
  s.Resizable = true;
  s.ObjectHovered = true;
  EXPECT_EQ(PlainHitTest({100, 50}, 200, 100, false, s), kHitObject);
}

TEST(FramePlacement, MinimumSizes) {
  FrameSkin skin = DefaultSkin();
  EXPECT_EQ(FrameMinWidth(&skin, {}), 200);
  EXPECT_EQ(FrameMinHeight(&skin, {}, false), 25);
  struct Case {
    const char* what;
    bool skinned;
    int formMinW, formMinH;
    SizeLimits limits;
    bool tool;
    int w, h;
  } cases[] = {
      {"plain defaults", false, 0, 0, {}, false, 120, 25},
      {"plain tool window", false, 0, 0, {}, true, 120, 21},
      {"plain with limits", false, 0, 0, {300, 40}, false, 300, 40},
      {"picture narrower than MinWidth", true, 200, 0, {300, 0}, false, 300, 25},
      {"formminwidth below MinWidth", true, 200, 0, {210, 0}, false, 210, 25},
      {"no formminwidth", true, 0, 0, {}, false, 236, 25},
      {"formminheight below MinHeight", true, 0, 50, {0, 60}, false, 236, 60},
      {"formminheight", true, 0, 50, {0, 10}, false, 236, 50},
      {"frame height below MinHeight", true, 0, 0, {0, 30}, false, 236, 30},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    skin.FormMinWidth = c.formMinW;
    skin.FormMinHeight = c.formMinH;
    const FrameSkin* s = c.skinned ? &skin : nullptr;
    EXPECT_EQ(FrameMinWidth(s, c.limits), c.w);
    EXPECT_EQ(FrameMinHeight(s, c.limits, c.tool), c.h);
  }
}

TEST(FramePlacement, EnforceMinimumAndNudge) {
  bool nudge = true;
  EXPECT_EQ(EnforceMinimumSize({100, 10}, {200, 25}, nudge), (Size{200, 25}));
  EXPECT_FALSE(nudge);
  EXPECT_EQ(EnforceMinimumSize({100, 300}, {200, 25}, nudge), (Size{200, 300}));
  EXPECT_EQ(EnforceMinimumSize({636, 10}, {200, 25}, nudge), (Size{636, 25}));
  EXPECT_FALSE(nudge);
  EXPECT_EQ(EnforceMinimumSize({636, 387}, {200, 25}, nudge), (Size{636, 387}));
  EXPECT_TRUE(nudge);
  EXPECT_EQ(WidthNudgeStep(636, 200), -1);
  EXPECT_EQ(WidthNudgeStep(200, 200), 1);
}

TEST(FramePlacement, CentresInTheWorkArea) {
  EXPECT_EQ(CenterInArea({0, 0, 1920, 1040}, 636, 387), (Point{642, 327}));
  EXPECT_EQ(CenterInArea({1920, 0, 3200, 1024}, 636, 387), (Point{1920 + 640 - 318, 512 - 193}));
}

TEST(FramePlacement, MinimizedFormsStackFromTheBottomLeft) {
  // A 1000 x 600 work area at (100, 50): five 200 x 25 forms fill a row.
  const Rect area{100, 50, 1100, 650};
  const Size size{200, 25};
  auto at = [](int x, int y) { return Rect{x, y, x + 200, y + 25}; };
  struct Case {
    const char* what;
    std::vector<Rect> occupied;
    Point expected;
  } cases[] = {
      {"the first one takes the bottom-left corner", {}, {100, 625}},
      {"the next one goes to its right", {at(100, 625)}, {300, 625}},
      {"a gap left by a restored form is filled first", {at(100, 625), at(500, 625)}, {300, 625}},
      {"a full row: one row up",
       {at(100, 625), at(300, 625), at(500, 625), at(700, 625), at(900, 625)},
       {100, 600}},
      {"on along the second row",
       {at(100, 625), at(300, 625), at(500, 625), at(700, 625), at(900, 625), at(100, 600)},
       {300, 600}},
      {"a wider form in the way is passed", {Rect{100, 600, 450, 650}}, {450, 625}},
      {"a form that only touches the corner leaves it free", {at(300, 625), at(100, 600)}, {100, 625}},
      {"windows elsewhere do not count", {at(100, 100), at(600, 300)}, {100, 625}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(MinimizedFormPlace(area, size, c.occupied), c.expected);
  }
  // The area full to the top: back to the first place rather than above the area.
  std::vector<Rect> full;
  for (int y = 625; y >= 50; y -= 25)
    for (int x = 100; x + 200 <= 1100; x += 200) full.push_back(at(x, y));
  EXPECT_EQ(MinimizedFormPlace(area, size, full), (Point{100, 625}));
  // A form wider than the area still starts at the left edge.
  EXPECT_EQ(MinimizedFormPlace(area, Size{1500, 25}, {}), (Point{100, 625}));
  EXPECT_EQ(MinimizedFormPlace(area, Size{0, 0}, {}), (Point{100, 650}));
}

// One drag: each step proposes a window position with the cursor where it is.
struct DragStep {
  const char* what;
  int proposedX, cursorX;
  int expectedX;
};

void Drag(const std::vector<DragStep>& steps, int y = 300) {
  const Rect area{0, 0, 1920, 1040};
  MagneticState st;
  for (const DragStep& d : steps) {
    SCOPED_TRACE(d.what);
    const Rect r = MagneticMove({d.proposedX, y, d.proposedX + 636, y + 387}, area, 5, {d.cursorX, y + 10}, st);
    EXPECT_EQ(r.Left, d.expectedX);
    EXPECT_EQ(r.Width(), 636);
    EXPECT_EQ(r.Top, y);
  }
}

TEST(FramePlacement, MagneticLeftEdge) {
  Drag({{"far away", 40, 140, 40},
        {"4 pixels from the edge snaps", 4, 104, 0},
        {"1 pixel of cursor travel stays", 3, 103, 0},
        {"exactly 5 pixels of travel stays", -1, 99, 0},
        {"6 pixels of travel follows the cursor from the snap", -2, 98, -6},
        {"and on", -3, 97, -7}});
  Drag({{"exactly 5 pixels away does not snap", 5, 105, 5}});
  Drag({{"4 pixels past the edge snaps", -4, 96, 0}});
}

TEST(FramePlacement, MagneticRightEdge) {
  // The right edge 3 pixels left of the work area's right edge touches it.
  Drag({{"3 pixels short of the right edge", 1920 - 636 - 3, 1500, 1920 - 636}});
  Drag({{"5 pixels short does not snap", 1920 - 636 - 5, 1500, 1920 - 636 - 5}});
  Drag({{"snap", 1920 - 636 - 3, 1500, 1284},
        {"held", 1920 - 636 - 1, 1502, 1284},
        {"released after 6 pixels", 1920 - 636 + 3, 1506, 1284 + 6}});
}

TEST(FramePlacement, MagneticTopAndBottomEdges) {
  const Rect area{0, 0, 1920, 1040};
  MagneticState st;
  Rect r = MagneticMove({500, 3, 1136, 390}, area, 5, {600, 13}, st);
  EXPECT_EQ(r.Top, 0);
  EXPECT_TRUE(st.StuckTop);
  MagneticState fresh;
  r = MagneticMove({500, 1040 - 387 + 2, 1136, 1040 + 2}, area, 5, {600, 900}, fresh);
  EXPECT_EQ(r.Bottom, 1040);
}

}  // namespace
}  // namespace skin
