#include "release/zip_writer.h"

#include <libdeflate.h>
#include <zlib.h>

#include <memory>
#include <mutex>
#include <utility>
#include <vector>

namespace release {

namespace {

constexpr uint32_t kLocalSig = 0x04034B50;
constexpr uint32_t kCentralSig = 0x02014B50;
constexpr uint32_t kEndSig = 0x06054B50;
constexpr uint32_t kZip64EndSig = 0x06064B50;
constexpr uint32_t kZip64LocatorSig = 0x07064B50;
constexpr uint32_t kMax32 = 0xFFFFFFFF;
constexpr uint16_t kFlagUtf8 = 1 << 11;
constexpr uint16_t kExtendedTimeTag = 0x5455;
constexpr uint16_t kZip64Tag = 0x0001;
constexpr size_t kBlock = 1u << 20;
// A streamed entry's local header must say whether it has zip64 sizes before its data is
// deflated; deflate can grow incompressible data a little, so sizes near the 32-bit limit get them.
constexpr uint64_t kStreamZip64From = 0xF0000000;

class Bytes {
 public:
  void U8(uint32_t v) { b_.push_back(static_cast<uint8_t>(v)); }
  void U16(uint32_t v) {
    b_.push_back(static_cast<uint8_t>(v));
    b_.push_back(static_cast<uint8_t>(v >> 8));
  }
  void U32(uint32_t v) {
    U16(v & 0xFFFF);
    U16(v >> 16);
  }
  void U64(uint64_t v) {
    U32(static_cast<uint32_t>(v));
    U32(static_cast<uint32_t>(v >> 32));
  }
  void Text(const std::string& s) { b_.insert(b_.end(), s.begin(), s.end()); }
  void Append(const Bytes& other) { b_.insert(b_.end(), other.b_.begin(), other.b_.end()); }
  size_t size() const { return b_.size(); }
  const uint8_t* data() const { return b_.data(); }

 private:
  std::vector<uint8_t> b_;
};

bool FitsTimestamp(const std::optional<int64_t>& t) { return t && *t >= INT32_MIN && *t <= INT32_MAX; }

// Tag, size 5, the flag byte (bit 0: the last change) and the time.
void ExtendedTime(Bytes& extra, const std::optional<int64_t>& t) {
  if (!FitsTimestamp(t)) return;
  extra.U16(kExtendedTimeTag);
  extra.U16(5);
  extra.U8(1);
  extra.U32(static_cast<uint32_t>(static_cast<int32_t>(*t)));
}

uint16_t NeededVersion(uint16_t method, bool zip64) { return zip64 ? 45 : method == 8 ? 20 : 10; }

struct CompressorDeleter {
  void operator()(libdeflate_compressor* c) const { libdeflate_free_compressor(c); }
};
using Compressor = std::unique_ptr<libdeflate_compressor, CompressorDeleter>;

// Compressors kept between packings: making one costs more than packing a small file. Taken and
// given back under a lock rather than kept per thread: a thread's own objects with destructors
// are not freed safely when a thread ends under MinGW (their storage may go before their
// destructor runs, which then frees a compressor that is no longer there).
class CompressorPool {
 public:
  Compressor Take(int level) {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      for (auto it = idle_.begin(); it != idle_.end(); ++it)
        if (it->first == level) {
          Compressor c = std::move(it->second);
          idle_.erase(it);
          return c;
        }
    }
    Compressor c(libdeflate_alloc_compressor(level));
    if (!c) throw platform::EOutOfMemory("Out of memory");
    return c;
  }
  void Give(int level, Compressor c) {
    std::lock_guard<std::mutex> lock(mutex_);
    // As many as threads pack at once; a few spare ones beyond that are freed.
    if (idle_.size() < kMostIdle) idle_.emplace_back(level, std::move(c));
  }

 private:
  static constexpr size_t kMostIdle = 16;
  std::mutex mutex_;
  std::vector<std::pair<int, Compressor>> idle_;
};

CompressorPool& Compressors() {
  static CompressorPool pool;
  return pool;
}

}  // namespace

PackedData PackBuffer(std::span<const uint8_t> data, int level) {
  PackedData packed;
  packed.size = data.size();
  packed.crc32 = libdeflate_crc32(0, data.data(), data.size());
  if (!data.empty()) {
    // Anything not smaller than the data is stored, so the output never needs more room than this.
    packed.bytes.resize(data.size() - 1);
    size_t n = 0;
    if (!packed.bytes.empty()) {
      Compressor compressor = Compressors().Take(level);
      n = libdeflate_deflate_compress(compressor.get(), data.data(), data.size(), packed.bytes.data(),
                                      packed.bytes.size());
      Compressors().Give(level, std::move(compressor));
    }
    if (n > 0) {
      packed.method = 8;
      packed.bytes.resize(n);
      return packed;
    }
  }
  packed.method = 0;
  packed.bytes.assign(data.begin(), data.end());
  return packed;
}

ZipWriter::ZipWriter(platform::Stream& out, ZipWriterOptions options) : out_(out), options_(options) {
  position_ = static_cast<uint64_t>(out_.Position());
}

