// The rules behind the frame's objects (caption and caption buttons) that do not need a window:
// which objects the border icons show, where they go for a window width, where the caption text
// sits, which hints and system-menu items they carry, and how a hover morph advances.
#pragma once

#include <functional>
#include <span>
#include <string>
#include <vector>

#include "skin/frame_geometry.h"
#include "skin/ini_values.h"

namespace skin {

class TbsResourceStrData;

// The form component's border icons, a set.
enum TBorderIcon : unsigned {
  biSystemMenu = 1,
  biMinimize = 2,
  biMaximize = 4,
  biRollUp = 8,
  biMinimizeToTray = 16,
};
using TBorderIcons = unsigned;
inline constexpr TBorderIcons kDefaultBorderIcons = biSystemMenu | biMinimize | biMaximize | biRollUp;

enum class FrameObjectKind { StdButton, Button, Caption, Animate, User };

// What layout and visibility need to know of one frame object.
struct FrameObjectInfo {
  FrameObjectKind Kind = FrameObjectKind::User;
  TbsStdCommand Command = cmDefault;  // standard buttons and animate objects
  std::string IDName;
  bool SkinRectInAPicture = false;  // drawn from an active picture and placed by the button row
  Rect SkinRect;
  Rect ObjectRect;
  bool Enabled = true;
  bool Visible = true;
};

struct VisibilityOptions {
  TBorderIcons BorderIcons = kDefaultBorderIcons;
  bool DisableSystemMenu = false;
  bool HideCaptionButtons = false;
  // Answers for custom (default-command) buttons by name; unassigned means hidden.
  std::function<bool(const std::string& id)> ActivateCustomObject;
};

void ApplyObjectVisibility(std::span<FrameObjectInfo* const> objects, const VisibilityOptions& options);

struct ButtonRowOptions {
  bool ShowIcon = false;  // the system-menu button shows the form's small icon
  Size SmallIcon{16, 16};
};

// Places every object for the frame geometry: objects painted into the frame picture follow the
// corner they belong to; the caption buttons form a row at the right (or left) of the caption,
// and the caption object shrinks to the space between them.
void LayoutFrameObjects(std::span<FrameObjectInfo* const> objects, const FrameSkin& skin, const FrameGeometry& g,
                        const ButtonRowOptions& options);

// The caption object's text area (its ObjectRect; there are no quick buttons); empty without one.
Rect CaptionTextArea(std::span<FrameObjectInfo* const> objects);

// The caption text's rectangle in window coordinates: the skin's "textrect" (relative to the
// caption's skin rectangle) widened as much as the caption object was.
Rect CaptionTextRect(const Rect& textRect, const Rect& objectRect, const Rect& skinRect);
// The top-left corner of a text of the given size in the caption text rectangle.
Point CaptionTextOrigin(const Rect& textRect, Size text, TAlignment alignment, int fontHeight);

// Hints of the standard buttons: the resource strings' texts when a table is given, the built-in
// English ones otherwise. Empty for commands without a hint.
std::string StdButtonHint(TbsStdCommand command, const TbsResourceStrData* strings);
std::string RestoreHint(const TbsResourceStrData* strings);

// ---- system menu

enum class SysMenuCommand { Minimize, Maximize, Restore, RollUp, MinimizeToTray, Separator, Close };

struct SysMenuItem {
  SysMenuCommand Command;
  std::string Caption;   // with its "&" accelerator marks
  std::string ShortCut;  // "Alt+F4" for close
};

struct SysMenuState {
  TBorderIcons BorderIcons = kDefaultBorderIcons;
  bool Minimized = false;
  bool Maximized = false;
  bool RolledUp = false;
  bool MdiChild = false;
};

std::vector<SysMenuItem> BuildSystemMenu(const SysMenuState& state, const TbsResourceStrData* strings);

// ---- caption double-click

enum class CaptionDoubleClick { Nothing, Restore, Maximize, ToggleRollUp };

CaptionDoubleClick DecideCaptionDoubleClick(bool resizable, const SysMenuState& state);

// ---- hover morph

constexpr double kMorphStep = 0.2;
// The morph is still on its way: towards 1 while hovered, towards 0 otherwise.
constexpr bool IsMorphing(bool active, double kf) { return (active && kf < 1) || (!active && kf > 0); }
// One 25 ms step of the morph, clamped to 0..1.
double NextMorphKf(double kf, bool active);

}  // namespace skin
