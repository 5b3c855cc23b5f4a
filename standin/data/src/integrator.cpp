// Peak finding: smooth, keep maxima that stand out of the noise (prominence), walk out to the feet,
// draw the baseline under each group of touching peaks, refine the apex, measure height and area.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numeric>

#include "ivdata/integrator.h"

namespace ivdata {

namespace {

// A maximum must rise this many noise levels above the higher of its two bases...
constexpr double kProminenceNoise = 3.0;
// ...and by this share of its height over the lower base, so ripples on a big peak do not split it.
constexpr double kProminenceShare = 0.05;
// A foot is reached when the trace falls by less than this many smoothed-noise levels further out,
// or comes within one smoothed-noise level of the baseline.
constexpr double kFootDrop = 2.5;
constexpr double kAtBaseline = 1.0;

std::vector<double> SavitzkyGolayCoefficients(int half) {
  // Quadratic (and cubic) least-squares smoothing weights for 2*half+1 points.
  const double m = half;
  const double norm = (2 * m - 1) * (2 * m + 1) * (2 * m + 3);
  std::vector<double> c(static_cast<std::size_t>(2 * half + 1));
  for (int j = -half; j <= half; ++j) {
    c[static_cast<std::size_t>(j + half)] = (3 * (3 * m * m + 3 * m - 1) - 15.0 * j * j) / norm;
  }
  return c;
}

struct Smoothed {
  std::vector<double> values;
  double noiseFactor = 1;  // noise of the smoothed trace over that of the raw one (white noise)
};

Smoothed Smooth(const std::vector<double>& y, SmoothMethod method, int width) {
  Smoothed out;
  const int n = static_cast<int>(y.size());
  int half = std::max(0, (width - 1) / 2);
  if (method == SmoothMethod::None) half = 0;
  if (half == 0) {
    out.values = y;
    return out;
  }
  std::vector<std::vector<double>> weights(static_cast<std::size_t>(half + 1));
  for (int h = 1; h <= half; ++h) {
    if (method == SmoothMethod::SavitzkyGolay && h >= 2) {
      weights[static_cast<std::size_t>(h)] = SavitzkyGolayCoefficients(h);
    } else {
      weights[static_cast<std::size_t>(h)].assign(static_cast<std::size_t>(2 * h + 1), 1.0 / (2 * h + 1));
    }
  }
  out.values.resize(y.size());
  for (int i = 0; i < n; ++i) {
    const int h = std::min({half, i, n - 1 - i});
    if (h == 0) {
      out.values[static_cast<std::size_t>(i)] = y[static_cast<std::size_t>(i)];
      continue;
    }
    const auto& w = weights[static_cast<std::size_t>(h)];
    double sum = 0;
    for (int j = -h; j <= h; ++j) sum += w[static_cast<std::size_t>(j + h)] * y[static_cast<std::size_t>(i + j)];
    out.values[static_cast<std::size_t>(i)] = sum;
  }
  double sq = 0;
  for (double c : weights[static_cast<std::size_t>(half)]) sq += c * c;
  out.noiseFactor = std::sqrt(sq);
  return out;
}

// Position of the minimum of s over [a, b] (the first one on ties): a segment tree, O(log n) per
// query and 2n indices of memory, so long analog traces stay cheap on 32-bit hosts too.
class RangeMin {
 public:
  explicit RangeMin(const std::vector<double>& s) : s_(s), n_(s.size()), tree_(2 * s.size()) {
    for (std::size_t i = 0; i < n_; ++i) tree_[n_ + i] = i;
    for (std::size_t i = n_; i-- > 1;) tree_[i] = Lower(tree_[2 * i], tree_[2 * i + 1]);
  }
  std::size_t ArgMin(std::size_t a, std::size_t b) const {
    std::size_t best = a;
    for (std::size_t l = a + n_, r = b + n_ + 1; l < r; l /= 2, r /= 2) {
      if (l & 1) best = Lower(best, tree_[l++]);
      if (r & 1) best = Lower(best, tree_[--r]);
    }
    return best;
  }

