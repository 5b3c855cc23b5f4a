#include "ivdata/raster.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "font5x7.h"

namespace ivdata {
namespace {

class Canvas {
 public:
  Canvas(int w, int h) : image_{w, h, std::vector<std::uint8_t>(static_cast<std::size_t>(w) * h * 3, 255)} {}
  // Ink darkens what is there, channel by channel, so crossing lines keep the darker of the two.
  void Dot(int x, int y, Rgb ink) {
    if (x < 0 || y < 0 || x >= image_.width || y >= image_.height) return;
    const std::size_t i = (static_cast<std::size_t>(y) * image_.width + x) * 3;
    for (int c = 0; c < 3; ++c) {
      const auto v = static_cast<std::uint8_t>((ink >> (16 - 8 * c)) & 0xFF);
      image_.pixels[i + c] = std::min(image_.pixels[i + c], v);
    }
  }
  void Line(double x1, double y1, double x2, double y2, Rgb ink) {
    // Clip to a margin around the canvas first, so that wild coordinates cannot loop for long.
    const double limit = 4.0 * std::max(image_.width, image_.height);
    x1 = std::clamp(x1, -limit, limit);
    x2 = std::clamp(x2, -limit, limit);
    y1 = std::clamp(y1, -limit, limit);
    y2 = std::clamp(y2, -limit, limit);
    const int steps = static_cast<int>(std::max(std::fabs(x2 - x1), std::fabs(y2 - y1))) + 1;
    for (int i = 0; i <= steps; ++i) {
      const double f = static_cast<double>(i) / steps;
      Dot(static_cast<int>(std::lround(x1 + (x2 - x1) * f)), static_cast<int>(std::lround(y1 + (y2 - y1) * f)), ink);
    }
  }
  void Text(double x, double baseline, int scale, const std::string& text, Rgb ink) {
    int cx = static_cast<int>(std::lround(x));
    const int top = static_cast<int>(std::lround(baseline)) - 7 * scale;
    for (unsigned char c : text) {
      const int glyph = (c >= 32 && c <= 126) ? c - 32 : '?' - 32;
      for (int row = 0; row < 7; ++row) {
        const std::uint8_t bits = detail::kFont5x7[glyph][row];
        for (int col = 0; col < 5; ++col) {
          if (!(bits & (0x10 >> col))) continue;
          for (int dy = 0; dy < scale; ++dy) {
            for (int dx = 0; dx < scale; ++dx) Dot(cx + col * scale + dx, top + row * scale + dy, ink);
          }
        }
      }
      cx += 6 * scale;
    }
  }
  RgbImage Take() { return std::move(image_); }

 private:
  RgbImage image_;
};

Rgb Gray(double gray) {
  const auto v = static_cast<Rgb>(std::lround(255 * gray));
  return v << 16 | v << 8 | v;
}

}  // namespace

RgbImage RenderImage(const DisplayList& d, int dpi) {
  const double k = dpi / 72.0;
  Canvas canvas(static_cast<int>(std::lround(d.width * k)), static_cast<int>(std::lround(d.height * k)));
  for (const LineItem& l : d.lines) canvas.Line(l.x1 * k, l.y1 * k, l.x2 * k, l.y2 * k, Gray(l.gray));
  for (const PolylineItem& poly : d.polylines) {
    const auto& p = poly.points;
    for (std::size_t i = 1; i < p.size(); ++i) {
      canvas.Line(p[i - 1].first * k, p[i - 1].second * k, p[i].first * k, p[i].second * k, poly.colour);
    }
  }
  for (const TextItem& t : d.texts) {
    // The bitmap font is 7 pixels high; pick the whole-number scale nearest the point size.
    const int scale = std::max(1, static_cast<int>(std::lround(t.size * 0.72 * k / 7)));
    const double w = static_cast<double>(t.text.size()) * 6 * scale;
    double x = t.x * k;
    if (t.align == Align::Centre) x -= w / 2;
    if (t.align == Align::Right) x -= w;
    canvas.Text(x, t.y * k, scale, t.text, t.colour);
  }
  return canvas.Take();
}

}  // namespace ivdata
