// The run record: where its lines go, how it stays bounded, and what a whole run leaves in it.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <new>
#include <sstream>

#include "fakes/rig.h"
#include "common/sha256.h"
#include "processing/record_chain.h"
#include "shell/startup.h"

namespace apexer {
namespace {

using Lines = std::vector<std::string>;
const std::string kLog = R"(D:\Tools\Apexer.log)";
const std::string kFallbackLog = R"(C:\Users\lab\AppData\Local\Apexer\Apexer.log)";
const std::string kIni = R"(D:\Tools\Apexer.INI)";
const std::string kHostIni = R"(C:\Ionvane\Ionvane.ini)";

// The record's lines without their time stamps and links, the event and its text joined by one space; the
// run's first line (who, where, what it follows) left out.
Lines Events(const std::string& text) {
  Lines out;
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) {
    EXPECT_EQ(line.back(), '\r') << line;
    line.pop_back();
    EXPECT_FALSE(LinkOf(line).empty()) << line;
    line.resize(line.size() - kLinkDigits - 2);
    const std::string rest = line.substr(31);
    const auto space = rest.find(' ');
    if (rest.substr(0, space) == kRunEvent) continue;
    out.push_back(rest.substr(0, space) + " " + rest.substr(rest.find_first_not_of(' ', space)));
  }
  return out;
}

struct Record {
  fakes::FakeRecordFiles files;
  fakes::FakeApplication app;
  RunRecord record{files, app, "V3.3.0"};
};

// One short run into the files as they stand.
void ShortRun(fakes::FakeRecordFiles& files, const std::string& channel = "TIC") {
  fakes::FakeApplication app;
  RunRecord record(files, app, "V3.3.0");
  record.NoSample(channel);
  record.Completed(0);
}

TEST(RunRecord, OneLinePerEventBesideTheSettingsFileWithItsLocalTimeAfterTheRunsOwnLine) {
  Record r;
  r.record.NoSample("TIC");
  r.files.now = {2027, 1, 2, 23, 59, 58, 7, -330};
  r.record.Completed(0);
  const std::string text = r.files.Text(kLog);
  EXPECT_EQ(text.substr(0, 40), "2026-12-08 09:05:07.042+01:00  run      ");
  EXPECT_NE(text.find("; user lab on LCMS-01; Apexer V3.3.0, D:\\Tools\\Apexer.exe SHA-256 unreadable; settings and "
                      "sample not read yet; follows nothing #"),
            std::string::npos)
      << text;
  EXPECT_NE(text.find("\r\n2026-12-08 09:05:07.042+01:00  start    Apexer V3.3.0; no current sample; channel TIC #"),
            std::string::npos);
  EXPECT_NE(
      text.find("\r\n2027-01-02 23:59:58.007-05:30  end      completed with 0; pages asked for 0, printed 0 #"),
      std::string::npos);
  EXPECT_EQ(r.record.Path(), kLog);
  EXPECT_TRUE(VerifyRecord(text, "Apexer.log").verified) << VerifyRecord(text, "Apexer.log").why;
}

TEST(RunRecord, TheFolderIsChosenOnceAtTheStartOfTheRun) {
  // Beside the settings file cannot be written: the user's own folder, for the whole run.
  Record r;
  r.files.readOnlyFolders.insert(R"(D:\Tools)");
  r.record.NoSample("TIC");
  r.files.readOnlyFolders.clear();
  r.record.Completed(0);
  EXPECT_EQ(r.files.FileSize(kLog), -1);
  EXPECT_EQ(Events(r.files.Text(kFallbackLog)),
            (Lines{"start Apexer V3.3.0; no current sample; channel TIC", "end completed with 0; pages asked for 0, printed 0"}));
  EXPECT_EQ(r.record.Path(), kFallbackLog);

  // A passing failure to write keeps the line, and writes it with the next one, in the same file.
  Record passing;
  passing.record.NoSample("TIC");
  passing.files.failingAppends = 1;
  passing.record.ReplaceSet("TRUE");
  EXPECT_EQ(Events(passing.files.Text(kLog)), Lines{"start Apexer V3.3.0; no current sample; channel TIC"});
  passing.record.Completed(0);
  EXPECT_EQ(passing.files.FileSize(kFallbackLog), -1);
  EXPECT_EQ(Events(passing.files.Text(kLog)).size(), 3u);
  EXPECT_TRUE(VerifyRecord(passing.files.Text(kLog), "Apexer.log").verified);

  // Nowhere to write: the lines are skipped, quietly.
  Record nowhere;
  nowhere.files.readOnlyFolders.insert(R"(D:\Tools)");
  nowhere.files.localAppData.clear();
  nowhere.record.NoSample("TIC");
  nowhere.record.Cancelled();
  EXPECT_TRUE(nowhere.files.files.empty());
  EXPECT_EQ(nowhere.record.Path(), "");
}

// The file moves aside only as a run starts: a run is never split, and a long one never moves twice.
TEST(RunRecord, AtOneMegabyteTheFileMovesAsideAsTheNextRunStarts) {
  struct Row {
    const char* name;
    bool held;  // another program holds the file open, sharing reading and writing
  };
  for (const Row row : {Row{"free", false}, Row{"held open", true}}) {
    fakes::FakeRecordFiles files;
    ShortRun(files);
    files.files[kLog + ".1"] = "oldest";
    if (row.held) files.heldOpen.insert(kLog);
    fakes::FakeApplication app;
    RunRecord record(files, app, "V3.3.0");
    record.NoSample("TIC");
    // A long run: its own lines pass the limit, and stay in the one file.
    const std::string first = files.Text(kLog);
    for (int i = 0; i < 12000; ++i) record.Peak(i + 1, 12000, 5.25f, CombineOutcome{Refusal::None, 4, 6});
    record.Completed(12000);
    const std::string full = files.Text(kLog);
    EXPECT_GT(files.FileSize(kLog), RunRecord::kLimitBytes) << row.name;
    EXPECT_EQ(files.Text(kLog + ".1"), "oldest") << row.name;
    EXPECT_EQ(full.substr(0, first.size()), first) << row.name;

    ShortRun(files);
    EXPECT_EQ(files.Text(kLog + ".1"), full) << row.name;
    EXPECT_EQ(Events(files.Text(kLog)).size(), 2u) << row.name;
    const std::string fresh = files.Text(kLog);
    EXPECT_NE(fresh.find("; follows " + LinkOf(LastLineOf(full)) + " in Apexer.log.1 #"), std::string::npos) << fresh;
    EXPECT_TRUE(VerifyRecord(fresh, "Apexer.log").verified) << row.name << VerifyRecord(fresh, "Apexer.log").why;
    EXPECT_TRUE(VerifyRecord(full, "Apexer.log").verified) << row.name;
  }
}

TEST(RunRecord, ARecordWithoutLinksMovesAsideAndTheRunStartsAFreshChain) {
  fakes::FakeRecordFiles files;
  files.files[kLog] = "2026-01-01 10:00:00.000  end      completed with 0\r\n";
  ShortRun(files);
  EXPECT_EQ(files.Text(kLog + ".1"), "2026-01-01 10:00:00.000  end      completed with 0\r\n");
  EXPECT_NE(files.Text(kLog).find("; follows nothing #"), std::string::npos);
  EXPECT_TRUE(VerifyRecord(files.Text(kLog), "Apexer.log").verified);
}

// An allocation that fails while a line is built drops that line; the run goes on.
TEST(RunRecord, OutOfMemoryWhileALineIsBuiltDropsTheLine) {
  struct Throwing : fakes::FakeRecordFiles {
    platform::LocalTime Now() override {
      if (fail) throw std::bad_alloc();
      return now;
    }
    bool fail = false;
  };
  Throwing files;
  fakes::FakeApplication app;
  RunRecord record(files, app, "V3.3.0");
  record.NoSample("TIC");
  files.fail = true;
  record.ReplaceSet("TRUE");
  record.Cancelled();
  files.fail = false;
  record.Completed(0);
  EXPECT_EQ(Events(files.Text(kLog)),
            (Lines{"start Apexer V3.3.0; no current sample; channel TIC", "end completed with 0; pages asked for 0, printed 0"}));
}

// --- the chain: what an edit after the fact looks like to the verifier ----------------------------------

std::string ThreeRuns() {
  fakes::FakeRecordFiles files;
  ShortRun(files, "TIC");
  ShortRun(files, "BPI");
  ShortRun(files, "UV");
  return files.Text(kLog);
}

std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> out;
  for (std::size_t at = 0; at < text.size();) {
    const std::size_t eol = text.find("\r\n", at) + 2;
    out.push_back(text.substr(at, eol - at));
    at = eol;
  }
  return out;
}

