// Small PE files built in memory, for the tests of the PE reader and the self-check.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace apexer::testpe {

constexpr std::size_t kPeAt = 0x40;
constexpr std::size_t kOptionalAt = kPeAt + 24;
constexpr std::size_t kChecksumAt = kOptionalAt + 64;
constexpr std::size_t kSectionRaw = 0x200;
constexpr std::uint32_t kSectionRva = 0x1000;
constexpr std::size_t kExportAt = kSectionRaw;
inline std::size_t DirectoriesAt(bool pe32Plus) { return kOptionalAt + (pe32Plus ? 112 : 96); }
inline std::size_t CertificateEntryAt(bool pe32Plus) { return DirectoriesAt(pe32Plus) + 4 * 8; }

inline void PutU16(std::string& b, std::size_t at, std::uint32_t v) {
  b[at] = static_cast<char>(v & 0xFF);
  b[at + 1] = static_cast<char>((v >> 8) & 0xFF);
}
inline void PutU32(std::string& b, std::size_t at, std::uint32_t v) {
  PutU16(b, at, v & 0xFFFF);
  PutU16(b, at + 2, v >> 16);
}

// One section holding an export table with these names; 0x600 bytes in all.
inline std::string Build(std::uint16_t machine, bool pe32Plus, const std::vector<std::string>& names,
                         bool library = true) {
  std::string b(0x600, '\0');
  b[0] = 'M';
  b[1] = 'Z';
  PutU32(b, 0x3C, kPeAt);
  b.replace(kPeAt, 4, std::string("PE\0\0", 4));
  const std::size_t coff = kPeAt + 4;
  const std::uint32_t optionalSize = pe32Plus ? 240 : 224;
  PutU16(b, coff, machine);
  PutU16(b, coff + 2, 1);
  PutU16(b, coff + 16, optionalSize);
  PutU16(b, coff + 18, library ? 0x2002 : 0x0002);
  PutU16(b, kOptionalAt, pe32Plus ? 0x20B : 0x10B);
  PutU32(b, kOptionalAt + (pe32Plus ? 108 : 92), 16);
  const std::size_t directories = DirectoriesAt(pe32Plus);
  const std::size_t section = kOptionalAt + optionalSize;
  b.replace(section, 6, ".edata");
  PutU32(b, section + 8, 0x400);
  PutU32(b, section + 12, kSectionRva);
  PutU32(b, section + 16, 0x400);
  PutU32(b, section + 20, kSectionRaw);
  // Program bytes after the export data, so a change to them shows in the digest.
  for (std::size_t i = 0x480; i < 0x600; ++i) b[i] = static_cast<char>(i * 7);
  if (names.empty()) return b;
  PutU32(b, directories, kSectionRva);
  PutU32(b, directories + 4, 0x100);
  PutU32(b, kExportAt + 24, static_cast<std::uint32_t>(names.size()));
  PutU32(b, kExportAt + 32, kSectionRva + 40);
  std::size_t text = 40 + 4 * names.size();
  for (std::size_t i = 0; i < names.size(); ++i) {
    PutU32(b, kExportAt + 40 + 4 * i, static_cast<std::uint32_t>(kSectionRva + text));
    b.replace(kExportAt + text, names[i].size(), names[i]);
    text += names[i].size() + 1;
  }
  return b;
}

}  // namespace apexer::testpe
