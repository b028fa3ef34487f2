// halvex-pack: the vendor's tool for releases. Makes an update archive of a new release against
// the previous one with its release manifest (and signs it), shows an archive's manifest, checks
// what the launcher would do with an archive in an application's folder, and writes a release
// folder's record of itself.
// Exit codes: 0 done (check: the launcher would apply it), 1 check: the launcher would refuse it,
// 2 usage or I/O error, 3 check: a delta update whose base files are not installed as it was made
// against (the application should fetch the full update).
#include <algorithm>
#include <cstdio>
#include <iostream>
#include <sstream>
#include <string>

#ifdef _WIN32
#include <io.h>
#define HALVEX_ISATTY(fd) _isatty(fd)
#else
#include <unistd.h>
#define HALVEX_ISATTY(fd) isatty(fd)
#endif

#include "archive_reader.h"
#include "make_release.h"
#include "description/description_file.h"
#include "platform/command_line.h"
#include "platform/dll_search.h"
#include "platform/exceptions.h"
#include "platform/file_ops.h"
#include "platform/fs.h"
#include "platform/text.h"
#include "platform/stream.h"
#include "release/delta.h"
#include "release/release_plan.h"
#include "release/sha256.h"
#include "release_tree.h"
#include "signature/ed25519ph.h"
#include "signature/keys.h"
#include "signature/signature_file.h"
#include "signature/update_check.h"

namespace {

enum ExitCode { kOk = 0, kRefused = 1, kError = 2, kBaseChanged = 3 };

constexpr const char* kUsage =
    "usage: halvex-pack make [--old DIR] --new DIR --product ID --version V [--from V,V...|any]\n"
    "                        [--rollback] [--full | --delta] [--key SECRET_FILE] -o UPDATE.ZIP\n"
    "       halvex-pack show UPDATE.ZIP\n"
    "       halvex-pack check UPDATE.ZIP APP_DIR\n"
    "       halvex-pack stamp --product ID --version V DIR\n"
    "\n"
    "make   the update from release DIR --old to release DIR --new: the new and changed files (all\n"
    "       with --full; --old may then be left out), the files --old has and --new has not as\n"
    "       dropped, and the release manifest; with --key also UPDATE.ZIP.SIG. --from defaults to the\n"
    "       version in --old's UPDATE\\RELEASE.INF (to any with --full); --delta ships a changed file\n"
    "       as a patch against its --old version where that is smaller\n"
    "show   the release manifest of UPDATE.ZIP\n"
    "check  what the launcher would do with UPDATE.ZIP in APP_DIR, without writing anything\n"
    "stamp  writes DIR\\UPDATE\\RELEASE.INF, the record of the release in DIR\n"
    "exit   0 done (check: it would apply), 1 check: it would be refused, 2 usage or I/O error,\n"
    "       3 check: a patched file is not installed as the update was made against (use a full update)\n";

class EUsage : public std::runtime_error {
  using runtime_error::runtime_error;
};

std::string EnginePath(std::string path) {
  for (char& c : path)
    if (c == '/') c = '\\';
  return path;
}

std::string FolderPath(const std::string& arg) {
  std::string path = EnginePath(arg);
  if (path.empty() || path.back() != '\\') path += '\\';
  return path;
}

std::string SizeText(uint64_t bytes) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f MB", static_cast<double>(bytes) / 1e6);
  return text;
}

release::Version VersionArg(const std::string& text) {
  const std::optional<release::Version> v = release::Version::Parse(text);
  if (!v) throw EUsage("\"" + text + "\" is not a version (1 to 8 numbers joined by '.', no leading zeros)");
  return *v;
}

// --name value pairs and flags after the command.
struct Args {
  std::vector<std::pair<std::string, std::string>> values;
  std::vector<std::string> flags;
  std::vector<std::string> plain;

  Args(const std::vector<std::string>& args, const std::vector<std::string>& with_value,
       const std::vector<std::string>& flag_names) {
    for (size_t i = 1; i < args.size(); ++i) {
      const std::string& a = args[i];
      if (std::find(with_value.begin(), with_value.end(), a) != with_value.end()) {
        if (i + 1 >= args.size()) throw EUsage(a + " needs a value");
        if (Has(a)) throw EUsage(a + " is given twice");
        values.emplace_back(a, args[++i]);
      } else if (std::find(flag_names.begin(), flag_names.end(), a) != flag_names.end()) {
        flags.push_back(a);
      } else if (a.size() > 1 && a[0] == '-') {
        throw EUsage("unknown option " + a);
      } else {
        plain.push_back(a);
      }
    }
  }
  bool Has(const std::string& name) const {
    for (const auto& [n, v] : values)
      if (n == name) return true;
    return false;
  }
  std::string Value(const std::string& name) const {
    for (const auto& [n, v] : values)
      if (n == name) return v;
    throw EUsage(name + " is missing");
  }
  bool Flag(const std::string& name) const { return std::find(flags.begin(), flags.end(), name) != flags.end(); }
};

