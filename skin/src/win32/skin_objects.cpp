// The frame's objects: per-state drawing with hover morphing, the caption text and the caption
// buttons' mouse behaviour and commands.
#include <algorithm>

#include "platform/ui/gdi.h"
#include "platform/text.h"
#include "skin/canvas_copy.h"
#include "skin/strips.h"
#include "skin/win32/bitmap_canvas.h"
#include "skin/win32/marks.h"
#include "skin/win32/skin_form.h"
#include "skin/win32/skin_hint.h"
#include "skin/resource_strings.h"
#include "skin/win32/text.h"

namespace skin {

// ---- TbsActiveSkinObject

TbsActiveSkinObject::TbsActiveSkinObject(TbsSkinForm* parent, const TbsDataSkinObject* data) : Parent(parent) {
  SkinData = parent->SkinData();
  if (!data || !SkinData) return;
  IDName = data->IDName;
  Hint = data->hint;
  SkinRectInAPicture = data->skinrectinapicture;
  SkinRect = data->skinrect;
  ObjectRect = SkinRect;
  ActiveSkinRect = data->activeskinrect;
  InActiveSkinRect = data->inactiveskinrect;
  Morphing = data->morphing;
  MorphKind = data->morphkind;
  Picture = &SkinData->Picture;
  ActivePicture = SkinData->ActivePicture(data->activepictureindex);
  ActiveMaskPicture = SkinData->ActivePicture(data->activemaskpictureindex);
  if (!ActivePicture) ActiveSkinRect = Rect{};
  if (RectIsEmpty(ActiveSkinRect)) Morphing = false;
}

bool TbsActiveSkinObject::ContainsPoint(int x, int y) const {
  if (!Parent->Skinned() || !ActiveMaskPicture) return true;
  const Bitmap& m = *ActiveMaskPicture;
  if (x < 0 || y < 0 || x >= m.Width() || y >= m.Height()) return false;
  return (m.Pixel(x, y) & 0x00FFFFFFu) == 0;
}

bool TbsActiveSkinObject::CanMorph() const {
  return Morphing && Parent->Skinned() && SkinData && SkinData->EnableSkinEffects;
}

void TbsActiveSkinObject::CopyState(Bitmap& dest, Point origin, const Bitmap* src, const Rect& rect) const {
  if (!src || RectIsEmpty(rect)) return;
  CanvasCopy(dest, OffsetRect(ObjectRect, -origin.X, -origin.Y), *src, rect);
}

namespace {
Bitmap CutOut(const Bitmap* src, const Rect& rect, int w, int h) {
  Bitmap out(w, h);
  if (src && !RectIsEmpty(rect)) CanvasCopy(out, Rect{0, 0, w, h}, *src, rect);
  return out;
}
}  // namespace

void TbsActiveSkinObject::DrawMorph(Bitmap& dest, Point origin, const Bitmap* normal_src, const Rect& normal,
                                    const Bitmap* active_src, const Rect& active) const {
  const int w = RectSpanX(ObjectRect), h = RectSpanY(ObjectRect);
  if (w <= 0 || h <= 0) return;
  TbsEffectBmp from(CutOut(normal_src, normal, w, h));
  const TbsEffectBmp to(CutOut(active_src, active, w, h));
  Morph(from, to);
  from.DrawTo(dest, ObjectRect.Left - origin.X, ObjectRect.Top - origin.Y);
}

void TbsActiveSkinObject::Morph(TbsEffectBmp& from, const TbsEffectBmp& to) const {
  switch (MorphKind) {
    case mkDefault: from.Morph(to, MorphKf); break;
    case mkGradient: from.MorphGradient(to, MorphKf); break;
    case mkLeftGradient: from.MorphLeftGradient(to, MorphKf); break;
    case mkRightGradient: from.MorphRightGradient(to, MorphKf); break;
    case mkLeftSlide: from.MorphLeftSlide(to, MorphKf); break;
    case mkRightSlide: from.MorphRightSlide(to, MorphKf); break;
    case mkPush: from.MorphPush(to, MorphKf); break;
  }
}

void TbsActiveSkinObject::Draw(Bitmap& dest, Point origin, bool force) {
  if (!Parent->Skinned()) return;
  const bool form_active = Parent->FormActive();
  const Bitmap* normal_src = SkinRectInAPicture ? ActivePicture : Picture;
  if (!Enabled || form_active || RectIsEmpty(InActiveSkinRect)) {
    if (CanMorph() && MorphInProgress()) {
      DrawMorph(dest, origin, normal_src, SkinRect, ActivePicture, ActiveSkinRect);
    } else if (!Active || RectIsEmpty(ActiveSkinRect)) {
      // The frame picture already shows an object painted into it.
      if (!SkinRectInAPicture && !force) return;
      CopyState(dest, origin, normal_src, SkinRect);
    } else {
      CopyState(dest, origin, ActivePicture, ActiveSkinRect);
    }
  } else {
    CopyState(dest, origin, ActivePicture, InActiveSkinRect);
  }
}

void TbsActiveSkinObject::MouseDown(int, int, int) {
  if (Parent->OnMouseDownEvent) Parent->OnMouseDownEvent(IDName, ObjectRect);
}

void TbsActiveSkinObject::MouseUp(int, int, int) {
  if (MouseIn && Parent->OnMouseUpEvent) Parent->OnMouseUpEvent(IDName, ObjectRect);
}

void TbsActiveSkinObject::ChangeHover() {
  if (RectIsEmpty(ActiveSkinRect)) return;
  if (CanMorph()) Parent->StartMorph();
  else Parent->RepaintObject(this);
}

void TbsActiveSkinObject::MouseEnter() {
  MouseIn = Active = true;
  ChangeHover();
  if (Parent->OnMouseEnterEvent) Parent->OnMouseEnterEvent(IDName, ObjectRect);
}

void TbsActiveSkinObject::MouseLeave() {
  MouseIn = Active = false;
  ChangeHover();
  if (Parent->OnMouseLeaveEvent) Parent->OnMouseLeaveEvent(IDName, ObjectRect);
}

// ---- TbsSkinButtonObject

TbsSkinButtonObject::TbsSkinButtonObject(TbsSkinForm* parent, const TbsDataSkinObject* data)
    : TbsActiveSkinObject(parent, data) {
  Kind = FrameObjectKind::Button;
  if (const auto* b = dynamic_cast<const TbsDataSkinButton*>(data)) {
    DownRect = b->downrect;
    DisabledRect = b->disableskinrsect;
  }
}

void TbsSkinButtonObject::Draw(Bitmap& dest, Point origin, bool force) {
  if (!Parent->Skinned()) return;
  const Bitmap* src = ActivePicture ? ActivePicture : Picture;
  if (!Enabled && !RectIsEmpty(DisabledRect)) CopyState(dest, origin, src, DisabledRect);
  else if (Down && MouseIn && !RectIsEmpty(DownRect)) CopyState(dest, origin, src, DownRect);
  else TbsActiveSkinObject::Draw(dest, origin, force);
}

void TbsSkinButtonObject::MouseDown(int button, int x, int y) {
  if (button == 1 && Enabled && !Down) {
    Down = true;
    if (Morphing && Parent->FormActive()) MorphKf = 1;
    Parent->RepaintObject(this);
  }
  TbsActiveSkinObject::MouseDown(button, x, y);
}

void TbsSkinButtonObject::MouseUp(int button, int x, int y) {
  if (button == 1 && Down) {
    Down = false;
    Parent->RepaintObject(this);
    if (CanMorph() && IsMorphing()) Parent->StartMorph();
  }
  TbsActiveSkinObject::MouseUp(button, x, y);
}

// ---- TbsSkinStdButtonObject

TbsSkinStdButtonObject::TbsSkinStdButtonObject(TbsSkinForm* parent, const TbsDataSkinObject* data)
    : TbsSkinButtonObject(parent, data) {
  Kind = FrameObjectKind::StdButton;
  if (const auto* b = dynamic_cast<const TbsDataSkinStdButton*>(data)) {
    Command = b->command;
    RestoreRect = b->restorerect;
    RestoreActiveRect = b->restoreactiverect;
    RestoreInactiveRect = b->restoreinactiverect;
    RestoreDownRect = b->restoredownrect;
    RestoreHint = b->restorehint;
  } else {
    HasSkinData = data != nullptr;
  }
  NormalHint = Hint;
}

bool TbsSkinStdButtonObject::AlternativeState() const {
  switch (Command) {
    case cmMaximize: return Parent->IsMaximized() || Parent->WindowState() == wsMaximized;
    case cmMinimize: return !Parent->IsMainForm() && Parent->WindowState() == wsMinimized;
    case cmRollUp: return Parent->RolledUp();
    default: return false;
  }
}

void TbsSkinStdButtonObject::Draw(Bitmap& dest, Point origin, bool force) {
  if (!HasSkinData) {
    DrawPlain(dest, origin);
    return;
  }
  if (!Parent->Skinned()) return;
  if (Command == cmSysMenu && Parent->ShowIcon && SkinRectInAPicture) {
    DrawIcon(dest, origin);
    MorphKf = 0;
    return;
  }
  const bool alt = AlternativeState();
  const bool form_active = Parent->FormActive();
  if (Enabled && (form_active || RectIsEmpty(InActiveSkinRect) || alt)) {
    if (!alt || RectIsEmpty(RestoreRect)) {
      if (Command == cmSysMenu && Down && !RectIsEmpty(DownRect)) CopyState(dest, origin, ActivePicture, DownRect);
      else TbsSkinButtonObject::Draw(dest, origin, force);
      return;
    }
    const bool in_progress = MorphInProgress();
    if (!form_active && !RectIsEmpty(RestoreInactiveRect)) CopyState(dest, origin, ActivePicture, RestoreInactiveRect);
    else if (Down && MouseIn && !RectIsEmpty(RestoreDownRect)) CopyState(dest, origin, ActivePicture, RestoreDownRect);
    else if (CanMorph() && in_progress && !RectIsEmpty(RestoreActiveRect))
      DrawMorph(dest, origin, ActivePicture, RestoreRect, ActivePicture, RestoreActiveRect);
    else if (Active && !RectIsEmpty(RestoreActiveRect)) CopyState(dest, origin, ActivePicture, RestoreActiveRect);
    else CopyState(dest, origin, ActivePicture, RestoreRect);
    return;
  }
  TbsSkinButtonObject::Draw(dest, origin, force);
}

void TbsSkinStdButtonObject::DrawIcon(Bitmap& dest, Point origin) const {
  HWND hwnd = Parent->Window();
  HICON icon = hwnd ? reinterpret_cast<HICON>(::SendMessageW(hwnd, WM_GETICON, ICON_SMALL, 0)) : nullptr;
  if (!icon && hwnd) icon = reinterpret_cast<HICON>(::GetClassLongPtrW(hwnd, GCLP_HICONSM));
  if (!icon && hwnd) icon = reinterpret_cast<HICON>(::GetClassLongPtrW(hwnd, GCLP_HICON));
  if (!icon) icon = ::LoadIconW(nullptr, IDI_APPLICATION);
  BitmapCanvas canvas(dest);
  if (!canvas.dc()) return;
  ::DrawIconEx(canvas.dc(), ObjectRect.Left - origin.X, ObjectRect.Top - origin.Y, icon,
               ::GetSystemMetrics(SM_CXSMICON), ::GetSystemMetrics(SM_CYSMICON), 0, nullptr, DI_NORMAL);
  BitmapCanvas::Flush();
}

void TbsSkinStdButtonObject::DrawPlain(Bitmap& dest, Point origin) const {
  const int w = RectSpanX(ObjectRect), h = RectSpanY(ObjectRect);
  if (w <= 0 || h <= 0) return;
  Bitmap cell(w, h);
  {
    BitmapCanvas canvas(cell);
    HDC dc = canvas.dc();
    if (!dc) return;
    const bool pressed = Down && Active;
    RECT r{0, 0, w, h};
    if (Active) {
      const platform::ui::UniqueBrush frame(::CreateSolidBrush(0x800000));
      const platform::ui::UniqueBrush fill(::CreateSolidBrush(pressed ? 0xB59385 : 0xD2BDB6));
      ::FillRect(dc, &r, fill.get());
      ::FrameRect(dc, &r, frame.get());
    } else {
      ::FillRect(dc, &r, ::GetSysColorBrush(COLOR_BTNFACE));
    }
    const Color mark = ::GetSysColor(Enabled ? COLOR_BTNTEXT : COLOR_BTNSHADOW);
    const int x = w / 2 - 5 + (pressed ? 1 : 0), y = h / 2 - 4 + (pressed ? 1 : 0);
    const bool alt = AlternativeState();
    switch (Command) {
      case cmClose: PaintCloseMark(dc, x, y, mark); break;
      case cmMaximize: (alt ? PaintRestoreMark : PaintMaximizeMark)(dc, x, y, mark); break;
      case cmMinimize: (alt ? PaintRestoreMark : PaintMinimizeMark)(dc, x, y, mark); break;
      case cmRollUp: (alt ? PaintRollUpMark : PaintRollDownMark)(dc, x, y, mark); break;
      case cmMinimizeToTray: PaintTrayMark(dc, x, y, mark); break;
      case cmSysMenu:
        if (!Parent->ShowIcon) PaintSysMenuMark(dc, x, y, mark);
        break;
      case cmDefault: break;
    }
    BitmapCanvas::Flush();
  }
  CanvasCopy(dest, OffsetRect(ObjectRect, -origin.X, -origin.Y), cell, Rect{0, 0, w, h});
  if (Command == cmSysMenu && Parent->ShowIcon) DrawIcon(dest, origin);
}

void TbsSkinStdButtonObject::DoubleClick() {
  if (Command == cmSysMenu && Parent->Window()) ::PostMessageW(Parent->Window(), WM_CLOSE, 0, 0);
}

void TbsSkinStdButtonObject::MouseDown(int button, int x, int y) {
  TbsSkinButtonObject::MouseDown(button, x, y);
  if (button == 1 && Command == cmSysMenu && Enabled) {
    RECT wr{};
    ::GetWindowRect(Parent->Window(), &wr);
    Parent->ShowSystemMenu(POINT{wr.left + ObjectRect.Left, wr.top + ObjectRect.Bottom}, true);
    Down = false;
    Parent->RepaintObject(this);
  }
}

void TbsSkinStdButtonObject::MouseUp(int button, int x, int y) {
  const bool was_down = Down;
  TbsSkinButtonObject::MouseUp(button, x, y);
  if (button == 1 && was_down && Active && Command != cmSysMenu) Parent->RunCommand(Command);
}

void TbsSkinStdButtonObject::MouseEnter() {
  if (Command != cmDefault)
    Hint = AlternativeState() && !RestoreHint.empty() ? RestoreHint : NormalHint;
  TbsSkinButtonObject::MouseEnter();
}

// ---- TbsSkinCaptionObject

TbsSkinCaptionObject::TbsSkinCaptionObject(TbsSkinForm* parent, const TbsDataSkinCaption* data)
    : TbsActiveSkinObject(parent, data), Data(data) {
  Kind = FrameObjectKind::Caption;
}

namespace {

void DrawTextAt(HDC dc, const std::wstring& text, int x, int y, int w, int h, Color colour) {
  ::SetTextColor(dc, colour);
  RECT r{x, y, x + w, y + h};
  ::DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &r, DT_SINGLELINE | DT_NOPREFIX | DT_NOCLIP);
}

}  // namespace

