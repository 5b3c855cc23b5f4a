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

namespace {

std::vector<std::string> TickLabels(const ivdata::DisplayList& d) {
  std::vector<std::string> out;
  for (const auto& t : d.texts) {
    if (t.size == 6.5 && t.align == ivdata::Align::Centre) out.push_back(t.text);
  }
  return out;
}

std::vector<std::string> MarkerLabels(const ivdata::DisplayList& d) {
  std::vector<std::string> out;
  for (const auto& t : d.texts) {
    if (t.colour != ivdata::kBlack) out.push_back(t.text);
  }
  return out;
}

// The chromatogram window draws its trace on the axes of the printed spectra: over the same range the same
// ticks, the same relative axis; a marker whose label would overlap an earlier one is left out.
TEST(Plots, ATraceGetsTheAxesOfTheSpectrumPanels) {
  ivdata::CombinedSpectrum c;
  c.spectrum.mz = {103, 150, 197};  // padded by 3 %: 100.18 to 199.82
  c.spectrum.intensity = {5, 10, 5};
  c.basePeakIntensity = 10;
  ivdata::DisplayList panel;
  ivdata::DrawSpectrumPanel(panel, c, 0, 0, 600, 300);

  ivdata::TracePlot plot;
  for (int i = 0; i <= 100; ++i) {
    plot.x.push_back(100.18 + (199.82 - 100.18) * i / 100);
    plot.y.push_back(ivtest::Gauss(i, 50, 4, 1000));
  }
  plot.markers = {{150, "apex"}, {150, "twin"}, {110, "foot"}};
  ivdata::DisplayList trace;
  ivdata::DrawTracePanel(trace, plot, 0, 0, 600, 300);
  EXPECT_EQ(TickLabels(trace), (std::vector<std::string>{"120", "140", "160", "180"}));
  EXPECT_EQ(TickLabels(trace), TickLabels(panel));
  EXPECT_EQ(MarkerLabels(trace), (std::vector<std::string>{"apex", "foot"}));

  ivdata::DisplayList flat;
  plot.y.assign(plot.x.size(), 0);
  ivdata::DrawTracePanel(flat, plot, 0, 0, 600, 300);
  EXPECT_EQ(flat.texts.back().text, "no signal");
  EXPECT_TRUE(flat.polylines.empty());
}

// Colours reach the PDF as RGB operators and the preview as RGB pixels; black pages carry none.
TEST(Plots, ColouredItemsAreDrawnInTheirColourEverywhere) {
  ivdata::DisplayList d;
  d.width = 100;
  d.height = 50;
  d.polylines.push_back({{{10, 10}, {90, 40}}, 0x0046AA});
  d.texts.push_back({50, 30, 10, false, ivdata::Align::Centre, "X", 0x961414});
  const std::string pdf = ivdata::RenderPdf(d, "t");
  const std::size_t begin = pdf.find("stream\n") + 7, end = pdf.find("\nendstream");
  std::vector<unsigned char> content(4096);
  uLongf size = static_cast<uLongf>(content.size());
  ASSERT_EQ(uncompress(content.data(), &size, reinterpret_cast<const Bytef*>(pdf.data() + begin), end - begin), Z_OK);
  const std::string text(content.begin(), content.begin() + static_cast<long>(size));
  EXPECT_NE(text.find("0.00 0.27 0.67 RG\n"), std::string::npos) << text;
  EXPECT_NE(text.find("0.59 0.08 0.08 rg\n"), std::string::npos) << text;
  EXPECT_EQ(ivdata::RenderPagePdf({Spectrum("a", 1, 3)}, ivdata::PageOptions()).find(" rg"), std::string::npos);

  const ivdata::RgbImage image = ivdata::RenderImage(d, 144);
  int blue = 0, red = 0;
  for (std::size_t i = 0; i + 2 < image.pixels.size(); i += 3) {
    blue += image.pixels[i] == 0x00 && image.pixels[i + 1] == 0x46 && image.pixels[i + 2] == 0xAA;
    red += image.pixels[i] == 0x96 && image.pixels[i + 1] == 0x14 && image.pixels[i + 2] == 0x14;
  }
  EXPECT_GT(blue, 100);
  EXPECT_GT(red, 10);
}

}  // namespace
