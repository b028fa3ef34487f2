// Binary delta patches: a file of the new release described against the same file of the release
// the customer has (its base), so that an update ships the difference instead of the whole file.
//
// MakePatch(base, result) finds, with a suffix array of the base, long stretches of the result
// that closely match the base (code that moved, data that changed a little) and describes the
// result as records of "add these bytes to the base's bytes at this place" and "copy these new
// bytes"; the three streams of a patch (records, byte differences, new bytes) are each
// compressed with LZMA2. The layout is in README.md, "Delta patches".
//
// ApplyPatch(base, patch, sink) hands the result to the sink in pieces of at most
// kDeltaChunkSize bytes, in order; it holds the base (the caller's bytes) and at most
// kDeltaApplyMemory bytes of its own, whatever the patch says. A patch that is not one, damaged,
// cut short, made for a base of another size or that would read outside the base raises
// EDeltaError with the cause; what the sink received until then is to be thrown away. The
// result's length is the one in the header, but its content is only as good as the base: the
// caller checks the result's SHA-256 (a patch applied to another base of the same size gives a
// wrong result without any error).
//
// Files larger than kMaxDeltaFileSize (base or result) get no patch: they are shipped whole.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <vector>

#include "platform/exceptions.h"

namespace release {

// Above this size (base or result) a file is shipped whole: making a patch needs about nine
// times the base's size in memory, and the launcher holds the whole base while applying.
inline constexpr uint64_t kMaxDeltaFileSize = uint64_t{512} << 20;
// The largest piece ApplyPatch gives its sink at once.
inline constexpr size_t kDeltaChunkSize = size_t{64} << 10;
// What ApplyPatch allocates at most besides the base: the stream decoders' dictionaries
// (bounded by their memory limits whatever the patch asks) and its buffers.
inline constexpr uint64_t kDeltaApplyMemory = uint64_t{32} << 20;

class EDeltaError : public platform::Exception {
  using Exception::Exception;
};

struct DeltaHeader {
  uint64_t base_size = 0;
  uint64_t result_size = 0;
};

// The header alone, checked (magic, version, flags, sizes within the limit, the streams' lengths
// adding up to the patch's): lets the caller check the base's size before reading it.
DeltaHeader ReadDeltaHeader(std::span<const uint8_t> patch);

// Raises EDeltaError when base or result is larger than kMaxDeltaFileSize.
std::vector<uint8_t> MakePatch(std::span<const uint8_t> base, std::span<const uint8_t> result);

using DeltaSink = std::function<void(std::span<const uint8_t> piece)>;
void ApplyPatch(std::span<const uint8_t> base, std::span<const uint8_t> patch, const DeltaSink& sink);
// The same, the result gathered in memory.
std::vector<uint8_t> ApplyPatch(std::span<const uint8_t> base, std::span<const uint8_t> patch);

}  // namespace release
