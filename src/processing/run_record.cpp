#include "processing/run_record.h"

#include <cstdio>

#include "common/text.h"

namespace apexer {
namespace {

std::string Number(long long value) { return std::to_string(value); }

std::string Apex(Single value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.7g", static_cast<double>(value));
  return text;
}

std::string Stamp(const platform::LocalTime& t) {
  char text[40];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d.%03d", t.year, t.month, t.day, t.hour, t.minute,
                t.second, t.millisecond);
  return text;
}

std::string RefusalText(Single apex, const CombineOutcome& why) {
  switch (why.refusal) {
    case Refusal::NoScanNumber: return "apex " + GeneralNumberText(apex) + " is no scan number";
    case Refusal::OutsideSample:
      return "apex scan " + Number(why.scan) + " lies outside the sample's " + Number(why.scanCount) + " scans";
    case Refusal::HostGone: return "the host is gone";
    case Refusal::NoChromatogramWindow: return "no chromatogram window";
    case Refusal::None: break;
  }
  return "scan refused";
}

}  // namespace

void RunRecord::NoSample(const std::string& channel) noexcept {
  Line("start", "Apexer " + version_ + "; no current sample; channel " + channel);
}

void RunRecord::Started(const std::string& sample, const std::string& channel, Long peaksFound) noexcept {
  Line("start", "Apexer " + version_ + "; sample " + sample + "; channel " + channel + "; peaks found " +
                    Number(peaksFound));
}

void RunRecord::ReplaceSet(const std::string& before) noexcept {
  Line("replace", "\"" + before + "\" before the run; FALSE while it runs");
}

void RunRecord::ReplaceRestored(const std::string& written, const std::string& readBack) noexcept {
  if (readBack == written) {
    Line("replace", "\"" + written + "\" put back after the run");
  } else {
    Line("replace", "\"" + written + "\" could not be put back after the run; the file holds \"" + readBack + "\"");
  }
}

void RunRecord::Peak(Long position, Long count, Single apex, const CombineOutcome& combined) noexcept {
  Line("peak", Number(position) + " of " + Number(count) + ": apex " + Apex(apex) + ", scans " +
                   Number(combined.first) + ":" + Number(combined.last) + " combined");
}

void RunRecord::Printed(Integer printMode, Long firstPeak, Long lastPeak, PageRequest asked) noexcept {
  try {
    ++pagesAsked_;
    const std::string page = Number(pagesAsked_) + " with PrintMode " + Number(printMode) + ": ";
    const std::string peaks = "peaks " + Number(firstPeak) + " to " + Number(lastPeak);
    switch (asked) {
      case PageRequest::Posted:
        ++pagesPrinted_;
        Line("print", page + peaks);
        return;
      case PageRequest::NoSpectrumWindow:
        Line("print", page + "nothing printed for " + peaks + ": the host has no spectrum window");
        return;
      case PageRequest::NotPosted:
        Line("print", page + "nothing printed for " + peaks + ": the print command did not reach the host");
        return;
    }
  } catch (...) {
  }
}

std::string RunRecord::PagesText() const {
  return "; pages asked for " + Number(pagesAsked_) + ", printed " + Number(pagesPrinted_);
}

void RunRecord::Completed(Long result) noexcept {
  try {
    Line("end", "completed with " + Number(result) + PagesText());
  } catch (...) {
  }
}

void RunRecord::Stopped(Long position, Long count, Long result, Single apex, const CombineOutcome& why) noexcept {
  try {
    Line("end", "stopped at peak " + Number(position) + " of " + Number(count) + " with " + Number(result) + ": " +
                    RefusalText(apex, why) + PagesText());
  } catch (...) {
  }
}

void RunRecord::Error(Long number, const std::string& text) noexcept {
  try {
    Line("end", "error " + Number(number) + ": " + text + PagesText());
  } catch (...) {
  }
}

void RunRecord::Cancelled() noexcept {
  try {
    Line("end", "cancelled by the user" + PagesText());
  } catch (...) {
  }
}

void RunRecord::Line(const char* event, const std::string& text) noexcept {
  try {
    std::string line = Stamp(files_.Now()) + "  " + event;
    line.append(line.size() < 34 ? 34 - line.size() : 1, ' ');
    line += text + "\r\n";
    if (path_.empty()) path_ = app_.Path() + "\\" + app_.EXEName() + ".log";
    if (Write(path_, line) || fallen_back_) return;
    // Beside the settings file cannot be written (a folder the user may not write): the user's own folder.
    fallen_back_ = true;
    const std::string folder = files_.LocalAppDataFolder("Apexer");
    if (folder.empty()) return;
    path_ = folder + "\\" + app_.EXEName() + ".log";
    Write(path_, line);
  } catch (...) {
  }
}

bool RunRecord::Write(const std::string& path, const std::string& line) {
  const long long size = files_.FileSize(path);
  if (size > 0 && size + static_cast<long long>(line.size()) > kLimitBytes) files_.MoveReplacing(path, path + ".1");
  return files_.Append(path, line);
}

}  // namespace apexer
