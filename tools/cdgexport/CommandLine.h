// The command line of cdgexport: its options, their checks and the usage text.
#pragma once

#include <optional>

#include "tools/cdgexport/ExportOptions.h"

namespace cdgexport {

struct CommandLine {
    ExportOptions options;
    // Progress as plain lines on stdout for a calling program, terminal or not.
    bool bProgressLines = false;
};

extern const char kUsage[];

// Fills cmd from the arguments (argv[0] is the program). nullopt to go on; otherwise the
// exit code, with the help or the usage error (one line naming the problem and pointing
// to --help) already printed.
std::optional<int> ParseCommandLine(int argc, const char* const* argv, CommandLine& cmd);

}  // namespace cdgexport
