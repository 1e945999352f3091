// The program's command-line string.
#pragma once

#include <string>
#include <string_view>

namespace korvane {

// The arguments after the program name, joined by single blanks.
std::string joinArguments(int argc, const char* const* argv);

// From a whole process command line, the part after the program name: leading blanks and
// tabs skipped, the name skipped (a quoted one up to its closing quote, or to the end when
// unterminated), then the blanks and tabs after it. The rest is kept as it stands.
std::string_view argumentPart(std::string_view commandLine);

}  // namespace korvane