std::string Joined(const std::vector<std::string>& lines) {
  std::string out;
  for (const std::string& l : lines) out += l;
  return out;
}

struct Tamper {
  const char* name;
  std::function<std::string(std::vector<std::string>)> edit;
  long line;  // the first line that does not fit
  const char* why;
};

class RecordChain : public testing::TestWithParam<Tamper> {};

TEST_P(RecordChain, AnEditAfterTheFactIsFoundAtItsLine) {
  const RecordVerdict untouched = VerifyRecord(ThreeRuns(), "Apexer.log");
  ASSERT_TRUE(untouched.verified) << untouched.why;
  EXPECT_EQ(untouched.runs, 3);
  const RecordVerdict v = VerifyRecord(GetParam().edit(SplitLines(ThreeRuns())), "Apexer.log");
  EXPECT_FALSE(v.verified);
  EXPECT_EQ(v.line, GetParam().line);
  EXPECT_NE(v.why.find(GetParam().why), std::string::npos) << v.why;
}

INSTANTIATE_TEST_SUITE_P(
    Edits, RecordChain,
    testing::Values(
        Tamper{"a_byte_changed",
               [](std::vector<std::string> l) {
                 l[4][l[4].find("BPI")] = 'C';
                 return Joined(l);
               },
               5, "does not fit the chain"},
        Tamper{"a_line_removed",
               [](std::vector<std::string> l) {
                 l.erase(l.begin() + 4);
                 return Joined(l);
               },
               5, "does not fit the chain"},
        Tamper{"a_line_inserted",
               [](std::vector<std::string> l) {
                 l.insert(l.begin() + 5, l[1]);
                 return Joined(l);
               },
               6, "does not fit the chain"},
        Tamper{"two_runs_swapped",
               [](std::vector<std::string> l) {
                 std::rotate(l.begin() + 3, l.begin() + 6, l.end());
                 return Joined(l);
               },
               4, "a run was moved, removed or inserted"},
        Tamper{"the_first_run_removed",
               [](std::vector<std::string> l) { return Joined({l.begin() + 3, l.end()}); }, 1,
               "runs before it were removed"},
        Tamper{"the_last_end_cut_off",
               [](std::vector<std::string> l) {
                 l.pop_back();
                 return Joined(l);
               },
               8, "the last run has no end line"},
        Tamper{"a_link_taken_off",
               [](std::vector<std::string> l) {
                 l[2] = l[2].substr(0, l[2].size() - 20) + "\r\n";
                 return Joined(l);
               },
               3, "carries no link"},
        Tamper{"cut_mid_line",
               [](std::vector<std::string> l) { return Joined(l).substr(0, Joined(l).size() - 5); }, 9,
               "cut short"}),
    [](const testing::TestParamInfo<Tamper>& param) { return std::string(param.param.name); });

