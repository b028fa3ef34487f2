#include "archive_reader.h"

#include <zlib.h>

#include <memory>

#include "platform/exceptions.h"

namespace pack {

namespace {

uint16_t Le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
uint32_t Le32(const uint8_t* p) { return Le16(p) | static_cast<uint32_t>(Le16(p + 2)) << 16; }

}  // namespace

ReleaseArchive::ReleaseArchive(const std::string& path) : path_(path), file_(path, platform::FileMode::OpenRead) {
  unzipper_.SetZipName(path);
  unzipper_.LoadDirectory();
}

int ReleaseArchive::IndexOf(const std::string& path) const {
  for (int i = 0; i < unzipper_.EntryCount(); ++i)
    if (unzipper_.Entry(i).Path() == path) return i;
  return -1;
}

std::optional<release::Manifest> ReleaseArchive::ReadManifest() {
  const int index = IndexOf(release::kManifestEntry);
  if (index < 0) return std::nullopt;
  std::string text;
  DecodeEntry(index, release::kMaxTextSize + 1, [&](const uint8_t* data, size_t n) {
    text.append(reinterpret_cast<const char*>(data), n);
  });
  return release::ParseManifest(text, path_ + "\" entry \"" + release::kManifestEntry);
}

std::vector<release::ArchiveFile> ReleaseArchive::Files() const {
  std::vector<release::ArchiveFile> files;
  for (int i = 0; i < unzipper_.EntryCount(); ++i) {
    const zip::TZipHeaderInfo& h = unzipper_.Entry(i);
    if (h.FileName().empty() || h.Path() == release::kManifestEntry) continue;
    files.push_back(release::ArchiveFile{h.Path(), h.UncompressedSize()});
  }
  return files;
}

void ReleaseArchive::Decode(const std::string& path, const BlockSink& sink) {
  const int index = IndexOf(path);
  if (index < 0) throw platform::EReadError("\"" + path + "\" is not in \"" + path_ + "\"");
  DecodeEntry(index, UINT64_MAX, sink);
}

void ReleaseArchive::DecodeEntry(int index, uint64_t max_size, const BlockSink& sink) {
  const zip::TZipHeaderInfo& h = unzipper_.Entry(index);
  const std::string name = "\"" + h.Path() + "\" in \"" + path_ + "\"";
  const auto damaged = [&](const std::string& why) { return platform::EReadError(name + " is damaged: " + why + "."); };
  if (h.IsEncrypted()) throw platform::EReadError(name + " is encrypted; an update's entries are not.");
  if (h.CompressionMethod != 0 && h.CompressionMethod != 8)
    throw platform::EReadError(name + " is compressed with method " + std::to_string(h.CompressionMethod) +
                               "; halvex-pack reads stored and deflated entries only.");
  if (h.UncompressedSize() >= max_size) throw damaged("it is larger than a release manifest may be");
  const int64_t at = static_cast<int64_t>(h.RelativeOffset()) + unzipper_.LeadingBytes();
  uint8_t local[30];
  file_.Seek(at, platform::SeekOrigin::Begin);
  if (file_.Read(local, 30) != 30 || Le32(local) != 0x04034B50) throw damaged("its local header is not where the directory says");
  file_.Seek(at + 30 + Le16(local + 26) + Le16(local + 28), platform::SeekOrigin::Begin);

  uint64_t left = h.CompressedSize(), out_total = 0;
  uint32_t crc = 0;
  std::vector<uint8_t> in(1u << 16), out(1u << 18);
  const auto emit = [&](const uint8_t* data, size_t n) {
    out_total += n;
    if (out_total > h.UncompressedSize()) throw damaged("it holds more than its recorded size");
    crc = static_cast<uint32_t>(crc32(crc, data, static_cast<uInt>(n)));
    sink(data, n);
  };
  z_stream z{};
  if (inflateInit2(&z, -15) != Z_OK) throw platform::EOutOfMemory("Out of memory");
  std::unique_ptr<z_stream, int (*)(z_stream*)> guard(&z, inflateEnd);
  bool ended = h.CompressionMethod == 0;
  while (left > 0) {
    const int64_t want = static_cast<int64_t>(std::min<uint64_t>(left, in.size()));
    if (file_.Read(in.data(), want) != want) throw damaged("the archive ends inside it");
    left -= static_cast<uint64_t>(want);
    if (h.CompressionMethod == 0) {
      emit(in.data(), static_cast<size_t>(want));
      continue;
    }
    z.next_in = in.data();
    z.avail_in = static_cast<uInt>(want);
    while (z.avail_in > 0 && !ended) {
      z.next_out = out.data();
      z.avail_out = static_cast<uInt>(out.size());
      const int rc = inflate(&z, Z_NO_FLUSH);
      if (rc != Z_OK && rc != Z_STREAM_END && rc != Z_BUF_ERROR) throw damaged("its deflated data is not valid");
      emit(out.data(), out.size() - z.avail_out);
      if (rc == Z_STREAM_END) ended = true;
      if (rc == Z_BUF_ERROR) break;
    }
  }
  // Output still held back by inflate after the last input byte.
  while (!ended && h.CompressionMethod == 8) {
    z.next_out = out.data();
    z.avail_out = static_cast<uInt>(out.size());
    const int rc = inflate(&z, Z_NO_FLUSH);
    emit(out.data(), out.size() - z.avail_out);
    if (rc == Z_STREAM_END) ended = true;
    else if (z.avail_out != 0) break;
  }
  if (!ended) throw damaged("its deflated data ends early");
  if (out_total != h.UncompressedSize()) throw damaged("it is shorter than its recorded size");
  if (crc != h.Crc32) throw damaged("its CRC-32 does not match");
}

}  // namespace pack
