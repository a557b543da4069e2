// Encoders for CD+G graphics packets, for authoring tracks and building test streams.
#pragma once

#include <array>
#include <cstdint>

namespace cdgauthor {

using RawPacket = std::array<uint8_t, 24>;
using TileLines = std::array<uint8_t, 12>;  // six pixels a line, bit 5 leftmost

// A 12-bit colour, four bits per level: 0xRGB.
using Rgb12 = uint16_t;

// Scroll commands for one axis: content still, moved right/down, or moved left/up.
enum class ScrollMove : uint8_t { None = 0, RightOrDown = 1, LeftOrUp = 2 };

RawPacket Padding();
RawPacket MemoryPreset(int nColor, int nRepeat = 0);
RawPacket BorderPreset(int nColor);
RawPacket TileBlock(int nColor0, int nColor1, int nRow, int nColumn, const TileLines& lines,
                    bool bXor = false);
RawPacket Scroll(bool bCopy, int nColor, ScrollMove horizontal, int nHOffset, ScrollMove vertical,
                 int nVOffset);
RawPacket LoadColors(bool bHigh, const std::array<Rgb12, 8>& colors);
RawPacket DefineTransparent(int nColor);
// Any command/instruction with the given data symbols (for unusual or invalid packets).
RawPacket Raw(uint8_t nCommand, uint8_t nInstruction, const std::array<uint8_t, 16>& data = {});

}  // namespace cdgauthor
