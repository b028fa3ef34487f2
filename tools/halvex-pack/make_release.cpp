#include "make_release.h"

#include <algorithm>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <thread>
#include <unordered_map>

#include <zlib.h>

#include "platform/exceptions.h"
#include "platform/file_ops.h"
#include "platform/fs.h"
#include "platform/stream.h"
#include "platform/text.h"
#include "release/delta.h"
#include "release/sha256.h"
#include "release/zip_writer.h"
#include "release_tree.h"

namespace pack {

namespace {

constexpr uint64_t kWholeLimit = 32u << 20;  // larger files are streamed, never held whole
constexpr uint64_t kBudget = 160u << 20;     // bytes read or packed ahead of the writer
constexpr int kLevel = 6;
constexpr uint32_t kKeptAttributes = platform::kAttrReadOnly | platform::kAttrHidden | platform::kAttrSystem |
                                     platform::kAttrArchive;

struct Job {
  std::string path;
  bool dropped = false;          // a file of the previous release only: hashed, not packed
  std::string old_path;          // the previous release's file of the same name, if any
  // Filled by a worker.
  bool done = false;
  std::exception_ptr error;
  uint64_t size = 0;
  release::Sha256 sha256{};
  bool hashed = false;           // sha256 holds the file's hash (always, except for streamed files)
  bool include = false;
  bool stream = false;
  std::optional<release::Sha256> old_sha256;  // of a previous version of the same size
  release::PackedData packed;
  bool patched = false;          // packed holds the patch against the previous version
  release::Sha256 base_sha256{};
  uint64_t reserved = 0;
};

// What making a patch holds at most besides the two files: the maker's suffix array and work
// (about 5 times the base and 2 times the result) and three LZMA2 encoders whose dictionaries
// follow the streams' sizes up to 16 MiB.
uint64_t PatchMemory(uint64_t base, uint64_t result) {
  return 5 * base + 2 * result + 12 * std::min<uint64_t>(result, 26u << 20) + (1u << 20);
}

// A patch costs its longer entry name twice (local and central record) and its manifest line
// ("patch", the base's SHA-256 in hex, the path) beside its bytes.
uint64_t PatchCost(const std::string& path, size_t patch_size) {
  return patch_size + 2 * std::string_view(release::kPatchFolder).size() + 72 + path.size();
}

release::PackedData Stored(std::vector<uint8_t> bytes) {
  release::PackedData data;
  data.method = 0;
  data.size = bytes.size();
  data.crc32 = static_cast<uint32_t>(crc32_z(0, bytes.data(), bytes.size()));
  data.bytes = std::move(bytes);
  return data;
}

release::ZipEntryInfo EntryInfo(const std::string& root, const std::string& path, bool is_folder) {
  const std::string full = root + path;
  const uint32_t attributes = platform::PathAttributes(full).value_or(0) & kKeptAttributes;
  return release::ZipEntryInfo{path, is_folder, attributes, platform::GetFileDosTime(full).value_or(0x00210000u),
                               platform::GetFileUnixTime(full)};
}

release::Sha256 HashFile(const std::string& path, uint64_t* size = nullptr) {
  platform::FileStream file(path, platform::FileMode::OpenRead);
  return release::Sha256OfStream(file, size);
}

class Pipeline {
 public:
  Pipeline(std::vector<Job>& jobs, const MakeOptions& o) : jobs_(jobs), o_(o) {
    const unsigned cores = std::max(1u, std::min(8u, std::thread::hardware_concurrency()));
    for (unsigned i = 0; i < cores; ++i) threads_.emplace_back([this] { Work(); });
  }
  ~Pipeline() {
    {
      std::lock_guard lock(mutex_);
      stop_ = true;
    }
    changed_.notify_all();
    for (std::thread& t : threads_) t.join();
  }

  // Waits for job i; rethrows its error.
  Job& Wait(size_t i) {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return jobs_[i].done; });
    if (jobs_[i].error) std::rethrow_exception(jobs_[i].error);
    return jobs_[i];
  }
  // The writer is done with job i: what it held is given back.
  void Release(Job& job) {
    {
      std::lock_guard lock(mutex_);
      writer_next_ = static_cast<size_t>(&job - jobs_.data()) + 1;
      in_flight_ -= job.reserved;
      job.reserved = 0;
      job.packed = {};
    }
    changed_.notify_all();
  }

 private:
  void Work() {
    while (true) {
      size_t i;
      {
        std::lock_guard lock(mutex_);
        if (stop_ || next_ == jobs_.size()) return;
        i = next_++;
      }
      Job& job = jobs_[i];
      try {
        Run(job);
      } catch (...) {
        job.error = std::current_exception();
      }
      {
        std::lock_guard lock(mutex_);
        job.done = true;
      }
      changed_.notify_all();
    }
  }

