#include "check/pe_file.h"

#include <algorithm>
#include <cstdio>
#include <optional>

#include "common/sha256.h"

namespace apexer::check {
namespace {

constexpr std::uint32_t kFileDll = 0x2000;
constexpr std::uint16_t kMagicPe32 = 0x10B;
constexpr std::uint16_t kMagicPe32Plus = 0x20B;
constexpr std::uint32_t kExportDirectory = 0;
constexpr std::uint32_t kCertificateDirectory = 4;
constexpr std::size_t kMostExports = 65536;

// Bounds-checked little-endian reads: a short or damaged file gives nothing, never a read past its end.
class Bytes {
 public:
  explicit Bytes(std::string_view b) : b_(b) {}
  std::optional<std::uint32_t> U16(std::uint64_t at) const { return Le(at, 2); }
  std::optional<std::uint32_t> U32(std::uint64_t at) const { return Le(at, 4); }
  std::size_t size() const { return b_.size(); }
  // The NUL-terminated text at `at`, if it ends inside the file.
  std::optional<std::string> Text(std::uint64_t at) const {
    if (at >= b_.size()) return std::nullopt;
    const auto end = b_.find('\0', static_cast<std::size_t>(at));
    if (end == std::string_view::npos) return std::nullopt;
    return std::string(b_.substr(static_cast<std::size_t>(at), end - static_cast<std::size_t>(at)));
  }