ZipWriter::Central ZipWriter::Start(const ZipEntryInfo& info) {
  if (finished_) throw EZipWriterError("The archive is finished; no entry can be added.");
  Central c;
  c.name = info.name;
  for (char& ch : c.name)
    if (ch == '\\') ch = '/';
  if (info.is_folder && (c.name.empty() || c.name.back() != '/')) c.name += '/';
  if (c.name.size() > 0xFFFF) throw EZipWriterError("\"" + info.name + "\" is too long a name for an archive.");
  for (const char ch : c.name)
    if (static_cast<unsigned char>(ch) >= 0x80) c.flags |= kFlagUtf8;
  c.dos_time = info.dos_time;
  c.unix_time = info.unix_time;
  c.attributes = (info.attributes & 0xFF) | (info.is_folder ? 0x10u : 0u);
  c.offset = position_;
  return c;
}

// The local header with its extra fields; the same length whatever the sizes, so a streamed
// entry's header can be written again in place once they are known.
static Bytes LocalHeader(const std::string& name, uint16_t flags, uint16_t method, uint32_t dos_time,
                         const std::optional<int64_t>& unix_time, uint32_t crc, uint64_t packed, uint64_t size,
                         bool zip64) {
  Bytes extra;
  if (zip64) {
    extra.U16(kZip64Tag);
    extra.U16(16);
    extra.U64(size);
    extra.U64(packed);
  }
  ExtendedTime(extra, unix_time);
  Bytes h;
  h.U32(kLocalSig);
  h.U16(NeededVersion(method, zip64));
  h.U16(flags);
  h.U16(method);
  h.U32(dos_time);
  h.U32(crc);
  h.U32(zip64 ? kMax32 : static_cast<uint32_t>(packed));
  h.U32(zip64 ? kMax32 : static_cast<uint32_t>(size));
  h.U16(static_cast<uint32_t>(name.size()));
  h.U16(static_cast<uint32_t>(extra.size()));
  h.Text(name);
  h.Append(extra);
  return h;
}

void ZipWriter::WriteLocalHeader(Central& c, bool zip64) {
  c.local_zip64 = zip64;
  const Bytes h = LocalHeader(c.name, c.flags, c.method, c.dos_time, c.unix_time, c.crc32, c.packed, c.size, zip64);
  out_.WriteBuffer(h.data(), static_cast<int64_t>(h.size()));
  position_ += h.size();
}

void ZipWriter::PatchLocalHeader(const Central& c, uint64_t header_at, bool zip64) {
  const Bytes h = LocalHeader(c.name, c.flags, c.method, c.dos_time, c.unix_time, c.crc32, c.packed, c.size, zip64);
  out_.Seek(static_cast<int64_t>(header_at), platform::SeekOrigin::Begin);
  out_.WriteBuffer(h.data(), static_cast<int64_t>(h.size()));
  out_.Seek(static_cast<int64_t>(position_), platform::SeekOrigin::Begin);
}

void ZipWriter::AddFolder(const ZipEntryInfo& info) {
  ZipEntryInfo folder = info;
  folder.is_folder = true;
  Central c = Start(folder);
  WriteLocalHeader(c, options_.always_zip64);
  entries_.push_back(std::move(c));
}

void ZipWriter::AddPacked(const ZipEntryInfo& info, const PackedData& data) {
  Central c = Start(info);
  c.method = data.method;
  c.crc32 = data.crc32;
  c.size = data.size;
  c.packed = data.bytes.size();
  WriteLocalHeader(c, options_.always_zip64 || c.size >= kMax32 || c.packed >= kMax32);
  out_.WriteBuffer(data.bytes.data(), static_cast<int64_t>(data.bytes.size()));
  position_ += data.bytes.size();
  entries_.push_back(std::move(c));
}

