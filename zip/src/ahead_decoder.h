// Entries decoded on threads of their own, ahead of their turn. Decoding costs more than the
// file system's part of writing the same bytes: while the calling thread writes one entry, these
// threads decode the next ones, two at a time (each thread an entry, in the entries' order),
// into buffers drawn on budgets of their own, so that the calling thread finds the next bytes
// ready. Each thread has its own budget: the thread on the entry whose turn it is never waits
// for room that only a later entry holds.
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
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

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
    uint32_t crc = 0;      // of the bytes decoded
    bool overrun = false;  // the data went on past the stated size (its bytes up to it taken)
    // What the entry's turn raises after the bytes taken: damaged compressed data, or the data
    // cut short by the archive's end (or unreadable). Kept as text and raised anew by the
    // entry's turn, so that no exception object is shared between threads.
    enum Failure { kNone, kDamaged, kFatal } failure = kNone;
    std::string message;
    void Raise() const;
  };
  enum class Step { kNotAhead, kPiece, kEnd };

  // `archive` is read at the entries' offsets under `archive_lock`, which every other reader of
  // it holds too; its position is put back after every read. One thread decodes for each of
  // `budgets` (which outlive this), which bounds the bytes it decoded and are not yet written.
  AheadDecoder(platform::Stream& archive, std::mutex& archive_lock, const std::vector<MemoryBudget*>& budgets);
  ~AheadDecoder();  // stops the threads; whatever was decoded and not taken is dropped
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
    bool ended = false;
    bool refused = false;  // left to its turn
    bool dropped = false;
    std::deque<Chunk> pieces;
    End end;
  };
  struct Dropped {};  // unwinds the decoding of a dropped entry

  struct FreeDecompressor {
    void operator()(libdeflate_decompressor* d) const;
  };
  // A decoding thread and what it decodes with.
  struct Worker {
    explicit Worker(MemoryBudget& b);
    ~Worker();
    MemoryBudget& budget;
    std::unique_ptr<inflate_state> inflater;
    std::unique_ptr<libdeflate_decompressor, FreeDecompressor> deflate;
    std::thread thread;
  };

  void PopFront();
  void Failed(Result& r, End::Failure failure, const char* message);
  void Run(Worker& w);
  void Decode(Result& r, Worker& w);
  bool DecodeWhole(Result& r, Worker& w, int64_t data_offset);
  void Stream(Result& r, Worker& w, int64_t data_offset);
  // Reads `n` bytes at `offset`; answers how many it got.
  int64_t ReadAt(int64_t offset, uint8_t* into, int64_t n);
  void Deliver(Result& r, Chunk& piece);

  platform::Stream& archive_;
  std::mutex& archive_lock_;
  std::mutex mutex_;
  std::condition_variable asked_;
  std::condition_variable progressed_;
  std::deque<std::shared_ptr<Result>> results_;  // in the entries' order
  size_t started_ = 0;                           // the first ones of results_, started
  bool stop_ = false;
  std::vector<std::unique_ptr<Worker>> workers_;
};

}  // namespace zip
