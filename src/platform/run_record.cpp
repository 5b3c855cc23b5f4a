#include "platform/run_record.h"

#include <cstdio>

namespace apexer::platform {
namespace {

std::string Number(long long value) { return std::to_string(value); }

std::string Apex(Single value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.7g", static_cast<double>(value));
  return text;
}

std::string Stamp(const LocalTime& t) {
  char text[40];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d.%03d", t.year, t.month, t.day, t.hour, t.minute,
                t.second, t.millisecond);
  return text;
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

void RunRecord::ReplaceRestored(const std::string& value) noexcept {
  Line("replace", "\"" + value + "\" put back after the run");
}

void RunRecord::Combining(Long low, Long high) noexcept {
  try {
    scans_ = Number(low) + ":" + Number(high);
  } catch (...) {
  }
}

void RunRecord::Peak(Long position, Long count, Single apex) noexcept {
  if (batch_first_ == 0) batch_first_ = position;
  last_peak_ = position;
  Line("peak", Number(position) + " of " + Number(count) + ": apex " + Apex(apex) + ", scans " + scans_ +
                   " combined");
}

void RunRecord::Printed(Integer printMode) noexcept {
  ++prints_;
  Line("print", Number(prints_) + " with PrintMode " + Number(printMode) + ": peaks " + Number(batch_first_) +
                    " to " + Number(last_peak_));
  batch_first_ = 0;
}

void RunRecord::Refused(const std::string& why) noexcept {
  try {
    refusal_ = why;
  } catch (...) {
  }
}

void RunRecord::Completed(Long result) noexcept { Line("end", "completed with " + Number(result)); }

void RunRecord::Stopped(Long position, Long count, Long result) noexcept {
  Line("end", "stopped at peak " + Number(position) + " of " + Number(count) + " with " + Number(result) + ": " +
                  (refusal_.empty() ? std::string("scan refused") : refusal_));
}

void RunRecord::Error(Long number, const std::string& text) noexcept {
  Line("end", "error " + Number(number) + ": " + text);
}

void RunRecord::Cancelled() noexcept { Line("end", "cancelled by the user"); }

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

}  // namespace apexer::platform
