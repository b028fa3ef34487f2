#pragma once

#include <string>

namespace platform {

// The text of an exception as the default handler shows it: a full stop is appended when the last
// character sorts after '.' in byte order, so texts ending in '!' or ')' keep their end.
std::string ExceptionDisplayText(const std::string& message);

}  // namespace platform
