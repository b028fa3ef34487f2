// The skinned hint window's rules that need no window: its text, its size for a measured text
// and a [HINTWINDOW] picture, its place on screen, and how far below the cursor it drops.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "skin/nine_slice.h"

namespace skin {

// Every occurrence of the separator becomes line feed + carriage return (in that order).
std::string ExpandHintLines(std::string_view text, std::string_view separator);

// The [HINTWINDOW] cut of the hint picture (Pw x Ph).
struct HintSkin {
  int Pw = 0, Ph = 0;
  Point LT, RT, LB, RB;
  Rect ClRect;
};

struct HintLayout {
  int W = 0, H = 0;
  SliceGeometry New;  // corner points and client rectangle for W x H
};

// The window size for a text measured as tw x th: a plain tooltip without a skin, else the
// picture around the text, grown so that the right corners never pass the left ones.
HintLayout PlainHintLayout(Size text);
HintLayout SkinnedHintLayout(Size text, const HintSkin& skin);

// A hint with a title or an image: the image at the left, the title (drawn in bold) above the
// text, both beside the image. Rectangles are relative to the content's top-left; the content
// size takes the place of the measured text in the window size rules above. An empty part
// (zero width or height) takes no room and leaves no gap.
inline constexpr int kHintImageGap = 4;  // between the image and the texts
inline constexpr int kHintTitleGap = 2;  // between the title and the text
struct HintTitleLayout {
  Size Content;
  Rect Image, Title, Text;
};
HintTitleLayout TitledHintContent(Size image, Size title, Size text);

// The hint rectangle of size w x h at `at`, moved left by w + 2 when it passes the area's right
// edge and up by h + 2 when it passes the bottom.
Rect PlaceHint(Point at, int w, int h, const Rect& area);

// How far below the cursor's hot spot its visible part ends, from the cursor's mask bitmap read
// bottom-up at 1 bit a pixel (`width` x `height`, AND half above the XOR half when height is
// twice the width). nullopt-like: returns `fallback` when the bytes are too few for the layout.
int CursorDropFromMask(std::span<const uint8_t> bits, int width, int height, int hotSpotY, int fallback);

}  // namespace skin
