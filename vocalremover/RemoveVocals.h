// The centre-removing rewrite of 16-bit stereo PCM, with a scalar and an AVX2 kernel.
#pragma once

#include <cstddef>
#include <cstdint>

namespace skellan {

// The per-buffer coefficients: left weight A, right weight B, level D and gain C.
struct VocalCoefficients {
    double a = 0;
    double b = 0;
    double c = 0;
    double d = 0;
};

// Multiplies by the double nearest 0.01 (not a division by 100), as the rule requires.
VocalCoefficients MakeCoefficients(int32_t level, int32_t balance, int32_t gain);

// Rewrites `frames` frames of interleaved little-endian int16 left/right in place. Both
// kernels give bit-identical results (no fused multiply-add, same operation order).
using RemoveVocalsKernel = void (*)(uint8_t* data, size_t frames, const VocalCoefficients& k);
void RemoveVocalsScalar(uint8_t* data, size_t frames, const VocalCoefficients& k);
// Only to be called when CpuHasAvx2().
void RemoveVocalsAvx2(uint8_t* data, size_t frames, const VocalCoefficients& k);
bool CpuHasAvx2();
// The fastest kernel this CPU runs, chosen once.
RemoveVocalsKernel SelectedKernel();

// The whole buffer rule: only 2 channels of 2 bytes are touched; whole frames of `length`
// bytes are rewritten and any trailing bytes left as they are.
void RemoveVocals(uint8_t* buffer, long length, int32_t channels, int32_t bytesPerSample,
                  int32_t level, int32_t balance, int32_t gain);

}  // namespace skellan
