// Apexer's run record held against its chain: the installation's row, and /record FILE.
#pragma once
#include <string>

#include "check/check_table.h"
#include "processing/record_chain.h"

namespace apexer::check {

// One sentence: the file verifies, or the first line that does not fit and why.
std::string RecordVerdictText(const std::string& path, const RecordVerdict& verdict);
// The file's name after its last backslash.
std::string FileNameOf(const std::string& path);

// The record Apexer kept last: beside Apexer.exe, or in the user's own folder when that is the newer one
// (Apexer writes there only when its own folder cannot be written).
Outcome CheckRunRecord(CheckContext& c);

}  // namespace apexer::check
