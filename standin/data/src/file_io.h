// Files with 64-bit offsets on every platform (32-bit Windows included), and little-endian packing.
#pragma once
#include <bit>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

namespace ivdata::detail {

static_assert(std::endian::native == std::endian::little, "arrays are stored and read as little-endian");

class File {
 public:
  enum class Mode { Read, Write };
  File() = default;
  File(const std::string& path, Mode mode);  // throws Error
  File(File&& other) noexcept;
  File& operator=(File&& other) noexcept;
  File(const File&) = delete;
  File& operator=(const File&) = delete;
  ~File();

  bool IsOpen() const { return file_ != nullptr; }
  std::uint64_t Size() const;
  // Reads exactly size bytes at offset; throws Error (naming what) when the file ends first.
  void ReadAt(std::uint64_t offset, void* data, std::size_t size, const char* what) const;
  void Write(const void* data, std::size_t size);
  void WriteAt(std::uint64_t offset, const void* data, std::size_t size);
  std::uint64_t Position() const { return position_; }
  void Close();  // throws Error when buffered data cannot be written

 private:
  void Seek(std::uint64_t offset) const;
  std::FILE* file_ = nullptr;
  std::string path_;
  std::uint64_t position_ = 0;  // write position
};

// Fills size bytes in order, little-endian.
class Packer {
 public:
  void U8(std::uint8_t v) { bytes_.push_back(static_cast<char>(v)); }
  void U16(std::uint16_t v) { Raw(&v, 2); }
  void U32(std::uint32_t v) { Raw(&v, 4); }
  void U64(std::uint64_t v) { Raw(&v, 8); }
  void F32(float v) { Raw(&v, 4); }
  void F64(double v) { Raw(&v, 8); }
  void Str(std::string_view s);  // u16 length + bytes; throws Error above 65535 bytes
  void Raw(const void* p, std::size_t n) { bytes_.append(static_cast<const char*>(p), n); }
  void Zeros(std::size_t n) { bytes_.append(n, '\0'); }
  const std::string& Bytes() const { return bytes_; }

 private:
  std::string bytes_;
};

// Reads from a byte buffer; every read checks the remaining length and throws Error naming the part.
class Unpacker {
 public:
  Unpacker(const void* data, std::size_t size, const char* what)
      : p_(static_cast<const unsigned char*>(data)), size_(size), what_(what) {}
  std::uint8_t U8() { std::uint8_t v; Raw(&v, 1); return v; }
  std::uint16_t U16() { std::uint16_t v; Raw(&v, 2); return v; }
  std::uint32_t U32() { std::uint32_t v; Raw(&v, 4); return v; }
  std::uint64_t U64() { std::uint64_t v; Raw(&v, 8); return v; }
  float F32() { float v; Raw(&v, 4); return v; }
  double F64() { double v; Raw(&v, 8); return v; }
  std::string Str();
  void Skip(std::size_t n);
  void Raw(void* out, std::size_t n);
  std::size_t Remaining() const { return size_ - pos_; }

 private:
  const unsigned char* p_;
  std::size_t size_;
  std::size_t pos_ = 0;
  const char* what_;
};

std::uint32_t Crc32(const void* data, std::size_t size, std::uint32_t crc = 0);
// zlib's deflate at level 6, as the PDF's content stream and the PNG's image data use it.
std::string Deflate(const std::string& data);

// Writes to "<path>.part" and renames over path on Commit; removes the partial file otherwise.
class AtomicFile {
 public:
  explicit AtomicFile(const std::string& path);
  ~AtomicFile();
  File& Out() { return file_; }
  void Commit();

 private:
  std::string path_;
  std::string partPath_;
  File file_;
  bool committed_ = false;
};

void WriteWholeFile(const std::string& path, std::string_view bytes);  // through AtomicFile

}  // namespace ivdata::detail
