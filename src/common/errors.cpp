#include "common/errors.h"

namespace apexer {

void RaiseAppError(Integer number, const std::string& description) { throw AppError(number, description); }

}  // namespace apexer
