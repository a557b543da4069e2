// CCdgPacket: one 24-byte CD+G subcode packet with every byte reduced to six bits.
#pragma once

#include <cstdint>

// Packet layout, in bytes.
inline constexpr int kCdgPacketSize = 24;
inline constexpr int kCdgDataSymbols = 16;
inline constexpr uint8_t kCdgSymbolMask = 0x3F;  // subcode channels P and Q dropped

class CCdgPacket {
public:
    // With raw bytes the packet is parsed from them, otherwise it starts zeroed.
    explicit CCdgPacket(const uint8_t* pRaw = nullptr);
    virtual ~CCdgPacket() = default;
    CCdgPacket(const CCdgPacket&) = default;
    CCdgPacket& operator=(const CCdgPacket&) = default;

    // Copies 24 bytes into the fields, each masked to six bits; returns the pointer past
    // them. Null in, null out, and the packet is left unchanged.
    const uint8_t* Parse(const uint8_t* pRaw);
    void Clear();

    // Fields in file order; read directly by the interpreter.
    uint8_t m_command = 0;  // 9 marks a graphics packet
    uint8_t m_instruction = 0;
    uint8_t m_parityQ[2] = {};
    uint8_t m_data[kCdgDataSymbols] = {};
    uint8_t m_parityP[4] = {};
};
