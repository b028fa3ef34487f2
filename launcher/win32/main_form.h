// fmMain: the launcher's one window, built from its design, and the update sequence's handlers.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "launcher/update_sequence.h"
#include "plain_controls.h"
#include "platform/ui/form.h"

#ifdef HALVEX_HAVE_ZIP
#include "zip/unzipper.h"
#endif

namespace launcher {

class TfmMain : public platform::ui::Form, public UpdateHost {
 public:
  // `arguments` are the program's arguments after its own name.
  explicit TfmMain(std::vector<std::string> arguments);
  ~TfmMain() override;

  // Handlers of the design.
  void FormCreate(Form* sender);
  void FormShow(Form* sender);
  void tmZipTimer(platform::ui::Timer* sender);
  void ExtractUpdate();
  void UnZipperStartUnZip(void* sender, int file_index, std::string& fname, bool& skip);
  void UnZipperTotalPercentDone(void* sender, int percent);
  void UnZipperUnZipComplete(void* sender, int file_count);

  // UpdateHost
  void SetShowMainForm(bool on) override;
  void RequestTerminate() override;
  void SetCorpCaption(const std::string& caption) override;
  void SetSkinIndex(int index) override;
  void SetNameCaption(const std::string& caption) override;
  void SetGaugeProgressText(const std::string& text) override;
  void SetGaugeMaxValue(int value) override;
  void SetGaugeValue(int value) override;
  void ShellOpen(const std::string& file, const std::string& parameters) override;

  int SkinIndex() const { return skin_index_; }

  // Components, in the design's order.
  std::unique_ptr<platform::ui::Panel> bsSkinPanel2;
  std::unique_ptr<PlainStatusPanel> pnCorp;
  std::unique_ptr<PlainStatusPanel> pnTel;
  std::unique_ptr<platform::ui::Panel> Panel1;
  std::unique_ptr<platform::ui::Image> imgLogo;
  std::unique_ptr<platform::ui::Label> lbName;
  std::unique_ptr<PlainGauge> pgMeter;
  std::unique_ptr<platform::ui::Timer> tmZip;
#ifdef HALVEX_HAVE_ZIP
  std::unique_ptr<zip::TUnZipper> UnZipper;
#endif

 private:
  std::vector<std::string> arguments_;
  int skin_index_ = kDefaultSkinIndex;
};

}  // namespace launcher
