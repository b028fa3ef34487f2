// Implode: a sliding dictionary of 4 or 8 KiB whose matches and (optionally) literals are coded
// with Shannon-Fano trees stored at the start of the data. The trees arrive as run-length coded
// bit lengths and their codes are stored complemented, so every lookup inverts the bits it reads.
#include <array>

#include "legacy/decoding_table.h"
#include "legacy/legacy_decoders.h"
#include "legacy/legacy_io.h"

namespace zip::legacy {

namespace {

constexpr std::size_t kWindowSize = 32768;
constexpr std::int64_t kLargeEntry = 200000;

struct Bases {
  std::array<std::uint16_t, 64> length3;  // with a literal tree the shortest match is 3
  std::array<std::uint16_t, 64> length2;
  std::array<std::uint8_t, 64> length_extra;
  std::array<std::uint16_t, 64> distance4k;
  std::array<std::uint16_t, 64> distance8k;
  std::array<std::uint8_t, 64> no_extra;
};

constexpr Bases MakeBases() {
  Bases b{};
  for (int i = 0; i < 64; ++i) {
    b.length3[i] = static_cast<std::uint16_t>(i + 3);
    b.length2[i] = static_cast<std::uint16_t>(i + 2);
    b.length_extra[i] = i == 63 ? 8 : 0;
    b.distance4k[i] = static_cast<std::uint16_t>(64 * i + 1);
    b.distance8k[i] = static_cast<std::uint16_t>(128 * i + 1);
    b.no_extra[i] = 0;
  }
  return b;
}
constexpr Bases kBases = MakeBases();

// Reads the run-length coded bit lengths of `count` codes. False when the runs do not add up
// to exactly `count` or the data ends inside the description.
bool ReadTreeDescription(BitReader& bits, std::uint8_t* lengths, int count) {
  const int pairs = static_cast<int>(bits.Read(8)) + 1;
  int filled = 0;
  for (int i = 0; i < pairs; ++i) {
    const int byte = static_cast<int>(bits.Read(8));
    const int length = (byte & 0x0F) + 1;
    const int repeat = (byte >> 4) + 1;
    if (filled + repeat > count) return false;
    for (int r = 0; r < repeat; ++r) lengths[filled++] = static_cast<std::uint8_t>(length);
  }
  return filled == count && !bits.overrun();
}

class Exploder {
 public:
  Exploder(ByteReader& in, OutputSink& out, WorkArea& work, const ExplodeParams& params,
           const MessageHandler& message)
      : bits_(in), writer_(out), window_(work.window, writer_), params_(params), message_(message) {}

  DecodeEnd Run() {
    const bool large_dictionary = (params_.flags & 0x02) != 0;
    const bool literal_tree = (params_.flags & 0x04) != 0;
    const int distance_bits = params_.compressed_size > kLargeEntry ? 8 : 7;

    if (literal_tree) {
      if (DecodeEnd end = ReadTree(256, 256, nullptr, nullptr, 9, literals_); end != DecodeEnd::kComplete)
        return end;
    }
    if (DecodeEnd end = ReadTree(64, 0, literal_tree ? kBases.length3.data() : kBases.length2.data(),
                                 kBases.length_extra.data(), 7, lengths_);
        end != DecodeEnd::kComplete)
      return end;
    if (DecodeEnd end = ReadTree(64, 0, large_dictionary ? kBases.distance8k.data() : kBases.distance4k.data(),
                                 kBases.no_extra.data(), distance_bits, distances_);
        end != DecodeEnd::kComplete)
      return end;

    const int low_distance_bits = large_dictionary ? 7 : 6;
    std::int64_t to_go = params_.uncompressed_size;
    DecodeEnd end = DecodeEnd::kComplete;
    while (to_go > 0) {
      if (bits_.Read(1) != 0) {
        std::uint8_t literal;
        if (literal_tree) {
          const TableEntry* entry = Decode(literals_);
          if (entry == nullptr) {
            end = DecodeEnd::kDamaged;
            break;
          }
          literal = static_cast<std::uint8_t>(entry->value);
        } else {
          literal = static_cast<std::uint8_t>(bits_.Read(8));
        }
        if (bits_.overrun()) {
          end = DecodeEnd::kDataEnded;
          break;
        }
        window_.Put(literal);
        --to_go;
      } else {
        const std::uint32_t low = bits_.Read(low_distance_bits);
        const TableEntry* distance = Decode(distances_);
        if (distance == nullptr) {
          end = DecodeEnd::kDamaged;
          break;
        }
        const TableEntry* length = Decode(lengths_);
        if (length == nullptr) {
          end = DecodeEnd::kDamaged;
          break;
        }
        std::uint32_t count = length->value;
        if (length->op != 0) count += bits_.Read(length->op);
        if (bits_.overrun()) {
          end = DecodeEnd::kDataEnded;
          break;
        }
        to_go -= count;
        window_.Copy(low + distance->value, count);
      }
    }
    window_.Finish();
    writer_.Flush();
    return end;
  }

 private:
  DecodeEnd ReadTree(int count, int plain_count, const std::uint16_t* base, const std::uint8_t* extra,
                     int lookup_bits, DecodingTable& table) {
    std::uint8_t lengths[256];
    if (!ReadTreeDescription(bits_, lengths, count))
      return bits_.overrun() ? DecodeEnd::kDataEnded : DecodeEnd::kDamaged;
    switch (BuildDecodingTable(lengths, count, plain_count, base, extra, lookup_bits, table)) {
      case TableResult::kComplete:
        return DecodeEnd::kComplete;
      case TableResult::kOutOfMemory:
        if (message_) message_(kMsgInflateOutOfMemory, {}, kCaptionInflateOutOfMemory, 0);
        return DecodeEnd::kOutOfMemory;
      default:
        return DecodeEnd::kDamaged;
    }
  }

  // The entry of the next symbol, its bits consumed; null for a bit pattern no code has.
  const TableEntry* Decode(const DecodingTable& table) {
    int width = table.lookup_bits;
    std::uint32_t offset = 0;
    for (;;) {
      bits_.Need(width);
      const std::uint32_t index = offset + (~bits_.Peek(width) & BitReader::Mask(width));
      if (index >= table.entries.size()) return nullptr;
      const TableEntry& entry = table.entries[index];
      if (entry.op <= kOpLiteral) {
        bits_.Drop(entry.bits);
        return &entry;
      }
      if (entry.op == kOpInvalid) return nullptr;
      bits_.Drop(entry.bits);
      width = entry.op - kOpLiteral;
      offset = entry.value;
    }
  }

  BitReader bits_;
  BlockWriter writer_;
  Window<kWindowSize> window_;
  const ExplodeParams& params_;
  const MessageHandler& message_;
  DecodingTable literals_;
  DecodingTable lengths_;
  DecodingTable distances_;
};

}  // namespace

DecodeEnd Explode(ByteReader& in, OutputSink& out, WorkArea& work, const ExplodeParams& params,
                  const MessageHandler& message) {
  return Exploder(in, out, work, params, message).Run();
}

}  // namespace zip::legacy
