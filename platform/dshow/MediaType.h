// CMediaType: a media type with its own copy of the format block.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "platform/dshow/DShowTypes.h"

namespace dshow {

class CMediaType {
public:
    GUID majortype{};
    GUID subtype{};
    GUID formattype{};
    bool bFixedSizeSamples = true;
    bool bTemporalCompression = false;
    ULONG lSampleSize = 0;

    const BYTE* Format() const { return m_format.empty() ? nullptr : m_format.data(); }
    ULONG FormatLength() const { return static_cast<ULONG>(m_format.size()); }
    void SetFormat(const void* pFormat, ULONG cb);
    void ResetFormatBuffer() { m_format.clear(); }

    // A copy of the format block as a WAVEFORMATEX; empty when the type does not name
    // FORMAT_WaveFormatEx or its block is shorter than one.
    std::optional<WAVEFORMATEX> WaveFormat() const;

    // Types are equal when every field and the format bytes are.
    friend bool operator==(const CMediaType&, const CMediaType&) = default;

private:
    std::vector<BYTE> m_format;
};

// An audio PCM type for the given layout, with a full WAVEFORMATEX block.
CMediaType MakeAudioType(uint16_t formatTag, uint16_t channels, uint32_t rate, uint16_t bits);

}  // namespace dshow
