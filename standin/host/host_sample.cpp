#include "host_sample.h"

#include <windows.h>

#include <cstdio>
#include <fstream>

#include "bridge/host_settings.h"

namespace standin {

namespace {

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

ivdata::Channel DisplayedChannel(const std::string& text) {
  ivdata::Channel channel;
  if (!ivdata::ParseChannel(text, channel)) channel = ivdata::Channel{};
  return channel;
}

}  // namespace

bool HostSample::Open(const std::string& path) {
  sample_.reset();
  summary_ = {};
  char full[MAX_PATH];
  DWORD n = GetFullPathNameA(path.c_str(), MAX_PATH, full, nullptr);
  std::string fullPath = n > 0 && n < MAX_PATH ? std::string(full, n) : path;
  try {
    sample_.emplace(ivdata::Sample::Open(fullPath));
  } catch (const std::exception& e) {
    error_ = "Cannot open " + fullPath + ": " + e.what();
    return false;
  }
  SampleSummary& s = summary_;
  s.path = fullPath;
  s.location = FolderOf(fullPath);
  s.name = FileNameOf(fullPath);
  s.description = sample_->Info().description;
  s.acquired = sample_->Info().created;
  s.functionCount = sample_->FunctionCount();
  s.scanCount = sample_->ScanCount(1);
  if (s.scanCount > 0) {
    s.firstMinutes = sample_->Scan(1, 1).rt;
    s.lastMinutes = sample_->Scan(1, s.scanCount).rt;
  }
  s.sizeKiB = static_cast<long long>(sample_->FileSize() / 1024);
  return true;
}

std::string HostSample::DisplayChannel() const { return IniString(kSecStandin, "Trace", "TIC"); }

ivdata::Chromatogram HostSample::DisplayTrace() const {
  if (!sample_) return {};
  try {
    return ivdata::ExtractChromatogram(*sample_, 1, DisplayedChannel(DisplayChannel()));
  } catch (const ivdata::Error&) {
    return ivdata::ExtractChromatogram(*sample_, 1, ivdata::Channel{});
  }
}

std::vector<ivdata::Peak> HostSample::DisplayPeaks() const {
  if (!sample_) return {};
  try {
    return ivdata::IntegrateChannel(*sample_, 1, DisplayedChannel(DisplayChannel()), 1, 0,
                                    ivdata::ReadIntegratorSettings(kHostIniPath));
  } catch (const ivdata::Error&) {
    return {};
  }
}

bool HostSample::WriteSpectrumPage(const std::string& folder, const std::vector<ivdata::CombinedSpectrum>& spectra,
                                   bool withMassList, PagePaths& paths, std::string& error) const {
  if (!MakeDirectories(folder)) {
    error = "Cannot make the print folder " + folder;
    return false;
  }
  const std::string page = ivdata::NextFreePage(folder, ivdata::PageStem(summary_.name), [](const std::string& pdf) {
    return GetFileAttributesA(pdf.c_str()) != INVALID_FILE_ATTRIBUTES;
  });
  if (page.empty()) {
    error = "No free page name in " + folder;
    return false;
  }
  paths.pdf = page + ".pdf";
  paths.png = page + ".png";
  if (withMassList) paths.massList = page + ".txt";
  const std::vector<ivdata::CombinedSpectrum> onPage = ivdata::LatestForPage(spectra);
  ivdata::PageOptions options;
  options.title = withMassList ? "Combined spectra with mass lists" : "Combined spectra";
  SYSTEMTIME t;
  GetLocalTime(&t);
  char printedAt[32];
  std::snprintf(printedAt, sizeof printedAt, "%04u-%02u-%02u %02u:%02u:%02u", t.wYear, t.wMonth, t.wDay, t.wHour,
                t.wMinute, t.wSecond);
  options.footer = ivdata::PageFooter(summary_.name, printedAt, onPage.size(), spectra.size());
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
    out << ivdata::MassListText(onPage);
    if (!out) {
      error = "Cannot write " + paths.massList;
      return false;
    }
  }
  return true;
}

}  // namespace standin
