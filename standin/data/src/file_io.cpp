#include "file_io.h"

#include <zlib.h>

#include <cerrno>
#include <cstdio>
#include <limits>
#include <utility>

#include "ivdata/error.h"

namespace ivdata::detail {

namespace {

int SeekTo(std::FILE* f, std::uint64_t offset) {
  if (offset > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max())) return -1;
#ifdef _WIN32
  return _fseeki64(f, static_cast<__int64>(offset), SEEK_SET);
#else
  return fseeko(f, static_cast<off_t>(offset), SEEK_SET);
#endif
}

std::int64_t TellEnd(std::FILE* f) {
#ifdef _WIN32
  if (_fseeki64(f, 0, SEEK_END) != 0) return -1;
  return _ftelli64(f);
#else
  if (fseeko(f, 0, SEEK_END) != 0) return -1;
  return ftello(f);
#endif
}

std::string Reason() {
  const int e = errno;
  return e ? std::string(": ") + std::strerror(e) : std::string();
}

}  // namespace

File::File(const std::string& path, Mode mode) : path_(path) {
  errno = 0;
  file_ = std::fopen(path.c_str(), mode == Mode::Read ? "rb" : "wb");
  if (!file_) {
    throw Error((mode == Mode::Read ? "cannot open " : "cannot create ") + path + Reason());
  }
}

File::File(File&& other) noexcept
    : file_(std::exchange(other.file_, nullptr)), path_(std::move(other.path_)),
      position_(other.position_) {}

File& File::operator=(File&& other) noexcept {
  if (this != &other) {
    if (file_) std::fclose(file_);
    file_ = std::exchange(other.file_, nullptr);
    path_ = std::move(other.path_);
    position_ = other.position_;
  }
  return *this;
}

File::~File() {
  if (file_) std::fclose(file_);
}

std::uint64_t File::Size() const {
  const std::int64_t end = TellEnd(file_);
  if (end < 0) throw Error("cannot measure " + path_ + Reason());
  return static_cast<std::uint64_t>(end);
}

void File::Seek(std::uint64_t offset) const {
  if (SeekTo(file_, offset) != 0) throw Error("cannot seek in " + path_ + Reason());
}

void File::ReadAt(std::uint64_t offset, void* data, std::size_t size, const char* what) const {
  if (size == 0) return;
  Seek(offset);
  if (std::fread(data, 1, size, file_) != size) {
    throw Error(path_ + ": truncated (" + what + " ends past the end of the file)");
  }
}

void File::Write(const void* data, std::size_t size) {
  if (size == 0) return;
  if (std::fwrite(data, 1, size, file_) != size) throw Error("cannot write " + path_ + Reason());
  position_ += size;
}

void File::WriteAt(std::uint64_t offset, const void* data, std::size_t size) {
  Seek(offset);
  if (std::fwrite(data, 1, size, file_) != size) throw Error("cannot write " + path_ + Reason());
  Seek(position_);
}

void File::Close() {
  if (!file_) return;
  std::FILE* f = std::exchange(file_, nullptr);
  errno = 0;
  if (std::fclose(f) != 0) throw Error("cannot write " + path_ + Reason());
}

void Packer::Str(std::string_view s) {
  if (s.size() > 0xFFFF) throw Error("text longer than 65535 bytes");
  U16(static_cast<std::uint16_t>(s.size()));
  Raw(s.data(), s.size());
}

void Unpacker::Raw(void* out, std::size_t n) {
  if (n > size_ - pos_) throw Error(std::string("corrupt sample: ") + what_ + " is cut short");
  std::memcpy(out, p_ + pos_, n);
  pos_ += n;
}

void Unpacker::Skip(std::size_t n) {
  if (n > size_ - pos_) throw Error(std::string("corrupt sample: ") + what_ + " is cut short");
  pos_ += n;
}

std::string Unpacker::Str() {
  const std::uint16_t n = U16();
  std::string s(n, '\0');
  Raw(s.data(), n);
  return s;
}

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

std::uint32_t Crc32(const void* data, std::size_t size, std::uint32_t crc) {
  const auto* p = static_cast<const Bytef*>(data);
  uLong c = crc;
  while (size > 0) {
    const uInt chunk = size > 0x40000000u ? 0x40000000u : static_cast<uInt>(size);
    c = crc32(c, p, chunk);
    p += chunk;
    size -= chunk;
  }
  return static_cast<std::uint32_t>(c);
}

AtomicFile::AtomicFile(const std::string& path)
    : path_(path), partPath_(path + ".part"), file_(partPath_, File::Mode::Write) {}

AtomicFile::~AtomicFile() {
  if (!committed_) {
    file_ = File();
    std::remove(partPath_.c_str());
  }
}

void AtomicFile::Commit() {
  file_.Close();
  // Windows' rename does not replace an existing file.
  std::remove(path_.c_str());
  errno = 0;
  if (std::rename(partPath_.c_str(), path_.c_str()) != 0) {
    throw Error("cannot rename " + partPath_ + " to " + path_ + Reason());
  }
  committed_ = true;
}

void WriteWholeFile(const std::string& path, std::string_view bytes) {
  AtomicFile out(path);
  out.Out().Write(bytes.data(), bytes.size());
  out.Commit();
}

}  // namespace ivdata::detail
