#include "launcher/update_plan.h"

#include <unordered_map>

#include "launcher/update_rules.h"
#include "platform/text.h"
#include "zip/methods.h"
#include "zip/unzipper.h"

namespace launcher {

namespace {

std::vector<std::string> SplitPath(std::string_view rel) {
  std::vector<std::string> parts;
  size_t start = 0;
  while (start <= rel.size()) {
    size_t end = rel.find('\\', start);
    if (end == std::string_view::npos) end = rel.size();
    // Windows reads "a\\b" as "a\b": an empty part names nothing.
    if (end > start) parts.emplace_back(rel.substr(start, end - start));
    start = end + 1;
  }
  return parts;
}

std::string AsciiUpper(std::string_view s) {
  std::string r(s);
  for (char& c : r)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
  return r;
}

bool IsDevice(const std::string& base) {
  static const char* const kDevices[] = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$", "CLOCK$"};
  for (const char* d : kDevices)
    if (base == d) return true;
  if (base.size() == 4 && (base.starts_with("COM") || base.starts_with("LPT")))
    return base[3] >= '0' && base[3] <= '9';
  // COM¹, COM², COM³ and the LPT ones with superscript digits are devices too.
  if (base.size() == 5 && (base.starts_with("COM") || base.starts_with("LPT")))
    return base.substr(3) == "\xC2\xB9" || base.substr(3) == "\xC2\xB2" || base.substr(3) == "\xC2\xB3";
  return false;
}

// The device name `component` stands for ("" when none): the names count with any extension
// ("CON.txt") and with blanks before it.
std::string DeviceName(std::string_view component) {
  std::string name(component.substr(0, component.find('.')));
  while (!name.empty() && name.back() == ' ') name.pop_back();
  return IsDevice(AsciiUpper(name)) ? name : std::string();
}

std::string Quoted(const std::string& path) { return "\"" + path + "\""; }

struct Claim {
  std::string final_path;
  bool is_folder;
};

}  // namespace

bool EngineDecodes(uint16_t method) { return zip::CanDecodeMethod(static_cast<zip::Method>(method)); }

std::string UndecodableReason(uint16_t method, uint16_t general_flags) {
  const auto m = static_cast<zip::Method>(method);
  if (general_flags & 0x0001) {
    if (m == zip::Method::kAes) return "is encrypted with AES, which the launcher cannot decrypt";
    if (general_flags & 0x0040) return "is encrypted with PKWARE strong encryption, which the launcher cannot decrypt";
    return "is encrypted, and the launcher is given no password";
  }
  if (EngineDecodes(method)) return {};
  const char* name = zip::KnownMethodName(m);
  return "is compressed with method " + std::to_string(method) + (name ? std::string(" (") + name + ")" : "") +
         ", which the launcher cannot decode";
}

std::string WindowsNameProblem(std::string_view component) {
  if (component == "." || component == "..") return "\"" + std::string(component) + "\" is not a name";
  for (char c : component) {
    const auto u = static_cast<unsigned char>(c);
    if (u < 0x20 || std::string_view("<>:\"/\\|?*").find(c) != std::string_view::npos)
      return "a name must not contain control characters or any of < > : \" / \\ | ? *";
  }
  if (!component.empty() && (component.back() == '.' || component.back() == ' '))
    return "a name must not end with a dot or a blank";
  if (const std::string device = DeviceName(component); !device.empty())
    return device + " is a device name reserved by Windows, with any extension";
  return {};
}

UpdatePlan MakePlan(const std::string& app_dir, const std::vector<ArchiveEntry>& entries,
                    std::string_view copy_filename, std::string_view ver_history) {
  UpdatePlan plan;
  plan.app_dir = app_dir;
  const std::string dest_dir = app_dir.substr(0, app_dir.size() - 1);
  const std::string work_key = platform::NameCaseKey(kWorkFolder);
  const std::string held_key = platform::NameCaseKey(kHeldArchiveFolder);
  std::unordered_map<std::string, Claim> claims;  // by the name Windows sees

  for (const ArchiveEntry& e : entries) {
    const bool is_file = !e.file_name.empty();
    const std::string final_path = zip::DestinationFolder(dest_dir, true, {}, e.folder_part) + e.file_name;
    if (is_file && IsSkippedPath(final_path, copy_filename, ver_history, app_dir)) {
      plan.skipped.push_back(SkippedEntry{e.index, final_path});
      continue;
    }
    if (final_path.compare(0, app_dir.size(), app_dir) != 0)
      throw EUpdateRefused("\"" + final_path + "\" lies outside the application's folder");
    const std::vector<std::string> parts = SplitPath(std::string_view(final_path).substr(app_dir.size()));
    std::string rel;
    for (size_t i = 0; i < parts.size(); ++i) {
      if (parts[i] == "..") throw EUpdateRefused("\"" + final_path + "\" lies outside the application's folder");
      if (const std::string problem = WindowsNameProblem(parts[i]); !problem.empty())
        throw EUpdateRefused("\"" + final_path + "\" is not a name Windows can create: " + problem);
      if (!rel.empty()) rel += '\\';
      rel += parts[i];
      const std::string key = platform::NameCaseKey(rel);
      if (key == work_key || key.starts_with(work_key + "\\") || key == held_key || key.starts_with(held_key + "\\"))
        throw EUpdateRefused("\"" + final_path + "\" lies in the updater's own work folder");
      const bool folder_here = !is_file || i + 1 < parts.size();
      const auto [it, added] = claims.try_emplace(key, Claim{app_dir + rel, folder_here});
      if (added) {
        if (folder_here) plan.folders.push_back(rel);
        continue;
      }
      if (folder_here && it->second.is_folder) continue;
      const std::string& other = it->second.final_path;
      if (other == app_dir + rel)
        throw EUpdateRefused(folder_here || it->second.is_folder
                                 ? Quoted(other) + " would be both a file and a folder"
                                 : "two entries of the archive would be written to " + Quoted(other));
      throw EUpdateRefused("\"" + other + "\" and \"" + app_dir + rel +
                           "\" would be the same name on Windows, which does not tell upper from lower case");
    }
    if (!is_file) {
      if (!rel.empty()) plan.folder_entries.push_back(FolderEntry{rel, e.attributes});
      continue;
    }
    if (parts.empty()) throw EUpdateRefused("\"" + final_path + "\" is not a name Windows can create");
    if (!e.undecodable.empty())
      throw EUpdateRefused("the archive's entry " + Quoted(e.folder_part + e.file_name) + " " + e.undecodable);
    plan.files.push_back(PlannedFile{e.index, rel, final_path, e.size, std::nullopt});
    plan.total_size += e.size;
  }
  return plan;
}

std::vector<ArchiveEntry> ArchiveEntries(zip::TUnZipper& unzipper) {
  std::vector<ArchiveEntry> entries;
  const int count = unzipper.EntryCount();
  entries.reserve(static_cast<size_t>(count));
  for (int i = 0; i < count; ++i) {
    const zip::TZipHeaderInfo& h = unzipper.Entry(i);
    entries.push_back(ArchiveEntry{i, h.Directory(), h.FileName(), h.UncompressedSize(), h.ExternalAttributes,
                                   UndecodableReason(h.CompressionMethod, h.GeneralFlags)});
  }
  return entries;
}

}  // namespace launcher
