#include "check/command_line.h"

#include <vector>

#include "common/text.h"

namespace apexer::check {
namespace {

std::vector<std::string> Split(const std::string& text, bool& unbalanced) {
  std::vector<std::string> out;
  std::string current;
  bool inQuotes = false, have = false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char ch = text[i];
    if (ch == '\\' && i + 1 < text.size() && text[i + 1] == '"') {
      current += '"';
      have = true;
      ++i;
    } else if (ch == '"') {
      inQuotes = !inQuotes;
      have = true;
    } else if ((ch == ' ' || ch == '\t') && !inQuotes) {
      if (have) out.push_back(current);
      current.clear();
      have = false;
    } else {
      current += ch;
      have = true;
    }
  }
  if (have) out.push_back(current);
  unbalanced = inQuotes;
  return out;
}

}  // namespace

bool ParseCommandLine(const std::string& text, Options& options, std::string& error) {
  bool unbalanced = false;
  const std::vector<std::string> args = Split(text, unbalanced);
  if (unbalanced) {
    error = "a quotation mark is not closed";
    return false;
  }
  bool seenQuiet = false, seenFull = false, seenReport = false, seenReason = false, seenRecord = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    const std::string name = arg.size() > 1 && (arg[0] == '/' || arg[0] == '-') ? UpperAnsi(arg.substr(1)) : "";
    bool* seen = name == "QUIET" ? &seenQuiet : name == "FULL" ? &seenFull : name == "REPORT" ? &seenReport
               : name == "REASON" ? &seenReason : name == "RECORD" ? &seenRecord : nullptr;
    if (seen == nullptr) {
      error = "\"" + arg + "\" is not one of its options";
      return false;
    }
    if (*seen) {
      error = arg + " is given twice";
      return false;
    }
    *seen = true;
    if (name == "QUIET") {
      options.quiet = true;
    } else if (name == "FULL") {
      options.full = true;
    } else {
      if (i + 1 >= args.size() || TrimSpaces(args[i + 1]).empty()) {
        error = arg + (name == "REPORT" ? " needs a folder" : name == "RECORD" ? " needs a file" : " needs a text");
        return false;
      }
      (name == "REPORT" ? options.reportFolder : name == "RECORD" ? options.recordFile : options.reason) = args[++i];
    }
  }
  if (seenRecord && (seenFull || seenReport || seenReason)) {
    error = "/record verifies a record and runs no check: it takes /quiet only";
    return false;
  }
  return true;
}

bool AsksQuiet(const std::string& text) {
  bool unbalanced = false;
  for (const std::string& arg : Split(text, unbalanced)) {
    if (EqualsNoCase(arg, "/quiet") || EqualsNoCase(arg, "-quiet")) return true;
  }
  return false;
}

std::string CommandLineErrorText(const std::string& error) {
  return "Apexer Check cannot read its command line: " + error + ".\r\n" + kUsageText;
}

}  // namespace apexer::check
