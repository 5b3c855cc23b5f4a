#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdio>
#include <cstdlib>
#include <regex>

#include "test_support.h"

namespace {

ivdata::CombinedSpectrum Spectrum(const std::string& sample, int first, int last, bool centroided = true) {
  ivdata::CombinedSpectrum c;
  c.sampleName = sample;
  c.ranges = {{first, last}};
  c.scansUsed = last - first + 1;
  c.firstRt = 0.01 * first;
  c.lastRt = 0.01 * last;
  c.spectrum.centroided = centroided;
  for (int i = 0; i < 50; ++i) {
    c.spectrum.mz.push_back(300 + 7.5 * i);
    c.spectrum.intensity.push_back(i == 17 ? 5e5 : 1000.0 * (i % 7));
  }
  c.basePeakMz = 300 + 7.5 * 17;
  c.basePeakIntensity = 5e5;
  return c;
}

bool HaveTool(const char* tool) { return std::system((std::string("command -v ") + tool + " >/dev/null 2>&1").c_str()) == 0; }

std::string Output(const std::string& command) {
  std::string out;
  if (FILE* p = popen(command.c_str(), "r")) {
    char buffer[4096];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, p)) > 0) out.append(buffer, n);
    pclose(p);
  }
  return out;
}

TEST(Page, PdfCrossReferencesPointAtTheirObjects) {
  const std::string pdf = ivdata::RenderPagePdf({Spectrum("a", 1, 3)}, ivdata::PageOptions());
  ASSERT_EQ(pdf.rfind("%PDF-1.4", 0), 0u);
  const std::size_t startxref = pdf.rfind("startxref\n");
  ASSERT_NE(startxref, std::string::npos);
  const std::size_t xref = std::stoul(pdf.substr(startxref + 10));
  ASSERT_EQ(pdf.compare(xref, 4, "xref"), 0);
  const std::regex entry("(\\d{10}) 00000 n ");
  int object = 0;
  for (auto it = std::sregex_iterator(pdf.begin() + static_cast<long>(xref), pdf.end(), entry); it != std::sregex_iterator(); ++it) {
    const std::size_t offset = std::stoul((*it)[1]);
    const std::string expected = std::to_string(++object) + " 0 obj";
    EXPECT_EQ(pdf.compare(offset, expected.size(), expected), 0) << expected;
  }
  EXPECT_EQ(object, 7);
}

TEST(Page, ARealReaderFindsOnePageWithEveryLabel) {
  if (!HaveTool("pdftotext") || !HaveTool("pdfinfo")) GTEST_SKIP() << "poppler-utils not installed";
  ivtest::TempDir dir;
  std::vector<ivdata::CombinedSpectrum> spectra;
  for (int i = 0; i < 6; ++i) spectra.push_back(Spectrum("run (7) \\ " + std::to_string(i), 10 * i + 1, 10 * i + 3, i % 2 == 0));
  ivdata::PageOptions options;
  options.title = "Batch 1";
  options.footer = "printed by test";
  ivdata::WritePage(spectra, options, dir.Path("p.pdf"), dir.Path("p.png"));
  const std::string info = Output("pdfinfo " + dir.Path("p.pdf") + " 2>&1");
  EXPECT_NE(info.find("Pages:           1"), std::string::npos) << info;
  EXPECT_NE(info.find("842 x 595 pts"), std::string::npos) << info;
  const std::string text = Output("pdftotext -layout " + dir.Path("p.pdf") + " - 2>&1");
  EXPECT_NE(text.find("Batch 1"), std::string::npos);
  EXPECT_NE(text.find("printed by test"), std::string::npos);
  for (int i = 0; i < 6; ++i) {
    EXPECT_NE(text.find("run (7) \\ " + std::to_string(i)), std::string::npos) << i;  // escaped in the PDF
    EXPECT_NE(text.find("scans " + std::to_string(10 * i + 1) + ":" + std::to_string(10 * i + 3)), std::string::npos) << i;
  }
  EXPECT_NE(text.find("base peak m/z 427.5000"), std::string::npos);
  EXPECT_NE(text.find("intensity 5.000e+05"), std::string::npos);
  EXPECT_NE(text.find("RT 0.010-0.030 min"), std::string::npos);
  if (HaveTool("pdftoppm")) {
    EXPECT_EQ(std::system(("pdftoppm -r 20 -png " + dir.Path("p.pdf") + " " + dir.Path("render") + " 2>/dev/null").c_str()), 0);
  }
}

TEST(Page, PngPreviewDecodesToThePageSize) {
  ivdata::PageOptions options;
  options.previewDpi = 100;
  const ivdata::RgbImage image = ivdata::RenderPageImage({Spectrum("a", 1, 3), Spectrum("b", 4, 6, false)}, options);
  EXPECT_EQ(image.width, 1169);
  EXPECT_EQ(image.height, 826);
  const std::string png = ivdata::EncodePng(image);
  ASSERT_EQ(png.compare(0, 8, "\x89PNG\r\n\x1a\n"), 0);
  ASSERT_EQ(png.compare(12, 4, "IHDR"), 0);
  const auto u32 = [&](std::size_t at) {
    return (static_cast<unsigned>(static_cast<unsigned char>(png[at])) << 24) | (static_cast<unsigned char>(png[at + 1]) << 16) |
           (static_cast<unsigned char>(png[at + 2]) << 8) | static_cast<unsigned char>(png[at + 3]);
  };
  EXPECT_EQ(u32(16), 1169u);
  EXPECT_EQ(u32(20), 826u);
  // Inflate the IDAT chunk: one filter byte and 3 bytes per pixel per row, and ink on the page.
  const std::size_t idat = png.find("IDAT");
  ASSERT_NE(idat, std::string::npos);
  const unsigned length = u32(idat - 4);
  std::vector<unsigned char> raw((1169 * 3 + 1) * 826);
  uLongf size = static_cast<uLongf>(raw.size());
  ASSERT_EQ(uncompress(raw.data(), &size, reinterpret_cast<const Bytef*>(png.data() + idat + 4), length), Z_OK);
  EXPECT_EQ(size, raw.size());
  const std::size_t dark = static_cast<std::size_t>(std::count(raw.begin(), raw.end(), 0));
  EXPECT_GT(dark, 3000u);
  EXPECT_LT(dark, raw.size() / 5);
  const uLong crc = crc32(0, reinterpret_cast<const Bytef*>(png.data() + idat), length + 4);
  EXPECT_EQ(u32(idat + 4 + length), crc);
}

TEST(Page, HoldsOneToSixSpectra) {
  EXPECT_THROW(ivdata::RenderPagePdf({}, ivdata::PageOptions()), ivdata::Error);
  EXPECT_THROW(ivdata::RenderPagePdf(std::vector<ivdata::CombinedSpectrum>(7, Spectrum("a", 1, 1)), ivdata::PageOptions()), ivdata::Error);
  ivdata::CombinedSpectrum empty = Spectrum("empty", 1, 1);
  empty.spectrum = ivdata::Spectrum();
  empty.basePeakIntensity = 0;
  EXPECT_NE(ivdata::RenderPagePdf({empty}, ivdata::PageOptions()).find("%%EOF"), std::string::npos);
}

TEST(Page, WritingToAMissingDirectoryFailsCleanly) {
  EXPECT_THROW(ivdata::WritePage({Spectrum("a", 1, 1)}, ivdata::PageOptions(), "/nonexistent/dir/p.pdf", "/nonexistent/dir/p.png"),
               ivdata::Error);
}

}  // namespace
