// CPitchShifter: Rubber Band's C interface, loaded at run time; sample conversion.
#include "tindlib/PitchShifter.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <mutex>

#include <dlfcn.h>
#include <rubberband/rubberband-c.h>

namespace tindlib {

namespace {

// Frames per process/retrieve call; also the stretcher's largest process size.
constexpr int64_t kChunk = 1024;

// The library's entry points, resolved once for the process.
struct RubberBandApi {
    decltype(&rubberband_new) pNew = nullptr;
    decltype(&rubberband_delete) pDelete = nullptr;
    decltype(&rubberband_reset) pReset = nullptr;
    decltype(&rubberband_set_pitch_scale) pSetPitchScale = nullptr;
    decltype(&rubberband_set_max_process_size) pSetMaxProcessSize = nullptr;
    decltype(&rubberband_get_preferred_start_pad) pGetStartPad = nullptr;
    decltype(&rubberband_get_start_delay) pGetStartDelay = nullptr;
    decltype(&rubberband_get_samples_required) pGetSamplesRequired = nullptr;
    decltype(&rubberband_process) pProcess = nullptr;
    decltype(&rubberband_available) pAvailable = nullptr;
    decltype(&rubberband_retrieve) pRetrieve = nullptr;
    std::string strError;  // empty when every entry point was found

