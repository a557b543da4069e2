// LyricsTrackBuilder: lays timed lyrics out as a CD+G track, words lit as they are sung.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/cdgauthor/CdgTrackWriter.h"
#include "tools/lrc2cdg/LrcParser.h"

namespace lrc2cdg {

// The track: a title card fading in, then the lyrics in large letters, five lines on the
// screen. The line being sung sits second from the top; its pieces turn from the unsung
// to the sung colour letter by letter (XOR tiles) while they are sung, and between lines
// the text scrolls smoothly up by one line. A closing card and a fade-out end it.
class LyricsTrackBuilder {
public:
    // Palette indices.
    static constexpr int kBackground = 0;
    static constexpr int kUnsung = 1;
    static constexpr int kSung = 2;
    static constexpr int kTitle = 4;
    static constexpr int kCaption = 5;
    static constexpr int kBorder = 6;

    static constexpr int kMaxLineChars = 24;     // large letters across the window
    static constexpr int kMaxCaptionChars = 48;  // small letters across the window
    static constexpr int kSingingRow = 5;        // top tile row of the line being sung
    static constexpr double kFadeSeconds = 1.0;
    static constexpr double kMaxSeconds = 7200.0;  // longest track made (two hours)

    // When and where one piece is lit.
    struct PieceSchedule {
        int nLine = 0;
        int nPiece = 0;
        double dStart = 0.0;
        double dEnd = 0.0;
        int nFirstColumn = 0;       // tile columns of the piece's letters, on kSingingRow
        int nColumns = 0;           // and kSingingRow + 1
        int64_t nFirstPacket = -1;  // its XOR packets; -1 when it has none
        int64_t nLastPacket = -1;
    };

    // Builds the track into an empty writer. dLength is the track's length in seconds
    // (0: the song's [length:], else the last line's end plus a few seconds). False, with
    // the writer untouched and one message in errors for each line that does not fit the
    // screen and for a track that would run past kMaxSeconds.
    bool Build(const LrcSong& song, double dLength, cdgauthor::CdgTrackWriter& writer,
               std::vector<std::string>& errors);

    const std::vector<PieceSchedule>& GetSchedule() const { return m_schedule; }
    // Characters the font lacks, drawn as a box, one message each.
    const std::vector<std::string>& GetWarnings() const { return m_warnings; }

private:
    struct LaidLine {
        std::u32string chars;
        std::vector<LrcPieceRange> pieces;  // in characters
    };

    void LayOut(const LrcSong& song, std::vector<std::string>& errors);
    std::u32string DecodeChecked(const std::string& text);
    void Place(int64_t nIndex, const cdgauthor::RawPacket& packet);
    void PlaceAtCursor(const cdgauthor::RawPacket& packet);
    void LoadPalette(double dLevel);
    void DrawLarge(const std::u32string& text, int nRow, int nColor);
    void DrawSmall(const std::u32string& text, int nRow, int nColor);
    void HighlightLine(size_t nLine, int64_t nBarrier);
    void ScrollOneLine(double dBy);
    void DrawCard(const std::u32string& large, const std::u32string& small1,
                  const std::u32string& small2);

    cdgauthor::CdgTrackWriter* m_pWriter = nullptr;
    const LrcSong* m_pSong = nullptr;
    std::vector<LaidLine> m_lines;
    int64_t m_nCursor = 0;     // sequential placement continues from here
    int64_t m_nLastUsed = -1;  // highest index placed so far
    std::vector<PieceSchedule> m_schedule;
    std::vector<std::string> m_warnings;
};

}  // namespace lrc2cdg
