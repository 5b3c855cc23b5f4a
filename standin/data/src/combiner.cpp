#include "ivdata/combiner.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <numeric>

#include "ivdata/text.h"

namespace ivdata {

namespace {

bool Fail(std::string* error, const std::string& message) {
  if (error) *error = message;
  return false;
}

bool ScanNumber(std::string_view text, int& value) {
  const std::string_view t = TrimBlanks(text);
  if (t.empty() || !IsDigit(t.front())) return false;
  const auto r = std::from_chars(t.data(), t.data() + t.size(), value);
  return r.ec == std::errc() && r.ptr == t.data() + t.size();
}

}  // namespace

bool ParseScanRanges(std::string_view text, std::vector<ScanRange>& ranges, std::string* error) {
  std::vector<ScanRange> result;
  const std::string_view t = TrimBlanks(text);
  if (t.size() > 1000) return Fail(error, "scan range text too long");
  std::size_t start = 0;
  while (!t.empty() && start <= t.size()) {
    std::size_t comma = t.find(',', start);
    if (comma == std::string_view::npos) comma = t.size();
    const std::string_view item = t.substr(start, comma - start);
    const std::size_t colon = item.find(':');
    ScanRange r;
    if (colon == std::string_view::npos) {
      if (!ScanNumber(item, r.first)) return Fail(error, "not a scan number: \"" + std::string(item) + "\"");
      r.last = r.first;
    } else if (!ScanNumber(item.substr(0, colon), r.first) || !ScanNumber(item.substr(colon + 1), r.last)) {
      return Fail(error, "not a scan range (first:last): \"" + std::string(item) + "\"");
    }
    if (r.first < 1 || r.last < 1) return Fail(error, "scan numbers start at 1: \"" + std::string(item) + "\"");
    if (r.last < r.first) std::swap(r.first, r.last);
    result.push_back(r);
    start = comma + 1;
  }
  ranges = std::move(result);
  return true;
}

bool ParseDialogNumber(std::string_view text, double& value) {
  std::string t(TrimBlanks(text));
  if (t.empty() || t.size() > 64) return false;
  std::replace(t.begin(), t.end(), ',', '.');
  const char* begin = t.data();
  if (t.front() == '+') ++begin;
  double v = 0;
  const auto r = std::from_chars(begin, t.data() + t.size(), v);
  if (r.ec != std::errc() || r.ptr != t.data() + t.size() || !std::isfinite(v)) return false;
  value = v;
  return true;
}

std::string ScanRangesText(const std::vector<ScanRange>& ranges) {
  std::string text;
  for (const ScanRange& r : ranges) {
    if (!text.empty()) text += ", ";
    text += std::to_string(r.first);
    if (r.last != r.first) text += ":" + std::to_string(r.last);
  }
  return text;
}

bool ReadCombineFields(const CombineFields& fields, int scanCount, CombineRequest& request, std::string& error) {
  request = {};
  std::vector<ScanRange> first, more;
  std::string why;
  if (!ParseScanRanges(fields.scans, first, &why) || first.empty()) {
    error = "Scans: \"" + fields.scans + "\" is not a scan range" + (why.empty() ? "." : " (" + why + ").");
    return false;
  }
  if (!ParseScanRanges(fields.moreScans, more, &why)) {
    error = "Also combine: \"" + fields.moreScans + "\" is not a list of scan ranges (" + why + ").";
    return false;
  }
  std::vector<ScanRange> ranges = first;
  ranges.insert(ranges.end(), more.begin(), more.end());
  if (ranges.size() > static_cast<std::size_t>(kMaxCombineRanges)) {
    error = "At most three scan ranges can be combined.";
    return false;
  }
  for (const ScanRange& r : ranges) {
    const int lo = std::min(r.first, r.last), hi = std::max(r.first, r.last);
    if (hi < 1 || lo > scanCount) {
      error = "Scans " + std::to_string(r.first) + ":" + std::to_string(r.last) + " lie outside the sample (1 to " +
              std::to_string(scanCount) + ").";
      return false;
    }
  }
  double scale = 0, threshold = 0;
  if (!ParseDialogNumber(fields.scale, scale) || !(scale > 0)) {
    error = "Scale: \"" + fields.scale + "\" is not a number above 0.";
    return false;
  }
  if (!ParseDialogNumber(fields.threshold, threshold) || threshold < 0 || threshold > 100) {
    error = "Threshold: \"" + fields.threshold + "\" is not a percentage from 0 to 100.";
    return false;
  }
  request.ranges = std::move(ranges);
  request.scale = scale;
  request.thresholdPercent = threshold;
  return true;
}

namespace {

constexpr std::size_t kCompactAbove = std::size_t{1} << 20;

void MergeCentroids(std::vector<std::pair<double, double>>& points, double ppm, Spectrum& out) {
  std::sort(points.begin(), points.end());
  std::size_t i = 0;
  while (i < points.size()) {
    double weighted = points[i].first * points[i].second;
    double sum = points[i].second;
    double unweighted = points[i].first;
    std::size_t count = 1;
    std::size_t j = i + 1;
    for (; j < points.size(); ++j) {
      // Weighted centre; with zero or negative total weight, the plain mean keeps it meaningful.
      const double centre = sum > 0 ? weighted / sum : unweighted / static_cast<double>(count);
      if (points[j].first - centre > centre * ppm * 1e-6) break;
      weighted += points[j].first * points[j].second;
      sum += points[j].second;
      unweighted += points[j].first;
      ++count;
    }
    out.mz.push_back(sum > 0 ? weighted / sum : unweighted / static_cast<double>(count));
    out.intensity.push_back(sum);
    i = j;
  }
}

void AddOnGrid(const Spectrum& scan, Spectrum& out) {
  // Linear interpolation of the scan at each grid point; zero outside the scan's m/z span.
  if (scan.mz.empty()) return;
  std::size_t k = 0;
  for (std::size_t g = 0; g < out.mz.size(); ++g) {
    const double x = out.mz[g];
    if (x < scan.mz.front() || x > scan.mz.back()) continue;
    while (k + 1 < scan.mz.size() && scan.mz[k + 1] < x) ++k;
    if (k + 1 >= scan.mz.size() || scan.mz[k] >= x) {
      out.intensity[g] += scan.mz[k] == x ? scan.intensity[k] : 0.0;
      continue;
    }
    const double x0 = scan.mz[k], x1 = scan.mz[k + 1];
    const double f = x1 > x0 ? (x - x0) / (x1 - x0) : 0.0;
    out.intensity[g] += scan.intensity[k] + f * (scan.intensity[k + 1] - scan.intensity[k]);
  }
}

}  // namespace

CombinedSpectrum CombineScans(const Sample& sample, const CombineRequest& request) {
  const int n = sample.Function(request.function).scanCount;  // throws for an unknown function
  if (request.ranges.empty()) throw Error("no scan range to combine");
  if (static_cast<int>(request.ranges.size()) > kMaxCombineRanges) throw Error("more than three scan ranges");
  if (!std::isfinite(request.scale) || request.scale <= 0) throw Error("scale must be a positive number");
  if (!(request.thresholdPercent >= 0 && request.thresholdPercent <= 100)) throw Error("threshold must lie between 0 and 100 percent");
  if (!(request.tolerancePpm >= 0 && request.tolerancePpm <= 1e5)) throw Error("tolerance must lie between 0 and 100000 ppm");

  CombinedSpectrum result;
  result.sampleName = sample.Info().name;
  result.function = request.function;
  std::vector<int> scans;
  for (ScanRange r : request.ranges) {
    if (r.last < r.first) std::swap(r.first, r.last);
    if (r.last < 1 || r.first > n) {
      throw Error("scan range " + std::to_string(r.first) + ":" + std::to_string(r.last) + " lies outside function " +
                  std::to_string(request.function) + " (scans 1 to " + std::to_string(n) + ")");
    }
    r.first = std::max(r.first, 1);
    r.last = std::min(r.last, n);
    result.ranges.push_back(r);
    for (int s = r.first; s <= r.last; ++s) scans.push_back(s);
  }
  std::sort(scans.begin(), scans.end());
  scans.erase(std::unique(scans.begin(), scans.end()), scans.end());
  result.scansUsed = static_cast<int>(scans.size());
  result.firstRt = sample.Scan(request.function, scans.front()).rt;
  result.lastRt = sample.Scan(request.function, scans.back()).rt;

  bool allProfile = true;
  for (int s : scans) allProfile = allProfile && !sample.Scan(request.function, s).centroided;

  Spectrum& out = result.spectrum;
  if (allProfile) {
    out.centroided = false;
    const Spectrum grid = sample.ReadSpectrum(request.function, scans.front());
    out.mz = grid.mz;
    out.intensity = grid.intensity;
    for (std::size_t i = 1; i < scans.size(); ++i) AddOnGrid(sample.ReadSpectrum(request.function, scans[i]), out);
  } else {
    out.centroided = true;
    std::vector<std::pair<double, double>> points;
    for (int s : scans) {
      const Spectrum sp = sample.ReadSpectrum(request.function, s);
      for (std::size_t i = 0; i < sp.mz.size(); ++i) points.emplace_back(sp.mz[i], sp.intensity[i]);
      if (points.size() > kCompactAbove) {
        // Long ranges: merge what has come so far, so memory follows the result, not the scan count.
        Spectrum partial;
        MergeCentroids(points, request.tolerancePpm, partial);
        points.clear();
        for (std::size_t i = 0; i < partial.mz.size(); ++i) points.emplace_back(partial.mz[i], partial.intensity[i]);
      }
    }
    MergeCentroids(points, request.tolerancePpm, out);
  }
  for (double& v : out.intensity) v *= request.scale;

  double base = 0;
  for (double v : out.intensity) base = std::max(base, v);
  if (request.thresholdPercent > 0 && base > 0) {
    const double floor = base * request.thresholdPercent / 100;
    std::size_t w = 0;
    for (std::size_t i = 0; i < out.mz.size(); ++i) {
      // Profile data keeps its grid: points under the threshold become zero instead of vanishing.
      if (out.intensity[i] >= floor) {
        out.mz[w] = out.mz[i];
        out.intensity[w++] = out.intensity[i];
      } else if (!out.centroided) {
        out.mz[w] = out.mz[i];
        out.intensity[w++] = 0;
      }
    }
    out.mz.resize(w);
    out.intensity.resize(w);
  }
  for (std::size_t i = 0; i < out.mz.size(); ++i) {
    if (out.intensity[i] > result.basePeakIntensity) {
      result.basePeakIntensity = out.intensity[i];
      result.basePeakMz = out.mz[i];
    }
  }
  return result;
}

}  // namespace ivdata
