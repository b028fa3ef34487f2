// Entries decoded on a thread of their own, ahead of their turn. Decoding costs about half of
// what the file system costs for the same bytes: while the calling thread waits for the writer
// to finish one entry, this thread decodes the next ones into buffers drawn on a budget of their
// own, so that the writer always finds the next bytes ready.
//
// It only decodes: every event, question and decision stays with the entry's turn on the calling
// thread, which takes the decoded bytes block by block as if it had decoded them itself (the
// same blocks, the same CRC-32, the same failure after the same blocks; see inflate_blocks.h).
// Only plain stored and deflated entries of an archive in one part are decoded ahead; an entry
// whose local header is not where the directory says is left to its turn, which reports it.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include "output_pipeline.h"
#include "platform/stream.h"

struct inflate_state;            // ISA-L's
struct libdeflate_decompressor;  // libdeflate's

namespace zip {

class AheadDecoder {
 public:
  // What is known of an entry from the directory.
  struct Job {
    int index = -1;
    uint64_t local_offset = 0;  // of its local header
    int64_t compressed_size = 0;
    int64_t size = 0;           // the stated uncompressed size
    bool deflated = false;      // else stored
    bool whole = false;         // small enough to be decoded in one piece (sizes to be trusted)
    uint32_t crc = 0;           // the stated CRC-32 (decoding whole is only kept when it matches)
  };
  // How the decoding of an entry ended once all its bytes were taken.
  struct End {
    uint32_t crc = 0;         // of the bytes decoded
    bool overrun = false;     // the data went on past the stated size (its bytes up to it taken)
    std::exception_ptr error;  // what the entry's turn raises after the bytes taken
  };
  enum class Step { kNotAhead, kPiece, kEnd };

  // `archive` is read at the entries' offsets under `archive_lock`, which every other reader of
  // it holds too; its position is put back after every read. `budget` bounds the bytes decoded
  // and not yet written.
  AheadDecoder(platform::Stream& archive, std::mutex& archive_lock, MemoryBudget& budget);
  ~AheadDecoder();  // stops the thread; whatever was decoded and not taken is dropped
  AheadDecoder(const AheadDecoder&) = delete;
  AheadDecoder& operator=(const AheadDecoder&) = delete;

  // Entries asked for and not yet taken.
  size_t Outstanding();
  // Asks for an entry; entries are asked for in their order.
  void Ask(const Job& job);
  // The entry `index` was asked for and not taken yet.
  bool Has(int index);
  // The next piece of the entry `index`: its bytes, a multiple of the block size except the last
  // piece (kPiece), then how it ended (kEnd). kNotAhead when it was not asked for or is left to
  // its turn; nothing of it was taken then. Entries asked for before `index` are dropped. Waits
  // for the decoding, calling `waiting` about every 10 ms meanwhile.
  Step Next(int index, Chunk& piece, End& end, const std::function<void()>& waiting);

 private:
  struct Result {
    Job job;
    bool started = false;
    bool ended = false;
    bool refused = false;  // left to its turn
    bool dropped = false;
    std::deque<Chunk> pieces;
    End end;
  };
  struct Dropped {};  // unwinds the decoding of a dropped entry

  void Run();
  void Decode(Result& r);
  bool DecodeWhole(Result& r, int64_t data_offset);
  void Stream(Result& r, int64_t data_offset);
  // Reads `n` bytes at `offset`; answers how many it got.
  int64_t ReadAt(int64_t offset, uint8_t* into, int64_t n);
  void Deliver(Result& r, Chunk& piece);

  platform::Stream& archive_;
  std::mutex& archive_lock_;
  MemoryBudget& budget_;
  std::mutex mutex_;
  std::condition_variable asked_;
  std::condition_variable progressed_;
  std::deque<std::shared_ptr<Result>> results_;  // in the entries' order
  bool stop_ = false;
  std::unique_ptr<inflate_state> inflater_;
  struct FreeDecompressor {
    void operator()(libdeflate_decompressor* d) const;
  };
  std::unique_ptr<libdeflate_decompressor, FreeDecompressor> deflate_;
  std::thread worker_;
};

}  // namespace zip
