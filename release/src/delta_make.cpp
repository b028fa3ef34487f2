// The patch maker: a suffix array of the base, a greedy scan of the result for stretches that
// closely match the base, the differences coded as runs, and the three streams packed with LZMA2.
#include <lzma.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <thread>

#include "delta_format.h"
#include "release/delta.h"

extern "C" {
#include <divsufsort.h>
}

namespace release {
namespace {

using namespace delta;

// A stretch found by the suffix array that runs longer than this is taken as it is, even when
// the current alignment matches almost as well: without it a long exact match at another place
// would be searched again at every following byte (quadratic time on repetitive files).
constexpr int64_t kTakeMatchLength = 4096;

size_t CommonLength(const uint8_t* a, size_t a_size, const uint8_t* b, size_t b_size) {
  const size_t limit = std::min(a_size, b_size);
  size_t i = 0;
  while (i < limit && a[i] == b[i]) ++i;
  return i;
}

// memcmp in pieces: it stops at the first difference anyway, but a checked build (the address
// sanitizer) looks at the whole length first, which made each search cost the rest of the file.
int Compare(const uint8_t* a, const uint8_t* b, size_t size) {
  constexpr size_t kPiece = 256;
  for (size_t at = 0; at < size; at += kPiece) {
    if (const int order = std::memcmp(a + at, b + at, std::min(kPiece, size - at)); order != 0) return order;
  }
  return 0;
}

class SuffixIndex {
 public:
  explicit SuffixIndex(std::span<const uint8_t> base) : base_(base), sa_(base.size()) {
    if (!base.empty() && divsufsort(base.data(), sa_.data(), static_cast<saidx_t>(base.size())) != 0)
      throw EDeltaError("Cannot index the base file for a delta patch");
    // Where the suffixes starting with each pair of bytes lie in the array: a search starts
    // inside its pair's range instead of halving the whole array (the first halvings are the
    // ones that miss the cache). The one suffix of a single byte belongs to no pair.
    pairs_.assign(size_t{65536} + 1, 0);
    for (size_t i = 0; i + 1 < base.size(); ++i) ++pairs_[Pair(base.data() + i) + 1];
    for (size_t k = 0; k < 65536; ++k) pairs_[k + 1] += pairs_[k];
    // The counts above leave out the single-byte suffix: shift the ranges after it by one.
    if (!base.empty()) {
      for (size_t k = size_t{base.back()} * 256; k <= 65536; ++k) ++pairs_[k];
    }
  }

  // The longest prefix of `text` found in the base: its length, and its place in `pos`.
  int64_t LongestMatch(const uint8_t* text, size_t text_size, int64_t& pos) const {
    if (sa_.empty()) {
      pos = 0;
      return 0;
    }
    size_t lo = 0, hi = sa_.size() - 1;
    if (text_size >= 2) {
      const uint32_t pair = Pair(text);
      // No suffix of the base starts with the pair: the whole array it is.
      if (pairs_[pair + 1] > pairs_[pair]) {
        lo = pairs_[pair];
        hi = pairs_[pair + 1] - 1;
      }
    }
    while (hi - lo > 1) {
      const size_t mid = lo + (hi - lo) / 2;
      const size_t at = static_cast<size_t>(sa_[mid]);
      const size_t n = std::min(base_.size() - at, text_size);
      // A suffix that is a proper prefix of the text sorts before it.
      const int order = Compare(base_.data() + at, text, n);
      if (order < 0 || (order == 0 && base_.size() - at < text_size))
        lo = mid;
      else
        hi = mid;
    }
    const size_t at_lo = static_cast<size_t>(sa_[lo]), at_hi = static_cast<size_t>(sa_[hi]);
    const size_t len_lo = CommonLength(base_.data() + at_lo, base_.size() - at_lo, text, text_size);
    const size_t len_hi = CommonLength(base_.data() + at_hi, base_.size() - at_hi, text, text_size);
    if (len_lo >= len_hi) {
      pos = static_cast<int64_t>(at_lo);
      return static_cast<int64_t>(len_lo);
    }
    pos = static_cast<int64_t>(at_hi);
    return static_cast<int64_t>(len_hi);
  }

 private:
  static uint32_t Pair(const uint8_t* at) { return uint32_t{at[0]} << 8 | at[1]; }

