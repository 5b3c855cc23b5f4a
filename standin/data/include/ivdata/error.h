// The engine's one error type: a one-line, human-readable message about bad input or failed I/O.
#pragma once
#include <stdexcept>
#include <string>

namespace ivdata {

// Every engine function may throw Error (bad input, corrupt or truncated file, I/O failure) and
// std::bad_alloc; nothing else. Callers at a C boundary must catch both.
class Error : public std::runtime_error {
 public:
  explicit Error(const std::string& message) : std::runtime_error(message) {}
};

}  // namespace ivdata