void TbsSkinCaptionObject::MouseEnter() {
  MouseIn = true;
  if (Parent->OnMouseEnterEvent) Parent->OnMouseEnterEvent(IDName, ObjectRect);
}

void TbsSkinCaptionObject::MouseLeave() {
  MouseIn = false;
  if (Parent->OnMouseLeaveEvent) Parent->OnMouseLeaveEvent(IDName, ObjectRect);
}

void TbsSkinCaptionObject::DrawBackground(Bitmap& dest, const Rect& place) const {
  const int w = RectSpanX(place), h = RectSpanY(place);
  if (w <= 0 || h <= 0) return;
  // The caps are the parts of the caption outside the frame picture's stretchable top edge.
  const FrameSkin& s = Parent->Skin();
  const int left_cap = std::max(0, s.LT.X - SkinRect.Left), right_cap = std::max(0, SkinRect.Right - s.RT.X);
  auto strip = [&](const Bitmap* src, const Rect& r) {
    Bitmap composed, cell(w, h);
    if (!src || RectIsEmpty(r)) return cell;
    ComposeHorizontalStrip(left_cap, right_cap, composed, *src, r, w, Data->stretcheffect);
    if (!composed.Empty())
      CanvasCopy(cell, Rect{0, 0, w, h}, composed, Rect{0, 0, composed.Width(), composed.Height()});
    return cell;
  };
  const Bitmap* normal_src = SkinRectInAPicture ? ActivePicture : Picture;
  if (CanMorph() && MorphInProgress()) {
    TbsEffectBmp from(strip(normal_src, SkinRect));
    Morph(from, TbsEffectBmp(strip(ActivePicture, ActiveSkinRect)));
    from.DrawTo(dest, place.Left, place.Top);
  } else {
    const Bitmap cell = Active ? strip(ActivePicture, ActiveSkinRect) : strip(normal_src, SkinRect);
    CanvasCopy(dest, place, cell, Rect{0, 0, w, h});
  }
}

