#include "legacy/decoding_table.h"

#include <algorithm>
#include <new>

namespace zip::legacy {

namespace {

constexpr int kMaxLength = 16;

std::uint32_t Reverse(std::uint32_t code, int length) {
  std::uint32_t reversed = 0;
  for (int i = 0; i < length; ++i, code >>= 1) reversed = (reversed << 1) | (code & 1);
  return reversed;
}

}  // namespace

TableResult BuildDecodingTable(const std::uint8_t* lengths, int count, int plain_count,
                               const std::uint16_t* base, const std::uint8_t* extra_bits,
                               int lookup_bits, DecodingTable& table) {
  table.entries.clear();
  table.lookup_bits = 0;

  int per_length[kMaxLength + 1] = {};
  for (int i = 0; i < count; ++i) {
    if (lengths[i] > kMaxLength) return TableResult::kOverSubscribed;
    ++per_length[lengths[i]];
  }
  per_length[0] = 0;
  int shortest = 0;
  int longest = 0;
  for (int len = 1; len <= kMaxLength; ++len) {
    if (per_length[len] == 0) continue;
    if (shortest == 0) shortest = len;
    longest = len;
  }
  if (longest == 0) return TableResult::kComplete;
  const int m = std::clamp(lookup_bits, shortest, longest);

  // Kraft's sum, counted in units of the longest code.
  std::int64_t space = 1;
  for (int len = 1; len <= kMaxLength; ++len) {
    space = (space << 1) - per_length[len];
    if (space < 0) return TableResult::kOverSubscribed;
  }
  const bool incomplete = space > 0;

  std::uint32_t next_code[kMaxLength + 1] = {};
  std::uint32_t code = 0;
  for (int len = 1; len <= kMaxLength; ++len) {
    code = (code + static_cast<std::uint32_t>(per_length[len - 1])) << 1;
    next_code[len] = code;
  }

  auto leaf = [&](int symbol, int bits) {
    TableEntry entry;
    entry.bits = static_cast<std::uint8_t>(bits);
    if (symbol < plain_count) {
      entry.op = symbol < 256 ? kOpLiteral : 15;
      entry.value = static_cast<std::uint32_t>(symbol);
    } else {
      entry.op = extra_bits[symbol - plain_count];
      entry.value = base[symbol - plain_count];
    }
    return entry;
  };

  try {
    const std::uint32_t first_size = std::uint32_t{1} << m;
    const std::uint32_t first_mask = first_size - 1;
    table.entries.assign(first_size, TableEntry{});
    std::vector<std::uint32_t> reversed(static_cast<std::size_t>(count));
    std::vector<std::uint8_t> sub_bits(first_size, 0);
    for (int symbol = 0; symbol < count; ++symbol) {
      const int len = lengths[symbol];
      if (len == 0) continue;
      reversed[symbol] = Reverse(next_code[len]++, len);
      if (len > m) {
        std::uint8_t& bits = sub_bits[reversed[symbol] & first_mask];
        bits = std::max<std::uint8_t>(bits, static_cast<std::uint8_t>(len - m));
      }
    }
    for (std::uint32_t slot = 0; slot < first_size; ++slot) {
      if (sub_bits[slot] == 0) continue;
      TableEntry& link = table.entries[slot];
      link.op = static_cast<std::uint8_t>(kOpLiteral + sub_bits[slot]);
      link.bits = static_cast<std::uint8_t>(m);
      link.value = static_cast<std::uint32_t>(table.entries.size());
      table.entries.resize(table.entries.size() + (std::size_t{1} << sub_bits[slot]));
    }
    for (int symbol = 0; symbol < count; ++symbol) {
      const int len = lengths[symbol];
      if (len == 0) continue;
      const std::uint32_t rev = reversed[symbol];
      if (len <= m) {
        // A short code owns every index whose low bits are its own.
        for (std::uint32_t i = rev; i < first_size; i += std::uint32_t{1} << len)
          table.entries[i] = leaf(symbol, len);
      } else {
        const TableEntry link = table.entries[rev & first_mask];
        const std::uint32_t sub_size = std::uint32_t{1} << (link.op - kOpLiteral);
        for (std::uint32_t i = rev >> m; i < sub_size; i += std::uint32_t{1} << (len - m))
          table.entries[link.value + i] = leaf(symbol, len - m);
      }
    }
  } catch (const std::bad_alloc&) {
    table.entries.clear();
    table.entries.shrink_to_fit();
    return TableResult::kOutOfMemory;
  }
  table.lookup_bits = m;
  return incomplete && longest != 1 ? TableResult::kIncomplete : TableResult::kComplete;
}

}  // namespace zip::legacy
