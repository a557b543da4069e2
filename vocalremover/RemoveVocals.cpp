// RemoveVocals: the scalar reference kernel, the AVX2 kernel and the run-time choice.
// This file is compiled with -ffp-contract=off: a fused multiply-add would round
// differently from the separate products and break the kernels' bit-identity.
#include "vocalremover/RemoveVocals.h"

#include <cstring>

#include <immintrin.h>

namespace skellan {

namespace {

constexpr double kPercent = 0.01;
constexpr double kSampleMax = 32767.0;
constexpr double kSampleMin = -32768.0;
constexpr size_t kBytesPerFrame = 4;  // two int16 samples, left first
constexpr size_t kFramesPerLine = 64 / kBytesPerFrame;
// Memory is read this far ahead: the hardware prefetcher alone leaves the kernels waiting
// for memory on buffers larger than the caches (2 KiB ahead measured several times faster).
constexpr size_t kPrefetchAhead = 2048;

inline int16_t SaturateAndTruncate(double v) {
    if (v > kSampleMax) {
        v = kSampleMax;
    } else if (v < kSampleMin) {
        v = kSampleMin;
    }
    return static_cast<int16_t>(static_cast<int32_t>(v));  // truncation toward zero
}

}  // namespace

VocalCoefficients MakeCoefficients(int32_t level, int32_t balance, int32_t gain) {
    VocalCoefficients k;
    k.a = balance * kPercent;
    k.d = level * kPercent;
    k.c = gain * kPercent;
    k.b = 1.0 - k.a;
    return k;
}

void RemoveVocalsScalar(uint8_t* data, size_t frames, const VocalCoefficients& k) {
    for (size_t i = 0; i < frames; ++i, data += kBytesPerFrame) {
        if (i % kFramesPerLine == 0)
            __builtin_prefetch(data + kPrefetchAhead, 1);
        int16_t in[2];
        std::memcpy(in, data, sizeof in);
        const double left = in[0];
        const double right = in[1];
        const double centre = (k.b * right + k.a * left) * k.d;
        const int16_t out[2] = {SaturateAndTruncate(k.c * (left - centre)),
                                SaturateAndTruncate(k.c * (right - centre))};
        std::memcpy(data, out, sizeof out);
    }
}

namespace {

// The coefficients and limits, broadcast once per buffer.
struct Avx2Constants {
    __m256d a, b, c, d, hi;
};

// Four frames' left and right samples as int32 lanes in, four results of each out: the
// same operations, in the same order, as the scalar kernel. Only the upper limit is
// applied in floating point: below -32768 (even below the int32 range, where the
// conversion gives INT32_MIN) the saturating pack to 16 bits gives -32768, exactly what
// clamping first would give.
__attribute__((target("avx2"))) inline void ProcessFour(__m128i left32, __m128i right32,
                                                        const Avx2Constants& k, __m128i& outLeft,
                                                        __m128i& outRight) {
    const __m256d left = _mm256_cvtepi32_pd(left32);
    const __m256d right = _mm256_cvtepi32_pd(right32);
    const __m256d centre =
        _mm256_mul_pd(_mm256_add_pd(_mm256_mul_pd(k.b, right), _mm256_mul_pd(k.a, left)), k.d);
    const __m256d newLeft = _mm256_mul_pd(k.c, _mm256_sub_pd(left, centre));
    const __m256d newRight = _mm256_mul_pd(k.c, _mm256_sub_pd(right, centre));
    outLeft = _mm256_cvttpd_epi32(_mm256_min_pd(newLeft, k.hi));
    outRight = _mm256_cvttpd_epi32(_mm256_min_pd(newRight, k.hi));
}

}  // namespace

__attribute__((target("avx2"))) void RemoveVocalsAvx2(uint8_t* data, size_t frames,
                                                      const VocalCoefficients& coefficients) {
    constexpr size_t kFramesPerStep = 8;  // one 256-bit load: 8 frames of 32 bits
    const Avx2Constants k{_mm256_set1_pd(coefficients.a), _mm256_set1_pd(coefficients.b),
                          _mm256_set1_pd(coefficients.c), _mm256_set1_pd(coefficients.d),
                          _mm256_set1_pd(kSampleMax)};
    size_t i = 0;
    for (; i + kFramesPerStep <= frames; i += kFramesPerStep) {
        uint8_t* p = data + i * kBytesPerFrame;
        __builtin_prefetch(p + kPrefetchAhead, 1);
        const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
        // Each 32-bit lane is one frame: left in the low half, right in the high half.
        const __m256i left = _mm256_srai_epi32(_mm256_slli_epi32(v, 16), 16);
        const __m256i right = _mm256_srai_epi32(v, 16);
        __m128i outLeftLo, outRightLo, outLeftHi, outRightHi;
        ProcessFour(_mm256_castsi256_si128(left), _mm256_castsi256_si128(right), k, outLeftLo,
                    outRightLo);
        ProcessFour(_mm256_extracti128_si256(left, 1), _mm256_extracti128_si256(right, 1), k,
                    outLeftHi, outRightHi);
        // Interleave left and right as int32 pairs, then saturate to int16 in order.
        const __m128i frames01 = _mm_unpacklo_epi32(outLeftLo, outRightLo);
        const __m128i frames23 = _mm_unpackhi_epi32(outLeftLo, outRightLo);
        const __m128i frames45 = _mm_unpacklo_epi32(outLeftHi, outRightHi);
        const __m128i frames67 = _mm_unpackhi_epi32(outLeftHi, outRightHi);
        const __m256i packed = _mm256_packs_epi32(_mm256_set_m128i(frames45, frames01),
                                                  _mm256_set_m128i(frames67, frames23));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(p), packed);
    }
    RemoveVocalsScalar(data + i * kBytesPerFrame, frames - i, coefficients);
}

bool CpuHasAvx2() {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2");
}

RemoveVocalsKernel SelectedKernel() {
    static const RemoveVocalsKernel kernel = CpuHasAvx2() ? RemoveVocalsAvx2 : RemoveVocalsScalar;
    return kernel;
}

void RemoveVocals(uint8_t* buffer, long length, int32_t channels, int32_t bytesPerSample,
                  int32_t level, int32_t balance, int32_t gain) {
    if (channels != 2 || bytesPerSample != 2)
        return;  // mono, 8-bit, multichannel: as is
    const long frames = length / static_cast<long>(kBytesPerFrame);
    if (frames <= 0 || buffer == nullptr)
        return;
    SelectedKernel()(buffer, static_cast<size_t>(frames), MakeCoefficients(level, balance, gain));
}

}  // namespace skellan
