#include "launcher/update_sequence.h"

#include "launcher/texts.h"
#include "launcher/update_rules.h"
#include "platform/fs.h"

namespace launcher {

std::string UpdateFolder(const std::string& app_dir) {
  if (app_dir.empty()) {
    std::string folder = platform::CurrentFolder();
    if (folder.empty() || folder.back() != '\\') folder += '\\';
    return folder;
  }
  return app_dir.back() == ':' ? app_dir + "\\" : app_dir;
}

void FormCreate(UpdateHost& host, const std::vector<std::string>& arguments, Launch& launch) {
  launch.lock.reset();  // a window made again in the same process
  launch.request = UpdateRequest{};
  UpdateRequest& s = launch.request;
  host.SetShowMainForm(false);
  if (arguments.empty()) {
    host.RequestTerminate();
    return;
  }
  s.ExeFileName = arguments.front();
  s.FirstArgument = arguments.front();
  s.AppDir = AppDirOf(s.ExeFileName);
  // A second launcher (a double click, an application that starts it twice) would take the
  // first one's work folder for an interrupted run's and restart the application once more.
  launch.lock = platform::TryLockFolder(UpdateFolder(s.AppDir));
  if (!launch.lock) {
    host.RequestTerminate();
    return;
  }
  host.SetShowMainForm(true);
  const std::string description = s.AppDir + kDescriptionFile;
  if (platform::FileExists(description)) {
    s.VerInfo.LoadFromFile(description);
    s.DescriptionRead = true;
    // Without a program name the shell would be asked to open the folder itself.
    const std::string exe = s.VerInfo.Value("EXE_FILENAME");
    if (!exe.empty()) s.ExeFileName = s.AppDir + exe;
    s.ExeFromArgument = exe.empty();
  }
  SetCurrentLanguage(ParseLanguage(s.VerInfo.Value("LANGUAGE")));
  host.SetCorpCaption(s.VerInfo.Value("NAME"));
  host.SetSkinIndex(ParseSkinIndex(s.VerInfo.Value("SKININDEX"), kDefaultSkinIndex));
}

void StartUnZip(UpdateHost& host, const UpdateRequest& s, const std::string& fname, bool& skip) {
  host.SetNameCaption(TextOf(Text::kExtractingFile) + fname);
  if (IsSkippedPath(fname, s.VerInfo.Value("COPY_FILENAME"), s.VerInfo.Value("VER_HISTORY"), s.AppDir)) skip = true;
}

void TotalPercentDone(UpdateHost& host, int percent) {
  host.SetGaugeProgressText(TextOf(Text::kExtracting));
  host.SetGaugeMaxValue(100);
  host.SetGaugeValue(percent);
}

void UnZipComplete(UpdateHost& host, const UpdateRequest& request) {
  host.ShellOpen(request.ExeFileName, kRestartArgument);
  host.RequestTerminate();
}

}  // namespace launcher
