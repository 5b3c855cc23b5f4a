// The program's run-time errors and the user's Cancel, both ending the run from wherever they arise.
#pragma once
#include <stdexcept>
#include <string>

#include "platform/types.h"

namespace apexer {

class AppError : public std::runtime_error {
 public:
  AppError(Long number, const std::string& description)
      : std::runtime_error(description), number_(number) {}
  Long Number() const noexcept { return number_; }

 private:
  Long number_;
};

// The program's own error number.
constexpr Integer kAppErrorNumber = 32767;

// Raises the error as AppError; Main reports it as the user sees it.
[[noreturn]] void RaiseAppError(Integer number, const std::string& description);

// Raised from the yield after the status window's Cancel was clicked.
class CancelRequested : public std::exception {
 public:
  const char* what() const noexcept override { return "cancelled by the user"; }
};

}  // namespace apexer
