#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>
#include <stdexcept>

#include "platform/exceptions.h"
#include "skin/alpha_bitmap.h"

namespace skin {

namespace {

inline int Channel(uint32_t px, int shift) { return static_cast<int>((px >> shift) & 0xFF); }

}  // namespace

uint32_t BlendPixel(uint32_t s, uint32_t d) {
  const uint32_t a = s >> 24;
  if (a == 0) return d;
  if (a == 255) return s;
  uint32_t out = 0xFF000000u;
  for (int shift = 0; shift <= 16; shift += 8) {
    const uint32_t v = (Channel(s, shift) * a + Channel(d, shift) * (255 - a)) >> 8;
    out |= v << shift;
  }
  return out;
}

void TbsBitmap::SetSize(int w, int h) {
  w = std::abs(w);
  h = std::abs(h);
  if (w == 0 || h == 0 || (w == Width() && h == Height())) return;
  try {
    surface_.SetSize(w, h);
  } catch (const platform::EOutOfMemory&) {
    surface_ = Bitmap();
    throw platform::Exception("Can't allocate the DIB handle");
  } catch (const std::bad_alloc&) {
    surface_ = Bitmap();
    throw platform::Exception("Can't allocate the DIB handle");
  }
}

uint32_t* TbsBitmap::PixelAt(int x, int y) {
  if (x < 0 || y < 0 || x >= Width() || y >= Height()) return nullptr;
  return surface_.Row(y) + x;
}

const uint32_t* TbsBitmap::PixelAt(int x, int y) const {
  if (x < 0 || y < 0 || x >= Width() || y >= Height()) return nullptr;
  return surface_.Row(y) + x;
}

void TbsBitmap::SetPixel(int x, int y, uint32_t value) {
  if (uint32_t* p = PixelAt(x, y)) *p = value;
}

void TbsBitmap::FillRect(const Rect& rect, uint32_t value) {
  const Rect r = IntersectRects(rect, {0, 0, Width(), Height()});
  for (int y = r.Top; y < r.Bottom; ++y) {
    uint32_t* row = surface_.Row(y);
    for (int x = r.Left; x < r.Right; ++x) row[x] = AlphaBlend ? BlendPixel(value, row[x]) : value;
  }
}

namespace {

template <typename F>
void ForEachPixel(Bitmap& b, F f) {
  uint32_t* p = b.Pixels();
  const size_t n = b.Empty() ? 0 : static_cast<size_t>(b.Width()) * static_cast<size_t>(b.Height());
  for (size_t i = 0; i < n; ++i) f(p[i]);
}

}  // namespace

void TbsBitmap::SetAlpha(uint8_t a) {
  ForEachPixel(surface_, [a](uint32_t& px) { px = (px & 0x00FFFFFFu) | static_cast<uint32_t>(a) << 24; });
}

void TbsBitmap::DetectAlpha() {
  bool partial = false;
  ForEachPixel(surface_, [&partial](uint32_t& px) {
    const uint32_t a = px >> 24;
    if (a != 0 && a != 255) partial = true;
  });
  AlphaBlend = partial;
}

void TbsBitmap::MarkKeyColour(Color colour) {
  const int r = RedOf(colour), g = GreenOf(colour), b = BlueOf(colour);
  bool changed = false;
  ForEachPixel(surface_, [&](uint32_t& px) {
    if (std::abs(Channel(px, 16) - r) < 6 && std::abs(Channel(px, 8) - g) < 6 && std::abs(Channel(px, 0) - b) < 6) {
      px = kKeyPixel;
      changed = true;
    }
  });
  if (changed) Transparent = true;
}

void TbsBitmap::Premultiply() {
  ForEachPixel(surface_, [](uint32_t& px) {
    const uint32_t a = px >> 24;
    uint32_t out = px & 0xFF000000u;
    // round(a * c / 255): a * c / 255 is never exactly a half, so adding half the divisor is exact.
    for (int shift = 0; shift <= 16; shift += 8) out |= ((a * Channel(px, shift) * 2 + 255) / 510) << shift;
    px = out;
  });
}

void TbsBitmap::ClampToAlpha() {
  ForEachPixel(surface_, [](uint32_t& px) {
    const uint32_t a = px >> 24;
    uint32_t out = px & 0xFF000000u;
    for (int shift = 0; shift <= 16; shift += 8) out |= std::min<uint32_t>(Channel(px, shift), a) << shift;
    px = out;
  });
}

void TbsBitmap::Assign(const TbsBitmap& other) {
  if (&other == this) return;
  surface_ = other.surface_;
  Name = other.Name;
  Transparent = other.Transparent;
  AlphaBlend = other.AlphaBlend;
}

void TbsBitmap::Assign(const Bitmap& picture) {
  surface_ = picture;
  DetectAlpha();
}

void TbsBitmap::AssignOpaque(const Bitmap& picture) {
  surface_ = picture;
  SetAlpha(255);
}

void TbsBitmap::DrawTo(Bitmap& dest, int left, int top) const {
  const Rect visible = IntersectRects({left, top, left + Width(), top + Height()}, {0, 0, dest.Width(), dest.Height()});
  for (int y = visible.Top; y < visible.Bottom; ++y) {
    const uint32_t* in = surface_.Row(y - top) - left;
    uint32_t* out = dest.Row(y);
    for (int x = visible.Left; x < visible.Right; ++x) {
      if (AlphaBlend)
        out[x] = BlendPixel(in[x], out[x]);
      else if (Transparent) {
        if ((in[x] & 0x00FFFFFFu) != kKeyPixel) out[x] = in[x] | 0xFF000000u;
      } else
        out[x] = in[x];
    }
  }
}

void RedStampToGlow(TbsBitmap& bitmap, Color glow) {
  const uint32_t colour = ColorToPixel(glow, 0);
  for (int y = 0; y < bitmap.Height(); ++y) {
    uint32_t* row = bitmap.Row(y);
    for (int x = 0; x < bitmap.Width(); ++x) row[x] = colour | (row[x] & 0x00FF0000u) << 8;
  }
  bitmap.AlphaBlend = true;
}

}  // namespace skin
