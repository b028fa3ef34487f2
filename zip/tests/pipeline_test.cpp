// Extraction with the writer thread: the host sees the same events in the same order as a run
// that writes each file in turn, a cancel stops within one block, and a failed write is reported
// for its own entry with nothing left open.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>

#include "platform/fs.h"
#include "test_support.h"
#include "zip/unzipper.h"

namespace zip {
namespace {

namespace fs = std::filesystem;
using zip_test::EntryDef;
using zip_test::ReadFile;
using zip_test::TempDir;
using zip_test::WriteFile;
using zip_test::ZipBuilder;

// Every event of a run, percentages included, as one sequence.
struct EventLog {
  std::vector<std::string> lines;
  void Attach(TUnZipper& u) {
    u.OnStartUnZipInfo = [this](TUnZipper*, int n, int64_t bytes, bool&) {
      lines.push_back("info " + std::to_string(n) + " " + std::to_string(bytes));
    };
    u.OnStartUnZip = [this](TUnZipper* z, int i, std::string&, bool&) { lines.push_back("start " + z->Entry(i).Path()); };
    u.OnEndUnZip = [this](TUnZipper* z, int i, const std::string&) { lines.push_back("end " + z->Entry(i).Path()); };
    u.OnBadCRC = [this](TUnZipper* z, uint32_t, uint32_t, int i) { lines.push_back("badcrc " + z->Entry(i).Path()); };
    u.OnSkippingFile = [this](TUnZipper*, TSkipReason r, const std::string& name, int, bool&) {
      lines.push_back("skip " + std::to_string(r) + " " + name);
    };
    u.OnFilePercentDone = [this](TUnZipper*, int p) { lines.push_back("file " + std::to_string(p)); };
    u.OnTotalPercentDone = [this](TUnZipper*, int p) { lines.push_back("total " + std::to_string(p)); };
    u.OnUnZipComplete = [this](TUnZipper*, int n) { lines.push_back("complete " + std::to_string(n)); };
    u.OnHandleMessage = [this](TUnZipper*, int id, const std::string&, const std::string&, uint32_t, int& answer) {
      lines.push_back("message " + std::to_string(id));
      answer = 1;
    };
  }
  size_t Count(const std::string& prefix) const {
    return static_cast<size_t>(std::count_if(lines.begin(), lines.end(),
                                             [&](const std::string& l) { return l.rfind(prefix, 0) == 0; }));
  }
};

std::string Pattern(size_t n, int seed) {
  std::string s(n, '\0');
  for (size_t i = 0; i < n; ++i) s[i] = static_cast<char>('a' + (i * 7 + i / 97 + seed) % 23);
  return s;
}

#ifndef _WIN32
// What this process holds open below `dir` (a library's own descriptors elsewhere do not count).
std::vector<std::string> OpenFilesUnder(const fs::path& dir) {
  const std::string prefix = fs::canonical(dir).string() + "/";
  std::vector<std::string> open;
  std::error_code error;
  for (const auto& e : fs::directory_iterator("/proc/self/fd")) {
    const fs::path target = fs::read_symlink(e.path(), error);
    if (!error && target.string().rfind(prefix, 0) == 0) open.push_back(target.string());
  }
  return open;
}
#endif

class Pipeline : public testing::Test {
 protected:
  void Prepare(ZipBuilder& b) {
    WriteFile(dir_ / "a.zip", b.Build());
    u_.SetZipName(dir_.Engine("a.zip"));
    u_.SetDestDir(dir_.Engine("out"));
    u_.SetDoAll(true);
    u_.SetRecreateDirs(true);
    u_.SetOverwriteMode(Always);
    log_.Attach(u_);
  }
  std::string Out(const std::string& relative) const { return ReadFile(dir_ / "out" / relative); }

