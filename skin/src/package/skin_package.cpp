#include "skin/skin_package.h"

#include <cstring>

#include "platform/exceptions.h"
#include "platform/format.h"
#include "platform/fs.h"
#include "platform/text.h"
#include "skin/bmp_file.h"
#include "skin/ini_file.h"
#include "skin/ini_values.h"
#include "skin/zlib_stream.h"

namespace skin {
namespace {

int32_t ReadInt32(platform::Stream& s) {
  uint8_t b[4];
  s.ReadBuffer(b, 4);
  return static_cast<int32_t>(static_cast<uint32_t>(b[0]) | static_cast<uint32_t>(b[1]) << 8 |
                              static_cast<uint32_t>(b[2]) << 16 | static_cast<uint32_t>(b[3]) << 24);
}

void WriteInt32(platform::Stream& s, int32_t v) {
  const uint32_t u = static_cast<uint32_t>(v);
  const uint8_t b[4] = {static_cast<uint8_t>(u), static_cast<uint8_t>(u >> 8), static_cast<uint8_t>(u >> 16),
                        static_cast<uint8_t>(u >> 24)};
  s.WriteBuffer(b, 4);
}

std::vector<uint8_t> ReadPictureEntry(platform::Stream& s) {
  uint8_t flag;
  s.ReadBuffer(&flag, 1);
  if (flag != 0) return {};
  return ReadBmpFile(s);
}

void WritePictureEntry(platform::Stream& s, const std::vector<uint8_t>& bmp) {
  const uint8_t flag = bmp.empty() ? 1 : 0;
  s.WriteBuffer(&flag, 1);
  if (!bmp.empty()) s.WriteBuffer(bmp.data(), static_cast<int64_t>(bmp.size()));
}

// Copies exactly `size` bytes of `source` into `dest`, refusing sizes the source cannot hold
// before allocating anything.
void CopyExactly(platform::MemoryStream& dest, platform::Stream& source, int64_t size) {
  if (size < 0 || size > source.Size() - source.Position()) throw platform::EReadError("Stream read error");
  // CopyFrom takes a count of 0 as "the whole source".
  if (size > 0) dest.CopyFrom(source, size);
}

std::string FolderOf(const std::string& path) {
  const size_t slash = path.find_last_of("\\/");
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::vector<uint8_t> ReadWholeFile(const std::string& path) {
  platform::FileStream file(path, platform::FileMode::OpenReadDenyWrite);
  const int64_t size = file.Size();
  std::vector<uint8_t> bytes(static_cast<size_t>(size));
  file.ReadBuffer(bytes.data(), size);
  return bytes;
}

// A picture named in the skin's INI, in the canonical stored layout; an image without content
// is the empty picture.
std::vector<uint8_t> LoadPictureFile(const std::string& path) {
  const std::vector<uint8_t> raw = ReadWholeFile(path);
  BmpParts parts = ParseBmp(raw);
  if (parts.Empty()) return {};
  return EncodeBmp(parts);
}

}  // namespace

SkinContainer ReadSkinContainer(platform::Stream& stream) {
  SkinContainer c;
  c.version = ReadInt32(stream);
  if (c.version > kSkinPackageVersion) return c;
  c.picture = ReadPictureEntry(stream);
  c.inactive_picture = ReadPictureEntry(stream);
  c.mask_picture = ReadPictureEntry(stream);
  if (c.version == 2) {
    ReadPictureEntry(stream);
    ReadPictureEntry(stream);
  }
  const int32_t count = ReadInt32(stream);
  for (int32_t i = 0; i < count; ++i) c.active_pictures.push_back(ReadBmpFile(stream));
  const int64_t left = stream.Size() - stream.Position();
  if (left > 0) {
    c.ini_text.resize(static_cast<size_t>(left));
    stream.ReadBuffer(c.ini_text.data(), left);
  }
  return c;
}

void WriteSkinContainer(const SkinContainer& c, platform::Stream& stream) {
  WriteInt32(stream, kSkinPackageVersion);
  WritePictureEntry(stream, c.picture);
  WritePictureEntry(stream, c.inactive_picture);
  WritePictureEntry(stream, c.mask_picture);
  WriteInt32(stream, static_cast<int32_t>(c.active_pictures.size()));
  for (const auto& bmp : c.active_pictures) stream.WriteBuffer(bmp.data(), static_cast<int64_t>(bmp.size()));
  stream.WriteBuffer(c.ini_text.data(), static_cast<int64_t>(c.ini_text.size()));
}

void TbsCompressedStoredSkin::LoadFromPackageStream(platform::Stream& stream) {
  data_.SetSize(0);
  stream.SetPosition(0);
  const int32_t version = ReadInt32(stream);
  if (version > kSkinPackageVersion) return;
  const int32_t size = ReadInt32(stream);
  if (size == 0) return;
  try {
    CopyExactly(data_, stream, size);
  } catch (...) {
    data_.SetSize(0);
    throw;
  }
  data_.SetPosition(0);
}

void TbsCompressedStoredSkin::SaveToPackageStream(platform::Stream& stream) const {
  WriteInt32(stream, kSkinPackageVersion);
  WriteInt32(stream, static_cast<int32_t>(data_.Data().size()));
  stream.WriteBuffer(data_.Data().data(), static_cast<int64_t>(data_.Data().size()));
}

void TbsCompressedStoredSkin::ReadCompressedData(platform::Stream& stream) {
  data_.SetSize(0);
  CopyExactly(data_, stream, stream.Size() - stream.Position());
  data_.SetPosition(0);
}

void TbsCompressedStoredSkin::WriteCompressedData(platform::Stream& stream) const {
  stream.WriteBuffer(data_.Data().data(), static_cast<int64_t>(data_.Data().size()));
}

void TbsCompressedStoredSkin::LoadFromCompressedFile(const std::string& path) {
  data_.SetSize(0);
  platform::FileStream file(path, platform::FileMode::OpenReadDenyWrite);
  const int32_t version = ReadInt32(file);
  if (version > kSkinPackageVersion) return;
  const int32_t size = ReadInt32(file);
  try {
    CopyExactly(data_, file, size);
  } catch (...) {
    data_.SetSize(0);
    throw;
  }
  data_.SetPosition(0);
}

void TbsCompressedStoredSkin::SaveToCompressedFile(const std::string& path) const {
  platform::FileStream file(path, platform::FileMode::Create);
  file.SetSize(0);
  SaveToPackageStream(file);
}

bool TbsCompressedStoredSkin::LoadFromSkinFile(const std::string& path) {
  const std::vector<uint8_t> raw = ReadWholeFile(path);
  const std::string_view text(reinterpret_cast<const char*>(raw.data()), raw.size());
  const IniFile ini(text);
  for (const char* section : {"VERSION", "PICTURES", "FORMINFO", "SKINOBJECTS", "SKINCONTROLS"})
    if (!ini.SectionExists(section)) return false;

  const std::string folder = FolderOf(path);
  auto picture_path = [&](const std::string& name) {
    return folder + platform::AnsiToUtf8(name);
  };
  SkinContainer c;
  std::vector<uint8_t>* frame[] = {&c.picture, &c.inactive_picture, &c.mask_picture};
  const char* keys[] = {"picture", "inactivepicture", "mask"};
  for (int i = 0; i < 3; ++i) {
    const std::string name = ini.ReadString("PICTURES", keys[i], "");
    if (!name.empty()) *frame[i] = LoadPictureFile(picture_path(name));
  }
  const int count = ReadIniInteger(ini, "PICTURES", "activepicturescount", 0);
  for (int i = 0; i < count; ++i) {
    const std::string name = ini.ReadString("PICTURES", std::to_string(i), "");
    std::vector<uint8_t> bmp = LoadPictureFile(picture_path(name));
    if (bmp.empty()) bmp = EmptyBmpFile();
    c.active_pictures.push_back(std::move(bmp));
  }
  for (std::string_view line : SplitLines(text)) {
    c.ini_text += line;
    c.ini_text += "\r\n";
  }
  SetPackage(c);
  return true;
}

void TbsCompressedStoredSkin::SetPackage(const SkinContainer& container) {
  platform::MemoryStream plain;
  WriteSkinContainer(container, plain);
  platform::MemoryStream packed;
  PackStream(plain, packed);
  data_.Data() = std::move(packed.Data());
  data_.SetPosition(0);
}

void TbsCompressedStoredSkin::DecompressTo(platform::MemoryStream& dest) const {
  platform::MemoryStream source(data_.Data());
  UnpackStream(dest, source, kMaxContainerSize);
}

std::string WriteSkinFolder(const SkinContainer& c, const std::string& folder) {
  if (!platform::FolderExists(folder) && !platform::CreateFolder(folder))
    throw platform::EFCreateError(platform::Format("Cannot create folder \"%s\". %s", folder.c_str(),
                                                   platform::LastErrorText().c_str()));
  const IniFile ini(c.ini_text);
  const std::string base = folder + "\\";
  auto write = [](const std::string& path, const void* data, size_t size) {
    platform::FileStream file(path, platform::FileMode::Create);
    file.SetSize(0);
    file.WriteBuffer(data, static_cast<int64_t>(size));
  };
  const std::vector<uint8_t> empty_bmp = EmptyBmpFile();
  auto write_picture = [&](const std::string& name, const std::vector<uint8_t>& bmp) {
    if (name.empty()) return;
    const std::vector<uint8_t>& bytes = bmp.empty() ? empty_bmp : bmp;
    write(base + platform::AnsiToUtf8(name), bytes.data(), bytes.size());
  };
  write_picture(ini.ReadString("PICTURES", "picture", ""), c.picture);
  write_picture(ini.ReadString("PICTURES", "inactivepicture", ""), c.inactive_picture);
  write_picture(ini.ReadString("PICTURES", "mask", ""), c.mask_picture);
  for (size_t i = 0; i < c.active_pictures.size(); ++i) {
    std::string name = ini.ReadString("PICTURES", std::to_string(i), "");
    if (name.empty()) name = "activepicture" + std::to_string(i) + ".bmp";
    write_picture(name, c.active_pictures[i]);
  }
  const std::string ini_path = base + "skin.ini";
  write(ini_path, c.ini_text.data(), c.ini_text.size());
  return ini_path;
}

namespace {

std::string FileNamePart(const std::string& path) {
  const size_t slash = path.find_last_of("\\/");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

void TbsCompressedStoredSkin::SetFileName(const std::string& path, bool read_file) {
  if (!read_file) {
    FileName = path;
    return;
  }
  LoadFromSkinFile(path);
  FileName = FileNamePart(path);
}

void TbsCompressedStoredSkin::SetCompressedFileName(const std::string& path, bool read_file) {
  if (!read_file) {
    CompressedFileName = path;
    return;
  }
  LoadFromCompressedFile(path);
  CompressedFileName = FileNamePart(path);
}

bool TbsSkinListItem::ReadsFiles() const {
  const TbsCompressedSkinList* list = collection_ ? collection_->Owner() : nullptr;
  return list && list->Designing && !list->Loading;
}

void TbsSkinListItem::SetFileName(const std::string& path) {
  skin_->SetFileName(path, ReadsFiles());
  FileName = skin_->FileName;
}

void TbsSkinListItem::SetCompressedFileName(const std::string& path) {
  skin_->SetCompressedFileName(path, ReadsFiles());
  CompressedFileName = skin_->CompressedFileName;
}

TbsSkinListItem& TbsSkinListItems::Add() {
  auto item = std::make_unique<TbsSkinListItem>(this);
  item->Name = platform::Format("bsSkin%d", Count());
  items_.push_back(std::move(item));
  return *items_.back();
}

void TbsSkinListItems::Assign(const TbsSkinListItems& other) {
  if (&other == this) return;
  items_.clear();
  for (int i = 0; i < other.Count(); ++i) {
    const TbsSkinListItem& from = other.Items(i);
    TbsSkinListItem& to = Add();
    to.Description = from.Description;
    to.FileName = from.FileName;
    to.CompressedFileName = from.CompressedFileName;
    to.Name = from.Name;
    platform::MemoryStream bytes;
    from.WriteSkinProperty(bytes);
    to.ReadSkinProperty(bytes);
  }
}

}  // namespace skin
