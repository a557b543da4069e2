// Tests of the lyrics track: the generated packets run through the CD+G engine show each
// word unsung before its time and sung after it, scroll between lines and fade as planned.
#include <algorithm>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/display/Display.h"
#include "player/cdg/CdgScreen.h"
#include "tools/cdgauthor/CdgFont.h"
#include "tools/lrc2cdg/LrcParser.h"
#include "tools/lrc2cdg/LyricsTrackBuilder.h"

namespace {

using cdgauthor::CdgTrackWriter;
using lrc2cdg::LrcParser;
using lrc2cdg::LrcSong;
using lrc2cdg::LyricsTrackBuilder;
constexpr auto kSingingRow = LyricsTrackBuilder::kSingingRow;
constexpr auto kSung = LyricsTrackBuilder::kSung;
constexpr auto kUnsung = LyricsTrackBuilder::kUnsung;
constexpr auto kBackground = LyricsTrackBuilder::kBackground;
constexpr auto kTitle = LyricsTrackBuilder::kTitle;

const char* const kSong =
    "[ti:Test Song]\n"
    "[ar:Tester]\n"
    "[00:05.00]<00:05.00>Hel<00:05.40>lo <00:05.80>there <00:06.60>\n"
    "[00:08.00]<00:08.00>Sec<00:08.30>ond <00:08.90>line, <00:09.40>yes! <00:10.20>\n"
    "[00:12.00]<00:12.00>Three <00:13.00>\n"
    "[00:14.00]<00:14.00>Four <00:15.00>\n"
    "[00:16.00]<00:16.00>Five <00:17.00>\n"
    "[00:18.00]<00:18.00>Six <00:19.00>\n";

constexpr int kRows = 2;  // tile rows of a line of lyrics

// Plays a built track through the engine, packet by packet, as the player would.
class TrackPlayer {
public:
    explicit TrackPlayer(const CdgTrackWriter& writer) : m_writer(writer) {
        display::CDisplay::SetCurrent(&m_display);
        m_pScreen = std::make_unique<CCdgScreen>();
    }
    ~TrackPlayer() {
        m_pScreen.reset();
        display::CDisplay::SetCurrent(nullptr);
    }

    // Executes every packet due before the time, as the playback loop does.
    void PlayUntil(double dSeconds) {
        const int64_t nEnd =
            std::min(CdgTrackWriter::PacketAt(dSeconds), m_writer.GetPacketCount());
        for (; m_nNext < nEnd; ++m_nNext) {
            m_pScreen->Execute(CCdgPacket(m_writer.GetPacket(m_nNext).data()));
        }
    }

    // Counts the pixels of each palette index in a line's tile rows (all its columns unless told).
    std::array<int, 16> Count(int nRow, int nColumn = 1, int nColumns = 48) const {
        std::array<int, 16> counts{};
        for (int y = nRow * 12; y < (nRow + kRows) * 12; ++y) {
            for (int x = nColumn * 6; x < (nColumn + nColumns) * 6; ++x) {
                ++counts[m_pScreen->GetPictureIndex(x, y)];
            }
        }
        return counts;
    }