std::string ReadSmallFile(const std::string& path) {
  constexpr int64_t kMax = 64 * 1024;
  platform::FileStream file(path, platform::FileMode::OpenRead);
  std::string text(static_cast<size_t>(kMax) + 1, '\0');
  text.resize(static_cast<size_t>(file.Read(text.data(), kMax + 1)));
  if (static_cast<int64_t>(text.size()) > kMax) throw platform::EReadError("\"" + path + "\" is too large for a key file");
  return text;
}

void Sign(const signature::SecretKey& key, const std::string& archive_path) {
  platform::FileStream archive(archive_path, platform::FileMode::OpenReadDenyWrite);
  const std::string text = signature::FormatSignatureFile({key.Public(), signature::SignStream(archive, key)});
  platform::FileStream out(signature::SignatureFileName(archive_path), platform::FileMode::Create);
  out.WriteBuffer(text.data(), static_cast<int64_t>(text.size()));
}

int Make(const std::vector<std::string>& argv) {
  const Args args(argv, {"--old", "--new", "--product", "--version", "--from", "--key", "-o"}, {"--rollback", "--full", "--delta"});
  if (!args.plain.empty()) throw EUsage("unexpected argument \"" + args.plain[0] + "\"");
  pack::MakeOptions o;
  o.full = args.Flag("--full");
  o.rollback = args.Flag("--rollback");
  o.delta = args.Flag("--delta");
  if (o.delta && o.full) throw EUsage("--delta and --full exclude each other (a full update patches nothing)");
  if (o.delta && !args.Has("--old")) throw EUsage("--delta needs --old, the release the patches are made against");
  if (args.Has("--old")) o.old_dir = FolderPath(args.Value("--old"));
  else if (!o.full) throw EUsage("--old is missing (only --full can do without the previous release)");
  o.new_dir = FolderPath(args.Value("--new"));
  o.product = args.Value("--product");
  if (!release::IsValidProduct(o.product))
    throw EUsage("\"" + o.product + "\" is not a product id (1 to 64 letters, digits, '.', '_' or '-')");
  o.version = VersionArg(args.Value("--version"));
  o.output = EnginePath(args.Value("-o"));

  std::optional<signature::SecretKey> key;
  if (args.Has("--key")) {
    const std::string key_path = EnginePath(args.Value("--key"));
    key = signature::ParseSecretKeyFile(ReadSmallFile(key_path));
    if (!key) throw platform::EReadError("\"" + key_path + "\" is not a secret key file made by halvex-sign keygen");
  }

  // What the previous release says of itself decides the default and is checked against.
  std::optional<release::Record> old_record;
  if (!o.old_dir.empty()) old_record = release::ReadInstalledRecord(o.old_dir);
  if (old_record) {
    if (old_record->product != o.product)
      throw EUsage("\"" + o.old_dir + "\" is a release of \"" + old_record->product + "\", not of \"" + o.product + "\"");
    if (o.version == old_record->version)
      throw EUsage("\"" + o.old_dir + "\" is version " + o.version.Text() + " already");
    if (o.version < old_record->version && !o.rollback)
      throw EUsage("version " + o.version.Text() + " is older than " + old_record->version.Text() + " in \"" +
                   o.old_dir + "\"; give --rollback for a deliberate rollback");
  }
  if (o.rollback && old_record && o.version > old_record->version)
    throw EUsage("--rollback, but version " + o.version.Text() + " is newer than " + old_record->version.Text());
  if (args.Has("--from")) {
    const std::string from = args.Value("--from");
    if (from == "any") {
      o.from_any = true;
    } else {
      std::stringstream list(from);
      for (std::string item; std::getline(list, item, ',');) o.from.push_back(VersionArg(item));
      if (o.from.empty() || from.back() == ',') throw EUsage("--from needs versions joined by ',' or \"any\"");
    }
  } else if (o.full) {
    o.from_any = true;
  } else if (old_record) {
    o.from = {old_record->version};
  } else {
    throw EUsage("--from is missing and \"" + o.old_dir + std::string(release::kRecordFile) +
                 "\" does not say the previous version: an update of changed files only applies to the release "
                 "it was made against");
  }
  if (o.from_any && !o.full)
    std::cerr << "halvex-pack: warning: --from any without --full: an installation of another version than --old "
                 "would keep files this update does not carry\n";

  const bool terminal = HALVEX_ISATTY(2) != 0;
  if (terminal)
    o.progress = [](size_t done, size_t all) {
      if (done == all || done % 50 == 0) std::cerr << "\rhalvex-pack: " << done << "/" << all << " files" << std::flush;
    };
  const pack::MakeResult r = pack::MakeRelease(o);
  if (terminal) std::cerr << "\n";
  if (key) Sign(*key, o.output);

  // A stamped release folder's record should describe the folder as it was packed.
  const std::optional<release::Record> new_record = release::ReadInstalledRecord(o.new_dir);
  if (new_record && release::FormatRecord(*new_record) != release::FormatRecord(release::RecordOf(r.manifest)))
    std::cerr << "halvex-pack: warning: \"" << o.new_dir << release::kRecordFile
              << "\" does not describe this release as packed; run halvex-pack stamp again before shipping the folder\n";

  uint64_t total = 0;
  for (const release::ReleaseFile& f : r.manifest.files) total += f.size;
  std::cerr << "halvex-pack: wrote \"" << o.output << "\": " << r.manifest.product << " " << r.manifest.version.Text()
            << ", " << r.packed_files << " of " << r.manifest.files.size() << " files"
            << (o.delta ? " (" + std::to_string(r.patched_files) + " as patches)" : "") << " (" << SizeText(total)
            << " in the release), " << r.manifest.dropped.size() << " dropped"
            << (key ? ", signed" : "") << "\n";
  return kOk;
}