  std::span<const uint8_t> base_;
  std::vector<saidx_t> sa_;
  std::vector<uint32_t> pairs_;  // the suffixes starting with pair k are [pairs_[k], pairs_[k + 1])
};

void PutVarint(std::vector<uint8_t>& out, uint64_t value) {
  while (value >= 0x80) {
    out.push_back(static_cast<uint8_t>(value | 0x80));
    value >>= 7;
  }
  out.push_back(static_cast<uint8_t>(value));
}

struct Streams {
  std::vector<uint8_t> parts[kStreamCount];
};

// The differences are packed in independent blocks of this size, on several processors while
// the scan goes on: the stream stays one that a single-threaded decoder reads, and the same input
// gives the same bytes on every machine whatever its number of processors. A block can only
// refer to itself, so a dictionary larger than a block would be wasted.
constexpr uint32_t kDiffBlockSize = 4u << 20;

lzma_options_lzma PackOptions(Stream stream, size_t size) {
  lzma_options_lzma options;
  if (lzma_lzma_preset(&options, 9 | LZMA_PRESET_EXTREME)) throw EDeltaError("Cannot set up LZMA2");
  // No alignment of positions in the streams' bytes to rely on (a little smaller than pb=2).
  options.pb = 0;
  const uint32_t largest = stream == kDiff ? std::min(kDiffBlockSize, kMaxDictionary[stream]) : kMaxDictionary[stream];
  options.dict_size = std::clamp<uint32_t>(static_cast<uint32_t>(std::min<size_t>(size, UINT32_MAX)),
                                           LZMA_DICT_SIZE_MIN, largest);
  return options;
}

class DiffPacker {
 public:
  explicit DiffPacker(size_t most) : options_(PackOptions(kDiff, most)) {
    lzma_mt mt{};
    mt.block_size = kDiffBlockSize;
    const size_t blocks = std::max<size_t>(1, (most + kDiffBlockSize - 1) / kDiffBlockSize);
    mt.threads = static_cast<uint32_t>(std::clamp<size_t>(std::thread::hardware_concurrency(), 1, std::min<size_t>(blocks, 8)));
    mt.filters = filters_;
    mt.check = LZMA_CHECK_CRC32;
    if (lzma_stream_encoder_mt(&encoder_, &mt) != LZMA_OK) Fail();
  }
  ~DiffPacker() { lzma_end(&encoder_); }
  DiffPacker(const DiffPacker&) = delete;
  DiffPacker& operator=(const DiffPacker&) = delete;

  // The encoder copies what it is given into a block and hands full blocks to its threads.
  void Feed(const uint8_t* data, size_t size) { Code(data, size, LZMA_RUN); }
  std::vector<uint8_t> Finish(const uint8_t* data, size_t size) {
    Code(data, size, LZMA_FINISH);
    out_.resize(out_pos_);
    return std::move(out_);
  }

 private:
  void Code(const uint8_t* data, size_t size, lzma_action action) {
    encoder_.next_in = data;
    encoder_.avail_in = size;
    for (;;) {
      if (out_pos_ == out_.size()) out_.resize(out_.size() + out_.size() / 2 + (64 << 10));
      encoder_.next_out = out_.data() + out_pos_;
      encoder_.avail_out = out_.size() - out_pos_;
      const lzma_ret ret = lzma_code(&encoder_, action);
      out_pos_ = out_.size() - encoder_.avail_out;
      if (ret == LZMA_STREAM_END || (action == LZMA_RUN && ret == LZMA_OK && encoder_.avail_in == 0)) return;
      if (ret != LZMA_OK) Fail();
    }
  }
  [[noreturn]] static void Fail() { throw EDeltaError("Cannot compress a delta patch's differences"); }

  lzma_options_lzma options_;
  lzma_filter filters_[2] = {{LZMA_FILTER_LZMA2, &options_}, {LZMA_VLI_UNKNOWN, nullptr}};
  lzma_stream encoder_ = LZMA_STREAM_INIT;
  std::vector<uint8_t> out_;
  size_t out_pos_ = 0;
};

class RecordWriter {
 public:
  RecordWriter(std::span<const uint8_t> base, std::span<const uint8_t> result, Streams& out, DiffPacker& packer)
      : base_(base), result_(result), out_(out), packer_(packer) {}

