// A display list drawn into an RGB image (lines one pixel wide, texts in a 5x7 bitmap font), for previews.
#pragma once
#include <cstdint>
#include <vector>

#include "ivdata/display_list.h"

namespace ivdata {

struct RgbImage {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> pixels;  // RGB, rows top to bottom
};

// The list's extent at dpi dots per inch, on white. The bitmap font needs at least 90 dpi to be read.
RgbImage RenderImage(const DisplayList& list, int dpi);

}  // namespace ivdata
