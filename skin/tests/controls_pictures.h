// Small pictures written as text for the control tests: one character a pixel (opaque, the
// character code in the low byte); '.' is a zero pixel and '?' any other colour.
#pragma once

#include <string>
#include <vector>

#include "skin/bitmap.h"

namespace skin::controls_testing {

inline Bitmap FromText(const std::vector<std::string>& rows) {
  Bitmap b(rows.empty() ? 0 : static_cast<int>(rows[0].size()), static_cast<int>(rows.size()));
  for (int y = 0; y < b.Height(); ++y)
    for (int x = 0; x < b.Width(); ++x) {
      const char c = rows[static_cast<size_t>(y)][static_cast<size_t>(x)];
      b.SetPixel(x, y, c == '.' ? 0u : 0xFF000000u | static_cast<unsigned char>(c));
    }
  return b;
}

inline std::vector<std::string> ToText(const Bitmap& b) {
  std::vector<std::string> rows;
  for (int y = 0; y < b.Height(); ++y) {
    std::string row;
    for (int x = 0; x < b.Width(); ++x) {
      const uint32_t p = b.Pixel(x, y);
      row += p == 0 ? '.' : (p >> 8) == 0xFF0000u ? static_cast<char>(p & 0xFF) : '?';
    }
    rows.push_back(row);
  }
  return rows;
}

}  // namespace skin::controls_testing
