#include "launcher/extract_update.h"

#include "launcher/signed_archive.h"
#include "zip/unzipper.h"

namespace launcher {

void ConnectUnZipper(zip::TUnZipper& unzipper, UpdateHost& host) {
  unzipper.OnStartUnZip = [&host](zip::TUnZipper*, int, std::string& fname, bool& skip) {
    StartUnZip(host, fname, skip);
  };
  unzipper.OnTotalPercentDone = [&host](zip::TUnZipper*, int percent) { TotalPercentDone(host, percent); };
  unzipper.OnUnZipComplete = [&host](zip::TUnZipper*, int) { UnZipComplete(host); };
}

void ExtractUpdate(zip::TUnZipper& unzipper, const std::string& launcher_dir) {
  unzipper.SetZipName(launcher_dir + kArchiveName);
  const SignedArchive archive(unzipper, launcher_dir + kArchiveName);
  unzipper.LoadDirectory();
  unzipper.SetDoAll(true);
  unzipper.SetDestDir(State().AppDir);
  unzipper.SetRecreateDirs(true);
  unzipper.SetRetainAttributes(true);
  unzipper.UnZipSelected();
}

}  // namespace launcher
