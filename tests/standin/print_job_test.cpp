#include <gtest/gtest.h>

#include <set>

#include "test_support.h"

namespace {

ivdata::CombinedSpectrum Numbered(int n) {
  ivdata::CombinedSpectrum c;
  c.sampleName = "s.ivs";
  c.ranges = {{n, n + 2}};
  return c;
}

TEST(PrintJob, APageTakesTheLatestSixOfTheWindow) {
  for (int held : {0, 1, 6, 7, 13}) {
    std::vector<ivdata::CombinedSpectrum> window;
    for (int i = 1; i <= held; ++i) window.push_back(Numbered(i));
    const auto page = ivdata::LatestForPage(window);
    ASSERT_EQ(page.size(), static_cast<std::size_t>(std::min(held, 6))) << held;
    if (!page.empty()) {
      EXPECT_EQ(page.front().ranges[0].first, held - static_cast<int>(page.size()) + 1) << held;
      EXPECT_EQ(page.back().ranges[0].first, held) << held;
    }
  }
}

TEST(PrintJob, PagesTakeTheNextFreeNumberAndNeverOverwrite) {
  EXPECT_EQ(ivdata::PageStem("run 7.ivs"), "run 7");
  EXPECT_EQ(ivdata::PageStem("a.b.ivs"), "a.b");
  EXPECT_EQ(ivdata::PageStem(".ivs"), ".ivs");
  EXPECT_EQ(ivdata::PageStem("noext"), "noext");
  EXPECT_EQ(ivdata::PageStem(""), "page");

  std::set<std::string> taken;
  auto isTaken = [&taken](const std::string& pdf) { return taken.count(pdf) > 0; };
  EXPECT_EQ(ivdata::NextFreePage("C:\\Prints", "run", isTaken), "C:\\Prints\\run-0001");
  taken = {"C:\\Prints\\run-0001.pdf", "C:\\Prints\\run-0002.pdf", "C:\\Prints\\run-0004.pdf"};
  EXPECT_EQ(ivdata::NextFreePage("C:\\Prints\\", "run", isTaken), "C:\\Prints\\run-0003");
  EXPECT_EQ(ivdata::NextFreePage("/tmp/prints/", "run", isTaken), "/tmp/prints/run-0001");
  int asked = 0;
  EXPECT_EQ(ivdata::NextFreePage("d", "run", [&asked](const std::string&) { return ++asked > 0; }), "");
  EXPECT_EQ(asked, 99999);
  EXPECT_EQ(ivdata::NextFreePage("d", "run", [](const std::string& pdf) { return pdf != "d\\run-10000.pdf"; }),
            "d\\run-10000");
}

TEST(PrintJob, FooterAndMassListsSayWhatThePageHolds) {
  EXPECT_EQ(ivdata::PageFooter("s.ivs", "2026-12-08 09:05:01", 6, 13), "s.ivs  printed 2026-12-08 09:05:01  6 of 13 spectra");
  EXPECT_EQ(ivdata::PageFooter("s.ivs", "", 1, 1), "s.ivs  1 of 1 spectra");
  // A long name no longer cuts the footer short.
  const std::string longName(200, 'n');
  EXPECT_EQ(ivdata::PageFooter(longName, "t", 1, 1), longName + "  printed t  1 of 1 spectra");

  ivdata::CombinedSpectrum a = Numbered(49);
  a.firstRt = 1.25;
  a.lastRt = 1.2833333;
  a.spectrum.mz = {301.14159265, 455.5};
  a.spectrum.intensity = {1234567.0, 0.5};
  ivdata::CombinedSpectrum b = Numbered(7);
  b.ranges = {{7, 7}, {20, 22}};
  EXPECT_EQ(ivdata::MassListText({a, b}),
            "s.ivs  scans 49:51  RT 1.25-1.28333 min\r\nm/z\tintensity\r\n301.142\t1.23457e+06\r\n455.5\t0.5\r\n\r\n"
            "s.ivs  scans 7, 20:22  RT 0-0 min\r\nm/z\tintensity\r\n\r\n");
  EXPECT_EQ(ivdata::MassListText({}), "");
}

}  // namespace
