// Keys, the signature file's text, streamed Ed25519ph and the check of a signed update.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/exceptions.h"
#include "platform/stream.h"
#include "signature/ed25519ph.h"
#include "signature/signature_file.h"
#include "signature/update_check.h"

namespace signature {
namespace {

std::vector<uint8_t> Hex(std::string_view hex) {
  std::vector<uint8_t> bytes;
  for (size_t i = 0; i + 1 < hex.size(); i += 2) bytes.push_back(static_cast<uint8_t>(std::stoi(std::string(hex.substr(i, 2)), nullptr, 16)));
  return bytes;
}

SecretKey KeyFromHexSeed(std::string_view hex) {
  const std::vector<uint8_t> seed = Hex(hex);
  return SecretKey::FromSeed(std::span<const uint8_t, kSeedBytes>(seed.data(), kSeedBytes));
}

std::vector<uint8_t> Pattern(size_t size) {
  std::vector<uint8_t> bytes(size);
  uint32_t x = 12345;
  for (uint8_t& b : bytes) b = static_cast<uint8_t>((x = x * 1103515245 + 12345) >> 16);
  return bytes;
}

TEST(PublicKeyText, OnlyTheBase64OfExactly32BytesIsAKey) {
  const std::string good = "7BcrlK1eVjv0kyxw4SRQNMNUZ+8u/U1k6/gZaDRn4r8=";
  ASSERT_TRUE(ParsePublicKey(good));
  EXPECT_EQ(FormatPublicKey(*ParsePublicKey(good)), good);
  const char* bad[] = {
      "",                                              // nothing
      "7BcrlK1eVjv0kyxw4SRQNMNUZ+8u/U1k6/gZaDRn4r8",   // padding missing
      " 7BcrlK1eVjv0kyxw4SRQNMNUZ+8u/U1k6/gZaDRn4r8=", // blank before
      "7BcrlK1eVjv0kyxw4SRQNMNUZ+8u/U1k6/gZaDRn4r8= ", // blank after
      "7BcrlK1eVjv0kyxw4SRQNMNUZ+8u/U1k6/gZaDRn4g==",  // 31 bytes
      "7BcrlK1eVjv0kyxw4SRQNMNUZ+8u/U1k6/gZaDRn4r8AAA==",  // 33 bytes
      "7BcrlK1eVjv0kyxw4SRQNMNUZ-8u_U1k6_gZaDRn4r8=",  // URL-safe alphabet
      "7BcrlK1eVjv0kyxw4SRQ\nNMNUZ+8u/U1k6/gZaDRn4r8=", // broken line
      "ec172b93ad5e563bf4932c70e1245034c35467ef2efd4d64ebf819683467e2bf",  // hex
      "7BcrlK1eVjv0kyxw4SRQNMNUZ+8u/U1k6/gZaDRn4r9=",  // unused bits of the last character set
      "7BcrlK1eVjv0kyxw4SRQNMNUZ+8u/U1k6/gZaDRn\xf1r8=",  // a byte outside ASCII
  };
  for (const char* text : bad) EXPECT_FALSE(ParsePublicKey(text)) << text;
}

TEST(SecretKeyFile, RoundTripsAndRejectsAnythingElse) {
  const SecretKey key = SecretKey::Generate();
  const std::string text = FormatSecretKeyFile(key);
  const std::optional<SecretKey> back = ParseSecretKeyFile(text);
  ASSERT_TRUE(back);
  EXPECT_EQ(back->Public(), key.Public());
  EXPECT_NE(SecretKey::Generate().Public(), key.Public());
  const std::string crlf = "halvex-secret-key 1 ed25519\r\n" + Base64(key.Seed()) + "\r\n";
  EXPECT_TRUE(ParseSecretKeyFile(crlf));
  EXPECT_FALSE(ParseSecretKeyFile(""));
  EXPECT_FALSE(ParseSecretKeyFile(text.substr(0, text.size() - 10)));
  EXPECT_FALSE(ParseSecretKeyFile("PUBLIC_KEY=" + FormatPublicKey(key.Public()) + "\n"));
}

TEST(SignatureFileText, ParsesWhatItWritesAndNamesEachProblem) {
  SignatureFile file;
  file.key = SecretKey::Generate().Public();
  for (size_t i = 0; i < file.signature.size(); ++i) file.signature[i] = static_cast<uint8_t>(i * 7);
  const std::string text = FormatSignatureFile(file);
  SignatureFile back;
  ASSERT_EQ(ParseSignatureFile(text, back), SignatureFileProblem::None);
  EXPECT_EQ(back.key, file.key);
  EXPECT_EQ(back.signature, file.signature);

  std::string crlf;
  for (char c : text) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
  const std::string key_line = "key " + Base64(file.key);
  const std::string sig_line = "sig " + Base64(file.signature);
  struct Case {
    std::string what, text;
    SignatureFileProblem problem;
  } cases[] = {
      {"CR LF line ends", crlf, SignatureFileProblem::None},
      {"no final line break", text.substr(0, text.size() - 1), SignatureFileProblem::None},
      {"empty", "", SignatureFileProblem::NotASignature},
      {"an archive", std::string("PK\x03\x04\x14\0\0\0", 8) + text, SignatureFileProblem::NotASignature},
      {"a public key", FormatPublicKey(file.key) + "\n", SignatureFileProblem::NotASignature},
      {"far too long", text + std::string(kMaxSignatureFileSize, 'x'), SignatureFileProblem::NotASignature},
      {"header with a blank before", " " + text, SignatureFileProblem::NotASignature},
      {"another version", "halvex-signature 2 ed25519ph\n" + key_line + "\n" + sig_line + "\n",
       SignatureFileProblem::Unsupported},
      {"another method", "halvex-signature 1 ed25519\n" + key_line + "\n" + sig_line + "\n",
       SignatureFileProblem::Unsupported},
      {"cut in the signature", text.substr(0, text.size() - 20), SignatureFileProblem::Damaged},
      {"cut after the key", std::string(kSignatureHeader) + "\n" + key_line + "\n", SignatureFileProblem::Damaged},
      {"header only", std::string(kSignatureHeader) + "\n", SignatureFileProblem::Damaged},
      {"lines swapped", std::string(kSignatureHeader) + "\n" + sig_line + "\n" + key_line + "\n",
       SignatureFileProblem::Damaged},
      {"a line more", text + "\n", SignatureFileProblem::Damaged},
      {"a blank after the signature", text.substr(0, text.size() - 1) + " \n", SignatureFileProblem::Damaged},
      {"a character changed to one outside base64",
       std::string(kSignatureHeader) + "\n" + key_line + "\nsig *" + sig_line.substr(5) + "\n",
       SignatureFileProblem::Damaged},
  };
  for (const Case& c : cases) {
    SignatureFile out;
    EXPECT_EQ(ParseSignatureFile(c.text, out), c.problem) << c.what;
  }
}

// The "abc" example of RFC 8032 for Ed25519ph: pins the variant (prehashed, with its domain
// prefix) that other tools must produce.
TEST(Ed25519ph, MatchesThePublishedExample) {
  const SecretKey key = KeyFromHexSeed("833fe62409237b9d62ec77587520911e9a759cec1d19755b7da901b96dca3d42");
  const std::vector<uint8_t> pk = Hex("ec172b93ad5e563bf4932c70e1245034c35467ef2efd4d64ebf819683467e2bf");
  EXPECT_TRUE(std::equal(pk.begin(), pk.end(), key.Public().begin()));
  platform::MemoryStream message(std::vector<uint8_t>{'a', 'b', 'c'});
  const Signature sig = SignStream(message, key);
  const std::vector<uint8_t> expected = Hex(
      "98a70222f0b8121aa9d30f813d683f809e462b469c7ff87639499bb94e6dae41"
      "31f85042463c2a355a2003d062adf5aaa10b8c61e636062aaad11c2a26083406");
  EXPECT_TRUE(std::equal(expected.begin(), expected.end(), sig.begin()));
  EXPECT_TRUE(VerifyStream(message, sig, key.Public()));
}

// Hands out a few bytes per read, so blocks never line up with anything.
class TrickleStream : public platform::MemoryStream {
 public:
  using MemoryStream::MemoryStream;
  int64_t Read(void* buffer, int64_t count) override {
    return MemoryStream::Read(buffer, std::min<int64_t>(count, 1 + (calls_++ % 7)));
  }

