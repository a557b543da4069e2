// The filter's rule for accepting a media type, and the format facts it keeps from one.
#pragma once

#include <cstdint>

#include "platform/dshow/MediaType.h"

namespace skellan {

// S_OK for 8- or 16-bit PCM audio in a WAVEFORMATEX block (any channels, any rate);
// VFW_E_TYPE_NOT_ACCEPTED otherwise, including a block too short to hold the fields read.
dshow::HRESULT CheckInputType(const dshow::CMediaType* pmt);

// What the transform needs to know of an agreed type; zeros when the type carries no
// wave format block (the transform then leaves buffers alone).
struct FormatFacts {
    int32_t channels = 0;
    int32_t bytesPerSample = 0;
};
FormatFacts ReadFormatFacts(const dshow::CMediaType& mt);

}  // namespace skellan
