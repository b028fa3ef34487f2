// halvex-unzip: lists, tests and extracts ZIP archives with the Halvex extraction engine.
// Exit codes follow Info-ZIP unzip: 0 ok, 1 warnings (entries skipped or rejected, bytes in front
// of the archive), 2 archive format error or an entry whose data is damaged, 9 archive not found,
// 10 bad options, 11 no matching entries, 12 entries overlap (a zip bomb), 50 disk full or write
// error, 80 cancelled, 81 entries skipped for a method or encryption this program lacks, 82 no
// entry could be decrypted.
#include <cstdio>
#include <iostream>
#include <stdexcept>
#include <string>

#ifdef _WIN32
#include <io.h>
#define HALVEX_ISATTY(fd) _isatty(fd)
#else
#include <unistd.h>
#define HALVEX_ISATTY(fd) isatty(fd)
#endif

#include "listing.h"
#include "options.h"
#include "platform/command_line.h"
#include "platform/dll_search.h"
#include "platform/fs.h"
#include "zip/methods.h"
#include "zip/unzipper.h"

namespace {

using namespace halvex_unzip;

enum ExitCode {
  kOk = 0, kWarning = 1, kFormatError = 2, kNotFound = 9, kBadOptions = 10, kNoMatch = 11, kZipBomb = 12,
  kWriteError = 50, kCanceled = 80, kUnsupported = 81, kBadPassword = 82,
};

std::string EnginePath(std::string path) {
  for (char& c : path)
    if (c == '/') c = '\\';
  return path;
}

std::string ShownPath(std::string path) {
#ifndef _WIN32
  for (char& c : path)
    if (c == '\\') c = '/';
#endif
  return path;
}

bool StdinIsTerminal() { return HALVEX_ISATTY(0) != 0; }
bool StderrIsTerminal() { return HALVEX_ISATTY(2) != 0; }

struct Tally {
  int skipped = 0;
  int bad_password = 0;
  int bad_crc = 0;
  int no_match = 0;
  int errors = 0;  // entries whose data could not be decoded
  int unsupported = 0;
  int current = -1;             // the entry being worked on
  int refused = -1;             // the entry refused for its method or encryption
  bool progress_shown = false;
};

// Asks the overwrite question on the terminal: y, n, A (all), N (none).
bool AskOverwrite(zip::TUnZipper& u, const std::string& fname) {
  for (;;) {
    std::fprintf(stderr, "replace %s? [y]es, [n]o, [A]ll, [N]one: ", ShownPath(fname).c_str());
    std::fflush(stderr);
    std::string answer;
    if (!std::getline(std::cin, answer)) {
      std::fprintf(stderr, "\n");
      u.SetOverwriteMode(zip::Never);
      return false;
    }
    if (answer == "y" || answer == "Y" || answer == "yes") return true;
    if (answer == "n" || answer == "no") return false;
    if (answer == "A") {
      u.SetOverwriteMode(zip::Always);
      return true;
    }
    if (answer == "N") {
      u.SetOverwriteMode(zip::Never);
      return false;
    }
  }
}

int Extract(zip::TUnZipper& u, const Options& o, const std::string& shown_archive) {
  Tally tally;
  const bool test = o.action == Action::Test;
  const bool chatty = o.quiet == 0;
  const bool progress = chatty && !test && StderrIsTerminal();
  u.SetTestOnly(test);
  // Without -d the current folder: an empty DestDir would put the paths under the root.
  u.SetDestDir(o.dest_dir ? EnginePath(*o.dest_dir) : std::string("."));
  u.SetRecreateDirs(!o.junk_paths);
  u.SetOverwriteMode(o.overwrite == Overwrite::Always ? zip::Always
                     : o.overwrite == Overwrite::Never ? zip::Never
                                                       : zip::Prompt);
  if (o.password) u.Password = *o.password;
  u.SetDoAll(o.patterns.empty());
  std::vector<std::string> patterns;
  for (const std::string& p : o.patterns) patterns.push_back(EnginePath(p));
  u.SetFilesList(patterns);
  if (o.quiet < 2) std::printf("Archive:  %s\n", shown_archive.c_str());

  u.OnStartUnZipInfo = [&](zip::TUnZipper*, int num_files, int64_t, bool&) {
    if (num_files == 0 && !o.patterns.empty()) {
      tally.no_match = 1;
      for (const std::string& p : o.patterns) std::fprintf(stderr, "caution: filename not matched:  %s\n", p.c_str());
    }
  };
  u.OnStartUnZip = [&](zip::TUnZipper* z, int index, std::string& fname, bool&) {
    tally.current = index;
    if (!chatty || test) return;
    const zip::TZipHeaderInfo& e = z->Entry(index);
    if (progress && tally.progress_shown) std::fprintf(stderr, "\r     \r");
    std::printf("%s %s\n", zip::MethodOf(e) == zip::Method::kStored ? " extracting:" : "  inflating:", ShownPath(fname).c_str());
    std::fflush(stdout);
  };
  u.OnTotalPercentDone = [&](zip::TUnZipper*, int percent) {
    if (!progress) return;
    std::fprintf(stderr, "\r%3d%%", percent);
    tally.progress_shown = true;
  };
  u.OnEndUnZip = [&](zip::TUnZipper* z, int index, const std::string&) {
    if (test && chatty) std::printf("    testing: %-40s OK\n", StoredPath(z->Entry(index)).c_str());
  };
  u.OnSkippingFile = [&](zip::TUnZipper*, zip::TSkipReason reason, const std::string& fname, int, bool&) {
    ++tally.skipped;
    const std::string shown = ShownPath(fname);
    switch (reason) {
      case zip::srBadPassword:
        ++tally.bad_password;
        std::fprintf(stderr, "skipping: %s  incorrect password\n", shown.c_str());
        break;
      case zip::srNoOverwrite:
        if (chatty) std::fprintf(stderr, "skipping: %s  (exists)\n", shown.c_str());
        break;
      default:
        std::fprintf(stderr, "error: cannot create %s\n", shown.c_str());
        break;
    }
  };
  u.OnBadCRC = [&](zip::TUnZipper* z, uint32_t calc, uint32_t stored, int index) {
    // The engine judges a refused entry by its CRC too; its message already said why.
    if (index == tally.refused) return;
    ++tally.bad_crc;
    std::fprintf(stderr, "%s:  bad CRC %08x  (should be %08x)\n", StoredPath(z->Entry(index)).c_str(), calc, stored);
  };
  u.OnPromptForOverwrite = [&](zip::TUnZipper* z, bool& overwrite, int, std::string& fname) {
    overwrite = StdinIsTerminal() && AskOverwrite(*z, fname);
  };
  u.OnHandleMessage = [&](zip::TUnZipper*, int id, const std::string& text, const std::string& caption, uint32_t,
                          int& answer) {
    if (id == zip::kMsgUnknownMethod || id == zip::kMsgUnsupportedEncryption) {
      ++tally.unsupported;
      tally.refused = tally.current;
    }
    std::fprintf(stderr, "%s: %s\n", caption.empty() ? "halvex-unzip" : caption.c_str(), ShownPath(text).c_str());
    answer = 1;
  };
  // As unzip does, a damaged entry is reported and the others are still tested or extracted.
  u.OnEntryError = [&](zip::TUnZipper*, int, const std::string& message, bool& abort) {
    ++tally.errors;
    std::fprintf(stderr, "  error:  %s\n", ShownPath(message).c_str());
    abort = false;
  };
  const int extracted = u.UnZipSelected();
  if (progress && tally.progress_shown) std::fprintf(stderr, "\r     \r");
  if (test && o.quiet < 2) {
    if (tally.skipped + tally.bad_crc + tally.errors + tally.unsupported == 0)
      std::printf("No errors detected in compressed data of %s.\n", shown_archive.c_str());
    else
      std::printf("At least one error was detected in %s.\n", shown_archive.c_str());
  }
  if (tally.no_match) return kNoMatch;
  if (tally.errors > 0) return kFormatError;
  if (tally.unsupported > 0) return kUnsupported;
  if (tally.bad_password > 0 && extracted == 0) return kBadPassword;
  if (tally.skipped + tally.bad_crc > 0) return kWarning;
  return kOk;
}

int Run(const std::vector<std::string>& args) {
  if (args.empty()) {
    std::fputs(Usage(), stdout);
    return kOk;
  }
  Options o;
  try {
    o = ParseOptions(args);
  } catch (const std::invalid_argument& e) {
    std::fprintf(stderr, "halvex-unzip: %s\n%s", e.what(), Usage());
    return kBadOptions;
  }
  std::string archive = EnginePath(o.archive);
  if (!platform::FileExists(archive) && platform::FileExists(archive + ".zip")) archive += ".zip";
  if (!platform::FileExists(archive)) {
    std::fprintf(stderr, "halvex-unzip:  cannot find or open %s.\n", o.archive.c_str());
    return kNotFound;
  }
  const std::string shown = ShownPath(archive);
  zip::TUnZipper u;
  u.SetDoProcessMessages(false);
  u.SetSortMode(o.sort);
  try {
    u.SetZipName(archive);
    u.LoadDirectory();
    u.OpenArchive();  // raises for an archive without end record
    if (u.EntryCount() == 0) {
      std::printf("Archive:  %s\n", shown.c_str());
      std::fprintf(stderr, "warning [%s]:  zipfile is empty\n", shown.c_str());
      return kWarning;
    }
    // An archive that is not as it was written is still read, with a warning and exit code 1.
    const bool moved = u.LeadingBytes() > 0;
    const bool repaired = !u.Repairs().empty();
    for (const std::string& repair : u.Repairs())
      std::fprintf(stderr, "warning [%s]:  %s\n  (attempting to process anyway)\n", shown.c_str(), repair.c_str());
    if (o.action == Action::List || o.action == Action::Verbose) {
      const int listed = ListArchive(u, o, shown, stdout);
      u.CloseArchive();
      if (listed == 0 && !o.patterns.empty()) return kNoMatch;
      return moved || repaired ? kWarning : kOk;
    }
    if (moved)
      std::fprintf(stderr, "warning [%s]:  %lld extra bytes at beginning or within zipfile\n  (attempting to process anyway)\n",
                   shown.c_str(), static_cast<long long>(u.LeadingBytes()));
    const int code = Extract(u, o, shown);
    return (moved || repaired) && code == kOk ? kWarning : code;
  } catch (const platform::EFOpenError& e) {
    std::fprintf(stderr, "halvex-unzip: %s\n", ShownPath(e.what()).c_str());
    return kNotFound;
  } catch (const zip::EUserCanceled& e) {
    std::fprintf(stderr, "halvex-unzip: %s\n", ShownPath(e.what()).c_str());
    return kCanceled;
  } catch (const zip::EOverlappedEntries& e) {
    std::fprintf(stderr, "halvex-unzip: %s\n", ShownPath(e.what()).c_str());
    return kZipBomb;
  } catch (const zip::ECantWriteUCF& e) {
    std::fprintf(stderr, "halvex-unzip: %s\n", ShownPath(e.what()).c_str());
    return kWriteError;
  } catch (const platform::Exception& e) {
    std::fprintf(stderr, "halvex-unzip: %s\n", ShownPath(e.what()).c_str());
    return kFormatError;
  }
}

}  // namespace

int main(int argc, char** argv) {
  platform::RestrictDllSearchToSystem();
  platform::SetArguments(argc, argv);
  return Run(platform::ProgramArguments());
}
