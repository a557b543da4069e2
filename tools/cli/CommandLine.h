// CommandLine: the argument handling the command-line tools share.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace cli {

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailure = 1;  // the work itself failed
inline constexpr int kExitUsage = 2;    // the command line was wrong

// One option of a tool: a flag, or an option that takes a value from the next argument
// (or from the text after '=' in --name=VALUE).
struct Option {
    std::vector<std::string> names;  // e.g. {"-o", "--output"}
    // What the value must be, as the usage error says it ("--at needs <value>"); empty
    // for a flag.
    std::string value;
    // Takes the value (null for a flag); false when the value is not acceptable.
    std::function<bool(const char* value)> apply;
};

// Reads a tool's arguments in order. -h and --help print the usage on stdout; "--" ends
// the options; any other argument that starts with '-' must be one of the tool's options,
// never an operand, so no option is ever taken for a file name. A usage error is one line
// on stderr naming the problem and pointing to --help.
class CommandLine {
public:
    CommandLine(std::string tool, std::string usage);

    void Add(Option option);
    // A flag that sets bFlag.
    void AddFlag(std::vector<std::string> names, bool& bFlag);

    // nullopt when the tool should go on with Operands(); otherwise the exit code, the
    // help or the usage error already printed.
    std::optional<int> Parse(int argc, const char* const* argv);
    const std::vector<std::string>& Operands() const { return m_operands; }

    // "<tool>: <problem> (try '<tool> --help')" on stderr; returns kExitUsage.
    int UsageError(const std::string& problem) const;
    // "<tool>: <message>" on stderr; returns kExitFailure.
    int Failure(const std::string& message) const;
    const std::string& Tool() const { return m_tool; }

private:
    const Option* Find(const std::string& name) const;

    std::string m_tool;
    std::string m_usage;
    std::vector<Option> m_options;
    std::vector<std::string> m_operands;
};

// The whole text is a finite decimal number.
bool ParseNumber(const char* text, double& value);
// The whole text is a decimal integer >= 0.
bool ParseCount(const char* text, int64_t& value);
// A name that can stand for a file: not empty and not taken for an option.
bool IsFileName(const char* text);

}  // namespace cli
