// The update sequence: what the main window's handlers do, written against a small host
// interface so that the same code drives the real window and the tests.
#pragma once

#include <string>
#include <vector>

#include "description/description_file.h"

namespace launcher {

// The window's side of the sequence.
class UpdateHost {
 public:
  virtual ~UpdateHost() = default;
  virtual void SetShowMainForm(bool on) = 0;
  virtual void RequestTerminate() = 0;
  virtual void SetCorpCaption(const std::string& caption) = 0;  // pnCorp
  virtual void SetSkinIndex(int index) = 0;                     // bsSkinData.SkinIndex
  virtual void SetNameCaption(const std::string& caption) = 0;  // lbName
  virtual void SetGaugeProgressText(const std::string& text) = 0;  // pgMeter
  virtual void SetGaugeMaxValue(int value) = 0;
  virtual void SetGaugeValue(int value) = 0;
  // The shell's "open" of `file` with `parameters`, show command normal; failures are ignored.
  virtual void ShellOpen(const std::string& file, const std::string& parameters) = 0;
};

inline constexpr const char* kDescriptionFile = "UPDATE\\VER_INFO.INF";
inline constexpr const char* kArchiveName = "UPDATE.ZIP";
inline constexpr const char* kRestartArgument = "UPDATE_RUN";
inline constexpr const char* kExtractPrefix = "Extract Files.. ";
inline constexpr const char* kExtractingText = "압축 푸는중.. - ";
inline constexpr int kDefaultSkinIndex = 2;

// The three process-wide values of the launcher, and what the update run adds to them.
struct LaunchState {
  description::DescriptionFile VerInfo;
  std::string AppDir;
  std::string ExeFileName;
  bool DescriptionRead = false;  // the description file was there and has been read
  // The program named by the first argument: it must have closed before files are replaced, and
  // it is the one restarted when the description file names none.
  std::string FirstArgument;
  bool ExeFromArgument = false;  // the description file exists but names no program
  // While the update is staged the engine writes below StageDir; the window shows and the skip
  // rule compares the path below AppDir that the file will finally have.
  std::string StageDir;
  std::string StageTarget;  // the application folder the staged files go to, ending with '\'
};
LaunchState& State();

// FormCreate: reads the first argument and the description file. An unreadable description file
// raises the runtime's file-open error and the remaining steps are skipped.
void FormCreate(UpdateHost& host, const std::vector<std::string>& arguments);
// The final destination of a path the engine built below StageDir (the path itself otherwise).
std::string FinalPath(const std::string& fname);
// OnStartUnZip: shows the destination path and skips the two configured entries.
void StartUnZip(UpdateHost& host, const std::string& fname, bool& skip);
// OnTotalPercentDone: text, maximum and value, in this order, on every call.
void TotalPercentDone(UpdateHost& host, int percent);
// OnUnZipComplete: starts the application with UPDATE_RUN and asks the launcher to end.
void UnZipComplete(UpdateHost& host);

}  // namespace launcher
