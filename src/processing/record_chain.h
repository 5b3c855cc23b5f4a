// How the lines of Apexer.log hang together, for the record that writes them and the check that reads them.
// Each line ends with a link: 16 hex digits of SHA-256 over the link before it and the line's own text. A
// run's first line names the link it follows: the last line of the run before it in the same file, or of
// the file the record moved aside (<name>.1), or nothing in a new record. The run's end line seals it.
// This shows an edit after the fact; it does not stop anyone who rewrites the whole chain.
#pragma once
#include <string>
#include <string_view>

namespace apexer {

inline constexpr const char* kRunEvent = "run";
inline constexpr const char* kEndEvent = "end";
inline constexpr const char* kFollowsNothing = "nothing";
inline constexpr std::size_t kLinkDigits = 16;

// The link of a line whose text (its time stamp, event and words) is `body`, after `before` ("" first).
std::string ChainLink(std::string_view before, std::string_view body);
// The line as written: its text, a space, "#" and its link, CR LF.
std::string ChainedLine(std::string_view body, std::string_view link);
// The link at the end of a line (without CR LF), or "" when it carries none.
std::string LinkOf(std::string_view line);
// The last whole line of `tail` (the end of a file), without CR LF; "" when there is none.
std::string LastLineOf(std::string_view tail);

struct RecordVerdict {
  bool verified = false;
  long line = 0;        // the first line that does not fit, from 1; 0 when all do or the file has none
  std::string why;      // what that line does wrong ("carries no link"), or what was verified
  long lines = 0, runs = 0;
};

// Holds a whole record file against its chain. `name` is the file's own name (Apexer.log), which the
// first run names when the record moved its older lines aside.
RecordVerdict VerifyRecord(std::string_view bytes, const std::string& name);

}  // namespace apexer
