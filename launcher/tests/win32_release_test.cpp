// Releases under Windows (Wine here), end to end: the vendor packs two release folders with
// halvex-pack.exe (signed with its key), the installation holds release 1.0 with its record and a
// file of the user's, and the launcher is started as the companion application starts it. The
// folder is compared file by file and folder by folder after every run.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "signature/keys.h"
#include "win32_update_run.h"

namespace {

using namespace e2e_test;

// A folder's files, each with its bytes when they are short text, else with their size and a hash:
// a difference is shown readably.
using Listing = std::vector<std::string>;

Listing ListingOf(const std::vector<std::pair<std::string, std::string>>& files) {
  Listing listing;
  for (const auto& [name, bytes] : files) {
    const bool text = bytes.size() <= 64 && std::all_of(bytes.begin(), bytes.end(), [](char c) { return c >= ' '; });
    const size_t hash = std::hash<std::string>{}(bytes);
    listing.push_back(name + ": " + (text ? "\"" + bytes + "\"" : std::to_string(bytes.size()) + " bytes, hash " + std::to_string(hash)));
  }
  std::sort(listing.begin(), listing.end());
  return listing;
}

// Bytes that do not deflate, so that a few changed bytes make a patch far smaller than the file.
std::string Noise(size_t size, uint32_t seed) {
  std::mt19937 random(seed);
  std::string bytes(size, '\0');
  for (char& c : bytes) c = static_cast<char>(random() & 0xFF);
  return bytes;
}

const std::string kEngine10 = Noise(256 * 1024, 10);

// Release 1.1's engine: a stretch rewritten in the middle, bytes inserted further on.
std::string Engine11() {
  std::string bytes = kEngine10;
  for (size_t i = 100000; i < 100300; ++i) bytes[i] = static_cast<char>(bytes[i] ^ 0x5A);
  bytes.insert(200000, "inserted in release 1.1");
  return bytes;
}

class ReleaseRun : public UpdateRun {
 protected:
  void SetUp() override {
    UpdateRun::SetUp();
    tools_ = root_ / "Vendor";
    fs::create_directories(tools_);
    fs::copy_file(HALVEX_PACK_EXE, tools_ / "halvex-pack.exe");
    WriteAll(tools_ / "vendor.key", signature::FormatSecretKeyFile(key_));
    // Release 1.0 and 1.1 as the vendor builds them: 1.1 renames gfx.dll to graphics.dll, drops
    // the legacy plug-in (its folder with it), changes the engine inside and the read-me.
    const std::string description = "EXE_FILENAME=App.exe\r\nPUBLIC_KEY=" + signature::FormatPublicKey(key_.Public()) + "\r\n";
    for (const fs::path& release : {Release10(), Release11()}) {
      fs::create_directories(release);
      fs::copy_file(HALVEX_STANDIN_EXE, release / "App.exe");
      WriteAll(release / "UPDATE" / "VER_INFO.INF", description);
      WriteAll(release / "data" / "table.dat", "a table both releases have");
      WriteAll(release / "plugins" / "net.dll", "the network plug-in");
    }
    WriteAll(Release10() / "readme.txt", "Acme 1.0");
    WriteAll(Release10() / "gfx.dll", "the graphics library");
    WriteAll(Release10() / "engine.dll", kEngine10);
    WriteAll(Release10() / "plugins" / "legacy" / "legacy.dll", "the legacy plug-in");
    WriteAll(Release10() / "plugins" / "legacy" / "res" / "strings.dat", "the legacy plug-in's strings");
    WriteAll(Release11() / "readme.txt", "Acme 1.1");
    WriteAll(Release11() / "graphics.dll", "the graphics library");
    WriteAll(Release11() / "engine.dll", Engine11());
    ASSERT_EQ(Pack(L"stamp --product Acme --version 1.0 " + Quoted(Release10())), 0u) << said_;
    ASSERT_EQ(Pack(L"stamp --product Acme --version 1.1 " + Quoted(Release11())), 0u) << said_;

    // Installed: release 1.0 with its record, and a file of the user's beside it.
    fs::remove_all(app_);
    fs::copy(Release10(), app_, fs::copy_options::recursive);
    WriteAll(app_ / "user.txt", "the user's own notes");
  }

  fs::path Release10() const { return root_ / "release-1.0"; }
  fs::path Release11() const { return root_ / "release-1.1"; }
  static std::wstring Quoted(const fs::path& p) { return L"\"" + p.wstring() + L"\""; }

  // Runs halvex-pack.exe with `arguments`; its exit code, what it said in said_.
  DWORD Pack(const std::wstring& arguments) {
    const fs::path said = tools_ / ("said" + std::to_string(++packs_) + ".txt");
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE out = ::CreateFileW(said.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS, 0, nullptr);
    std::wstring command = Quoted(tools_ / "halvex-pack.exe") + L" " + arguments;
    STARTUPINFOW si = {};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdOutput = out;
    si.hStdError = out;
    PROCESS_INFORMATION pi = {};
    DWORD code = 99;
    if (::CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr, tools_.c_str(),
                         &si, &pi)) {
      if (::WaitForSingleObject(pi.hProcess, 120000) != WAIT_OBJECT_0) ::TerminateProcess(pi.hProcess, 99);
      ::GetExitCodeProcess(pi.hProcess, &code);
      ::CloseHandle(pi.hProcess);
      ::CloseHandle(pi.hThread);
    }
    ::CloseHandle(out);
    said_ = ReadAll(said);
    return code;
  }

