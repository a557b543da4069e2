// CommandLine: options, operands, help and usage errors of a command-line tool.
#include "tools/cli/CommandLine.h"

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <utility>

namespace cli {

namespace {

bool LooksLikeOption(const std::string& arg) {
    return !arg.empty() && arg[0] == '-';
}

}  // namespace

CommandLine::CommandLine(std::string tool, std::string usage)
    : m_tool(std::move(tool)), m_usage(std::move(usage)) {}

void CommandLine::Add(Option option) {
    m_options.push_back(std::move(option));
}

void CommandLine::AddFlag(std::vector<std::string> names, bool& bFlag) {
    Add({std::move(names), {}, [&bFlag](const char*) { return bFlag = true; }});
}

const Option* CommandLine::Find(const std::string& name) const {
    for (const Option& option : m_options) {
        for (const std::string& known : option.names) {
            if (known == name)
                return &option;
        }
    }
    return nullptr;
}

std::optional<int> CommandLine::Parse(int argc, const char* const* argv) {
    m_operands.clear();
    bool bOptionsEnded = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (bOptionsEnded || !LooksLikeOption(arg)) {
            m_operands.push_back(arg);
            continue;
        }
        if (arg == "--") {
            bOptionsEnded = true;
            continue;
        }
        if (arg == "-h" || arg == "--help") {
            std::fputs(m_usage.c_str(), stdout);
            return kExitOk;
        }
        // --name=VALUE for the long names.
        const size_t nEquals = arg.rfind("--", 0) == 0 ? arg.find('=') : std::string::npos;
        const std::string name = arg.substr(0, nEquals);
        const Option* option = Find(name);
        if (option == nullptr)
            return UsageError("unknown option " + name);
        if (option->value.empty()) {
            if (nEquals != std::string::npos)
                return UsageError(name + " takes no value");
            option->apply(nullptr);
            continue;
        }
        std::string value;
        if (nEquals != std::string::npos) {
            value = arg.substr(nEquals + 1);
        } else if (i + 1 < argc) {
            value = argv[++i];
        } else {
            return UsageError(name + " needs " + option->value);
        }
        if (!option->apply(value.c_str()))
            return UsageError(name + " needs " + option->value + ", not \"" + value + "\"");
    }
    return std::nullopt;
}

int CommandLine::UsageError(const std::string& problem) const {
    std::fprintf(stderr, "%s: %s (try '%s --help')\n", m_tool.c_str(), problem.c_str(),
                 m_tool.c_str());
    return kExitUsage;
}

int CommandLine::Failure(const std::string& message) const {
    std::fprintf(stderr, "%s: %s\n", m_tool.c_str(), message.c_str());
    return kExitFailure;
}

bool ParseNumber(const char* text, double& value) {
    if (std::isspace(static_cast<unsigned char>(text[0])))
        return false;
    char* end = nullptr;
    errno = 0;
    value = std::strtod(text, &end);
    return errno == 0 && end != text && *end == '\0' && std::isfinite(value);
}

bool ParseCount(const char* text, int64_t& value) {
    if (!std::isdigit(static_cast<unsigned char>(text[0])))
        return false;
    char* end = nullptr;
    errno = 0;
    const long long v = std::strtoll(text, &end, 10);
    value = v;
    return errno == 0 && end != text && *end == '\0';
}

bool IsFileName(const char* text) {
    return text[0] != '\0' && text[0] != '-';
}

}  // namespace cli
