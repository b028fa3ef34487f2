// Signed updates through the update sequence and the real engine: a key in the description file
// makes the signature beside the archive required, and every refusal writes nothing and does
// not restart the application.
#include <gtest/gtest.h>

#include <filesystem>

#include "launcher/extract_update.h"
#include "launcher/signed_archive.h"
#include "platform/exceptions.h"
#include "platform/stream.h"
#include "recording_host.h"
#include "signature/ed25519ph.h"
#include "signature/signature_file.h"
#include "test_support.h"
#include "zip/unzipper.h"

namespace {

namespace fs = std::filesystem;
using zip_test::EntryDef;
using zip_test::ReadFile;
using zip_test::WriteFile;
using zip_test::ZipBuilder;

using Host = launcher_test::RecordingHost;

std::string Sign(const std::string& bytes, const signature::SecretKey& key) {
  platform::MemoryStream stream(bytes.data(), bytes.size());
  return signature::FormatSignatureFile({key.Public(), signature::SignStream(stream, key)});
}

class SignedUpdate : public testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(app_ / "UPDATE");
    launcher::ConnectUnZipper(unzipper_, host_, launch_.request);
    unzipper_.SetOverwriteMode(zip::Always);  // as the window's design sets it
    ZipBuilder zip;
    zip.Add(EntryDef{.name = "App.exe", .data = std::string(3000, 'e')});
    zip.Add(EntryDef{.name = "sub/lib.dll", .data = std::string(3000, 'd')});
    zip.Add(EntryDef{.name = "readme.txt", .data = std::string(3000, 'r')});
    archive_ = zip.Build();
    central_offset_ = zip.CentralOffset();
  }
  void Start(const std::string& description) {
    WriteFile(app_ / "UPDATE" / "VER_INFO.INF", "EXE_FILENAME=App.exe\r\n" + description);
    launcher::FormCreate(host_, {app_.Engine("App.exe")}, launch_);
  }
  std::string KeyLine() const { return "PUBLIC_KEY=" + signature::FormatPublicKey(key_.Public()) + "\r\n"; }
  void Place(const std::string& archive, const std::optional<std::string>& sig) {
    WriteFile(launcher_dir_ / "UPDATE.ZIP", archive);
    if (sig) WriteFile(launcher_dir_ / "UPDATE.ZIP.SIG", *sig);
  }
  launcher::RunOutcome Extract() {
    const launcher::RunOutcome outcome =
        launcher::ExtractUpdate(unzipper_, host_, launch_.request, launcher_dir_.Engine() + "\\", launcher::SystemEnvironment());
    launcher::FinishRun(host_, launch_, outcome);
    return outcome;
  }
  // Runs the update and expects it refused with `message`: nothing written, the application
  // restarted, the archive renamed aside when it is the archive that is refused (`rejected`) and
  // left for the next try otherwise.
  void ExpectRefused(const std::string& message, bool rejected = true) {
    host_.opened.clear();
    host_.errors.clear();
    const launcher::RunOutcome outcome = Extract();
    EXPECT_EQ(outcome.outcome, launcher::UpdateOutcome::kNotStarted);
    EXPECT_EQ(outcome.message, message);
    EXPECT_EQ(host_.errors, std::vector<std::string>{message});
    EXPECT_EQ(host_.opened, std::vector<std::string>{app_.Engine("App.exe") + " UPDATE_RUN"});
    EXPECT_EQ(fs::exists(launcher_dir_ / "UPDATE.ZIP"), !rejected);
    EXPECT_EQ(fs::exists(launcher_dir_ / "UPDATE.ZIP.rejected"), rejected);
    if (rejected) {
      EXPECT_FALSE(fs::exists(launcher_dir_ / "UPDATE.ZIP.SIG")) << "its signature goes with it";
    }
    fs::remove(launcher_dir_ / "UPDATE.ZIP.rejected");
    fs::remove(launcher_dir_ / "UPDATE.ZIP.SIG.rejected");
    auto tree = zip_test::Tree(app_.Path());
    // The run's own report of the refusal aside.
    std::erase_if(tree, [](const auto& file) {
      return file.first == "UPDATE/HalvexUpdate.log" || file.first == "UPDATE/UPDATE_RESULT.INF";
    });
    EXPECT_EQ(tree.size(), 1u) << "only the description file is there";
  }
  void ExpectApplied(const std::string& exe = std::string(3000, 'e'), bool restarted = true) {
    EXPECT_EQ(ReadFile(app_ / "App.exe"), exe);
    EXPECT_EQ(ReadFile(app_ / "sub" / "lib.dll"), std::string(3000, 'd'));
    if (!restarted) return;
    EXPECT_EQ(host_.opened, std::vector<std::string>{app_.Engine("App.exe") + " UPDATE_RUN"});
    EXPECT_FALSE(fs::exists(launcher_dir_ / "UPDATE.ZIP")) << "an applied update is removed";
    EXPECT_FALSE(fs::exists(launcher_dir_ / "UPDATE.ZIP.SIG"));
  }
  std::string SigPath() const { return launcher_dir_.Engine("UPDATE.ZIP.SIG"); }

  zip_test::TempDir app_, launcher_dir_;
  Host host_;
  launcher::Launch launch_;
  std::string UpdateLog() const { return ReadFile(app_ / "UPDATE" / "HalvexUpdate.log"); }

  zip::TUnZipper unzipper_;
  signature::SecretKey key_ = signature::SecretKey::Generate();
  std::string archive_;
  uint64_t central_offset_ = 0;
};

