#include "ivdata/png.h"

#include "file_io.h"
#include "ivdata/error.h"

namespace ivdata {

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
  chunk("IDAT", detail::Deflate(raw));
  chunk("IEND", "");
  return png;
}

}  // namespace ivdata
