// The update sequence: what the main window's handlers do, written against a small host
// interface so that the same code drives the real window and the tests.
#pragma once

#include <functional>
#include <memory>
#include <optional>
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
  // The product the update is for (the description file's NAME).
  virtual void SetProductName(const std::string& name) = 0;
  virtual void SetSkinIndex(int index) = 0;  // the skin of the window, of the skin package's list
  // What the launcher does now: the file being extracted, the program it waits for.
  virtual void SetStatusText(const std::string& text) = 0;
  // The progress: its text, its maximum and its value.
  virtual void SetProgressText(const std::string& text) = 0;
  virtual void SetProgressMax(int value) = 0;
  virtual void SetProgressValue(int value) = 0;
  // Hides the window for a wait that shows nothing (the run goes on).
  virtual void HideWindow() {}
  // The shell's "open" of `file` with `parameters`, show command normal; failures are ignored.
  virtual void ShellOpen(const std::string& file, const std::string& parameters) = 0;
  // The error box (the application's title as caption); returns when the user has closed it.
  virtual void ShowError(const std::string& text) = 0;
  // The code the launcher's process ends with (one of the kExit values).
  virtual void SetExitCode(int code) = 0;
};

inline constexpr const char* kDescriptionFile = "UPDATE\\VER_INFO.INF";
inline constexpr const char* kArchiveName = "UPDATE.ZIP";
inline constexpr const char* kRestartArgument = "UPDATE_RUN";
// The file a new release makes (empty, any content) once it has started well, when its
// description file asks for a confirmation with CONFIRM_SECONDS.
inline constexpr const char* kConfirmedFile = "UPDATE\\CONFIRMED";
// CONFIRM_SECONDS above this is taken as this.
inline constexpr unsigned kMaxConfirmSeconds = 600;
inline constexpr int kDefaultSkinIndex = 2;

// How much the launcher shows: the window and the error box, the window alone (/passive), or
// nothing at all (/silent), for machines nobody watches.
enum class RunMode { kNormal, kPassive, kSilent };

// The process's exit codes, one for each way a run ends, for a script that starts the launcher.
inline constexpr int kExitApplied = 0;         // the update was applied
inline constexpr int kExitRolledBack = 1;      // the update failed and was undone
inline constexpr int kExitNotStarted = 2;      // refused before anything was changed
inline constexpr int kExitNothingToDo = 3;     // there is no archive to apply
inline constexpr int kExitBaseDiffers = 4;     // not started: a file a patch is made against differs
inline constexpr int kExitAlreadyRunning = 5;  // another launcher is updating the same folder
inline constexpr int kExitReverted = 6;        // applied, then put back: the new release did not confirm

// The command line: the application's path first, then options in any order, each named without
// regard to case: /silent, /passive, /archive=PATH, and /elevated, which the launcher gives the copy
// of itself it starts with administrator rights (launcher/elevation.h). Other arguments are ignored
// (and logged).
struct CommandLine {
  std::string application;  // the first argument, as it is
  RunMode mode = RunMode::kNormal;
  bool elevated = false;    // the run with administrator rights that a first launcher started
  std::string archive;      // the archive's path given by /archive=, empty when none is
  std::string error;        // an option given wrongly, empty when none was
  std::vector<std::string> ignored;  // the arguments that are no option of the launcher
};
CommandLine ParseCommandLine(const std::vector<std::string>& arguments);

// What the launcher was asked to do: the command line and the description file, read once when
// the window is made.
struct UpdateRequest {
  RunMode Mode = RunMode::kNormal;
  // The run with administrator rights: it does the transaction and never starts the application.
  bool Elevated = false;
  // The archive to apply: UPDATE.ZIP beside the launcher unless the command line names another.
  std::string ArchivePath;
  std::string CommandLineError;  // refuses the run: an option was given wrongly
  std::vector<std::string> IgnoredArguments;
  description::DescriptionFile VerInfo;
  std::string AppDir;
  std::string ExeFileName;
  bool DescriptionRead = false;  // the description file was there and has been read
  // The program named by the first argument: it must have closed before files are replaced, and
  // it is the one restarted when the description file names none.
  std::string FirstArgument;
  bool ExeFromArgument = false;  // the description file exists but names no program
};

// Reads the description file at `path`: its bytes, nothing when there is no such file; raises
// the runtime's file-open error when it is there but cannot be read.
using DescriptionReader = std::function<std::optional<std::string>(const std::string& path)>;
// The system's DescriptionReader.
std::optional<std::string> ReadDescriptionFile(const std::string& path);

// The request of a launch, from its command line (the application's path first) and the
// description file in the application's folder, read with `read`: nothing else is asked of the
// system. A command line without arguments asks for nothing (an empty request).
UpdateRequest ReadRequest(const std::vector<std::string>& arguments, const DescriptionReader& read);

// What the window keeps of its launch: the request, and the application folder's lock, held from
// the window's creation until the application is started again (one launcher at a time).
struct Launch {
  UpdateRequest request;
  std::unique_ptr<platform::FolderLock> lock;
};

// The folder an update is applied to, ending with '\': `app_dir`, or the current folder for a first
// argument without a folder part.
std::string UpdateFolder(const std::string& app_dir);

// FormCreate: takes the application folder's lock and reads the request (ReadRequest). When another launcher holds the lock, this one ends at once, without a window
// and without touching anything. /silent shows no window. An unreadable description file raises the runtime's file-open
// error and the remaining steps are skipped.
void FormCreate(UpdateHost& host, const std::vector<std::string>& arguments, Launch& launch);
// OnStartUnZip: shows the destination path and skips the two configured entries.
void StartUnZip(UpdateHost& host, const UpdateRequest& request, const std::string& fname, bool& skip);
// OnTotalPercentDone: text, maximum and value, in this order, on every call.
void TotalPercentDone(UpdateHost& host, int percent);
// OnUnZipComplete: starts the application with UPDATE_RUN and asks the launcher to end.
void UnZipComplete(UpdateHost& host, const UpdateRequest& request);

}  // namespace launcher