  // Result bytes [result_pos, result_pos + add) are base bytes from base_pos plus differences;
  // the next `copy` result bytes are new.
  void Write(int64_t result_pos, int64_t base_pos, int64_t add, int64_t copy) {
    if (add == 0 && copy == 0) return;  // its move of the base position joins the next record's
    const int64_t seek = base_pos - base_cursor_;
    PutVarint(out_.parts[kRecords], (static_cast<uint64_t>(seek) << 1) ^ static_cast<uint64_t>(seek >> 63));
    PutVarint(out_.parts[kRecords], static_cast<uint64_t>(add));
    PutVarint(out_.parts[kRecords], static_cast<uint64_t>(copy));
    auto& diff = out_.parts[kDiff];
    const uint8_t* to = result_.data() + result_pos;
    const uint8_t* from = base_.data() + base_pos;
    for (int64_t i = 0; i < add; ++i) {
      const uint8_t difference = static_cast<uint8_t>(to[i] - from[i]);
      if (difference == 0) {
        if (!bytes_.empty()) EndRun();
        ++zeros_;
      } else {
        bytes_.push_back(difference);
      }
    }
    if (diff.size() - fed_ >= kDiffBlockSize) {
      packer_.Feed(diff.data() + fed_, diff.size() - fed_);
      fed_ = diff.size();
    }
    const uint8_t* extra = result_.data() + result_pos + add;
    out_.parts[kExtra].insert(out_.parts[kExtra].end(), extra, extra + copy);
    base_cursor_ = base_pos + add;
  }

  // The last run, once the scan is done.
  void Finish() {
    if (zeros_ != 0 || !bytes_.empty()) EndRun();
  }

  size_t Fed() const { return fed_; }

 private:
  // The differences go out as runs: the zeros, then the bytes that are not zero after them.
  void EndRun() {
    auto& diff = out_.parts[kDiff];
    PutVarint(diff, zeros_);
    PutVarint(diff, bytes_.size());
    diff.insert(diff.end(), bytes_.begin(), bytes_.end());
    zeros_ = 0;
    bytes_.clear();
  }

