// The processing run: integrate the current sample, combine one spectrum per peak, print in batches of six.
#pragma once
#include <string>

#include "common/platform.h"
#include "processing/run_record.h"

namespace apexer {

constexpr int kSpectraPerPrint = 6;

// The peak count; 0 without a sample; the integration's result when it found no peaks; after an early stop
// the index of the refused peak. Raises the program's error when "Replace" cannot be set to "FALSE"; the
// host's setting and raw file are put back on every way out. What each step did goes into the record.
Integer RunSampleProcessing(Platform& p, RunRecord& record, const std::string& channelDescription);

std::string ProcessingStatusText(long long position, long long count);

}  // namespace apexer
