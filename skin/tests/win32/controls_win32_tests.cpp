// The skinned controls as windows (run under Wine): sizes and defaults, the status panel's
// glyph and text, the panel's strip, the gauge's bar, text and range, the animation, and a skin
// switch while the window is shown.
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "draw_golden.h"
#include "platform/messages.h"
#include "platform/ui/form.h"
#include "skin/builtin_skins.h"
#include "skin/control_geometry.h"
#include "skin/image_list.h"
#include "skin/win32/skin_control.h"
#include "skin/skin_data.h"
#include "skin/win32/skin_gauge.h"
#include "skin/win32/skin_label.h"
#include "skin/win32/skin_panel.h"
#include "skin/skin_schema.h"

namespace skin {
namespace {

uint32_t Px(Color c) { return ColorToPixel(ResolveSystemColour(c)) & 0x00FFFFFFu; }
uint32_t At(const Bitmap& b, int x, int y) { return b.Pixel(x, y) & 0x00FFFFFFu; }

// A host window; the skin data's change messages go to every skinned control on it.
class Host : public platform::ui::Form, public SkinMessageTarget {
 public:
  Host() {
    SetClientSize(634, 362);
    SetBounds(0, 0, 634, 362);
  }
  void SkinMessage(uint32_t message, TbsSkinData* sender, intptr_t) override {
    TbsSkinControl::Broadcast(this, message, sender);
  }
};

class CarriedSkin : public ::testing::Test {
 protected:
  void SetUp() override {
    LoadBuiltinSkinList(list_);
    data_ = std::make_unique<TbsSkinData>(&host_);
    data_->SetShowLayeredBorders(false);
    data_->SetSkinIndex(2);
    ASSERT_FALSE(list_.Skins().Items(2).Skin().IsEmpty()) << "no carried package for skin 2";
  }
  // Loads skin 2 (the skin data then tells the host, which tells the controls).
  void Load() {
    data_->SetSkinList(&list_);
    ASSERT_FALSE(data_->Empty) << "skin 2 did not load";
  }
  TbsCompressedSkinList list_;
  Host host_;
  std::unique_ptr<TbsSkinData> data_;
};

// A skin made in the test: one picture and the entries the test adds.
struct HandMadeSkin {
  TbsSkinData data;
  explicit HandMadeSkin(Bitmap picture) {
    data.Empty = false;
    data.ActivePictures.push_back(std::move(picture));
  }
  template <typename T>
  T& Add(const std::string& name) {
    auto entry = std::make_unique<T>(name);
    entry->pictureindex = 0;
    T& ref = *entry;
    data.SkinControls.push_back(std::move(entry));
    return ref;
  }
};

Bitmap Solid(int w, int h, Color c) {
  Bitmap b(w, h);
  FillPixels(b, {0, 0, w, h}, c);
  return b;
}

TEST(SkinControlBase, WidthZeroPaintsNothing) {
  Host host;
  TbsSkinCustomControl control(&host);
  control.SetBounds(0, 0, 0, 20);
  EXPECT_TRUE(control.RenderImage().Empty());
}

TEST(SkinControlBase, WithoutSkinDataDrawsButtonFaceAndTakesDefaultSize) {
  Host host;
  TbsSkinGauge gauge(&host);
  gauge.SetBounds(0, 0, 400, 33);
  gauge.SetDefaultHeight(20);
  EXPECT_EQ(gauge.Height(), 20);
  TbsSkinCustomControl plain(&host);
  plain.SetBounds(0, 0, 10, 10);
  const Bitmap b = plain.RenderImage();
  EXPECT_EQ(At(b, 5, 5), Px(kSysBtnFace));
}

TEST(SkinControlBase, FixedImageGivesTheControlTheSkinRectanglesSize) {
  HandMadeSkin skin(Solid(64, 64, MakeColor(10, 20, 30)));
  auto& box = skin.Add<TbsDataSkinCustomControl>("box");
  box.skinrect = {4, 4, 34, 16};
  Host host;
  TbsSkinCustomControl control(&host);
  control.SetSkinDataName("box");
  control.SetBounds(0, 0, 200, 90);
  control.SetDefaultHeight(50);
  control.SetSkinData(&skin.data);
  EXPECT_EQ(control.SliceMode(), kSliceFixed);
  EXPECT_EQ(control.Width(), 30);
  EXPECT_EQ(control.Height(), 12);
  control.SetDefaultHeight(77);
  EXPECT_EQ(control.Height(), 12) << "with skin data the default height has no effect";
  EXPECT_EQ(At(control.RenderImage(), 3, 3), Px(MakeColor(10, 20, 30)));
}

TEST(SkinControlBase, UnknownNameOrUnloadedSkinGivesTheDefaultImage) {
  HandMadeSkin skin(Solid(8, 8, MakeColor(10, 20, 30)));
  Host host;
  TbsSkinCustomControl control(&host);
  control.SetBounds(0, 0, 10, 10);
  control.SetSkinDataName("missing");
  control.SetSkinData(&skin.data);
  EXPECT_EQ(control.ControlDataIndex(), -1);
  EXPECT_EQ(At(control.RenderImage(), 1, 1), Px(kSysBtnFace));
}

TEST_F(CarriedSkin, EmptySkinDataAppliesOnlyOnTheChangeMessage) {
  TbsSkinGauge gauge(&host_);
  gauge.SetSkinDataName("statusgauge");
  gauge.SetBounds(0, 0, 400, 40);
  gauge.SetSkinData(data_.get());  // not loaded yet
  EXPECT_EQ(gauge.ControlDataIndex(), -1);
  EXPECT_EQ(gauge.Height(), 40);
  Load();
  EXPECT_NE(gauge.ControlDataIndex(), -1);
  EXPECT_EQ(gauge.Height(), 19) << "a gauge using the skin's size takes the strip's height";
}

// pnCorp in skin 2: glyph at (3, 3), text from x 21 inside 3,1,159,22.
TEST_F(CarriedSkin, StatusPanelGlyphAndText) {
  TbsSkinStatusPanel panel(&host_);
  panel.SetBounds(0, 0, 161, 23);
  panel.SetUseSkinSize(false);
  Bitmap glyph = Solid(16, 16, MakeColor(255, 0, 0));
  glyph.SetPixel(0, 15, ColorToPixel(MakeColor(0, 255, 0)));  // the key colour: transparent
  panel.SetGlyph(glyph);
  panel.SetSkinData(data_.get());
  Load();
  EXPECT_EQ(panel.Width(), 161);
  EXPECT_EQ(panel.Height(), 23);
  const Bitmap bare = panel.RenderImage();
  EXPECT_EQ(At(bare, 3, 3), Px(MakeColor(255, 0, 0)));
  EXPECT_EQ(At(bare, 18, 18), Px(MakeColor(255, 0, 0)));
  EXPECT_NE(At(bare, 2, 3), Px(MakeColor(255, 0, 0)));
  EXPECT_NE(At(bare, 19, 3), Px(MakeColor(255, 0, 0)));

  panel.SetCaption("WWWW");
  const Bitmap text = panel.RenderImage();
  int first = -1, last = -1;
  for (int x = 0; x < text.Width(); ++x)
    for (int y = 0; y < text.Height(); ++y)
      if (text.Pixel(x, y) != bare.Pixel(x, y)) {
        if (first < 0) first = x;
        last = x;
      }
  EXPECT_GE(first, 21);
  EXPECT_LE(first, 23);
  EXPECT_LT(last, 159);

  // A long caption: cut with "..." inside r, or clipped at r's right edge.
  panel.SetCaption(std::string(80, 'W'));
  panel.SetEllipsType(bsetEllips);
  const Bitmap dots = panel.RenderImage();
  panel.SetEllipsType(bsetNoneEllips);
  const Bitmap clipped = panel.RenderImage();
  bool differ = false;
  for (int x = 21; x < 159; ++x)
    for (int y = 0; y < 23; ++y) differ |= dots.Pixel(x, y) != clipped.Pixel(x, y);
  EXPECT_TRUE(differ) << "the ellipsis shows";
  for (int y = 0; y < 23; ++y) EXPECT_EQ(clipped.Pixel(160, y), bare.Pixel(160, y)) << "nothing right of r";
}

TEST_F(CarriedSkin, ResizedStatusPanelKeepsItsHeight) {
  TbsSkinStatusPanel tel(&host_);
  tel.SetUseSkinSize(false);
  tel.SetBounds(161, 0, 473, 23);
  tel.SetSkinData(data_.get());
  Load();
  EXPECT_EQ(tel.Geometry().New.ClRect, (Rect{3, 1, 471, 18}));
  tel.SetBounds(161, 0, 300, 23);
  EXPECT_EQ(tel.Height(), 23);
  EXPECT_EQ(tel.Geometry().New.ClRect, (Rect{3, 1, 298, 18}));
}

// Which font and colour the text takes, by the label's switches.
TEST_F(CarriedSkin, LabelFontRules) {
  TbsSkinStatusPanel panel(&host_);
  panel.SetUseSkinSize(false);
  panel.SetBounds(0, 0, 161, 23);
  platform::ui::FontSpec own;
  own.face = "Arial";
  own.height = 17;
  own.color = MakeColor(1, 2, 3);
  panel.SetDefaultFont(own);
  EXPECT_EQ(panel.TextFont().face, "Arial") << "no skin data: the default font";
  panel.SetSkinData(data_.get());
  Load();
  const auto* entry = dynamic_cast<const TbsDataSkinLabelControl*>(ControlDataAt(data_.get(), panel.ControlDataIndex()));
  ASSERT_NE(entry, nullptr);
  auto f = panel.TextFont();
  EXPECT_EQ(f.face, entry->fontname);
  EXPECT_EQ(f.height, entry->fontheight);
  EXPECT_EQ(f.color, entry->fontcolor);
  panel.SetUseSkinFont(false);
  f = panel.TextFont();
  EXPECT_EQ(f.face, "Arial");
  EXPECT_EQ(f.height, 17);
  EXPECT_EQ(f.color, entry->fontcolor) << "the skin's colour with the default font";
  panel.SetUseSkinFontColor(false);
  EXPECT_EQ(panel.TextFont().color, MakeColor(1, 2, 3));
}

TEST(Label, AutoSizeGrowsByTheTextsOverflow) {
  Host host;
  platform::ui::FontSpec font;
  font.face = "Tahoma";
  font.height = 13;
  // The text's width in that font, measured here the same way.
  const auto screen = platform::ui::WindowDc::Client(nullptr);
  const platform::ui::UniqueMemoryDc dc = platform::ui::CompatibleDc(screen.get());
  const platform::ui::UniqueFont handle = platform::ui::CreateFontFrom(font);
  RECT r{0, 0, 0, 0};
  {
    const platform::ui::ScopedSelect select(dc.get(), handle.get());
    ::DrawTextW(dc.get(), L"Halvex Auto Update", -1, &r, DT_CALCRECT);
  }
  const int textWidth = r.right;
  ASSERT_GT(textWidth, 0);

  TbsSkinLabel label(&host);
  label.SetDefaultFont(font);
  label.SetCaption("Halvex Auto Update");
  label.SetAutoSize(true);
  EXPECT_EQ(label.Width(), textWidth + 4);

  TbsSkinStatusPanel panel(&host);
  panel.SetDefaultFont(font);
  panel.SetGlyph(Bitmap(16, 16));
  panel.SetCaption("Halvex Auto Update");
  panel.SetAutoSize(true);
  EXPECT_EQ(panel.Width(), textWidth + 4 + 16 + 3) << "the glyph and its gap count too";

  TbsSkinLabel filling(&host);
  filling.SetAlign(platform::ui::Align::Client);
  const int before = filling.Width();
  filling.SetDefaultFont(font);
  filling.SetCaption("Halvex Auto Update");
  filling.SetAutoSize(true);
  EXPECT_EQ(filling.Width(), before) << "a label that fills its parent keeps its width";
}

TEST(StatusPanel, DisabledShowsTheSecondGlyphCellAndNoSkinFramesIt) {
  Host host;
  TbsSkinStatusPanel panel(&host);
  panel.SetBounds(0, 0, 161, 23);
  Bitmap strip(32, 16);
  FillPixels(strip, {0, 0, 16, 16}, MakeColor(255, 0, 0));
  FillPixels(strip, {16, 0, 32, 16}, MakeColor(0, 0, 255));
  strip.SetPixel(0, 15, 0);
  strip.SetPixel(16, 15, 0);
  panel.SetGlyph(strip);
  panel.SetNumGlyphs(2);
  EXPECT_EQ(At(panel.RenderImage(), 5, 5), Px(MakeColor(255, 0, 0)));
  panel.SetEnabled(false);
  const Bitmap disabled = panel.RenderImage();
  EXPECT_EQ(At(disabled, 5, 5), Px(MakeColor(0, 0, 255)));
  EXPECT_EQ(At(disabled, 0, 0), Px(kSysBtnShadow)) << "bvFrame without skin";
  EXPECT_EQ(At(disabled, 160, 22), Px(kSysBtnShadow));
}

// The leading picture from an image list: drawn where a glyph would be when the glyph is empty
// and the index addresses an image; the text moves past it.
TEST_F(CarriedSkin, StatusPanelTakesItsLeadingPictureFromTheImageList) {
  TbsPngImageList images;
  images.Add("PngImage0", testing::EncodePng(Solid(16, 16, MakeColor(255, 0, 0))));

  TbsSkinStatusPanel panel(&host_);
  panel.SetBounds(0, 0, 161, 23);
  panel.SetUseSkinSize(false);
  panel.SetSkinData(data_.get());
  Load();
  const Bitmap bare = panel.RenderImage();
  panel.SetImageList(&images);
  panel.SetImageIndex(0);
  const Bitmap pictured = panel.RenderImage();
  EXPECT_EQ(At(pictured, 3, 4), 0xFF0000u);
  EXPECT_EQ(At(pictured, 18, 18), 0xFF0000u);
  EXPECT_EQ(At(pictured, 3, 3), 0xFF0000u);
  EXPECT_EQ(At(pictured, 2, 3), At(bare, 2, 3));
  EXPECT_NE(At(pictured, 19, 10), 0xFF0000u);

  // The text starts past the picture and its gap, as with a glyph.
  auto firstTextColumn = [&](const Bitmap& with, const Bitmap& without) {
    for (int x = 0; x < with.Width(); ++x)
      for (int y = 0; y < with.Height(); ++y)
        if (with.Pixel(x, y) != without.Pixel(x, y)) return x;
    return -1;
  };
  panel.SetCaption("WWWW");
  const int textAt = firstTextColumn(panel.RenderImage(), pictured);
  EXPECT_GE(textAt, 21);
  EXPECT_LE(textAt, 23);

  // An index that addresses nothing: no picture, the text at r's left.
  panel.SetImageIndex(1);
  const Bitmap none = panel.RenderImage();
  EXPECT_NE(At(none, 5, 5), 0xFF0000u);
  panel.SetCaption("");
  const int plainAt = firstTextColumn(none, panel.RenderImage());
  EXPECT_GE(plainAt, 3);
  EXPECT_LE(plainAt, 5);

  // A glyph takes precedence over the image list.
  panel.SetImageIndex(0);
  Bitmap blue = Solid(16, 16, MakeColor(0, 0, 255));
  blue.SetPixel(0, 15, ColorToPixel(MakeColor(0, 255, 0)));  // the glyph's key colour
  panel.SetGlyph(blue);
  EXPECT_EQ(At(panel.RenderImage(), 5, 5), Px(MakeColor(0, 0, 255)));
}

TEST(StatusPanel, ImageListPictureWithoutSkinIsCentredInTheTextRectangle) {
  Host host;
  TbsPngImageList images;
  images.Add("PngImage0", testing::EncodePng(Solid(16, 10, MakeColor(255, 0, 0))));
  TbsSkinStatusPanel panel(&host);
  panel.SetBounds(0, 0, 161, 40);
  panel.SetImageList(&images);
  panel.SetImageIndex(0);
  const Bitmap b = panel.RenderImage();
  // r = 3,3,158,37: top 3 + 17 - 5 = 15.
  EXPECT_NE(At(b, 5, 14), 0xFF0000u);
  EXPECT_EQ(At(b, 5, 15), 0xFF0000u);
  EXPECT_EQ(At(b, 5, 24), 0xFF0000u);
  EXPECT_NE(At(b, 5, 25), 0xFF0000u);
}

// The reflection effect mirrors the text below itself, fading, without touching the text.
TEST(Label, ReflectionMirrorsTheTextBelowIt) {
  Host host;
  TbsSkinLabel label(&host);
  label.SetBounds(0, 0, 120, 60);
  label.SetBorderStyle(bvNone);
  platform::ui::FontSpec font = label.DefaultFont();
  font.color = RGB(0, 0, 0);
  label.SetDefaultFont(font);
  label.SetCaption("WWWW");
  const Bitmap plain = label.RenderImage();
  label.ReflectionEffect = true;
  label.ReflectionOffset = 0;
  const Bitmap reflected = label.RenderImage();
  int textBottom = -1;
  const uint32_t face = At(plain, 0, 0);
  for (int y = 0; y < 60; ++y)
    for (int x = 0; x < 120; ++x)
      if (At(plain, x, y) != face) textBottom = y;
  ASSERT_GT(textBottom, 0);
  int mirrored = 0;
  for (int y = 0; y < 60; ++y)
    for (int x = 0; x < 120; ++x) {
      if (y <= textBottom) {
        EXPECT_EQ(reflected.Pixel(x, y), plain.Pixel(x, y)) << "the text itself at " << x << "," << y;
      } else if (At(reflected, x, y) != face) {
        ++mirrored;
        // Faded: never as dark as the text.
        EXPECT_GT(At(reflected, x, y) & 0xFF, 0x20u) << x << "," << y;
      }
    }
  EXPECT_GT(mirrored, 10);
}

TEST(SkinPanel, WithoutSkinAndBorderIsAFlatStrip) {
  Host host;
  TbsSkinPanel panel(&host);
  panel.SetBorderStyle(bvNone);
  panel.SetBounds(0, 0, 634, 23);
  const Bitmap b = panel.RenderImage();
  for (Point p : {Point{0, 0}, Point{633, 22}, Point{300, 11}}) EXPECT_EQ(At(b, p.X, p.Y), Px(kSysBtnFace));
  EXPECT_EQ(panel.PanelClientRect(), (Rect{0, 0, 634, 23}));
  panel.SetBorderStyle(bvLowered);
  EXPECT_EQ(At(panel.RenderImage(), 0, 0), Px(kSysBtnShadow));
  EXPECT_EQ(panel.PanelClientRect(), (Rect{1, 1, 633, 22}));
}

TEST_F(CarriedSkin, PanelStripIsCoveredWithTheSkinsContentTiles) {
  TbsSkinPanel panel(&host_);
  panel.SetBorderStyle(bvNone);
  panel.SetRibbonStyle(true);
  panel.SetBounds(0, 339, 634, 23);
  panel.SetSkinData(data_.get());
  Load();
  EXPECT_EQ(panel.SliceMode(), kSliceNine);
  EXPECT_EQ(panel.PanelClientRect(), (Rect{0, 0, 634, 23}));
  const ControlSkinGeometry& g = panel.Geometry();
  const Bitmap b = panel.RenderImage();
  const int cw = g.Skin.ClRect.Width();
  for (int x : {0, 1, cw, 2 * cw + 5})
    EXPECT_EQ(b.Pixel(x, 4), g.SkinPicture->Pixel(g.SkinRect.Left + g.Skin.ClRect.Left + x % cw,
                                                   g.SkinRect.Top + g.Skin.ClRect.Top + 4));
}

// pgMeter in skin 2 (400 x 20, keeps its size): the fill widths the design quotes.
TEST_F(CarriedSkin, GaugeFillsTheQuotedWidths) {
  TbsSkinGauge gauge(&host_);
  gauge.SetSkinDataName("statusgauge");
  gauge.SetUseSkinSize(false);
  gauge.SetUseSkinFont(false);
  gauge.SetBounds(208, 275, 400, 20);
  gauge.SetSkinData(data_.get());
  Load();
  EXPECT_EQ(gauge.Width(), 400);
  EXPECT_EQ(gauge.Height(), 20);
  gauge.SetValue(0);
  const Bitmap empty = gauge.RenderImage();
  for (auto [value, width] : {std::pair{0, 0}, {1, 4}, {50, 200}, {99, 396}, {100, 400}}) {
    gauge.SetValue(value);
    const Bitmap b = gauge.RenderImage();
    EXPECT_EQ(gauge.FillRect().Width(), width) << value;
    EXPECT_EQ(b.Width(), 400);
    EXPECT_EQ(b.Height(), 20);
    if (width >= 6) EXPECT_NE(b.Pixel(width / 2 < 60 ? width / 2 : 40, 10), empty.Pixel(40, 10)) << value;
    if (width <= 396) EXPECT_EQ(b.Pixel(398, 10), empty.Pixel(398, 10)) << value;
  }
}

TEST(Gauge, ValueRangeAndText) {
  Host host;
  TbsSkinGauge gauge(&host);
  EXPECT_EQ(gauge.Value(), 50);
  gauge.SetValue(150);
  EXPECT_EQ(gauge.Value(), 100);
  gauge.SetValue(-5);
  EXPECT_EQ(gauge.Value(), 0);
  gauge.SetMinValue(10);
  EXPECT_EQ(gauge.Value(), 10) << "a minimum above the value raises it";
  gauge.SetMinValue(0);
  gauge.SetMaxValue(3);
  gauge.SetValue(2);
  gauge.SetShowPercent(true);
  EXPECT_EQ(gauge.CurrentText(), "66%");
  gauge.SetShowProgressText(true);
  gauge.SetProgressText("잠시만 기다려주세요..  - ");
  EXPECT_EQ(gauge.CurrentText(), "잠시만 기다려주세요..  - 66%");
  gauge.SetShowPercent(false);
  gauge.SetProgressText("");
  EXPECT_EQ(gauge.CurrentText(), "");
  gauge.SetProgressAnimationPause(-1);
  EXPECT_EQ(gauge.ProgressAnimationPause(), 3000);
}

TEST(Gauge, PlainDrawingHorizontalAndVertical) {
  Host host;
  TbsSkinGauge gauge(&host);
  gauge.SetBounds(0, 0, 400, 20);
  gauge.SetValue(50);
  Bitmap b = gauge.RenderImage();
  EXPECT_EQ(gauge.FillRect(), (Rect{1, 1, 200, 19}));
  EXPECT_EQ(At(b, 0, 0), Px(kSysBtnShadow));
  EXPECT_EQ(At(b, 5, 2), Px(13811126));
  EXPECT_EQ(At(b, 395, 2), Px(kSysWindow));

  gauge.SetVertical(true);
  gauge.SetBounds(0, 0, 20, 102);
  b = gauge.RenderImage();
  EXPECT_EQ(gauge.FillRect(), (Rect{1, 51, 19, 101}));
  EXPECT_EQ(At(b, 2, 95), Px(13811126));
  EXPECT_EQ(At(b, 2, 5), Px(kSysWindow));

  bool called = false;
  gauge.OnGaugePaint = [&](Bitmap&, const Rect& area, const Rect& fill) {
    called = true;
    EXPECT_EQ(area, (Rect{0, 0, 20, 102}));
    EXPECT_EQ(fill.Height(), 50);
  };
  b = gauge.RenderImage();
  EXPECT_TRUE(called);
  EXPECT_EQ(At(b, 2, 95), Px(kSysWindow)) << "the handler draws the bar instead";
}

TEST(Gauge, VerticalSkinBarGrowsFromTheBottom) {
  // Picture: a 10 x 40 background in grey, a 10 x 40 bar in blue with 2-row caps in red.
  Bitmap pic = Solid(20, 40, MakeColor(128, 128, 128));
  FillPixels(pic, {10, 0, 20, 40}, MakeColor(0, 0, 255));
  FillPixels(pic, {10, 0, 20, 2}, MakeColor(255, 0, 0));
  FillPixels(pic, {10, 38, 20, 40}, MakeColor(255, 0, 0));
  HandMadeSkin skin(pic);
  auto& v = skin.Add<TbsDataSkinGaugeControl>("vgauge");
  v.skinrect = {0, 0, 10, 40};
  v.lefttoppoint = {5, 5};
  v.leftbottompoint = {5, 35};
  v.clientrect = {0, 0, 10, 40};
  v.progressarea = {0, 0, 10, 40};
  v.progressrect = {10, 0, 20, 40};
  v.beginoffset = 2;
  v.endoffset = 2;
  v.vertical = true;
  Host host;
  TbsSkinGauge gauge(&host);
  gauge.SetSkinDataName("vgauge");
  gauge.SetBounds(0, 0, 30, 100);
  gauge.SetValue(25);
  gauge.SetSkinData(&skin.data);
  EXPECT_TRUE(gauge.Vertical()) << "the skin's flag";
  EXPECT_EQ(gauge.Width(), 10) << "a vertical strip keeps the skin's width";
  const Bitmap b = gauge.RenderImage();
  EXPECT_EQ(gauge.FillRect(), (Rect{0, 75, 10, 100}));
  EXPECT_EQ(At(b, 5, 50), Px(MakeColor(128, 128, 128)));
  EXPECT_EQ(At(b, 5, 75), Px(MakeColor(255, 0, 0)));
  EXPECT_EQ(At(b, 5, 85), Px(MakeColor(0, 0, 255)));
  EXPECT_EQ(At(b, 5, 99), Px(MakeColor(255, 0, 0)));
}

TEST(Gauge, ProgressAnimationRunsFramesThenPauses) {
  HandMadeSkin skin(Solid(100, 40, MakeColor(1, 2, 3)));
  auto& g = skin.Add<TbsDataSkinGaugeControl>("gauge");
  g.skinrect = {0, 0, 40, 10};
  g.progressarea = {0, 0, 40, 10};
  g.progressrect = {0, 10, 40, 20};
  HandMadeSkin plain(Solid(100, 40, MakeColor(1, 2, 3)));
  Host host;
  TbsSkinGauge gauge(&host);
  gauge.SetSkinData(&skin.data);
  gauge.StartProgressAnimation();
  EXPECT_FALSE(gauge.AnimationRunning()) << "no strip, no animation";
  g.progressanimationskinrect = {0, 20, 100, 30};
  g.progressanimationcountframes = 2;
  g.progressanimationtimerinterval = 30;
  gauge.StartProgressAnimation();
  ASSERT_TRUE(gauge.AnimationRunning());
  EXPECT_EQ(gauge.AnimationFrame(), 0);
  gauge.AnimationFrameTick();
  gauge.AnimationFrameTick();
  EXPECT_EQ(gauge.AnimationFrame(), 2);
  gauge.AnimationFrameTick();
  EXPECT_EQ(gauge.AnimationFrame(), 0) << "past the last frame the run ends";
  gauge.AnimationPauseTick();
  gauge.AnimationFrameTick();
  EXPECT_EQ(gauge.AnimationFrame(), 1);
  gauge.ApplySkinData();
  EXPECT_TRUE(gauge.AnimationRunning()) << "re-applying the skin restarts a running animation";
  gauge.StopProgressAnimation();
  EXPECT_FALSE(gauge.AnimationRunning());
}

// A skin switch while the window is shown: every control follows, none changes its size, and an
// index outside the list keeps the current skin.
TEST_F(CarriedSkin, SkinSwitchWhileShown) {
  TbsSkinPanel strip(&host_);
  strip.SetBorderStyle(bvNone);
  strip.SetBounds(0, 339, 634, 23);
  strip.SetAlign(platform::ui::Align::Bottom);
  TbsSkinStatusPanel corp(&strip);
  corp.SetUseSkinSize(false);
  corp.SetBounds(0, 0, 161, 23);
  corp.SetAlign(platform::ui::Align::Left);
  TbsSkinStatusPanel tel(&strip);
  tel.SetUseSkinSize(false);
  tel.SetAlign(platform::ui::Align::Client);
  TbsSkinGauge gauge(&host_);
  gauge.SetSkinDataName("statusgauge");
  gauge.SetUseSkinSize(false);
  gauge.SetBounds(208, 275, 400, 20);
  for (TbsSkinControl* c : std::initializer_list<TbsSkinControl*>{&strip, &corp, &tel, &gauge})
    c->SetSkinData(data_.get());
  Load();
  host_.Show();
  platform::PumpMessages();
  const Bitmap before = gauge.RenderImage();
  data_->SetSkinIndex(5);
  ASSERT_EQ(data_->SkinIndex(), 5);
  platform::PumpMessages();
  for (TbsSkinControl* c : std::initializer_list<TbsSkinControl*>{&strip, &corp, &tel, &gauge})
    EXPECT_NE(c->ControlDataIndex(), -1) << c->Name();
  EXPECT_EQ(strip.Height(), 23);
  EXPECT_EQ(corp.Width(), 161);
  EXPECT_EQ(tel.Width(), 473);
  EXPECT_EQ(tel.Height(), 23);
  EXPECT_EQ(gauge.Width(), 400);
  EXPECT_EQ(gauge.Height(), 20);
  const Bitmap after = gauge.RenderImage();
  bool changed = false;
  for (int x = 0; x < 400 && !changed; ++x) changed = before.Pixel(x, 10) != after.Pixel(x, 10);
  EXPECT_TRUE(changed) << "the gauge shows the new skin";
  data_->SetSkinIndex(12);
  EXPECT_EQ(data_->SkinIndex(), 5);
  host_.Close();
  platform::PumpMessages();
}

}  // namespace
}  // namespace skin
