// SHA-256 (FIPS 180-4) over bytes given in pieces, and the image digest of a Windows program file.
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace apexer {

class Sha256 {
 public:
  Sha256();
  void Update(const void* data, std::size_t size);
  void Update(std::string_view bytes) { Update(bytes.data(), bytes.size()); }
  // The digest; the object must not be updated afterwards.
  std::array<std::uint8_t, 32> Final();
  std::string FinalHex();

 private:
  void Block(const std::uint8_t* block);

  std::array<std::uint32_t, 8> state_;
  std::array<std::uint8_t, 64> buffer_{};
  std::size_t buffered_ = 0;
  std::uint64_t length_ = 0;
};

std::string Sha256Hex(std::string_view bytes);

}  // namespace apexer
