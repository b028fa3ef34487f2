#include "launcher/update_sequence.h"

#include "launcher/update_rules.h"
#include "platform/fs.h"

namespace launcher {

LaunchState& State() {
  static LaunchState state;
  return state;
}

void FormCreate(UpdateHost& host, const std::vector<std::string>& arguments) {
  LaunchState& s = State();
  host.SetShowMainForm(false);
  if (arguments.empty()) {
    host.RequestTerminate();
    return;
  }
  host.SetShowMainForm(true);
  s.ExeFileName = arguments.front();
  s.FirstArgument = arguments.front();
  s.AppDir = AppDirOf(s.ExeFileName);
  const std::string description = s.AppDir + kDescriptionFile;
  if (platform::FileExists(description)) {
    s.VerInfo.LoadFromFile(description);
    s.DescriptionRead = true;
    // Without a program name the shell would be asked to open the folder itself.
    const std::string exe = s.VerInfo.Value("EXE_FILENAME");
    if (!exe.empty()) s.ExeFileName = s.AppDir + exe;
    s.ExeFromArgument = exe.empty();
  }
  host.SetCorpCaption(s.VerInfo.Value("NAME"));
  host.SetSkinIndex(ParseSkinIndex(s.VerInfo.Value("SKININDEX"), kDefaultSkinIndex));
}

std::string FinalPath(const std::string& fname) {
  const LaunchState& s = State();
  if (s.StageDir.empty() || fname.compare(0, s.StageDir.size() + 1, s.StageDir + "\\") != 0) return fname;
  return s.StageTarget + fname.substr(s.StageDir.size() + 1);
}

void StartUnZip(UpdateHost& host, const std::string& fname, bool& skip) {
  const LaunchState& s = State();
  host.SetNameCaption(kExtractPrefix + fname);
  // During a run a relative value is taken below the folder the update goes to, as the plan takes it.
  const std::string& app_dir = s.StageTarget.empty() ? s.AppDir : s.StageTarget;
  if (IsSkippedPath(fname, s.VerInfo.Value("COPY_FILENAME"), s.VerInfo.Value("VER_HISTORY"), app_dir)) skip = true;
}

void TotalPercentDone(UpdateHost& host, int percent) {
  host.SetGaugeProgressText(kExtractingText);
  host.SetGaugeMaxValue(100);
  host.SetGaugeValue(percent);
}

void UnZipComplete(UpdateHost& host) {
  host.ShellOpen(State().ExeFileName, kRestartArgument);
  host.RequestTerminate();
}

}  // namespace launcher
