// Any text through the LRC parser and, when it parses into a short song, the track builder.
// Besides memory errors it checks what the parser promises: a refusal names a line and
// leaves the song alone; a parsed song has its lines in time order, each with pieces in
// time order, and each line's text holds its pieces where the ranges say.
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "tools/cdgauthor/CdgTrackWriter.h"
#include "tools/lrc2cdg/LrcParser.h"
#include "tools/lrc2cdg/LyricsTrackBuilder.h"

namespace {

// Songs ending later are parsed but not built: a long track costs time in proportion to its
// length and reaches no other code.
constexpr double kMaxBuiltSeconds = 90.0;

void Require(bool bHolds, const char* what) {
    if (!bHolds) {
        std::fprintf(stderr, "lrc2cdg_fuzzer: %s\n", what);
        std::abort();
    }
}

void CheckSong(const lrc2cdg::LrcSong& song) {
    double dPrevious = 0.0;
    for (const lrc2cdg::LrcLine& line : song.lines) {
        Require(!line.words.empty(), "line without pieces");
        Require(std::isfinite(line.dStart) && line.dStart >= dPrevious, "lines out of order");
        dPrevious = line.dStart;
        double dWord = line.dStart;
        for (const lrc2cdg::LrcWord& word : line.words) {
            Require(word.dStart >= dWord && word.dEnd >= word.dStart, "pieces out of order");
            dWord = word.dStart;
        }
        std::vector<lrc2cdg::LrcPieceRange> ranges;
        const std::string text = line.Text(&ranges);
        Require(ranges.size() == line.words.size(), "one range per piece");
        for (const lrc2cdg::LrcPieceRange& range : ranges) {
            Require(range.nFirst <= text.size() && range.nLength <= text.size() - range.nFirst,
                    "piece range outside the line's text");
        }
    }
}

double SongEnd(const lrc2cdg::LrcSong& song) {
    const double dLyrics = song.lines.empty() ? 0.0 : song.lines.back().words.back().dEnd;
    return std::max(dLyrics, song.dLength);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t nSize) {
    const std::string text(reinterpret_cast<const char*>(pData), nSize);
    lrc2cdg::LrcSong song;
    song.title = "untouched";
    std::string error;
    if (!lrc2cdg::LrcParser::Parse(text, song, error)) {
        Require(error.starts_with("line "), "refusal does not name a line");
        Require(song.title == "untouched" && song.lines.empty(), "refusal changed the song");
        return 0;
    }
    CheckSong(song);
    if (SongEnd(song) > kMaxBuiltSeconds) {
        return 0;
    }
    cdgauthor::CdgTrackWriter writer;
    lrc2cdg::LyricsTrackBuilder builder;
    std::vector<std::string> errors;
    if (!builder.Build(song, 0.0, writer, errors)) {
        Require(!errors.empty(), "build failed without a message");
        Require(writer.GetPacketCount() == 0, "failed build touched the writer");
        return 0;
    }
    Require(errors.empty(), "build succeeded with errors");
    const int64_t nPackets = writer.GetPacketCount();
    Require(nPackets > 0, "empty track");
    for (const auto& piece : builder.GetSchedule()) {
        Require(piece.nLastPacket < nPackets && piece.nFirstPacket <= piece.nLastPacket,
                "piece lit outside the track");
    }
    return 0;
}