TEST_F(SignedUpdate, ASignedArchiveIsApplied) {
  Start("NAME=App\r\n" + KeyLine());
  Place(archive_, Sign(archive_, key_));
  Extract();
  ExpectApplied();
  EXPECT_NE(UpdateLog().find("the archive's signature was checked with the vendor's key"), std::string::npos)
      << UpdateLog();
}

TEST_F(SignedUpdate, OneChangedByteAnywhereRefusesTheWholeArchive) {
  ASSERT_GT(archive_.size(), 4096u);
  const std::string sig = Sign(archive_, key_);
  const struct {
    const char* where;
    size_t at;
  } places[] = {{"first kilobyte", 700},
                {"middle", archive_.size() / 2},
                {"last kilobyte", archive_.size() - 300},
                {"central directory", central_offset_ + 20}};
  Start(KeyLine());
  for (const auto& place : places) {
    SCOPED_TRACE(place.where);
    std::string changed = archive_;
    changed[place.at] ^= 0x04;
    Place(changed, sig);
    fs::remove(launcher_dir_ / "UPDATE.ZIP.SIG.rejected");
    ExpectRefused("\"" + launcher_dir_.Engine("UPDATE.ZIP") +
                  "\" does not match its signature: the archive was changed after it was signed");
  }
}

TEST_F(SignedUpdate, EachSignatureProblemHasItsOwnMessage) {
  const std::string good = Sign(archive_, key_);
  const signature::SecretKey other = signature::SecretKey::Generate();
  const struct {
    const char* what;
    std::optional<std::string> sig;
    std::string message;
  } cases[] = {
      {"no signature file", std::nullopt,
       "The update is not signed: signature file \"" + SigPath() + "\" is missing"},
      {"signed with another key", Sign(archive_, other),
       "Update signature \"" + SigPath() + "\" was made with another key than the one this application trusts"},
      {"truncated", good.substr(0, 100), "Update signature \"" + SigPath() + "\" is damaged or cut short"},
      {"garbage", archive_.substr(0, 200), "\"" + SigPath() + "\" is not an update signature file"},
  };
  Start(KeyLine());
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    fs::remove(launcher_dir_ / "UPDATE.ZIP.SIG");
    Place(archive_, c.sig);
    ExpectRefused(c.message);
  }
}

TEST_F(SignedUpdate, AMalformedKeyIsAnErrorNeverAnUnsignedUpdate) {
  const std::string description = app_.Engine("UPDATE\\VER_INFO.INF");
  const std::string short_key = signature::Base64(std::vector<uint8_t>(31, 7));
  for (const std::string& value : {short_key, std::string("not base64!"), signature::FormatPublicKey(key_.Public()) + " "}) {
    SCOPED_TRACE(value);
    launch_ = launcher::Launch{};
    Start("PUBLIC_KEY=" + value + "\r\n");
    Place(archive_, Sign(archive_, key_));
    ExpectRefused("PUBLIC_KEY in \"" + description + "\" is not a public key (the base64 of 32 bytes)", false);
  }
}

std::string Utf16Le(const std::string& ascii) {
  std::string bytes = "\xFF\xFE";
  for (const char c : ascii) bytes += std::string{c, '\0'};
  return bytes;
}

std::string Utf16Be(const std::string& ascii) {
  std::string bytes = "\xFE\xFF";
  for (const char c : ascii) bytes += std::string{'\0', c};
  return bytes;
}

// The key is found however the description file is encoded, also on its first line behind a
// byte-order mark: an unsigned archive is refused, a signed one applied.
TEST_F(SignedUpdate, TheKeyIsReadInEveryEncodingOfTheDescriptionFile) {
  const std::string lines = KeyLine() + "EXE_FILENAME=App.exe\r\n";
  const struct {
    const char* what;
    std::string bytes;
  } files[] = {{"ansi", lines},
               {"utf-8 with bom", "\xEF\xBB\xBF" + lines},
               {"utf-16le", Utf16Le(lines)},
               {"utf-16be", Utf16Be(lines)}};
  for (const auto& f : files) {
    SCOPED_TRACE(f.what);
    launch_ = launcher::Launch{};
    host_.opened.clear();
    for (const char* applied : {"App.exe", "sub", "readme.txt"}) fs::remove_all(app_ / applied);
    WriteFile(app_ / "UPDATE" / "VER_INFO.INF", f.bytes);
    launcher::FormCreate(host_, {app_.Engine("App.exe")}, launch_);
    fs::remove(launcher_dir_ / "UPDATE.ZIP.SIG");
    Place(archive_, std::nullopt);
    ExpectRefused("The update is not signed: signature file \"" + SigPath() + "\" is missing");
    Place(archive_, Sign(archive_, key_));
    host_.opened.clear();
    Extract();
    ExpectApplied();
  }
}

