#include "decode.h"

#include <isa-l/igzip_lib.h>
#include <libdeflate.h>
#include <zlib.h>

#include <algorithm>
#include <cstring>

#include "zip/errors.h"
#include "zip/methods.h"
#include "zip/unzipper.h"

namespace zip {

namespace {

const z_crc_t* CrcTable() {
  static const z_crc_t* table = get_crc_table();
  return table;
}

// Text of a refusal: the engine's words, what it refuses, and the entry.
std::string Refusal(int id, const std::string& what, const TZipHeaderInfo& entry) {
  return std::string(LoadMessage(id)) + " " + what + ": " + entry.Path();
}

}  // namespace

const char* UnsupportedEncryption(const TZipHeaderInfo& entry) {
  if (!entry.IsEncrypted()) return nullptr;
  if (MethodOf(entry) == Method::kAes) return "AES";
  if (entry.GeneralFlags & 0x40) return "PKWARE strong encryption";
  return nullptr;
}

void ZipCrypto::Init(const std::string& password) {
  keys_[0] = 0x12345678;
  keys_[1] = 0x23456789;
  keys_[2] = 0x34567890;
  for (const char c : password) Update(static_cast<uint8_t>(c));
}

void ZipCrypto::Update(uint8_t plain) {
  const z_crc_t* table = CrcTable();
  keys_[0] = table[(keys_[0] ^ plain) & 0xFF] ^ (keys_[0] >> 8);
  keys_[1] = (keys_[1] + (keys_[0] & 0xFF)) * 134775813u + 1;
  keys_[2] = table[(keys_[2] ^ (keys_[1] >> 24)) & 0xFF] ^ (keys_[2] >> 8);
}

struct DeflateDecompressor {
  libdeflate_decompressor* d = libdeflate_alloc_decompressor();
  ~DeflateDecompressor() {
    if (d) libdeflate_free_decompressor(d);
  }
};

DecodeRun::DecodeRun(TUnZipper& o, RunHost& h, bool writing)
    : owner(o),
      host(h),
      reader(h),
      pipeline(writing ? std::make_unique<OutputPipeline>(o.FlushFilesOnClose()) : nullptr),
      in_buf(std::make_unique<uint8_t[]>(kBlockSize + 1)),
      out_buf(std::make_unique<uint8_t[]>(kBlockSize + 1)),
      work(std::make_unique<legacy::WorkArea>()),
      deflate_(std::make_unique<DeflateDecompressor>()) {}

DecodeRun::~DecodeRun() {
  // Buffers charged to the budget go back before the writer (which may still hold some) ends.
  ahead_.reset();
  pending_ = Chunk();
  pipeline.reset();
}

void DecodeRun::PositionAtEntry() {
  data_offset = reader.SeekToData(header);
  working_csize = static_cast<int64_t>(std::min<uint64_t>(header.CompressedSize(), INT64_MAX / 2));
}

bool DecodeRun::CheckPassword(int index) {
  TUnZipper& u = owner;
  const uint8_t check = header.HasDataDescriptor() ? static_cast<uint8_t>(header.FileDateTime >> 8)
                                                   : static_cast<uint8_t>(header.Crc32 >> 24);
  for (;;) {
    uint8_t head[12];
    if (reader.Read(head, 12) < 12) throw EFatalUnzipError(LoadMessage(kMsgPrematureEnd));
    working_csize -= 12;
    crypto.Init(u.Password);
    crypto.Decrypt(head, 12);
    if (head[11] == check) return true;
    if (u.OnBadPassword) {
      std::string next = u.Password;
      u.OnBadPassword(&u, index, next);
      if (next != u.Password) {
        u.Password = next;
        reader.StepBack(12);
        working_csize += 12;
        continue;
      }
    }
    return false;
  }
}

size_t DecodeRun::Refill() {
  host.Checkpoint(true);
  const int64_t n = std::min<int64_t>(kBlockSize, std::max<int64_t>(working_csize, 0));
  working_csize -= n;
  reader.ReadAcrossParts(in_buf.get(), n);
  if (header.IsEncrypted()) {
    if (owner.OnDecrypt)
      owner.OnDecrypt(&owner, in_buf.get(), static_cast<int>(n), owner.Password);
    else
      crypto.Decrypt(in_buf.get(), static_cast<size_t>(n));
  }
  in_pos = 0;
  in_left = static_cast<size_t>(n);
  return in_left;
}

bool DecodeRun::NextByte(uint8_t& byte) {
  if (compressed_left <= 0) {
    --compressed_left;
    return false;
  }
  --compressed_left;
  if (in_left == 0 && Refill() == 0) return false;
  byte = in_buf[in_pos++];
  --in_left;
  return true;
}

void DecodeRun::FlushBlock(size_t n) {
  if (n == 0) return;
  TUnZipper& u = owner;
  uint8_t* data = out_buf.get();
  if (header.IsEncrypted() && MethodOf(header) == Method::kStored && !u.Password.empty())
    crypto.Decrypt(data, n);
  if (written + static_cast<int64_t>(n) > usize)
    throw EBiggerThanUncompressed(LoadMessage(kMsgBiggerThanUncompressed));
  if (pipeline) {
    pipeline->ThrowIfFailed();
    size_t at = 0;
    while (at < n) {
      if (!pending_.Data()) pending_ = Chunk(budget, kOutputChunkSize);
      const size_t take = std::min(n - at, pending_.Capacity() - pending_.size);
      std::memcpy(pending_.Data() + pending_.size, data + at, take);
      pending_.size += take;
      at += take;
      if (pending_.size == pending_.Capacity()) HandOver();
    }
  }
  crc = libdeflate_crc32(crc, data, n);
  written += static_cast<int64_t>(n);
  ProgressStep(n);
}

void DecodeRun::HandOver() {
  if (pending_.size > 0) pipeline->Write(std::move(pending_));
  pending_ = Chunk();
}

void DecodeRun::ProgressStep(size_t n) {
  TUnZipper& u = owner;
  if (u.OnFilePercentDone) u.OnFilePercentDone(&u, Percent(written, usize));
  if (u.OnTotalPercentDone) {
    done += static_cast<int64_t>(n);
    u.OnTotalPercentDone(&u, Percent(done, total_bytes));
  }
}

void DecodeRun::Stored() {
  while (working_csize > 0) {
    host.Checkpoint(true);
    const int64_t n = std::min<int64_t>(kBlockSize, working_csize);
    working_csize -= n;
    reader.ReadAcrossParts(out_buf.get(), n);
    FlushBlock(static_cast<size_t>(n));
  }
}

namespace {

[[noreturn]] void InflateFailed(const char* detail) {
  std::string text = LoadMessage(kMsgInvalidCompressedData);
  if (detail && *detail) text += std::string(" (") + detail + ")";
  throw EZCompressionError(text);
}

// What the streaming decoder found wrong, in a few words.
const char* InflateErrorText(int code) {
  switch (code) {
    case ISAL_INVALID_BLOCK: return "invalid block";
    case ISAL_INVALID_SYMBOL: return "invalid code";
    case ISAL_INVALID_LOOKBACK: return "invalid distance too far back";
    default: return nullptr;
  }
}

}  // namespace

// Entries decoded block by block (too large to decode whole, or sizes not to be trusted) go
// through ISA-L's streaming inflate: on long entries of poorly compressible data, typical of
// executables, it decodes about twice as fast as zlib.
void DecodeRun::Inflate() {
  if (!inflater_) inflater_ = std::make_unique<inflate_state>();
  inflate_state& z = *inflater_;
  isal_inflate_init(&z);
  z.crc_flag = ISAL_DEFLATE;
  z.next_out = out_buf.get();
  z.avail_out = kBlockSize;
  if (in_left == 0) Refill();
  z.next_in = in_buf.get() + in_pos;
  z.avail_in = static_cast<uint32_t>(in_left);
  bool input_done = false;
  for (;;) {
    const uint32_t out_before = z.avail_out;
    const int r = isal_inflate(&z);
    if (r < 0) InflateFailed(InflateErrorText(r));
    const bool finished = z.block_state == ISAL_BLOCK_FINISH;
    if (z.avail_out == 0 || finished) {
      FlushBlock(kBlockSize - z.avail_out);
      if (finished) break;
      z.next_out = out_buf.get();
      z.avail_out = kBlockSize;
      // One input block may inflate to many output blocks: a cancel waits for no more than one.
      host.Checkpoint(true);
      continue;
    }
    if (z.avail_in > 0) continue;
    if (!input_done) {
      input_done = Refill() == 0;
      z.next_in = in_buf.get();
      z.avail_in = static_cast<uint32_t>(in_left);
    } else if (z.avail_out == out_before) {
      // The entry's data ran out before the deflate stream ended: the data is damaged.
      InflateFailed("unexpected end of data");
    }
  }
}

bool DecodeRun::FitsWhole(const TZipHeaderInfo& e) const {
  // Sizes are trusted only where the directory states them before the data and nothing stands
  // between the bytes read and the bytes decoded.
  if (e.IsEncrypted() || e.HasDataDescriptor() || owner.EndCentral().ThisDisk() != 0) return false;
  const uint64_t csize = e.CompressedSize();
  const uint64_t usize = e.UncompressedSize();
  // A large entry is streamed: its first pieces are written while the rest decodes, and memory
  // stays small; decoding whole pays off for the many small ones.
  if (csize + usize > kLargestWholeEntry) return false;
  if (MethodOf(e) == Method::kDeflated) return csize > 0;
  return MethodOf(e) == Method::kStored && csize == usize;
}

std::optional<DecodeRun::WholeEntry> DecodeRun::DecodeWhole(const TZipHeaderInfo& e, int64_t offset,
                                                            bool ahead) {
  const size_t csize = static_cast<size_t>(e.CompressedSize());
  const size_t usize = static_cast<size_t>(e.UncompressedSize());
  const bool stored = MethodOf(e) == Method::kStored;
  WholeEntry whole;
  Chunk packed;
  if (!stored) packed = Chunk(budget, csize);
  whole.data = Chunk(budget, std::max<size_t>(usize, 1));
  uint8_t* into = stored ? whole.data.Data() : packed.Data();
  if (!reader.Seek(offset)) return std::nullopt;
  for (size_t at = 0; at < csize;) {
    if (ahead)
      host.PumpIfDue();
    else
      host.Checkpoint(true);
    const int64_t n = static_cast<int64_t>(std::min<size_t>(kBlockSize, csize - at));
    if (reader.Read(into + at, n) != n) return std::nullopt;
    at += static_cast<size_t>(n);
  }
  size_t size = usize;
  if (!stored) {
    if (!deflate_->d) return std::nullopt;
    packed.size = csize;
    if (libdeflate_deflate_decompress(deflate_->d, packed.Data(), csize, whole.data.Data(), usize, &size) !=
        LIBDEFLATE_SUCCESS)
      return std::nullopt;
  }
  whole.data.size = size;
  whole.crc = libdeflate_crc32(0, whole.data.Data(), size);
  if (whole.crc != e.Crc32) return std::nullopt;
  return whole;
}

void DecodeRun::DecodeAhead(int index) {
  if (!pipeline || ahead_ || index < 0 || index >= owner.EntryCount()) return;
  const TZipHeaderInfo& e = owner.Entry(index);
  if (e.FileName().empty() || !FitsWhole(e)) return;
  bool is_local_header = false;
  const std::optional<int64_t> offset = reader.DataOffset(e, is_local_header);
  if (!offset || !is_local_header) return;  // met again, and reported, when the entry's turn comes
  ahead_ = DecodeWhole(e, *offset, true);
  if (ahead_) ahead_->index = index;
}

void DecodeRun::Report(WholeEntry& whole) {
  const size_t size = whole.data.size;
  for (size_t at = 0; at < size;) {
    host.Checkpoint(true);
    const size_t n = std::min<size_t>(kBlockSize, size - at);
    at += n;
    written += static_cast<int64_t>(n);
    ProgressStep(n);
  }
  crc = whole.crc;
  if (pipeline && size > 0) pipeline->Write(std::move(whole.data));
}

bool DecodeRun::Decode(int index, bool& unsupported) {
  TUnZipper& u = owner;
  unsupported = false;
  in_pos = in_left = 0;
  written = 0;
  crc = 0;
  usize = static_cast<int64_t>(std::min<uint64_t>(header.UncompressedSize(), INT64_MAX / 2));
  compressed_left = std::max<int64_t>(working_csize, 0);
  working_csize = compressed_left;
  const int64_t start = data_offset + (header.IsEncrypted() ? 12 : 0);

  // Whatever ends the decoding, what was decoded goes to the writer.
  struct HandOverAtEnd {
    DecodeRun& run;
    ~HandOverAtEnd() {
      if (run.pipeline) run.HandOver();
    }
  } hand_over{*this};

  if (ahead_ && ahead_->index != index) ahead_.reset();
  if (FitsWhole(header)) {
    std::optional<WholeEntry> whole = std::move(ahead_);
    ahead_.reset();
    if (!whole) whole = DecodeWhole(header, start, false);
    if (whole) {
      Report(*whole);
      return true;
    }
  }
  reader.Seek(start);
  try {
    const Method method = MethodOf(header);
    if (const char* cipher = UnsupportedEncryption(header)) {
      // Taken for traditional encryption, it would only ever meet a wrong password.
      u.ShowEngineMessage(kMsgUnsupportedEncryption,
                          Refusal(kMsgUnsupportedEncryption, std::string("(") + cipher + ")", header),
                          LoadMessage(kMsgZipError), 0);
      unsupported = true;
    } else if (method == Method::kStored) {
      Stored();
    } else if (method == Method::kDeflated) {
      // Some writers store an empty file as deflate without any deflate data.
      if (compressed_left > 0) Inflate();
    } else if (method == Method::kShrunk) {
      legacy::Unshrink(*this, *this, *work);
    } else if (const int factor = ReductionFactor(method)) {
      legacy::Unreduce(*this, *this, *work, factor, usize);
    } else if (method == Method::kImploded) {
      legacy::ExplodeParams params;
      params.uncompressed_size = usize;
      params.compressed_size = compressed_left;
      params.flags = header.GeneralFlags;
      legacy::Explode(*this, *this, *work, params,
                      [&u](int id, const std::string&, const std::string& caption, uint32_t flags) {
                        // The text comes from the engine's table, like every other message.
                        return u.ShowEngineMessage(id, LoadMessage(id), caption, flags);
                      });
    } else {
      const char* name = MethodName(method);
      u.ShowEngineMessage(
          kMsgUnknownMethod,
          Refusal(kMsgUnknownMethod,
                  std::to_string(header.CompressionMethod) + (name ? std::string(" (") + name + ")" : ""), header),
          LoadMessage(kMsgZipError), 0);
      unsupported = true;
    }
  } catch (const EBiggerThanUncompressed&) {
    return false;
  }
  return true;
}

}  // namespace zip
