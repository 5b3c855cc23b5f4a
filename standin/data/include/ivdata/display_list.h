// What a page or a window shows, as one list of lines, polylines and texts: laid out once by the engine,
// drawn by the PDF writer, the raster and the host's screen alike, so that all of them show the same.
#pragma once
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace ivdata {

// Coordinates are points (1/72 inch) from the top left; a renderer scales them to its device.
enum class Align { Left, Centre, Right };

// 0xRRGGBB; black unless an item says otherwise.
using Rgb = std::uint32_t;
constexpr Rgb kBlack = 0x000000;

struct TextItem {
  double x, y;  // baseline start (or centre/end per align)
  double size;  // points; Helvetica, or Helvetica-Bold when bold
  bool bold;
  Align align;
  std::string text;
  Rgb colour = kBlack;
};

struct LineItem {
  double x1, y1, x2, y2;
  double width;  // points
  double gray;   // 0 black .. 1 white
};

struct PolylineItem {
  std::vector<std::pair<double, double>> points;
  Rgb colour = kBlack;
};

struct DisplayList {
  double width = 0;  // the extent drawn on, in points
  double height = 0;
  std::vector<LineItem> lines;
  std::vector<PolylineItem> polylines;  // 0.6 points wide
  std::vector<TextItem> texts;
};

// Width of text in Helvetica (Bold), from its advance widths: what every renderer aligns and places by.
double TextWidth(const std::string& text, double size, bool bold);

}  // namespace ivdata
