// The command line of cdgexport: options, their checks and the usage text.
#pragma once

#include <string>

#include "tools/cdgexport/ExportOptions.h"

namespace cdgexport {

struct CommandLine {
    ExportOptions options;
    bool bHelp = false;
    // Progress as plain lines on stdout for a calling program, terminal or not.
    bool bProgressLines = false;
};

extern const char kUsage[];

// Fills cmd from the arguments (argv[0] is the program). False with a one-line message in
// error for a usage mistake; --help anywhere succeeds with bHelp set.
bool ParseCommandLine(int argc, const char* const* argv, CommandLine& cmd, std::string& error);

}  // namespace cdgexport