    const CCdgScreen& Screen() const { return *m_pScreen; }

private:
    const CdgTrackWriter& m_writer;
    display::CDisplay m_display;
    std::unique_ptr<CCdgScreen> m_pScreen;
    int64_t m_nNext = 0;
};

struct Built {
    LrcSong song;
    CdgTrackWriter writer;
    LyricsTrackBuilder builder;
};

std::unique_ptr<Built> Build(const std::string& lrc, double dLength = 0.0) {
    auto pBuilt = std::make_unique<Built>();
    std::string error;
    EXPECT_TRUE(LrcParser::Parse(lrc, pBuilt->song, error)) << error;
    std::vector<std::string> errors;
    EXPECT_TRUE(pBuilt->builder.Build(pBuilt->song, dLength, pBuilt->writer, errors))
        << testing::PrintToString(errors);
    return pBuilt;
}

constexpr double kLitWithin = 0.05;  // seconds after a piece's end, every letter is lit

TEST(LyricsTrackBuilderTest, EveryPieceLightsUpAtItsTimeLetterByLetter) {
    const auto pBuilt = Build(kSong);
    const auto& schedule = pBuilt->builder.GetSchedule();
    ASSERT_EQ(schedule.size(), 11u);
    // Pieces follow one another without a gap, so the starts and the ends are looked at
    // in two runs through the track.
    TrackPlayer atStarts(pBuilt->writer);
    TrackPlayer atEnds(pBuilt->writer);
    for (const auto& piece : schedule) {
        SCOPED_TRACE("line " + std::to_string(piece.nLine) + " piece " +
                     std::to_string(piece.nPiece));
        atStarts.PlayUntil(piece.dStart);
        EXPECT_EQ(atStarts.Screen().GetVOffset(), 0);
        auto counts = atStarts.Count(kSingingRow, piece.nFirstColumn, piece.nColumns);
        EXPECT_GT(counts[kUnsung], 0);
        EXPECT_EQ(counts[kSung], 0);

        atEnds.PlayUntil(piece.dEnd + kLitWithin);
        counts = atEnds.Count(kSingingRow, piece.nFirstColumn, piece.nColumns);
        EXPECT_EQ(counts[kUnsung], 0);
        EXPECT_GT(counts[kSung], 0);
        EXPECT_EQ(counts[kSung] + counts[kBackground], kRows * 12 * piece.nColumns * 6);
        // The first letter lights as the piece begins, not before and hardly after.
        EXPECT_GE(piece.nFirstPacket, CdgTrackWriter::PacketAt(piece.dStart));
        EXPECT_LE(piece.nFirstPacket, CdgTrackWriter::PacketAt(piece.dStart + 0.02));
    }
    // Halfway through "there" (5.8 s to 6.6 s) its first half is lit, its last letter not.
    const auto& there = schedule[2];
    ASSERT_EQ(there.nColumns, 10);
    TrackPlayer halfway(pBuilt->writer);
    halfway.PlayUntil((there.dStart + there.dEnd) / 2);
    EXPECT_EQ(halfway.Count(kSingingRow, there.nFirstColumn, 4)[kUnsung], 0);
    EXPECT_EQ(halfway.Count(kSingingRow, there.nFirstColumn + 8, 2)[kSung], 0);
}

TEST(LyricsTrackBuilderTest, LinesScrollUpSmoothlyBetweenLines) {
    const auto pBuilt = Build(kSong);
    TrackPlayer player(pBuilt->writer);
    player.PlayUntil(7.0);  // line 1 sung, line 2 waiting below it
    EXPECT_EQ(player.Count(2)[kSung], 0);
    EXPECT_GT(player.Count(kSingingRow)[kSung], 0);
    bool bSawOffset = false;
    for (double t = 7.0; t < 8.0; t += 0.01) {
        player.PlayUntil(t);
        bSawOffset = bSawOffset || player.Screen().GetVOffset() != 0;
    }
    EXPECT_TRUE(bSawOffset);
    player.PlayUntil(8.0);
    EXPECT_EQ(player.Screen().GetVOffset(), 0);
    // The sung line moved up one line; the next one is now in the singing row, unsung.
    EXPECT_GT(player.Count(2)[kSung], 0);
    const auto singing = player.Count(kSingingRow);
    EXPECT_GT(singing[kUnsung], 0);
    EXPECT_EQ(singing[kSung], 0);
    // Line 5 ("Five") enters at the bottom after the first scroll.
    player.PlayUntil(9.0);
    EXPECT_GT(player.Count(14)[kUnsung], 0);
}

TEST(LyricsTrackBuilderTest, PaletteFadesInAndOutAndBorderIsSet) {
    const auto pBuilt = Build(kSong, 30.0);
    EXPECT_EQ(pBuilt->writer.GetPacketCount(), CdgTrackWriter::PacketAt(30.0));
    TrackPlayer player(pBuilt->writer);
    player.PlayUntil(0.01);
    EXPECT_EQ(player.Screen().GetPaletteEntry(kUnsung), 0u);
    player.PlayUntil(2.0);
    EXPECT_EQ(player.Screen().GetBorderColor(), LyricsTrackBuilder::kBorder);
    EXPECT_EQ(player.Screen().GetPaletteEntry(kSung), 0x0010B0F0u);  // gold
    // The title card: large title letters in the title colour.
    EXPECT_GT(player.Count(6)[kTitle], 0);
    player.PlayUntil(30.0);
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(player.Screen().GetPaletteEntry(i), 0u) << i;
    }
}

// Builds a song expected to parse; the errors of the build come back.
bool TryBuild(const std::string& lrc, CdgTrackWriter& writer, LyricsTrackBuilder& builder,
              std::vector<std::string>& errors) {
    LrcSong song;
    std::string error;
    EXPECT_TRUE(LrcParser::Parse(lrc, song, error)) << error;
    return builder.Build(song, 0.0, writer, errors);
}

