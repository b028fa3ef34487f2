// Output that overlaps decoding: a worker thread writes, truncates, closes and stamps the file
// being extracted while the calling thread decodes. Everything the host sees (events, questions,
// the verdict) stays on the calling thread; the worker only touches the file handed to it.
//
// One file is in flight at a time: the calling thread hands over an open file, then its bytes,
// then asks for it to be finished, and waits for that before it reports the entry. The buffers
// that carry bytes (queued output, and whole entries decoded ahead) are Chunks drawn on one
// memory budget, so the run's memory stays bounded whatever the archive holds.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <exception>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>
#include <vector>

#include "zip/output_files.h"
#include "zip/streams.h"

namespace zip {

// Bytes that buffers may hold at once; Acquire waits until the worker has given enough back.
class MemoryBudget {
 public:
  explicit MemoryBudget(size_t capacity) : capacity_(capacity) {}
  size_t Capacity() const { return capacity_; }
  // A request larger than the capacity is granted once nothing else is held.
  void Acquire(size_t n);
  void Release(size_t n);

 private:
  std::mutex mutex_;
  std::condition_variable freed_;
  size_t capacity_;
  size_t used_ = 0;
};

// A byte buffer whose size is charged to a budget for its lifetime.
class Chunk {
 public:
  Chunk() = default;
  Chunk(MemoryBudget& budget, size_t capacity);
  Chunk(Chunk&& other) noexcept;
  Chunk& operator=(Chunk&& other) noexcept;
  ~Chunk();

  uint8_t* Data() const { return data_.get(); }
  size_t Capacity() const { return capacity_; }
  size_t size = 0;  // bytes in use

 private:
  void Free();
  MemoryBudget* budget_ = nullptr;
  std::unique_ptr<uint8_t[]> data_;
  size_t capacity_ = 0;
};

// Files whose bytes are all written, flushed to the disk and closed by threads of their own
// while the next entries are decoded and written: a flush waits for the disk, and nothing else
// need wait with it; flushes made side by side share that wait, as the file system commits them
// together. Where the system can, a file's writing is only begun here and its volume is flushed
// once at the end instead (one wait for the disk instead of one per file). At most kWaiting files
// wait at once (open handles, not buffers).
class FileFlusher {
 public:
  FileFlusher();
  ~FileFlusher();  // flushes and closes whatever waits
  FileFlusher(const FileFlusher&) = delete;
  FileFlusher& operator=(const FileFlusher&) = delete;

  // Takes an open file; waits while kWaiting files wait.
  void Take(platform::File file, std::string name);
  // Waits until every file taken is flushed and closed; raises ECantWriteUCF naming the first
  // one that could not be flushed ("<path>: <message>").
  void Drain();

 private:
  static constexpr size_t kWaiting = 64;
  static constexpr size_t kThreads = 8;
  void Run();

  std::mutex mutex_;
  std::condition_variable queued_, room_, idle_;
  std::deque<std::pair<platform::File, std::string>> queue_;
  size_t flushing_ = 0;
  bool stop_ = false;
  std::string failed_;  // the first file whose flush failed
  // One open file (and its name) of each volume whose files were only begun: flushed by Drain.
  std::map<uint64_t, std::pair<platform::File, std::string>> volumes_;
  std::vector<std::thread> workers_;
};

class OutputPipeline {
 public:
  // `flush_files`: every finished file is flushed to the disk before Drain returns.
  explicit OutputPipeline(bool flush_files = false);
  ~OutputPipeline();  // finishes whatever is queued, closes the file, ends the worker
  OutputPipeline(const OutputPipeline&) = delete;
  OutputPipeline& operator=(const OutputPipeline&) = delete;

  // Hands over an open file: the bytes written next go into it. `here`: this file is written,
  // closed and stamped on the calling thread, each call doing its part before it returns, for
  // bytes that are decoded already: handing them to the worker would only add two thread
  // switches per file.
  void Begin(std::unique_ptr<TLFNFileStream> file, bool here = false);
  // The same for a file the host placed: its bytes go to the host's Write, and FinishHosted ends it.
  void Begin(std::unique_ptr<TOutputFile> file);
  void Write(Chunk chunk);
  // Closes the file after its last bytes, cut to `keep_size` first unless that is negative and
  // given the last-write time `dos_time` if there is one (through the open handle: no second
  // open per file). `before_close` runs on the worker after that, on the still open file, only
  // when everything before succeeded.
  void Finish(int64_t keep_size, std::optional<uint32_t> dos_time,
              std::function<void(platform::File&)> before_close);
  // Ends a host's file: given `stamp` and closed by the host after its last bytes; with none (a
  // failed entry), only let go of.
  void FinishHosted(std::optional<TOutputStamp> stamp);
  // Waits until the file is finished; rethrows on this thread what went wrong with it.
  void Wait();
  // Rethrows a failure of the current file at once, so that decoding stops within a block.
  void ThrowIfFailed();
  // After an error on this thread: what is queued is still written, the file is closed and
  // nothing else happens to it; its own failure, if any, is dropped.
  void Abandon() noexcept;
  // With `flush_files`: waits until every finished file is on the disk; raises for one that
  // could not be flushed. Without: returns at once.
  void Drain();

 private:
  struct Command {
    enum Kind { kBegin, kWrite, kFinish, kStop };
    explicit Command(Kind k) : kind(k) {}
    Kind kind;
    std::unique_ptr<TLFNFileStream> file;
    Chunk chunk;
    int64_t keep_size = -1;
    std::optional<uint32_t> dos_time;
    std::function<void(platform::File&)> before_close;
    std::unique_ptr<TOutputFile> hosted;
    std::optional<TOutputStamp> stamp;
  };
  // `wake`: the worker is woken for it; a file's opening waits for its first bytes, which
  // spares a wake-up (two system calls) per file.
  void Push(Command command, bool wake = true);
  void Run();
  void Execute(Command& command);

  std::mutex mutex_;
  std::condition_variable queued_;
  std::condition_variable done_;
  std::deque<Command> queue_;
  bool finished_ = true;     // the current file (if any) is closed
  bool finish_queued_ = true;
  std::exception_ptr error_;  // what went wrong with the current file
  bool here_ = false;         // the current file is written on the calling thread
  // Worker-owned, or the calling thread's while a file written there is in flight (the worker
  // is idle then: one file at a time).
  std::unique_ptr<TLFNFileStream> file_;
  std::unique_ptr<TOutputFile> hosted_;
  bool failed_ = false;
  std::unique_ptr<FileFlusher> flusher_;  // with `flush_files`
  std::thread worker_;
};

}  // namespace zip
