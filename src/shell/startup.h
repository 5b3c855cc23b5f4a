// The entry procedure: settings, the status window, one processing run, the placement written back.
#pragma once
#include "common/platform.h"
#include "processing/run_record.h"

namespace apexer {

// Process exit codes.
constexpr int kExitDone = 0;
constexpr int kExitError = 1;      // an uncaught error was reported to the user
constexpr int kExitCancelled = 2;  // the user clicked Cancel

inline constexpr const char* kProgramSection = "Combine";
inline constexpr const char* kChannelKey = "ChroDesc";
inline constexpr const char* kPlacementKey = "Combiner";

// Runs the whole job once and returns the exit code. An error ends it through the application's report,
// without the placement being written; so does Cancel, silently. The record keeps what the run did.
int Main(Platform& p, RunRecord& record);

}  // namespace apexer