TEST(LyricsTrackBuilderTest, TooLongLinesAndTracksAreRefusedAndUnknownLettersWarned) {
    std::vector<std::string> errors;
    LyricsTrackBuilder builder;
    // Every line that does not fit is named at once, the one between them that fits not.
    CdgTrackWriter tooWide;
    EXPECT_FALSE(
        TryBuild("[00:01.00]This line is far too long to fit\n"
                 "[00:05.00]This one fits\n"
                 "[00:09.00]And this line is also far too long\n",
                 tooWide, builder, errors));
    ASSERT_EQ(errors.size(), 2u) << testing::PrintToString(errors);
    EXPECT_NE(errors[0].find("the line at 0:01.00"), std::string::npos) << errors[0];
    EXPECT_NE(errors[0].find("has 32 characters; at most 24 fit"), std::string::npos) << errors[0];
    EXPECT_NE(errors[1].find("the line at 0:09.00"), std::string::npos) << errors[1];
    EXPECT_EQ(tooWide.GetPacketCount(), 0);

    CdgTrackWriter tooLong;
    EXPECT_FALSE(TryBuild("[9999:00.00]Much later\n", tooLong, builder, errors));
    ASSERT_EQ(errors.size(), 1u) << testing::PrintToString(errors);
    EXPECT_NE(errors[0].find("at most 120:00.00"), std::string::npos) << errors[0];
    EXPECT_EQ(tooLong.GetPacketCount(), 0);

    CdgTrackWriter accented;
    EXPECT_TRUE(
        TryBuild("[00:01.00]Caf\xC3\xA9 \xE2\x99\xAA\xE2\x99\xAA\n", accented, builder, errors));
    EXPECT_TRUE(errors.empty());
    ASSERT_EQ(builder.GetWarnings().size(), 1u);  // the note, once; the accent folds to E
    EXPECT_NE(builder.GetWarnings()[0].find("U+266A"), std::string::npos);
}

TEST(LyricsTrackBuilderTest, EarlySingingSkipsTheTitleCard) {
    const auto pBuilt = Build("[ti:Quick]\n[00:00.50]<00:00.50>Go <00:01.00>now<00:01.50>\n");
    TrackPlayer player(pBuilt->writer);
    player.PlayUntil(0.1);
    EXPECT_EQ(player.Screen().GetPaletteEntry(kUnsung), 0x00E0E0E0u);
    EXPECT_EQ(player.Count(6)[kTitle], 0);
    for (const auto& piece : pBuilt->builder.GetSchedule()) {
        EXPECT_LE(piece.nFirstPacket, CdgTrackWriter::PacketAt(piece.dStart + 0.02));
    }
    player.PlayUntil(1.6);
    EXPECT_GT(player.Count(kSingingRow)[kSung], 0);
}

TEST(LyricsTrackBuilderTest, CommittedDemoIsWhatTheGeneratorMakes) {
    LrcSong song;
    std::string error;
    ASSERT_TRUE(LrcParser::ParseFile(QUILLET_SOURCE_DIR "/demo/demo.lrc", song, error)) << error;
    CdgTrackWriter writer;
    LyricsTrackBuilder builder;
    std::vector<std::string> errors;
    ASSERT_TRUE(builder.Build(song, 0.0, writer, errors)) << testing::PrintToString(errors);
    EXPECT_TRUE(builder.GetWarnings().empty());
    std::ifstream committed(QUILLET_SOURCE_DIR "/demo/demo.cdg", std::ios::binary);
    const std::string bytes{std::istreambuf_iterator<char>(committed), {}};
    ASSERT_EQ(static_cast<int64_t>(bytes.size()), writer.GetPacketCount() * 24);
    for (int64_t i = 0; i < writer.GetPacketCount(); ++i) {
        ASSERT_EQ(bytes.compare(static_cast<size_t>(i) * 24, 24,
                                reinterpret_cast<const char*>(writer.GetPacket(i).data()), 24),
                  0)
            << "packet " << i;
    }
    // Every word of the demo lights within a few hundredths of a second of its time.
    for (const auto& piece : builder.GetSchedule()) {
        EXPECT_LE(piece.nFirstPacket, CdgTrackWriter::PacketAt(piece.dStart + 0.02))
            << piece.nLine << "/" << piece.nPiece;
    }
}

}  // namespace