    bool Ok() const { return strError.empty(); }
};

template <typename T>
bool Resolve(void* pLib, const char* pName, T* pFn) {
    *pFn = reinterpret_cast<T>(dlsym(pLib, pName));
    return *pFn != nullptr;
}

const RubberBandApi& Api() {
    static RubberBandApi api;
    static std::once_flag once;
    std::call_once(once, [] {
        // Kept loaded for the life of the process.
        void* pLib = dlopen("librubberband.so.2", RTLD_NOW | RTLD_LOCAL);
        if (pLib == nullptr) {
            pLib = dlopen("librubberband.so", RTLD_NOW | RTLD_LOCAL);
        }
        if (pLib == nullptr) {
            api.strError = "the Rubber Band library (librubberband2) is not installed";
            return;
        }
        const bool bAll =
            Resolve(pLib, "rubberband_new", &api.pNew) &&
            Resolve(pLib, "rubberband_delete", &api.pDelete) &&
            Resolve(pLib, "rubberband_reset", &api.pReset) &&
            Resolve(pLib, "rubberband_set_pitch_scale", &api.pSetPitchScale) &&
            Resolve(pLib, "rubberband_set_max_process_size", &api.pSetMaxProcessSize) &&
            Resolve(pLib, "rubberband_get_preferred_start_pad", &api.pGetStartPad) &&
            Resolve(pLib, "rubberband_get_start_delay", &api.pGetStartDelay) &&
            Resolve(pLib, "rubberband_get_samples_required", &api.pGetSamplesRequired) &&
            Resolve(pLib, "rubberband_process", &api.pProcess) &&
            Resolve(pLib, "rubberband_available", &api.pAvailable) &&
            Resolve(pLib, "rubberband_retrieve", &api.pRetrieve);
        if (!bAll) {
            api.strError = "the Rubber Band library is older than version 3";
        }
    });
    return api;
}

bool IsShiftableFormat(const WAVEFORMATEX& format) {
    const int nBytes = format.wBitsPerSample / 8;
    return format.wFormatTag == WAVE_FORMAT_PCM && format.nChannels > 0 &&
           format.nSamplesPerSec > 0 && format.wBitsPerSample % 8 == 0 && nBytes >= 1 &&
           nBytes <= 4 && format.nBlockAlign == nBytes * format.nChannels;
}

// Full scale of a signed sample of this many bytes.
double FullScale(int nBytes) {
    return std::ldexp(1.0, 8 * nBytes - 1);
}

}  // namespace

CPitchShifter::CPitchShifter() = default;

CPitchShifter::~CPitchShifter() {
    Release();
}

bool CPitchShifter::IsAvailable(std::string* pstrWhy) {
    const RubberBandApi& api = Api();
    if (!api.Ok() && pstrWhy != nullptr) {
        *pstrWhy = api.strError;
    }
    return api.Ok();
}

int CPitchShifter::ClampSemitones(int nSemitones) {
    return std::clamp(nSemitones, kMinSemitones, kMaxSemitones);
}

void CPitchShifter::Release() {
    if (m_pState != nullptr) {
        Api().pDelete(static_cast<RubberBandState>(m_pState));
        m_pState = nullptr;
    }
}

bool CPitchShifter::Reset(const WAVEFORMATEX& format, int nSemitones) {
    nSemitones = ClampSemitones(nSemitones);
    m_nSemitones = 0;
    m_bFinal = false;
    m_nPulled = 0;
    m_nDelivered = 0;
    if (nSemitones == 0) {
        return true;
    }
    if (!IsShiftableFormat(format) || !IsAvailable()) {
        return false;
    }
    const RubberBandApi& api = Api();
    const double dScale = std::exp2(nSemitones / 12.0);
    if (m_pState != nullptr && m_format.nSamplesPerSec == format.nSamplesPerSec &&
        m_format.nChannels == format.nChannels) {
        api.pReset(static_cast<RubberBandState>(m_pState));
        api.pSetPitchScale(static_cast<RubberBandState>(m_pState), dScale);
    } else {
        Release();
        // Channels together keep the stereo image, so a centre stays the centre for the
        // vocal remover after the shift. The tempo never changes, so transients need no
        // phase resets; with them a steady tone drifted off its pitch.
        const RubberBandOptions options =
            RubberBandOptionProcessRealTime | RubberBandOptionPitchHighQuality |
            RubberBandOptionChannelsTogether | RubberBandOptionThreadingNever |
            RubberBandOptionTransientsSmooth;
        m_pState = api.pNew(format.nSamplesPerSec, format.nChannels, options, 1.0, dScale);
        if (m_pState == nullptr) {
            return false;
        }
        api.pSetMaxProcessSize(static_cast<RubberBandState>(m_pState), kChunk);
        m_planes.assign(format.nChannels, std::vector<float>(kChunk));
        m_planePtrs.clear();
        for (auto& plane : m_planes) {
            m_planePtrs.push_back(plane.data());
        }
        m_pcm.resize(static_cast<size_t>(kChunk * format.nBlockAlign));
    }
    m_format = format;
    m_nPadLeft = api.pGetStartPad(static_cast<RubberBandState>(m_pState));
    m_nTrimLeft = api.pGetStartDelay(static_cast<RubberBandState>(m_pState));
    m_nSemitones = nSemitones;
    return true;
}

void CPitchShifter::ToFloat(const uint8_t* pIn, int64_t nFrames) {
    const int nBytes = m_format.wBitsPerSample / 8;
    const double dScale = 1.0 / FullScale(nBytes);
    const int nChannels = m_format.nChannels;
    for (int64_t i = 0; i < nFrames; ++i) {
        for (int c = 0; c < nChannels; ++c) {
            const uint8_t* p = pIn + (i * nChannels + c) * nBytes;
            int32_t v = 0;
            if (nBytes == 1) {
                v = static_cast<int32_t>(p[0]) - 128;
            } else {
                // Little-endian, sign taken from the top byte.
                uint32_t u = 0;
                for (int b = 0; b < nBytes; ++b) {
                    u |= static_cast<uint32_t>(p[b]) << (8 * b);
                }
                const int nShift = 32 - 8 * nBytes;
                v = static_cast<int32_t>(u << nShift) >> nShift;
            }
            m_planes[c][i] = static_cast<float>(v * dScale);
        }
    }
}

void CPitchShifter::FromFloat(uint8_t* pOut, int64_t nFrames) const {
    const int nBytes = m_format.wBitsPerSample / 8;
    const double dFull = FullScale(nBytes);
    const int nChannels = m_format.nChannels;
    for (int64_t i = 0; i < nFrames; ++i) {
        for (int c = 0; c < nChannels; ++c) {
            const double d = std::nearbyint(static_cast<double>(m_planes[c][i]) * dFull);
            const auto v = static_cast<int64_t>(std::clamp(d, -dFull, dFull - 1));
            uint8_t* p = pOut + (i * nChannels + c) * nBytes;
            if (nBytes == 1) {
                p[0] = static_cast<uint8_t>(v + 128);
            } else {
                for (int b = 0; b < nBytes; ++b) {
                    p[b] = static_cast<uint8_t>((static_cast<uint64_t>(v) >> (8 * b)) & 0xFF);
                }
            }
        }
    }
}

int64_t CPitchShifter::Fill(uint8_t* pOut, int64_t nFrames, const Pull& pull) {
    if (!IsActive()) {
        return pull(pOut, nFrames);
    }
    const RubberBandApi& api = Api();
    auto* pState = static_cast<RubberBandState>(m_pState);
    const int64_t nAlign = m_format.nBlockAlign;
    int64_t nDone = 0;
    while (nDone < nFrames) {
        const int nAvailable = api.pAvailable(pState);
        // Once the source has ended, exactly as many frames come out as went in.
        const int64_t nOwed = m_nPulled - m_nDelivered;
        if (m_bFinal && m_nTrimLeft <= 0 && nOwed <= 0) {
            break;
        }
        if (nAvailable > 0) {
            int64_t nLeft = m_nTrimLeft > 0 ? m_nTrimLeft : nFrames - nDone;
            if (m_bFinal && m_nTrimLeft <= 0) {
                nLeft = std::min(nLeft, nOwed);
            }
            const auto nWant =
                static_cast<unsigned>(std::min<int64_t>({nLeft, kChunk, nAvailable}));
            const int64_t nGot = api.pRetrieve(pState, m_planePtrs.data(), nWant);
            if (m_nTrimLeft > 0) {
                m_nTrimLeft -= nGot;
            } else {
                FromFloat(pOut + nDone * nAlign, nGot);
                nDone += nGot;
                m_nDelivered += nGot;
            }
            continue;
        }
        if (nAvailable < 0 || m_bFinal) {
            // The tail is out; a stretcher that gave back less ends in silence.
            const int64_t nPad = std::min(std::max<int64_t>(nOwed, 0), nFrames - nDone);
            std::memset(pOut + nDone * nAlign, m_format.wBitsPerSample == 8 ? 0x80 : 0,
                        static_cast<size_t>(nPad * nAlign));
            nDone += nPad;
            m_nDelivered += nPad;
            break;
        }
        const int64_t nRequired = std::clamp<int64_t>(api.pGetSamplesRequired(pState), 1, kChunk);
        if (m_nPadLeft > 0) {
            const int64_t n = std::min(nRequired, m_nPadLeft);
            for (auto& plane : m_planes) {
                std::fill_n(plane.begin(), n, 0.0f);
            }
            api.pProcess(pState, m_planePtrs.data(), static_cast<unsigned>(n), 0);
            m_nPadLeft -= n;
            continue;
        }
        const int64_t nGot = std::clamp<int64_t>(pull(m_pcm.data(), nRequired), 0, nRequired);
        m_nPulled += nGot;
        ToFloat(m_pcm.data(), nGot);
        m_bFinal = nGot < nRequired;
        api.pProcess(pState, m_planePtrs.data(), static_cast<unsigned>(nGot), m_bFinal ? 1 : 0);
    }
    return nDone;
}

}  // namespace tindlib
