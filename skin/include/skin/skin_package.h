// Skin packages: the zlib-compressed skin container (frame pictures, active pictures, INI text),
// the stored skin that holds one package, and the skin list the main window carries.
//
// Package (a list item's stored "Skin" bytes, and a .skn file), little-endian int32:
//   version (3; a larger value means "no package") | size | size bytes of zlib stream
// Container (the inflated package):
//   version | picture entry x3 (frame, inactive frame, mask) | version 2 only: 2 more entries,
//   discarded | N | N BMP files | INI text to the end
// A picture entry is a flag byte: 0 = a whole BMP file follows, 1 = empty picture.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/stream.h"
#include "skin/free_notifier.h"

namespace skin {

inline constexpr int32_t kSkinPackageVersion = 3;
// No carried skin inflates to more than 2 MB; a package claiming much more is corrupt.
inline constexpr int64_t kMaxContainerSize = int64_t{64} << 20;

struct SkinContainer {
  int32_t version = kSkinPackageVersion;
  // Whole BMP files as stored; an empty vector is an empty picture (flag 1).
  std::vector<uint8_t> picture;
  std::vector<uint8_t> inactive_picture;
  std::vector<uint8_t> mask_picture;
  std::vector<std::vector<uint8_t>> active_pictures;
  std::string ini_text;  // raw bytes, system code page
};

// Reads a container from the stream's position. A version above 3 is returned with nothing else
// read. Raises EReadError "Stream read error" for a container cut short and EInvalidGraphic
// "Bitmap image is not valid" for a picture that is not a BMP file.
SkinContainer ReadSkinContainer(platform::Stream& stream);
// Always writes version 3.
void WriteSkinContainer(const SkinContainer& container, platform::Stream& stream);

// Writes the container back as the packer reads it: each picture under its [PICTURES] name (an
// unnamed active picture as "activepicture<i>.bmp") and the INI text as "skin.ini", all in
// `folder` (created when missing). Returns the path of skin.ini.
std::string WriteSkinFolder(const SkinContainer& container, const std::string& folder);

class TbsCompressedStoredSkin : public FreeNotifier {
 public:
  std::string Description;
  std::string FileName;
  std::string CompressedFileName;
  // Component state: edited in a design environment / being read from a stored design.
  bool Designing = false;
  bool Loading = false;

  // While designed (and not loading), setting a path packs the skin file (FileName) or reads the
  // package file (CompressedFileName) and keeps only the file-name part; otherwise the text is
  // stored as it is and nothing is read.
  void SetFileName(const std::string& path) { SetFileName(path, Designing && !Loading); }
  void SetCompressedFileName(const std::string& path) { SetCompressedFileName(path, Designing && !Loading); }
  void SetFileName(const std::string& path, bool read_file);
  void SetCompressedFileName(const std::string& path, bool read_file);

  bool IsEmpty() const { return data_.Data().empty(); }
  const std::vector<uint8_t>& CompressedBytes() const { return data_.Data(); }

  // The header form: version, size, zlib stream. A version above 3 or a size of 0 leaves the
  // package empty; a size beyond the bytes present raises "Stream read error".
  void LoadFromPackageStream(platform::Stream& stream);
  void SaveToPackageStream(platform::Stream& stream) const;
  // The bare zlib stream (the stand-alone component's stored "CompressedData").
  void ReadCompressedData(platform::Stream& stream);
  void WriteCompressedData(platform::Stream& stream) const;

  void LoadFromCompressedFile(const std::string& path);
  void SaveToCompressedFile(const std::string& path) const;
  // Packs an uncompressed skin: an INI file and the BMP files it names beside it. Returns false,
  // keeping the current package, when one of the sections VERSION, PICTURES, FORMINFO,
  // SKINOBJECTS, SKINCONTROLS is missing.
  bool LoadFromSkinFile(const std::string& path);
  void SetPackage(const SkinContainer& container);

  // Inflates the package into `dest` (appending); bounded by kMaxContainerSize.
  void DecompressTo(platform::MemoryStream& dest) const;

 private:
  platform::MemoryStream data_;
};

class TbsCompressedSkinList;
class TbsSkinListItems;

class TbsSkinListItem {
 public:
  explicit TbsSkinListItem(TbsSkinListItems* collection = nullptr) : collection_(collection) {}
  std::string Description;
  std::string FileName;
  std::string CompressedFileName;
  std::string Name;

  // Forwarded to the item's stored skin under the same rule, judged by the owning list's state.
  void SetFileName(const std::string& path);
  void SetCompressedFileName(const std::string& path);

  TbsCompressedStoredSkin& Skin() { return *skin_; }
  const TbsCompressedStoredSkin& Skin() const { return *skin_; }
  const std::string& DisplayName() const { return Name; }
  // The stored byte-block property "Skin".
  void ReadSkinProperty(platform::Stream& stream) { skin_->LoadFromPackageStream(stream); }
  void WriteSkinProperty(platform::Stream& stream) const { skin_->SaveToPackageStream(stream); }

 private:
  bool ReadsFiles() const;
  TbsSkinListItems* collection_;
  std::unique_ptr<TbsCompressedStoredSkin> skin_ = std::make_unique<TbsCompressedStoredSkin>();
};

class TbsSkinListItems {
 public:
  explicit TbsSkinListItems(TbsCompressedSkinList* owner) : owner_(owner) {}
  TbsCompressedSkinList* Owner() const { return owner_; }
  // The new item is named "bsSkin<index>".
  TbsSkinListItem& Add();
  int Count() const { return static_cast<int>(items_.size()); }
  TbsSkinListItem& Items(int index) { return *items_.at(static_cast<size_t>(index)); }
  const TbsSkinListItem& Items(int index) const { return *items_.at(static_cast<size_t>(index)); }
  void Delete(int index) { items_.erase(items_.begin() + index); }
  void Clear() { items_.clear(); }
  void Assign(const TbsSkinListItems& other);

 private:
  TbsCompressedSkinList* owner_;
  std::vector<std::unique_ptr<TbsSkinListItem>> items_;
};

class TbsCompressedSkinList : public FreeNotifier {
 public:
  bool Designing = false;
  bool Loading = false;
  TbsSkinListItems& Skins() { return skins_; }
  const TbsSkinListItems& Skins() const { return skins_; }
  void SetSkins(const TbsSkinListItems& items) { skins_.Assign(items); }

 private:
  TbsSkinListItems skins_{this};
};

}  // namespace skin
