// What the engine writes while an update is staged, placed through the update's file operations:
// a crash or a failure while staging is then one of the operations the update's tests inject,
// like those of the commit. With hashing on, each file's size and SHA-256 are taken from its
// bytes as they are written (on the engine's writer thread, while the next bytes are decoded), so
// that a release's staged files are checked without being read again.
#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>

#include "platform/file_ops.h"
#include "release/manifest.h"
#include "zip/output_files.h"

namespace launcher {

class StagedOutput : public zip::TOutputFiles {
 public:
  StagedOutput(platform::FileOps& ops, bool hash) : ops_(ops), hash_(hash) {}

  std::unique_ptr<zip::TOutputFile> Create(int index, const std::string& fname, uint64_t size) override;
  void Remove(const std::string& fname) override;
  void MakeFolders(const std::string& folder) override;
  void SetFolderAttributes(const std::string& folder, uint32_t attributes) override;
  void SetFolderTime(const std::string& folder, std::optional<int64_t> utc, uint32_t dos_time) override;

  struct Written {
    uint64_t size = 0;
    release::Sha256 sha256{};  // with hashing on
  };
  // A file written whole and closed, by the path it was made at; null for any other.
  const Written* Of(const std::string& path) const;
  // Why the last file that could not be made could not ("" when every one could).
  const std::string& CreateError() const { return create_error_; }
  // The first step of writing that failed, as its text ("" when none did).
  const std::string& WriteError() const { return write_error_; }

 private:
  class File;
  platform::FileOps& ops_;
  const bool hash_;
  std::map<std::string, Written> written_;
  std::string create_error_;
  std::string write_error_;
  void Require(const platform::FileOpResult& r, const std::string& what);
};

}  // namespace launcher
