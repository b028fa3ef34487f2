// The state of one extraction run and the decoding of one entry into its output file.
#pragma once

#include <algorithm>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "ahead_decoder.h"
#include "decoder_io.h"
#include "entry_reader.h"
#include "file_maker.h"
#include "legacy/legacy_decoders.h"
#include "output_pipeline.h"
#include "stream_decoder.h"
#include "zip/methods.h"
#include "zip/records.h"
#include "zip/streams.h"

struct inflate_state;  // ISA-L's

namespace zip {

class TUnZipper;

constexpr int kBlockSize = 32768;
// What the buffers of a run may hold at once: output of the entry's own turn queued for the
// writer, and entries decoded whole in their turn (their compressed and their decoded bytes).
constexpr size_t kRunBufferBudget = 8u << 20;
// Threads that decode entries ahead of their turn (ahead_decoder.h), and what each one's buffers
// may hold at once, written or not. A budget of their own: an entry decoded in its turn never
// waits for room that only later entries hold. Together with the one above, the engine's own
// few hundred KiB and the threads' heaps this keeps a run well below 64 MiB, whatever the
// archive's size.
constexpr int kAheadDecoders = 2;
constexpr size_t kAheadBufferBudget = 20u << 20;
// An entry is decoded whole (in one call, from its compressed bytes read at once) only when both
// together take at most this much.
constexpr uint64_t kLargestWholeEntry = 8u << 20;
// Output of a streamed entry is handed to the writer in pieces of this size.
constexpr size_t kOutputChunkSize = 1u << 20;

struct DeflateDecompressor;  // libdeflate's, freed with the run

// Traditional PKWARE encryption.
class ZipCrypto {
 public:
  void Init(const std::string& password);
  uint8_t DecryptByte(uint8_t cipher) {
    const uint32_t t = (keys_[2] & 0xFFFF) | 2;
    const uint8_t plain = static_cast<uint8_t>(cipher ^ static_cast<uint8_t>((t * (t ^ 1)) >> 8));
    Update(plain);
    return plain;
  }
  void Decrypt(uint8_t* data, size_t n) {
    for (size_t i = 0; i < n; ++i) data[i] = DecryptByte(data[i]);
  }

 private:
  void Update(uint8_t plain);
  uint32_t keys_[3] = {};
};

// The encryption of an entry that the engine cannot decrypt (AES, PKWARE's strong encryption);
// none for a plain entry or traditional encryption.
const char* UnsupportedEncryption(const TZipHeaderInfo& entry);

// What a run needs of its unzipper beyond the public surface: the archive's parts, and the
// checkpoints at which the host's windows are served and a cancel or a pause takes effect.
class RunHost : public ArchiveParts {
 public:
  virtual void Checkpoint(bool with_pause) = 0;
  virtual void PumpIfDue() = 0;  // window messages only, at most a hundred times a second
};

struct DecodeRun : ByteReader, OutputSink {
  // `writing`: entries are written to files (false: test only), through a writer thread.
  DecodeRun(TUnZipper& owner, RunHost& host, bool writing);
  ~DecodeRun();

  // The last output folder known to exist: entries of one folder follow each other, and asking
  // the file system again for every file costs more than the small files themselves.
  std::string known_folder;
  // Makes the files of coming entries ahead of their turn (see file_maker.h); made on first use.
  std::unique_ptr<FileMaker> maker;
  int asked_through = -1;  // the last entry whose file was asked of `maker`

