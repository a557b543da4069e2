// CheckInputType and the format facts of an agreed type.
#include "vocalremover/InputType.h"

namespace skellan {

using namespace dshow;

HRESULT CheckInputType(const CMediaType* pmt) {
    if (pmt == nullptr)
        return E_POINTER;
    if (pmt->majortype != MEDIATYPE_Audio)
        return VFW_E_TYPE_NOT_ACCEPTED;
    if (pmt->formattype != FORMAT_WaveFormatEx)
        return VFW_E_TYPE_NOT_ACCEPTED;
    const auto wfx = pmt->WaveFormat();  // read only once the format type has matched
    if (!wfx || wfx->wFormatTag != WAVE_FORMAT_PCM)
        return VFW_E_TYPE_NOT_ACCEPTED;
    if (wfx->wBitsPerSample != 8 && wfx->wBitsPerSample != 16)
        return VFW_E_TYPE_NOT_ACCEPTED;
    return S_OK;
}

FormatFacts ReadFormatFacts(const CMediaType& mt) {
    FormatFacts facts;
    if (const auto wfx = mt.WaveFormat()) {
        facts.channels = static_cast<int32_t>(wfx->nChannels);
        facts.bytesPerSample = wfx->wBitsPerSample / 8;
    }
    return facts;
}

}  // namespace skellan
