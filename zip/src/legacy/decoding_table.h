// Lookup tables for the prefix codes of implode, decoded least significant bit first.
#pragma once

#include <cstdint>
#include <vector>

namespace zip::legacy {

struct TableEntry {
  // 0..15: a length or distance symbol with that many extra bits; 16: a literal;
  // 17..32: a link to a sub-table indexed by (op - 16) further bits; 99: no code ends here.
  std::uint8_t op = 99;
  std::uint8_t bits = 0;  // bits this entry consumes
  std::uint32_t value = 0;  // literal, base value, or index of the sub-table's first entry
};

inline constexpr std::uint8_t kOpLiteral = 16;
inline constexpr std::uint8_t kOpInvalid = 99;

struct DecodingTable {
  int lookup_bits = 0;  // bits indexing the first level; 0 when the code is empty
  std::vector<TableEntry> entries;  // first level, then the sub-tables
};

enum class TableResult { kComplete = 0, kIncomplete = 1, kOverSubscribed = 2, kOutOfMemory = 3 };

// Builds the table of a canonical code from the bit lengths (0 = unused, at most 16) of `count`
// symbols. Symbols below `plain_count` decode to themselves; symbol i from there on decodes to
// base[i - plain_count] with extra_bits[i - plain_count] extra bits. `lookup_bits` is the wished
// first-level width; the table narrows it to the code's shortest and longest lengths. An
// incomplete code is reported but still built (a single one-bit code counts as complete).
TableResult BuildDecodingTable(const std::uint8_t* lengths, int count, int plain_count,
                               const std::uint16_t* base, const std::uint8_t* extra_bits,
                               int lookup_bits, DecodingTable& table);

}  // namespace zip::legacy
