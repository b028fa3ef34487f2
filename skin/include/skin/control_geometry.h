// The portable half of the skinned controls: how a control takes its geometry from a skin data
// entry, how that geometry is recomposed for another size, where text and glyphs go, and the
// plain drawing used when there is no skin. The Win32 controls only feed these functions.
#pragma once

#include <string>
#include <string_view>

#include "skin/bitmap.h"
#include "skin/nine_slice.h"
#include "skin/geometry.h"
#include "skin/ini_values.h"

namespace skin {

class TbsSkinData;
class TbsDataSkinControl;

// How a control's skin rectangle is cut (see ControlSliceMode).
enum SliceModeKind {
  kSliceNone = -1,      // empty skin rectangle: nothing to draw
  kSliceFixed = 0,      // the skin rectangle as it is
  kSliceNine = 1,       // corners, edges and centre: any size
  kSliceHorizontal = 2, // left cap, middle, right cap: fixed height
  kSliceVertical = 3,   // top cap, middle, bottom cap: fixed width
};

// The geometry a skinned control copies from its data entry, and the cut recomputed for the
// control's current size (New).
struct ControlSkinGeometry {
  const Bitmap* SkinPicture = nullptr;  // shared with the skin data, never owned
  const Bitmap* SkinMask = nullptr;
  Rect SkinRect;
  SliceGeometry Skin;  // lefttoppoint ... rightbottompoint, clientrect
  SliceGeometry New;
  EdgeStretch Stretch;
  bool StretchEffect = false;
  int StretchType = kStretchFull;
  int SliceMode = kSliceFixed;
};

// The first rule that holds: empty skin rectangle -1; right-bottom point fully set 1; right-top
// point touched 2; left-bottom point touched 3; otherwise 0.
int ControlSliceMode(const Rect& skinRect, const SliceGeometry& g);

// A skin rectangle without a picture is cut to this width and height.
inline constexpr int kMaxSkinRectExtent = 4096;
// Skin coordinates are kept within +-kMaxSkinCoordinate, so that adding a control's size to
// them never overflows.
inline constexpr int kMaxSkinCoordinate = 1 << 20;
Point ClampSkinPoint(const Point& p);
Rect ClampSkinRect(const Rect& r);

// Finds `name` among the skin's controls: -1 when there is no skin data, it is empty or has no
// such control. The geometry is filled from the entry; an entry that carries no geometry (not a
// custom control) gives slice mode 0 and no pictures. The skin rectangle is cut to the picture.
int ResolveControlGeometry(const TbsSkinData* data, std::string_view name, ControlSkinGeometry& g);
// The entry at `index` (from ResolveControlGeometry), or nullptr.
const TbsDataSkinControl* ControlDataAt(const TbsSkinData* data, int index);

// Recomputes g.New for a requested size; the size may change (strips keep their fixed side,
// a fixed image keeps the skin rectangle's size). Slice mode -1 changes nothing.
void CalcSkinSize(ControlSkinGeometry& g, int& w, int& h);
// A label keeps its own size unless it uses the skin's size (or the skin is a nine-slice): only
// the right-top point and the client rectangle follow the width.
void CalcLabelSkinSize(ControlSkinGeometry& g, bool useSkinSize, int& w, int& h);

// The control's picture for a w x h control, by slice mode; dest takes the composition's size
// (the skin rectangle for mode 0, w x skin height for mode 2, skin width x h for mode 3). Nothing
// is drawn without a picture or with slice mode -1.
void ComposeControlImage(const ControlSkinGeometry& g, Bitmap& dest, int w, int h);

// ---- text placement

// Top of a text line of textHeight centred in [top, top + height): one pixel higher when the
// font height is odd, because the font's own centring rounds the other way.
int CentredTextTop(int top, int height, int textHeight, int fontHeight);
// Left of a text of textWidth in r by alignment.
int AlignedTextLeft(const Rect& r, int textWidth, TAlignment alignment);

// ---- status panel and label

struct LeadingPicture {
  int Width = 0;   // of one cell
  int Height = 0;
  bool FromImageList = false;  // an image list's picture rather than the glyph
};

struct StatusPanelLayout {
  Rect TextRect;
  bool HasPicture = false;
  Point PictureAt;
};

// With skin data: the text rectangle starts as the new client rectangle; unless the control uses
// the skin's size it reaches down by the height the control has beyond the skin rectangle; a
// leading picture is centred on it and pushes the text right by its width + 2.
StatusPanelLayout LayoutSkinStatusPanel(const Rect& newClRect, int height, int skinRectHeight, bool useSkinSize,
                                        const LeadingPicture& picture);
// Without skin data: the text rectangle is the control inset by 3; a glyph at x 3 centred on
// the whole height, an image list's picture at the text rectangle's left, centred on it.
StatusPanelLayout LayoutDefaultStatusPanel(int width, int height, const LeadingPicture& picture);

// ---- panel

enum TbsSkinBorderStyle { bvFrame = 0, bvRaised = 1, bvLowered = 2, bvNone = 3 };

struct PanelAreaOptions {
  bool EmptyDrawing = false;
  bool HasData = false;
  TbsSkinBorderStyle BorderStyle = bvFrame;
  bool CaptionMode = false;
  bool RibbonStyle = false;
  int CaptionHeight = 22;
  int SliceMode = kSliceFixed;
  Rect NewClRect{};
};
// The area of a w x h panel where its children are aligned.
Rect PanelClientArea(int w, int h, const PanelAreaOptions& o);

// Covers dest with the tile `tile` of picture: repeated, stretched whole (full), stretched to the
// panel's height and repeated across (horizontal) or stretched to its width and repeated down
// (vertical).
void DrawPanelTiles(Bitmap& dest, const Bitmap& picture, const Rect& tile, bool stretchEffect, int stretchType);

// ---- plain drawing (no skin)

void FillPixels(Bitmap& dest, const Rect& r, Color colour);
// One-pixel frame: top and left lines in topLeft, bottom and right lines in bottomRight.
void DrawBevelPixels(Bitmap& dest, const Rect& r, Color topLeft, Color bottomRight);
// The two frame colours (system colours) of a border style; false for bvNone.
bool BorderStyleColours(TbsSkinBorderStyle style, Color& topLeft, Color& bottomRight);

// System colours as 0xFF000000 + n.
inline constexpr Color kSysWindow = 0xFF000005u;
inline constexpr Color kSysWindowText = 0xFF000008u;
inline constexpr Color kSysHighlight = 0xFF00000Du;
inline constexpr Color kSysBtnFace = 0xFF00000Fu;
inline constexpr Color kSysBtnShadow = 0xFF000010u;
inline constexpr Color kSysBtnText = 0xFF000012u;
inline constexpr Color kSysBtnHighlight = 0xFF000014u;
// A system colour as the running system shows it (classic Windows colours off Windows); other
// colours stay.
Color ResolveSystemColour(Color c);

}  // namespace skin
