// The state of one extraction run and the decoding of one entry into its output file.
#pragma once

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>

#include "legacy/legacy_decoders.h"
#include "zip/records.h"
#include "zip/streams.h"

namespace zip {

class TUnZipper;

constexpr int kBlockSize = 32768;

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

struct DecodeRun : legacy::ByteReader, legacy::OutputSink {
  explicit DecodeRun(TUnZipper& owner);

  // The last output folder known to exist: entries of one folder follow each other, and asking
  // the file system again for every file costs more than the small files themselves.
  std::string known_folder;

  // Positions the archive at the entry's data (after any encryption header); false when the
  // local header cannot be read.
  void PositionAtEntry();
  // Reads the 12-byte encryption header and checks the password, asking OnBadPassword for
  // another one as long as it supplies one; false when the entry is given up.
  bool CheckPassword(int index);
  // Decodes into `output` (none: test only). Returns success (false after a size overrun);
  // `unsupported` is set for a method the engine cannot decode.
  bool Decode(TLFNFileStream* output, bool& unsupported);

  // The skip bookkeeping of an entry given up: it leaves the run's totals.
  void CountSkipped() {
    total_bytes -= static_cast<int64_t>(std::min<uint64_t>(header.UncompressedSize(), INT64_MAX / 4));
    --num_files;
  }

  // legacy::ByteReader / OutputSink
  bool NextByte(uint8_t& byte) override;
  uint8_t* Buffer() override { return out_buf.get(); }
  void FlushBlock(size_t count) override;

  TUnZipper& owner;
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
  TLFNFileStream* output = nullptr;

 private:
  size_t Refill();
  void ReadBlock(uint8_t* into, int64_t n);
  void Stored();
  void Inflate();
};

}  // namespace zip
