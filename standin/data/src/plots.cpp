#include "ivdata/plots.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numeric>

namespace ivdata {
namespace {

constexpr Rgb kTraceColour = 0x0046AA;
constexpr Rgb kMarkerColour = 0x961414;

std::string Format(const char* format, double value) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, format, value);
  return buffer;
}

std::string IntensityText(double v) {
  if (std::fabs(v) >= 1e5 || (v != 0 && std::fabs(v) < 0.01)) return Format("%.3e", v);
  return Format("%.0f", v);
}

// Tick step of 1, 2 or 5 times a power of ten giving about `count` ticks over span.
double NiceStep(double span, int count) {
  const double raw = span / count;
  const double power = std::pow(10.0, std::floor(std::log10(raw)));
  for (double m : {1.0, 2.0, 5.0, 10.0}) {
    if (m * power >= raw) return m * power;
  }
  return 10 * power;
}

// The plotting area of a panel and its scales: x from lo to hi, y from 0 to full.
struct Frame {
  double left, top, right, bottom;
  double lo = 0, hi = 1, full = 1;
  double X(double x) const { return left + (right - left) * (x - lo) / (hi - lo); }
  double Y(double v) const { return bottom - (bottom - top) * std::clamp(v / full, 0.0, 1.0); }
};

void DrawAxisLines(DisplayList& d, const Frame& f) {
  d.lines.push_back({f.left, f.bottom, f.right, f.bottom, 0.6, 0});
  d.lines.push_back({f.left, f.top, f.left, f.bottom, 0.6, 0});
}

// Relative intensity axis, 0..100 %.
void DrawPercentAxis(DisplayList& d, const Frame& f) {
  for (int pct = 0; pct <= 100; pct += 25) {
    const double y = f.bottom - (f.bottom - f.top) * pct / 100.0;
    d.lines.push_back({f.left - 3, y, f.left, y, 0.5, 0});
    d.texts.push_back({f.left - 5, y + 2.5, 6.5, false, Align::Right, std::to_string(pct)});
  }
}

void DrawValueAxis(DisplayList& d, const Frame& f, const std::string& unit) {
  const double step = NiceStep(f.hi - f.lo, 8);
  for (double t = std::ceil(f.lo / step) * step; t <= f.hi; t += step) {
    d.lines.push_back({f.X(t), f.bottom, f.X(t), f.bottom + 3, 0.5, 0});
    d.texts.push_back({f.X(t), f.bottom + 10, 6.5, false, Align::Centre, Format(step < 1 ? "%.1f" : "%.0f", t)});
  }
  d.texts.push_back({f.right + 4, f.bottom + 2.5, 6.5, false, Align::Left, unit});
}

struct Box {
  double x1, y1, x2, y2;
  bool Overlaps(const Box& b) const { return x1 < b.x2 && b.x1 < x2 && y1 < b.y2 && b.y1 < y2; }
};

// A label of size 6 centred above (x, y), unless it would overlap one placed before: of close peaks
// (isotopes) the more important keeps its label.
void PlaceLabel(DisplayList& d, std::vector<Box>& placed, double x, double y, const std::string& text, Rgb colour) {
  const double half = TextWidth(text, 6, false) / 2 + 1;
  const Box box{x - half, y - 6, x + half, y + 1};
  if (std::any_of(placed.begin(), placed.end(), [&](const Box& b) { return box.Overlaps(b); })) return;
  placed.push_back(box);
  d.texts.push_back({x, y, 6, false, Align::Centre, text, colour});
}

}  // namespace