std::string FromText(const release::Manifest& m) {
  if (m.from_any) return "any version";
  std::string text;
  for (const release::Version& v : m.from) text += (text.empty() ? "" : ", ") + v.Text();
  return text;
}

release::Manifest ManifestOf(pack::ReleaseArchive& archive, const std::string& path) {
  std::optional<release::Manifest> m = archive.ReadManifest();
  if (!m)
    throw platform::EReadError("\"" + path + "\" holds no release manifest (" + release::kManifestEntry +
                               "): it was not made by halvex-pack make");
  return *m;
}

int Show(const std::string& path) {
  pack::ReleaseArchive archive(path);
  const release::Manifest m = ManifestOf(archive, path);
  std::vector<std::string> in_archive;
  std::vector<std::pair<std::string, uint64_t>> patch_sizes;  // case key, patch size
  for (const release::ArchiveFile& f : archive.Files()) {
    if (const std::optional<std::string> patched = release::PatchedPathOf(f.path))
      patch_sizes.emplace_back(platform::NameCaseKey(*patched), f.size);
    in_archive.push_back(platform::NameCaseKey(release::PatchedPathOf(f.path).value_or(f.path)));
  }
  uint64_t total = 0;
  for (const release::ReleaseFile& f : m.files) total += f.size;
  std::cout << "product     " << m.product << "\n"
            << "version     " << m.version.Text() << (m.rollback ? " (a rollback)" : "") << "\n"
            << "applies to  " << FromText(m) << "\n"
            << "files       " << m.files.size() << ", " << SizeText(total) << "; " << in_archive.size()
            << " in the archive (+)\n";
  for (const release::ReleaseFile& f : m.files) {
    const bool here = std::find(in_archive.begin(), in_archive.end(), platform::NameCaseKey(f.path)) != in_archive.end();
    std::cout << (here ? "  + " : "    ") << release::HexOf(f.sha256) << " " << f.size << " " << f.path << "\n";
  }
  if (!m.patches.empty()) {
    std::cout << "patched     " << m.patches.size() << " (base SHA-256, patch size; the file's line above)\n";
    for (const release::PatchedFile& p : m.patches) {
      const std::string key = platform::NameCaseKey(p.path);
      const auto size = std::find_if(patch_sizes.begin(), patch_sizes.end(), [&](const auto& e) { return e.first == key; });
      std::cout << "  ~ " << release::HexOf(p.base_sha256) << " "
                << (size == patch_sizes.end() ? std::string("(not in the archive)") : std::to_string(size->second)) << " "
                << p.path << "\n";
    }
  }
  std::cout << "dropped     " << m.dropped.size() << "\n";
  for (const release::DroppedFile& d : m.dropped) std::cout << "  - " << release::HexOf(d.sha256) << " " << d.path << "\n";
  return kOk;
}

