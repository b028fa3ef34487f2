// File operations for the update's tests: the system's, with a failure, a stop (as after a power
// loss: the operation and everything after it never happen) or a busy file injected at a chosen
// operation. Only the operations that change the disk are counted.
#pragma once

#include <functional>
#include <set>
#include <string>

#include "launcher/update_transaction.h"
#include "platform/file_ops.h"

namespace update_test {

// Thrown at a stop. Deliberately no std::exception: nothing in the product may catch it.
struct Stopped {};

class FaultOps : public platform::FileOps {
 private:
  template <typename F>
  platform::FileOpResult Run(F op) {
    const int n = count++;
    if (mode == Mode::kStop && n >= fault_at) throw Stopped{};
    if (mode == Mode::kError && n == fault_at) return {platform::FileOpStatus::kFailed, "injected failure"};
    return op();
  }
  template <typename F>
  auto Ask(F question) -> decltype(question()) {
    if (mode == Mode::kStop && count > fault_at) throw Stopped{};
    return question();
  }
  platform::FileOps& real_ = platform::SystemFileOps();
  std::unique_ptr<platform::FileWriter> made_;

  // Each step of a file written in steps is an operation of its own.
  class Writer : public platform::FileWriter {
   public:
    Writer(FaultOps& ops, std::unique_ptr<platform::FileWriter> real) : ops_(ops), real_(std::move(real)) {}
    platform::FileOpResult Write(const void* data, size_t size) override {
      return ops_.Run([&] { return real_->Write(data, size); });
    }
    platform::FileOpResult SetTime(std::optional<int64_t> utc, uint32_t dos) override {
      return ops_.Run([&] { return real_->SetTime(utc, dos); });
    }
    platform::FileOpResult SetAttributes(uint32_t attributes, std::optional<uint32_t> mode) override {
      return ops_.Run([&] { return real_->SetAttributes(attributes, mode); });
    }
    platform::FileOpResult Close() override {
      return ops_.Run([&] { return real_->Close(); });
    }

   private:
    FaultOps& ops_;
    std::unique_ptr<platform::FileWriter> real_;
  };

 public:
  enum class Mode { kNone, kError, kStop };
  Mode mode = Mode::kNone;
  int fault_at = -1;  // operation number (0-based) that fails or stops
  // When set: asked before every move; true answers "busy" instead of moving.
  std::function<bool(const std::string& from, const std::string& to)> busy;
  // When set: asked before every move and every access check of a file or folder; true answers
  // "access denied", as for a folder or file this user may not change.
  std::function<bool(const std::string& path)> denied;

  std::optional<uint64_t> free_space;  // when set: the bytes every drive has free
  int files_made = 0;       // files begun with NewFile
  int count = 0;            // operations that changed (or would have changed) the disk
  int commit_mark_at = -1;  // the number of the operation that marked the journal complete
  int revert_mark_at = -1;
  std::set<int> stamp_ops;  // the numbers of the operations that set a folder's attributes and time  // the number of the operation that marked the journal for a revert
  int archive_removal_at = -1;  // the number of the operation that removed the applied UPDATE.ZIP

  platform::FileOpResult CreateFolder(const std::string& p) override {
    return Run([&] { return real_.CreateFolder(p); });
  }
  platform::FileOpResult RemoveFolder(const std::string& p) override {
    return Run([&] { return real_.RemoveFolder(p); });
  }
  platform::FileOpResult Rename(const std::string& a, const std::string& b, bool replace) override {
    if (busy && busy(a, b)) return {platform::FileOpStatus::kBusy, "in use (injected)"};
    if (denied && denied(a)) return {platform::FileOpStatus::kDenied, "access denied (injected)"};
    return Run([&] { return real_.Rename(a, b, replace); });
  }
  platform::FileOpResult RemoveFile(const std::string& p) override {
    if (p.ends_with("\\UPDATE.ZIP")) archive_removal_at = count;
    return Run([&] { return real_.RemoveFile(p); });
  }
  platform::FileOpResult WriteFile(const std::string& p, const std::string& bytes) override {
    return Run([&] { return real_.WriteFile(p, bytes); });
  }
  std::unique_ptr<platform::FileWriter> NewFile(const std::string& p, platform::FileOpResult& result) override {
    ++files_made;
    result = Run([&] {
      platform::FileOpResult r;
      made_ = real_.NewFile(p, r);
      return r;
    });
    if (!result.ok()) made_.reset();
    return made_ ? std::make_unique<Writer>(*this, std::move(made_)) : nullptr;
  }
  platform::FileOpResult SetWriteTime(const std::string& p, std::optional<int64_t> utc, uint32_t dos) override {
    return Run([&] { return real_.SetWriteTime(p, utc, dos); });
  }
  platform::FileOpResult AppendFile(const std::string& p, const std::string& bytes) override {
    if (bytes.starts_with("COMMITTED")) commit_mark_at = count;
    if (bytes.starts_with("REVERTING")) revert_mark_at = count;
    return Run([&] { return real_.AppendFile(p, bytes); });
  }
  platform::FileOpResult FlushFolder(const std::string& p) override {
    return Run([&] { return real_.FlushFolder(p); });
  }
  platform::FileOpResult SetStamp(const std::string& p, const platform::FolderStamp& stamp) override {
    stamp_ops.insert(count);
    return Run([&] { return real_.SetStamp(p, stamp); });
  }
  platform::FileOpResult SetFolderAttributes(const std::string& p, uint32_t attributes) override {
    return Run([&] { return real_.SetFolderAttributes(p, attributes); });
  }
  std::optional<uint32_t> Attributes(const std::string& p) override { return Ask([&] { return real_.Attributes(p); }); }
  std::optional<platform::FolderStamp> StampOf(const std::string& p) override {
    return Ask([&] { return real_.StampOf(p); });
  }
  std::optional<std::string> ReadFile(const std::string& p) override { return Ask([&] { return real_.ReadFile(p); }); }
  std::vector<platform::FolderItem> ListFolder(const std::string& p) override {
    return Ask([&] { return real_.ListFolder(p); });
  }
  bool SamePermissions(const std::string& a, const std::string& b) override {
    return Ask([&] { return real_.SamePermissions(a, b); });
  }
  std::optional<uint64_t> FreeSpace(const std::string& p) override {
    return Ask([&] { return free_space ? free_space : real_.FreeSpace(p); });
  }
  std::string HolderOf(const std::string& p) override { return denied && denied(p) ? "" : "Holder.exe"; }
  platform::FileOpResult CheckWritableFolder(const std::string& p) override {
    if (denied && denied(p)) return {platform::FileOpStatus::kDenied, "access denied (injected)"};
    return Ask([&] { return real_.CheckWritableFolder(p); });
  }
  platform::FileOpResult CheckMovableFile(const std::string& p) override {
    if (denied && denied(p)) return {platform::FileOpStatus::kDenied, "access denied (injected)"};
    return Ask([&] { return real_.CheckMovableFile(p); });
  }

};

// Time that passes only when slept.
class FakeClock : public launcher::Clock {
 public:
  uint64_t now = 0;
  uint64_t NowMs() override { return now; }
  void SleepMs(unsigned ms) override { now += ms; }
};

}  // namespace update_test
