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

// Every field of a parsed command line in one line, to compare with a row's expectation.
std::string Summary(const CommandLine& cmd) {
    const ExportOptions& o = cmd.options;
    return o.strTrack + " " + o.strOutput + " " + std::to_string(o.nWidth) + "x" +
           std::to_string(o.nHeight) + "@" + std::to_string(o.nFps) + " key" +
           std::to_string(o.nKey) + (o.bRemoveVocals ? " vocals" : "") +
           (cmd.bProgressLines ? " progress" : "");
}

template <typename Case>
std::string RowName(const testing::TestParamInfo<Case>& info) {
    return info.param.pszName;
}

struct GoodCase {
    const char* pszName;
    std::vector<const char*> args;
    const char* pszSummary;
};

const GoodCase kGood[] = {
    {"Defaults", {"a.cdg", "a.mp4"}, "a.cdg a.mp4 960x720@30 key0"},
    {"OptionsFirst", {"--fps", "25", "a.cdg", "a.mkv"}, "a.cdg a.mkv 960x720@25 key0"},
    {"SizeAndFps",
     {"a.cdg", "a.webm", "--size", "1280x720", "--fps", "60"},
     "a.cdg a.webm 1280x720@60 key0"},
    {"EqualsForm",
     {"a.bin", "a.mp4", "--size=640X480", "--key=-6"},
     "a.bin a.mp4 640x480@30 key-6"},
    {"Karaoke",
     {"a.cdg", "a.mp4", "--remove-vocals", "--key", "+6"},
     "a.cdg a.mp4 960x720@30 key6 vocals"},
    {"Extremes", {"a.cdg", "A.MP4", "--size", "16x16", "--fps", "1"}, "a.cdg A.MP4 16x16@1 key0"},
    {"Largest",
     {"a.cdg", "a.mkv", "--size", "7680x4320", "--fps", "120"},
     "a.cdg a.mkv 7680x4320@120 key0"},
    {"ProgressLines", {"a.cdg", "a.mp4", "--progress"}, "a.cdg a.mp4 960x720@30 key0 progress"},
    {"DashNamedTrack", {"./-x.cdg", "o.mp4"}, "./-x.cdg o.mp4 960x720@30 key0"},
};

class GoodCommandLine : public testing::TestWithParam<GoodCase> {};

TEST_P(GoodCommandLine, FillsTheOptions) {
    CommandLine cmd;
    std::string error;
    ASSERT_TRUE(Parse(GetParam().args, cmd, error)) << error;
    EXPECT_TRUE(error.empty()) << error;
    EXPECT_EQ(Summary(cmd), GetParam().pszSummary);
}

INSTANTIATE_TEST_SUITE_P(Forms, GoodCommandLine, testing::ValuesIn(kGood), RowName<GoodCase>);

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
    CommandLine cmd;
    std::string error;
    int nExit = 0;
    EXPECT_FALSE(Parse(GetParam().args, cmd, error, &nExit));
    EXPECT_EQ(nExit, 2);
    EXPECT_NE(error.find(GetParam().pszMessagePart), std::string::npos) << error;
    EXPECT_NE(error.find("(try 'cdgexport --help')"), std::string::npos) << error;
}

INSTANTIATE_TEST_SUITE_P(Mistakes, BadCommandLine, testing::ValuesIn(kBad), RowName<BadCase>);

TEST(CommandLine, HelpPrintsTheUsageNamingEveryOptionAndStops) {
    for (const char* option : {"--size", "--fps", "--remove-vocals", "--key", "--progress",
                               "--help", ".mp4", ".mkv", ".webm"}) {
        EXPECT_NE(std::string(kUsage).find(option), std::string::npos) << option;
    }
    for (std::vector<const char*> args :
         {std::vector<const char*>{"--help"}, {"a.cdg", "-h"}, {"-h", "--bogus"}}) {
        CommandLine cmd;
        std::string error;
        int nExit = -1;
        testing::internal::CaptureStdout();
        EXPECT_FALSE(Parse(args, cmd, error, &nExit));
        EXPECT_EQ(testing::internal::GetCapturedStdout(), kUsage);
        EXPECT_EQ(nExit, 0);
        EXPECT_TRUE(error.empty()) << error;
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