int Refused(const std::string& message) {
  std::cout << "refused: " << message << "\n";
  return kRefused;
}

// The patch of a planned write applied to the installed base in memory, the result handed to
// `sink`. A patch that is damaged, or not one, refuses the update as an altered archive would be;
// a base of another size than the patch was made for is a changed base.
void ApplyInstalledPatch(pack::ReleaseArchive& archive, const release::PlannedWrite& w, const std::string& app_dir,
                         const pack::BlockSink& sink) {
  std::vector<uint8_t> patch;
  archive.Decode(w.entry, [&](const uint8_t* data, size_t n) {
    // A patch is made only when it is smaller than the file, whose size the format bounds.
    if (patch.size() + n > release::kMaxDeltaFileSize)
      throw release::ERefusedRelease(release::RefusalReason::kPatchMismatch,
                                     "The patch \"" + w.entry + "\" in the update archive is larger than any patch may be.");
    patch.insert(patch.end(), data, data + n);
  });
  const auto damaged = [&](const std::string& why) {
    return release::ERefusedRelease(release::RefusalReason::kPatchMismatch,
                                    "The patch \"" + w.entry + "\" in the update archive cannot be applied: " + why);
  };
  release::DeltaHeader header;
  try {
    header = release::ReadDeltaHeader(patch);
  } catch (const release::EDeltaError& e) {
    throw damaged(e.Message());
  }
  platform::FileStream file(app_dir + w.base_path, platform::FileMode::OpenRead);
  if (static_cast<uint64_t>(file.Size()) != header.base_size)
    throw release::ERefusedRelease(release::RefusalReason::kBaseChanged,
                                   "The update patches \"" + w.base_path + "\", but the installed file has " +
                                       std::to_string(file.Size()) + " bytes, not the " + std::to_string(header.base_size) +
                                       " it was made against. The full update is needed.");
  std::vector<uint8_t> base(static_cast<size_t>(header.base_size));
  file.ReadBuffer(base.data(), static_cast<int64_t>(base.size()));
  try {
    release::ApplyPatch(base, patch, [&](std::span<const uint8_t> piece) { sink(piece.data(), piece.size()); });
  } catch (const release::EDeltaError& e) {
    throw damaged(e.Message());
  }
}

