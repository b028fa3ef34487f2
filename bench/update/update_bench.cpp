// The update's cost: `direct` extracts the archive straight into the folder (the engine alone),
// `staged` applies it as the launcher does (staging, journal, moves, cleanup), without the window.
//   update_bench direct|staged ARCHIVE FOLDER
#include <cstdio>
#include <string>

#include "launcher/extract_update.h"
#include "platform/exceptions.h"
#include "platform/fs.h"
#include "zip/unzipper.h"

namespace {

class NoWindow : public launcher::UpdateHost {
 public:
  void SetShowMainForm(bool) override {}
  void RequestTerminate() override {}
  void SetProductName(const std::string&) override {}
  void SetSkinIndex(int) override {}
  void SetStatusText(const std::string&) override {}
  void SetProgressText(const std::string&) override {}
  void SetProgressMax(int) override {}
  void SetProgressValue(int) override {}
  void ShellOpen(const std::string&, const std::string&) override {}
  void ShowError(const std::string&) override {}
  void SetExitCode(int) override {}
};

// Paths as the engine wants them: '\' separated.
std::string EnginePath(std::string path) {
  for (char& c : path)
    if (c == '/') c = '\\';
  return path;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: update_bench direct|staged ARCHIVE FOLDER\n");
    return 2;
  }
  const std::string mode = argv[1], archive = EnginePath(argv[2]);
  std::string folder = EnginePath(argv[3]);
  if (folder.back() != '\\') folder += '\\';
  try {
    zip::TUnZipper unzipper;
    unzipper.SetOverwriteMode(zip::Always);
    if (mode == "direct") {
      unzipper.SetZipName(archive);
      unzipper.SetDoAll(true);
      unzipper.SetDestDir(folder);
      unzipper.SetRecreateDirs(true);
      unzipper.SetRetainAttributes(true);
      std::printf("%d files\n", unzipper.UnZipSelected());
      return 0;
    }
    // The launcher takes UPDATE.ZIP from its own folder: the archive's folder stands for it.
    const size_t cut = archive.find_last_of('\\');
    if (archive.substr(cut + 1) != launcher::kArchiveName) {
      std::fprintf(stderr, "staged: the archive must be named %s\n", launcher::kArchiveName);
      return 2;
    }
    NoWindow host;
    launcher::Launch launch;
    launcher::FormCreate(host, {folder + "App.exe"}, launch);
    launcher::ConnectUnZipper(unzipper, host, launch.request);
    const launcher::RunOutcome outcome =
        launcher::ExtractUpdate(unzipper, host, launch.request, archive.substr(0, cut + 1), launcher::SystemEnvironment());
    if (outcome.outcome != launcher::UpdateOutcome::kApplied) {
      std::fprintf(stderr, "%s\n", outcome.message.c_str());
      return 1;
    }
  } catch (const platform::Exception& e) {
    std::fprintf(stderr, "%s\n", e.what());
    return 1;
  }
  return 0;
}