// --- what a whole run leaves in the record ----------------------------------------------------------

fakes::HostScript WithPeaks(int n) {
  fakes::HostScript s;
  for (int i = 0; i < n; ++i) s.apexScans.push_back(static_cast<Single>(5 + (i * 7) % 90) + 0.25f);
  return s;
}

struct RecordedRun {
  explicit RecordedRun(fakes::HostScript s) : rig(std::move(s)) {
    rig.profiles.SetText(kIni, "[Combine]\nChroDesc=TIC\n");
    rig.profiles.SetText(kHostIni, "[SpeDisplay]\nReplace=TRUE\n");
  }
  int Go() { return Main(*rig.p, rig.record); }
  Lines Record() const { return Events(rig.recordFiles.Text(kLog)); }
  fakes::Rig rig;
};

TEST(RunRecordOfAWholeRun, ACompleteRunNamesItsSamplePeaksPrintsAndTheSettingItPutBack) {
  RecordedRun run(WithPeaks(7));
  run.rig.profiles.SetText(kIni, "[Combine]\nChroDesc=TIC\n[SpecPrint]\nPrintMode=1\n");
  EXPECT_EQ(run.Go(), kExitDone);
  EXPECT_EQ(run.Record(), (Lines{
                              "start Apexer V3.3.0; sample SAMPLE01; channel TIC; peaks found 7",
                              "replace \"TRUE\" before the run; FALSE while it runs",
                              "peak 1 of 7: apex 5.25, scans 4:6 combined",
                              "peak 2 of 7: apex 12.25, scans 11:13 combined",
                              "peak 3 of 7: apex 19.25, scans 18:20 combined",
                              "peak 4 of 7: apex 26.25, scans 25:27 combined",
                              "peak 5 of 7: apex 33.25, scans 32:34 combined",
                              "peak 6 of 7: apex 40.25, scans 39:41 combined",
                              "print 1 with PrintMode 1: peaks 1 to 6",
                              "peak 7 of 7: apex 47.25, scans 46:48 combined",
                              "print 2 with PrintMode 1: peaks 7 to 7",
                              "replace \"TRUE\" put back after the run",
                              "end completed with 7; pages asked for 2, printed 2",
                          }));
}

