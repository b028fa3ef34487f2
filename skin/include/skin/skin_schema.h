// The data classes that read skin INI sections: one class per class word of [SKINOBJECTS] and
// [SKINCONTROLS], the four section members and [FORMINFO]. Fields carry the INI key names.
//
// Each class lists its keys once, in a key table macro (skin/key_visitors.h): kind, key, default.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "skin/alpha_bitmap.h"
#include "skin/bitmap.h"
#include "skin/geometry.h"
#include "skin/ini_file.h"
#include "skin/ini_values.h"
#include "skin/key_visitors.h"

namespace skin {

class TbsSkinData;

// ---- control data

class TbsDataSkinControl {
 public:
  explicit TbsDataSkinControl(std::string id) : IDName(std::move(id)) {}
  virtual ~TbsDataSkinControl() = default;
  std::string IDName;
  int pictureindex = -1;
  int maskpictureindex = -1;
  Rect skinrect;

  virtual void LoadFromFile(const IniFile& ini);
  // Erases the section and writes every key the load reads.
  virtual void SaveToFile(IniFile& ini);
  virtual void VisitKeys(KeyVisitor& v) {
    v.Int("pictureindex", pictureindex, -1);
    v.Int("maskpictureindex", maskpictureindex, -1);
    v.RectKey("skinrect", skinrect, Rect{});
  }
};

#define HX_CUSTOM_KEYS(X)           \
  HX_CORNER_KEYS(X)                 \
  X(RC, clientrect, Rect{})         \
  X(FLAG, leftstretch, false)       \
  X(FLAG, topstretch, false)        \
  X(FLAG, rightstretch, false)      \
  X(FLAG, bottomstretch, false)     \
  X(FLAG, stretcheffect, false)     \
  X(ST, stretchtype, bsstFull)
class TbsDataSkinCustomControl : public TbsDataSkinControl {
 public:
  using TbsDataSkinControl::TbsDataSkinControl;
  HX_KEYS(HX_CUSTOM_KEYS, TbsDataSkinControl)
};

#define HX_PANEL_KEYS(X)                    \
  X(PIC, bgpictureindex, -1)                \
  X(RC, captionrect, Rect{})                \
  X(AL, alignment, taCenter)                \
  HX_FONT_KEYS(X)                           \
  X(RC, checkimagerect, Rect{})             \
  X(RC, uncheckimagerect, Rect{})           \
  X(RC, markframerect, Rect{})              \
  X(RC, framerect, Rect{})                  \
  X(RC, frametextrect, Rect{})              \
  X(INT, frameleftoffset, 0)                \
  X(INT, framerightoffset, 0)               \
  X(RC, gripperrect, Rect{})                \
  X(FLAG, grippertransparent, false)        \
  X(COL, grippertransparentcolor, 0)        \
  X(RC, buttonrect, Rect{})                 \
  X(RC, buttonactiverect, Rect{})           \
  X(RC, buttondownrect, Rect{})             \
  X(FLAG, buttontransparent, false)         \
  X(COL, buttontransparentcolor, 0)
class TbsDataSkinPanelControl : public TbsDataSkinCustomControl {
 public:
  using TbsDataSkinCustomControl::TbsDataSkinCustomControl;
  HX_KEYS(HX_PANEL_KEYS, TbsDataSkinCustomControl)
};

#define HX_EXPANEL_KEYS(X)                                                                   \
  X(RC, rollhskinrect, Rect{}) X(RC, rollvskinrect, Rect{}) X(INT, rollleftoffset, 0)        \
  X(INT, rollrightoffset, 0) X(INT, rolltopoffset, 0) X(INT, rollbottomoffset, 0)            \
  X(RC, rollvcaptionrect, Rect{}) X(RC, rollhcaptionrect, Rect{})                            \
  X(RC, closebuttonrect, Rect{}) X(RC, closebuttonactiverect, Rect{})                        \
  X(RC, closebuttondownrect, Rect{}) X(RC, hrollbuttonrect, Rect{})                          \
  X(RC, hrollbuttonactiverect, Rect{}) X(RC, hrollbuttondownrect, Rect{})                    \
  X(RC, hrestorebuttonrect, Rect{}) X(RC, hrestorebuttonactiverect, Rect{})                  \
  X(RC, hrestorebuttondownrect, Rect{}) X(RC, vrollbuttonrect, Rect{})                       \
  X(RC, vrollbuttonactiverect, Rect{}) X(RC, vrollbuttondownrect, Rect{})                    \
  X(RC, vrestorebuttonrect, Rect{}) X(RC, vrestorebuttonactiverect, Rect{})                  \
  X(RC, vrestorebuttondownrect, Rect{}) X(RC, captionrect, Rect{}) HX_FONT_KEYS(X)           \
  X(FLAG, buttonstransparent, false) X(COL, buttonstransparentcolor, 0)
class TbsDataSkinExPanelControl : public TbsDataSkinCustomControl {
 public:
  using TbsDataSkinCustomControl::TbsDataSkinCustomControl;
  HX_KEYS(HX_EXPANEL_KEYS, TbsDataSkinCustomControl)
};

#define HX_LABEL_KEYS(X) HX_FONT_KEYS(X)
class TbsDataSkinLabelControl : public TbsDataSkinCustomControl {
 public:
  using TbsDataSkinCustomControl::TbsDataSkinCustomControl;
  HX_KEYS(HX_LABEL_KEYS, TbsDataSkinCustomControl)
};

#define HX_GAUGE_KEYS(X)                                                                     \
  X(RC, progressarea, Rect{}) X(RC, progressrect, Rect{}) X(INT, beginoffset, 0)             \
  X(INT, endoffset, 0) X(FLAG, vertical, false) HX_FONT_KEYS(X)                              \
  X(FLAG, progresstransparent, false) X(COL, progresstransparentcolor, 0)                    \
  X(FLAG, progressstretch, false) X(RC, animationskinrect, Rect{})                           \
  X(INT, animationcountframes, 0) X(INT, animationtimerinterval, 0)                          \
  X(INT, animationbeginoffset, 0) X(INT, animationendoffset, 0)                              \
  X(RC, progressanimationskinrect, Rect{}) X(INT, progressanimationcountframes, 0)           \
  X(INT, progressanimationtimerinterval, 0)
class TbsDataSkinGaugeControl : public TbsDataSkinCustomControl {
 public:
  using TbsDataSkinCustomControl::TbsDataSkinCustomControl;
  HX_KEYS(HX_GAUGE_KEYS, TbsDataSkinCustomControl)
};

#define HX_BUTTON_KEYS(X)                                                                    \
  HX_FONT_KEYS(X) X(COL, activefontcolor, 0) X(COL, downfontcolor, 0)                        \
  X(COL, disabledfontcolor, 0) X(RC, activeskinrect, Rect{}) X(RC, downskinrect, Rect{})     \
  X(RC, focusedskinrect, Rect{}) X(RC, disabledskinrect, Rect{}) X(FLAG, morphing, false)    \
  X(MK, morphkind, mkDefault) X(RC, animateskinrect, Rect{}) X(INT, framecount, 0)           \
  X(INT, animateinterval, 25) X(FLAG, showfocus, false) X(RC, menumarkerflatrect, Rect{})    \
  X(RC, menumarkerrect, Rect{}) X(RC, menumarkeractiverect, Rect{})                          \
  X(RC, menumarkerdownrect, Rect{}) X(COL, menumarkertransparentcolor, 0)                    \
  X(PIC, glowlayerpictureindex, -1) X(PIC, glowlayermaskpictureindex, -1)                    \
  X(INT, glowlayeroffsetleft, 0) X(INT, glowlayeroffsettop, 0)                               \
  X(INT, glowlayeroffsetright, 0) X(INT, glowlayeroffsetbottom, 0)                           \
  X(INT, glowlayershowoffsetx, 0) X(INT, glowlayershowoffsety, 0)                            \
  X(INT, glowlayeralphablendvalue, 255)
class TbsDataSkinButtonControl : public TbsDataSkinCustomControl {
 public:
  using TbsDataSkinCustomControl::TbsDataSkinCustomControl;
  HX_KEYS(HX_BUTTON_KEYS, TbsDataSkinCustomControl)
};

#define HX_MENUBUTTON_KEYS(X) X(RC, trackbuttonrect, Rect{})
class TbsDataSkinMenuButtonControl : public TbsDataSkinButtonControl {
 public:
  using TbsDataSkinButtonControl::TbsDataSkinButtonControl;
  HX_KEYS(HX_MENUBUTTON_KEYS, TbsDataSkinButtonControl)
};

#define HX_CHECKRADIO_KEYS(X)                                                                \
  HX_FONT_KEYS(X) X(COL, activefontcolor, 0) X(COL, unenabledfontcolor, 0)                   \
  X(COL, framefontcolor, 0) X(RC, activeskinrect, Rect{}) X(RC, checkimagearea, Rect{})      \
  X(RC, textarea, Rect{}) X(RC, checkimagerect, Rect{}) X(RC, uncheckimagerect, Rect{})      \
  X(RC, activecheckimagerect, Rect{}) X(RC, activeuncheckimagerect, Rect{})                  \
  X(RC, unenabledcheckimagerect, Rect{}) X(RC, unenableduncheckimagerect, Rect{})            \
  X(RC, grayedcheckimagerect, Rect{}) X(RC, activegrayedcheckimagerect, Rect{})              \
  X(FLAG, morphing, false) X(MK, morphkind, mkDefault)
class TbsDataSkinCheckRadioControl : public TbsDataSkinCustomControl {
 public:
  using TbsDataSkinCustomControl::TbsDataSkinCustomControl;
  HX_KEYS(HX_CHECKRADIO_KEYS, TbsDataSkinCustomControl)
};

#define HX_SPLITTER_KEYS(X) \
  X(RC, gripperrect, Rect{}) X(FLAG, grippertransparent, false) X(COL, grippertransparentcolor, 0)
class TbsDataSkinSplitterControl : public TbsDataSkinCustomControl {
 public:
  using TbsDataSkinCustomControl::TbsDataSkinCustomControl;
  HX_KEYS(HX_SPLITTER_KEYS, TbsDataSkinCustomControl)
};

#define HX_TRACKBAR_KEYS(X)                                                                  \
  X(RC, activeskinrect, Rect{}) X(RC, trackarea, Rect{}) X(RC, buttonrect, Rect{})           \
  X(RC, activebuttonrect, Rect{}) X(FLAG, vertical, false) X(FLAG, buttontransparent, false) \
  X(COL, buttontransparentcolor, 0)
class TbsDataSkinTrackBarControl : public TbsDataSkinCustomControl {
 public:
  using TbsDataSkinCustomControl::TbsDataSkinCustomControl;
  HX_KEYS(HX_TRACKBAR_KEYS, TbsDataSkinCustomControl)
};

#define HX_UPDOWN_BUTTON_KEYS(X)                                                             \
  X(RC, upbuttonrect, Rect{}) X(RC, activeupbuttonrect, Rect{}) X(RC, downupbuttonrect, Rect{}) \
  X(RC, downbuttonrect, Rect{}) X(RC, activedownbuttonrect, Rect{})                          \
  X(RC, downdownbuttonrect, Rect{})
class TbsDataSkinUpDownControl : public TbsDataSkinCustomControl {
 public:
  using TbsDataSkinCustomControl::TbsDataSkinCustomControl;
  HX_KEYS(HX_UPDOWN_BUTTON_KEYS, TbsDataSkinCustomControl)
};

#define HX_SCROLLBAR_KEYS(X)                                                                 \
  X(RC, trackarea, Rect{}) HX_UPDOWN_BUTTON_KEYS(X) X(RC, thumbrect, Rect{})                 \
  X(RC, activethumbrect, Rect{}) X(RC, downthumbrect, Rect{}) X(INT, thumboffset1, 0)        \
  X(INT, thumboffset2, 0) X(FLAG, thumbtransparent, false) X(COL, thumbtransparentcolor, 0)  \
  X(FLAG, thumbstretcheffect, false) X(INT, thumbminsize, 0) X(INT, thumbminpagesize, 0)     \
  X(RC, glyphrect, Rect{}) X(RC, activeglyphrect, Rect{}) X(RC, downglyphrect, Rect{})       \
  X(FLAG, glyphtransparent, false) X(COL, glyphtransparentcolor, 0)
class TbsDataSkinScrollBarControl : public TbsDataSkinCustomControl {
 public:
  using TbsDataSkinCustomControl::TbsDataSkinCustomControl;
  HX_KEYS(HX_SCROLLBAR_KEYS, TbsDataSkinCustomControl)
};

#define HX_SCROLLBOX_KEYS(X) X(PIC, bgpictureindex, -1)
class TbsDataSkinScrollBoxControl : public TbsDataSkinCustomControl {
 public:
  using TbsDataSkinCustomControl::TbsDataSkinCustomControl;
  HX_KEYS(HX_SCROLLBOX_KEYS, TbsDataSkinCustomControl)
};

#define HX_EDIT_KEYS(X)                                                                      \
  X(RC, activeskinrect, Rect{}) HX_FONT_KEYS(X) X(COL, disabledfontcolor, 0)                 \
  X(COL, activefontcolor, 0) X(RC, buttonrect, Rect{}) X(RC, activebuttonrect, Rect{})       \
  X(RC, downbuttonrect, Rect{}) X(RC, unenabledbuttonrect, Rect{})
class TbsDataSkinEditControl : public TbsDataSkinCustomControl {
 public:
  using TbsDataSkinCustomControl::TbsDataSkinCustomControl;
  HX_KEYS(HX_EDIT_KEYS, TbsDataSkinCustomControl)
};

#define HX_MEMO_KEYS(X) X(COL, bgcolor, 0) X(COL, activebgcolor, 0)
class TbsDataSkinMemoControl : public TbsDataSkinEditControl {
 public:
  using TbsDataSkinEditControl::TbsDataSkinEditControl;
  HX_KEYS(HX_MEMO_KEYS, TbsDataSkinEditControl)
};

#define HX_SPINEDIT_KEYS(X)                                                                  \
  X(RC, activeskinrect, Rect{}) HX_FONT_KEYS(X) X(COL, activefontcolor, 0)                   \
  X(COL, disabledfontcolor, 0) HX_UPDOWN_BUTTON_KEYS(X)
class TbsDataSkinSpinEditControl : public TbsDataSkinCustomControl {
 public:
  using TbsDataSkinCustomControl::TbsDataSkinCustomControl;
  HX_KEYS(HX_SPINEDIT_KEYS, TbsDataSkinCustomControl)
};

#define HX_COMBOBOX_KEYS(X)                                                                  \
  X(RC, activeskinrect, Rect{}) X(RC, itemrect, Rect{}) X(RC, activeitemrect, Rect{})        \
  X(RC, focusitemrect, Rect{}) X(INT, itemleftoffset, 0) X(INT, itemrightoffset, 0)          \
  X(RC, itemtextrect, Rect{}) HX_FONT_KEYS(X) X(COL, focusfontcolor, 0)                      \
  X(COL, activefontcolor, 0) X(TEXT, listboxname, "") X(RC, buttonrect, Rect{})              \
  X(RC, activebuttonrect, Rect{}) X(RC, downbuttonrect, Rect{})                              \
  X(RC, unenabledbuttonrect, Rect{}) X(FLAG, itemstretcheffect, false)                       \
  X(FLAG, focusitemstretcheffect, false) X(FLAG, showfocus, false)
class TbsDataSkinComboBox : public TbsDataSkinCustomControl {
 public:
  using TbsDataSkinCustomControl::TbsDataSkinCustomControl;
  HX_KEYS(HX_COMBOBOX_KEYS, TbsDataSkinCustomControl)
};

#define HX_LISTBOX_KEYS(X)                                                                   \
  X(RC, itemrect, Rect{}) X(RC, activeitemrect, Rect{}) X(RC, focusitemrect, Rect{})         \
  X(INT, itemleftoffset, 0) X(INT, itemrightoffset, 0) X(RC, itemtextrect, Rect{})           \
  HX_FONT_KEYS(X) X(COL, activefontcolor, 0) X(COL, focusfontcolor, 0)                       \
  X(RC, captionrect, Rect{}) X(TEXT, captionfontname, "Tahoma") X(INT, captionfontheight, 13) \
  X(FS, captionfontstyle, 0) X(COL, captionfontcolor, 0) HX_UPDOWN_BUTTON_KEYS(X)            \
  X(RC, checkbuttonrect, Rect{}) X(RC, activecheckbuttonrect, Rect{})                        \
  X(RC, downcheckbuttonrect, Rect{}) X(TEXT, vscrollbarname, "vscrollbar")                   \
  X(TEXT, hscrollbarname, "hscrollbar") X(TEXT, bothhscrollbarname, "bothhscrollbar")        \
  X(FLAG, showfocus, false) X(RC, disabledbuttonsrect, Rect{}) X(RC, buttonsarea, Rect{})
class TbsDataSkinListBox : public TbsDataSkinCustomControl {
 public:
  using TbsDataSkinCustomControl::TbsDataSkinCustomControl;
  HX_KEYS(HX_LISTBOX_KEYS, TbsDataSkinCustomControl)
};

#define HX_CHECKLISTBOX_KEYS(X) \
  X(RC, itemcheckrect, Rect{}) X(RC, checkimagerect, Rect{}) X(RC, uncheckimagerect, Rect{})
class TbsDataSkinCheckListBox : public TbsDataSkinListBox {
 public:
  using TbsDataSkinListBox::TbsDataSkinListBox;
  HX_KEYS(HX_CHECKLISTBOX_KEYS, TbsDataSkinListBox)
};

#define HX_CONTROLBAR_KEYS(X)                                                                \
  X(RC, itemrect, Rect{}) X(PIC, bgpictureindex, -1) X(RC, hgriprect, Rect{})                \
  X(RC, vgriprect, Rect{}) X(INT, gripoffset1, 0) X(INT, gripoffset2, 0)                     \
  X(FLAG, itemstretcheffect, false) X(INT, itemoffset1, 3) X(INT, itemoffset2, 3)            \
  X(FLAG, itemtransparent, false) X(COL, itemtransparentcolor, 0)                            \
  X(FLAG, griptransparent, false) X(COL, griptransparentcolor, 0)
class TbsDataSkinControlBar : public TbsDataSkinCustomControl {
 public:
  using TbsDataSkinCustomControl::TbsDataSkinCustomControl;
  HX_KEYS(HX_CONTROLBAR_KEYS, TbsDataSkinCustomControl)
};

#define HX_APPMENU_KEYS(X)                                                                   \
  X(PIC, bgpictureindex, -1) X(FLAG, bgstretcheffect, false) X(RC, itemrect, Rect{})         \
  X(RC, pageitemrect, Rect{}) X(RC, pageitemactiverect, Rect{}) X(INT, itemoffset1, 3)       \
  X(INT, itemoffset2, 3) X(INT, pageitemoffset1, 10) X(INT, pageitemoffset2, 10)             \
  X(INT, pageoffset, 0) X(TEXT, fontname, "Tahoma") X(INT, fontheight, 13)                   \
  X(INT, fontpageheight, 16) X(FS, fontstyle, 0) X(COL, fontcolor, 0)                        \
  X(COL, disabledfontcolor, 0) X(COL, activefontcolor, 0) X(COL, fontpagecolor, 0)           \
  X(COL, activefontpagecolor, 0) X(RC, gripperrect, Rect{}) X(COL, grippertransparentcolor, 0) \
  X(RC, toplinerect, Rect{}) X(INT, toplineoffset1, 0) X(INT, toplineoffset2, 0)
class TbsDataSkinAppMenu : public TbsDataSkinCustomControl {
 public:
  using TbsDataSkinCustomControl::TbsDataSkinCustomControl;
  HX_KEYS(HX_APPMENU_KEYS, TbsDataSkinCustomControl)
};

#define HX_STDLABEL_KEYS(X) HX_FONT_KEYS(X) X(COL, activefontcolor, 16711680)
class TbsDataSkinStdLabelControl : public TbsDataSkinControl {
 public:
  using TbsDataSkinControl::TbsDataSkinControl;
  HX_KEYS(HX_STDLABEL_KEYS, TbsDataSkinControl)
};

#define HX_BEVEL_KEYS(X) X(COL, lightcolor, 0) X(COL, darkcolor, 0)
class TbsDataSkinBevel : public TbsDataSkinControl {
 public:
  using TbsDataSkinControl::TbsDataSkinControl;
  HX_KEYS(HX_BEVEL_KEYS, TbsDataSkinControl)
};

#define HX_TREEVIEW_KEYS(X) \
  HX_FONT_KEYS(X) X(COL, bgcolor, 0) X(RC, expandimagerect, Rect{}) X(RC, noexpandimagerect, Rect{})
class TbsDataSkinTreeView : public TbsDataSkinControl {
 public:
  using TbsDataSkinControl::TbsDataSkinControl;
  HX_KEYS(HX_TREEVIEW_KEYS, TbsDataSkinControl)
};

#define HX_LISTVIEW_KEYS(X) HX_FONT_KEYS(X) X(COL, bgcolor, 0)
class TbsDataSkinListView : public TbsDataSkinControl {
 public:
  using TbsDataSkinControl::TbsDataSkinControl;
  HX_KEYS(HX_LISTVIEW_KEYS, TbsDataSkinControl)
};
class TbsDataSkinRichEdit : public TbsDataSkinControl {
 public:
  using TbsDataSkinControl::TbsDataSkinControl;
  HX_KEYS(HX_LISTVIEW_KEYS, TbsDataSkinControl)
};

#define HX_SLIDER_KEYS(X)                                                                    \
  X(COL, bgcolor, 0) X(RC, hrulerrect, Rect{}) X(RC, hthumbrect, Rect{})                     \
  X(RC, vrulerrect, Rect{}) X(RC, vthumbrect, Rect{}) X(INT, edgesize, 0) X(COL, pointscolor, 0)
class TbsDataSkinSlider : public TbsDataSkinControl {
 public:
  using TbsDataSkinControl::TbsDataSkinControl;
  HX_KEYS(HX_SLIDER_KEYS, TbsDataSkinControl)
};

#define HX_TAB_KEYS(X)                                                                       \
  X(RC, tabrect, Rect{}) X(RC, activetabrect, Rect{}) X(RC, focustabrect, Rect{})            \
  X(RC, mouseintabrect, Rect{}) X(RC, clientrect, Rect{}) X(PIC, bgpictureindex, -1)         \
  HX_CORNER_KEYS(X) X(INT, tableftoffset, 0) X(INT, tabrightoffset, 0)                       \
  X(RC, tabsbgrect, Rect{}) X(FLAG, tabstretcheffect, false) X(FLAG, leftstretch, false)     \
  X(FLAG, topstretch, false) X(FLAG, rightstretch, false) X(FLAG, bottomstretch, false)      \
  X(FLAG, stretcheffect, false) X(ST, stretchtype, bsstFull) HX_FONT_KEYS(X)                 \
  X(COL, activefontcolor, 0) X(COL, focusfontcolor, 0) X(COL, mouseinfontcolor, 0)           \
  X(TEXT, updown, "") X(FLAG, showfocus, false) X(INT, focusoffsetx, 0)                      \
  X(INT, focusoffsety, 0) X(RC, closebuttonrect, Rect{}) X(RC, closebuttonactiverect, Rect{}) \
  X(RC, closebuttondownrect, Rect{}) X(FLAG, buttontransparent, false)                       \
  X(COL, buttontransparentcolor, 0) X(RC, dividerrect, Rect{})                               \
  X(FLAG, dividertransparent, false) X(COL, dividertransparentcolor, 0)                      \
  X(RC, mdicloserect, Rect{}) X(RC, mdicloseactiverect, Rect{}) X(RC, mdiclosedownrect, Rect{}) \
  X(RC, mdirestorerect, Rect{}) X(RC, mdirestoreactiverect, Rect{})                          \
  X(RC, mdirestoredownrect, Rect{}) X(RC, mdiminrect, Rect{}) X(RC, mdiminactiverect, Rect{}) \
  X(RC, mdimindownrect, Rect{}) X(FLAG, mdibuttonstransparent, false)                        \
  X(COL, mdibuttonstransparentcolor, 0) X(RC, tableftbottomactiverect, Rect{})               \
  X(RC, tableftbottomfocusrect, Rect{})
class TbsDataSkinTabControl : public TbsDataSkinControl {
 public:
  using TbsDataSkinControl::TbsDataSkinControl;
  HX_KEYS(HX_TAB_KEYS, TbsDataSkinControl)
};

#define HX_GRID_KEYS(X)                                                                      \
  X(RC, fixedcellrect, Rect{}) X(RC, selectcellrect, Rect{}) X(RC, focuscellrect, Rect{})    \
  X(INT, fixedcellleftoffset, 0) X(INT, fixedcellrightoffset, 0)                             \
  X(RC, fixedcelltextrect, Rect{}) X(INT, cellleftoffset, 0) X(INT, cellrightoffset, 0)      \
  X(RC, celltextrect, Rect{}) X(PIC, bgpictureindex, -1) X(COL, linescolor, 0)               \
  X(COL, bgcolor, 0) HX_FONT_KEYS(X) X(COL, selectfontcolor, 0) X(COL, focusfontcolor, 0)    \
  X(TEXT, fixedfontname, "Tahoma") X(INT, fixedfontheight, 13) X(FS, fixedfontstyle, 0)      \
  X(COL, fixedfontcolor, 0) X(FLAG, cellstretcheffect, false)                                \
  X(FLAG, fixedcellstretcheffect, false) X(FLAG, showfocus, false)
class TbsDataSkinGridControl : public TbsDataSkinControl {
 public:
  using TbsDataSkinControl::TbsDataSkinControl;
  HX_KEYS(HX_GRID_KEYS, TbsDataSkinControl)
};

#define HX_MAINMENUBAR_KEYS(X)                                                               \
  X(RC, itemsrect, Rect{}) X(TEXT, menubaritem, "") X(TEXT, closebutton, "")                 \
  X(TEXT, minbutton, "") X(TEXT, maxbutton, "") X(TEXT, sysmenubutton, "")                   \
  X(COL, trackmarkcolor, 0) X(COL, trackmarkactivecolor, 0) X(FLAG, stretcheffect, false)    \
  X(FLAG, itemtransparent, false)
class TbsDataSkinMainMenuBar : public TbsDataSkinControl {
 public:
  using TbsDataSkinControl::TbsDataSkinControl;
  HX_KEYS(HX_MAINMENUBAR_KEYS, TbsDataSkinControl)
};

// ---- object data

// A prepared 32-bit image with its alpha (the button family's after-load images, the layer
// frame's images): empty when not prepared.
using AlphaImage = TbsBitmap;

class TbsDataSkinObject {
 public:
  explicit TbsDataSkinObject(std::string id) : IDName(std::move(id)) {}
  virtual ~TbsDataSkinObject() = default;
  std::string IDName;
#define HX_OBJECT_KEYS(X)                                                                    \
  X(TEXT, hint, "") X(PIC, activepictureindex, -1) X(PIC, activemaskpictureindex, -1)        \
  X(FLAG, skinrectinapicture, false) X(RC, skinrect, Rect{}) X(RC, activeskinrect, Rect{})   \
  X(RC, inactiveskinrect, Rect{}) X(FLAG, morphing, false) X(MK, morphkind, mkDefault)       \
  X(PIC, glowlayerpictureindex, -1) X(PIC, glowlayermaskpictureindex, -1)                    \
  X(INT, glowlayeroffsetx, 0) X(INT, glowlayeroffsety, 0) X(INT, glowlayeralphablendvalue, 255)
  HX_OBJECT_KEYS(HX_DECLARE)

