// halvex-delta: makes and applies delta patches between files, for the delta benchmark.
//   halvex-delta make BASE RESULT PATCH
//   halvex-delta apply BASE PATCH RESULT
// Applying writes the result piece by piece as the patch gives it, so its memory is what a
// launcher's would be: the base, the patch and the applier's own.
#include <cstdio>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>
#include <vector>

#include "release/delta.h"

namespace {

std::vector<uint8_t> ReadAll(const char* path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error(std::string("cannot open ") + path);
  in.seekg(0, std::ios::end);
  std::vector<uint8_t> bytes(static_cast<size_t>(in.tellg()));
  in.seekg(0);
  in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  if (!in) throw std::runtime_error(std::string("cannot read ") + path);
  return bytes;
}

void WriteAll(const char* path, const std::vector<uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  if (!out.flush()) throw std::runtime_error(std::string("cannot write ") + path);
}

}  // namespace

int main(int argc, char** argv) {
  const std::string command = argc == 5 ? argv[1] : "";
  if (command != "make" && command != "apply") {
    std::cerr << "usage: halvex-delta make BASE RESULT PATCH | halvex-delta apply BASE PATCH RESULT\n";
    return 2;
  }
  try {
    const std::vector<uint8_t> base = ReadAll(argv[2]);
    const std::vector<uint8_t> second = ReadAll(argv[3]);
    if (command == "make") {
      WriteAll(argv[4], release::MakePatch(base, second));
      return 0;
    }
    std::ofstream out(argv[4], std::ios::binary);
    release::ApplyPatch(base, second, [&](std::span<const uint8_t> piece) {
      out.write(reinterpret_cast<const char*>(piece.data()), static_cast<std::streamsize>(piece.size()));
    });
    if (!out.flush()) throw std::runtime_error(std::string("cannot write ") + argv[4]);
    return 0;
  } catch (const std::exception& e) {
    std::cerr << "halvex-delta: " << e.what() << "\n";
    return 1;
  }
}