TEST(RunRecordOfAWholeRun, AnEarlyStopSaysAtWhichPeakAndWhy) {
  struct Row {
    std::function<void(fakes::HostScript&)> fault;
    std::string ending;
  };
  const Row rows[] = {
      {[](fakes::HostScript& s) { s.faults.ApexOutsideAtPeak = 4; },
       "end stopped at peak 4 of 9 with 3: apex scan 200 lies outside the sample's 100 scans; pages asked for 0, "
       "printed 0"},
      {[](fakes::HostScript& s) { s.faults.ExitAfterCombines = 4; },
       "end stopped at peak 5 of 9 with 4: the host is gone; pages asked for 0, printed 0"},
      // Still leaving when the next peak asks for its chromatogram: that is why the window never comes.
      {[](fakes::HostScript& s) {
         s.faults.ExitAfterCombines = 4;
         s.exitMs = 1000;
       },
       "end stopped at peak 5 of 9 with 4: the host is gone; pages asked for 0, printed 0"},
      {[](fakes::HostScript& s) { s.faults.ChromatogramNeverOpens = true; },
       "end stopped at peak 1 of 9 with 0: no chromatogram window; pages asked for 0, printed 0"},
      {[](fakes::HostScript& s) { s.apexScans[1] = std::numeric_limits<Single>::quiet_NaN(); },
       "end stopped at peak 2 of 9 with 1: apex NAN is no scan number; pages asked for 0, printed 0"},
  };
  for (const Row& row : rows) {
    fakes::HostScript s = WithPeaks(9);
    row.fault(s);
    RecordedRun run(s);
    EXPECT_EQ(run.Go(), kExitDone);
    const Lines record = run.Record();
    ASSERT_GE(record.size(), 2u);
    EXPECT_EQ(record.back(), row.ending);
    EXPECT_EQ(record[record.size() - 2], "replace \"TRUE\" put back after the run") << row.ending;
    EXPECT_EQ(run.rig.status->texts.back(), row.ending.substr(row.ending.find(" with ") + 6, 1)) << row.ending;
  }
}

