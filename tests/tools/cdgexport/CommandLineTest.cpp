// The command line: accepted forms, every mistake with its message, containers by name.
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tools/cdgexport/CommandLine.h"

using namespace cdgexport;

namespace {

// Parses; error gets what was printed on stderr. True when the export would go on.
bool Parse(std::vector<const char*> args, CommandLine& cmd, std::string& error,
           int* pExit = nullptr) {
    args.insert(args.begin(), "cdgexport");
    testing::internal::CaptureStderr();
    const std::optional<int> nExit =
        ParseCommandLine(static_cast<int>(args.size()), args.data(), cmd);
    error = testing::internal::GetCapturedStderr();
    if (pExit != nullptr) {
        *pExit = nExit.value_or(-1);
    }
    return !nExit;
}

struct GoodCase {
    const char* pszName;
    std::vector<const char*> args;
    const char* pszTrack;
    const char* pszOutput;
    int nWidth;
    int nHeight;
    int nFps;
    bool bRemoveVocals;
    int nKey;
    bool bProgress;
};

const GoodCase kGood[] = {
    {"Defaults", {"a.cdg", "a.mp4"}, "a.cdg", "a.mp4", 960, 720, 30, false, 0, false},
    {"OptionsFirst",
     {"--fps", "25", "a.cdg", "a.mkv"},
     "a.cdg",
     "a.mkv",
     960,
     720,
     25,
     false,
     0,
     false},
    {"SizeAndFps",
     {"a.cdg", "a.webm", "--size", "1280x720", "--fps", "60"},
     "a.cdg",
     "a.webm",
     1280,
     720,
     60,
     false,
     0,
     false},
    {"EqualsForm",
     {"a.bin", "a.mp4", "--size=640X480", "--key=-6"},
     "a.bin",
     "a.mp4",
     640,
     480,
     30,
     false,
     -6,
     false},
    {"Karaoke",
     {"a.cdg", "a.mp4", "--remove-vocals", "--key", "+6"},
     "a.cdg",
     "a.mp4",
     960,
     720,
     30,
     true,
     6,
     false},
    {"Extremes",
     {"a.cdg", "A.MP4", "--size", "16x16", "--fps", "1"},
     "a.cdg",
     "A.MP4",
     16,
     16,
     1,
     false,
     0,
     false},
    {"Largest",
     {"a.cdg", "a.mkv", "--size", "7680x4320", "--fps", "120"},
     "a.cdg",
     "a.mkv",
     7680,
     4320,
     120,
     false,
     0,
     false},
    {"ProgressLines",
     {"a.cdg", "a.mp4", "--progress"},
     "a.cdg",
     "a.mp4",
     960,
     720,
     30,
     false,
     0,
     true},
    {"DashNamedTrack", {"./-x.cdg", "o.mp4"}, "./-x.cdg", "o.mp4", 960, 720, 30, false, 0, false},
};

class GoodCommandLine : public testing::TestWithParam<GoodCase> {};

TEST_P(GoodCommandLine, FillsTheOptions) {
    const GoodCase& c = GetParam();
    CommandLine cmd;
    std::string error;
    ASSERT_TRUE(Parse(c.args, cmd, error)) << error;
    EXPECT_TRUE(error.empty()) << error;
    EXPECT_EQ(cmd.options.nWidth, c.nWidth);
    EXPECT_EQ(cmd.options.nHeight, c.nHeight);
    EXPECT_EQ(cmd.options.nFps, c.nFps);
    EXPECT_EQ(cmd.options.bRemoveVocals, c.bRemoveVocals);
    EXPECT_EQ(cmd.options.nKey, c.nKey);
    EXPECT_EQ(cmd.bProgressLines, c.bProgress);
    EXPECT_EQ(cmd.options.strTrack, c.pszTrack);
    EXPECT_EQ(cmd.options.strOutput, c.pszOutput);
}

INSTANTIATE_TEST_SUITE_P(Forms, GoodCommandLine, testing::ValuesIn(kGood),
                         [](const testing::TestParamInfo<GoodCase>& info) {
                             return std::string(info.param.pszName);
                         });

struct BadCase {
    const char* pszName;
    std::vector<const char*> args;
    const char* pszMessagePart;
};

const BadCase kBad[] = {
    {"NothingGiven", {}, "no track given"},
    {"NoOutput", {"a.cdg"}, "no output file given"},
    {"ThreeNames", {"a.cdg", "a.mp4", "b.mp4"}, "too many arguments: b.mp4"},
    {"UnknownOption", {"a.cdg", "a.mp4", "--speed", "2"}, "unknown option --speed"},
    {"UnknownExtension", {"a.cdg", "a.avi"}, "must end in .mp4, .mkv or .webm"},
    {"NoExtension", {"a.cdg", "video"}, "must end in .mp4, .mkv or .webm"},
    {"SizeOdd", {"a.cdg", "a.mp4", "--size", "961x720"}, "--size needs WxH"},
    {"SizeTooSmall", {"a.cdg", "a.mp4", "--size", "8x8"}, "--size needs WxH"},
    {"SizeTooLarge", {"a.cdg", "a.mp4", "--size", "8192x4320"}, "--size needs WxH"},
    {"SizeNotANumber", {"a.cdg", "a.mp4", "--size", "wide"}, "--size needs WxH"},
    {"SizeTrailing", {"a.cdg", "a.mp4", "--size", "640x480p"}, "--size needs WxH"},
    {"SizeMissing", {"a.cdg", "a.mp4", "--size"}, "--size needs WxH"},
    {"FpsZero", {"a.cdg", "a.mp4", "--fps", "0"}, "--fps needs"},
    {"FpsTooHigh", {"a.cdg", "a.mp4", "--fps", "121"}, "--fps needs"},
    {"FpsFraction", {"a.cdg", "a.mp4", "--fps", "29.97"}, "--fps needs"},
    {"KeyTooHigh", {"a.cdg", "a.mp4", "--key", "7"}, "--key needs"},
    {"KeyTooLow", {"a.cdg", "a.mp4", "--key", "-7"}, "--key needs"},
    {"KeyEmpty", {"a.cdg", "a.mp4", "--key="}, "--key needs"},
    {"FlagWithValue", {"a.cdg", "a.mp4", "--remove-vocals=yes"}, "--remove-vocals takes no value"},
    {"EmptyTrack", {"", "a.mp4"}, "non-empty names"},
};

class BadCommandLine : public testing::TestWithParam<BadCase> {};

TEST_P(BadCommandLine, SaysWhatWasExpected) {
    const BadCase& c = GetParam();
    CommandLine cmd;
    std::string error;
    int nExit = 0;
    EXPECT_FALSE(Parse(c.args, cmd, error, &nExit));
    EXPECT_EQ(nExit, 2);
    EXPECT_NE(error.find(c.pszMessagePart), std::string::npos) << error;
    EXPECT_NE(error.find("(try 'cdgexport --help')"), std::string::npos) << error;
}

INSTANTIATE_TEST_SUITE_P(Mistakes, BadCommandLine, testing::ValuesIn(kBad),
                         [](const testing::TestParamInfo<BadCase>& info) {
                             return std::string(info.param.pszName);
                         });

TEST(CommandLine, HelpPrintsTheUsageAndStops) {
    for (std::vector<const char*> args :
         {std::vector<const char*>{"--help"}, {"a.cdg", "-h"}, {"-h", "--bogus"}}) {
        CommandLine cmd;
        std::string error;
        int nExit = -1;
        testing::internal::CaptureStdout();
        EXPECT_FALSE(Parse(args, cmd, error, &nExit));
        const std::string out = testing::internal::GetCapturedStdout();
        EXPECT_EQ(nExit, 0);
        EXPECT_EQ(out, kUsage);
        EXPECT_TRUE(error.empty()) << error;
    }
}

TEST(CommandLine, UsageNamesEveryOption) {
    for (const char* option : {"--size", "--fps", "--remove-vocals", "--key", "--progress",
                               "--help", ".mp4", ".mkv", ".webm"}) {
        EXPECT_NE(std::string(kUsage).find(option), std::string::npos) << option;
    }
}

TEST(Containers, FollowTheExtensionInAnyCase) {
    EXPECT_EQ(ContainerForPath("/x/y.mp4"), EContainer::Mp4);
    EXPECT_EQ(ContainerForPath("Y.MKV"), EContainer::Matroska);
    EXPECT_EQ(ContainerForPath("dir.webm/clip.WebM"), EContainer::WebM);
    EXPECT_EQ(ContainerForPath("clip.mp4.part"), std::nullopt);
    EXPECT_EQ(ContainerForPath(".mp4"), std::nullopt);  // a hidden file without extension
    EXPECT_EQ(ContainerForPath("clip"), std::nullopt);
}

}  // namespace
