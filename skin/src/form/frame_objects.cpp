#include <algorithm>

#include "skin/frame_objects.h"
#include "skin/resource_strings.h"

namespace skin {

// ---- visibility

void ApplyObjectVisibility(std::span<FrameObjectInfo* const> objects, const VisibilityOptions& o) {
  auto isButton = [](const FrameObjectInfo& obj) {
    return obj.Kind == FrameObjectKind::StdButton || obj.Kind == FrameObjectKind::Animate;
  };
  if (o.HideCaptionButtons) {
    for (FrameObjectInfo* obj : objects) {
      if (!isButton(*obj)) continue;
      obj->Enabled = false;
      obj->Visible = !obj->SkinRectInAPicture;
    }
    return;
  }
  const bool dialogIcons = o.BorderIcons == 0 || o.BorderIcons == biSystemMenu;
  const bool hasDialogClose = std::any_of(objects.begin(), objects.end(), [](const FrameObjectInfo* obj) {
    return obj->IDName == "dialogclosebutton";
  });
  for (FrameObjectInfo* obj : objects) {
    if (!isButton(*obj)) continue;
    auto byIcon = [&](bool enabled) {
      obj->Enabled = enabled;
      obj->Visible = obj->SkinRectInAPicture ? enabled : true;
    };
    switch (obj->Command) {
      case cmClose: {
        const bool isDialogClose = obj->IDName == "dialogclosebutton";
        const bool shown = dialogIcons && hasDialogClose ? isDialogClose : !isDialogClose;
        obj->Enabled = obj->Visible = shown;
        break;
      }
      case cmMaximize: byIcon((o.BorderIcons & biMaximize) != 0); break;
      case cmMinimize: byIcon((o.BorderIcons & biMinimize) != 0); break;
      case cmSysMenu: byIcon((o.BorderIcons & biSystemMenu) != 0 && !o.DisableSystemMenu); break;
      case cmRollUp: byIcon((o.BorderIcons & biRollUp) != 0); break;
      case cmMinimizeToTray: byIcon((o.BorderIcons & biMinimizeToTray) != 0); break;
      case cmDefault:
        obj->Visible = o.ActivateCustomObject ? o.ActivateCustomObject(obj->IDName) : false;
        break;
    }
  }
}

// ---- layout

namespace {

bool InHalfOpen(const Rect& r, int x, int y) { return r.Left <= x && x < r.Right && r.Top <= y && y < r.Bottom; }

// Objects painted into the frame picture keep their distance to the corner zone they lie in.
Rect AnchorToCorner(const Rect& sr, const FrameSkin& s, int dx, int dy) {
  const Rect ltz{0, 0, s.LT.X, s.LT.Y};
  const Rect rtz{s.RT.X, 0, s.Pw, s.RT.Y};
  const Rect lbz{0, s.LB.Y, s.LB.X, s.Ph};
  const Rect rbz{s.RB.X, s.RB.Y, s.Pw, s.Ph};
  if (RectInsideRect(sr, ltz)) return sr;
  if (RectInsideRect(sr, rtz)) return OffsetRect(sr, dx, 0);
  if (RectInsideRect(sr, lbz)) return OffsetRect(sr, 0, dy);
  if (RectInsideRect(sr, rbz)) return OffsetRect(sr, dx, dy);
  auto tlIn = [&](const Rect& z) { return InHalfOpen(z, sr.Left, sr.Top); };
  auto brIn = [&](const Rect& z) { return InHalfOpen(z, sr.Right, sr.Bottom); };
  Rect r = sr;
  if (tlIn(ltz) && brIn(rbz)) {
    r.Right += dx;
    r.Bottom += dy;
  } else if (tlIn(ltz) && brIn(rtz)) {
    r.Right += dx;
  } else if (tlIn(lbz) && brIn(rbz)) {
    r = OffsetRect(r, 0, dy);
    r.Right += dx;
  } else if (tlIn(ltz) && brIn(lbz)) {
    r.Bottom += dy;
  } else if (tlIn(rtz) && brIn(rbz)) {
    r = OffsetRect(r, dx, 0);
    r.Bottom += dy;
  }
  return r;
}

FrameObjectInfo* FirstRowButton(std::span<FrameObjectInfo* const> objects, TbsStdCommand command) {
  for (FrameObjectInfo* obj : objects) {
    if (obj->Kind == FrameObjectKind::StdButton && obj->Command == command && obj->Visible &&
        obj->SkinRectInAPicture)
      return obj;
  }
  return nullptr;
}

FrameObjectInfo* FirstCaption(std::span<FrameObjectInfo* const> objects) {
  for (FrameObjectInfo* obj : objects)
    if (obj->Kind == FrameObjectKind::Caption) return obj;
  return nullptr;
}

}  // namespace

void LayoutFrameObjects(std::span<FrameObjectInfo* const> objects, const FrameSkin& s, const FrameGeometry& g,
                        const ButtonRowOptions& options) {
  const int dx = g.NewRB.X - s.RB.X, dy = g.NewRB.Y - s.RB.Y;
  for (FrameObjectInfo* obj : objects) {
    if (!obj->SkinRectInAPicture) obj->ObjectRect = AnchorToCorner(obj->SkinRect, s, dx, dy);
  }

  Rect area;
  if (!RectIsEmpty(g.NewButtonsRect)) area = g.NewButtonsRect;
  else if (!RectIsEmpty(g.NewCaptionRect)) area = g.NewCaptionRect;
  else return;

  std::vector<FrameObjectInfo*> row;
  for (TbsStdCommand c : {cmClose, cmMaximize, cmMinimize, cmRollUp, cmMinimizeToTray})
    if (FrameObjectInfo* obj = FirstRowButton(objects, c)) row.push_back(obj);
  for (FrameObjectInfo* obj : objects) {
    if (obj->Kind == FrameObjectKind::StdButton && obj->Command == cmDefault && obj->Visible &&
        obj->SkinRectInAPicture)
      row.push_back(obj);
  }
  FrameObjectInfo* sysMenu = FirstRowButton(objects, cmSysMenu);
  FrameObjectInfo* caption = FirstCaption(objects);
  auto sizeOf = [&](const FrameObjectInfo* obj) {
    if (obj->Command == cmSysMenu && options.ShowIcon) return options.SmallIcon;
    return Size{RectSpanX(obj->SkinRect), RectSpanY(obj->SkinRect)};
  };
  const int y = area.Top;

  if (!g.ButtonsInLeft) {
    int x = area.Right;
    for (FrameObjectInfo* obj : row) {
      const Size sz = sizeOf(obj);
      obj->ObjectRect = {x - sz.Width, y, x, y + sz.Height};
      x -= g.ButtonsOffset + sz.Width;
    }
    if (caption && RectIsEmpty(g.NewButtonsRect)) caption->ObjectRect.Right = x + g.ButtonsOffset;
    if (sysMenu) {
      const Size sz = sizeOf(sysMenu);
      const int left = g.NewCaptionRect.Left;
      const int top = g.NewCaptionRect.Top + RectSpanY(g.NewCaptionRect) / 2 - sz.Height / 2;
      sysMenu->ObjectRect = {left, top, left + sz.Width, top + sz.Height};
      if (caption) caption->ObjectRect.Left = sysMenu->ObjectRect.Right;
    }
  } else {
    if (sysMenu && RectIsEmpty(g.NewButtonsRect)) row.push_back(sysMenu);
    int x = area.Left;
    for (FrameObjectInfo* obj : row) {
      const Size sz = sizeOf(obj);
      obj->ObjectRect = {x, y, x + sz.Width, y + sz.Height};
      x += g.ButtonsOffset + sz.Width;
    }
    if (caption) caption->ObjectRect.Left = x + g.ButtonsOffset;
  }
}

Rect CaptionTextArea(std::span<FrameObjectInfo* const> objects) {
  const FrameObjectInfo* caption = FirstCaption(objects);
  return caption ? caption->ObjectRect : Rect{};
}

// ---- caption text

Rect CaptionTextRect(const Rect& textRect, const Rect& objectRect, const Rect& skinRect) {
  Rect r = textRect;
  r.Right += RectSpanX(objectRect) - RectSpanX(skinRect);
  return OffsetRect(r, objectRect.Left, objectRect.Top);
}

Point CaptionTextOrigin(const Rect& tr, Size text, TAlignment alignment, int fontHeight) {
  int y = tr.Top + RectSpanY(tr) / 2 - text.Height / 2;
  int x;
  switch (alignment) {
    case taLeftJustify: x = tr.Left; break;
    case taRightJustify: x = tr.Right - text.Width; break;
    default: x = tr.Left + RectSpanX(tr) / 2 - text.Width / 2; break;
  }
  if (fontHeight % 2 != 0) y -= 1;
  return {x, y};
}

// ---- hints and menu texts

namespace {
std::string Text(const TbsResourceStrData* strings, const char* key, const char* builtIn) {
  return strings ? strings->GetResStr(key) : std::string(builtIn);
}
}  // namespace

std::string StdButtonHint(TbsStdCommand command, const TbsResourceStrData* s) {
  switch (command) {
    case cmClose: return Text(s, "CLOSEBUTTON_HINT", "Close");
    case cmMaximize: return Text(s, "MAXBUTTON_HINT", "Maximize");
    case cmMinimize: return Text(s, "MINBUTTON_HINT", "Minimize");
    case cmSysMenu: return Text(s, "MENUBUTTON_HINT", "System menu");
    case cmRollUp: return Text(s, "ROLLUPBUTTON_HINT", "Roll Up");
    case cmMinimizeToTray: return Text(s, "TRAYBUTTON_HINT", "Minimize to Tray");
    case cmDefault: break;
  }
  return std::string();
}

std::string RestoreHint(const TbsResourceStrData* s) { return Text(s, "RESTORE_HINT", "Restore"); }

std::vector<SysMenuItem> BuildSystemMenu(const SysMenuState& st, const TbsResourceStrData* s) {
  std::vector<SysMenuItem> items;
  const bool normal = !st.Minimized && !st.Maximized;
  if (!st.Minimized && (st.BorderIcons & biMinimize))
    items.push_back({SysMenuCommand::Minimize, Text(s, "MI_MINCAPTION", "Mi&nimize"), ""});
  if (!st.Maximized && (st.BorderIcons & biMaximize))
    items.push_back({SysMenuCommand::Maximize, Text(s, "MI_MAXCAPTION", "Ma&ximize"), ""});
  if (!normal || st.RolledUp)
    items.push_back({SysMenuCommand::Restore, Text(s, "MI_RESTORECAPTION", "&Restore"), ""});
  if (!st.RolledUp && !st.Minimized && !(st.MdiChild && st.Maximized) && (st.BorderIcons & biRollUp))
    items.push_back({SysMenuCommand::RollUp, Text(s, "MI_ROLLUPCAPTION", "Ro&llUp"), ""});
  if (st.BorderIcons & biMinimizeToTray)
    items.push_back({SysMenuCommand::MinimizeToTray, Text(s, "MI_MINTOTRAYCAPTION", "Minimize to &Tray"), ""});
  if (!items.empty()) items.push_back({SysMenuCommand::Separator, "", ""});
  items.push_back({SysMenuCommand::Close, Text(s, "MI_CLOSECAPTION", "&Close"), st.MdiChild ? "Ctrl+F4" : "Alt+F4"});
  return items;
}

CaptionDoubleClick DecideCaptionDoubleClick(bool resizable, const SysMenuState& st) {
  // A minimized form is restored whatever its border: rolling it up or down instead would leave
  // a rolled-up state that the restored bounds no longer match.
  if (st.Minimized) return CaptionDoubleClick::Restore;
  if (resizable) {
    if (!st.Maximized && (st.BorderIcons & biMaximize) && !st.RolledUp) return CaptionDoubleClick::Maximize;
    if (st.Maximized && !st.RolledUp) return CaptionDoubleClick::Restore;
  }
  return (st.BorderIcons & biRollUp) ? CaptionDoubleClick::ToggleRollUp : CaptionDoubleClick::Nothing;
}

double NextMorphKf(double kf, bool active) {
  const double next = kf + (active ? kMorphStep : -kMorphStep);
  // Five steps of 0.2 do not add up to exactly 0 or 1 in binary; without snapping a sixth tick
  // would be needed to finish the morph.
  constexpr double kEpsilon = 1e-9;
  if (next < kEpsilon) return 0.0;
  if (next > 1.0 - kEpsilon) return 1.0;
  return next;
}

}  // namespace skin
