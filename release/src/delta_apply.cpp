// The patch applier: the three streams decoded side by side, a piece at a time, every record
// checked against the base's and the result's sizes before a byte of it is produced.
#include <lzma.h>

#include <algorithm>
#include <string>

#include "delta_format.h"
#include "release/delta.h"

namespace release {
namespace {

using namespace delta;

[[noreturn]] void Damaged(const std::string& cause) { throw EDeltaError("Delta patch is damaged: " + cause); }

// One packed stream, decoded a buffer at a time and read exactly as far as the records say,
// never further than its end.
class StreamReader {
 public:
  StreamReader(std::span<const uint8_t> packed, Stream which) : which_(which) {
    if (lzma_stream_decoder(&stream_, kDecoderMemory[which], 0) != LZMA_OK)
      throw EDeltaError("Cannot set up the decoder for a delta patch");
    stream_.next_in = packed.data();
    stream_.avail_in = packed.size();
  }
  ~StreamReader() { lzma_end(&stream_); }
  StreamReader(const StreamReader&) = delete;
  StreamReader& operator=(const StreamReader&) = delete;

  void Read(uint8_t* out, size_t size) {
    while (size > 0) {
      if (at_ == held_ && !Fill()) Fail("it ends before the records do");
      const size_t n = std::min(size, held_ - at_);
      std::copy_n(buffer_.data() + at_, n, out);
      at_ += n;
      out += n;
      size -= n;
    }
  }

  uint8_t Byte() {
    if (at_ == held_ && !Fill()) Fail("it ends before the records do");
    return buffer_[at_++];
  }

  // True when nothing is left of the stream.
  bool AtEnd() { return at_ == held_ && !Fill(); }

  // The stream must end where the records end, and the packed bytes with it.
  void Finish() {
    if (!AtEnd()) Fail("it holds more than the records use");
    if (stream_.avail_in != 0) Fail("bytes follow its end");
  }

  [[noreturn]] void Fail(const std::string& cause) const {
    Damaged(std::string("the ") + kStreamNames[which_] + " stream: " + cause);
  }

 private:
  // Decodes the next bytes into the buffer; false at the stream's end.
  bool Fill() {
    at_ = held_ = 0;
    while (!ended_ && held_ == 0) {
      stream_.next_out = buffer_.data();
      stream_.avail_out = buffer_.size();
      Step();
      held_ = buffer_.size() - stream_.avail_out;
    }
    return held_ > 0;
  }

  void Step() {
    const size_t in_before = stream_.avail_in, out_before = stream_.avail_out;
    const lzma_ret ret = lzma_code(&stream_, LZMA_FINISH);
    switch (ret) {
      case LZMA_OK:
        // All the input is there: a call that moves nothing can never finish.
        if (stream_.avail_in == in_before && stream_.avail_out == out_before) Fail("it is cut short");
        return;
      case LZMA_STREAM_END: ended_ = true; return;
      case LZMA_BUF_ERROR: Fail("it is cut short");
      case LZMA_MEMLIMIT_ERROR: Fail("it asks for more memory than a patch may use");
      case LZMA_MEM_ERROR: throw EDeltaError("Not enough memory to apply a delta patch");
      case LZMA_DATA_ERROR: Fail("its data is corrupt");
      case LZMA_FORMAT_ERROR: Fail("it is not an xz stream");
      case LZMA_OPTIONS_ERROR: Fail("it uses unsupported options");
      default: Fail("its check does not match");
    }
  }

  lzma_stream stream_ = LZMA_STREAM_INIT;
  Stream which_;
  bool ended_ = false;
  std::vector<uint8_t> buffer_ = std::vector<uint8_t>(16384);
  size_t at_ = 0, held_ = 0;  // the decoded bytes not yet read are buffer_[at_, held_)
};

// A number of the records or of the differences' runs: 7 bits a byte, low first.
uint64_t Varint(StreamReader& stream, const char* what) {
  uint64_t value = 0;
  for (int shift = 0;; shift += 7) {
    const uint8_t byte = stream.Byte();
    if (shift == 63 && byte > 1) Damaged(std::string("a number in the ") + what + " is too large");
    value |= uint64_t{byte & 0x7fu} << shift;
    if (!(byte & 0x80)) return value;
  }
}

// The differences, as they are (version 1) or coded as runs (version 2): a number of zeros,
// a number of bytes, those bytes; again until the records are done.
class DiffReader {
 public:
  DiffReader(StreamReader& stream, bool runs) : stream_(stream), runs_(runs) {}

  void Read(uint8_t* out, size_t size) {
    if (!runs_) return stream_.Read(out, size);
    while (size > 0) {
      if (zeros_ == 0 && bytes_ == 0) {
        zeros_ = Varint(stream_, "differences");
        bytes_ = Varint(stream_, "differences");
        // Every run moves the differences on, so there can be no more runs than their bytes.
        if (zeros_ == 0 && bytes_ == 0) stream_.Fail("an empty run");
      }
      const size_t zeros = static_cast<size_t>(std::min<uint64_t>(zeros_, size));
      std::fill_n(out, zeros, uint8_t{0});
      zeros_ -= zeros;
      out += zeros;
      size -= zeros;
      const size_t bytes = zeros_ > 0 ? 0 : static_cast<size_t>(std::min<uint64_t>(bytes_, size));
      stream_.Read(out, bytes);
      bytes_ -= bytes;
      out += bytes;
      size -= bytes;
    }
  }

