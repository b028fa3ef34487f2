// The runtime's exception classes. Every error inside the program is one of these (or an
// engine's descendant of Exception) and carries the exact text the user will see.
#pragma once

#include <stdexcept>
#include <string>

namespace platform {

class Exception : public std::runtime_error {
 public:
  explicit Exception(const std::string& message) : std::runtime_error(message) {}
  // The text as shown to the user (what() without any decoration).
  std::string Message() const { return what(); }
};

class EStreamError : public Exception {
  using Exception::Exception;
};
// "Cannot open file "%s". %s"
class EFOpenError : public EStreamError {
  using EStreamError::EStreamError;
};
// "Cannot create file "%s". %s"
class EFCreateError : public EStreamError {
  using EStreamError::EStreamError;
};
class EReadError : public EStreamError {
  using EStreamError::EStreamError;
};
class EWriteError : public EStreamError {
  using EStreamError::EStreamError;
};
class EListError : public Exception {
  using Exception::Exception;
};
class EConvertError : public Exception {
  using Exception::Exception;
};
class EOutOfMemory : public Exception {
  using Exception::Exception;
};

}  // namespace platform
