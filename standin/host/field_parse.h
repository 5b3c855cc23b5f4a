// Reading the "Combine Spectrum" dialog's fields as the host understands them.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace standin {

struct ScanRange {
  int first = 0;
  int last = 0;
  bool operator==(const ScanRange&) const = default;
};

// "49:51", "17" or "3:5,20:22"; every scan must lie in 1..scanCount and first <= last.
// An empty text is an empty list when allowEmpty, else an error. On error, `error` says what is wrong.
std::optional<std::vector<ScanRange>> ParseScanRanges(std::string_view text, int scanCount, bool allowEmpty,
                                                      std::string& error);

// A plain decimal number ("1", "0.5", "-2", "1e3"); nothing else on the line but spaces.
std::optional<double> ParseNumberField(std::string_view text);

std::string FormatScanRanges(const std::vector<ScanRange>& ranges);

}  // namespace standin
