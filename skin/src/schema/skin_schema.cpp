#include <algorithm>
#include <functional>

#include "skin/skin_schema.h"

namespace skin {
namespace {

// The restore hint a caption button gets when its section names none.
void FillRestoreHint(std::string& restorehint, const std::string& hint, TbsStdCommand command) {
  if (!restorehint.empty()) return;
  if ((hint == "Maximize" && command == cmMaximize) || (hint == "Minimize" && command == cmMinimize) ||
      ((hint == "RollUp" || hint == "Roll Up") && command == cmRollUp))
    restorehint = "Restore";
}

template <typename T>
using Factory = std::unique_ptr<T> (*)(const std::string&);

template <typename Base, typename T>
std::unique_ptr<Base> Make(const std::string& id) {
  return std::make_unique<T>(id);
}

struct ObjectClass {
  const char* word;
  Factory<TbsDataSkinObject> make;
};
struct ControlClass {
  const char* word;
  Factory<TbsDataSkinControl> make;
};

const ObjectClass kObjectClasses[] = {
    {"menuitem", Make<TbsDataSkinObject, TbsDataSkinMenuItem>},
    {"mainmenubaritem", Make<TbsDataSkinObject, TbsDataSkinMainMenuBarItem>},
    {"stdbutton", Make<TbsDataSkinObject, TbsDataSkinStdButton>},
    {"mainmenubarbutton", Make<TbsDataSkinObject, TbsDataSkinMainMenuBarButton>},
    {"button", Make<TbsDataSkinObject, TbsDataSkinButton>},
    {"caption", Make<TbsDataSkinObject, TbsDataSkinCaption>},
    {"animate", Make<TbsDataSkinObject, TbsDataSkinAnimate>},
    {"userobject", Make<TbsDataSkinObject, TbsDataUserObject>},
};

const ControlClass kControlClasses[] = {
    {"panel", Make<TbsDataSkinControl, TbsDataSkinPanelControl>},
    {"expanel", Make<TbsDataSkinControl, TbsDataSkinExPanelControl>},
    {"menubutton", Make<TbsDataSkinControl, TbsDataSkinMenuButtonControl>},
    {"button", Make<TbsDataSkinControl, TbsDataSkinButtonControl>},
    {"checkradio", Make<TbsDataSkinControl, TbsDataSkinCheckRadioControl>},
    {"gauge", Make<TbsDataSkinControl, TbsDataSkinGaugeControl>},
    {"splitter", Make<TbsDataSkinControl, TbsDataSkinSplitterControl>},
    {"trackbar", Make<TbsDataSkinControl, TbsDataSkinTrackBarControl>},
    {"label", Make<TbsDataSkinControl, TbsDataSkinLabelControl>},
    {"stdlabel", Make<TbsDataSkinControl, TbsDataSkinStdLabelControl>},
    {"updown", Make<TbsDataSkinControl, TbsDataSkinUpDownControl>},
    {"grid", Make<TbsDataSkinControl, TbsDataSkinGridControl>},
    {"tab", Make<TbsDataSkinControl, TbsDataSkinTabControl>},
    {"mainmenubar", Make<TbsDataSkinControl, TbsDataSkinMainMenuBar>},
    {"controlbar", Make<TbsDataSkinControl, TbsDataSkinControlBar>},
    {"appmenu", Make<TbsDataSkinControl, TbsDataSkinAppMenu>},
    {"memo", Make<TbsDataSkinControl, TbsDataSkinMemoControl>},
    {"edit", Make<TbsDataSkinControl, TbsDataSkinEditControl>},
    {"checklistbox", Make<TbsDataSkinControl, TbsDataSkinCheckListBox>},
    {"listbox", Make<TbsDataSkinControl, TbsDataSkinListBox>},
    {"combobox", Make<TbsDataSkinControl, TbsDataSkinComboBox>},
    {"scrollbar", Make<TbsDataSkinControl, TbsDataSkinScrollBarControl>},
    {"spinedit", Make<TbsDataSkinControl, TbsDataSkinSpinEditControl>},
    {"scrollbox", Make<TbsDataSkinControl, TbsDataSkinScrollBoxControl>},
    {"treeview", Make<TbsDataSkinControl, TbsDataSkinTreeView>},
    {"bevel", Make<TbsDataSkinControl, TbsDataSkinBevel>},
    {"slider", Make<TbsDataSkinControl, TbsDataSkinSlider>},
    {"listview", Make<TbsDataSkinControl, TbsDataSkinListView>},
    {"richedit", Make<TbsDataSkinControl, TbsDataSkinRichEdit>},
};

}  // namespace

void TbsDataSkinControl::LoadFromFile(const IniFile& ini) {
  LoadKeys(ini, IDName, [this](KeyVisitor& v) { VisitKeys(v); });
}

void TbsDataSkinControl::SaveToFile(IniFile& ini) {
  SaveKeys(ini, IDName, [this](KeyVisitor& v) { VisitKeys(v); });
}

void TbsDataSkinObject::LoadFromFile(const IniFile& ini) {
  LoadKeys(ini, IDName, [this](KeyVisitor& v) { VisitKeys(v); });
}

void TbsDataSkinObject::SaveToFile(IniFile& ini) {
  SaveKeys(ini, IDName, [this](KeyVisitor& v) { VisitKeys(v); });
}

void TbsDataSkinStdButton::LoadFromFile(const IniFile& ini) {
  TbsDataSkinButton::LoadFromFile(ini);
  FillRestoreHint(restorehint, hint, command);
}

void TbsDataSkinAnimate::LoadFromFile(const IniFile& ini) {
  TbsDataSkinObject::LoadFromFile(ini);
  FillRestoreHint(restorehint, hint, command);
}

void TbsSectionData::LoadFromFile(const IniFile& ini) {
  LoadKeys(ini, SectionName(), [this](KeyVisitor& v) { VisitKeys(v); });
}

void TbsSectionData::SaveToFile(IniFile& ini) {
  SaveKeys(ini, SectionName(), [this](KeyVisitor& v) { VisitKeys(v); });
}

void TbsSectionData::Reset() {
  ResetKeys([this](KeyVisitor& v) { VisitKeys(v); });
}

std::unique_ptr<TbsDataSkinObject> CreateSkinObjectData(const std::string& class_word, const std::string& id) {
  for (const ObjectClass& c : kObjectClasses)
    if (class_word == c.word) return c.make(id);
  return nullptr;
}

std::unique_ptr<TbsDataSkinControl> CreateSkinControlData(const std::string& class_word, const std::string& id) {
  for (const ControlClass& c : kControlClasses)
    if (class_word == c.word) return c.make(id);
  return nullptr;
}

const std::vector<std::string>& SkinObjectClassWords() {
  static const std::vector<std::string> words = [] {
    std::vector<std::string> w;
    for (const ObjectClass& c : kObjectClasses) w.push_back(c.word);
    return w;
  }();
  return words;
}

const std::vector<std::string>& SkinControlClassWords() {
  static const std::vector<std::string> words = [] {
    std::vector<std::string> w;
    for (const ControlClass& c : kControlClasses) w.push_back(c.word);
    return w;
  }();
  return words;
}

std::vector<ListedSection> ReadListedSections(const IniFile& ini, const std::string& list) {
  std::vector<ListedSection> sections;
  const int count = std::min(ReadIniInteger(ini, list, "count", 0), NumberedKeyLimit(ini, list));
  for (int i = 0; i < count; ++i) {
    const std::string entry = ini.ReadString(list, std::to_string(i), "");
    const size_t colon = entry.find(':');
    if (colon != std::string::npos) sections.push_back({entry.substr(0, colon), entry.substr(colon + 1)});
  }
  return sections;
}

std::vector<std::string> FindUnparsableKeys(const IniFile& ini) {
  std::vector<std::string> bad;
  TbsFormInfoData form;
  TbsDataSkinPopupWindow popup;
  TbsDataSkinLayerFrame layer;
  TbsDataSkinHintWindow hint;
  TbsSkinColors colors;
  for (TbsSectionData* s : std::initializer_list<TbsSectionData*>{&form, &popup, &layer, &hint, &colors})
    CheckKeys(ini, s->SectionName(), [s](KeyVisitor& v) { s->VisitKeys(v); }, bad);
  for (const bool objects : {true, false}) {
    for (const auto& [id, word] : ReadListedSections(ini, objects ? "SKINOBJECTS" : "SKINCONTROLS")) {
      if (objects) {
        if (auto o = CreateSkinObjectData(word, id)) CheckKeys(ini, id, [&](KeyVisitor& v) { o->VisitKeys(v); }, bad);
      } else {
        if (auto c = CreateSkinControlData(word, id)) CheckKeys(ini, id, [&](KeyVisitor& v) { c->VisitKeys(v); }, bad);
      }
    }
  }
  return bad;
}

}  // namespace skin