  std::span<const uint8_t> base_, result_;
  Streams& out_;
  DiffPacker& packer_;
  int64_t base_cursor_ = 0;
  size_t fed_ = 0;  // the differences given to the packer so far
  uint64_t zeros_ = 0;          // the current run: its zeros,
  std::vector<uint8_t> bytes_;  // and the bytes that followed them
};

// The greedy scan: moves through the result looking for an exact match in the base that beats
// the current alignment (the base position that follows from the last match) by more than a few
// bytes; each time one is found, the stretch since the last one is described as the old
// alignment extended forward, new bytes, and the new match's alignment extended backward.
Streams Scan(std::span<const uint8_t> base, std::span<const uint8_t> result, DiffPacker& packer, size_t& fed) {
  Streams out;
  out.parts[kDiff].reserve(result.size() / 4);
  RecordWriter writer(base, result, out, packer);
  const SuffixIndex index(base);
  const uint8_t* old_bytes = base.data();
  const uint8_t* new_bytes = result.data();
  const int64_t old_size = static_cast<int64_t>(base.size());
  const int64_t new_size = static_cast<int64_t>(result.size());

  int64_t scan = 0, len = 0, pos = 0;
  int64_t last_scan = 0, last_pos = 0, last_offset = 0;
  while (scan < new_size) {
    int64_t old_score = 0;
    int64_t scored = scan += len;
    for (; scan < new_size; ++scan) {
      len = index.LongestMatch(new_bytes + scan, static_cast<size_t>(new_size - scan), pos);
      for (; scored < scan + len; ++scored)
        if (scored + last_offset < old_size && old_bytes[scored + last_offset] == new_bytes[scored]) ++old_score;
      if ((len == old_score && len != 0) || len > old_score + 8 || len >= kTakeMatchLength) break;
      if (scan + last_offset < old_size && old_bytes[scan + last_offset] == new_bytes[scan]) --old_score;
    }
    if (len == old_score && scan != new_size) continue;

    // Forward from the last match: the longest stretch where at least half the bytes agree.
    int64_t forward = 0;
    {
      int64_t same = 0, best = 0;
      for (int64_t i = 0; last_scan + i < scan && last_pos + i < old_size;) {
        if (old_bytes[last_pos + i] == new_bytes[last_scan + i]) ++same;
        ++i;
        if (same * 2 - i > best * 2 - forward) {
          best = same;
          forward = i;
        }
      }
    }
    // Backward from the new match, the same way.
    int64_t backward = 0;
    if (scan < new_size) {
      int64_t same = 0, best = 0;
      for (int64_t i = 1; scan >= last_scan + i && pos >= i; ++i) {
        if (old_bytes[pos - i] == new_bytes[scan - i]) ++same;
        if (same * 2 - i > best * 2 - backward) {
          best = same;
          backward = i;
        }
      }
    }
    // Where the two overlap, split them where the most bytes agree.
    if (last_scan + forward > scan - backward) {
      const int64_t overlap = (last_scan + forward) - (scan - backward);
      int64_t same = 0, best = 0, split = 0;
      for (int64_t i = 0; i < overlap; ++i) {
        if (new_bytes[last_scan + forward - overlap + i] == old_bytes[last_pos + forward - overlap + i]) ++same;
        if (new_bytes[scan - backward + i] == old_bytes[pos - backward + i]) --same;
        if (same > best) {
          best = same;
          split = i + 1;
        }
      }
      forward += split - overlap;
      backward -= split;
    }

    writer.Write(last_scan, last_pos, forward, (scan - backward) - (last_scan + forward));
    last_scan = scan - backward;
    last_pos = pos - backward;
    last_offset = pos - scan;
  }
  writer.Finish();
  fed = writer.Fed();
  return out;
}

std::vector<uint8_t> Pack(const std::vector<uint8_t>& data, Stream stream) {
  lzma_options_lzma options = PackOptions(stream, data.size());
  lzma_filter filters[] = {{LZMA_FILTER_LZMA2, &options}, {LZMA_VLI_UNKNOWN, nullptr}};
  std::vector<uint8_t> out(lzma_stream_buffer_bound(data.size()));
  size_t out_pos = 0;
  if (lzma_stream_buffer_encode(filters, LZMA_CHECK_CRC32, nullptr, data.data(), data.size(), out.data(), &out_pos,
                                out.size()) != LZMA_OK)
    throw EDeltaError("Cannot compress a delta patch's " + std::string(kStreamNames[stream]));
  out.resize(out_pos);
  return out;
}

}  // namespace

std::vector<uint8_t> MakePatch(std::span<const uint8_t> base, std::span<const uint8_t> result) {
  if (base.size() > kMaxDeltaFileSize || result.size() > kMaxDeltaFileSize)
    throw EDeltaError("A file larger than " + std::to_string(kMaxDeltaFileSize >> 20) +
                      " MiB gets no delta patch; it is shipped whole");
  DiffPacker packer(result.size());
  size_t fed = 0;
  const Streams streams = Scan(base, result, packer, fed);

  // The last blocks of differences are packed beside the other two streams.
  std::vector<uint8_t> packed[kStreamCount];
  std::exception_ptr failure;
  std::thread diff_packer([&] {
    try {
      const auto& diff = streams.parts[kDiff];
      packed[kDiff] = packer.Finish(diff.data() + fed, diff.size() - fed);
    } catch (...) {
      failure = std::current_exception();
    }
  });
  try {
    packed[kRecords] = Pack(streams.parts[kRecords], kRecords);
    packed[kExtra] = Pack(streams.parts[kExtra], kExtra);
  } catch (...) {
    diff_packer.join();
    throw;
  }
  diff_packer.join();
  if (failure) std::rethrow_exception(failure);

  std::vector<uint8_t> patch(kHeaderSize);
  std::copy(kMagic.begin(), kMagic.end(), patch.begin());
  PutLe64(&patch[8], base.size());
  PutLe64(&patch[16], result.size());
  for (int s = 0; s < kStreamCount; ++s) {
    PutLe64(&patch[24 + 8 * s], packed[s].size());
    patch.insert(patch.end(), packed[s].begin(), packed[s].end());
  }
  return patch;
}

}  // namespace release
