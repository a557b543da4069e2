// Fuzz target: any text through the LRC parser and, when it parses, the track builder.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "tools/cdgauthor/CdgTrackWriter.h"
#include "tools/lrc2cdg/LrcParser.h"
#include "tools/lrc2cdg/LyricsTrackBuilder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t nSize) {
    const std::string text(reinterpret_cast<const char*>(pData), nSize);
    lrc2cdg::LrcSong song;
    std::string error;
    if (!lrc2cdg::LrcParser::Parse(text, song, error)) {
        return 0;
    }
    cdgauthor::CdgTrackWriter writer;
    lrc2cdg::LyricsTrackBuilder builder;
    std::vector<std::string> errors;
    builder.Build(song, 0.0, writer, errors);
    return 0;
}
