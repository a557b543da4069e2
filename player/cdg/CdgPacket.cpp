// Packet parsing.
#include "player/cdg/CdgPacket.h"

#include <cstring>

CCdgPacket::CCdgPacket(const uint8_t* pRaw) {
    if (pRaw != nullptr) {
        Parse(pRaw);
    }
}

const uint8_t* CCdgPacket::Parse(const uint8_t* pRaw) {
    if (pRaw == nullptr) {
        return nullptr;
    }
    // The sixteen data symbols are masked eight at a time.
    constexpr uint64_t kWordMask = kCdgSymbolMask * 0x0101010101010101ull;
    const uint8_t* p = pRaw;
    auto take = [&p] { return static_cast<uint8_t>(*p++ & kCdgSymbolMask); };
    m_command = take();
    m_instruction = take();
    for (uint8_t& b : m_parityQ) {
        b = take();
    }
    for (size_t i = 0; i < sizeof(m_data); i += sizeof(uint64_t), p += sizeof(uint64_t)) {
        uint64_t word = 0;
        std::memcpy(&word, p, sizeof(word));
        word &= kWordMask;
        std::memcpy(m_data + i, &word, sizeof(word));
    }
    for (uint8_t& b : m_parityP) {
        b = take();
    }
    return p;
}

void CCdgPacket::Clear() {
    *this = CCdgPacket();
}
