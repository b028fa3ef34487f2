#include "skin/builtin_skins.h"

#include "platform/stream.h"

namespace skin {
namespace {

// kPackage<index> and kSkins, written by the build from assets/skins/skin_list.tsv.
#include "builtin_skin_table.inc"

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