// A line that only looks like the key's line stops the update: read as "no key" it would let an
// unsigned archive through.
TEST_F(SignedUpdate, ALineThatOnlyLooksLikeTheKeysLineIsAnError) {
  const std::string path = app_.Engine("UPDATE\\VER_INFO.INF");
  const std::string key = signature::FormatPublicKey(key_.Public());
  const struct {
    std::string bytes;
    std::string message;
  } cases[] = {
      {" PUBLIC_KEY=" + key + "\r\n", "Line 1 of \"" + path + "\" looks like a PUBLIC_KEY line but is not one"},
      {"NAME=App\r\nPUBLIC_KEY =" + key, "Line 2 of \"" + path + "\" looks like a PUBLIC_KEY line but is not one"},
      // a byte-order mark saved into the middle of the file, as when two files were joined
      {"NAME=App\r\n\xEF\xBB\xBFPUBLIC_KEY=" + key, "Line 2 of \"" + path + "\" looks like"},
      {"PUBLIC_KEY=\r\nPUBLIC_KEY=" + key, "\"" + path + "\" gives PUBLIC_KEY twice with different values (lines 1 and 2)"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.bytes);
    launch_ = launcher::Launch{};
    WriteFile(app_ / "UPDATE" / "VER_INFO.INF", c.bytes);
    launcher::FormCreate(host_, {app_.Engine("App.exe")}, launch_);
    Place(archive_, std::nullopt);
    const launcher::RunOutcome outcome = Extract();
    EXPECT_EQ(outcome.outcome, launcher::UpdateOutcome::kNotStarted);
    EXPECT_EQ(outcome.message.rfind(c.message, 0), 0u) << outcome.message;
    EXPECT_EQ(ReadFile(app_ / "App.exe"), "") << "nothing written";
    EXPECT_TRUE(fs::exists(launcher_dir_ / "UPDATE.ZIP")) << "the description file is at fault, not the archive";
  }
}

TEST_F(SignedUpdate, WithoutAKeyNothingChanges) {
  for (const char* description : {"NAME=App\r\n", "NAME=App\r\nPUBLIC_KEY=\r\n"}) {
    SCOPED_TRACE(description);
    launch_ = launcher::Launch{};
    host_.opened.clear();
    Start(description);
    // No signature file, then a garbage one: neither is looked at.
    fs::remove(launcher_dir_ / "UPDATE.ZIP.SIG");
    Place(archive_, std::nullopt);
    Extract();
    ExpectApplied();
    EXPECT_NE(UpdateLog().find("the update is not signed"), std::string::npos) << UpdateLog();
    host_.opened.clear();
    Place(archive_, std::string("garbage"));
    Extract();
    ExpectApplied();
  }
}

TEST_F(SignedUpdate, AnUnreadDescriptionFileStopsTheUpdate) {
  // As FormCreate leaves things when the file exists but could not be opened.
  WriteFile(app_ / "UPDATE" / "VER_INFO.INF", KeyLine());
  launch_.request.AppDir = app_.Engine() + "\\";
  launch_.request.ExeFileName = app_.Engine("App.exe");
  Place(archive_, std::nullopt);
  ExpectRefused("The update is not applied: its description file \"" + app_.Engine("UPDATE\\VER_INFO.INF") +
                "\" could not be read, so its signature cannot be checked",
                false);
}

#ifndef _WIN32
// Windows refuses to replace the file while the launcher holds it (tested under Wine); here the
// name can be pointed elsewhere between the check and the extraction, and the extraction must
// still read the bytes that were checked.
TEST_F(SignedUpdate, ReplacingTheArchiveAfterTheCheckChangesNothing) {
  Start(KeyLine());
  Place(archive_, Sign(archive_, key_));
  ZipBuilder evil;
  evil.Add(EntryDef{.name = "App.exe", .data = "evil"});
  evil.Add(EntryDef{.name = "sub/lib.dll", .data = "evil"});
  WriteFile(launcher_dir_ / "evil.zip", evil.Build());
  const std::string archive = launcher_dir_.Engine("UPDATE.ZIP");
  unzipper_.SetZipName(archive);
  {
    const launcher::SignedArchive held(unzipper_, archive, launch_.request);
    EXPECT_TRUE(held.Signed());
    fs::rename(launcher_dir_ / "evil.zip", launcher_dir_ / "UPDATE.ZIP");
    unzipper_.LoadDirectory();
    unzipper_.SetDoAll(true);
    unzipper_.SetDestDir(launch_.request.AppDir);
    unzipper_.SetRecreateDirs(true);
    unzipper_.UnZipSelected();
  }
  // The engine alone: the launcher restarts the application after the whole update.
  ExpectApplied(std::string(3000, 'e'), false);
}
#endif

}  // namespace
