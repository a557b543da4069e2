// Every command-line tool as a user runs it: --help, usage errors of one line with a
// pointer to --help (exit 2), and no option ever taken for a file name.
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <unistd.h>

#include "tests/support/RunProgram.h"

namespace fs = std::filesystem;

namespace {

struct Tool {
    const char* name;
    const char* path;
};

const Tool kTools[] = {
    {"cdgrender", CDGRENDER}, {"cdgsample", CDGSAMPLE}, {"lrc2cdg", LRC2CDG},
    {"musicgen", MUSICGEN},   {"regsvr", REGSVR},
};

class ToolCommandLine : public testing::Test {
protected:
    void SetUp() override {
        m_dir = fs::temp_directory_path() / ("tool-cli-" + std::to_string(::getpid()));
        fs::create_directories(m_dir);
    }
    void TearDown() override { fs::remove_all(m_dir); }

    // Runs the tool in an empty folder; what it left there comes back in made.
    ProgramRun Run(const Tool& tool, const std::vector<std::string>& args,
                   std::vector<std::string>& made) {
        fs::remove_all(m_dir);
        fs::create_directories(m_dir);
        ProgramRun run = RunProgram(tool.path, args, m_dir);
        made.clear();
        for (const auto& entry : fs::directory_iterator(m_dir))
            made.push_back(entry.path().filename().string());
        return run;
    }
    static std::string Hint(const Tool& tool) {
        return std::string(" (try '") + tool.name + " --help')\n";
    }
    static std::vector<std::string> Split(const std::string& text) {
        std::vector<std::string> words;
        std::istringstream in(text);
        for (std::string word; in >> word;)
            words.push_back(word);
        return words;
    }
    static std::string Joined(const std::vector<std::string>& args) {
        std::string text;
        for (const std::string& arg : args)
            text += " " + arg;
        return text;
    }

    fs::path m_dir;
};

}  // namespace

TEST_F(ToolCommandLine, HelpPrintsTheUsageAndExitsZero) {
    for (const Tool& tool : kTools) {
        for (const std::vector<std::string>& args :
             {std::vector<std::string>{"--help"}, {"-h"}, {"in", "--help", "out"}}) {
            std::vector<std::string> made;
            const ProgramRun run = Run(tool, args, made);
            const std::string what = tool.name + Joined(args);
            EXPECT_EQ(run.nExit, 0) << what << ": " << run.err;
            EXPECT_EQ(run.out.rfind(std::string("usage: ") + tool.name + " ", 0), 0u) << what;
            EXPECT_NE(run.out.find("--help"), std::string::npos) << what << ": lists itself";
            EXPECT_EQ(run.err, "") << what;
            EXPECT_TRUE(made.empty()) << what << ": made " << made.front();
        }
    }
}

TEST_F(ToolCommandLine, UsageErrorsAreOneLineWithAHintAndExitTwo) {
    struct Case {
        const char* tool;
        const char* args;  // blank-separated
        std::string problem;
    };
    const Case cases[] = {
        // Options where a file name goes.
        {"cdgrender", "--frobnicate", "unknown option --frobnicate"},
        {"cdgrender", "-x --at 1 -o f.png", "unknown option -x"},
        {"cdgrender", "t.cdg --at 1 -o --dump",
         "-o needs a file name (or - for standard output), not \"--dump\""},
        {"cdgrender", "t.cdg --every 1 --out-dir -d", "--out-dir needs a folder name, not \"-d\""},
        {"cdgrender", "", "no track given"},
        {"cdgsample", "--frobnicate", "unknown option --frobnicate"},
        {"cdgsample", "-", "unknown option -"},
        {"cdgsample", "out.cdg -5", "unknown option -5"},
        {"cdgsample", "out.cdg --frobnicate", "unknown option --frobnicate"},
        {"cdgsample", "", "no output file given"},
        {"cdgsample", "out.cdg abc",
         "SECONDS must be a number above 0 and at most 3600, not \"abc\""},
        {"cdgsample", "out.cdg 0", "SECONDS must be a number above 0 and at most 3600, not \"0\""},
        {"cdgsample", "out.cdg 3601",
         "SECONDS must be a number above 0 and at most 3600, not \"3601\""},
        {"cdgsample", "out.cdg 5 more", "too many arguments: more"},
        {"lrc2cdg", "--frobnicate a.lrc b.cdg", "unknown option --frobnicate"},
        {"lrc2cdg", "a.lrc -o", "unknown option -o"},
        {"lrc2cdg", "a.lrc", "no output file given"},
        {"lrc2cdg", "", "no input file given"},
        {"lrc2cdg", "a.lrc b.cdg c", "too many arguments: c"},
        {"lrc2cdg", "--length abc a.lrc b.cdg",
         "--length needs a time in seconds above 0 and at most 7200, not \"abc\""},
        {"lrc2cdg", "a.lrc b.cdg --length -5",
         "--length needs a time in seconds above 0 and at most 7200, not \"-5\""},
        {"lrc2cdg", "a.lrc b.cdg --length",
         "--length needs a time in seconds above 0 and at most 7200"},
        {"musicgen", "--frobnicate a.lrc", "unknown option --frobnicate"},
        {"musicgen", "song.wav -l", "unknown option -l"},
        {"musicgen", "", "no output files given"},
        {"musicgen", "song.wav", "no OUTPUT.lrc given"},
        {"musicgen", "a.wav a.lrc x", "too many arguments: x"},
        {"regsvr", "--frobnicate", "unknown option --frobnicate"},
        {"regsvr", "register -x", "unknown option -x"},
        {"regsvr", "", "no command given"},
        {"regsvr", "install Skellan.ax", "unknown command install"},
        {"regsvr", "register", "no server given"},
        {"regsvr", "info a b", "too many arguments: b"},
    };
    for (const Case& c : cases) {
        const Tool* tool = nullptr;
        for (const Tool& t : kTools)
            tool = std::string(t.name) == c.tool ? &t : tool;
        ASSERT_NE(tool, nullptr) << c.tool;
        std::vector<std::string> made;
        const ProgramRun run = Run(*tool, Split(c.args), made);
        const std::string what = std::string(c.tool) + " " + c.args;
        EXPECT_EQ(run.nExit, 2) << what;
        EXPECT_EQ(run.err, std::string(c.tool) + ": " + c.problem + Hint(*tool)) << what;
        EXPECT_EQ(run.out, "") << what;
        EXPECT_TRUE(made.empty()) << what << ": made " << made.front();
    }
}

TEST_F(ToolCommandLine, DoubleDashLetsAFileNameStartWithADash) {
    const Tool& cdgsample = kTools[1];
    std::vector<std::string> made;
    const ProgramRun run = Run(cdgsample, {"--", "-odd.cdg", "1"}, made);
    EXPECT_EQ(run.nExit, 0) << run.err;
    EXPECT_EQ(made, std::vector<std::string>{"-odd.cdg"});
    EXPECT_EQ(fs::file_size(m_dir / "-odd.cdg"), 300u * 24) << "one second of packets";
}
