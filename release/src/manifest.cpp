#include "release/manifest.h"

#include <algorithm>
#include <charconv>
#include <unordered_set>

#include "platform/text.h"

namespace release {

namespace {

constexpr char kHexDigits[] = "0123456789abcdef";

bool AsciiEqualIgnoreCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    const auto fold = [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; };
    if (fold(a[i]) != fold(b[i])) return false;
  }
  return true;
}

// A decimal number without leading zeros (0 itself allowed), at most `max`.
std::optional<uint64_t> ParseDecimal(std::string_view text, uint64_t max) {
  if (text.empty() || (text.size() > 1 && text[0] == '0')) return std::nullopt;
  uint64_t value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size() || value > max) return std::nullopt;
  return value;
}

// Cuts the text into lines; the reader raises on what no text of ours holds.
class LineReader {
 public:
  LineReader(std::string_view text, std::string_view source, const char* what)
      : text_(text), source_(source), what_(what) {
    if (text.size() > kMaxTextSize) Fail("it is larger than " + std::to_string(kMaxTextSize >> 20) + " MiB");
    if (!platform::IsValidUtf8(text)) Fail("it is not UTF-8 text");
  }

  bool AtEnd() const { return pos_ >= text_.size(); }
  size_t LineNumber() const { return line_; }

  std::string_view Next() {
    if (AtEnd()) Fail("it ends too early");
    if (++line_ > kMaxLines) Fail("it has more than " + std::to_string(kMaxLines) + " lines");
    const size_t lf = text_.find('\n', pos_);
    std::string_view line = text_.substr(pos_, lf == std::string_view::npos ? std::string_view::npos : lf - pos_);
    pos_ = lf == std::string_view::npos ? text_.size() : lf + 1;
    if (lf != std::string_view::npos && !line.empty() && line.back() == '\r') line.remove_suffix(1);
    for (const char c : line)
      if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) FailLine("a control character");
    return line;
  }

  // What the next line would be, without taking it.
  std::string_view Peek() const {
    const size_t lf = text_.find('\n', pos_);
    return text_.substr(pos_, lf == std::string_view::npos ? std::string_view::npos : lf - pos_);
  }

  [[noreturn]] void Fail(const std::string& cause) const {
    throw EManifestError("\"" + std::string(source_) + "\" is not a valid " + what_ + ": " + cause + ".");
  }
  [[noreturn]] void FailLine(const std::string& cause) const {
    Fail("line " + std::to_string(line_) + ": " + cause);
  }

 private:
  std::string_view text_;
  std::string_view source_;
  const char* what_;
  size_t pos_ = 0;
  size_t line_ = 0;
};

// "<keyword> <rest>": the rest, or nullopt when the line is another keyword.
std::optional<std::string_view> Field(std::string_view line, std::string_view keyword) {
  if (line.size() <= keyword.size() || line.substr(0, keyword.size()) != keyword || line[keyword.size()] != ' ')
    return std::nullopt;
  return line.substr(keyword.size() + 1);
}

std::string_view CutWord(std::string_view& rest) {
  const size_t blank = rest.find(' ');
  const std::string_view word = rest.substr(0, blank);
  rest = blank == std::string_view::npos ? std::string_view() : rest.substr(blank + 1);
  return word;
}

std::string ReadProduct(LineReader& in) {
  const std::optional<std::string_view> id = Field(in.Next(), "product");
  if (!id) in.FailLine("the product line is missing");
  if (!IsValidProduct(*id))
    in.FailLine("the product id is not 1 to " + std::to_string(kMaxProductBytes) + " letters, digits, '.', '_' or '-'");
  return std::string(*id);
}

Version ReadVersionValue(LineReader& in, std::string_view text) {
  const std::optional<Version> v = Version::Parse(text);
  if (!v) in.FailLine("\"" + std::string(text) + "\" is not a version (numbers joined by '.')");
  return *v;
}