 private:
  std::optional<std::uint32_t> Le(std::uint64_t at, int n) const {
    if (at + static_cast<std::uint64_t>(n) > b_.size()) return std::nullopt;
    std::uint32_t v = 0;
    for (int i = n - 1; i >= 0; --i) v = (v << 8) | static_cast<std::uint8_t>(b_[static_cast<std::size_t>(at) + i]);
    return v;
  }
  std::string_view b_;
};

struct Layout {
  std::uint32_t coff = 0;        // offset of the COFF header (after "PE\0\0")
  std::uint32_t optional = 0;    // offset of the optional header
  std::uint32_t directories = 0; // offset of the data directories
  std::uint32_t directoryCount = 0;
  std::uint32_t sections = 0;    // offset of the section table
  std::uint32_t sectionCount = 0;
  bool pe32Plus = false;
};

std::optional<Layout> ReadLayout(const Bytes& b, std::string& error) {
  if (b.size() < 64 || b.U16(0) != 0x5A4D) {
    error = "no MZ header: not a Windows program file";
    return std::nullopt;
  }
  Layout l;
  const auto peAt = b.U32(0x3C);
  if (!peAt || b.U32(*peAt) != 0x00004550) {
    error = "no PE signature: not a Windows program file";
    return std::nullopt;
  }
  l.coff = *peAt + 4;
  const auto sectionCount = b.U16(l.coff + 2);
  const auto optionalSize = b.U16(l.coff + 16);
  l.optional = l.coff + 20;
  const auto magic = b.U16(l.optional);
  if (!sectionCount || !optionalSize || !magic || (*magic != kMagicPe32 && *magic != kMagicPe32Plus)) {
    error = "damaged PE header";
    return std::nullopt;
  }
  l.pe32Plus = *magic == kMagicPe32Plus;
  const auto count = b.U32(l.optional + (l.pe32Plus ? 108 : 92));
  l.directories = l.optional + (l.pe32Plus ? 112 : 96);
  l.sections = l.optional + *optionalSize;
  l.sectionCount = *sectionCount;
  if (!count || l.directories > l.sections) {
    error = "damaged PE header";
    return std::nullopt;
  }
  l.directoryCount = std::min<std::uint32_t>(*count, (l.sections - l.directories) / 8);
  return l;
}

// The file offset of a relative virtual address, through the section that holds it.
std::optional<std::uint64_t> FileOffset(const Bytes& b, const Layout& l, std::uint32_t rva) {
  for (std::uint32_t i = 0; i < l.sectionCount; ++i) {
    const std::uint64_t at = l.sections + 40ull * i;
    const auto virtualSize = b.U32(at + 8), address = b.U32(at + 12), rawSize = b.U32(at + 16),
               rawAt = b.U32(at + 20);
    if (!virtualSize || !address || !rawSize || !rawAt) return std::nullopt;
    const std::uint64_t span = std::max(*virtualSize, *rawSize);
    if (rva >= *address && rva < *address + span) return std::uint64_t{*rawAt} + (rva - *address);
  }
  return std::nullopt;
}

std::optional<std::vector<std::string>> ReadExports(const Bytes& b, const Layout& l, std::string& error) {
  std::vector<std::string> names;
  if (l.directoryCount <= kExportDirectory) return names;
  const auto rva = b.U32(l.directories + 8 * kExportDirectory);
  if (!rva || *rva == 0) return names;  // no export table: no names
  error = "damaged export table";
  const auto table = FileOffset(b, l, *rva);
  if (!table) return std::nullopt;
  const std::uint32_t count = b.U32(*table + 24).value_or(0xFFFFFFFFu);
  const auto namesAt = FileOffset(b, l, b.U32(*table + 32).value_or(0));
  if (count > kMostExports || (count > 0 && !namesAt)) return std::nullopt;
  for (std::uint32_t i = 0; i < count; ++i) {
    const auto nameAt = FileOffset(b, l, b.U32(*namesAt + 4ull * i).value_or(0));
    const auto name = nameAt ? b.Text(*nameAt) : std::nullopt;
    if (!name) return std::nullopt;
    names.push_back(*name);
  }
  error.clear();
  return names;
}

}  // namespace

PeFacts ReadPe(std::string_view bytes) {
  PeFacts facts;
  const Bytes b(bytes);
  const auto layout = ReadLayout(b, facts.error);
  if (!layout) return facts;
  facts.machine = static_cast<std::uint16_t>(b.U16(layout->coff).value_or(0));
  facts.pe32Plus = layout->pe32Plus;
  facts.library = (b.U16(layout->coff + 18).value_or(0) & kFileDll) != 0;
  auto exports = ReadExports(b, *layout, facts.error);
  if (!exports) return facts;
  facts.exports = std::move(*exports);
  facts.valid = true;
  return facts;
}

std::string MachineText(std::uint16_t machine) {
  if (machine == kMachineI386) return "x86 (32-bit)";
  if (machine == kMachineAmd64) return "x86-64 (64-bit)";
  char text[32];
  std::snprintf(text, sizeof text, "machine 0x%04X", machine);
  return text;
}

namespace {

// The table the certificate entry names, if it lies after the entry and within the file.
std::optional<CertificateTable> TableOf(const Bytes& b, const Layout& l) {
  const std::uint64_t certEntry = l.directories + 8ull * kCertificateDirectory;
  if (l.directoryCount <= kCertificateDirectory) return std::nullopt;
  const auto at = b.U32(certEntry), size = b.U32(certEntry + 4);
  if (!at || !size || *at == 0 || *size == 0 || std::uint64_t{*at} + *size > b.size() || *at < certEntry + 8) {
    return std::nullopt;
  }
  return CertificateTable{*at, *size};
}

}  // namespace

CertificateTable FindCertificateTable(std::string_view bytes) {
  const Bytes b(bytes);
  std::string error;
  const auto l = ReadLayout(b, error);
  if (!l) return {};
  return TableOf(b, *l).value_or(CertificateTable{});
}

std::string ImageDigestHex(std::string_view bytes) {
  const Bytes b(bytes);
  std::string error;
  const auto l = ReadLayout(b, error);
  if (!l) return Sha256Hex(bytes);
  const std::uint64_t checksum = l->optional + 64;
  const std::uint64_t certEntry = l->directories + 8ull * kCertificateDirectory;
  std::uint64_t certAt = bytes.size(), certEnd = bytes.size();
  if (const auto table = TableOf(b, *l)) {
    certAt = table->at;
    certEnd = table->at + table->size;
  }
  if (certEntry + 8 > certAt) return Sha256Hex(bytes);
  Sha256 h;
  const auto piece = [&](std::uint64_t from, std::uint64_t to) {
    if (to > from) h.Update(bytes.data() + from, static_cast<std::size_t>(to - from));
  };
  piece(0, checksum);
  piece(checksum + 4, certEntry);
  piece(certEntry + 8, certAt);
  piece(certEnd, bytes.size());
  return h.FinalHex();
}

}  // namespace apexer::check
