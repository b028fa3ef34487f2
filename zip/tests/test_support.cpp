#include "test_support.h"

#include <zlib.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>

#ifndef _WIN32
#include <sys/wait.h>
#endif

namespace zip_test {

namespace fs = std::filesystem;

std::string EnginePath(const fs::path& path) {
  std::string s = path.string();
  std::replace(s.begin(), s.end(), '/', '\\');
  return s;
}

TempDir::TempDir() {
  static std::atomic<int> counter{0};
  std::random_device rd;
  const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
  path_ = fs::temp_directory_path() /
          ("halvex_zip_" + std::to_string(stamp % 1000000007) + "_" + std::to_string(rd() % 100000) + "_" +
           std::to_string(counter++));
  fs::create_directories(path_);
}

TempDir::~TempDir() {
  std::error_code ec;
  // Read-only files and folders made by tests must not stop the cleanup.
  for (auto it = fs::recursive_directory_iterator(path_, ec); it != fs::recursive_directory_iterator(); it.increment(ec))
    fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
  fs::remove_all(path_, ec);
}

std::string TempDir::Engine(const std::string& relative) const {
  return EnginePath(relative.empty() ? path_ : path_ / relative);
}

void WriteFile(const fs::path& path, const std::string& bytes) {
  fs::create_directories(path.parent_path());
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

uint32_t Crc32(const std::string& bytes) {
  return static_cast<uint32_t>(::crc32(0, reinterpret_cast<const Bytef*>(bytes.data()), static_cast<uInt>(bytes.size())));
}

std::string RawDeflate(const std::string& data, int level) {
  z_stream zs{};
  deflateInit2(&zs, level, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
  std::string out(deflateBound(&zs, static_cast<uLong>(data.size())) + 16, '\0');
  zs.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
  zs.avail_in = static_cast<uInt>(data.size());
  zs.next_out = reinterpret_cast<Bytef*>(out.data());
  zs.avail_out = static_cast<uInt>(out.size());
  deflate(&zs, Z_FINISH);
  out.resize(zs.total_out);
  deflateEnd(&zs);
  return out;
}

std::string Le16(uint16_t v) { return std::string{static_cast<char>(v), static_cast<char>(v >> 8)}; }
std::string Le32(uint32_t v) { return Le16(static_cast<uint16_t>(v)) + Le16(static_cast<uint16_t>(v >> 16)); }
std::string Le64(uint64_t v) { return Le32(static_cast<uint32_t>(v)) + Le32(static_cast<uint32_t>(v >> 32)); }

std::string EndRecord(uint16_t entries, uint32_t central_size, uint32_t central_offset, const std::string& comment,
                      uint16_t this_disk, uint16_t start_disk) {
  return Le32(0x06054B50) + Le16(this_disk) + Le16(start_disk) + Le16(entries) + Le16(entries) +
         Le32(central_size) + Le32(central_offset) + Le16(static_cast<uint16_t>(comment.size())) + comment;
}

namespace {

// Traditional PKWARE encryption, the writing side.
class Encryptor {
 public:
  explicit Encryptor(const std::string& password) {
    for (char c : password) Update(static_cast<uint8_t>(c));
  }
  std::string Encrypt(const std::string& plain) {
    std::string out = plain;
    for (char& c : out) {
      const uint32_t t = (keys_[2] & 0xFFFF) | 2;
      const uint8_t k = static_cast<uint8_t>((t * (t ^ 1)) >> 8);
      const uint8_t p = static_cast<uint8_t>(c);
      c = static_cast<char>(p ^ k);
      Update(p);
    }
    return out;
  }

 private:
  void Update(uint8_t p) {
    const z_crc_t* table = get_crc_table();
    keys_[0] = table[(keys_[0] ^ p) & 0xFF] ^ (keys_[0] >> 8);
    keys_[1] = (keys_[1] + (keys_[0] & 0xFF)) * 134775813u + 1;
    keys_[2] = table[(keys_[2] ^ (keys_[1] >> 24)) & 0xFF] ^ (keys_[2] >> 8);
  }
  uint32_t keys_[3] = {0x12345678, 0x23456789, 0x34567890};
};

}  // namespace

std::string ZipBuilder::Build(const std::string& archive_comment) {
  std::string out = prefix_;
  std::string central;
  offsets_.clear();
  for (const EntryDef& e : entries_) {
    const uint32_t crc = e.crc.value_or(Crc32(e.data));
    std::string body = e.compressed ? *e.compressed : e.method == 8 ? RawDeflate(e.data) : e.data;
    uint16_t flags = e.flags;
    if (!e.password.empty()) {
      flags |= 1;
      const uint8_t check = (flags & 8) ? static_cast<uint8_t>(e.dos_time >> 8) : static_cast<uint8_t>(crc >> 24);
      std::string head = "0123456789A";
      head += static_cast<char>(check);
      body = Encryptor(e.password).Encrypt(head + body);
    }
    const uint32_t usize = e.usize.value_or(static_cast<uint32_t>(e.data.size()));
    const uint32_t csize = static_cast<uint32_t>(body.size());
    offsets_.push_back(out.size());
    const std::string common = Le16(20) + Le16(flags) + Le16(e.method) + Le32(e.dos_time) + Le32(crc) +
                               Le32(csize) + Le32(usize) + Le16(static_cast<uint16_t>(e.name.size()));
    out += Le32(0x04034B50) + common + Le16(static_cast<uint16_t>(e.local_extra.size())) + e.name + e.local_extra;
    out += body;
    central += Le32(0x02014B50) + Le16(e.made_by) + common + Le16(static_cast<uint16_t>(e.central_extra.size())) +
               Le16(static_cast<uint16_t>(e.comment.size())) + Le16(0) + Le16(0) + Le32(e.external_attributes) +
               Le32(static_cast<uint32_t>(offsets_.back())) + e.name + e.central_extra + e.comment;
  }
  central_offset_ = out.size();
  out += central;
  out += EndRecord(static_cast<uint16_t>(entries_.size()), static_cast<uint32_t>(central.size()),
                   static_cast<uint32_t>(central_offset_), archive_comment);
  return out;
}

std::string OverlappedBomb(int entries, size_t kernel_bytes) {
  // Built from the last entry backwards: the last one's data is the kernel; every other entry's
  // data quotes the next entry's local header in a stored deflate block and then continues with
  // that entry's data, so each entry decodes to all the local headers after it plus the kernel.
  const std::string kernel = RawDeflate(std::string(kernel_bytes, 'a'), 9);
  std::vector<std::string> names, headers;
  std::vector<uint32_t> crcs, csizes, usizes;
  std::string data = kernel;
  uint32_t crc = Crc32(std::string(kernel_bytes, 'a'));
  uint64_t usize = kernel_bytes;
  for (int i = entries - 1; i >= 0; --i) {
    const std::string name = "f" + std::to_string(i);
    const std::string header = Le32(0x04034B50) + Le16(20) + Le16(0) + Le16(8) + Le32(0x5A2B6000) + Le32(crc) +
                               Le32(static_cast<uint32_t>(data.size())) + Le32(static_cast<uint32_t>(usize)) +
                               Le16(static_cast<uint16_t>(name.size())) + Le16(0) + name;
    names.insert(names.begin(), name);
    headers.insert(headers.begin(), header);
    crcs.insert(crcs.begin(), crc);
    csizes.insert(csizes.begin(), static_cast<uint32_t>(data.size()));
    usizes.insert(usizes.begin(), static_cast<uint32_t>(usize));
    const uint16_t n = static_cast<uint16_t>(header.size());
    const std::string quote = std::string(1, '\0') + Le16(n) + Le16(static_cast<uint16_t>(~n));
    crc = static_cast<uint32_t>(crc32_combine(Crc32(header), crc, static_cast<z_off_t>(usize)));
    usize += header.size();
    data = quote + header + data;
  }
  // The file: the first local header, then everything the first entry's data holds.
  std::string out = headers[0] + data.substr(5 + headers[0].size());
  std::string central;
  uint64_t offset = 0;
  for (int i = 0; i < entries; ++i) {
    central += Le32(0x02014B50) + Le16(20) + Le16(20) + Le16(0) + Le16(8) + Le32(0x5A2B6000) + Le32(crcs[i]) +
               Le32(csizes[i]) + Le32(usizes[i]) + Le16(static_cast<uint16_t>(names[i].size())) + Le16(0) + Le16(0) +
               Le16(0) + Le16(0) + Le32(0x20) + Le32(static_cast<uint32_t>(offset)) + names[i];
    offset += headers[i].size() + 5;
  }
  const size_t central_offset = out.size();
  out += central;
  return out + EndRecord(static_cast<uint16_t>(entries), static_cast<uint32_t>(central.size()),
                         static_cast<uint32_t>(central_offset));
}

bool HaveTool(const std::string& name) {
#ifdef _WIN32
  (void)name;
  return false;
#else
  return std::system(("command -v " + name + " >/dev/null 2>&1").c_str()) == 0;
#endif
}

int Shell(const std::string& command) {
  const int status = std::system(command.c_str());
#ifdef _WIN32
  return status;
#else
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
#endif
}

std::string Quote(const fs::path& path) { return "'" + path.string() + "'"; }

std::vector<std::pair<std::string, std::string>> Tree(const fs::path& root) {
  std::vector<std::pair<std::string, std::string>> files;
  for (const auto& item : fs::recursive_directory_iterator(root)) {
    if (!item.is_regular_file()) continue;
    files.emplace_back(fs::relative(item.path(), root).generic_string(), ReadFile(item.path()));
  }
  std::sort(files.begin(), files.end());
  return files;
}

namespace {

const fs::path& SharedFixtureRoot() {
  static const fs::path root = [] {
    std::string dir = HALVEX_FIXTURES_DIR;
#ifdef _WIN32
    // Wine shows the Unix root as drive Z:.
    if (!dir.empty() && dir[0] == '/') dir = "Z:" + dir;
#endif
    return fs::path(dir);
  }();
  return root;
}

}  // namespace

fs::path SharedFixture(const std::string& relative) {
  const fs::path& root = SharedFixtureRoot();
  const fs::path path = root / relative;
  std::error_code ec;
  if (fs::is_regular_file(path, ec) || (fs::is_directory(path, ec) && path != root)) return path;
  if (!fs::is_directory(root, ec))
    throw std::runtime_error("the test archives are missing: no folder " + root.string());
  throw std::runtime_error("missing fixture " + path.string());
}

const std::vector<std::string>& LegacyArchives() {
  static const std::vector<std::string> names = {
      "cc_SHRUNK.ZIP",  "zr_shrink.zip",    "d2a_HWSHRINK.ZIP",  "d2a_example-s.zip",
      "d2s_PKZ80B1.ZIP", "d2s_PKZ80B3.ZIP", "zr_reduce.zip",     "d2a_HWREDUCE.ZIP",
      "d2a_example-r.zip", "cc_imploding-4Kdict-2trees.zip", "d2a_example-i.zip",
      "cc_imploding-8Kdict-3trees.zip", "zr_implode.zip", "d2a_HWIMPODE.ZIP"};
  return names;
}

}  // namespace zip_test
