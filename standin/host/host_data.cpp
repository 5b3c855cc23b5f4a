#include "host_data.h"

#include <windows.h>

#include <cstdio>
#include <fstream>
#include <memory>
#include <optional>

#include "bridge/host_settings.h"

namespace standin {

namespace {

std::optional<ivdata::Sample> g_sample;
SampleSummary g_summary;

std::string FolderOf(const std::string& path) {
  size_t slash = path.find_last_of("\\/");
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string FileNameOf(const std::string& path) {
  size_t slash = path.find_last_of("\\/");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool DirectoryExists(const std::string& path) {
  DWORD a = GetFileAttributesA(path.c_str());
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

bool MakeDirectories(const std::string& path) {
  if (path.empty() || DirectoryExists(path)) return true;
  std::string parent = path;
  while (!parent.empty() && (parent.back() == '\\' || parent.back() == '/')) parent.pop_back();
  size_t slash = parent.find_last_of("\\/");
  if (slash != std::string::npos && slash > 2 && !MakeDirectories(parent.substr(0, slash))) return false;
  return CreateDirectoryA(parent.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS;
}

}  // namespace

bool OpenSample(const std::string& path, std::string& error) {
  g_sample.reset();
  g_summary = {};
  char full[MAX_PATH];
  DWORD n = GetFullPathNameA(path.c_str(), MAX_PATH, full, nullptr);
  std::string fullPath = n > 0 && n < MAX_PATH ? std::string(full, n) : path;
  try {
    g_sample.emplace(ivdata::Sample::Open(fullPath));
  } catch (const std::exception& e) {
    error = "Cannot open " + fullPath + ": " + e.what();
    return false;
  }
  SampleSummary& s = g_summary;
  s.path = fullPath;
  s.location = FolderOf(fullPath);
  s.name = FileNameOf(fullPath);
  s.description = g_sample->Info().description;
  s.acquired = g_sample->Info().created;
  s.functionCount = g_sample->FunctionCount();
  s.scanCount = g_sample->ScanCount(1);
  if (s.scanCount > 0) {
    s.firstMinutes = g_sample->Scan(1, 1).rt;
    s.lastMinutes = g_sample->Scan(1, s.scanCount).rt;
  }
  s.sizeKiB = static_cast<long long>(g_sample->FileSize() / 1024);
  return true;
}

bool HasSample() { return g_sample.has_value(); }
const SampleSummary& CurrentSample() { return g_summary; }
const ivdata::Sample& SampleData() { return *g_sample; }

std::string DisplayChannel() { return IniString(kSecStandin, "Trace", "TIC"); }

ivdata::Chromatogram DisplayTrace() {
  if (!g_sample) return {};
  ivdata::Channel channel;
  if (!ivdata::ParseChannel(DisplayChannel(), channel)) channel = ivdata::Channel{};
  try {
    return ivdata::ExtractChromatogram(*g_sample, 1, channel);
  } catch (const ivdata::Error&) {
    return ivdata::ExtractChromatogram(*g_sample, 1, ivdata::Channel{});
  }
}

std::vector<ivdata::Peak> DisplayPeaks() {
  if (!g_sample) return {};
  ivdata::Channel channel;
  if (!ivdata::ParseChannel(DisplayChannel(), channel)) channel = ivdata::Channel{};
  try {
    return ivdata::IntegrateChannel(*g_sample, 1, channel, 1, 0, ivdata::ReadIntegratorSettings(kHostIniPath));
  } catch (const ivdata::Error&) {
    return {};
  }
}

bool ReadCombineFields(const std::string& scans, const std::string& moreScans, const std::string& scale,
                       const std::string& threshold, ivdata::CombineRequest& request, std::string& error) {
  request = {};
  std::vector<ivdata::ScanRange> first, more;
  std::string why;
  if (!ivdata::ParseScanRanges(scans, first, &why) || first.empty()) {
    error = "Scans: \"" + scans + "\" is not a scan range" + (why.empty() ? "." : " (" + why + ").");
    return false;
  }
  if (!ivdata::ParseScanRanges(moreScans, more, &why)) {
    error = "Also combine: \"" + moreScans + "\" is not a list of scan ranges (" + why + ").";
    return false;
  }
  request.ranges = first;
  request.ranges.insert(request.ranges.end(), more.begin(), more.end());
  if (request.ranges.size() > static_cast<size_t>(ivdata::kMaxCombineRanges)) {
    error = "At most three scan ranges can be combined.";
    return false;
  }
  int count = g_summary.scanCount;
  for (const auto& r : request.ranges) {
    int lo = r.first < r.last ? r.first : r.last, hi = r.first < r.last ? r.last : r.first;
    if (hi < 1 || lo > count) {
      error = "Scans " + std::to_string(r.first) + ":" + std::to_string(r.last) + " lie outside the sample (1 to " +
              std::to_string(count) + ").";
      return false;
    }
  }
  if (!ivdata::ParseDialogNumber(scale, request.scale) || !(request.scale > 0)) {
    error = "Scale: \"" + scale + "\" is not a number above 0.";
    return false;
  }
  if (!ivdata::ParseDialogNumber(threshold, request.thresholdPercent) || request.thresholdPercent < 0 ||
      request.thresholdPercent > 100) {
    error = "Threshold: \"" + threshold + "\" is not a percentage from 0 to 100.";
    return false;
  }
  return true;
}

bool WriteSpectrumPage(const std::string& folder, const std::vector<ivdata::CombinedSpectrum>& spectra,
                       bool withMassList, PagePaths& paths, std::string& error) {
  if (!MakeDirectories(folder)) {
    error = "Cannot make the print folder " + folder;
    return false;
  }
  std::string base = folder;
  if (base.back() != '\\' && base.back() != '/') base += '\\';
  std::string stem = g_summary.name.empty() ? std::string("page") : g_summary.name;
  if (size_t dot = stem.find_last_of('.'); dot != std::string::npos && dot > 0) stem.resize(dot);
  // Next free number: earlier prints are never overwritten.
  for (int k = 1; k < 100000; ++k) {
    char num[16];
    std::snprintf(num, sizeof num, "-%04d", k);
    std::string p = base + stem + num;
    if (GetFileAttributesA((p + ".pdf").c_str()) == INVALID_FILE_ATTRIBUTES) {
      paths.pdf = p + ".pdf";
      paths.png = p + ".png";
      if (withMassList) paths.massList = p + ".txt";
      break;
    }
  }
  if (paths.pdf.empty()) {
    error = "No free page name in " + folder;
    return false;
  }
  // A page holds six spectra: more than that (a window filled with Replace off) prints the latest six.
  std::vector<ivdata::CombinedSpectrum> onPage = spectra;
  if (onPage.size() > static_cast<size_t>(ivdata::kMaxPageSpectra))
    onPage.erase(onPage.begin(), onPage.end() - ivdata::kMaxPageSpectra);
  ivdata::PageOptions options;
  options.title = withMassList ? "Combined spectra with mass lists" : "Combined spectra";
  SYSTEMTIME t;
  GetLocalTime(&t);
  char footer[160];
  std::snprintf(footer, sizeof footer, "%s  printed %04u-%02u-%02u %02u:%02u:%02u  %zu of %zu spectra",
                g_summary.name.c_str(), t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond, onPage.size(),
                spectra.size());
  options.footer = footer;
  try {
    if (onPage.empty()) {
      error = "The spectrum window holds no spectra.";
      return false;
    }
    ivdata::WritePage(onPage, options, paths.pdf, paths.png);
  } catch (const std::exception& e) {
    error = e.what();
    return false;
  }
  if (withMassList) {
    std::ofstream out(paths.massList, std::ios::binary);
    for (const auto& s : onPage) {
      out << s.sampleName << "  scans " << ivdata::ScanRangesText(s.ranges) << "  RT " << s.firstRt << "-"
          << s.lastRt << " min\r\nm/z\tintensity\r\n";
      for (size_t i = 0; i < s.spectrum.mz.size(); ++i) out << s.spectrum.mz[i] << '\t' << s.spectrum.intensity[i] << "\r\n";
      out << "\r\n";
    }
    if (!out) {
      error = "Cannot write " + paths.massList;
      return false;
    }
  }
  return true;
}

}  // namespace standin
