#include "gdi_drawing.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <utility>
#include <vector>

#include "scoped_gdi.h"

namespace standin {
namespace {

COLORREF ColourOf(ivdata::Rgb c) { return RGB((c >> 16) & 0xFF, (c >> 8) & 0xFF, c & 0xFF); }

COLORREF GrayOf(double gray) {
  const auto v = static_cast<BYTE>(std::lround(255 * std::clamp(gray, 0.0, 1.0)));
  return RGB(v, v, v);
}

// Pens and fonts made once per drawing, kept until it ends.
class GdiCache {
 public:
  HPEN Pen(int width, COLORREF colour) {
    auto it = pens_.find({width, colour});
    if (it == pens_.end()) it = pens_.emplace(std::make_pair(width, colour), ScopedPen(CreatePen(PS_SOLID, width, colour))).first;
    return it->second.get();
  }
  // Arial has Helvetica's widths, which the layout placed the texts by.
  HFONT Font(int pixels, bool bold) {
    auto it = fonts_.find({pixels, bold});
    if (it == fonts_.end()) {
      LOGFONTA lf{};
      lf.lfHeight = -pixels;
      lf.lfWeight = bold ? FW_BOLD : FW_NORMAL;
      lf.lfCharSet = ANSI_CHARSET;
      lf.lfQuality = ANTIALIASED_QUALITY;
      lstrcpynA(lf.lfFaceName, "Arial", LF_FACESIZE);
      it = fonts_.emplace(std::make_pair(pixels, bold), ScopedFont(CreateFontIndirectA(&lf))).first;
    }
    return it->second.get();
  }

 private:
  std::map<std::pair<int, COLORREF>, ScopedPen> pens_;
  std::map<std::pair<int, bool>, ScopedFont> fonts_;
};

}  // namespace

double ScreenPointScale(HDC dc) {
  const int dpi = GetDeviceCaps(dc, LOGPIXELSY);
  return (dpi > 0 ? dpi : 96) / 72.0;
}

ScreenPlacement FitInto(const RECT& area, const ivdata::DisplayList& list) {
  const double w = area.right - area.left, h = area.bottom - area.top;
  if (!(list.width > 0) || !(list.height > 0) || w <= 0 || h <= 0) return {static_cast<double>(area.left), static_cast<double>(area.top), 1};
  const double scale = std::min(w / list.width, h / list.height);
  return {area.left + (w - list.width * scale) / 2, area.top + (h - list.height * scale) / 2, scale};
}

void DrawDisplayList(HDC dc, const ivdata::DisplayList& list, const ScreenPlacement& at) {
  const auto X = [&at](double x) { return static_cast<int>(std::lround(at.left + x * at.scale)); };
  const auto Y = [&at](double y) { return static_cast<int>(std::lround(at.top + y * at.scale)); };
  const auto Width = [&at](double points) { return std::max(1, static_cast<int>(std::lround(points * at.scale))); };
  GdiCache cache;
  const ScopedSelect pen(dc, GetStockObject(BLACK_PEN));
  for (const ivdata::LineItem& l : list.lines) {
    SelectObject(dc, cache.Pen(Width(l.width), GrayOf(l.gray)));
    MoveToEx(dc, X(l.x1), Y(l.y1), nullptr);
    LineTo(dc, X(l.x2), Y(l.y2));
  }
  for (const ivdata::PolylineItem& poly : list.polylines) {
    if (poly.points.size() < 2) continue;
    SelectObject(dc, cache.Pen(Width(0.6), ColourOf(poly.colour)));
    std::vector<POINT> points;
    points.reserve(poly.points.size());
    for (const auto& [x, y] : poly.points) points.push_back({X(x), Y(y)});
    Polyline(dc, points.data(), static_cast<int>(points.size()));
  }
  const ScopedSelect font(dc, GetStockObject(DEFAULT_GUI_FONT));
  SetBkMode(dc, TRANSPARENT);
  for (const ivdata::TextItem& t : list.texts) {
    SelectObject(dc, cache.Font(Width(t.size), t.bold));
    SetTextColor(dc, ColourOf(t.colour));
    const UINT align = t.align == ivdata::Align::Centre ? TA_CENTER : t.align == ivdata::Align::Right ? TA_RIGHT : TA_LEFT;
    SetTextAlign(dc, align | TA_BASELINE);
    TextOutA(dc, X(t.x), Y(t.y), t.text.c_str(), static_cast<int>(t.text.size()));
  }
}

}  // namespace standin
