#pragma once
// The toolkit's errors. Messages are the system's 8-bit (GBK) texts.

#include <exception>
#include <string>

namespace kvx {

class Exception : public std::exception {
 public:
  explicit Exception(std::string message) : FMessage(std::move(message)) {}
  const char* what() const noexcept override { return FMessage.c_str(); }
  const std::string& Message() const noexcept { return FMessage; }

 private:
  std::string FMessage;
};

// The silent abort: unwinds like any error, but the application's error
// report never shows it.
class EAbort : public Exception {
 public:
  EAbort() : Exception("Operation aborted") {}
};

[[noreturn]] inline void Abort() {
  throw EAbort();
}

}  // namespace kvx
