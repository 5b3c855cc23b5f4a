#include "processing/run_record.h"

#include <cstdio>

#include "common/sha256.h"
#include "common/text.h"
#include "processing/record_chain.h"

namespace apexer {
namespace {

std::string Number(long long value) { return std::to_string(value); }

std::string Apex(Single value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.7g", static_cast<double>(value));
  return text;
}

// The local time with its offset from UTC, so a reviewer elsewhere reads the same moment.
std::string Stamp(const platform::LocalTime& t) {
  const int offset = t.utcOffsetMinutes < 0 ? -t.utcOffsetMinutes : t.utcOffsetMinutes;
  char text[48];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d.%03d%c%02d:%02d", t.year, t.month, t.day, t.hour,
                t.minute, t.second, t.millisecond, t.utcOffsetMinutes < 0 ? '-' : '+', offset / 60 % 100, offset % 60);
  return text;
}

// The end of a record holds its last line: runs of a few hundred bytes a line.
constexpr long long kTailBytes = 4096;

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

void RunRecord::Begin(const Setting& setting) noexcept {
  try {
    setting_ = setting;
    begun_ = true;
    if (!opened_) Line(kRunEvent, std::string());
  } catch (...) {
  }
}

std::string RunRecord::RunText() {
  const std::string stamp = Stamp(files_.Now());
  const std::string id = ChainLink(follows_, stamp + path_ + Number(files_.ProcessId())).substr(0, 12);
  const std::string program = app_.Path() + "\\" + app_.EXEName() + ".exe";
  std::string bytes;
  const std::string digest = files_.ReadWhole(program, bytes) ? Sha256Hex(bytes) : "unreadable";
  std::string text = id + "; user " + files_.UserName() + " on " + files_.ComputerName() + "; Apexer " + version_ +
                     ", " + program + " SHA-256 " + digest;
  if (!begun_) return text + "; settings and sample not read yet; follows " + follows_;
  text += "; settings " + setting_.settingsPath + ": channel " + setting_.channel + ", PrintMode " +
          Number(setting_.printMode);
  if (setting_.sample.empty()) {
    text += "; no current sample";
  } else {
    long long size = 0;
    platform::LocalTime written;
    text += "; sample " + setting_.sample +
            (files_.FileFacts(setting_.sample, size, written)
                 ? ", " + Number(size) + " bytes, written " + Stamp(written)
                 : std::string(", not found as a file"));
  }
  return text + "; follows " + follows_;
}

void RunRecord::NoSample(const std::string& channel) noexcept {
  Record("start", [&] { return "Apexer " + version_ + "; no current sample; channel " + channel; });
}

void RunRecord::Started(const std::string& sample, const std::string& channel, Long peaksFound) noexcept {
  Record("start", [&] {
    return "Apexer " + version_ + "; sample " + sample + "; channel " + channel + "; peaks found " + Number(peaksFound);
  });
}

void RunRecord::ReplaceSet(const std::string& before) noexcept {
  Record("replace", [&] { return "\"" + before + "\" before the run; FALSE while it runs"; });
}

void RunRecord::ReplaceRestored(const std::string& written, const std::string& readBack) noexcept {
  Record("replace", [&] {
    if (readBack == written) return "\"" + written + "\" put back after the run";
    return "\"" + written + "\" could not be put back after the run; the file holds \"" + readBack + "\"";
  });
}

void RunRecord::Peak(Long position, Long count, Single apex, const CombineOutcome& combined) noexcept {
  Record("peak", [&] {
    return Number(position) + " of " + Number(count) + ": apex " + Apex(apex) + ", scans " + Number(combined.first) +
           ":" + Number(combined.last) + " combined";
  });
}

void RunRecord::Printed(Integer printMode, Long firstPeak, Long lastPeak, PageRequest asked) noexcept {
  ++pagesAsked_;
  if (asked == PageRequest::Posted) ++pagesPrinted_;
  Record("print", [&] {
    const std::string page = Number(pagesAsked_) + " with PrintMode " + Number(printMode) + ": ";
    const std::string peaks = "peaks " + Number(firstPeak) + " to " + Number(lastPeak);
    switch (asked) {
      case PageRequest::Posted: break;
      case PageRequest::NoSpectrumWindow:
        return page + "nothing printed for " + peaks + ": the host has no spectrum window";
      case PageRequest::NotPosted:
        return page + "nothing printed for " + peaks + ": the print command did not reach the host";
    }
    return page + peaks;
  });
}

std::string RunRecord::PagesText() const {
  return "; pages asked for " + Number(pagesAsked_) + ", printed " + Number(pagesPrinted_);
}

void RunRecord::Completed(Long result) noexcept {
  Record(kEndEvent, [&] { return "completed with " + Number(result) + PagesText(); });
}

void RunRecord::Stopped(Long position, Long count, Long result, Single apex, const CombineOutcome& why) noexcept {
  Record(kEndEvent, [&] {
    return "stopped at peak " + Number(position) + " of " + Number(count) + " with " + Number(result) + ": " +
           RefusalText(apex, why) + PagesText();
  });
}

void RunRecord::Error(Long number, const std::string& text) noexcept {
  Record(kEndEvent, [&] { return "error " + Number(number) + ": " + text + PagesText(); });
}

void RunRecord::Cancelled() noexcept {
  Record(kEndEvent, [&] { return "cancelled by the user" + PagesText(); });
}

void RunRecord::Line(const char* event, const std::string& text) {
  if (!opened_) {
    opened_ = true;
    OpenRun();
    if (path_.empty()) return;
    Line(kRunEvent, RunText());
    if (std::string(event) == kRunEvent) return;
  }
  if (path_.empty()) return;
  std::string body = Stamp(files_.Now()) + "  " + event;
  body.append(body.size() < 40 ? 40 - body.size() : 1, ' ');
  body += text;
  Write(body);
}

// The folder is chosen once: beside the settings file, or the user's own folder when that cannot be
// written (a folder the user may not write, or the file held open against writing).
void RunRecord::OpenRun() {
  const std::string beside = app_.Path() + "\\" + app_.EXEName() + ".log";
  if (files_.Append(beside, std::string())) {
    path_ = beside;
  } else {
    const std::string folder = files_.LocalAppDataFolder("Apexer");
    const std::string own = folder.empty() ? std::string() : folder + "\\" + app_.EXEName() + ".log";
    if (own.empty() || !files_.Append(own, std::string())) return;
    path_ = own;
  }
  follows_ = Follows(path_);
  // The lines this run follows, past the limit or not chained (an older record, a damaged end), move aside.
  const long long size = files_.FileSize(path_);
  if (size > 0 && (size >= kLimitBytes || follows_.empty())) {
    const std::string aside = path_ + ".1";
    // Another program may hold the file open, so that it cannot be renamed: then copied and emptied.
    if (files_.MoveReplacing(path_, aside) || (files_.CopyReplacing(path_, aside) && files_.Empty(path_))) {
      const std::string last = follows_;
      follows_ = last.empty() ? std::string(kFollowsNothing) : last + " in " + app_.EXEName() + ".log.1";
      link_ = last;
      return;
    }
  }
  if (follows_.empty()) follows_ = kFollowsNothing;
}

// The link of the file's last line; "nothing" for a file without lines; "" when its last line has none.
std::string RunRecord::Follows(const std::string& log) {
  if (files_.FileSize(log) <= 0) return kFollowsNothing;
  const std::string link = LinkOf(LastLineOf(files_.ReadTail(log, kTailBytes)));
  link_ = link;
  return link;
}

void RunRecord::Write(const std::string& body) {
  link_ = ChainLink(link_, body);
  unwritten_ += ChainedLine(body, link_);
  if (files_.Append(path_, unwritten_)) unwritten_.clear();
}

}  // namespace apexer
