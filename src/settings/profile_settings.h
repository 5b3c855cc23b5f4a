// Reading and writing settings files, separated value lists and stored window placements.
#pragma once
#include <string>
#include <vector>

#include "platform/profile_files.h"
#include "platform/types.h"
#include "settings/window_rect.h"

namespace apexer {

constexpr int kProfileBufferSize = 1024;

// Values beyond the 16-bit range are clamped to it, so a non-zero setting never reads as 0.
Integer ReadProfileInt(platform::ProfileFiles& files, const std::string& section, const std::string& key,
                       const std::string& file);
std::string ReadProfileString(platform::ProfileFiles& files, const std::string& section,
                              const std::string& key, const std::string& file);
void WriteProfileString(platform::ProfileFiles& files, const std::string& section, const std::string& key,
                        const std::string& value, const std::string& file);

// 1-based positions of every occurrence of the separator; leaves positions as it was when none.
Integer FindSeparators(const std::string& text, char separator, std::vector<int>& positions);
// Field n (from 1) of a list split at positions. With no positions the whole text is field 1.
std::string GetSeparatedField(const std::string& text, Integer n, const std::vector<int>& positions);

// Reads a field the way the classic Val does: blanks skipped anywhere, the longest numeric prefix,
// "&H"/"&O" for hexadecimal/octal, 0 when there is none.
double ReadNumberField(const std::string& field);

// A stored value with four readable fields replaces rect; anything else leaves rect as it was.
void ReadWindowPlacement(platform::ProfileFiles& files, const std::string& section, std::string key,
                         const std::string& file, WindowRect& rect);
void WriteWindowPlacement(platform::ProfileFiles& files, const std::string& section, std::string key,
                          const std::string& file, const WindowRect& rect);

}  // namespace apexer
