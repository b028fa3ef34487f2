// fmMain: the launcher's one window, built from its design, and the update sequence's handlers.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "launcher/elevation.h"
#include "launcher/update_sequence.h"
#include "platform/ui/form.h"
#include "platform/ui/timer.h"

#include "zip/unzipper.h"

#include "skin/image_list.h"
#include "skin/resource_strings.h"
#include "skin/win32/skin_dialogs.h"
#include "skin/skin_data.h"
#include "skin/win32/skin_form.h"
#include "skin/win32/skin_gauge.h"
#include "skin/win32/skin_hint.h"
#include "skin/skin_package.h"
#include "skin/win32/skin_label.h"
#include "skin/win32/skin_panel.h"

#include "taskbar_progress.h"

namespace launcher {


class TfmMain : public platform::ui::Form, public UpdateHost, public skin::SkinMessageTarget {
 public:
  // `arguments` are the program's arguments after its own name.
  explicit TfmMain(std::vector<std::string> arguments);
  ~TfmMain() override;

  // Handlers of the design.
  void FormCreate(Form* sender);
  void FormShow(Form* sender);
  void tmZipTimer(platform::ui::Timer* sender);
  // The engine's events are connected by launcher::ConnectUnZipper. When the run has ended, the
  // application is restarted, the error (if any) shown, and the launcher ends.
  void ExtractUpdate();

  // UpdateHost
  void SetShowMainForm(bool on) override;
  void RequestTerminate() override;
  void SetProductName(const std::string& caption) override;
  void SetSkinIndex(int index) override;
  void SetStatusText(const std::string& caption) override;
  void SetProgressText(const std::string& text) override;
  void SetProgressMax(int value) override;
  void SetProgressValue(int value) override;
  void HideWindow() override;
  void ShellOpen(const std::string& file, const std::string& parameters) override;
  void ShowError(const std::string& text) override;
  void SetExitCode(int code) override;

  int SkinIndex() const;
  const UpdateRequest& Request() const { return launch_.request; }

  // The client area of the design, in the design-time skin.
  static constexpr int kDesignClientWidth = 634, kDesignClientHeight = 362;

  // The skin data's change messages go to every skinned control of the window.
  void SkinMessage(uint32_t message, skin::TbsSkinData* sender, intptr_t param) override;

  // Components, in the design's order.
  std::unique_ptr<skin::TbsSkinPanel> bsSkinPanel2;
  std::unique_ptr<skin::TbsSkinStatusPanel> pnCorp;
  std::unique_ptr<skin::TbsSkinStatusPanel> pnTel;
  std::unique_ptr<platform::ui::Panel> Panel1;
  std::unique_ptr<platform::ui::Image> imgLogo;
  std::unique_ptr<platform::ui::Label> lbName;
  std::unique_ptr<skin::TbsSkinGauge> pgMeter;
  std::unique_ptr<platform::ui::Timer> tmZip;
  std::unique_ptr<skin::TbsCompressedSkinList> bsCompressedSkinList;
  std::unique_ptr<skin::TbsResourceStrData> bsResourceStrData;
  std::unique_ptr<skin::TbsSkinData> bsSkinData;
  std::unique_ptr<skin::TbsSkinHint> bsSkinHint;
  std::unique_ptr<skin::TbsSkinForm> bsSkinForm;
  std::unique_ptr<zip::TUnZipper> UnZipper;
  // Placed on the window with their settings; the launcher never opens them.
  std::unique_ptr<skin::TbsSkinMessage> bsSkinMessage;
  std::unique_ptr<skin::TbsSelectSkinDialog> bsSelectSkinDialog;
  std::unique_ptr<skin::TbsPngImageList> bsPngImageList24;
  std::unique_ptr<skin::TbsPngImageList> bsPngImageList16;
  // The taskbar button's progress and error state (replaceable before the window exists).
  std::unique_ptr<TaskbarProgress> taskbar = std::make_unique<TaskbarProgress>();

 protected:
  bool HandleMessage(UINT msg, WPARAM wparam, LPARAM lparam, LRESULT& result) override;

 private:
  void CreateSkinComponents();
  void ApplyLanguage();
  // The skinned frame takes the window over as soon as it exists.
  void CreateWindowHandle() override;
  std::vector<std::string> arguments_;
  Launch launch_;
  // Where the update runs: here, in a copy of the launcher with administrator rights, or nowhere.
  ElevationStep step_ = ElevationStep::kRunHere;
};

}  // namespace launcher
