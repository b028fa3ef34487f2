#include "launcher/staged_output.h"

#include "release/sha256.h"
#include "zip/errors.h"

namespace launcher {

namespace {

std::string Quoted(const std::string& path) { return "\"" + path + "\""; }

}  // namespace

void StagedOutput::Require(const platform::FileOpResult& r, const std::string& what) {
  if (r.ok()) return;
  if (write_error_.empty()) write_error_ = what + ": " + r.error;
  throw zip::ECantWriteUCF(what + ": " + r.error);
}

class StagedOutput::File : public zip::TOutputFile {
 public:
  File(StagedOutput& owner, std::string path, std::unique_ptr<platform::FileWriter> writer)
      : owner_(owner), path_(std::move(path)), writer_(std::move(writer)) {}

  void Write(const uint8_t* data, size_t size) override {
    if (owner_.hash_) hasher_.Update(data, size);
    size_ += size;
    // The text is made only for a failure: this runs for every block of every file.
    if (const platform::FileOpResult r = writer_->Write(data, size); !r.ok())
      owner_.Require(r, Quoted(path_) + " could not be written");
  }
  void Finish(const zip::TOutputStamp& stamp) override {
    if (stamp.utc || stamp.dos_time)
      owner_.Require(writer_->SetTime(stamp.utc, stamp.dos_time.value_or(0)), "the time of " + Quoted(path_) + " could not be set");
    if (stamp.attributes)
      owner_.Require(writer_->SetAttributes(*stamp.attributes, stamp.unix_mode),
              "the attributes of " + Quoted(path_) + " could not be set");
    owner_.Require(writer_->Close(), Quoted(path_) + " could not be written");
    Written& w = owner_.written_[path_];
    w.size = size_;
    if (owner_.hash_) w.sha256 = hasher_.Final();
  }

 private:
  StagedOutput& owner_;
  const std::string path_;
  std::unique_ptr<platform::FileWriter> writer_;
  release::Sha256Hasher hasher_;
  uint64_t size_ = 0;
};

std::unique_ptr<zip::TOutputFile> StagedOutput::Create(int, const std::string& fname, uint64_t) {
  written_.erase(fname);
  platform::FileOpResult r;
  std::unique_ptr<platform::FileWriter> writer = ops_.NewFile(fname, r);
  if (!writer) {
    create_error_ = r.error.empty() ? "it could not be made" : r.error;
    return nullptr;
  }
  return std::make_unique<File>(*this, fname, std::move(writer));
}

void StagedOutput::Remove(const std::string& fname) {
  written_.erase(fname);
  if (ops_.Attributes(fname)) ops_.RemoveFile(fname);
}

void StagedOutput::MakeFolders(const std::string& folder) {
  if (folder.empty() || ops_.Attributes(folder)) return;
  if (const size_t cut = folder.find_last_of('\\'); cut != std::string::npos && cut > 0)
    MakeFolders(folder.substr(0, cut));
  Require(ops_.CreateFolder(folder), "the folder " + Quoted(folder) + " could not be made");
}

void StagedOutput::SetFolderAttributes(const std::string& folder, uint32_t attributes) {
  Require(ops_.SetFolderAttributes(folder, attributes), "the attributes of " + Quoted(folder) + " could not be set");
}

void StagedOutput::SetFolderTime(const std::string& folder, std::optional<int64_t> utc, uint32_t dos_time) {
  Require(ops_.SetWriteTime(folder, utc, dos_time), "the time of " + Quoted(folder) + " could not be set");
}

const StagedOutput::Written* StagedOutput::Of(const std::string& path) const {
  const auto it = written_.find(path);
  return it == written_.end() ? nullptr : &it->second;
}

}  // namespace launcher
