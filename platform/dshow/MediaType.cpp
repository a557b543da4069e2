// CMediaType: format block handling and the audio type helper.
#include "platform/dshow/MediaType.h"

#include <cstring>

namespace dshow {

void CMediaType::SetFormat(const void* pFormat, ULONG cb) {
    const auto* bytes = static_cast<const BYTE*>(pFormat);
    m_format.assign(bytes, bytes + (pFormat != nullptr ? cb : 0));
}

std::optional<WAVEFORMATEX> CMediaType::WaveFormat() const {
    if (formattype != FORMAT_WaveFormatEx || m_format.size() < sizeof(WAVEFORMATEX)) {
        return std::nullopt;
    }
    WAVEFORMATEX wfx;
    std::memcpy(&wfx, m_format.data(), sizeof wfx);
    return wfx;
}

CMediaType MakeAudioType(uint16_t formatTag, uint16_t channels, uint32_t rate, uint16_t bits) {
    CMediaType mt;
    mt.majortype = MEDIATYPE_Audio;
    mt.subtype = MEDIASUBTYPE_PCM;
    mt.subtype.Data1 = formatTag;
    mt.formattype = FORMAT_WaveFormatEx;
    WAVEFORMATEX wfx{};
    wfx.wFormatTag = formatTag;
    wfx.nChannels = channels;
    wfx.nSamplesPerSec = rate;
    wfx.wBitsPerSample = bits;
    wfx.nBlockAlign = static_cast<uint16_t>(channels * ((bits + 7) / 8));
    wfx.nAvgBytesPerSec = rate * wfx.nBlockAlign;
    mt.lSampleSize = wfx.nBlockAlign;
    mt.SetFormat(&wfx, sizeof wfx);
    return mt;
}

}  // namespace dshow
