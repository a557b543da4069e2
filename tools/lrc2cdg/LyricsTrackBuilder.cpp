// Lyrics layout and timing: title card, five-line lyric screen, XOR wipes, smooth scrolls.
#include "tools/lrc2cdg/LyricsTrackBuilder.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>

#include "tools/cdgauthor/CdgFont.h"

namespace lrc2cdg {

namespace {

using cdgauthor::CdgFont;
using cdgauthor::CdgTrackWriter;
using cdgauthor::Rgb12;
using cdgauthor::ScrollMove;

// Geometry in tiles: the window shows columns 1-48 and rows 1-16 (offsets 0).
constexpr int kFirstColumn = 1;
constexpr int kColumns = 48;
constexpr int kLineRows = 3;  // a large line is two tile rows high, plus one row of space
constexpr int kTileHeight = 12;
constexpr double kPacketsPerSecond = 300.0;             // 75 sectors x 4 packets
constexpr int kScrollPixels = kLineRows * kTileHeight;  // 36
constexpr int kSlots = 5;
constexpr std::array<int, kSlots> kSlotRow = {2, 5, 8, 11, 14};
constexpr int kNewLineSlot = kSlots - 1;
constexpr int kCardTitleRow = 6;
constexpr int kCardSmallTitleRow = 7;
constexpr int kCardLine1Row = 10;
constexpr int kCardLine2Row = 12;

// Timing in seconds.
constexpr double kPageLead = 2.5;         // the first lyric page appears this early
constexpr double kTitleSeconds = 2.0;     // the title card needs this long before the page
constexpr double kScrollSeconds = 0.3;    // a scroll ends this close to the next line
constexpr int kMaxScrollSpacing = 3;      // packets between scroll steps at most
constexpr double kClosingPause = 1.5;     // after the last line, before the closing card
constexpr double kTrailingSeconds = 6.0;  // the track's length beyond the last line
constexpr int kFadeSteps = 16;
constexpr double kFadeMargin = 0.2;  // the fade-out ends this long before the track

// Palette, entries 0-7 (faded in and out) and 8-15 (unused by the layout).
constexpr std::array<Rgb12, 8> kLowColors = {
    0x113,  // background: deep navy
    0xEEE,  // unsung text
    0xFB1,  // sung text: gold
    0xF00,  // unsung XOR sung; never shown when the wipes are right
    0x7CF,  // title
    0xA9C,  // captions
    0x426,  // border
    0x000,
};
constexpr std::array<Rgb12, 8> kHighColors = {0x000, 0x222, 0x444, 0x666,
                                              0x888, 0xAAA, 0xCCC, 0xFFF};

bool IsBlankTile(const cdgauthor::TileLines& lines) {
    return std::all_of(lines.begin(), lines.end(), [](uint8_t line) { return line == 0; });
}

std::u32string Truncated(std::u32string text, size_t nMax) {
    if (text.size() > nMax) {
        text = text.substr(0, nMax - 3) + U"...";
    }
    return text;
}

std::string FormatTime(double dSeconds) {
    char text[32];
    std::snprintf(text, sizeof(text), "%d:%05.2f", static_cast<int>(dSeconds) / 60,
                  std::fmod(dSeconds, 60.0));
    return text;
}

cdgauthor::RawPacket ScrollStep(int nPixel) {
    // Pixel offsets 1-11 move the window down inside the picture; every 12th step moves
    // the picture up a tile row instead and puts the offset back to 0.
    const int nOffset = nPixel % kTileHeight;
    const ScrollMove move = nOffset == 0 ? ScrollMove::LeftOrUp : ScrollMove::None;
    return cdgauthor::Scroll(false, LyricsTrackBuilder::kBackground, ScrollMove::None, 0, move,
                             nOffset);
}

}  // namespace

std::u32string LyricsTrackBuilder::DecodeChecked(const std::string& text) {
    const std::u32string chars = CdgFont::Decode(text);
    for (const char32_t c : chars) {
        if (c == U' ' || CdgFont::HasGlyph(c)) {
            continue;
        }
        char message[64];
        std::snprintf(message, sizeof(message), "no letter for U+%04X; drawn as a box",
                      static_cast<unsigned>(c));
        if (std::find(m_warnings.begin(), m_warnings.end(), message) == m_warnings.end()) {
            m_warnings.push_back(message);
        }
    }
    return chars;
}

void LyricsTrackBuilder::LayOut(const LrcSong& song, std::vector<std::string>& errors) {
    for (const LrcLine& line : song.lines) {
        std::vector<LrcPieceRange> byteRanges;
        const std::string text = line.Text(&byteRanges);
        LaidLine laid;
        laid.chars = DecodeChecked(text);
        if (laid.chars.size() > static_cast<size_t>(kMaxLineChars)) {
            // Every such line is named, so that one run finds them all.
            errors.push_back("the line at " + FormatTime(line.dStart) + " (\"" + text + "\") has " +
                             std::to_string(laid.chars.size()) + " characters; at most " +
                             std::to_string(kMaxLineChars) + " fit across the screen");
            continue;
        }
        for (const LrcPieceRange& range : byteRanges) {
            const size_t nFirst = CdgFont::Decode(text.substr(0, range.nFirst)).size();
            const size_t nLength = CdgFont::Decode(text.substr(range.nFirst, range.nLength)).size();
            laid.pieces.push_back({nFirst, nLength});
        }
        m_lines.push_back(std::move(laid));
    }
}

void LyricsTrackBuilder::Place(int64_t nIndex, const cdgauthor::RawPacket& packet) {
    const int64_t nAt = m_pWriter->PutFrom(nIndex, packet);
    m_nLastUsed = std::max(m_nLastUsed, nAt);
}

void LyricsTrackBuilder::PlaceAtCursor(const cdgauthor::RawPacket& packet) {
    const int64_t nAt = m_pWriter->PutFrom(m_nCursor, packet);
    m_nCursor = nAt + 1;
    m_nLastUsed = std::max(m_nLastUsed, nAt);
}

void LyricsTrackBuilder::LoadPalette(double dLevel) {
    std::array<Rgb12, 8> colors{};
    for (size_t i = 0; i < colors.size(); ++i) {
        Rgb12 scaled = 0;
        for (const int nShift : {8, 4, 0}) {
            const int nLevel = (kLowColors[i] >> nShift) & 0x0F;
            scaled |= static_cast<Rgb12>(std::lround(nLevel * dLevel) << nShift);
        }
        colors[i] = scaled;
    }
    PlaceAtCursor(cdgauthor::LoadColors(false, colors));
}

void LyricsTrackBuilder::DrawLarge(const std::u32string& text, int nRow, int nColor) {
    const int nLeft = kFirstColumn + (kColumns - 2 * static_cast<int>(text.size())) / 2;
    for (size_t k = 0; k < text.size(); ++k) {
        const auto tiles = CdgFont::LargeTiles(text[k]);
        for (int t = 0; t < 4; ++t) {
            if (!IsBlankTile(tiles[t])) {
                PlaceAtCursor(cdgauthor::TileBlock(kBackground, nColor, nRow + t / 2,
                                                   nLeft + 2 * static_cast<int>(k) + t % 2,
                                                   tiles[t]));
            }
        }
    }
}

void LyricsTrackBuilder::DrawSmall(const std::u32string& text, int nRow, int nColor) {
    const int nLeft = kFirstColumn + (kColumns - static_cast<int>(text.size())) / 2;
    for (size_t k = 0; k < text.size(); ++k) {
        const auto lines = CdgFont::SmallTile(text[k]);
        if (!IsBlankTile(lines)) {
            PlaceAtCursor(cdgauthor::TileBlock(kBackground, nColor, nRow,
                                               nLeft + static_cast<int>(k), lines));
        }
    }
}

void LyricsTrackBuilder::DrawCard(const std::u32string& large, const std::u32string& small1,
                                  const std::u32string& small2) {
    if (large.size() <= static_cast<size_t>(kMaxLineChars)) {
        DrawLarge(large, kCardTitleRow, kTitle);
    } else {
        DrawSmall(Truncated(large, kMaxCaptionChars), kCardSmallTitleRow, kTitle);
    }
    DrawSmall(Truncated(small1, kMaxCaptionChars), kCardLine1Row, kCaption);
    DrawSmall(Truncated(small2, kMaxCaptionChars), kCardLine2Row, kCaption);
}

void LyricsTrackBuilder::HighlightLine(size_t nLine, int64_t nBarrier) {
    const LaidLine& laid = m_lines[nLine];
    const LrcLine& line = m_pSong->lines[nLine];
    const int nLeft = kFirstColumn + (kColumns - 2 * static_cast<int>(laid.chars.size())) / 2;
    const int nRow = kSlotRow[1];
    for (size_t p = 0; p < laid.pieces.size(); ++p) {
        const LrcWord& word = line.words[p];
        const LrcPieceRange& range = laid.pieces[p];
        PieceSchedule schedule;
        schedule.nLine = static_cast<int>(nLine);
        schedule.nPiece = static_cast<int>(p);
        schedule.dStart = word.dStart;
        schedule.dEnd = word.dEnd;
        schedule.nFirstColumn = nLeft + 2 * static_cast<int>(range.nFirst);
        schedule.nColumns = 2 * static_cast<int>(range.nLength);
        // The letters light one after another across the piece's time.
        size_t nLetters = 0;
        for (size_t k = 0; k < range.nLength; ++k) {
            nLetters += laid.chars[range.nFirst + k] != U' ' ? 1 : 0;
        }
        size_t nLetter = 0;
        for (size_t k = 0; k < range.nLength; ++k) {
            const char32_t c = laid.chars[range.nFirst + k];
            if (c == U' ') {
                continue;
            }
            const double dAt = word.dStart + (word.dEnd - word.dStart) *
                                                 static_cast<double>(nLetter++) /
                                                 static_cast<double>(nLetters);
            const int64_t nAt = std::max(CdgTrackWriter::PacketAt(dAt), nBarrier);
            const auto tiles = CdgFont::LargeTiles(c);
            for (int t = 0; t < 4; ++t) {
                if (IsBlankTile(tiles[t])) {
                    continue;
                }
                const int nColumn = nLeft + 2 * static_cast<int>(range.nFirst + k) + t % 2;
                const int64_t nBefore = m_nLastUsed;
                const int64_t nPlaced = m_pWriter->PutFrom(
                    nAt, cdgauthor::TileBlock(kBackground, kUnsung ^ kSung, nRow + t / 2, nColumn,
                                              tiles[t], true));
                m_nLastUsed = std::max(nBefore, nPlaced);
                if (schedule.nFirstPacket < 0) {
                    schedule.nFirstPacket = nPlaced;
                }
                schedule.nLastPacket = std::max(schedule.nLastPacket, nPlaced);
            }
        }
        m_schedule.push_back(schedule);
    }
}

void LyricsTrackBuilder::ScrollOneLine(double dBy) {
    const int64_t nStart =
        std::max(CdgTrackWriter::PacketAt(dBy - kScrollSeconds), m_nLastUsed + 1);
    const int64_t nAvailable = CdgTrackWriter::PacketAt(dBy) - nStart;
    const int64_t nSpacing = std::clamp<int64_t>(nAvailable / kScrollPixels, 1, kMaxScrollSpacing);
    m_nCursor = nStart;
    for (int nPixel = 1; nPixel <= kScrollPixels; ++nPixel) {
        m_nCursor = std::max(m_nCursor, nStart + (nPixel - 1) * nSpacing);
        PlaceAtCursor(ScrollStep(nPixel));
    }
}

bool LyricsTrackBuilder::Build(const LrcSong& song, double dLength, CdgTrackWriter& writer,
                               std::vector<std::string>& errors) {
    m_pWriter = &writer;
    m_pSong = &song;
    m_lines.clear();
    m_schedule.clear();
    m_warnings.clear();
    m_nCursor = writer.GetPacketCount();
    m_nLastUsed = m_nCursor - 1;
    errors.clear();
    LayOut(song, errors);
    const double dLyricsEnd = song.lines.empty() ? 0.0 : song.lines.back().words.back().dEnd;
    double dTrackLength = dLength > 0.0 ? dLength : song.dLength;
    if (dTrackLength <= 0.0) {
        dTrackLength = dLyricsEnd + kTrailingSeconds;
    }
    if (dTrackLength > kMaxSeconds || dLyricsEnd > kMaxSeconds) {
        errors.push_back("the track would last " + FormatTime(std::max(dTrackLength, dLyricsEnd)) +
                         "; at most " + FormatTime(kMaxSeconds) + " is made");
    }
    if (!errors.empty()) {
        return false;
    }
    const auto cursorTime = [this] { return static_cast<double>(m_nCursor) / kPacketsPerSecond; };
    const auto placeFrom = [this](double dAt) {
        m_nCursor = std::max(m_nCursor, CdgTrackWriter::PacketAt(dAt));
    };

    // Opening: border and cleared picture; when the singing leaves time for it, the title
    // card fades in from black, otherwise the colours are there at once.
    const bool bTitleCard =
        m_lines.empty() || song.lines.front().dStart >= kPageLead + kTitleSeconds;
    LoadPalette(bTitleCard ? 0.0 : 1.0);
    PlaceAtCursor(cdgauthor::LoadColors(true, kHighColors));
    PlaceAtCursor(cdgauthor::BorderPreset(kBorder));
    PlaceAtCursor(cdgauthor::MemoryPreset(kBackground));
    if (bTitleCard) {
        const std::u32string byline =
            song.author.empty() ? std::u32string() : U"LYRICS BY " + DecodeChecked(song.author);
        DrawCard(DecodeChecked(song.title), DecodeChecked(song.artist), byline);
        const double dFadeIn = cursorTime();
        for (int k = 1; k <= kFadeSteps; ++k) {
            placeFrom(dFadeIn + kFadeSeconds * k / kFadeSteps);
            LoadPalette(static_cast<double>(k) / kFadeSteps);
        }
    }

    // The first lyric page: the first line in the singing slot, the next ones below it.
    if (!m_lines.empty()) {
        placeFrom(song.lines.front().dStart - kPageLead);
        PlaceAtCursor(cdgauthor::MemoryPreset(kBackground));
        for (size_t i = 0; i + 1 < kSlots && i < m_lines.size(); ++i) {
            DrawLarge(m_lines[i].chars, kSlotRow[i + 1], kUnsung);
        }
    }
    for (size_t i = 0; i < m_lines.size(); ++i) {
        const int64_t nBarrier = m_nCursor;
        HighlightLine(i, nBarrier);
        // The line entering at the bottom fills the gaps between the lit letters.
        const size_t nEntering = i + kNewLineSlot - 1;
        if (i >= 1 && nEntering < m_lines.size()) {
            m_nCursor = nBarrier;
            DrawLarge(m_lines[nEntering].chars, kSlotRow[kNewLineSlot], kUnsung);
        }
        m_nCursor = m_nLastUsed + 1;
        if (i + 1 < m_lines.size()) {
            ScrollOneLine(song.lines[i + 1].dStart);
        }
    }

    // Closing card, then the fade-out at the end of the track.
    const double dFadeOut = dTrackLength - kFadeSeconds - kFadeMargin;
    if (!m_lines.empty() && dLyricsEnd + kClosingPause + kFadeSeconds < dFadeOut) {
        placeFrom(dLyricsEnd + kClosingPause);
        PlaceAtCursor(cdgauthor::MemoryPreset(kBackground));
        DrawCard(DecodeChecked(song.title), DecodeChecked(song.artist), U"THE END");
    }
    const double dFadeStart = std::max(cursorTime(), dFadeOut);
    for (int k = kFadeSteps - 1; k >= 0; --k) {
        placeFrom(dFadeStart + kFadeSeconds * (kFadeSteps - k) / kFadeSteps);
        LoadPalette(static_cast<double>(k) / kFadeSteps);
    }
    writer.PadTo(std::max(CdgTrackWriter::PacketAt(dTrackLength), m_nLastUsed + 1));
    return true;
}

}  // namespace lrc2cdg
