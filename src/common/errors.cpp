#include "common/errors.h"

namespace apexer {

LastErrorRecord LastError;

void RaiseAppError(Integer number, const std::string& description) {
  LastError.Number = number;
  LastError.Description = description;
  throw AppError(number, description);
}

}  // namespace apexer
