// The entry reader over parts held in memory: the part an entry starts in is opened before its
// local header is read, data runs on into the parts that follow, and a read that cannot be
// completed ends with the engine's error instead of short data.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "entry_reader.h"
#include "zip/errors.h"

namespace zip {
namespace {

class MemoryParts : public ArchiveParts {
 public:
  MemoryParts(std::vector<std::string> parts, bool spanned) : spanned_(spanned) {
    for (const std::string& p : parts) parts_.push_back(std::make_unique<platform::MemoryStream>(p.data(), p.size()));
  }
  platform::Stream* OpenedPart() override { return opened_ < parts_.size() ? parts_[opened_].get() : nullptr; }
  int OpenedPartIndex() const override { return static_cast<int>(opened_); }
  void OpenPart(int number) override {
    asked.push_back(number);
    // As the unzipper does when no file is found for the part and the user gives up.
    if (number < 1 || static_cast<size_t>(number) > parts_.size())
      throw EUserCanceled("User canceled loading new disk.");
    opened_ = static_cast<size_t>(number - 1);
    parts_[opened_]->Seek(0, platform::SeekOrigin::Begin);
  }
  bool Spanned() const override { return spanned_; }

  std::vector<int> asked;  // the part numbers asked for, in order

 private:
  std::vector<std::unique_ptr<platform::MemoryStream>> parts_;
  size_t opened_ = 0;
  bool spanned_;
};

// A local header (30 bytes, signature PK\3\4) with a name of `name_length` and an extra field of
// `extra_length` bytes, both filled with 'n'/'x', and `data` after them.
std::string LocalEntry(int name_length, int extra_length, const std::string& data, bool signature = true) {
  std::string h(30, '\0');
  if (signature) h.replace(0, 4, "PK\x03\x04", 4);
  h[26] = static_cast<char>(name_length);
  h[28] = static_cast<char>(extra_length);
  return h + std::string(name_length, 'n') + std::string(extra_length, 'x') + data;
}

std::string Read(EntryReader& reader, int64_t count) {
  std::string bytes(static_cast<size_t>(count), '\0');
  reader.ReadAcrossParts(reinterpret_cast<uint8_t*>(bytes.data()), count);
  return bytes;
}

TEST(EntryReader, DataRunsOnIntoTheFollowingParts) {
  MemoryParts parts({"abc", "defg", "hij"}, true);
  EntryReader reader(parts);
  ASSERT_TRUE(reader.Seek(1));
  EXPECT_EQ(Read(reader, 8), "bcdefghi");
  EXPECT_EQ(parts.asked, (std::vector<int>{2, 3}));
  EXPECT_EQ(Read(reader, 1), "j");
  // Past the last part the next one is asked for; the user's refusal ends the read.
  EXPECT_THROW(Read(reader, 1), EUserCanceled);
}

TEST(EntryReader, ASingleArchiveEndingTooSoonIsAPrematureEnd) {
  MemoryParts parts({"abc", "def"}, false);
  EntryReader reader(parts);
  try {
    Read(reader, 4);
    FAIL() << "no error";
  } catch (const EFatalUnzipError& e) {
    EXPECT_STREQ(e.what(), LoadMessage(kMsgPrematureEnd));
  }
  EXPECT_TRUE(parts.asked.empty());
}

TEST(EntryReader, SeekToDataOpensThePartTheEntryStartsIn) {
  MemoryParts parts({"first part", "pad" + LocalEntry(3, 2, "DATA")}, true);
  EntryReader reader(parts);
  TZipHeaderInfo entry;
  entry.DiskNumberStart16 = 1;
  entry.SetRelativeOffset(3);
  EXPECT_EQ(reader.SeekToData(entry), 3 + 30 + 3 + 2);
  EXPECT_EQ(parts.asked, (std::vector<int>{2}));
  EXPECT_EQ(Read(reader, 4), "DATA");
  // Already open: not asked for again.
  EXPECT_EQ(reader.SeekToData(entry), 38);
  EXPECT_EQ(parts.asked.size(), 1u);
}

TEST(EntryReader, SeekToDataRefusesWhatIsNoLocalHeader) {
  struct Case {
    const char* what;
    std::string archive;
    uint64_t offset;
    int message;
  } cases[] = {
      {"no signature", LocalEntry(1, 0, "d", false), 0, kMsgLocalHeaderMissing},
      {"header cut short", LocalEntry(1, 0, "").substr(0, 29), 0, kMsgPrematureEnd},
      {"offset past the end", LocalEntry(1, 0, "d"), 1000, kMsgPrematureEnd},
  };
  for (const Case& c : cases) {
    MemoryParts parts({c.archive}, false);
    EntryReader reader(parts);
    TZipHeaderInfo entry;
    entry.SetRelativeOffset(c.offset);
    try {
      reader.SeekToData(entry);
      ADD_FAILURE() << c.what << ": no error";
    } catch (const EZipException& e) {
      EXPECT_STREQ(e.what(), LoadMessage(c.message)) << c.what;
      EXPECT_EQ(c.message == kMsgLocalHeaderMissing, dynamic_cast<const EBadZipFile*>(&e) != nullptr) << c.what;
    }
  }
}

}  // namespace
}  // namespace zip