  // Positions the archive at the entry's data (its encryption header first, if any); throws when
  // the local header cannot be read or is not there.
  void PositionAtEntry();
  // Reads the 12-byte encryption header and checks the password, asking OnBadPassword for
  // another one as long as it supplies one; false when the entry is given up.
  bool CheckPassword(int index);
  // Decodes the entry `index` (the working header) into the file handed to `pipeline`, or
  // into nothing when testing. Returns success (false after a size overrun); `unsupported` is
  // set for a method the engine cannot decode.
  bool Decode(int index, bool& unsupported);
  // Asks for the entries from `from` on to be decoded ahead of their turn, without any event,
  // those of the kind that allows it (see ahead_decoder.h); their turn then only reports and
  // hands over the bytes. Only when writing.
  void DecodeAhead(int from);
  // Stops the decoding ahead and drops what it holds: before the archive it reads is closed.
  void StopDecodingAhead();
  // The entry `index` is decoded ahead (asked for now if it was not): its bytes will be ready.
  bool DecodedAhead(int index);

  // The skip bookkeeping of an entry given up: it leaves the run's totals.
  void CountSkipped() {
    total_bytes -= static_cast<int64_t>(std::min<uint64_t>(header.UncompressedSize(), INT64_MAX / 4));
    --num_files;
  }

  // ByteReader / OutputSink
  bool NextByte(uint8_t& byte) override;
  uint8_t* Buffer() override { return out_buf.get(); }
  void FlushBlock(size_t count) override;

  TUnZipper& owner;
  RunHost& host;
  EntryReader reader;
  MemoryBudget budget{kRunBufferBudget};
  MemoryBudget ahead_budgets[kAheadDecoders] = {MemoryBudget(kAheadBufferBudget), MemoryBudget(kAheadBufferBudget)};
  std::unique_ptr<OutputPipeline> pipeline;  // none when testing
  std::unique_ptr<uint8_t[]> in_buf;
  std::unique_ptr<uint8_t[]> out_buf;
  std::unique_ptr<legacy::WorkArea> work;

  int num_files = 0;
  int64_t total_bytes = 0;
  int64_t done = 0;
  int extracted = 0;
  bool retry = false;
  TZipHeaderInfo header;  // the working copy of the current entry

  // decode state of the current entry
  int64_t data_offset = 0;
  int64_t working_csize = 0;  // not yet read from the archive
  int64_t compressed_left = 0;
  size_t in_pos = 0;
  size_t in_left = 0;
  int64_t written = 0;
  int64_t usize = 0;
  uint32_t crc = 0;  // zlib convention: the finished value of what was written so far
  ZipCrypto crypto;

 private:
  // An entry decoded whole: its bytes and their CRC-32, which matched the stored one.
  struct WholeEntry {
    Chunk data;
    uint32_t crc = 0;
  };
  bool FitsWhole(const TZipHeaderInfo& entry) const;
  // Reads and decodes `entry` from `offset` in one piece; nothing when the data is short or
  // damaged or does not give the stored CRC-32 (the block-wise decoding then meets the same
  // bytes and reports them as it always does).
  std::optional<WholeEntry> DecodeWhole(const TZipHeaderInfo& entry, int64_t offset);
  void Report(WholeEntry& whole);
  // Takes the entry `index` from the decoding ahead as Decode would have decoded it: the same
  // events for the same blocks, the same CRC-32, the same failure. Nothing when it is not there.
  std::optional<bool> TakeAhead(int index);
  void ProgressStep(size_t n);
  void HandOver();
  size_t Refill();
  void Stored();
  void Inflate();
  // Decodes the entry through the decoder of its method (see stream_decoder.h); false when the
  // engine has none for it.
  bool StreamEntry(Method method);
  // Takes decoded bytes from anywhere: the size guard, the writer, the CRC-32 and progress.
  void Emit(const uint8_t* data, size_t n);

  std::unique_ptr<DeflateDecompressor> deflate_;
  std::unique_ptr<inflate_state> inflater_;  // ISA-L's streaming state, made on first use
  std::vector<std::pair<Method, std::unique_ptr<StreamDecoder>>> decoders_;  // made on first use
  std::unique_ptr<AheadDecoder> ahead_;
  int ahead_asked_through_ = -1;  // the last entry considered for the decoding ahead
  Chunk pending_;  // streamed output not yet handed to the writer
};

}  // namespace zip
