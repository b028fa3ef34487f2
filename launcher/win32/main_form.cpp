#include "main_form.h"

#include <cstdlib>
#include <string_view>

#include "platform/fs.h"
#include "platform/jpeg.h"
#include "platform/ui/application.h"

#include "launcher/elevation.h"
#include "launcher/extract_update.h"
#include "launcher/texts.h"
#include "launcher/update_rules.h"

#include "skin/bmp_file.h"
#include "skin/builtin_skins.h"

namespace halvex_assets {
extern const unsigned char kLogoJpeg[];
extern const unsigned long long kLogoJpeg_size;
extern const unsigned char kGlyphCorp[];
extern const unsigned long long kGlyphCorp_size;
extern const unsigned char kGlyphTel[];
extern const unsigned long long kGlyphTel_size;
#define HALVEX_IMAGE(name)                 \
  extern const unsigned char name[];       \
  extern const unsigned long long name##_size;
HALVEX_IMAGE(kList16_00) HALVEX_IMAGE(kList16_01) HALVEX_IMAGE(kList16_02) HALVEX_IMAGE(kList16_03)
HALVEX_IMAGE(kList16_04) HALVEX_IMAGE(kList16_05) HALVEX_IMAGE(kList16_06) HALVEX_IMAGE(kList16_07)
HALVEX_IMAGE(kList16_08) HALVEX_IMAGE(kList16_09) HALVEX_IMAGE(kList16_10) HALVEX_IMAGE(kList16_11)
HALVEX_IMAGE(kList16_12) HALVEX_IMAGE(kList16_13) HALVEX_IMAGE(kList16_14) HALVEX_IMAGE(kList16_15)
HALVEX_IMAGE(kList24_00)
#undef HALVEX_IMAGE
}  // namespace halvex_assets