  // Packs an update into its own folder (`extra` the options before -o); the archive's path.
  fs::path Make(const std::string& name, const std::wstring& extra) {
    const fs::path archive = tools_ / name / "UPDATE.ZIP";
    fs::create_directories(archive.parent_path());
    EXPECT_EQ(Pack(L"make " + extra + L" --product Acme --key vendor.key -o " + Quoted(archive)), 0u) << said_;
    return archive;
  }
  fs::path Update11() { return Make("1.1", L"--old " + Quoted(Release10()) + L" --new " + Quoted(Release11()) + L" --version 1.1"); }

  // Puts the archive and its signature beside the launcher and runs it without a window; its
  // exit code.
  DWORD Apply(const fs::path& archive) {
    if (!fs::exists(archive)) {
      ADD_FAILURE() << "no archive was made";
      return STILL_ACTIVE;
    }
    for (const char* suffix : {"", ".SIG"}) {
      const fs::path copy = launcher_ / ("UPDATE.ZIP" + std::string(suffix));
      fs::remove(copy);
      fs::copy_file(archive.string() + suffix, copy);
    }
    fs::remove(app_ / "standin.log");
    StartLauncher({}, {}, L"/silent");
    if (!Exited(120000)) {
      ADD_FAILURE() << "the launcher did not finish";
      return STILL_ACTIVE;
    }
    const DWORD code = ExitCode();
    ForgetProcess();
    // Restarted whatever the outcome.
    EXPECT_TRUE(WaitFor([&] { return RestartLog() == "UPDATE_RUN\r\n"; }, 10000)) << RestartLog();
    return code;
  }

  // The application's folder without the run's own report and the restarted stand-in's log.
  Listing Installed() const {
    auto files = zip_test::Tree(app_);
    std::erase_if(files, [](const auto& item) {
      return item.first == "UPDATE/HalvexUpdate.log" || item.first == "UPDATE/UPDATE_RESULT.INF" ||
             item.first == "standin.log";
    });
    return ListingOf(files);
  }
  // A release folder as it must stand installed: its files, and the user's.
  static Listing InstalledFrom(const fs::path& release) {
    auto files = zip_test::Tree(release);
    files.emplace_back("user.txt", "the user's own notes");
    return ListingOf(files);
  }
  static std::vector<std::string> Folders(const fs::path& root) {
    std::vector<std::string> folders;
    for (const auto& item : fs::recursive_directory_iterator(root))
      if (item.is_directory()) folders.push_back(fs::relative(item.path(), root).generic_string());
    std::sort(folders.begin(), folders.end());
    return folders;
  }

  signature::SecretKey key_ = signature::SecretKey::Generate();
  fs::path tools_;
  std::string said_;
  int packs_ = 0;
};

// 1.0 -> 1.1: the renamed DLL under its new name only, the dropped plug-in and its folder gone,
// the user's file kept, the record now 1.1's; then the signed 1.0 archive, replayed, is refused
// and touches nothing.
TEST_F(ReleaseRun, AppliedExactlyThenTheOldReleaseReplayedIsRefused) {
  const fs::path update11 = Update11();
  const fs::path update10 = Make("1.0", L"--full --new " + Quoted(Release10()) + L" --version 1.0");

  EXPECT_EQ(Apply(update11), 0u) << Log();
  EXPECT_EQ(Installed(), InstalledFrom(Release11()));
  EXPECT_EQ(Folders(app_), Folders(Release11())) << "plugins\\legacy is gone, plugins stays";
  EXPECT_FALSE(fs::exists(launcher_ / "UPDATE.ZIP"));
  EXPECT_FALSE(fs::exists(launcher_ / "UPDATE.ZIP.SIG"));
  const std::string result = Result();
  EXPECT_TRUE(result.starts_with("RESULT=applied\r\nFILES=3\r\nERROR=\r\n")) << result;
  EXPECT_NE(result.find("\r\nVERSION=1.1\r\nREPLACED=2\r\nADDED=1\r\nPATCHED=0\r\nREMOVED=3\r\n"), std::string::npos)
      << result;
  EXPECT_NE(Log().find("release 1.1 applied: 2 replaced, 0 patched, 1 added, 3 removed"), std::string::npos) << Log();

  const Listing applied = Installed();
  EXPECT_EQ(Apply(update10), 2u) << Log();
  EXPECT_TRUE(Result().starts_with("RESULT=not started\r\nFILES=0\r\nERROR=The update would take \"Acme\" back from "
                                   "version 1.1 to the older 1.0, and it is not marked as a rollback.\r\n"))
      << Result();
  EXPECT_EQ(Result().find("VERSION="), std::string::npos) << Result();
  EXPECT_EQ(Installed(), applied) << "nothing touched";
  EXPECT_EQ(Folders(app_), Folders(Release11()));
  EXPECT_TRUE(fs::exists(launcher_ / "UPDATE.ZIP.rejected")) << "renamed aside, never started again for it";
  EXPECT_TRUE(fs::exists(launcher_ / "UPDATE.ZIP.SIG.rejected"));
}

