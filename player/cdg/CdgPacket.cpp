// Packet parsing.
#include "player/cdg/CdgPacket.h"

CCdgPacket::CCdgPacket(const uint8_t* pRaw) {
    if (pRaw != nullptr) {
        Parse(pRaw);
    }
}

const uint8_t* CCdgPacket::Parse(const uint8_t* pRaw) {
    if (pRaw == nullptr) {
        return nullptr;
    }
    const uint8_t* p = pRaw;
    auto take = [&p] { return static_cast<uint8_t>(*p++ & kCdgSymbolMask); };
    m_command = take();
    m_instruction = take();
    for (uint8_t& b : m_parityQ) {
        b = take();
    }
    for (uint8_t& b : m_data) {
        b = take();
    }
    for (uint8_t& b : m_parityP) {
        b = take();
    }
    return p;
}

void CCdgPacket::Clear() {
    *this = CCdgPacket();
}
