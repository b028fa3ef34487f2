#include "skin/skin_info.h"

#include <map>

#include "platform/format.h"
#include "skin/bmp_file.h"
#include "skin/ini_file.h"
#include "skin/ini_values.h"
#include "skin/skin_schema.h"

namespace skin {
namespace {

std::string DescribePicture(const std::vector<uint8_t>& bmp) {
  if (bmp.empty()) return "empty";
  try {
    const BmpParts p = ParseBmp(bmp);
    return platform::Format("%d x %d, %d bpp, %d bytes", p.width, p.AbsHeight(), p.bit_count, static_cast<int>(bmp.size()));
  } catch (const std::exception& e) {
    return platform::Format("invalid (%s), %d bytes", e.what(), static_cast<int>(bmp.size()));
  }
}

}  // namespace

std::string DescribePackage(const TbsCompressedStoredSkin& stored) {
  std::string out;
  if (stored.IsEmpty()) return "package: empty (no bytes, or package version above 3)\n";
  out += platform::Format("package: version 3, %d compressed bytes\n", static_cast<int>(stored.CompressedBytes().size()));
  platform::MemoryStream plain;
  stored.DecompressTo(plain);
  plain.SetPosition(0);
  const SkinContainer c = ReadSkinContainer(plain);
  out += platform::Format("container: version %d, %d bytes\n", c.version, static_cast<int>(plain.Size()));
  if (c.version > kSkinPackageVersion) return out;
  out += "picture: " + DescribePicture(c.picture) + "\n";
  out += "inactivepicture: " + DescribePicture(c.inactive_picture) + "\n";
  out += "mask: " + DescribePicture(c.mask_picture) + "\n";
  out += platform::Format("active pictures: %d\n", static_cast<int>(c.active_pictures.size()));
  for (size_t i = 0; i < c.active_pictures.size(); ++i)
    out += platform::Format("  %d: %s\n", static_cast<int>(i), DescribePicture(c.active_pictures[i]).c_str());
  out += platform::Format("ini text: %d bytes\n", static_cast<int>(c.ini_text.size()));

  const IniFile ini(c.ini_text);
  // Class words by section name, from the two lists.
  std::map<std::string, std::string> classes;
  for (const char* list : {"SKINOBJECTS", "SKINCONTROLS"}) {
    for (const auto& [id, word] : ReadListedSections(ini, list))
      classes[UpperAscii(id)] = std::string(list == std::string("SKINOBJECTS") ? "object " : "control ") + word;
  }
  out += "sections:\n";
  for (const IniFile::Section& s : ini.Sections()) {
    const auto it = classes.find(UpperAscii(s.name));
    out += platform::Format("  [%s] %d keys%s%s\n", s.name.c_str(), static_cast<int>(s.entries.size()),
                            it == classes.end() ? "" : ": ", it == classes.end() ? "" : it->second.c_str());
  }
  const std::vector<std::string> bad = FindUnparsableKeys(ini);
  out += platform::Format("keys that fail to parse: %d\n", static_cast<int>(bad.size()));
  for (const std::string& b : bad) out += "  " + b + "\n";
  return out;
}

}  // namespace skin
