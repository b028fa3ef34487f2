// The methods other archivers write: archives of the real writers extracted byte for byte, each
// decoder fed its data a byte at a time, damaged streams failing their entry with nothing left,
// the Deflate64 features deflate lacks, and the question of what the engine can decode.
#include <bzlib.h>
#include <gtest/gtest.h>
#include <lzma.h>
#include <zstd.h>

#include <cstring>
#include <filesystem>
#include <functional>

#include "block_test_support.h"
#include "stream_decoder.h"
#include "test_support.h"
#include "zip/errors.h"
#include "zip/methods.h"
#include "zip/unzipper.h"

namespace zip {
namespace {

using zip_test::Noise;
using zip_test::PieceSource;
using zip_test::StringSink;

namespace fs = std::filesystem;
using zip_test::EntryDef;
using zip_test::ReadFile;
using zip_test::TempDir;
using zip_test::WriteFile;
using zip_test::ZipBuilder;

// ---------------------------------------------------------------------------------------------
// Streams made here: the libraries' encoders, and Deflate64 written bit by bit.

std::string Bzip2(const std::string& data) {
  std::string out(data.size() + data.size() / 100 + 600, '\0');
  unsigned size = static_cast<unsigned>(out.size());
  EXPECT_EQ(BZ2_bzBuffToBuffCompress(out.data(), &size, const_cast<char*>(data.data()),
                                     static_cast<unsigned>(data.size()), 9, 0, 0),
            BZ_OK);
  out.resize(size);
  return out;
}

std::string Xz(const std::string& data) {
  std::string out(lzma_stream_buffer_bound(data.size()), '\0');
  size_t pos = 0;
  EXPECT_EQ(lzma_easy_buffer_encode(6, LZMA_CHECK_CRC64, nullptr, reinterpret_cast<const uint8_t*>(data.data()),
                                    data.size(), reinterpret_cast<uint8_t*>(out.data()), &pos, out.size()),
            LZMA_OK);
  out.resize(pos);
  return out;
}

// Method 14's data: version 9.20, 5 bytes of properties, then the raw stream with its end marker
// (liblzma always writes one; the entry then sets general-purpose bit 1).
std::string Lzma(const std::string& data) {
  lzma_options_lzma options;
  lzma_lzma_preset(&options, 6);
  lzma_filter filters[2] = {{LZMA_FILTER_LZMA1, &options}, {LZMA_VLI_UNKNOWN, nullptr}};
  std::string out(data.size() + data.size() / 2 + 1024, '\0');
  size_t pos = 0;
  EXPECT_EQ(lzma_raw_buffer_encode(filters, nullptr, reinterpret_cast<const uint8_t*>(data.data()), data.size(),
                                   reinterpret_cast<uint8_t*>(out.data()), &pos, out.size()),
            LZMA_OK);
  out.resize(pos);
  uint32_t props_size = 0;
  lzma_properties_size(&props_size, filters);
  std::string props(props_size, '\0');
  lzma_properties_encode(filters, reinterpret_cast<uint8_t*>(props.data()));
  return std::string("\x09\x14\x05\x00", 4) + props + out;
}

std::string Zstd(const std::string& data, int level = 3) {
  std::string out(ZSTD_compressBound(data.size()), '\0');
  const size_t n = ZSTD_compress(out.data(), out.size(), data.data(), data.size(), level);
  EXPECT_FALSE(ZSTD_isError(n));
  out.resize(n);
  return out;
}

// Deflate bits, least significant first; Huffman codes go most significant bit first.
class BitWriter {
 public:
  void Bits(uint32_t value, int count) {
    for (int i = 0; i < count; ++i) Bit((value >> i) & 1);
  }
  void Code(uint32_t code, int length) {
    for (int i = length - 1; i >= 0; --i) Bit((code >> i) & 1);
  }
  // The fixed literal/length code.
  void Fixed(int symbol) {
    if (symbol < 144) Code(0x30 + symbol, 8);
    else if (symbol < 256) Code(0x190 + symbol - 144, 9);
    else if (symbol < 280) Code(symbol - 256, 7);
    else Code(0xC0 + symbol - 280, 8);
  }
  void AlignedBytes(const std::string& bytes) {
    while (count_) Bit(0);
    out_ += bytes;
  }
  std::string Finish() {
    while (count_) Bit(0);
    return out_;
  }

