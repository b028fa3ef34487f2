#include "skin/skin_data.h"

#include <algorithm>

#include "platform/text.h"
#include "skin/bmp_file.h"
#include "skin/ini_file.h"
#include "skin/ini_values.h"
#include "skin/resource_strings.h"

namespace skin {
namespace {

// All decoded pictures of one skin together; the carried skins use well under a tenth of it.
constexpr int64_t kMaxSkinPixels = int64_t{1} << 25;

std::vector<SkinMessageTarget*>& FormList() {
  static std::vector<SkinMessageTarget*> forms;
  return forms;
}

Bitmap DecodePicture(const std::vector<uint8_t>& bmp) {
  if (bmp.empty()) return Bitmap();
  return DecodeBmp(std::span<const uint8_t>(bmp));
}

uint32_t Gray(uint32_t argb) {
  return (((argb >> 16) & 0xFF) + ((argb >> 8) & 0xFF) + (argb & 0xFF)) / 3;
}

}  // namespace

// ---- the open forms

void SkinForms::Add(SkinMessageTarget* form) {
  auto& forms = FormList();
  if (std::find(forms.begin(), forms.end(), form) == forms.end()) forms.push_back(form);
}

void SkinForms::Remove(SkinMessageTarget* form) { std::erase(FormList(), form); }

const std::vector<SkinMessageTarget*>& SkinForms::List() { return FormList(); }

// ---- pixel helpers

TbsBitmap CopyWithAlphaFrom(const Bitmap& source, const Rect& rect, const Bitmap& alpha) {
  TbsBitmap out;
  if (RectIsEmpty(rect)) return out;
  out.SetSize(rect.Width(), rect.Height());
  Bitmap& surface = out.Surface();
  for (int y = 0; y < surface.Height(); ++y) {
    for (int x = 0; x < surface.Width(); ++x) {
      const int sx = rect.Left + x, sy = rect.Top + y;
      const uint32_t c = (sx >= 0 && sy >= 0 && sx < source.Width() && sy < source.Height())
                             ? source.Pixel(sx, sy) & 0x00FFFFFFu
                             : 0u;
      const uint32_t a = (x < alpha.Width() && y < alpha.Height()) ? Gray(alpha.Pixel(x, y)) : 0u;
      surface.SetPixel(x, y, a << 24 | c);
    }
  }
  return out;
}

// ---- button family after-load

namespace {

AlphaImage MakeButtonImage(const TbsSkinData& data, int picture_index, const Rect& skin_rect, int alpha_index) {
  AlphaImage out;
  const Bitmap* source = data.ActivePicture(picture_index);
  if (RectIsEmpty(skin_rect) || !source) return out;
  // Only the part inside the picture has pixels to copy; a rect from a damaged INI must not
  // size the image beyond the picture it comes from.
  const Rect rect = IntersectRects(skin_rect, Rect{0, 0, source->Width(), source->Height()});
  if (RectIsEmpty(rect)) return out;
  const Bitmap* alpha = data.ActivePicture(alpha_index);
  if (!alpha) {
    out = CopyWithAlphaFrom(*source, rect, Bitmap());
    out.SetAlpha(255);
  } else {
    out = CopyWithAlphaFrom(*source, rect, *alpha);
    out.Premultiply();
  }
  out.AlphaBlend = true;
  return out;
}

bool WantsButtonImages(const TbsSkinData& data) {
  return data.LayerFrame.pictureindex != -1 && data.LayerFrame.fullborder;
}

}  // namespace

void TbsDataSkinButton::AfterLoad(TbsSkinData& data) {
  FSkinRectImage = {};
  FActiveSkinRectImage = {};
  FDownRectImage = {};
  FInActiveSkinRectImage = {};
  if (!WantsButtonImages(data)) return;
  FSkinRectImage = MakeButtonImage(data, activepictureindex, skinrect, alphamaskpictureindex);
  FActiveSkinRectImage = MakeButtonImage(data, activepictureindex, activeskinrect, alphamaskactivepictureindex);
  FDownRectImage = MakeButtonImage(data, activepictureindex, downrect, alphamaskactivepictureindex);
  FInActiveSkinRectImage = MakeButtonImage(data, activepictureindex, inactiveskinrect, alphamaskinactivepictureindex);
}

void TbsDataSkinStdButton::AfterLoad(TbsSkinData& data) {
  TbsDataSkinButton::AfterLoad(data);
  FRestoreRectImage = {};
  FRestoreActiveRectImage = {};
  FRestoreDownRectImage = {};
  FRestoreInActiveRectImage = {};
  if (!WantsButtonImages(data)) return;
  FRestoreRectImage = MakeButtonImage(data, activepictureindex, restorerect, alphamaskpictureindex);
  FRestoreActiveRectImage = MakeButtonImage(data, activepictureindex, restoreactiverect, alphamaskactivepictureindex);
  FRestoreDownRectImage = MakeButtonImage(data, activepictureindex, restoredownrect, alphamaskactivepictureindex);
  FRestoreInActiveRectImage =
      MakeButtonImage(data, activepictureindex, restoreinactiverect, alphamaskinactivepictureindex);
}

// ---- the skin data

TbsSkinData::TbsSkinData(SkinMessageTarget* owner_form) : owner_form_(owner_form) {}

TbsSkinData::~TbsSkinData() {
  if (skin_list_) skin_list_->RemoveFreeListener(this);
  if (stored_skin_) stored_skin_->RemoveFreeListener(this);
  if (res_str_data_) res_str_data_->RemoveFreeListener(this);
}

void TbsSkinData::SetSkinList(TbsCompressedSkinList* list) {
  if (skin_list_) skin_list_->RemoveFreeListener(this);
  skin_list_ = list;
  if (list) list->AddFreeListener(this, [this] { skin_list_ = nullptr; });
  if (Designing || !list) return;
  if (skin_index_ >= 0 && skin_index_ < list->Skins().Count()) LoadPackage(list->Skins().Items(skin_index_).Skin());
}

void TbsSkinData::SetSkinIndex(int index) {
  if (index == skin_index_) return;
  if (!skin_list_) {
    skin_index_ = index;
    return;
  }
  if (index < 0 || index >= skin_list_->Skins().Count()) return;
  skin_index_ = index;
  if (!Designing) LoadPackage(skin_list_->Skins().Items(index).Skin());
}

void TbsSkinData::SetCompressedStoredSkin(TbsCompressedStoredSkin* skin) {
  if (stored_skin_) stored_skin_->RemoveFreeListener(this);
  stored_skin_ = skin;
  if (skin) skin->AddFreeListener(this, [this] { stored_skin_ = nullptr; });
  if (!Designing && skin && !skin->IsEmpty()) LoadPackage(*skin);
}

void TbsSkinData::SetResourceStrData(TbsResourceStrData* data) {
  if (res_str_data_) res_str_data_->RemoveFreeListener(this);
  res_str_data_ = data;
  if (data) data->AddFreeListener(this, [this] { res_str_data_ = nullptr; });
  if (!Designing) SendSkinMessage(SKM_STRINGSCHANGED);
}

void TbsSkinData::SetSkinnableForm(bool value) {
  if (value == skinnable_form_) return;
  skinnable_form_ = value;
  if (!Quiet()) SendSkinMessage(SKM_SKINNABLECHANGED);
}

void TbsSkinData::SetShowLayeredBorders(bool value) {
  if (value == show_layered_borders_) return;
  show_layered_borders_ = value;
  if (!Quiet()) SendSkinMessage(SKM_LAYEREDCHANGED);
}

void TbsSkinData::SetAeroBlurEnabled(bool value) {
  if (value == aero_blur_enabled_) return;
  aero_blur_enabled_ = value;
  if (!Quiet()) SendSkinMessage(SKM_BLURCHANGED);
}

const Bitmap* TbsSkinData::ActivePicture(int index) const {
  if (index < 0 || index >= static_cast<int>(ActivePictures.size())) return nullptr;
  return &ActivePictures[static_cast<size_t>(index)];
}

int TbsSkinData::FindObjectIndex(std::string_view name) const {
  for (size_t i = 0; i < SkinObjects.size(); ++i)
    if (SkinObjects[i]->IDName == name) return static_cast<int>(i);
  return -1;
}

int TbsSkinData::FindControlIndex(std::string_view name) const {
  for (size_t i = 0; i < SkinControls.size(); ++i)
    if (SkinControls[i]->IDName == name) return static_cast<int>(i);
  return -1;
}

void TbsSkinData::SendSkinMessage(uint32_t message) {
  std::vector<SkinMessageTarget*> targets;
  const bool owner_first = owner_form_ && !show_layered_borders_;
  if (owner_first) owner_form_->SkinMessage(message, this, kSkinMessageParam);
  for (SkinMessageTarget* form : SkinForms::List()) {
    if (owner_first && form == owner_form_) continue;
    if (form->FormClassName() == "TbsFormLayerWindow") continue;
    targets.push_back(form);
  }
  if (show_layered_borders_ && LayerFrame.pictureindex != -1) std::reverse(targets.begin(), targets.end());
  for (SkinMessageTarget* form : targets) {
    // A receiver may close other forms while it handles the message.
    const auto& open = SkinForms::List();
    if (std::find(open.begin(), open.end(), form) == open.end()) continue;
    form->SkinMessage(message, this, kSkinMessageParam);
  }
}

void TbsSkinData::ClearAll() {
  SkinObjects.clear();
  SkinControls.clear();
  ActivePictures.clear();
  LayerFrame.pictureindex = LayerFrame.maskpictureindex = -1;
  LayerFrame.inactivepictureindex = LayerFrame.inactivemaskpictureindex = -1;
  PrepareLayerImages();
  PopupWindow.windowpictureindex = PopupWindow.maskpictureindex = -1;
  HintWindow.windowpictureindex = HintWindow.maskpictureindex = -1;
  activepictures.clear();
  SkinColors.Reset();
  Picture = Bitmap();
  InactivePicture = Bitmap();
  MaskPicture = Bitmap();
  picture.clear();
  mask.clear();
  Empty = true;
}

void TbsSkinData::LoadPackage(const TbsCompressedStoredSkin& stored) {
  if (stored.IsEmpty()) return;
  Empty = true;
  SkinLoading = true;
  SendSkinMessage(SKM_BEGINCHANGE);
  // Every begin is followed by its changed and end notices, whatever stops the load: a form
  // waiting for the end of a change would otherwise never paint again, and the loading flag
  // would stay set. A failed or refused package leaves the data empty.
  const auto finish_change = [this] {
    SendSkinMessage(SKM_CHANGED);
    SkinLoading = false;
    SendSkinMessage(SKM_ENDCHANGE);
  };
  try {
    ReadPackage(stored);
  } catch (...) {
    finish_change();
    throw;
  }
  finish_change();
}

void TbsSkinData::ReadPackage(const TbsCompressedStoredSkin& stored) {
  ClearAll();

  platform::MemoryStream plain;
  stored.DecompressTo(plain);
  plain.SetPosition(0);
  SkinContainer container = ReadSkinContainer(plain);
  // A newer container than we know: the old skin is gone and nothing replaces it.
  if (container.version > kSkinPackageVersion) return;
  // Headers first: the decoded pictures of one skin must stay within a sane budget, whatever a
  // damaged package claims (a 1-bit picture grows 32-fold when decoded).
  std::vector<const std::vector<uint8_t>*> files = {&container.picture, &container.inactive_picture,
                                                    &container.mask_picture};
  for (const auto& bmp : container.active_pictures) files.push_back(&bmp);
  int64_t pixels = 0;
  for (const auto* bmp : files) {
    if (bmp->empty()) continue;
    const auto [w, h] = PeekBmpSize(*bmp);
    pixels += std::min(w, kMaxSkinPixels) * std::min(h, kMaxSkinPixels);
    if (pixels > kMaxSkinPixels) throw EInvalidGraphic("Bitmap image is not valid: the skin's pictures are too large");
  }
  Picture = DecodePicture(container.picture);
  InactivePicture = DecodePicture(container.inactive_picture);
  MaskPicture = DecodePicture(container.mask_picture);
  ActivePictures.reserve(container.active_pictures.size());
  for (const auto& bmp : container.active_pictures) ActivePictures.push_back(DecodePicture(bmp));
  const IniFile ini(platform::AnsiToUtf8(container.ini_text));
  ReadIni(ini);

  Empty = false;
  if (OnLoadData) OnLoadData();
}

void TbsSkinData::ReadIni(const IniFile& ini) {
  skinname = ini.ReadString("VERSION", "skinname", "");
  skinauthor = ini.ReadString("VERSION", "skinauthor", "");
  authoremail = ini.ReadString("VERSION", "authoremail", "");
  authorurl = ini.ReadString("VERSION", "authorurl", "");
  skincomments = ini.ReadString("VERSION", "skincomments", "");

  picture = ini.ReadString("PICTURES", "picture", "");
  inactivepicture = ini.ReadString("PICTURES", "inactivepicture", "");
  mask = ini.ReadString("PICTURES", "mask", "");
  activepictures = ReadIniNameList(ini, "PICTURES", "activepictures");

  TbsFormInfoData::LoadFromFile(ini);
  ApplyFormInfoCorrections();
  PopupWindow.LoadFromFile(ini);
  LayerFrame.LoadFromFile(ini);
  PrepareLayerImages();
  HintWindow.LoadFromFile(ini);
  SkinColors.LoadFromFile(ini);

  auto entries = [&ini](const char* list, auto create, auto add) {
    for (const auto& [id, word] : ReadListedSections(ini, list)) {
      auto data = create(word, id);
      if (!data) continue;
      data->LoadFromFile(ini);
      add(std::move(data));
    }
  };
  entries("SKINOBJECTS", CreateSkinObjectData, [this](std::unique_ptr<TbsDataSkinObject> o) {
    SkinObjects.push_back(std::move(o));
    SkinObjects.back()->AfterLoad(*this);
  });
  entries("SKINCONTROLS", CreateSkinControlData,
          [this](std::unique_ptr<TbsDataSkinControl> c) { SkinControls.push_back(std::move(c)); });
}

void TbsSkinData::ApplyFormInfoCorrections() {
  if (!mask.empty()) {
    if (RectIsEmpty(maskrectarea)) {
      maskrectarea = clientrect;
    } else {
      maskrectarea.Left = std::min(maskrectarea.Left, clientrect.Left);
      maskrectarea.Top = std::min(maskrectarea.Top, clientrect.Top);
      maskrectarea.Right = std::max(maskrectarea.Right, clientrect.Right);
      maskrectarea.Bottom = std::max(maskrectarea.Bottom, clientrect.Bottom);
    }
    if (PointIsUnset(hittestlefttoppoint)) hittestlefttoppoint = lefttoppoint;
    if (PointIsUnset(hittestrighttoppoint)) hittestrighttoppoint = righttoppoint;
    if (PointIsUnset(hittestleftbottompoint)) hittestleftbottompoint = leftbottompoint;
    if (PointIsUnset(hittestrightbottompoint)) hittestrightbottompoint = rightbottompoint;
  }
  if (rightbottompoint.X == lefttoppoint.X || rightbottompoint.Y == lefttoppoint.Y) return;
  const Rect& c = clientrect;
  lefttoppoint.X = std::max(lefttoppoint.X, c.Left);
  lefttoppoint.Y = std::max(lefttoppoint.Y, c.Top);
  righttoppoint.X = std::min(righttoppoint.X, c.Right);
  righttoppoint.Y = std::max(righttoppoint.Y, c.Top);
  leftbottompoint.X = std::max(leftbottompoint.X, c.Left);
  leftbottompoint.Y = std::min(leftbottompoint.Y, c.Bottom);
  rightbottompoint.X = std::min(rightbottompoint.X, c.Right);
  rightbottompoint.Y = std::min(rightbottompoint.Y, c.Bottom);
}

void TbsSkinData::PrepareLayerImages() {
  auto prepare = [this](int picture_index, int mask_index) {
    AlphaImage out;
    const Bitmap* pic = ActivePicture(picture_index);
    const Bitmap* msk = ActivePicture(mask_index);
    if (!pic || !msk) return out;
    out = CopyWithAlphaFrom(*pic, Rect{0, 0, pic->Width(), pic->Height()}, *msk);
    out.DetectAlpha();
    return out;
  };
  LayerFrame.ActiveImage = prepare(LayerFrame.pictureindex, LayerFrame.maskpictureindex);
  LayerFrame.InActiveImage = prepare(LayerFrame.inactivepictureindex, LayerFrame.inactivemaskpictureindex);
}

}  // namespace skin