  void Reserve(Job& job, uint64_t bytes) {
    std::unique_lock lock(mutex_);
    // The file the writer waits for always goes ahead, whatever later files hold: they are given
    // back only after it is written.
    const size_t index = static_cast<size_t>(&job - jobs_.data());
    changed_.wait(lock, [&] {
      return stop_ || in_flight_ == 0 || index == writer_next_ || in_flight_ + bytes <= kBudget;
    });
    if (stop_) throw platform::Exception("stopped");
    in_flight_ += bytes;
    job.reserved = bytes;
  }
  // More for a job that holds a reservation already: granted on the same terms as Reserve, the
  // job's own bytes not counted against it.
  void Grow(Job& job, uint64_t bytes) {
    std::unique_lock lock(mutex_);
    const size_t index = static_cast<size_t>(&job - jobs_.data());
    changed_.wait(lock, [&] {
      return stop_ || in_flight_ == job.reserved || index == writer_next_ || in_flight_ + bytes <= kBudget;
    });
    if (stop_) throw platform::Exception("stopped");
    in_flight_ += bytes;
    job.reserved += bytes;
  }
  void Shrink(Job& job, uint64_t bytes) {
    {
      std::lock_guard lock(mutex_);
      in_flight_ -= job.reserved - bytes;
      job.reserved = bytes;
    }
    changed_.notify_all();
  }

  void Run(Job& job) {
    if (job.dropped) {
      job.sha256 = HashFile(o_.old_dir + job.path, &job.size);
      job.hashed = true;
      return;
    }
    platform::FileStream file(o_.new_dir + job.path, platform::FileMode::OpenRead);
    job.size = static_cast<uint64_t>(file.Size());
    std::optional<uint64_t> old_size;
    if (!o_.full && !job.old_path.empty()) {
      platform::FileStream old(o_.old_dir + job.old_path, platform::FileMode::OpenRead);
      old_size = static_cast<uint64_t>(old.Size());
      if (*old_size == job.size) job.old_sha256 = release::Sha256OfStream(old);
    }
    // A file renamed only in case is written again, so that the new name is the one on the disk.
    const bool must_include = o_.full || job.old_path.empty() || job.old_path != job.path || old_size != job.size;
    // Patched: a file of the same name only (a case-only rename is written whole, see above).
    const bool may_patch = o_.delta && !o_.full && !job.old_path.empty() && job.old_path == job.path &&
                           *old_size <= release::kMaxDeltaFileSize && job.size <= release::kMaxDeltaFileSize;
    if (job.size > kWholeLimit && !may_patch) {
      job.stream = true;
      job.include = must_include;  // else the writer compares the hashes as it reads the file
      return;
    }
    Reserve(job, job.size);
    std::vector<uint8_t> bytes(static_cast<size_t>(job.size));
    file.ReadBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
    job.sha256 = release::Sha256Of(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
    job.hashed = true;
    job.include = must_include || job.old_sha256 != job.sha256;
    if (!job.include) {
      Shrink(job, 0);
      return;
    }
    job.packed = release::PackBuffer(bytes, kLevel);
    if (may_patch) {
      // Only a changed file is patched: the maker's memory is asked for now, not for every file.
      Grow(job, *old_size + PatchMemory(*old_size, job.size));
      platform::FileStream old(o_.old_dir + job.old_path, platform::FileMode::OpenRead);
      std::vector<uint8_t> base(static_cast<size_t>(*old_size));
      old.ReadBuffer(base.data(), static_cast<int64_t>(base.size()));
      if (old.Size() != static_cast<int64_t>(base.size()))
        throw platform::EReadError("\"" + o_.old_dir + job.old_path + "\" changed while it was being read.");
      std::vector<uint8_t> patch = release::MakePatch(base, bytes);
      if (PatchCost(job.path, patch.size()) < job.packed.bytes.size()) {
        job.base_sha256 = release::Sha256Of(std::string_view(reinterpret_cast<const char*>(base.data()), base.size()));
        job.packed = Stored(std::move(patch));
        job.patched = true;
      }
    }
    Shrink(job, job.packed.bytes.size());
  }

  std::vector<Job>& jobs_;
  const MakeOptions& o_;
  std::mutex mutex_;
  std::condition_variable changed_;
  size_t next_ = 0;
  size_t writer_next_ = 0;
  uint64_t in_flight_ = 0;
  bool stop_ = false;
  std::vector<std::thread> threads_;
};

// Streams a large file into the archive, hashing it on the way; when only a hash comparison
// tells whether it changed, it is read for that first.
void WriteStreamed(release::ZipWriter& writer, const MakeOptions& o, const release::ZipEntryInfo& info, Job& job,
                   size_t& packed_files) {
  const std::string full = o.new_dir + job.path;
  if (!job.include) {
    job.sha256 = HashFile(full);
    job.hashed = true;
    if (job.old_sha256 == job.sha256) return;
  }
  platform::FileStream file(full, platform::FileMode::OpenRead);
  release::Sha256Hasher hasher;
  writer.AddStream(info, file, job.size,
                   [&](const uint8_t* data, size_t n) { hasher.Update(data, n); });
  const release::Sha256 sha = hasher.Final();
  if (job.hashed && sha != job.sha256)
    throw release::EZipWriterError("\"" + job.path + "\" changed while it was being packed.");
  job.sha256 = sha;
  job.hashed = true;
  ++packed_files;
}

}  // namespace

