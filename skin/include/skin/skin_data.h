// The loaded skin: pictures, the form-frame description, the data objects of every skinned object
// and control, the skin colours; and the skin switch that replaces them and tells the open forms.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/stream.h"
#include "skin/bitmap.h"
#include "skin/free_notifier.h"
#include "skin/skin_package.h"
#include "skin/skin_schema.h"

namespace skin {

class TbsResourceStrData;
class TbsSkinData;

// Skin messages: sent synchronously with the sending skin data and kSkinMessageParam.
inline constexpr uint32_t SKM_BEGINCHANGE = 1225;
inline constexpr uint32_t SKM_CHANGED = 1226;
inline constexpr uint32_t SKM_ENDCHANGE = 1227;
inline constexpr uint32_t SKM_STRINGSCHANGED = 1274;
inline constexpr uint32_t SKM_PARENTREDRAWN = 1284;
inline constexpr uint32_t SKM_SKINNABLECHANGED = 1294;
inline constexpr uint32_t SKM_LAYEREDCHANGED = 1427;
inline constexpr uint32_t SKM_BLURCHANGED = 1428;
inline constexpr intptr_t kSkinMessageParam = 1000;

// An open form as the skin data sees it: something that takes skin messages. The Win32 glue
// wraps a window handle and sends the real window message.
class SkinMessageTarget {
 public:
  virtual ~SkinMessageTarget() = default;
  // Forms of class "TbsFormLayerWindow" (layered border windows) are left out of broadcasts.
  virtual std::string FormClassName() const { return std::string(); }
  virtual void SkinMessage(uint32_t message, TbsSkinData* sender, intptr_t param) = 0;
};

// The application's open forms, in their list order.
class SkinForms {
 public:
  static void Add(SkinMessageTarget* form);
  static void Remove(SkinMessageTarget* form);
  static const std::vector<SkinMessageTarget*>& List();
};

class TbsSkinData : public FreeNotifier, public TbsFormInfoData {
 public:
  // `owner_form`: the form that owns the component (served first unless layered borders are on).
  explicit TbsSkinData(SkinMessageTarget* owner_form = nullptr);
  ~TbsSkinData() override;
  TbsSkinData(const TbsSkinData&) = delete;
  TbsSkinData& operator=(const TbsSkinData&) = delete;

  // ---- published properties
  TbsCompressedSkinList* SkinList() const { return skin_list_; }
  void SetSkinList(TbsCompressedSkinList* list);
  int SkinIndex() const { return skin_index_; }
  void SetSkinIndex(int index);
  TbsCompressedStoredSkin* CompressedStoredSkin() const { return stored_skin_; }
  void SetCompressedStoredSkin(TbsCompressedStoredSkin* skin);
  TbsResourceStrData* ResourceStrData() const { return res_str_data_; }
  void SetResourceStrData(TbsResourceStrData* data);
  bool SkinnableForm() const { return skinnable_form_; }
  void SetSkinnableForm(bool value);
  bool ShowLayeredBorders() const { return show_layered_borders_; }
  void SetShowLayeredBorders(bool value);
  bool AeroBlurEnabled() const { return aero_blur_enabled_; }
  void SetAeroBlurEnabled(bool value);

  bool AnimationForAllWindows = false;
  bool EnableSkinEffects = true;
  bool ShowButtonGlowFrames = true;
  bool ShowCaptionButtonGlowFrames = true;
  bool DlgTreeViewDrawSkin = true;
  bool DlgListViewDrawSkin = true;
  std::string DlgTreeViewItemSkinDataName = "listbox";
  std::string DlgListViewItemSkinDataName = "listbox";
  std::function<void()> OnLoadData;

  // Component state: edited in a design environment (never loads), or being read from a stored
  // design (property changes send nothing).
  bool Designing = false;
  void BeginLoading() { loading_ = true; }
  void EndLoading() { loading_ = false; }

  // ---- loaded state
  bool Empty = true;
  bool SkinLoading = false;
  Bitmap Picture, InactivePicture, MaskPicture;
  std::vector<Bitmap> ActivePictures;
  // The picture a picture index addresses, or nullptr (-1, negative, or not below the count).
  const Bitmap* ActivePicture(int index) const;
  std::string picture, inactivepicture, mask;
  std::vector<std::string> activepictures;
  std::string skinname, skinauthor, authoremail, authorurl, skincomments;
  TbsDataSkinPopupWindow PopupWindow;
  TbsDataSkinLayerFrame LayerFrame;
  TbsDataSkinHintWindow HintWindow;
  TbsSkinColors SkinColors;
  std::vector<std::unique_ptr<TbsDataSkinObject>> SkinObjects;
  std::vector<std::unique_ptr<TbsDataSkinControl>> SkinControls;

  int FindObjectIndex(std::string_view name) const;
  int FindControlIndex(std::string_view name) const;

  // The skin switch proper. An empty package changes nothing. Otherwise the forms get the begin,
  // changed and end notices around the load even when it fails (the exception then reaches the
  // caller) or the package is newer than this reader (the data stays empty); SkinLoading is
  // false afterwards.
  void LoadPackage(const TbsCompressedStoredSkin& stored);
  // Sends the message to the owner form and the open forms in the broadcast order.
  void SendSkinMessage(uint32_t message);

 private:
  void ClearAll();
  // Clears the data and reads the package into it; Empty stays true unless it all loads.
  void ReadPackage(const TbsCompressedStoredSkin& stored);
  void ReadIni(const IniFile& ini);
  void ApplyFormInfoCorrections();
  void PrepareLayerImages();
  bool Quiet() const { return Designing || loading_; }

  SkinMessageTarget* owner_form_;
  TbsCompressedSkinList* skin_list_ = nullptr;
  int skin_index_ = 0;
  TbsCompressedStoredSkin* stored_skin_ = nullptr;
  TbsResourceStrData* res_str_data_ = nullptr;
  bool skinnable_form_ = true;
  bool show_layered_borders_ = true;
  bool aero_blur_enabled_ = true;
  bool loading_ = false;
};

// A 32-bit copy of `rect` of `source` whose alpha is trunc((r + g + b) / 3) of the matching pixel
// of `alpha` (drawn at the copy's top-left; pixels it does not cover get alpha 0).
TbsBitmap CopyWithAlphaFrom(const Bitmap& source, const Rect& rect, const Bitmap& alpha);

}  // namespace skin
