// ApexerCheck's command line: /quiet, /full, /report FOLDER, /reason "TEXT"; or /record FILE [/quiet].
#pragma once
#include <string>

#include "check/check_table.h"

namespace apexer::check {

inline constexpr const char* kUsageText = "Use: ApexerCheck [/quiet] [/full] [/report FOLDER] [/reason \"TEXT\"], or ApexerCheck /record FILE [/quiet]";

// Splits as Windows programs split their command line: white space between arguments, double quotes
// around one that holds spaces, \" for a quote inside. False, with what could not be read, on anything
// else than the five options (each once, in any case, with / or -), so a typo never runs another check.
bool ParseCommandLine(const std::string& text, Options& options, std::string& error);

// Whether the command line asks for quiet, even where it cannot be read as a whole: that decides where
// the message about it goes.
bool AsksQuiet(const std::string& text);

// The whole message for a command line that could not be read.
std::string CommandLineErrorText(const std::string& error);

}  // namespace apexer::check
