#include "options.h"

#include <stdexcept>

namespace halvex_unzip {

std::optional<zip::TZipSortMode> ParseSortMode(const std::string& word) {
  static const struct {
    const char* word;
    zip::TZipSortMode mode;
  } kModes[] = {{"name", zip::ByName}, {"filename", zip::ByFileName}, {"dir", zip::ByDirectoryName},
                {"date", zip::ByDate}, {"csize", zip::ByCompressedSize}, {"usize", zip::ByUnCompressedSize},
                {"rate", zip::ByRate}, {"none", zip::ByNone}};
  for (const auto& m : kModes)
    if (word == m.word) return m.mode;
  return std::nullopt;
}

const char* Usage() {
  return "Usage: halvex-unzip [-l|-v|-t] [-d DIR] [-o|-n] [-j] [-P PASSWORD] [-q] [--sort MODE]\n"
         "                    ARCHIVE [PATTERN...]\n"
         "  -l          list entries          -v  list with method, sizes, CRC-32, comments\n"
         "  -t          test: decode and check every entry, write nothing\n"
         "  -d DIR      extract into DIR      -j  junk paths: every file straight into DIR\n"
         "  -o          overwrite without asking   -n  never overwrite existing files\n"
         "  -P PASSWORD password of encrypted entries\n"
         "  -q          quieter (-qq: quiet)\n"
         "  --sort MODE order of entries: name, filename, dir, date, csize, usize, rate, none\n"
         "PATTERN: * any run, ? one character, <a-z> a set; letters match in any case.\n";
}

Options ParseOptions(const std::vector<std::string>& args) {
  Options o;
  bool have_archive = false;
  bool options_done = false;
  auto value_of = [&args](size_t& i, const std::string& what) -> std::string {
    if (i + 1 >= args.size()) throw std::invalid_argument("option " + what + " needs a value");
    return args[++i];
  };
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (!options_done && a == "--") {
      options_done = true;
      continue;
    }
    if (!options_done && a.size() > 2 && a.compare(0, 2, "--") == 0) {
      if (a == "--sort") {
        const std::string word = value_of(i, a);
        const auto mode = ParseSortMode(word);
        if (!mode) throw std::invalid_argument("unknown sort mode: " + word);
        o.sort = *mode;
      } else if (a.compare(0, 7, "--sort=") == 0) {
        const auto mode = ParseSortMode(a.substr(7));
        if (!mode) throw std::invalid_argument("unknown sort mode: " + a.substr(7));
        o.sort = *mode;
      } else {
        throw std::invalid_argument("unknown option: " + a);
      }
      continue;
    }
    if (!options_done && a.size() > 1 && a[0] == '-') {
      for (size_t k = 1; k < a.size(); ++k) {
        const char c = a[k];
        switch (c) {
          case 'l': o.action = Action::List; break;
          case 'v': o.action = Action::Verbose; break;
          case 't': o.action = Action::Test; break;
          case 'o': o.overwrite = Overwrite::Always; break;
          case 'n': o.overwrite = Overwrite::Never; break;
          case 'j': o.junk_paths = true; break;
          case 'q': ++o.quiet; break;
          case 'd':
          case 'P': {
            // The value may follow in the same word (-dDIR) or as the next word.
            std::string value = a.substr(k + 1);
            if (value.empty()) value = value_of(i, std::string("-") + c);
            if (c == 'd') {
              if (value.empty()) throw std::invalid_argument("option -d needs a folder");
              o.dest_dir = value;
            } else {
              o.password = value;
            }
            k = a.size();
            break;
          }
          default: throw std::invalid_argument(std::string("unknown option: -") + c);
        }
      }
      continue;
    }
    if (!have_archive) {
      o.archive = a;
      have_archive = true;
    } else {
      o.patterns.push_back(a);
    }
  }
  if (!have_archive) throw std::invalid_argument("no archive given");
  return o;
}

}  // namespace halvex_unzip