 private:
  void Bit(uint32_t b) {
    acc_ |= b << count_;
    if (++count_ == 8) {
      out_ += static_cast<char>(acc_);
      acc_ = 0;
      count_ = 0;
    }
  }
  std::string out_;
  uint32_t acc_ = 0;
  int count_ = 0;
};

// A Deflate64 stream that uses what deflate lacks: a stored block of 60,000 bytes, then a fixed
// block with a match 50,000 bytes back (distance code 31) of length 65,538 (length code 285, 16
// extra bits), a match 40,000 back (code 30) of 1,000 and a literal. `plain` gets what it decodes
// to.
std::string Deflate64Sample(std::string* plain) {
  const std::string history = Noise(60000, 7);
  BitWriter w;
  w.Bits(0, 1);  // not last
  w.Bits(0, 2);  // stored
  const uint16_t len = static_cast<uint16_t>(history.size());
  w.AlignedBytes(std::string{static_cast<char>(len & 0xFF), static_cast<char>(len >> 8),
                             static_cast<char>(~len & 0xFF), static_cast<char>((~len >> 8) & 0xFF)} +
                 history);
  w.Bits(1, 1);  // last
  w.Bits(1, 2);  // fixed codes
  w.Fixed(285);
  w.Bits(65535, 16);  // length 3 + 65535
  w.Code(31, 5);
  w.Bits(50000 - 49153, 14);
  w.Fixed(265);  // length 11..12
  w.Bits(0, 1);
  w.Code(30, 5);
  w.Bits(40000 - 32769, 14);
  w.Fixed('!');
  w.Fixed(256);
  std::string out = history;
  for (int i = 0; i < 65538; ++i) out += out[out.size() - 50000];
  for (int i = 0; i < 11; ++i) out += out[out.size() - 40000];
  out += '!';
  *plain = out;
  return w.Finish();
}

// ---------------------------------------------------------------------------------------------
// Each decoder by itself, its data handed over in pieces of every awkward size.

struct Sample {
  const char* name;
  Method method;
  std::string packed;
  std::string plain;
  uint16_t flags = 0;
};

std::vector<Sample> Samples() {
  const std::string text = [] {
    std::string s;
    for (int i = 0; i < 20000; ++i) s += "entry " + std::to_string(i % 977) + " of the update\n";
    return s;
  }();
  const std::string binary = Noise(70000, 3) + std::string(100000, '\0') + Noise(70000, 3);
  std::vector<Sample> samples;
  std::string d64;
  const std::string d64_packed = Deflate64Sample(&d64);
  samples.push_back({"deflate64", Method::kDeflate64, d64_packed, d64});
  samples.push_back({"bzip2", Method::kBzip2, Bzip2(text), text});
  samples.push_back({"lzma", Method::kLzma, Lzma(binary), binary, 2});
  samples.push_back({"xz", Method::kXz, Xz(text), text});
  samples.push_back({"zstd", Method::kZstandard, Zstd(binary), binary});
  // Output that ends exactly where a decoder's buffer does, so the last call fills it.
  const std::string whole_buffers = Noise(1 << 20, 5);
  for (const Method m : {Method::kBzip2, Method::kLzma, Method::kXz, Method::kZstandard}) {
    const std::string packed = m == Method::kBzip2 ? Bzip2(whole_buffers)
                               : m == Method::kLzma ? Lzma(whole_buffers)
                               : m == Method::kXz   ? Xz(whole_buffers)
                                                    : Zstd(whole_buffers);
    samples.push_back({"1 MiB", m, packed, whole_buffers, static_cast<uint16_t>(m == Method::kLzma ? 2 : 0)});
  }
  // Two frames one after the other, as a writer that flushes between them leaves them.
  samples.push_back({"zstd two frames", Method::kZstandard, Zstd(text) + Zstd(binary, 1), text + binary});
  return samples;
}

std::string DecodeInPieces(StreamDecoder& decoder, const Sample& s, const std::string& packed, size_t piece) {
  PieceSource source(packed, piece);
  StringSink sink;
  decoder.Decode(source, sink, StreamFacts{s.plain.size(), s.flags});
  return sink.out;
}

TEST(StreamDecoders, DecodeWhateverTheInputPieces) {
  for (const Sample& s : Samples()) {
    std::unique_ptr<StreamDecoder> decoder = MakeStreamDecoder(s.method);
    ASSERT_TRUE(decoder) << s.name;
    SCOPED_TRACE(std::string(s.name) + " of method " + std::to_string(static_cast<int>(s.method)));
    // The same decoder serves entry after entry.
    for (const size_t piece : {size_t{1}, size_t{7}, size_t{32768}, s.packed.size()}) {
      EXPECT_TRUE(DecodeInPieces(*decoder, s, s.packed, piece) == s.plain) << s.name << ", pieces of " << piece;
    }
  }
}

// A stream cut short, or damaged in its middle, is an error and never a silent short result.
TEST(StreamDecoders, DamagedOrShortStreamsAreErrors) {
  for (const Sample& s : Samples()) {
    std::unique_ptr<StreamDecoder> decoder = MakeStreamDecoder(s.method);
    for (const size_t keep : {size_t{0}, size_t{3}, s.packed.size() / 2, s.packed.size() - 1}) {
      EXPECT_THROW(DecodeInPieces(*decoder, s, s.packed.substr(0, keep), 4096), EZCompressionError)
          << s.name << " cut to " << keep;
    }
    std::string damaged = s.packed;
    for (size_t i = damaged.size() / 3; i < damaged.size() / 3 + 16; ++i) damaged[i] = static_cast<char>(~damaged[i]);
    try {
      const std::string out = DecodeInPieces(*decoder, s, damaged, 4096);
      // A format without a check of its own (LZMA, Deflate64) may decode damage to other bytes;
      // the entry's CRC-32 then finds it.
      EXPECT_NE(out, s.plain) << s.name;
    } catch (const EZCompressionError&) {
    }
    // After a failure the decoder still serves the next entry.
    EXPECT_TRUE(DecodeInPieces(*decoder, s, s.packed, 4096) == s.plain) << s.name;
  }
}

TEST(StreamDecoders, Deflate64Faults) {
  struct Case {
    const char* name;
    std::function<void(BitWriter&)> write;
    const char* cause;
  } cases[] = {
      {"block type 3", [](BitWriter& w) { w.Bits(7, 3); }, "invalid block type"},
      {"stored block lengths that disagree",
       [](BitWriter& w) {
         w.Bits(1, 3);
         w.AlignedBytes(std::string("\x05\x00\x05\x00", 4) + "hello");
       },
       "invalid stored block lengths"},
      {"distance before the start",
       [](BitWriter& w) {
         w.Bits(3, 3);
         w.Fixed('a');
         w.Fixed(257);
         w.Code(1, 5);  // distance 2
         w.Fixed(256);
       },
       "invalid distance too far back"},
      {"length code 286",
       [](BitWriter& w) {
         w.Bits(3, 3);
         w.Fixed(286);
       },
       "invalid literal/length code"},
      {"repeat of no length",
       [](BitWriter& w) {
         w.Bits(5, 3);  // last, dynamic
         w.Bits(0, 5);
         w.Bits(0, 5);
         w.Bits(15, 4);  // 19 code-length codes
         for (int i = 0; i < 19; ++i) w.Bits(i < 3 ? 2 : 0, 3);  // 16, 17, 18: two bits each
         w.Code(0, 2);  // 16 first
       },
       "invalid bit length repeat"},
      {"stream without its last block", [](BitWriter& w) { w.Bits(0, 3), w.AlignedBytes(std::string("\0\0\xff\xff", 4)); },
       "unexpected end of data"},
  };
  std::unique_ptr<StreamDecoder> decoder = MakeStreamDecoder(Method::kDeflate64);
  for (const Case& c : cases) {
    BitWriter w;
    c.write(w);
    const std::string packed = w.Finish();
    try {
      DecodeInPieces(*decoder, Sample{c.name, Method::kDeflate64, packed, std::string(100, 'x')}, packed, 1);
      ADD_FAILURE() << c.name << ": no error";
    } catch (const EZCompressionError& e) {
      EXPECT_NE(std::string(e.what()).find(c.cause), std::string::npos) << c.name << ": " << e.what();
    }
  }
}

// ---------------------------------------------------------------------------------------------
// Through the whole engine.

fs::path MethodArchives() {
#ifdef _WIN32
  // Made by the build (see zip/CMakeLists.txt); Wine shows the Unix root as drive Z:.
  return fs::path("Z:" HALVEX_BINARY_DIR) / "method-archives";
#else
  static TempDir dir;
  static const bool made = zip_test::Shell(zip_test::Quote(fs::path(HALVEX_SOURCE_DIR) / "zip" / "tests" /
                                                           "make_method_archives") +
                                           " " + zip_test::Quote(dir / "m")) == 0;
  EXPECT_TRUE(made) << "the peer writers (7z, zip, python3) could not make the archives";
  return dir / "m";
#endif
}

int ExtractAll(const fs::path& archive, const fs::path& dest, std::vector<std::string>* errors = nullptr) {
  TUnZipper u;
  u.SetZipName(zip_test::EnginePath(archive));
  u.SetDestDir(zip_test::EnginePath(dest));
  u.SetDoAll(true);
  u.SetRecreateDirs(true);
  u.SetOverwriteMode(Always);
  u.OnEntryError = [&](TUnZipper*, int, const std::string& message, bool& abort) {
    if (errors) errors->push_back(message);
    abort = false;
  };
  return u.UnZipSelected();
}

TEST(WritersArchives, ExtractByteForByte) {
  const char* archives[] = {"7z-deflate64.zip",    "7z-deflate64-fast.zip", "7z-bzip2.zip",      "7z-lzma.zip",
                            "7z-lzma-no-end-marker.zip", "infozip-bzip2.zip", "python-bzip2.zip", "python-lzma.zip"};
  const fs::path root = MethodArchives();
  const auto expected = zip_test::Tree(root / "tree");
  ASSERT_EQ(expected.size(), 6u);
  for (const char* name : archives) {
    TempDir out;
    std::vector<std::string> errors;
    EXPECT_GE(ExtractAll(root / name, out.Path(), &errors), 6) << name;  // with the folders the writer lists
    EXPECT_TRUE(errors.empty()) << name << ": " << (errors.empty() ? "" : errors[0]);
    EXPECT_TRUE(zip_test::Tree(out.Path()) == expected) << name;
  }
}

// PPMd is refused by name, entry by entry, and nothing of those entries is written.
TEST(WritersArchives, PpmdEntriesAreRefusedAndNotWritten) {
  TempDir out;
  TUnZipper u;
  u.SetZipName(zip_test::EnginePath(MethodArchives() / "7z-ppmd.zip"));
  u.SetDestDir(out.Engine());
  u.SetDoAll(true);
  u.SetRecreateDirs(true);
  std::vector<std::string> messages;
  u.OnHandleMessage = [&](TUnZipper*, int, const std::string& text, const std::string&, uint32_t, int& result) {
    messages.push_back(text);
    result = 0;
  };
  u.UnZipSelected();
  EXPECT_NE(std::find(messages.begin(), messages.end(), "Unknown Compression Method 98 (PPMd): readme.txt"),
            messages.end());
  EXPECT_FALSE(fs::exists(out / "readme.txt"));
  EXPECT_FALSE(fs::exists(out / "bin" / "app.dll"));
}

// Zstandard and XZ entries (no writer here makes them) built with the libraries; an LZMA entry
// with an end marker; entries that a damaged stream fails while the others are extracted.
TEST(LibraryMadeEntries, ExtractAndDamagedOnesLeaveNothing) {
  const std::string text = std::string(30000, 'q') + "tail";
  const std::string bin = Noise(90000, 11);
  std::string d64;
  const std::string d64_packed = Deflate64Sample(&d64);
  auto entry = [](const char* name, uint16_t method, std::string plain, std::string packed, uint16_t flags = 0) {
    EntryDef e{name, std::move(plain), method};
    e.compressed = std::move(packed);
    e.flags = flags;
    return e;
  };
  auto cut = [](std::string s) { return s.substr(0, s.size() * 2 / 3); };
  struct Case {
    EntryDef entry;
    bool good;
  } cases[] = {
      {entry("zstd.bin", 93, bin, Zstd(bin)), true},
      {entry("xz.txt", 95, text, Xz(text)), true},
      {entry("lzma-eos.bin", 14, bin, Lzma(bin), 2), true},
      {entry("d64.bin", 9, d64, d64_packed), true},
      {entry("empty.zst", 93, "", ""), true},
      {entry("cut.zst", 93, bin, cut(Zstd(bin))), false},
      {entry("cut.xz", 95, text, cut(Xz(text))), false},
      {entry("cut.bz2", 12, text, cut(Bzip2(text))), false},
      {entry("cut.lzma", 14, bin, cut(Lzma(bin)), 2), false},
      {entry("cut.d64", 9, d64, cut(d64_packed)), false},
      {entry("garbage.bz2", 12, text, "BZh91AY&SY" + std::string(50, 'x')), false},
  };
  TempDir dir;
  ZipBuilder b;
  for (const Case& c : cases) b.Add(c.entry);
  WriteFile(dir / "a.zip", b.Build());
  std::vector<std::string> errors;
  int good = 0;
  for (const Case& c : cases) good += c.good;
  EXPECT_EQ(ExtractAll(dir / "a.zip", dir / "out", &errors), good);
  for (const Case& c : cases) {
    if (c.good) {
      EXPECT_TRUE(ReadFile(dir / "out" / c.entry.name) == c.entry.data) << c.entry.name;
    } else {
      EXPECT_FALSE(fs::exists(dir / "out" / c.entry.name)) << c.entry.name;
      const std::string& name = c.entry.name;
      EXPECT_EQ(std::count_if(errors.begin(), errors.end(),
                              [&](const std::string& m) {
                                return m.rfind(name + ": Invalid compressed data", 0) == 0;
                              }),
                1)
          << name;
    }
  }
}

TEST(MethodQueries, WhatTheEngineDecodes) {
  struct Case {
    uint16_t method;
    uint16_t flags;
    const char* lacking;  // "" when decodable
  } cases[] = {
      {0, 0, ""},  {8, 0, ""},  {9, 0, ""},  {12, 0, ""}, {14, 0, ""}, {93, 0, ""}, {95, 0, ""},
      {1, 0, ""},  {6, 0, ""},  {8, 1, ""},  // traditional encryption
      {98, 0, "method 98 (PPMd)"},          {20, 0, "method 20 (Zstandard)"},
      {77, 0, "method 77"},                 {99, 1, "AES encryption"},
      {8, 0x41, "PKWARE strong encryption"},
  };
  for (const Case& c : cases) {
    TZipHeaderInfo e;
    e.CompressionMethod = c.method;
    e.GeneralFlags = c.flags;
    EXPECT_EQ(UndecodableWhat(e), c.lacking) << c.method;
    EXPECT_EQ(CanDecode(e), *c.lacking == 0) << c.method;
  }
}

}  // namespace
}  // namespace zip