  virtual void LoadFromFile(const IniFile& ini);
  virtual void SaveToFile(IniFile& ini);
  // Runs right after loading, with the skin data at hand.
  virtual void AfterLoad(TbsSkinData& data) {}
  virtual void VisitKeys(KeyVisitor& v) { HX_OBJECT_KEYS(HX_VISIT) }
};

// Reads only skinrect: the object base keys do not apply to it.
class TbsDataUserObject : public TbsDataSkinObject {
 public:
  using TbsDataSkinObject::TbsDataSkinObject;
  void VisitKeys(KeyVisitor& v) override { v.RectKey("skinrect", skinrect, Rect{}); }
};

#define HX_BUTTONOBJ_KEYS(X)                                                                 \
  X(RC, downrect, Rect{}) X(RC, disableskinrsect, Rect{}) X(PIC, alphamaskpictureindex, -1)  \
  X(PIC, alphamaskactivepictureindex, -1) X(PIC, alphamaskinactivepictureindex, -1)
class TbsDataSkinButton : public TbsDataSkinObject {
 public:
  using TbsDataSkinObject::TbsDataSkinObject;
  HX_KEYS(HX_BUTTONOBJ_KEYS, TbsDataSkinObject)
  // Prepared only for a layered full-border frame; empty otherwise.
  AlphaImage FSkinRectImage, FActiveSkinRectImage, FDownRectImage, FInActiveSkinRectImage;
  void AfterLoad(TbsSkinData& data) override;
};

#define HX_STDBUTTON_KEYS(X)                                                                 \
  X(CMD, command, cmDefault) X(RC, restorerect, Rect{}) X(RC, restoreactiverect, Rect{})     \
  X(RC, restoredownrect, Rect{}) X(RC, restoreinactiverect, Rect{}) X(TEXT, restorehint, "")
class TbsDataSkinStdButton : public TbsDataSkinButton {
 public:
  using TbsDataSkinButton::TbsDataSkinButton;
  HX_KEYS(HX_STDBUTTON_KEYS, TbsDataSkinButton)
  AlphaImage FRestoreRectImage, FRestoreActiveRectImage, FRestoreDownRectImage, FRestoreInActiveRectImage;
  void LoadFromFile(const IniFile& ini) override;
  void AfterLoad(TbsSkinData& data) override;
};

class TbsDataSkinMainMenuBarButton : public TbsDataSkinStdButton {
 public:
  using TbsDataSkinStdButton::TbsDataSkinStdButton;
};

#define HX_CAPTION_KEYS(X)                                                                   \
  X(RC, textrect, Rect{}) HX_FONT_KEYS(X) X(COL, activefontcolor, 0) X(AL, alignment, taCenter) \
  X(FLAG, light, false) X(COL, lightcolor, 0) X(COL, activelightcolor, 0)                    \
  X(FLAG, shadow, false) X(COL, shadowcolor, 0) X(COL, activeshadowcolor, 0)                 \
  X(RC, framerect, Rect{}) X(RC, activeframerect, Rect{}) X(RC, frametextrect, Rect{})       \
  X(INT, frameleftoffset, 0) X(INT, framerightoffset, 0) X(FLAG, stretcheffect, false)       \
  X(RC, animateskinrect, Rect{}) X(INT, framecount, 0) X(INT, animateinterval, 25)           \
  X(FLAG, inactiveanimation, false) X(FLAG, fullframe, false)                                \
  X(FLAG, vistagloweffect, false) X(FLAG, vistaglowinactiveeffect, false)                    \
  X(FLAG, gloweffect, false) X(FLAG, glowinactiveeffect, false) X(INT, glowsize, 3)          \
  X(COL, glowcolor, 0) X(COL, glowactivecolor, 0) X(INT, glowoffset, 0)                      \
  X(FLAG, reflectioneffect, false) X(COL, reflactioncolor, 0) X(COL, reflactionactivecolor, 0) \
  X(INT, reflectionoffset, 0) X(RC, dividerrect, Rect{}) X(RC, inactivedividerrect, Rect{})  \
  X(FLAG, dividertransparent, false) X(COL, dividertransparentcolor, 0)                      \
  X(PIC, quickbuttonalphamaskpictureindex, -1)
class TbsDataSkinCaption : public TbsDataSkinObject {
 public:
  using TbsDataSkinObject::TbsDataSkinObject;
  HX_KEYS(HX_CAPTION_KEYS, TbsDataSkinObject)
};

#define HX_ANIMATE_KEYS(X)                                                                   \
  X(INT, countframes, 1) X(FLAG, cycle, false) X(FLAG, buttonstyle, false)                   \
  X(INT, timerinterval, 50) X(CMD, command, cmDefault) X(RC, downskinrect, Rect{})           \
  X(RC, restorerect, Rect{}) X(RC, restoreactiverect, Rect{}) X(RC, restoredownrect, Rect{}) \
  X(RC, restoreinactiverect, Rect{}) X(TEXT, restorehint, "")
class TbsDataSkinAnimate : public TbsDataSkinObject {
 public:
  using TbsDataSkinObject::TbsDataSkinObject;
  HX_KEYS(HX_ANIMATE_KEYS, TbsDataSkinObject)
  void LoadFromFile(const IniFile& ini) override;
};

#define HX_MENUITEM_KEYS(X)                                                                  \
  X(INT, itemleftoffset, 0) X(INT, itemrightoffset, 0) X(RC, dividerrect, Rect{})            \
  X(INT, dividerleftoffset, 0) X(INT, dividerrightoffset, 0) X(RC, textrect, Rect{})         \
  X(RC, imagerect, Rect{}) HX_FONT_KEYS(X) X(COL, activefontcolor, 0)                        \
  X(COL, unenabledfontcolor, 0) X(FLAG, stretcheffect, false)                                \
  X(FLAG, inactivestretcheffect, false) X(FLAG, dividerstretcheffect, false)                 \
  X(RC, animateskinrect, Rect{}) X(INT, framecount, 0) X(INT, animateinterval, 25)           \
  X(FLAG, inactiveanimation, false) X(FLAG, useimagecolor, false) X(COL, imagecolor, 0)      \
  X(COL, activeimagecolor, 0) X(FLAG, inactivetransparent, false)                            \
  X(RC, checkimagerect, Rect{}) X(RC, activecheckimagerect, Rect{})                          \
  X(RC, radioimagerect, Rect{}) X(RC, activeradioimagerect, Rect{})                          \
  X(RC, arrowimagerect, Rect{}) X(RC, activearrowimagerect, Rect{})
class TbsDataSkinMenuItem : public TbsDataSkinObject {
 public:
  using TbsDataSkinObject::TbsDataSkinObject;
  HX_KEYS(HX_MENUITEM_KEYS, TbsDataSkinObject)
};

#define HX_MAINMENUITEM_KEYS(X)                                                              \
  X(INT, itemleftoffset, 0) X(INT, itemrightoffset, 0) X(RC, downrect, Rect{})               \
  X(RC, textrect, Rect{}) HX_FONT_KEYS(X) X(COL, activefontcolor, 0)                         \
  X(COL, downfontcolor, 0) X(COL, unenabledfontColor, 0) X(FLAG, stretcheffect, false)       \
  X(RC, animateskinrect, Rect{}) X(INT, framecount, 0) X(INT, animateinterval, 25)           \
  X(FLAG, inactiveanimation, false)
class TbsDataSkinMainMenuItem : public TbsDataSkinObject {
 public:
  using TbsDataSkinObject::TbsDataSkinObject;
  HX_KEYS(HX_MAINMENUITEM_KEYS, TbsDataSkinObject)
};
class TbsDataSkinMainMenuBarItem : public TbsDataSkinMainMenuItem {
 public:
  using TbsDataSkinMainMenuItem::TbsDataSkinMainMenuItem;
};

// ---- section members and [FORMINFO]

// A plain record of keys read from one fixed section.
class TbsSectionData {
 public:
  virtual ~TbsSectionData() = default;
  virtual const char* SectionName() const = 0;
  virtual void VisitKeys(KeyVisitor& v) {}
  void LoadFromFile(const IniFile& ini);
  void SaveToFile(IniFile& ini);
  void Reset();
};

#define HX_HINTWINDOW_KEYS(X)                                                                \
  X(PIC, windowpictureindex, -1) X(PIC, maskpictureindex, -1) HX_CORNER_KEYS(X)              \
  X(RC, clientrect, Rect{}) HX_FONT_KEYS(X) HX_STRETCH_KEYS(X)
class TbsDataSkinHintWindow : public TbsSectionData {
 public:
  const char* SectionName() const override { return "HINTWINDOW"; }
  HX_KEYS(HX_HINTWINDOW_KEYS, TbsSectionData)
};

#define HX_POPUPWINDOW_KEYS(X)                                                               \
  X(PIC, windowpictureindex, -1) X(PIC, maskpictureindex, -1) HX_CORNER_KEYS(X)              \
  X(RC, itemsrect, Rect{}) X(COL, scrollmarkercolor, 0) X(COL, scrollmarkeractivecolor, 0)   \
  HX_STRETCH_KEYS(X)
class TbsDataSkinPopupWindow : public TbsSectionData {
 public:
  const char* SectionName() const override { return "POPUPWINDOW"; }
  HX_KEYS(HX_POPUPWINDOW_KEYS, TbsSectionData)
};

#define HX_HITTEST_KEYS(X)                                                                   \
  X(PT, hittestlefttoppoint, Point{}) X(PT, hittestrighttoppoint, Point{})                   \
  X(PT, hittestleftbottompoint, Point{}) X(PT, hittestrightbottompoint, Point{})
#define HX_LAYERFRAME_KEYS(X)                                                                \
  X(PIC, pictureindex, -1) X(PIC, maskpictureindex, -1) X(PIC, inactivepictureindex, -1)     \
  X(PIC, inactivemaskpictureindex, -1) HX_CORNER_KEYS(X) X(RC, clientrect, Rect{})           \
  X(INT, alphablendvalue, 255) X(INT, inactivealphablendvalue, 255) X(RC, borderrect, Rect{}) \
  X(FLAG, hittestenable, false) X(FLAG, fullborder, false) X(INT, hittestsize, 0)            \
  X(RC, captionrect, Rect{}) HX_HITTEST_KEYS(X) X(RC, buttonsrect, Rect{})                   \
  X(RC, sysmenubuttonrect, Rect{}) X(FLAG, fullstretch, false) X(INT, rollupformheight, 0)   \
  X(INT, buttonstopoffset, 0) X(INT, sysbuttontopoffset, 0) X(PIC, blurmaskpictureindex, -1) \
  X(RC, intersectblurmaskrect, Rect{}) X(RC, excludeblurmaskrect, Rect{})                    \
  X(INT, leftoffset, 0) X(INT, topoffset, 0) X(INT, widthoffset, 0) X(INT, heightoffset, 0)
class TbsDataSkinLayerFrame : public TbsSectionData {
 public:
  const char* SectionName() const override { return "LAYERFRAME"; }
  HX_KEYS(HX_LAYERFRAME_KEYS, TbsSectionData)
  // The prepared layer images (see TbsSkinData); empty when the indexes address no pictures.
  AlphaImage ActiveImage, InActiveImage;
};

// System colours are FF000000 + n.
#define HX_SKINCOLORS_KEYS(X)                                                                \
  X(COL, cbtnface, 0xFF00000Fu) X(COL, cbtntext, 0xFF000012u) X(COL, cwindow, 0xFF000005u)   \
  X(COL, cwindowtext, 0xFF000008u) X(COL, chighlight, 0xFF00000Du)                           \
  X(COL, chighlighttext, 0xFF00000Eu) X(COL, cbtnhighlight, 0xFF000014u)                     \
  X(COL, cbtnshadow, 0xFF000010u)
class TbsSkinColors : public TbsSectionData {
 public:
  const char* SectionName() const override { return "SKINCOLORS"; }
  HX_KEYS(HX_SKINCOLORS_KEYS, TbsSectionData)
};

#define HX_FORMINFO_KEYS(X)                                                                  \
  HX_CORNER_KEYS(X) X(RC, clientrect, Rect{}) X(PIC, bgpictureindex, -1)                     \
  X(PIC, mdibgpictureindex, -1) X(FLAG, leftstretch, false) X(FLAG, rightstretch, false)     \
  X(FLAG, topstretch, false) X(FLAG, bottomstretch, false) X(FLAG, stretcheffect, false)     \
  X(ST, stretchtype, bsstFull) X(FLAG, mdibgstretcheffect, false)                            \
  X(ST, mdibgstretchtype, bsstFull) X(RC, maskrectarea, Rect{}) HX_HITTEST_KEYS(X)           \
  X(RC, buttonsrect, Rect{}) X(RC, captionrect, Rect{}) X(INT, buttonsoffset, 0)             \
  X(FLAG, buttonsinleft, false) X(FLAG, mainmenupopupup, false) X(INT, borderwidth, 0)       \
  X(INT, formminwidth, 0) X(INT, formminheight, 0) X(FLAG, mditabstransparent, false)        \
  X(FLAG, mainmenubartransparent, false) X(FLAG, autorenderinginactiveimage, false)          \
  X(IE, inactiveeffect, ieBrightness)
// [FORMINFO] as read (the skin data applies its corrections after reading).
class TbsFormInfoData : public TbsSectionData {
 public:
  const char* SectionName() const override { return "FORMINFO"; }
  HX_KEYS(HX_FORMINFO_KEYS, TbsSectionData)
};

// ---- factories: nullptr for a class word not in the tables (compared exactly)
std::unique_ptr<TbsDataSkinObject> CreateSkinObjectData(const std::string& class_word, const std::string& id);
std::unique_ptr<TbsDataSkinControl> CreateSkinControlData(const std::string& class_word, const std::string& id);
// Every class word of each table.
const std::vector<std::string>& SkinObjectClassWords();
const std::vector<std::string>& SkinControlClassWords();

// An entry of [SKINOBJECTS] or [SKINCONTROLS]: the section that holds the data and its class word.
struct ListedSection {
  std::string id;
  std::string class_word;
};
// The entries "0" ... count-1 of such a list, written "id:class word", in order. An entry without
// a colon is skipped; a count past the numbered keys the list has is cut there.
std::vector<ListedSection> ReadListedSections(const IniFile& ini, const std::string& list);

// Every key in the skin's sections that does not parse as its kind, as "section.key=value (kind)".
std::vector<std::string> FindUnparsableKeys(const IniFile& ini);

}  // namespace skin
