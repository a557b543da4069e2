// The display object: surface creation with an injectable failure rule.
#include "platform/display/Display.h"

#include <new>

namespace display {

std::atomic<CDisplay*> CDisplay::s_pCurrent{nullptr};

CDisplay::CDisplay(const PixelFormat& format) : m_format(format) {}

std::unique_ptr<CDisplaySurface> CDisplay::CreateSurface(int nWidth, int nHeight) {
    if (nWidth <= 0 || nHeight <= 0) {
        return nullptr;
    }
    {
        std::lock_guard<std::mutex> guard(m_ruleMutex);
        if (m_failureRule && m_failureRule(nWidth, nHeight)) {
            return nullptr;
        }
    }
    try {
        return std::make_unique<CDisplaySurface>(nWidth, nHeight, m_format);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

void CDisplay::SetCreationFailure(FailureRule rule) {
    std::lock_guard<std::mutex> guard(m_ruleMutex);
    m_failureRule = std::move(rule);
}

}  // namespace display
