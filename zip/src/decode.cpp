#include "decode.h"

#include <libdeflate.h>
#include <zlib.h>

#include <algorithm>
#include <cstring>

#include "inflate_blocks.h"
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
  // Buffers charged to the budgets go back before the writer (which may still hold some) ends;
  // the budgets themselves outlive the writer.
  ahead_.reset();
  pending_ = Chunk();
  pipeline.reset();
}

void DecodeRun::StopDecodingAhead() { ahead_.reset(); }

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
  uint8_t* data = out_buf.get();
  if (header.IsEncrypted() && MethodOf(header) == Method::kStored && !owner.Password.empty())
    crypto.Decrypt(data, n);
  Emit(data, n);
}

void DecodeRun::Emit(const uint8_t* data, size_t n) {
  if (n == 0) return;
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

void InflateFailed(const char* detail) {
  std::string text = LoadMessage(kMsgInvalidCompressedData);
  if (detail && *detail) text += std::string(" (") + detail + ")";
  throw EZCompressionError(text);
}

const char* InflateErrorText(int code) {
  switch (code) {
    case ISAL_INVALID_BLOCK: return "invalid block";
    case ISAL_INVALID_SYMBOL: return "invalid code";
    case ISAL_INVALID_LOOKBACK: return "invalid distance too far back";
    default: return nullptr;
  }
}

// Entries decoded block by block (too large to decode whole, or sizes not to be trusted) go
// through ISA-L's streaming inflate: on long entries of poorly compressible data, typical of
// executables, it decodes about twice as fast as zlib.
void DecodeRun::Inflate() {
  if (!inflater_) inflater_ = std::make_unique<inflate_state>();
  InflateBlocks(
      *inflater_, out_buf.get(), kBlockSize,
      [this](const uint8_t*& data) {
        const size_t n = Refill();
        data = in_buf.get();
        return n;
      },
      [this](const uint8_t*, size_t n) { FlushBlock(n); },
      // A cancel waits for no more than one block.
      [this] { host.Checkpoint(true); });
}

bool DecodeRun::StreamEntry(Method method) {
  auto found = std::find_if(decoders_.begin(), decoders_.end(), [&](const auto& d) { return d.first == method; });
  if (found == decoders_.end()) {
    std::unique_ptr<StreamDecoder> made = MakeStreamDecoder(method);
    if (!made) return false;
    decoders_.emplace_back(method, std::move(made));
    found = decoders_.end() - 1;
  }
  // Some writers store an empty file without any data of its method.
  if (compressed_left == 0 && usize == 0) return true;

  // The entry's data block by block, as Refill reads (and decrypts) it.
  struct Source : BlockSource {
    DecodeRun& run;
    explicit Source(DecodeRun& r) : run(r) {}
    size_t Next(const uint8_t*& data) override {
      if (run.in_left == 0 && run.Refill() == 0) return 0;
      data = run.in_buf.get() + run.in_pos;
      const size_t n = run.in_left;
      run.in_pos += n;
      run.in_left = 0;
      return n;
    }
  } source(*this);
  // Decoded bytes in pieces of a block, each a checkpoint: one input block may decode to many.
  struct Sink : BlockSink {
    DecodeRun& run;
    explicit Sink(DecodeRun& r) : run(r) {}
    void Emit(const uint8_t* data, size_t count) override {
      while (count > 0) {
        const size_t n = std::min<size_t>(count, kBlockSize);
        run.Emit(data, n);
        run.host.Checkpoint(true);
        data += n;
        count -= n;
      }
    }
  } sink(*this);
  StreamFacts facts;
  facts.uncompressed_size = static_cast<uint64_t>(usize);
  facts.flags = header.GeneralFlags;
  found->second->Decode(source, sink, facts);
  return true;
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

std::optional<DecodeRun::WholeEntry> DecodeRun::DecodeWhole(const TZipHeaderInfo& e, int64_t offset) {
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

void DecodeRun::DecodeAhead(int from) {
  // Enough entries to keep decoding while a file is finished; their bytes are bounded by the
  // budget, not by their number.
  constexpr size_t kEntriesAhead = 4096;
  if (!pipeline || owner.EndCentral().ThisDisk() != 0) return;
  if (!ahead_) {
    platform::Stream* archive = host.OpenedPart();
    if (!archive) return;
    std::vector<MemoryBudget*> budgets;
    for (MemoryBudget& b : ahead_budgets) budgets.push_back(&b);
    ahead_ = std::make_unique<AheadDecoder>(*archive, reader.Lock(), budgets);
  }
  for (int index = std::max(from, ahead_asked_through_ + 1);
       index < owner.EntryCount() && ahead_->Outstanding() < kEntriesAhead; ++index) {
    ahead_asked_through_ = index;
    const TZipHeaderInfo& e = owner.Entry(index);
    const Method method = MethodOf(e);
    // An encrypted entry asks for its password in its turn; other methods decode in their turn.
    if (!e.Selected || e.FileName().empty() || e.IsEncrypted() ||
        (method != Method::kStored && method != Method::kDeflated))
      continue;
    AheadDecoder::Job job;
    job.index = index;
    job.local_offset = e.RelativeOffset();
    job.compressed_size = static_cast<int64_t>(std::min<uint64_t>(e.CompressedSize(), INT64_MAX / 2));
    job.size = static_cast<int64_t>(std::min<uint64_t>(e.UncompressedSize(), INT64_MAX / 2));
    job.deflated = method == Method::kDeflated;
    job.whole = FitsWhole(e);
    job.crc = e.Crc32;
    ahead_->Ask(job);
  }
}

bool DecodeRun::DecodedAhead(int index) {
  DecodeAhead(index);
  return ahead_ && ahead_->Has(index);
}

std::optional<bool> DecodeRun::TakeAhead(int index) {
  if (!ahead_) return std::nullopt;
  Chunk piece;
  AheadDecoder::End end;
  const auto waiting = [this] { host.PumpIfDue(); };
  AheadDecoder::Step step = ahead_->Next(index, piece, end, waiting);
  if (step == AheadDecoder::Step::kNotAhead) return std::nullopt;
  for (; step == AheadDecoder::Step::kPiece; step = ahead_->Next(index, piece, end, waiting)) {
    for (size_t at = 0; at < piece.size;) {
      const size_t n = std::min<size_t>(kBlockSize, piece.size - at);
      pipeline->ThrowIfFailed();
      at += n;
      written += static_cast<int64_t>(n);
      ProgressStep(n);
      host.Checkpoint(true);
    }
    pipeline->Write(std::move(piece));
  }
  crc = end.crc;
  end.Raise();
  return !end.overrun;
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

  if (pipeline && !header.IsEncrypted()) {
    DecodeAhead(index);
    if (const std::optional<bool> taken = TakeAhead(index)) return *taken;
  }
  if (FitsWhole(header)) {
    std::optional<WholeEntry> whole = DecodeWhole(header, start);
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
    } else if (!StreamEntry(method)) {
      const char* name = KnownMethodName(method);
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