Version ReadVersion(LineReader& in) {
  const std::optional<std::string_view> text = Field(in.Next(), "version");
  if (!text) in.FailLine("the version line is missing");
  return ReadVersionValue(in, *text);
}

std::string ReadPath(LineReader& in, std::string_view path) {
  if (const std::string problem = PathProblem(path); !problem.empty()) in.FailLine(problem);
  if (IsReservedPath(path)) in.FailLine("\"" + std::string(path) + "\" is a name the launcher keeps for itself");
  return std::string(path);
}

Sha256 ReadHash(LineReader& in, std::string_view hex) {
  const std::optional<Sha256> hash = ParseSha256(hex);
  if (!hash) in.FailLine("the SHA-256 is not 64 lower-case hexadecimal digits");
  return *hash;
}

// The file lines that follow; every path once, as Windows compares names.
std::vector<ReleaseFile> ReadFiles(LineReader& in, std::unordered_set<std::string>& keys) {
  std::vector<ReleaseFile> files;
  while (!in.AtEnd()) {
    std::optional<std::string_view> rest = Field(in.Peek(), "file");
    if (!rest) break;
    rest = Field(in.Next(), "file");
    ReleaseFile f;
    const std::optional<uint64_t> size = ParseDecimal(CutWord(*rest), INT64_MAX);
    if (!size) in.FailLine("the size is not a decimal number");
    f.size = *size;
    f.sha256 = ReadHash(in, CutWord(*rest));
    f.path = ReadPath(in, *rest);
    if (!keys.insert(platform::NameCaseKey(f.path)).second) in.FailLine("\"" + f.path + "\" is listed twice");
    files.push_back(std::move(f));
  }
  return files;
}

void AppendFileLines(std::string& out, std::vector<ReleaseFile> files) {
  std::sort(files.begin(), files.end(), [](const ReleaseFile& a, const ReleaseFile& b) { return a.path < b.path; });
  for (const ReleaseFile& f : files)
    out += "file " + std::to_string(f.size) + " " + HexOf(f.sha256) + " " + f.path + "\n";
}

}  // namespace

std::optional<Version> Version::Parse(std::string_view text) {
  Version v;
  v.numbers_.clear();
  while (true) {
    const size_t dot = text.find('.');
    const std::optional<uint64_t> n = ParseDecimal(text.substr(0, dot), kMaxVersionNumber);
    if (!n || v.numbers_.size() == kMaxVersionNumbers) return std::nullopt;
    v.numbers_.push_back(static_cast<uint32_t>(*n));
    if (dot == std::string_view::npos) return v;
    text.remove_prefix(dot + 1);
  }
}

std::string Version::Text() const {
  std::string text;
  for (const uint32_t n : numbers_) text += (text.empty() ? "" : ".") + std::to_string(n);
  return text;
}

std::strong_ordering operator<=>(const Version& a, const Version& b) {
  const size_t count = std::max(a.numbers_.size(), b.numbers_.size());
  for (size_t i = 0; i < count; ++i) {
    const uint32_t x = i < a.numbers_.size() ? a.numbers_[i] : 0;
    const uint32_t y = i < b.numbers_.size() ? b.numbers_[i] : 0;
    if (x != y) return x <=> y;
  }
  return std::strong_ordering::equal;
}

bool IsValidProduct(std::string_view id) {
  if (id.empty() || id.size() > kMaxProductBytes) return false;
  return std::all_of(id.begin(), id.end(), [](char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' || c == '_' ||
           c == '-';
  });
}

