#include "listing.h"

#include <cinttypes>
#include <ctime>
#include <string>

#include "zip/methods.h"
#include "zip/match.h"
#include "zip/text.h"

namespace halvex_unzip {

namespace {

// Collects the output and writes it in large pieces: a listing of 100,000 entries is 100,000
// lines.
class Out {
 public:
  explicit Out(std::FILE* f) : f_(f) { text_.reserve(kChunk + 1024); }
  ~Out() { Flush(); }
  void Add(const char* s, size_t n) {
    text_.append(s, n);
    if (text_.size() >= kChunk) Flush();
  }
  void Add(const std::string& s) { Add(s.data(), s.size()); }
  // Direct access for lines built in place; Commit() after appending.
  std::string& Text() { return text_; }
  void Commit() {
    if (text_.size() >= kChunk) Flush();
  }
  template <typename... A>
  void Printf(const char* format, A... args) {
    char line[512];
    const int n = std::snprintf(line, sizeof line, format, args...);
    if (n > 0) Add(line, static_cast<size_t>(n) < sizeof line ? static_cast<size_t>(n) : sizeof line - 1);
  }
  void Flush() {
    if (!text_.empty()) std::fwrite(text_.data(), 1, text_.size(), f_);
    text_.clear();
  }

 private:
  static constexpr size_t kChunk = 1 << 16;
  std::FILE* f_;
  std::string text_;
};

// The date and time a listing shows: an entry's extended timestamp in this machine's local time
// when it has one, as Info-ZIP's unzip shows it (the DOS time is the creator's local time, and
// rounded up to an even second), else the DOS time.
struct Shown {
  unsigned year, month, day, hour, minute;
};

Shown ShownTime(const zip::TZipHeaderInfo& e) {
  if (e.ModTime) {
    const std::time_t t = static_cast<std::time_t>(*e.ModTime);
    std::tm tm{};
#ifdef _WIN32
    const bool ok = localtime_s(&tm, &t) == 0;
#else
    const bool ok = localtime_r(&t, &tm) != nullptr;
#endif
    if (ok)
      return {static_cast<unsigned>(tm.tm_year + 1900), static_cast<unsigned>(tm.tm_mon + 1),
              static_cast<unsigned>(tm.tm_mday), static_cast<unsigned>(tm.tm_hour), static_cast<unsigned>(tm.tm_min)};
  }
  const uint32_t dt = e.FileDateTime;
  return {1980 + ((dt >> 25) & 0x7F), (dt >> 21) & 0x0F, (dt >> 16) & 0x1F, (dt >> 11) & 0x1F, (dt >> 5) & 0x3F};
}

void DateTime(const Shown& when, char* out, size_t size) {
  std::snprintf(out, size, "%04u-%02u-%02u %02u:%02u", when.year, when.month, when.day, when.hour, when.minute);
}

// The plain listing line is built by hand: printf for 100,000 lines costs more than reading
// the whole directory.
void AppendNumber(std::string& out, uint64_t value, size_t width) {
  char digits[24];
  size_t n = 0;
  do {
    digits[n++] = static_cast<char>('0' + value % 10);
    value /= 10;
  } while (value != 0);
  if (n < width) out.append(width - n, ' ');
  while (n > 0) out += digits[--n];
}

void AppendTwo(std::string& out, unsigned value) {
  out += static_cast<char>('0' + value / 10 % 10);
  out += static_cast<char>('0' + value % 10);
}

void AppendListLine(std::string& out, uint64_t usize, const Shown& when, const std::string& path) {
  AppendNumber(out, usize, 9);
  out += "  ";
  AppendNumber(out, when.year, 4);
  out += '-';
  AppendTwo(out, when.month);
  out += '-';
  AppendTwo(out, when.day);
  out += ' ';
  AppendTwo(out, when.hour);
  out += ':';
  AppendTwo(out, when.minute);
  out += "   ";
  for (const char c : path) out += c == '\\' ? '/' : c;
  out += '\n';
}

std::string MethodName(const zip::TZipHeaderInfo& e) {
  using zip::Method;
  const Method method = zip::MethodOf(e);
  static const char kLevel[] = {'N', 'X', 'F', 'S'};  // general-purpose bits 1 and 2
  switch (method) {
    case Method::kStored: return "Stored";
    case Method::kShrunk: return "Shrunk";
    case Method::kReduced1:
    case Method::kReduced2:
    case Method::kReduced3:
    case Method::kReduced4: return "Reduce" + std::to_string(zip::ReductionFactor(method));
    case Method::kImploded: return "Implode";
    case Method::kDeflated: return std::string("Defl:") + kLevel[(e.GeneralFlags >> 1) & 3];
    case Method::kDeflate64: return std::string("Def64") + kLevel[(e.GeneralFlags >> 1) & 3];
    case Method::kBzip2: return "BZip2";
    case Method::kLzma: return "LZMA";
    case Method::kPpmd: return "PPMd";
    // unzip has no names for these; 7-Zip's.
    case Method::kZstandard: return "zstd";
    case Method::kXz: return "xz";
    default: {
      char buf[16];
      std::snprintf(buf, sizeof buf, "Unk:%03u", e.CompressionMethod);
      return buf;
    }
  }
}

// Space saved in percent, as the peers print it (negative when the entry grew).
int Saved(uint64_t usize, uint64_t csize) {
  if (usize == 0) return 0;
  const double saved = (static_cast<double>(usize) - static_cast<double>(csize)) * 100.0 / static_cast<double>(usize);
  return static_cast<int>(saved >= 0 ? saved + 0.5 : saved - 0.5);
}

// Comments as text lines: CR LF becomes LF and the last line ends with one.
std::string CommentLines(const std::string& comment) {
  std::string text;
  for (size_t i = 0; i < comment.size(); ++i) {
    if (comment[i] == '\r' && i + 1 < comment.size() && comment[i + 1] == '\n') continue;
    text += comment[i];
  }
  if (!text.empty() && text.back() != '\n') text += '\n';
  return text;
}

}  // namespace

std::string StoredPath(const zip::TZipHeaderInfo& entry) {
  std::string path = entry.Path();
  for (char& c : path)
    if (c == '\\') c = '/';
  return path;
}

bool Selected(const Options& options, const zip::TZipHeaderInfo& entry) {
  if (options.patterns.empty()) return true;
  const std::string name = zip::AsciiLower(entry.Path());
  for (std::string pattern : options.patterns) {
    for (char& c : pattern)
      if (c == '/') c = '\\';
    if (zip::IsMatch(zip::AsciiLower(pattern), name)) return true;
  }
  return false;
}

int ListArchive(zip::TUnZipper& u, const Options& options, const std::string& shown_name, std::FILE* f) {
  Out out(f);
  const bool verbose = options.action == Action::Verbose;
  out.Printf("Archive:  %s\n", shown_name.c_str());
  const std::string comment = u.ArchiveComment();
  out.Add(CommentLines(comment));
  if (verbose) {
    out.Add(" Length   Method    Size  Cmpr    Date    Time   CRC-32   Attr      Name\n"
            "--------  ------  ------- ---- ---------- ----- --------  --------  ----\n");
  } else {
    out.Add("  Length      Date    Time    Name\n"
            "---------  ---------- -----   ----\n");
  }
  uint64_t total_u = 0, total_c = 0;
  int listed = 0;
  char when[32];
  const int count = u.EntryCount();
  for (int i = 0; i < count; ++i) {
    const zip::TZipHeaderInfo& e = u.Entry(i);
    if (!Selected(options, e)) continue;
    ++listed;
    const uint64_t usize = e.UncompressedSize(), csize = e.CompressedSize();
    total_u += usize;
    total_c += csize;
    if (!verbose) {
      AppendListLine(out.Text(), usize, ShownTime(e), e.Path());
      out.Commit();
      if (e.HasComment()) out.Add(CommentLines(u.EntryComment(i)));
      continue;
    }
    DateTime(ShownTime(e), when, sizeof when);
    const std::string path = StoredPath(e);
    if (verbose) {
      out.Printf("%8" PRIu64 "  %-6s %8" PRIu64 " %3d%% %s %08x  %08x  ", usize, MethodName(e).c_str(), csize,
                 Saved(usize, csize), when, e.Crc32, e.ExternalAttributes);
      out.Add(path);
      out.Add("\n", 1);
    } else {
      out.Printf("%9" PRIu64 "  %s   ", usize, when);
      out.Add(path);
      out.Add("\n", 1);
    }
    if (e.HasComment()) out.Add(CommentLines(u.EntryComment(i)));
  }
  if (verbose) {
    out.Add("--------          -------  ---                                      -------\n");
    out.Printf("%8" PRIu64 "         %8" PRIu64 " %3d%%                                      %d file%s\n", total_u,
               total_c, Saved(total_u, total_c), listed, listed == 1 ? "" : "s");
  } else {
    out.Add("---------                     -------\n");
    out.Printf("%9" PRIu64 "                     %d file%s\n", total_u, listed, listed == 1 ? "" : "s");
  }
  return listed;
}

}  // namespace halvex_unzip