// The run's own first line: who ran it where, the program by its digest, the settings in effect and the
// sample as the file stands; or what was not known yet.
TEST(RunRecordOfAWholeRun, TheRunsFirstLineSaysWhoWhereAndWithWhat) {
  const auto runLine = [](const std::string& text) { return text.substr(40, text.find(" #") - 40); };
  RecordedRun run(WithPeaks(1));
  run.rig.profiles.SetText(kIni, "[Combine]\nChroDesc=TIC\n[SpecPrint]\nPrintMode=1\n");
  run.rig.recordFiles.files[R"(D:\Tools\Apexer.exe)"] = "MZ program";
  run.rig.recordFiles.files["SAMPLE01"] = std::string(1234, 's');
  run.Go();
  const std::string line = runLine(run.rig.recordFiles.Text(kLog));
  EXPECT_EQ(line.substr(12), "; user lab on LCMS-01; Apexer V3.3.0, D:\\Tools\\Apexer.exe SHA-256 " +
                                 Sha256Hex("MZ program") + "; settings " + kIni +
                                 ": channel TIC, PrintMode 1; sample SAMPLE01, 1234 bytes, written "
                                 "2026-12-01 17:30:00.000+01:00; follows nothing");

  fakes::HostScript none = WithPeaks(1);
  none.hasSample = false;
  RecordedRun noSample(none);
  noSample.Go();
  EXPECT_NE(runLine(noSample.rig.recordFiles.Text(kLog)).find(": channel TIC, PrintMode 0; no current sample; follows"),
            std::string::npos);

  RecordedRun gone(WithPeaks(1));
  gone.Go();
  EXPECT_NE(runLine(gone.rig.recordFiles.Text(kLog)).find("SHA-256 unreadable; settings"), std::string::npos);
  EXPECT_NE(runLine(gone.rig.recordFiles.Text(kLog)).find("; sample SAMPLE01, not found as a file; follows"),
            std::string::npos);
}

// A host that leaves right after a combine has no spectrum window to print: the run completes as ever, and
// the record says that page was not printed.
TEST(RunRecordOfAWholeRun, APageTheHostHadNoWindowForIsRecordedAsNotPrinted) {
  struct Row {
    int peaks, exitAfter;
    Lines prints;
    std::string ending;
    std::size_t pagesTheHostPrinted;
  };
  const Row rows[] = {
      {6, 6, {"print 1 with PrintMode 0: nothing printed for peaks 1 to 6: the host has no spectrum window"},
       "end completed with 6; pages asked for 1, printed 0", 0},
      {9, 9,
       {"print 1 with PrintMode 0: peaks 1 to 6",
        "print 2 with PrintMode 0: nothing printed for peaks 7 to 9: the host has no spectrum window"},
       "end completed with 9; pages asked for 2, printed 1", 1},
  };
  for (const Row& row : rows) {
    fakes::HostScript s = WithPeaks(row.peaks);
    s.faults.ExitAfterCombines = row.exitAfter;
    RecordedRun run(s);
    EXPECT_EQ(run.Go(), kExitDone);
    Lines prints;
    for (const std::string& line : run.Record()) {
      if (line.rfind("print ", 0) == 0) prints.push_back(line);
    }
    EXPECT_EQ(prints, row.prints) << row.peaks;
    EXPECT_EQ(run.Record().back(), row.ending);
    EXPECT_EQ(run.rig.host->prints.size(), row.pagesTheHostPrinted) << row.peaks;
    EXPECT_EQ(run.rig.status->texts.back(), std::to_string(row.peaks));
  }
}

