// The window's stand-in for the update sequence's tests: records what the sequence shows and
// which program it starts.
#pragma once

#include <string>
#include <vector>

#include "launcher/update_sequence.h"

namespace launcher_test {

class RecordingHost : public launcher::UpdateHost {
 public:
  std::vector<std::string> labels;  // every SetStatusText, in order
  std::vector<int> percents;        // every SetProgressValue, in order
  std::vector<std::string> opened;  // every ShellOpen, as "file parameters"
  std::vector<std::string> errors;  // every ShowError, in order
  std::string gauge_text;           // the last SetProgressText
  int terminates = 0;
  int exit_code = -1;               // the last SetExitCode
  bool shown = false;               // the last SetShowMainForm

  void SetShowMainForm(bool on) override { shown = on; }
  void RequestTerminate() override { ++terminates; }
  void SetProductName(const std::string&) override {}
  void SetSkinIndex(int) override {}
  void SetStatusText(const std::string& c) override { labels.push_back(c); }
  void SetProgressText(const std::string& t) override { gauge_text = t; }
  void SetProgressMax(int) override {}
  void SetProgressValue(int v) override { percents.push_back(v); }
  void ShellOpen(const std::string& f, const std::string& p) override { opened.push_back(f + " " + p); }
  void ShowError(const std::string& text) override { errors.push_back(text); }
  void SetExitCode(int code) override { exit_code = code; }
};

}  // namespace launcher_test