void ZipWriter::AddStream(const ZipEntryInfo& info, platform::Stream& source, uint64_t size,
                          const std::function<void(const uint8_t*, size_t)>& on_block) {
  Central c = Start(info);
  c.method = 8;
  c.size = size;
  const bool zip64 = options_.always_zip64 || size >= kStreamZip64From;
  const uint64_t header_at = position_;
  const int64_t source_start = source.Position();
  WriteLocalHeader(c, zip64);
  const uint64_t data_at = position_;
  const auto changed = [&] {
    return EZipWriterError("\"" + info.name + "\" changed while it was being packed.");
  };

  z_stream z{};
  if (deflateInit2(&z, options_.stream_level, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) != Z_OK)
    throw platform::EOutOfMemory("Out of memory");
  std::unique_ptr<z_stream, int (*)(z_stream*)> guard(&z, deflateEnd);
  std::vector<uint8_t> in(kBlock), out(kBlock / 4);
  uint64_t read = 0;
  uint32_t crc = 0;
  bool end = false;
  while (!end) {
    const int64_t got = source.Read(in.data(), static_cast<int64_t>(in.size()));
    end = got <= 0;
    if (got > 0) {
      read += static_cast<uint64_t>(got);
      if (read > size) throw changed();
      crc = static_cast<uint32_t>(libdeflate_crc32(crc, in.data(), static_cast<size_t>(got)));
      if (on_block) on_block(in.data(), static_cast<size_t>(got));
    }
    z.next_in = in.data();
    z.avail_in = got > 0 ? static_cast<uInt>(got) : 0;
    do {
      z.next_out = out.data();
      z.avail_out = static_cast<uInt>(out.size());
      deflate(&z, end ? Z_FINISH : Z_NO_FLUSH);
      const size_t n = out.size() - z.avail_out;
      out_.WriteBuffer(out.data(), static_cast<int64_t>(n));
      position_ += n;
    } while (z.avail_out == 0);
  }
  if (read != size) throw changed();
  c.crc32 = crc;
  c.packed = position_ - data_at;

  if (c.packed >= size) {
    // Incompressible: stored instead, read again and checked against the first reading.
    out_.Seek(static_cast<int64_t>(data_at), platform::SeekOrigin::Begin);
    out_.SetSize(static_cast<int64_t>(data_at));
    position_ = data_at;
    source.Seek(source_start, platform::SeekOrigin::Begin);
    uint32_t again = 0;
    uint64_t copied = 0;
    while (true) {
      const int64_t got = source.Read(in.data(), static_cast<int64_t>(in.size()));
      if (got <= 0) break;
      copied += static_cast<uint64_t>(got);
      if (copied > size) throw changed();
      again = static_cast<uint32_t>(libdeflate_crc32(again, in.data(), static_cast<size_t>(got)));
      out_.WriteBuffer(in.data(), got);
      position_ += static_cast<uint64_t>(got);
    }
    if (copied != size || again != crc) throw changed();
    c.method = 0;
    c.packed = size;
  }
  PatchLocalHeader(c, header_at, zip64);
  entries_.push_back(std::move(c));
}

void ZipWriter::Finish() {
  if (finished_) return;
  const uint64_t central_at = position_;
  for (const Central& c : entries_) {
    const bool big_size = c.size >= kMax32 || c.packed >= kMax32 || c.local_zip64 || options_.always_zip64;
    const bool big_offset = c.offset >= kMax32 || options_.always_zip64;
    Bytes extra;
    if (big_size || big_offset) {
      extra.U16(kZip64Tag);
      extra.U16((big_size ? 16 : 0) + (big_offset ? 8 : 0));
      if (big_size) {
        extra.U64(c.size);
        extra.U64(c.packed);
      }
      if (big_offset) extra.U64(c.offset);
    }
    ExtendedTime(extra, c.unix_time);
    const bool zip64 = big_size || big_offset;
    Bytes h;
    h.U32(kCentralSig);
    h.U16(NeededVersion(c.method, zip64));  // made by: MS-DOS (high byte 0), this version
    h.U16(NeededVersion(c.method, zip64));
    h.U16(c.flags);
    h.U16(c.method);
    h.U32(c.dos_time);
    h.U32(c.crc32);
    h.U32(big_size ? kMax32 : static_cast<uint32_t>(c.packed));
    h.U32(big_size ? kMax32 : static_cast<uint32_t>(c.size));
    h.U16(static_cast<uint32_t>(c.name.size()));
    h.U16(static_cast<uint32_t>(extra.size()));
    h.U16(0);  // comment
    h.U16(0);  // disk
    h.U16(0);  // internal attributes
    h.U32(c.attributes);
    h.U32(big_offset ? kMax32 : static_cast<uint32_t>(c.offset));
    h.Text(c.name);
    h.Append(extra);
    out_.WriteBuffer(h.data(), static_cast<int64_t>(h.size()));
    position_ += h.size();
  }
  const uint64_t central_size = position_ - central_at;
  const uint64_t count = entries_.size();
  const bool zip64 = options_.always_zip64 || count >= 0xFFFF || central_size >= kMax32 || central_at >= kMax32;
  Bytes end;
  if (zip64) {
    const uint64_t end64_at = position_;
    end.U32(kZip64EndSig);
    end.U64(44);
    end.U16(45);
    end.U16(45);
    end.U32(0);
    end.U32(0);
    end.U64(count);
    end.U64(count);
    end.U64(central_size);
    end.U64(central_at);
    end.U32(kZip64LocatorSig);
    end.U32(0);
    end.U64(end64_at);
    end.U32(1);
  }
  end.U32(kEndSig);
  end.U16(0);
  end.U16(0);
  end.U16(zip64 ? 0xFFFF : static_cast<uint32_t>(count));
  end.U16(zip64 ? 0xFFFF : static_cast<uint32_t>(count));
  end.U32(zip64 ? kMax32 : static_cast<uint32_t>(central_size));
  end.U32(zip64 ? kMax32 : static_cast<uint32_t>(central_at));
  end.U16(0);  // comment
  out_.WriteBuffer(end.data(), static_cast<int64_t>(end.size()));
  position_ += end.size();
  finished_ = true;
}

}  // namespace release
