// The journal's text: what a run writes, the next run reads back, whatever stopped the first.
#include "launcher/update_journal.h"

#include <gtest/gtest.h>

namespace {

using launcher::JournalAwaitingMark;
using launcher::JournalMark;
using launcher::JournalRead;
using launcher::JournalRevertingMark;
using launcher::JournalText;
using launcher::ParseJournal;
using launcher::UpdateJournal;

UpdateJournal Sample() {
  UpdateJournal j;
  j.stamps = {{"", {0x10, 133000000000000000}}, {"sub dir\\deep", {0x12, -5}}};
  j.swaps = {"lib"};
  j.trees = {"new folder"};
  j.new_folders = {"old style"};
  j.files = {"App.exe", "sub dir\\deep\\a b.dll"};
  j.drops = {"plugins\\old one\\x.dll", "gone.txt"};
  j.removed_folders = {"plugins\\old one", "plugins"};
  return j;
}

void ExpectSame(const UpdateJournal& a, const UpdateJournal& b) {
  EXPECT_EQ(a.stamps, b.stamps);
  EXPECT_EQ(a.swaps, b.swaps);
  EXPECT_EQ(a.trees, b.trees);
  EXPECT_EQ(a.new_folders, b.new_folders);
  EXPECT_EQ(a.files, b.files);
  EXPECT_EQ(a.drops, b.drops);
  EXPECT_EQ(a.removed_folders, b.removed_folders);
}

TEST(UpdateJournal, ReadsBackWhatWasWrittenWithItsMark) {
  const std::string text = JournalText(Sample());
  EXPECT_TRUE(text.starts_with("HALVEX UPDATE JOURNAL 1\r\nSTAMP 10 133000000000000000 \r\n")) << text;
  struct Case {
    const char* name;
    std::string text;
    bool complete, committed, rolled_back;
    bool awaiting = false, reverting = false;
  };
  const std::string awaiting = text + JournalMark(true) + JournalAwaitingMark();
  const Case cases[] = {
      {"written", text, true, false, false},
      {"committed", text + JournalMark(true), true, true, false},
      {"rolled back", text + JournalMark(false), true, false, true},
      {"mark cut short", text + "COMMIT", true, false, false},
      {"awaiting confirmation", awaiting, true, true, false, true},
      {"reverting", awaiting + JournalRevertingMark(), true, true, false, true, true},
      {"reverted", awaiting + JournalRevertingMark() + JournalMark(false), true, true, true, true, true},
      {"revert mark cut short", awaiting + "REVERT", true, true, false, true, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const JournalRead read = ParseJournal(c.text);
    ExpectSame(read.journal, Sample());
    EXPECT_EQ(read.complete, c.complete);
    EXPECT_EQ(read.committed, c.committed);
    EXPECT_EQ(read.rolled_back, c.rolled_back);
    EXPECT_EQ(read.awaiting, c.awaiting);
    EXPECT_EQ(read.reverting, c.reverting);
  }
}

// Without the whole list nothing was moved: such a journal is never taken as complete.
TEST(UpdateJournal, ATextCutShortOrOfAnotherKindIsNotComplete) {
  const std::string text = JournalText(Sample());
  for (size_t cut = 0; cut < text.size(); ++cut) {
    const JournalRead read = ParseJournal(text.substr(0, cut));
    EXPECT_FALSE(read.complete) << cut;
    EXPECT_FALSE(read.committed) << cut;
  }
  EXPECT_FALSE(ParseJournal("HALVEX UPDATE JOURNAL 2\r\nEND\r\nCOMMITTED\r\n").complete);
  EXPECT_FALSE(ParseJournal("").complete);
  // A stamp line that does not parse is left out, the rest still counts.
  const JournalRead read = ParseJournal("HALVEX UPDATE JOURNAL 1\r\nSTAMP zz 1 x\r\nFILE a\r\nEND\r\n");
  EXPECT_TRUE(read.complete);
  EXPECT_TRUE(read.journal.stamps.empty());
  EXPECT_EQ(read.journal.files, std::vector<std::string>{"a"});
}

}  // namespace