void DrawSpectrumPanel(DisplayList& d, const CombinedSpectrum& c, double x0, double y0, double w, double h) {
  const double labelSize = 8;
  std::string head = c.sampleName.empty() ? std::string("(unnamed sample)") : c.sampleName;
  head += "   function " + std::to_string(c.function) + "   scans " + ScanRangesText(c.ranges);
  d.texts.push_back({x0, y0 + labelSize, labelSize, true, Align::Left, head});
  std::string second = "RT " + Format("%.3f", c.firstRt) + "-" + Format("%.3f", c.lastRt) + " min   " +
                       std::to_string(c.scansUsed) + (c.scansUsed == 1 ? " scan" : " scans") + "   base peak m/z " +
                       Format("%.4f", c.basePeakMz) + "  intensity " + IntensityText(c.basePeakIntensity);
  d.texts.push_back({x0, y0 + 2 * labelSize + 3, labelSize, false, Align::Left, second});

  Frame f{x0 + 30, y0 + 2 * labelSize + 12, x0 + w - 22, y0 + h - 16};
  DrawAxisLines(d, f);
  DrawPercentAxis(d, f);
  const Spectrum& s = c.spectrum;
  if (s.mz.empty() || c.basePeakIntensity <= 0) {
    d.texts.push_back({(f.left + f.right) / 2, (f.top + f.bottom) / 2, 9, false, Align::Centre, "no signal"});
    return;
  }
  const double pad = std::max((s.mz.back() - s.mz.front()) * 0.03, 0.5);
  f.lo = s.mz.front() - pad;
  f.hi = s.mz.back() + pad;
  f.full = c.basePeakIntensity;
  DrawValueAxis(d, f, "m/z");

  if (s.centroided) {
    for (std::size_t i = 0; i < s.mz.size(); ++i) {
      if (s.intensity[i] <= 0) continue;
      d.lines.push_back({f.X(s.mz[i]), f.bottom, f.X(s.mz[i]), f.Y(s.intensity[i]), 0.5, 0});
    }
  } else {
    PolylineItem line;
    line.points.reserve(s.mz.size());
    for (std::size_t i = 0; i < s.mz.size(); ++i) line.points.emplace_back(f.X(s.mz[i]), f.Y(s.intensity[i]));
    d.polylines.push_back(std::move(line));
  }
  // The five most intense points get their m/z written above them.
  std::vector<std::size_t> order(s.mz.size());
  std::iota(order.begin(), order.end(), std::size_t{0});
  const std::size_t labels = std::min<std::size_t>(5, order.size());
  std::partial_sort(order.begin(), order.begin() + static_cast<std::ptrdiff_t>(labels), order.end(),
                    [&](std::size_t a, std::size_t b) { return s.intensity[a] > s.intensity[b]; });
  std::vector<Box> placed;
  for (std::size_t k = 0; k < labels; ++k) {
    const std::size_t i = order[k];
    if (s.intensity[i] <= 0) continue;
    PlaceLabel(d, placed, f.X(s.mz[i]), std::max(f.Y(s.intensity[i]) - 2, f.top - 1), Format("%.4f", s.mz[i]), kBlack);
  }
}

void DrawTracePanel(DisplayList& d, const TracePlot& plot, double x0, double y0, double w, double h) {
  const double labelSize = 8;
  const std::size_t n = std::min(plot.x.size(), plot.y.size());
  const double top = n == 0 ? 0 : *std::max_element(plot.y.begin(), plot.y.begin() + static_cast<std::ptrdiff_t>(n));
  d.texts.push_back({x0, y0 + labelSize, labelSize, false, Align::Left, plot.title});
  d.texts.push_back({x0 + w - 22, y0 + labelSize, labelSize, false, Align::Right, "max " + IntensityText(top)});

  Frame f{x0 + 30, y0 + labelSize + 12, x0 + w - 22, y0 + h - 16};
  DrawAxisLines(d, f);
  DrawPercentAxis(d, f);
  if (n < 2 || !(top > 0) || !(plot.x[n - 1] > plot.x[0])) {
    d.texts.push_back({(f.left + f.right) / 2, (f.top + f.bottom) / 2, 9, false, Align::Centre, "no signal"});
    return;
  }
  f.lo = plot.x[0];
  f.hi = plot.x[n - 1];
  f.full = top;
  DrawValueAxis(d, f, plot.unit);

  PolylineItem line;
  line.colour = kTraceColour;
  line.points.reserve(n);
  for (std::size_t i = 0; i < n; ++i) line.points.emplace_back(f.X(plot.x[i]), f.Y(plot.y[i]));
  d.polylines.push_back(std::move(line));

  std::vector<Box> placed;
  for (const PlotMarker& m : plot.markers) {
    const auto at = std::lower_bound(plot.x.begin(), plot.x.begin() + static_cast<std::ptrdiff_t>(n), m.x);
    const std::size_t i = at == plot.x.begin() + static_cast<std::ptrdiff_t>(n) ? n - 1 : static_cast<std::size_t>(at - plot.x.begin());
    PlaceLabel(d, placed, f.X(m.x), std::max(f.Y(plot.y[i]) - 2, f.top - 1), m.label, kMarkerColour);
  }
}

}  // namespace ivdata
