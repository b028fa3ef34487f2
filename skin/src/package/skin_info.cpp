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
    return platform::Format("%d x %d, %d bpp, %zu bytes", p.width, p.AbsHeight(), p.bit_count, bmp.size());
  } catch (const std::exception& e) {
    return platform::Format("invalid (%s), %zu bytes", e.what(), bmp.size());
  }
}

}  // namespace

std::string DescribePackage(const TbsCompressedStoredSkin& stored) {
  std::string out;
  if (stored.IsEmpty()) return "package: empty (no bytes, or package version above 3)\n";
  out += platform::Format("package: version 3, %zu compressed bytes\n", stored.CompressedBytes().size());
  platform::MemoryStream plain;
  stored.DecompressTo(plain);
  plain.SetPosition(0);
  const SkinContainer c = ReadSkinContainer(plain);
  out += platform::Format("container: version %d, %lld bytes\n", c.version, static_cast<long long>(plain.Size()));
  if (c.version > kSkinPackageVersion) return out;
  out += "picture: " + DescribePicture(c.picture) + "\n";
  out += "inactivepicture: " + DescribePicture(c.inactive_picture) + "\n";
  out += "mask: " + DescribePicture(c.mask_picture) + "\n";
  out += platform::Format("active pictures: %zu\n", c.active_pictures.size());
  for (size_t i = 0; i < c.active_pictures.size(); ++i)
    out += platform::Format("  %zu: %s\n", i, DescribePicture(c.active_pictures[i]).c_str());
  out += platform::Format("ini text: %zu bytes\n", c.ini_text.size());

  const IniFile ini(c.ini_text);
  // Class words by section name, from the two lists.
  std::map<std::string, std::string> classes;
  for (const char* list : {"SKINOBJECTS", "SKINCONTROLS"}) {
    const int count = ReadIniInteger(ini, list, "count", 0);
    const int present = NumberedKeyLimit(ini, list);
    for (int i = 0; i < count && i < present; ++i) {
      const std::string entry = ini.ReadString(list, std::to_string(i), "");
      const size_t colon = entry.find(':');
      if (colon == std::string::npos) continue;
      classes[UpperAscii(entry.substr(0, colon))] =
          std::string(list == std::string("SKINOBJECTS") ? "object " : "control ") + entry.substr(colon + 1);
    }
  }
  out += "sections:\n";
  for (const IniFile::Section& s : ini.Sections()) {
    const auto it = classes.find(UpperAscii(s.name));
    out += platform::Format("  [%s] %zu keys%s%s\n", s.name.c_str(), s.entries.size(),
                            it == classes.end() ? "" : ": ", it == classes.end() ? "" : it->second.c_str());
  }
  const std::vector<std::string> bad = FindUnparsableKeys(ini);
  out += platform::Format("keys that fail to parse: %zu\n", bad.size());
  for (const std::string& b : bad) out += "  " + b + "\n";
  return out;
}

}  // namespace skin
