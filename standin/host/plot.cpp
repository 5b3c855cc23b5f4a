#include "plot.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numeric>

namespace standin {

namespace {

double NiceStep(double span, int wanted) {
  if (span <= 0) return 1;
  double raw = span / wanted;
  double mag = std::pow(10.0, std::floor(std::log10(raw)));
  double f = raw / mag;
  double nice = f < 1.5 ? 1 : f < 3 ? 2 : f < 7 ? 5 : 10;
  return nice * mag;
}

void Text(HDC dc, int x, int y, const std::string& s, UINT align) {
  SetTextAlign(dc, align);
  TextOutA(dc, x, y, s.c_str(), static_cast<int>(s.size()));
}

std::string Fmt(double v, int decimals) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.*f", decimals, v);
  return buf;
}

struct Frame {
  RECT plot;
  double x0, x1, y1;
  int X(double x) const {
    return plot.left + static_cast<int>((x - x0) / (x1 - x0) * (plot.right - plot.left));
  }
  int Y(double y) const {
    return plot.bottom - static_cast<int>(y / y1 * (plot.bottom - plot.top));
  }
};

Frame DrawAxes(HDC dc, const RECT& area, double x0, double x1, double yMax, const std::string& title,
               const char* xUnit) {
  Frame f{};
  f.plot = {area.left + 56, area.top + 22, area.right - 14, area.bottom - 32};
  if (f.plot.right <= f.plot.left + 10) f.plot.right = f.plot.left + 10;
  if (f.plot.bottom <= f.plot.top + 10) f.plot.bottom = f.plot.top + 10;
  f.x0 = x0;
  f.x1 = x1 > x0 ? x1 : x0 + 1;
  f.y1 = yMax > 0 ? yMax * 1.12 : 1;

  SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, RGB(20, 20, 20));
  Text(dc, area.left + 8, area.top + 4, title, TA_LEFT | TA_TOP);
  Text(dc, area.right - 14, area.top + 4, "Max " + Fmt(yMax, 0), TA_RIGHT | TA_TOP);

  HPEN axis = CreatePen(PS_SOLID, 1, RGB(60, 60, 60));
  HGDIOBJ old = SelectObject(dc, axis);
  MoveToEx(dc, f.plot.left, f.plot.top, nullptr);
  LineTo(dc, f.plot.left, f.plot.bottom);
  LineTo(dc, f.plot.right, f.plot.bottom);

  double step = NiceStep(f.x1 - f.x0, 8);
  int dec = step >= 1 ? 0 : step >= 0.1 ? 1 : 2;
  for (double t = std::ceil(f.x0 / step) * step; t <= f.x1 + 1e-9; t += step) {
    int x = f.X(t);
    MoveToEx(dc, x, f.plot.bottom, nullptr);
    LineTo(dc, x, f.plot.bottom + 4);
    Text(dc, x, f.plot.bottom + 5, Fmt(t, dec), TA_CENTER | TA_TOP);
  }
  Text(dc, f.plot.right, f.plot.bottom + 17, xUnit, TA_RIGHT | TA_TOP);
  for (int pct = 0; pct <= 100; pct += 25) {
    int y = f.Y(yMax * pct / 100.0);
    MoveToEx(dc, f.plot.left - 4, y, nullptr);
    LineTo(dc, f.plot.left, y);
    Text(dc, f.plot.left - 6, y - 6, std::to_string(pct) + "%", TA_RIGHT | TA_TOP);
  }
  SelectObject(dc, old);
  DeleteObject(axis);
  return f;
}

}  // namespace

void DrawTracePlot(HDC dc, const RECT& area, const std::vector<double>& x, const std::vector<double>& y,
                   const std::string& title, const char* xUnit, const std::vector<PlotMarker>& markers) {
  double yMax = y.empty() ? 0 : *std::max_element(y.begin(), y.end());
  double x0 = x.empty() ? 0 : x.front(), x1 = x.empty() ? 1 : x.back();
  Frame f = DrawAxes(dc, area, x0, x1, yMax, title, xUnit);
  if (x.size() < 2) return;
  HPEN pen = CreatePen(PS_SOLID, 1, RGB(0, 70, 170));
  HGDIOBJ old = SelectObject(dc, pen);
  std::vector<POINT> pts(x.size());
  for (size_t i = 0; i < x.size(); ++i) pts[i] = {f.X(x[i]), f.Y(y[i])};
  Polyline(dc, pts.data(), static_cast<int>(pts.size()));
  SelectObject(dc, old);
  DeleteObject(pen);
  SetTextColor(dc, RGB(150, 20, 20));
  // Markers come most important first; one too close to an earlier label is left out.
  std::vector<int> used;
  for (const auto& m : markers) {
    int px = f.X(m.x);
    if (std::any_of(used.begin(), used.end(), [&](int u) { return std::abs(u - px) < 36; })) continue;
    used.push_back(px);
    auto it = std::lower_bound(x.begin(), x.end(), m.x);
    size_t i = it == x.end() ? x.size() - 1 : static_cast<size_t>(it - x.begin());
    Text(dc, px, f.Y(y[i]) - 14, m.label, TA_CENTER | TA_TOP);
  }
}

void DrawSpectrumPlot(HDC dc, const RECT& area, const std::vector<double>& mz, const std::vector<double>& intensity,
                      double xMin, double xMax, const std::string& title) {
  double yMax = intensity.empty() ? 0 : *std::max_element(intensity.begin(), intensity.end());
  Frame f = DrawAxes(dc, area, xMin, xMax, yMax, title, "m/z");
  HPEN pen = CreatePen(PS_SOLID, 1, RGB(0, 0, 0));
  HGDIOBJ old = SelectObject(dc, pen);
  for (size_t i = 0; i < mz.size() && i < intensity.size(); ++i) {
    if (mz[i] < xMin || mz[i] > xMax) continue;
    int x = f.X(mz[i]);
    MoveToEx(dc, x, f.plot.bottom, nullptr);
    LineTo(dc, x, f.Y(intensity[i]));
  }
  SelectObject(dc, old);
  DeleteObject(pen);

  // Label the tallest sticks, skipping those too close to an already labelled one.
  std::vector<size_t> order(std::min(mz.size(), intensity.size()));
  std::iota(order.begin(), order.end(), size_t{0});
  std::sort(order.begin(), order.end(), [&](size_t a, size_t b) { return intensity[a] > intensity[b]; });
  std::vector<int> used;
  SetTextColor(dc, RGB(150, 20, 20));
  for (size_t k = 0; k < order.size() && used.size() < 8; ++k) {
    size_t i = order[k];
    if (intensity[i] < yMax * 0.05) break;
    if (mz[i] < xMin || mz[i] > xMax) continue;
    int x = f.X(mz[i]);
    if (std::any_of(used.begin(), used.end(), [&](int u) { return std::abs(u - x) < 40; })) continue;
    used.push_back(x);
    Text(dc, x, f.Y(intensity[i]) - 14, Fmt(mz[i], 1), TA_CENTER | TA_TOP);
  }
}

}  // namespace standin