 private:
  std::size_t Lower(std::size_t a, std::size_t b) const {
    return (s_[b] < s_[a] || (s_[b] == s_[a] && b < a)) ? b : a;
  }
  const std::vector<double>& s_;
  std::size_t n_;
  std::vector<std::size_t> tree_;
};

struct Candidate {
  std::size_t apex = 0;
  std::size_t start = 0;
  std::size_t end = 0;
  double prominence = 0;
  double base = 0;  // the lower of the two bases of the prominence
};

// Minimum (or maximum) over [i - half, i + half], by a monotonic queue.
std::vector<double> SlidingExtreme(const std::vector<double>& v, std::size_t half, bool minimum) {
  const std::size_t n = v.size();
  std::vector<double> out(n);
  std::vector<std::size_t> queue(n);
  std::size_t head = 0, tail = 0, next = 0;
  auto better = [&](double a, double b) { return minimum ? a <= b : a >= b; };
  for (std::size_t i = 0; i < n; ++i) {
    const std::size_t hi = std::min(n - 1, i + half);
    for (; next <= hi; ++next) {
      while (tail > head && better(v[next], v[queue[tail - 1]])) --tail;
      queue[tail++] = next;
    }
    while (queue[head] + half < i) ++head;
    out[i] = v[queue[head]];
  }
  return out;
}

// Interior local maxima; a plateau counts once, at its middle.
std::vector<std::size_t> LocalMaxima(const std::vector<double>& s) {
  std::vector<std::size_t> maxima;
  const std::size_t n = s.size();
  std::size_t i = 1;
  while (i + 1 < n) {
    if (s[i] > s[i - 1]) {
      std::size_t j = i;
      while (j + 1 < n && s[j + 1] == s[i]) ++j;
      if (j + 1 < n && s[j + 1] < s[i]) maxima.push_back((i + j) / 2);
      i = j + 1;
    } else {
      ++i;
    }
  }
  return maxima;
}

double Interpolate(const std::vector<double>& v, double at) {
  const double clamped = std::clamp(at, 0.0, static_cast<double>(v.size() - 1));
  const auto i = static_cast<std::size_t>(std::floor(clamped));
  if (i + 1 >= v.size()) return v.back();
  const double f = clamped - static_cast<double>(i);
  return v[i] + f * (v[i + 1] - v[i]);
}

// Apex position (fractional index) and smoothed height from a parabola through three points.
void ParabolicApex(const std::vector<double>& s, std::size_t i, double& position, double& value) {
  position = static_cast<double>(i);
  value = s[i];
  if (i == 0 || i + 1 >= s.size()) return;
  const double a = s[i - 1], b = s[i], c = s[i + 1];
  const double denom = a - 2 * b + c;
  if (denom >= 0) return;
  const double delta = std::clamp(0.5 * (a - c) / denom, -0.5, 0.5);
  position += delta;
  value = b - 0.25 * (a - c) * delta;
}

// Apex from the unsmoothed trace smoothed again with a window matched to this peak (about 1.4 times
// its width at half height): wider than the detection smoothing for broad peaks, so noise moves the
// apex less, yet narrow enough not to pull it towards a neighbour.
double MatchedApex(const std::vector<double>& y, const std::vector<double>& s, std::size_t apex, std::size_t start,
                   std::size_t end, double base, int detectionWidth) {
  const double half = base + 0.5 * (s[apex] - base);
  std::size_t left = apex, right = apex;
  while (left > start && s[left - 1] > half) --left;
  while (right < end && s[right + 1] > half) ++right;
  const double fwhm = static_cast<double>(right - left + 1);
  int width = std::max(detectionWidth, static_cast<int>(std::lround(1.4 * fwhm)) | 1);
  width = std::min(width, 41);
  int h = (width - 1) / 2;
  const auto n = static_cast<std::ptrdiff_t>(y.size());
  const auto a = static_cast<std::ptrdiff_t>(apex);
  h = static_cast<int>(std::min<std::ptrdiff_t>({h, a - 1 >= 0 ? a - 1 : 0, n - 2 - a >= 0 ? n - 2 - a : 0}));
  if (h < 2) return NAN;
  const std::vector<double> c = SavitzkyGolayCoefficients(h);
  auto smoothAt = [&](std::ptrdiff_t i) {
    double sum = 0;
    for (int j = -h; j <= h; ++j) sum += c[static_cast<std::size_t>(j + h)] * y[static_cast<std::size_t>(i + j)];
    return sum;
  };
  // Climb to the local maximum of the re-smoothed trace, at most two points away.
  std::ptrdiff_t i = a;
  for (int step = 0; step < 2; ++step) {
    if (i - 1 - h < 0 || i + 1 + h >= n) return NAN;
    const double here = smoothAt(i), before = smoothAt(i - 1), after = smoothAt(i + 1);
    if (before > here && before >= after) { --i; continue; }
    if (after > here) { ++i; continue; }
    break;
  }
  if (i - 1 - h < 0 || i + 1 + h >= n) return NAN;
  const std::vector<double> three = {smoothAt(i - 1), smoothAt(i), smoothAt(i + 1)};
  double position = 0, value = 0;
  ParabolicApex(three, 1, position, value);
  return static_cast<double>(i) + position - 1;
}

}  // namespace

double EstimateNoise(std::span<const double> values) {
  // Second differences cancel drift and most of a peak's flanks, which first differences would
  // count as noise when peaks cover much of the trace.
  if (values.size() < 3) return 0;
  std::vector<double> d(values.size() - 2);
  for (std::size_t i = 0; i + 2 < values.size(); ++i) d[i] = std::fabs(values[i + 2] - 2 * values[i + 1] + values[i]);
  const auto mid = d.begin() + static_cast<std::ptrdiff_t>(d.size() / 2);
  std::nth_element(d.begin(), mid, d.end());
  double noise = 1.4826 * *mid / std::sqrt(6.0);
  if (noise == 0) {
    // Mostly flat traces (sparse extracted masses): fall back to the mean difference.
    const double mean = std::accumulate(d.begin(), d.end(), 0.0) / static_cast<double>(d.size());
    noise = mean * std::sqrt(std::acos(-1.0) / 2) / std::sqrt(6.0);
  }
  return noise;
}

std::vector<Peak> IntegrateChromatogram(const Chromatogram& c, const IntegratorSettings& settings) {
  if (c.rt.size() != c.value.size() || c.scan.size() != c.value.size()) {
    throw Error("chromatogram arrays differ in length");
  }
  const std::size_t n = c.value.size();
  if (n < 3) return {};
  for (std::size_t i = 0; i < n; ++i) {
    if (!std::isfinite(c.value[i]) || !std::isfinite(c.rt[i]) || !std::isfinite(c.scan[i])) return {};
  }
  const double noise = EstimateNoise(c.value);
  if (!(noise > 0)) return {};

  const Smoothed smoothed = Smooth(c.value, settings.smoothMethod, settings.smoothWidth);
  const std::vector<double>& s = smoothed.values;
  const double smoothNoise = noise * smoothed.noiseFactor;
  const double minProminence = std::min(kProminenceNoise, std::max(settings.minSignalToNoise, 0.5)) * noise;
  const RangeMin rangeMin(s);

  // Prominence: nearest strictly higher point on each side bounds the search for each base.
  const std::vector<std::size_t> maxima = LocalMaxima(s);
  std::vector<Candidate> kept;
  {
    std::vector<std::size_t> leftHigher(maxima.size()), rightHigher(maxima.size());
    std::vector<std::size_t> stack;
    for (std::size_t k = 0; k < maxima.size(); ++k) {
      while (!stack.empty() && s[maxima[stack.back()]] <= s[maxima[k]]) stack.pop_back();
      leftHigher[k] = stack.empty() ? SIZE_MAX : maxima[stack.back()];
      stack.push_back(k);
    }
    stack.clear();
    for (std::size_t k = maxima.size(); k-- > 0;) {
      while (!stack.empty() && s[maxima[stack.back()]] <= s[maxima[k]]) stack.pop_back();
      rightHigher[k] = stack.empty() ? SIZE_MAX : maxima[stack.back()];
      stack.push_back(k);
    }
    for (std::size_t k = 0; k < maxima.size(); ++k) {
      const std::size_t p = maxima[k];
      const double leftBase = s[rangeMin.ArgMin(leftHigher[k] == SIZE_MAX ? 0 : leftHigher[k], p)];
      const double rightBase = s[rangeMin.ArgMin(p, rightHigher[k] == SIZE_MAX ? n - 1 : rightHigher[k])];
      const double prominence = s[p] - std::max(leftBase, rightBase);
      const double rise = s[p] - std::min(leftBase, rightBase);
      if (prominence >= minProminence && prominence >= kProminenceShare * rise) {
        Candidate cand;
        cand.apex = p;
        cand.prominence = prominence;
        cand.base = std::min(leftBase, rightBase);
        kept.push_back(cand);
      }
    }
  }
  if (kept.empty()) return {};

  // Local baseline for finding feet: a morphological opening of the smoothed trace with a window of
  // about six typical peak widths follows drift but not peaks; feet are sought on what rises above it.
  // Widths at half prominence: the prominence base is the one a drifting baseline does not move.
  std::vector<double> widths;
  for (std::size_t k = 0; k < kept.size(); ++k) {
    const std::size_t p = kept[k].apex;
    const double half = s[p] - 0.5 * kept[k].prominence;
    std::size_t l = p, r = p;
    while (l > 0 && s[l - 1] > half) --l;
    while (r + 1 < n && s[r + 1] > half) ++r;
    widths.push_back(static_cast<double>(r - l + 1));
  }
  std::vector<double> sorted = widths;
  std::nth_element(sorted.begin(), sorted.begin() + static_cast<std::ptrdiff_t>(sorted.size() / 2), sorted.end());
  const auto openingHalf = static_cast<std::size_t>(std::clamp(
      3 * sorted[sorted.size() / 2], static_cast<double>(std::max(7, settings.smoothWidth)), static_cast<double>(n)));
  const std::vector<double> lowEnvelope = SlidingExtreme(SlidingExtreme(s, openingHalf, true), openingHalf, false);
  std::vector<double> rise(n);
  for (std::size_t i = 0; i < n; ++i) rise[i] = s[i] - lowEnvelope[i];
  const RangeMin riseMin(rise);

  // Feet: walk out while the trace keeps falling towards its baseline, never past the valley
  // towards a neighbour; a rise on the way means the foot was the lowest point before it.
  const std::size_t reach = static_cast<std::size_t>(std::max(3, settings.smoothWidth));
  const double footDrop = kFootDrop * smoothNoise;
  const double atBaseline = kAtBaseline * smoothNoise;
  const double riseStop = minProminence;
  for (std::size_t k = 0; k < kept.size(); ++k) {
    const std::size_t p = kept[k].apex;
    const std::size_t leftLimit = k == 0 ? 0 : rangeMin.ArgMin(kept[k - 1].apex, p);
    const std::size_t rightLimit = k + 1 == kept.size() ? n - 1 : rangeMin.ArgMin(p, kept[k + 1].apex);
    std::size_t best = p;
    for (std::size_t i = p; i > leftLimit;) {
      --i;
      if (rise[i] < rise[best]) best = i;
      if (rise[i] > rise[best] + riseStop || rise[best] <= atBaseline) break;
      const std::size_t lo = std::max(i >= reach ? i - reach : 0, leftLimit);
      if (i == lo || rise[best] - rise[riseMin.ArgMin(lo, i - 1)] < footDrop) break;
    }
    // Noise hides the last of a flank: a foot closer than 1.3 widths (3 sigma of a Gaussian) moves out.
    const auto minReach = static_cast<std::size_t>(std::ceil(1.3 * widths[k]));
    if (p - best < minReach) best = std::max(leftLimit, p >= minReach ? p - minReach : 0);
    kept[k].start = best;
    best = p;
    for (std::size_t i = p; i < rightLimit;) {
      ++i;
      if (rise[i] < rise[best]) best = i;
      if (rise[i] > rise[best] + riseStop || rise[best] <= atBaseline) break;
      const std::size_t hi = std::min(i + reach, rightLimit);
      if (i == hi || rise[best] - rise[riseMin.ArgMin(i + 1, hi)] < footDrop) break;
    }
    if (best - p < minReach) best = std::min(rightLimit, p + minReach);
    kept[k].end = best;
  }

  // Baselines: one line under each run of touching peaks, split where a valley dips below it.
  std::vector<double> baseStart(kept.size()), baseEnd(kept.size());
  auto line = [&](std::size_t a, std::size_t b, double t) {
    if (settings.baseline == BaselineMode::Zero) return 0.0;
    const double ta = c.rt[a], tb = c.rt[b];
    if (tb <= ta) return s[a];
    return s[a] + (s[b] - s[a]) * (t - ta) / (tb - ta);
  };
  std::vector<std::pair<std::size_t, std::size_t>> anchors(kept.size());  // baseline ends per peak
  for (std::size_t first = 0; first < kept.size();) {
    std::size_t last = first;
    while (last + 1 < kept.size() && kept[last + 1].start <= kept[last].end) ++last;
    // Recursive splitting of the group [first, last] at valleys under the line.
    std::vector<std::pair<std::size_t, std::size_t>> work{{first, last}};
    while (!work.empty()) {
      const auto [a, b] = work.back();
      work.pop_back();
      const std::size_t from = kept[a].start, to = kept[b].end;
      std::size_t split = SIZE_MAX;
      double deepest = 0;
      for (std::size_t k = a; k < b; ++k) {
        const std::size_t v = kept[k].end;
        const double below = line(from, to, c.rt[v]) - s[v];
        if (below > deepest) {
          deepest = below;
          split = k;
        }
      }
      if (split == SIZE_MAX) {
        for (std::size_t k = a; k <= b; ++k) anchors[k] = {from, to};
      } else {
        work.push_back({a, split});
        work.push_back({split + 1, b});
      }
    }
    first = last + 1;
  }

  std::vector<Peak> peaks;
  double tallest = 0;
  for (std::size_t k = 0; k < kept.size(); ++k) {
    const Candidate& cand = kept[k];
    const auto [from, to] = anchors[k];
    double position = 0, top = 0;
    ParabolicApex(s, cand.apex, position, top);
    const double fitted = MatchedApex(c.value, s, cand.apex, cand.start, cand.end, line(from, to, c.rt[cand.apex]),
                                      settings.smoothWidth);
    if (std::isfinite(fitted) && std::fabs(fitted - position) <= 1.5) position = fitted;
    Peak peak;
    peak.apexScan = Interpolate(c.scan, position);
    peak.apexRt = Interpolate(c.rt, position);
    peak.startScan = static_cast<int>(std::lround(c.scan[cand.start]));
    peak.endScan = static_cast<int>(std::lround(c.scan[cand.end]));
    peak.startRt = c.rt[cand.start];
    peak.endRt = c.rt[cand.end];
    peak.baselineStart = line(from, to, peak.startRt);
    peak.baselineEnd = line(from, to, peak.endRt);
    peak.height = top - line(from, to, peak.apexRt);
    peak.signalToNoise = peak.height / noise;
    double area = 0;
    for (std::size_t i = cand.start; i < cand.end; ++i) {
      const double y0 = c.value[i] - line(from, to, c.rt[i]);
      const double y1 = c.value[i + 1] - line(from, to, c.rt[i + 1]);
      area += 0.5 * (y0 + y1) * (c.rt[i + 1] - c.rt[i]);
    }
    peak.area = area;
    // Width: unsmoothed points at or above half height, so a one-point spike has width 1.
    int width = 0;
    for (std::size_t i = cand.apex; i >= cand.start && c.value[i] - line(from, to, c.rt[i]) >= 0.5 * peak.height; --i) {
      ++width;
      if (i == 0) break;
    }
    for (std::size_t i = cand.apex + 1; i <= cand.end && c.value[i] - line(from, to, c.rt[i]) >= 0.5 * peak.height; ++i) ++width;
    if (width < settings.minWidth || peak.height <= 0 || peak.signalToNoise < settings.minSignalToNoise ||
        peak.height < settings.minHeight) {
      continue;
    }
    tallest = std::max(tallest, peak.height);
    peaks.push_back(peak);
  }
  if (settings.minRelativeHeight > 0) {
    const double floor = tallest * settings.minRelativeHeight / 100;
    std::erase_if(peaks, [&](const Peak& p) { return p.height < floor; });
  }
  if (settings.maxPeaks > 0 && peaks.size() > static_cast<std::size_t>(settings.maxPeaks)) {
    std::vector<std::size_t> order(peaks.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) { return peaks[a].area > peaks[b].area; });
    order.resize(static_cast<std::size_t>(settings.maxPeaks));
    std::sort(order.begin(), order.end());
    std::vector<Peak> largest;
    for (std::size_t i : order) largest.push_back(peaks[i]);
    peaks = std::move(largest);
  }
  return peaks;
}

std::vector<Peak> IntegrateChannel(const Sample& sample, int function, const Channel& channel, int firstScan,
                                   int lastScan, const IntegratorSettings& settings) {
  const Chromatogram c = ExtractChromatogram(sample, function, channel, firstScan, lastScan);
  std::vector<Peak> peaks = IntegrateChromatogram(c, settings);
  if (c.analog) {
    // Start and end scans of an analog peak: the function's scans nearest its feet.
    for (Peak& p : peaks) {
      p.apexScan = sample.FractionalScanAtTime(function, p.apexRt);
      p.startScan = sample.ScanAtTime(function, p.startRt);
      p.endScan = sample.ScanAtTime(function, p.endRt);
    }
  }
  return peaks;
}

}  // namespace ivdata
