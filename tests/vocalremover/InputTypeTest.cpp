// Which media types the filter accepts, and the format facts it keeps.
#include <utility>

#include <gtest/gtest.h>

#include "vocalremover/InputType.h"

using namespace dshow;
using skellan::CheckInputType;
using skellan::ReadFormatFacts;

TEST(CheckInputType, AcceptsEightAndSixteenBitPcmOfAnyLayout) {
    for (const uint16_t bits : {8, 16}) {
        for (const uint16_t channels : {1, 2, 6}) {
            for (const uint32_t rate : {8000u, 44100u, 192000u}) {
                const CMediaType mt = MakeAudioType(WAVE_FORMAT_PCM, channels, rate, bits);
                EXPECT_EQ(CheckInputType(&mt), S_OK) << bits << " bits, " << channels;
            }
        }
    }
    CMediaType anySubtype = MakeAudioType(WAVE_FORMAT_PCM, 2, 44100, 16);
    anySubtype.subtype = MEDIASUBTYPE_NULL;
    EXPECT_EQ(CheckInputType(&anySubtype), S_OK) << "the subtype is not examined";
}

TEST(CheckInputType, RefusesEveryOtherKind) {
    const auto stereo = [](void (*change)(CMediaType&)) {
        CMediaType mt = MakeAudioType(WAVE_FORMAT_PCM, 2, 44100, 16);
        change(mt);
        return mt;
    };
    const std::pair<const char*, CMediaType> cases[] = {
        {"24-bit PCM", MakeAudioType(WAVE_FORMAT_PCM, 2, 44100, 24)},
        {"32-bit PCM", MakeAudioType(WAVE_FORMAT_PCM, 2, 44100, 32)},
        {"float", MakeAudioType(WAVE_FORMAT_IEEE_FLOAT, 2, 44100, 32)},
        {"16-bit float tag", MakeAudioType(WAVE_FORMAT_IEEE_FLOAT, 2, 44100, 16)},
        {"extensible", MakeAudioType(WAVE_FORMAT_EXTENSIBLE, 2, 44100, 16)},
        {"video major type", stereo([](CMediaType& mt) { mt.majortype = MEDIATYPE_Video; })},
        {"format type none", stereo([](CMediaType& mt) { mt.formattype = FORMAT_None; })},
        {"no format block", stereo([](CMediaType& mt) { mt.ResetFormatBuffer(); })},
        // Ends before wBitsPerSample.
        {"short format block", stereo([](CMediaType& mt) { mt.SetFormat(mt.Format(), 14); })},
    };
    for (const auto& [what, mt] : cases) {
        EXPECT_EQ(CheckInputType(&mt), VFW_E_TYPE_NOT_ACCEPTED) << what;
    }
    EXPECT_EQ(CheckInputType(nullptr), E_POINTER);
}

TEST(FormatFacts, AreChannelsAndWholeBytesPerSample) {
    const auto stereo16 = ReadFormatFacts(MakeAudioType(WAVE_FORMAT_PCM, 2, 44100, 16));
    EXPECT_EQ(stereo16.channels, 2);
    EXPECT_EQ(stereo16.bytesPerSample, 2);
    const auto odd = ReadFormatFacts(MakeAudioType(WAVE_FORMAT_PCM, 65535, 8000, 12));
    EXPECT_EQ(odd.channels, 65535) << "unsigned 16-bit, widened";
    EXPECT_EQ(odd.bytesPerSample, 1) << "12 / 8, remainder dropped";
    CMediaType none;
    EXPECT_EQ(ReadFormatFacts(none).channels, 0);
    EXPECT_EQ(ReadFormatFacts(none).bytesPerSample, 0);
}
