// TbsSkinForm: takes over a top-level window's non-client area (border, caption, caption buttons,
// outline) and draws it from the current skin. It subclasses the window procedure, answers the
// non-client size, paint and hit-test messages from the pure frame geometry, shapes the window
// with the skin's mask, runs the caption objects (hover, morph, press, commands), keeps the
// minimum size, centres and fades the window in on its first show and snaps it to the work area's
// edges while it is dragged.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/ui/font.h"
#include "skin/frame_borders.h"
#include "skin/frame_geometry.h"
#include "skin/frame_objects.h"
#include "skin/hit_test.h"
#include "skin/placement.h"
#include "skin/resource_strings.h"
#include "skin/skin_data.h"
#include "skin/win32/skin_objects.h"

namespace skin {

class TbsSkinHint;
class TbsPngImageList;
class WindowSkinTarget;

enum TWindowState { wsNormal, wsMinimized, wsMaximized };

enum TbsPositionInMonitor { bspDefault, bspScreenCenter, bspDesktopCenter };

class TbsSkinForm {
 public:
  explicit TbsSkinForm(HWND window = nullptr);
  ~TbsSkinForm();
  TbsSkinForm(const TbsSkinForm&) = delete;
  TbsSkinForm& operator=(const TbsSkinForm&) = delete;

  // Subclasses the window (once) and takes its non-client area over.
  void Attach(HWND window);
  void Detach();
  HWND Window() const { return hwnd_; }

  // ---- published properties
  TbsSkinData* SkinData() const { return skin_data_; }
  void SetSkinData(TbsSkinData* data);
  TbsSkinData* MenusSkinData = nullptr;
  TBorderIcons BorderIcons() const { return border_icons_; }
  void SetBorderIcons(TBorderIcons icons);
  TWindowState WindowState() const { return window_state_; }
  void SetWindowState(TWindowState state);
  TbsPositionInMonitor PositionInMonitor = bspDefault;
  bool Magnetic = false;
  int MagneticSize = 5;
  int MinWidth = 0, MinHeight = 0, MaxWidth = 0, MaxHeight = 0;
  bool AlwaysResize = false;
  bool MaximizeOnFullScreen = false;
  bool DisableSystemMenu = false;
  bool UseDefaultSysMenu = true;
  bool ShowIcon = false;
  bool HideCaptionButtons = false;
  bool AlwaysMinimizeToTray = false;
  bool AlphaBlend = false;
  bool AlphaBlendAnimation = false;
  int AlphaBlendValue = 200;
  int ClientWidth = 0, ClientHeight = 0;
  bool UseSkinFontInCaption = true;
  platform::ui::FontSpec DefCaptionFont{
      .face = "Tahoma", .height = 13, .color = 0xFF000000u | COLOR_BTNTEXT, .style = fsBold};
  platform::ui::FontSpec DefInActiveCaptionFont{
      .face = "Tahoma", .height = 13, .color = 0xFF000000u | COLOR_BTNSHADOW, .style = fsBold};
  bool ShowObjectHint = false;
  bool UseDefaultObjectHint = true;
  TbsSkinHint* SkinHint = nullptr;
  bool UseFormCursorInNCArea = false;
  // Pictures for quick buttons on the caption; the window keeps the list even without buttons.
  TbsPngImageList* QuickImageList = nullptr;

  std::function<void()> OnActivate, OnDeActivate, OnMinimize, OnRestore, OnMaximize;
  std::function<void()> OnChangeSkinData, OnBeforeChangeSkinData, OnAfterChangeSkinData, OnChangeRollUpState;
  // Replaces the caption's drawing: canvas, rectangle (window coordinates on the canvas), active.
  std::function<void(HDC, const RECT&, bool)> OnCaptionPaint;
  std::function<bool(const std::string& id)> OnActivateCustomObject;
  std::function<void(const std::string& id, const Rect& r)> OnMouseDownEvent, OnMouseUpEvent, OnMouseMoveEvent,
      OnMouseEnterEvent, OnMouseLeaveEvent;
  // Skinned controls of the form: reset before a skin change, re-applied after it (the control
  // tree walk belongs to the control base).
  std::function<void(TbsSkinData* sender)> OnResetControls, OnApplyControls;

  // ---- state, for the objects and for tests
  bool Skinned() const { return skinned_; }
  bool Skinnable() const { return skinnable_; }
  bool FormActive() const { return active_; }
  bool RolledUp() const { return rolled_up_; }
  bool InSizeMove() const { return in_size_move_; }
  // The application's main form; without one set, an unowned top-level window counts as main.
  bool IsMainForm() const;
  bool IsMaximized() const { return hwnd_ && ::IsZoomed(hwnd_); }
  bool IsMinimized() const { return hwnd_ && ::IsIconic(hwnd_); }
  // Minimized as a form other than the main one is: shrunk to its caption at the bottom of the
  // work area instead of going to the task bar.
  bool ShrunkByMinimize() const;
  const FrameSkin& Skin() const { return frame_skin_; }
  const FrameGeometry& Geometry() const { return geometry_; }
  const std::vector<std::unique_ptr<TbsActiveSkinObject>>& Objects() const { return objects_; }
  TbsActiveSkinObject* FindObject(const std::string& id) const;
  int HoverIndex() const { return hover_index_; }
  int PressedIndex() const { return pressed_index_; }
  bool HoverTimerRunning() const { return hover_timer_; }
  bool MorphTimerRunning() const { return morph_timer_; }
  int FrameMinWidth() const;
  int FrameMinHeight() const;
  std::string Caption() const;
  // The items the system menu shows now.
  std::vector<SysMenuItem> SystemMenuItems() const;
  const FramePieces& MaskPieces() const { return mask_pieces_; }
  // Opacity steps of the last fade-in.
  int LastFadeSteps() const { return fade_steps_; }
  bool MenuTracking() const { return menu_tracking_; }

