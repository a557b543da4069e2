// Tests of the LRC parser: word timings, plain lines, tags, time formats and bad input.
#include <string>

#include <gtest/gtest.h>

#include "tools/lrc2cdg/LrcParser.h"

namespace {

using lrc2cdg::LrcParser;
using lrc2cdg::LrcPieceRange;
using lrc2cdg::LrcSong;

LrcSong MustParse(const std::string& text) {
    LrcSong song;
    std::string error;
    EXPECT_TRUE(LrcParser::Parse(text, song, error)) << error;
    return song;
}

TEST(LrcParserTest, WordTimesGiveEachPieceItsStartAndEnd) {
    const LrcSong song = MustParse(
        "[00:09.60]<00:09.60>Lan<00:10.20>terns <00:10.80>on <00:11.10>the <00:11.40>bay "
        "<00:12.90>\n"
        "[00:14.40]<00:14.40>Glow<00:15.00>ing\n");
    ASSERT_EQ(song.lines.size(), 2u);
    const auto& first = song.lines[0];
    EXPECT_DOUBLE_EQ(first.dStart, 9.6);
    ASSERT_EQ(first.words.size(), 5u);
    EXPECT_DOUBLE_EQ(first.words[0].dStart, 9.6);
    EXPECT_DOUBLE_EQ(first.words[0].dEnd, 10.2);
    EXPECT_DOUBLE_EQ(first.words[4].dStart, 11.4);
    EXPECT_DOUBLE_EQ(first.words[4].dEnd, 12.9);  // the closing tag
    // Without a closing tag the last piece is held a while, never into the next line.
    const auto& second = song.lines[1];
    EXPECT_DOUBLE_EQ(second.words[1].dEnd, 15.0 + LrcParser::kDefaultLastPiece);
}

TEST(LrcParserTest, SyllablesJoinAndWordsKeepOneBlank) {
    const LrcSong song =
        MustParse("[00:01.00] <00:01.00>Lan<00:01.50>terns  <00:02.00> on<00:02.50>   the\n");
    std::vector<LrcPieceRange> ranges;
    EXPECT_EQ(song.lines[0].Text(&ranges), "Lanterns on the");
    ASSERT_EQ(ranges.size(), 4u);
    EXPECT_EQ(ranges[0].nFirst, 0u);
    EXPECT_EQ(ranges[0].nLength, 3u);
    EXPECT_EQ(ranges[1].nFirst, 3u);
    EXPECT_EQ(ranges[1].nLength, 5u);
    EXPECT_EQ(ranges[2].nFirst, 9u);
    EXPECT_EQ(ranges[3].nFirst, 12u);
}

TEST(LrcParserTest, PlainLinesAreSungUntilTheNextLine) {
    const LrcSong song = MustParse(
        "[00:05.00]First line\n"
        "[00:08.50]Second line\n"
        "[00:12.00]\n"
        "[00:20.00]Last line\n");
    ASSERT_EQ(song.lines.size(), 3u);
    EXPECT_EQ(song.lines[0].words.size(), 1u);
    EXPECT_DOUBLE_EQ(song.lines[0].words[0].dEnd, 8.5);
    EXPECT_DOUBLE_EQ(song.lines[1].words[0].dEnd, 12.0);  // an empty line ends it
    EXPECT_DOUBLE_EQ(song.lines[2].words[0].dEnd, 20.0 + LrcParser::kDefaultLastPiece);
    EXPECT_EQ(song.lines[2].Text(), "Last line");
    EXPECT_EQ(MustParse("[00:01.00]Tab\tand\ttab\n").lines[0].Text(), "Tab and tab");
}

TEST(LrcParserTest, RepeatedLinesAreCopiedAndSorted) {
    const LrcSong song = MustParse(
        "[00:30.00][00:10.00]<00:10.00>La <00:10.50>la<00:11.00>\n"
        "[00:20.00]Between\n");
    ASSERT_EQ(song.lines.size(), 3u);
    EXPECT_DOUBLE_EQ(song.lines[0].dStart, 10.0);
    EXPECT_DOUBLE_EQ(song.lines[1].dStart, 20.0);
    EXPECT_DOUBLE_EQ(song.lines[2].dStart, 30.0);
    // The copy keeps the rhythm of the words.
    EXPECT_DOUBLE_EQ(song.lines[2].words[1].dStart, 30.5);
    EXPECT_DOUBLE_EQ(song.lines[2].words[1].dEnd, 31.0);
}

TEST(LrcParserTest, IdTagsAndOffset) {
    const LrcSong song = MustParse(
        "\xEF\xBB\xBF[ti: Lanterns on the Bay ]\r\n"
        "[AR:The Band]\r\n"
        "[al:Album]\r\n"
        "[by:Someone]\r\n"
        "[length: 01:02.50]\r\n"
        "[offset:+500]\r\n"
        "[re:some editor]\r\n"
        "[00:10.00]Hello\r\n");
    EXPECT_EQ(song.title, "Lanterns on the Bay");
    EXPECT_EQ(song.artist, "The Band");
    EXPECT_EQ(song.album, "Album");
    EXPECT_EQ(song.author, "Someone");
    EXPECT_DOUBLE_EQ(song.dLength, 62.5);
    ASSERT_EQ(song.lines.size(), 1u);
    EXPECT_DOUBLE_EQ(song.lines[0].dStart, 9.5);  // a positive offset shows lyrics earlier
    EXPECT_EQ(song.lines[0].Text(), "Hello");
    const LrcSong later = MustParse("[offset:-250]\n[00:01.00]Hi\n");
    EXPECT_DOUBLE_EQ(later.lines[0].words[0].dStart, 1.25);
}

TEST(LrcParserTest, TimeFormats) {
    struct Row {
        const char* pszText;
        bool bValid;
        double dSeconds;
    };
    const Row rows[] = {
        {"01:02.5", true, 62.5},  {"1:02.345", true, 62.345},  {"01:02", true, 62.0},
        {"01:02:50", true, 62.5}, {"120:00.00", true, 7200.0}, {"1:60.00", false, 0},
        {"ab:10", false, 0},      {"01:2x", false, 0},         {"-1:00", false, 0},
        {"01:02.", false, 0},     {"01:02.1234", false, 0},    {"", false, 0},
        {"0102", false, 0},
    };
    for (const Row& row : rows) {
        double dSeconds = -1.0;
        EXPECT_EQ(LrcParser::ParseTime(row.pszText, dSeconds), row.bValid) << row.pszText;
        if (row.bValid) {
            EXPECT_NEAR(dSeconds, row.dSeconds, 1e-9) << row.pszText;
        }
    }
}

TEST(LrcParserTest, BadInputIsRefusedWithTheLineNumber) {
    struct Row {
        const char* pszText;
        const char* pszMessagePart;  // where it starts with the line, the message does too
        bool bWhole = false;         // the whole message
    };
    const Row rows[] = {
        {"[00:01.00]Fine\nno tag here\n", "line 2: expected a [mm:ss.xx] time or an [id:value] tag",
         true},
        {"[00:01.00 unclosed\n", "line 1: "},
        {"[00:01.00]<00:0x.00>word\n", "bad word time tag"},
        {"[00:01.00]<00:02.00>a <00:01.50>b\n", "earlier"},
        {"[00:05.00]<00:05.00>a <00:09.00>b\n[00:08.00]next\n", "past the start of the next line"},
        {"\n\n[1:99.00]x\n", "line 3: bad time tag"},
        {"[offset:soon]\n", "bad offset"},
        {"[00:01.00]<00:01.00>a <00:02.00\n", "bad word time tag"},
    };
    for (const Row& row : rows) {
        LrcSong song;
        song.title = "kept";
        std::string error;
        EXPECT_FALSE(LrcParser::Parse(row.pszText, song, error)) << row.pszText;
        EXPECT_EQ(song.title, "kept") << "a failed parse leaves the song alone";
        const size_t nAt = error.find(row.pszMessagePart);
        EXPECT_NE(nAt, std::string::npos) << error;
        if (std::string(row.pszMessagePart).rfind("line ", 0) == 0) {
            EXPECT_EQ(nAt, 0u) << error;
        }
        if (row.bWhole) {
            EXPECT_EQ(error, row.pszMessagePart);
        }
    }
    // The missing file's message is checked through lrc2cdg itself.
}

}  // namespace