std::string PathProblem(std::string_view path) {
  if (path.empty()) return "the path is empty";
  if (path.size() > kMaxPathBytes) return "the path is longer than " + std::to_string(kMaxPathBytes) + " bytes";
  if (path.find('/') != std::string_view::npos) return "\"" + std::string(path) + "\" holds a '/' (parts are joined by '\\')";
  if (!platform::IsValidUtf8(path)) return "the path is not UTF-8";
  for (const char c : path)
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) return "the path holds a control character";
  std::string_view rest = path;
  while (true) {
    const size_t sep = rest.find('\\');
    const std::string_view part = rest.substr(0, sep);
    if (part.empty() || part == "." || part == "..")
      return "\"" + std::string(path) + "\" has an empty, \".\" or \"..\" part";
    if (part.find(':') != std::string_view::npos)
      return "\"" + std::string(path) + "\" names a drive or a stream (':')";
    if (sep == std::string_view::npos) return {};
    rest.remove_prefix(sep + 1);
  }
}

bool IsReservedPath(std::string_view path) {
  constexpr std::string_view kWork = "UPDATE\\~HALVEX";
  if (AsciiEqualIgnoreCase(path.substr(0, kWork.size()), kWork) &&
      (path.size() == kWork.size() || path[kWork.size()] == '\\'))
    return true;
  const std::string_view patches(kPatchFolder);
  if (AsciiEqualIgnoreCase(path.substr(0, patches.size() - 1), patches.substr(0, patches.size() - 1)) &&
      (path.size() == patches.size() - 1 || path[patches.size() - 1] == '\\'))
    return true;
  for (const std::string_view name : {std::string_view(kRecordFile), std::string_view(kManifestEntry),
                                      std::string_view("UPDATE\\HalvexUpdate.log"),
                                      std::string_view("UPDATE\\HalvexUpdate.log.1"),
                                      std::string_view("UPDATE\\UPDATE_RESULT.INF")})
    if (AsciiEqualIgnoreCase(path, name)) return true;
  return false;
}

std::string PatchEntryName(std::string_view path) { return std::string(kPatchFolder) + std::string(path); }

std::optional<std::string> PatchedPathOf(std::string_view entry) {
  const std::string_view folder(kPatchFolder);
  if (entry.size() <= folder.size() || !AsciiEqualIgnoreCase(entry.substr(0, folder.size()), folder)) return std::nullopt;
  return std::string(entry.substr(folder.size()));
}

std::string HexOf(const Sha256& hash) {
  std::string hex;
  hex.reserve(64);
  for (const uint8_t b : hash) {
    hex += kHexDigits[b >> 4];
    hex += kHexDigits[b & 15];
  }
  return hex;
}

std::optional<Sha256> ParseSha256(std::string_view hex) {
  if (hex.size() != 64) return std::nullopt;
  Sha256 hash{};
  for (size_t i = 0; i < 64; ++i) {
    const char* digit = std::char_traits<char>::find(kHexDigits, 16, hex[i]);
    if (!digit) return std::nullopt;
    hash[i / 2] = static_cast<uint8_t>(hash[i / 2] << 4 | (digit - kHexDigits));
  }
  return hash;
}