  // ---- operations
  void RepaintFrame();
  void RepaintObject(TbsActiveSkinObject* object);
  // Hover tracking at a window point.
  void UpdateHover(Point p, bool track = true);
  void ClearHover();
  void StartMorph();
  void RunCommand(TbsStdCommand command);
  void ShowSystemMenu(POINT screen, bool under_button);
  void MinimizeForm();
  void MaximizeForm();
  void RestoreForm();
  void SetRolledUp(bool value);
  // The whole frame (without the client area) as it is painted now, W x H.
  void RenderFrame(Bitmap& out);

  // The window procedure's work, after the hook found this component.
  LRESULT HandleMessage(UINT msg, WPARAM wparam, LPARAM lparam);

 private:
  // The form's window timers: the fade-in on showing, hover polling and the buttons' morph.
  static constexpr UINT_PTR kFadeTimer = 1, kHoverTimer = 0x4801, kMorphTimer = 0x4802;

  friend class TbsActiveSkinObject;
  friend class TbsSkinStdButtonObject;
  friend class TbsSkinCaptionObject;

  LRESULT CallDefault(UINT msg, WPARAM wparam, LPARAM lparam);
  bool BeforeDefault(UINT msg, WPARAM wparam, LPARAM lparam, LRESULT& result);
  bool HandleSkinMessage(UINT msg, WPARAM wparam);
  bool HandleNonClient(UINT msg, WPARAM wparam, LPARAM lparam, LRESULT& result);
  bool HandleSizeMove(UINT msg, WPARAM wparam, LPARAM lparam, LRESULT& result);
  bool HandleWindowMessage(UINT msg, WPARAM wparam, LPARAM lparam, LRESULT& result);
  void AfterDefault(UINT msg, WPARAM wparam, LPARAM lparam);

  // skin changes
  void BeginSkinChange();
  void ApplySkin();
  void CreateObjects();
  void ClearObjects();
  void ApplyVisibility();
  void ApplyHints();

  // frame
  void UpdateSize();
  void RelayoutFrame();
  void LayoutObjects();
  void UpdateRegion(bool rebuild);
  void PaintFrame(HDC dc);
  void PaintSkinnedFrame(HDC dc);
  void PaintPlainFrame(HDC dc);
  void DrawObjectsInto(FramePieces& pieces);
  void EraseClient(HDC dc);
  void CreateDefaultButtons();
  void UpdateCaptionActivity();
  void ResetObjectStates(bool include_caption);
  int HitTest(Point p);
  std::vector<TbsActiveSkinObject*> Items() const;
  int ObjectAt(Point p) const;
  Rect PlainClientRect() const;
  bool PaintSize() const;
  Point ToWindow(LPARAM screen_point) const;

  // behaviour
  bool Resizable() const;
  bool ToolWindow() const;
  bool BorderNone() const;
  void NudgeWidth();
  void EnforceMinimum();
  void OnShow();
  void FadeIn();
  void OnMoving(RECT& r);
  void OnSizing(RECT& r);
  void OnGetMinMaxInfo(MINMAXINFO& info);
  void OnCaptionDoubleClick();
  void PressObject(int button, Point p);
  void ReleaseObject(int button, Point p);
  void HoverTick();
  void MorphTick();
  void StopTimers();
  void StartHoverTimer();

  HWND hwnd_ = nullptr;
  WNDPROC previous_proc_ = nullptr;
  std::unique_ptr<WindowSkinTarget> target_;
  TbsSkinData* skin_data_ = nullptr;
  TBorderIcons border_icons_ = kDefaultBorderIcons;
  TWindowState window_state_ = wsNormal;

  FrameSkin frame_skin_;
  FrameGeometry geometry_;
  FramePieces mask_pieces_;
  std::vector<std::unique_ptr<TbsActiveSkinObject>> objects_;
  std::vector<std::unique_ptr<TbsSkinStdButtonObject>> default_buttons_;
  int W_ = 0, H_ = 0;
  bool skinned_ = false;
  bool skinnable_ = true;
  bool active_ = false;
  bool changing_skin_ = false;
  bool first_show_ = true;
  bool in_size_move_ = false;
  bool sized_in_loop_ = false;
  bool full_drag_ = true;
  bool rolled_up_ = false;
  int old_height_ = 0;
  bool minimized_from_maximized_ = false;
  MagneticState magnetic_;
  int hover_index_ = -1, previous_hover_index_ = -1, pressed_index_ = -1;
  bool hover_timer_ = false, morph_timer_ = false;
  RECT saved_bounds_{};
  // Where a form other than the main one returns to from its minimized place (a skin change
  // while it is minimized saves other bounds).
  RECT unminimized_bounds_{};
  int fade_steps_ = 0;
  bool menu_tracking_ = false;
  // The frame pieces of the last paint before objects were drawn on them, the background of an
  // object repainted alone.
  FramePieces frame_pieces_;
};

}  // namespace skin
