// halvex-skin bench [ROUNDS]: switches SkinIndex across all carried skins and compares the time
// of one switch with the time of inflating the same package alone.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "platform/stream.h"
#include "skin/builtin_skins.h"
#include "skin/skin_data.h"

namespace {

double Median(std::vector<double> v) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  const size_t n = v.size();
  return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

double MillisecondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

int RunSkinSwitchBench(int argc, char** argv) {
  const int rounds = argc > 0 ? std::max(1, std::atoi(argv[0])) : 20;
  skin::TbsCompressedSkinList list;
  skin::LoadBuiltinSkinList(list);
  const int count = list.Skins().Count();
  for (int i = 0; i < count; ++i) {
    if (list.Skins().Items(i).Skin().IsEmpty()) {
      std::fprintf(stderr, "halvex-skin bench: skin %d has no package in this build\n", i);
      return 1;
    }
  }
  skin::TbsSkinData data;
  data.SetSkinIndex(count - 1);
  data.SetSkinList(&list);

  std::vector<std::vector<double>> switches(count), inflates(count);
  for (int r = 0; r < rounds; ++r) {
    for (int i = 0; i < count; ++i) {
      auto start = std::chrono::steady_clock::now();
      data.SetSkinIndex(i);
      switches[i].push_back(MillisecondsSince(start));
      if (data.Empty) {
        std::fprintf(stderr, "halvex-skin bench: skin %d did not load\n", i);
        return 1;
      }
      start = std::chrono::steady_clock::now();
      platform::MemoryStream plain;
      list.Skins().Items(i).Skin().DecompressTo(plain);
      inflates[i].push_back(MillisecondsSince(start));
    }
  }
  std::printf("%-22s %10s %10s %7s\n", "skin", "switch ms", "inflate ms", "ratio");
  std::vector<double> all_switches, ratios;
  for (int i = 0; i < count; ++i) {
    const double s = Median(switches[i]), z = Median(inflates[i]);
    std::printf("%-22s %10.3f %10.3f %7.2f\n", list.Skins().Items(i).Name.c_str(), s, z, s / z);
    all_switches.insert(all_switches.end(), switches[i].begin(), switches[i].end());
    ratios.push_back(s / z);
  }
  std::printf("median per switch: %.3f ms over %d switches; median ratio to inflating alone: %.2f (goal <= 3)\n",
              Median(all_switches), rounds * count, Median(ratios));
  return 0;
}