Manifest ParseManifest(std::string_view text, std::string_view source) {
  LineReader in(text, source, "release manifest");
  const std::string_view header = in.Next();
  const bool with_patches = header == kPatchManifestHeader;
  if (header != kManifestHeader && !with_patches) {
    if (text.substr(0, 15) == "halvex-release ") in.FailLine("it is of a version this program does not know");
    in.FailLine(std::string("the first line is not \"") + kManifestHeader + "\"");
  }
  Manifest m;
  m.product = ReadProduct(in);
  m.version = ReadVersion(in);
  std::optional<std::string_view> from = Field(in.Next(), "from");
  if (!from) in.FailLine("the from line is missing");
  if (*from == "any") {
    m.from_any = true;
  } else {
    std::string_view list = *from;
    while (true) {
      const size_t blank = list.find(' ');
      m.from.push_back(ReadVersionValue(in, list.substr(0, blank)));
      if (blank == std::string_view::npos) break;
      list.remove_prefix(blank + 1);
    }
  }
  if (!in.AtEnd() && in.Peek().substr(0, 8) == "rollback") {
    if (in.Next() != "rollback") in.FailLine("the rollback line has more than its word");
    m.rollback = true;
  }
  std::unordered_set<std::string> keys;
  m.files = ReadFiles(in, keys);
  std::unordered_set<std::string> patched_keys;
  while (!in.AtEnd() && in.Peek().substr(0, 6) == "patch ") {
    std::optional<std::string_view> rest = Field(in.Next(), "patch");
    if (!with_patches) in.FailLine(std::string("a patch line under the header \"") + kManifestHeader + "\"");
    PatchedFile p;
    p.base_sha256 = ReadHash(in, CutWord(*rest));
    p.path = ReadPath(in, *rest);
    const std::string key = platform::NameCaseKey(p.path);
    if (!keys.count(key)) in.FailLine("\"" + p.path + "\" is patched but is not a file of the release");
    if (!patched_keys.insert(key).second) in.FailLine("\"" + p.path + "\" is patched twice");
    m.patches.push_back(std::move(p));
  }
  if (with_patches && m.patches.empty()) in.FailLine("the header says the release has patches, and it has none");
  std::unordered_set<std::string> dropped_keys;
  while (!in.AtEnd()) {
    std::optional<std::string_view> rest = Field(in.Next(), "drop");
    if (!rest) in.FailLine("a line that is neither a file, a patch nor a drop line, or out of order");
    DroppedFile d;
    d.sha256 = ReadHash(in, CutWord(*rest));
    d.path = ReadPath(in, *rest);
    const std::string key = platform::NameCaseKey(d.path);
    if (keys.count(key)) in.FailLine("\"" + d.path + "\" is both a file of the release and dropped");
    if (!dropped_keys.insert(key).second) in.FailLine("\"" + d.path + "\" is dropped twice");
    m.dropped.push_back(std::move(d));
  }
  return m;
}

Record ParseRecord(std::string_view text, std::string_view source) {
  LineReader in(text, source, "release record");
  if (in.Next() != kRecordHeader) {
    if (text.substr(0, 17) == "halvex-installed ") in.FailLine("it is of a version this program does not know");
    in.FailLine(std::string("the first line is not \"") + kRecordHeader + "\"");
  }
  Record r;
  r.product = ReadProduct(in);
  r.version = ReadVersion(in);
  std::unordered_set<std::string> keys;
  r.files = ReadFiles(in, keys);
  if (!in.AtEnd()) {
    in.Next();
    in.FailLine("a line that is not a file line");
  }
  return r;
}

std::string FormatManifest(const Manifest& m) {
  std::string out = std::string(m.patches.empty() ? kManifestHeader : kPatchManifestHeader) + "\nproduct " + m.product + "\nversion " + m.version.Text() + "\nfrom";
  if (m.from_any) out += " any";
  for (const Version& v : m.from) out += " " + v.Text();
  out += "\n";
  if (m.rollback) out += "rollback\n";
  AppendFileLines(out, m.files);
  std::vector<PatchedFile> patches = m.patches;
  std::sort(patches.begin(), patches.end(), [](const PatchedFile& a, const PatchedFile& b) { return a.path < b.path; });
  for (const PatchedFile& p : patches) out += "patch " + HexOf(p.base_sha256) + " " + p.path + "\n";
  std::vector<DroppedFile> dropped = m.dropped;
  std::sort(dropped.begin(), dropped.end(), [](const DroppedFile& a, const DroppedFile& b) { return a.path < b.path; });
  for (const DroppedFile& d : dropped) out += "drop " + HexOf(d.sha256) + " " + d.path + "\n";
  return out;
}

std::string FormatRecord(const Record& r) {
  std::string out = std::string(kRecordHeader) + "\nproduct " + r.product + "\nversion " + r.version.Text() + "\n";
  AppendFileLines(out, r.files);
  return out;
}

Record RecordOf(const Manifest& m) { return Record{m.product, m.version, m.files}; }

}  // namespace release
