#include "skin/builtin_skins.h"

#include "platform/stream.h"

#include "builtin_skin_bytes.inc"

namespace skin {
namespace {

#define HALVEX_ENTRY(n, description, file, name) \
  BuiltinSkin { description, file, name, PACKAGE_BYTES_##n }

#ifdef HALVEX_PACKAGE0
#define PACKAGE_BYTES_0 std::span<const uint8_t>(kPackage0)
#else
#define PACKAGE_BYTES_0 std::span<const uint8_t>()
#endif
#ifdef HALVEX_PACKAGE1
#define PACKAGE_BYTES_1 std::span<const uint8_t>(kPackage1)
#else
#define PACKAGE_BYTES_1 std::span<const uint8_t>()
#endif
#ifdef HALVEX_PACKAGE2
#define PACKAGE_BYTES_2 std::span<const uint8_t>(kPackage2)
#else
#define PACKAGE_BYTES_2 std::span<const uint8_t>()
#endif
#ifdef HALVEX_PACKAGE3
#define PACKAGE_BYTES_3 std::span<const uint8_t>(kPackage3)
#else
#define PACKAGE_BYTES_3 std::span<const uint8_t>()
#endif
#ifdef HALVEX_PACKAGE4
#define PACKAGE_BYTES_4 std::span<const uint8_t>(kPackage4)
#else
#define PACKAGE_BYTES_4 std::span<const uint8_t>()
#endif
#ifdef HALVEX_PACKAGE5
#define PACKAGE_BYTES_5 std::span<const uint8_t>(kPackage5)
#else
#define PACKAGE_BYTES_5 std::span<const uint8_t>()
#endif
#ifdef HALVEX_PACKAGE6
#define PACKAGE_BYTES_6 std::span<const uint8_t>(kPackage6)
#else
#define PACKAGE_BYTES_6 std::span<const uint8_t>()
#endif
#ifdef HALVEX_PACKAGE7
#define PACKAGE_BYTES_7 std::span<const uint8_t>(kPackage7)
#else
#define PACKAGE_BYTES_7 std::span<const uint8_t>()
#endif
#ifdef HALVEX_PACKAGE8
#define PACKAGE_BYTES_8 std::span<const uint8_t>(kPackage8)
#else
#define PACKAGE_BYTES_8 std::span<const uint8_t>()
#endif
#ifdef HALVEX_PACKAGE9
#define PACKAGE_BYTES_9 std::span<const uint8_t>(kPackage9)
#else
#define PACKAGE_BYTES_9 std::span<const uint8_t>()
#endif
#ifdef HALVEX_PACKAGE10
#define PACKAGE_BYTES_10 std::span<const uint8_t>(kPackage10)
#else
#define PACKAGE_BYTES_10 std::span<const uint8_t>()
#endif
#ifdef HALVEX_PACKAGE11
#define PACKAGE_BYTES_11 std::span<const uint8_t>(kPackage11)
#else
#define PACKAGE_BYTES_11 std::span<const uint8_t>()
#endif

const BuiltinSkin kSkins[] = {
    HALVEX_ENTRY(0, "AquaT", "AquaT.skn", "bsSkin0"),
    HALVEX_ENTRY(1, "오피스2013 블루", "Office2013_Blue.skn", "bsSkin1"),
    HALVEX_ENTRY(2, "오피스2013 그린", "Office2013_Green.skn", "bsSkin2"),
    HALVEX_ENTRY(3, "오피스2013 오렌지", "Office2013_Orange.skn", "bsSkin4"),
    HALVEX_ENTRY(4, "오피스2013 퍼플", "Office2013_Purple.skn", "bsSkin5"),
    HALVEX_ENTRY(5, "오피스2010 블랙", "Office2010_Black.skn", "bsSkin6"),
    HALVEX_ENTRY(6, "오피스2010 블루", "Office2010_Blue.skn", "bsSkin7"),
    HALVEX_ENTRY(7, "오피스2010 실버", "Office2010_Silver.skn", "bsSkin8"),
    HALVEX_ENTRY(8, "Ubuntu", "Ubuntu.skn", "bsSkin9"),
    HALVEX_ENTRY(9, "iTunes10", "iTunes10_std.skn", "bsSkin10"),
    HALVEX_ENTRY(10, "Metal", "iMetal.skn", "bsSkin11"),
    HALVEX_ENTRY(11, "Laconic", "Laconic.skn", "bsSkin12"),
};

}  // namespace

std::span<const BuiltinSkin> BuiltinSkins() { return kSkins; }

void LoadBuiltinSkinList(TbsCompressedSkinList& list) {
  TbsSkinListItems& items = list.Skins();
  items.Clear();
  for (const BuiltinSkin& s : kSkins) {
    TbsSkinListItem& item = items.Add();
    item.Description = s.Description;
    item.CompressedFileName = s.CompressedFileName;
    item.Name = s.Name;
    if (!s.Package.empty()) {
      platform::MemoryStream bytes(s.Package.data(), s.Package.size());
      item.ReadSkinProperty(bytes);
    }
  }
}

}  // namespace skin
