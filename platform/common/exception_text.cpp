#include "platform/exception_text.h"

namespace platform {

std::string ExceptionDisplayText(const std::string& message) {
  if (!message.empty() && static_cast<unsigned char>(message.back()) > static_cast<unsigned char>('.'))
    return message + ".";
  return message;
}

}  // namespace platform
