// LrcParser: reads timed lyrics in the LRC format, with or without word timings.
#pragma once

#include <string>
#include <vector>

namespace lrc2cdg {

// One sung piece of a line: a word, a syllable or, for a line without word timings, the
// whole line. The text is as written, blanks included, so syllables join up again.
struct LrcWord {
    double dStart = 0.0;  // seconds
    double dEnd = 0.0;    // seconds; the next piece's start, or the line's end
    std::string text;
};

// Where each piece's text (blanks trimmed) lies in the line's text, in bytes.
struct LrcPieceRange {
    size_t nFirst = 0;
    size_t nLength = 0;
};

struct LrcLine {
    double dStart = 0.0;
    std::vector<LrcWord> words;
    // The line's text: pieces written apart (a blank between them) are joined by one
    // blank, pieces written together (syllables) are joined directly.
    std::string Text(std::vector<LrcPieceRange>* pRanges = nullptr) const;
};

struct LrcSong {
    std::string title;           // [ti:]
    std::string artist;          // [ar:]
    std::string album;           // [al:]
    std::string author;          // [by:], who made the lyrics file
    double dLength = 0.0;        // [length:], 0 when not given
    std::vector<LrcLine> lines;  // sorted by start time, each with at least one piece
};

class LrcParser {
public:
    // Longest a last piece is held highlighted when nothing marks its end (seconds).
    static constexpr double kDefaultLastPiece = 3.0;

    // Parses LRC text (UTF-8; a byte-order mark and CR LF line ends are accepted). On an
    // error returns false with a message naming the line, and leaves the song untouched.
    static bool Parse(const std::string& text, LrcSong& song, std::string& error);
    static bool ParseFile(const std::string& path, LrcSong& song, std::string& error);

    // "[mm:ss.xx]" style time without its brackets: minutes, seconds below 60, and an
    // optional fraction after '.' or ':'. False for anything else.
    static bool ParseTime(const std::string& text, double& dSeconds);
};

}  // namespace lrc2cdg
