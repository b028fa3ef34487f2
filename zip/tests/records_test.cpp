#include <gtest/gtest.h>

#include "platform/stream.h"
#include "platform/text.h"
#include "test_support.h"
#include "zip/records.h"

namespace zip {
namespace {

using zip_test::Le16;
using zip_test::Le32;
using zip_test::Le64;

platform::MemoryStream Memory(const std::string& bytes) { return platform::MemoryStream(bytes.data(), bytes.size()); }

std::string CentralHeader(const std::string& name, const std::string& extra, uint32_t usize = 5,
                          uint32_t csize = 5, uint32_t offset = 0, uint16_t made_by = 20, uint16_t flags = 0,
                          uint16_t disk = 0) {
  return Le32(0x02014B50) + Le16(made_by) + Le16(20) + Le16(flags) + Le16(0) + Le32(0x5A2B6000) + Le32(0) +
         Le32(csize) + Le32(usize) + Le16(static_cast<uint16_t>(name.size())) +
         Le16(static_cast<uint16_t>(extra.size())) + Le16(0) + Le16(disk) + Le16(0) + Le32(0x20) + Le32(offset) +
         name + extra;
}

TZipHeaderInfo ReadCentral(const std::string& bytes, TOEMConvert mode = oemAlways) {
  platform::MemoryStream m = Memory(bytes);
  platform::Stream* s = &m;
  TZipHeaderInfo info;
  info.OemConvertMode = mode;
  EXPECT_TRUE(info.ReadCentralHeader(s));
  return info;
}

TEST(HeaderNames, SplitIntoFolderAndFileName) {
  struct Case {
    const char* stored;
    const char* dir;
    const char* file;
  } cases[] = {{"dir/sub/file.txt", "dir\\sub\\", "file.txt"},
               {"dir/", "dir\\", ""},
               {"plain.txt", "", "plain.txt"},
               {"C:x.txt", "C:\\", "x.txt"},
               {"a\\b.txt", "a\\", "b.txt"}};
  for (const Case& c : cases) {
    TZipHeaderInfo info = ReadCentral(CentralHeader(c.stored, ""));
    EXPECT_EQ(info.Directory(), c.dir) << c.stored;
    EXPECT_EQ(info.FileName(), c.file) << c.stored;
  }
  EXPECT_EQ(ReadCentral(CentralHeader("dir/sub/file.txt", "")).FileNameLength, 16);
}

TEST(HeaderNames, ConvertFromTheCodePageTheRulesName) {
  platform::OverrideCodePages(437, 1252);
  const std::string stored = "\x82t\x82.txt";  // cp437: é ; cp1252: ‚
  EXPECT_EQ(ReadCentral(CentralHeader(stored, ""), oemAlways).FileName(), "\xC3\xA9t\xC3\xA9.txt");
  EXPECT_EQ(ReadCentral(CentralHeader(stored, ""), oemNever).FileName(), "\xE2\x80\x9At\xE2\x80\x9A.txt");
  // Flexible: version made by with 0x0B00 set (NTFS) is taken as ANSI.
  EXPECT_EQ(ReadCentral(CentralHeader(stored, "", 5, 5, 0, 0x0B14), oemFlexible).FileName(),
            "\xE2\x80\x9At\xE2\x80\x9A.txt");
  // Bit 11: the stored bytes already are UTF-8.
  EXPECT_EQ(ReadCentral(CentralHeader("\xC3\xA9.txt", "", 5, 5, 0, 20, 0x0800)).FileName(), "\xC3\xA9.txt");
  platform::OverrideCodePages(0, 0);
}

TEST(HeaderNames, UnicodePathFieldCountsOnlyWhileItsChecksumMatches) {
  const std::string stored = "e.txt";
  const std::string utf8 = "\xC3\xA9.txt";
  const std::string good = Le16(0x7075) + Le16(static_cast<uint16_t>(5 + utf8.size())) + "\x01" +
                           Le32(zip_test::Crc32(stored)) + utf8;
  const std::string stale = Le16(0x7075) + Le16(static_cast<uint16_t>(5 + utf8.size())) + "\x01" +
                            Le32(zip_test::Crc32("other")) + utf8;
  EXPECT_EQ(ReadCentral(CentralHeader(stored, good)).FileName(), utf8);
  EXPECT_EQ(ReadCentral(CentralHeader(stored, stale)).FileName(), stored);
}

TEST(ExtraField, Zip64ValuesOnlyForMarkedFields) {
  // Only the uncompressed size is marked: the block carries those 8 bytes; a further block is walked.
  const std::string extra = Le16(0x0001) + Le16(8) + Le64(0x123456789ull) + Le16(0x5455) + Le16(1) + "\x01";
  TZipHeaderInfo info = ReadCentral(CentralHeader("big", extra, 0xFFFFFFFF, 77));
  EXPECT_EQ(info.UncompressedSize(), 0x123456789ull);
  EXPECT_EQ(info.CompressedSize(), 77u);
  // All four marked.
  const std::string all = Le16(0x0001) + Le16(28) + Le64(1ull << 33) + Le64(1ull << 34) + Le64(1ull << 35) + Le32(7);
  TZipHeaderInfo full = ReadCentral(CentralHeader("all", all, 0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF, 20, 0, 0xFFFF));
  EXPECT_EQ(full.UncompressedSize(), 1ull << 33);
  EXPECT_EQ(full.CompressedSize(), 1ull << 34);
  EXPECT_EQ(full.RelativeOffset(), 1ull << 35);
  EXPECT_EQ(full.DiskNumberStart(), 7u);
}

TEST(ExtraField, BlocksReachingPastTheFieldAreNotRead) {
  struct Case {
    const char* what;
    std::string extra;
  } cases[] = {
      {"block header cut", Le16(0x0001) + Le16(8).substr(0, 1)},
      {"data longer than the field", Le16(0x0001) + Le16(200) + Le64(5)},
      {"zip64 block shorter than its values", Le16(0x0001) + Le16(4) + Le32(9)},
  };
  for (const Case& c : cases) {
    TZipHeaderInfo info = ReadCentral(CentralHeader("x", c.extra, 0xFFFFFFFF, 3));
    // The marker stays the value when the field gives no 64-bit value.
    EXPECT_EQ(info.UncompressedSize(), 0xFFFFFFFFu) << c.what;
  }
}

TEST(CentralHeader, ShortOrForeignBytesLeaveTheStreamWhereItWas) {
  const std::string good = CentralHeader("name.txt", "");
  for (const std::string& bytes : {good.substr(0, 45), good.substr(0, 50), "PK\x03\x04" + good.substr(4)}) {
    platform::MemoryStream m = Memory("xx" + bytes);
    m.Seek(2, platform::SeekOrigin::Begin);
    platform::Stream* s = &m;
    TZipHeaderInfo info;
    EXPECT_FALSE(info.ReadCentralHeader(s));
    EXPECT_EQ(m.Position(), 2);
  }
}

TEST(CentralHeader, CallsForTheNextPartWhenTheHeaderIsCut) {
  const std::string header = CentralHeader("split.txt", "");
  platform::MemoryStream first = Memory(header.substr(0, 20));
  platform::MemoryStream second = Memory(header.substr(20));
  platform::Stream* s = &first;
  TZipHeaderInfo info;
  int calls = 0;
  EXPECT_TRUE(info.ReadCentralHeader(s, [&]() -> platform::Stream* {
    ++calls;
    return &second;
  }));
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(s, &second);
  EXPECT_EQ(info.FileName(), "split.txt");
}

TEST(LocalHeader, FillsTheLocalFields) {
  const std::string name = "d/f.bin";
  const std::string bytes = "junk" + Le32(0x04034B50) + Le16(20) + Le16(8) + Le16(8) + Le32(0x5A2B6000) +
                            Le32(0xDEADBEEF) + Le32(10) + Le32(20) + Le16(static_cast<uint16_t>(name.size())) +
                            Le16(4) + name + Le16(0x9999) + Le16(0);
  platform::MemoryStream m = Memory(bytes);
  m.Seek(4, platform::SeekOrigin::Begin);
  TZipHeaderInfo info;
  ASSERT_TRUE(info.ReadLocalHeader(m));
  EXPECT_EQ(info.RelativeOffset(), 4u);
  EXPECT_EQ(info.Directory(), "d\\");
  EXPECT_EQ(info.Crc32, 0xDEADBEEF);
  EXPECT_EQ(info.LocalExtraLength, 4);
  EXPECT_TRUE(info.HasDataDescriptor());
  EXPECT_EQ(info.VersionMadeBy, 0);
  EXPECT_EQ(m.Position(), 4 + 30 + static_cast<int64_t>(name.size()));
}

TEST(HeaderInfo, SettersUseZip64ValuesAboveThe32BitRange) {
  TZipHeaderInfo info;
  info.SetCompressedSize(0xFFFFFFFEull);
  EXPECT_EQ(info.CompressedSize32, 0xFFFFFFFEu);
  EXPECT_FALSE(info.Zip64Values);
  info.SetUncompressedSize(0x100000000ull);
  EXPECT_EQ(info.UncompressedSize32, 0xFFFFFFFFu);
  EXPECT_EQ(info.UncompressedSize(), 0x100000000ull);
  TZipHeaderInfo copy;
  copy.Assign(info);
  EXPECT_EQ(copy.UncompressedSize(), 0x100000000ull);
  info.ClearHeader();
  EXPECT_EQ(info.VersionMadeBy, 45);
  EXPECT_EQ(info.Crc32, 0xFFFFFFFFu);
  EXPECT_EQ(info.ExternalAttributes, 0x20u);
  EXPECT_EQ(info.CompressionMethod, 8);
}

class FindEndRecordTest : public testing::Test {
 protected:
  static bool Find(const std::string& bytes, TEndCentral& end) {
    platform::MemoryStream m = Memory(bytes);
    return end.FindEndRecord(m);
  }
};

TEST_F(FindEndRecordTest, EmptyFileIsAnArchiveWithoutEntriesAndShortFilesAreNot) {
  TEndCentral end;
  EXPECT_TRUE(Find("", end));
  EXPECT_EQ(end.TotalEntries(), 0u);
  const std::string record = zip_test::EndRecord(0, 0, 0);
  for (size_t n = 1; n <= 21; ++n) EXPECT_FALSE(Find(record.substr(0, n), end)) << n;
  EXPECT_TRUE(Find(record, end));
}

TEST_F(FindEndRecordTest, TheRecordNearestTheEndWins) {
  const std::string inner = zip_test::EndRecord(1, 46, 100);
  const std::string outer = zip_test::EndRecord(2, 92, 200, inner);
  TEndCentral end;
  ASSERT_TRUE(Find(std::string(50, 'x') + outer, end));
  // The inner record lies inside the comment, before the outer one: the outer one is last.
  EXPECT_EQ(end.TotalEntries(), 1u);
  EXPECT_EQ(end.CentralOffset(), 100u);
  ASSERT_TRUE(Find(zip_test::EndRecord(2, 92, 200, "plain"), end));
  EXPECT_EQ(end.TotalEntries(), 2u);
  EXPECT_EQ(end.CommentPosition, 22u);
}

TEST_F(FindEndRecordTest, LongestCommentIsInsideTheWindow) {
  TEndCentral end;
  ASSERT_TRUE(Find(zip_test::EndRecord(0, 0, 0, std::string(65535, 'c')), end));
  EXPECT_EQ(end.ArchiveCommentLength, 65535);
  EXPECT_FALSE(Find(zip_test::EndRecord(0, 0, 0, std::string(65535, 'c')) + "z", end));
}

TEST_F(FindEndRecordTest, Zip64RecordsReplaceMarkedFields) {
  const std::string z64 = Le32(0x06064B50) + Le64(44) + Le16(45) + Le16(45) + Le32(0) + Le32(0) + Le64(70000) +
                          Le64(70000) + Le64(1000) + Le64(0x100000000ull);
  const std::string locator = Le32(0x07064B50) + Le32(0) + Le64(0) + Le32(1);
  const std::string end_record = Le32(0x06054B50) + Le16(0) + Le16(0) + Le16(0xFFFF) + Le16(0xFFFF) +
                                 Le32(0xFFFFFFFF) + Le32(0xFFFFFFFF) + Le16(0);
  TEndCentral end;
  ASSERT_TRUE(Find(z64 + locator + end_record, end));
  EXPECT_EQ(end.TotalEntries(), 70000u);
  EXPECT_EQ(end.CentralOffset(), 0x100000000ull);
  // A locator pointing at something else is ignored: the marker values stay.
  ASSERT_TRUE(Find(std::string(56, 'x') + locator + end_record, end));
  EXPECT_FALSE(end.Zip64End);
  EXPECT_EQ(end.TotalEntries(), 0xFFFFu);
}

TEST(EndCentral, SettersMoveLargeValuesIntoTheZip64Record) {
  TEndCentral end;
  end.SetTotalEntries(10);
  EXPECT_FALSE(end.Zip64End);
  end.SetTotalEntries(0x10000);
  EXPECT_EQ(end.TotalEntries16, 0xFFFF);
  EXPECT_EQ(end.TotalEntries(), 0x10000u);
  end.SetTotalEntries(5);  // an existing zip64 record follows too
  EXPECT_EQ(end.Zip64End->total_entries, 5u);
  end.SetCentralOffset(0x1FFFFFFFFull);
  EXPECT_EQ(end.CentralOffset(), 0x1FFFFFFFFull);
  end.ClearEnd();
  EXPECT_TRUE(end.Zip64End);  // kept by ClearEnd
  EXPECT_EQ(end.TotalEntries(), 0u);
}

}  // namespace
}  // namespace zip