MakeResult MakeRelease(const MakeOptions& o) {
  const std::vector<TreeItem> new_items = WalkTree(o.new_dir);
  std::vector<TreeItem> old_items;
  if (!o.old_dir.empty()) old_items = WalkTree(o.old_dir);

  std::unordered_map<std::string, std::string> old_files, old_folders;  // case key -> path
  for (const TreeItem& item : old_items)
    (item.is_folder ? old_folders : old_files).emplace(platform::NameCaseKey(item.path), item.path);

  std::vector<Job> jobs;
  std::vector<std::string> folders;
  std::unordered_map<std::string, bool> new_keys;
  for (const TreeItem& item : new_items) {
    const std::string key = platform::NameCaseKey(item.path);
    if (!new_keys.emplace(key, item.is_folder).second)
      throw platform::EReadError("\"" + o.new_dir + item.path + "\" and another name in the release are the same name on Windows.");
    if (item.is_folder) {
      if (o.full || !old_folders.count(key)) folders.push_back(item.path);
      continue;
    }
    Job job;
    job.path = item.path;
    if (const auto it = old_files.find(key); it != old_files.end()) job.old_path = it->second;
    jobs.push_back(std::move(job));
  }
  const size_t file_count = jobs.size();
  for (const TreeItem& item : old_items) {
    if (item.is_folder) continue;
    const auto it = new_keys.find(platform::NameCaseKey(item.path));
    if (it != new_keys.end() && !it->second) continue;
    Job job;
    job.path = item.path;
    job.dropped = true;
    jobs.push_back(std::move(job));
  }

  MakeResult result;
  const std::string partial = o.output + ".partial";
  try {
    {
      platform::FileStream out(partial, platform::FileMode::Create);
      release::ZipWriter writer(out);
      for (const std::string& folder : folders) writer.AddFolder(EntryInfo(o.new_dir, folder, true));
      result.folders = folders.size();

      Pipeline pipeline(jobs, o);
      uint32_t newest = 0;
      std::optional<int64_t> newest_unix;
      for (size_t i = 0; i < file_count; ++i) {
        Job& job = pipeline.Wait(i);
        const release::ZipEntryInfo info = EntryInfo(o.new_dir, job.path, false);
        if (job.stream) {
          WriteStreamed(writer, o, info, job, result.packed_files);
        } else if (job.patched) {
          release::ZipEntryInfo patch_info = info;
          patch_info.name = release::PatchEntryName(job.path);
          patch_info.attributes = platform::kAttrArchive;
          writer.AddPacked(patch_info, job.packed);
          result.manifest.patches.push_back(release::PatchedFile{job.path, job.base_sha256});
          ++result.packed_files;
          ++result.patched_files;
        } else if (job.include) {
          writer.AddPacked(info, job.packed);
          ++result.packed_files;
        }
        pipeline.Release(job);
        if (info.dos_time > newest) {
          newest = info.dos_time;
          newest_unix = info.unix_time;
        }
        result.manifest.files.push_back(release::ReleaseFile{job.path, job.size, job.sha256});
        if (o.progress) o.progress(i + 1, file_count);
      }
      for (size_t i = file_count; i < jobs.size(); ++i) {
        const Job& job = pipeline.Wait(i);
        result.manifest.dropped.push_back(release::DroppedFile{job.path, job.sha256});
      }

      release::Manifest& m = result.manifest;
      m.product = o.product;
      m.version = o.version;
      m.from_any = o.from_any;
      m.from = o.from;
      m.rollback = o.rollback;
      const std::string text = release::FormatManifest(m);
      // Checked as the launcher will read it: a name or a count beyond the format's limits is
      // found here, not on a customer's machine.
      release::ParseManifest(text, o.output);
      // The manifest carries the time of the newest file, so the same trees make the same archive.
      writer.AddPacked(release::ZipEntryInfo{release::kManifestEntry, false, platform::kAttrArchive,
                                             newest ? newest : 0x00210000u, newest_unix},
                       release::PackBuffer({reinterpret_cast<const uint8_t*>(text.data()), text.size()}, 9));
      writer.Finish();
      if (!out.Handle().Flush()) throw platform::EWriteError("Stream write error");
    }
    const platform::FileOpResult moved = platform::SystemFileOps().Rename(partial, o.output, true);
    if (!moved.ok()) throw platform::EWriteError("\"" + o.output + "\" could not be written: " + moved.error);
  } catch (...) {
    platform::RemoveFile(partial);
    throw;
  }
  return result;
}

}  // namespace pack
