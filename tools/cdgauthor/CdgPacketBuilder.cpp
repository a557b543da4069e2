// CD+G packet encoding: command 9, the instruction, and sixteen six-bit data symbols.
#include "tools/cdgauthor/CdgPacketBuilder.h"

#include <cstddef>

namespace cdgauthor {

namespace {

constexpr uint8_t kGraphics = 9;
constexpr int kDataOffset = 4;

uint8_t Low4(int n) {
    return static_cast<uint8_t>(n & 0x0F);
}

}  // namespace

RawPacket Raw(uint8_t nCommand, uint8_t nInstruction, const std::array<uint8_t, 16>& data) {
    RawPacket p{};
    p[0] = nCommand;
    p[1] = nInstruction;
    for (size_t i = 0; i < data.size(); ++i) {
        p[kDataOffset + i] = data[i];
    }
    return p;
}

RawPacket Padding() {
    return RawPacket{};
}

RawPacket MemoryPreset(int nColor, int nRepeat) {
    return Raw(kGraphics, 1, {Low4(nColor), Low4(nRepeat)});
}

RawPacket BorderPreset(int nColor) {
    return Raw(kGraphics, 2, {Low4(nColor)});
}

RawPacket TileBlock(int nColor0, int nColor1, int nRow, int nColumn, const TileLines& lines,
                    bool bXor) {
    std::array<uint8_t, 16> data{Low4(nColor0), Low4(nColor1), static_cast<uint8_t>(nRow & 0x1F),
                                 static_cast<uint8_t>(nColumn & 0x3F)};
    for (size_t i = 0; i < lines.size(); ++i) {
        data[4 + i] = lines[i] & 0x3F;
    }
    return Raw(kGraphics, bXor ? 38 : 6, data);
}

RawPacket Scroll(bool bCopy, int nColor, ScrollMove horizontal, int nHOffset, ScrollMove vertical,
                 int nVOffset) {
    const auto h = static_cast<uint8_t>((static_cast<int>(horizontal) << 4) | Low4(nHOffset));
    const auto v = static_cast<uint8_t>((static_cast<int>(vertical) << 4) | Low4(nVOffset));
    return Raw(kGraphics, bCopy ? 24 : 20, {Low4(nColor), h, v});
}

RawPacket LoadColors(bool bHigh, const std::array<Rgb12, 8>& colors) {
    std::array<uint8_t, 16> data{};
    for (size_t i = 0; i < colors.size(); ++i) {
        const int red = (colors[i] >> 8) & 0x0F;
        const int green = (colors[i] >> 4) & 0x0F;
        const int blue = colors[i] & 0x0F;
        data[2 * i] = static_cast<uint8_t>((red << 2) | (green >> 2));
        data[2 * i + 1] = static_cast<uint8_t>(((green & 0x03) << 4) | blue);
    }
    return Raw(kGraphics, bHigh ? 31 : 30, data);
}

RawPacket DefineTransparent(int nColor) {
    return Raw(kGraphics, 28, {Low4(nColor)});
}

}  // namespace cdgauthor
