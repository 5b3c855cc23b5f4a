#include "field_parse.h"

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdlib>

namespace standin {

namespace {

std::string_view TrimView(std::string_view s) {
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.remove_suffix(1);
  return s;
}

std::optional<int> ParseScan(std::string_view s) {
  s = TrimView(s);
  if (s.empty() || s.size() > 9) return std::nullopt;
  int v = 0;
  for (char c : s) {
    if (c < '0' || c > '9') return std::nullopt;
    v = v * 10 + (c - '0');
  }
  return v;
}

}  // namespace

std::optional<std::vector<ScanRange>> ParseScanRanges(std::string_view text, int scanCount, bool allowEmpty,
                                                      std::string& error) {
  std::vector<ScanRange> out;
  std::string_view rest = TrimView(text);
  if (rest.empty()) {
    if (allowEmpty) return out;
    error = "No scans given.";
    return std::nullopt;
  }
  while (true) {
    size_t comma = rest.find(',');
    std::string_view item = TrimView(rest.substr(0, comma));
    size_t colon = item.find(':');
    auto first = ParseScan(item.substr(0, colon));
    auto last = colon == std::string_view::npos ? first : ParseScan(item.substr(colon + 1));
    if (!first || !last) {
      error = "\"" + std::string(item) + "\" is not a scan range.";
      return std::nullopt;
    }
    if (*first < 1 || *last > scanCount || *first > *last) {
      error = "Scans " + std::string(item) + " are outside 1 to " + std::to_string(scanCount) + ".";
      return std::nullopt;
    }
    out.push_back({*first, *last});
    if (comma == std::string_view::npos) break;
    rest = rest.substr(comma + 1);
  }
  return out;
}

std::optional<double> ParseNumberField(std::string_view text) {
  std::string s(TrimView(text));
  if (s.empty()) return std::nullopt;
  char* end = nullptr;
  errno = 0;
  double v = std::strtod(s.c_str(), &end);
  if (errno != 0 || end != s.c_str() + s.size() || !std::isfinite(v)) return std::nullopt;
  return v;
}

std::string FormatScanRanges(const std::vector<ScanRange>& ranges) {
  std::string out;
  for (const auto& r : ranges) {
    if (!out.empty()) out += ',';
    out += std::to_string(r.first);
    if (r.last != r.first) out += ':' + std::to_string(r.last);
  }
  return out;
}

}  // namespace standin