  void Finish() {
    if (zeros_ != 0 || bytes_ != 0) stream_.Fail("it holds more than the records use");
    stream_.Finish();
  }

 private:
  StreamReader& stream_;
  const bool runs_;
  uint64_t zeros_ = 0, bytes_ = 0;  // what is left of the current run
};

}  // namespace

DeltaHeader ReadDeltaHeader(std::span<const uint8_t> patch) {
  if (patch.size() < kVersionOffset || !std::equal(kMagic.begin(), kMagic.begin() + kVersionOffset, patch.begin()))
    throw EDeltaError("Not a delta patch");
  if (patch.size() < kHeaderSize) throw EDeltaError("Delta patch is cut short");
  if (patch[kVersionOffset] != kVersion && patch[kVersionOffset] != kPlainDifferencesVersion)
    throw EDeltaError("Delta patch of an unsupported version (" + std::to_string(patch[kVersionOffset]) + ")");
  DeltaHeader header;
  header.base_size = GetLe64(&patch[8]);
  header.result_size = GetLe64(&patch[16]);
  if (header.base_size > kMaxDeltaFileSize || header.result_size > kMaxDeltaFileSize)
    Damaged("a file size above the limit");
  uint64_t rest = patch.size() - kHeaderSize;
  for (int s = 0; s < kStreamCount; ++s) {
    const uint64_t length = GetLe64(&patch[24 + 8 * s]);
    if (length > rest) throw EDeltaError("Delta patch is cut short");
    rest -= length;
  }
  if (rest != 0) Damaged(std::to_string(rest) + " bytes after its last stream");
  return header;
}

void ApplyPatch(std::span<const uint8_t> base, std::span<const uint8_t> patch, const DeltaSink& sink) {
  const DeltaHeader header = ReadDeltaHeader(patch);
  if (header.base_size != base.size())
    throw EDeltaError("Delta patch is for a base file of " + std::to_string(header.base_size) + " bytes, not " +
                      std::to_string(base.size()));

  size_t offset = kHeaderSize;
  std::span<const uint8_t> packed[kStreamCount];
  for (int s = 0; s < kStreamCount; ++s) {
    const size_t length = static_cast<size_t>(GetLe64(&patch[24 + 8 * s]));
    packed[s] = patch.subspan(offset, length);
    offset += length;
  }
  StreamReader records(packed[kRecords], kRecords), diff_stream(packed[kDiff], kDiff), extra(packed[kExtra], kExtra);
  DiffReader diff(diff_stream, patch[kVersionOffset] != kPlainDifferencesVersion);

  std::vector<uint8_t> piece(kDeltaChunkSize);
  const uint64_t base_size = base.size();
  uint64_t done = 0, base_pos = 0;
  while (done < header.result_size) {
    const uint64_t zigzag = Varint(records, "records");
    const int64_t seek = static_cast<int64_t>(zigzag >> 1) ^ -static_cast<int64_t>(zigzag & 1);
    const uint64_t add = Varint(records, "records");
    const uint64_t copy = Varint(records, "records");
    // Every record moves the result on (the maker joins empty ones to the next), so the records
    // can be no more than the result's bytes.
    if (add == 0 && copy == 0) Damaged("an empty record");
    // Both sizes are far below 2^63 (the limit), so these cannot overflow.
    if (seek < -static_cast<int64_t>(base_pos) || seek > static_cast<int64_t>(base_size - base_pos))
      Damaged("a record moves outside the base file");
    base_pos = static_cast<uint64_t>(static_cast<int64_t>(base_pos) + seek);
    if (add > base_size - base_pos) Damaged("a record reads past the base file's end");
    if (add > header.result_size - done || copy > header.result_size - done - add)
      Damaged("the records make a longer result than its header says");

    for (uint64_t left = add; left > 0;) {
      const size_t n = static_cast<size_t>(std::min<uint64_t>(left, piece.size()));
      diff.Read(piece.data(), n);
      const uint8_t* from = base.data() + base_pos;
      for (size_t i = 0; i < n; ++i) piece[i] = static_cast<uint8_t>(piece[i] + from[i]);
      sink(std::span<const uint8_t>(piece.data(), n));
      base_pos += n;
      left -= n;
    }
    for (uint64_t left = copy; left > 0;) {
      const size_t n = static_cast<size_t>(std::min<uint64_t>(left, piece.size()));
      extra.Read(piece.data(), n);
      sink(std::span<const uint8_t>(piece.data(), n));
      left -= n;
    }
    done += add + copy;
  }
  if (!records.AtEnd()) Damaged("records follow the result's end");
  records.Finish();
  diff.Finish();
  extra.Finish();
}

std::vector<uint8_t> ApplyPatch(std::span<const uint8_t> base, std::span<const uint8_t> patch) {
  // Not reserved from the header: a patch's word is not trusted before its streams are read.
  std::vector<uint8_t> result;
  ApplyPatch(base, patch, [&](std::span<const uint8_t> piece) { result.insert(result.end(), piece.begin(), piece.end()); });
  return result;
}

}  // namespace release
