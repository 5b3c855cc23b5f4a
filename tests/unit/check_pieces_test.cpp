// The self-check's pieces that need no host: SHA-256, the PE reader and its image digest, the command
// line, the verdict of a table, the changes ledger.
#include <gtest/gtest.h>

#include <cstring>
#include <stdexcept>

#include "check/changes.h"
#include "check/check_table.h"
#include "check/command_line.h"
#include "check/pe_file.h"
#include "common/sha256.h"
#include "tests_pe.h"

namespace apexer::check {
namespace {

struct ShaCase {
  std::string input;
  const char* hex;
};

class Sha256Vectors : public testing::TestWithParam<ShaCase> {};

TEST_P(Sha256Vectors, MatchTheStandardsDigests) {
  EXPECT_EQ(Sha256Hex(GetParam().input), GetParam().hex);
  // Fed in uneven pieces the digest is the same.
  Sha256 h;
  const std::string& in = GetParam().input;
  for (std::size_t at = 0; at < in.size(); at += 7) h.Update(std::string_view(in).substr(at, 7));
  EXPECT_EQ(h.FinalHex(), GetParam().hex);
}

INSTANTIATE_TEST_SUITE_P(
    Fips180, Sha256Vectors,
    testing::Values(ShaCase{"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
                    ShaCase{"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
                    ShaCase{"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
                            "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
                    ShaCase{std::string(1000000, 'a'),
                            "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
                    // 55 and 56 bytes: the padding's length field just fits, and just does not.
                    ShaCase{std::string(55, 'x'), "d5e285683cd4efc02d021a5c62014694958901005d6f71e89e0989fac77e4072"},
                    ShaCase{std::string(64, 'x'), "7ce100971f64e7001e8fe5a51973ecdfe1ced42befe7ee8d5fd6219506b5393c"}),
    [](const testing::TestParamInfo<ShaCase>& p) { return "length_" + std::to_string(p.param.input.size()); });

TEST(PeFile, ReadsMachineKindAndExportNamesFromTheBytes) {
  const PeFacts i386 = ReadPe(testpe::Build(kMachineI386, false, {"CopyMemVB", "GetApplicationWnd@4"}));
  ASSERT_TRUE(i386.valid) << i386.error;
  EXPECT_EQ(i386.machine, kMachineI386);
  EXPECT_FALSE(i386.pe32Plus);
  EXPECT_TRUE(i386.library);
  EXPECT_EQ(i386.exports, (std::vector<std::string>{"CopyMemVB", "GetApplicationWnd@4"}));

  const PeFacts amd64 = ReadPe(testpe::Build(kMachineAmd64, true, {"DmRawClose"}));
  ASSERT_TRUE(amd64.valid) << amd64.error;
  EXPECT_EQ(MachineText(amd64.machine), "x86-64 (64-bit)");
  EXPECT_TRUE(amd64.pe32Plus);
  EXPECT_EQ(amd64.exports, std::vector<std::string>{"DmRawClose"});

  const PeFacts program = ReadPe(testpe::Build(kMachineI386, false, {}, /*library=*/false));
  ASSERT_TRUE(program.valid);
  EXPECT_FALSE(program.library);
  EXPECT_TRUE(program.exports.empty());
}

TEST(PeFile, RefusesWhatIsNoPeFileAndNeverReadsPastTheEnd) {
  const std::string good = testpe::Build(kMachineI386, false, {"A", "B"});
  struct Case {
    const char* name;
    std::string bytes;
  };
  std::string noSignature = good;
  noSignature[0x40] = 'X';
  std::string namesOutside = good;
  testpe::PutU32(namesOutside, testpe::kExportAt + 32, 0x7FFF0000);  // AddressOfNames beyond every section
  std::string manyNames = good;
  testpe::PutU32(manyNames, testpe::kExportAt + 24, 0x10000000);
  const Case cases[] = {{"empty", ""},
                        {"text", "just some text, certainly not a program"},
                        {"no PE signature", noSignature},
                        {"cut inside the section table", good.substr(0, 0x150)},
                        {"cut inside the export table", good.substr(0, testpe::kExportAt + 10)},
                        {"names outside every section", namesOutside},
                        {"more names than the file holds", manyNames}};
  for (const Case& c : cases) {
    const PeFacts facts = ReadPe(c.bytes);
    EXPECT_FALSE(facts.valid) << c.name;
    EXPECT_FALSE(facts.error.empty()) << c.name;
  }
}

TEST(PeFile, ImageDigestLeavesOutWhatSigningChangesAndNothingElse) {
  const std::string unsigned_ = testpe::Build(kMachineI386, false, {"A"});
  const std::string digest = ImageDigestHex(unsigned_);
  EXPECT_EQ(digest.size(), 64u);

  // What a signing tool does: a new checksum, the certificate table's directory entry, the table appended.
  std::string signed_ = unsigned_;
  const std::string certificate(1032, '\x5A');
  testpe::PutU32(signed_, testpe::kChecksumAt, 0x12345678);
  testpe::PutU32(signed_, testpe::CertificateEntryAt(false), static_cast<std::uint32_t>(signed_.size()));
  testpe::PutU32(signed_, testpe::CertificateEntryAt(false) + 4, static_cast<std::uint32_t>(certificate.size()));
  signed_ += certificate;
  EXPECT_EQ(ImageDigestHex(signed_), digest) << "signing must not change the image digest";

  std::string patched = unsigned_;
  patched[testpe::kExportAt + 100] ^= 1;  // one byte of the program itself
  EXPECT_NE(ImageDigestHex(patched), digest);
  std::string moreBytes = unsigned_ + "tail";
  EXPECT_NE(ImageDigestHex(moreBytes), digest) << "bytes appended without a certificate entry count";
  EXPECT_EQ(ImageDigestHex("not a program"), Sha256Hex("not a program")) << "other files are hashed whole";
}

struct LineCase {
  const char* name;
  const char* text;
  bool ok;
  bool quiet, full;
  const char* report;
  const char* reason;
  const char* record = "";
};

class CommandLines : public testing::TestWithParam<LineCase> {};

TEST_P(CommandLines, AreReadOrRefusedWhole) {
  const LineCase& c = GetParam();
  Options o;
  std::string error;
  ASSERT_EQ(ParseCommandLine(c.text, o, error), c.ok) << error;
  if (!c.ok) {
    EXPECT_FALSE(error.empty());
    EXPECT_NE(CommandLineErrorText(error).find(kUsageText), std::string::npos);
    return;
  }
  EXPECT_EQ(o.quiet, c.quiet);
  EXPECT_EQ(o.full, c.full);
  EXPECT_EQ(o.reportFolder, c.report);
  EXPECT_EQ(o.reason, c.reason);
  EXPECT_EQ(o.recordFile, c.record);
}

INSTANTIATE_TEST_SUITE_P(
    Table, CommandLines,
    testing::Values(
        LineCase{"none", "", true, false, false, "", ""},
        LineCase{"all", R"(/quiet /FULL /report "D:\QA reports" /reason "host upgrade")", true, true, true,
                 R"(D:\QA reports)", "host upgrade"},
        LineCase{"dashes_any_case", "-Quiet -full", true, true, true, "", ""},
        LineCase{"quote_inside", R"(/reason "the \"new\" PC")", true, false, false, "", R"(the "new" PC)"},
        LineCase{"unknown", "/fast", false, false, false, "", ""},
        LineCase{"stray_word", "/quiet host", false, false, false, "", ""},
        LineCase{"twice", "/full /full", false, false, false, "", ""},
        LineCase{"report_without_folder", "/report", false, false, false, "", ""},
        LineCase{"empty_reason", R"(/reason "")", false, false, false, "", ""},
        LineCase{"open_quote", R"(/reason "host)", false, false, false, "", ""},
        LineCase{"record", R"(/record "D:\Tools\Apexer.log" /quiet)", true, true, false, "", "", R"(D:\Tools\Apexer.log)"},
        LineCase{"record_without_file", "/record", false, false, false, "", ""},
        LineCase{"record_with_a_check", "/record Apexer.log /full", false, false, false, "", ""}),
    [](const testing::TestParamInfo<LineCase>& p) { return std::string(p.param.name); });

TEST(CommandLines, QuietIsHeardEvenOnALineThatCannotBeRead) {
  EXPECT_TRUE(AsksQuiet("/bogus /QUIET"));
  EXPECT_FALSE(AsksQuiet("/bogus /reason quiet"));
}

RowResult With(Verdict v, bool run = true) { return {run, {v, "", "", ""}, 0}; }

TEST(Summary, VerdictCountsAndExitCodeComeFromTheRowsAlone) {
  using V = Verdict;
  struct Case {
    std::vector<RowResult> rows;
    Overall overall;
    int exit;
    std::size_t run;
  };
  const Case cases[] = {
      {{With(V::Held), With(V::Held)}, Overall::AllHeld, 0, 2},
      {{With(V::Held), With(V::Differs)}, Overall::Differences, 1, 2},
      {{With(V::Held), With(V::NotChecked, false)}, Overall::Incomplete, 2, 1},
      {{With(V::NotChecked), With(V::Differs)}, Overall::Differences, 1, 2},
      {{}, Overall::Incomplete, 2, 0},  // nothing checked proves nothing
  };
  for (const Case& c : cases) {
    const Summary s = Summarize(c.rows);
    EXPECT_EQ(s.overall, c.overall);
    EXPECT_EQ(s.exitCode, c.exit);
    EXPECT_EQ(s.planned, c.rows.size());
    EXPECT_EQ(s.run, c.run);
    EXPECT_EQ(s.held + s.differs + s.notChecked, c.rows.size());
  }
}

TEST(Changes, AreUndoneOnceEachLatestFirstAndAFailureIsSaid) {
  Changes changes;
  std::string order;
  const int first = changes.Made("first", [&] {
    order += "1";
    return std::string("one undone");
  });
  changes.Made("second", [&]() -> std::string { throw std::runtime_error("still open after WM_CLOSE"); });
  changes.Final("printed", "a printed page cannot be taken back");
  changes.Made("third", [&] {
    order += "3";
    return std::string("three undone");
  });
  changes.UndoNow(first);
  changes.UndoNow(first);
  changes.UndoAll();
  changes.UndoAll();
  EXPECT_EQ(order, "13");
  const auto s = changes.Snapshot();
  ASSERT_EQ(s.size(), 4u);
  EXPECT_EQ(s[0].state, ChangeState::Undone);
  EXPECT_EQ(s[1].state, ChangeState::UndoFailed);
  EXPECT_EQ(s[1].how, "still open after WM_CLOSE");
  EXPECT_EQ(s[2].state, ChangeState::CannotBeUndone);
  EXPECT_EQ(s[3].how, "three undone");
}

}  // namespace
}  // namespace apexer::check
