// The skins carried inside the program (library skin_assets), in the order of the main window's
// skin list: the index is what SkinIndex and the description file's SKININDEX select.
#pragma once

#include <cstdint>
#include <span>

#include "skin/skin_package.h"

namespace skin {

struct BuiltinSkin {
  const char* Description;
  const char* CompressedFileName;
  const char* Name;
  // The stored form (version, size, zlib stream); empty when the build had no package for it.
  std::span<const uint8_t> Package;
};

std::span<const BuiltinSkin> BuiltinSkins();
// Replaces the list's items with the carried skins.
void LoadBuiltinSkinList(TbsCompressedSkinList& list);

}  // namespace skin
