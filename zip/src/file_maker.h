// Files of coming entries, made ahead of their turn on a thread of their own. Creating a file is
// the costliest step of a small entry (on Windows, with a scanner watching, more so), so while the
// calling thread decodes and the writer writes, this thread makes the files of the next small
// entries. Only new files in folders that exist are made: nothing that exists is truncated or
// replaced, no folder is made ahead, and every file that its entry does not take (skipped,
// renamed by the host, the run ended) is removed again.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "zip/streams.h"

namespace zip {

// A file made ahead for one entry; removed when dropped unless its entry took the stream.
class FileMadeAhead {
 public:
  FileMadeAhead() = default;
  FileMadeAhead(std::string name, std::unique_ptr<TLFNFileStream> file)
      : name_(std::move(name)), file_(std::move(file)) {}
  FileMadeAhead(FileMadeAhead&& other) noexcept { *this = std::move(other); }
  FileMadeAhead& operator=(FileMadeAhead&& other) noexcept;
  ~FileMadeAhead() { Drop(); }

  explicit operator bool() const { return file_ != nullptr; }
  const std::string& Name() const { return name_; }
  std::unique_ptr<TLFNFileStream> Release() { return std::move(file_); }
  // Gives the file its full length and stands at its start, as a file made in its turn.
  void Prepare(int64_t size);
  void Drop() noexcept;

 private:
  std::string name_;
  std::unique_ptr<TLFNFileStream> file_;
};

class FileMaker {
 public:
  // `may_make`: whether a file may be made at this name now (its folder exists, the path stays
  // in the destination); called on the maker's thread. `make`: creates the new file (never an
  // existing one), or throws.
  using MayMake = std::function<bool(const std::string& name)>;
  using Make = std::function<std::unique_ptr<TLFNFileStream>(const std::string& name)>;
  FileMaker(MayMake may_make, Make make);
  ~FileMaker();  // ends the thread and removes every file not taken
  FileMaker(const FileMaker&) = delete;
  FileMaker& operator=(const FileMaker&) = delete;

  // Files asked for and not yet taken or dropped.
  size_t Outstanding();
  void Ask(int index, std::string name, int64_t size);
  // The file made for entry `index` if it was made at `name`; waits while it is being made. One
  // still queued is not made any more (the entry's turn makes it); files asked for earlier
  // entries are removed.
  FileMadeAhead Take(int index, const std::string& name);
  // A folder is about to be made at `folder`: files made or asked for at that path, or at a path
  // leading to it, are removed or not made, so that they never stand in its way.
  void ClearWayTo(const std::string& folder);
  // A folder was made: files asked for that could not be made yet (their folder was missing) are
  // tried again.
  void FolderMade();

 private:
  struct Order {
    int index;
    std::string name;
    int64_t size;
  };
  void Run();

  MayMake may_make_;
  Make make_;
  std::mutex mutex_;
  std::condition_variable asked_;
  std::condition_variable made_;
  std::deque<Order> queue_;
  std::deque<Order> waiting_;  // not to be made now (their folder missing), in the entries' order
  std::map<int, FileMadeAhead> done_;  // made files (or empty ones: could not be made)
  int busy_index_ = -1;                // the entry whose file is being made now
  std::string busy_name_;              // and its name
  int taken_through_ = -1;             // the last entry whose turn came
  bool stop_ = false;
  std::thread worker_;
};

}  // namespace zip
