// Entry names of track archives: which are unsafe, which are skipped, which pair is chosen.
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "player/archive/TrackEntries.h"

namespace {

struct ChoiceCase {
    const char* pszName;
    std::vector<std::string> entries;
    std::optional<size_t> nTrack;  // none: no track at all
    std::optional<size_t> nAudio;
    const char* pszKind;  // the audio's kind when there is audio
};

class ChooseTrackEntriesTest : public ::testing::TestWithParam<ChoiceCase> {};

TEST_P(ChooseTrackEntriesTest, PicksTheTrackAndItsAudio) {
    const ChoiceCase& c = GetParam();
    const std::optional<TrackEntryChoice> choice = ChooseTrackEntries(c.entries);
    ASSERT_EQ(choice.has_value(), c.nTrack.has_value());
    if (!choice) {
        return;
    }
    EXPECT_EQ(choice->nTrack, *c.nTrack);
    EXPECT_EQ(choice->nAudio, c.nAudio);
    if (c.nAudio) {
        EXPECT_STREQ(kArchiveAudioExtensions[choice->nAudioKind], c.pszKind);
    }
}

const ChoiceCase kChoices[] = {
    {"SameTitle", {"Artist - Song.cdg", "Artist - Song.mp3"}, 0, 1, "mp3"},
    {"AudioFirst", {"Song.mp3", "Song.cdg"}, 1, 0, "mp3"},
    {"UpperCase", {"SONG.CDG", "SONG.MP3"}, 0, 1, "mp3"},
    {"TitleCaseDiffers", {"Song.cdg", "song.Ogg"}, 0, 1, "ogg"},
    {"Nested", {"Disc 1/", "Disc 1/Song.cdg", "Disc 1/Song.flac"}, 1, 2, "flac"},
    {"OtherFolderSameTitle", {"cdg/Song.cdg", "audio/Song.m4a"}, 0, 1, "m4a"},
    {"WaveBeforeMp3", {"a.cdg", "a.mp3", "a.wav", "a.wma"}, 0, 2, "wav"},
    {"LaterKindsInOrder", {"a.cdg", "a.m4a", "a.flac", "a.ogg"}, 0, 3, "ogg"},
    {"SameFolderFirst", {"x/a.cdg", "y/a.wav", "x/a.mp3"}, 0, 2, "mp3"},
    {"TitlesDifferOnePair", {"Track01.cdg", "Artist - Song.mp3"}, 0, 1, "mp3"},
    {"TitlesDifferTwoAudio", {"t.cdg", "u.mp3", "v.mp3"}, 0, std::nullopt, ""},
    {"NoAudio", {"t.cdg", "notes.txt"}, 0, std::nullopt, ""},
    {"FirstTrackWithAudio", {"a.cdg", "b.cdg", "b.mp3", "c.mp3"}, 1, 2, "mp3"},
    {"TwoTracksNoMatch", {"a.cdg", "b.cdg", "c.mp3"}, 0, std::nullopt, ""},
    {"MacResourceForks",
     {"__MACOSX/", "__MACOSX/._Song.cdg", "Song.cdg", "._Song.mp3", "Song.mp3",
      "__MACOSX/._Song.mp3"},
     2,
     4,
     "mp3"},
    {"NoTrack", {"Song.mp3", "cover.jpg"}, std::nullopt, std::nullopt, ""},
    {"FolderNamedLikeATrack", {"Song.cdg/", "Song.mp3"}, std::nullopt, std::nullopt, ""},
    {"Empty", {}, std::nullopt, std::nullopt, ""},
    {"DoubleExtension", {"Song.mp3.cdg", "Song.mp3.mp3"}, 0, 1, "mp3"},
    {"BackslashFolders", {"disc\\Song.cdg", "other\\Song.wma"}, 0, 1, "wma"},
};

INSTANTIATE_TEST_SUITE_P(Archives, ChooseTrackEntriesTest, ::testing::ValuesIn(kChoices),
                         [](const auto& info) { return std::string(info.param.pszName); });

TEST(TrackEntries, NamesThatClimbOutAreUnsafe) {
    for (const char* pszName :
         {"../Song.cdg", "a/../../Song.cdg", "..\\Song.cdg", "a\\..\\b", "/etc/passwd",
          "\\Windows\\x.cdg", "C:Song.cdg", "c:/x.mp3", "..", "a/.."}) {
        EXPECT_TRUE(IsUnsafeEntryName(pszName)) << pszName;
    }
    for (const char* pszName : {"Song.cdg", "a/b/Song.cdg", "..Song.cdg", "Song..cdg", "a/...",
                                "Artist: Song.cdg", "a/.hidden", "", "./Song.cdg"}) {
        EXPECT_FALSE(IsUnsafeEntryName(pszName)) << pszName;
    }
}

TEST(TrackEntries, ExtensionIsTheLastNamesInLowerCaseAndOddEntriesAreIgnored) {
    const std::pair<const char*, const char*> extensions[] = {
        {"A/B.C/Song.CDG", "cdg"}, {"A.dir/Song", ""}, {"Song.tar.FLAC", "flac"}, {"Song.", ""}};
    for (const auto& [pszName, pszExtension] : extensions) {
        EXPECT_EQ(EntryExtension(pszName), pszExtension) << pszName;
    }
    for (const char* pszName : {"Disc/", "__MACOSX/Song.cdg", "x/._Song.cdg", ""}) {
        EXPECT_TRUE(IsIgnoredEntry(pszName)) << pszName;
    }
    for (const char* pszName : {"x/_Song.cdg", "MACOSX/Song.cdg"}) {
        EXPECT_FALSE(IsIgnoredEntry(pszName)) << pszName;
    }
}

}  // namespace
