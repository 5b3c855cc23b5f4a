// PNG encoding of an RGB image: 8 bits a channel, no filter, deflated.
#pragma once
#include <string>

#include "ivdata/raster.h"

namespace ivdata {

// Throws Error when the image's size does not match its pixels.
std::string EncodePng(const RgbImage& image);

}  // namespace ivdata