  TempDir dir_;
  TUnZipper u_;
  EventLog log_;
};

TEST_F(Pipeline, MixedMethodsKeepTheirEventsInOrder) {
  ZipBuilder b;
  b.Add(EntryDef{"sub/", ""});
  b.Add(EntryDef{"sub/stored.bin", Pattern(70000, 1)});
  b.Add(EntryDef{"sub/deflated.txt", Pattern(70000, 2), 8});
  EntryDef streamed{"streamed.txt", Pattern(40000, 3), 8};
  streamed.flags = 8;  // sizes after the data: decoded block by block
  b.Add(streamed);
  EntryDef secret{"secret.txt", Pattern(1000, 4), 8};
  secret.password = "pw";
  b.Add(secret);
  b.Add(EntryDef{"empty.txt", ""});
  EntryDef bad{"badcrc.txt", "0123456789"};
  bad.crc = 0x1234;
  b.Add(bad);
  b.Add(EntryDef{"method98.bin", "0123456789", 98});
  b.Add(EntryDef{"last.txt", "fifth", 8});
  Prepare(b);
  u_.Password = "pw";

  EXPECT_EQ(u_.UnZipSelected(), 7);
  EXPECT_EQ(log_.lines, (std::vector<std::string>{
                            "info 9 181025",
                            "start sub\\stored.bin", "file 47", "total 18", "file 94", "total 36", "file 100",
                            "total 39", "end sub\\stored.bin",
                            "start sub\\deflated.txt", "file 47", "total 57", "file 94", "total 75", "file 100",
                            "total 77", "end sub\\deflated.txt",
                            "start streamed.txt", "file 82", "total 95", "file 100", "total 99", "end streamed.txt",
                            "start secret.txt", "file 100", "total 100", "end secret.txt",
                            "start empty.txt", "end empty.txt",
                            "start badcrc.txt", "file 100", "total 100", "badcrc badcrc.txt",
                            "start method98.bin", "message 197", "badcrc method98.bin",
                            "start last.txt", "file 100", "total 100", "end last.txt",
                            "complete 7"}));
  EXPECT_EQ(Out("sub/stored.bin"), Pattern(70000, 1));
  EXPECT_EQ(Out("sub/deflated.txt"), Pattern(70000, 2));
  EXPECT_EQ(Out("streamed.txt"), Pattern(40000, 3));
  EXPECT_EQ(Out("secret.txt"), Pattern(1000, 4));
  EXPECT_EQ(Out("empty.txt"), "");
  EXPECT_EQ(Out("last.txt"), "fifth");
  EXPECT_FALSE(fs::exists(dir_ / "out" / "badcrc.txt"));
  EXPECT_FALSE(fs::exists(dir_ / "out" / "method12.bin"));
  // The time is stamped by the writer once the file is closed, for every path a file takes.
  for (const char* name : {"sub/stored.bin", "sub/deflated.txt", "streamed.txt", "last.txt"})
    EXPECT_EQ(platform::GetFileDosTime(dir_.Engine("out\\" + std::string(name))), std::optional<uint32_t>(0x5A2B6000))
        << name;
}

// With flushing on, every file is flushed and closed behind the next ones: the run ends with the
// same files, times and attributes, and none of them still open.
TEST_F(Pipeline, FlushedFilesEndAsOthersAndClosed) {
  ZipBuilder b;
  for (int i = 0; i < 150; ++i) b.Add(EntryDef{"many/f" + std::to_string(i) + ".txt", Pattern(100 + i * 37, i), 8});
  b.Add(EntryDef{"large.bin", Pattern(3 << 20, 7), 8});
  EntryDef read_only{"read-only.txt", "kept", 0};
  read_only.external_attributes = 0x21;
  b.Add(read_only);
  Prepare(b);
  u_.SetRetainAttributes(true);
  u_.SetFlushFilesOnClose(true);
  EXPECT_EQ(u_.UnZipSelected(), 152);
#ifndef _WIN32
  u_.CloseArchive();
  EXPECT_EQ(OpenFilesUnder(dir_.Path()), std::vector<std::string>{});
#endif
  for (int i = 0; i < 150; ++i) {
    const std::string name = "many/f" + std::to_string(i) + ".txt";
    ASSERT_EQ(Out(name), Pattern(100 + i * 37, i)) << name;
    EXPECT_EQ(platform::GetFileDosTime(dir_.Engine("out\\many\\f" + std::to_string(i) + ".txt")),
              std::optional<uint32_t>(0x5A2B6000)) << name;
  }
  EXPECT_EQ(Out("large.bin"), Pattern(3 << 20, 7));
  EXPECT_EQ(Out("read-only.txt"), "kept");
  const auto attributes = platform::PathAttributes(dir_.Engine("out\\read-only.txt"));
  ASSERT_TRUE(attributes.has_value());
  EXPECT_TRUE(*attributes & platform::kAttrReadOnly);
  // No handle is left: on Windows a file still open could not be moved.
  std::error_code error;
  fs::rename(dir_ / "out" / "large.bin", dir_ / "out" / "moved.bin", error);
  EXPECT_FALSE(error) << error.message();
  fs::rename(dir_ / "out" / "many", dir_ / "out" / "moved", error);
  EXPECT_FALSE(error) << error.message();
}

// The files of coming entries are made ahead of their turn, on a thread of their own. Whatever the
// host does in between, the tree ends as if every file had been made in its own turn.
struct AheadCase {
  const char* name;
  std::vector<std::string> entries;  // entry names, each holding its own name as content
  std::function<void(TUnZipper&, EventLog&)> host;  // the host's part, after the log is attached
  std::vector<std::string> files;    // what the folder holds afterwards ("name=content")
  bool canceled = false;
};
void PrintTo(const AheadCase& c, std::ostream* os) { *os << c.name; }

// Chains a handler after the recording one.
void OnStart(TUnZipper& u, std::function<void(TUnZipper*, int, std::string&, bool&)> then) {
  u.OnStartUnZip = [record = u.OnStartUnZip, then](TUnZipper* z, int i, std::string& name, bool& skip) {
    record(z, i, name, skip);
    then(z, i, name, skip);
  };
}

const AheadCase kAheadCases[] = {
    {"skipped_by_the_host", {"a.txt", "b.txt", "c.txt"},
     [](TUnZipper& u, EventLog&) {
       OnStart(u, [](TUnZipper* z, int i, std::string&, bool& skip) { skip = z->Entry(i).FileName() == "b.txt"; });
     },
     {"a.txt=a.txt", "c.txt=c.txt"}},
    {"renamed_by_the_host", {"a.txt", "b.txt", "c.txt"},
     [](TUnZipper& u, EventLog&) {
       OnStart(u, [](TUnZipper* z, int i, std::string& name, bool&) {
         if (z->Entry(i).FileName() == "b.txt") name = name.substr(0, name.size() - 5) + "renamed.txt";
       });
     },
     {"a.txt=a.txt", "c.txt=c.txt", "renamed.txt=b.txt"}},
    {"canceled_after_the_first", {"a.txt", "b.txt", "c.txt", "d.txt"},
     [](TUnZipper& u, EventLog&) {
       u.OnEndUnZip = [record = u.OnEndUnZip](TUnZipper* z, int i, const std::string& name) {
         record(z, i, name);
         z->CancelRequested = true;
       };
     },
     {"a.txt=a.txt"}, true},
    {"a_later_file_where_a_folder_is_made", {"first.txt", "x/y.txt", "x"}, nullptr,
     {"first.txt=first.txt", "x/y.txt=x/y.txt"}},
    {"a_later_file_where_a_folder_entry_is", {"first.txt", "x/", "x"}, nullptr, {"first.txt=first.txt"}},
};

class MadeAhead : public Pipeline, public testing::WithParamInterface<AheadCase> {};

TEST_P(MadeAhead, LeavesTheTreeOfFilesMadeInTheirTurn) {
  const AheadCase& c = GetParam();
  ZipBuilder b;
  for (const std::string& name : c.entries)
    b.Add(EntryDef{name, name.back() == '/' ? "" : name, 8});
  Prepare(b);
  if (c.host) c.host(u_, log_);
  if (c.canceled)
    EXPECT_THROW(u_.UnZipSelected(), EUserCanceled);
  else
    u_.UnZipSelected();
  std::vector<std::string> found;
  for (const auto& e : fs::recursive_directory_iterator(dir_ / "out"))
    if (e.is_regular_file())
      found.push_back(fs::relative(e.path(), dir_ / "out").generic_string() + "=" + ReadFile(e.path()));
  std::sort(found.begin(), found.end());
  EXPECT_EQ(found, c.files);
}

INSTANTIATE_TEST_SUITE_P(Cases, MadeAhead, testing::ValuesIn(kAheadCases),
                         [](const testing::TestParamInfo<AheadCase>& info) { return std::string(info.param.name); });

// A file that exists before the run is never touched ahead of its entry's turn: the turn still
// asks whether to replace it, and a refusal leaves it as it was.
TEST_F(Pipeline, ExistingFileWaitsForItsTurn) {
  ZipBuilder b;
  for (const char* name : {"a.txt", "b.txt", "c.txt"}) b.Add(EntryDef{name, "new", 8});
  Prepare(b);
  fs::create_directories(dir_ / "out");
  WriteFile(dir_ / "out" / "c.txt", "old");
  u_.SetOverwriteMode(Prompt);
  std::vector<std::string> asked;
  u_.OnPromptForOverwrite = [&](TUnZipper*, bool& replace, int, std::string& name) {
    asked.push_back(name);
    replace = false;
  };
  EXPECT_EQ(u_.UnZipSelected(), 2);
  EXPECT_EQ(asked, std::vector<std::string>{dir_.Engine("out\\c.txt")});
  EXPECT_EQ(Out("a.txt"), "new");
  EXPECT_EQ(Out("c.txt"), "old");
}

// Entries decoded whole and entries decoded block by block take different roads to the writer.
struct Road {
  const char* name;
  uint16_t flags;
};
const Road kRoads[] = {{"whole", 0}, {"blockwise", 8}};
void PrintTo(const Road& road, std::ostream* os) { *os << road.name; }

class PipelineRoad : public Pipeline, public testing::WithParamInterface<Road> {
 protected:
  // first.txt, middle.bin (2 MiB, where things go wrong), after.txt.
  void PrepareThree() {
    ZipBuilder b;
    b.Add(EntryDef{"first.txt", "one", 8});
    EntryDef middle{"middle.bin", Pattern(2 << 20, 5), 8};
    middle.flags = GetParam().flags;
    b.Add(middle);
    b.Add(EntryDef{"after.txt", "new content", 8});
    Prepare(b);
    fs::create_directories(dir_ / "out");
    WriteFile(dir_ / "out" / "after.txt", "old content");
  }
  // The events that came after the first of `line`.
  std::vector<std::string> After(const std::string& line) const {
    auto at = std::find(log_.lines.begin(), log_.lines.end(), line);
    return at == log_.lines.end() ? std::vector<std::string>{} : std::vector<std::string>(at + 1, log_.lines.end());
  }
};

TEST_P(PipelineRoad, CancelTakesEffectWithinOneBlock) {
  PrepareThree();
  int blocks = 0;
  const auto record = u_.OnFilePercentDone;
  u_.OnFilePercentDone = [&](TUnZipper* z, int p) {
    record(z, p);
    if (++blocks == 4) z->CancelRequested = true;  // in the middle of middle.bin
  };
  EXPECT_THROW(u_.UnZipSelected(), EUserCanceled);
#ifndef _WIN32
  u_.CloseArchive();  // after an error it stays open until the next operation on it
  EXPECT_EQ(OpenFilesUnder(dir_.Path()), std::vector<std::string>{});
#endif
  // The request is seen before the next block: no further progress, no verdict, the run ends.
  EXPECT_EQ(After("start middle.bin"), (std::vector<std::string>{"file 2", "total 2", "file 3", "total 3", "file 5",
                                                                  "total 5", "complete 1"}));
  EXPECT_EQ(Out("first.txt"), "one");
  EXPECT_EQ(Out("after.txt"), "old content");
  EXPECT_FALSE(fs::exists(dir_ / "out" / "middle.bin"));
}

#ifndef _WIN32
TEST_P(PipelineRoad, WriteErrorIsReportedForItsEntryAndLeaksNothing) {
  PrepareThree();
  {
    zip_test::FileSizeLimit limit;
    std::string current;
    u_.OnStartUnZip = [&, record = u_.OnStartUnZip](TUnZipper* z, int i, std::string& name, bool& skip) {
      record(z, i, name, skip);
      current = z->Entry(i).FileName();
    };
    // middle.bin is already created at its full length: the limit stops its data only.
    u_.OnFilePercentDone = [&, record = u_.OnFilePercentDone](TUnZipper* z, int p) {
      record(z, p);
      if (current == "middle.bin") limit.Set(4096);
    };
    try {
      u_.UnZipSelected();
      FAIL() << "the write error went unnoticed";
    } catch (const ECantWriteUCF& e) {
      EXPECT_STREQ(e.what(), "middle.bin: Cant write uncompressed file");
    }
  }
  // Reported while middle.bin is the entry: it never ends, nothing after it starts, and what
  // was written of it is gone.
  EXPECT_EQ(log_.Count("start "), 2u);
  EXPECT_EQ(log_.Count("end "), 1u);
  EXPECT_EQ(log_.lines.back(), "complete 1");
  EXPECT_EQ(Out("first.txt"), "one");
  EXPECT_EQ(Out("after.txt"), "old content");
  EXPECT_FALSE(fs::exists(dir_ / "out" / "middle.bin"));
  // After an error the archive stays open until the next operation on it.
  u_.CloseArchive();
  EXPECT_EQ(OpenFilesUnder(dir_.Path()), std::vector<std::string>{});
}
#endif

INSTANTIATE_TEST_SUITE_P(Roads, PipelineRoad, testing::ValuesIn(kRoads),
                         [](const testing::TestParamInfo<Road>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace zip
