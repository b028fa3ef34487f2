// The active objects of a skinned form's frame: caption buttons and the caption, drawn from the
// skin's object data and run by their form (hover, morph, press, commands).
#pragma once

#include <string>

#include "skin/bitmap.h"
#include "skin/frame_objects.h"
#include "skin/geometry.h"
#include "skin/skin_data.h"
#include "skin/skin_schema.h"

namespace skin {

class TbsEffectBmp;
class TbsSkinForm;

class TbsActiveSkinObject : public FrameObjectInfo {
 public:
  TbsActiveSkinObject(TbsSkinForm* parent, const TbsDataSkinObject* data);
  virtual ~TbsActiveSkinObject() = default;

  TbsSkinForm* Parent;
  TbsSkinData* SkinData = nullptr;
  double MorphKf = 0;
  bool MouseIn = false;
  bool Active = false;  // hovered
  const Bitmap* Picture = nullptr;
  const Bitmap* ActivePicture = nullptr;
  const Bitmap* ActiveMaskPicture = nullptr;
  std::string Hint;
  Rect ActiveSkinRect, InActiveSkinRect;
  bool Morphing = false;
  TbsMorphKind MorphKind = mkDefault;

  // (x, y) relative to ObjectRect.
  virtual bool ContainsPoint(int x, int y) const;
  bool IsMorphing() const { return skin::IsMorphing(Active, MorphKf); }
  bool CanMorph() const;
  // Draws onto dest, whose pixel (0, 0) is the window point `origin`.
  virtual void Draw(Bitmap& dest, Point origin, bool force);
  virtual void DoubleClick() {}
  virtual void MouseDown(int button, int x, int y);
  virtual void MouseUp(int button, int x, int y);
  virtual void MouseMove(int x, int y) {}
  virtual void MouseEnter();
  virtual void MouseLeave();

 protected:
  // Copies rect of src onto ObjectRect of dest.
  void CopyState(Bitmap& dest, Point origin, const Bitmap* src, const Rect& rect) const;
  void DrawMorph(Bitmap& dest, Point origin, const Bitmap* normal_src, const Rect& normal, const Bitmap* active_src,
                 const Rect& active) const;
  // `from` blended towards `to` by MorphKf in the object's morph kind.
  void Morph(TbsEffectBmp& from, const TbsEffectBmp& to) const;
  bool MorphInProgress() const { return (Active && MorphKf != 1) || (!Active && MorphKf != 0); }
  void ChangeHover();
};

class TbsSkinButtonObject : public TbsActiveSkinObject {
 public:
  TbsSkinButtonObject(TbsSkinForm* parent, const TbsDataSkinObject* data);
  bool Down = false;
  bool PopupUp = false;
  Rect DisabledRect, DownRect;
  void Draw(Bitmap& dest, Point origin, bool force) override;
  void MouseDown(int button, int x, int y) override;
  void MouseUp(int button, int x, int y) override;
};

class TbsSkinStdButtonObject : public TbsSkinButtonObject {
 public:
  TbsSkinStdButtonObject(TbsSkinForm* parent, const TbsDataSkinObject* data);
  bool HasSkinData = true;
  Rect RestoreRect, RestoreActiveRect, RestoreInactiveRect, RestoreDownRect;
  std::string RestoreHint, NormalHint;
  bool AlternativeState() const;
  void Draw(Bitmap& dest, Point origin, bool force) override;
  void DoubleClick() override;
  void MouseDown(int button, int x, int y) override;
  void MouseUp(int button, int x, int y) override;
  void MouseEnter() override;

 private:
  void DrawPlain(Bitmap& dest, Point origin) const;
  void DrawIcon(Bitmap& dest, Point origin) const;
};

class TbsSkinCaptionObject : public TbsActiveSkinObject {
 public:
  TbsSkinCaptionObject(TbsSkinForm* parent, const TbsDataSkinCaption* data);
  const TbsDataSkinCaption* Data;
  // The text as last drawn, after fitting it to the caption's width.
  std::string DrawnText;
  void Draw(Bitmap& dest, Point origin, bool force) override;
  // The caption's Active follows the form's activity, not the mouse.
  void MouseEnter() override;
  void MouseLeave() override;

 private:
  // The caption's own background (its ActiveSkinRect is set): the normal and the active strip
  // for the caption's width, blended while the activity morph runs.
  void DrawBackground(Bitmap& dest, const Rect& place) const;
};

}  // namespace skin
