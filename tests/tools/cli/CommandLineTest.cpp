// The tools' shared argument handling: options, operands, help and one-line usage errors.
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tools/cli/CommandLine.h"

using cli::CommandLine;

namespace {

struct Parsed {
    std::optional<int> result;
    std::vector<std::string> operands;
    std::string out;
    std::string err;
    bool bFlag = false;
    std::vector<std::string> values;
};

// A tool with a flag -v/--verbose and an option --size taking a count.
Parsed Parse(std::initializer_list<const char*> args) {
    Parsed p;
    CommandLine cl("tool", "usage: tool [-v] [--size N] FILE...\n");
    cl.AddFlag({"-v", "--verbose"}, p.bFlag);
    cl.Add({{"--size"}, "a count", [&p](const char* v) {
                int64_t n = 0;
                p.values.push_back(v);
                return cli::ParseCount(v, n);
            }});
    std::vector<const char*> argv{"tool"};
    argv.insert(argv.end(), args.begin(), args.end());
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    p.result = cl.Parse(static_cast<int>(argv.size()), argv.data());
    p.out = testing::internal::GetCapturedStdout();
    p.err = testing::internal::GetCapturedStderr();
    p.operands = cl.Operands();
    return p;
}

}  // namespace

TEST(CommandLine, SortsOptionsFromOperands) {
    struct Case {
        const char* what;
        std::initializer_list<const char*> args;
        std::vector<std::string> operands;
        bool bFlag;
        std::vector<std::string> values;
    };
    const Case cases[] = {
        {"operands only", {"a", "b"}, {"a", "b"}, false, {}},
        {"options anywhere", {"a", "-v", "--size", "3", "b"}, {"a", "b"}, true, {"3"}},
        {"--name=value", {"--size=7", "a"}, {"a"}, false, {"7"}},
        {"-- ends the options", {"--", "--help", "-v", "-"}, {"--help", "-v", "-"}, false, {}},
        {"nothing", {}, {}, false, {}},
    };
    for (const Case& c : cases) {
        const Parsed p = Parse(c.args);
        EXPECT_EQ(p.result, std::nullopt) << c.what << ": " << p.err;
        EXPECT_EQ(p.err, "") << c.what;
        EXPECT_EQ(p.operands, c.operands) << c.what;
        EXPECT_EQ(p.bFlag, c.bFlag) << c.what;
        EXPECT_EQ(p.values, c.values) << c.what;
    }
}

TEST(CommandLine, HelpPrintsTheUsageAndEndsWell) {
    for (const char* help : {"--help", "-h"}) {
        const Parsed p = Parse({"a", help, "--unknown"});
        EXPECT_EQ(p.result, cli::kExitOk) << help;
        EXPECT_EQ(p.out, "usage: tool [-v] [--size N] FILE...\n") << help;
        EXPECT_EQ(p.err, "") << help;
    }
}

TEST(CommandLine, UsageErrorsAreOneLineNamingTheProblem) {
    struct Case {
        const char* what;
        std::initializer_list<const char*> args;
        const char* line;
    };
    const Case cases[] = {
        {"an unknown long option", {"a", "--frobnicate"}, "unknown option --frobnicate"},
        {"an unknown short option", {"-x", "a"}, "unknown option -x"},
        {"a lone dash", {"-"}, "unknown option -"},
        {"a negative number where a file goes", {"-5"}, "unknown option -5"},
        {"an unknown --name=value", {"--colour=red"}, "unknown option --colour"},
        {"a missing value", {"a", "--size"}, "--size needs a count"},
        // The value is the next argument even when it looks like an option.
        {"a bad value", {"--size", "-3"}, "--size needs a count, not \"-3\""},
        {"an empty value", {"--size="}, "--size needs a count, not \"\""},
        {"a value given to a flag", {"--verbose=yes"}, "--verbose takes no value"},
    };
    for (const Case& c : cases) {
        const Parsed p = Parse(c.args);
        EXPECT_EQ(p.result, cli::kExitUsage) << c.what;
        EXPECT_EQ(p.err, std::string("tool: ") + c.line + " (try 'tool --help')\n") << c.what;
        EXPECT_EQ(p.out, "") << c.what;
    }
}

TEST(CommandLine, ReportsFailuresAndUsageErrorsOfItsOwn) {
    const CommandLine cl("tool", "usage\n");
    testing::internal::CaptureStderr();
    EXPECT_EQ(cl.UsageError("no input given"), cli::kExitUsage);
    EXPECT_EQ(cl.Failure("in.txt: cannot be opened"), cli::kExitFailure);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "tool: no input given (try 'tool --help')\n"
              "tool: in.txt: cannot be opened\n");
}

TEST(CommandLine, NumbersCountsAndFileNames) {
    struct Number {
        const char* text;
        bool bOk;
        double value;
    };
    for (const Number& n :
         {Number{"1.5", true, 1.5}, Number{"-2", true, -2}, Number{"0", true, 0},
          Number{"1e3", true, 1000}, Number{"", false, 0}, Number{"1.5s", false, 0},
          Number{" 1", false, 0}, Number{"nan", false, 0}, Number{"inf", false, 0},
          Number{"1e999", false, 0}}) {
        double value = -1;
        EXPECT_EQ(cli::ParseNumber(n.text, value), n.bOk) << n.text;
        if (n.bOk) {
            EXPECT_DOUBLE_EQ(value, n.value) << n.text;
        }
    }
    struct Count {
        const char* text;
        bool bOk;
        int64_t value;
    };
    for (const Count& c : {Count{"0", true, 0}, Count{"301", true, 301}, Count{"-1", false, 0},
                           Count{"+1", false, 0}, Count{"1x", false, 0}, Count{"", false, 0},
                           Count{" 1", false, 0}, Count{"99999999999999999999", false, 0}}) {
        int64_t value = -1;
        EXPECT_EQ(cli::ParseCount(c.text, value), c.bOk) << c.text;
        if (c.bOk) {
            EXPECT_EQ(value, c.value) << c.text;
        }
    }
    EXPECT_TRUE(cli::IsFileName("out.png"));
    EXPECT_TRUE(cli::IsFileName("./-odd"));
    EXPECT_FALSE(cli::IsFileName("--dump"));
    EXPECT_FALSE(cli::IsFileName("-"));
    EXPECT_FALSE(cli::IsFileName(""));
}
