#pragma once
// The one exception type the platform layer throws. The add-in catches it at
// each operation's boundary and logs it through CDebug::OutError, which reads
// the number and the description from the exception in flight.
#include <stdexcept>
#include <string>

namespace platform {

class Error : public std::runtime_error {
 public:
  // number: a stable error number for the log ("Error(<number>) : ..."); 0
  // when the failure has none of its own.
  explicit Error(const std::string& description, long number = 0)
      : std::runtime_error(description), number_(number) {}
  long number() const { return number_; }

 private:
  long number_;
};

}  // namespace platform
