#include "skin/hint_geometry.h"

#include <algorithm>

namespace skin {

std::string ExpandHintLines(std::string_view text, std::string_view separator) {
  if (separator.empty()) return std::string(text);
  std::string out;
  size_t pos = 0;
  for (;;) {
    const size_t hit = text.find(separator, pos);
    if (hit == std::string_view::npos) break;
    out.append(text.substr(pos, hit - pos));
    out.append("\n\r");
    pos = hit + separator.size();
  }
  out.append(text.substr(pos));
  return out;
}

HintLayout PlainHintLayout(Size text) { return HintLayout{text.Width + 4, text.Height + 4, {}}; }

HintLayout SkinnedHintLayout(Size text, const HintSkin& s) {
  HintLayout l;
  int w = text.Width + s.ClRect.Left + s.Pw - s.ClRect.Right + 5;
  int h = text.Height + s.ClRect.Top + s.Ph - s.ClRect.Bottom;
  int dx = w - s.Pw, dy = h - s.Ph;
  if (s.RT.X + dx < s.LT.X) {
    w += s.LT.X - (s.RT.X + dx);
    dx = w - s.Pw;
  }
  if (s.RB.X + dx < s.LB.X) {
    w += s.LB.X - (s.RB.X + dx);
    dx = w - s.Pw;
  }
  if (s.LB.Y + dy < s.LT.Y) {
    h += s.LT.Y - (s.LB.Y + dy);
    dy = h - s.Ph;
  }
  if (s.RB.Y + dy < s.RT.Y) {
    h += s.RT.Y - (s.RB.Y + dy);
    dy = h - s.Ph;
  }
  l.W = w;
  l.H = h;
  l.New.ClRect = {s.ClRect.Left, s.ClRect.Top, s.ClRect.Right + dx, s.ClRect.Bottom + dy};
  l.New.LT = s.LT;
  l.New.RT = {s.RT.X + dx, s.RT.Y};
  l.New.LB = {s.LB.X, s.LB.Y + dy};
  l.New.RB = {s.RB.X + dx, s.RB.Y + dy};
  return l;
}

HintTitleLayout TitledHintContent(Size image, Size title, Size text) {
  auto none = [](Size s) { return s.Width <= 0 || s.Height <= 0; };
  if (none(image)) image = {0, 0};
  if (none(title)) title = {0, 0};
  if (none(text)) text = {0, 0};
  HintTitleLayout l;
  const int x = image.Width > 0 && (title.Width > 0 || text.Width > 0) ? image.Width + kHintImageGap : image.Width;
  const int textTop = title.Height > 0 && text.Height > 0 ? title.Height + kHintTitleGap : title.Height;
  l.Image = {0, 0, image.Width, image.Height};
  l.Title = {x, 0, x + title.Width, title.Height};
  l.Text = {x, textTop, x + text.Width, textTop + text.Height};
  l.Content = {x + std::max(title.Width, text.Width), std::max(image.Height, textTop + text.Height)};
  return l;
}

Rect PlaceHint(Point at, int w, int h, const Rect& area) {
  Rect r{at.X, at.Y, at.X + w, at.Y + h};
  if (r.Right > area.Right) r = OffsetRect(r, -(w + 2), 0);
  if (r.Bottom > area.Bottom) r = OffsetRect(r, 0, -(h + 2));
  return r;
}

namespace {
// Bytes from the first one that differs from `blank` to the end of the block; 0 when all match.
size_t TailAfterBlank(std::span<const uint8_t> block, uint8_t blank) {
  for (size_t i = 0; i < block.size(); ++i)
    if (block[i] != blank) return block.size() - i;
  return 0;
}
}  // namespace

int CursorDropFromMask(std::span<const uint8_t> bits, int width, int height, int hotSpotY, int fallback) {
  if (width <= 0 || height <= 0) return fallback;
  const size_t stride = (static_cast<size_t>(width) + 31) / 32 * 4;
  const size_t n = stride * static_cast<size_t>(width);
  if (n == 0 || n > bits.size()) return fallback;
  // Bottom-up rows: the last n bytes are the top of the image, the transparency (AND) half.
  size_t k = TailAfterBlank(bits.subspan(bits.size() - n, n), 0xFF);
  if (k == 0 && height >= 2 * width && bits.size() >= 2 * n) {
    // A fully transparent AND half: the shape is in the colour (XOR) half below it.
    k = TailAfterBlank(bits.subspan(bits.size() - 2 * n, n), 0x00);
  }
  // Rows down to the lowest one holding a visible pixel, that row counted even when the pixel
  // is not in its first byte.
  return static_cast<int>((k + stride - 1) / stride) - hotSpotY;
}

}  // namespace skin