int Check(const std::string& path, const std::string& app_dir) {
  if (!platform::FolderExists(app_dir)) throw platform::EReadError("\"" + app_dir + "\" is not a folder");
  // A signed application checks the signature first, as the launcher does.
  const std::string description = app_dir + "UPDATE\\VER_INFO.INF";
  if (platform::FileExists(description)) {
    // Read as the launcher reads it: any encoding, the key's line strictly.
    description::DescriptionFile file;
    file.LoadFromFile(description);
    std::optional<signature::PublicKey> key;
    try {
      key = signature::TrustedPublicKey(file, description);
    } catch (const platform::EConvertError& e) {
      return Refused(e.Message());
    }
    if (key) {
      platform::FileStream archive(path, platform::FileMode::OpenReadDenyWrite);
      try {
        signature::CheckUpdateSignature(archive, path, signature::SignatureFileName(path), *key);
      } catch (const signature::ESignatureError& e) {
        return Refused(e.Message());
      }
      std::cout << "signature   valid\n";
    }
  }
  pack::ReleaseArchive archive(path);
  const release::Manifest m = ManifestOf(archive, path);
  std::optional<release::Record> installed;
  try {
    installed = release::ReadInstalledRecord(app_dir);
  } catch (const release::EManifestError& e) {
    return Refused(e.Message());
  }
  std::cout << "installed   " << (installed ? installed->product + " " + installed->version.Text() : "no release record")
            << "\nupdate      " << m.product << " " << m.version.Text() << (m.rollback ? " (a rollback)" : "")
            << ", applies to " << FromText(m) << "\n";
  release::ReleasePlan plan;
  try {
    release::CheckApplicable(m, installed);
    const std::vector<release::ArchiveFile> files = archive.Files();
    const std::unique_ptr<release::InstalledTree> tree = release::InstalledFolder(app_dir);
    plan = release::PlanRelease(m, files, *tree);
    // The bytes the launcher would stage, against the manifest; a patch applied in memory.
    for (const release::PlannedWrite& w : plan.writes) {
      release::Sha256Hasher hasher;
      uint64_t size = 0;
      const auto take = [&](const uint8_t* data, size_t n) {
        hasher.Update(data, n);
        size += n;
      };
      if (w.patched) {
        ApplyInstalledPatch(archive, w, app_dir, take);
      } else {
        archive.Decode(w.path, take);
      }
      release::CheckStagedFile(m, w.path, size, hasher.Final());
    }
  } catch (const release::ERefusedRelease& e) {
    if (e.Reason() == release::RefusalReason::kBaseChanged) {
      std::cout << "refused: " << e.Message() << "\n";
      return kBaseChanged;
    }
    return Refused(e.Message());
  } catch (const release::EStagedFileMismatch& e) {
    return Refused(e.Message());
  }
  size_t replaced = 0;
  for (const release::PlannedWrite& w : plan.writes) {
    std::cout << (w.patched ? "patch       " : w.replaces ? "replace     " : "add         ") << w.path << "\n";
    replaced += w.replaces;
  }
  for (const std::string& p : plan.removes) std::cout << "remove      " << p << "\n";
  for (const std::string& p : plan.empty_folders) std::cout << "remove      " << p << "\\ (left empty)\n";
  for (const release::KeptFile& k : plan.kept) std::cout << "keep        " << k.path << " (" << k.why << ")\n";
  for (const std::string& p : plan.missing) std::cout << "missing     " << p << " (neither in the archive nor installed)\n";
  const size_t patched = static_cast<size_t>(
      std::count_if(plan.writes.begin(), plan.writes.end(), [](const release::PlannedWrite& w) { return w.patched; }));
  std::cout << "would apply: " << replaced - patched << " replaced, "
            << (patched ? std::to_string(patched) + " patched, " : std::string()) << plan.writes.size() - replaced
            << " added, "
            << plan.removes.size() << " removed, " << plan.kept.size() << " kept, " << plan.missing.size()
            << " missing\n";
  return kOk;
}

int Stamp(const std::vector<std::string>& argv) {
  const Args args(argv, {"--product", "--version"}, {});
  if (args.plain.size() != 1) throw EUsage("stamp needs one folder");
  release::Record record;
  record.product = args.Value("--product");
  if (!release::IsValidProduct(record.product))
    throw EUsage("\"" + record.product + "\" is not a product id (1 to 64 letters, digits, '.', '_' or '-')");
  record.version = VersionArg(args.Value("--version"));
  const std::string dir = FolderPath(args.plain[0]);
  for (const pack::TreeItem& item : pack::WalkTree(dir)) {
    if (item.is_folder) continue;
    platform::FileStream file(dir + item.path, platform::FileMode::OpenRead);
    release::ReleaseFile f{item.path, 0, {}};
    f.sha256 = release::Sha256OfStream(file, &f.size);
    record.files.push_back(std::move(f));
  }
  const std::string text = release::FormatRecord(record);
  release::ParseRecord(text, dir + release::kRecordFile);
  platform::CreateFolder(dir + "UPDATE");
  const platform::FileOpResult written = platform::SystemFileOps().WriteFile(dir + release::kRecordFile, text);
  if (!written.ok()) throw platform::EWriteError("\"" + dir + release::kRecordFile + "\" could not be written: " + written.error);
  std::cerr << "halvex-pack: wrote \"" << dir << release::kRecordFile << "\": " << record.product << " "
            << record.version.Text() << ", " << record.files.size() << " files\n";
  return kOk;
}

int Run(const std::vector<std::string>& args) {
  const std::string command = args.empty() ? std::string() : args[0];
  try {
    if (command == "make") return Make(args);
    if (command == "stamp") return Stamp(args);
    if (command == "show" && args.size() == 2) return Show(EnginePath(args[1]));
    if (command == "check" && args.size() == 3) return Check(EnginePath(args[1]), FolderPath(args[2]));
  } catch (const EUsage& e) {
    std::cerr << "halvex-pack: " << e.what() << "\n\n" << kUsage;
    return kError;
  } catch (const std::exception& e) {
    std::cerr << "halvex-pack: " << e.what() << "\n";
    return kError;
  }
  std::cerr << kUsage;
  return kError;
}

}  // namespace

int main(int argc, char** argv) {
  platform::RestrictDllSearchToSystem();
  platform::SetArguments(argc, argv);
  return Run(platform::ProgramArguments());
}
