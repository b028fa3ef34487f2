// printf-style formatting into a std::string, for the message texts that are quoted with %s and
// %d placeholders.
#pragma once

#include <string>

namespace platform {

[[gnu::format(printf, 1, 2)]] std::string Format(const char* format, ...);

}  // namespace platform