void TbsSkinCaptionObject::Draw(Bitmap& dest, Point origin, bool) {
  if (!Parent->Skinned() || !Data) return;
  const bool active = Parent->FormActive();
  const Rect place = OffsetRect(ObjectRect, -origin.X, -origin.Y);
  if (!RectIsEmpty(ActiveSkinRect) && ActivePicture) DrawBackground(dest, place);
  BitmapCanvas canvas(dest);
  HDC dc = canvas.dc();
  if (!dc) return;
  if (Parent->OnCaptionPaint) {
    const RECT r{place.Left, place.Top, place.Right, place.Bottom};
    Parent->OnCaptionPaint(dc, r, active);
    BitmapCanvas::Flush();
    return;
  }
  const std::string caption = Parent->Caption();
  DrawnText.clear();
  if (caption.empty() || RectIsEmpty(Data->textrect)) return;

  platform::ui::FontSpec spec = Parent->DefCaptionFont;
  if (Parent->UseSkinFontInCaption) {
    spec.face = Data->fontname;
    spec.height = Data->fontheight;
    spec.style = Data->fontstyle;
  }
  if (SkinData && SkinData->ResourceStrData()) spec.charset = SkinData->ResourceStrData()->CharSet;
  const platform::ui::UniqueFont font = platform::ui::CreateFontFrom(spec);
  platform::ui::ScopedSelect select_font(dc, font.get());
  ::SetBkMode(dc, TRANSPARENT);

  const Rect tr = OffsetRect(CaptionTextRect(Data->textrect, ObjectRect, SkinRect), -origin.X, -origin.Y);
  const std::string fitted = FitTextToWidth(dc, caption, RectSpanX(tr));
  DrawnText = fitted;
  const std::wstring text = platform::Widen(fitted);
  RECT calc{0, 0, 0, 0};
  ::DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &calc, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
  const int tw = calc.right - calc.left, th = calc.bottom - calc.top;
  const Point at = CaptionTextOrigin(tr, {tw, th}, Data->alignment, spec.height);

  if (Data->light) DrawTextAt(dc, text, at.X - 1, at.Y - 1, tw, th, active ? Data->activelightcolor : Data->lightcolor);
  if (Data->shadow)
    DrawTextAt(dc, text, at.X + 1, at.Y + 1, tw, th, active ? Data->activeshadowcolor : Data->shadowcolor);
  const Color colour = active ? Data->activefontcolor : Data->fontcolor;
  ::SetTextColor(dc, colour);
  const RECT r{at.X, at.Y, at.X + tw, at.Y + th};
  const UINT format = DT_SINGLELINE | DT_NOPREFIX | DT_NOCLIP;
  if (Data->reflectioneffect) {
    // The mirror image stays inside the caption object.
    DrawReflectedText(dc, at.X, at.Y, fitted, Data->reflectionoffset, RECT{place.Left, place.Top, place.Right, place.Bottom},
                      active ? Data->reflactionactivecolor : Data->reflactioncolor);
  } else if (Data->vistagloweffect && (active || Data->vistaglowinactiveeffect)) {
    DrawSoftGlowText(dc, r, fitted, active ? Data->glowactivecolor : Data->glowcolor, format);
  } else if (Data->gloweffect && (active || Data->glowinactiveeffect)) {
    DrawGlowText(dc, r, fitted, Data->glowsize, active ? Data->glowactivecolor : Data->glowcolor, Data->glowoffset,
                 format);
  } else {
    DrawTextAt(dc, text, at.X, at.Y, tw, th, colour);
  }
  BitmapCanvas::Flush();
}

}  // namespace skin
