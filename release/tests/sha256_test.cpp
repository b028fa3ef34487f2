#include "release/sha256.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace release {
namespace {

struct Engine {
  const char* name;
  Sha256Engine engine;
};

class Sha256EngineTest : public testing::TestWithParam<Engine> {
 protected:
  void SetUp() override {
    if (GetParam().engine == Sha256Engine::kShaExtensions && !Sha256HasShaExtensions())
      GTEST_SKIP() << "this CPU has no SHA extensions: their code is not tested here";
  }
};

// The standard's examples, whole and in pieces that cross the blocks' borders unevenly.
TEST_P(Sha256EngineTest, StandardVectors) {
  struct Case {
    std::string message;
    const char* hex;
  };
  const Case cases[] = {
      {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
      {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
      {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
       "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
      {"abcdefghbcdefghicdefghijdefghijkefghijklfghijklmghijklmnhijklmnoijklmnopjklmnopqklmnopqrlmnopqrsmnopqrstnopqrstu",
       "cf5b16a778af8380036ce59e7b0492370b249b11e8f07a51afac45037afee9d1"},
      {std::string(1000000, 'a'), "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
  };
  for (const Case& c : cases) {
    for (const size_t piece : {c.message.size() + 1, size_t{1}, size_t{63}, size_t{65}, size_t{4099}}) {
      Sha256Hasher h(GetParam().engine);
      for (size_t at = 0; at < c.message.size(); at += piece)
        h.Update(c.message.data() + at, std::min(piece, c.message.size() - at));
      EXPECT_EQ(HexOf(h.Final()), c.hex) << c.message.size() << " bytes in pieces of " << piece;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Engines, Sha256EngineTest,
                         testing::Values(Engine{"Best", Sha256Engine::kBest}, Engine{"Portable", Sha256Engine::kPortable},
                                         Engine{"ShaExtensions", Sha256Engine::kShaExtensions}),
                         [](const testing::TestParamInfo<Engine>& info) { return std::string(info.param.name); });

// The hash of `bytes` fed to `engine` in random pieces (empty ones too).
Sha256 InPieces(Sha256Engine engine, const std::vector<uint8_t>& bytes, size_t max_piece, std::mt19937& random) {
  Sha256Hasher h(engine);
  size_t at = 0;
  while (at < bytes.size()) {
    const size_t piece = std::min(bytes.size() - at, static_cast<size_t>(random() % (max_piece + 1)));
    h.Update(bytes.data() + at, piece);
    at += piece;
  }
  return h.Final();
}

// The SHA extensions' code against the portable code on random data of every length up to a few
// blocks, and large.
TEST(Sha256Test, ShaExtensionsAgreeWithPortableCode) {
  if (!Sha256HasShaExtensions()) GTEST_SKIP() << "this CPU has no SHA extensions: the two codes cannot be compared here";
  std::mt19937 random(29);
  std::vector<uint8_t> bytes;
  for (size_t size = 0; size <= 200; ++size) {
    bytes.resize(size);
    for (uint8_t& b : bytes) b = static_cast<uint8_t>(random());
    const Sha256 portable = InPieces(Sha256Engine::kPortable, bytes, size, random);
    for (int round = 0; round < 4; ++round)
      ASSERT_EQ(HexOf(InPieces(Sha256Engine::kShaExtensions, bytes, round == 0 ? size : 70, random)), HexOf(portable))
          << size << " bytes";
  }
  bytes.resize((5u << 20) + 13);
  for (uint8_t& b : bytes) b = static_cast<uint8_t>(random());
  const Sha256 portable = InPieces(Sha256Engine::kPortable, bytes, 1u << 20, random);
  EXPECT_EQ(HexOf(InPieces(Sha256Engine::kShaExtensions, bytes, 1u << 20, random)), HexOf(portable));
  EXPECT_EQ(HexOf(InPieces(Sha256Engine::kShaExtensions, bytes, 300, random)), HexOf(portable));
  // The default engine is the SHA extensions' here.
  EXPECT_EQ(HexOf(InPieces(Sha256Engine::kBest, bytes, 1u << 16, random)), HexOf(portable));
}

}  // namespace
}  // namespace release
