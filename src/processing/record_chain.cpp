#include "processing/record_chain.h"

#include "common/sha256.h"

namespace apexer {
namespace {

constexpr std::string_view kLinkMark = " #";
constexpr std::string_view kFollows = "; follows ";

bool IsLink(std::string_view text) {
  if (text.size() != kLinkDigits) return false;
  for (const char c : text) {
    if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return false;
  }
  return true;
}

// The third word of a line: its event, after the date and the time.
std::string_view EventOf(std::string_view body) {
  std::size_t at = 0;
  for (int word = 0; word < 2; ++word) {
    at = body.find(' ', at);
    if (at == std::string_view::npos) return {};
    at = body.find_first_not_of(' ', at);
    if (at == std::string_view::npos) return {};
  }
  const std::size_t end = body.find(' ', at);
  return body.substr(at, end == std::string_view::npos ? std::string_view::npos : end - at);
}

RecordVerdict Fails(long line, std::string why, long lines, long runs) {
  return {false, line, std::move(why), lines, runs};
}

}  // namespace

std::string ChainLink(std::string_view before, std::string_view body) {
  Sha256 h;
  h.Update(before);
  h.Update("\n");
  h.Update(body);
  return h.FinalHex().substr(0, kLinkDigits);
}

std::string ChainedLine(std::string_view body, std::string_view link) {
  std::string line(body);
  line += kLinkMark;
  line += link;
  line += "\r\n";
  return line;
}

std::string LinkOf(std::string_view line) {
  const std::size_t size = kLinkMark.size() + kLinkDigits;
  if (line.size() < size || line.substr(line.size() - size, kLinkMark.size()) != kLinkMark) return {};
  const std::string_view link = line.substr(line.size() - kLinkDigits);
  return IsLink(link) ? std::string(link) : std::string();
}

std::string LastLineOf(std::string_view tail) {
  if (tail.size() < 2 || tail.substr(tail.size() - 2) != "\r\n") return {};
  tail.remove_suffix(2);
  const std::size_t start = tail.rfind("\r\n");
  return std::string(start == std::string_view::npos ? tail : tail.substr(start + 2));
}

RecordVerdict VerifyRecord(std::string_view bytes, const std::string& name) {
  std::string before;
  std::string_view lastEvent;
  long line = 0, runs = 0;
  for (std::size_t at = 0; at < bytes.size();) {
    const std::size_t eol = bytes.find("\r\n", at);
    ++line;
    if (eol == std::string_view::npos) {
      return Fails(line, "is cut short: it does not end with a line break", line, runs);
    }
    const std::string_view text = bytes.substr(at, eol - at);
    at = eol + 2;
    const std::string link = LinkOf(text);
    if (link.empty()) return Fails(line, "carries no link", line, runs);
    const std::string_view body = text.substr(0, text.size() - kLinkMark.size() - kLinkDigits);
    const std::string_view event = EventOf(body);
    if (event == kRunEvent) {
      ++runs;
      const std::size_t mark = body.rfind(kFollows);
      const std::string_view follows =
          mark == std::string_view::npos ? std::string_view() : body.substr(mark + kFollows.size());
      const std::string movedAside = " in " + name + ".1";
      if (line == 1) {
        // The first run of a file follows nothing, or the last line of the file moved aside before it.
        const bool fromAside = follows.size() == kLinkDigits + movedAside.size() &&
                               IsLink(follows.substr(0, kLinkDigits)) && follows.substr(kLinkDigits) == movedAside;
        if (follows != kFollowsNothing && !fromAside) {
          return Fails(line, "starts the record but follows \"" + std::string(follows) +
                                 "\", not nothing nor a line of " + name + ".1: runs before it were removed",
                       line, runs);
        }
        before = fromAside ? std::string(follows.substr(0, kLinkDigits)) : std::string();
      } else if (follows != before) {
        return Fails(line, "starts a run that follows \"" + std::string(follows) + "\" but the line before it ends with " +
                               before + ": a run was moved, removed or inserted here",
                     line, runs);
      }
    } else if (line == 1) {
      return Fails(line, "does not start a run, as a record's first line does", line, runs);
    }
    if (ChainLink(before, body) != link) {
      return Fails(line, "does not fit the chain: it was changed, or a line before it was removed or inserted",
                   line, runs);
    }
    before = link;
    lastEvent = event;
  }
  if (line == 0) return Fails(0, "the record holds no lines", 0, 0);
  if (lastEvent != kEndEvent) {
    return Fails(line, "ends the record, but the last run has no end line: the record was cut short, or that run has not ended", line,
                 runs);
  }
  return {true, 0,
          std::to_string(line) + " lines of " + std::to_string(runs) + (runs == 1 ? " run" : " runs") +
              " fit their chain",
          line, runs};
}

}  // namespace apexer
