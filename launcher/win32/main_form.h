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

#ifdef HALVEX_SKINNED_WINDOW
#include "skin/resource_strings.h"
#include "skin/skin_data.h"
#include "skin/skin_form.h"
#include "skin/skin_gauge.h"
#include "skin/skin_hint.h"
#include "skin/skin_package.h"
#include "skin/skin_panel.h"
#endif

namespace launcher {

// The status strip, its two panels and the gauge: drawn by the skin engine when the program is
// built with it, plainly otherwise.
#ifdef HALVEX_SKINNED_WINDOW
using StripPanel = skin::TbsSkinPanel;
using StatusPanel = skin::TbsSkinStatusPanel;
using Gauge = skin::TbsSkinGauge;
#else
using StripPanel = platform::ui::Panel;
using StatusPanel = PlainStatusPanel;
using Gauge = PlainGauge;
#endif

class TfmMain : public platform::ui::Form,
                public UpdateHost
#ifdef HALVEX_SKINNED_WINDOW
    ,
                public skin::SkinMessageTarget
#endif
{
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

  int SkinIndex() const;

#ifdef HALVEX_SKINNED_WINDOW
  // The skin data's change messages go to every skinned control of the window.
  void SkinMessage(uint32_t message, skin::TbsSkinData* sender, intptr_t param) override;
#endif

  // Components, in the design's order.
  std::unique_ptr<StripPanel> bsSkinPanel2;
  std::unique_ptr<StatusPanel> pnCorp;
  std::unique_ptr<StatusPanel> pnTel;
  std::unique_ptr<platform::ui::Panel> Panel1;
  std::unique_ptr<platform::ui::Image> imgLogo;
  std::unique_ptr<platform::ui::Label> lbName;
  std::unique_ptr<Gauge> pgMeter;
  std::unique_ptr<platform::ui::Timer> tmZip;
#ifdef HALVEX_SKINNED_WINDOW
  std::unique_ptr<skin::TbsCompressedSkinList> bsCompressedSkinList;
  std::unique_ptr<skin::TbsResourceStrData> bsResourceStrData;
  std::unique_ptr<skin::TbsSkinData> bsSkinData;
  std::unique_ptr<skin::TbsSkinHint> bsSkinHint;
  std::unique_ptr<skin::TbsSkinForm> bsSkinForm;
#endif
#ifdef HALVEX_HAVE_ZIP
  std::unique_ptr<zip::TUnZipper> UnZipper;
#endif

 private:
#ifdef HALVEX_SKINNED_WINDOW
  void CreateSkinComponents();
  // The skinned frame takes the window over as soon as it exists.
  void CreateWindowHandle() override;
  bool HandleMessage(UINT msg, WPARAM wparam, LPARAM lparam, LRESULT& result) override;
#endif
  std::vector<std::string> arguments_;
  int skin_index_ = kDefaultSkinIndex;
};

}  // namespace launcher
