#include <gtest/gtest.h>

#include <numeric>
#include <vector>

#include "platform/exceptions.h"
#include "platform/stream.h"
#include "test_support.h"
#include "zip/streams.h"

namespace zip {
namespace {

using platform::SeekOrigin;

std::vector<uint8_t> Bytes(size_t n) {
  std::vector<uint8_t> v(n);
  std::iota(v.begin(), v.end(), 0);
  return v;
}

TEST(BufferStream, SeekFromEndIgnoresTheSignOfTheOffset) {
  platform::MemoryStream memory(Bytes(100));
  TS_BufferStream s(&memory, 16);
  EXPECT_EQ(s.Seek(-22, SeekOrigin::End), 78);
  EXPECT_EQ(s.Seek(22, SeekOrigin::End), 78);
  EXPECT_EQ(s.Seek(0, SeekOrigin::Current), 78);
}

TEST(BufferStream, InvalidOriginIsRefused) {
  platform::MemoryStream memory(Bytes(10));
  TS_BufferStream s(&memory, 16);
  try {
    s.Seek(0, static_cast<SeekOrigin>(7));
    FAIL();
  } catch (const platform::Exception& e) {
    EXPECT_STREQ(e.what(), "Invalid seek origin (7)");
  }
}

TEST(BufferStream, ReadNearTheEndDeliversWhatIsLeft) {
  platform::MemoryStream memory(Bytes(100));
  TS_BufferStream s(&memory, 16);
  s.Seek(95, SeekOrigin::Begin);
  uint8_t buf[10] = {};
  EXPECT_EQ(s.Read(buf, 10), 5);
  EXPECT_EQ(buf[0], 95);
  EXPECT_EQ(buf[4], 99);
  EXPECT_EQ(s.Read(buf, 10), 0);
}

// Reads of every size across buffer boundaries, mixed with seeks, must see the same bytes as the
// underlying stream.
TEST(BufferStream, ReadsAndSeeksMatchTheUnderlyingBytes) {
  const std::vector<uint8_t> data = Bytes(1000);
  for (int buffer_size : {1, 7, 16, 64, 4096}) {
    platform::MemoryStream memory(data);
    TS_BufferStream s(&memory, buffer_size);
    int64_t pos = 0;
    for (int step = 1; step < 40; ++step) {
      std::vector<uint8_t> got(static_cast<size_t>(step * 3));
      const int64_t n = s.Read(got.data(), static_cast<int64_t>(got.size()));
      ASSERT_EQ(n, std::min<int64_t>(static_cast<int64_t>(got.size()), 1000 - pos));
      for (int64_t i = 0; i < n; ++i) ASSERT_EQ(got[i], data[pos + i]) << buffer_size << " " << step;
      pos += n;
      if (step % 3 == 0) pos = s.Seek(-(step % 17), SeekOrigin::Current);
      if (step % 5 == 0) pos = s.Seek(step * 11 % 1000, SeekOrigin::Begin);
      ASSERT_EQ(s.Position(), pos);
    }
  }
}

TEST(BufferStream, WrittenBytesAreFlushedBeforeASeekAndReadBack) {
  platform::MemoryStream memory;
  {
    TS_BufferStream s(&memory, 16);
    const uint8_t out[3] = {'a', 'b', 'c'};
    EXPECT_EQ(s.Write(out, 3), 3);
    EXPECT_EQ(s.Size(), 3);
    EXPECT_EQ(s.Seek(0, SeekOrigin::Begin), 0);
    uint8_t in[3] = {};
    EXPECT_EQ(s.Read(in, 3), 3);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(in), 3), "abc");
    // Writing after reading goes where the reader stood, not behind the read-ahead.
    s.Seek(1, SeekOrigin::Begin);
    uint8_t one;
    s.Read(&one, 1);
    const uint8_t z = 'z';
    s.Write(&z, 1);
  }
  EXPECT_EQ(std::string(memory.Data().begin(), memory.Data().end()), "abz");
}

TEST(BufferStream, LargeWritesKeepTheirOrder) {
  platform::MemoryStream memory;
  const std::vector<uint8_t> data = Bytes(5000);
  {
    TS_BufferStream s(&memory, 64);
    s.Write(data.data(), 10);
    s.Write(data.data() + 10, 3000);
    s.Write(data.data() + 3010, 1990);
  }
  EXPECT_EQ(memory.Data(), data);
}

TEST(BufferStream, PutbackNeedsRoomBeforeTheReadPosition) {
  platform::MemoryStream memory(Bytes(50));
  TS_BufferStream s(&memory, 16);
  EXPECT_THROW(s.Putback(1), platform::EStreamError);
  uint8_t b;
  s.Read(&b, 1);
  s.Putback(200);
  s.Read(&b, 1);
  EXPECT_EQ(b, 200);
  // Right after a fill the read position is at the buffer start.
  s.Seek(16, SeekOrigin::Begin);
  EXPECT_TRUE(s.FillBuffer());
  try {
    s.Putback(1);
    FAIL();
  } catch (const platform::EStreamError& e) {
    EXPECT_STREQ(e.what(), "Putback overflow");
  }
}

TEST(FileStream, OpensCreatesAndSizesFiles) {
  zip_test::TempDir dir;
  const std::string name = dir.Engine("f.bin");
  {
    TLFNFileStream s(name, 8192, true, platform::FileMode::Create);
    EXPECT_TRUE(s.FlushOnDestroy());
    s.SetSize(70000);
    s.Seek(0, SeekOrigin::Begin);
    s.Write("xyz", 3);
  }
  const std::string content = zip_test::ReadFile(dir / "f.bin");
  ASSERT_EQ(content.size(), 70000u);
  EXPECT_EQ(content.substr(0, 3), "xyz");
  TLFNFileStream r(name, 8192, true, platform::FileMode::OpenRead);
  EXPECT_FALSE(r.FlushOnDestroy());
  EXPECT_EQ(r.Size(), 70000);
  try {
    TLFNFileStream missing(dir.Engine("none.zip"), 8192, false, platform::FileMode::OpenRead);
    FAIL();
  } catch (const platform::EFOpenError& e) {
    EXPECT_NE(std::string(e.what()).find("Cannot open file \""), std::string::npos);
    EXPECT_NE(std::string(e.what()).find("none.zip"), std::string::npos);
  }
}

}  // namespace
}  // namespace zip
