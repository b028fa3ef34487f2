// The update sequence: what the main window's handlers do, written against a small host
// interface so that the same code drives the real window and the tests.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "description/description_file.h"
#include "platform/folder_lock.h"

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
  // The error box (the application's title as caption); returns when the user has closed it.
  virtual void ShowError(const std::string& text) = 0;
};

inline constexpr const char* kDescriptionFile = "UPDATE\\VER_INFO.INF";
inline constexpr const char* kArchiveName = "UPDATE.ZIP";
inline constexpr const char* kRestartArgument = "UPDATE_RUN";
inline constexpr int kDefaultSkinIndex = 2;

// What the launcher was asked to do: the command line and the description file, read once when
// the window is made.
struct UpdateRequest {
  description::DescriptionFile VerInfo;
  std::string AppDir;
  std::string ExeFileName;
  bool DescriptionRead = false;  // the description file was there and has been read
  // The program named by the first argument: it must have closed before files are replaced, and
  // it is the one restarted when the description file names none.
  std::string FirstArgument;
  bool ExeFromArgument = false;  // the description file exists but names no program
};

// What the window keeps of its launch: the request, and the application folder's lock, held from
// the window's creation until the application is started again (one launcher at a time).
struct Launch {
  UpdateRequest request;
  std::unique_ptr<platform::FolderLock> lock;
};

// The folder an update is applied to, ending with '\': `app_dir`, or the current folder for a first
// argument without a folder part.
std::string UpdateFolder(const std::string& app_dir);

// FormCreate: reads the first argument, takes the application folder's lock and reads the
// description file. When another launcher holds the lock, this one ends at once, without a window
// and without touching anything. An unreadable description file raises the runtime's file-open
// error and the remaining steps are skipped.
void FormCreate(UpdateHost& host, const std::vector<std::string>& arguments, Launch& launch);
// OnStartUnZip: shows the destination path and skips the two configured entries.
void StartUnZip(UpdateHost& host, const UpdateRequest& request, const std::string& fname, bool& skip);
// OnTotalPercentDone: text, maximum and value, in this order, on every call.
void TotalPercentDone(UpdateHost& host, int percent);
// OnUnZipComplete: starts the application with UPDATE_RUN and asks the launcher to end.
void UnZipComplete(UpdateHost& host, const UpdateRequest& request);

}  // namespace launcher
