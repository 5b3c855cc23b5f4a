#include <cstring>
#include <initializer_list>

#include "conformance/conformance.h"

namespace apexer::conformance {
namespace {

const std::string kLong(2000, 'x');

std::string Read(platform::ProfileFiles& files, const char* section, const char* key, const std::string& dflt,
                 std::uint32_t size, const std::string& file, std::uint32_t* returned = nullptr) {
  std::string buffer(size, '#');
  const std::string k = key == nullptr ? std::string() : key;
  const std::uint32_t n = files.GetPrivateProfileStringA(section, key == nullptr ? nullptr : &k, dflt,
                                                         buffer.data(), size, file);
  if (returned != nullptr) *returned = n;
  // What the caller relies on: the returned count of characters (for key lists, with their NULs).
  return buffer.substr(0, n);
}

// A key list as the platform returns it: each name followed by its NUL.
std::string Names(std::initializer_list<const char*> names) {
  std::string out;
  for (const char* n : names) {
    out += n;
    out.push_back('\0');
  }
  return out;
}

struct StringCase {
  const char* name;
  const char* section;
  const char* key;  // nullptr: the section's key names
  const char* dflt;
  std::uint32_t size;
  std::string expected;
};

struct IntCase {
  const char* key;
  int dflt;
  std::uint32_t expected;
};

}  // namespace

void RunProfileCases(ProfileWorld& world, Failures& failures) {
  platform::ProfileFiles& files = world.Files();
  const std::string file = world.PathInExistingFolder("Conformance.INI");
  world.SetFileText(file,
                    "[Combine]\n"
                    "ChroDesc= TIC \n"
                    "Quoted=\" a b \"\n"
                    "Single='x'\n"
                    "Mismatch=\"abc\n"
                    "Semi=a;b\n"
                    "Empty=\n"
                    "Long=" + kLong + "\n"
                    " Spaced Key = v \n"
                    "NoEquals line\n"
                    "[Numbers]\n"
                    "Digits=12abc\nNegative=-5\nHex=0x10\nBig=99999\nWord=abc\nLeading= 42\n"
                    "Octal=010\nPlus=+3\nQuoted=\"7\"\nEmpty=\n");

  const StringCase strings[] = {
      {"trimmed value", "Combine", "ChroDesc", "", 1024, "TIC"},
      {"names ignore case", "combine", "CHRODESC", "", 1024, "TIC"},
      {"names ignore surrounding spaces", " Combine ", " ChroDesc ", "", 1024, "TIC"},
      {"one pair of double quotes stripped", "Combine", "Quoted", "", 1024, " a b "},
      {"single quotes stripped", "Combine", "Single", "", 1024, "x"},
      {"unmatched quote kept", "Combine", "Mismatch", "", 1024, "\"abc"},
      {"semicolon inside a value kept", "Combine", "Semi", "", 1024, "a;b"},
      {"empty value", "Combine", "Empty", "dflt", 1024, ""},
      {"value cut to the buffer", "Combine", "Long", "", 1024, kLong.substr(0, 1023)},
      {"key with spaces in its name", "Combine", "Spaced Key", "", 1024, "v"},
      {"absent key gives the default", "Combine", "Absent", "dflt", 1024, "dflt"},
      {"absent section gives the default", "Nowhere", "ChroDesc", "dflt", 1024, "dflt"},
      {"default loses trailing spaces", "Combine", "Absent", "dflt  ", 1024, "dflt"},
      {"key names in file order", "Combine", nullptr, "", 1024,
       Names({"ChroDesc", "Quoted", "Single", "Mismatch", "Semi", "Empty", "Long", "Spaced Key"})},
      {"key names of an absent section", "Nowhere", nullptr, "", 1024, ""},
  };
  for (const StringCase& c : strings) {
    failures.Equal(std::string("profile string: ") + c.name, Read(files, c.section, c.key, c.dflt, c.size, file),
                   c.expected);
  }
  failures.Equal("profile string: missing file gives the default",
                 Read(files, "Combine", "ChroDesc", "dflt", 1024, world.PathInExistingFolder("None.INI")),
                 std::string("dflt"));

  const IntCase ints[] = {
      {"Digits", 0, 12},  {"Negative", 0, static_cast<std::uint32_t>(-5)}, {"Hex", 0, 16}, {"Big", 0, 99999},
      {"Word", 0, 0},     {"Leading", 0, 42}, {"Octal", 0, 10}, {"Plus", 0, 3}, {"Quoted", 0, 7},
      {"Empty", 77, 77},  {"Absent", 77, 77},
  };
  for (const IntCase& c : ints) {
    failures.Equal(std::string("profile int: ") + c.key, files.GetPrivateProfileIntA("Numbers", c.key, c.dflt, file),
                   c.expected);
  }

  const std::string fresh = world.PathInExistingFolder("Fresh.INI");
  failures.True("profile write: creates a file in an existing folder",
                files.WritePrivateProfileStringA("Combine", "Combiner", "10,20,162,95", fresh) &&
                    world.FileExists(fresh));
  failures.Equal("profile write: value reads back", Read(files, "Combine", "Combiner", "", 1024, fresh),
                 std::string("10,20,162,95"));
  files.WritePrivateProfileStringA("Combine", "COMBINER", "1,2,3,4", fresh);
  failures.Equal("profile write: an existing key is replaced, whatever its case",
                 Read(files, "Combine", nullptr, "", 1024, fresh), Names({"Combiner"}));
  failures.Equal("profile write: replaced value", Read(files, "Combine", "Combiner", "", 1024, fresh),
                 std::string("1,2,3,4"));
  files.WritePrivateProfileStringA("SpeDisplay", "Replace", "", fresh);
  failures.Equal("profile write: an empty value keeps its key",
                 Read(files, "SpeDisplay", nullptr, "", 1024, fresh), Names({"Replace"}));
  files.WritePrivateProfileStringA("SpeDisplay", "Padded", "  v  ", fresh);
  failures.Equal("profile write: spaces around a written value are gone on reading",
                 Read(files, "SpeDisplay", "Padded", "", 1024, fresh), std::string("v"));

  const std::string nowhere = world.PathInMissingFolder("Apexer.INI");
  failures.True("profile write: fails in a folder that does not exist",
                !files.WritePrivateProfileStringA("Combine", "Combiner", "1,2,3,4", nowhere));
  failures.True("profile write: creates nothing in a folder that does not exist", !world.FileExists(nowhere));
}

}  // namespace apexer::conformance