 private:
  int calls_ = 0;
};

// Stops delivering before the end, as a file whose read fails does.
class FailingStream : public platform::MemoryStream {
 public:
  using MemoryStream::MemoryStream;
  int64_t Read(void* buffer, int64_t count) override {
    return Position() >= 100000 ? 0 : MemoryStream::Read(buffer, std::min<int64_t>(count, 100000 - Position()));
  }
};

TEST(Ed25519ph, CoversEveryByteWhateverTheReadsAndFromTheStart) {
  const SecretKey key = SecretKey::Generate();
  const std::vector<uint8_t> data = Pattern(3 * 65536 + 17);
  platform::MemoryStream stream(data);
  const Signature sig = SignStream(stream, key);
  // The stream was left at its end: verification starts from the beginning anyway.
  int blocks = 0;
  EXPECT_TRUE(VerifyStream(stream, sig, key.Public(), [&] { ++blocks; }));
  EXPECT_EQ(blocks, 4) << "one call per 64 KiB block read";
  TrickleStream trickle(std::vector<uint8_t>(data.begin(), data.begin() + 5000));
  platform::MemoryStream same(std::vector<uint8_t>(data.begin(), data.begin() + 5000));
  EXPECT_TRUE(VerifyStream(trickle, SignStream(same, key), key.Public()));

  for (size_t at : {size_t{0}, data.size() / 2, data.size() - 1}) {
    std::vector<uint8_t> changed = data;
    changed[at] ^= 0x01;
    platform::MemoryStream s(changed);
    EXPECT_FALSE(VerifyStream(s, sig, key.Public())) << "byte " << at;
  }
  std::vector<uint8_t> shorter(data.begin(), data.end() - 1);
  platform::MemoryStream s(shorter);
  EXPECT_FALSE(VerifyStream(s, sig, key.Public()));
  EXPECT_FALSE(VerifyStream(stream, sig, SecretKey::Generate().Public()));

  FailingStream failing(data);
  EXPECT_THROW(SignStream(failing, key), platform::EReadError);
  EXPECT_THROW(VerifyStream(failing, sig, key.Public()), platform::EReadError);
}

class UpdateCheck : public testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::filesystem::temp_directory_path() /
           ("halvex-sig-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }
  std::string Path(const std::string& name) const { return (dir_ / name).string(); }
  void Write(const std::string& name, const std::string& text) {
    std::ofstream(dir_ / name, std::ios::binary) << text;
  }
  std::filesystem::path dir_;
};

TEST_F(UpdateCheck, AcceptsTheSignedArchiveAndRefusesEachFaultByName) {
  const SecretKey key = SecretKey::Generate();
  const std::vector<uint8_t> archive = Pattern(10000);
  platform::MemoryStream stream(archive);
  SignatureFile sig{key.Public(), SignStream(stream, key)};
  const std::string good = FormatSignatureFile(sig);
  const std::string sig_path = Path("UPDATE.ZIP.SIG");
  EXPECT_EQ(SignatureFileName(Path("UPDATE.ZIP")), sig_path);

  Write("UPDATE.ZIP.SIG", good);
  EXPECT_NO_THROW(CheckUpdateSignature(stream, "C:\\U\\UPDATE.ZIP", sig_path, key.Public()));

  SignatureFile other_key = sig;
  const SecretKey other = SecretKey::Generate();
  other_key.key = other.Public();
  platform::MemoryStream again(archive);
  other_key.signature = SignStream(again, other);
  std::vector<uint8_t> changed = archive;
  changed[5000] ^= 0x80;

  struct Case {
    const char* what;
    std::optional<std::string> sig_text;  // none: no signature file
    const std::vector<uint8_t>* bytes;
    Refusal reason;
    std::string message;
  } cases[] = {
      {"missing", std::nullopt, &archive, Refusal::Missing,
       "The update is not signed: signature file \"" + sig_path + "\" is missing"},
      {"garbage", "\x7f" "ELF garbage\n", &archive, Refusal::NotASignature,
       "\"" + sig_path + "\" is not an update signature file"},
      {"unknown version", "halvex-signature 9 ed448\nkey x\nsig y\n", &archive, Refusal::Unsupported,
       "Update signature \"" + sig_path + "\" is of a version or method this program does not know"},
      {"truncated", good.substr(0, good.size() / 2), &archive, Refusal::Damaged,
       "Update signature \"" + sig_path + "\" is damaged or cut short"},
      {"made with another key", FormatSignatureFile(other_key), &archive, Refusal::WrongKey,
       "Update signature \"" + sig_path + "\" was made with another key than the one this application trusts"},
      {"archive changed", good, &changed, Refusal::NotMatching,
       "\"C:\\U\\UPDATE.ZIP\" does not match its signature: the archive was changed after it was signed"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::filesystem::remove(sig_path);
    if (c.sig_text) Write("UPDATE.ZIP.SIG", *c.sig_text);
    platform::MemoryStream s(*c.bytes);
    try {
      CheckUpdateSignature(s, "C:\\U\\UPDATE.ZIP", sig_path, key.Public());
      ADD_FAILURE() << "accepted";
    } catch (const ESignatureError& e) {
      EXPECT_EQ(e.Reason(), c.reason);
      EXPECT_EQ(e.Message(), c.message);
    }
  }
  // A key line naming the trusted key does not make another key's signature pass.
  SignatureFile forged{key.Public(), other_key.signature};
  Write("UPDATE.ZIP.SIG", FormatSignatureFile(forged));
  platform::MemoryStream s(archive);
  EXPECT_THROW(CheckUpdateSignature(s, "A", sig_path, key.Public()), ESignatureError);
}

}  // namespace
}  // namespace signature
