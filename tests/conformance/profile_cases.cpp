#include <cstring>
#include <initializer_list>

#include "conformance/conformance.h"

namespace apexer::conformance {
namespace {

const std::string kLong(2000, 'x');

const std::string kFileText =
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
    "Octal=010\nPlus=+3\nQuoted=\"7\"\nEmpty=\n";

// The file every reading row reads, as the row's world holds it.
std::string CaseFile(ProfileWorld& world) {
  const std::string file = world.PathInExistingFolder("Conformance.INI");
  world.SetFileText(file, kFileText);
  return file;
}

std::string Read(platform::ProfileFiles& files, const char* section, const char* key, const std::string& dflt,
                 std::uint32_t size, const std::string& file) {
  std::string buffer(size, '#');
  const std::string k = key == nullptr ? std::string() : key;
  const std::uint32_t n = files.GetPrivateProfileStringA(section, key == nullptr ? nullptr : &k, dflt,
                                                         buffer.data(), size, file);
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
  std::string expected;
};

struct IntCase {
  const char* key;
  int dflt;
  std::uint32_t expected;
};

// A file written in a fresh place of the row's world; the path.
std::string Written(ProfileWorld& world, const std::string& section, const std::string& key,
                    const std::string& value) {
  const std::string fresh = world.PathInExistingFolder("Fresh.INI");
  EXPECT_TRUE(world.Files().WritePrivateProfileStringA(section, key, value, fresh)) << "writing " << key;
  return fresh;
}

}  // namespace

std::vector<Case<ProfileWorld>> ProfileCases() {
  const StringCase strings[] = {
      {"value_trimmed", "Combine", "ChroDesc", "", "TIC"},
      {"names_ignore_case", "combine", "CHRODESC", "", "TIC"},
      {"names_ignore_surrounding_spaces", " Combine ", " ChroDesc ", "", "TIC"},
      {"one_pair_of_double_quotes_stripped", "Combine", "Quoted", "", " a b "},
      {"single_quotes_stripped", "Combine", "Single", "", "x"},
      {"unmatched_quote_kept", "Combine", "Mismatch", "", "\"abc"},
      {"semicolon_inside_a_value_kept", "Combine", "Semi", "", "a;b"},
      {"empty_value", "Combine", "Empty", "dflt", ""},
      {"value_cut_to_the_buffer", "Combine", "Long", "", kLong.substr(0, 1023)},
      {"key_with_spaces_in_its_name", "Combine", "Spaced Key", "", "v"},
      {"absent_key_gives_the_default", "Combine", "Absent", "dflt", "dflt"},
      {"absent_section_gives_the_default", "Nowhere", "ChroDesc", "dflt", "dflt"},
      {"default_loses_trailing_spaces", "Combine", "Absent", "dflt  ", "dflt"},
      {"key_names_in_file_order", "Combine", nullptr, "",
       Names({"ChroDesc", "Quoted", "Single", "Mismatch", "Semi", "Empty", "Long", "Spaced Key"})},
      {"key_names_of_an_absent_section", "Nowhere", nullptr, "", ""},
  };
  const IntCase ints[] = {
      {"Digits", 0, 12},  {"Negative", 0, static_cast<std::uint32_t>(-5)}, {"Hex", 0, 16}, {"Big", 0, 99999},
      {"Word", 0, 0},     {"Leading", 0, 42}, {"Octal", 0, 10}, {"Plus", 0, 3}, {"Quoted", 0, 7},
      {"Empty", 77, 77},  {"Absent", 77, 77},
  };

  std::vector<Case<ProfileWorld>> cases;
  for (const StringCase& c : strings) {
    cases.push_back({std::string("string_") + c.name, [c](ProfileWorld& world) {
                       const std::string file = CaseFile(world);
                       EXPECT_EQ(Read(world.Files(), c.section, c.key, c.dflt, 1024, file), c.expected);
                     }});
  }
  cases.push_back({"string_missing_file_gives_the_default", [](ProfileWorld& world) {
                     EXPECT_EQ(Read(world.Files(), "Combine", "ChroDesc", "dflt", 1024,
                                    world.PathInExistingFolder("None.INI")),
                               "dflt");
                   }});
  for (const IntCase& c : ints) {
    cases.push_back({std::string("int_") + c.key, [c](ProfileWorld& world) {
                       const std::string file = CaseFile(world);
                       EXPECT_EQ(world.Files().GetPrivateProfileIntA("Numbers", c.key, c.dflt, file), c.expected);
                     }});
  }

  cases.push_back({"write_creates_a_file_in_an_existing_folder_and_reads_back", [](ProfileWorld& world) {
                     const std::string fresh = Written(world, "Combine", "Combiner", "10,20,162,95");
                     EXPECT_TRUE(world.FileExists(fresh));
                     EXPECT_EQ(Read(world.Files(), "Combine", "Combiner", "", 1024, fresh), "10,20,162,95");
                   }});
  cases.push_back({"write_replaces_an_existing_key_whatever_its_case", [](ProfileWorld& world) {
                     const std::string fresh = Written(world, "Combine", "Combiner", "10,20,162,95");
                     world.Files().WritePrivateProfileStringA("Combine", "COMBINER", "1,2,3,4", fresh);
                     EXPECT_EQ(Read(world.Files(), "Combine", nullptr, "", 1024, fresh), Names({"Combiner"}));
                     EXPECT_EQ(Read(world.Files(), "Combine", "Combiner", "", 1024, fresh), "1,2,3,4");
                   }});
  cases.push_back({"write_of_an_empty_value_keeps_its_key", [](ProfileWorld& world) {
                     const std::string fresh = Written(world, "SpeDisplay", "Replace", "");
                     EXPECT_EQ(Read(world.Files(), "SpeDisplay", nullptr, "", 1024, fresh), Names({"Replace"}));
                   }});
  cases.push_back({"write_spaces_around_a_value_are_gone_on_reading", [](ProfileWorld& world) {
                     const std::string fresh = Written(world, "SpeDisplay", "Padded", "  v  ");
                     EXPECT_EQ(Read(world.Files(), "SpeDisplay", "Padded", "", 1024, fresh), "v");
                   }});
  cases.push_back({"write_fails_and_creates_nothing_in_a_folder_that_does_not_exist", [](ProfileWorld& world) {
                     const std::string nowhere = world.PathInMissingFolder("Apexer.INI");
                     EXPECT_FALSE(world.Files().WritePrivateProfileStringA("Combine", "Combiner", "1,2,3,4", nowhere));
                     EXPECT_FALSE(world.FileExists(nowhere));
                   }});
  return cases;
}

}  // namespace apexer::conformance