namespace launcher {

namespace {

// The access check of the application's folder. HALVEX_TEST_NOT_WRITABLE=1 makes it answer "not
// writable", so that tests under Wine (where a folder this user cannot write is hard to make) take
// the path of a per-machine install: it can only make the launcher ask for administrator rights,
// and the run with them checks everything itself.
bool FolderWritable(const std::string& folder) {
  const char* test = std::getenv("HALVEX_TEST_NOT_WRITABLE");
  if (test && std::string_view(test) == "1") return false;
  return platform::CanWriteFolder(folder);
}

}  // namespace

using platform::ui::Align;
using platform::ui::Application;
using platform::ui::FontSpec;

namespace {
FontSpec Gulim12() {
  FontSpec f;
  f.face = "굴림체";
  f.height = -12;
  return f;
}
FontSpec Tahoma13() {
  FontSpec f;
  f.face = "Tahoma";
  f.height = 13;
  return f;
}
}  // namespace

TfmMain::TfmMain(std::vector<std::string> arguments) : arguments_(std::move(arguments)) {
  SetName("fmMain");
  SetCaption("Halvex Update (Ver 0303.03)");
  SetClientSize(kDesignClientWidth, kDesignClientHeight);
  SetBounds(0, 0, kDesignClientWidth, kDesignClientHeight);
  // Sizeable, and no caption buttons of the platform's own: the skinned frame draws its own.
  SetBorderStyle(platform::ui::BorderStyle::Sizeable);
  SetBorderIcons(0);
  SetColor(RGB(255, 255, 255));
  SetFont(Gulim12());
  SetStayOnTop(true);
  SetShowHint(true);

  bsSkinPanel2 = std::make_unique<skin::TbsSkinPanel>(this);
  bsSkinPanel2->SetName("bsSkinPanel2");
  bsSkinPanel2->SetBounds(0, 339, 634, 23);
  bsSkinPanel2->SetAlign(Align::Bottom);

  pnCorp = std::make_unique<skin::TbsSkinStatusPanel>(bsSkinPanel2.get());
  pnCorp->SetName("pnCorp");
  pnCorp->SetFont(Tahoma13());
  pnCorp->SetBounds(0, 0, 161, 23);
  pnCorp->SetAlign(Align::Left);
  pnCorp->SetCaption(TextOf(Text::kCorpCaption));

  pnTel = std::make_unique<skin::TbsSkinStatusPanel>(bsSkinPanel2.get());
  pnTel->SetName("pnTel");
  pnTel->SetFont(Tahoma13());
  pnTel->SetBounds(161, 0, 473, 23);
  pnTel->SetAlign(Align::Client);
  pnTel->SetCaption(TextOf(Text::kContactAdministrator));

  Panel1 = std::make_unique<platform::ui::Panel>(this);
  Panel1->SetName("Panel1");
  Panel1->SetBounds(0, 0, 634, 339);
  Panel1->SetAlign(Align::Client);
  Panel1->SetColor(RGB(255, 255, 255));

  imgLogo = std::make_unique<platform::ui::Image>(Panel1.get());
  imgLogo->SetName("imgLogo");
  imgLogo->SetBounds(0, 0, 320, 339);
  imgLogo->SetAlign(Align::Left);
  {
    platform::JpegPicture logo =
        platform::DecodeJpeg(halvex_assets::kLogoJpeg, static_cast<size_t>(halvex_assets::kLogoJpeg_size));
    imgLogo->SetPixels(logo.width, logo.height, std::move(logo.pixels));
  }

  lbName = std::make_unique<platform::ui::Label>(Panel1.get());
  lbName->SetName("lbName");
  lbName->SetBounds(237, 251, 343, 19);
  lbName->SetAlignment(platform::ui::TextAlign::Center);
  lbName->SetFont(Tahoma13());

  pgMeter = std::make_unique<skin::TbsSkinGauge>(Panel1.get());
  pgMeter->SetName("pgMeter");
  pgMeter->SetFont(Tahoma13());
  pgMeter->SetBounds(208, 275, 400, 20);
  pgMeter->SetProgressText(TextOf(Text::kPleaseWait));
  pgMeter->SetMaxValue(100);
  pgMeter->SetValue(0);

  tmZip = std::make_unique<platform::ui::Timer>();
  tmZip->SetInterval(1500);
  tmZip->OnTimer = [this](platform::ui::Timer* t) { tmZipTimer(t); };

  UnZipper = std::make_unique<zip::TUnZipper>();
  UnZipper->SetOverwriteMode(zip::TUZOverwriteMode::Always);
  // The same wiring the sequence's tests drive.
  launcher::ConnectUnZipper(*UnZipper, *this, launch_.request);

  CreateSkinComponents();

  OnCreate = [this](Form* f) { FormCreate(f); };
  OnShow = [this](Form* f) { FormShow(f); };
}

TfmMain::~TfmMain() = default;

namespace {
skin::Bitmap Glyph(const unsigned char* bytes, unsigned long long size) {
  return skin::DecodeBmp(std::span<const uint8_t>(bytes, static_cast<size_t>(size)));
}

// The skin engine's words for the frame's menu, hints and message buttons: the window's Korean
// ones, or the engine's own English ones.
const std::vector<std::string>& ResStringsOf(Language language) {
  return language == Language::kEnglish ? skin::TbsResourceStrData::DefaultLines() : skin::MainWindowResStrings();
}

FontSpec WindowTextTahoma13() {
  FontSpec f = Tahoma13();
  f.color = 0xFF000000 | COLOR_WINDOWTEXT;
  return f;
}
}  // namespace

// The skinned controls' design settings, then the skin engine's components; linking the skin
// list last loads the design-time skin, which every skinned control applies.
void TfmMain::CreateSkinComponents() {
  bsSkinPanel2->SetSkinDataName("panel");
  bsSkinPanel2->SetDefaultFont(WindowTextTahoma13());
  bsSkinPanel2->SetBorderStyle(skin::bvNone);
  bsSkinPanel2->SetRibbonStyle(true);
  bsSkinPanel2->SetUseSkinFont(true);

  const skin::Bitmap corpGlyph = Glyph(halvex_assets::kGlyphCorp, halvex_assets::kGlyphCorp_size);
  const skin::Bitmap telGlyph = Glyph(halvex_assets::kGlyphTel, halvex_assets::kGlyphTel_size);
  for (auto [panel, glyph] : {std::pair{pnCorp.get(), &corpGlyph}, std::pair{pnTel.get(), &telGlyph}}) {
    panel->SetSkinDataName("statuspanel");
    panel->SetDefaultFont(WindowTextTahoma13());
    panel->SetUseSkinSize(false);
    panel->SetUseSkinFont(true);
    panel->SetUseSkinFontColor(true);
    panel->SetBorderStyle(skin::bvFrame);
    panel->SetEllipsType(skin::bsetEllips);
    panel->SetGlyph(*glyph);
    panel->SetNumGlyphs(1);
  }

  pgMeter->SetSkinDataName("statusgauge");
  pgMeter->SetDefaultFont(WindowTextTahoma13());
  pgMeter->SetDefaultHeight(20);
  pgMeter->SetUseSkinSize(false);
  pgMeter->SetUseSkinFont(false);
  pgMeter->SetShowProgressText(true);
  pgMeter->SetShowPercent(true);
  pgMeter->SetMinValue(0);
  pgMeter->SetMaxValue(100);
  pgMeter->SetValue(0);
  pgMeter->SetVertical(false);
  pgMeter->SetProgressAnimationPause(1000);

  bsCompressedSkinList = std::make_unique<skin::TbsCompressedSkinList>();
  skin::LoadBuiltinSkinList(*bsCompressedSkinList);
  bsResourceStrData = std::make_unique<skin::TbsResourceStrData>();
  bsResourceStrData->SetResStrings(ResStringsOf(CurrentLanguage()));

  bsSkinData = std::make_unique<skin::TbsSkinData>(this);
  bsSkinData->BeginLoading();
  bsSkinData->SetSkinIndex(kDefaultSkinIndex);
  bsSkinData->SetResourceStrData(bsResourceStrData.get());
  bsSkinData->SetSkinnableForm(true);
  bsSkinData->AnimationForAllWindows = true;
  bsSkinData->EnableSkinEffects = true;
  bsSkinData->ShowButtonGlowFrames = true;
  bsSkinData->ShowCaptionButtonGlowFrames = true;
  bsSkinData->SetShowLayeredBorders(false);
  bsSkinData->SetAeroBlurEnabled(true);
  bsSkinData->EndLoading();

  for (skin::TbsSkinControl* control : std::initializer_list<skin::TbsSkinControl*>{
           bsSkinPanel2.get(), pnCorp.get(), pnTel.get(), pgMeter.get()})
    control->SetSkinData(bsSkinData.get());

  bsSkinHint = std::make_unique<skin::TbsSkinHint>();
  bsSkinHint->SetSkinData(bsSkinData.get());
  bsSkinHint->SetActive(true);
  bsSkinHint->LineSeparator = "@";
  bsSkinHint->AlphaBlend = false;
  bsSkinHint->AlphaBlendValue = 0;
  bsSkinHint->AlphaBlendAnimation = false;
  bsSkinHint->DefaultFont = {.face = "MS Sans Serif", .height = -11, .color = 0xFF000000u | COLOR_WINDOWTEXT};
  bsSkinHint->UseSkinFont = true;

  // The frame. Once it has the window, a skin change reaches the controls through it: reset
  // before the frame lets the old skin go, re-applied after the frame took the new one.
  bsSkinForm = std::make_unique<skin::TbsSkinForm>();
  bsSkinForm->OnResetControls = [this](skin::TbsSkinData* sender) {
    skin::TbsSkinControl::Broadcast(this, skin::SKM_BEGINCHANGE, sender);
  };
  bsSkinForm->OnApplyControls = [this](skin::TbsSkinData* sender) {
    skin::TbsSkinControl::Broadcast(this, skin::SKM_CHANGED, sender);
  };
  bsSkinForm->MenusSkinData = bsSkinData.get();
  bsSkinForm->SetBorderIcons(skin::biSystemMenu | skin::biMinimize);
  bsSkinForm->PositionInMonitor = skin::bspDesktopCenter;
  bsSkinForm->Magnetic = true;
  bsSkinForm->MagneticSize = 5;
  bsSkinForm->ShowIcon = true;
  bsSkinForm->UseDefaultSysMenu = true;
  bsSkinForm->UseSkinFontInCaption = true;
  bsSkinForm->DefCaptionFont = {
      .face = "굴림체", .height = -12, .charset = ANSI_CHARSET, .color = 0xFF000000u | COLOR_BTNTEXT, .style = skin::fsBold};
  bsSkinForm->DefInActiveCaptionFont = {.face = "굴림체", .height = -12, .charset = ANSI_CHARSET,
                                        .color = 0xFF000000u | COLOR_BTNSHADOW, .style = skin::fsBold};
  bsSkinForm->ShowObjectHint = true;
  bsSkinForm->SkinHint = bsSkinHint.get();
  bsSkinForm->AlphaBlendValue = 200;

  bsSkinMessage = std::make_unique<skin::TbsSkinMessage>();
  bsSkinMessage->SkinData = bsSkinData.get();
  bsSkinMessage->CtrlSkinData = bsSkinData.get();
  bsSkinMessage->ButtonSkinDataName = "button";
  bsSkinMessage->MessageLabelSkinDataName = "stdlabel";
  bsSkinMessage->AlphaBlend = true;
  bsSkinMessage->AlphaBlendAnimation = true;
  bsSkinMessage->AlphaBlendValue = 0;
  bsSkinMessage->ShowAgainFlag = false;
  bsSkinMessage->ShowAgainFlagValue = false;
  bsSkinMessage->DefaultFont = {.face = "굴림체", .height = -12, .color = 0xFF000000u | COLOR_WINDOWTEXT};
  bsSkinMessage->DefaultButtonFont = bsSkinMessage->DefaultFont;
  bsSkinMessage->UseSkinFont = true;

  bsSelectSkinDialog = std::make_unique<skin::TbsSelectSkinDialog>();
  bsSelectSkinDialog->SkinList = bsCompressedSkinList.get();
  bsSelectSkinDialog->Title = "윈도우스킨 선택";
  bsSelectSkinDialog->SkinData = bsSkinData.get();
  bsSelectSkinDialog->CtrlSkinData = bsSkinData.get();
  bsSelectSkinDialog->AlphaBlend = false;
  bsSelectSkinDialog->AlphaBlendValue = 200;
  bsSelectSkinDialog->AlphaBlendAnimation = false;
  bsSelectSkinDialog->DefaultFont = {.face = "Arial", .height = 14, .color = 0xFF000000u | COLOR_WINDOWTEXT};

  auto bytes = [](const unsigned char* data, unsigned long long size) {
    return std::vector<uint8_t>(data, data + size);
  };
  bsPngImageList24 = std::make_unique<skin::TbsPngImageList>(24, 24);
  bsPngImageList24->Add("PngImage0", bytes(halvex_assets::kList24_00, halvex_assets::kList24_00_size));
  bsPngImageList16 = std::make_unique<skin::TbsPngImageList>(16, 16);
  const std::pair<const unsigned char*, unsigned long long> list16[] = {
      {halvex_assets::kList16_00, halvex_assets::kList16_00_size}, {halvex_assets::kList16_01, halvex_assets::kList16_01_size},
      {halvex_assets::kList16_02, halvex_assets::kList16_02_size}, {halvex_assets::kList16_03, halvex_assets::kList16_03_size},
      {halvex_assets::kList16_04, halvex_assets::kList16_04_size}, {halvex_assets::kList16_05, halvex_assets::kList16_05_size},
      {halvex_assets::kList16_06, halvex_assets::kList16_06_size}, {halvex_assets::kList16_07, halvex_assets::kList16_07_size},
      {halvex_assets::kList16_08, halvex_assets::kList16_08_size}, {halvex_assets::kList16_09, halvex_assets::kList16_09_size},
      {halvex_assets::kList16_10, halvex_assets::kList16_10_size}, {halvex_assets::kList16_11, halvex_assets::kList16_11_size},
      {halvex_assets::kList16_12, halvex_assets::kList16_12_size}, {halvex_assets::kList16_13, halvex_assets::kList16_13_size},
      {halvex_assets::kList16_14, halvex_assets::kList16_14_size}, {halvex_assets::kList16_15, halvex_assets::kList16_15_size}};
  for (size_t i = 0; i < std::size(list16); ++i)
    bsPngImageList16->Add("PngImage" + std::to_string(i), bytes(list16[i].first, list16[i].second));
  bsSkinForm->QuickImageList = bsPngImageList16.get();

  bsSkinData->SetSkinList(bsCompressedSkinList.get());
}

void TfmMain::CreateWindowHandle() {
  Form::CreateWindowHandle();
  if (!Handle()) return;
  bsSkinForm->Attach(Handle());
  bsSkinForm->SetSkinData(bsSkinData.get());
  // The design's client area in the design-time skin's frame gives the window's outer bounds,
  // which it keeps across skin changes: the client area follows each skin's frame.
  SetClientSize(kDesignClientWidth, kDesignClientHeight);
}

void TfmMain::SkinMessage(uint32_t message, skin::TbsSkinData* sender, intptr_t) {
  // With the window made, the frame passes the change on to the controls in its own order.
  if (bsSkinForm && bsSkinForm->Window()) return;
  skin::TbsSkinControl::Broadcast(this, message, sender);
}

int TfmMain::SkinIndex() const { return bsSkinData->SkinIndex(); }

void TfmMain::FormCreate(Form*) {
  try {
    launcher::FormCreate(*this, arguments_, launch_);
  } catch (const std::exception&) {
    // Unattended, nobody would close the box: the run checks the description file again and
    // refuses the update for it, in the log, the result file and the exit code.
    if (launch_.request.Mode == RunMode::kNormal) throw;
  }
  ApplyLanguage();
  if (launch_.lock && !launch_.request.Elevated) {
    const UpdateRequest& s = launch_.request;
    const std::string archive =
        AbsoluteArchivePath(s.ArchivePath, AppDirOf(platform::ProgramPath()), platform::CurrentFolder());
    step_ = DecideForRequest(s, archive, FolderWritable(UpdateFolder(s.AppDir)));
  }
  // One window for the customer: the run with administrator rights shows its own.
  if (step_ == ElevationStep::kStartElevated) SetShowMainForm(false);
  // Without a window there is no showing to start the run from.
  if ((launch_.request.Mode == RunMode::kSilent || step_ == ElevationStep::kStartElevated) && launch_.lock)
    tmZip->SetEnabled(true);
}

// The description file may have picked another language than the design's: the texts the window
// shows before the update runs, and the frame's menu and hints.
void TfmMain::ApplyLanguage() {
  pnTel->SetCaption(TextOf(Text::kContactAdministrator));
  pgMeter->SetProgressText(TextOf(Text::kPleaseWait));
  bsResourceStrData->SetResStrings(ResStringsOf(CurrentLanguage()));
  bsSkinData->SetResourceStrData(bsResourceStrData.get());  // the frame takes the new words
}

void TfmMain::FormShow(Form*) { tmZip->SetEnabled(true); }

void TfmMain::tmZipTimer(platform::ui::Timer*) {
  tmZip->SetEnabled(false);
  ExtractUpdate();
}

void TfmMain::ExtractUpdate() {
  if (step_ == ElevationStep::kStartElevated) {
    RunElevated(*this, launch_, platform::ProgramPath(), AppDirOf(platform::ProgramPath()), SystemEnvironment(),
                platform::StartProgramElevated);
    return;
  }
  if (step_ == ElevationStep::kRefuseUnsigned) {
    RefuseUnsignedUpdate(*this, launch_, AppDirOf(platform::ProgramPath()));
    return;
  }
  RunOutcome outcome;
  const UpdateEnvironment env = SystemEnvironment();
  try {
    outcome = launcher::ExtractUpdate(*UnZipper, *this, launch_.request, AppDirOf(platform::ProgramPath()), env);
  } catch (const std::exception& e) {
    // Unattended, the runtime's box would wait for nobody and the launcher would never end: it
    // ends as refused (a commit it cut short is finished by the next start).
    if (launch_.request.Mode != RunMode::kNormal) {
      FinishRun(*this, launch_, RunOutcome{UpdateOutcome::kNotStarted, 0, e.what(), true});
      return;
    }
    taskbar->SetError();  // red while the runtime's error box is up
    throw;
  } catch (...) {
    taskbar->SetError();
    throw;
  }
  FinishRun(*this, launch_, outcome, env);
}

bool TfmMain::HandleMessage(UINT msg, WPARAM wparam, LPARAM lparam, LRESULT& result) {
  if (msg == TaskbarProgress::ButtonCreatedMessage() && msg != 0) taskbar->ButtonCreated(Handle());
  return Form::HandleMessage(msg, wparam, lparam, result);
}

void TfmMain::SetShowMainForm(bool on) { Application::Instance().SetShowMainForm(on); }
void TfmMain::RequestTerminate() { Application::Instance().Terminate(); }
void TfmMain::SetProductName(const std::string& caption) { pnCorp->SetCaption(caption); }
void TfmMain::SetSkinIndex(int index) {
  // The skin data ignores an index outside its list, and the one already loaded.
  bsSkinData->SetSkinIndex(index);
}
void TfmMain::HideWindow() { SetVisible(false); }
void TfmMain::SetStatusText(const std::string& caption) { lbName->SetCaption(caption); }
void TfmMain::SetProgressText(const std::string& text) { pgMeter->SetProgressText(text); }
void TfmMain::SetProgressMax(int value) { pgMeter->SetMaxValue(value); }
void TfmMain::SetProgressValue(int value) {
  pgMeter->SetValue(value);
  taskbar->SetProgress(value);
}
void TfmMain::SetExitCode(int code) { Application::Instance().SetExitCode(code); }
void TfmMain::ShowError(const std::string& text) {
  taskbar->SetError();  // red while the error box is up
  Application::Instance().HandleException(text);
}
void TfmMain::ShellOpen(const std::string& file, const std::string& parameters) {
  platform::ui::ShellStart(Handle(), "open", file, parameters, SW_SHOWNORMAL);
}

}  // namespace launcher
