// The skinned message box and the skin chooser as a window design places them: their settings,
// kept with the window. The launcher reports through the runtime's plain message box and offers
// no skin choice, so nothing here opens a dialog yet.
#pragma once

#include <string>

#include "platform/ui/font.h"
#include "skin/win32/skin_form.h"

namespace skin {

class TbsSkinData;
class TbsCompressedSkinList;

class TbsSkinMessage {
 public:
  TbsSkinData* SkinData = nullptr;
  TbsSkinData* CtrlSkinData = nullptr;
  std::string ButtonSkinDataName = "button";
  std::string MessageLabelSkinDataName = "stdlabel";
  bool AlphaBlend = false;
  bool AlphaBlendAnimation = false;
  int AlphaBlendValue = 200;
  bool ShowAgainFlag = false;
  bool ShowAgainFlagValue = false;
  platform::ui::FontSpec DefaultFont{.face = "Arial", .height = 14, .color = 0xFF000000u | COLOR_BTNTEXT};
  platform::ui::FontSpec DefaultButtonFont{.face = "Arial", .height = 14, .color = 0xFF000000u | COLOR_BTNTEXT};
  bool UseSkinFont = true;
};

class TbsSelectSkinDialog {
 public:
  TbsCompressedSkinList* SkinList = nullptr;
  std::string Title = "Select skin";
  TbsSkinData* SkinData = nullptr;
  TbsSkinData* CtrlSkinData = nullptr;
  bool AlphaBlend = false;
  int AlphaBlendValue = 200;
  bool AlphaBlendAnimation = false;
  platform::ui::FontSpec DefaultFont{.face = "Arial", .height = 14, .color = 0xFF000000u | COLOR_BTNTEXT};
};

}  // namespace skin