// The 1.1 update fails after its removals began, and everything is undone: the replaced, added
// and removed files and the folders are as before. Another program holds, past the launcher's
// retries, the last dropped file (readable, so that it is found to be the vendor's, but not to be
// moved: the renamed DLL's old name and the legacy plug-in have gone aside by then), or the legacy
// plug-in's folder (all three dropped files and the emptied res folder inside it are gone by then:
// folders go deepest first).
struct HeldCase {
  const char* name;
  const char* held;  // below the application's folder
  DWORD flags;
  const char* error;  // what the result file's ERROR names
};

class ReleaseRolledBack : public ReleaseRun, public testing::WithParamInterface<HeldCase> {};

TEST_P(ReleaseRolledBack, WithTheRemovedFilesAndFoldersBackInPlace) {
  const HeldCase& c = GetParam();
  const fs::path update11 = Update11();
  const Listing before = Installed();
  const std::vector<std::string> folders = Folders(app_);
  Held held(app_ / c.held, FILE_SHARE_READ | FILE_SHARE_WRITE, c.flags);
  ASSERT_TRUE(held.ok());
  const DWORD code = Apply(update11);
  held.Release();
  EXPECT_EQ(code, 1u) << Log();
  EXPECT_EQ(Installed(), before);
  EXPECT_EQ(Folders(app_), folders);
  EXPECT_TRUE(Result().starts_with("RESULT=rolled back\r\nFILES=0\r\nERROR=")) << Result();
  EXPECT_NE(Result().find(c.error), std::string::npos) << Result();
  EXPECT_EQ(Result().find("VERSION="), std::string::npos) << Result();
  EXPECT_TRUE(fs::exists(launcher_ / "UPDATE.ZIP")) << "a held file is the machine's state: the archive stays";
}

INSTANTIATE_TEST_SUITE_P(
    Held, ReleaseRolledBack,
    testing::Values(HeldCase{"DroppedFile", "plugins/legacy/res/strings.dat", FILE_ATTRIBUTE_NORMAL,
                             "strings.dat\" could not be removed"},
                    HeldCase{"EmptiedFolder", "plugins/legacy", FILE_FLAG_BACKUP_SEMANTICS,
                             "legacy\" could not be removed"}),
    [](const testing::TestParamInfo<HeldCase>& info) { return info.param.name; });

// A delta update (the engine as a patch over the installed 1.0 engine) applied end to end; and
// the same refused, with nothing written, where the installed engine is not 1.0's.
TEST_F(ReleaseRun, ADeltaUpdateIsAppliedAndRefusedForAChangedBase) {
  const fs::path delta =
      Make("delta", L"--delta --old " + Quoted(Release10()) + L" --new " + Quoted(Release11()) + L" --version 1.1");
  EXPECT_NE(said_.find(", 3 of 7 files (1 as patches)"), std::string::npos) << said_;

  const Listing untouched = Installed();
  WriteAll(app_ / "engine.dll", Noise(256 * 1024, 11));  // another build of the engine
  const Listing changed = Installed();
  EXPECT_EQ(Apply(delta), 4u) << Log();
  const std::string refused = Result();
  EXPECT_TRUE(refused.starts_with("RESULT=not started\r\nFILES=0\r\nERROR=The update patches \"engine.dll\", but the "
                                  "installed file is not the one it was made against"))
      << refused;
  EXPECT_NE(refused.find("\r\nREASON=base differs\r\n"), std::string::npos) << refused;
  EXPECT_EQ(Installed(), changed) << "nothing written";
  EXPECT_FALSE(fs::exists(app_ / "UPDATE" / "~HALVEX"));
  EXPECT_TRUE(fs::exists(launcher_ / "UPDATE.ZIP")) << "kept for the application to replace with the full update";
  EXPECT_FALSE(fs::exists(launcher_ / "UPDATE.ZIP.rejected"));

  WriteAll(app_ / "engine.dll", kEngine10);
  ASSERT_EQ(Installed(), untouched);
  EXPECT_EQ(Apply(delta), 0u) << Log();
  EXPECT_EQ(Installed(), InstalledFrom(Release11()));
  EXPECT_EQ(Folders(app_), Folders(Release11()));
  const std::string result = Result();
  EXPECT_TRUE(result.starts_with("RESULT=applied\r\nFILES=3\r\nERROR=\r\n")) << result;
  EXPECT_EQ(result.find("REASON="), std::string::npos) << result;
  EXPECT_NE(result.find("\r\nVERSION=1.1\r\nREPLACED=1\r\nADDED=1\r\nPATCHED=1\r\nREMOVED=3\r\n"), std::string::npos)
      << result;
}

}  // namespace
