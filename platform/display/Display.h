// CDisplay: the process-wide display object that creates surfaces in its pixel format.
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>

#include "platform/display/DisplaySurface.h"
#include "platform/display/PixelFormat.h"

namespace display {

class CDisplay {
public:
    explicit CDisplay(const PixelFormat& format = PixelFormat::Xrgb8888());
    CDisplay(const CDisplay&) = delete;
    CDisplay& operator=(const CDisplay&) = delete;

    const PixelFormat& GetFormat() const { return m_format; }

    // Safe from any thread. Null when refused by the failure rule or out of memory.
    std::unique_ptr<CDisplaySurface> CreateSurface(int nWidth, int nHeight);

    // Surface creations for which the rule returns true fail. An empty rule clears it.
    // Lets the failure paths of the surface users be exercised.
    using FailureRule = std::function<bool(int nWidth, int nHeight)>;
    void SetCreationFailure(FailureRule rule);

    // The process-wide display object (set by whoever owns it; may be null).
    static CDisplay* Current() { return s_pCurrent.load(); }
    static void SetCurrent(CDisplay* pDisplay) { s_pCurrent.store(pDisplay); }

private:
    PixelFormat m_format;
    std::mutex m_ruleMutex;
    FailureRule m_failureRule;  // guarded by m_ruleMutex
    static std::atomic<CDisplay*> s_pCurrent;
};

}  // namespace display