// A Cancel while the host prints: the page was asked, and the host prints it, so the record has it.
TEST(RunRecordOfAWholeRun, APageAskedBeforeACancelDuringPrintingIsRecorded) {
  fakes::HostScript s = WithPeaks(8);
  RecordedRun run(s);
  run.rig.loop.onYield = [&](int) {
    if (!run.rig.host->prints.empty()) run.rig.status->cancelClicked = true;
  };
  EXPECT_EQ(run.Go(), kExitCancelled);
  const Lines record = run.Record();
  ASSERT_GE(record.size(), 3u);
  EXPECT_EQ(record[record.size() - 3], "print 1 with PrintMode 0: peaks 1 to 6");
  EXPECT_EQ(record.back(), "end cancelled by the user; pages asked for 1, printed 1");
}

TEST(RunRecordOfAWholeRun, ASettingThatCouldNotBePutBackIsRecordedWithWhatTheFileHolds) {
  RecordedRun run(WithPeaks(2));
  // Writable when the run sets it; not once the peaks are combined.
  run.rig.loop.onYield = [&](int) {
    if (!run.rig.host->combined.empty()) run.rig.profiles.SetUnwritable(kHostIni);
  };
  EXPECT_EQ(run.Go(), kExitDone);
  const Lines record = run.Record();
  ASSERT_GE(record.size(), 2u);
  EXPECT_EQ(record[record.size() - 2],
            "replace \"TRUE\" could not be put back after the run; the file holds \"FALSE\"");
  EXPECT_EQ(record.back(), "end completed with 2; pages asked for 1, printed 1");
  EXPECT_EQ(run.rig.status->texts.back(), "2");
}

TEST(RunRecordOfAWholeRun, AnErrorOrCancelIsTheLastLineAfterTheSettingWasPutBack) {
  RecordedRun error(WithPeaks(5));
  error.rig.host->script.faults.DialogNeverOpens = true;
  EXPECT_EQ(error.Go(), kExitError);
  Lines record = error.Record();
  EXPECT_EQ(Lines(record.end() - 2, record.end()),
            (Lines{"replace \"TRUE\" put back after the run", "end error 32767: Unable to find Combine Spectrum dialogue box; pages asked for 0, printed 0"}));

  fakes::HostScript slow = WithPeaks(10);
  slow.combineMs = 60'000;
  RecordedRun cancel(slow);
  cancel.rig.loop.onYield = [&](int) {
    if (cancel.rig.host->combined.size() == 2) cancel.rig.status->cancelClicked = true;
  };
  EXPECT_EQ(cancel.Go(), kExitCancelled);
  record = cancel.Record();
  EXPECT_EQ(Lines(record.end() - 2, record.end()),
            (Lines{"replace \"TRUE\" put back after the run", "end cancelled by the user; pages asked for 0, printed 0"}));
}

TEST(RunRecordOfAWholeRun, NoSampleOrNoPeaksStillLeaveAStartAndAnEnd) {
  fakes::HostScript none = WithPeaks(3);
  none.hasSample = false;
  RecordedRun noSample(none);
  noSample.Go();
  EXPECT_EQ(noSample.Record(),
            (Lines{"start Apexer V3.3.0; no current sample; channel TIC", "end completed with 0; pages asked for 0, printed 0"}));

  RecordedRun noPeaks(WithPeaks(0));
  noPeaks.Go();
  EXPECT_EQ(noPeaks.Record(),
            (Lines{"start Apexer V3.3.0; sample SAMPLE01; channel TIC; peaks found 0", "end completed with 0; pages asked for 0, printed 0"}));
}

TEST(RunRecordOfAWholeRun, ARecordThatCannotBeWrittenChangesNothingInTheRun) {
  RecordedRun recorded(WithPeaks(8));
  recorded.Go();
  RecordedRun unrecorded(WithPeaks(8));
  unrecorded.rig.recordFiles.readOnlyFolders.insert(R"(D:\Tools)");
  unrecorded.rig.recordFiles.localAppData.clear();
  unrecorded.Go();
  EXPECT_TRUE(unrecorded.rig.recordFiles.files.empty());
  EXPECT_EQ(unrecorded.rig.journal, recorded.rig.journal);
  EXPECT_EQ(unrecorded.rig.status->texts, recorded.rig.status->texts);
}

}  // namespace
}  // namespace apexer
