// What a Windows program file says of itself, read from its bytes without loading it: the machine it is
// built for, whether it is a library, the names it exports; and the digest of its image.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace apexer::check {

constexpr std::uint16_t kMachineI386 = 0x014C;
constexpr std::uint16_t kMachineAmd64 = 0x8664;

struct PeFacts {
  bool valid = false;
  std::string error;            // why the bytes are no PE file, or why the export table cannot be read
  std::uint16_t machine = 0;
  bool pe32Plus = false;        // a 64-bit image
  bool library = false;         // IMAGE_FILE_DLL
  std::vector<std::string> exports;  // by name, as the export table lists them
};

PeFacts ReadPe(std::string_view bytes);
// "x86 (32-bit)", "x86-64 (64-bit)", or the machine number in hexadecimal.
std::string MachineText(std::uint16_t machine);

// SHA-256 of a PE file as Authenticode hashes it: every byte except the header's checksum, the
// certificate table's directory entry and the certificate table itself, so that signing the file after
// the build does not change it. A file that is no PE file is hashed whole.
std::string ImageDigestHex(std::string_view bytes);

// Where the file's certificate table lies, as its header's directory entry says: the table must lie after
// the headers and within the file. size 0: it has none (or the entry points nowhere sensible).
struct CertificateTable {
  std::uint64_t at = 0;
  std::uint64_t size = 0;
};
CertificateTable FindCertificateTable(std::string_view bytes);

}  // namespace apexer::check
