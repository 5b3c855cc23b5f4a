// The printed page: one layout drawn as a display list, written out as PDF and as a raster for PNG.
#include "ivdata/page.h"

#include <zlib.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numeric>

#include "file_io.h"
#include "font5x7.h"

namespace ivdata {

namespace {

constexpr double kPageWidth = 842;   // A4 landscape, points
constexpr double kPageHeight = 595;
constexpr double kMargin = 36;

enum class Align { Left, Centre, Right };

struct TextItem {
  double x, y;  // baseline start (or centre/end per align), top-left origin
  double size;
  bool bold;
  Align align;
  std::string text;
};

struct LineItem {
  double x1, y1, x2, y2;
  double width;
  double gray;  // 0 black .. 1 white
};

struct DisplayList {
  std::vector<LineItem> lines;
  std::vector<std::vector<std::pair<double, double>>> polylines;
  std::vector<TextItem> texts;
};

// Advance widths of Helvetica and Helvetica-Bold for ASCII 32..126, in 1/1000 em.
constexpr short kHelvetica[95] = {
    278, 278, 355, 556, 556, 889, 667, 191, 333, 333, 389, 584, 278, 333, 278, 278, 556, 556, 556, 556,
    556, 556, 556, 556, 556, 556, 278, 278, 584, 584, 584, 556, 1015, 667, 667, 722, 722, 667, 611, 778,
    722, 278, 500, 667, 556, 833, 722, 778, 667, 778, 722, 667, 611, 722, 667, 944, 667, 667, 611, 278,
    278, 278, 469, 556, 333, 556, 556, 500, 556, 556, 278, 556, 556, 222, 222, 500, 222, 833, 556, 556,
    556, 556, 333, 500, 278, 556, 500, 722, 500, 500, 500, 334, 260, 334, 584};
constexpr short kHelveticaBold[95] = {
    278, 333, 474, 556, 556, 889, 722, 238, 333, 333, 389, 584, 278, 333, 278, 278, 556, 556, 556, 556,
    556, 556, 556, 556, 556, 556, 333, 333, 584, 584, 584, 611, 975, 722, 722, 722, 722, 667, 611, 778,
    722, 278, 556, 722, 611, 833, 722, 778, 667, 778, 722, 667, 611, 722, 667, 944, 667, 667, 611, 333,
    278, 333, 584, 556, 333, 556, 611, 556, 611, 556, 333, 611, 611, 278, 278, 556, 278, 889, 611, 611,
    611, 611, 389, 556, 333, 611, 556, 778, 556, 556, 500, 389, 280, 389, 584};

double TextWidth(const std::string& text, double size, bool bold) {
  double units = 0;
  for (unsigned char c : text) units += (c >= 32 && c <= 126) ? (bold ? kHelveticaBold : kHelvetica)[c - 32] : 556;
  return units * size / 1000;
}

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

void DrawPanel(DisplayList& d, const CombinedSpectrum& c, double x0, double y0, double w, double h) {
  const double labelSize = 8;
  std::string head = c.sampleName.empty() ? std::string("(unnamed sample)") : c.sampleName;
  head += "   function " + std::to_string(c.function) + "   scans " + ScanRangesText(c.ranges);
  d.texts.push_back({x0, y0 + labelSize, labelSize, true, Align::Left, head});
  std::string second = "RT " + Format("%.3f", c.firstRt) + "-" + Format("%.3f", c.lastRt) + " min   " +
                       std::to_string(c.scansUsed) + (c.scansUsed == 1 ? " scan" : " scans") + "   base peak m/z " +
                       Format("%.4f", c.basePeakMz) + "  intensity " + IntensityText(c.basePeakIntensity);
  d.texts.push_back({x0, y0 + 2 * labelSize + 3, labelSize, false, Align::Left, second});

  const double left = x0 + 30, right = x0 + w - 22;
  const double top = y0 + 2 * labelSize + 12, bottom = y0 + h - 16;
  d.lines.push_back({left, bottom, right, bottom, 0.6, 0});
  d.lines.push_back({left, top, left, bottom, 0.6, 0});

  // Relative intensity axis, 0..100 %.
  for (int pct = 0; pct <= 100; pct += 25) {
    const double y = bottom - (bottom - top) * pct / 100.0;
    d.lines.push_back({left - 3, y, left, y, 0.5, 0});
    d.texts.push_back({left - 5, y + 2.5, 6.5, false, Align::Right, std::to_string(pct)});
  }
  const Spectrum& s = c.spectrum;
  if (s.mz.empty() || c.basePeakIntensity <= 0) {
    d.texts.push_back({(left + right) / 2, (top + bottom) / 2, 9, false, Align::Centre, "no signal"});
    return;
  }
  double lo = s.mz.front(), hi = s.mz.back();
  const double pad = std::max((hi - lo) * 0.03, 0.5);
  lo -= pad;
  hi += pad;
  auto X = [&](double mz) { return left + (right - left) * (mz - lo) / (hi - lo); };
  auto Y = [&](double v) { return bottom - (bottom - top) * std::clamp(v / c.basePeakIntensity, 0.0, 1.0); };
  const double step = NiceStep(hi - lo, 8);
  for (double t = std::ceil(lo / step) * step; t <= hi; t += step) {
    d.lines.push_back({X(t), bottom, X(t), bottom + 3, 0.5, 0});
    d.texts.push_back({X(t), bottom + 10, 6.5, false, Align::Centre, Format(step < 1 ? "%.1f" : "%.0f", t)});
  }
  d.texts.push_back({right + 4, bottom + 2.5, 6.5, false, Align::Left, "m/z"});

  if (s.centroided) {
    for (std::size_t i = 0; i < s.mz.size(); ++i) {
      if (s.intensity[i] <= 0) continue;
      d.lines.push_back({X(s.mz[i]), bottom, X(s.mz[i]), Y(s.intensity[i]), 0.5, 0});
    }
  } else {
    std::vector<std::pair<double, double>> points;
    points.reserve(s.mz.size());
    for (std::size_t i = 0; i < s.mz.size(); ++i) points.emplace_back(X(s.mz[i]), Y(s.intensity[i]));
    d.polylines.push_back(std::move(points));
  }
  // The five most intense points get their m/z written above them.
  std::vector<std::size_t> order(s.mz.size());
  std::iota(order.begin(), order.end(), std::size_t{0});
  const std::size_t labels = std::min<std::size_t>(5, order.size());
  std::partial_sort(order.begin(), order.begin() + static_cast<std::ptrdiff_t>(labels), order.end(),
                    [&](std::size_t a, std::size_t b) { return s.intensity[a] > s.intensity[b]; });
  struct Box {
    double x1, y1, x2, y2;
  };
  std::vector<Box> placed;
  for (std::size_t k = 0; k < labels; ++k) {
    const std::size_t i = order[k];
    if (s.intensity[i] <= 0) continue;
    const std::string text = Format("%.4f", s.mz[i]);
    const double x = X(s.mz[i]), y = std::max(Y(s.intensity[i]) - 2, top - 1);
    const double half = TextWidth(text, 6, false) / 2 + 1;
    const Box box{x - half, y - 6, x + half, y + 1};
    // Labels of close peaks (isotopes) would print over each other: the taller peak keeps its label.
    const bool clash = std::any_of(placed.begin(), placed.end(), [&](const Box& b) {
      return box.x1 < b.x2 && b.x1 < box.x2 && box.y1 < b.y2 && b.y1 < box.y2;
    });
    if (clash) continue;
    placed.push_back(box);
    d.texts.push_back({x, y, 6, false, Align::Centre, text});
  }
}

DisplayList Layout(const std::vector<CombinedSpectrum>& spectra, const PageOptions& options) {
  if (spectra.empty()) throw Error("a page needs at least one spectrum");
  if (spectra.size() > kMaxPageSpectra) throw Error("a page holds at most six spectra");
  DisplayList d;
  d.texts.push_back({kMargin, kMargin, 14, true, Align::Left, options.title});
  if (!options.footer.empty()) {
    d.texts.push_back({kPageWidth - kMargin, kPageHeight - kMargin + 14, 8, false, Align::Right, options.footer});
  }
  d.texts.push_back({kPageWidth - kMargin, kMargin, 8, false, Align::Right,
                     std::to_string(spectra.size()) + (spectra.size() == 1 ? " spectrum" : " spectra")});
  const double gridTop = kMargin + 12;
  const double gridBottom = kPageHeight - kMargin;
  const double cellW = (kPageWidth - 2 * kMargin) / 2;
  const double cellH = (gridBottom - gridTop) / 3;
  for (std::size_t i = 0; i < spectra.size(); ++i) {
    const double x = kMargin + cellW * static_cast<double>(i % 2);
    const double y = gridTop + cellH * static_cast<double>(i / 2);
    DrawPanel(d, spectra[i], x + 4, y + 6, cellW - 12, cellH - 8);
  }
  return d;
}

// ---- PDF

std::string PdfString(const std::string& text) {
  std::string out = "(";
  for (unsigned char c : text) {
    if (c == '(' || c == ')' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c < 32 || c > 126) {
      char buffer[8];
      std::snprintf(buffer, sizeof buffer, "\\%03o", c);
      out += buffer;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out + ")";
}

std::string Num(double v) { return Format("%.2f", v); }

std::string Deflate(const std::string& data) {
  uLongf size = compressBound(static_cast<uLong>(data.size()));
  std::string out(size, '\0');
  if (compress2(reinterpret_cast<Bytef*>(out.data()), &size, reinterpret_cast<const Bytef*>(data.data()),
                static_cast<uLong>(data.size()), 6) != Z_OK) {
    throw Error("cannot compress page data");
  }
  out.resize(size);
  return out;
}

}  // namespace

std::string RenderPagePdf(const std::vector<CombinedSpectrum>& spectra, const PageOptions& options) {
  const DisplayList d = Layout(spectra, options);
  std::string content = "1 J 1 j\n";
  double width = -1, gray = -1;
  for (const LineItem& l : d.lines) {
    if (l.width != width) content += Num(width = l.width) + " w\n";
    if (l.gray != gray) content += Num(gray = l.gray) + " G\n";
    content += Num(l.x1) + " " + Num(kPageHeight - l.y1) + " m " + Num(l.x2) + " " + Num(kPageHeight - l.y2) + " l S\n";
  }
  content += "0.6 w 0 G\n";
  for (const auto& poly : d.polylines) {
    for (std::size_t i = 0; i < poly.size(); ++i) {
      content += Num(poly[i].first) + " " + Num(kPageHeight - poly[i].second) + (i == 0 ? " m\n" : " l\n");
    }
    content += "S\n";
  }
  content += "0 g\n";
  for (const TextItem& t : d.texts) {
    double x = t.x;
    const double w = TextWidth(t.text, t.size, t.bold);
    if (t.align == Align::Centre) x -= w / 2;
    if (t.align == Align::Right) x -= w;
    content += "BT /" + std::string(t.bold ? "F2 " : "F1 ") + Num(t.size) + " Tf " + Num(x) + " " +
               Num(kPageHeight - t.y) + " Td " + PdfString(t.text) + " Tj ET\n";
  }
  const std::string stream = Deflate(content);

  std::vector<std::string> objects = {
      "<< /Type /Catalog /Pages 2 0 R >>",
      "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
      "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 " + Num(kPageWidth) + " " + Num(kPageHeight) +
          "] /Resources << /Font << /F1 5 0 R /F2 6 0 R >> >> /Contents 4 0 R >>",
      "<< /Length " + std::to_string(stream.size()) + " /Filter /FlateDecode >>\nstream\n" + stream + "\nendstream",
      "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica /Encoding /WinAnsiEncoding >>",
      "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica-Bold /Encoding /WinAnsiEncoding >>",
      "<< /Title " + PdfString(options.title) + " /Producer (ivdata stand-in host) >>",
  };
  std::string pdf = "%PDF-1.4\n%\xE2\xE3\xCF\xD3\n";
  std::vector<std::size_t> offsets;
  for (std::size_t i = 0; i < objects.size(); ++i) {
    offsets.push_back(pdf.size());
    pdf += std::to_string(i + 1) + " 0 obj\n" + objects[i] + "\nendobj\n";
  }
  const std::size_t xref = pdf.size();
  pdf += "xref\n0 " + std::to_string(objects.size() + 1) + "\n0000000000 65535 f \n";
  for (std::size_t off : offsets) {
    char line[32];
    std::snprintf(line, sizeof line, "%010zu 00000 n \n", off);
    pdf += line;
  }
  pdf += "trailer\n<< /Size " + std::to_string(objects.size() + 1) + " /Root 1 0 R /Info 7 0 R >>\nstartxref\n" +
         std::to_string(xref) + "\n%%EOF\n";
  return pdf;
}

// ---- raster

namespace {

class Canvas {
 public:
  Canvas(int w, int h) : image_{w, h, std::vector<std::uint8_t>(static_cast<std::size_t>(w) * h * 3, 255)} {}
  void Dot(int x, int y, std::uint8_t v) {
    if (x < 0 || y < 0 || x >= image_.width || y >= image_.height) return;
    const std::size_t i = (static_cast<std::size_t>(y) * image_.width + x) * 3;
    image_.pixels[i] = image_.pixels[i + 1] = image_.pixels[i + 2] = std::min(image_.pixels[i], v);
  }
  void Line(double x1, double y1, double x2, double y2, std::uint8_t v) {
    // Clip to a margin around the canvas first, so that wild coordinates cannot loop for long.
    const double limit = 4.0 * std::max(image_.width, image_.height);
    x1 = std::clamp(x1, -limit, limit);
    x2 = std::clamp(x2, -limit, limit);
    y1 = std::clamp(y1, -limit, limit);
    y2 = std::clamp(y2, -limit, limit);
    const int steps = static_cast<int>(std::max(std::fabs(x2 - x1), std::fabs(y2 - y1))) + 1;
    for (int i = 0; i <= steps; ++i) {
      const double f = static_cast<double>(i) / steps;
      Dot(static_cast<int>(std::lround(x1 + (x2 - x1) * f)), static_cast<int>(std::lround(y1 + (y2 - y1) * f)), v);
    }
  }
  void Text(double x, double baseline, int scale, const std::string& text) {
    int cx = static_cast<int>(std::lround(x));
    const int top = static_cast<int>(std::lround(baseline)) - 7 * scale;
    for (unsigned char c : text) {
      const int glyph = (c >= 32 && c <= 126) ? c - 32 : '?' - 32;
      for (int row = 0; row < 7; ++row) {
        const std::uint8_t bits = detail::kFont5x7[glyph][row];
        for (int col = 0; col < 5; ++col) {
          if (!(bits & (0x10 >> col))) continue;
          for (int dy = 0; dy < scale; ++dy) {
            for (int dx = 0; dx < scale; ++dx) Dot(cx + col * scale + dx, top + row * scale + dy, 0);
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

}  // namespace

RgbImage RenderPageImage(const std::vector<CombinedSpectrum>& spectra, const PageOptions& options) {
  const DisplayList d = Layout(spectra, options);
  const int dpi = std::clamp(options.previewDpi, 90, 300);
  const double k = dpi / 72.0;
  Canvas canvas(static_cast<int>(std::lround(kPageWidth * k)), static_cast<int>(std::lround(kPageHeight * k)));
  for (const LineItem& l : d.lines) {
    const auto v = static_cast<std::uint8_t>(std::lround(255 * l.gray));
    canvas.Line(l.x1 * k, l.y1 * k, l.x2 * k, l.y2 * k, v);
  }
  for (const auto& poly : d.polylines) {
    for (std::size_t i = 1; i < poly.size(); ++i) {
      canvas.Line(poly[i - 1].first * k, poly[i - 1].second * k, poly[i].first * k, poly[i].second * k, 0);
    }
  }
  for (const TextItem& t : d.texts) {
    // The bitmap font is 7 pixels high; pick the whole-number scale nearest the point size.
    const int scale = std::max(1, static_cast<int>(std::lround(t.size * 0.72 * k / 7)));
    const double w = static_cast<double>(t.text.size()) * 6 * scale;
    double x = t.x * k;
    if (t.align == Align::Centre) x -= w / 2;
    if (t.align == Align::Right) x -= w;
    canvas.Text(x, t.y * k, scale, t.text);
  }
  return canvas.Take();
}

std::string EncodePng(const RgbImage& image) {
  if (image.width <= 0 || image.height <= 0 ||
      image.pixels.size() != static_cast<std::size_t>(image.width) * image.height * 3) {
    throw Error("image size does not match its pixels");
  }
  std::string raw;
  const std::size_t row = static_cast<std::size_t>(image.width) * 3;
  raw.reserve((row + 1) * static_cast<std::size_t>(image.height));
  for (int y = 0; y < image.height; ++y) {
    raw += '\0';  // filter: none
    raw.append(reinterpret_cast<const char*>(image.pixels.data()) + row * static_cast<std::size_t>(y), row);
  }
  std::string png = "\x89PNG\r\n\x1a\n";
  auto chunk = [&png](const char* type, const std::string& data) {
    const auto n = static_cast<std::uint32_t>(data.size());
    const std::uint8_t length[4] = {static_cast<std::uint8_t>(n >> 24), static_cast<std::uint8_t>(n >> 16),
                                    static_cast<std::uint8_t>(n >> 8), static_cast<std::uint8_t>(n)};
    png.append(reinterpret_cast<const char*>(length), 4);
    const std::string body = std::string(type, 4) + data;
    png += body;
    const std::uint32_t crc = detail::Crc32(body.data(), body.size());
    const std::uint8_t c[4] = {static_cast<std::uint8_t>(crc >> 24), static_cast<std::uint8_t>(crc >> 16),
                               static_cast<std::uint8_t>(crc >> 8), static_cast<std::uint8_t>(crc)};
    png.append(reinterpret_cast<const char*>(c), 4);
  };
  std::string header;
  for (int v : {image.width, image.height}) {
    header += static_cast<char>((v >> 24) & 0xFF);
    header += static_cast<char>((v >> 16) & 0xFF);
    header += static_cast<char>((v >> 8) & 0xFF);
    header += static_cast<char>(v & 0xFF);
  }
  header += std::string("\x08\x02\x00\x00\x00", 5);  // 8-bit RGB, deflate, no filter choice, no interlace
  chunk("IHDR", header);
  chunk("IDAT", Deflate(raw));
  chunk("IEND", "");
  return png;
}

void WritePage(const std::vector<CombinedSpectrum>& spectra, const PageOptions& options, const std::string& pdfPath,
               const std::string& pngPath) {
  const std::string pdf = RenderPagePdf(spectra, options);
  const std::string png = EncodePng(RenderPageImage(spectra, options));
  detail::WriteWholeFile(pdfPath, pdf);
  detail::WriteWholeFile(pngPath, png);
}

}  // namespace ivdata
